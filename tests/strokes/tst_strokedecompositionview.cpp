#include "stroketestsupport.h"

#include "strokes/strokeanimation.h"
#include "strokes/strokeanimationdatabase.h"
#include "strokes/strokeanimationview.h"
#include "strokes/strokedecompositionview.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using korvo::StrokeAnimation;
using korvo::StrokeAnimationView;
using korvo::StrokeDecompositionView;

// The decomposition grid: one picture per stroke, five to a row, pictures kept for reuse.
class TestStrokeDecompositionView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void onePicturePerStroke();
    void fivePicturesToARow_data();
    void fivePicturesToARow();
    void narrowingReflowsThePictures();
    void fewerStrokesReuseThePictures();
    void sameAnimationTwiceDoesNotRebuild();
    void noAnimationHidesEveryPicture();

private:
    // Shows the grid and waits for the layout that the paint does.
    static bool laidOut(StrokeDecompositionView& view);

    std::unique_ptr<korvo::StrokeAnimationDatabase> m_database;
};

void TestStrokeDecompositionView::initTestCase()
{
    m_database = std::make_unique<korvo::StrokeAnimationDatabase>(stroketest::shippedAnimations());
    QVERIFY(m_database->isOpen());
}

bool TestStrokeDecompositionView::laidOut(StrokeDecompositionView& view)
{
    view.show();
    return QTest::qWaitFor([&] { return !view.layoutInvalid(); }, 5000);
}

void TestStrokeDecompositionView::onePicturePerStroke()
{
    const auto animation = m_database->loadAnimation(QStringLiteral("答"));
    QVERIFY(animation);
    QCOMPARE(animation->strokeCount(), 12);
    StrokeDecompositionView view;
    view.resize(500, 400);
    view.setAnimation(animation);
    QVERIFY(laidOut(view));
    QCOMPARE(view.shownViews().size(), 12);
    QTRY_VERIFY(!view.shownViews().last()->findChild<QTimer*>("resizeTimer")->isActive());

    // Picture i shows strokes 1..i+1 without the outline: each has more ink than the one
    // before, and the last is the whole character.
    int previousInk = 0;
    for (int i = 0; i < 12; ++i) {
        StrokeAnimationView* picture = view.shownViews().at(i);
        QVERIFY(picture->isVisible());
        QCOMPARE(picture->state(), StrokeAnimationView::ShowingStrokes);
        QCOMPARE(picture->lastShownStroke(), i);
        QVERIFY(!picture->showOutline());
        const QImage& image = picture->cachedImage();
        QCOMPARE(image.width(), view.cellSize());
        const int ink = stroketest::countInk(image, image.rect());
        QVERIFY2(ink > previousInk, qPrintable(QStringLiteral("picture %1").arg(i + 1)));
        previousInk = ink;
    }
    StrokeAnimationView whole;
    whole.resize(view.cellSize(), view.cellSize());
    whole.setShowOutline(false);
    whole.setAnimation(animation);
    whole.showStrokes(11);
    QCOMPARE(view.shownViews().last()->cachedImage(), whole.cachedImage());
}

void TestStrokeDecompositionView::fivePicturesToARow_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("500") << 500;
    QTest::newRow("433") << 433;
    QTest::newRow("800") << 800;
}

void TestStrokeDecompositionView::fivePicturesToARow()
{
    QFETCH(int, width);
    StrokeDecompositionView view;
    view.resize(width, 300);
    view.setAnimation(m_database->loadAnimation(QStringLiteral("答")));
    QVERIFY(laidOut(view));
    const int bar = view.scrollArea()->verticalScrollBar()->width();
    const int cell = (width - bar - 20) / 5;
    QCOMPARE(view.cellSize(), cell);
    for (int i = 0; i < view.shownViews().size(); ++i) {
        const QRect expected((i % 5) * (cell + 5), (i / 5) * (cell + 5), cell, cell);
        QCOMPARE(view.shownViews().at(i)->geometry(), expected);
    }
    // Three rows; the content fits the viewport's width, so nothing is hidden sideways.
    QCOMPARE(view.contentWidget()->size(), QSize(5 * cell + 20, 3 * cell + 10));
    QVERIFY(view.contentWidget()->width() <= view.scrollArea()->viewport()->width());
    QCOMPARE(view.scrollArea()->size(), view.size());
}

void TestStrokeDecompositionView::narrowingReflowsThePictures()
{
    StrokeDecompositionView view;
    view.resize(600, 300);
    view.setAnimation(m_database->loadAnimation(QStringLiteral("你")));
    QVERIFY(laidOut(view));
    const int wideCell = view.cellSize();
    StrokeAnimationView* sixth = view.shownViews().at(5);
    QCOMPARE(sixth->pos(), QPoint(0, wideCell + 5));

    view.resize(300, 300);
    QVERIFY(view.layoutInvalid());
    QVERIFY(laidOut(view));
    const int cell = view.cellSize();
    QVERIFY(cell < wideCell);
    QCOMPARE(sixth->geometry(), QRect(0, cell + 5, cell, cell));
    QCOMPARE(view.shownViews().at(4)->pos(), QPoint(4 * (cell + 5), 0));
    // The pictures are drawn again at their new size.
    QTRY_COMPARE(sixth->cachedImage().width(), cell);
}

void TestStrokeDecompositionView::fewerStrokesReuseThePictures()
{
    StrokeDecompositionView view;
    view.resize(500, 300);
    const auto twelve = m_database->loadAnimation(QStringLiteral("就"));
    view.setAnimation(twelve);
    QVERIFY(laidOut(view));
    const QList<StrokeAnimationView*> pool = view.pooledViews();
    QCOMPARE(pool.size(), 12);

    const auto seven = m_database->loadAnimation(QStringLiteral("你"));
    view.setAnimation(seven);
    QVERIFY(laidOut(view));
    QCOMPARE(view.pooledViews(), pool);
    QCOMPARE(view.shownViews(), pool.mid(0, 7));
    QCOMPARE(view.contentWidget()->findChildren<StrokeAnimationView*>().size(), 12);
    for (int i = 0; i < 12; ++i) {
        QCOMPARE(pool.at(i)->isVisible(), i < 7);
        // Hidden pictures do not keep the previous character alive.
        QCOMPARE(pool.at(i)->animation(), i < 7 ? seven : nullptr);
    }
    QCOMPARE(pool.at(6)->lastShownStroke(), 6);
}

void TestStrokeDecompositionView::sameAnimationTwiceDoesNotRebuild()
{
    StrokeDecompositionView view;
    view.resize(500, 300);
    const auto animation = m_database->loadAnimation(QStringLiteral("你"));
    view.setAnimation(animation);
    QVERIFY(laidOut(view));
    QTRY_VERIFY(!view.shownViews().last()->findChild<QTimer*>("resizeTimer")->isActive());
    QList<qint64> keys;
    for (StrokeAnimationView* picture : view.shownViews())
        keys.append(picture->cachedImage().cacheKey());
    view.setAnimation(animation);
    QVERIFY(!view.layoutInvalid());
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(view.shownViews().at(i)->cachedImage().cacheKey(), keys.at(i));
}

void TestStrokeDecompositionView::noAnimationHidesEveryPicture()
{
    StrokeDecompositionView view;
    view.resize(500, 300);
    view.setAnimation(m_database->loadAnimation(QStringLiteral("你")));
    QVERIFY(laidOut(view));
    view.setAnimation(nullptr);
    QVERIFY(view.shownViews().isEmpty());
    QCOMPARE(view.pooledViews().size(), 7);
    for (StrokeAnimationView* picture : view.pooledViews()) {
        QVERIFY(!picture->isVisible());
        QVERIFY(!picture->animation());
    }
}

QTEST_MAIN(TestStrokeDecompositionView)
#include "tst_strokedecompositionview.moc"
