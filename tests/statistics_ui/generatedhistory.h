#pragma once

#include <QDateTime>
#include <QSqlDatabase>

// A learner's practice history made up for the statistics screen's screenshot and benchmark, in a
// profile made from the shipped template. Test code only.
namespace statisticstest {

struct HistoryOptions
{
    int answers = 100000;
    int days = 730;
    // The last day of the history is this moment's date; no answer lies after it.
    QDateTime end = QDateTime::currentDateTime();
    // The earliest answers were stored before answer times were kept.
    int untimed = 0;
    unsigned seed = 7;
};

// Leaves only the HSK decks (4,996 cards) of a profile made from the shipped template.
bool keepHskDecks(QSqlDatabase database);
// Answers the cards of the HSK decks, easiest level first, on most days of the period: a few new
// words a day, the weaker ones asked more often, some words much harder than others, mostly in
// the morning and the evening. Writes the Knowledge rows and the units' scores and practice
// times the answers lead to, in one transaction. Returns how many answers were written.
int generateHistory(QSqlDatabase database, const HistoryOptions& options);

} // namespace statisticstest
