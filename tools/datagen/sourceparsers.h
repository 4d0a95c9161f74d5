#pragma once

#include "sourcefiles.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// Readers of the individual source formats. Each returns false after reporting the file and
// the line that could not be read, and fills its result only with complete data.
namespace korvo {

struct CedictEntry
{
    QString traditional;
    QString simplified;
    QString pinyin;     // as published: tone digits, "u:" for ü, proper nouns capitalised
    QString definition; // "/"-separated, without the outer slashes
};

// CC-CEDICT (hanzi/lib/data/cedict_ts.u8.js) in file order, with its publication date.
bool readCedict(const SourceFiles& files, QVector<CedictEntry>* entries, QDateTime* edition);

struct JundaCharacter
{
    QString character;
    int rank = 0;
    qint64 count = 0;
    QStringList readings; // most common first, tone digits ("de" for the neutral tone)
};

// Jun Da's character frequency list, in rank order.
bool readJunda(const SourceFiles& files, QVector<JundaCharacter>* characters);

// Leiden word frequencies: word -> count (counts of repeated words summed), and the corpus
// total of all counts.
bool readLeiden(const SourceFiles& files, QHash<QString, qint64>* counts, qint64* total);

// HSK word lists, levels 1-6, each in list order without repeats.
bool readHskLevels(const SourceFiles& files, QVector<QStringList>* levels);

// How often each reading of a character was met in running text (Unihan's kHanyuPinlu, as
// the chinese-lexicon package lists it): "长chang2" -> count, readings in the stored numbered
// form with "5" for the neutral tone.
bool readReadingCounts(const SourceFiles& files, QHash<QString, int>* counts);

// The reviewed readings of HSK words that the frequencies choose wrongly:
// "<level>/<word>" (level 0: the common characters decks) -> numbered pinyin as the dictionary
// writes it ("2/长" -> "chang2").
bool readReviewedReadings(const SourceFiles& files, QHash<QString, QString>* readings);

// Character decompositions: character or numbered intermediate component -> its components,
// in written order (first definition of each key).
bool readDecompositions(const SourceFiles& files, QHash<QString, QStringList>* components);

// Radical forms and their English meanings, in list order.
bool readRadicalMeanings(const SourceFiles& files, QVector<QPair<QString, QString>>* meanings);

struct UnihanCharacter
{
    QString mandarin;               // first kMandarin reading, tone-marked
    QString definition;             // kDefinition
    int radical = 0;                // Kangxi radical number of the first kRSUnicode value
    bool simplifiedRadical = false; // written with the simplified form of the radical
    int strokes = 0;                // first kTotalStrokes value
    QStringList simplifiedVariants;
    QStringList traditionalVariants;
};

// The Unihan fields the dictionary needs, for every character that has any of them.
bool readUnihan(const SourceFiles& files, QHash<QString, UnihanCharacter>* characters);

struct KangxiRadical
{
    int number = 0;
    QString traditional; // the unified ideograph of the radical
    QString simplified;  // the ideograph of its simplified form, or the traditional one
    QStringList symbols; // radical symbols (Kangxi radicals and supplement forms)
};

// CJKRadicals.txt: the 214 Kangxi radicals, numbered 1-214.
bool readKangxiRadicals(const SourceFiles& files, QVector<KangxiRadical>* radicals);

struct SentencePair
{
    QString english;
    QString chinese;
    QString attribution;
};

// The bilingual example sentences, in file order.
bool readSentences(const SourceFiles& files, QVector<SentencePair>* sentences);

// Characters of a text one by one (surrogate pairs kept together).
QStringList characters(const QString& text);
// Whether the character (one code point) is a unified ideograph of the Basic Multilingual Plane
// that the program can handle as one UTF-16 unit.
bool isStoredHanCharacter(const QString& character);

} // namespace korvo
