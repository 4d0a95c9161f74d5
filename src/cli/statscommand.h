#pragma once

#include <QString>
#include <QStringList>

namespace korvo {

// quillet-cli stats: the figures of the statistics screen for all decks or for one deck or
// folder (--deck, by its title) over 7 days, 30 days, 12 months or all time (--range; 30 days
// without it): days in a row, answers and the correct rate, cards, cards due today, the answers
// per day, the cards due in the next 30 days, each deck's cards by score band, the answers by
// hour and the hardest cards; as text, or as JSON. The profile is only read, never written, so
// the command also works while the program runs. Exit status 0, 1 when no deck has the title,
// 2 for bad usage, 3 for a profile that cannot be read.
QString statsUsage();
int runStatsCommand(const QStringList& arguments);

} // namespace korvo
