#include "stroketestsupport.h"

#include "strokes/strokeanimation.h"
#include "strokes/strokeanimationdatabase.h"
#include "strokes/strokeanimationview.h"
#include "strokes/strokedecompositionview.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

using korvo::StrokeAnimation;
using korvo::StrokeAnimationDatabase;
using korvo::StrokeAnimationView;
using stroketest::barRect;

namespace {

// Characters of the hand-made database.
const QString Quick = QStringLiteral("三");    // three bars of length 40: 60 ms a stroke
const QString Slow = QStringLiteral("川");     // three bars of length 300: 450 ms a stroke
const QString Wide = QStringLiteral("王");     // brush wider than the masks, outline wider still
const QString Unmasked = QStringLiteral("工"); // no mask rows: only the outline confines the ink

QTimer* timer(StrokeAnimationView& view, const char* name)
{
    return view.findChild<QTimer*>(QString::fromLatin1(name));
}

bool anyTimerActive(StrokeAnimationView& view)
{
    return timer(view, "strokeAnimationTimer")->isActive() ||
           timer(view, "betweenStrokesTimer")->isActive() || timer(view, "resizeTimer")->isActive();
}

// A bar (design space) in the pixels of a size x size picture, less a margin against the
// antialiased edges.
QRect barPixels(int index, int size, int margin = 3)
{
    const double scale = size / 800.0;
    const QRect r = barRect(index);
    return QRect(QPoint(int(r.left() * scale) + margin, int(r.top() * scale) + margin),
                 QPoint(int((r.right() + 1) * scale) - 1 - margin,
                        int((r.bottom() + 1) * scale) - 1 - margin));
}

// The union of the animation's stroke masks in the pixels of a size x size picture.
QRegion maskUnion(const std::shared_ptr<StrokeAnimation>& animation, int size)
{
    QRegion region;
    for (const auto& stroke : animation->strokes())
        region += stroke->maskRegion(size);
    return region;
}

// The pixels of a size x size picture where the animation's outline has paint.
QRegion outlineArea(const std::shared_ptr<StrokeAnimation>& animation, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    animation->outlineRenderer()->render(&painter, QRectF(0, 0, size, size));
    painter.end();
    QRegion area;
    for (int y = 0; y < size; ++y) {
        int start = -1;
        for (int x = 0; x <= size; ++x) {
            const bool painted = x < size && qAlpha(image.pixel(x, y)) > 0;
            if (painted && start < 0)
                start = x;
            if (!painted && start >= 0) {
                area += QRect(start, y, x - start, 1);
                start = -1;
            }
        }
    }
    return area;
}

} // namespace

// The animation view: its states and timers as the event loop drives them, and what it paints.
class TestStrokeAnimationView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void timersHaveTheirIntervals();
    void startsIdleAndShowsTheOutline();
    void strokeDurationFollowsTheLength();
    void playsEveryStrokeAndEndsIdle();
    void resizeAfterTheEndLeavesTheViewEmpty();
    void resizeWhileAnimatingStartsAgain();
    void resizeWhileShowingStrokesRedraws();
    void stopKeepsWhatIsDrawn();
    void noAnimationShowsNothing();
    void showingStrokesStopsTheAnimation();
    void halfWayOnlyTheFirstStrokesAreInked();
    void finishedInkLiesInsideTheMasks();
    void withoutMasksInkStaysInsideTheOutline();
    void hiddenOutlineIsWhite();
    void viewPaintsTheCachedImage();
    void viewKeepsItsAnimationWhenAnotherIsLoaded();
    void realCharacterStaysInsideItsOutline_data();
    void realCharacterStaysInsideItsOutline();
    void realAnimationPlaysInsideItsMasks();

private:
    std::shared_ptr<StrokeAnimation> load(const QString& character);

    QTemporaryDir m_dir;
    std::unique_ptr<StrokeAnimationDatabase> m_database;
    std::unique_ptr<StrokeAnimationDatabase> m_shipped;
};

void TestStrokeAnimationView::initTestCase()
{
    stroketest::TestCharacter wide = stroketest::barCharacter(Wide, 2, 500);
    wide.brushRadius = 70;
    wide.outlineRects.clear();
    for (int i = 0; i < 2; ++i)
        wide.outlineRects.append(barRect(i).adjusted(-40, -40, 40, 40));
    stroketest::TestCharacter unmasked = stroketest::barCharacter(Unmasked, 2, 500);
    unmasked.brushRadius = 70;
    for (stroketest::TestStroke& stroke : unmasked.strokes)
        stroke.maskSvg = QString();
    const QString path = m_dir.filePath(QStringLiteral("bars.db"));
    QVERIFY(
        stroketest::writeDatabase(path, {stroketest::barCharacter(Quick, 3, 40),
                                         stroketest::barCharacter(Slow, 3, 300), wide, unmasked}));
    m_database = std::make_unique<StrokeAnimationDatabase>(path);
    QVERIFY(m_database->isOpen());
    m_shipped = std::make_unique<StrokeAnimationDatabase>(stroketest::shippedAnimations(),
                                                          QStringLiteral("shippedAnimations"));
    QVERIFY(m_shipped->isOpen());
}

std::shared_ptr<StrokeAnimation> TestStrokeAnimationView::load(const QString& character)
{
    return m_database->loadAnimation(character);
}

void TestStrokeAnimationView::timersHaveTheirIntervals()
{
    StrokeAnimationView view;
    const struct
    {
        const char* name;
        int interval;
    } expected[] = {
        {"strokeAnimationTimer", 16}, {"betweenStrokesTimer", 250}, {"resizeTimer", 100}};
    for (const auto& entry : expected) {
        QTimer* t = timer(view, entry.name);
        QVERIFY2(t, entry.name);
        QCOMPARE(t->interval(), entry.interval);
        QVERIFY(t->isSingleShot());
        QVERIFY(!t->isActive());
    }
    QCOMPARE(view.maximumSize(), QSize(800, 800));
}

void TestStrokeAnimationView::startsIdleAndShowsTheOutline()
{
    StrokeAnimationView view;
    view.resize(400, 400);
    QCOMPARE(view.state(), StrokeAnimationView::Idle);
    QCOMPARE(view.strokeDuration(), 800);
    QVERIFY(view.cachedImage().isNull());

    view.setAnimation(load(Slow));
    QCOMPARE(view.state(), StrokeAnimationView::Idle);
    const QImage& image = view.cachedImage();
    QCOMPARE(image.size(), QSize(400, 400));
    QCOMPARE(image.pixel(barPixels(0, 400).center()), qRgba(222, 222, 222, 255));
    QCOMPARE(qAlpha(image.pixel(10, 10)), 0);
    QCOMPARE(stroketest::countInk(image, image.rect()), 0);
    QVERIFY(!anyTimerActive(view));
}

void TestStrokeAnimationView::strokeDurationFollowsTheLength()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.setAnimation(load(Slow));
    view.restart();
    QCOMPARE(view.state(), StrokeAnimationView::Animating);
    QCOMPARE(view.currentStrokeIndex(), 0);
    // Length 300 at 1.5 ms a unit.
    QCOMPARE(view.strokeDuration(), 450);
    QVERIFY(timer(view, "strokeAnimationTimer")->isActive());
    QCOMPARE(view.drawnFraction(), 0.0);
    QTRY_VERIFY(view.targetFraction() > 0.1 && view.targetFraction() < 1);
    QCOMPARE(view.currentStrokeIndex(), 0);
}

void TestStrokeAnimationView::playsEveryStrokeAndEndsIdle()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.setAnimation(load(Quick));
    view.restart();
    QCOMPARE(view.strokeDuration(), 60);
    // Each stroke runs to its end, then the pause before the next one.
    for (int stroke = 0; stroke < 2; ++stroke) {
        QTRY_VERIFY(timer(view, "betweenStrokesTimer")->isActive());
        QCOMPARE(view.currentStrokeIndex(), stroke);
        QCOMPARE(view.targetFraction(), 1.0);
        QCOMPARE(view.drawnFraction(), 1.0);
        QVERIFY(!timer(view, "strokeAnimationTimer")->isActive());
        QTRY_COMPARE(view.currentStrokeIndex(), stroke + 1);
        QCOMPARE(view.state(), StrokeAnimationView::Animating);
    }
    QTRY_COMPARE(view.state(), StrokeAnimationView::Idle);
    QCOMPARE(view.currentStrokeIndex(), 3);
    QVERIFY(!anyTimerActive(view));
    // Everything is drawn.
    for (int i = 0; i < 3; ++i)
        QVERIFY(stroketest::countInk(view.cachedImage(), barPixels(i, 200)) > 0);
}

void TestStrokeAnimationView::resizeAfterTheEndLeavesTheViewEmpty()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.show();
    view.setAnimation(load(Quick));
    view.restart();
    QTRY_COMPARE(view.state(), StrokeAnimationView::Idle);
    QVERIFY(!view.cachedImage().isNull());

    view.resize(300, 300);
    QVERIFY(timer(view, "resizeTimer")->isActive());
    QTRY_VERIFY(!timer(view, "resizeTimer")->isActive());
    QVERIFY(view.cachedImage().isNull());
    QCOMPARE(view.state(), StrokeAnimationView::Idle);

    view.restart();
    QCOMPARE(view.state(), StrokeAnimationView::Animating);
    QTRY_VERIFY(!view.cachedImage().isNull());
    QCOMPARE(view.cachedImage().width(), 300);
}

void TestStrokeAnimationView::resizeWhileAnimatingStartsAgain()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.show();
    view.setAnimation(load(Slow));
    view.restart();
    QTRY_COMPARE(view.currentStrokeIndex(), 1);
    view.resize(320, 320);
    QVERIFY(!timer(view, "strokeAnimationTimer")->isActive());
    QVERIFY(!timer(view, "betweenStrokesTimer")->isActive());
    QVERIFY(timer(view, "resizeTimer")->isActive());
    QTRY_VERIFY(!timer(view, "resizeTimer")->isActive());
    // From the first stroke again, drawn at the new size without the earlier strokes.
    QCOMPARE(view.state(), StrokeAnimationView::Animating);
    QCOMPARE(view.currentStrokeIndex(), 0);
    QTRY_VERIFY(!view.cachedImage().isNull());
    QCOMPARE(view.cachedImage().size(), QSize(320, 320));
    QCOMPARE(stroketest::countInk(view.cachedImage(), barPixels(1, 320)), 0);
}

void TestStrokeAnimationView::resizeWhileShowingStrokesRedraws()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.show();
    view.setAnimation(load(Slow));
    view.showStrokes(1);
    QCOMPARE(view.state(), StrokeAnimationView::ShowingStrokes);
    view.resize(400, 400);
    QTRY_VERIFY(!timer(view, "resizeTimer")->isActive());
    QCOMPARE(view.cachedImage().size(), QSize(400, 400));
    QVERIFY(stroketest::countInk(view.cachedImage(), barPixels(0, 400)) > 0);
    QVERIFY(stroketest::countInk(view.cachedImage(), barPixels(1, 400)) > 0);
    QCOMPARE(stroketest::countInk(view.cachedImage(), barPixels(2, 400)), 0);
}

void TestStrokeAnimationView::stopKeepsWhatIsDrawn()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.setAnimation(load(Slow));
    view.restart();
    QTRY_COMPARE(view.currentStrokeIndex(), 1);
    view.stop();
    QCOMPARE(view.state(), StrokeAnimationView::Idle);
    QVERIFY(!anyTimerActive(view));
    const QImage before = view.cachedImage().copy();
    QTest::qWait(600);
    QCOMPARE(view.currentStrokeIndex(), 1);
    QCOMPARE(view.cachedImage(), before);
    QVERIFY(stroketest::countInk(before, barPixels(0, 200)) > 0);
}

void TestStrokeAnimationView::noAnimationShowsNothing()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.setAnimation(load(Slow));
    view.restart();
    view.setAnimation(nullptr);
    QCOMPARE(view.state(), StrokeAnimationView::Idle);
    QVERIFY(view.cachedImage().isNull());
    QVERIFY(!anyTimerActive(view));
    view.restart();
    QCOMPARE(view.state(), StrokeAnimationView::Idle);
    view.showStrokes(2);
    QVERIFY(view.cachedImage().isNull());
}

void TestStrokeAnimationView::showingStrokesStopsTheAnimation()
{
    // Showing strokes while a stroke is being animated: the old stroke's timer must neither
    // draw over the picture nor end the state when its time is up.
    StrokeAnimationView view;
    view.resize(200, 200);
    view.setAnimation(load(Slow));
    view.restart();
    QTRY_VERIFY(view.targetFraction() > 0.2);
    view.showStrokes(1);
    QVERIFY(!anyTimerActive(view));
    QTest::qWait(700);
    QCOMPARE(view.state(), StrokeAnimationView::ShowingStrokes);
    QVERIFY(stroketest::countInk(view.cachedImage(), barPixels(1, 200)) > 0);
    QCOMPARE(stroketest::countInk(view.cachedImage(), barPixels(2, 200)), 0);
}

void TestStrokeAnimationView::halfWayOnlyTheFirstStrokesAreInked()
{
    const int size = 400;
    StrokeAnimationView view;
    view.resize(size, size);
    view.setAnimation(load(Slow));
    view.restart();

    // Part way through the first stroke: its bar is inked from the left only.
    QTRY_VERIFY(view.targetFraction() > 0.3 && view.targetFraction() < 0.7);
    const QImage early = view.cachedImage().copy();
    QCOMPARE(early.size(), QSize(size, size));
    const QRect bar0 = barPixels(0, size);
    QVERIFY(stroketest::countInk(early, QRect(bar0.left(), bar0.top(), 20, bar0.height())) > 0);
    QCOMPARE(stroketest::countInk(early, QRect(bar0.right() - 40, bar0.top(), 40, bar0.height())),
             0);
    QCOMPARE(stroketest::countInk(early, barPixels(1, size)), 0);

    // In the pause after the second stroke: two bars inked, the third untouched.
    QTRY_VERIFY_WITH_TIMEOUT(
        view.currentStrokeIndex() == 1 && timer(view, "betweenStrokesTimer")->isActive(), 5000);
    const QImage half = view.cachedImage();
    QVERIFY(stroketest::countInk(half, barPixels(0, size)) > 0);
    QVERIFY(stroketest::countInk(half, barPixels(1, size)) > 0);
    QCOMPARE(stroketest::countInk(half, barPixels(2, size)), 0);
    // The ink of the first two strokes covers their path: x 120..420 of the design space
    // (60..210 here), the whole height of the bar.
    const QRect path0(60, bar0.top(), 150, bar0.height());
    QCOMPARE(stroketest::countInk(half, path0), path0.width() * path0.height());
}

void TestStrokeAnimationView::finishedInkLiesInsideTheMasks()
{
    // The brush (radius 70) is wider than the bars (80 high), the outline 40 units wider than
    // the bars: only the clip to each stroke's mask keeps the ink on the bars.
    const int size = 400;
    const auto animation = load(Wide);
    QVERIFY(animation);
    StrokeAnimationView view;
    view.resize(size, size);
    view.setAnimation(animation);
    view.restart();
    QTRY_COMPARE_WITH_TIMEOUT(view.state(), StrokeAnimationView::Idle, 5000);
    const QImage& image = view.cachedImage();
    const int ink = stroketest::countInk(image, image.rect());
    QVERIFY(ink > 0);
    QCOMPARE(stroketest::inkOutside(image, maskUnion(animation, size), 1), 0);
    // Both bars are inked all along the brush path (x 120..620, here 60..310).
    for (int i = 0; i < 2; ++i) {
        const QRect bar = barPixels(i, size);
        const QRect path(60, bar.top(), 250, bar.height());
        QCOMPARE(stroketest::countInk(image, path), path.width() * path.height());
    }
}

void TestStrokeAnimationView::withoutMasksInkStaysInsideTheOutline()
{
    const int size = 400;
    const auto animation = load(Unmasked);
    QVERIFY(animation);
    QVERIFY(!animation->stroke(0)->hasMaskRegion());
    StrokeAnimationView view;
    view.resize(size, size);
    view.setAnimation(animation);
    view.showStrokes(1);
    const QImage& image = view.cachedImage();
    QVERIFY(stroketest::countInk(image, barPixels(0, size)) > 0);
    // The brush reaches 70 units above and below the middle of each bar; the ink only where
    // the outline (the bars) has paint.
    QCOMPARE(stroketest::inkOutside(image, outlineArea(animation, size), 0), 0);
}

void TestStrokeAnimationView::hiddenOutlineIsWhite()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.setShowOutline(false);
    view.setAnimation(load(Slow));
    view.showStrokes(0);
    const QImage& image = view.cachedImage();
    QCOMPARE(image.pixel(barPixels(2, 200).center()), qRgba(255, 255, 255, 255));
    QCOMPARE(image.pixel(QPoint(80, barPixels(0, 200).center().y())), qRgba(0, 0, 0, 255));
}

void TestStrokeAnimationView::viewPaintsTheCachedImage()
{
    StrokeAnimationView view;
    view.resize(200, 200);
    view.setAnimation(load(Slow));
    view.showStrokes(2);
    const QImage shown = view.grab().toImage();
    const QPoint inked(80, barPixels(1, 200).center().y());
    QCOMPARE(shown.pixel(inked), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(barPixels(1, 200).bottomRight() - QPoint(2, 2)), qRgb(222, 222, 222));
}

void TestStrokeAnimationView::viewKeepsItsAnimationWhenAnotherIsLoaded()
{
    // A view (and a decomposition grid) showing A while the database loads B, again and again:
    // A stays whole until the view lets it go, and the view plays it to its end.
    StrokeAnimationView view;
    view.resize(200, 200);
    korvo::StrokeDecompositionView grid;
    grid.resize(400, 300);
    std::weak_ptr<StrokeAnimation> watch;
    {
        const auto a = load(Quick);
        watch = a;
        view.setAnimation(a);
        grid.setAnimation(a);
    }
    view.restart();
    for (int i = 0; i < 20; ++i) {
        QVERIFY(load(i % 2 ? Slow : Wide));
        QTest::qWait(5);
    }
    QVERIFY(!watch.expired());
    QTRY_COMPARE(view.state(), StrokeAnimationView::Idle);
    QCOMPARE(view.currentStrokeIndex(), 3);
    QVERIFY(stroketest::countInk(view.cachedImage(), barPixels(2, 200)) > 0);
    grid.resize(300, 300);
    grid.grab();
    QTest::qWait(150);
    // Given another, the view lets A go.
    view.setAnimation(m_database->currentAnimation());
    grid.setAnimation(nullptr);
    QVERIFY(watch.expired());
}

void TestStrokeAnimationView::realCharacterStaysInsideItsOutline_data()
{
    QTest::addColumn<QString>("character");
    for (const char* c : {"你", "爱", "龍", "薄", "我", "国", "飞", "心", "永", "鼎"})
        QTest::newRow(c) << QString::fromUtf8(c);
}

void TestStrokeAnimationView::realCharacterStaysInsideItsOutline()
{
    // The finished character: no ink outside the outline, none beyond antialiasing outside the
    // union of the masks, and every stroke's area almost all inked.
    QFETCH(QString, character);
    const int size = 400;
    const auto animation = m_shipped->loadAnimation(character);
    QVERIFY(animation);
    StrokeAnimationView view;
    view.resize(size, size);
    view.setAnimation(animation);
    view.showStrokes(animation->strokeCount() - 1);
    const QImage& image = view.cachedImage();
    QCOMPARE(stroketest::inkOutside(image, outlineArea(animation, size), 0), 0);
    QCOMPARE(stroketest::inkOutside(image, maskUnion(animation, size), 1), 0);
    for (int i = 0; i < animation->strokeCount(); ++i) {
        const QRegion mask = animation->stroke(i)->maskRegion(size);
        int inside = 0;
        int inked = 0;
        for (const QRect& r : mask) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                for (int x = r.left(); x <= r.right(); ++x) {
                    ++inside;
                    if (stroketest::isInk(image.pixel(x, y)))
                        ++inked;
                }
            }
        }
        QVERIFY2(
            inked >= inside * 0.93,
            qPrintable(
                QStringLiteral("stroke %1: %2 of %3 inked").arg(i + 1).arg(inked).arg(inside)));
    }
}

void TestStrokeAnimationView::realAnimationPlaysInsideItsMasks()
{
    // 你 played through the timers: when it has finished, its ink lies inside its masks.
    const int size = 300;
    const auto animation = m_shipped->loadAnimation(QStringLiteral("你"));
    QVERIFY(animation);
    StrokeAnimationView view;
    view.resize(size, size);
    view.setAnimation(animation);
    view.restart();
    QTRY_COMPARE_WITH_TIMEOUT(view.state(), StrokeAnimationView::Idle, 20000);
    QCOMPARE(view.currentStrokeIndex(), 7);
    const QImage& image = view.cachedImage();
    QVERIFY(stroketest::countInk(image, image.rect()) > size * size / 20);
    QCOMPARE(stroketest::inkOutside(image, maskUnion(animation, size), 1), 0);
}

QTEST_MAIN(TestStrokeAnimationView)
#include "tst_strokeanimationview.moc"
