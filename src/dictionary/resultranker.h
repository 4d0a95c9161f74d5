#pragma once

#include "dictionary/definitionmatch.h"
#include "dictionary/dictionary.h"
#include "dictionary/rankedresults.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvo {

class KnowledgeUnit;
class SearchData;
class SubstringIndex;

// Orders search results by how well and how commonly they match the query. Types 0-4: an exact
// match of the searched field scores 1, anything else how common the unit is, scaled below any
// exact match; English: the mean of how common the unit is and how well its best-placed definition
// matches. When several units match exactly, those are ordered by how common they are. Results
// are ranked either as units (any dictionary) or as rows of the main dictionary's search data,
// which needs no unit loaded; both give every unit the same score. Owned by its Dictionary, which
// it borrows; what it remembers of a unit is derived again when the unit's texts change.
class ResultRanker
{
public:
    explicit ResultRanker(Dictionary* dictionary);

    // Orders the units, best first; equal scores keep their incoming order.
    void rankUnits(Dictionary::TextType type, const QString& query, QList<KnowledgeUnit*>& units);
    // The rows of the column's index that a search found, ranked for the query, their units not
    // loaded.
    RankedResults rankRows(Dictionary::TextType type, const QString& query,
                           const SubstringIndex& index, const std::vector<int>& rows,
                           SearchData& data);
    // Forgets what it kept of a unit that is about to go.
    void forget(const KnowledgeUnit* unit);
    void clear();

private:
    // What ranking needs of a unit the dictionary owns, made on first use: its frequency score,
    // its fields for types 0-4 in lower case and its definitions as English ranking compares
    // them.
    struct RankingData
    {
        const KnowledgeUnit* unit = nullptr; // whose data this is
        quint32 revision = 0;                // the unit's revision it was derived from
        double frequency = 0;
        bool frequencyKnown = false;
        quint8 loweredFieldsKnown = 0; // one bit per type
        QString loweredFields[Dictionary::PinyinWithoutTones + 1];
        QStringList normalisedDefinitions;
        bool definitionsKnown = false;
    };
    // The query as every score compares it.
    struct Query
    {
        Dictionary::TextType type;
        QString text;    // lower case
        bool isWord;     // one whole word: English matches may be inside a definition
        int exactCount;  // exact matches so far
        QByteArray utf8; // the text as UTF-8, for comparing with rows of an index
    };
    static Query prepare(Dictionary::TextType type, const QString& query);
    double unitScore(Query& q, KnowledgeUnit* unit);
    double rowScore(Query& q, const SubstringIndex& index, int row, SearchData& data);
    static double fieldScore(Query& q, const QString& field, double frequency);
    static double fieldScore(Query& q, bool exact, double frequency);
    static double englishScore(Query& q, const DefinitionMatch& match, double frequency);

    RankingData& rankingData(KnowledgeUnit* unit);
    double rankingFrequency(RankingData& data, KnowledgeUnit* unit);
    const QString& loweredField(RankingData& data, KnowledgeUnit* unit, Dictionary::TextType type);
    const QStringList& rankingDefinitions(RankingData& data, KnowledgeUnit* unit);

    Dictionary* m_dictionary;
    // By id like the dictionary's units: ranking a long list walks a flat array in id order
    // instead of probing a hash per unit.
    QHash<const KnowledgeUnit*, RankingData> m_rankingData;
    std::vector<RankingData> m_rankingByDenseId;
    RankingData m_scratch;
};

} // namespace korvo
