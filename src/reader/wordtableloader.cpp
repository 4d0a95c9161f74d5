#include "reader/wordtableloader.h"

#include "reader/characterclass.h"
#include "reader/textsegment.h"
#include "reader/wordsegmenter.h"
#include "reader/wordtable.h"

#include <QMutex>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <functional>

namespace korvo {

namespace {

// Values bound per statement when rows are read for a list of words.
constexpr int BatchSize = 400;
// No entry of the dictionary is longer (in characters).
constexpr int LongestWord = 24;
constexpr double LeastFrequency = 1e-8;
// A character's frequency counts it inside longer words too; as a word of its own it is much
// rarer. Weighed so, the words of two characters or more win where the frequencies are close.
constexpr double SingleCharacterWeight = 0.01;
// A word of two characters that the Bigrams table does not count is rare: about the lower tail
// of the table (its mean is near 1.7e-6).
constexpr double UnattestedPairFrequency = 1e-7;

enum Preference { PlainEntry = 0, ProperName = 1, Reference = 2 };

// Among entries of the same standing, the reading with the most to say is the common one (the
// particle 吗 ma5 rather than ma2 "what?"); the length of the definitions tells.
// A character read with the neutral tone is a particle (了 le5, 吗 ma5), commoner than any
// other reading it has.
int preferenceWithLength(int preference, const QString& pinyin, int definitionLength)
{
    const bool particle = preference == PlainEntry && pinyin.size() <= 7 &&
                          !pinyin.contains(QLatin1Char(' ')) && pinyin.endsWith(QLatin1Char('5'));
    return preference * 1000000 - (particle ? 999999 : std::min(definitionLength, 999998));
}

bool isChineseWord(const QString& word)
{
    if (word.isEmpty())
        return false;
    for (qsizetype i = 0; i < word.size();) {
        int length = 0;
        if (!isHanCharacter(codePointAt(word, i, &length)))
            return false;
        i += length;
    }
    return true;
}

int characterCount(QStringView word)
{
    int count = 0;
    for (qsizetype i = 0; i < word.size(); ++count) {
        int length = 0;
        codePointAt(word, i, &length);
        i += length;
    }
    return count;
}

// An entry whose first meaning is only a pointer to another one ranks after the plain ones;
// proper names and readings marked as dialect, colloquial, literary or archaic in between.
int preferenceOf(const QString& pinyin, const QString& definitionStart)
{
    const QString first = definitionStart.section(QLatin1Char('/'), 0, 0).toLower();
    if (first.contains(QLatin1String("variant of")) || first.startsWith(QLatin1String("see ")) ||
        first.startsWith(QLatin1String("used in ")))
        return Reference;
    static const QStringList rareMarks{QStringLiteral("(coll.)"),    QStringLiteral("(dialect)"),
                                       QStringLiteral("(literary)"), QStringLiteral("(archaic)"),
                                       QStringLiteral("(old)"),      QStringLiteral("(onom.)")};
    for (const QString& mark : rareMarks) {
        if (first.startsWith(mark))
            return ProperName;
    }
    if ((!pinyin.isEmpty() && pinyin.at(0).isUpper()) ||
        first.startsWith(QLatin1String("surname ")))
        return ProperName;
    return PlainEntry;
}

QString placeholders(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

} // namespace

void WordTableLoader::forEachRow(const QSqlDatabase& database, const QString& statement,
                                 const QStringList* values,
                                 const std::function<void(const QSqlQuery&)>& row)
{
    const auto run = [&](const QStringList& batch) {
        QSqlQuery query(database);
        query.setForwardOnly(true);
        const int uses = values ? int(statement.count(QLatin1String("%1"))) : 0;
        query.prepare(values ? statement.arg(placeholders(batch.size())) : statement);
        int position = 0;
        for (int use = 0; use < uses; ++use) {
            for (const QString& value : batch)
                query.bindValue(position++, value);
        }
        if (!query.exec())
            return;
        while (query.next())
            row(query);
    };
    if (!values) {
        run(QStringList());
        return;
    }
    for (qsizetype start = 0; start < values->size(); start += BatchSize)
        run(values->mid(start, BatchSize));
}

QStringList WordTableLoader::wordsInText(QStringView text, int longest)
{
    QSet<QString> words;
    // The start of each character of the current run of Chinese characters.
    std::vector<qsizetype> starts;
    const auto collect = [&](qsizetype runEnd) {
        starts.push_back(runEnd);
        for (size_t i = 0; i + 1 < starts.size(); ++i) {
            for (size_t j = i + 1; j < starts.size() && int(j - i) <= longest; ++j)
                words.insert(text.mid(starts[i], starts[j] - starts[i]).toString());
        }
        starts.clear();
    };
    for (qsizetype i = 0; i < text.size();) {
        int length = 0;
        if (isHanCharacter(codePointAt(text, i, &length))) {
            starts.push_back(i);
        } else if (!starts.empty()) {
            collect(i);
        }
        i += length;
    }
    if (!starts.empty())
        collect(text.size());
    return QStringList(words.cbegin(), words.cend());
}

void WordTableLoader::readCharacters(const QSqlDatabase& database, const QStringList& characters,
                                     Data& data)
{
    forEachRow(
        database,
        characters.isEmpty()
            ? QStringLiteral("SELECT character, frequency FROM Characters")
            : QStringLiteral("SELECT character, frequency FROM Characters WHERE character IN (%1)"),
        characters.isEmpty() ? nullptr : &characters, [&](const QSqlQuery& query) {
            const QString character = query.value(0).toString();
            if (character.isEmpty())
                return;
            int length = 0;
            data.characterFrequencies.insert(codePointAt(character, 0, &length),
                                             float(query.value(1).toDouble()));
        });
}

void WordTableLoader::addEntry(Data& data, const QString& word, const QString& simplified,
                               int unitId, int preference)
{
    if (!isChineseWord(word))
        return;
    auto it = data.entries.find(word);
    if (it != data.entries.end()) {
        const Entry& kept = it.value();
        if (kept.preference < preference || (kept.preference == preference && kept.unitId < unitId))
            return;
    }
    data.entries.insert(word, Entry{unitId, preference});
    data.simplifiedOf.insert(word, simplified);
}

void WordTableLoader::readEntries(const QSqlDatabase& database, const QStringList& words,
                                  Data& data)
{
    const QString columns =
        QStringLiteral("SELECT id, simplified, traditional, pinyin, "
                       "substr(definition, 1, 60), length(definition) FROM KnowledgeUnits");
    forEachRow(database,
               words.isEmpty()
                   ? columns
                   : columns + QStringLiteral(" WHERE simplified IN (%1) OR traditional IN (%1)"),
               words.isEmpty() ? nullptr : &words, [&](const QSqlQuery& query) {
                   const int id = query.value(0).toInt();
                   const QString simplified = query.value(1).toString();
                   const QString traditional = query.value(2).toString();
                   const QString pinyin = query.value(3).toString();
                   const int preference =
                       preferenceWithLength(preferenceOf(pinyin, query.value(4).toString()), pinyin,
                                            query.value(5).toInt());
                   addEntry(data, simplified, simplified, id, preference);
                   if (traditional != simplified)
                       addEntry(data, traditional, simplified, id, preference);
               });
}

void WordTableLoader::readWordFrequencies(const QSqlDatabase& database, const QStringList& words,
                                          Data& data)
{
    forEachRow(
        database,
        words.isEmpty()
            ? QStringLiteral("SELECT simplified, frequency FROM Bigrams")
            : QStringLiteral("SELECT simplified, frequency FROM Bigrams WHERE simplified IN (%1)"),
        words.isEmpty() ? nullptr : &words, [&](const QSqlQuery& query) {
            data.wordFrequencies.insert(query.value(0).toString(), query.value(1).toDouble());
        });
}

std::shared_ptr<const WordTable> WordTableLoader::loadAll(const QSqlDatabase& database)
{
    Data data;
    readCharacters(database, QStringList(), data);
    readEntries(database, QStringList(), data);
    readWordFrequencies(database, QStringList(), data);
    return build(database, data);
}

std::shared_ptr<const WordTable> WordTableLoader::loadForText(const QSqlDatabase& database,
                                                              QStringView text)
{
    Data data;
    const QStringList words = wordsInText(text, LongestWord);
    QStringList characters;
    QStringList pairs;
    for (const QString& word : words) {
        const int count = characterCount(word);
        if (count == 1)
            characters << word;
    }
    if (!characters.isEmpty())
        readCharacters(database, characters, data);
    if (!words.isEmpty())
        readEntries(database, words, data);
    for (auto it = data.simplifiedOf.cbegin(); it != data.simplifiedOf.cend(); ++it) {
        if (characterCount(it.key()) == 2)
            pairs << it.value();
    }
    pairs.removeDuplicates();
    if (!pairs.isEmpty())
        readWordFrequencies(database, pairs, data);
    return build(database, data);
}

double WordTableLoader::total(const QSqlDatabase& database, const QString& table)
{
    // A sum over the whole table costs more than loading the words of a query: each file's sums
    // are read once per run (the shipped dictionary never changes while the program runs).
    static QMutex mutex;
    static QHash<QString, double> totals;
    const QString key = database.databaseName() + QLatin1Char('\n') + table;
    {
        const QMutexLocker lock(&mutex);
        const auto known = totals.constFind(key);
        if (known != totals.cend())
            return *known;
    }
    QSqlQuery query(database);
    // The names are this file's own constants, never the user's.
    if (!query.exec(QStringLiteral("SELECT total(frequency) FROM ") + table) || !query.next())
        return 1;
    const double sum = query.value(0).toDouble() > 0 ? query.value(0).toDouble() : 1;
    const QMutexLocker lock(&mutex);
    totals.insert(key, sum);
    return sum;
}

std::shared_ptr<const WordTable> WordTableLoader::build(const QSqlDatabase& database, Data& data)
{
    auto table = std::make_shared<WordTable>();
    // Frequencies as shares of their table's total, whatever unit the data gives them in.
    const double characterTotal = total(database, QStringLiteral("Characters"));
    for (auto it = data.characterFrequencies.begin(); it != data.characterFrequencies.end(); ++it)
        *it = float(*it / characterTotal);
    const double pairTotal = total(database, QStringLiteral("Bigrams"));
    for (auto it = data.wordFrequencies.begin(); it != data.wordFrequencies.end(); ++it)
        *it /= pairTotal;
    table->m_pairFrequencyScale = 1 / pairTotal;
    table->m_characterFrequencies = std::move(data.characterFrequencies);
    QStringList words(data.entries.keyBegin(), data.entries.keyEnd());
    std::sort(words.begin(), words.end());
    table->m_rootChildren.assign(size_t(1) << 16, 0);
    table->m_nodes.resize(1); // node 0 means "none"

    // The children of the words[lo, hi) that share their first `depth` units: one node per
    // distinct next unit, contiguous, then each child's own children.
    std::function<void(qsizetype, qsizetype, int, quint32)> addChildren =
        [&](qsizetype lo, qsizetype hi, int depth, quint32 parent) {
            struct Group
            {
                char16_t character;
                qsizetype lo;
                qsizetype hi;
            };
            std::vector<Group> groups;
            for (qsizetype i = lo; i < hi; ++i) {
                if (words.at(i).size() <= depth)
                    continue;
                const char16_t c = words.at(i).at(depth).unicode();
                if (groups.empty() || groups.back().character != c)
                    groups.push_back({c, i, i + 1});
                else
                    groups.back().hi = i + 1;
            }
            const quint32 firstNode = quint32(table->m_nodes.size());
            table->m_nodes.resize(table->m_nodes.size() + groups.size());
            if (parent) {
                WordTable::Node& node = table->m_nodes[parent];
                node.firstEdge = quint32(table->m_edgeCharacters.size());
                node.edgeCount = quint32(groups.size());
                for (size_t g = 0; g < groups.size(); ++g) {
                    table->m_edgeCharacters.push_back(groups[g].character);
                    table->m_edgeNodes.push_back(firstNode + quint32(g));
                }
            }
            for (size_t g = 0; g < groups.size(); ++g) {
                const quint32 child = firstNode + quint32(g);
                if (!parent)
                    table->m_rootChildren[groups[g].character] = child;
                const Group& group = groups[g];
                // Sorted: the word that ends here, if any, comes first in its group.
                if (words.at(group.lo).size() == depth + 1)
                    table->m_nodes[child].word.unitId =
                        data.entries.value(words.at(group.lo)).unitId;
                addChildren(group.lo, group.hi, depth + 1, child);
            }
        };
    addChildren(0, words.size(), 0, 0);
    table->m_wordCount = words.size();
    scoreWords(*table, data, words);
    return table;
}

// Shorter words first: a word without a frequency of its own is scored by its parts.
void WordTableLoader::scoreWords(WordTable& table, const Data& data, QStringList words)
{
    std::stable_sort(words.begin(), words.end(),
                     [](const QString& a, const QString& b) { return a.size() < b.size(); });
    const double bonus = std::log(UnattestedWordBonus);
    for (const QString& word : std::as_const(words)) {
        const int count = characterCount(word);
        table.m_longestWord = std::max(table.m_longestWord, count);
        double score = 0;
        if (count == 1) {
            int length = 0;
            score = std::log(std::max(table.characterFrequency(codePointAt(word, 0, &length)),
                                      LeastFrequency)) +
                    std::log(SingleCharacterWeight);
        } else {
            const double frequency =
                count == 2 ? data.wordFrequencies.value(data.simplifiedOf.value(word), 0.0) : 0.0;
            if (frequency > 0) {
                score = std::log(frequency);
            } else if (count == 2) {
                score = std::log(UnattestedPairFrequency);
            } else {
                std::vector<TextSegment> parts;
                WordSegmenter::bestWords(table, word, 0, false, parts, &score);
                score += bonus;
            }
        }
        if (WordTable::Word* entry = table.wordToScore(word))
            entry->logProbability = float(score);
    }
}

} // namespace korvo
