#pragma once

#include <QList>

#include <memory>
#include <vector>

namespace korvo {

class Dictionary;
class KnowledgeUnit;

// The units a search found, best first, put in order only as far as they are asked for: a page
// of results needs its own units in order, and ordering thousands of hits costs more than the
// search. Units are loaded from the dictionary page by page, too. Equal scores keep the order the
// search found them in, so the order is the same as a stable sort of the whole list. Copies share
// their entries; the dictionary is borrowed and must outlive them.
class RankedResults
{
public:
    struct Entry
    {
        double score = 0;
        int order = 0; // position in the search's own order
        int id = 0;
    };

    RankedResults() = default;
    // Entries in the search's order, not yet sorted by score.
    RankedResults(Dictionary* dictionary, std::vector<Entry> entries);
    // Units already in rank order (ranked by Dictionary::rankResults()).
    static RankedResults fromOrderedUnits(const QList<KnowledgeUnit*>& units);

    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    // The units at ranks first .. first + count - 1 (fewer at the end of the list).
    QList<KnowledgeUnit*> range(qsizetype first, qsizetype count) const;
    QList<KnowledgeUnit*> all() const { return range(0, size()); }

private:
    struct Shared
    {
        Dictionary* dictionary = nullptr;
        std::vector<Entry> entries;
        qsizetype ordered = 0;       // entries before this are in their final place
        QList<KnowledgeUnit*> units; // the list given to fromOrderedUnits()
    };
    void orderUpTo(qsizetype end) const;

    std::shared_ptr<Shared> m_shared;
};

} // namespace korvo
