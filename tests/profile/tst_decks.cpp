#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profile/profileevents.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;
using namespace profiletest;

namespace {

// The tree stored in the test profile, ids in brackets:
//   Folder F [3]          sortOrder 1
//     Folder F2 [5]       sortOrder 4
//       Deck D3 [6]       cards 4 (unit 4)
//     Deck D1 [4]         sortOrder 5; cards 3 (no order), 2, 1 (units 3, 2, 1)
//   Deck B [2]            sortOrder 2; card 5 (unit 4, shared with card 4)
//   Deck A [1]            sortOrder 3; cards 6..10 (unit 5)
// Units 1, 3, 4 and 5 are the user's own (owner 1); unit 2 comes from the dictionary.
const QStringList TreeRows = {
    "INSERT INTO Decks (id, title, sortOrder, parentId, isFolder) VALUES (1, 'A', 3, 0, 0)",
    "INSERT INTO Decks (id, title, sortOrder, parentId, isFolder) VALUES (2, 'B', 2, 0, 0)",
    "INSERT INTO Decks (id, title, sortOrder, parentId, isFolder) VALUES (3, 'F', 1, 0, 1)",
    "INSERT INTO Decks (id, title, sortOrder, parentId, isFolder) VALUES (4, 'D1', 5, 3, 0)",
    "INSERT INTO Decks (id, title, sortOrder, parentId, isFolder) VALUES (5, 'F2', 4, 3, 1)",
    "INSERT INTO Decks (id, title, sortOrder, parentId, isFolder) VALUES (6, 'D3', 1, 5, 0)",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (1, '一', 'yi1', 1)",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (2, '二', 'er4', 0)",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (3, '三', 'san1', 1)",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (4, '四', 'si4', 1)",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (5, '五', 'wu3', 1)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (1, 4, 1, 2)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (2, 4, 2, 1)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (3, 4, 3, NULL)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (4, 6, 4, 1)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (5, 2, 4, 1)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (6, 1, 5, 1)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (7, 1, 5, 2)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (8, 1, 5, 3)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (9, 1, 5, 4)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (10, 1, 5, 5)",
};

QStringList titles(const QList<Deck*>& decks)
{
    QStringList result;
    for (Deck* deck : decks)
        result << deck->title();
    return result;
}

QList<int> cardIds(const QList<DeckCard*>& cards)
{
    QList<int> result;
    for (DeckCard* card : cards)
        result << card->id();
    return result;
}

} // namespace

// The deck tree: loading, card order, saving, renumbering and the deletion cascade.
class TestDecks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadsTreeInSortOrder();
    void foldersLoadAtOnceCardsOnFirstUse();
    void moveCardUsesGaps_data();
    void moveCardUsesGaps();
    void savedCardOrderSurvivesReload();
    void newCardKeepsItsPlaceAfterReload();
    void newDeckCountsWholeTree();
    void newDeckInsideFolderStaysThere();
    void renumberingIsDepthFirst();
    void folderDeleteIsOneCommit();
    void deleteCardKeepsUnit();
    void deleteCardOnUnreadDeckAnnounces();
    void cardRemoveDeletesOnlyUnsharedOwnUnits();
    void cardIdsForKnowledgeUnit();
    void treeEditsKeepParents();
    void unitUpdateIsAnnounced();

private:
    void openProfile();
    Deck* deck(int id) { return m_profile->rootDeck()->findDeck(id, true); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
};

void TestDecks::initTestCase()
{
    initPinyinTables();
}

void TestDecks::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(createTemplate(m_dir->filePath("Profile.default.db"), TreeRows));
    openProfile();
}

void TestDecks::cleanup()
{
    m_profile.reset();
    m_dir.reset();
}

void TestDecks::openProfile()
{
    m_profile.reset();
    m_profile =
        profiletest::openProfile(m_dir->filePath("profile"), m_dir->filePath("Profile.default.db"));
}

void TestDecks::loadsTreeInSortOrder()
{
    Deck* root = m_profile->rootDeck();
    QVERIFY(root->isRoot());
    QCOMPARE(root->id(), 0);
    QCOMPARE(root->parentId(), Deck::RootParentId);
    QCOMPARE(titles(root->children()), (QStringList{"F", "B", "A"}));
    QCOMPARE(titles(deck(3)->children()), (QStringList{"F2", "D1"}));
    QCOMPARE(titles(deck(5)->children()), (QStringList{"D3"}));
    QCOMPARE(deck(6)->parentId(), 5);
    QCOMPARE(deck(1)->parentId(), 0);

    QList<Deck*> all;
    m_profile->collectDecks(all, true);
    QCOMPARE(titles(all), (QStringList{"F", "F2", "D3", "D1", "B", "A"}));
    QList<Deck*> decksOnly;
    m_profile->collectDecks(decksOnly, false);
    QCOMPARE(titles(decksOnly), (QStringList{"D3", "D1", "B", "A"}));
}

void TestDecks::foldersLoadAtOnceCardsOnFirstUse()
{
    Deck* d1 = deck(4);
    QVERIFY(d1);
    QVERIFY(d1->cardsPending());
    QVERIFY(!deck(3)->cardsPending());
    QVERIFY(!m_profile->deckCardById(1)); // no card object exists yet

    // A card without a stored place comes first, as the database sorts it.
    QCOMPARE(cardIds(d1->cards()), (QList<int>{3, 2, 1}));
    QVERIFY(!d1->cardsPending());
    DeckCard* first = d1->cards().first();
    QCOMPARE(m_profile->deckCardById(3), first);
    QCOMPARE(first->deck(), d1);
    QVERIFY(first->knowledgeUnit());
    QCOMPARE(first->knowledgeUnit()->simplified(), QStringLiteral("三"));

    QList<DeckCard*> folderCards;
    deck(3)->allCards(folderCards);
    QCOMPARE(cardIds(folderCards), (QList<int>{4, 3, 2, 1}));
}

void TestDecks::moveCardUsesGaps_data()
{
    QTest::addColumn<int>("cardId");
    QTest::addColumn<int>("newIndex");
    QTest::addColumn<QList<int>>("order");
    const QList<int> unchanged{6, 7, 8, 9, 10};
    QTest::newRow("gap right after it") << 8 << 3 << unchanged;
    QTest::newRow("its own place") << 8 << 2 << unchanged;
    QTest::newRow("negative index") << 8 << -1 << unchanged;
    QTest::newRow("unknown card") << 99 << 0 << unchanged;
    QTest::newRow("to the front") << 8 << 0 << QList<int>{8, 6, 7, 9, 10};
    QTest::newRow("forward") << 6 << 4 << QList<int>{7, 8, 9, 6, 10};
    QTest::newRow("to the end gap") << 8 << 5 << QList<int>{6, 7, 9, 10, 8};
    QTest::newRow("past the end") << 6 << 99 << QList<int>{7, 8, 9, 10, 6};
    QTest::newRow("last to first") << 10 << 0 << QList<int>{10, 6, 7, 8, 9};
}

void TestDecks::moveCardUsesGaps()
{
    QFETCH(int, cardId);
    QFETCH(int, newIndex);
    QFETCH(QList<int>, order);
    Deck* a = deck(1);
    QSignalSpy cardsChanged(m_profile->events(), &ProfileEvents::deckCardCollectionChanged);
    a->moveCard(cardId, newIndex);
    QCOMPARE(cardIds(a->cards()), order);
    QCOMPARE(cardsChanged.count(), 0);
    // Nothing reaches the disk until the deck is saved with its card order.
    QCOMPARE(scalar(m_profile->database(),
                    "SELECT group_concat(id) FROM (SELECT id FROM Cards WHERE deckId = 1 "
                    "ORDER BY sortOrder)")
                 .toString(),
             QStringLiteral("6,7,8,9,10"));
}

void TestDecks::savedCardOrderSurvivesReload()
{
    Deck* a = deck(1);
    a->moveCard(10, 0);
    a->moveCard(6, 3);
    const QList<int> order = cardIds(a->cards());
    QCOMPARE(order, (QList<int>{10, 7, 6, 8, 9}));
    {
        CommitCounter commits(m_profile->database());
        QVERIFY(commits.isInstalled());
        QSignalSpy changed(m_profile.get(), &Profile::deckChanged);
        m_profile->saveDeck(a, true, false);
        QCOMPARE(commits.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 1);
    }
    openProfile();
    QCOMPARE(cardIds(deck(1)->cards()), order);
}

void TestDecks::newCardKeepsItsPlaceAfterReload()
{
    Deck* a = deck(1);
    KnowledgeUnit* unit = m_profile->dictionary()->knowledgeUnit(2);
    QVERIFY(unit);
    QSignalSpy cardsChanged(m_profile->events(), &ProfileEvents::deckCardCollectionChanged);
    DeckCard* card = a->addKnowledgeUnit(unit);
    QVERIFY(card->id() > 10);
    QCOMPARE(card->kuId(), 2);
    QCOMPARE(cardsChanged.count(), 1);
    QCOMPARE(cardsChanged.at(0).at(0).toInt(), 1);
    QCOMPARE(a->cards().last(), card);
    const int newId = card->id();
    const QString uuid = card->uuid();
    QCOMPARE(uuid.size(), 22);

    openProfile();
    const QList<DeckCard*> cards = deck(1)->cards();
    QCOMPARE(cards.size(), 6);
    QCOMPARE(cards.last()->id(), newId);
    QCOMPARE(cards.last()->uuid(), uuid);
    QCOMPARE(cards.last()->knowledgeUnit()->simplified(), QStringLiteral("二"));
}

void TestDecks::newDeckCountsWholeTree()
{
    QSignalSpy collectionChanged(m_profile.get(), &Profile::deckCollectionChanged);
    Deck* added = m_profile->newDeck();
    added->setTitle("New");
    m_profile->saveDeck(added, false, true);
    QVERIFY(added->id() > 6);
    QCOMPARE(collectionChanged.count(), 1);
    QCOMPARE(m_profile->rootDeck()->children().last(), added);
    QCOMPARE(added->parentId(), 0);
    QSqlQuery row(m_profile->database());
    row.prepare("SELECT title, sortOrder, parentId, isFolder, uuid FROM Decks WHERE id = :id");
    row.bindValue(":id", added->id());
    QVERIFY(row.exec() && row.next());
    QCOMPARE(row.value(0).toString(), QStringLiteral("New"));
    QCOMPARE(row.value(1).toInt(), 7); // six decks and folders in the tree, plus one
    QCOMPARE(row.value(2).toInt(), 0);
    QCOMPARE(row.value(3).toInt(), 0);
    QCOMPARE(row.value(4).toString(), added->uuid());
}

void TestDecks::newDeckInsideFolderStaysThere()
{
    Deck* folder = deck(5);
    Deck* added = m_profile->newDeck();
    added->setTitle("Inside");
    folder->addChild(added);
    m_profile->saveDeck(added, false, false);
    QVERIFY(added->id() > 0);
    QCOMPARE(added->parentId(), 5);
    // Found in its folder even when the program ends before the tree is renumbered.
    openProfile();
    QCOMPARE(titles(deck(5)->children()), (QStringList{"D3", "Inside"}));
}

void TestDecks::renumberingIsDepthFirst()
{
    Deck* a = deck(1);
    deck(5)->insertChild(a, 0);
    QCOMPARE(a->parentId(), 5);
    QCOMPARE(titles(m_profile->rootDeck()->children()), (QStringList{"F", "B"}));
    {
        CommitCounter commits(m_profile->database());
        QVERIFY(commits.isInstalled());
        QSignalSpy collectionChanged(m_profile.get(), &Profile::deckCollectionChanged);
        m_profile->renumberDecks();
        QCOMPARE(commits.count(), 1);
        QCOMPARE(collectionChanged.count(), 1);
    }
    QCOMPARE(scalar(m_profile->database(), "SELECT group_concat(title || ':' || parentId) FROM "
                                           "(SELECT title, parentId FROM Decks ORDER BY sortOrder)")
                 .toString(),
             QStringLiteral("F:0,F2:3,A:5,D3:5,D1:3,B:0"));
    openProfile();
    QCOMPARE(titles(m_profile->rootDeck()->children()), (QStringList{"F", "B"}));
    QCOMPARE(titles(deck(5)->children()), (QStringList{"A", "D3"}));
}

void TestDecks::folderDeleteIsOneCommit()
{
    Deck* folder = deck(3);
    QList<DeckCard*> cards;
    folder->allCards(cards); // live card objects, to see them released
    QSignalSpy collectionChanged(m_profile.get(), &Profile::deckCollectionChanged);
    {
        CommitCounter commits(m_profile->database());
        QVERIFY(commits.isInstalled());
        m_profile->deleteDeck(3);
        QCOMPARE(commits.count(), 1);
    }
    QCOMPARE(collectionChanged.count(), 1);
    const QSqlDatabase db = m_profile->database();
    QCOMPARE(
        scalar(db, "SELECT group_concat(id) FROM (SELECT id FROM Decks ORDER BY id)").toString(),
        QStringLiteral("1,2"));
    QCOMPARE(
        scalar(db, "SELECT group_concat(id) FROM (SELECT id FROM Cards ORDER BY id)").toString(),
        QStringLiteral("5,6,7,8,9,10"));
    // The user's own units of the deleted cards go; the dictionary's unit and a unit that a
    // card outside the folder still shows stay.
    QCOMPARE(scalar(db, "SELECT group_concat(id) FROM (SELECT id FROM KnowledgeUnits ORDER BY id)")
                 .toString(),
             QStringLiteral("2,4,5"));

    QCOMPARE(titles(m_profile->rootDeck()->children()), (QStringList{"B", "A"}));
    for (int id : {3, 4, 5, 6})
        QVERIFY(!m_profile->deckById(id));
    for (int id : {1, 2, 3, 4})
        QVERIFY(!m_profile->deckCardById(id));
    QVERIFY(m_profile->deckById(2));
}

void TestDecks::deleteCardKeepsUnit()
{
    Deck* a = deck(1);
    QCOMPARE(a->cardCount(), 5);
    QSignalSpy cardsChanged(m_profile->events(), &ProfileEvents::deckCardCollectionChanged);
    a->deleteCard(6);
    QCOMPARE(cardsChanged.count(), 1);
    QCOMPARE(cardsChanged.at(0).at(0).toInt(), 1);
    QCOMPARE(a->cardCount(), 4);
    QCOMPARE(a->indexOfCard(6), -1);
    QVERIFY(!m_profile->deckCardById(6));
    QCOMPARE(scalar(m_profile->database(), "SELECT COUNT(*) FROM Cards WHERE id = 6").toInt(), 0);
    QCOMPARE(
        scalar(m_profile->database(), "SELECT COUNT(*) FROM KnowledgeUnits WHERE id = 5").toInt(),
        1);
    // Deleting a card that is gone already announces nothing.
    a->deleteCard(6);
    QCOMPARE(cardsChanged.count(), 1);
}

void TestDecks::deleteCardOnUnreadDeckAnnounces()
{
    // Nothing has read deck A's cards yet: the deletion must still take the card out of the
    // list that is read, and say that the list changed.
    Deck* a = deck(1);
    QVERIFY(a->cardsPending());
    QSignalSpy cardsChanged(m_profile->events(), &ProfileEvents::deckCardCollectionChanged);
    a->deleteCard(8);
    QCOMPARE(cardsChanged.count(), 1);
    QCOMPARE(cardsChanged.at(0).at(0).toInt(), 1);
    QCOMPARE(cardIds(a->cards()), (QList<int>{6, 7, 9, 10}));
    QVERIFY(!m_profile->deckCardById(8));
    QCOMPARE(scalarOnFile(m_profile->databasePath(), "SELECT COUNT(*) FROM Cards WHERE deckId = 1")
                 .toInt(),
             4);
}

void TestDecks::cardRemoveDeletesOnlyUnsharedOwnUnits()
{
    const QList<DeckCard*> d1Cards = deck(4)->cards(); // cards 3, 2, 1
    d1Cards.at(2)->remove();                           // own unit 1
    d1Cards.at(1)->remove();                           // dictionary unit 2
    deck(6)->cards().first()->remove();                // own unit 4, shown by card 5 too
    const QSqlDatabase db = m_profile->database();
    QCOMPARE(
        scalar(db, "SELECT group_concat(id) FROM (SELECT id FROM Cards ORDER BY id)").toString(),
        QStringLiteral("3,5,6,7,8,9,10"));
    QCOMPARE(scalar(db, "SELECT group_concat(id) FROM (SELECT id FROM KnowledgeUnits ORDER BY id)")
                 .toString(),
             QStringLiteral("2,3,4,5"));
}

void TestDecks::cardIdsForKnowledgeUnit()
{
    QCOMPARE(m_profile->cardIdsForKnowledgeUnit(4), (QList<int>{4, 5}));
    QCOMPARE(m_profile->cardIdsForKnowledgeUnit(5), (QList<int>{6, 7, 8, 9, 10}));
    QVERIFY(m_profile->cardIdsForKnowledgeUnit(77).isEmpty());
}

void TestDecks::treeEditsKeepParents()
{
    Deck* f = deck(3);
    Deck* b = deck(2);
    f->insertChild(b, -5);
    QCOMPARE(titles(f->children()), (QStringList{"B", "F2", "D1"}));
    QCOMPARE(b->parentId(), 3);
    QCOMPARE(titles(m_profile->rootDeck()->children()), (QStringList{"F", "A"}));
    m_profile->rootDeck()->insertChild(b, 1);
    QCOMPARE(titles(m_profile->rootDeck()->children()), (QStringList{"F", "B", "A"}));
    QCOMPARE(titles(f->children()), (QStringList{"F2", "D1"}));
    QCOMPARE(b->parentId(), 0);
    QCOMPARE(m_profile->rootDeck()->findDeck(6, false), nullptr);
    QCOMPARE(m_profile->rootDeck()->findDeck(6, true), deck(6));
}

void TestDecks::unitUpdateIsAnnounced()
{
    KnowledgeUnit* unit = deck(1)->cards().first()->knowledgeUnit();
    QVERIFY(unit);
    QSignalSpy unitChanged(m_profile->events(), &ProfileEvents::knowledgeUnitChanged);
    unit->setDefinition("five");
    QVERIFY(m_profile->dictionary()->saveKnowledgeUnit(unit));
    QCOMPARE(unitChanged.count(), 1);
    QCOMPARE(unitChanged.at(0).at(0).toInt(), 5);
}

QTEST_GUILESS_MAIN(TestDecks)
#include "tst_decks.moc"
