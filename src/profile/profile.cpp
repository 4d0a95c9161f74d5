#include "profile/profile.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "profile/builtindecks.h"
#include "profile/builtinreadings.h"
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
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <utility>

namespace korvo {

const QString Profile::ConnectionName = QStringLiteral("profile");
const QStringList Profile::SchemaVersions = {QStringLiteral("1.0"), QStringLiteral("2.0"),
                                             QStringLiteral("3.0"), QStringLiteral("3.1")};

namespace {

const QString ListSeparator = QStringLiteral("````");

void execIgnoringErrors(QSqlDatabase& database, const QString& statement)
{
    QSqlQuery query(database);
    query.exec(statement);
}

// Runs an UPDATE of the given fields on the row with this id; the id is bound, not pasted.
bool updateRow(QSqlDatabase& database, const QString& table, const QStringList& fields,
               const QVariantList& values, int id, QString* error = nullptr)
{
    QSqlQuery query = buildQuery(database, QStringLiteral("update"), table, fields, values,
                                 QStringLiteral("id = :rowId"));
    query.bindValue(QStringLiteral(":rowId"), id);
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
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
    m_retryTimer.setInterval(RetryInterval);
    connect(&m_retryTimer, &QTimer::timeout, this, &Profile::retryTimer_timeout);
}

Profile::~Profile()
{
    // Changes of the last second, and those kept after a failed write, get a last chance.
    if (hasPendingWrites())
        retryPendingWrites();
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
    m_openProblem.clear();
    if (!QFileInfo::exists(path)) {
        if (!QDir().mkpath(m_profileFolder)) {
            qWarning("Could not create profile folder %s", qPrintable(m_profileFolder));
            m_openProblem = QStringLiteral("the folder cannot be created");
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
        m_openProblem = m_database.lastError().text();
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
            m_openProblem = QStringLiteral("the file cannot be written");
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
    for (int k = index + 1; k < SchemaVersions.size(); ++k) {
        if (!upgradeToVersion(SchemaVersions.at(k)))
            break;
    }
    m_databaseVersion.clear();
}

bool Profile::upgradeToVersion(const QString& version)
{
    beginTransaction(m_database);
    if (version == QLatin1String("2.0"))
        upgradeTo2();
    if (version == QLatin1String("3.0") && !upgradeTo3()) {
        // A file that claimed the new version without the answer time column would lose every
        // later answer (their rows could not be written): it stays at the version it has.
        qWarning("The profile could not be upgraded to schema version %s", qPrintable(version));
        Profile::finishTransaction(m_database, false);
        return false;
    }
    if (version == QLatin1String("3.1")) {
        // Built-in cards an older data build gave the wrong reading of their word.
        const int mended = mendBuiltInReadings(m_database, m_templatePath);
        if (mended < 0) {
            qWarning("The built-in cards could not be mended; the profile stays at its version");
            Profile::finishTransaction(m_database, false);
            return false;
        }
    }

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
    return endTransaction(m_database);
}

bool Profile::upgradeTo3()
{
    // The answer time of each new history row; the rows already there keep none (NULL). The
    // column may exist already in a file made from a newer template.
    execIgnoringErrors(m_database,
                       QStringLiteral("ALTER TABLE Knowledge ADD COLUMN answerTime INTEGER"));
    if (!m_database.record(QStringLiteral("Knowledge")).contains(QStringLiteral("answerTime")))
        return false;
    bool ok = true;
    for (const QString& statement : historyTimeIndexStatements()) {
        QSqlQuery query(m_database);
        ok = query.exec(statement) && ok;
    }
    return ok;
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

bool Profile::saveSettings()
{
    m_saveUserSettingTimer.stop();
    if (m_pendingSettings.isEmpty())
        return true;
    // Inside another writer's transaction the settings join it, as any statement would.
    if (isNested())
        return writeSettings();
    retryPendingWrites();
    return m_pendingSettings.isEmpty();
}

bool Profile::writeSettings()
{
    if (m_pendingSettings.isEmpty())
        return true;
    const bool nested = isNested();
    beginTransaction(m_database);
    bool ok = true;
    {
        QSqlQuery remove(m_database);
        remove.prepare(QStringLiteral("DELETE FROM UserSettings WHERE settingName = :name"));
        QSqlQuery insert(m_database);
        insert.prepare(QStringLiteral("INSERT INTO UserSettings (settingType, settingName, "
                                      "settingValue) VALUES (:type, :name, :value)"));
        for (const QString& name : std::as_const(m_pendingSettings)) {
            const QVariant value = setting(name, QVariant());
            remove.bindValue(QStringLiteral(":name"), name);
            insert.bindValue(QStringLiteral(":type"), value.typeId());
            insert.bindValue(QStringLiteral(":name"), name);
            insert.bindValue(QStringLiteral(":value"), encodeSettingValue(value));
            if (!remove.exec() || !insert.exec()) {
                m_lastWriteError = remove.lastError().isValid() ? remove.lastError().text()
                                                                : insert.lastError().text();
                ok = false;
                break;
            }
        }
    }
    // The names stay pending until their rows are committed; inside another writer's
    // transaction that writer's commit decides, and it is not retried from here.
    ok = finishTransaction(m_database, ok);
    if (ok || nested)
        m_pendingSettings.clear();
    return ok;
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
    if (!deck)
        return;
    const bool isNew = deck->id() < 0;
    retryFailedWrites();
    const bool nested = isNested();
    // The deck row and its card order reach the disk together or not at all.
    beginTransaction(m_database);
    bool ok = writeDeck(deck);
    if (ok && saveCardOrder)
        ok = writeCardOrder(deck);
    ok = finishTransaction(m_database, ok);
    if (!ok && isNew && !nested)
        deck->setId(-1); // the inserted row was rolled back
    if (ok) {
        noteWriteSuccess();
    } else if (!nested) {
        keepDeck(deck, saveCardOrder);
        noteWriteFailure(m_lastWriteError);
    }

    if (isNew) {
        if (addToRoot && m_rootDeck)
            m_rootDeck->addChild(deck);
        emit deckCollectionChanged();
    } else {
        emit deckChanged(deck->id());
    }
}

bool Profile::writeDeck(Deck* deck)
{
    QStringList fields = {QStringLiteral("title"), QStringLiteral("isFolder"),
                          QStringLiteral("updateDate")};
    // A built-in deck keeps its placeholder title, which every language shows in its own words.
    QVariantList values = {deck->title(), deck->isFolder() ? 1 : 0,
                           deck->updateDate().toMSecsSinceEpoch()};
    const bool isNew = deck->id() < 0;
    if (isNew) {
        QList<Deck*> all;
        collectDecks(all, true);
        // The parent known in memory is stored too, so that a new deck inside a folder is
        // not found at the top level if the program ends before the tree is renumbered.
        fields << QStringLiteral("sortOrder") << QStringLiteral("uuid")
               << QStringLiteral("creationDate") << QStringLiteral("parentId");
        values << int(all.size() + 1) << deck->uuid() << deck->creationDate().toMSecsSinceEpoch()
               << qMax(deck->parentId(), 0);
    }
    int insertedId = 0;
    if (!writeRow(QStringLiteral("Decks"), isNew, deck->id(), fields, values, &insertedId))
        return false;
    if (isNew)
        deck->setId(insertedId);
    return true;
}

bool Profile::writeRow(const QString& table, bool insert, int id, const QStringList& fields,
                       const QVariantList& values, int* insertedId)
{
    QSqlQuery query;
    if (insert) {
        query = buildQuery(m_database, QStringLiteral("insert"), table, fields, values);
    } else {
        query = buildQuery(m_database, QStringLiteral("update"), table, fields, values,
                           QStringLiteral("id = :rowId"));
        query.bindValue(QStringLiteral(":rowId"), id);
    }
    if (!query.exec()) {
        m_lastWriteError = query.lastError().text();
        return false;
    }
    if (insert && insertedId)
        *insertedId = query.lastInsertId().toInt();
    return true;
}

// The deck's card order in one transaction: all of it or none. Cards not stored yet have no
// row to number, so the order waits for them.
bool Profile::writeCardOrder(Deck* deck)
{
    const QList<DeckCard*> cards = deck->cards();
    for (DeckCard* card : cards) {
        if (card->id() < 1) {
            m_lastWriteError = QStringLiteral("a card of the deck is not stored yet");
            return false;
        }
    }
    beginTransaction(m_database);
    bool ok = true;
    for (int i = 0; i < cards.size() && ok; ++i) {
        ok = updateRow(m_database, QStringLiteral("Cards"), {QStringLiteral("sortOrder")}, {i + 1},
                       cards.at(i)->id(), &m_lastWriteError);
    }
    return finishTransaction(m_database, ok);
}

void Profile::keepDeck(Deck* deck, bool cardOrder)
{
    for (PendingDeck& pending : m_pendingDecks) {
        if (pending.deck == deck) {
            pending.cardOrder = pending.cardOrder || cardOrder;
            return;
        }
    }
    m_pendingDecks.append({deck, cardOrder});
}

void Profile::deleteDeck(int id)
{
    if (!m_rootDeck)
        return;
    Deck* deck = m_rootDeck->findDeck(id, true);
    if (!deck)
        return;
    // The rows to delete are taken from the objects before these are released; a deletion that
    // cannot be written now is kept and tried again.
    RowDeletion rows;
    QList<Deck*> decks{deck};
    deck->collectDecks(decks, true);
    for (Deck* each : std::as_const(decks)) {
        if (each->id() > 0)
            rows.deckIds.append(each->id());
        if (each->isFolder())
            continue;
        for (DeckCard* card : each->cards()) {
            if (card->id() > 0)
                rows.cardIds.append(card->id());
            KnowledgeUnit* unit = card->knowledgeUnit();
            if (unit && unit->owner() > 0 && unit->id() > 0 && !rows.unitIds.contains(unit->id()))
                rows.unitIds.append(unit->id());
        }
    }
    retryFailedWrites();
    const bool nested = isNested();
    if (writeDeletion(rows)) {
        noteWriteSuccess();
    } else if (!nested) {
        m_pendingDeletion.cardIds += rows.cardIds;
        m_pendingDeletion.unitIds += rows.unitIds;
        m_pendingDeletion.deckIds += rows.deckIds;
        noteWriteFailure(m_lastWriteError);
    }
    deck->dispose(true);
    emit deckCollectionChanged();
}

void Profile::deleteRows(const QList<int>& cardIds, const QList<int>& unitIds)
{
    RowDeletion rows;
    rows.cardIds = cardIds;
    rows.unitIds = unitIds;
    retryFailedWrites();
    const bool nested = isNested();
    if (writeDeletion(rows)) {
        noteWriteSuccess();
    } else if (!nested) {
        m_pendingDeletion.cardIds += rows.cardIds;
        m_pendingDeletion.unitIds += rows.unitIds;
        noteWriteFailure(m_lastWriteError);
    }
}

// Cards first, so that a user-made unit goes exactly when no card shows it any more.
bool Profile::writeDeletion(const RowDeletion& rows)
{
    if (rows.isEmpty())
        return true;
    beginTransaction(m_database);
    bool ok = true;
    {
        QSqlQuery card(m_database);
        card.prepare(QStringLiteral("DELETE FROM Cards WHERE id = :id"));
        for (int i = 0; i < rows.cardIds.size() && ok; ++i) {
            card.bindValue(QStringLiteral(":id"), rows.cardIds.at(i));
            ok = card.exec();
            if (!ok)
                m_lastWriteError = card.lastError().text();
        }
        QSqlQuery unit(m_database);
        unit.prepare(QStringLiteral("DELETE FROM KnowledgeUnits WHERE id = :id AND owner > 0 AND "
                                    "NOT EXISTS (SELECT 1 FROM Cards WHERE kuId = :kuId)"));
        for (int i = 0; i < rows.unitIds.size() && ok; ++i) {
            unit.bindValue(QStringLiteral(":id"), rows.unitIds.at(i));
            unit.bindValue(QStringLiteral(":kuId"), rows.unitIds.at(i));
            ok = unit.exec();
            if (!ok)
                m_lastWriteError = unit.lastError().text();
        }
        QSqlQuery deck(m_database);
        deck.prepare(QStringLiteral("DELETE FROM Decks WHERE id = :id"));
        for (int i = 0; i < rows.deckIds.size() && ok; ++i) {
            deck.bindValue(QStringLiteral(":id"), rows.deckIds.at(i));
            ok = deck.exec();
            if (!ok)
                m_lastWriteError = deck.lastError().text();
        }
    }
    return finishTransaction(m_database, ok);
}

void Profile::renumberDecks()
{
    retryFailedWrites();
    const bool nested = isNested();
    if (writeRenumbering()) {
        m_renumberPending = false;
        noteWriteSuccess();
    } else if (!nested) {
        m_renumberPending = true;
        noteWriteFailure(m_lastWriteError);
    }
    emit deckCollectionChanged();
}

bool Profile::writeRenumbering()
{
    QList<Deck*> all;
    collectDecks(all, true);
    for (Deck* deck : std::as_const(all)) {
        if (deck->id() < 0) {
            m_lastWriteError = QStringLiteral("a deck is not stored yet");
            return false;
        }
    }
    beginTransaction(m_database);
    bool ok = true;
    for (int i = 0; i < all.size() && ok; ++i) {
        Deck* deck = all.at(i);
        ok = updateRow(m_database, QStringLiteral("Decks"),
                       {QStringLiteral("sortOrder"), QStringLiteral("parentId")},
                       {i + 1, deck->parentId()}, deck->id(), &m_lastWriteError);
    }
    return finishTransaction(m_database, ok);
}

void Profile::storeCard(Deck* deck, DeckCard* card)
{
    if (!deck || !card)
        return;
    retryFailedWrites();
    const bool nested = isNested();
    const bool insert = card->id() < 1;
    const bool written = writeCard(deck, card);
    if (m_together) {
        m_togetherWrites.append({nullptr, {deck, card}, insert && written});
        m_togetherFailed = m_togetherFailed || !written;
        return;
    }
    if (written) {
        noteWriteSuccess();
        return;
    }
    if (nested)
        return;
    keepCard(deck, card);
    noteWriteFailure(m_lastWriteError);
}

void Profile::keepCard(Deck* deck, DeckCard* card)
{
    for (const PendingCard& pending : std::as_const(m_pendingCards)) {
        if (pending.card == card)
            return;
    }
    m_pendingCards.append({deck, card});
}

void Profile::keepUnit(KnowledgeUnit* unit)
{
    // A new unit has no owner until the dictionary stores it; the profile keeps it till then.
    if (unit->id() < 1 && !unit->parent())
        unit->setParent(this);
    if (!m_pendingUnits.contains(unit))
        m_pendingUnits.append(unit);
}

bool Profile::saveTogether(const std::function<void()>& writes)
{
    if (isNested() || m_together) {
        writes();
        return true;
    }
    retryFailedWrites();
    m_together = true;
    m_togetherFailed = false;
    m_togetherWrites.clear();
    beginTransaction(m_database);
    writes();
    m_together = false;
    const QList<TogetherWrite> done = std::exchange(m_togetherWrites, {});
    if (finishTransaction(m_database, !m_togetherFailed)) {
        noteWriteSuccess();
        return true;
    }
    if (!m_togetherFailed)
        m_lastWriteError = m_database.lastError().text();
    undoTogetherWrites(done);
    noteWriteFailure(m_lastWriteError);
    return false;
}

// The rolled-back rows are gone: what they stored waits for the retry, units first, as new rows
// where they were inserted.
void Profile::undoTogetherWrites(const QList<TogetherWrite>& writes)
{
    for (const TogetherWrite& write : writes) {
        if (write.inserted && write.unit) {
            m_dictionary->forgetKnowledgeUnit(write.unit);
        } else if (write.inserted && write.card.card) {
            write.card.card->setId(-1);
        }
    }
    for (const TogetherWrite& write : writes) {
        if (write.unit)
            keepUnit(write.unit);
    }
    for (const TogetherWrite& write : writes) {
        if (write.card.deck && write.card.card)
            keepCard(write.card.deck, write.card.card);
    }
}

bool Profile::writeCard(Deck* deck, DeckCard* card)
{
    // A card can only be stored once its deck and its unit have rows.
    if (deck->id() < 1) {
        m_lastWriteError = QStringLiteral("the deck is not stored yet");
        return false;
    }
    KnowledgeUnit* unit = card->knowledgeUnit();
    if (unit && unit->id() != card->kuId()) {
        if (unit->id() < 1) {
            m_lastWriteError = QStringLiteral("the card's entry is not stored yet");
            return false;
        }
        card->setKnowledgeUnit(unit);
    }
    QStringList fields = {QStringLiteral("deckId"), QStringLiteral("kuId"),
                          QStringLiteral("updateDate")};
    QVariantList values = {deck->id(), card->kuId(), card->updateDate().toMSecsSinceEpoch()};
    const bool isNew = card->id() < 1;
    if (isNew) {
        // A new card goes to the end of the deck, so it also gets the last place in the stored
        // order; without it the card would come first when the deck is read again.
        const QList<DeckCard*> cards = deck->cards();
        const int position = cards.indexOf(card);
        fields << QStringLiteral("uuid") << QStringLiteral("creationDate")
               << QStringLiteral("sortOrder");
        values << card->uuid() << card->creationDate().toMSecsSinceEpoch()
               << int(position >= 0 ? position + 1 : cards.size() + 1);
    }
    int insertedId = 0;
    if (!writeRow(QStringLiteral("Cards"), isNew, card->id(), fields, values, &insertedId))
        return false;
    if (isNew)
        card->setId(insertedId);
    return true;
}

bool Profile::saveKnowledgeUnit(KnowledgeUnit* unit)
{
    if (!unit || !m_dictionary)
        return false;
    retryFailedWrites();
    const bool nested = isNested();
    const bool insert = unit->id() < 1;
    const bool written = writeUnit(unit);
    if (m_together) {
        m_togetherWrites.append({unit, {}, insert && written});
        m_togetherFailed = m_togetherFailed || !written;
        return true;
    }
    if (written) {
        noteWriteSuccess();
        return true;
    }
    if (nested)
        return false;
    keepUnit(unit);
    noteWriteFailure(m_lastWriteError);
    return true;
}

bool Profile::writeUnit(KnowledgeUnit* unit)
{
    if (m_dictionary->saveKnowledgeUnit(unit))
        return true;
    m_lastWriteError = QStringLiteral("a knowledge unit could not be stored");
    return false;
}

// Before a new write, the changes kept after a failure go first: rows they make may be needed
// by it. The pending settings of the usual one-second batch wait for their own timer.
void Profile::retryFailedWrites()
{
    if (m_retryTimer.isActive())
        retryPendingWrites();
}

bool Profile::hasPendingWrites() const
{
    return !m_pendingSettings.isEmpty() || !m_pendingUnits.isEmpty() || !m_pendingDecks.isEmpty() ||
           !m_pendingCards.isEmpty() || !m_pendingDeletion.isEmpty() || m_renumberPending;
}

bool Profile::isNested() const
{
    return transactionDepth(m_database) > 0;
}

// Units before the cards that show them, decks before their cards, cards before the deck's
// card order, and the deletions last. The first failure ends the attempt: the rest would fail
// the same way.
bool Profile::retryPendingWrites()
{
    if (!hasPendingWrites())
        return true;
    if (m_retrying || isNested())
        return false;
    m_retrying = true;
    bool ok = true;
    bool decksStored = false;
    QSet<int> cardDecks;

    while (ok && !m_pendingUnits.isEmpty()) {
        KnowledgeUnit* unit = m_pendingUnits.first();
        if (unit && !(ok = writeUnit(unit)))
            break;
        m_pendingUnits.removeFirst();
    }
    for (int i = 0; ok && i < m_pendingDecks.size(); ++i) {
        Deck* deck = m_pendingDecks.at(i).deck;
        if (!deck || deck->isDisposed())
            continue;
        const bool isNew = deck->id() < 0;
        ok = writeDeck(deck);
        decksStored = decksStored || (ok && isNew);
    }
    while (ok && !m_pendingCards.isEmpty()) {
        const PendingCard pending = m_pendingCards.first();
        if (pending.deck && pending.card && !pending.deck->isDisposed() &&
            !pending.card->isDisposed()) {
            const bool isNew = pending.card->id() < 1;
            if (!(ok = writeCard(pending.deck, pending.card)))
                break;
            if (isNew)
                cardDecks.insert(pending.deck->id());
        }
        m_pendingCards.removeFirst();
    }
    while (ok && !m_pendingDecks.isEmpty()) {
        const PendingDeck pending = m_pendingDecks.first();
        if (pending.deck && !pending.deck->isDisposed() && pending.cardOrder &&
            !(ok = writeCardOrder(pending.deck)))
            break;
        m_pendingDecks.removeFirst();
    }
    if (ok && m_renumberPending) {
        ok = writeRenumbering();
        m_renumberPending = !ok;
    }
    if (ok && writeDeletion(m_pendingDeletion))
        m_pendingDeletion = RowDeletion();
    else
        ok = false;
    if (ok)
        ok = writeSettings();
    m_retrying = false;

    if (ok)
        noteWriteSuccess();
    else
        noteWriteFailure(m_lastWriteError);
    // Rows that have just been made change the ids the screens know.
    if (decksStored)
        emit deckCollectionChanged();
    for (int deckId : std::as_const(cardDecks))
        notifyDeckCardCollectionChanged(deckId);
    return ok;
}

void Profile::noteWriteFailure(const QString& error)
{
    if (!m_retryTimer.isActive() && hasPendingWrites())
        m_retryTimer.start();
    if (m_writeFailureReported)
        return;
    m_writeFailureReported = true;
    qWarning("Could not write to the profile %s: %s", qPrintable(databasePath()),
             qPrintable(error));
    emit writeFailed(error);
}

void Profile::noteWriteSuccess()
{
    if (hasPendingWrites())
        return;
    m_retryTimer.stop();
    m_writeFailureReported = false;
}

bool Profile::finishTransaction(QSqlDatabase& database, bool ok)
{
    if (ok)
        return endTransaction(database);
    if (transactionDepth(database) == 1) {
        // SQLite may have rolled back by itself (a full disk); either way endTransaction() still
        // closes its count with a commit, of an empty transaction.
        database.rollback();
        database.transaction();
    }
    endTransaction(database);
    return false;
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
