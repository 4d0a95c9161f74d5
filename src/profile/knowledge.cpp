#include "profile/knowledge.h"

#include "dictionary/knowledgeunit.h"
#include "profile/deckcard.h"

#include <QSqlQuery>
#include <QVariant>
#include <cmath>

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

qint64 Knowledge::dueTime(float score, qint64 lastTimePracticed)
{
    const QVector<int>& table = intervals();
    const double positive = score < 0 ? 0.0 : static_cast<double>(score);
    const qint64 rounded = static_cast<qint64>(std::floor(positive + 0.5));
    const qint64 index = qBound<qint64>(0, rounded - 1, table.size() - 1);
    return lastTimePracticed + static_cast<qint64>(table.at(static_cast<int>(index))) * 86400;
}

qint64 Knowledge::dueTime(const KnowledgeUnit* unit)
{
    if (!unit)
        return 0;
    return dueTime(unit->score(), unit->lastTimePracticed());
}

bool Knowledge::addHistory(int kuId, int cardId, int deckId, int result)
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("INSERT INTO Knowledge (kuId, cardId, deckId, result) "
                                 "VALUES (:kuId, :cardId, :deckId, :result)"));
    query.bindValue(QStringLiteral(":kuId"), kuId);
    query.bindValue(QStringLiteral(":cardId"), cardId);
    query.bindValue(QStringLiteral(":deckId"), deckId);
    query.bindValue(QStringLiteral(":result"), result == 1 ? 1 : 0);
    return query.exec();
}

bool Knowledge::addHistory(DeckCard* card, int result)
{
    if (!card)
        return false;
    return addHistory(card->kuId(), card->id(), card->deckId(), result);
}

} // namespace korvo
