#include "dictionary/definitionmatch.h"
#include "dictionary/substringindex.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace korvo;

namespace {

// Every row holds the needle, a near miss of it (first, second and last byte right, the rest
// wrong) or nothing, at each place of texts from one to fifty bytes, so that hits fall on every
// position of the sixteen-byte steps and in the tail the steps leave.
QStringList rowsAroundNeedle(const QString& needle)
{
    QString nearMiss = needle;
    if (nearMiss.size() > 3)
        nearMiss[2] = QLatin1Char('#');
    else
        nearMiss[1] = QLatin1Char('#');
    QStringList rows;
    for (int length = 1; length <= 50; ++length) {
        const QString filler(length, QLatin1Char('x'));
        rows << filler;
        for (int at = 0; at <= length; ++at) {
            rows << filler.left(at) + needle + filler.mid(at);
            rows << filler.left(at) + nearMiss + filler.mid(at);
        }
    }
    return rows;
}

} // namespace

class TestSubstringIndex : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findsEveryHitLikeAPlainSearch_data();
    void findsEveryHitLikeAPlainSearch();
    void storedDefinitionsMatchLikeStrings_data();
    void storedDefinitionsMatchLikeStrings();

private:
    QSqlDatabase m_database;
};

void TestSubstringIndex::initTestCase()
{
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("index"));
    m_database.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(m_database.open());
}

void TestSubstringIndex::findsEveryHitLikeAPlainSearch_data()
{
    QTest::addColumn<QString>("needle");
    for (const char* needle : {"a", "ab", "the", "abcd", "dog food", "zhongguo", "中国", "龍x"})
        QTest::newRow(needle) << QString::fromUtf8(needle);
}

void TestSubstringIndex::findsEveryHitLikeAPlainSearch()
{
    QFETCH(QString, needle);
    QSqlQuery query(m_database);
    QVERIFY(query.exec(QStringLiteral("DROP TABLE IF EXISTS Texts")));
    QVERIFY(query.exec(QStringLiteral("CREATE TABLE Texts (id INTEGER PRIMARY KEY, text TEXT)")));
    const QStringList rows = rowsAroundNeedle(needle);
    QVERIFY(m_database.transaction());
    query.prepare(QStringLiteral("INSERT INTO Texts (id, text) VALUES (?, ?)"));
    for (int i = 0; i < rows.size(); ++i) {
        query.addBindValue(i + 1);
        query.addBindValue(rows.at(i));
        QVERIFY(query.exec());
    }
    QVERIFY(m_database.commit());

    const auto index =
        SubstringIndex::build(m_database, QStringLiteral("Texts"), QStringLiteral("text"));
    QVERIFY(index);
    std::vector<int> expected;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).contains(needle))
            expected.push_back(i);
    }
    QVERIFY(expected.size() > 1000);
    QCOMPARE(index->find(needle), expected);
}

void TestSubstringIndex::storedDefinitionsMatchLikeStrings_data()
{
    QTest::addColumn<QStringList>("definitions");
    QTest::addColumn<QString>("query");
    QTest::addColumn<double>("match");
    QTest::addColumn<int>("exact");
    const auto row = [](const char* name, QStringList definitions, const char* query, double match,
                        int exact) {
        QTest::newRow(name) << definitions << QString::fromUtf8(query) << match << exact;
    };
    row("exact", {"dog"}, "dog", 1.0, 1);
    row("inside a definition", {"big dog"}, "dog", 3.0 / 7.0, 0);
    row("the last match decides", {"dog", "hot dog stand"}, "dog", 3.0 / 13.0, 1);
    row("an exact last one decides", {"hot dog stand", "dog"}, "dog", 1.0, 1);
    row("two exact ones are counted", {"dog", "a dog", "dog"}, "dog", 1.0, 2);
    row("part of a word is no match", {"doggy", "hotdog"}, "dog", 0.0, 0);
    row("no definitions", {}, "dog", 0.0, 0);
    row("empty definitions", {"", "dog", ""}, "dog", 1.0, 1);
    row("lengths count characters, not bytes", {"狗 dog"}, "dog", 3.0 / 5.0, 0);
    row("beyond the basic plane", {"𠮷 dog"}, "dog", 3.0 / 6.0, 0);
    row("a letter beside the word", {"dogé", "édog"}, "dog", 0.0, 0);
    row("a phrase matches only whole", {"to go out", "to go"}, "to go", 1.0, 1);
}

void TestSubstringIndex::storedDefinitionsMatchLikeStrings()
{
    QFETCH(QStringList, definitions);
    QFETCH(QString, query);
    QFETCH(double, match);
    QFETCH(int, exact);
    const bool isWord = !query.contains(QLatin1Char(' '));
    QByteArray stored;
    for (const QString& definition : std::as_const(definitions))
        stored += definition.toUtf8() + '\x1f';

    const DefinitionMatch fromStrings = DefinitionMatch::of(definitions, query, isWord);
    const DefinitionMatch fromBytes =
        DefinitionMatch::ofStored(stored, '\x1f', query.toUtf8(), isWord);
    QCOMPARE(fromStrings.match, match);
    QCOMPARE(fromStrings.exactDefinitions, exact);
    QCOMPARE(fromBytes.match, match);
    QCOMPARE(fromBytes.exactDefinitions, exact);
}

QTEST_GUILESS_MAIN(TestSubstringIndex)
#include "tst_substringindex.moc"
