#pragma once

#include <QString>
#include <QStringView>

namespace korvo {

// One piece of a text as the word segmenter cuts it: a word (with the dictionary entry it
// matched), a Chinese character the dictionary has no word for, a number, a run of letters,
// a punctuation mark, blanks or a line break. Pieces refer to the text by position; they are
// plain values, copied freely.
struct TextSegment
{
    enum Kind : quint8 {
        Word,             // Chinese characters; unitId names the entry, 0 for a word joined by hand
        UnknownCharacter, // one Chinese character that is no word of the dictionary
        Number,           // digits, with the decimal points and separators between them
        Letters,          // letters of an alphabet (Latin, also with digits), kept whole
        Punctuation,      // one punctuation mark or symbol
        Space,            // blanks and tabs
        LineBreak,        // one line break ("\r\n" counts as one)
        Other             // one character of any other kind
    };

    qsizetype start = 0;
    int length = 0;
    Kind kind = Other;
    int unitId = 0;

    qsizetype end() const { return start + length; }
    QStringView textIn(const QString& text) const { return QStringView(text).mid(start, length); }
    // Words and unknown characters: the parts a learner reads and looks up.
    bool isChinese() const { return kind == Word || kind == UnknownCharacter; }
    bool operator==(const TextSegment& other) const
    {
        return start == other.start && length == other.length && kind == other.kind &&
               unitId == other.unitId;
    }
};

} // namespace korvo
