#include "generatedhistory.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QTimeZone>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <random>

namespace statisticstest {

namespace {

struct Card
{
    int id = 0;
    int deckId = 0;
    int kuId = 0;
    double score = 0;
    qint64 practiced = 0;
    double difficulty = 0; // 0 (easy) to 0.35
};

const char* const HskDecks = "SELECT id FROM Decks WHERE title LIKE '{HSK_%}' AND isFolder = 0";

QVector<Card> hskCards(QSqlDatabase& database)
{
    QVector<Card> cards;
    QSqlQuery query(database);
    query.exec(QStringLiteral("SELECT c.id, c.deckId, c.kuId FROM Cards c JOIN Decks d ON d.id = "
                              "c.deckId WHERE d.id IN (%1) ORDER BY d.title, c.sortOrder")
                   .arg(QLatin1String(HskDecks)));
    while (query.next())
        cards.append({query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt()});
    return cards;
}

// An hour of the day as a learner practises: before work, at lunch, mostly in the evening.
int practiceHour(std::mt19937& random)
{
    static const std::discrete_distribution<int> hours(
        {1, 0, 0, 0, 0, 1, 3, 8, 6, 2, 2, 2, 5, 4, 2, 2, 2, 3, 5, 9, 11, 10, 7, 3});
    auto distribution = hours;
    return distribution(random);
}

} // namespace

bool keepHskDecks(QSqlDatabase database)
{
    QSqlQuery query(database);
    return query.exec(QStringLiteral("DELETE FROM Cards WHERE deckId NOT IN (%1)")
                          .arg(QLatin1String(HskDecks))) &&
           query.exec(QStringLiteral("DELETE FROM Decks WHERE NOT (title LIKE '{HSK_%}')"));
}

int generateHistory(QSqlDatabase database, const HistoryOptions& options)
{
    QVector<Card> cards = hskCards(database);
    if (cards.isEmpty() || options.days < 1)
        return 0;
    std::mt19937 random(options.seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (Card& card : cards)
        card.difficulty = unit(random) < 0.1 ? 0.35 : 0.15 * unit(random);

    // Which days have practice: most of them, and every one of the last twelve.
    QVector<double> weights(options.days, 0.0);
    for (int day = 0; day < options.days; ++day) {
        const bool practised = day >= options.days - 12 || unit(random) < 0.78;
        weights[day] = practised ? 0.5 + unit(random) : 0.0;
    }
    double total = 0;
    for (double weight : weights)
        total += weight;
    QVector<int> perDay(options.days, 0);
    int given = 0;
    for (int day = 0; day < options.days; ++day) {
        perDay[day] = int(options.answers * weights[day] / total);
        given += perDay[day];
    }
    perDay[options.days - 1] += options.answers - given;

    if (!database.transaction())
        return 0;
    QSqlQuery insert(database);
    insert.prepare(QStringLiteral("INSERT INTO Knowledge (kuId, cardId, deckId, result, "
                                  "answerTime) VALUES (?, ?, ?, ?, ?)"));
    const QDate lastDay = options.end.date();
    const QTimeZone zone = options.end.timeZone();
    int introduced = 0;
    int written = 0;
    for (int day = 0; day < options.days; ++day) {
        if (perDay[day] == 0)
            continue;
        introduced = std::min(int(cards.size()), introduced + 7);
        const QDate date = lastDay.addDays(day - options.days + 1);
        QVector<qint64> times;
        for (int i = 0; i < perDay[day]; ++i) {
            const QTime time(practiceHour(random), int(unit(random) * 60), int(unit(random) * 60));
            times.append(QDateTime(date, time, zone).toSecsSinceEpoch());
        }
        std::sort(times.begin(), times.end());
        std::uniform_int_distribution<int> pick(0, introduced - 1);
        for (qint64 time : std::as_const(times)) {
            // Nothing after the end: the last day's late answers come just before it.
            time = std::min(time, options.end.toSecsSinceEpoch() - 1);
            // The weaker of two cards comes up: what is not known yet is asked more often.
            Card& first = cards[pick(random)];
            Card& second = cards[pick(random)];
            Card& card = first.score <= second.score ? first : second;
            const double chance = std::min(0.95, 0.55 + 0.08 * card.score) - card.difficulty;
            const bool correct = unit(random) < chance;
            card.score = std::max(0.0, card.score + (correct ? 1.0 : -1.0));
            card.practiced = time;
            insert.addBindValue(card.kuId);
            insert.addBindValue(card.id);
            insert.addBindValue(card.deckId);
            insert.addBindValue(correct ? 1 : 0);
            insert.addBindValue(written < options.untimed ? QVariant() : QVariant(time));
            if (!insert.exec()) {
                qWarning("Generated history: %s", qPrintable(insert.lastError().text()));
                database.rollback();
                return 0;
            }
            ++written;
        }
    }
    QSqlQuery update(database);
    update.prepare(
        QStringLiteral("UPDATE KnowledgeUnits SET score = ?, lastTimePracticed = ? WHERE id = ?"));
    for (const Card& card : std::as_const(cards)) {
        if (card.practiced == 0)
            continue;
        update.addBindValue(card.score);
        update.addBindValue(card.practiced);
        update.addBindValue(card.kuId);
        update.exec();
    }
    return database.commit() ? written : 0;
}

} // namespace statisticstest
