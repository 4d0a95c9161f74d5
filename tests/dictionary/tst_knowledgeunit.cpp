#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

using namespace korvo;

class TestKnowledgeUnit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void derivesPinyinForms_data();
    void derivesPinyinForms();
    void settingOneFormClearsTheOther();
    void definitionsAndCrossReferences();
    void setDefinitionWithSeparator_data();
    void setDefinitionWithSeparator();
    void scoreIsNeverNegative();
    void datesAreFixedOnFirstRead();
    void loadsDictionaryAndProfileRows();
    void variantMapHonoursOptions_data();
    void variantMapHonoursOptions();
    void fromVariantMapReadsWhatWasWritten();
    void cloneCopiesContentNotIdentity();

private:
    QSqlDatabase m_db;
};

void TestKnowledgeUnit::initTestCase()
{
    initPinyinTables();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("units"));
    m_db.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(m_db.open());
}

void TestKnowledgeUnit::cleanupTestCase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("units"));
}

void TestKnowledgeUnit::derivesPinyinForms_data()
{
    QTest::addColumn<QString>("numbered");
    QTest::addColumn<QString>("marked");
    QTest::addColumn<QString>("merged");
    QTest::addColumn<QString>("mergedNoTones");
    QTest::addColumn<QStringList>("syllables");
    QTest::addColumn<QStringList>("markedSyllables");

    QTest::newRow("ni3 hao3") << "ni3 hao3"
                              << "nǐ hǎo"
                              << "ni3hao3"
                              << "nihao" << QStringList{"ni3", "hao3"} << QStringList{"nǐ", "hǎo"};
    QTest::newRow("u: spelling") << "lu:4 se4"
                                 << "lǜ sè"
                                 << "lu:4se4"
                                 << "lu:se" << QStringList{"lü4", "se4"} << QStringList{"lǜ", "sè"};
    QTest::newRow("no pinyin") << ""
                               << ""
                               << ""
                               << "" << QStringList() << QStringList();
}

void TestKnowledgeUnit::derivesPinyinForms()
{
    QFETCH(QString, numbered);
    QFETCH(QString, marked);
    QFETCH(QString, merged);
    QFETCH(QString, mergedNoTones);
    QFETCH(QStringList, syllables);
    QFETCH(QStringList, markedSyllables);

    KnowledgeUnit unit;
    unit.setPinyin(numbered);
    QCOMPARE(unit.pinyinWithToneMarks(), marked);
    QCOMPARE(unit.pinyinMerged(), merged);
    QCOMPARE(unit.pinyinMergedNoTones(), mergedNoTones);
    QCOMPARE(unit.syllables(), syllables);
    QCOMPARE(unit.syllablesWithToneMarks(), markedSyllables);
    QCOMPARE(unit.pinyin(), numbered);
}

void TestKnowledgeUnit::settingOneFormClearsTheOther()
{
    KnowledgeUnit unit;
    unit.setPinyin(QStringLiteral("ni3 hao3"));
    QCOMPARE(unit.syllables().size(), 2);
    unit.setPinyinWithToneMarks(QStringLiteral("māma"));
    // Every syllable gets a digit, the neutral one included.
    QCOMPARE(unit.pinyin(), QStringLiteral("ma1ma5"));
    QCOMPARE(unit.pinyinMerged(), QStringLiteral("ma1ma5"));
    QCOMPARE(unit.pinyinMergedNoTones(), QStringLiteral("mama"));
    QCOMPARE(unit.syllables(), (QStringList{"ma1", "ma5"}));
    QCOMPARE(unit.pinyinWithToneMarksNoSpaces(), QStringLiteral("māma"));

    unit.setPinyin(QStringLiteral("zhong1 guo2"));
    QCOMPARE(unit.pinyinWithToneMarks(), QStringLiteral("zhōng guó"));
    QCOMPARE(unit.pinyinWithToneMarksNoSpaces(), QStringLiteral("zhōngguó"));
}

void TestKnowledgeUnit::definitionsAndCrossReferences()
{
    KnowledgeUnit unit;
    unit.setDefinition(QStringLiteral("to grasp/claw [zhua3]/see [ma1 ma5] and [hao3]"));
    QCOMPARE(unit.definitions(), (QStringList{"to grasp", "claw [zhuǎ]", "see [mā ma] and [hǎo]"}));
    QCOMPARE(unit.definitionText(), QStringLiteral("to grasp; claw [zhuǎ]; see [mā ma] and [hǎo]"));
    QCOMPARE(unit.definition(), QStringLiteral("to grasp/claw [zhua3]/see [ma1 ma5] and [hao3]"));

    // From a list back to the stored text: marks inside brackets become numbers again.
    unit.setDefinitions(
        {QStringLiteral("claw"), QStringLiteral("see [zhuǎ] or [mā ma]"), QString()});
    QCOMPARE(unit.definition(), QStringLiteral("claw/see [zhua3] or [ma1 ma5]/"));
    QCOMPARE(unit.definitionText(), QStringLiteral("claw; see [zhuǎ] or [mā ma]; "));

    // Empty parts are kept when splitting.
    unit.setDefinition(QStringLiteral("a//b"));
    QCOMPARE(unit.definitions(), (QStringList{"a", "", "b"}));
}

void TestKnowledgeUnit::setDefinitionWithSeparator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("stored");

    QTest::newRow("semicolons, empty part kept") << " a ;; b "
                                                 << ";"
                                                 << "a//b";
    QTest::newRow("slash is stored as given") << " a / b "
                                              << "/"
                                              << " a / b ";
    QTest::newRow("slashes inside a semicolon text") << "x/y ; z"
                                                     << ";"
                                                     << "x/y/z";
}

void TestKnowledgeUnit::setDefinitionWithSeparator()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(QString, stored);

    KnowledgeUnit unit;
    unit.setDefinitions({QStringLiteral("old")});
    unit.setDefinition(text, separator);
    QCOMPARE(unit.definition(), stored);
    QCOMPARE(unit.definitions(), stored.split(QLatin1Char('/')));
}

void TestKnowledgeUnit::scoreIsNeverNegative()
{
    KnowledgeUnit unit;
    unit.setScore(-2);
    QCOMPARE(unit.score(), 0.0f);
    unit.setScore(2.5f);
    QCOMPARE(unit.score(), 2.5f);

    QSqlQuery query(m_db);
    QVERIFY(query.exec(QStringLiteral("SELECT 1 AS id, -1.0 AS score")));
    QVERIFY(query.next());
    unit.loadFromQuery(query);
    QCOMPARE(unit.score(), 0.0f);
}

void TestKnowledgeUnit::datesAreFixedOnFirstRead()
{
    KnowledgeUnit unit;
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const QDateTime created = unit.creationDate();
    QVERIFY(created >= before.addMSecs(-1));
    QCOMPARE(created.timeSpec(), Qt::UTC);
    QTest::qWait(5);
    QCOMPARE(unit.creationDate(), created);
    QCOMPARE(unit.updateDate(), created);

    const QString uuid = unit.uuid();
    QCOMPARE(uuid.size(), 22);
    QCOMPARE(unit.uuid(), uuid);
}

void TestKnowledgeUnit::loadsDictionaryAndProfileRows()
{
    QSqlQuery query(m_db);
    // A dictionary row: no dates, no user columns.
    QVERIFY(query.exec(QStringLiteral(
        "SELECT 5 AS id, '你好' AS simplified, '你好' AS traditional, 'ni3 hao3' AS pinyin, "
        "'hello/hi' AS definition, '' AS variants")));
    QVERIFY(query.next());
    KnowledgeUnit unit;
    unit.setOwner(1);
    unit.setScore(3);
    unit.loadFromQuery(query);
    QCOMPARE(unit.type(), 1);
    QCOMPARE(unit.id(), 5);
    QCOMPARE(unit.pinyinWithToneMarks(), QStringLiteral("nǐ hǎo"));
    QCOMPARE(unit.definitions(), (QStringList{"hello", "hi"}));
    QCOMPARE(unit.variants(), QStringList());
    // Columns the row does not have leave the fields as they were.
    QCOMPARE(unit.owner(), 1);
    QCOMPARE(unit.score(), 3.0f);

    // A profile row: dates, score and practice data.
    QVERIFY(query.exec(QStringLiteral(
        "SELECT 7 AS id, 'abcdefghijklmnopqrstuv' AS uuid, '绿' AS simplified, '綠' AS "
        "traditional, "
        "'lu:4' AS pinyin, 'green' AS definition, 1.5 AS score, 4102444800 AS lastTimePracticed, "
        "1 AS owner, '⺯,糹' AS variants, 1600000000000 AS creationDate, 1600000001000 AS "
        "updateDate")));
    QVERIFY(query.next());
    KnowledgeUnit stored;
    stored.loadFromQuery(query);
    QCOMPARE(stored.type(), 2);
    QCOMPARE(stored.uuid(), QStringLiteral("abcdefghijklmnopqrstuv"));
    QCOMPARE(stored.score(), 1.5f);
    QCOMPARE(stored.lastTimePracticed(), Q_INT64_C(4102444800));
    QCOMPARE(stored.owner(), 1);
    QCOMPARE(stored.variants(), (QStringList{"⺯", "糹"}));
    QCOMPARE(stored.creationDate().toMSecsSinceEpoch(), Q_INT64_C(1600000000000));
    QCOMPARE(stored.updateDate().toMSecsSinceEpoch(), Q_INT64_C(1600000001000));
    QCOMPARE(stored.pinyinWithToneMarks(), QStringLiteral("lǜ"));
}

void TestKnowledgeUnit::variantMapHonoursOptions_data()
{
    QTest::addColumn<bool>("score");
    QTest::addColumn<bool>("creation");
    QTest::addColumn<bool>("update");
    QTest::addColumn<QStringList>("keys");

    const QStringList base{"definition", "pinyin", "simplified", "traditional", "type", "uuid"};
    QTest::newRow("nothing extra") << false << false << false << base;
    QTest::newRow("everything") << true << true << true
                                << base + QStringList{"creationDate", "lastTimePracticed", "score",
                                                      "updateDate"};
    QTest::newRow("update date only") << false << false << true << base + QStringList{"updateDate"};
}

void TestKnowledgeUnit::variantMapHonoursOptions()
{
    QFETCH(bool, score);
    QFETCH(bool, creation);
    QFETCH(bool, update);
    QFETCH(QStringList, keys);

    TransferOptions options;
    options.scoreDataIncluded = score;
    options.creationDateIncluded = creation;
    options.updateDateIncluded = update;

    KnowledgeUnit unit;
    unit.setPinyinWithToneMarks(QStringLiteral("nǐ hǎo"));
    const QVariantMap map = unit.toVariantMap(options);
    QStringList actual = map.keys();
    actual.sort();
    keys.sort();
    QCOMPARE(actual, keys);
    QCOMPARE(map.value("type").toString(), QStringLiteral("KnowledgeUnit"));
    QCOMPARE(map.value("pinyin").toString(), QStringLiteral("ni3 hao3"));
}

void TestKnowledgeUnit::fromVariantMapReadsWhatWasWritten()
{
    KnowledgeUnit source;
    source.setSimplified(QStringLiteral("爪"));
    source.setTraditional(QStringLiteral("爪"));
    source.setPinyin(QStringLiteral("zhao3"));
    source.setDefinitions({QStringLiteral("claw"), QStringLiteral("claw [zhuǎ]")});
    source.setScore(2.5f);
    source.setLastTimePracticed(4102444800); // 2100: needs more than 32 bits
    source.setCreationDate(QDateTime::fromMSecsSinceEpoch(1600000000000, Qt::UTC));

    const TransferOptions all;
    KnowledgeUnit copy;
    copy.fromVariantMap(source.toVariantMap(all), all);
    QCOMPARE(copy.uuid(), source.uuid());
    QCOMPARE(copy.pinyin(), QStringLiteral("zhao3"));
    QCOMPARE(copy.definition(), QStringLiteral("claw/claw [zhua3]"));
    QCOMPARE(copy.score(), 2.5f);
    QCOMPARE(copy.lastTimePracticed(), Q_INT64_C(4102444800));
    QCOMPARE(copy.creationDate().toMSecsSinceEpoch(), Q_INT64_C(1600000000000));
    QCOMPARE(copy.updateDate().toMSecsSinceEpoch(), Q_INT64_C(1600000000000));

    // Without score data the score stays; without dates they become "now"; a negative score
    // read from a file is stored as 0; null values read as defaults.
    TransferOptions none;
    none.scoreDataIncluded = false;
    none.creationDateIncluded = false;
    none.updateDateIncluded = false;
    KnowledgeUnit other;
    other.setScore(1);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    other.fromVariantMap({{"score", -4.0}, {"simplified", QVariant()}}, none);
    QCOMPARE(other.score(), 1.0f);
    QCOMPARE(other.simplified(), QString());
    QVERIFY(other.creationDate().toMSecsSinceEpoch() >= before);

    KnowledgeUnit negative;
    negative.fromVariantMap({{"score", -4.0}}, all);
    QCOMPARE(negative.score(), 0.0f);
}

void TestKnowledgeUnit::cloneCopiesContentNotIdentity()
{
    KnowledgeUnit source;
    source.setId(12);
    source.setType(2);
    source.setOwner(1);
    source.setSimplified(QStringLiteral("花儿"));
    source.setTraditional(QStringLiteral("花兒"));
    source.setPinyin(QStringLiteral("hua1 r5"));
    source.setDefinition(QStringLiteral("flower"));
    source.setScore(4);
    source.setLastTimePracticed(99);

    std::unique_ptr<KnowledgeUnit> copy(source.clone());
    QVERIFY(copy->parent() == nullptr);
    QCOMPARE(copy->id(), -1);
    QCOMPARE(copy->type(), 1);
    QVERIFY(copy->uuid() != source.uuid());
    QCOMPARE(copy->simplified(), QStringLiteral("花儿"));
    QCOMPARE(copy->traditional(), QStringLiteral("花兒"));
    // The stored pinyin survives the copy unchanged (erhua spacing included).
    QCOMPARE(copy->pinyin(), QStringLiteral("hua1 r5"));
    QCOMPARE(copy->pinyinWithToneMarks(), source.pinyinWithToneMarks());
    QCOMPARE(copy->definitions(), QStringList{"flower"});
    QCOMPARE(copy->score(), 4.0f);
    QCOMPARE(copy->lastTimePracticed(), Q_INT64_C(99));
    QCOMPARE(copy->owner(), 1);
}

QTEST_GUILESS_MAIN(TestKnowledgeUnit)
#include "tst_knowledgeunit.moc"
