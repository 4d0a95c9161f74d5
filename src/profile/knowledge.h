#pragma once

#include <QSqlDatabase>
#include <QVector>
#include <QtGlobal>

namespace korvo {

class DeckCard;
class KnowledgeUnit;

// Writer of the practice history (one "Knowledge" row per answer) and owner of the
// spaced-repetition interval table. The profile owns one instance bound to its database connection;
// the practice session uses it to decide when a unit is due again.
class Knowledge
{
public:
    explicit Knowledge(const QSqlDatabase& database = QSqlDatabase());

    // The 99 intervals in days; entry i is used for a rounded score of i + 1.
    static const QVector<int>& intervals();

    // Seconds since 1970-01-01 UTC from which a unit with this score and last practice time is due
    // again. The score is rounded half away from zero (negative scores count as 0) and picks the
    // interval, clamped to the table.
    static qint64 dueTime(float score, qint64 lastTimePracticed);
    // The same for a unit, read through its accessors (so a negative stored score counts as 0).
    static qint64 dueTime(const KnowledgeUnit* unit);

    // Writes one Knowledge row; `result` 1 is a correct answer, anything else a wrong one. Failures
    // are ignored, as for every history write. Returns whether the row was written.
    bool addHistory(int kuId, int cardId, int deckId, int result);
    // The same for a card: its knowledge-unit id, its id and its deck id.
    bool addHistory(DeckCard* card, int result);

    QSqlDatabase database() const { return m_database; }

private:
    QSqlDatabase m_database;
};

} // namespace korvo
