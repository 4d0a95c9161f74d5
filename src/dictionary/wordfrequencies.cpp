#include "dictionary/wordfrequencies.h"

#include "dictionary/dictionary.h"
#include "text/pinyin.h"

#include <QSqlQuery>
#include <QVariant>

namespace korvo {

namespace {

// Only bigrams above this frequency are read up front.
constexpr double BigramPreloadThreshold = 9.99415635798833e-06;

} // namespace

WordFrequencies::WordFrequencies(Dictionary* dictionary) : m_dictionary(dictionary) {}

double WordFrequencies::statistic(double& cached, const char* statement, const char* column)
{
    if (cached >= 0)
        return cached;
    QSqlQuery query(m_dictionary->database());
    if (!query.exec(QLatin1String(statement)) || !query.next())
        return 0;
    const QVariant value = query.value(QLatin1String(column));
    if (value.isNull())
        return 0; // an empty table: nothing to cache yet
    cached = value.toDouble();
    return cached;
}

double WordFrequencies::minBigramFrequency()
{
    return statistic(m_minBigramFrequency, "select MIN(frequency) as minFrequency from Bigrams",
                     "minFrequency");
}

double WordFrequencies::maxBigramFrequency()
{
    return statistic(m_maxBigramFrequency, "select MAX(frequency) as maxFrequency from Bigrams",
                     "maxFrequency");
}

double WordFrequencies::maxCharacterFrequency()
{
    return statistic(m_maxCharacterFrequency,
                     "select MAX(frequency) as maxFrequency from Characters", "maxFrequency");
}

void WordFrequencies::preloadBigrams()
{
    if (m_bigramsPreloaded)
        return;
    m_bigramsPreloaded = true;
    QSqlQuery query(m_dictionary->database());
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT simplified, frequency FROM Bigrams WHERE frequency > :threshold"));
    query.bindValue(QStringLiteral(":threshold"), BigramPreloadThreshold);
    if (query.exec()) {
        while (query.next())
            m_bigramFrequencies.insert(query.value(0).toString(), query.value(1).toDouble());
    }
}

double WordFrequencies::bigramFrequency(const QString& word)
{
    if (word.size() != 2)
        return 0;
    preloadBigrams();
    auto it = m_bigramFrequencies.constFind(word);
    if (it != m_bigramFrequencies.constEnd())
        return it.value();
    if (m_missingBigrams.contains(word))
        return 0;
    QSqlQuery query(m_dictionary->database());
    query.prepare(QStringLiteral("SELECT frequency FROM Bigrams WHERE simplified = :simplified"));
    query.bindValue(QStringLiteral(":simplified"), word);
    if (query.exec() && query.next()) {
        const double frequency = query.value(0).toDouble();
        m_bigramFrequencies.insert(word, frequency);
        return frequency;
    }
    if (query.isActive())
        m_missingBigrams.insert(word);
    return 0;
}

double WordFrequencies::frequencyScore(const QString& word)
{
    auto cached = m_frequencyScores.constFind(word);
    if (cached != m_frequencyScores.constEnd())
        return cached.value();

    double score = 0;
    bool found = false;
    if (word.size() == 2) {
        const double maxBigram = maxBigramFrequency();
        const double ratio = maxBigram > 0 ? bigramFrequency(word) / maxBigram : 0;
        if (ratio > 0) {
            score = ratio;
            found = true;
        }
    }
    if (!found) {
        const double maxCharacter = maxCharacterFrequency();
        double sum = 0;
        int count = 0;
        for (QChar c : word) {
            if (!isChineseCharacter(c))
                continue;
            // A character without a row counts with frequency 0.
            const CharacterInfo* info = m_dictionary->character(c);
            if (info && maxCharacter > 0)
                sum += info->frequency / maxCharacter;
            ++count;
        }
        if (count > 0) {
            score = sum / count;
            if (word.size() > 1)
                score *= minBigramFrequency();
        }
    }
    if (m_dictionary->isOpen())
        m_frequencyScores.insert(word, score);
    return score;
}

} // namespace korvo
