#include "readingchooser.h"

#include "text/texthelpers.h"

#include <QStringList>

namespace korvo {

ReadingChooser::ReadingChooser(QHash<QString, int> readingCounts,
                               QHash<QString, QString> reviewedReadings)
    : m_readingCounts(std::move(readingCounts)), m_reviewedReadings(std::move(reviewedReadings))
{
    for (auto it = m_readingCounts.cbegin(); it != m_readingCounts.cend(); ++it)
        m_characterTotals[splitCharacters(it.key()).value(0)] += it.value();
}

int ReadingChooser::characterTotal(const QString& character) const
{
    return m_characterTotals.value(character);
}

double ReadingChooser::readingShare(const QString& word, const QString& pinyin) const
{
    const QStringList characters = splitCharacters(word);
    const QStringList syllables = pinyin.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (characters.size() != syllables.size())
        return 1;
    double share = 1;
    for (int i = 0; i < characters.size(); ++i) {
        const int total = characterTotal(characters.at(i));
        if (total == 0)
            continue;
        share *= double(m_readingCounts.value(characters.at(i) + syllables.at(i))) / total;
    }
    return share;
}

QString ReadingChooser::reviewedReading(int level, const QString& word) const
{
    return m_reviewedReadings.value(QStringLiteral("%1/%2").arg(level).arg(word));
}

} // namespace korvo
