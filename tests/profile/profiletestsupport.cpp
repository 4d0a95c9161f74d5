#include "profiletestsupport.h"

#include "profile/deck.h"
#include "profile/profile.h"
#include "profile/profileschema.h"

#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <dlfcn.h>

namespace profiletest {

namespace {

template <typename Work> bool withFile(const QString& path, Work work)
{
    const QString name = QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        ok = database.open() && work(database);
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool runAll(QSqlDatabase& database, const QStringList& statements)
{
    QSqlQuery query(database);
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
            return false;
        }
    }
    return true;
}

using CommitHookFunction = void* (*)(void*, int (*)(void*), void*);

CommitHookFunction commitHookFunction()
{
    // The Qt driver has loaded the SQLite library already; no build dependency on its header.
    void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (!library)
        return nullptr;
    return reinterpret_cast<CommitHookFunction>(dlsym(library, "sqlite3_commit_hook"));
}

} // namespace

bool runOnFile(const QString& path, const QStringList& statements)
{
    return withFile(path, [&](QSqlDatabase& database) { return runAll(database, statements); });
}

bool createTemplate(const QString& path, const QStringList& extraStatements)
{
    return withFile(path, [&](QSqlDatabase& database) {
        return korvo::createProfileSchema(database) && runAll(database, extraStatements);
    });
}

bool createVersion2Profile(const QString& path, const QStringList& extraStatements)
{
    QStringList statements = {
        "DROP INDEX Knowledge_answerTime",
        "DROP INDEX Knowledge_deckId_answerTime",
        "DROP INDEX Knowledge_cardId_answerTime",
        "ALTER TABLE Knowledge DROP COLUMN answerTime",
        "UPDATE DatabaseVersion SET version = '2.0'",
    };
    statements << extraStatements;
    return createTemplate(path, statements);
}

bool createVersion1Profile(const QString& path, const QStringList& extraStatements)
{
    QStringList statements = {
        "CREATE TABLE DatabaseVersion (version TEXT)",
        "INSERT INTO DatabaseVersion (version) VALUES ('1.0')",
        "CREATE TABLE UserSettings (id INTEGER PRIMARY KEY, settingType INTEGER, "
        "settingName TEXT, settingValue TEXT)",
        "CREATE TABLE Decks (id INTEGER PRIMARY KEY, title TEXT, sortOrder INTEGER, "
        "owner INTEGER)",
        "CREATE TABLE Cards (id INTEGER PRIMARY KEY, deckId INTEGER, kuId INTEGER, "
        "sortOrder INTEGER)",
        "CREATE TABLE KnowledgeUnits (id INTEGER PRIMARY KEY, simplified TEXT, traditional TEXT, "
        "pinyin TEXT, pinyinMerged TEXT, pinyinMergedNoTones TEXT, definition TEXT, score REAL, "
        "lastTimePracticed INTEGER, owner INTEGER, variants TEXT)",
        "CREATE TABLE Knowledge (id INTEGER PRIMARY KEY, kuId INTEGER, cardId INTEGER, "
        "deckId INTEGER, result INTEGER)",
    };
    statements << extraStatements;
    return runOnFile(path, statements);
}

QVariant scalar(const QSqlDatabase& database, const QString& statement)
{
    QSqlQuery query(database);
    if (!query.exec(statement)) {
        qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        return QVariant();
    }
    return query.next() ? query.value(0) : QVariant();
}

QVariant scalarOnFile(const QString& path, const QString& statement)
{
    QVariant result;
    withFile(path, [&](QSqlDatabase& database) {
        result = scalar(database, statement);
        return true;
    });
    return result;
}

std::unique_ptr<korvo::Profile> openProfile(const QString& folder, const QString& templatePath)
{
    auto profile = std::make_unique<korvo::Profile>(folder, templatePath);
    profile->openDatabase();
    profile->upgradeDatabase();
    profile->loadDecks();
    return profile;
}

std::unique_ptr<korvo::Profile> openEmptyProfile(const QString& folder)
{
    const QString templatePath = folder + QStringLiteral("/Profile.template.db");
    if (!createTemplate(templatePath))
        return nullptr;
    return openProfile(folder, templatePath);
}

korvo::Deck* makeStoredDeck(korvo::Profile* profile, const QString& title, bool folder,
                            korvo::Deck* parent)
{
    korvo::Deck* deck = profile->newDeck();
    deck->setTitle(title);
    deck->setFolder(folder);
    if (parent)
        parent->addChild(deck);
    profile->saveDeck(deck, false, parent == nullptr);
    return deck;
}

int rowCount(const QSqlDatabase& database, const QString& table)
{
    QSqlQuery query(database);
    query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table);
    return query.next() ? query.value(0).toInt() : -1;
}

CommitCounter::CommitCounter(const QSqlDatabase& database)
{
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    CommitHookFunction install = commitHookFunction();
    if (!install)
        return;
    m_handle = *static_cast<void* const*>(handle.data());
    if (m_handle)
        install(m_handle, &CommitCounter::hook, this);
}

CommitCounter::~CommitCounter()
{
    if (!m_handle)
        return;
    if (CommitHookFunction install = commitHookFunction())
        install(m_handle, nullptr, nullptr);
}

int CommitCounter::hook(void* self)
{
    ++static_cast<CommitCounter*>(self)->m_count;
    return 0; // let the commit go ahead
}

bool writeMessageCatalogue(const QString& path, const QMap<QByteArray, QByteArray>& messages)
{
    // Layout: header (7 numbers), table of originals, table of translations, then the texts.
    const quint32 count = quint32(messages.size());
    const quint32 originalsOffset = 28;
    const quint32 translationsOffset = originalsOffset + 8 * count;
    quint32 textOffset = translationsOffset + 8 * count;

    QByteArray header, originals, translations, texts;
    auto number = [](QByteArray& out, quint32 value) {
        for (int i = 0; i < 4; ++i)
            out.append(char((value >> (8 * i)) & 0xFF));
    };
    number(header, 0x950412de);
    number(header, 0);
    number(header, count);
    number(header, originalsOffset);
    number(header, translationsOffset);
    number(header, 0); // no hash table
    number(header, 0);

    QList<QByteArray> keys = messages.keys(); // sorted, as the format requires
    for (const QByteArray& key : keys) {
        number(originals, quint32(key.size()));
        number(originals, textOffset + quint32(texts.size()));
        texts.append(key).append('\0');
    }
    for (const QByteArray& key : keys) {
        const QByteArray& value = messages.value(key);
        number(translations, quint32(value.size()));
        number(translations, textOffset + quint32(texts.size()));
        texts.append(value).append('\0');
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(header + originals + translations + texts);
    return true;
}

} // namespace profiletest
