#include "handwritingtestsupport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// quillet-cli recognize as a script uses it: a drawing in a file or on standard input.
class TestRecognizeCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitStatusAndOutput_data();
    void exitStatusAndOutput();
    void jsonOutput();

private:
    int run(const QStringList& arguments, const QByteArray& input, QString* out, QString* err);

    QTemporaryDir m_dir;
    QString m_program;
    QByteArray m_yong;
};

void TestRecognizeCommand::initTestCase()
{
    m_program = QFileInfo(QStringLiteral(QUILLET_DATA_DIR "/../quillet-cli")).absoluteFilePath();
    if (!QFileInfo(m_program).isExecutable())
        QSKIP("quillet-cli is not built");
    QVERIFY(m_dir.isValid());
    const auto strokes = handwritingtest::placed(handwritingtest::medians(QStringLiteral("永")),
                                                 QRectF(10, 10, 380, 380));
    m_yong = handwritingtest::drawing(strokes, QSizeF(400, 400)).toJson();
    QFile file(m_dir.filePath(QStringLiteral("yong.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(m_yong);
}

int TestRecognizeCommand::run(const QStringList& arguments, const QByteArray& input, QString* out,
                              QString* err)
{
    QProcess process;
    process.start(m_program, QStringList{QStringLiteral("recognize")} + arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return -1;
    *out = QString::fromUtf8(process.readAllStandardOutput());
    *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TestRecognizeCommand::exitStatusAndOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("firstLineOrError");

    QTest::newRow("file") << QStringList{m_dir.filePath(QStringLiteral("yong.json"))}
                          << QByteArray() << 0 << 10 << QStringLiteral("永");
    QTest::newRow("standard input, limit")
        << QStringList{QStringLiteral("--limit"), QStringLiteral("3")} << m_yong << 0 << 3
        << QStringLiteral("永");
    QTest::newRow("no strokes") << QStringList()
                                << QByteArray(R"({"width":5,"height":5,"strokes":[]})") << 1 << 0
                                << QString();
    QTest::newRow("malformed JSON")
        << QStringList() << QByteArray(R"({"width": 5,)") << 2 << 0 << QStringLiteral("not JSON");
    QTest::newRow("bad point") << QStringList()
                               << QByteArray(R"({"width":5,"height":5,"strokes":[[[1,"a"]]]})") << 2
                               << 0 << QStringLiteral("point 1 of stroke 1");
    QTest::newRow("missing file") << QStringList{m_dir.filePath(QStringLiteral("none.json"))}
                                  << QByteArray() << 2 << 0 << QStringLiteral("cannot read");
    QTest::newRow("limit of zero") << QStringList{QStringLiteral("--limit=0")} << m_yong << 2 << 0
                                   << QStringLiteral("--limit");
    QTest::newRow("unknown script") << QStringList{QStringLiteral("--script"), QStringLiteral("x")}
                                    << m_yong << 2 << 0 << QStringLiteral("unknown script");
    QTest::newRow("unreadable model")
        << QStringList{QStringLiteral("--model"), m_dir.filePath(QStringLiteral("yong.json"))}
        << m_yong << 3 << 0 << QStringLiteral("handwriting model");
}

void TestRecognizeCommand::exitStatusAndOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(int, lines);
    QFETCH(QString, firstLineOrError);
    QString out, err;
    QCOMPARE(run(arguments, input, &out, &err), status);
    const QStringList outLines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(outLines.size(), lines);
    if (status == 0)
        QCOMPARE(outLines.first(), firstLineOrError);
    else if (!firstLineOrError.isEmpty())
        QVERIFY2(err.contains(firstLineOrError), qPrintable(err));
}

void TestRecognizeCommand::jsonOutput()
{
    QString out, err;
    QCOMPARE(run({QStringLiteral("--json"), QStringLiteral("--limit"), QStringLiteral("5")}, m_yong,
                 &out, &err),
             0);
    const QJsonObject document = QJsonDocument::fromJson(out.toUtf8()).object();
    QCOMPARE(document.value(QLatin1String("strokes")).toInt(), 5);
    const QJsonArray candidates = document.value(QLatin1String("candidates")).toArray();
    QCOMPARE(candidates.size(), 5);
    QCOMPARE(candidates.first().toObject().value(QLatin1String("character")).toString(),
             QStringLiteral("永"));
    // Best first: the distances grow.
    for (int i = 1; i < candidates.size(); ++i)
        QVERIFY(candidates.at(i).toObject().value(QLatin1String("distance")).toDouble() >=
                candidates.at(i - 1).toObject().value(QLatin1String("distance")).toDouble());
}

QTEST_GUILESS_MAIN(TestRecognizeCommand)
#include "tst_recognizecommand.moc"
