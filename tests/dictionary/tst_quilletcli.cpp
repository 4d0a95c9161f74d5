#include "dictionaryfixture.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Runs the command-line lookup against the fixture dictionary.
class TestQuilletCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitStatusAndFirstLine_data();
    void exitStatusAndFirstLine();
    void jsonOutput();
    void limitsTheLines();

private:
    int run(const QStringList& arguments, QString* out = nullptr, QString* err = nullptr);

    QTemporaryDir m_dir;
    QString m_program;
    QString m_database;
};

void TestQuilletCli::initTestCase()
{
    m_program = QFileInfo(QStringLiteral(QUILLET_DATA_DIR "/../quillet-cli")).absoluteFilePath();
    if (!QFileInfo(m_program).isExecutable())
        QSKIP("quillet-cli is not built");
    QVERIFY(m_dir.isValid());
    m_database = m_dir.filePath(QStringLiteral("Dictionary.db"));
    QVERIFY(createFixtureDictionary(m_database));
}

int TestQuilletCli::run(const QStringList& arguments, QString* out, QString* err)
{
    QProcess process;
    process.start(m_program, arguments);
    if (!process.waitForFinished(30000))
        return -1;
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TestQuilletCli::exitStatusAndFirstLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("firstLine");

    QTest::newRow("pinyin in two words")
        << QStringList{"search", "ni3", "hao3"} << 0 << "你好\t你好\tnǐ hǎo\thello; hi";
    QTest::newRow("english") << QStringList{"search", "--type", "english", "cat"} << 0
                             << "猫\t貓\tmāo\tcat; CL:隻|只[zhī]";
    QTest::newRow("toneless pinyin type") << QStringList{"search", "--type=pinyin", "zhongguo"} << 0
                                          << "中国\t中國\tzhōng guó\tChina; Middle Kingdom";
    QTest::newRow("traditional") << QStringList{"search", "--type", "traditional", "綠"} << 0
                                 << "绿\t綠\tlǜ\tgreen";
    QTest::newRow("nothing found") << QStringList{"search", "xyzzyq"} << 1 << "";
    QTest::newRow("no text") << QStringList{"search"} << 2 << "";
    QTest::newRow("no command") << QStringList{} << 2 << "";
    QTest::newRow("unknown type") << QStringList{"search", "--type", "klingon", "a"} << 2 << "";
    QTest::newRow("bad limit") << QStringList{"search", "--limit", "x", "a"} << 2 << "";
    QTest::newRow("unknown option") << QStringList{"search", "--fast", "a"} << 2 << "";
    QTest::newRow("segment") << QStringList{"segment", "你好。中国猫2024 OK"} << 0
                             << "你好 。 中国 猫 2024 OK";
    QTest::newRow("segment blanks") << QStringList{"segment", " "} << 1 << "";
}

void TestQuilletCli::exitStatusAndFirstLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, firstLine);
    if (!arguments.isEmpty())
        arguments << QStringLiteral("--database") << m_database;
    QString out;
    QString err;
    QCOMPARE(run(arguments, &out, &err), status);
    QCOMPARE(out.section(QLatin1Char('\n'), 0, 0), firstLine);
    if (status == 2) {
        QVERIFY(!err.isEmpty());
        QVERIFY(out.isEmpty());
    }
}

void TestQuilletCli::jsonOutput()
{
    QString out;
    QCOMPARE(run({"search", "--database", m_database, "--json", "I'm"}, &out), 0);
    const QJsonObject document = QJsonDocument::fromJson(out.toUtf8()).object();
    QCOMPARE(document.value("type").toString(), QStringLiteral("english"));
    QCOMPARE(document.value("count").toInt(), 1);
    const QJsonObject first = document.value("results").toArray().first().toObject();
    QCOMPARE(first.value("simplified").toString(), QStringLiteral("我是"));
    QCOMPARE(first.value("pinyin").toString(), QStringLiteral("wǒ shì"));
    QCOMPARE(first.value("pinyinNumbered").toString(), QStringLiteral("wo3 shi4"));
    QCOMPARE(first.value("definitions").toArray().size(), 2);

    // One array per input line, a word with its entry, punctuation as it is.
    QCOMPARE(run({"segment", "--database", m_database, "--json", "猫！\n中国"}, &out), 0);
    const QStringList lines = out.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    const QJsonArray words = QJsonDocument::fromJson(lines.first().toUtf8()).array();
    QCOMPARE(words.size(), 2);
    const QJsonObject cat = words.first().toObject();
    QCOMPARE(cat.value("kind").toString(), QStringLiteral("word"));
    QCOMPARE(cat.value("traditional").toString(), QStringLiteral("貓"));
    QCOMPARE(cat.value("pinyin").toString(), QStringLiteral("māo"));
    QCOMPARE(words.last().toObject().value("kind").toString(), QStringLiteral("punctuation"));
    QVERIFY(!words.last().toObject().contains("pinyin"));
    QCOMPARE(QJsonDocument::fromJson(lines.last().toUtf8())
                 .array()
                 .first()
                 .toObject()
                 .value("simplified"),
             QStringLiteral("中国"));
}

void TestQuilletCli::limitsTheLines()
{
    QString out;
    QCOMPARE(run({"search", "--database", m_database, "--limit", "2", "zhong"}, &out), 0);
    QCOMPARE(out.count(QLatin1Char('\n')), 2);
    QCOMPARE(run({"search", "--database", m_database, "--limit", "0", "zhong"}, &out), 0);
    QCOMPARE(out.count(QLatin1Char('\n')), 3);

    QString err;
    QCOMPARE(run({"search", "--database", m_dir.filePath("absent.db"), "cat"}, &out, &err), 2);
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QVERIFY(!QFile::exists(m_dir.filePath("absent.db")));
}

QTEST_GUILESS_MAIN(TestQuilletCli)
#include "tst_quilletcli.moc"
