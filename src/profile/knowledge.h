#pragma once

#include <QSqlDatabase>
#include <QVector>
#include <QtGlobal>

namespace korvo {

class DeckCard;
class KnowledgeUnit;

// Writer of the practice history (one "Knowledge" row per answer, with its time) and owner of the
// spaced-repetition interval table. The profile owns one instance bound to its database connection;
// the practice session uses it to decide when a unit is due again.
class Knowledge
{
public:
    explicit Knowledge(const QSqlDatabase& database = QSqlDatabase());

    // The 99 intervals in days; entry i is used for a rounded score of i + 1.
    static const QVector<int>& intervals();

    // Position in intervals() for a score: the score rounded half away from zero, minus one,
    // clamped to the table. Negative, huge, infinite and NaN scores give a position too (NaN
    // and negative ones the first).
    static int intervalIndex(float score);

    // Seconds since 1970-01-01 UTC from which a unit with this score and last practice time is due
    // again. The score is rounded half away from zero (negative scores count as 0) and picks the
    // interval, clamped to the table. A sum beyond the 64-bit range gives the largest value.
    static qint64 dueTime(float score, qint64 lastTimePracticed);
    // The same for a unit, read through its accessors (so a negative stored score counts as 0).
    static qint64 dueTime(const KnowledgeUnit* unit);

    // Whether the due moment (whole seconds) lies at or before the moment given in milliseconds
    // since 1970-01-01 UTC; exact for every 64-bit value of either.
    static bool isDue(float score, qint64 lastTimePracticed, qint64 milliseconds);
    static bool isDue(const KnowledgeUnit* unit, qint64 milliseconds);

    // Writes one Knowledge row; `result` 1 is a correct answer, anything else a wrong one, and
    // `answerTime` the moment of the answer in seconds since 1970-01-01 UTC. Failures are ignored,
    // as for every history write. Returns whether the row was written.
    bool addHistory(int kuId, int cardId, int deckId, int result, qint64 answerTime);
    // The same for a card: its knowledge-unit id, its id and its deck id.
    bool addHistory(DeckCard* card, int result, qint64 answerTime);

    QSqlDatabase database() const { return m_database; }

private:
    QSqlDatabase m_database;
};

} // namespace korvo
