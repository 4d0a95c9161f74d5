#include "../../bench/searchqueries.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"
#include "text/texthelpers.h"

#include <QFileInfo>
#include <QtTest>

#include <memory>

using namespace korvo;

// Checks on the shipped dictionary database that a learner would notice, and the proof that
// the in-memory search path returns exactly what the LIKE statements return. Skipped when the
// data build has not produced the database.
class TestDictionaryData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void learnerChecks_data();
    void learnerChecks();
    void englishCatSkipsLongerWords();
    void similarEntriesFromRealData();
    void searchPathsAgreeOnBenchmarkQueries();

private:
    QString m_path;
    std::unique_ptr<Dictionary> m_dictionary;
};

void TestDictionaryData::initTestCase()
{
    initPinyinTables();
    m_path = QStringLiteral(QUILLET_DATA_DIR "/Dictionary.db");
    if (!QFileInfo(m_path).isFile())
        QSKIP("the dictionary database has not been built");
    m_dictionary = std::make_unique<Dictionary>();
    QVERIFY(m_dictionary->open(m_path));
}

void TestDictionaryData::learnerChecks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("within");

    QTest::newRow("numbered pinyin") << "zhong1 guo2" << 3 << "中国" << 1;
    QTest::newRow("toneless pinyin") << "zhongguo" << 4 << "中国" << 3;
    QTest::newRow("tone marks") << "Zhōngguó" << 3 << "中国" << 1;
    QTest::newRow("greeting") << "ni3 hao3" << 3 << "你好" << 1;
    QTest::newRow("simplified character") << "好" << 0 << "好" << 1;
    QTest::newRow("traditional word") << "中國" << 1 << "中国" << 1;
    QTest::newRow("English cat") << "cat" << 5 << "猫" << 3;
}

void TestDictionaryData::learnerChecks()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(QString, expected);
    QFETCH(int, within);
    const Dictionary::LookupResult result = m_dictionary->lookup(Dictionary::AutoDetect, text);
    QCOMPARE(int(result.type), type);
    QVERIFY(!result.units.isEmpty());
    QStringList top;
    for (int i = 0; i < within && i < result.units.size(); ++i)
        top << result.units.at(i)->simplified();
    QVERIFY2(top.contains(expected), qPrintable(top.join(QLatin1Char(' '))));
}

void TestDictionaryData::englishCatSkipsLongerWords()
{
    const QList<KnowledgeUnit*> units = m_dictionary->search(Dictionary::English, "cat");
    QVERIFY(!units.isEmpty());
    for (KnowledgeUnit* unit : units)
        QVERIFY2(containsWord(unit->definition(), QStringLiteral("cat")),
                 qPrintable(unit->definition()));

    // Apostrophes are plain data.
    for (const QString& text : {QStringLiteral("I'm"), QStringLiteral("don't")}) {
        const Dictionary::LookupResult result = m_dictionary->lookup(Dictionary::AutoDetect, text);
        QCOMPARE(int(result.type), int(Dictionary::English));
        QVERIFY2(!result.units.isEmpty(), qPrintable(text));
        QVERIFY(result.units.first()->definition().contains(text, Qt::CaseInsensitive));
    }
}

void TestDictionaryData::similarEntriesFromRealData()
{
    const QList<CharacterInfo*> similar =
        m_dictionary->similarCharacters(QChar(u'妈'), QString(), QStringLiteral("sameRadical"), 5);
    QVERIFY(!similar.isEmpty());
    for (const CharacterInfo* info : similar) {
        QVERIFY(info->character != QChar(u'妈'));
        QVERIFY(info->rank < 20000);
        QCOMPARE(info->radicalId, m_dictionary->character(QChar(u'妈'))->radicalId);
    }
    const QList<KnowledgeUnit*> units =
        m_dictionary->randomKnowledgeUnits(Dictionary::Pinyin, 3, QStringLiteral("ni3 hao3"), 2);
    QCOMPARE(units.size(), 3);
    for (KnowledgeUnit* unit : units)
        QCOMPARE(unit->pinyin().count(QLatin1Char(' ')), 1);
}

void TestDictionaryData::searchPathsAgreeOnBenchmarkQueries()
{
    Dictionary indexed;
    QVERIFY(indexed.open(m_path, QStringLiteral("identity-memory")));
    Dictionary plain;
    QVERIFY(plain.open(m_path, QStringLiteral("identity-statement")));
    plain.setSearchIndexEnabled(false);
    QVERIFY(indexed.isSearchIndexEnabled());

    int compared = 0;
    for (const BenchmarkQuery& query : BenchmarkQueries) {
        const QString text = QString::fromUtf8(query.text);
        // The raw search of the text as typed and as the pinyin search sees it.
        QStringList variants{text};
        if (Dictionary::normalisedPinyinQuery(text) != text)
            variants << Dictionary::normalisedPinyinQuery(text);
        for (int type : {0, 1, 3, 4, 5}) {
            const auto t = Dictionary::TextType(type);
            for (const QString& variant : std::as_const(variants)) {
                QCOMPARE(indexed.searchIds(t, variant), plain.searchIds(t, variant));
                ++compared;
            }
        }
        // The ranked lookups both dictionaries give, from equal cache states, with the type
        // given and detected.
        for (const auto type : {Dictionary::TextType(query.type), Dictionary::AutoDetect}) {
            const Dictionary::LookupResult a = indexed.lookup(type, text);
            const Dictionary::LookupResult b = plain.lookup(type, text);
            QCOMPARE(a.type, b.type);
            QCOMPARE(a.query, b.query);
            QCOMPARE(a.units.size(), b.units.size());
            for (int i = 0; i < a.units.size(); ++i)
                QCOMPARE(a.units.at(i)->id(), b.units.at(i)->id());
            // Page by page, as the dictionary screen asks for them, the same units come in the
            // same order.
            const Dictionary::LookupResult paged = indexed.lookupRanked(type, text);
            QCOMPARE(paged.ranked.size(), a.units.size());
            QList<KnowledgeUnit*> pages;
            for (qsizetype first = 0; first < paged.ranked.size(); first += 30)
                pages += paged.ranked.range(first, 30);
            QCOMPARE(pages, a.units);
        }
    }
    QVERIFY(compared >= 5 * int(std::size(BenchmarkQueries)));
}

QTEST_GUILESS_MAIN(TestDictionaryData)
#include "tst_dictionarydata.moc"
