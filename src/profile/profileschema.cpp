#include "profile/profileschema.h"

#include "text/texthelpers.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace korvo {

namespace {

// Columns and indexes added by the "2.0" and "3.0" upgrades are part of the base tables here, so
// a new file needs no upgrade work. Row ids never get reused (AUTOINCREMENT): practice history and
// deck files refer to them, and a recycled id would attach old history to a new card.
const char* const SchemaStatements[] = {
    "CREATE TABLE IF NOT EXISTS DatabaseVersion (version TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS UserSettings ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "settingType INTEGER NOT NULL DEFAULT 10, "
    "settingName TEXT NOT NULL, "
    "settingValue TEXT)",
    "CREATE INDEX IF NOT EXISTS UserSettings_settingName ON UserSettings (settingName)",
    "CREATE TABLE IF NOT EXISTS Decks ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "title TEXT, "
    "sortOrder INTEGER, "
    "owner INTEGER DEFAULT 0, "
    "parentId INTEGER DEFAULT 0, "
    "isFolder INTEGER DEFAULT 0, "
    "uuid TEXT, "
    "creationDate INTEGER, "
    "updateDate INTEGER)",
    "CREATE INDEX IF NOT EXISTS Decks_parentId ON Decks (parentId)",
    "CREATE INDEX IF NOT EXISTS Decks_uuid ON Decks (uuid)",
    "CREATE TABLE IF NOT EXISTS Cards ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "deckId INTEGER, "
    "kuId INTEGER, "
    "sortOrder INTEGER, "
    "uuid TEXT, "
    "creationDate INTEGER, "
    "updateDate INTEGER)",
    "CREATE INDEX IF NOT EXISTS Cards_deckId ON Cards (deckId)",
    "CREATE INDEX IF NOT EXISTS Cards_kuId ON Cards (kuId)",
    "CREATE TABLE IF NOT EXISTS KnowledgeUnits ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "uuid TEXT, "
    "simplified TEXT, "
    "traditional TEXT, "
    "pinyin TEXT, "
    "pinyinMerged TEXT, "
    "pinyinMergedNoTones TEXT, "
    "definition TEXT, "
    "score REAL DEFAULT 0, "
    "lastTimePracticed INTEGER DEFAULT 0, "
    "owner INTEGER DEFAULT 0, "
    "variants TEXT, "
    "creationDate INTEGER, "
    "updateDate INTEGER)",
    "CREATE INDEX IF NOT EXISTS KnowledgeUnits_simplified ON KnowledgeUnits (simplified)",
    "CREATE INDEX IF NOT EXISTS KnowledgeUnits_traditional ON KnowledgeUnits (traditional)",
    "CREATE TABLE IF NOT EXISTS Knowledge ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "kuId INTEGER, "
    "cardId INTEGER, "
    "deckId INTEGER, "
    "result INTEGER, "
    "answerTime INTEGER)",
    "CREATE INDEX IF NOT EXISTS Knowledge_kuId ON Knowledge (kuId)",
};

// The practice statistics count answers by their time, for every deck or for some of them, and
// by card.
const char* const HistoryTimeIndexes[] = {
    "CREATE INDEX IF NOT EXISTS Knowledge_answerTime ON Knowledge (answerTime, result)",
    "CREATE INDEX IF NOT EXISTS Knowledge_cardId_answerTime ON Knowledge "
    "(cardId, answerTime, result, deckId)",
    "CREATE INDEX IF NOT EXISTS Knowledge_deckId_answerTime ON Knowledge (deckId, answerTime, "
    "result)",
};

bool run(QSqlQuery& query, const QString& statement)
{
    if (query.exec(statement))
        return true;
    qWarning("Profile schema: %s failed: %s", qPrintable(statement.left(60)),
             qPrintable(query.lastError().text()));
    return false;
}

} // namespace

QStringList historyTimeIndexStatements()
{
    QStringList statements;
    for (const char* statement : HistoryTimeIndexes)
        statements << QString::fromLatin1(statement);
    return statements;
}

bool createProfileSchema(QSqlDatabase database)
{
    if (!database.isOpen()) {
        qWarning("Profile schema: the connection %s is not open",
                 qPrintable(database.connectionName()));
        return false;
    }
    if (!database.transaction()) {
        qWarning("Profile schema: could not begin a transaction: %s",
                 qPrintable(database.lastError().text()));
        return false;
    }
    QSqlQuery query(database);
    bool ok = true;
    for (const char* statement : SchemaStatements)
        ok = run(query, QString::fromLatin1(statement)) && ok;
    for (const QString& statement : historyTimeIndexStatements())
        ok = run(query, statement) && ok;

    if (ok && run(query, QStringLiteral("SELECT COUNT(*) FROM DatabaseVersion")) && query.next() &&
        query.value(0).toInt() == 0) {
        query.prepare(QStringLiteral("INSERT INTO DatabaseVersion (version) VALUES (:version)"));
        query.bindValue(QStringLiteral(":version"),
                        QString::fromLatin1(CurrentProfileSchemaVersion));
        if (!query.exec()) {
            qWarning("Profile schema: could not write the version row: %s",
                     qPrintable(query.lastError().text()));
            ok = false;
        }
    }
    query.finish();
    if (!ok) {
        database.rollback();
        return false;
    }
    if (!database.commit()) {
        qWarning("Profile schema: commit failed: %s", qPrintable(database.lastError().text()));
        return false;
    }
    return true;
}

namespace {

const char ProfileCheckConnection[] = "profileCheck";

// Runs the SQLite checks on a file that starts with the SQLite header.
ProfileFileCheck checkSqliteFile(QSqlDatabase& database, const QString& latestVersion)
{
    if (!database.open())
        return {ProfileFileState::Damaged, database.lastError().text()};
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next())
        return {ProfileFileState::Damaged, query.lastError().text()};
    const QString verdict = query.value(0).toString();
    if (verdict != QLatin1String("ok"))
        return {ProfileFileState::Damaged, verdict};
    query.finish();
    if (database.tables().contains(QStringLiteral("DatabaseVersion")) &&
        query.exec(QStringLiteral("SELECT version FROM DatabaseVersion")) && query.next()) {
        const QString version = query.value(0).toString();
        if (compareVersions(version, latestVersion) > 0)
            return {ProfileFileState::TooNew, version};
    }
    return {};
}

} // namespace

QString readStoredSetting(const QString& path, const QString& name)
{
    if (!QFileInfo(path).isFile())
        return QString();
    QString value;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                          QLatin1String(ProfileCheckConnection));
        database.setDatabaseName(path);
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (database.open()) {
            QSqlQuery query(database);
            query.prepare(
                QStringLiteral("SELECT settingValue FROM UserSettings WHERE settingName = :name"));
            query.bindValue(QStringLiteral(":name"), name);
            if (query.exec() && query.next())
                value = query.value(0).toString();
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(ProfileCheckConnection));
    return value;
}

ProfileFileCheck checkProfileFile(const QString& path, const QString& latestVersion)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {ProfileFileState::Missing, QString()};
    if (info.isDir())
        return {ProfileFileState::Unreadable, QStringLiteral("not a regular file")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {ProfileFileState::Unreadable, file.errorString()};
    const QByteArray header = file.read(16);
    file.close();
    if (header.isEmpty())
        return {ProfileFileState::NotADatabase, QStringLiteral("the file is empty")};
    if (header != QByteArray("SQLite format 3\0", 16))
        return {ProfileFileState::NotADatabase, QStringLiteral("file is not a database")};

    ProfileFileCheck result;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                          QLatin1String(ProfileCheckConnection));
        database.setDatabaseName(path);
        result = checkSqliteFile(database, latestVersion);
        database.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(ProfileCheckConnection));
    return result;
}

} // namespace korvo
