#pragma once

#include <QString>
#include <QStringList>

// Small stateless string helpers shared by the dictionary search, the result pages, printing
// and the update check. All functions are pure and never throw.
namespace korvo {

// The characters of a text, one string each: a character beyond the Basic Multilingual Plane
// (two UTF-16 units) stays whole instead of being split into its halves.
QStringList splitCharacters(const QString& text);

// Splits English text into words at the word separators (white space and
// , ; . : / ? ! + = * ) ( [ ] " ' & @ #); empty words never appear, case is kept.
QStringList splitWords(const QString& text);

// Whether one of the words of the text (as splitWords() finds them) equals the word.
bool containsWord(const QString& text, const QString& word, bool caseSensitive = false);

// Drops every parenthesised part, nested ones included; an unmatched ")" is kept.
QString removeParenthesised(const QString& text);

// Escapes & > < " and ' for HTML text and attribute values.
QString escapeHtml(const QString& text);

// Keeps letters a-z A-Z, digits, _ - ( ) [ ] and space; each run of other characters becomes
// one "_". Never empty ("_" for an empty result).
QString safeName(const QString& text);

// Compares dotted version numbers over their common number of parts: 1 when a is newer, -1
// when b is newer, 0 when equal or when a part is not a number.
int compareVersions(const QString& a, const QString& b);

// The text with every surrogate code unit that is not part of a high-low pair replaced by
// U+FFFD. Stored texts must be valid UTF-16: SQLite would otherwise pair a lone high surrogate
// with whatever follows it when it writes the text as UTF-8, and a character would be lost.
QString replaceUnpairedSurrogates(const QString& text);

} // namespace korvo
