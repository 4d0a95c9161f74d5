#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>

class QSqlQuery;

namespace korvo {

class WordTable;

// Makes word tables from the dictionary database: every word of both scripts, or only the
// words that occur in a given text (quick for a query or a few sentences, and the same words and
// probabilities as the whole table gives them). A word's probability is the frequency the
// dictionary has for it (as a share of its table's total): the word frequency of the Bigrams table
// for two characters (a rare one's when the table lacks them), the character frequency, weighed
// down, for one; a longer word is taken to be UnattestedWordBonus times likelier than the likeliest
// way to write it as shorter words. Each word stands for one entry: a plain one before proper
// names, rare readings and entries that only refer to others, the one with the longest definitions
// among equals, then the first. Reads through the connection it is given, which must belong to the
// calling thread. Stateless.
class WordTableLoader
{
public:
    static constexpr double UnattestedWordBonus = 10;

    static std::shared_ptr<const WordTable> loadAll(const QSqlDatabase& database);
    static std::shared_ptr<const WordTable> loadForText(const QSqlDatabase& database,
                                                        QStringView text);

    // The words of at most `longest` characters inside the runs of Chinese characters of the
    // text, each once.
    static QStringList wordsInText(QStringView text, int longest);
    // Runs `statement` once for all rows (`values` null) or once per batch of the values, put in
    // place of every "%1" (bound as often as it appears), and hands each row on.
    static void forEachRow(const QSqlDatabase& database, const QString& statement,
                           const QStringList* values,
                           const std::function<void(const QSqlQuery&)>& row);

private:
    struct Entry
    {
        int unitId = 0;
        int preference = 0; // lower is better
    };
    struct Data
    {
        QHash<char32_t, float> characterFrequencies;
        QHash<QString, Entry> entries;        // word -> the entry it stands for
        QHash<QString, QString> simplifiedOf; // word -> that entry's simplified form
        QHash<QString, double> wordFrequencies;
    };

    static void readCharacters(const QSqlDatabase& database, const QStringList& characters,
                               Data& data);
    static void readEntries(const QSqlDatabase& database, const QStringList& words, Data& data);
    static void readWordFrequencies(const QSqlDatabase& database, const QStringList& words,
                                    Data& data);
    static void addEntry(Data& data, const QString& word, const QString& simplified, int unitId,
                         int preference);
    static double total(const QSqlDatabase& database, const QString& table);
    static std::shared_ptr<const WordTable> build(const QSqlDatabase& database, Data& data);
    static void scoreWords(WordTable& table, const Data& data, QStringList words);
};

} // namespace korvo
