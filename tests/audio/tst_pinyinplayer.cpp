#include "audio/pinyinplayer.h"
#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

using namespace korvo;

// The play list is checked against a folder of real recordings copied from the built data, so
// that a missing recording can be arranged.
class TestPinyinPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playListFollowsTheSyllables_data();
    void playListFollowsTheSyllables();
    void unitIsPlayedByItsNumberedPinyin();
    void newCallReplacesTheSequence();
    void syllablesAreJoinedIntoOneStream();
    void sequenceEndsWithoutBlocking();
    void quickSuccessionNeverHangs();

private:
    QString file(const QString& key) const { return m_folder.filePath(key + ".mp3"); }
    QTemporaryDir m_folder;
};

void TestPinyinPlayer::initTestCase()
{
    initPinyinTables();
    const QString shipped = QStringLiteral(QUILLET_DATA_DIR "/pinyin/");
    for (const char* key : {"ni3", "hao3", "nv3", "lv4", "ma1", "zhong1", "guo2"})
        QVERIFY2(QFile::copy(shipped + key + ".mp3", file(key)), key);
}

void TestPinyinPlayer::playListFollowsTheSyllables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("run together") << "ni3hao3" << QStringList{"ni3", "hao3"};
    QTest::newRow("separated") << "zhong1 guo2" << QStringList{"zhong1", "guo2"};
    QTest::newRow("tone mark on u umlaut") << "nǚ" << QStringList{"nv3"};
    QTest::newRow("u colon") << "lu:4" << QStringList{"lv4"};
    QTest::newRow("no tone means tone 1") << "ma" << QStringList{"ma1"};
    QTest::newRow("tone marks") << "nǐ hǎo" << QStringList{"ni3", "hao3"};
    QTest::newRow("missing recording skipped") << "ni3 men5 hao3" << QStringList{"ni3", "hao3"};
    QTest::newRow("no recording at all") << "xue2 xi2" << QStringList{};
    QTest::newRow("not pinyin") << "!!" << QStringList{};
}

void TestPinyinPlayer::playListFollowsTheSyllables()
{
    QFETCH(QString, text);
    QFETCH(QStringList, keys);

    PinyinPlayer player(m_folder.path());
    player.play(text);
    QStringList expected;
    for (const QString& key : keys)
        expected.append(file(key));
    QCOMPARE(player.playList(), expected);
}

void TestPinyinPlayer::unitIsPlayedByItsNumberedPinyin()
{
    PinyinPlayer player(m_folder.path());
    KnowledgeUnit unit;
    unit.setPinyinWithToneMarks(QStringLiteral("zhōng guó"));
    player.play(&unit);
    QCOMPARE(player.playList(), (QStringList{file("zhong1"), file("guo2")}));

    player.play(static_cast<KnowledgeUnit*>(nullptr));
    QCOMPARE(player.playList().size(), 2); // nothing for no unit
}

void TestPinyinPlayer::newCallReplacesTheSequence()
{
    PinyinPlayer player(m_folder.path());
    player.play(QStringLiteral("ni3hao3"));
    player.play(QStringLiteral("ma1"));
    QCOMPARE(player.playList(), QStringList{file("ma1")});
    player.play(QStringLiteral("xue2"));
    QVERIFY(player.playList().isEmpty());
}

void TestPinyinPlayer::syllablesAreJoinedIntoOneStream()
{
    PinyinPlayer player(m_folder.path());
    player.play(QStringLiteral("ni3"));
    const int ni = player.queuedMilliseconds();
    player.play(QStringLiteral("hao3"));
    const int hao = player.queuedMilliseconds();
    QVERIFY(ni > 100 && hao > 100);
    player.play(QStringLiteral("ni3 hao3"));
    QVERIFY(qAbs(player.queuedMilliseconds() - (ni + hao)) <= 1);
    player.play(QStringLiteral("xue2"));
    QCOMPARE(player.queuedMilliseconds(), 0);
}

// With or without a sound device the sequence runs to its end and announces it; nothing waits
// on a device that is not there.
void TestPinyinPlayer::sequenceEndsWithoutBlocking()
{
    PinyinPlayer player(m_folder.path());
    QSignalSpy finished(&player, &PinyinPlayer::finished);
    QElapsedTimer timer;
    timer.start();
    player.play(QStringLiteral("ni3 hao3"));
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(finished.wait(15000));
    QCOMPARE(finished.count(), 1);
}

namespace {

const char* const QuickPlayOption = "--quick-play-child";

// Run in a child process: new sequences started while the previous one is still being loaded,
// at the pace of a learner's quick key presses and faster.
int playInQuickSuccession(const QString& folder)
{
    PinyinPlayer player(folder);
    const QStringList texts = {"ni3hao3", "zhong1 guo2", "ma1", "nv3", "lu:4 hao3"};
    QRandomGenerator random(7);
    for (int i = 0; i < 400; ++i) {
        player.play(texts.at(i % texts.size()));
        QTest::qWait(int(random.bounded(6)));
    }
    player.stop();
    std::printf("played\n");
    return 0;
}

} // namespace

// The media back end must never be given a new file while it is still opening the previous one:
// that could stop the program for good. The child that plays is killed if it hangs.
void TestPinyinPlayer::quickSuccessionNeverHangs()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QuickPlayOption, m_folder.path()});
    QVERIFY(child.waitForStarted());
    const bool ended = child.waitForFinished(90000);
    if (!ended)
        child.kill();
    QVERIFY2(ended, "the player hung");
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY(child.readAllStandardOutput().contains("played"));
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], QuickPlayOption) == 0) {
        QCoreApplication app(argc, argv);
        initPinyinTables();
        return playInQuickSuccession(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestPinyinPlayer test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pinyinplayer.moc"
