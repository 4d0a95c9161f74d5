#pragma once

#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>

namespace korvo {

class Dictionary;

// How common words are, for ranking: the frequencies of two-character words (the Bigrams
// table, the common ones read up front) and of single characters, and the score made of them.
// Owned by its Dictionary, whose connection and characters it reads; every answer is cached.
class WordFrequencies
{
public:
    explicit WordFrequencies(Dictionary* dictionary);

    // Statistics of the frequency tables, read once.
    double minBigramFrequency();
    double maxBigramFrequency();
    double maxCharacterFrequency();

    double bigramFrequency(const QString& word);
    // How common a word is, 0..1.
    double frequencyScore(const QString& word);
    // Forgets the scores, after the units they were asked for changed.
    void clearScores() { m_frequencyScores.clear(); }

private:
    double statistic(double& cached, const char* statement, const char* column);
    void preloadBigrams();

    Dictionary* m_dictionary;
    double m_maxBigramFrequency = -1;
    double m_minBigramFrequency = -1;
    double m_maxCharacterFrequency = -1;
    QMap<QString, double> m_bigramFrequencies;
    bool m_bigramsPreloaded = false;
    // Words known to have no row, so that ranking does not ask again.
    QSet<QString> m_missingBigrams;
    QHash<QString, double> m_frequencyScores;
};

} // namespace korvo
