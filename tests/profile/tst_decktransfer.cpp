#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/decktransfer.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/json.h"
#include "text/pinyin.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <csignal>
#include <limits>
#include <memory>
#include <sys/resource.h>

using namespace korvo;

class TestDeckTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void treeRoundTripsThroughFile_data();
    void treeRoundTripsThroughFile();
    void deckAndCardKeysAreSortedAndCompact();
    void headerCarriesOptions();
    void readTransferOptionsCases_data();
    void readTransferOptionsCases();
    void optionsDropFields();
    void importingTwiceMakesIndependentDecks();
    void failedStoreLeavesProfileUnchanged();
    void failedCommitLeavesProfileUnchanged();
    void tooManyObjectsFailWithoutTrace();
    void hostileFilesDoNotCrash_data();
    void hostileFilesDoNotCrash();
    void refusesValuesItCannotStore_data();
    void refusesValuesItCannotStore();
    void clampsScoresAndReadsNumbers_data();
    void clampsScoresAndReadsNumbers();
    void scoresAreCheckedOnlyWhenImported();
    void unpairedSurrogatesSurviveRestart();
    void refusedMapStoresNothing();
    void failedWriteKeepsPreviousFile();
    void oversizedFileIsRefused();

private:
    Deck* makeDeck(const QString& title, bool folder = false, Deck* parent = nullptr);
    DeckCard* addCard(Deck* deck, const QString& simplified, const QString& pinyin, float score = 0,
                      qint64 lastPracticed = 0);
    int count(const QString& table);
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
};

void TestDeckTransfer::initTestCase()
{
    initPinyinTables();
}

void TestDeckTransfer::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile = profiletest::openEmptyProfile(m_dir->path());
    QVERIFY(m_profile);
    QVERIFY(m_profile->database().isOpen());
}

void TestDeckTransfer::cleanup()
{
    m_profile.reset();
    m_dir.reset();
}

Deck* TestDeckTransfer::makeDeck(const QString& title, bool folder, Deck* parent)
{
    return profiletest::makeStoredDeck(m_profile.get(), title, folder, parent);
}

DeckCard* TestDeckTransfer::addCard(Deck* deck, const QString& simplified, const QString& pinyin,
                                    float score, qint64 lastPracticed)
{
    auto* unit = new KnowledgeUnit;
    unit->setType(2);
    unit->setSimplified(simplified);
    unit->setTraditional(simplified);
    unit->setPinyin(pinyin);
    unit->setDefinition(QStringLiteral("meaning of ") + pinyin);
    unit->setScore(score);
    unit->setLastTimePracticed(lastPracticed);
    m_profile->dictionary()->saveKnowledgeUnit(unit);
    return deck->addKnowledgeUnit(unit);
}

int TestDeckTransfer::count(const QString& table)
{
    return profiletest::rowCount(m_profile->database(), table);
}

void TestDeckTransfer::treeRoundTripsThroughFile_data()
{
    QTest::addColumn<bool>("withScores");
    QTest::newRow("with scores") << true;
    QTest::newRow("without scores") << false;
}

void TestDeckTransfer::treeRoundTripsThroughFile()
{
    QFETCH(bool, withScores);
    Deck* folder = makeDeck(QStringLiteral("Travel 旅行"), true);
    Deck* first = makeDeck(QStringLiteral("Words"), false, folder);
    Deck* sub = makeDeck(QStringLiteral("More"), true, folder);
    Deck* second = makeDeck(QStringLiteral("Phrases"), false, sub);
    Deck* empty = makeDeck(QStringLiteral("Empty"), false, folder);
    addCard(first, QStringLiteral("你好"), QStringLiteral("ni3 hao3"), 2.5f, 1700000000);
    addCard(first, QStringLiteral("中国"), QStringLiteral("Zhong1 guo2"), 0, 0);
    addCard(second, QStringLiteral("谢谢"), QStringLiteral("xie4 xie5"), 7, 1600000000);
    folder->setCreationDate(QDateTime::fromMSecsSinceEpoch(1500000000123, Qt::UTC));
    folder->setUpdateDate(QDateTime::fromMSecsSinceEpoch(1500000009999, Qt::UTC));

    QVERIFY(writeDeckFile(folder, path("tree.kvd")));
    QString text;
    QCOMPARE(readDeckFile(path("tree.kvd"), &text), DeckFileStatus::Ok);
    QCOMPARE(text, deckToJson(folder, TransferOptions(), false));

    TransferOptions options;
    options.scoreDataIncluded = withScores;
    Deck* copy = importDeckText(m_profile.get(), text, options, nullptr);
    QVERIFY(copy);
    QVERIFY(copy != folder);
    QVERIFY(copy->id() > 0);
    QCOMPARE(m_profile->rootDeck()->children().last(), copy);

    // Compare the two trees deck by deck, card by card.
    QList<Deck*> original{folder}, imported{copy};
    folder->collectDecks(original, true);
    copy->collectDecks(imported, true);
    QCOMPARE(imported.size(), original.size());
    for (int i = 0; i < original.size(); ++i) {
        Deck* a = original.at(i);
        Deck* b = imported.at(i);
        QCOMPARE(b->uuid(), a->uuid());
        QCOMPARE(b->displayTitle(), a->displayTitle());
        QCOMPARE(b->isFolder(), a->isFolder());
        QCOMPARE(b->creationDate(), a->creationDate());
        QCOMPARE(b->updateDate(), a->updateDate());
        QVERIFY(b->id() != a->id());
        QCOMPARE(b->children().size(), a->children().size());
        const QList<DeckCard*> aCards = a->cards();
        const QList<DeckCard*> bCards = b->cards();
        QCOMPARE(bCards.size(), aCards.size());
        for (int c = 0; c < aCards.size(); ++c) {
            DeckCard* x = aCards.at(c);
            DeckCard* y = bCards.at(c);
            QCOMPARE(y->uuid(), x->uuid());
            QCOMPARE(y->deckId(), b->id());
            QCOMPARE(y->creationDate(), x->creationDate());
            QCOMPARE(y->updateDate(), x->updateDate());
            KnowledgeUnit* u = x->knowledgeUnit();
            KnowledgeUnit* v = y->knowledgeUnit();
            QVERIFY(u && v && u != v);
            QVERIFY(v->id() != u->id());
            QCOMPARE(v->uuid(), u->uuid());
            QCOMPARE(v->simplified(), u->simplified());
            QCOMPARE(v->pinyin(), u->pinyin());
            QCOMPARE(v->definition(), u->definition());
            QCOMPARE(v->type(), 2);
            QCOMPARE(v->score(), withScores ? u->score() : 0.0f);
            QCOMPARE(v->lastTimePracticed(), withScores ? u->lastTimePracticed() : qint64(0));
        }
    }
    QCOMPARE(imported.at(1)->displayTitle(), QStringLiteral("Words"));
    QCOMPARE(imported.at(2)->displayTitle(), QStringLiteral("More"));
    QCOMPARE(imported.at(4)->displayTitle(), empty->displayTitle());
    QCOMPARE(imported.at(4)->cards().size(), 0);

    // The stored rows hold the same tree: a fresh profile on the same file sees it.
    const QString uuid = copy->uuid();
    m_profile.reset();
    m_profile = std::make_unique<Profile>(m_dir->path(), m_dir->filePath("missing.db"));
    m_profile->openDatabase();
    m_profile->loadDecks();
    Deck* reloaded = m_profile->rootDeck()->children().last();
    QCOMPARE(reloaded->uuid(), uuid);
    QList<Deck*> reloadedTree;
    reloaded->collectDecks(reloadedTree, true);
    QCOMPARE(reloadedTree.size(), 4);
    QCOMPARE(reloadedTree.at(0)->displayTitle(), QStringLiteral("Words"));
    QCOMPARE(reloadedTree.at(0)->cards().size(), 2);
    QCOMPARE(reloadedTree.at(0)->cards().at(1)->knowledgeUnit()->simplified(),
             QStringLiteral("中国"));
    QCOMPARE(reloadedTree.at(2)->displayTitle(), QStringLiteral("Phrases"));
    QCOMPARE(reloadedTree.at(2)->cards().size(), 1);
}

void TestDeckTransfer::deckAndCardKeysAreSortedAndCompact()
{
    Deck* deck = makeDeck(QStringLiteral("Deck 一"));
    addCard(deck, QStringLiteral("一"), QStringLiteral("yi1"));
    addCard(deck, QStringLiteral("二"), QStringLiteral("er4"));
    const QString text = deck->toJson(TransferOptions(), false);

    const QString card = QStringLiteral("\\{\"creationDate\":\\d+,\"deckId\":%1,\"id\":\\d+,"
                                        "\"knowledgeUnit\":\\{[^{}]*\\},"
                                        "\"type\":\"Card\",\"updateDate\":\\d+,\"uuid\":\"[A-Za-"
                                        "z0-9]{22}\"\\}")
                             .arg(deck->id());
    const QRegularExpression shape(
        QStringLiteral("^\\{\"cards\":\\[%1,%1\\],\"creationDate\":\\d+,\"isFolder\":false,"
                       "\"title\":\"Deck \\\\u4e00\",\"type\":\"Deck\",\"updateDate\":\\d+,"
                       "\"uuid\":\"[A-Za-z0-9]{22}\"\\}$")
            .arg(card));
    QVERIFY2(shape.match(text).hasMatch(), qPrintable(text));
    for (QChar c : text)
        QVERIFY(c.unicode() >= 32 && c.unicode() <= 126);
    QVERIFY(!text.contains(QStringLiteral("transferOptions")));

    const QString single = deck->cards().first()->toJson(TransferOptions());
    QVERIFY(QRegularExpression(QStringLiteral("^") + card + QStringLiteral("$"))
                .match(single)
                .hasMatch());
}

void TestDeckTransfer::headerCarriesOptions()
{
    Deck* root = m_profile->rootDeck();
    TransferOptions options;
    options.cardIdIncluded = false;
    const QVariantMap map = deckToMap(root, options, true);
    QCOMPARE(map.value("isRoot").toBool(), true);
    QVariantMap expected{{"scoreDataIncluded", true},
                         {"deckIdIncluded", true},
                         {"cardIdIncluded", false},
                         {"creationDateIncluded", true},
                         {"updateDateIncluded", true}};
    QCOMPARE(map.value("transferOptions").toMap(), expected);
    const TransferOptions back = readTransferOptions(deckToJson(root, options, true));
    QVERIFY(!back.cardIdIncluded);
    QVERIFY(back.scoreDataIncluded && back.deckIdIncluded && back.creationDateIncluded &&
            back.updateDateIncluded);
}

void TestDeckTransfer::readTransferOptionsCases_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("score");
    QTest::addColumn<bool>("creation");
    QTest::newRow("no header") << "{\"type\":\"Deck\"}" << true << true;
    QTest::newRow("score off") << "{\"transferOptions\":{\"scoreDataIncluded\":false}}" << false
                               << true;
    QTest::newRow("empty header") << "{\"transferOptions\":{}}" << true << true;
    QTest::newRow("header of wrong type") << "{\"transferOptions\":[false]}" << true << true;
    QTest::newRow("not json") << "hello" << true << true;
    QTest::newRow("creation off")
        << "{\"transferOptions\":{\"creationDateIncluded\":false,\"x\":1}}" << true << false;
}

void TestDeckTransfer::readTransferOptionsCases()
{
    QFETCH(QString, text);
    QFETCH(bool, score);
    QFETCH(bool, creation);
    const TransferOptions options = readTransferOptions(text);
    QCOMPARE(options.scoreDataIncluded, score);
    QCOMPARE(options.creationDateIncluded, creation);
    QVERIFY(options.cardIdIncluded && options.deckIdIncluded && options.updateDateIncluded);
}

void TestDeckTransfer::optionsDropFields()
{
    Deck* deck = makeDeck(QStringLiteral("few"));
    addCard(deck, QStringLiteral("三"), QStringLiteral("san1"), 3, 1700000000);
    TransferOptions none;
    none.scoreDataIncluded = false;
    none.deckIdIncluded = false;
    none.cardIdIncluded = false;
    none.creationDateIncluded = false;
    none.updateDateIncluded = false;
    const QVariantMap map = deck->toMap(none, false);
    QCOMPARE(map.keys(), (QStringList{"cards", "isFolder", "title", "type", "uuid"}));
    const QVariantMap card = map.value("cards").toList().first().toMap();
    QCOMPARE(card.keys(), (QStringList{"knowledgeUnit", "type", "uuid"}));
    QCOMPARE(card.value("knowledgeUnit").toMap().keys(),
             (QStringList{"definition", "pinyin", "simplified", "traditional", "type", "uuid"}));

    // Without dates in the file, the import stamps the moment of the import.
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    Deck* copy = importDeckText(m_profile.get(), QString::fromUtf8(writeJson(map)), none, nullptr);
    QVERIFY(copy);
    QVERIFY(copy->creationDate() >= before);
    QVERIFY(copy->cards().first()->creationDate() >= before);
}

void TestDeckTransfer::importingTwiceMakesIndependentDecks()
{
    Deck* deck = makeDeck(QStringLiteral("twice"));
    addCard(deck, QStringLiteral("二"), QStringLiteral("er4"));
    const QString text = deckToJson(deck, TransferOptions(), false);
    const int units = count("KnowledgeUnits");
    Deck* a = importDeckText(m_profile.get(), text, TransferOptions(), nullptr);
    Deck* b = importDeckText(m_profile.get(), text, TransferOptions(), nullptr);
    QVERIFY(a && b && a != b);
    QVERIFY(a->id() != b->id());
    QCOMPARE(a->uuid(), deck->uuid());
    QCOMPARE(b->uuid(), deck->uuid());
    QCOMPARE(count("KnowledgeUnits"), units + 2);
    DeckCard* ca = a->cards().first();
    DeckCard* cb = b->cards().first();
    QVERIFY(ca->kuId() != cb->kuId());
    QCOMPARE(ca->uuid(), cb->uuid());
    // Changing one copy leaves the other alone.
    ca->knowledgeUnit()->setSimplified(QStringLiteral("两"));
    m_profile->dictionary()->saveKnowledgeUnit(ca->knowledgeUnit());
    QCOMPARE(cb->knowledgeUnit()->simplified(), QStringLiteral("二"));
    // Sort orders follow the whole tree depth first.
    QSqlQuery query(m_profile->database());
    QVERIFY(query.exec("SELECT id FROM Decks WHERE parentId = 0 ORDER BY sortOrder"));
    QList<int> order;
    while (query.next())
        order.append(query.value(0).toInt());
    QCOMPARE(order, (QList<int>{deck->id(), a->id(), b->id()}));
}

void TestDeckTransfer::failedStoreLeavesProfileUnchanged()
{
    Deck* folder = makeDeck(QStringLiteral("big"), true);
    Deck* inner = makeDeck(QStringLiteral("inner"), false, folder);
    for (int i = 0; i < 4; ++i)
        addCard(inner, QString::number(i), QStringLiteral("yi1"));
    inner->cards().at(2)->setUuid(QStringLiteral("failingCard"));
    QString text = deckToJson(folder, TransferOptions(), false);
    QVERIFY(text.contains("failingCard"));

    // A card row that cannot be stored, after a folder, a deck, two cards and their units.
    QSqlQuery query(m_profile->database());
    QVERIFY(query.exec("CREATE TEMP TRIGGER failCard BEFORE INSERT ON Cards "
                       "WHEN NEW.uuid = 'failingCard' BEGIN SELECT RAISE(ABORT, 'full'); END"));

    const QStringList tables{"Decks", "Cards", "KnowledgeUnits"};
    QList<int> before;
    for (const QString& table : tables)
        before.append(count(table));
    const int rootChildren = m_profile->rootDeck()->children().size();
    QList<Deck*> decksBefore;
    m_profile->collectDecks(decksBefore, true);

    QVERIFY(!importDeckText(m_profile.get(), text, TransferOptions(), folder));
    for (int i = 0; i < tables.size(); ++i)
        QCOMPARE(count(tables.at(i)), before.at(i));
    QCOMPARE(m_profile->rootDeck()->children().size(), rootChildren);
    QList<Deck*> decksAfter;
    m_profile->collectDecks(decksAfter, true);
    QCOMPARE(decksAfter, decksBefore);

    // Rows written later never take the ids of the rolled-back units, which the profile's
    // dictionary may still hold in its cache.
    QVERIFY(query.exec("INSERT INTO KnowledgeUnits (simplified, pinyin, definition) "
                       "VALUES ('later', 'hou4', 'written outside the import')"));
    const int laterId = query.lastInsertId().toInt();
    KnowledgeUnit* later = m_profile->dictionary()->knowledgeUnit(laterId);
    QVERIFY(later);
    QCOMPARE(later->simplified(), QStringLiteral("later"));

    // The connection is usable afterwards and a later import of good data works.
    QVERIFY(query.exec("DROP TRIGGER failCard"));
    Deck* good = importDeckText(m_profile.get(), text, TransferOptions(), folder);
    QVERIFY(good);
    QCOMPARE(count("Cards"), before.at(1) + 4);
    QCOMPARE(count("KnowledgeUnits"), before.at(2) + 5);
    QList<Deck*> goodTree;
    good->collectDecks(goodTree, true);
    QCOMPARE(goodTree.first()->cards().at(3)->knowledgeUnit()->simplified(), QStringLiteral("3"));
}

void TestDeckTransfer::failedCommitLeavesProfileUnchanged()
{
    Deck* deck = makeDeck("committed");
    addCard(deck, "1", "yi1");
    const QString text = deckToJson(deck, TransferOptions(), false);

    // Every new deck row adds a row that breaks a deferred foreign key, so every statement of
    // the import succeeds and only the final commit fails.
    QSqlQuery query(m_profile->database());
    QVERIFY(query.exec("PRAGMA foreign_keys = ON"));
    QVERIFY(query.exec("CREATE TEMP TABLE guardOwners (id INTEGER PRIMARY KEY)"));
    QVERIFY(query.exec("CREATE TEMP TABLE guardRows (ownerId INTEGER REFERENCES "
                       "guardOwners(id) DEFERRABLE INITIALLY DEFERRED)"));
    QVERIFY(query.exec("CREATE TEMP TRIGGER guardDecks AFTER INSERT ON Decks "
                       "BEGIN INSERT INTO guardRows (ownerId) VALUES (-1); END"));

    const int decks = count("Decks");
    const int cards = count("Cards");
    const int rootChildren = m_profile->rootDeck()->children().size();
    QVERIFY(!importDeckText(m_profile.get(), text, TransferOptions(), nullptr));
    QCOMPARE(count("Decks"), decks);
    QCOMPARE(count("Cards"), cards);
    QCOMPARE(m_profile->rootDeck()->children().size(), rootChildren);

    QVERIFY(query.exec("DROP TRIGGER guardDecks"));
    QVERIFY(importDeckText(m_profile.get(), text, TransferOptions(), nullptr));
    QCOMPARE(count("Decks"), decks + 1);
}

void TestDeckTransfer::tooManyObjectsFailWithoutTrace()
{
    // Three decks and four cards: a limit of six stops the import on its last card.
    const QString text = QStringLiteral(
        "{\"isFolder\":true,\"children\":[{\"cards\":[{},{}]},{\"cards\":[{},{}]}]}");
    const int decks = count("Decks");
    const int units = count("KnowledgeUnits");
    QVERIFY(!importDeckText(m_profile.get(), text, TransferOptions(), nullptr, 6));
    QCOMPARE(count("Decks"), decks);
    QCOMPARE(count("KnowledgeUnits"), units);
    Deck* deck = importDeckText(m_profile.get(), text, TransferOptions(), nullptr, 7);
    QVERIFY(deck);
    QCOMPARE(deck->children().size(), 2);
    QCOMPARE(count("KnowledgeUnits"), units + 4);
}

void TestDeckTransfer::hostileFilesDoNotCrash_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("cards");
    QTest::newRow("not json") << "this is not a deck"
                              << "Untitled" << 0;
    QTest::newRow("empty") << ""
                           << "Untitled" << 0;
    QTest::newRow("array at top") << "[1,2,3]"
                                  << "Untitled" << 0;
    QTest::newRow("deep nesting") << QString(200000, '[') << "Untitled" << 0;
    QTest::newRow("deep objects") << QString("{\"a\":").repeated(100000) << "Untitled" << 0;
    QTest::newRow("wrong types") << "{\"title\":[1],\"isFolder\":\"maybe\","
                                    "\"cards\":{\"x\":1},\"children\":7,"
                                    "\"creationDate\":{},\"uuid\":{}}"
                                 << "Untitled" << 0;
    QTest::newRow("cards of wrong types")
        << "{\"title\":\"t\",\"cards\":[1,\"x\",null,[],{\"knowledgeUnit\":"
           "\"no\"},"
           "{\"knowledgeUnit\":{\"simplified\":[\"a\"],\"score\":\"lots\"}}]}"
        << "t" << 2;
    QTest::newRow("folder with odd children")
        << "{\"title\":\"f\",\"isFolder\":true,\"children\":[3,{\"title\":\"c\"},"
           "\"s\"]}"
        << "f" << 0;
}

void TestDeckTransfer::hostileFilesDoNotCrash()
{
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, cards);
    Deck* deck = importDeckText(m_profile.get(), text, TransferOptions(), nullptr);
    QVERIFY(deck);
    QCOMPARE(deck->displayTitle(), title);
    QCOMPARE(deck->uuid().size(), 22);
    if (!deck->isFolder())
        QCOMPARE(deck->cards().size(), cards);
}

void TestDeckTransfer::refusesValuesItCannotStore_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("named");
    QTest::addColumn<QString>("notNamed");

    auto unit = [](const QString& fields) {
        return "{\"title\":\"Words\",\"cards\":[{\"knowledgeUnit\":{\"simplified\":\"a\"}},"
               "{\"knowledgeUnit\":{" +
               fields + "}}]}";
    };
    QTest::newRow("infinite score")
        << unit("\"score\":\"inf\"") << QStringList{"\"score\"", "\"inf\"", "card 2", "\"Words\""}
        << QString();
    QTest::newRow("negative infinite score")
        << unit("\"score\":\"-inf\"") << QStringList{"\"score\"", "\"-inf\""} << QString();
    QTest::newRow("NaN score") << unit("\"score\":\"nan\"") << QStringList{"\"nan\"", "finite"}
                               << QString();
    QTest::newRow("score beyond a double")
        << unit("\"score\":1e400") << QStringList{"\"1e400\""} << QString();
    QTest::newRow("practice time at the 64-bit limit")
        << unit("\"lastTimePracticed\":9223372036854775807")
        << QStringList{"\"lastTimePracticed\"", "9223372036854775807", "1970", "9999"} << QString();
    QTest::newRow("practice time beyond 64 bits")
        << unit("\"lastTimePracticed\":9223372036854775808") << QStringList{"9223372036854775808"}
        << QString();
    QTest::newRow("practice time before 1970")
        << unit("\"lastTimePracticed\":-1") << QStringList{"\"-1\""} << QString();
    QTest::newRow("practice time after 9999")
        << unit("\"lastTimePracticed\":253402300800") << QStringList{"253402300800"} << QString();
    QTest::newRow("entry date after 9999") << unit("\"updateDate\":\"2.6e14\"")
                                           << QStringList{"\"updateDate\"", "2.6e14"} << QString();
    QTest::newRow("card date before 1970")
        << "{\"title\":\"Words\",\"cards\":[{\"creationDate\":-5}]}"
        << QStringList{"\"creationDate\"", "-5", "card 1", "\"Words\""} << QString();
    QTest::newRow("deck date in exponent form")
        << "{\"title\":\"Dates\",\"updateDate\":1e300}"
        << QStringList{"\"updateDate\"", "1e300", "deck \"Dates\""} << QString();
    QTest::newRow("deep in a folder")
        << "{\"isFolder\":true,\"title\":\"Top\",\"children\":[{\"title\":\"Fine\"},"
           "{\"isFolder\":true,\"children\":[{\"title\":\"Inner\",\"cards\":[{},{},"
           "{\"knowledgeUnit\":{\"score\":\"nan\"}}]}]}]}"
        << QStringList{"card 3", "\"Inner\""} << QString();
    QTest::newRow("the first bad value is named")
        << "{\"cards\":[{\"creationDate\":-1,\"knowledgeUnit\":{\"score\":\"nan\"}},"
           "{\"knowledgeUnit\":{\"score\":\"inf\"}}]}"
        << QStringList{"\"creationDate\"", "card 1", "\"Untitled\""} << QStringLiteral("nan");
}

void TestDeckTransfer::refusesValuesItCannotStore()
{
    QFETCH(QString, text);
    QFETCH(QStringList, named);
    QFETCH(QString, notNamed);

    const QStringList tables{"Decks", "Cards", "KnowledgeUnits"};
    QList<int> before;
    for (const QString& table : tables)
        before.append(count(table));
    const QList<Deck*> rootChildren = m_profile->rootDeck()->children();

    QString error;
    QVERIFY(!importDeckText(m_profile.get(), text, TransferOptions(), nullptr, maxImportedObjects,
                            &error));
    for (const QString& piece : named)
        QVERIFY2(error.contains(piece), qPrintable(error + " lacks " + piece));
    if (!notNamed.isEmpty())
        QVERIFY2(!error.contains(notNamed), qPrintable(error));
    for (int i = 0; i < tables.size(); ++i)
        QCOMPARE(count(tables.at(i)), before.at(i));
    QCOMPARE(m_profile->rootDeck()->children(), rootChildren);

    // The same text through the deck's own reader stores nothing either.
    Deck* deck = m_profile->newDeck();
    QVERIFY(!deckFromJson(deck, text, TransferOptions()));
    QCOMPARE(deck->id(), -1);
    QCOMPARE(count("Decks"), before.at(0));
    deck->dispose(false);
}

void TestDeckTransfer::clampsScoresAndReadsNumbers_data()
{
    QTest::addColumn<QString>("score");
    QTest::addColumn<QString>("practised");
    QTest::addColumn<float>("storedScore");
    QTest::addColumn<qint64>("storedTime");

    QTest::newRow("huge score") << "\"1e30\""
                                << "1700000000" << maxImportedScore << qint64(1700000000);
    QTest::newRow("score beyond a float") << "1e39"
                                          << "0" << maxImportedScore << qint64(0);
    QTest::newRow("negative score") << "-7"
                                    << "0" << 0.0f << qint64(0);
    QTest::newRow("score too small for a double") << "1e-400"
                                                  << "0" << 0.0f << qint64(0);
    QTest::newRow("a word is no score, as always") << "\"lots\""
                                                   << "0" << 0.0f << qint64(0);
    QTest::newRow("time in exponent form") << "2.5"
                                           << "1.7e9" << 2.5f << qint64(1700000000);
    QTest::newRow("last second of 9999") << "150"
                                         << "253402300799" << 150.0f << maxImportedSeconds;
}

void TestDeckTransfer::clampsScoresAndReadsNumbers()
{
    QFETCH(QString, score);
    QFETCH(QString, practised);
    QFETCH(float, storedScore);
    QFETCH(qint64, storedTime);

    const QString text = "{\"title\":\"t\",\"updateDate\":253402300799999,\"cards\":[{"
                         "\"knowledgeUnit\":{\"simplified\":\"x\",\"score\":" +
                         score + ",\"lastTimePracticed\":" + practised + "}}]}";
    QString error;
    Deck* deck = importDeckText(m_profile.get(), text, TransferOptions(), nullptr,
                                maxImportedObjects, &error);
    QVERIFY2(deck, qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(deck->updateDate().toMSecsSinceEpoch(), maxImportedMilliseconds);
    KnowledgeUnit* unit = deck->cards().value(0)->knowledgeUnit();
    QVERIFY(unit);
    QCOMPARE(unit->score(), storedScore);
    QCOMPARE(unit->lastTimePracticed(), storedTime);
    QCOMPARE(profiletest::scalar(
                 m_profile->database(),
                 QStringLiteral("SELECT score FROM KnowledgeUnits WHERE id = %1").arg(unit->id()))
                 .toFloat(),
             storedScore);

    // What the program exports it imports again, and the next export says the same.
    const QString exported = deckToJson(deck, TransferOptions(), false);
    Deck* copy = importDeckText(m_profile.get(), exported, TransferOptions(), nullptr);
    QVERIFY(copy);
    QCOMPARE(copy->cards().value(0)->knowledgeUnit()->score(), storedScore);
    QString again = deckToJson(copy, TransferOptions(), false);
    static const QRegularExpression ids("\"(id|deckId)\":[0-9]+,?");
    QCOMPARE(again.remove(ids), QString(exported).remove(ids));
}

void TestDeckTransfer::scoresAreCheckedOnlyWhenImported()
{
    // A learner who declines the scores is not stopped by a broken score or practice time.
    const QString text = "{\"title\":\"t\",\"cards\":[{\"knowledgeUnit\":{\"score\":\"nan\","
                         "\"lastTimePracticed\":9223372036854775807}}]}";
    TransferOptions options;
    options.scoreDataIncluded = false;
    Deck* deck = importDeckText(m_profile.get(), text, options, nullptr);
    QVERIFY(deck);
    KnowledgeUnit* unit = deck->cards().value(0)->knowledgeUnit();
    QCOMPARE(unit->score(), 0.0f);
    QCOMPARE(unit->lastTimePracticed(), qint64(0));
    // Dates the options leave out are not read, so not checked either.
    options.creationDateIncluded = false;
    QVERIFY(importDeckText(m_profile.get(), "{\"creationDate\":-1}", options, nullptr));
}

void TestDeckTransfer::unpairedSurrogatesSurviveRestart()
{
    // SQLite would pair a lone high surrogate with the character after it: "a\ud800b" came back
    // after a restart as "a" and U+10062, the "b" gone. The reader replaces it instead.
    const QString text = "{\"title\":\"a\\ud800b\",\"cards\":[{\"knowledgeUnit\":{"
                         "\"simplified\":\"x\\udc00y\",\"definition\":\"d\\ud83d\","
                         "\"pinyin\":\"ni3\\ud83d\\ude00\"}}]}";
    QVERIFY(importDeckText(m_profile.get(), text, TransferOptions(), nullptr));
    // Texts from a map made inside the program are checked the same way.
    QVariantMap map{{"title", QString("c") + QChar(0xd800) + "d"},
                    {"uuid", QString(QChar(0xdc00))}};
    Deck* fromMap = m_profile->newDeck();
    QVERIFY(deckFromMap(fromMap, map, TransferOptions()));
    m_profile->rootDeck()->addChild(fromMap);
    m_profile->renumberDecks();

    const QString replacement(QChar::ReplacementCharacter);
    m_profile.reset();
    m_profile = std::make_unique<Profile>(m_dir->path(), m_dir->filePath("missing.db"));
    m_profile->openDatabase();
    m_profile->loadDecks();
    const QList<Deck*> decks = m_profile->rootDeck()->children();
    QCOMPARE(decks.size(), 2);
    QCOMPARE(decks.at(0)->displayTitle(), "a" + replacement + "b");
    KnowledgeUnit* unit = decks.at(0)->cards().value(0)->knowledgeUnit();
    QVERIFY(unit);
    QCOMPARE(unit->simplified(), "x" + replacement + "y");
    QCOMPARE(unit->definition(), "d" + replacement);
    QCOMPARE(unit->pinyin(), "ni3" + QString::fromUtf8("😀"));
    QCOMPARE(decks.at(1)->displayTitle(), "c" + replacement + "d");
    QCOMPARE(decks.at(1)->uuid(), replacement);
}

void TestDeckTransfer::refusedMapStoresNothing()
{
    const QVariantMap unit{{"score", std::numeric_limits<double>::infinity()}};
    const QVariantMap map{{"title", "t"},
                          {"cards", QVariantList{QVariantMap{{"knowledgeUnit", unit}}}}};
    const int decks = count("Decks");
    const int units = count("KnowledgeUnits");
    Deck* deck = m_profile->newDeck();
    QVERIFY(!deckFromMap(deck, map, TransferOptions()));
    QCOMPARE(count("Decks"), decks);
    deck->dispose(false);

    QString error;
    QVariantMap copy = map;
    QVERIFY(!checkDeckMap(copy, TransferOptions(), &error));
    QCOMPARE(copy, map);
    QVERIFY(error.contains("\"score\""));

    DeckCard* card = m_profile->newDeckCard(1);
    QVERIFY(!deckCardFromMap(card, map.value("cards").toList().at(0).toMap(), TransferOptions()));
    QCOMPARE(count("KnowledgeUnits"), units);
    card->dispose();
}

void TestDeckTransfer::failedWriteKeepsPreviousFile()
{
    Deck* deck = makeDeck(QStringLiteral("limit"));
    for (int i = 0; i < 20; ++i)
        addCard(deck, QString::number(i), QStringLiteral("yi1"));
    const QString fileName = path("previous.kvd");
    const QByteArray previous = "{\"title\":\"the user's earlier export\"}";
    {
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(previous);
    }

    // Let the write run into a file size limit half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeDeckFile(deck, fileName);
    setrlimit(RLIMIT_FSIZE, &old);

    QVERIFY(!written);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), previous);
    QCOMPARE(QDir(m_dir->path()).entryList({"previous*"}, QDir::Files | QDir::Hidden).size(), 1);

    // Without the limit the same export replaces the file completely.
    QVERIFY(writeDeckFile(deck, fileName));
    QString text;
    QCOMPARE(readDeckFile(fileName, &text), DeckFileStatus::Ok);
    QCOMPARE(text, deckToJson(deck, TransferOptions(), false));
    QCOMPARE(readDeckFile(path("absent.kvd"), &text), DeckFileStatus::Missing);
    QVERIFY(!writeDeckFile(deck, path("no/such/folder/x.kvd")));
}

void TestDeckTransfer::oversizedFileIsRefused()
{
    const QString fileName = path("huge.kvd");
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(maxDeckFileSize + 1)); // sparse: no disk space used
    file.close();
    QString text = QStringLiteral("unchanged");
    QCOMPARE(readDeckFile(fileName, &text), DeckFileStatus::TooLarge);
    QCOMPARE(text, QStringLiteral("unchanged"));
}

QTEST_GUILESS_MAIN(TestDeckTransfer)
#include "tst_decktransfer.moc"
