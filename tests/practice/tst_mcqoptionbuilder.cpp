#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "practice/mcqoptionbuilder.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"
#include "uitestsupport.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace korvo;

// The options of a question on a small dictionary made for the purpose, in which entries read
// alike (the same form twice, the same form in another case, the answer's own form): whatever
// the random draws give, no two options read the same and the answer is there once.
class TestMcqOptionBuilder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void optionsReadDifferently_data();
    void optionsReadDifferently();
    void noUnitNoOptions();

private:
    // A dictionary of the shipped schema holding only `entries` ("simplified|traditional|
    // pinyin|definition"), with ids from 1.
    std::unique_ptr<Dictionary> makeDictionary(const QString& name, const QStringList& entries);

    QTemporaryDir m_dir;
    QStringList m_schema;
};

void TestMcqOptionBuilder::initTestCase()
{
    initPinyinTables();
    QVERIFY(m_dir.isValid());
    {
        QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "shippedSchema");
        database.setDatabaseName(uitest::dataFolder() + "/Dictionary.db");
        QVERIFY(database.open());
        QSqlQuery query(database);
        QVERIFY(query.exec("SELECT sql FROM sqlite_master WHERE sql IS NOT NULL AND name NOT "
                           "LIKE 'sqlite_%'"));
        while (query.next())
            m_schema << query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("shippedSchema");
    QVERIFY(!m_schema.isEmpty());
}

std::unique_ptr<Dictionary> TestMcqOptionBuilder::makeDictionary(const QString& name,
                                                                 const QStringList& entries)
{
    const QString path = m_dir.filePath(name + ".db");
    QStringList statements = m_schema;
    for (int i = 0; i < entries.size(); ++i) {
        const QStringList fields = entries.at(i).split('|');
        statements << QStringLiteral("INSERT INTO KnowledgeUnits (id, simplified, traditional, "
                                     "pinyin, pinyinMerged, pinyinMergedNoTones, definition) "
                                     "VALUES (%1, '%2', '%3', '%4', '', '', '%5')")
                          .arg(i + 1)
                          .arg(fields.value(0), fields.value(1), fields.value(2), fields.value(3));
    }
    if (!profiletest::runOnFile(path, statements))
        return nullptr;
    auto dictionary = std::make_unique<Dictionary>();
    if (!dictionary->open(path, name))
        return nullptr;
    return dictionary;
}

void TestMcqOptionBuilder::optionsReadDifferently_data()
{
    QTest::addColumn<QString>("quizOn");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QList<int>>("counts");
    // The answer is the first entry; the Characters table is empty, so no character has a
    // look-alike and the other entries are drawn.
    QTest::newRow("pinyin in another case")
        << "pinyin"
        << QStringList{"他|他|ta1|he", "塔|塔|Ta1|pagoda", "她|她|Ta1|she", "妈|媽|ma1|mother"}
        // Other tones give three answers; of the other entries only "ma1" reads differently.
        << QList<int>{2, 3};
    QTest::newRow("definition in another case")
        << "definition"
        << QStringList{"朋友|朋友|peng2 you5|friend", "友人|友人|you3 ren2|Friend",
                       "敌人|敵人|di2 ren2|enemy"}
        << QList<int>{2};
    QTest::newRow("the same form twice") << "simplified"
                                         << QStringList{"走|走|zou3|to walk", "行|行|xing2|to go",
                                                        "行|行|hang2|row", "跑|跑|pao3|to run"}
                                         << QList<int>{3};
    QTest::newRow("traditional form twice")
        << "traditional"
        << QStringList{"走|走|zou3|to walk", "行|行|xing2|to go", "行|行|hang2|row",
                       "跑|跑|pao3|to run"}
        << QList<int>{3};
    QTest::newRow("nothing else reads differently")
        << "simplified" << QStringList{"走|走|zou3|to walk", "走|走|zou3|to leave"}
        << QList<int>{1};
}

void TestMcqOptionBuilder::optionsReadDifferently()
{
    QFETCH(QString, quizOn);
    QFETCH(QStringList, entries);
    QFETCH(QList<int>, counts);
    std::unique_ptr<Dictionary> dictionary =
        makeDictionary(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'), entries);
    QVERIFY(dictionary);
    KnowledgeUnit* unit = dictionary->knowledgeUnit(1);
    QVERIFY(unit);
    const QString answer = McqOptionBuilder::answerText(unit, quizOn);
    // What an option may read: any entry's field, or for pinyin the answer in another tone.
    QStringList possible;
    for (int id = 1; id <= entries.size(); ++id)
        possible << McqOptionBuilder::answerText(dictionary->knowledgeUnit(id), quizOn);
    if (quizOn == "pinyin") {
        for (int tone = 1; tone <= 5; ++tone)
            possible << setTone(answer, tone);
    }

    McqOptionBuilder builder(dictionary.get());
    QSet<int> sizes;
    // Many draws: the similar-entry methods and the random entries both get their turn.
    for (int draw = 0; draw < 60; ++draw) {
        const QList<McqOption> options = builder.build(unit, quizOn);
        QSet<QString> readings;
        int answers = 0;
        for (const McqOption& option : options) {
            const QString reading = McqOptionBuilder::readingKey(option.text, quizOn);
            QVERIFY2(!readings.contains(reading), qPrintable(option.text));
            readings.insert(reading);
            QVERIFY2(possible.contains(option.text), qPrintable(option.text));
            if (option.kuId == unit->id()) {
                ++answers;
                QCOMPARE(option.text, answer);
            } else {
                QCOMPARE(option.kuId, 0);
            }
        }
        QCOMPARE(answers, 1);
        sizes.insert(int(options.size()));
    }
    // Fewer answers rather than a copy when too few entries read differently.
    QCOMPARE(sizes, QSet<int>(counts.cbegin(), counts.cend()));
}

void TestMcqOptionBuilder::noUnitNoOptions()
{
    std::unique_ptr<Dictionary> dictionary = makeDictionary("single", {"走|走|zou3|to walk"});
    QVERIFY(dictionary);
    McqOptionBuilder builder(dictionary.get());
    QVERIFY(builder.build(nullptr, "simplified").isEmpty());
    // Without a dictionary only the answer is left.
    KnowledgeUnit* unit = dictionary->knowledgeUnit(1);
    const QList<McqOption> options = McqOptionBuilder(nullptr).build(unit, "definition");
    QCOMPARE(options.size(), 1);
    QCOMPARE(options.first().kuId, 1);
    QCOMPARE(options.first().text, QStringLiteral("to walk"));
}

QTEST_GUILESS_MAIN(TestMcqOptionBuilder)
#include "tst_mcqoptionbuilder.moc"
