#include "statistics/statisticsreport.h"

namespace korvo {

namespace {

const char* const RangeKeys[] = {"7d", "30d", "12m", "all"};

} // namespace

QString rangeKey(StatisticsRange range)
{
    return QString::fromLatin1(RangeKeys[static_cast<int>(range)]);
}

bool rangeFromKey(const QString& key, StatisticsRange* range)
{
    for (int i = 0; i < 4; ++i) {
        if (key == QLatin1String(RangeKeys[i])) {
            *range = static_cast<StatisticsRange>(i);
            return true;
        }
    }
    return false;
}

int StatisticsReport::cardsInBand(ScoreBand band) const
{
    int count = 0;
    for (const DeckBands& deck : decks)
        count += deck.cards[static_cast<size_t>(band)];
    return count;
}

} // namespace korvo
