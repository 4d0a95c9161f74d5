#pragma once

#include "statistics/localcalendar.h"
#include "statistics/statisticsreport.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QVariantList>

class QSqlQuery;

namespace korvo {

// The practice statistics of a profile: aggregate queries over its history (the Knowledge table,
// one row per answer), its cards, decks and knowledge units, for every deck or for the decks in
// one folder or deck, over a range of days of the learner's calendar. The history is grouped by
// the database through the answer-time indexes; due dates follow the session's own rule
// (Knowledge::isDue on each unit's score and practice time). Reads only; the connection is
// borrowed and must stay open while the object is used.
class PracticeStatistics
{
public:
    // The id of the invisible root folder: every deck, and every answer, those given in decks
    // that were deleted since included.
    static constexpr int AllDecks = 0;
    static constexpr int DueDays = 30;
    static constexpr int HardestCount = 10;

    explicit PracticeStatistics(const QSqlDatabase& database,
                                const LocalCalendar& calendar = LocalCalendar());

    // Every figure for the deck or folder `deckId` (AllDecks for all of them) over `range`, with
    // today the local date of `now`. A deck that does not exist gives empty figures.
    StatisticsReport report(int deckId, StatisticsRange range, const QDateTime& now) const;

private:
    // The decks of a choice: their ids (folders left out) and the tree order.
    struct Scope
    {
        bool everyAnswer = false;
        QList<int> deckIds;
        QVector<DeckBands> decks;
    };
    // An SQL condition and the values its placeholders take, in order.
    struct Condition
    {
        QString sql;
        QVariantList values;
    };

    Scope scope(int deckId) const;
    // The first day of `range` when today is `today`; for all time the day of the earliest
    // answer with a time in the choice (today when there is none).
    QDate firstDay(const Scope& scope, StatisticsRange range, const QDate& today) const;
    // "column IN (?, ...)" over the scope's decks; "1" for every answer when `history` is set.
    static Condition deckCondition(const Scope& scope, const QString& column, bool history);
    bool run(QSqlQuery& query, const QString& sql, const QVariantList& values) const;

    QVector<DayAnswers> countDays(const Scope& scope, const QDate& first, const QDate& last) const;
    void countHours(const Scope& scope, qint64 from, qint64 to, StatisticsReport& report) const;
    void countOutsideDays(const Scope& scope, qint64 to, StatisticsReport& report) const;
    int streak(const Scope& scope, const StatisticsReport& report) const;
    void countDue(const Scope& scope, StatisticsReport& report) const;
    void countBands(Scope& scope, StatisticsReport& report) const;
    void findHardest(const Scope& scope, const Condition& time, StatisticsReport& report) const;
    qint64 earliestAnswer(const Scope& scope) const;

    QSqlDatabase m_database;
    LocalCalendar m_calendar;
};

} // namespace korvo
