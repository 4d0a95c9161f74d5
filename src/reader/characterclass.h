#pragma once

#include <QChar>
#include <QStringView>

// How the word segmenter tells the characters of a text apart. Free inline functions.
namespace korvo {

// Chinese characters: the unified ideographs with all their extensions (beyond the Basic
// Multilingual Plane too), the compatibility ideographs and the ideographic zero 〇.
inline bool isHanCharacter(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x323AF) || c == 0x3007;
}

// The code point at `position` and the UTF-16 units it takes (two for a surrogate pair; a lone
// surrogate counts as a character of its own).
inline char32_t codePointAt(QStringView text, qsizetype position, int* length)
{
    const QChar c = text[position];
    if (c.isHighSurrogate() && position + 1 < text.size() && text[position + 1].isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text[position + 1]);
    }
    *length = 1;
    return c.unicode();
}

inline bool isLineBreak(char32_t c)
{
    return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029 || c == 0x0B || c == 0x0C ||
           c == 0x85;
}

} // namespace korvo
