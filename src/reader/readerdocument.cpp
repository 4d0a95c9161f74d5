#include "reader/readerdocument.h"

#include "reader/characterclass.h"
#include "reader/wordsegmenter.h"
#include "reader/wordtable.h"

#include <QRegularExpression>

#include <algorithm>

namespace korvo {

void ReaderDocument::setText(const QString& text, std::vector<TextSegment> segments)
{
    m_text = text;
    m_segments = std::move(segments);
    m_edits.clear();
}

QString ReaderDocument::segmentText(int index) const
{
    if (index < 0 || index >= segmentCount())
        return QString();
    return m_segments[size_t(index)].textIn(m_text).toString();
}

int ReaderDocument::segmentAt(qsizetype position) const
{
    if (m_segments.empty())
        return -1;
    const auto after =
        std::upper_bound(m_segments.begin(), m_segments.end(), position,
                         [](qsizetype p, const TextSegment& segment) { return p < segment.start; });
    return after == m_segments.begin() ? 0 : int(after - m_segments.begin()) - 1;
}

int ReaderDocument::segmentStartingAt(qsizetype position) const
{
    const int index = segmentAt(position);
    return index >= 0 && m_segments[size_t(index)].start == position ? index : -1;
}

int ReaderDocument::segmentEndingAt(qsizetype position) const
{
    const int index = segmentAt(position - 1);
    return index >= 0 && m_segments[size_t(index)].end() == position ? index : -1;
}

bool ReaderDocument::canJoin(int first, int last) const
{
    if (first < 0 || last >= segmentCount() || last <= first)
        return false;
    for (int i = first; i <= last; ++i) {
        if (!m_segments[size_t(i)].isChinese())
            return false;
    }
    return true;
}

bool ReaderDocument::join(int first, int last, const WordTable& table)
{
    if (!canJoin(first, last))
        return false;
    TextSegment word;
    word.start = m_segments[size_t(first)].start;
    word.length = int(m_segments[size_t(last)].end() - word.start);
    word.kind = TextSegment::Word;
    const WordTable::Word* entry = table.find(word.textIn(m_text));
    word.unitId = entry ? entry->unitId : 0;
    m_segments.erase(m_segments.begin() + first + 1, m_segments.begin() + last + 1);
    m_segments[size_t(first)] = word;
    m_edits.append({Edit::Join, word.start, word.length});
    return true;
}

bool ReaderDocument::canSplit(int index) const
{
    if (index < 0 || index >= segmentCount() || !m_segments[size_t(index)].isChinese())
        return false;
    int firstLength = 0;
    codePointAt(m_text, m_segments[size_t(index)].start, &firstLength);
    return m_segments[size_t(index)].length > firstLength;
}

bool ReaderDocument::split(int index, const WordSegmenter& segmenter)
{
    if (!canSplit(index))
        return false;
    const TextSegment word = m_segments[size_t(index)];
    const std::vector<TextSegment> parts = segmenter.splitWord(m_text, word);
    if (parts.size() < 2)
        return false;
    m_segments.erase(m_segments.begin() + index);
    m_segments.insert(m_segments.begin() + index, parts.begin(), parts.end());
    m_edits.append({Edit::Split, word.start, word.length});
    return true;
}

QString ReaderDocument::editsText() const
{
    QStringList parts;
    for (const Edit& edit : m_edits)
        parts << QStringLiteral("%1%2+%3").arg(QChar(edit.kind)).arg(edit.start).arg(edit.length);
    return parts.join(QLatin1Char(' '));
}

void ReaderDocument::applyEdits(const QString& editsText, const WordSegmenter& segmenter)
{
    static const QRegularExpression pattern(QStringLiteral("^([js])(\\d+)\\+(\\d+)$"));
    for (const QString& part : editsText.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = pattern.match(part);
        if (!match.hasMatch())
            continue;
        bool startOk = false;
        bool lengthOk = false;
        const qsizetype start = match.captured(2).toLongLong(&startOk);
        const int length = match.captured(3).toInt(&lengthOk);
        if (!startOk || !lengthOk || length <= 0 || start + length > m_text.size())
            continue;
        const int first = segmentStartingAt(start);
        if (match.captured(1) == QLatin1String("j")) {
            const int last = segmentEndingAt(start + length);
            if (first >= 0 && last > first)
                join(first, last, *segmenter.table());
        } else if (first >= 0 && m_segments[size_t(first)].length == length) {
            split(first, segmenter);
        }
    }
}

} // namespace korvo
