#include "dictionary/resultranker.h"

#include "dictionary/knowledgeunit.h"
#include "dictionary/searchdata.h"
#include "dictionary/substringindex.h"
#include "text/texthelpers.h"

namespace korvo {

namespace {

// Unit ids below this are kept in a flat array (row ids of the tables are dense and small).
constexpr int DenseIdLimit = 1 << 21;

bool isDenseId(int id)
{
    return id >= 0 && id < DenseIdLimit;
}

// Units looked ahead when ranking a list, and the hint that fetches one into the cache.
constexpr qsizetype PrefetchDistance = 8;

inline void prefetch(const void* address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    Q_UNUSED(address);
#endif
}

} // namespace

ResultRanker::ResultRanker(Dictionary* dictionary) : m_dictionary(dictionary) {}

ResultRanker::Query ResultRanker::prepare(Dictionary::TextType type, const QString& query)
{
    Query q{type, query.toLower(), false, 0, QByteArray()};
    q.utf8 = q.text.toUtf8();
    // A query that is not one whole word can only match a definition exactly.
    const QStringList words = splitWords(q.text);
    q.isWord = words.size() == 1 && words.first() == q.text;
    return q;
}

void ResultRanker::rankUnits(Dictionary::TextType type, const QString& query,
                             QList<KnowledgeUnit*>& units)
{
    Query q = prepare(type, query);
    std::vector<RankedResults::Entry> entries;
    entries.reserve(size_t(units.size()));
    const qsizetype count = units.size();
    for (qsizetype i = 0; i < count; ++i) {
        // Units lie scattered in memory and each costs a cache miss; asking for one a few
        // places ahead lets those misses overlap.
        if (i + PrefetchDistance < count)
            prefetch(units.at(i + PrefetchDistance));
        entries.push_back({unitScore(q, units.at(i)), int(i), 0});
    }
    if (q.exactCount >= 2) {
        for (RankedResults::Entry& entry : entries) {
            if (entry.score >= 1.0)
                entry.score =
                    m_dictionary->frequencyScore(units.at(entry.order)->simplified()) * 0.2 + 0.8;
        }
    }
    // Equal scores keep their incoming order, so a result list is the same from run to run.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const RankedResults::Entry& a, const RankedResults::Entry& b) {
                         return a.score > b.score;
                     });
    const QList<KnowledgeUnit*> incoming = units;
    for (size_t i = 0; i < entries.size(); ++i)
        units[qsizetype(i)] = incoming.at(entries[i].order);
}

RankedResults ResultRanker::rankRows(Dictionary::TextType type, const QString& query,
                                     const SubstringIndex& index, const std::vector<int>& rows,
                                     SearchData& data)
{
    Query q = prepare(type, query);
    std::vector<RankedResults::Entry> entries;
    entries.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        entries.push_back({rowScore(q, index, rows[i], data), int(i), index.id(rows[i])});
    if (q.exactCount >= 2) {
        for (RankedResults::Entry& entry : entries) {
            if (entry.score >= 1.0)
                entry.score = data.frequency(entry.id) * 0.2 + 0.8;
        }
    }
    return RankedResults(m_dictionary, std::move(entries));
}

double ResultRanker::unitScore(Query& q, KnowledgeUnit* unit)
{
    RankingData& data = rankingData(unit);
    if (q.type == Dictionary::English)
        return englishScore(q,
                            DefinitionMatch::of(rankingDefinitions(data, unit), q.text, q.isWord),
                            rankingFrequency(data, unit));
    const QString& field = loweredField(data, unit, q.type);
    return fieldScore(q, field, field == q.text ? 0 : rankingFrequency(data, unit));
}

// The row's own texts stand for the unit's, but for a field whose lower case differs from the
// index's ASCII lower case: that one unit is ranked from its loaded texts.
double ResultRanker::rowScore(Query& q, const SubstringIndex& index, int row, SearchData& data)
{
    const int id = index.id(row);
    if (q.type == Dictionary::English) {
        QByteArrayView stored;
        const DefinitionMatch match =
            data.storedEnglishDefinitions(id, &stored)
                ? DefinitionMatch::ofStored(stored, SearchData::DefinitionEnd, q.utf8, q.isWord)
                : DefinitionMatch::of(data.englishDefinitions(id), q.text, q.isWord);
        return englishScore(q, match, data.frequency(id));
    }
    if (index.lowersBeyondAscii(row)) {
        if (KnowledgeUnit* unit = m_dictionary->knowledgeUnit(id))
            return unitScore(q, unit);
    }
    const bool exact = index.textEquals(row, q.utf8);
    return fieldScore(q, exact, exact ? 0 : data.frequency(id));
}

// Types 0-4: 1 when the unit's field equals the lower-cased query, else how common the unit is,
// scaled to stay below any exact match.
double ResultRanker::fieldScore(Query& q, const QString& field, double frequency)
{
    return fieldScore(q, field == q.text, frequency);
}

double ResultRanker::fieldScore(Query& q, bool exact, double frequency)
{
    if (exact) {
        ++q.exactCount;
        return 1.0;
    }
    return frequency * 0.8;
}

// English: the mean of how common the unit is and how well its definitions match.
double ResultRanker::englishScore(Query& q, const DefinitionMatch& match, double frequency)
{
    q.exactCount += match.exactDefinitions;
    if (match.match == 1.0)
        --q.exactCount;
    const double s = (frequency + match.match) * 0.5;
    if (s == 1.0)
        ++q.exactCount;
    return s;
}

void ResultRanker::forget(const KnowledgeUnit* unit)
{
    m_rankingData.remove(unit);
    const int id = unit->id();
    if (isDenseId(id) && size_t(id) < m_rankingByDenseId.size() &&
        m_rankingByDenseId[size_t(id)].unit == unit)
        m_rankingByDenseId[size_t(id)] = RankingData();
}

void ResultRanker::clear()
{
    m_rankingData.clear();
    m_rankingByDenseId.clear();
}

ResultRanker::RankingData& ResultRanker::rankingData(KnowledgeUnit* unit)
{
    // Only units the dictionary owns are remembered: others may be deleted and their address
    // reused.
    const int id = unit->id();
    RankingData* data = &m_scratch;
    if (m_dictionary->owns(unit)) {
        if (!isDenseId(id)) {
            data = &m_rankingData[unit];
        } else {
            if (size_t(id) >= m_rankingByDenseId.size())
                m_rankingByDenseId.resize(size_t(id) + 1);
            data = &m_rankingByDenseId[size_t(id)];
        }
    }
    if (data == &m_scratch || data->unit != unit || data->revision != unit->revision()) {
        *data = RankingData();
        data->unit = unit;
        data->revision = unit->revision();
    }
    return *data;
}

double ResultRanker::rankingFrequency(RankingData& data, KnowledgeUnit* unit)
{
    if (!data.frequencyKnown) {
        data.frequency = m_dictionary->frequencyScore(unit->simplified());
        data.frequencyKnown = true;
    }
    return data.frequency;
}

const QString& ResultRanker::loweredField(RankingData& data, KnowledgeUnit* unit,
                                          Dictionary::TextType type)
{
    static const QString none;
    if (type < Dictionary::Simplified || type > Dictionary::PinyinWithoutTones)
        return none;
    QString& field = data.loweredFields[type];
    const quint8 bit = quint8(1u << type);
    if (data.loweredFieldsKnown & bit)
        return field;
    switch (type) {
    case Dictionary::Simplified:
        field = unit->simplified().toLower();
        break;
    case Dictionary::Traditional:
        field = unit->traditional().toLower();
        break;
    case Dictionary::PinyinWithTones:
        field = unit->pinyinMerged().toLower();
        break;
    case Dictionary::PinyinWithoutTones:
        field = unit->pinyinMergedNoTones().toLower();
        break;
    default: // the pinyin type names no field: its field is empty
        break;
    }
    data.loweredFieldsKnown |= bit;
    return field;
}

const QStringList& ResultRanker::rankingDefinitions(RankingData& data, KnowledgeUnit* unit)
{
    if (!data.definitionsKnown) {
        for (const QString& d : unit->definitions())
            data.normalisedDefinitions << removeParenthesised(d.toLower()).simplified();
        data.definitionsKnown = true;
    }
    return data.normalisedDefinitions;
}

} // namespace korvo
