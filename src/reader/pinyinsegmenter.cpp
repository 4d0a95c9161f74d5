#include "reader/pinyinsegmenter.h"

#include "reader/characterclass.h"
#include "reader/wordtable.h"
#include "reader/wordtableloader.h"
#include "text/pinyin.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

namespace korvo {

namespace {

// Readings of more syllables are not looked for.
constexpr int LongestReading = 8;
// An entry that only refers to another one (a variant form) is much less likely to be meant.
constexpr double ReferencePenalty = -6;
// A syllable that no entry has.
constexpr double NoWordScore = -60;
// Spellings of one run of syllables that are weighed (the rest are far less likely).
constexpr size_t MostSpellings = 8;
// Two characters the Bigrams table does not count as neighbours: below its least frequency.
constexpr double LeastPairFrequency = 1e-8;
// The most that where two words meet may add or take away (a natural logarithm).
constexpr double MostJunction = 6;

struct Syllable
{
    QString toneless; // as the dictionary's toneless columns write it: "nu:", "r"
    int tone = 0;     // 0 when typed without one
};

struct Spelling
{
    QString characters;
    double score = 0;
};

struct Candidate
{
    int unitId = 0;
    QString characters;
    QList<int> tones;
    bool reference = false;
};

Syllable syllableOf(const QString& typed)
{
    Syllable syllable;
    const QString canonical = canonicalSyllables(typed).value(0);
    syllable.toneless = removeToneNumbers(canonical);
    if (!typed.isEmpty() && typed.back().isDigit())
        syllable.tone = typed.back().digitValue();
    return syllable;
}

QString mergedKey(const std::vector<Syllable>& syllables, size_t from, size_t to)
{
    QString key;
    for (size_t i = from; i < to; ++i)
        key += syllables[i].toneless;
    return key;
}

QString spacedKey(const std::vector<Syllable>& syllables, size_t from, size_t to)
{
    QStringList parts;
    for (size_t i = from; i < to; ++i)
        parts << syllables[i].toneless;
    return parts.join(QLatin1Char(' '));
}

bool isReference(const QString& definitionStart)
{
    const QString first = definitionStart.section(QLatin1Char('/'), 0, 0).toLower();
    return first.contains(QLatin1String("variant of")) || first.startsWith(QLatin1String("see "));
}

// The entries whose toneless reading is one of the keys, by their reading with blanks.
QHash<QString, QList<Candidate>> readCandidates(const QSqlDatabase& database,
                                                const QStringList& keys)
{
    QHash<QString, QList<Candidate>> found;
    WordTableLoader::forEachRow(
        database,
        QStringLiteral("SELECT id, simplified, pinyin, substr(definition, 1, 60) FROM "
                       "KnowledgeUnits WHERE pinyinMergedNoTones IN (%1)"),
        &keys, [&](const QSqlQuery& query) {
            Candidate candidate;
            candidate.unitId = query.value(0).toInt();
            candidate.characters = query.value(1).toString();
            candidate.reference = isReference(query.value(3).toString());
            QStringList toneless;
            for (const QString& part :
                 query.value(2).toString().toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                toneless << removeToneNumbers(part);
                candidate.tones << (part.back().isDigit() ? part.back().digitValue() : 5);
            }
            found[toneless.join(QLatin1Char(' '))].append(candidate);
        });
    return found;
}

bool tonesMatch(const Candidate& candidate, const std::vector<Syllable>& syllables, size_t from)
{
    for (qsizetype i = 0; i < candidate.tones.size(); ++i) {
        const int typed = syllables[from + size_t(i)].tone;
        if (typed != 0 && typed != candidate.tones.at(i))
            return false;
    }
    return true;
}

// The likeliest ways to write the syllables [from, to) as one word, at most MostSpellings.
std::vector<Spelling> spellingsOf(const QHash<QString, QList<Candidate>>& candidates,
                                  const WordTable& table, const QHash<QString, double>& alone,
                                  const std::vector<Syllable>& syllables, size_t from, size_t to)
{
    std::vector<Spelling> found;
    const auto list = candidates.constFind(spacedKey(syllables, from, to));
    if (list == candidates.cend())
        return found;
    QHash<QString, double> scoreOf;
    for (const Candidate& candidate : *list) {
        if (!tonesMatch(candidate, syllables, from))
            continue;
        const WordTable::Word* word = table.find(candidate.characters);
        if (!word)
            continue;
        const auto single = alone.constFind(candidate.characters);
        const double score = (single != alone.cend() ? std::log(*single) : word->logProbability) +
                             (candidate.reference ? ReferencePenalty : 0);
        auto kept = scoreOf.find(candidate.characters);
        if (kept == scoreOf.end() || *kept < score)
            scoreOf.insert(candidate.characters, score);
    }
    for (auto it = scoreOf.cbegin(); it != scoreOf.cend(); ++it)
        found.push_back({it.key(), it.value()});
    std::sort(found.begin(), found.end(), [](const Spelling& a, const Spelling& b) {
        return a.score != b.score ? a.score > b.score : a.characters < b.characters;
    });
    if (found.size() > MostSpellings)
        found.resize(MostSpellings);
    return found;
}

// How often each character occurs as a word of its own: its frequency less that of the words of
// two characters it is part of (么 is nearly always the end of 什么 or 怎么), at least a
// twentieth of its frequency.
QHash<QString, double> aloneFrequencies(const QSqlDatabase& database, const WordTable& table,
                                        const QStringList& characters)
{
    QHash<QString, double> inWords;
    QSet<QString> seen;
    const QSet<QString> asked(characters.cbegin(), characters.cend());
    WordTableLoader::forEachRow(
        database,
        QStringLiteral("SELECT simplified, frequency FROM Bigrams WHERE simplified IN (SELECT "
                       "simplified FROM KnowledgeUnits WHERE length(simplified) = 2 AND "
                       "(substr(simplified, 1, 1) IN (%1) OR substr(simplified, 2, 1) IN (%1)))"),
        &characters, [&](const QSqlQuery& query) {
            const QString word = query.value(0).toString();
            if (seen.contains(word))
                return;
            seen.insert(word);
            for (const QString& character : {word.left(1), word.right(1)}) {
                if (asked.contains(character))
                    inWords[character] += query.value(1).toDouble() * table.pairFrequencyScale();
            }
        });
    QHash<QString, double> alone;
    for (const QString& character : characters) {
        const double frequency =
            std::max(table.characterFrequency(character.at(0).unicode()), LeastPairFrequency);
        alone.insert(character, std::max(frequency - inWords.value(character), frequency / 20));
    }
    return alone;
}

QHash<QString, double> readPairFrequencies(const QSqlDatabase& database, const QStringList& pairs)
{
    QHash<QString, double> frequencies;
    WordTableLoader::forEachRow(
        database,
        QStringLiteral("SELECT simplified, frequency FROM Bigrams WHERE simplified IN (%1)"),
        &pairs, [&](const QSqlQuery& query) {
            frequencies.insert(query.value(0).toString(), query.value(1).toDouble());
        });
    return frequencies;
}

} // namespace

QStringList PinyinSegmenter::syllablesOf(const QString& text)
{
    const QString numbered = markedToNumbered(text.toLower(), false);
    if (canonicalSyllables(numbered).isEmpty())
        return QStringList();
    return splitSyllables(numbered);
}

QList<PinyinWord> PinyinSegmenter::segment(const QSqlDatabase& database, const QString& text)
{
    const QStringList typed = syllablesOf(text);
    std::vector<Syllable> syllables;
    for (const QString& syllable : typed)
        syllables.push_back(syllableOf(syllable));
    const size_t n = syllables.size();
    if (n == 0)
        return {};

    QStringList keys;
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 1; j <= n && j - i <= size_t(LongestReading); ++j)
            keys << mergedKey(syllables, i, j);
    }
    keys.removeDuplicates();
    const QHash<QString, QList<Candidate>> candidates = readCandidates(database, keys);
    QString words;
    for (const QList<Candidate>& list : candidates) {
        for (const Candidate& candidate : list)
            words += candidate.characters + QLatin1Char('\n');
    }
    const std::shared_ptr<const WordTable> table = WordTableLoader::loadForText(database, words);

    QStringList singles;
    for (const QString& word : words.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (word.size() == 1)
            singles << word;
    }
    singles.removeDuplicates();
    const QHash<QString, double> alone = aloneFrequencies(database, *table, singles);

    // The likeliest spellings of each run of syllables.
    std::vector<std::vector<std::vector<Spelling>>> spellings(n);
    QStringList pairs;
    for (size_t i = 0; i < n; ++i) {
        spellings[i].resize(std::min(n - i, size_t(LongestReading)) + 1);
        for (size_t j = i + 1; j <= n && j - i <= size_t(LongestReading); ++j)
            spellings[i][j - i] = spellingsOf(candidates, *table, alone, syllables, i, j);
    }
    for (size_t i = 0; i < n; ++i) {
        for (size_t length = 1; length < spellings[i].size(); ++length) {
            if (i + length >= n)
                continue;
            for (const Spelling& left : spellings[i][length]) {
                for (size_t next = 1; next < spellings[i + length].size(); ++next) {
                    for (const Spelling& right : spellings[i + length][next])
                        pairs << left.characters.right(1) + right.characters.left(1);
                }
            }
        }
    }
    pairs.removeDuplicates();
    const QHash<QString, double> pairFrequencies = readPairFrequencies(database, pairs);
    // How much likelier the two words are side by side than apart: the frequency of the pair of
    // characters where they meet against those of the two characters ("ni hao ma" reads as
    // 你好 吗 rather than 你 号码, as 好吗 is common and 你号 is not).
    const auto junction = [&](const QString& left, const QString& right) {
        if (left.isEmpty() || right.isEmpty())
            return 0.0;
        const QString pair = left.right(1) + right.left(1);
        int length = 0;
        const double a = table->characterFrequency(codePointAt(pair, 0, &length));
        const double b = table->characterFrequency(codePointAt(pair, 1, &length));
        const auto together = pairFrequencies.constFind(pair);
        // A pair the table lacks tells against two common characters, only half as much as its
        // least frequency says (the table leaves rare pairs out), and nothing against rare ones.
        // A pair it has helps when it is commoner than its characters make it; a rarer one may
        // be counted across the ends of sentences and does not hurt.
        if (together == pairFrequencies.cend())
            return std::max(-MostJunction, 0.5 * std::min(0.0, std::log(LeastPairFrequency /
                                                                        std::max(a * b, 1e-16))));
        return std::clamp(
            std::log(*together * table->pairFrequencyScale() / std::max(a * b, 1e-16)), 0.0,
            MostJunction);
    };

    // states[j]: by the characters of the word that ends at syllable j, the likeliest words for
    // the syllables before j.
    struct State
    {
        double score = 0;
        size_t from = 0;
        QString previous;
    };
    std::vector<QHash<QString, State>> states(n + 1);
    states[0].insert(QString(), State());
    const auto offer = [&](size_t end, const QString& characters, const State& state) {
        auto kept = states[end].find(characters);
        if (kept == states[end].end() || kept->score < state.score)
            states[end].insert(characters, state);
    };
    for (size_t i = 0; i < n; ++i) {
        for (auto it = states[i].cbegin(); it != states[i].cend(); ++it) {
            for (size_t length = 1; length < spellings[i].size(); ++length) {
                for (const Spelling& spelling : spellings[i][length]) {
                    offer(i + length, spelling.characters,
                          {it->score + spelling.score + junction(it.key(), spelling.characters), i,
                           it.key()});
                }
            }
            offer(i + 1, QString(), {it->score + NoWordScore, i, it.key()});
        }
    }

    auto last = std::max_element(states[n].cbegin(), states[n].cend(),
                                 [](const State& a, const State& b) { return a.score < b.score; });
    QString characters = last.key();
    State state = *last;
    QList<PinyinWord> result;
    for (size_t end = n; end > 0;) {
        const size_t start = state.from;
        PinyinWord word;
        word.syllables = typed.mid(qsizetype(start), qsizetype(end - start));
        word.characters = characters;
        QList<Candidate> matching;
        for (const Candidate& candidate : candidates.value(spacedKey(syllables, start, end))) {
            if (!characters.isEmpty() && candidate.characters == characters &&
                tonesMatch(candidate, syllables, start))
                matching << candidate;
        }
        // The entry the word table gives the characters first (the common reading), then the
        // others, references last.
        const WordTable::Word* chosen = characters.isEmpty() ? nullptr : table->find(characters);
        const int first = chosen ? chosen->unitId : 0;
        std::stable_sort(matching.begin(), matching.end(),
                         [first](const Candidate& a, const Candidate& b) {
                             return std::make_tuple(a.unitId != first, a.reference, a.unitId) <
                                    std::make_tuple(b.unitId != first, b.reference, b.unitId);
                         });
        for (const Candidate& candidate : matching)
            word.unitIds << candidate.unitId;
        result.prepend(word);
        characters = state.previous;
        end = start;
        if (end > 0)
            state = states[start].value(characters);
    }
    return result;
}

} // namespace korvo
