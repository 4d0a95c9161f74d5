#include "profile/knowledge.h"

#include "dictionary/knowledgeunit.h"
#include "profile/deckcard.h"

#include <QSqlQuery>
#include <QVariant>
#include <cmath>
#include <limits>

namespace korvo {

namespace {

QVector<int> buildIntervals()
{
    // A running single-precision value: each step is computed wider and stored back as float, which
    // is what makes the table come out exactly as it always has.
    QVector<int> table;
    table.reserve(99);
    float s = 0;
    for (int i = 1; i <= 99; ++i) {
        if (i == 1)
            s = 1;
        else if (i == 2)
            s = 3;
        else
            s = static_cast<float>(static_cast<double>(s) * 1.0499999523162842 + i);
        table.append(static_cast<int>(std::floor(static_cast<double>(s) + 0.5)));
    }
    return table;
}

} // namespace

Knowledge::Knowledge(const QSqlDatabase& database) : m_database(database) {}

const QVector<int>& Knowledge::intervals()
{
    static const QVector<int> table = buildIntervals();
    return table;
}

int Knowledge::intervalIndex(float score)
{
    // Clamped while still a double: a score beyond the integer range (or NaN, which fails
    // every comparison and so stays at the first interval) is never converted to an integer.
    const double lastIndex = intervals().size() - 1;
    const double index = std::floor(static_cast<double>(score) + 0.5) - 1;
    if (!(index > 0))
        return 0;
    return index < lastIndex ? static_cast<int>(index) : static_cast<int>(lastIndex);
}

qint64 Knowledge::dueTime(float score, qint64 lastTimePracticed)
{
    const qint64 interval = static_cast<qint64>(intervals().at(intervalIndex(score))) * 86400;
    // Saturates instead of overflowing: a practice time near the end of the 64-bit range is due
    // at the end of that range, i.e. never.
    qint64 due = 0;
    if (__builtin_add_overflow(lastTimePracticed, interval, &due))
        return std::numeric_limits<qint64>::max();
    return due;
}

namespace {

// due * 1000 <= milliseconds, compared in seconds so that nothing overflows: for whole seconds,
// due * 1000 <= ms exactly when due <= floor(ms / 1000).
bool isAtOrBefore(qint64 dueSeconds, qint64 milliseconds)
{
    const qint64 seconds = milliseconds / 1000 - (milliseconds % 1000 < 0 ? 1 : 0);
    return dueSeconds <= seconds;
}

} // namespace

bool Knowledge::isDue(float score, qint64 lastTimePracticed, qint64 milliseconds)
{
    return isAtOrBefore(dueTime(score, lastTimePracticed), milliseconds);
}

bool Knowledge::isDue(const KnowledgeUnit* unit, qint64 milliseconds)
{
    return isAtOrBefore(dueTime(unit), milliseconds);
}

qint64 Knowledge::dueTime(const KnowledgeUnit* unit)
{
    if (!unit)
        return 0;
    return dueTime(unit->score(), unit->lastTimePracticed());
}

bool Knowledge::addHistory(int kuId, int cardId, int deckId, int result, qint64 answerTime)
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("INSERT INTO Knowledge (kuId, cardId, deckId, result, answerTime) "
                                 "VALUES (:kuId, :cardId, :deckId, :result, :answerTime)"));
    query.bindValue(QStringLiteral(":kuId"), kuId);
    query.bindValue(QStringLiteral(":cardId"), cardId);
    query.bindValue(QStringLiteral(":deckId"), deckId);
    query.bindValue(QStringLiteral(":result"), result == 1 ? 1 : 0);
    query.bindValue(QStringLiteral(":answerTime"), answerTime);
    return query.exec();
}

bool Knowledge::addHistory(DeckCard* card, int result, qint64 answerTime)
{
    if (!card)
        return false;
    return addHistory(card->kuId(), card->id(), card->deckId(), result, answerTime);
}

} // namespace korvo
