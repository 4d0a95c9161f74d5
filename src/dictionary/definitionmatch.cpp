#include "dictionary/definitionmatch.h"

#include "text/texthelpers.h"

#include <QVarLengthArray>

#include <string_view>
#include <vector>

namespace korvo {

namespace {

// Whether c separates words as splitWords() sees it. The answers for ASCII are asked of
// splitWords() once and kept; the separators are all ASCII.
bool isWordSeparator(char16_t c)
{
    static const std::vector<bool> ascii = [] {
        std::vector<bool> table(0x80);
        for (char16_t u = 0; u < 0x80; ++u)
            table[u] = splitWords(QString(QChar(u))).isEmpty();
        return table;
    }();
    return c < 0x80 && ascii[c];
}

// containsWord(text, word, true) for a word that splitWords() keeps whole: searches the text
// for the word and checks the characters around each hit instead of splitting the text. In
// UTF-8 a hit falls on character boundaries and a byte beside it is a separator only when the
// character is, so bytes answer like UTF-16 units.
template <typename Char>
bool containsWholeWord(std::basic_string_view<Char> text, std::basic_string_view<Char> word)
{
    if (text.size() <= word.size())
        return false;
    for (size_t from = text.find(word); from != text.npos; from = text.find(word, from + 1)) {
        const size_t stop = from + word.size();
        if ((from == 0 || isWordSeparator(char16_t(std::make_unsigned_t<Char>(text[from - 1])))) &&
            (stop == text.size() ||
             isWordSeparator(char16_t(std::make_unsigned_t<Char>(text[stop])))))
            return true;
    }
    return false;
}

// The UTF-16 length of UTF-8 text: a unit per character, two for those beyond the BMP.
qsizetype utf16Length(std::string_view text)
{
    qsizetype length = 0;
    for (const char c : text) {
        const auto byte = uchar(c);
        if ((byte & 0xC0) != 0x80)
            ++length;
        if (byte >= 0xF0)
            ++length;
    }
    return length;
}

std::u16string_view view(const QString& text)
{
    return std::u16string_view(QStringView(text).utf16(), size_t(text.size()));
}

// The definitions are searched from the last, so that the earlier ones need only the cheap
// exact comparison once one matched. `definition(i)` is the text, `length(text)` its length in
// UTF-16 units.
template <typename Text, typename Definition, typename Length>
DefinitionMatch matchFromLast(qsizetype count, Definition definition, Text query,
                              qsizetype queryLength, bool isWord, Length length)
{
    DefinitionMatch result;
    bool decided = false;
    for (qsizetype i = count - 1; i >= 0; --i) {
        const Text text = definition(i);
        if (text == query) {
            ++result.exactDefinitions;
            if (!decided)
                result.match = 1.0;
            decided = true;
        } else if (!decided && isWord && containsWholeWord(text, query)) {
            result.match = double(queryLength) / double(length(text));
            decided = true;
        }
    }
    return result;
}

} // namespace

DefinitionMatch DefinitionMatch::of(const QStringList& definitions, const QString& query,
                                    bool isWord)
{
    return matchFromLast(
        definitions.size(), [&](qsizetype i) { return view(definitions.at(i)); }, view(query),
        query.size(), isWord, [](std::u16string_view text) { return qsizetype(text.size()); });
}

DefinitionMatch DefinitionMatch::ofStored(QByteArrayView definitions, char end,
                                          const QByteArray& query, bool isWord)
{
    QVarLengthArray<std::string_view, 16> pieces;
    const std::string_view all(definitions.data(), size_t(definitions.size()));
    for (size_t from = 0; from < all.size();) {
        size_t stop = all.find(end, from);
        if (stop == all.npos)
            stop = all.size();
        pieces.append(all.substr(from, stop - from));
        from = stop + 1;
    }
    const std::string_view word(query.constData(), size_t(query.size()));
    return matchFromLast(
        pieces.size(), [&](qsizetype i) { return pieces.at(i); }, word, utf16Length(word), isWord,
        utf16Length);
}

} // namespace korvo
