#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>

using namespace korvo;
using namespace profiletest;

namespace {

const char* const ChildOption = "--delete-folder-child";
const int FolderId = 1;
const int DeckCount = 40;
const int CardCount = 20000;

// A folder of 40 decks with 20000 cards, each showing a unit of the user's own, and one deck
// outside the folder that the deletion must not touch.
const QStringList BigTreeRows = {
    "INSERT INTO Decks (id, title, sortOrder, parentId, isFolder) VALUES (1, 'Big', 1, 0, 1)",
    "INSERT INTO Decks (id, title, sortOrder, parentId, isFolder) VALUES (2, 'Keep', 2, 0, 0)",
    QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Decks (id, title, sortOrder, parentId) SELECT 100 + i, 'D' || i, i, 1 "
            "FROM n")
        .arg(DeckCount),
    QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO KnowledgeUnits (id, simplified, pinyin, definition, owner) "
            "SELECT i, 'x' || i, 'a1', 'entry number ' || i, 1 FROM n")
        .arg(CardCount + 10),
    QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Cards (id, deckId, kuId, sortOrder) "
            "SELECT i, 101 + (i % %2), i, i FROM n")
        .arg(CardCount)
        .arg(DeckCount),
    QString("WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
            "INSERT INTO Cards (id, deckId, kuId, sortOrder) SELECT i, 2, i, i FROM n")
        .arg(CardCount + 1)
        .arg(CardCount + 10),
};

// Runs in the child process: open the profile and delete the big folder.
int runDeletionChild(const QString& folder)
{
    initPinyinTables();
    Profile profile(folder, QString());
    profile.openDatabase();
    profile.loadDecks();
    std::printf("deleting\n");
    std::fflush(stdout);
    profile.deleteDeck(FolderId);
    std::printf("done\n");
    std::fflush(stdout);
    return 0;
}

struct RowCounts
{
    int decks = -1;
    int cards = -1;
    int units = -1;
    bool operator==(const RowCounts& other) const
    {
        return decks == other.decks && cards == other.cards && units == other.units;
    }
};

RowCounts countRows(const QString& path)
{
    RowCounts counts;
    counts.decks = scalarOnFile(path, "SELECT COUNT(*) FROM Decks").toInt();
    counts.cards = scalarOnFile(path, "SELECT COUNT(*) FROM Cards").toInt();
    counts.units = scalarOnFile(path, "SELECT COUNT(*) FROM KnowledgeUnits").toInt();
    return counts;
}

const RowCounts Before = {DeckCount + 2, CardCount + 10, CardCount + 10};
const RowCounts After = {1, 10, 10};

} // namespace

// A process killed in the middle of a large deletion leaves a sound file holding either every
// row or none of the deleted ones.
class TestProfileKill : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void completedDeletionRemovesEverything();
    void killedDeletionLeavesOldState();

private:
    QString freshProfile(const QString& name);
    QTemporaryDir m_dir;
};

void TestProfileKill::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(createTemplate(m_dir.filePath("template.db"), BigTreeRows));
    QCOMPARE(countRows(m_dir.filePath("template.db")), Before);
}

QString TestProfileKill::freshProfile(const QString& name)
{
    const QString folder = m_dir.filePath(name);
    if (!QDir().mkpath(folder) ||
        !QFile::copy(m_dir.filePath("template.db"), folder + "/Profile.db"))
        return QString();
    return folder;
}

void TestProfileKill::completedDeletionRemovesEverything()
{
    const QString folder = freshProfile("complete");
    QVERIFY(!folder.isEmpty());
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {ChildOption, folder});
    QVERIFY(child.waitForFinished(120000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    qInfo("Deleting a folder of %d decks and %d cards took %lld ms", DeckCount, CardCount,
          clock.elapsed());
    const QString path = folder + "/Profile.db";
    QCOMPARE(scalarOnFile(path, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    QCOMPARE(countRows(path), After);
    QVERIFY(!QFile::exists(path + "-journal"));
}

void TestProfileKill::killedDeletionLeavesOldState()
{
    int killedMidway = 0;
    const QList<int> delays = {0, 20, 100, 300};
    for (int attempt = 0; attempt < delays.size(); ++attempt) {
        const QString folder = freshProfile(QString("killed%1").arg(attempt));
        QVERIFY(!folder.isEmpty());
        const QString path = folder + "/Profile.db";

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {ChildOption, folder});
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains("deleting\n") && child.waitForReadyRead(30000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains("deleting\n"), output.constData());

        // The rollback journal exists while the deletion's transaction is open.
        QElapsedTimer wait;
        wait.start();
        while (!QFile::exists(path + "-journal") && wait.elapsed() < 30000 &&
               child.state() == QProcess::Running)
            QThread::usleep(200);
        QThread::msleep(delays.at(attempt));
        const bool journalBeforeKill = QFile::exists(path + "-journal");
        child.kill(); // SIGKILL
        QVERIFY(child.waitForFinished(30000));
        output += child.readAllStandardOutput();
        const bool finished = output.contains("done\n");

        QCOMPARE(scalarOnFile(path, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        const RowCounts counts = countRows(path);
        QVERIFY2(counts == Before || counts == After,
                 qPrintable(QString("decks %1, cards %2, units %3")
                                .arg(counts.decks)
                                .arg(counts.cards)
                                .arg(counts.units)));
        if (journalBeforeKill && !finished && child.exitStatus() == QProcess::CrashExit) {
            ++killedMidway;
            QCOMPARE(counts, Before);
        }
    }
    qInfo("%d of %lld kills hit the open deletion transaction", killedMidway,
          qint64(delays.size()));
    QVERIFY(killedMidway > 0);
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], ChildOption) == 0) {
        QCoreApplication app(argc, argv);
        return runDeletionChild(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestProfileKill test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_profilekill.moc"
