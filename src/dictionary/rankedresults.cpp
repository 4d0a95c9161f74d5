#include "dictionary/rankedresults.h"

#include "dictionary/dictionary.h"

#include <algorithm>

namespace korvo {

RankedResults::RankedResults(Dictionary* dictionary, std::vector<Entry> entries)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->dictionary = dictionary;
    m_shared->entries = std::move(entries);
}

RankedResults RankedResults::fromOrderedUnits(const QList<KnowledgeUnit*>& units)
{
    RankedResults results;
    results.m_shared = std::make_shared<Shared>();
    results.m_shared->units = units;
    return results;
}

qsizetype RankedResults::size() const
{
    if (!m_shared)
        return 0;
    return m_shared->dictionary ? qsizetype(m_shared->entries.size()) : m_shared->units.size();
}

void RankedResults::orderUpTo(qsizetype end) const
{
    Shared& shared = *m_shared;
    if (end <= shared.ordered)
        return;
    const auto better = [](const Entry& a, const Entry& b) {
        return a.score > b.score || (a.score == b.score && a.order < b.order);
    };
    // The entries before `ordered` are the best ones already; the next ones come from the rest.
    std::partial_sort(shared.entries.begin() + shared.ordered, shared.entries.begin() + end,
                      shared.entries.end(), better);
    shared.ordered = end;
}

QList<KnowledgeUnit*> RankedResults::range(qsizetype first, qsizetype count) const
{
    const qsizetype total = size();
    first = std::max<qsizetype>(0, first);
    const qsizetype end = std::min(total, first + std::max<qsizetype>(0, count));
    if (first >= end)
        return {};
    if (!m_shared->dictionary)
        return m_shared->units.mid(first, end - first);
    orderUpTo(end);
    QList<int> ids;
    ids.reserve(end - first);
    for (qsizetype i = first; i < end; ++i)
        ids << m_shared->entries[size_t(i)].id;
    return m_shared->dictionary->knowledgeUnitsByIds(ids);
}

} // namespace korvo
