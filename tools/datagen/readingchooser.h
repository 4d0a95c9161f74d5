#pragma once

#include <QHash>
#include <QString>

namespace korvo {

// Weighs the readings of a word for the built-in decks: how often learners meet each reading of
// its characters in running text, and the reviewed reading of an HSK word where those
// frequencies mislead. Owned by the profile builder for one build.
class ReadingChooser
{
public:
    ReadingChooser(QHash<QString, int> readingCounts, QHash<QString, QString> reviewedReadings);

    // The share of running text in which the characters of the word carry the syllables of
    // the reading ("gao4 su5" for 告诉), multiplied over the characters: 1 for a reading whose
    // characters were never counted, 0 for one never met.
    double readingShare(const QString& word, const QString& pinyin) const;
    // The reviewed numbered reading of the word on the HSK level, or an empty string.
    QString reviewedReading(int level, const QString& word) const;

private:
    int characterTotal(const QString& character) const;

    QHash<QString, int> m_readingCounts;
    QHash<QString, int> m_characterTotals;
    QHash<QString, QString> m_reviewedReadings;
};

} // namespace korvo
