#include "profile/profile.h"
#include "profiletestsupport.h"

#include <QElapsedTimer>
#include <QRect>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;
using namespace profiletest;

// Typed user settings: encodings, defaults, the cache and the batched save.
class TestProfileSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void storedForm_data();
    void storedForm();
    void malformedStoredValues_data();
    void malformedStoredValues();
    void builtInDefaultWins();
    void unchangedWriteEmitsNothing();
    void signalComesAfterTheCacheHoldsTheValue();
    void twoWritesWithinASecondSaveOnce();
    void pendingSettingsSurviveDestruction();

private:
    std::unique_ptr<Profile> openProfile();
    QString databasePath() const { return m_dir->filePath("profile/Profile.db"); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProfileSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(createTemplate(m_dir->filePath("Profile.default.db")));
}

void TestProfileSettings::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<Profile> TestProfileSettings::openProfile()
{
    auto profile = std::make_unique<Profile>(m_dir->filePath("profile"),
                                             m_dir->filePath("Profile.default.db"));
    profile->openDatabase();
    return profile;
}

void TestProfileSettings::roundTrip_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("true") << QVariant(true);
    QTest::newRow("false") << QVariant(false);
    QTest::newRow("int") << QVariant(-42);
    QTest::newRow("int64") << QVariant(Q_INT64_C(9007199254740993));
    QTest::newRow("text") << QVariant(QStringLiteral("它's \"quoted\"; -- x"));
    QTest::newRow("empty text") << QVariant(QString(""));
    QTest::newRow("list with empty items") << QVariant(QStringList{"", "12", "", "a,b", ""});
    QTest::newRow("list of one") << QVariant(QStringList{"only"});
    QTest::newRow("empty list") << QVariant(QStringList());
    QTest::newRow("bytes") << QVariant(QByteArray("\xff\x00\x7f\x80\x01", 5));
    QTest::newRow("no bytes") << QVariant(QByteArray());
    QTest::newRow("rectangle") << QVariant(QRect(10, 20, 300, 400));
    QTest::newRow("negative rectangle") << QVariant(QRect(-5, -7, 1, 2));
}

void TestProfileSettings::roundTrip()
{
    QFETCH(QVariant, value);
    {
        auto profile = openProfile();
        profile->setSetting("test.value", value);
        profile->saveSettings();
    }
    auto profile = openProfile();
    const QVariant read = profile->setting("test.value", QStringLiteral("fallback"));
    if (value.typeId() == QMetaType::Bool) {
        QCOMPARE(read.toBool(), value.toBool());
        QCOMPARE(read.toString(), value.toString());
    } else {
        QCOMPARE(read.typeId(), value.typeId());
        QCOMPARE(read, value);
    }
}

void TestProfileSettings::storedForm_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::newRow("false") << QVariant(false) << 1 << "false";
    QTest::newRow("int") << QVariant(120) << 2 << "120";
    QTest::newRow("int64") << QVariant(Q_INT64_C(1700000000)) << 4 << "1700000000";
    QTest::newRow("list") << QVariant(QStringList{"a", "", "b"}) << 11 << "a````````b";
    QTest::newRow("byte 0xFF") << QVariant(QByteArray("\xff\x05", 2)) << 12 << "-1,5";
    QTest::newRow("rectangle") << QVariant(QRect(10, 20, 300, 400)) << 19 << "10,20,300,400";
}

void TestProfileSettings::storedForm()
{
    QFETCH(QVariant, value);
    QFETCH(int, type);
    QFETCH(QString, text);
    auto profile = openProfile();
    profile->setSetting("test.value", value);
    profile->saveSettings();
    QSqlQuery query(profile->database());
    QVERIFY(query.exec("SELECT settingType, settingValue FROM UserSettings "
                       "WHERE settingName = 'test.value'"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), type);
    QCOMPARE(query.value(1).toString(), text);
    QVERIFY(!query.next());
}

void TestProfileSettings::malformedStoredValues_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("int not a number") << 2 << "twelve" << QVariant(0);
    QTest::newRow("int64 not a number") << 4 << "" << QVariant(qint64(0));
    QTest::newRow("bool zero") << 1 << "0" << QVariant(false);
    QTest::newRow("bool empty") << 1 << "" << QVariant(false);
    QTest::newRow("bool true") << 1 << "true" << QVariant(true);
    QTest::newRow("short rectangle") << 19 << "1,2" << QVariant(QRect(1, 2, 0, 0));
    QTest::newRow("bad byte") << 12 << "x,300" << QVariant(QByteArray("\x00\x2c", 2));
    // A type without a decoding gives the caller's default.
    QTest::newRow("double") << 6 << "1.5" << QVariant(QStringLiteral("fallback"));
}

void TestProfileSettings::malformedStoredValues()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QVariant, expected);
    QVERIFY(QDir().mkpath(m_dir->filePath("profile")));
    QVERIFY(createTemplate(databasePath(), {QString("INSERT INTO UserSettings (settingType, "
                                                    "settingName, settingValue) VALUES "
                                                    "(%1, 'test.value', '%2')")
                                                .arg(type)
                                                .arg(text)}));
    auto profile = openProfile();
    const QVariant read = profile->setting("test.value", QStringLiteral("fallback"));
    QCOMPARE(read, expected);
}

void TestProfileSettings::builtInDefaultWins()
{
    auto profile = openProfile();
    QCOMPARE(profile->setting("characterMode", "traditional").toString(),
             QStringLiteral("simplified"));
    QCOMPARE(profile->setting("cardItemDelegate.width", 50).toInt(), 120);
    QCOMPARE(profile->setting("autoUpdateCheck", false).toBool(), true);
    const qint64 nextCheck = profile->setting("nextUpdateCheckTime", 0).toLongLong();
    QVERIFY(qAbs(nextCheck - QDateTime::currentSecsSinceEpoch()) < 60);
    QCOMPARE(profile->setting("overridenStyle", "{}").toString(), QStringLiteral("{}"));
    QVERIFY(!profile->setting("chineseFont").isValid());
}

void TestProfileSettings::unchangedWriteEmitsNothing()
{
    auto profile = openProfile();
    QSignalSpy spy(profile.get(), &Profile::userSettingChanged);
    profile->setSetting("characterMode", QStringLiteral("simplified")); // the default
    QCOMPARE(spy.count(), 0);
    profile->setSetting("characterMode", QStringLiteral("traditional"));
    profile->setSetting("characterMode", QStringLiteral("traditional"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("characterMode"));
    profile->saveSettings();

    // After a restart the stored value counts as the current one, booleans included.
    profile.reset();
    profile = openProfile();
    QSignalSpy again(profile.get(), &Profile::userSettingChanged);
    profile->setSetting("characterMode", QStringLiteral("traditional"));
    profile->setSetting("autoUpdateCheck", true);
    QCOMPARE(again.count(), 0);
    profile->setSetting("autoUpdateCheck", false);
    profile->saveSettings();
    profile.reset();
    profile = openProfile();
    QSignalSpy third(profile.get(), &Profile::userSettingChanged);
    profile->setSetting("autoUpdateCheck", false);
    QCOMPARE(third.count(), 0);
}

void TestProfileSettings::signalComesAfterTheCacheHoldsTheValue()
{
    auto profile = openProfile();
    QString seen;
    connect(profile.get(), &Profile::userSettingChanged, this,
            [&](const QString& name) { seen = profile->setting(name).toString(); });
    profile->setSetting("pinyinColorization", QStringLiteral("none"));
    QCOMPARE(seen, QStringLiteral("none"));
}

void TestProfileSettings::twoWritesWithinASecondSaveOnce()
{
    auto profile = openProfile();
    // Count the statements the save runs on the profile's own connection.
    const QStringList counters = {
        "CREATE TEMP TABLE Writes (kind TEXT)",
        "CREATE TEMP TRIGGER CountDeletes AFTER DELETE ON main.UserSettings "
        "BEGIN INSERT INTO Writes VALUES ('delete'); END",
        "CREATE TEMP TRIGGER CountInserts AFTER INSERT ON main.UserSettings "
        "BEGIN INSERT INTO Writes VALUES ('insert'); END",
    };
    QSqlQuery query(profile->database());
    for (const QString& statement : counters)
        QVERIFY2(query.exec(statement), qPrintable(statement));
    // An earlier value, so that the save has a row to delete.
    profile->setSetting("locale", "fr");
    profile->saveSettings();
    QVERIFY(query.exec("DELETE FROM Writes"));

    CommitCounter commits(profile->database());
    QVERIFY(commits.isInstalled());
    QElapsedTimer clock;
    profile->setSetting("locale", "de");
    QTest::qWait(400);
    profile->setSetting("locale", "zh_CN");
    clock.start();
    QCOMPARE(scalar(profile->database(), "SELECT COUNT(*) FROM Writes").toInt(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(scalar(profile->database(), "SELECT COUNT(*) FROM Writes").toInt(), 2,
                              10000);
    // The save waits a second after the last change, not after the first (coarse timers
    // may fire a little early).
    QVERIFY2(clock.elapsed() >= 900, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(scalar(profile->database(),
                    "SELECT group_concat(kind) FROM (SELECT kind FROM Writes ORDER BY rowid)")
                 .toString(),
             QStringLiteral("delete,insert"));
    QCOMPARE(commits.count(), 1);
    QCOMPARE(scalar(profile->database(),
                    "SELECT settingValue FROM UserSettings WHERE settingName = 'locale'")
                 .toString(),
             QStringLiteral("zh_CN"));
}

void TestProfileSettings::pendingSettingsSurviveDestruction()
{
    {
        auto profile = openProfile();
        profile->setSetting("context.screenName", QStringLiteral("dictionary"));
    }
    auto profile = openProfile();
    QCOMPARE(profile->setting("context.screenName").toString(), QStringLiteral("dictionary"));
}

QTEST_GUILESS_MAIN(TestProfileSettings)
#include "tst_profilesettings.moc"
