#pragma once

#include "reader/textsegment.h"

#include <QStringView>

#include <memory>
#include <vector>

namespace korvo {

class WordTable;

// Cuts text into words: each run of Chinese characters becomes the likeliest sequence of the
// words the table knows (the product of their probabilities is largest), a character that no
// word covers a segment of its own; numbers and runs of letters stay whole, every punctuation
// mark stands alone, blanks and line breaks are segments too, so that the segments cover the
// text without gap. Both scripts, and mixtures of them, are read. Cheap to copy: the table is
// shared, never changed, and may be read by several threads at once.
class WordSegmenter
{
public:
    explicit WordSegmenter(std::shared_ptr<const WordTable> table);

    const WordTable* table() const { return m_table.get(); }
    std::shared_ptr<const WordTable> sharedTable() const { return m_table; }

    std::vector<TextSegment> segment(QStringView text) const;
    // The segments of text[from, to), positions counted from the start of the whole text,
    // appended to `out`. `from` and `to` must not fall inside a run of Chinese characters (line
    // breaks are safe places, see safeBreakAfter()).
    void segment(QStringView text, qsizetype from, qsizetype to,
                 std::vector<TextSegment>& out) const;
    // The first position at or after `position` where the text may be cut into pieces that are
    // segmented apart: after a line break or a punctuation mark; the end of the text at last.
    static qsizetype safeBreakAfter(QStringView text, qsizetype position);

    // A word cut into the likeliest words shorter than itself (a word of one character stays
    // as it is), positions as in the whole text.
    std::vector<TextSegment> splitWord(QStringView text, const TextSegment& word) const;

    // The likeliest words for a run of Chinese characters that starts at `offset` of the text;
    // with `wholeRunAllowed` false the run is not one word even when the table has it. Adds the
    // sum of their log-probabilities to *logProbability when given.
    static void bestWords(const WordTable& table, QStringView run, qsizetype offset,
                          bool wholeRunAllowed, std::vector<TextSegment>& out,
                          double* logProbability = nullptr);

private:
    std::shared_ptr<const WordTable> m_table;
};

} // namespace korvo
