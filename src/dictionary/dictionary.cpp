#include "dictionary/dictionary.h"

#include "dictionary/knowledgeunit.h"
#include "dictionary/rankedresults.h"
#include "dictionary/resultranker.h"
#include "dictionary/searchdata.h"
#include "dictionary/similarentries.h"
#include "dictionary/statementbuilder.h"
#include "dictionary/substringindex.h"
#include "text/pinyin.h"
#include "text/texthelpers.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <utility>

namespace korvo {

namespace {

// Ids per statement when loading units or characters by id; words per statement when looking
// units up by their characters.
constexpr int IdBatchSize = 900;
constexpr int WordBatchSize = 100;
// Only bigrams above this frequency are read up front.
constexpr double BigramPreloadThreshold = 9.99415635798833e-06;
// Characters read up front, the most frequent first.
constexpr int PreloadedCharacterCount = 6000;
// Characters at this rank or beyond are never proposed as similar.
constexpr int UnrankedCharacter = 20000;
constexpr int RadicalIdOffset = 10000000;
constexpr int SyntheticIdBase = 1000000;
// Unit ids below this are looked up in flat arrays (row ids of the tables are dense and small).
constexpr int DenseIdLimit = 1 << 21;

bool isDenseId(int id)
{
    return id >= 0 && id < DenseIdLimit;
}

// Readings that the dictionary data lacks, answered without the database.
struct SyntheticReading
{
    const char16_t* character;
    const char* pinyin;
    const char16_t* marked;
    std::initializer_list<const char16_t*> definitions;
};

const SyntheticReading SyntheticReadings[] = {
    {u"悄", "qiao1", u"qiāo", {u"quietly"}},
    {u"抹", "ma1", u"mā", {u"wipe off"}},
    {u"匙", "shi5", u"shi", {u"key (钥匙)"}},
    {u"壳", "ke2", u"ké", {u"shell", u"case"}},
    {u"脊", "ji2", u"jí", {u"backbone", u"edge"}},
    {u"爪", "zhao3", u"zhǎo", {u"claw (of an eagle)", u"claw (of a cat, dog, etc.) [zhua3]"}},
    {u"琢", "zuo2", u"zuó", {u"ponder", u"polish [zhuo2]"}},
};

QString columnOfType(Dictionary::TextType type)
{
    switch (type) {
    case Dictionary::Simplified:
        return QStringLiteral("simplified");
    case Dictionary::Traditional:
        return QStringLiteral("traditional");
    case Dictionary::PinyinWithTones:
        return QStringLiteral("pinyinMerged");
    case Dictionary::PinyinWithoutTones:
        return QStringLiteral("pinyinMergedNoTones");
    case Dictionary::English:
        return QStringLiteral("definition");
    default:
        return QString();
    }
}

// "?, ?, ?" with n placeholders.
QString placeholders(int n)
{
    QString text;
    text.reserve(n * 3);
    for (int i = 0; i < n; ++i)
        text += i ? QLatin1String(", ?") : QLatin1String("?");
    return text;
}

int objectId(const CharacterInfo* info)
{
    return info->id;
}

int objectId(const KnowledgeUnit* unit)
{
    return unit->id();
}

// Collects the objects for the ids in batches of IdBatchSize, in the order of the ids: per
// batch, the missing ones are read with one statement whose ids are bound. `cached(id)` returns
// the cached object or none; `load(query)` turns the current row into an object (and caches it).
// An id without a row is left out.
template <typename T, typename Cached, typename Load>
QList<T*> collectInBatches(const QSqlDatabase& database, const QString& table,
                           const QList<int>& ids, Cached cached, Load load)
{
    QList<T*> result;
    result.reserve(ids.size());
    for (int start = 0; start < ids.size(); start += IdBatchSize) {
        const QList<int> batch = ids.mid(start, IdBatchSize);
        QList<int> missing;
        for (int id : batch) {
            if (!cached(id))
                missing << id;
        }
        QHash<int, T*> loaded;
        if (!missing.isEmpty()) {
            QSqlQuery query(database);
            query.setForwardOnly(true);
            query.prepare(QStringLiteral("SELECT * FROM %1 WHERE id IN (%2)")
                              .arg(table, placeholders(int(missing.size()))));
            for (int i = 0; i < missing.size(); ++i)
                query.bindValue(i, missing.at(i));
            if (query.exec()) {
                while (query.next()) {
                    T* object = load(query);
                    loaded.insert(objectId(object), object);
                }
            }
        }
        for (int id : batch) {
            T* found = cached(id);
            if (!found)
                found = loaded.value(id);
            if (found)
                result << found;
        }
    }
    return result;
}

QChar firstCharacterOf(const QString& text)
{
    if (text.isEmpty() || text == QLatin1String("0"))
        return QChar();
    return text.at(0);
}

} // namespace

Dictionary::Dictionary(QObject* parent)
    : QObject(parent), m_ranker(std::make_unique<ResultRanker>(this)),
      m_similarEntries(std::make_unique<SimilarEntries>(this))
{
}

Dictionary::~Dictionary()
{
    qDeleteAll(m_unitCache);
    qDeleteAll(m_characterCache);
    qDeleteAll(m_radicals);
    m_searchData.reset();
    if (!m_ownedConnection.isEmpty()) {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_ownedConnection);
    }
}

bool Dictionary::open(const QString& path, const QString& connectionName)
{
    if (!m_ownedConnection.isEmpty()) {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_ownedConnection);
        m_ownedConnection.clear();
    }
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    m_ownedConnection = connectionName;
    m_searchIndexEnabled = true;
    // The driver would create an empty file for a missing path; a dictionary is never made here.
    if (!QFileInfo(path).isFile()) {
        qWarning("Dictionary: no database file at %s", qPrintable(path));
        return false;
    }
    m_database.setDatabaseName(path);
    if (!m_database.open()) {
        qWarning("Dictionary: cannot open %s", qPrintable(path));
        return false;
    }
    QSqlQuery check(m_database);
    if (!check.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"))) {
        qWarning("Dictionary: %s is not a readable database", qPrintable(path));
        check = QSqlQuery();
        m_database.close();
        return false;
    }
    return true;
}

void Dictionary::setDatabase(const QSqlDatabase& database)
{
    if (!m_ownedConnection.isEmpty()) {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_ownedConnection);
        m_ownedConnection.clear();
    }
    m_database = database;
    m_searchIndexEnabled = false;
    dropSearchIndex();
}

// ---- statistics -------------------------------------------------------------------------------

double Dictionary::statistic(double& cached, const char* statement, const char* column)
{
    if (cached >= 0)
        return cached;
    QSqlQuery query(m_database);
    if (!query.exec(QLatin1String(statement)) || !query.next())
        return 0;
    const QVariant value = query.value(QLatin1String(column));
    if (value.isNull())
        return 0; // an empty table: nothing to cache yet
    cached = value.toDouble();
    return cached;
}

double Dictionary::minBigramFrequency()
{
    return statistic(m_minBigramFrequency, "select MIN(frequency) as minFrequency from Bigrams",
                     "minFrequency");
}

double Dictionary::maxBigramFrequency()
{
    return statistic(m_maxBigramFrequency, "select MAX(frequency) as maxFrequency from Bigrams",
                     "maxFrequency");
}

double Dictionary::maxCharacterFrequency()
{
    return statistic(m_maxCharacterFrequency,
                     "select MAX(frequency) as maxFrequency from Characters", "maxFrequency");
}

// ---- characters -------------------------------------------------------------------------------

CharacterInfo* Dictionary::cacheCharacter(QSqlQuery& query)
{
    const QSqlRecord record = query.record();
    auto value = [&](const char* name) { return query.value(record.indexOf(QLatin1String(name))); };

    auto info = std::make_unique<CharacterInfo>();
    info->id = value("id").toInt();
    const QString character = value("character").toString();
    info->character = character.isEmpty() ? QChar() : character.at(0);
    info->radicalId = value("radicalId").toInt();
    info->strokeCount = value("strokeCount").toInt();
    const QString partIds = value("partIds").toString();
    if (!partIds.isEmpty()) {
        for (const QString& part : partIds.split(QLatin1Char(',')))
            info->partIds << part.toInt();
    }
    info->frequency = value("frequency").toDouble();
    info->hskLevel = value("hskLevel").toInt();
    const QVariant rank = value("rank");
    info->rank = rank.isNull() ? UnrankedCharacter : rank.toInt();
    info->simplifiedForm = firstCharacterOf(value("simplified").toString());
    info->traditionalForm = firstCharacterOf(value("traditional").toString());
    info->dictionary = this;

    // A character read twice (by id, then by character) keeps its first record.
    auto it = m_characterCache.find(info->character);
    if (it != m_characterCache.end())
        return it.value();
    CharacterInfo* result = info.release();
    m_characterCache.insert(result->character, result);
    m_charactersById.insert(result->id, result);
    return result;
}

CharacterInfo* Dictionary::character(QChar c)
{
    if (!m_charactersPreloaded) {
        m_charactersPreloaded = true;
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("SELECT * FROM Characters ORDER BY frequency DESC LIMIT %1")
                           .arg(PreloadedCharacterCount))) {
            while (query.next())
                cacheCharacter(query);
        }
    }
    if (CharacterInfo* info = m_characterCache.value(c))
        return info;
    if (m_missingCharacters.contains(c))
        return nullptr;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("select * from characters where character=:character"));
    query.bindValue(QStringLiteral(":character"), QString(c));
    if (query.exec() && query.next())
        return cacheCharacter(query);
    if (query.isActive()) // the statement ran and found nothing
        m_missingCharacters.insert(c);
    return nullptr;
}

CharacterInfo* Dictionary::character(const QString& text)
{
    return text.isEmpty() ? nullptr : character(text.at(0));
}

QList<CharacterInfo*> Dictionary::charactersByIds(const QList<int>& ids)
{
    return collectInBatches<CharacterInfo>(
        m_database, QStringLiteral("Characters"), ids,
        [this](int id) { return m_charactersById.value(id); },
        [this](QSqlQuery& query) { return cacheCharacter(query); });
}

QList<CharacterInfo*> Dictionary::charactersOfRadical(int radicalId)
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT id FROM Characters WHERE radicalId = :radicalId"));
    query.bindValue(QStringLiteral(":radicalId"), radicalId);
    return charactersByIds(collectIds(query));
}

QString Dictionary::parts(CharacterInfo* info)
{
    if (!info)
        return QString();
    if (!info->partsValid) {
        info->parts.clear();
        for (int partId : std::as_const(info->partIds)) {
            const QChar part = decompositionPart(partId);
            if (!part.isNull())
                info->parts += part;
        }
        info->partsValid = true;
    }
    return info->parts;
}

// ---- bigrams and frequency --------------------------------------------------------------------

double Dictionary::bigramFrequency(const QString& word)
{
    if (word.size() != 2)
        return 0;
    if (!m_bigramsPreloaded) {
        m_bigramsPreloaded = true;
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral(
            "SELECT simplified, frequency FROM Bigrams WHERE frequency > :threshold"));
        query.bindValue(QStringLiteral(":threshold"), BigramPreloadThreshold);
        if (query.exec()) {
            while (query.next())
                m_bigramFrequencies.insert(query.value(0).toString(), query.value(1).toDouble());
        }
    }
    auto it = m_bigramFrequencies.constFind(word);
    if (it != m_bigramFrequencies.constEnd())
        return it.value();
    if (m_missingBigrams.contains(word))
        return 0;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT frequency FROM Bigrams WHERE simplified = :simplified"));
    query.bindValue(QStringLiteral(":simplified"), word);
    if (query.exec() && query.next()) {
        const double frequency = query.value(0).toDouble();
        m_bigramFrequencies.insert(word, frequency);
        return frequency;
    }
    if (query.isActive())
        m_missingBigrams.insert(word);
    return 0;
}

double Dictionary::frequencyScore(const QString& word)
{
    auto cached = m_frequencyScores.constFind(word);
    if (cached != m_frequencyScores.constEnd())
        return cached.value();

    double score = 0;
    bool found = false;
    if (word.size() == 2) {
        const double maxBigram = maxBigramFrequency();
        const double ratio = maxBigram > 0 ? bigramFrequency(word) / maxBigram : 0;
        if (ratio > 0) {
            score = ratio;
            found = true;
        }
    }
    if (!found) {
        const double maxCharacter = maxCharacterFrequency();
        double sum = 0;
        int count = 0;
        for (QChar c : word) {
            if (!isChineseCharacter(c))
                continue;
            // A character without a row counts with frequency 0.
            const CharacterInfo* info = character(c);
            if (info && maxCharacter > 0)
                sum += info->frequency / maxCharacter;
            ++count;
        }
        if (count > 0) {
            score = sum / count;
            if (word.size() > 1)
                score *= minBigramFrequency();
        }
    }
    if (isOpen())
        m_frequencyScores.insert(word, score);
    return score;
}

// ---- knowledge units --------------------------------------------------------------------------

bool Dictionary::owns(const KnowledgeUnit* unit) const
{
    return unit && cachedUnit(unit->id()) == unit;
}

KnowledgeUnit* Dictionary::cachedUnit(int id) const
{
    if (isDenseId(id))
        return size_t(id) < m_unitsByDenseId.size() ? m_unitsByDenseId[size_t(id)] : nullptr;
    return m_unitsById.value(id);
}

void Dictionary::cacheUnit(KnowledgeUnit* unit)
{
    const int id = unit->id();
    KnowledgeUnit*& slot = m_unitCache[id];
    if (slot && slot != unit) {
        m_ranker->forget(slot);
        delete slot;
    }
    slot = unit;
    m_unitsById.insert(id, unit);
    if (isDenseId(id)) {
        if (size_t(id) >= m_unitsByDenseId.size())
            m_unitsByDenseId.resize(size_t(id) + 1, nullptr);
        m_unitsByDenseId[size_t(id)] = unit;
    }
}

void Dictionary::forgetKnowledgeUnit(KnowledgeUnit* unit)
{
    const int id = unit->id();
    if (m_unitCache.value(id) == unit) {
        m_ranker->forget(unit);
        m_unitCache.remove(id);
        m_unitsById.remove(id);
        if (isDenseId(id) && size_t(id) < m_unitsByDenseId.size())
            m_unitsByDenseId[size_t(id)] = nullptr;
    }
    unit->setId(-1);
    dropSearchIndex();
}

KnowledgeUnit* Dictionary::loadKnowledgeUnit(QSqlQuery& query, bool cache)
{
    auto* unit = new KnowledgeUnit;
    unit->loadFromQuery(query);
    if (cache)
        cacheUnit(unit);
    return unit;
}

KnowledgeUnit* Dictionary::knowledgeUnit(int id)
{
    if (KnowledgeUnit* unit = cachedUnit(id))
        return unit;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("select * from KnowledgeUnits where id=:id"));
    query.bindValue(QStringLiteral(":id"), id);
    if (query.exec() && query.next())
        return loadKnowledgeUnit(query, true);
    return nullptr;
}

QList<KnowledgeUnit*> Dictionary::knowledgeUnitsByIds(const QList<int>& ids)
{
    return collectInBatches<KnowledgeUnit>(
        m_database, QStringLiteral("KnowledgeUnits"), ids,
        [this](int id) { return cachedUnit(id); },
        [this](QSqlQuery& query) {
            // A unit cached meanwhile is kept; a second object for it would replace it.
            const int id = query.value(QStringLiteral("id")).toInt();
            KnowledgeUnit* unit = cachedUnit(id);
            return unit ? unit : loadKnowledgeUnit(query, true);
        });
}

KnowledgeUnit* Dictionary::syntheticEntry(const QString& characters, const QString& pinyin)
{
    const QString reading = pinyin.toLower();
    int index = 0;
    for (const SyntheticReading& row : SyntheticReadings) {
        if (characters == QString::fromUtf16(row.character) &&
            reading == QLatin1String(row.pinyin)) {
            // Each reading has its own id, so that handing out one never invalidates another.
            const int id = SyntheticIdBase + index;
            if (KnowledgeUnit* unit = cachedUnit(id))
                return unit;
            auto* unit = new KnowledgeUnit;
            unit->setId(id);
            unit->setSimplified(characters);
            unit->setTraditional(characters);
            unit->setPinyinWithToneMarks(QString::fromUtf16(row.marked));
            QStringList definitions;
            for (const char16_t* definition : row.definitions)
                definitions << QString::fromUtf16(definition);
            unit->setDefinitions(definitions);
            cacheUnit(unit);
            return unit;
        }
        ++index;
    }
    return nullptr;
}

KnowledgeUnit* Dictionary::findKnowledgeUnit(int column, const QString& characters,
                                             const QString& pinyin)
{
    for (KnowledgeUnit* unit : std::as_const(m_unitCache)) {
        const QString text = column == 0 ? unit->simplified() : unit->traditional();
        if (text == characters && (pinyin.isEmpty() || unit->pinyin() == pinyin))
            return unit;
    }
    if (KnowledgeUnit* unit = syntheticEntry(characters, pinyin))
        return unit;

    const QString columnName =
        column == 0 ? QStringLiteral("simplified") : QStringLiteral("traditional");
    QString statement;
    QString stored;
    if (pinyin.isEmpty()) {
        statement =
            QStringLiteral("select * from KnowledgeUnits where %1=:characters").arg(columnName);
    } else {
        stored = pinyin;
        stored.replace(QLatin1Char('v'), QLatin1String("u:"));
        stored.replace(QChar(0x00FC), QLatin1String("u:"));
        stored.replace(QLatin1String("u:5"), QLatin1String("u:"));
        statement =
            QStringLiteral("select * from KnowledgeUnits where %1=:characters and pinyin=:pinyin")
                .arg(columnName);
    }
    for (const QString& suffix : {QString(), QStringLiteral(" COLLATE NOCASE")}) {
        QSqlQuery query(m_database);
        query.prepare(statement + suffix);
        query.bindValue(QStringLiteral(":characters"), characters);
        if (!pinyin.isEmpty())
            query.bindValue(QStringLiteral(":pinyin"), stored);
        if (query.exec() && query.next()) {
            const int id = query.value(QStringLiteral("id")).toInt();
            if (KnowledgeUnit* unit = cachedUnit(id))
                return unit;
            return loadKnowledgeUnit(query, true);
        }
    }
    return nullptr;
}

QList<KnowledgeUnit*> Dictionary::knowledgeUnitsForCharacters(const QStringList& words)
{
    QList<int> ids;
    for (int start = 0; start < words.size(); start += WordBatchSize) {
        const QStringList batch = words.mid(start, WordBatchSize);
        const QString marks = placeholders(int(batch.size()));
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT DISTINCT id FROM KnowledgeUnits WHERE simplified IN "
                                     "(%1) OR traditional IN (%1)")
                          .arg(marks));
        int position = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (const QString& word : batch)
                query.bindValue(position++, word);
        }
        ids += collectIds(query);
    }
    return knowledgeUnitsByIds(ids);
}

bool Dictionary::saveKnowledgeUnit(KnowledgeUnit* unit)
{
    if (!unit)
        return false;
    QStringList fields{QStringLiteral("simplified"), QStringLiteral("traditional"),
                       QStringLiteral("pinyin"), QStringLiteral("definition"),
                       QStringLiteral("owner")};
    QVariantList values{unit->simplified(), unit->traditional(), unit->pinyin(), unit->definition(),
                        unit->owner()};
    if (unit->type() == 2) {
        fields << QStringLiteral("score") << QStringLiteral("lastTimePracticed")
               << QStringLiteral("updateDate");
        values << unit->score() << unit->lastTimePracticed()
               << unit->updateDate().toMSecsSinceEpoch();
    }
    const bool insert = unit->id() < 1;
    QSqlQuery query;
    if (insert) {
        fields << QStringLiteral("uuid");
        values << unit->uuid();
        if (unit->type() == 2) {
            fields << QStringLiteral("creationDate");
            values << unit->creationDate().toMSecsSinceEpoch();
        }
        query = buildQuery(m_database, QStringLiteral("insert"), QStringLiteral("KnowledgeUnits"),
                           fields, values);
    } else {
        query = buildQuery(m_database, QStringLiteral("update"), QStringLiteral("KnowledgeUnits"),
                           fields, values, QStringLiteral("id=%1").arg(unit->id()));
    }
    if (!query.exec()) {
        qWarning("Dictionary: could not save a knowledge unit: %s",
                 qPrintable(query.lastError().text()));
        return false;
    }
    dropSearchIndex();
    m_frequencyScores.clear();
    if (insert) {
        const int id = query.lastInsertId().toInt();
        unit->setId(id);
        // The dictionary owns the unit from now on; a parent would delete it a second time.
        if (unit->parent())
            unit->setParent(nullptr);
        cacheUnit(unit);
    } else {
        emit knowledgeUnitUpdated(unit->id());
    }
    return true;
}

// ---- radicals and decomposition ---------------------------------------------------------------

void Dictionary::loadRadicals()
{
    if (m_radicalsLoaded)
        return;
    m_radicalsLoaded = true;
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM Radicals")))
        return;
    while (query.next()) {
        KnowledgeUnit* unit = loadKnowledgeUnit(query, false);
        const int radicalId = unit->id();
        unit->setId(radicalId + RadicalIdOffset);
        delete m_radicals.value(radicalId);
        m_radicals.insert(radicalId, unit);
    }
}

KnowledgeUnit* Dictionary::radical(int radicalId)
{
    if (radicalId >= 1000)
        radicalId -= 1000;
    loadRadicals();
    return m_radicals.value(radicalId);
}

KnowledgeUnit* Dictionary::radicalForCharacter(const QString& text)
{
    loadRadicals();
    for (KnowledgeUnit* unit : std::as_const(m_radicals)) {
        if (unit->simplified() == text || unit->traditional() == text ||
            unit->variants().contains(text))
            return unit;
    }
    return nullptr;
}

QChar Dictionary::radicalCharacter(int radicalId)
{
    KnowledgeUnit* unit = radical(radicalId);
    if (!unit)
        return QChar();
    const QString form = radicalId >= 1000 ? unit->simplified() : unit->traditional();
    return form.isEmpty() ? QChar() : form.at(0);
}

QChar Dictionary::decompositionPart(int partId)
{
    if (partId <= 0)
        return QChar();
    if (!m_decompositionPartsLoaded) {
        m_decompositionPartsLoaded = true;
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("select * from DecompositionParts"))) {
            const int column = query.record().indexOf(QStringLiteral("character"));
            while (query.next()) {
                const QString text = query.value(column).toString();
                m_decompositionParts << (text.isEmpty() ? QChar() : text.at(0));
            }
        }
    }
    return partId <= m_decompositionParts.size() ? m_decompositionParts.at(partId - 1) : QChar();
}

// ---- search -----------------------------------------------------------------------------------

void Dictionary::setSearchIndexEnabled(bool enabled)
{
    m_searchIndexEnabled = enabled;
    if (!enabled)
        dropSearchIndex();
}

void Dictionary::dropSearchIndex()
{
    m_searchData.reset();
}

SearchData* Dictionary::searchData()
{
    if (!m_searchIndexEnabled || !isOpen())
        return nullptr;
    if (!m_searchData)
        m_searchData = std::make_unique<SearchData>(this);
    return m_searchData.get();
}

const SubstringIndex* Dictionary::searchIndex(TextType type, const QString& text)
{
    const QString column = columnOfType(type);
    SearchData* data =
        column.isEmpty() || !SubstringIndex::canSearch(text) ? nullptr : searchData();
    return data ? data->column(column) : nullptr;
}

QList<int> Dictionary::searchIdsWithStatement(TextType type, const QString& column,
                                              const QString& text)
{
    QString statement = QStringLiteral("SELECT id, definition FROM KnowledgeUnits WHERE ") +
                        column + QStringLiteral(" LIKE :") + column;
    if (type == PinyinWithTones || type == PinyinWithoutTones || type == English)
        statement += QStringLiteral(" COLLATE NOCASE");
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    query.prepare(statement);
    query.bindValue(QLatin1Char(':') + column, QLatin1Char('%') + text + QLatin1Char('%'));
    QList<int> ids;
    if (!query.exec())
        return ids;
    const QStringList words = splitWords(text);
    const bool wholeWord = type == English && words.size() == 1;
    while (query.next()) {
        if (wholeWord && !containsWord(query.value(1).toString(), words.first()))
            continue;
        ids << query.value(0).toInt();
    }
    return ids;
}

std::vector<int> Dictionary::searchRowsInIndex(TextType type, const SubstringIndex& index,
                                               const QString& text)
{
    std::vector<int> rows = index.find(text);
    const QStringList words = splitWords(text);
    if (type != English || words.size() != 1)
        return rows;
    // A one-word English text keeps whole-word matches only.
    const QByteArray asciiWord = SubstringIndex::asciiWord(words.first());
    std::vector<int> kept;
    kept.reserve(rows.size());
    for (int row : rows) {
        const SubstringIndex::Answer answer = asciiWord.isEmpty()
                                                  ? index.containsWord(row, words.first())
                                                  : index.containsAsciiWord(row, asciiWord);
        // The index keeps ASCII letters lower-cased, which does not change a case-insensitive
        // word comparison.
        if (answer == SubstringIndex::Yes ||
            (answer == SubstringIndex::Unknown && containsWord(index.text(row), words.first())))
            kept.push_back(row);
    }
    return kept;
}

QList<int> Dictionary::searchIds(TextType type, const QString& text)
{
    const QString column = columnOfType(type);
    if (column.isEmpty())
        return QList<int>();
    const SubstringIndex* index = searchIndex(type, text);
    if (!index)
        return searchIdsWithStatement(type, column, text);
    QList<int> ids;
    for (int row : searchRowsInIndex(type, *index, text))
        ids << index->id(row);
    return ids;
}

QList<KnowledgeUnit*> Dictionary::search(TextType type, const QString& text)
{
    return knowledgeUnitsByIds(searchIds(type, text));
}

RankedResults Dictionary::searchRanked(TextType type, const QString& text)
{
    if (const SubstringIndex* index = searchIndex(type, text))
        return m_ranker->rankRows(type, text, *index, searchRowsInIndex(type, *index, text),
                                  *m_searchData);
    QList<KnowledgeUnit*> units = search(type, text);
    m_ranker->rankUnits(type, text, units);
    return RankedResults::fromOrderedUnits(units);
}

void Dictionary::rankResults(TextType type, const QString& query, QList<KnowledgeUnit*>& units)
{
    m_ranker->rankUnits(type, query, units);
}

QString Dictionary::normalisedPinyinQuery(const QString& query)
{
    QString text = markedToNumbered(query.toLower(), false);
    // Blanks and apostrophes ("xi'an", "zhong'guo") only separate syllables: the searched
    // columns hold the syllables run together.
    for (const QChar separator : {u' ', u'\t', u'\'', u'\u2019'})
        text.remove(separator);
    return text;
}

Dictionary::LookupResult Dictionary::lookup(TextType type, const QString& query)
{
    LookupResult result = lookupRanked(type, query);
    result.units = result.ranked.all();
    return result;
}

Dictionary::LookupResult Dictionary::lookupRanked(TextType type, const QString& query)
{
    LookupResult result;
    result.type = type;
    result.query = query;
    const QString pinyinQuery = normalisedPinyinQuery(query);

    switch (type) {
    case Simplified:
    case Traditional:
    case English:
        result.ranked = searchRanked(type, query);
        break;
    case PinyinWithTones:
    case PinyinWithoutTones:
        result.query = pinyinQuery;
        result.ranked = searchRanked(type, pinyinQuery);
        break;
    case AutoDetect:
        if (containsChineseCharacter(query)) {
            result.type = Simplified;
            result.ranked = searchRanked(Simplified, query);
            if (result.ranked.isEmpty()) {
                result.type = Traditional;
                result.ranked = searchRanked(Traditional, query);
            }
        } else if (isPinyin(pinyinQuery)) {
            if (removeToneNumbers(pinyinQuery) != pinyinQuery) {
                result.type = PinyinWithTones;
                result.ranked = searchRanked(PinyinWithTones, pinyinQuery);
            }
            if (result.ranked.isEmpty()) {
                result.type = PinyinWithoutTones;
                result.ranked = searchRanked(PinyinWithoutTones, pinyinQuery);
            }
            if (!result.ranked.isEmpty())
                result.query = pinyinQuery;
        }
        if (result.ranked.isEmpty()) {
            result.type = English;
            result.query = query;
            result.ranked = searchRanked(English, query);
        }
        break;
    default:
        break;
    }
    return result;
}

// ---- sentences --------------------------------------------------------------------------------

QList<Sentence> Dictionary::sentences(const QString& text, int limit)
{
    QList<Sentence> result;
    // The table is read in storage order and the matches sorted: walking the rank index instead
    // stops early for common characters but reads every row out of order when few or none match
    // (any traditional text in the simplified column), several times slower than one plain scan.
    // Ties keep the order of the index: by id.
    for (const QString& column : {QStringLiteral("simplified"), QStringLiteral("traditional")}) {
        QString statement = QStringLiteral("SELECT * FROM Sentences NOT INDEXED WHERE %1 LIKE "
                                           ":pattern ORDER BY highestCharacterRank ASC, id ASC")
                                .arg(column);
        if (limit > 0)
            statement += QStringLiteral(" LIMIT %1").arg(limit);
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        query.prepare(statement);
        query.bindValue(QStringLiteral(":pattern"), QLatin1Char('%') + text + QLatin1Char('%'));
        if (query.exec()) {
            const QSqlRecord record = query.record();
            const int id = record.indexOf(QStringLiteral("id"));
            const int simplified = record.indexOf(QStringLiteral("simplified"));
            const int traditional = record.indexOf(QStringLiteral("traditional"));
            const int english = record.indexOf(QStringLiteral("english"));
            const int frequency = record.indexOf(QStringLiteral("characterFrequency"));
            const int attribution = record.indexOf(QStringLiteral("attribution"));
            while (query.next()) {
                Sentence sentence;
                sentence.id = query.value(id).toInt();
                sentence.simplified = query.value(simplified).toString();
                sentence.traditional = query.value(traditional).toString();
                sentence.english = query.value(english).toString();
                sentence.characterFrequency = query.value(frequency).toDouble();
                if (attribution >= 0)
                    sentence.attribution = query.value(attribution).toString();
                sentence.dictionary = this;
                result << sentence;
            }
        }
        if (!result.isEmpty())
            break;
    }
    return result;
}

// ---- similar entries --------------------------------------------------------------------------

QList<KnowledgeUnit*> Dictionary::randomKnowledgeUnits(TextType type, int count,
                                                       const QString& exclude, int length)
{
    return m_similarEntries->randomKnowledgeUnits(type, count, exclude, length);
}

QList<CharacterInfo*> Dictionary::similarCharacters(QChar c, const QString& form,
                                                    const QString& mode, int limit)
{
    return m_similarEntries->similarCharacters(c, form, mode, limit);
}

} // namespace korvo
