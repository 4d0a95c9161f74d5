#pragma once

#include "dictionary/dictionary.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace korvo {

class SearchData;
class SubstringIndex;

// Finds the units whose field for a search type contains a text: over the in-memory copies of
// the searched columns (SearchData) when they are enabled and can answer the text, else with
// LIKE statements; both find the same ids in database order. A one-word English text keeps
// only whole-word matches. Owned by its Dictionary, whose connection it reads.
class UnitSearch
{
public:
    explicit UnitSearch(Dictionary* dictionary);
    ~UnitSearch();
    UnitSearch(const UnitSearch&) = delete;
    UnitSearch& operator=(const UnitSearch&) = delete;

    void setIndexEnabled(bool enabled);
    bool isIndexEnabled() const { return m_indexEnabled; }
    // Forgets the copies, after a unit was saved; they are read again on the next search.
    void dropIndex();

    // The ids of the matching units, in database order; none for types without a column.
    QList<int> ids(Dictionary::TextType type, const QString& text);
    // The in-memory copy of the type's column, when it can answer a search for the text.
    const SubstringIndex* index(Dictionary::TextType type, const QString& text);
    // The copies and what ranking reads beside them; none while disabled or closed.
    SearchData* searchData();
    // The rows of `index` that match, in database order.
    static std::vector<int> rowsInIndex(Dictionary::TextType type, const SubstringIndex& index,
                                        const QString& text);

private:
    QList<int> idsWithStatement(Dictionary::TextType type, const QString& column,
                                const QString& text);

    Dictionary* m_dictionary;
    bool m_indexEnabled = false;
    std::unique_ptr<SearchData> m_searchData;
};

} // namespace korvo
