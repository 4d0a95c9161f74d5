#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

// The built-in HSK decks teach each word in the reading its level teaches, where the dictionary
// has several readings of the word.
class TestHskReadings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wordsHaveTheReadingTheirLevelTeaches_data();
    void wordsHaveTheReadingTheirLevelTeaches();

private:
    QSqlDatabase m_profile;
};

void TestHskReadings::initTestCase()
{
    m_profile = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("template"));
    m_profile.setDatabaseName(QStringLiteral(QUILLET_DATA_DIR "/Profile.default.db"));
    m_profile.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    QVERIFY2(m_profile.open(), "Profile.default.db is missing");
}

void TestHskReadings::wordsHaveTheReadingTheirLevelTeaches_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("pinyin");
    const struct
    {
        int level;
        const char* word;
        const char* pinyin;
    } rows[] = {
        // neutral-tone words beside literal compounds
        {1, "东西", "dong1 xi5"},
        {1, "多少", "duo1 shao5"},
        {2, "告诉", "gao4 su5"},
        {2, "妻子", "qi1 zi5"},
        {2, "便宜", "pian2 yi5"},
        {3, "地方", "di4 fang5"},
        {3, "故事", "gu4 shi5"},
        {4, "生意", "sheng1 yi5"},
        {4, "大夫", "dai4 fu5"},
        {4, "好处", "hao3 chu5"},
        {5, "地道", "di4 dao5"},
        {5, "结实", "jie1 shi5"},
        {6, "本事", "ben3 shi5"},
        {6, "口音", "kou3 yin5"},
        // full tones where a neutral reading is a rarer sense
        {3, "过去", "guo4 qu4"},
        {5, "精神", "jing1 shen2"},
        {5, "土地", "tu3 di4"},
        {6, "温和", "wen1 he2"},
        {4, "教授", "jiao4 shou4"},
        // characters: the particle, the everyday reading, the one the level teaches
        {1, "的", "de5"},
        {1, "好", "hao3"},
        {2, "得", "de5"},
        {4, "得", "dei3"},
        {2, "长", "chang2"},
        {3, "长", "zhang3"},
        {2, "还", "hai2"},
        {3, "还", "huan2"},
        {3, "教", "jiao1"},
        {4, "脏", "zang1"},
        {6, "呵", "he1"},
    };
    for (const auto& row : rows)
        QTest::addRow("%d %s", row.level, row.word)
            << row.level << QString::fromUtf8(row.word) << QString::fromLatin1(row.pinyin);
}

void TestHskReadings::wordsHaveTheReadingTheirLevelTeaches()
{
    QFETCH(int, level);
    QFETCH(QString, word);
    QFETCH(QString, pinyin);
    QSqlQuery query(m_profile);
    query.prepare(QStringLiteral("SELECT k.pinyin FROM Cards c JOIN Decks d ON d.id = c.deckId "
                                 "JOIN KnowledgeUnits k ON k.id = c.kuId "
                                 "WHERE d.title = ? AND k.simplified = ?"));
    query.addBindValue(QStringLiteral("{HSK_%1}").arg(level));
    query.addBindValue(word);
    QVERIFY(query.exec());
    QVERIFY2(query.next(), "the word is not on its level");
    QCOMPARE(query.value(0).toString(), pinyin);
}

QTEST_GUILESS_MAIN(TestHskReadings)
#include "tst_hskreadings.moc"
