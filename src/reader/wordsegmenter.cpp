#include "reader/wordsegmenter.h"

#include "reader/characterclass.h"
#include "reader/wordtable.h"

#include <limits>

namespace korvo {

namespace {

bool isLetterOrDigit(char32_t c)
{
    return !isHanCharacter(c) && (QChar::isLetter(c) || QChar::isDigit(c));
}

bool isNumberSeparator(char32_t c)
{
    return c == '.' || c == ',' || c == ':';
}

bool isApostrophe(char32_t c)
{
    return c == '\'' || c == 0x2019;
}

// The end of the run of letters and digits at `position`: marks over its letters belong to it,
// a decimal point or separator between two digits and an apostrophe between two letters too.
qsizetype endOfLetterRun(QStringView text, qsizetype position, qsizetype to, bool* hasLetters)
{
    qsizetype end = position;
    char32_t previous = 0;
    *hasLetters = false;
    while (end < to) {
        int length = 0;
        const char32_t c = codePointAt(text, end, &length);
        if (isLetterOrDigit(c) || (QChar::isMark(c) && previous)) {
            *hasLetters = *hasLetters || QChar::isLetter(c);
        } else if (end + length < to && (isNumberSeparator(c) || isApostrophe(c))) {
            int nextLength = 0;
            const char32_t next = codePointAt(text, end + length, &nextLength);
            const bool digits =
                QChar::isDigit(previous) && QChar::isDigit(next) && isNumberSeparator(c);
            const bool letters = QChar::isLetter(previous) && isLetterOrDigit(next) &&
                                 QChar::isLetter(next) && isApostrophe(c);
            if (!digits && !letters)
                break;
        } else {
            break;
        }
        if (!QChar::isMark(c))
            previous = c;
        end += length;
    }
    return end;
}

qsizetype endOfHanRun(QStringView text, qsizetype position, qsizetype to)
{
    qsizetype end = position;
    while (end < to) {
        int length = 0;
        if (!isHanCharacter(codePointAt(text, end, &length)))
            break;
        end += length;
    }
    return end;
}

qsizetype endOfSpace(QStringView text, qsizetype position, qsizetype to)
{
    qsizetype end = position;
    while (end < to) {
        int length = 0;
        const char32_t c = codePointAt(text, end, &length);
        if (!QChar::isSpace(c) || isLineBreak(c))
            break;
        end += length;
    }
    return end;
}

TextSegment piece(qsizetype start, qsizetype end, TextSegment::Kind kind)
{
    TextSegment segment;
    segment.start = start;
    segment.length = int(end - start);
    segment.kind = kind;
    return segment;
}

} // namespace

WordSegmenter::WordSegmenter(std::shared_ptr<const WordTable> table) : m_table(std::move(table)) {}

std::vector<TextSegment> WordSegmenter::segment(QStringView text) const
{
    std::vector<TextSegment> segments;
    segments.reserve(size_t(text.size() / 2 + 1));
    segment(text, 0, text.size(), segments);
    return segments;
}

void WordSegmenter::segment(QStringView text, qsizetype from, qsizetype to,
                            std::vector<TextSegment>& out) const
{
    qsizetype position = from;
    while (position < to) {
        int length = 0;
        const char32_t c = codePointAt(text, position, &length);
        qsizetype end = position + length;
        TextSegment::Kind kind = TextSegment::Other;
        if (isHanCharacter(c)) {
            end = endOfHanRun(text, position, to);
            bestWords(*m_table, text.mid(position, end - position), position, true, out);
            position = end;
            continue;
        }
        if (isLineBreak(c)) {
            kind = TextSegment::LineBreak;
            if (c == '\r' && end < to && text[end] == QLatin1Char('\n'))
                ++end;
        } else if (QChar::isSpace(c)) {
            kind = TextSegment::Space;
            end = endOfSpace(text, position, to);
        } else if (isLetterOrDigit(c)) {
            bool hasLetters = false;
            end = endOfLetterRun(text, position, to, &hasLetters);
            kind = hasLetters ? TextSegment::Letters : TextSegment::Number;
        } else if (QChar::isMark(c) && !out.empty() && out.back().end() == position) {
            // A mark with nothing of its own to sit on stays with what it follows.
            out.back().length += length;
            position = end;
            continue;
        } else if (QChar::isPunct(c) || QChar::isSymbol(c)) {
            kind = TextSegment::Punctuation;
        }
        out.push_back(piece(position, end, kind));
        position = end;
    }
}

qsizetype WordSegmenter::safeBreakAfter(QStringView text, qsizetype position)
{
    while (position < text.size()) {
        int length = 0;
        const char32_t c = codePointAt(text, position, &length);
        position += length;
        if (isLineBreak(c) || (QChar::isPunct(c) && !isNumberSeparator(c) && !isApostrophe(c))) {
            // "\r\n" is one break.
            if (c == '\r' && position < text.size() && text[position] == QLatin1Char('\n'))
                ++position;
            return position;
        }
    }
    return text.size();
}

std::vector<TextSegment> WordSegmenter::splitWord(QStringView text, const TextSegment& word) const
{
    std::vector<TextSegment> parts;
    if (!word.isChinese()) {
        parts.push_back(word);
        return parts;
    }
    const QStringView run = text.mid(word.start, word.length);
    int first = 0;
    codePointAt(run, 0, &first);
    if (first >= run.size()) {
        parts.push_back(word);
        return parts;
    }
    bestWords(*m_table, run, word.start, false, parts);
    return parts;
}

void WordSegmenter::bestWords(const WordTable& table, QStringView run, qsizetype offset,
                              bool wholeRunAllowed, std::vector<TextSegment>& out,
                              double* logProbability)
{
    const qsizetype n = run.size();
    constexpr double Impossible = -std::numeric_limits<double>::infinity();
    // best[i]: the log-probability of the likeliest words for run[0, i); from[i] where the last
    // of them starts and unit[i] its entry (0 for a character no word covers).
    std::vector<double> best(size_t(n + 1), Impossible);
    std::vector<qint32> from(size_t(n + 1), -1);
    std::vector<qint32> unit(size_t(n + 1), 0);
    best[0] = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (best[size_t(i)] == Impossible)
            continue; // inside a surrogate pair
        int characterLength = 0;
        const char32_t c = codePointAt(run, i, &characterLength);
        bool characterIsWord = false;
        const double here = best[size_t(i)];
        table.visitWordsAt(run, i, [&](int length, const WordTable::Word& word) {
            if (!wholeRunAllowed && i == 0 && length == n)
                return;
            characterIsWord = characterIsWord || length == characterLength;
            const double score = here + word.logProbability;
            const size_t end = size_t(i + length);
            if (score > best[end]) {
                best[end] = score;
                from[end] = qint32(i);
                unit[end] = word.unitId;
            }
        });
        if (!characterIsWord) {
            const double score = here + table.unknownCharacterLogProbability(c);
            const size_t end = size_t(i + characterLength);
            if (score > best[end]) {
                best[end] = score;
                from[end] = qint32(i);
                unit[end] = 0;
            }
        }
    }
    if (logProbability)
        *logProbability += best[size_t(n)];

    const size_t first = out.size();
    for (qsizetype end = n; end > 0; end = from[size_t(end)]) {
        const qsizetype start = from[size_t(end)];
        TextSegment segment =
            piece(offset + start, offset + end,
                  unit[size_t(end)] ? TextSegment::Word : TextSegment::UnknownCharacter);
        segment.unitId = unit[size_t(end)];
        out.push_back(segment);
    }
    std::reverse(out.begin() + qsizetype(first), out.end());
}

} // namespace korvo
