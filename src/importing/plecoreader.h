#pragma once

#include "importing/importedfile.h"

#include <QString>

namespace korvo {

// Reads flashcard text exports of the Pleco dictionary: one card a line as
// characters<TAB>pinyin<TAB>definition (characters optionally as 简体[繁體]), and lines
// "//Category/Subcategory" that start a deck, the categories before the last becoming folders.
// Pleco's formatting characters (Unicode private use) are dropped. Stateless.
class PlecoReader
{
public:
    // Fills the notes and the one note type of `file` from the decoded text, or sets its error.
    static void read(const QString& text, ImportedFile& file);
    // Whether the text reads as such an export rather than as a delimited table: it has a
    // category line or lines with tabs.
    static bool looksLikePleco(const QString& text);
};

} // namespace korvo
