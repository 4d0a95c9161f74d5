#include "dictionary/unitsearch.h"

#include "dictionary/searchdata.h"
#include "dictionary/substringindex.h"
#include "text/texthelpers.h"

#include <QSqlQuery>
#include <QVariant>

namespace korvo {

namespace {

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

} // namespace

UnitSearch::UnitSearch(Dictionary* dictionary) : m_dictionary(dictionary) {}

UnitSearch::~UnitSearch() = default;

void UnitSearch::setIndexEnabled(bool enabled)
{
    m_indexEnabled = enabled;
    if (!enabled)
        dropIndex();
}

void UnitSearch::dropIndex()
{
    m_searchData.reset();
}

SearchData* UnitSearch::searchData()
{
    if (!m_indexEnabled || !m_dictionary->isOpen())
        return nullptr;
    if (!m_searchData)
        m_searchData = std::make_unique<SearchData>(m_dictionary);
    return m_searchData.get();
}

const SubstringIndex* UnitSearch::index(Dictionary::TextType type, const QString& text)
{
    const QString column = columnOfType(type);
    SearchData* data =
        column.isEmpty() || !SubstringIndex::canSearch(text) ? nullptr : searchData();
    return data ? data->column(column) : nullptr;
}

QList<int> UnitSearch::idsWithStatement(Dictionary::TextType type, const QString& column,
                                        const QString& text)
{
    QString statement = QStringLiteral("SELECT id, definition FROM KnowledgeUnits WHERE ") +
                        column + QStringLiteral(" LIKE :") + column;
    if (type == Dictionary::PinyinWithTones || type == Dictionary::PinyinWithoutTones ||
        type == Dictionary::English)
        statement += QStringLiteral(" COLLATE NOCASE");
    QSqlQuery query(m_dictionary->database());
    query.setForwardOnly(true);
    query.prepare(statement);
    query.bindValue(QLatin1Char(':') + column, QLatin1Char('%') + text + QLatin1Char('%'));
    QList<int> ids;
    if (!query.exec())
        return ids;
    const QStringList words = splitWords(text);
    const bool wholeWord = type == Dictionary::English && words.size() == 1;
    while (query.next()) {
        if (wholeWord && !containsWord(query.value(1).toString(), words.first()))
            continue;
        ids << query.value(0).toInt();
    }
    return ids;
}

std::vector<int> UnitSearch::rowsInIndex(Dictionary::TextType type, const SubstringIndex& index,
                                         const QString& text)
{
    std::vector<int> rows = index.find(text);
    const QStringList words = splitWords(text);
    if (type != Dictionary::English || words.size() != 1)
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

QList<int> UnitSearch::ids(Dictionary::TextType type, const QString& text)
{
    const QString column = columnOfType(type);
    if (column.isEmpty())
        return QList<int>();
    const SubstringIndex* found = index(type, text);
    if (!found)
        return idsWithStatement(type, column, text);
    QList<int> ids;
    for (int row : rowsInIndex(type, *found, text))
        ids << found->id(row);
    return ids;
}

} // namespace korvo
