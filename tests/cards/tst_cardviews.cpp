#include "cards/carditemdelegate.h"
#include "cards/cardlistmodel.h"
#include "cards/cardpainter.h"
#include "cards/cardstate.h"
#include "cards/cardwidget.h"
#include "cards/decklistmodel.h"
#include "cards/xqlistview.h"
#include "cardtestsupport.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "style/style.h"
#include "text/pinyin.h"

#include <QApplication>
#include <QMimeData>
#include <QPainter>
#include <QtTest>

#include <memory>
#include <vector>

using namespace korvo;
using namespace cardtest;

namespace {

const QColor SelectedFace(204, 236, 255);

bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) <= 1 && qAbs(a.green() - b.green()) <= 1 &&
           qAbs(a.blue() - b.blue()) <= 1;
}

// Drag-and-drop events go straight to the view: QApplication's routing of them needs a drag
// in progress, which a test cannot start without a window system.
class DropTargetView : public XQListView
{
public:
    using XQListView::viewportEvent;
    using XQListView::XQListView;
};

} // namespace

// Card lists: the two models, the delegate that paints their rows as cards, the card widget,
// and the list view's dragging and dropping.
class TestCardViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void cardListModelFollowsDeck();
    void deckListModelShowsTitlesOrError();
    void listStateFollowsSettings_data();
    void listStateFollowsSettings();
    void cardWidgetFollowsSettings();
    void delegateSizeFollowsSetting();
    void delegatePaintsRowsAsCards();
    void acceptsOnlyJsonOfItsType_data();
    void acceptsOnlyJsonOfItsType();
    void dragStartsPastThreshold();
    void dropRowFollowsPointer();
    void dropEmitsTextAndRow();
    void dropBarMarksTheGap();

private:
    Deck* makeDeck(const QString& title, const QStringList& words);
    void setUpView(XQListView& view, int deckId);

    QTemporaryDir m_skinDir;
    QTemporaryDir m_profileDir;
    std::unique_ptr<Profile> m_profile;
    std::vector<std::unique_ptr<KnowledgeUnit>> m_units;
    Deck* m_fruit = nullptr;
};

void TestCardViews::initTestCase()
{
    initPinyinTables();
    installTestSkin(m_skinDir);
    QVERIFY(m_profileDir.isValid());
    m_profile = std::make_unique<Profile>(m_profileDir.path(),
                                          m_profileDir.filePath(QStringLiteral("none.db")));
    m_profile->openDatabase();
    m_profile->loadDecks();
    m_fruit = makeDeck(QStringLiteral("Fruit"),
                       {QStringLiteral("苹果"), QStringLiteral("香蕉"), QStringLiteral("梨")});
    QVERIFY(m_fruit && m_fruit->id() > 0);
}

void TestCardViews::cleanupTestCase()
{
    m_profile.reset();
    m_units.clear();
    releaseCardImages();
    Style::destroyRoot();
}

Deck* TestCardViews::makeDeck(const QString& title, const QStringList& words)
{
    Deck* deck = m_profile->newDeck();
    deck->setTitle(title);
    m_profile->saveDeck(deck, false, true);
    for (const QString& word : words) {
        auto unit = std::make_unique<KnowledgeUnit>();
        unit->setSimplified(word);
        unit->setTraditional(word);
        unit->setPinyin(QStringLiteral("guo3"));
        unit->setDefinition(QStringLiteral("fruit"));
        deck->addKnowledgeUnit(unit.get());
        m_units.push_back(std::move(unit));
    }
    return deck;
}

void TestCardViews::cardListModelFollowsDeck()
{
    Deck* deck =
        makeDeck(QStringLiteral("Short-lived"), {QStringLiteral("水"), QStringLiteral("火")});
    CardListModel model(m_profile.get(), deck->id());
    QCOMPARE(model.objectName(), QStringLiteral("cardListModel"));
    QCOMPARE(model.rowCount(), 2);

    const QList<DeckCard*> cards = deck->cards();
    for (int row = 0; row < 2; ++row) {
        const QVariant display = model.data(model.index(row, 0), Qt::DisplayRole);
        QCOMPARE(display.value<QObject*>(), static_cast<QObject*>(cards.at(row)));
        QVERIFY(!model.data(model.index(row, 0), Qt::ToolTipRole).isValid());
    }
    QVERIFY(!model.data(QModelIndex(), Qt::DisplayRole).isValid());
    QVERIFY(!model.data(model.index(5, 0), Qt::DisplayRole).isValid());

    // The model follows the deck's order and disappears with it.
    deck->moveCard(cards.at(1)->id(), 0);
    QCOMPARE(model.data(model.index(0, 0)).value<QObject*>(), static_cast<QObject*>(cards.at(1)));
    m_profile->deleteDeck(deck->id());
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.data(model.index(0, 0)).isValid());
}

void TestCardViews::deckListModelShowsTitlesOrError()
{
    Deck* spare = makeDeck(QStringLiteral("Spare"), {});
    Deck* hsk = m_profile->newDeck();
    hsk->setTitle(QStringLiteral("{HSK_1}"));
    m_profile->saveDeck(hsk, false, true);

    DeckListModel model(m_profile.get(), {m_fruit, spare, hsk});
    QCOMPARE(model.objectName(), QStringLiteral("deckListModel"));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.deckIds(), QList<int>({m_fruit->id(), spare->id(), hsk->id()}));
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("Fruit"));
    QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("HSK Elementary (Level 1)"));
    QVERIFY(!model.data(model.index(0, 0), Qt::DecorationRole).isValid());
    QCOMPARE(model.deckAt(0), m_fruit);

    m_profile->deleteDeck(spare->id());
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("Error"));
    QCOMPARE(model.deckAt(1), nullptr);
    m_profile->deleteDeck(hsk->id());
}

void TestCardViews::listStateFollowsSettings_data()
{
    QTest::addColumn<QString>("characterMode");
    QTest::addColumn<bool>("simplified");
    QTest::addColumn<bool>("traditional");

    QTest::newRow("simplified") << QStringLiteral("simplified") << true << false;
    QTest::newRow("traditional") << QStringLiteral("traditional") << false << true;
    QTest::newRow("both") << QStringLiteral("both") << true << true;
    QTest::newRow("unknown") << QStringLiteral("cursive") << false << false;
}

void TestCardViews::listStateFollowsSettings()
{
    QFETCH(QString, characterMode);
    QFETCH(bool, simplified);
    QFETCH(bool, traditional);

    m_profile->setSetting(QStringLiteral("characterMode"), characterMode);
    m_profile->setSetting(QStringLiteral("pinyinColorization"), QStringLiteral("none"));
    m_profile->setSetting(QStringLiteral("chineseFont"), QStringLiteral("AR PL UKai CN"));
    const CardState state = listCardState(m_profile.get());
    QCOMPARE(state.simplifiedVisible, simplified);
    QCOMPARE(state.traditionalVisible, traditional);
    QCOMPARE(state.pinyinColorization, QStringLiteral("none"));
    QCOMPARE(state.chineseFont, QStringLiteral("AR PL UKai CN"));
    QVERIFY(state.pinyinVisible && state.definitionVisible && state.woodBackground);
    m_profile->setSetting(QStringLiteral("characterMode"), QStringLiteral("simplified"));
    m_profile->setSetting(QStringLiteral("pinyinColorization"), QStringLiteral("pinyin"));

    // Without a profile the settings' defaults apply.
    const CardState defaults = listCardState(nullptr);
    QVERIFY(defaults.simplifiedVisible && !defaults.traditionalVisible);
    QCOMPARE(defaults.pinyinColorization, QStringLiteral("pinyin"));
}

void TestCardViews::cardWidgetFollowsSettings()
{
    CardWidget widget;
    QCOMPARE(widget.focusPolicy(), Qt::NoFocus);
    QVERIFY(!widget.acceptDrops());
    widget.setProfile(m_profile.get());

    // The widget's own choices stay; the character mode can only hide a form.
    CardState own;
    own.pinyinVisible = false;
    own.traditionalVisible = false;
    widget.setCardState(own);
    m_profile->setSetting(QStringLiteral("characterMode"), QStringLiteral("both"));
    CardState effective = widget.effectiveCardState();
    QVERIFY(effective.simplifiedVisible);
    QVERIFY(!effective.traditionalVisible);
    QVERIFY(!effective.pinyinVisible);
    QCOMPARE(effective.pinyinColorization, QStringLiteral("pinyin"));
    m_profile->setSetting(QStringLiteral("characterMode"), QStringLiteral("traditional"));
    QVERIFY(!widget.effectiveCardState().simplifiedVisible);
    m_profile->setSetting(QStringLiteral("characterMode"), QStringLiteral("simplified"));

    // It paints the card over its whole rectangle.
    widget.resize(210, 210);
    widget.setObject(m_fruit->cards().first());
    QCOMPARE(widget.object(), static_cast<QObject*>(m_fruit->cards().first()));
    const QImage image = widget.grab().toImage();
    QCOMPARE(image.pixelColor(2, 2), WoodColor);
    QVERIFY(countPixels(image, image.rect(), [](QRgb p) { return isGreyAtMost(p, 40); }) > 50);
}

void TestCardViews::delegateSizeFollowsSetting()
{
    CardItemDelegate delegate(m_profile.get());
    QCOMPARE(delegate.sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(120, 120));
    m_profile->setSetting(QStringLiteral("cardItemDelegate.width"), 150);
    QCOMPARE(delegate.sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(150, 150));
    m_profile->setSetting(QStringLiteral("cardItemDelegate.width"), 120);
}

void TestCardViews::delegatePaintsRowsAsCards()
{
    CardItemDelegate delegate(m_profile.get());
    CardListModel cards(m_profile.get(), m_fruit->id());
    Deck* doomed = makeDeck(QStringLiteral("Doomed"), {});
    DeckListModel decks(m_profile.get(), {m_fruit, doomed});

    auto paintRow = [&](const QModelIndex& index, QStyle::State state) {
        QImage image(140, 140, QImage::Format_ARGB32);
        image.fill(QColor(10, 200, 10));
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = QRect(10, 10, 120, 120);
        option.state = state;
        const QFont font = painter.font();
        delegate.paint(&painter, option, index);
        // The painter comes back as it was, whatever was painted.
        [&] { QCOMPARE(painter.font(), font); }();
        return image;
    };

    // A card row: a card on wood in the item rectangle, tinted when selected.
    const QImage plain = paintRow(cards.index(0, 0), QStyle::State_Enabled);
    QCOMPARE(plain.pixelColor(5, 5), QColor(10, 200, 10));
    QCOMPARE(plain.pixelColor(12, 12), WoodColor);
    QCOMPARE(plain.pixelColor(22, 22), QColor(Qt::white));
    const QImage selected = paintRow(cards.index(0, 0), QStyle::State_Selected);
    QVERIFY(near(selected.pixelColor(22, 22), SelectedFace));

    // A deck row: the deck's title in the middle of the card.
    const QImage deck = paintRow(decks.index(0, 0), QStyle::State_Enabled);
    const QRect face = CardGeometry::forRect(QRect(10, 10, 120, 120), true).face;
    const QRect title = pixelBounds(deck, face, isInk);
    QVERIFY(!title.isNull());
    QVERIFY(std::abs(title.center().x() - 70) <= 2);

    // A row whose deck is gone draws nothing.
    m_profile->deleteDeck(doomed->id());
    const QImage gone = paintRow(decks.index(1, 0), QStyle::State_Selected);
    QCOMPARE(countPixels(gone, gone.rect(), exactly(QColor(10, 200, 10))), 140 * 140);
}

void TestCardViews::acceptsOnlyJsonOfItsType_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");

    QTest::newRow("same type") << QStringLiteral("{\"type\":\"card\",\"id\":3}") << true;
    QTest::newRow("type in capitals") << QStringLiteral("{\"type\":\"Card\"}") << true;
    QTest::newRow("other type") << QStringLiteral("{\"type\":\"deck\",\"id\":3}") << false;
    QTest::newRow("no type") << QStringLiteral("{\"id\":3}") << false;
    QTest::newRow("array") << QStringLiteral("[{\"type\":\"card\"}]") << false;
    QTest::newRow("plain text") << QStringLiteral("card") << false;
    QTest::newRow("broken json") << QStringLiteral("{\"type\":\"card\"") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestCardViews::acceptsOnlyJsonOfItsType()
{
    QFETCH(QString, text);
    QFETCH(bool, acceptable);

    DropTargetView view(QStringLiteral("card"));
    QMimeData data;
    if (!text.isNull())
        data.setText(text);
    QCOMPARE(view.isAcceptableDrag(&data), acceptable);

    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    view.viewportEvent(&enter);
    QCOMPARE(enter.isAccepted(), acceptable);
}

void TestCardViews::setUpView(XQListView& view, int deckId)
{
    auto* model = new CardListModel(m_profile.get(), deckId, &view);
    view.setViewMode(QListView::IconMode);
    view.setFlow(QListView::LeftToRight);
    view.setWrapping(false);
    view.setMovement(QListView::Static);
    view.setSpacing(10);
    view.setItemDelegate(new CardItemDelegate(m_profile.get(), &view));
    view.setModel(model);
    view.resize(700, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
}

void TestCardViews::dragStartsPastThreshold()
{
    DropTargetView view(QStringLiteral("card"));
    setUpView(view, m_fruit->id());
    QWidget* viewport = view.viewport();
    const QRect item = view.visualRect(view.model()->index(1, 0));
    const QPoint press = item.center();

    int requests = 0;
    QPointF requestPosition;
    Qt::MouseButtons requestButtons;
    connect(&view, &XQListView::dragRequest, this, [&](QMouseEvent* event) {
        ++requests;
        requestPosition = event->position();
        requestButtons = event->buttons();
    });

    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, press);
    QCOMPARE(view.currentIndex().row(), 1);
    auto move = [&](const QPoint& to) {
        QMouseEvent event(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    };
    const int distance = QApplication::startDragDistance();
    move(press + QPoint(distance - 2, 1));
    QCOMPARE(requests, 0);
    move(press + QPoint(distance - 1, 1));
    QCOMPARE(requests, 1);
    QCOMPARE(requestPosition, QPointF(press + QPoint(distance - 1, 1) - item.topLeft()));
    QCOMPARE(requestButtons, Qt::MouseButtons(Qt::LeftButton));
    // One request per press.
    move(press + QPoint(3 * distance, 1));
    QCOMPARE(requests, 1);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, press);

    // After a release nothing is armed.
    move(press + QPoint(3 * distance, 1));
    QCOMPARE(requests, 1);
}

void TestCardViews::dropRowFollowsPointer()
{
    DropTargetView view(QStringLiteral("card"));
    setUpView(view, m_fruit->id());
    const QRect first = view.visualRect(view.model()->index(0, 0));
    const QRect second = view.visualRect(view.model()->index(1, 0));
    const QRect last = view.visualRect(view.model()->index(2, 0));
    QVERIFY(second.left() > first.right());

    QCOMPARE(view.dropRowAt(second.center()), 1);
    QCOMPARE(view.dropRowAt(last.center()), 2);
    // Between two cards or past the last one: after the card to the left...
    QCOMPARE(view.dropRowAt(QPoint(second.right() + 3, second.center().y())), 2);
    QCOMPARE(view.dropRowAt(QPoint(last.right() + 40, last.center().y())), 3);
    // ...except after the first card, and never before it.
    QCOMPARE(view.dropRowAt(QPoint(first.right() + 3, first.center().y())), -1);
    QCOMPARE(view.dropRowAt(QPoint(first.left() - 2, first.center().y())), -1);
}

void TestCardViews::dropEmitsTextAndRow()
{
    DropTargetView view(QStringLiteral("card"));
    setUpView(view, m_fruit->id());
    QSignalSpy dropped(&view, &XQListView::textDropped);
    const QRect second = view.visualRect(view.model()->index(1, 0));
    const QString text = QStringLiteral("{\"type\":\"card\",\"id\":42}");

    auto dragTo = [&](const QString& payload, const QPoint& point) {
        QMimeData data;
        data.setText(payload);
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        view.viewportEvent(&enter);
        QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        view.viewportEvent(&move);
        const int row = view.dropRow();
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        view.viewportEvent(&drop);
        return qMakePair(row, drop.isAccepted());
    };

    auto result = dragTo(text, second.center());
    QCOMPARE(result.first, 1);
    QVERIFY(result.second);
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.at(0).at(0).toString(), text);
    QCOMPARE(dropped.at(0).at(1).toInt(), 1);
    QCOMPARE(view.dropRow(), -1);

    // Wrong type, or no row to drop on: nothing.
    result = dragTo(QStringLiteral("{\"type\":\"deck\"}"), second.center());
    QCOMPARE(result.first, -1);
    const QRect first = view.visualRect(view.model()->index(0, 0));
    result = dragTo(text, QPoint(first.left() - 2, first.center().y()));
    QVERIFY(!result.second);
    QCOMPARE(dropped.count(), 1);
}

void TestCardViews::dropBarMarksTheGap()
{
    DropTargetView view(QStringLiteral("card"));
    setUpView(view, m_fruit->id());
    const QRect second = view.visualRect(view.model()->index(1, 0));
    const QRect last = view.visualRect(view.model()->index(2, 0));
    const QColor bar(0, 159, 255);

    QMimeData data;
    data.setText(QStringLiteral("{\"type\":\"card\"}"));
    auto hover = [&](const QPoint& point) {
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        view.viewportEvent(&enter);
        QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        view.viewportEvent(&move);
        return view.viewport()->grab().toImage();
    };

    // Hovering the second card puts a 2-pixel bar in the gap before it.
    QImage image = hover(second.center());
    QCOMPARE(view.dropRow(), 1);
    QRect found = pixelBounds(image, image.rect(), exactly(bar));
    QCOMPARE(found,
             QRect(second.left() - view.spacing() / 2 - 2, second.top(), 2, second.height()));

    // Past the last card the bar stands where a next card would start.
    image = hover(QPoint(last.right() + 40, last.center().y()));
    QCOMPARE(view.dropRow(), 3);
    found = pixelBounds(image, image.rect(), exactly(bar));
    QCOMPARE(found.left(), last.left() + last.width() + view.spacing() - view.spacing() / 2 - 2);

    // The application ends the drag: the bar goes.
    view.application_stopDraggingObject(nullptr);
    QCOMPARE(view.dropRow(), -1);
    image = view.viewport()->grab().toImage();
    QVERIFY(pixelBounds(image, image.rect(), exactly(bar)).isNull());
}

QTEST_MAIN(TestCardViews)
#include "tst_cardviews.moc"
