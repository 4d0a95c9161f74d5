#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionaryfixture.h"
#include "text/pinyin.h"

#include <QPointer>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace korvo;

using IdList = QList<int>;

namespace {

IdList idsOf(const QList<KnowledgeUnit*>& units)
{
    IdList ids;
    for (const KnowledgeUnit* unit : units)
        ids << unit->id();
    return ids;
}

QSet<QChar> charactersOf(const QList<CharacterInfo*>& records)
{
    QSet<QChar> set;
    for (const CharacterInfo* info : records)
        set.insert(info->character);
    return set;
}

QSet<QChar> setOf(const QString& text)
{
    QSet<QChar> set;
    for (QChar c : text)
        set.insert(c);
    return set;
}

} // namespace

class TestDictionary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statisticsAreReadOnce();
    void statisticsOfEmptyTablesAreNotCached();
    void bigramFrequency_data();
    void bigramFrequency();
    void frequencyScore_data();
    void frequencyScore();
    void unitsAreLoadedOnceAndOwned();
    void unitsByIdsInBatches();
    void syntheticEntries();
    void findKnowledgeUnit_data();
    void findKnowledgeUnit();
    void saveInsertsAndUpdates();
    void failedSaveKeepsTheId();
    void radicals();
    void decompositionParts();
    void characters();
    void search_data();
    void search();
    void searchPathsAgree();
    void rankOneExactMatchFirst();
    void rankSeveralExactMatchesByCommonness();
    void rankEnglishLaterDefinitionReplacesEarlier();
    void rankFollowsEditedUnits();
    void lookupDetectsTheTextType_data();
    void lookupDetectsTheTextType();
    void sentences();
    void similarCharactersSameEnd_data();
    void similarCharactersSameEnd();
    void similarCharactersSameRadical();
    void randomKnowledgeUnits();
    void quotesAreData_data();
    void quotesAreData();
    void missingOrBrokenFileStaysClosed();

private:
    std::unique_ptr<Dictionary> openFixture();

    QTemporaryDir m_dir;
    QString m_path;
};

void TestDictionary::initTestCase()
{
    initPinyinTables();
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("Dictionary.db"));
    QVERIFY(createFixtureDictionary(m_path));
}

std::unique_ptr<Dictionary> TestDictionary::openFixture()
{
    auto dictionary = std::make_unique<Dictionary>();
    if (!dictionary->open(m_path))
        return nullptr;
    return dictionary;
}

void TestDictionary::statisticsAreReadOnce()
{
    // A private copy, as this test changes the tables.
    const QString path = m_dir.filePath(QStringLiteral("statistics.db"));
    QVERIFY(QFile::copy(m_path, path));
    Dictionary dictionary;
    QVERIFY(dictionary.open(path));
    QCOMPARE(dictionary.minBigramFrequency(), 0.000001);
    QCOMPARE(dictionary.maxBigramFrequency(), 0.01);
    QCOMPARE(dictionary.maxCharacterFrequency(), 1000.0);

    QSqlQuery query(dictionary.database());
    QVERIFY(
        query.exec("INSERT INTO Bigrams (simplified, frequency) VALUES ('xx', 0.5), ('yy', 1e-9)"));
    QVERIFY(query.exec("UPDATE Characters SET frequency = 5000 WHERE id = 1"));
    QCOMPARE(dictionary.minBigramFrequency(), 0.000001);
    QCOMPARE(dictionary.maxBigramFrequency(), 0.01);
    QCOMPARE(dictionary.maxCharacterFrequency(), 1000.0);
}

void TestDictionary::statisticsOfEmptyTablesAreNotCached()
{
    const QString path = m_dir.filePath(QStringLiteral("empty.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "empty-writer");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery(db).exec("CREATE TABLE Bigrams (simplified TEXT, frequency REAL)");
        db.close();
    }
    QSqlDatabase::removeDatabase("empty-writer");

    Dictionary dictionary;
    QVERIFY(dictionary.open(path));
    QCOMPARE(dictionary.maxBigramFrequency(), 0.0);
    QCOMPARE(dictionary.maxCharacterFrequency(), 0.0); // no such table
    QVERIFY(QSqlQuery(dictionary.database()).exec("INSERT INTO Bigrams VALUES ('ab', 0.25)"));
    QCOMPARE(dictionary.maxBigramFrequency(), 0.25);
}

void TestDictionary::bigramFrequency_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<double>("frequency");

    QTest::newRow("preloaded") << "中国" << 0.01;
    QTest::newRow("below the preload threshold") << "中心" << 0.000001;
    QTest::newRow("no row") << "中文" << 0.0;
    QTest::newRow("one character") << "中" << 0.0;
    QTest::newRow("three characters") << "热狗摊" << 0.0;
}

void TestDictionary::bigramFrequency()
{
    QFETCH(QString, word);
    QFETCH(double, frequency);
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    QCOMPARE(dictionary->bigramFrequency(word), frequency);
    QCOMPARE(dictionary->bigramFrequency(word), frequency);
}

void TestDictionary::frequencyScore_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<double>("score");

    const double minBigram = 0.000001;
    QTest::newRow("bigram") << "你好" << 0.5;
    QTest::newRow("two characters without bigram")
        << "国心" << (800 + 400) / 2.0 / 1000 * minBigram;
    QTest::newRow("a character without row counts as 0") << "中文" << 1000 / 2.0 / 1000 * minBigram;
    QTest::newRow("one character") << "好" << 0.9;
    QTest::newRow("latin letters are skipped") << "好A" << 0.9 * minBigram;
    QTest::newRow("three characters") << "中国心" << (1000 + 800 + 400) / 3.0 / 1000 * minBigram;
    QTest::newRow("no chinese") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void TestDictionary::frequencyScore()
{
    QFETCH(QString, word);
    QFETCH(double, score);
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    QVERIFY(qAbs(dictionary->frequencyScore(word) - score) < 1e-15);
}

void TestDictionary::unitsAreLoadedOnceAndOwned()
{
    const QString path = m_dir.filePath(QStringLiteral("owned.db"));
    QVERIFY(QFile::copy(m_path, path));
    QPointer<KnowledgeUnit> watched;
    {
        Dictionary dictionary;
        QVERIFY(dictionary.open(path));
        KnowledgeUnit* unit = dictionary.knowledgeUnit(2);
        QVERIFY(unit);
        QCOMPARE(unit->simplified(), QStringLiteral("中国"));
        QCOMPARE(unit->pinyinWithToneMarks(), QStringLiteral("zhōng guó"));
        // Served from the cache: the row is gone but the same object comes back.
        QVERIFY(QSqlQuery(dictionary.database()).exec("DELETE FROM KnowledgeUnits WHERE id=2"));
        QCOMPARE(dictionary.knowledgeUnit(2), unit);
        QCOMPARE(dictionary.knowledgeUnit(99999), nullptr);
        watched = unit;
    }
    QVERIFY(watched.isNull());
}

void TestDictionary::unitsByIdsInBatches()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    KnowledgeUnit* cachedA = dictionary->knowledgeUnit(1500);
    KnowledgeUnit* cachedB = dictionary->knowledgeUnit(2000);
    QVERIFY(cachedA && cachedB);

    IdList ids;
    for (int id = 1001; id <= 2900; ++id)
        ids << id;
    ids << 777777; // no such row
    const QList<KnowledgeUnit*> units = dictionary->knowledgeUnitsByIds(ids);

    // In the order of the ids, whichever were cached (the order of a search's results must not
    // depend on what was looked at before); an id without a row is left out.
    IdList expected = ids;
    expected.removeLast();
    QCOMPARE(idsOf(units), expected);
    QCOMPARE(units.at(1500 - 1001), cachedA);
    QCOMPARE(units.at(2000 - 1001), cachedB);
    QVERIFY(dictionary->knowledgeUnitsByIds({}).isEmpty());
    // A second call hands out the same objects.
    QCOMPARE(dictionary->knowledgeUnitsByIds({2900}).first(), units.last());
}

void TestDictionary::syntheticEntries()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    KnowledgeUnit* key =
        dictionary->findKnowledgeUnit(0, QStringLiteral("匙"), QStringLiteral("SHI5"));
    QVERIFY(key);
    QCOMPARE(key->definitions(), QStringList{"key (钥匙)"});
    QCOMPARE(key->pinyin(), QStringLiteral("shi5"));
    QCOMPARE(key->pinyinWithToneMarks(), QStringLiteral("shi"));
    QCOMPARE(key->traditional(), QStringLiteral("匙"));
    QVERIFY(key->id() >= 1000000);

    KnowledgeUnit* claw =
        dictionary->findKnowledgeUnit(0, QStringLiteral("爪"), QStringLiteral("zhao3"));
    QVERIFY(claw);
    QCOMPARE(claw->definitions(),
             (QStringList{"claw (of an eagle)", "claw (of a cat, dog, etc.) [zhua3]"}));
    QCOMPARE(claw->pinyin(), QStringLiteral("zhao3"));
    // The earlier synthetic entry is still owned by the cache and unchanged.
    QVERIFY(claw != key);
    QCOMPARE(dictionary->knowledgeUnit(key->id()), key);
    QCOMPARE(key->definitions(), QStringList{"key (钥匙)"});
    QCOMPARE(dictionary->findKnowledgeUnit(0, QStringLiteral("匙"), QStringLiteral("shi5")), key);

    // Another reading goes to the database.
    KnowledgeUnit* spoon =
        dictionary->findKnowledgeUnit(0, QStringLiteral("匙"), QStringLiteral("shi2"));
    QVERIFY(spoon);
    QCOMPARE(spoon->id(), 15);
}

void TestDictionary::findKnowledgeUnit_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<int>("id");

    QTest::newRow("v spelling") << 0 << "绿"
                                << "lv4" << 11;
    QTest::newRow("ü spelling") << 0 << "绿"
                                << "lü4" << 11;
    QTest::newRow("traditional, stored spelling") << 1 << "綠"
                                                  << "lu:4" << 11;
    QTest::newRow("case ignored on retry") << 0 << "中国"
                                           << "Zhong1 Guo2" << 2;
    QTest::newRow("first reading without pinyin") << 0 << "好"
                                                  << "" << 6;
    QTest::newRow("second reading") << 0 << "好"
                                    << "hao4" << 8;
    QTest::newRow("wrong reading") << 0 << "好"
                                   << "hao2" << -1;
    QTest::newRow("traditional column") << 1 << "媽"
                                        << "ma1" << 16;
    QTest::newRow("single quote in characters") << 0 << "A'梦"
                                                << "" << 21;
    QTest::newRow("double quote, pinyin case retry") << 1 << "A\"夢"
                                                     << "a meng4" << 21;
    QTest::newRow("quote cannot widen the statement") << 0 << "x' OR '1'='1"
                                                      << "" << -1;
    QTest::newRow("unknown") << 0 << "不在"
                             << "" << -1;
}

void TestDictionary::findKnowledgeUnit()
{
    QFETCH(int, column);
    QFETCH(QString, characters);
    QFETCH(QString, pinyin);
    QFETCH(int, id);
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    KnowledgeUnit* unit = dictionary->findKnowledgeUnit(column, characters, pinyin);
    QCOMPARE(unit ? unit->id() : -1, id);
    if (unit) {
        // Found again from the cache, as the same object.
        QCOMPARE(dictionary->findKnowledgeUnit(column, characters), unit);
        QCOMPARE(dictionary->knowledgeUnit(id), unit);
    }
}

static bool createProfileUnits(QSqlDatabase& db)
{
    return QSqlQuery(db).exec(
        "CREATE TABLE KnowledgeUnits (id INTEGER PRIMARY KEY AUTOINCREMENT, uuid TEXT, "
        "simplified TEXT, traditional TEXT, pinyin TEXT, pinyinMerged TEXT, "
        "pinyinMergedNoTones TEXT, definition TEXT, score REAL, lastTimePracticed INTEGER, "
        "owner INTEGER, variants TEXT, creationDate INTEGER, updateDate INTEGER)");
}

void TestDictionary::saveInsertsAndUpdates()
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "profile-like");
    db.setDatabaseName(":memory:");
    QVERIFY(db.open());
    QVERIFY(createProfileUnits(db));
    {
        Dictionary dictionary;
        dictionary.setDatabase(db);
        QSignalSpy updated(&dictionary, &Dictionary::knowledgeUnitUpdated);

        QObject editor;
        auto* unit = new KnowledgeUnit(&editor);
        unit->setSimplified(QStringLiteral("他说'不'"));
        unit->setTraditional(QStringLiteral("他說\"不\""));
        unit->setPinyinWithToneMarks(QStringLiteral("tā shuō bù"));
        unit->setDefinitions({QStringLiteral("he says \"no\""), QStringLiteral("see [bù]")});
        unit->setOwner(1);
        QVERIFY(dictionary.saveKnowledgeUnit(unit));
        QVERIFY(unit->id() > 0);
        QCOMPARE(unit->parent(), nullptr); // the dictionary owns it now
        QCOMPARE(dictionary.knowledgeUnit(unit->id()), unit);
        QCOMPARE(updated.count(), 0);

        QSqlQuery row(db);
        QVERIFY(row.exec("SELECT * FROM KnowledgeUnits"));
        QVERIFY(row.next());
        QStringList written;
        for (int i = 0; i < row.record().count(); ++i)
            if (!row.isNull(i))
                written << row.record().fieldName(i);
        QCOMPARE(written, (QStringList{"id", "uuid", "simplified", "traditional", "pinyin",
                                       "definition", "owner"}));
        QCOMPARE(row.value("simplified").toString(), QStringLiteral("他说'不'"));
        QCOMPARE(row.value("traditional").toString(), QStringLiteral("他說\"不\""));
        QCOMPARE(row.value("pinyin").toString(), QStringLiteral("ta1 shuo1 bu4"));
        QCOMPARE(row.value("definition").toString(), QStringLiteral("he says \"no\"/see [bu4]"));
        QCOMPARE(row.value("uuid").toString(), unit->uuid());

        // An update of a unit with user data writes the practice fields, not the creation date.
        unit->setType(2);
        unit->setScore(2.5f);
        unit->setLastTimePracticed(1700000000);
        unit->setUpdateDate(QDateTime::fromMSecsSinceEpoch(1600000000000, Qt::UTC));
        unit->setDefinition(QStringLiteral("changed"));
        const int id = unit->id();
        QVERIFY(dictionary.saveKnowledgeUnit(unit));
        QCOMPARE(unit->id(), id);
        QCOMPARE(updated.count(), 1);
        QCOMPARE(updated.first().first().toInt(), id);
        QVERIFY(row.exec("SELECT definition, score, lastTimePracticed, updateDate, creationDate, "
                         "COUNT(*) FROM KnowledgeUnits"));
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toString(), QStringLiteral("changed"));
        QCOMPARE(row.value(1).toDouble(), 2.5);
        QCOMPARE(row.value(2).toLongLong(), Q_INT64_C(1700000000));
        QCOMPARE(row.value(3).toLongLong(), Q_INT64_C(1600000000000));
        QVERIFY(row.value(4).isNull());
        QCOMPARE(row.value(5).toInt(), 1);

        // A new unit with user data is inserted with its creation date.
        auto* practised = new KnowledgeUnit;
        practised->setType(2);
        practised->setSimplified(QStringLiteral("好"));
        practised->setCreationDate(QDateTime::fromMSecsSinceEpoch(1500000000000, Qt::UTC));
        QVERIFY(dictionary.saveKnowledgeUnit(practised));
        QVERIFY(practised->id() > id);
        QVERIFY(row.exec(QStringLiteral("SELECT creationDate, updateDate FROM KnowledgeUnits "
                                        "WHERE id=%1")
                             .arg(practised->id())));
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toLongLong(), Q_INT64_C(1500000000000));
        QCOMPARE(row.value(1).toLongLong(), Q_INT64_C(1500000000000));

        // Loading it back through another dictionary gives the same unit content.
        Dictionary reader;
        reader.setDatabase(db);
        KnowledgeUnit* loaded = reader.knowledgeUnit(id);
        QVERIFY(loaded);
        QCOMPARE(loaded->type(), 2);
        QCOMPARE(loaded->score(), 2.5f);
        QCOMPARE(loaded->simplified(), QStringLiteral("他说'不'"));
        QVERIFY(loaded != unit);
    }
    // The bound connection belongs to its owner and stays open.
    QVERIFY(db.isOpen());
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("profile-like");
}

void TestDictionary::failedSaveKeepsTheId()
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "no-table");
    db.setDatabaseName(":memory:");
    QVERIFY(db.open());
    {
        Dictionary dictionary;
        dictionary.setDatabase(db);
        KnowledgeUnit unit;
        unit.setSimplified(QStringLiteral("好"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not save"));
        QVERIFY(!dictionary.saveKnowledgeUnit(&unit));
        QCOMPARE(unit.id(), -1);
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("no-table");
}

void TestDictionary::radicals()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    KnowledgeUnit* speech = dictionary->radical(7);
    QVERIFY(speech);
    QCOMPARE(dictionary->radical(1007), speech);
    QCOMPARE(speech->id(), 10000007);
    QCOMPARE(speech->radicalId(), 7);
    QCOMPARE(speech->definitions(), QStringList{"speech"});
    QCOMPARE(dictionary->radicalCharacter(7), QChar(u'言'));
    QCOMPARE(dictionary->radicalCharacter(1007), QChar(u'讠'));
    QCOMPARE(dictionary->radical(8), nullptr);
    QCOMPARE(dictionary->radicalCharacter(8), QChar());

    QCOMPARE(dictionary->radicalForCharacter(QStringLiteral("訁")), speech); // a variant
    QCOMPARE(dictionary->radicalForCharacter(QStringLiteral("言")), speech);
    QCOMPARE(dictionary->radicalForCharacter(QStringLiteral("犬"))->radicalId(), 94);
    QCOMPARE(dictionary->radicalForCharacter(QStringLiteral("x")), nullptr);
    // Radicals are not dictionary entries.
    QCOMPARE(dictionary->knowledgeUnit(10000007), nullptr);
}

void TestDictionary::decompositionParts()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    QCOMPARE(dictionary->decompositionPart(0), QChar());
    QCOMPARE(dictionary->decompositionPart(-3), QChar());
    QCOMPARE(dictionary->decompositionPart(1), QChar(u'一'));
    QCOMPARE(dictionary->decompositionPart(5), QChar(u'子'));
    QCOMPARE(dictionary->decompositionPart(6), QChar());
    QCOMPARE(dictionary->parts(dictionary->character(QChar(u'中'))), QStringLiteral("口丨"));
}

void TestDictionary::characters()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    CharacterInfo* mother = dictionary->character(QStringLiteral("妈妈"));
    QVERIFY(mother);
    QCOMPARE(mother->character, QChar(u'妈'));
    QCOMPARE(mother->partIds, (QList<int>{38, 48}));
    QCOMPARE(mother->traditionalForm, QChar(u'媽'));
    QCOMPARE(mother->simplifiedForm, QChar());
    QCOMPARE(mother->rank, 20);
    QCOMPARE(mother->dictionary, dictionary.get());
    QCOMPARE(dictionary->character(QChar(u'妈')), mother);
    QCOMPARE(dictionary->character(QString()), nullptr);
    QCOMPARE(dictionary->character(QChar(u'文')), nullptr);

    // By id: cached records first, then the fetched ones.
    const QList<CharacterInfo*> records = dictionary->charactersByIds({1, 2, 999});
    QCOMPARE(records.size(), 2);
    QCOMPARE(dictionary->charactersByIds({2}).first(), records.at(1));
    QCOMPARE(charactersOf(dictionary->charactersOfRadical(38)), setOf(QStringLiteral("好妈媽")));
}

void TestDictionary::search_data()
{
    QTest::addColumn<bool>("indexed");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<IdList>("ids");

    for (bool indexed : {false, true}) {
        const char* path = indexed ? "memory" : "statement";
        auto row = [&](const char* name) {
            return &QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(path, name)));
        };
        *row("whole word only") << indexed << 5 << "cat" << IdList{3, 5};
        *row("case ignored in English") << indexed << 5 << "CAT" << IdList{3, 5};
        *row("part of a word") << indexed << 5 << "ategor" << IdList{};
        *row("two words keep substrings") << indexed << 5 << "k ca" << IdList{5};
        *row("pinyin with tones, case ignored") << indexed << 3 << "ZHONG1GUO2" << IdList{2};
        *row("pinyin without tones") << indexed << 4 << "zhong" << IdList{1, 2, 20};
        *row("u: spelling") << indexed << 3 << "lu:4" << IdList{11};
        *row("simplified substring") << indexed << 0 << "中" << IdList{1, 2, 20};
        *row("traditional") << indexed << 1 << "貓" << IdList{3, 5};
        *row("simplified does not find traditional") << indexed << 0 << "貓" << IdList{};
        *row("latin letters in characters") << indexed << 0 << "ok" << IdList{19};
        *row("apostrophe") << indexed << 5 << "I'm" << IdList{12};
        *row("apostrophe inside a word") << indexed << 5 << "don't" << IdList{13};
        *row("double quote") << indexed << 5 << "mark \"" << IdList{18};
        *row("a sign that lower-cases to a word") << indexed << 5 << "k" << IdList{24};
        *row("no column for pinyin") << indexed << 2 << "hao" << IdList{};
        *row("no column for auto") << indexed << 6 << "hao" << IdList{};
    }
}

void TestDictionary::search()
{
    QFETCH(bool, indexed);
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(IdList, ids);
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    dictionary->setSearchIndexEnabled(indexed);
    QCOMPARE(dictionary->searchIds(Dictionary::TextType(type), text), ids);
    IdList found = idsOf(dictionary->search(Dictionary::TextType(type), text));
    std::sort(found.begin(), found.end());
    QCOMPARE(found, ids);
}

void TestDictionary::searchPathsAgree()
{
    auto indexed = openFixture();
    QVERIFY(indexed);
    Dictionary plain;
    plain.setDatabase(indexed->database());
    QVERIFY(!plain.isSearchIndexEnabled());
    QVERIFY(indexed->isSearchIndexEnabled());
    // Every substring of a few texts, each type: both paths give the same ids in the same order.
    const QStringList texts{"中国",      "zhong1guo2", "Ao4bu4", "O'Brien (name)", "fill",
                            "FILLER 12", "卡拉OK",     "100%",   "fully_",         "l",
                            "",          "a\"",        "k ca",   "ZHONG"};
    int compared = 0;
    for (int type : {0, 1, 3, 4, 5}) {
        for (const QString& text : texts) {
            for (int length = 0; length <= text.size(); ++length) {
                const QString part = text.left(length);
                const auto t = Dictionary::TextType(type);
                QCOMPARE(indexed->searchIds(t, part), plain.searchIds(t, part));
                ++compared;
            }
        }
    }
    QVERIFY(compared > 200);
}

void TestDictionary::rankOneExactMatchFirst()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    QList<KnowledgeUnit*> units = dictionary->knowledgeUnitsByIds({20, 2, 1});
    dictionary->rankResults(Dictionary::Simplified, QStringLiteral("中"), units);
    // 中 exactly, then 中国 (common bigram), then 中心 (rare bigram).
    QCOMPARE(idsOf(units), (IdList{1, 2, 20}));
}

void TestDictionary::rankSeveralExactMatchesByCommonness()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    // 媽 (rare) and 妈 (common) both read ma1 exactly; 中 is inexact but scores 0.8, the most
    // an inexact match can: the exact ones end between 0.8 and 1.0, the more common first.
    QList<KnowledgeUnit*> units = dictionary->knowledgeUnitsByIds({1, 22, 16});
    dictionary->rankResults(Dictionary::PinyinWithTones, QStringLiteral("MA1"), units);
    QCOMPARE(idsOf(units), (IdList{16, 22, 1}));

    // A single exact match keeps its full score and stays ahead of everything.
    units = dictionary->knowledgeUnitsByIds({1, 22});
    dictionary->rankResults(Dictionary::PinyinWithTones, QStringLiteral("ma1"), units);
    QCOMPARE(idsOf(units), (IdList{22, 1}));
}

void TestDictionary::rankEnglishLaterDefinitionReplacesEarlier()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    // Units without Chinese characters have frequency 0, so the score is half the match value.
    auto make = [](const QString& definition) {
        auto* unit = new KnowledgeUnit;
        unit->setDefinition(definition);
        return unit;
    };
    std::unique_ptr<KnowledgeUnit> exactThenLong(make("dog/hot dog stand")); // 3/13
    std::unique_ptr<KnowledgeUnit> shortPhrase(make("big dog"));             // 3/7
    std::unique_ptr<KnowledgeUnit> longPhrase(make("dog food in a bowl"));   // 3/18
    std::unique_ptr<KnowledgeUnit> exact(make("dog (animal)"));              // 1
    std::unique_ptr<KnowledgeUnit> notAWord(make("doggy"));                  // 0
    QList<KnowledgeUnit*> units{notAWord.get(), longPhrase.get(), exactThenLong.get(),
                                shortPhrase.get(), exact.get()};
    dictionary->rankResults(Dictionary::English, QStringLiteral("Dog"), units);
    QCOMPARE(units, (QList<KnowledgeUnit*>{exact.get(), shortPhrase.get(), exactThenLong.get(),
                                           longPhrase.get(), notAWord.get()}));
}

void TestDictionary::rankFollowsEditedUnits()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    // Ranking keeps data derived from the units it ordered; an edited unit must be ranked by
    // its new texts, not by what was kept.
    QList<KnowledgeUnit*> units = dictionary->knowledgeUnitsByIds({1, 22});
    KnowledgeUnit* zhong = units.at(0);
    KnowledgeUnit* ma = units.at(1);
    dictionary->rankResults(Dictionary::PinyinWithoutTones, QStringLiteral("ma"), units);
    QCOMPARE(idsOf(units), (IdList{22, 1}));
    zhong->setPinyin(QStringLiteral("ma1"));
    ma->setPinyin(QStringLiteral("mo1"));
    dictionary->rankResults(Dictionary::PinyinWithoutTones, QStringLiteral("ma"), units);
    QCOMPARE(idsOf(units), (IdList{1, 22}));

    dictionary->rankResults(Dictionary::Simplified, zhong->simplified(), units);
    QCOMPARE(idsOf(units), (IdList{1, 22}));
    ma->setSimplified(zhong->simplified());
    zhong->setSimplified(QStringLiteral("x"));
    dictionary->rankResults(Dictionary::Simplified, ma->simplified(), units);
    QCOMPARE(idsOf(units), (IdList{22, 1}));

    // Equally rare characters: only the definitions decide.
    ma->setSimplified(QStringLiteral("x"));
    ma->setDefinition(QStringLiteral("cat"));
    zhong->setDefinition(QStringLiteral("dog"));
    dictionary->rankResults(Dictionary::English, QStringLiteral("dog"), units);
    QCOMPARE(idsOf(units), (IdList{1, 22}));
    ma->setDefinitions({QStringLiteral("dog")});
    zhong->setDefinitions({QStringLiteral("cat")});
    dictionary->rankResults(Dictionary::English, QStringLiteral("dog"), units);
    QCOMPARE(idsOf(units), (IdList{22, 1}));
}

void TestDictionary::lookupDetectsTheTextType_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("first");

    QTest::newRow("simplified") << "中国" << 0 << "中国" << 2;
    QTest::newRow("traditional after nothing simplified") << "鑰匙" << 1 << "鑰匙" << 14;
    QTest::newRow("numbered pinyin with a blank") << "zhong1 guo2" << 3 << "zhong1guo2" << 2;
    QTest::newRow("tone marks") << "Zhōngguó" << 3 << "zhong1guo2" << 2;
    QTest::newRow("toneless pinyin") << "zhongguo" << 4 << "zhongguo" << 2;
    QTest::newRow("partial numbered pinyin") << "ni3 hao" << 3 << "ni3hao" << 7;
    QTest::newRow("tones found nothing, toneless neither, English")
        << "hao3 ni" << 5 << "hao3 ni" << -1;
    QTest::newRow("toneless exact matches first") << "hao" << 4 << "hao" << 6;
    QTest::newRow("English word") << "cat" << 5 << "cat" << 3;
    QTest::newRow("apostrophe") << "I'm" << 5 << "I'm" << 12;
    QTest::newRow("apostrophe between syllables") << "zhong'guo" << 4 << "zhongguo" << 2;
    QTest::newRow("marked, typographic apostrophe") << "Zhōng’guó" << 3 << "zhong1guo2" << 2;
    QTest::newRow("Chinese found nowhere falls back to English") << "隻" << 5 << "隻" << -1;
}

void TestDictionary::lookupDetectsTheTextType()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(QString, query);
    QFETCH(int, first);
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    const Dictionary::LookupResult result = dictionary->lookup(Dictionary::AutoDetect, text);
    QCOMPARE(int(result.type), type);
    QCOMPARE(result.query, query);
    QCOMPARE(result.units.isEmpty() ? -1 : result.units.first()->id(), first);
}

void TestDictionary::sentences()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    QList<Sentence> found = dictionary->sentences(QStringLiteral("你好"), 5);
    IdList ids;
    for (const Sentence& s : found)
        ids << s.id;
    QCOMPARE(ids, (IdList{4, 2, 6, 1, 3}));
    QCOMPARE(found.first().english, QStringLiteral("Hi!"));
    QCOMPARE(found.first().characterFrequency, 0.95);
    QCOMPARE(found.first().dictionary, dictionary.get());
    QCOMPARE(dictionary->sentences(QStringLiteral("你好"), 0).size(), 6);

    found = dictionary->sentences(QStringLiteral("鑰匙"));
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().id, 7);
    QVERIFY(dictionary->sentences(QStringLiteral("不存在")).isEmpty());
}

void TestDictionary::similarCharactersSameEnd_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("expected");

    // 甲 has parts 12,40,7: candidates end in 7,40 and continue with at least one more part.
    QTest::newRow("any form") << "甲"
                              << ""
                              << "乙丙庚";
    QTest::newRow("simplified") << "甲"
                                << "simplified"
                                << "乙丙庚";
    QTest::newRow("traditional excludes characters with a traditional form") << "甲"
                                                                             << "traditional"
                                                                             << "乙丙";
    QTest::newRow("a single part") << "心"
                                   << ""
                                   << "";
    QTest::newRow("no record") << "文"
                               << ""
                               << "";
}

void TestDictionary::similarCharactersSameEnd()
{
    QFETCH(QString, character);
    QFETCH(QString, form);
    QFETCH(QString, expected);
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    const QList<CharacterInfo*> similar =
        dictionary->similarCharacters(character.at(0), form, QStringLiteral("sameEnd"), 0);
    QCOMPARE(similar.size(), expected.size());
    QCOMPARE(charactersOf(similar), setOf(expected));
    if (expected.size() > 1) {
        const QList<CharacterInfo*> limited =
            dictionary->similarCharacters(character.at(0), form, QStringLiteral("sameEnd"), 1);
        QCOMPARE(limited.size(), 1);
        QVERIFY(expected.contains(limited.first()->character));
    }
}

void TestDictionary::similarCharactersSameRadical()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    const QChar dog(u'狗');
    // Rank 19999 is proposed, 20000 is not; the character itself never.
    QCOMPARE(charactersOf(dictionary->similarCharacters(dog, QString(), "sameRadical", 0)),
             setOf(QStringLiteral("猫狐独狼犭")));
    QCOMPARE(charactersOf(dictionary->similarCharacters(dog, "traditional", "sameRadical", 0)),
             setOf(QStringLiteral("狐狼犭")));
    QCOMPARE(dictionary->similarCharacters(dog, QString(), "sameRadical", 2).size(), 2);
    QVERIFY(dictionary->similarCharacters(dog, QString(), "sameShape", 0).isEmpty());
}

void TestDictionary::randomKnowledgeUnits()
{
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    // Two-syllable readings other than ni3 hao3: seven rows exist.
    QList<KnowledgeUnit*> units =
        dictionary->randomKnowledgeUnits(Dictionary::Pinyin, 3, QStringLiteral("ni3 hao3"), 2);
    QCOMPARE(units.size(), 3);
    for (KnowledgeUnit* unit : units) {
        QCOMPARE(unit->pinyin().count(QLatin1Char(' ')), 1);
        QVERIFY(unit->pinyin() != QLatin1String("ni3 hao3"));
    }
    // Not enough of that length: drawn again without the length condition.
    units = dictionary->randomKnowledgeUnits(Dictionary::Pinyin, 40, QStringLiteral("ni3 hao3"), 2);
    QCOMPARE(units.size(), 40);
    for (KnowledgeUnit* unit : units)
        QVERIFY(unit->pinyin() != QLatin1String("ni3 hao3"));

    units = dictionary->randomKnowledgeUnits(Dictionary::Simplified, 4, QStringLiteral("中"), 1);
    QCOMPARE(units.size(), 4);
    for (KnowledgeUnit* unit : units) {
        QCOMPARE(unit->simplified().size(), 1);
        QVERIFY(unit->simplified() != QLatin1String("中"));
    }
    units = dictionary->randomKnowledgeUnits(Dictionary::English, 5, QStringLiteral("dog"), 4);
    QCOMPARE(units.size(), 5);
    for (KnowledgeUnit* unit : units)
        QVERIFY(unit->definition() != QLatin1String("dog"));
    QCOMPARE(dictionary->randomKnowledgeUnits(Dictionary::Simplified, 6, QString(), 2).size(), 6);
    // Quotes in the excluded text are data.
    units =
        dictionary->randomKnowledgeUnits(Dictionary::Simplified, 2000, QStringLiteral("A'梦"), 0);
    QCOMPARE(units.size(), 1923);
}

void TestDictionary::quotesAreData_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<IdList>("ids");

    QTest::newRow("single quote") << "A'梦" << IdList{21};
    QTest::newRow("double quote") << "A\"夢" << IdList{21};
    QTest::newRow("attempt to widen") << "x\" OR 1=1 --" << IdList{};
    QTest::newRow("attempt to widen, single") << "x' OR '1'='1" << IdList{};
}

void TestDictionary::quotesAreData()
{
    QFETCH(QString, text);
    QFETCH(IdList, ids);
    auto dictionary = openFixture();
    QVERIFY(dictionary);
    QCOMPARE(idsOf(dictionary->knowledgeUnitsForCharacters({text, QStringLiteral("无")})), ids);
    QCOMPARE(dictionary->searchIds(Dictionary::Simplified, text) +
                 dictionary->searchIds(Dictionary::Traditional, text),
             ids.isEmpty() ? IdList{} : IdList{21});
    QCOMPARE(dictionary->bigramFrequency(text.left(2)), 0.0);

    // Sentences with quotes in either script.
    QCOMPARE(dictionary->sentences(QStringLiteral("'不'")).size(), 1);
    QCOMPARE(dictionary->sentences(QStringLiteral("\"不\"")).size(), 1);
    QVERIFY(dictionary->sentences(QStringLiteral("\" OR 1=1 --")).isEmpty());
}

void TestDictionary::missingOrBrokenFileStaysClosed()
{
    const QString missing = m_dir.filePath(QStringLiteral("missing/Dictionary.db"));
    Dictionary dictionary;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no database file"));
    QVERIFY(!dictionary.open(missing, QStringLiteral("missing")));
    QVERIFY(!QFile::exists(missing));
    QVERIFY(!dictionary.isOpen());
    QVERIFY(dictionary.search(Dictionary::English, QStringLiteral("cat")).isEmpty());
    QCOMPARE(dictionary.knowledgeUnit(1), nullptr);
    QCOMPARE(dictionary.frequencyScore(QStringLiteral("中国")), 0.0);

    const QString garbage = m_dir.filePath(QStringLiteral("garbage.db"));
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    Dictionary broken;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not a readable database"));
    QVERIFY(!broken.open(garbage, QStringLiteral("garbage")));
    QVERIFY(broken.lookup(Dictionary::AutoDetect, QStringLiteral("cat")).units.isEmpty());
}

QTEST_GUILESS_MAIN(TestDictionary)
#include "tst_dictionary.moc"
