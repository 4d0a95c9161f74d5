#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/knowledge.h"
#include "profile/profile.h"
#include "profile/profileschema.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;
using namespace profiletest;

// Opening a profile folder, the template copy and the schema upgrades.
class TestProfileDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void copiesTemplateIntoNewFolder();
    void copyOfReadOnlyTemplateIsWritable();
    void missingTemplateGivesEmptyValidProfile();
    void uncreatableFolderGivesValidProfileInMemory();
    void switchesWalFileToRollbackJournal();

    void upgradesVersion1Profile();
    void upgradeGroupsOnlyPresentBuiltInDecks();
    void currentVersionIsLeftUntouched();
    void unknownVersionText_data();
    void unknownVersionText();
    void upgradeRunsOnlyOnce();
    void version2UpgradeAddsAnswerTimesAndKeepsTheHistory_data();
    void version2UpgradeAddsAnswerTimesAndKeepsTheHistory();

    void freshFolderLoadsBuiltInTree();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProfileDatabase::initTestCase()
{
    initPinyinTables();
}

void TestProfileDatabase::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProfileDatabase::cleanup()
{
    m_dir.reset();
}

void TestProfileDatabase::copiesTemplateIntoNewFolder()
{
    const QString templatePath = path("Profile.default.db");
    QVERIFY(
        createTemplate(templatePath, {"INSERT INTO Decks (title, sortOrder) VALUES ('Mine', 1)"}));
    const QString folder = path("a/b/profile");

    Profile profile(folder, templatePath);
    profile.openDatabase();
    QVERIFY(QFile::exists(folder + "/Profile.db"));
    QCOMPARE(profile.databaseVersion(), QString(CurrentProfileSchemaVersion));
    QCOMPARE(scalar(profile.database(), "SELECT title FROM Decks").toString(),
             QStringLiteral("Mine"));
    // Work in the profile never reaches the template.
    QVERIFY(QSqlQuery(profile.database()).exec("DELETE FROM Decks"));
    QCOMPARE(scalarOnFile(templatePath, "SELECT COUNT(*) FROM Decks").toInt(), 1);
}

void TestProfileDatabase::copyOfReadOnlyTemplateIsWritable()
{
    const QString templatePath = path("Profile.default.db");
    QVERIFY(createTemplate(templatePath));
    QVERIFY(QFile::setPermissions(templatePath, QFile::ReadOwner | QFile::ReadGroup));
    {
        Profile profile(path("profile"), templatePath);
        profile.openDatabase();
        profile.setSetting("locale", "de");
        profile.saveSettings();
    }
    QCOMPARE(scalarOnFile(path("profile/Profile.db"),
                          "SELECT settingValue FROM UserSettings WHERE settingName = 'locale'")
                 .toString(),
             QStringLiteral("de"));
    QVERIFY(QFileInfo(path("profile/Profile.db")).permissions() & QFile::WriteOwner);
}

void TestProfileDatabase::missingTemplateGivesEmptyValidProfile()
{
    const QString folder = path("profile");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not copy the profile template"));
    int deckId = -1;
    {
        Profile profile(folder, path("nowhere/Profile.default.db"));
        profile.openDatabase();
        for (const char* table :
             {"DatabaseVersion", "UserSettings", "Decks", "Cards", "KnowledgeUnits", "Knowledge"})
            QVERIFY2(profile.database().tables().contains(table), table);
        QCOMPARE(profile.databaseVersion(), QString(CurrentProfileSchemaVersion));
        profile.upgradeDatabase();
        profile.loadDecks();
        Deck* deck = profile.newDeck();
        deck->setTitle("Kept");
        profile.saveDeck(deck, false, true);
        deckId = deck->id();
        QVERIFY(deckId > 0);
    }
    // The work done on the empty profile is on disk.
    QCOMPARE(scalarOnFile(folder + "/Profile.db",
                          QString("SELECT title FROM Decks WHERE id = %1").arg(deckId))
                 .toString(),
             QStringLiteral("Kept"));
}

void TestProfileDatabase::uncreatableFolderGivesValidProfileInMemory()
{
    // A plain file where a parent folder should be makes the folder impossible to create,
    // even for a user who may write everywhere.
    QFile blocker(path("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString templatePath = path("Profile.default.db");
    QVERIFY(createTemplate(templatePath));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Could not create profile folder .*"
                                                          "blocker/profile$"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not open the profile database"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("empty profile in memory"));
    Profile profile(path("blocker/profile"), templatePath);
    profile.openDatabase();
    QVERIFY(profile.database().isOpen());
    QVERIFY(profile.database().tables().contains("Cards"));
    profile.loadDecks();
    Deck* deck = profile.newDeck();
    profile.saveDeck(deck, false, true);
    QVERIFY(deck->id() > 0);
    profile.setSetting("locale", "fr");
    profile.saveSettings();
    QCOMPARE(scalar(profile.database(), "SELECT settingValue FROM UserSettings WHERE "
                                        "settingName = 'locale'")
                 .toString(),
             QStringLiteral("fr"));
}

void TestProfileDatabase::switchesWalFileToRollbackJournal()
{
    const QString templatePath = path("Profile.default.db");
    QVERIFY(createTemplate(templatePath));
    QVERIFY(runOnFile(templatePath, {"PRAGMA journal_mode = WAL"}));
    QCOMPARE(scalarOnFile(templatePath, "PRAGMA journal_mode").toString(), QStringLiteral("wal"));

    Profile profile(path("profile"), templatePath);
    profile.openDatabase();
    QCOMPARE(scalar(profile.database(), "PRAGMA journal_mode").toString(),
             QStringLiteral("delete"));
    QCOMPARE(scalar(profile.database(), "PRAGMA synchronous").toInt(), 2); // FULL
}

namespace {

// A profile of the first schema version. Decks of that time already carried the fixed
// identifiers of the built-in decks; the other tables had no identifier column.
const QStringList Version1Rows = {
    "ALTER TABLE Decks ADD COLUMN uuid TEXT",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (1, '妈', 'ma51', 1)",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (2, '吗', 'ma55', 1)",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (3, '你好', 'ni3 hao3', 1)",
    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, owner) VALUES (4, '妈妈', "
    "'ma51 ma55', 1)",
    "INSERT INTO Decks (id, title, sortOrder, owner, uuid) VALUES "
    "(1, '{HSK_1}', 1, 0, 'f5641dce649f957cc0f40e313df88150')",
    "INSERT INTO Decks (id, title, sortOrder, owner, uuid) VALUES "
    "(2, '{HSK_4}', 2, 0, '151d8cae41ecadb2883e1347026b6c10')",
    "INSERT INTO Decks (id, title, sortOrder, owner) VALUES (3, 'My words', 3, 1)",
    "INSERT INTO Decks (id, title, sortOrder, owner, uuid) VALUES (4, 'Empty uuid', 4, 1, '')",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (1, 3, 1, 1)",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (2, 3, 2, 2)",
    // Records which pinyin values the upgrade writes.
    "CREATE TABLE PinyinWrites (kuId INTEGER)",
    "CREATE TRIGGER RecordPinyinWrite AFTER UPDATE OF pinyin ON KnowledgeUnits "
    "BEGIN INSERT INTO PinyinWrites (kuId) VALUES (new.id); END",
};

} // namespace

void TestProfileDatabase::upgradesVersion1Profile()
{
    const QString folder = path("profile");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(createVersion1Profile(folder + "/Profile.db", Version1Rows));

    Profile profile(folder, path("unused.db"));
    profile.openDatabase();
    QCOMPARE(profile.databaseVersion(), QStringLiteral("1.0"));
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    {
        CommitCounter commits(profile.database());
        QVERIFY(commits.isInstalled());
        profile.upgradeDatabase();
        // One commit per version step.
        QCOMPARE(commits.count(), int(Profile::SchemaVersions.size()) - 1);
    }
    const QSqlDatabase db = profile.database();
    QCOMPARE(profile.databaseVersion(), QString(CurrentProfileSchemaVersion));
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM DatabaseVersion").toInt(), 1);

    // Tone digit pairs, and only the rows that have them are written.
    QCOMPARE(scalar(db, "SELECT pinyin FROM KnowledgeUnits WHERE id = 1").toString(), "ma1");
    QCOMPARE(scalar(db, "SELECT pinyin FROM KnowledgeUnits WHERE id = 2").toString(), "ma5");
    QCOMPARE(scalar(db, "SELECT pinyin FROM KnowledgeUnits WHERE id = 3").toString(), "ni3 hao3");
    QCOMPARE(scalar(db, "SELECT pinyin FROM KnowledgeUnits WHERE id = 4").toString(), "ma1 ma5");
    QCOMPARE(scalar(db, "SELECT group_concat(kuId) FROM "
                        "(SELECT kuId FROM PinyinWrites ORDER BY kuId)")
                 .toString(),
             QStringLiteral("1,2,4"));

    // Identifiers and dates on every row.
    const QRegularExpression identifier("^[A-Za-z0-9]{22}$");
    for (const char* table : {"KnowledgeUnits", "Cards", "Decks"}) {
        QSqlQuery query(db);
        QVERIFY(query.exec(QString("SELECT uuid, creationDate, updateDate FROM %1").arg(table)));
        int rows = 0;
        while (query.next()) {
            ++rows;
            const QString uuid = query.value(0).toString();
            QVERIFY2(!uuid.isEmpty(), table);
            if (QString(table) != "Decks" || uuid.size() == 22)
                QVERIFY2(identifier.match(uuid).hasMatch(), qPrintable(uuid));
            QVERIFY(!query.value(1).isNull());
            QCOMPARE(query.value(1).toLongLong(), query.value(2).toLongLong());
            QVERIFY(query.value(1).toLongLong() >= before);
        }
        QVERIFY(rows > 0);
    }
    // Built-in decks keep their fixed identifiers.
    QCOMPARE(scalar(db, "SELECT uuid FROM Decks WHERE id = 1").toString(),
             QStringLiteral("f5641dce649f957cc0f40e313df88150"));

    // One folder for the two HSK decks present; none for the common characters.
    QSqlQuery hskFolder(db);
    QVERIFY(hskFolder.exec("SELECT id, title, sortOrder, owner, isFolder, parentId FROM Decks "
                           "WHERE uuid = 'com.quillet.hsk'"));
    QVERIFY(hskFolder.next());
    const int folderId = hskFolder.value(0).toInt();
    QCOMPARE(hskFolder.value(1).toString(), QStringLiteral("{HSK_DECKS}"));
    QCOMPARE(hskFolder.value(2).toInt(), 1);
    QCOMPARE(hskFolder.value(3).toInt(), 0);
    QCOMPARE(hskFolder.value(4).toInt(), 1);
    QCOMPARE(hskFolder.value(5).toInt(), 0);
    QVERIFY(!hskFolder.next());
    QCOMPARE(scalar(db, "SELECT parentId FROM Decks WHERE id = 1").toInt(), folderId);
    QCOMPARE(scalar(db, "SELECT parentId FROM Decks WHERE id = 2").toInt(), folderId);
    QCOMPARE(scalar(db, "SELECT parentId FROM Decks WHERE id = 3").toInt(), 0);
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM Decks WHERE uuid = 'com.quillet.commonCharacters'")
                 .toInt(),
             0);

    // The upgraded file loads as a tree.
    profile.loadDecks();
    Deck* hsk = profile.rootDeck()->findDeck(folderId, false);
    QVERIFY(hsk);
    QVERIFY(hsk->isFolder());
    QCOMPARE(hsk->children().size(), 2);
    QCOMPARE(hsk->displayTitle(), QStringLiteral("HSK levels"));
}

void TestProfileDatabase::upgradeGroupsOnlyPresentBuiltInDecks()
{
    const QString folder = path("profile");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(createVersion1Profile(
        folder + "/Profile.db",
        {"ALTER TABLE Decks ADD COLUMN uuid TEXT",
         "INSERT INTO Decks (title, sortOrder, owner) VALUES ('Mine', 1, 1)",
         "INSERT INTO Decks (title, sortOrder, owner, uuid) VALUES "
         "('{COMMON_CHARACTERS_500}', 2, 0, '0eef96350c2ec4e1f6dc9735e98bf213')"}));
    Profile profile(folder, QString());
    profile.openDatabase();
    profile.upgradeDatabase();
    QCOMPARE(scalar(profile.database(), "SELECT COUNT(*) FROM Decks WHERE isFolder = 1").toInt(),
             1);
    QCOMPARE(scalar(profile.database(), "SELECT d.parentId = f.id FROM Decks d, Decks f WHERE "
                                        "d.uuid = '0eef96350c2ec4e1f6dc9735e98bf213' AND "
                                        "f.uuid = 'com.quillet.commonCharacters'")
                 .toInt(),
             1);
}

void TestProfileDatabase::currentVersionIsLeftUntouched()
{
    const QString folder = path("profile");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(createTemplate(folder + "/Profile.db",
                           {"INSERT INTO KnowledgeUnits (pinyin) VALUES ('ma51')",
                            "INSERT INTO Decks (title, uuid) VALUES "
                            "('{HSK_1}', 'f5641dce649f957cc0f40e313df88150')"}));
    Profile profile(folder, QString());
    profile.openDatabase();
    CommitCounter commits(profile.database());
    QVERIFY(commits.isInstalled());
    profile.upgradeDatabase();
    QCOMPARE(commits.count(), 0);
    QCOMPARE(scalar(profile.database(), "SELECT pinyin FROM KnowledgeUnits").toString(), "ma51");
    QCOMPARE(scalar(profile.database(), "SELECT COUNT(*) FROM Decks").toInt(), 1);
    QVERIFY(scalar(profile.database(), "SELECT uuid FROM KnowledgeUnits").isNull());
}

void TestProfileDatabase::unknownVersionText_data()
{
    QTest::addColumn<QStringList>("versionRows");
    QTest::addColumn<bool>("upgraded");
    QTest::newRow("no row") << QStringList() << true;
    QTest::newRow("not a version") << QStringList{"banana"} << true;
    QTest::newRow("empty text") << QStringList{""} << true;
    QTest::newRow("older number") << QStringList{"0.9"} << true;
    QTest::newRow("newer number") << QStringList{"9.0"} << false;
}

void TestProfileDatabase::unknownVersionText()
{
    QFETCH(QStringList, versionRows);
    QFETCH(bool, upgraded);
    const QString folder = path("profile");
    QVERIFY(QDir().mkpath(folder));
    QStringList rows = Version1Rows;
    rows << "DELETE FROM DatabaseVersion";
    for (const QString& version : versionRows)
        rows << QString("INSERT INTO DatabaseVersion (version) VALUES ('%1')").arg(version);
    QVERIFY(createVersion1Profile(folder + "/Profile.db", rows));

    Profile profile(folder, QString());
    profile.openDatabase();
    if (!upgraded)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("newer schema version 9.0"));
    profile.upgradeDatabase();
    const QSqlDatabase db = profile.database();
    QCOMPARE(scalar(db, "SELECT pinyin FROM KnowledgeUnits WHERE id = 1").toString(),
             upgraded ? QStringLiteral("ma1") : QStringLiteral("ma51"));
    QCOMPARE(profile.databaseVersion(),
             upgraded ? QString(CurrentProfileSchemaVersion) : QStringLiteral("9.0"));
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM DatabaseVersion").toInt(), 1);
}

void TestProfileDatabase::upgradeRunsOnlyOnce()
{
    // A file without a version row gets one, so the next start does not run the step again.
    const QString folder = path("profile");
    QVERIFY(QDir().mkpath(folder));
    QStringList rows = Version1Rows;
    rows << "DELETE FROM DatabaseVersion";
    QVERIFY(createVersion1Profile(folder + "/Profile.db", rows));
    for (int run = 0; run < 2; ++run) {
        Profile profile(folder, QString());
        profile.openDatabase();
        profile.upgradeDatabase();
    }
    QCOMPARE(scalarOnFile(folder + "/Profile.db",
                          "SELECT COUNT(*) FROM Decks WHERE uuid = 'com.quillet.hsk'")
                 .toInt(),
             1);
    QCOMPARE(scalarOnFile(folder + "/Profile.db", "SELECT version FROM DatabaseVersion").toString(),
             QString(CurrentProfileSchemaVersion));
}

void TestProfileDatabase::version2UpgradeAddsAnswerTimesAndKeepsTheHistory_data()
{
    QTest::addColumn<bool>("columnPresent");
    QTest::newRow("2.0 file") << false;
    // A file labelled 2.0 that was made from a newer template already has the column.
    QTest::newRow("column already there") << true;
}

void TestProfileDatabase::version2UpgradeAddsAnswerTimesAndKeepsTheHistory()
{
    QFETCH(bool, columnPresent);
    const QString folder = path("profile");
    QVERIFY(QDir().mkpath(folder));
    const QStringList rows = {
        "INSERT INTO Decks (id, title, sortOrder, parentId) VALUES (1, 'Mine', 1, 0)",
        "INSERT INTO KnowledgeUnits (id, simplified, pinyin, score, lastTimePracticed) VALUES "
        "(1, '好', 'hao3', 2.5, 1700000000)",
        "INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES (1, 1, 1, 0)",
        "INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (1, 1, 1, 1)",
        "INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (1, 1, 1, 0)",
        "INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (1, 1, 1, 1)",
    };
    if (columnPresent) {
        QVERIFY(createTemplate(folder + "/Profile.db",
                               QStringList(rows) << "UPDATE DatabaseVersion SET version = '2.0'"));
    } else {
        QVERIFY(createVersion2Profile(folder + "/Profile.db", rows));
        QVERIFY(!scalarOnFile(folder + "/Profile.db", "SELECT sql FROM sqlite_master WHERE "
                                                      "name = 'Knowledge'")
                     .toString()
                     .contains("answerTime"));
    }

    Profile profile(folder, QString());
    profile.openDatabase();
    QCOMPARE(profile.databaseVersion(), QStringLiteral("2.0"));
    {
        CommitCounter commits(profile.database());
        profile.upgradeDatabase();
        // One commit per version step after 2.0.
        QCOMPARE(commits.count(), int(Profile::SchemaVersions.size()) - 2);
    }
    const QSqlDatabase db = profile.database();
    QCOMPARE(profile.databaseVersion(), QString(CurrentProfileSchemaVersion));
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM DatabaseVersion").toInt(), 1);
    // The old answers stay, without a time.
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM Knowledge WHERE answerTime IS NULL").toInt(), 3);
    QCOMPARE(
        scalar(db, "SELECT group_concat(result) FROM (SELECT result FROM Knowledge ORDER BY id)")
            .toString(),
        "1,0,1");
    QCOMPARE(scalar(db, "SELECT score FROM KnowledgeUnits WHERE id = 1").toDouble(), 2.5);
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                        "('Knowledge_answerTime', 'Knowledge_deckId_answerTime', "
                        "'Knowledge_cardId_answerTime')")
                 .toInt(),
             3);
    // New answers get theirs, and the upgraded file loads as before.
    QVERIFY(profile.knowledge()->addHistory(1, 1, 1, 1, 1718000000));
    QCOMPARE(scalar(db, "SELECT answerTime FROM Knowledge ORDER BY id DESC").toLongLong(),
             qint64(1718000000));
    profile.loadDecks();
    QCOMPARE(profile.rootDeck()->children().size(), 1);
    QCOMPARE(profile.rootDeck()->children().first()->cards().size(), 1);
    {
        CommitCounter commits(profile.database());
        profile.upgradeDatabase();
        QCOMPARE(commits.count(), 0);
    }
}

void TestProfileDatabase::freshFolderLoadsBuiltInTree()
{
    const QString templatePath = QStringLiteral(QUILLET_DATA_DIR "/Profile.default.db");
    if (!QFile::exists(templatePath))
        QSKIP("The data build has not made Profile.default.db yet");

    const QString folder = path("fresh/Quillet");
    Profile profile(folder, templatePath);
    profile.openDatabase();
    QVERIFY(QFile::exists(folder + "/Profile.db"));
    profile.upgradeDatabase();
    QCOMPARE(profile.databaseVersion(), QString(CurrentProfileSchemaVersion));
    profile.loadDecks();

    Deck* hsk = nullptr;
    Deck* common = nullptr;
    Deck* radicals = nullptr;
    for (Deck* deck : profile.rootDeck()->children()) {
        if (deck->uuid() == "com.quillet.hsk")
            hsk = deck;
        else if (deck->uuid() == "com.quillet.commonCharacters")
            common = deck;
        else if (!deck->isFolder() && deck->displayTitle() == "Chinese radicals")
            radicals = deck;
    }
    QVERIFY(hsk);
    QVERIFY(common);
    QVERIFY(radicals);
    QCOMPARE(hsk->displayTitle(), QStringLiteral("HSK levels"));
    QCOMPARE(common->displayTitle(), QStringLiteral("Common characters"));
    QCOMPARE(hsk->children().size(), 6);
    QCOMPARE(common->children().size(), 5);
    QCOMPARE(hsk->children().first()->displayTitle(), QStringLiteral("HSK Elementary (Level 1)"));
    for (Deck* deck : hsk->children() + common->children()) {
        QVERIFY(!deck->isFolder());
        QVERIFY2(deck->cardCount() > 0, qPrintable(deck->displayTitle()));
    }
    QVERIFY(radicals->cardCount() > 0);
    // Cards of the built-in decks show units stored in the profile.
    QVERIFY(radicals->cards().first()->knowledgeUnit());
}

QTEST_GUILESS_MAIN(TestProfileDatabase)
#include "tst_profiledatabase.moc"
