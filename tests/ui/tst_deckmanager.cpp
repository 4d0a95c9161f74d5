#include "audio/pinyinplayer.h"
#include "cards/cardlistmodel.h"
#include "cards/cardprinter.h"
#include "cards/printcarddialog.h"
#include "cards/xqlistview.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/decktransfer.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "style/deckmanageractionbar.h"
#include "text/pinyin.h"
#include "ui/deckfilecommands.h"
#include "ui/deckmanagerwidget.h"
#include "ui/decktreewidget.h"
#include "ui/editdeckdialog.h"
#include "uitestsupport.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;
using profiletest::scalarOnFile;

namespace {

// Answers export and import from the test: a file name and the score question.
class ScriptedFileDialogs : public DeckFileDialogs
{
public:
    explicit ScriptedFileDialogs(QString* fileName, QStringList* messages)
        : m_fileName(fileName), m_messages(messages)
    {
    }
    QString saveFileName(const QString&, const QString&) override { return *m_fileName; }
    QString openFileName(const QString&, const QString&) override { return *m_fileName; }
    int message(const QString& text, const QString&, const QString&, MessageBoxKind kind) override
    {
        *m_messages << text;
        return kind == MessageBoxKind::Confirmation ? MessageBoxYes : MessageBoxAccepted;
    }

private:
    QString* m_fileName;
    QStringList* m_messages;
};

} // namespace

// The deck manager as a learner uses it: selecting, deleting with confirmation, dragging cards
// and decks, import and export through the context menu, new decks, and the card commands that
// reach the rest of the program. Every change is read back from Profile.db on its own connection.
class TestDeckManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void nothingSelectedShowsNoCards();
    void folderShowsNoticeDeckShowsCards();
    void deleteCardAsks_data();
    void deleteCardAsks();
    void cardDroppedOnTree_data();
    void cardDroppedOnTree();
    void cardsReorderedInList_data();
    void cardsReorderedInList();
    void deckDroppedInTree_data();
    void deckDroppedInTree();
    void exportThenImportIntoNearestFolder_data();
    void exportThenImportIntoNearestFolder();
    void deleteDeckAsksAndKeepsExpansion();
    void rebuildKeepsSelectionInsideFolder();
    void newDeckIsPlacedAndSelected_data();
    void newDeckIsPlacedAndSelected();
    void contextMenus();
    void cardCommandsReachTheApplication();
    void editingCardUpdatesList();
    void printCommands_data();
    void printCommands();

private:
    int stored(const QString& statement);
    QString storedText(const QString& statement);
    QList<int> storedCardOrder(int deckId);
    QPoint deckPoint(int deckId, int yOffset = 0);
    QPoint cardPoint(int row);
    void clickDeck(int deckId);
    void clickCard(int row);
    void rightClick(QAbstractItemView* view, const QPoint& position);
    void addCard(Deck* deck, const QString& simplified, const QString& pinyin);
    QPushButton* button(const char* name);
    QString countLabel();
    int shownRows();

    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<uitest::TestServices> m_services;
    std::unique_ptr<DeckManagerWidget> m_widget;
    Deck* m_mine = nullptr;
    Deck* m_alpha = nullptr;
    Deck* m_beta = nullptr;
    Deck* m_gamma = nullptr;
    Deck* m_hsk = nullptr;
    Deck* m_hsk1 = nullptr;
    QString m_fileName;
    QStringList m_fileMessages;
};

void TestDeckManager::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
    m_dictionary = std::make_unique<Dictionary>();
    QVERIFY(m_dictionary->open(uitest::dataFolder() + "/Dictionary.db", "testDictionary"));
}

void TestDeckManager::cleanupTestCase()
{
    m_dictionary.reset();
}

void TestDeckManager::init()
{
    uitest::resetModalMissed();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile =
        profiletest::openProfile(m_dir->path(), uitest::dataFolder() + "/Profile.default.db");
    QVERIFY(m_profile);
    Deck* root = m_profile->rootDeck();
    m_hsk = root->children().value(0);
    QVERIFY(m_hsk && m_hsk->isFolder());
    m_hsk1 = m_hsk->children().value(0);
    QVERIFY(m_hsk1);

    // After the built-in decks: folder Mine (Alpha: 一 二 三, Beta: 四 五), then deck Gamma (六).
    m_mine = profiletest::makeStoredDeck(m_profile.get(), "Mine", true);
    m_alpha = profiletest::makeStoredDeck(m_profile.get(), "Alpha", false, m_mine);
    m_beta = profiletest::makeStoredDeck(m_profile.get(), "Beta", false, m_mine);
    m_gamma = profiletest::makeStoredDeck(m_profile.get(), "Gamma");
    m_profile->renumberDecks();
    addCard(m_alpha, "一", "yi1");
    addCard(m_alpha, "二", "er4");
    addCard(m_alpha, "三", "san1");
    addCard(m_beta, "四", "si4");
    addCard(m_beta, "五", "wu3");
    addCard(m_gamma, "六", "liu4");

    m_services = std::make_unique<uitest::TestServices>(m_profile.get(), m_dictionary.get());
    m_widget = std::make_unique<DeckManagerWidget>();
    m_widget->resize(1100, 700);
    // As the main window does: the tree is rebuilt whenever the deck collection changes.
    connect(m_profile.get(), &Profile::deckCollectionChanged, m_widget.get(),
            [this] { m_widget->setRootDeck(m_profile->rootDeck()); });
    m_widget->setDeckFileDialogs(
        std::make_unique<ScriptedFileDialogs>(&m_fileName, &m_fileMessages));
    m_widget->setRootDeck(root);
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));
    // The first deck is selected a moment after the tree is built.
    QTRY_COMPARE(m_widget->shownDeckId(), m_hsk->id());
}

void TestDeckManager::cleanup()
{
    m_widget.reset();
    m_services.reset();
    m_profile.reset();
    m_dir.reset();
    m_fileName.clear();
    m_fileMessages.clear();
    QVERIFY(!uitest::modalMissed());
}

void TestDeckManager::addCard(Deck* deck, const QString& simplified, const QString& pinyin)
{
    auto* unit = new KnowledgeUnit;
    unit->setType(2);
    unit->setOwner(1);
    unit->setSimplified(simplified);
    unit->setPinyin(pinyin);
    unit->setDefinition(QStringLiteral("meaning of ") + simplified);
    QVERIFY(m_profile->dictionary()->saveKnowledgeUnit(unit));
    deck->addKnowledgeUnit(unit);
}

int TestDeckManager::stored(const QString& statement)
{
    bool ok = false;
    const int value = scalarOnFile(m_profile->databasePath(), statement).toInt(&ok);
    return ok ? value : -9999;
}

QString TestDeckManager::storedText(const QString& statement)
{
    return scalarOnFile(m_profile->databasePath(), statement).toString();
}

QList<int> TestDeckManager::storedCardOrder(int deckId)
{
    const QString ids = storedText(
        QStringLiteral("SELECT group_concat(id) FROM (SELECT id FROM Cards WHERE deckId = %1 "
                       "ORDER BY sortOrder, id)")
            .arg(deckId));
    QList<int> result;
    for (const QString& id : ids.split(QLatin1Char(','), Qt::SkipEmptyParts))
        result << id.toInt();
    return result;
}

QPoint TestDeckManager::deckPoint(int deckId, int yOffset)
{
    DeckTreeWidget* tree = m_widget->deckList();
    const QRect rect = tree->visualRect(tree->indexOfDeck(deckId));
    return rect.isValid() ? rect.center() + QPoint(0, yOffset) : QPoint(-1, -1);
}

QPoint TestDeckManager::cardPoint(int row)
{
    XQListView* list = m_widget->cardList();
    return list->visualRect(list->model()->index(row, 0)).center();
}

void TestDeckManager::clickDeck(int deckId)
{
    const QPoint point = deckPoint(deckId);
    QVERIFY2(point.x() >= 0, "the deck has no visible item");
    QTest::mouseClick(m_widget->deckList()->viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QCOMPARE(m_widget->shownDeckId(), deckId);
}

void TestDeckManager::clickCard(int row)
{
    QTest::mouseClick(m_widget->cardList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      cardPoint(row));
}

void TestDeckManager::rightClick(QAbstractItemView* view, const QPoint& position)
{
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, position);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                            view->viewport()->mapToGlobal(position));
    QApplication::sendEvent(view->viewport(), &event);
}

QPushButton* TestDeckManager::button(const char* name)
{
    return m_widget->actionBar()->button(QString::fromLatin1(name));
}

QString TestDeckManager::countLabel()
{
    return m_widget->actionBar()->label()->text();
}

int TestDeckManager::shownRows()
{
    return m_widget->cardList()->model()->rowCount();
}

void TestDeckManager::nothingSelectedShowsNoCards()
{
    // A profile without decks: nothing can be selected. One profile at a time: the fixture's goes.
    m_widget.reset();
    m_services.reset();
    m_profile.reset();
    QTemporaryDir emptyDir;
    auto empty = profiletest::openEmptyProfile(emptyDir.path());
    QVERIFY(empty);
    uitest::TestServices services(empty.get(), m_dictionary.get());
    DeckManagerWidget widget;
    widget.resize(900, 600);
    widget.setRootDeck(empty->rootDeck());
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QTest::qWait(80);
    QVERIFY(!widget.selectedDeck());
    QCOMPARE(widget.actionBar()->label()->text(), QStringLiteral("Cards: 0"));
    QCOMPARE(widget.cardList()->model()->rowCount(), 0);
    QVERIFY(widget.folderNotice()->isHidden());
    QVERIFY(widget.actionBar()->button("newDeckButton")->isEnabled());
    QVERIFY(widget.actionBar()->button("printDeckButton")->isEnabled());
    for (const char* name : {"deleteDeckButton", "newCardButton", "deleteCardButton",
                             "cardPropertiesButton", "listenButton", "strokeAnimationButton"})
        QVERIFY2(!widget.actionBar()->button(name)->isEnabled(), name);
    // Commands without a selection do nothing.
    QTest::keyClick(widget.cardList(), Qt::Key_N, Qt::ControlModifier);
    QTest::mouseClick(widget.actionBar()->button("printDeckButton"), Qt::LeftButton);
    QCOMPARE(services.editCardCount, 0);
    QVERIFY(!widget.cardPrinter()->dialog());
}

void TestDeckManager::folderShowsNoticeDeckShowsCards()
{
    clickDeck(m_mine->id());
    QVERIFY(m_widget->folderNotice()->isVisible());
    QCOMPARE(
        m_widget->folderNotice()->text(),
        QStringLiteral("This is a deck folder. Select a deck on the left to view its content."));
    QCOMPARE(shownRows(), 0);
    QCOMPARE(countLabel(), QStringLiteral("Cards: 0"));
    QVERIFY(button("deleteDeckButton")->isEnabled());
    QVERIFY(!button("newCardButton")->isEnabled());
    // The notice is centred over the card list, half as wide.
    const QRect list = m_widget->cardList()->geometry();
    const QRect notice = m_widget->folderNotice()->geometry();
    QCOMPARE(notice.width(), list.width() / 2);
    QVERIFY(qAbs(notice.center().x() - list.center().x()) <= 1);

    clickDeck(m_hsk1->id());
    QVERIFY(m_widget->folderNotice()->isHidden());
    const int hsk1Cards =
        stored(QString("SELECT COUNT(*) FROM Cards WHERE deckId = %1").arg(m_hsk1->id()));
    QVERIFY(hsk1Cards > 100);
    QCOMPARE(shownRows(), hsk1Cards);
    QCOMPARE(countLabel(), QStringLiteral("Cards: %1").arg(hsk1Cards));
    QVERIFY(button("newCardButton")->isEnabled());
    QVERIFY(!button("deleteCardButton")->isEnabled());
    clickCard(2);
    for (const char* name :
         {"deleteCardButton", "cardPropertiesButton", "listenButton", "strokeAnimationButton"})
        QVERIFY2(button(name)->isEnabled(), name);
}

void TestDeckManager::deleteCardAsks_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("answer");
    QTest::newRow("Delete key, No") << "key"
                                    << "No";
    QTest::newRow("Delete key, Yes") << "key"
                                     << "Yes";
    QTest::newRow("button, Yes") << "button"
                                 << "Yes";
    QTest::newRow("context menu, Yes") << "menu"
                                       << "Yes";
    QTest::newRow("context menu, No") << "menu"
                                      << "No";
}

void TestDeckManager::deleteCardAsks()
{
    QFETCH(QString, how);
    QFETCH(QString, answer);
    clickDeck(m_alpha->id());
    clickCard(1);
    const int cardId = m_alpha->cards().at(1)->id();
    const int unitId = m_alpha->cards().at(1)->kuId();

    QString question;
    uitest::whenModal([&](QWidget* box) {
        question = uitest::messageBoxText(box);
        QVERIFY(uitest::clickMessageBoxButton(box, answer));
    });
    if (how == "key") {
        QTest::keyClick(m_widget->cardList(), Qt::Key_Delete);
    } else if (how == "button") {
        QTest::mouseClick(button("deleteCardButton"), Qt::LeftButton);
    } else {
        rightClick(m_widget->cardList(), cardPoint(1));
        QVERIFY(uitest::clickMenuAction("delete"));
    }
    QTRY_VERIFY(!question.isEmpty());
    QCOMPARE(question, QStringLiteral("Are you sure you want to permanently delete this card?"));

    const bool deleted = answer == "Yes";
    QCOMPARE(stored(QString("SELECT COUNT(*) FROM Cards WHERE id = %1").arg(cardId)),
             deleted ? 0 : 1);
    QCOMPARE(stored(QString("SELECT COUNT(*) FROM Cards WHERE deckId = %1").arg(m_alpha->id())),
             deleted ? 2 : 3);
    // The card's unit stays either way.
    QCOMPARE(stored(QString("SELECT COUNT(*) FROM KnowledgeUnits WHERE id = %1").arg(unitId)), 1);
    QCOMPARE(shownRows(), deleted ? 2 : 3);
    QCOMPARE(countLabel(), QStringLiteral("Cards: %1").arg(deleted ? 2 : 3));
    // The selection stays at the same place in the list.
    QCOMPARE(m_widget->cardList()->currentIndex().row(), 1);
}

void TestDeckManager::cardDroppedOnTree_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("moves");
    QTest::newRow("own deck refused") << "Alpha" << false;
    QTest::newRow("folder refused") << "Mine" << false;
    QTest::newRow("other deck takes it at the end") << "Beta" << true;
    QTest::newRow("deck outside the folder") << "Gamma" << true;
}

void TestDeckManager::cardDroppedOnTree()
{
    QFETCH(QString, target);
    QFETCH(bool, moves);
    Deck* targetDeck = target == "Alpha"  ? m_alpha
                       : target == "Mine" ? m_mine
                       : target == "Beta" ? m_beta
                                          : m_gamma;
    clickDeck(m_alpha->id());
    DeckCard* card = m_alpha->cards().at(0);
    const int cardId = card->id();
    const QList<int> targetBefore = storedCardOrder(targetDeck->id());

    // The drag carries what the card list puts into it.
    std::unique_ptr<QMimeData> data(DeckManagerWidget::cardDragData(card));
    QVERIFY(data->text().contains("\"type\":\"Card\""));
    QWidget* viewport = m_widget->deckList()->viewport();
    bool dropAccepted = false;
    const bool accepted =
        uitest::deliverDrag(viewport, data.get(), deckPoint(targetDeck->id()), false);
    QCOMPARE(accepted, moves);
    // The deck that would take the card is shown selected; the list still shows its deck.
    QCOMPARE(m_widget->deckList()->cardDropHighlight(), moves ? targetDeck->id() : -1);
    QCOMPARE(m_widget->shownDeckId(), m_alpha->id());
    uitest::deliverDrag(viewport, data.get(), deckPoint(targetDeck->id()), true, &dropAccepted);
    QCOMPARE(dropAccepted, moves);
    QCOMPARE(m_widget->deckList()->cardDropHighlight(), -1);

    QCOMPARE(stored(QString("SELECT deckId FROM Cards WHERE id = %1").arg(cardId)),
             moves ? targetDeck->id() : m_alpha->id());
    if (moves) {
        QCOMPARE(storedCardOrder(targetDeck->id()), targetBefore + QList<int>{cardId});
        QCOMPARE(storedCardOrder(m_alpha->id()).size(), 2);
        QCOMPARE(shownRows(), 2);
        QCOMPARE(countLabel(), QStringLiteral("Cards: 2"));
        QCOMPARE(targetDeck->cards().last()->id(), cardId);
    } else {
        QCOMPARE(storedCardOrder(targetDeck->id()), targetBefore);
        QCOMPARE(shownRows(), 3);
    }
}

void TestDeckManager::cardsReorderedInList_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QList<int>>("order"); // positions of the old order
    QTest::newRow("first before third") << 0 << "on 2" << QList<int>{1, 0, 2};
    QTest::newRow("last before first") << 2 << "on 0" << QList<int>{2, 0, 1};
    QTest::newRow("last before second") << 2 << "on 1" << QList<int>{0, 2, 1};
    QTest::newRow("first to the end") << 0 << "after last" << QList<int>{1, 2, 0};
    QTest::newRow("into its own gap") << 1 << "on 1" << QList<int>{0, 1, 2};
}

void TestDeckManager::cardsReorderedInList()
{
    QFETCH(int, from);
    QFETCH(QString, where);
    QFETCH(QList<int>, order);
    clickDeck(m_alpha->id());
    const QList<int> before = storedCardOrder(m_alpha->id());
    QCOMPARE(before.size(), 3);
    std::unique_ptr<QMimeData> data(DeckManagerWidget::cardDragData(m_alpha->cards().at(from)));

    QPoint point;
    if (where == "after last") {
        const QRect last =
            m_widget->cardList()->visualRect(m_widget->cardList()->model()->index(2, 0));
        point = QPoint(last.right() + 40, last.center().y());
    } else {
        point = cardPoint(where.mid(3).toInt());
    }
    uitest::deliverDrag(m_widget->cardList()->viewport(), data.get(), point, true);

    QList<int> expected;
    for (int position : order)
        expected << before.at(position);
    QCOMPARE(storedCardOrder(m_alpha->id()), expected);
    QList<int> shown;
    for (int row = 0; row < shownRows(); ++row)
        shown << static_cast<CardListModel*>(m_widget->cardList()->model())->cardAt(row)->id();
    QCOMPARE(shown, expected);
}

void TestDeckManager::deckDroppedInTree_data()
{
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("where");  // "on", "above" or "below" the target item
    QTest::addColumn<QString>("parent"); // the stored parent afterwards
    QTest::addColumn<QStringList>("siblings");
    QTest::newRow("deck onto deck refused") << "Gamma"
                                            << "Alpha"
                                            << "on"
                                            << "" << QStringList{"Alpha", "Beta"};
    QTest::newRow("deck onto folder becomes its last child")
        << "Gamma"
        << "Mine"
        << "on"
        << "Mine" << QStringList{"Alpha", "Beta", "Gamma"};
    QTest::newRow("deck above a deck in a folder")
        << "Gamma"
        << "Alpha"
        << "above"
        << "Mine" << QStringList{"Gamma", "Alpha", "Beta"};
    QTest::newRow("deck out of its folder, below another deck") << "Alpha"
                                                                << "Gamma"
                                                                << "below"
                                                                << "" << QStringList{"Beta"};
    QTest::newRow("folder onto itself refused") << "Mine"
                                                << "Mine"
                                                << "on"
                                                << "" << QStringList{"Alpha", "Beta"};
    QTest::newRow("folder into another folder") << "Mine"
                                                << "HSK"
                                                << "on"
                                                << "HSK" << QStringList{"Alpha", "Beta"};
}

void TestDeckManager::deckDroppedInTree()
{
    QFETCH(QString, dragged);
    QFETCH(QString, target);
    QFETCH(QString, where);
    QFETCH(QString, parent);
    QFETCH(QStringList, siblings);
    const QMap<QString, Deck*> decks = {
        {"Mine", m_mine}, {"Alpha", m_alpha}, {"Beta", m_beta}, {"Gamma", m_gamma}, {"HSK", m_hsk}};
    Deck* draggedDeck = decks.value(dragged);
    Deck* targetDeck = decks.value(target);
    const bool refused = target == dragged || (where == "on" && !targetDeck->isFolder());
    const QString treeBefore = storedText("SELECT group_concat(id || ':' || parentId || ':' || "
                                          "sortOrder) FROM Decks");

    DeckTreeWidget* tree = m_widget->deckList();
    const QRect rect = tree->visualRect(tree->indexOfDeck(targetDeck->id()));
    const QPoint point = where == "on"      ? rect.center()
                         : where == "above" ? QPoint(rect.center().x(), rect.top() + 1)
                                            : QPoint(rect.center().x(), rect.bottom() - 1);
    std::unique_ptr<QMimeData> data(tree->deckDragData(draggedDeck));
    bool dropAccepted = false;
    const bool accepted =
        uitest::deliverDrag(tree->viewport(), data.get(), point, true, &dropAccepted);
    QCOMPARE(accepted, !refused);
    QCOMPARE(dropAccepted, !refused);

    if (refused) {
        QCOMPARE(storedText("SELECT group_concat(id || ':' || parentId || ':' || sortOrder) "
                            "FROM Decks"),
                 treeBefore);
    } else {
        const int parentId = parent.isEmpty() ? 0 : decks.value(parent)->id();
        QCOMPARE(stored(QString("SELECT parentId FROM Decks WHERE id = %1").arg(draggedDeck->id())),
                 parentId);
        // The tree is rebuilt with the deck under its new parent.
        const QModelIndex index = tree->indexOfDeck(draggedDeck->id());
        QVERIFY(index.isValid());
        QCOMPARE(tree->deckAt(index.parent()) ? tree->deckAt(index.parent())->id() : 0, parentId);
    }
    // The stored order of Mine's children (what a restart reads).
    const QString stored = storedText(
        QString("SELECT group_concat(title) FROM (SELECT title FROM Decks WHERE parentId = %1 "
                "ORDER BY sortOrder)")
            .arg(m_mine->id()));
    QCOMPARE(stored, siblings.join(','));
}

void TestDeckManager::exportThenImportIntoNearestFolder_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("folder");
    QTest::newRow("deck inside a folder") << "Beta"
                                          << "Mine";
    QTest::newRow("folder itself") << "Mine"
                                   << "Mine";
    QTest::newRow("deck at the top") << "Gamma"
                                     << "";
    QTest::newRow("deck in a built-in folder") << "HSK1"
                                               << "HSK";
}

void TestDeckManager::exportThenImportIntoNearestFolder()
{
    QFETCH(QString, selected);
    QFETCH(QString, folder);
    const QMap<QString, Deck*> decks = {
        {"Mine", m_mine}, {"Beta", m_beta}, {"Gamma", m_gamma}, {"HSK1", m_hsk1}, {"HSK", m_hsk}};
    m_fileName = m_dir->filePath("alpha.kvd");

    rightClick(m_widget->deckList(), deckPoint(m_alpha->id()));
    QCOMPARE(m_widget->selectedDeck(), m_alpha);
    QVERIFY(uitest::clickMenuAction("export"));
    QFile file(m_fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray json = file.readAll();
    QVERIFY(json.contains("\"title\":\"Alpha\""));
    QCOMPARE(json.count("\"type\":\"Card\""), 3);
    file.close();

    const int decksBefore = stored("SELECT COUNT(*) FROM Decks");
    rightClick(m_widget->deckList(), deckPoint(decks.value(selected)->id()));
    QVERIFY(uitest::clickMenuAction("import"));
    QVERIFY(m_fileMessages.contains("The flashcards have been successfully imported."));
    QCOMPARE(stored("SELECT COUNT(*) FROM Decks"), decksBefore + 1);
    const int imported = stored("SELECT MAX(id) FROM Decks");
    const int folderId = folder.isEmpty() ? 0 : decks.value(folder)->id();
    QCOMPARE(storedText(QString("SELECT title FROM Decks WHERE id = %1").arg(imported)),
             QStringLiteral("Alpha"));
    QCOMPARE(stored(QString("SELECT parentId FROM Decks WHERE id = %1").arg(imported)), folderId);
    QCOMPARE(stored(QString("SELECT COUNT(*) FROM Cards WHERE deckId = %1").arg(imported)), 3);
    // Last child of that folder in the stored order, and in the rebuilt tree.
    QCOMPARE(stored(QString("SELECT id FROM Decks WHERE parentId = %1 ORDER BY sortOrder DESC "
                            "LIMIT 1")
                        .arg(folderId)),
             imported);
    QTRY_VERIFY(m_widget->deckList()->indexOfDeck(imported).isValid());
}

void TestDeckManager::deleteDeckAsksAndKeepsExpansion()
{
    DeckTreeWidget* tree = m_widget->deckList();
    Deck* common = m_profile->rootDeck()->children().value(1);
    QVERIFY(common && common->isFolder());
    // The learner closed the HSK folder; the other folders stay open.
    tree->setExpanded(tree->indexOfDeck(m_hsk->id()), false);
    clickDeck(m_gamma->id());

    QString question;
    uitest::whenModal([&](QWidget* box) {
        question = uitest::messageBoxText(box);
        uitest::clickMessageBoxButton(box, "No");
    });
    QTest::keyClick(tree, Qt::Key_Delete);
    QTRY_VERIFY(!question.isEmpty());
    QCOMPARE(question, QStringLiteral("Are you sure you want to permanently delete the deck "
                                      "'Gamma' and all its cards?"));
    QCOMPARE(stored(QString("SELECT COUNT(*) FROM Decks WHERE id = %1").arg(m_gamma->id())), 1);
    QCOMPARE(m_widget->selectedDeck(), m_gamma);

    const int gammaId = m_gamma->id();
    question.clear();
    uitest::whenModal([&](QWidget* box) {
        question = uitest::messageBoxText(box);
        uitest::clickMessageBoxButton(box, "Yes");
    });
    QTest::mouseClick(button("deleteDeckButton"), Qt::LeftButton);
    QTRY_VERIFY(!question.isEmpty());
    QCOMPARE(stored(QString("SELECT COUNT(*) FROM Decks WHERE id = %1").arg(gammaId)), 0);
    QCOMPARE(stored(QString("SELECT COUNT(*) FROM Cards WHERE deckId = %1").arg(gammaId)), 0);
    QVERIFY(!tree->indexOfDeck(gammaId).isValid());
    QVERIFY(!tree->isExpanded(tree->indexOfDeck(m_hsk->id())));
    QVERIFY(tree->isExpanded(tree->indexOfDeck(m_mine->id())));
    QVERIFY(tree->isExpanded(tree->indexOfDeck(common->id())));
    // With its deck gone the screen selects the first item again.
    QTRY_COMPARE(m_widget->shownDeckId(), m_hsk->id());
}

void TestDeckManager::rebuildKeepsSelectionInsideFolder()
{
    clickDeck(m_beta->id());
    clickCard(1);
    m_widget->setRootDeck(m_profile->rootDeck());
    QTRY_COMPARE(m_widget->selectedDeck(), m_beta);
    QCOMPARE(m_widget->shownDeckId(), m_beta->id());
    QCOMPARE(shownRows(), 2);
}

void TestDeckManager::newDeckIsPlacedAndSelected_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("siblings"); // of the new deck "New", in stored order
    QTest::newRow("folder selected: its end") << "Mine"
                                              << "button"
                                              << "Mine"
                                              << "Alpha,Beta,New";
    QTest::newRow("deck selected: right after it") << "Alpha"
                                                   << "button"
                                                   << "Mine"
                                                   << "Alpha,New,Beta";
    QTest::newRow("Ctrl+N in the tree") << "Alpha"
                                        << "key"
                                        << "Mine"
                                        << "Alpha,New,Beta";
    QTest::newRow("top-level deck selected") << "Gamma"
                                             << "button"
                                             << ""
                                             << "";
}

void TestDeckManager::newDeckIsPlacedAndSelected()
{
    QFETCH(QString, selected);
    QFETCH(QString, how);
    QFETCH(QString, parent);
    QFETCH(QString, siblings);
    const QMap<QString, Deck*> decks = {{"Mine", m_mine}, {"Alpha", m_alpha}, {"Gamma", m_gamma}};
    clickDeck(decks.value(selected)->id());

    uitest::whenModal([](QWidget* dialog) {
        auto* title = dialog->findChild<QLineEdit*>("titleTE");
        QVERIFY(title);
        uitest::typeText(title, "New");
        QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    if (how == "key")
        QTest::keyClick(m_widget->deckList(), Qt::Key_N, Qt::ControlModifier);
    else
        QTest::mouseClick(button("newDeckButton"), Qt::LeftButton);
    QCOMPARE(m_services->editDeckCount, 1);

    const int newId = stored("SELECT id FROM Decks WHERE title = 'New'");
    QVERIFY(newId > 0);
    const int parentId = parent.isEmpty() ? 0 : decks.value(parent)->id();
    QCOMPARE(stored(QString("SELECT parentId FROM Decks WHERE id = %1").arg(newId)), parentId);
    if (parent.isEmpty()) {
        // Right after Gamma, which was the last top-level deck.
        QCOMPARE(stored("SELECT id FROM Decks WHERE parentId = 0 ORDER BY sortOrder DESC LIMIT 1"),
                 newId);
    } else {
        QCOMPARE(storedText(QString("SELECT group_concat(title) FROM (SELECT title FROM Decks "
                                    "WHERE parentId = %1 ORDER BY sortOrder)")
                                .arg(parentId)),
                 siblings);
    }
    // The new deck is selected, with its (empty) card list.
    QTRY_COMPARE(m_widget->shownDeckId(), newId);
    QCOMPARE(m_widget->selectedDeck()->id(), newId);
    QCOMPARE(countLabel(), QStringLiteral("Cards: 0"));
    QVERIFY(button("newCardButton")->isEnabled());
}

void TestDeckManager::contextMenus()
{
    QStringList names;
    QStringList texts;
    for (QAction* action : m_widget->deckListContextMenu()->actions()) {
        names << (action->isSeparator() ? "-" : action->objectName());
        texts << action->text();
    }
    QCOMPARE(names, (QStringList{"import", "export", "print", "-", "delete", "-", "properties"}));
    QCOMPARE(texts,
             (QStringList{"Import...", "Export...", "Print...", "", "Delete", "", "Edit..."}));
    names.clear();
    texts.clear();
    for (QAction* action : m_widget->cardListContextMenu()->actions()) {
        names << (action->isSeparator() ? "-" : action->objectName());
        texts << action->text();
    }
    QCOMPARE(names, (QStringList{"animation", "audio", "-", "delete", "-", "properties"}));
    QCOMPARE(texts, (QStringList{"View stroke order", "Listen to this card", "", "Delete", "",
                                 "Edit..."}));

    // The card menu opens only on a card.
    clickDeck(m_alpha->id());
    rightClick(m_widget->cardList(), QPoint(m_widget->cardList()->viewport()->width() - 30,
                                            m_widget->cardList()->viewport()->height() - 30));
    QVERIFY(!QApplication::activePopupWidget());
    rightClick(m_widget->cardList(), cardPoint(0));
    QCOMPARE(QApplication::activePopupWidget(), m_widget->cardListContextMenu());
    m_widget->cardListContextMenu()->close();

    // "Edit..." in the tree opens the deck editor for the deck under the pointer.
    uitest::whenModal([](QWidget* dialog) {
        auto* title = dialog->findChild<QLineEdit*>("titleTE");
        QCOMPARE(title->text(), QStringLiteral("Beta"));
        title->selectAll();
        uitest::typeText(title, "Beta renamed");
        QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    rightClick(m_widget->deckList(), deckPoint(m_beta->id()));
    QVERIFY(uitest::clickMenuAction("properties"));
    QCOMPARE(storedText(QString("SELECT title FROM Decks WHERE id = %1").arg(m_beta->id())),
             QStringLiteral("Beta renamed"));
    const QModelIndex betaItem = m_widget->deckList()->indexOfDeck(m_beta->id());
    QCOMPARE(betaItem.data().toString(), QStringLiteral("Beta renamed"));
}

void TestDeckManager::cardCommandsReachTheApplication()
{
    clickDeck(m_beta->id());
    clickCard(1); // 五 wu3
    QTest::mouseClick(button("strokeAnimationButton"), Qt::LeftButton);
    QCOMPARE(m_services->calls.last(), QStringLiteral("showStrokeOrder:五"));
    QTest::mouseClick(button("listenButton"), Qt::LeftButton);
    const QStringList heard = m_services->pinyinPlayer()->playList();
    QCOMPARE(heard.size(), 1);
    QVERIFY(heard.first().endsWith("/wu3.mp3"));

    rightClick(m_widget->cardList(), cardPoint(0)); // 四 si4
    QVERIFY(uitest::clickMenuAction("animation"));
    QCOMPARE(m_services->calls.last(), QStringLiteral("showStrokeOrder:四"));
    rightClick(m_widget->cardList(), cardPoint(0));
    QVERIFY(uitest::clickMenuAction("audio"));
    QVERIFY(m_services->pinyinPlayer()->playList().value(0).endsWith("/si4.mp3"));

    // Ctrl+N in the card list opens the card editor for a new card of the shown deck.
    uitest::whenModal([](QWidget* dialog) { dialog->close(); });
    QTest::keyClick(m_widget->cardList(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(m_services->editCardCount, 1);
    QVERIFY(!m_services->cardEditor()->card());
    QCOMPARE(m_services->cardEditor()->deckId(), m_beta->id());
}

void TestDeckManager::editingCardUpdatesList()
{
    clickDeck(m_alpha->id());
    const int cardId = m_alpha->cards().at(2)->id();
    uitest::whenModal([](QWidget* dialog) {
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        QCOMPARE(definition->toPlainText(), QStringLiteral("meaning of 三"));
        definition->selectAll();
        uitest::typeText(definition, "three; 3");
        QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    // A double click: the first click, then the second one.
    clickCard(2);
    QTest::mouseDClick(m_widget->cardList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                       cardPoint(2));
    QCOMPARE(m_services->editCardCount, 1);
    QCOMPARE(m_services->cardEditor()->card()->id(), cardId);
    QCOMPARE(storedText(QString("SELECT k.definition FROM Cards c JOIN KnowledgeUnits k ON "
                                "k.id = c.kuId WHERE c.id = %1")
                            .arg(cardId)),
             QStringLiteral("three/3"));
    QCOMPARE(shownRows(), 3);
}

void TestDeckManager::printCommands_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("deck");
    QTest::addColumn<int>("cards");
    QTest::newRow("button, deck") << "button"
                                  << "Alpha" << 3;
    QTest::newRow("context menu, folder prints all its decks") << "menu"
                                                               << "Mine" << 5;
}

void TestDeckManager::printCommands()
{
    QFETCH(QString, how);
    QFETCH(QString, deck);
    QFETCH(int, cards);
    Deck* printed = deck == "Alpha" ? m_alpha : m_mine;
    // Whatever this machine has, the test prints into a PDF file.
    m_widget->cardPrinter()->setPrinterCheck([] { return false; });
    const QString pdf = m_dir->filePath("printed.pdf");
    QString pages;
    uitest::whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<PrintCardDialog*>(modal);
        QVERIFY(dialog);
        pages = dialog->findChild<QLabel*>("pageCountLabel")->text();
        dialog->setPdfFileChooser([&](QWidget*, const QString&) { return pdf; });
        QTest::mouseClick(dialog->findChild<QPushButton*>("printButton"), Qt::LeftButton);
    });
    if (how == "button") {
        clickDeck(printed->id());
        QTest::mouseClick(button("printDeckButton"), Qt::LeftButton);
    } else {
        rightClick(m_widget->deckList(), deckPoint(printed->id()));
        QVERIFY(uitest::clickMenuAction("print"));
    }
    QCOMPARE(pages, QStringLiteral("1"));
    QCOMPARE(m_widget->cardPrinter()->currentDeck(), printed);
    QCOMPARE(CardPrinter::cardsToPrint(printed).size(), cards);
    QVERIFY(QFileInfo(pdf).size() > 0);
}

QTEST_MAIN(TestDeckManager)
#include "tst_deckmanager.moc"
