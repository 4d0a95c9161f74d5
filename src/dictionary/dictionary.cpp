#include "dictionary/dictionary.h"

#include "dictionary/charactertable.h"
#include "dictionary/idbatches.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/rankedresults.h"
#include "dictionary/resultranker.h"
#include "dictionary/similarentries.h"
#include "dictionary/statementbuilder.h"
#include "dictionary/substringindex.h"
#include "dictionary/unitsearch.h"
#include "dictionary/wordfrequencies.h"
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

// Words per statement when looking units up by their characters.
constexpr int WordBatchSize = 100;
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

} // namespace

Dictionary::Dictionary(QObject* parent)
    : QObject(parent), m_characters(std::make_unique<CharacterTable>(this)),
      m_frequencies(std::make_unique<WordFrequencies>(this)),
      m_search(std::make_unique<UnitSearch>(this)), m_ranker(std::make_unique<ResultRanker>(this)),
      m_similarEntries(std::make_unique<SimilarEntries>(this))
{
}

Dictionary::~Dictionary()
{
    qDeleteAll(m_unitCache);
    m_search.reset();
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
    m_search->setIndexEnabled(true);
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
    m_search->setIndexEnabled(false);
}

// ---- characters and frequencies --------------------------------------------------------------

double Dictionary::minBigramFrequency()
{
    return m_frequencies->minBigramFrequency();
}

double Dictionary::maxBigramFrequency()
{
    return m_frequencies->maxBigramFrequency();
}

double Dictionary::maxCharacterFrequency()
{
    return m_frequencies->maxCharacterFrequency();
}

double Dictionary::bigramFrequency(const QString& word)
{
    return m_frequencies->bigramFrequency(word);
}

double Dictionary::frequencyScore(const QString& word)
{
    return m_frequencies->frequencyScore(word);
}

CharacterInfo* Dictionary::character(QChar c)
{
    return m_characters->character(c);
}

CharacterInfo* Dictionary::character(const QString& text)
{
    return text.isEmpty() ? nullptr : character(text.at(0));
}

QList<CharacterInfo*> Dictionary::charactersByIds(const QList<int>& ids)
{
    return m_characters->charactersByIds(ids);
}

QList<CharacterInfo*> Dictionary::charactersOfRadical(int radicalId)
{
    return m_characters->charactersOfRadical(radicalId);
}

QString Dictionary::parts(CharacterInfo* info)
{
    return m_characters->parts(info);
}

KnowledgeUnit* Dictionary::radical(int radicalId)
{
    return m_characters->radical(radicalId);
}

KnowledgeUnit* Dictionary::radicalForCharacter(const QString& text)
{
    return m_characters->radicalForCharacter(text);
}

QChar Dictionary::radicalCharacter(int radicalId)
{
    return m_characters->radicalCharacter(radicalId);
}

QChar Dictionary::decompositionPart(int partId)
{
    return m_characters->decompositionPart(partId);
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
    m_search->dropIndex();
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
        },
        [](const KnowledgeUnit* unit) { return unit->id(); });
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
    m_search->dropIndex();
    m_frequencies->clearScores();
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

// ---- search -----------------------------------------------------------------------------------

void Dictionary::setSearchIndexEnabled(bool enabled)
{
    m_search->setIndexEnabled(enabled);
}

bool Dictionary::isSearchIndexEnabled() const
{
    return m_search->isIndexEnabled();
}

QList<int> Dictionary::searchIds(TextType type, const QString& text)
{
    return m_search->ids(type, text);
}

QList<KnowledgeUnit*> Dictionary::search(TextType type, const QString& text)
{
    return knowledgeUnitsByIds(searchIds(type, text));
}

RankedResults Dictionary::searchRanked(TextType type, const QString& text)
{
    if (const SubstringIndex* index = m_search->index(type, text))
        return m_ranker->rankRows(type, text, *index, UnitSearch::rowsInIndex(type, *index, text),
                                  *m_search->searchData());
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
