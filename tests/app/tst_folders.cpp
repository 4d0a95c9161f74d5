#include "app/folders.h"
#include "app/inifile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using korvo::Folders;
using korvo::IniFile;

class TestFolders : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void portableFlagDecidesTheProfileFolder_data();
    void portableFlagDecidesTheProfileFolder();
    void missingIniMeansInstalledLayout();
    void unreadableIniCountsAsAbsent();
    void testLayoutMovesDataAndProfile();
    void portableAppliesAfterTestLayout();
    void pathRoutines();
    void iniReaderKeepsSectionsApart();

private:
    void writeIni(const QByteArray& contents);

    std::unique_ptr<QTemporaryDir> m_appDir;
    const QString m_userData = QStringLiteral("/home/learner/.local/share");
};

void TestFolders::init()
{
    m_appDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_appDir->isValid());
}

void TestFolders::writeIni(const QByteArray& contents)
{
    QFile file(m_appDir->filePath(QStringLiteral("Quillet.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

void TestFolders::portableFlagDecidesTheProfileFolder_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("portable");

    QTest::newRow("portable") << QByteArray("[Config]\nportable=1\n") << true;
    QTest::newRow("with blanks and CRLF") << QByteArray("[Config]\r\nportable = 1\r\n") << true;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[Config]\nportable=1\n") << true;
    QTest::newRow("zero") << QByteArray("[Config]\nportable=0\n") << false;
    QTest::newRow("other value") << QByteArray("[Config]\nportable=true\n") << false;
    QTest::newRow("no key") << QByteArray("[Config]\nlanguage=de\n") << false;
    QTest::newRow("other section") << QByteArray("[Other]\nportable=1\n") << false;
    QTest::newRow("no section") << QByteArray("portable=1\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestFolders::portableFlagDecidesTheProfileFolder()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, portable);
    writeIni(ini);

    const Folders folders(m_appDir->path(), m_userData);
    QCOMPARE(folders.isPortable(), portable);
    QCOMPARE(folders.profileFolder(),
             portable ? m_appDir->path() + "/profile" : m_userData + "/Quillet");
    QCOMPARE(folders.dataFolder(), m_appDir->path() + "/data");
}

void TestFolders::missingIniMeansInstalledLayout()
{
    const Folders folders(m_appDir->path(), m_userData);
    QVERIFY(!folders.isPortable());
    QCOMPARE(folders.profileFolder(), m_userData + "/Quillet");
    QCOMPARE(folders.profileDatabase(), m_userData + "/Quillet/Profile.db");
}

void TestFolders::unreadableIniCountsAsAbsent()
{
    // A folder where the file should be cannot be read as a file.
    QVERIFY(QDir(m_appDir->path()).mkdir(QStringLiteral("Quillet.ini")));
    QVERIFY(!IniFile(m_appDir->filePath(QStringLiteral("Quillet.ini"))).isLoaded());
    QVERIFY(!Folders(m_appDir->path(), m_userData).isPortable());
}

void TestFolders::testLayoutMovesDataAndProfile()
{
    const Folders folders(m_appDir->path(), m_userData, Folders::Layout::Test);
    QCOMPARE(folders.dataFolder(), m_appDir->path() + "/tests/data");
    QCOMPARE(folders.profileFolder(), m_appDir->path() + "/tests/data/profile");
    QCOMPARE(folders.dictionaryDatabase(), m_appDir->path() + "/tests/data/Dictionary.db");
}

void TestFolders::portableAppliesAfterTestLayout()
{
    writeIni("[Config]\nportable=1\n");
    const Folders folders(m_appDir->path(), m_userData, Folders::Layout::Test);
    QCOMPARE(folders.dataFolder(), m_appDir->path() + "/tests/data");
    QCOMPARE(folders.profileFolder(), m_appDir->path() + "/profile");
}

void TestFolders::pathRoutines()
{
    const Folders folders(QStringLiteral("/opt/quillet"), m_userData);
    QCOMPARE(folders.dataFile(QString()), QStringLiteral("/opt/quillet/data"));
    QCOMPARE(folders.dataFile(QStringLiteral("Animations.db")),
             QStringLiteral("/opt/quillet/data/Animations.db"));
    QCOMPARE(folders.pinyinAudioFile(QStringLiteral("ma1")),
             QStringLiteral("/opt/quillet/data/pinyin/ma1.mp3"));
    QCOMPARE(folders.skinFile(QStringLiteral("style.json")),
             QStringLiteral("/opt/quillet/data/skins/default/style.json"));
    QCOMPARE(folders.dictionaryPageFolder(),
             QStringLiteral("/opt/quillet/data/skins/default/html/dictionary"));
    QCOMPARE(folders.profileTemplate(), QStringLiteral("/opt/quillet/data/Profile.default.db"));
}

void TestFolders::iniReaderKeepsSectionsApart()
{
    writeIni("; comment\n[A]\nkey=first\n[B]\nkey=second\nbroken line\n=novalue\n");
    const IniFile ini(m_appDir->filePath(QStringLiteral("Quillet.ini")));
    QVERIFY(ini.isLoaded());
    QCOMPARE(ini.value("A", "key"), QStringLiteral("first"));
    QCOMPARE(ini.value("B", "key"), QStringLiteral("second"));
    QCOMPARE(ini.value("C", "key", "fallback"), QStringLiteral("fallback"));
}

QTEST_GUILESS_MAIN(TestFolders)
#include "tst_folders.moc"
