#include "profile/profile.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "profile/builtindecks.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/knowledge.h"
#include "profile/profileevents.h"
#include "profile/profileschema.h"
#include "text/texthelpers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <utility>

namespace korvo {

const QString Profile::ConnectionName = QStringLiteral("profile");
const QStringList Profile::SchemaVersions = {QStringLiteral("1.0"), QStringLiteral("2.0")};

namespace {

const QString ListSeparator = QStringLiteral("````");

void execIgnoringErrors(QSqlDatabase& database, const QString& statement)
{
    QSqlQuery query(database);
    query.exec(statement);
}

// Runs an UPDATE of the given fields on the row with this id; the id is bound, not pasted.
bool updateRow(QSqlDatabase& database, const QString& table, const QStringList& fields,
               const QVariantList& values, int id)
{
    QSqlQuery query = buildQuery(database, QStringLiteral("update"), table, fields, values,
                                 QStringLiteral("id = :rowId"));
    query.bindValue(QStringLiteral(":rowId"), id);
    return query.exec();
}

} // namespace

Profile::Profile(const QString& profileFolder, const QString& templatePath, QObject* parent)
    : QObject(parent), m_profileFolder(profileFolder), m_templatePath(templatePath),
      m_events(new ProfileEvents(this))
{
    m_settingDefaults.insert(QStringLiteral("cardItemDelegate.width"), 120);
    m_settingDefaults.insert(QStringLiteral("characterMode"), QStringLiteral("simplified"));
    m_settingDefaults.insert(QStringLiteral("locale"), QStringLiteral("en"));
    m_settingDefaults.insert(QStringLiteral("nextUpdateCheckTime"),
                             QDateTime::currentSecsSinceEpoch());
    m_settingDefaults.insert(QStringLiteral("context.screenName"), QStringLiteral("practice"));
    m_settingDefaults.insert(QStringLiteral("autoUpdateCheck"), true);
    m_settingDefaults.insert(QStringLiteral("strokeOrderView"), QStringLiteral("animation"));
    m_settingDefaults.insert(QStringLiteral("playAudioOnRevealCard"), true);
    m_settingDefaults.insert(QStringLiteral("pinyinColorization"), QStringLiteral("pinyin"));

    m_saveUserSettingTimer.setInterval(1000);
    m_saveUserSettingTimer.setSingleShot(true);
    connect(&m_saveUserSettingTimer, &QTimer::timeout, this,
            &Profile::saveUserSettingTimer_timeout);
}

Profile::~Profile()
{
    // Changes of the last second are not lost when the owner forgot the final save.
    if (!m_pendingSettings.isEmpty())
        saveSettings();
    if (m_rootDeck)
        m_rootDeck->dispose(true);
    qDeleteAll(m_deckRegistry);
    m_deckRegistry.clear();
    qDeleteAll(m_cardRegistry);
    m_cardRegistry.clear();
    m_rootDeck = nullptr;
    m_dictionary.reset();
    m_knowledge.reset();
    const bool added = m_database.isValid();
    if (m_database.isOpen())
        m_database.close();
    m_database = QSqlDatabase();
    if (added)
        QSqlDatabase::removeDatabase(ConnectionName);
}

QString Profile::databasePath() const
{
    return m_profileFolder + QStringLiteral("/Profile.db");
}

void Profile::openDatabase()
{
    const QString path = databasePath();
    if (!QFileInfo::exists(path)) {
        if (!QDir().mkpath(m_profileFolder)) {
            qWarning("Could not create profile folder %s", qPrintable(m_profileFolder));
        } else if (!QFile::copy(m_templatePath, path)) {
            qWarning("Could not copy the profile template %s to %s; starting with an empty "
                     "profile",
                     qPrintable(m_templatePath), qPrintable(path));
        } else {
            // An installed template may be read-only, and the copy keeps its permissions.
            QFile::setPermissions(path,
                                  QFile::permissions(path) | QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), ConnectionName);
    m_database.setDatabaseName(path);
    if (!m_database.open()) {
        qWarning("Could not open the profile database %s: %s", qPrintable(path),
                 qPrintable(m_database.lastError().text()));
        openFallbackDatabase(path);
    } else {
        // The rollback journal is kept in the file's own folder and brings the file back to
        // the last commit after a killed process; a file made elsewhere in WAL mode is switched
        // back so that a plain copy of "Profile.db" is always a complete backup.
        execIgnoringErrors(m_database, QStringLiteral("PRAGMA journal_mode = DELETE"));
        execIgnoringErrors(m_database, QStringLiteral("PRAGMA synchronous = FULL"));
        // Room for a large deletion's changed pages, so that it is not flushed to the journal
        // (with a sync each time) page batch by page batch.
        execIgnoringErrors(m_database, QStringLiteral("PRAGMA cache_size = -16384"));
        if (m_database.tables().isEmpty() && !createProfileSchema(m_database)) {
            qWarning("The profile database %s has no tables and none can be made",
                     qPrintable(path));
            openFallbackDatabase(path);
        }
    }

    m_dictionary = std::make_unique<Dictionary>();
    m_dictionary->setDatabase(m_database);
    connect(m_dictionary.get(), &Dictionary::knowledgeUnitChanged, this,
            &Profile::dictionary_knowledgeUnitChanged);
    // A stored unit that was updated is announced to the rest of the program.
    connect(m_dictionary.get(), &Dictionary::knowledgeUnitUpdated, m_events,
            &ProfileEvents::knowledgeUnitChanged);
    m_knowledge = std::make_unique<Knowledge>(m_database);
}

void Profile::openFallbackDatabase(const QString& fileName)
{
    qWarning("Using an empty profile in memory: changes will not be kept in %s",
             qPrintable(fileName));
    m_database.close();
    m_database.setDatabaseName(QStringLiteral(":memory:"));
    if (m_database.open())
        createProfileSchema(m_database);
}

QString Profile::databaseVersion()
{
    if (!m_databaseVersion.isEmpty())
        return m_databaseVersion;
    QSqlQuery query(m_database);
    if (query.exec(QStringLiteral("SELECT * FROM DatabaseVersion")) && query.next()) {
        m_databaseVersion = query.value(QStringLiteral("version")).toString();
        return m_databaseVersion;
    }
    return SchemaVersions.first();
}

void Profile::upgradeDatabase()
{
    const QString current = databaseVersion();
    const int index = SchemaVersions.indexOf(current);
    if (index == SchemaVersions.size() - 1)
        return;
    if (index < 0 && compareVersions(current, SchemaVersions.last()) > 0) {
        // Made by a newer program: running the old steps on it would damage it.
        qWarning("The profile has the newer schema version %s; it is left as it is",
                 qPrintable(current));
        return;
    }
    for (int k = index + 1; k < SchemaVersions.size(); ++k)
        upgradeToVersion(SchemaVersions.at(k));
    m_databaseVersion.clear();
}

void Profile::upgradeToVersion(const QString& version)
{
    beginTransaction(m_database);
    if (version == QLatin1String("2.0"))
        upgradeTo2();

    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("UPDATE DatabaseVersion SET version = :version"));
    query.bindValue(QStringLiteral(":version"), version);
    if (query.exec() && query.numRowsAffected() == 0) {
        // Without a row the version would read as "1.0" again and the steps would run on
        // every start, doubling the built-in folders each time.
        query.prepare(QStringLiteral("INSERT INTO DatabaseVersion (version) VALUES (:version)"));
        query.bindValue(QStringLiteral(":version"), version);
        query.exec();
    }
    query.finish();
    endTransaction(m_database);
}

void Profile::upgradeTo2()
{
    static const char* const addedColumns[] = {
        "ALTER TABLE Decks ADD COLUMN parentId INTEGER DEFAULT 0",
        "ALTER TABLE Decks ADD COLUMN isFolder INTEGER DEFAULT 0",
        "ALTER TABLE KnowledgeUnits ADD COLUMN uuid TEXT",
        "ALTER TABLE Cards ADD COLUMN uuid TEXT",
        "ALTER TABLE Decks ADD COLUMN uuid TEXT",
        "ALTER TABLE KnowledgeUnits ADD COLUMN creationDate INTEGER",
        "ALTER TABLE Decks ADD COLUMN creationDate INTEGER",
        "ALTER TABLE Cards ADD COLUMN creationDate INTEGER",
        "ALTER TABLE KnowledgeUnits ADD COLUMN updateDate INTEGER",
        "ALTER TABLE Decks ADD COLUMN updateDate INTEGER",
        "ALTER TABLE Cards ADD COLUMN updateDate INTEGER",
    };
    // A column that already exists makes its statement fail; the step goes on.
    for (const char* statement : addedColumns)
        execIgnoringErrors(m_database, QString::fromLatin1(statement));

    // Tone digit pairs left by an old pinyin converter: "ma51" becomes "ma1".
    QList<QPair<int, QString>> pinyinRows;
    {
        QSqlQuery query(m_database);
        query.exec(QStringLiteral(
            "SELECT id, pinyin FROM KnowledgeUnits WHERE (pinyin LIKE '%51%') OR "
            "(pinyin LIKE '%52%') OR (pinyin LIKE '%53%') OR (pinyin LIKE '%54%') OR "
            "(pinyin LIKE '%55%')"));
        while (query.next())
            pinyinRows.append({query.value(0).toInt(), query.value(1).toString()});
    }
    for (auto& row : pinyinRows) {
        QString pinyin = row.second;
        for (int tone = 1; tone <= 5; ++tone)
            pinyin.replace(QStringLiteral("5%1").arg(tone), QString::number(tone));
        updateRow(m_database, QStringLiteral("KnowledgeUnits"), {QStringLiteral("pinyin")},
                  {pinyin}, row.first);
    }

    for (const QString& table :
         {QStringLiteral("KnowledgeUnits"), QStringLiteral("Cards"), QStringLiteral("Decks")}) {
        QList<int> ids;
        {
            QSqlQuery query(m_database);
            query.exec(
                QStringLiteral("SELECT id FROM %1 WHERE uuid IS NULL OR uuid = ''").arg(table));
            while (query.next())
                ids.append(query.value(0).toInt());
        }
        for (int id : std::as_const(ids))
            updateRow(m_database, table, {QStringLiteral("uuid")}, {generateUuid()}, id);
    }

    groupBuiltInDecks(m_database);

    // Rows without dates get the moment of the upgrade; dates already present are kept.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const QString& table :
         {QStringLiteral("KnowledgeUnits"), QStringLiteral("Cards"), QStringLiteral("Decks")}) {
        for (const QString& field :
             {QStringLiteral("creationDate"), QStringLiteral("updateDate")}) {
            QSqlQuery query = buildQuery(m_database, QStringLiteral("update"), table, {field},
                                         {now}, field + QStringLiteral(" IS NULL"));
            query.exec();
        }
    }
}

// ---- settings ----

QVariant Profile::setting(const QString& name, const QVariant& defaultValue)
{
    const auto cached = m_settingCache.constFind(name);
    if (cached != m_settingCache.constEnd())
        return cached.value();
    const QVariant value = loadSetting(name, defaultValue);
    // Nothing is remembered from a read made before the database is open.
    if (m_database.isOpen())
        m_settingCache.insert(name, value);
    return value;
}

QVariant Profile::loadSetting(const QString& name, const QVariant& defaultValue)
{
    const QVariant fallback = m_settingDefaults.value(name, defaultValue);
    if (!m_database.isOpen())
        return fallback;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT * FROM UserSettings WHERE settingName = :name"));
    query.bindValue(QStringLiteral(":name"), name);
    if (!query.exec() || !query.next())
        return fallback;
    const QVariant value =
        decodeSettingValue(query.value(QStringLiteral("settingType")).toInt(),
                           query.value(QStringLiteral("settingValue")).toString());
    return value.isValid() ? value : fallback;
}

void Profile::setSetting(const QString& name, const QVariant& value)
{
    if (setting(name, QVariant()) == value)
        return;
    m_settingCache.insert(name, value);
    if (!m_pendingSettings.contains(name))
        m_pendingSettings.append(name);
    m_saveUserSettingTimer.start();
    emit userSettingChanged(name);
}

void Profile::saveSettings()
{
    m_saveUserSettingTimer.stop();
    if (m_pendingSettings.isEmpty())
        return;
    beginTransaction(m_database);
    QSqlQuery remove(m_database);
    remove.prepare(QStringLiteral("DELETE FROM UserSettings WHERE settingName = :name"));
    QSqlQuery insert(m_database);
    insert.prepare(QStringLiteral("INSERT INTO UserSettings (settingType, settingName, "
                                  "settingValue) VALUES (:type, :name, :value)"));
    for (const QString& name : std::as_const(m_pendingSettings)) {
        const QVariant value = setting(name, QVariant());
        remove.bindValue(QStringLiteral(":name"), name);
        remove.exec();
        insert.bindValue(QStringLiteral(":type"), value.typeId());
        insert.bindValue(QStringLiteral(":name"), name);
        insert.bindValue(QStringLiteral(":value"), encodeSettingValue(value));
        insert.exec();
    }
    remove.finish();
    insert.finish();
    m_pendingSettings.clear();
    endTransaction(m_database);
}

QString Profile::encodeSettingValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
        return QString::number(value.toInt());
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        return value.toStringList().join(ListSeparator);
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        QStringList parts;
        parts.reserve(bytes.size());
        for (char byte : bytes)
            parts << QString::number(static_cast<signed char>(byte));
        return parts.join(QLatin1Char(','));
    }
    case QMetaType::QRect: {
        const QRect rect = value.toRect();
        return QStringLiteral("%1,%2,%3,%4")
            .arg(rect.x())
            .arg(rect.y())
            .arg(rect.width())
            .arg(rect.height());
    }
    default:
        return value.toString();
    }
}

QVariant Profile::decodeSettingValue(int type, const QString& text)
{
    switch (type) {
    case QMetaType::Bool:
        // "true" is true; "false", "0" and "" are false.
        return QVariant(text).toBool();
    case QMetaType::Int:
        return text.toInt();
    case QMetaType::LongLong:
        return text.toLongLong();
    case QMetaType::QString:
        return text;
    case QMetaType::QStringList:
        // An empty text is the empty list (not a list holding one empty item).
        return text.isEmpty() ? QStringList() : text.split(ListSeparator, Qt::KeepEmptyParts);
    case QMetaType::QByteArray: {
        QByteArray bytes;
        if (text.isEmpty())
            return bytes;
        const QStringList parts = text.split(QLatin1Char(','));
        for (const QString& part : parts)
            bytes.append(static_cast<char>(part.trimmed().toInt() & 0xFF));
        return bytes;
    }
    case QMetaType::QRect: {
        const QStringList parts = text.split(QLatin1Char(','));
        auto part = [&parts](int i) { return i < parts.size() ? parts.at(i).toInt() : 0; };
        return QRect(part(0), part(1), part(2), part(3));
    }
    default:
        return QVariant();
    }
}

// ---- decks and cards ----

void Profile::loadDecks()
{
    if (m_rootDeck)
        m_rootDeck->dispose(false);
    m_rootDeck = newDeck();
    m_rootDeck->makeRoot();
    m_rootDeck->clearChildren();

    QSqlQuery query(m_database);
    if (!query.exec(QStringLiteral("SELECT * FROM Decks WHERE parentId = 0 ORDER BY sortOrder")))
        return;
    while (query.next()) {
        Deck* deck = newDeck();
        deck->load(query);
        m_rootDeck->addChild(deck);
    }
}

Deck* Profile::newDeck()
{
    auto* deck = new Deck(this);
    m_deckRegistry.append(deck);
    return deck;
}

DeckCard* Profile::newDeckCard(int deckId)
{
    auto* card = new DeckCard(this, deckId);
    m_cardRegistry.append(card);
    return card;
}

Deck* Profile::deckById(int id)
{
    for (int i = m_deckRegistry.size() - 1; i >= 0; --i) {
        Deck* deck = m_deckRegistry.at(i);
        if (deck->isDisposed()) {
            m_deckRegistry.removeAt(i);
            delete deck;
            continue;
        }
        if (deck->id() == id)
            return deck;
    }
    return nullptr;
}

DeckCard* Profile::deckCardById(int id)
{
    for (int i = m_cardRegistry.size() - 1; i >= 0; --i) {
        DeckCard* card = m_cardRegistry.at(i);
        if (card->isDisposed()) {
            m_cardRegistry.removeAt(i);
            delete card;
            continue;
        }
        if (card->id() == id)
            return card;
    }
    return nullptr;
}

void Profile::collectDecks(QList<Deck*>& out, bool includeFolders)
{
    if (m_rootDeck)
        m_rootDeck->collectDecks(out, includeFolders);
}

void Profile::saveDeck(Deck* deck, bool saveCardOrder, bool addToRoot)
{
    QStringList fields = {QStringLiteral("title"), QStringLiteral("isFolder"),
                          QStringLiteral("updateDate")};
    QVariantList values = {deck->displayTitle(), deck->isFolder() ? 1 : 0,
                           deck->updateDate().toMSecsSinceEpoch()};
    const bool isNew = deck->id() < 0;

    // The deck row and its card order reach the disk together or not at all.
    beginTransaction(m_database);
    QSqlQuery query;
    if (isNew) {
        QList<Deck*> all;
        collectDecks(all, true);
        // The parent known in memory is stored too, so that a new deck inside a folder is
        // not found at the top level if the program ends before the tree is renumbered.
        fields << QStringLiteral("sortOrder") << QStringLiteral("uuid")
               << QStringLiteral("creationDate") << QStringLiteral("parentId");
        values << int(all.size() + 1) << deck->uuid() << deck->creationDate().toMSecsSinceEpoch()
               << qMax(deck->parentId(), 0);
        query = buildQuery(m_database, QStringLiteral("insert"), QStringLiteral("Decks"), fields,
                           values);
    } else {
        query = buildQuery(m_database, QStringLiteral("update"), QStringLiteral("Decks"), fields,
                           values, QStringLiteral("id = :rowId"));
        query.bindValue(QStringLiteral(":rowId"), deck->id());
    }
    const bool ok = query.exec();
    if (saveCardOrder) {
        const QList<DeckCard*> cards = deck->cards();
        for (int i = 0; i < cards.size(); ++i)
            updateRow(m_database, QStringLiteral("Cards"), {QStringLiteral("sortOrder")}, {i + 1},
                      cards.at(i)->id());
    }
    endTransaction(m_database);

    if (isNew) {
        if (ok)
            deck->setId(query.lastInsertId().toInt());
        if (addToRoot && m_rootDeck)
            m_rootDeck->addChild(deck);
        emit deckCollectionChanged();
    } else {
        emit deckChanged(deck->id());
    }
}

void Profile::deleteDeck(int id)
{
    if (!m_rootDeck)
        return;
    Deck* deck = m_rootDeck->findDeck(id, true);
    if (!deck)
        return;
    deck->remove();
    deck->dispose(true);
    emit deckCollectionChanged();
}

void Profile::renumberDecks()
{
    QList<Deck*> all;
    collectDecks(all, true);
    beginTransaction(m_database);
    for (int i = 0; i < all.size(); ++i) {
        Deck* deck = all.at(i);
        updateRow(m_database, QStringLiteral("Decks"),
                  {QStringLiteral("sortOrder"), QStringLiteral("parentId")},
                  {i + 1, deck->parentId()}, deck->id());
    }
    endTransaction(m_database);
    emit deckCollectionChanged();
}

QList<int> Profile::cardIdsForKnowledgeUnit(int kuId)
{
    QList<int> ids;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT id FROM Cards WHERE kuId = :kuId"));
    query.bindValue(QStringLiteral(":kuId"), kuId);
    if (query.exec()) {
        while (query.next())
            ids.append(query.value(0).toInt());
    }
    return ids;
}

void Profile::notifyDeckCardCollectionChanged(int deckId)
{
    emit m_events->deckCardCollectionChanged(deckId);
}

void Profile::dictionary_knowledgeUnitChanged(KnowledgeUnit*) {}

} // namespace korvo
