#include "dictionary/substringindex.h"

#include <QSqlQuery>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvo {

namespace {

// The first place in [from, end) where the needle starts, or null. memmem walks a short needle
// almost byte by byte, and a learner's texts are short: here sixteen places at a time are
// tested for the needle's first, second and last byte, and only those candidates compared in
// full.
const char* findBytes(const char* from, const char* end, const QByteArray& needle)
{
    const size_t length = size_t(needle.size());
#if defined(__SSE2__)
    if (length >= 3 && size_t(end - from) >= length + 16) {
        const char* bytes = needle.constData();
        const __m128i first = _mm_set1_epi8(bytes[0]);
        const __m128i second = _mm_set1_epi8(bytes[1]);
        const __m128i last = _mm_set1_epi8(bytes[length - 1]);
        // Every load of a step stays inside the haystack while p + 16 <= lastFullStep.
        const char* lastFullStep = end - length + 1;
        const char* p = from;
        for (; p + 16 <= lastFullStep; p += 16) {
            auto load = [](const char* at) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            };
            const __m128i matches = _mm_and_si128(
                _mm_and_si128(_mm_cmpeq_epi8(load(p), first), _mm_cmpeq_epi8(load(p + 1), second)),
                _mm_cmpeq_epi8(load(p + length - 1), last));
            for (auto candidates = unsigned(_mm_movemask_epi8(matches)); candidates;
                 candidates &= candidates - 1) {
                const char* candidate = p + __builtin_ctz(candidates);
                if (std::memcmp(candidate + 2, bytes + 2, length - 3) == 0)
                    return candidate;
            }
        }
        from = p;
    }
#endif
    return static_cast<const char*>(memmem(from, size_t(end - from), needle.constData(), length));
}

void lowerAscii(QByteArray& bytes)
{
    for (char& c : bytes) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
    }
}

bool isWordSeparator(char c)
{
    switch (c) {
    case ' ':
    case '\n':
    case '\t':
    case '\r':
    case ',':
    case ';':
    case '.':
    case ':':
    case '/':
    case '?':
    case '!':
    case '+':
    case '=':
    case '*':
    case ')':
    case '(':
    case '[':
    case ']':
    case '"':
    case '\'':
    case '&':
    case '@':
    case '#':
        return true;
    default:
        return false;
    }
}

// Whether a non-ASCII character lower-cases to text with an ASCII letter in it.
bool foldsToAscii(QChar c)
{
    static const std::vector<bool> table = [] {
        std::vector<bool> folds(0x10000, false);
        for (int u = 0x80; u < 0x10000; ++u) {
            const QChar c{char16_t(u)};
            if (c.isSurrogate())
                continue;
            for (QChar lower : QString(c).toLower()) {
                if (lower.unicode() < 0x80 && lower.isLetter())
                    folds[u] = true;
            }
        }
        return folds;
    }();
    return c.unicode() >= 0x80 && table[c.unicode()];
}

} // namespace

std::unique_ptr<SubstringIndex> SubstringIndex::build(const QSqlDatabase& database,
                                                      const QString& table, const QString& column)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id, %1 FROM %2 ORDER BY id").arg(column, table)))
        return nullptr;
    std::unique_ptr<SubstringIndex> index(new SubstringIndex);
    while (query.next()) {
        const QVariant value = query.value(1);
        if (value.isNull())
            continue; // NULL LIKE anything is never true
        const QString text = value.toString();
        bool folds = false;
        bool lowers = false;
        for (QChar c : text) {
            folds = folds || foldsToAscii(c);
            lowers = lowers || (c.unicode() >= 0x80 && c.toLower() != c);
        }
        index->m_foldsToAscii.push_back(folds);
        index->m_lowersBeyondAscii.push_back(lowers);
        QByteArray bytes = text.toUtf8();
        lowerAscii(bytes);
        index->m_starts.push_back(int(index->m_text.size()));
        index->m_ids.push_back(query.value(0).toInt());
        index->m_text += bytes;
        index->m_text += '\0';
    }
    index->m_text.squeeze();
    return index;
}

namespace {

// Layout of the stored index: a tag, the row count, then per row its id, the start of its text
// and its two flags, then the texts.
constexpr quint32 StoredIndexTag = 0x51535831; // "QSX1"

void appendNumber(QByteArray& bytes, quint32 value)
{
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}

} // namespace

QByteArray SubstringIndex::toBytes() const
{
    QByteArray bytes;
    const size_t rows = m_ids.size();
    bytes.reserve(int(12 + rows * 9 + size_t(m_text.size())));
    appendNumber(bytes, StoredIndexTag);
    appendNumber(bytes, quint32(rows));
    appendNumber(bytes, quint32(m_text.size()));
    for (size_t row = 0; row < rows; ++row) {
        appendNumber(bytes, quint32(m_ids[row]));
        appendNumber(bytes, quint32(m_starts[row]));
        bytes.append(char((m_foldsToAscii[row] ? 1 : 0) | (m_lowersBeyondAscii[row] ? 2 : 0)));
    }
    bytes.append(m_text);
    return bytes;
}

std::unique_ptr<SubstringIndex> SubstringIndex::fromBytes(const QByteArray& bytes)
{
    const auto number = [&bytes](qsizetype at) {
        return qFromLittleEndian<quint32>(bytes.constData() + at);
    };
    if (bytes.size() < 12 || number(0) != StoredIndexTag)
        return nullptr;
    const quint64 rows = number(4);
    const quint64 textSize = number(8);
    if (quint64(bytes.size()) != 12 + rows * 9 + textSize || rows > quint64(INT_MAX))
        return nullptr;
    std::unique_ptr<SubstringIndex> index(new SubstringIndex);
    index->m_ids.resize(size_t(rows));
    index->m_starts.resize(size_t(rows));
    index->m_foldsToAscii.resize(size_t(rows));
    index->m_lowersBeyondAscii.resize(size_t(rows));
    qsizetype at = 12;
    quint64 previousStart = 0;
    for (size_t row = 0; row < rows; ++row, at += 9) {
        const quint64 start = number(at + 4);
        // Each text starts after the last one and ends inside the block, with its '\0'.
        if (start >= textSize || (row > 0 && start <= previousStart))
            return nullptr;
        previousStart = start;
        index->m_ids[row] = int(number(at));
        index->m_starts[row] = int(start);
        const char flags = bytes.at(at + 8);
        index->m_foldsToAscii[row] = flags & 1;
        index->m_lowersBeyondAscii[row] = flags & 2;
    }
    index->m_text = bytes.mid(at);
    if ((rows > 0 && index->m_starts[0] != 0) || (textSize > 0 && index->m_text.back() != '\0'))
        return nullptr;
    return index;
}

bool SubstringIndex::canSearch(const QString& text)
{
    return !text.contains(QLatin1Char('%')) && !text.contains(QLatin1Char('_')) &&
           !text.contains(QChar(0));
}

std::vector<int> SubstringIndex::find(const QString& text) const
{
    std::vector<int> rows;
    QByteArray needle = text.toUtf8();
    lowerAscii(needle);
    if (needle.isEmpty()) {
        rows.resize(m_ids.size());
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i] = int(i);
        return rows;
    }
    const char* begin = m_text.constData();
    const char* end = begin + m_text.size();
    const char* from = begin;
    int row = 0;
    while (from < end) {
        const char* hit = findBytes(from, end, needle);
        if (!hit)
            break;
        const int offset = int(hit - begin);
        // A hit never spans two rows because the needle holds no '\0'.
        row = rowHolding(offset, row);
        rows.push_back(row);
        from = row + 1 < int(m_starts.size()) ? begin + m_starts[size_t(row) + 1] : end;
    }
    return rows;
}

// Hits come in text order and mostly close together (a one-letter text hits most rows), so the
// search gallops forward from the previous row instead of bisecting every row for each hit.
int SubstringIndex::rowHolding(int offset, int fromRow) const
{
    size_t low = size_t(std::max(fromRow, 0));
    size_t step = 1;
    size_t high = low + 1;
    while (high < m_starts.size() && m_starts[high] <= offset) {
        low = high;
        step *= 2;
        high = low + step;
    }
    const auto stop = m_starts.begin() + qsizetype(std::min(high, m_starts.size()));
    const auto next = std::upper_bound(m_starts.begin() + qsizetype(low) + 1, stop, offset);
    return int(next - m_starts.begin()) - 1;
}

QByteArrayView SubstringIndex::rowBytes(int row) const
{
    const int start = m_starts[size_t(row)];
    const int stop =
        row + 1 < int(m_starts.size()) ? m_starts[size_t(row) + 1] - 1 : int(m_text.size()) - 1;
    return QByteArrayView(m_text.constData() + start, stop - start);
}

bool SubstringIndex::textEquals(int row, const QByteArray& utf8) const
{
    return rowBytes(row) == QByteArrayView(utf8);
}

QByteArray SubstringIndex::asciiWord(const QString& word)
{
    const QString lowered = word.toLower();
    for (QChar c : lowered) {
        if (c.unicode() >= 0x80)
            return QByteArray();
    }
    return lowered.toLatin1();
}

SubstringIndex::Answer SubstringIndex::containsWord(int row, const QString& word) const
{
    const QByteArray needle = asciiWord(word);
    // An empty needle from a word that is not empty means the word is not ASCII.
    if (needle.isEmpty() && !word.isEmpty())
        return Unknown;
    return containsAsciiWord(row, needle);
}

SubstringIndex::Answer SubstringIndex::containsAsciiWord(int row, const QByteArray& needle) const
{
    if (m_foldsToAscii[row])
        return Unknown;
    if (needle.isEmpty())
        return No;
    const QByteArrayView bytes = rowBytes(row);
    const char* begin = bytes.data();
    const char* end = begin + bytes.size();
    const char* from = begin;
    while (from < end) {
        const char* start = findBytes(from, end, needle);
        if (!start)
            break;
        const char* stop = start + needle.size();
        if ((start == begin || isWordSeparator(start[-1])) &&
            (stop == end || isWordSeparator(*stop)))
            return Yes;
        from = start + 1;
    }
    return No;
}

QString SubstringIndex::text(int row) const
{
    return QString::fromUtf8(rowBytes(row));
}

} // namespace korvo
