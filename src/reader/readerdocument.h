#pragma once

#include "reader/textsegment.h"

#include <QList>
#include <QSet>
#include <QString>

#include <vector>

namespace korvo {

class WordTable;
class WordSegmenter;

// The text the reader shows, cut into segments, with the corrections the learner made by hand:
// neighbouring words joined into one, a word split into shorter ones. The corrections are kept
// as a list (editsText()) that applyEdits() replays after the same text was segmented again, so
// that a reopened text reads as the learner left it. Owned by the reader screen; a plain value.
class ReaderDocument
{
public:
    struct Edit
    {
        enum Kind : char { Join = 'j', Split = 's' };
        Kind kind = Join;
        qsizetype start = 0;
        int length = 0;
    };

    // Replaces the text and its segments (which must cover it in order); no edits.
    void setText(const QString& text, std::vector<TextSegment> segments);
    void clear() { setText(QString(), {}); }

    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_segments.empty(); }
    const std::vector<TextSegment>& segments() const { return m_segments; }
    int segmentCount() const { return int(m_segments.size()); }
    const TextSegment& segment(int index) const { return m_segments[size_t(index)]; }
    QString segmentText(int index) const;
    // The segment holding the text position (the last one from the end of the text on); -1
    // for an empty document.
    int segmentAt(qsizetype position) const;

    // Segments first..last can be joined when they are two or more Chinese segments in a row.
    bool canJoin(int first, int last) const;
    // Makes them one word, standing for the table's entry of the joined characters (none when
    // the table lacks them). Returns whether anything changed.
    bool join(int first, int last, const WordTable& table);
    // A Chinese segment of two characters or more can be split.
    bool canSplit(int index) const;
    // Cuts the segment into the likeliest shorter words. Returns whether anything changed.
    bool split(int index, const WordSegmenter& segmenter);

    const QList<Edit>& edits() const { return m_edits; }
    // The edits as text for the profile ("j12+4 s40+2"), and back: edits that no longer fit the
    // segments (or that cannot be read) are left out.
    QString editsText() const;
    void applyEdits(const QString& editsText, const WordSegmenter& segmenter);

    // The entries of the words that `isKnown` does not accept, each once, in text order.
    template <typename Known> QList<int> unknownWordUnits(Known isKnown) const;

private:
    int segmentStartingAt(qsizetype position) const;
    int segmentEndingAt(qsizetype position) const;

    QString m_text;
    std::vector<TextSegment> m_segments;
    QList<Edit> m_edits;
};

template <typename Known> QList<int> ReaderDocument::unknownWordUnits(Known isKnown) const
{
    QList<int> units;
    QSet<int> seen;
    for (int i = 0; i < segmentCount(); ++i) {
        const TextSegment& word = m_segments[size_t(i)];
        if (word.kind != TextSegment::Word || word.unitId == 0 || seen.contains(word.unitId))
            continue;
        seen.insert(word.unitId);
        if (!isKnown(segmentText(i)))
            units << word.unitId;
    }
    return units;
}

} // namespace korvo
