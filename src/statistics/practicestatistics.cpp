#include "statistics/practicestatistics.h"

#include "profile/builtindecks.h"
#include "profile/knowledge.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace korvo {

namespace {

struct DeckRow
{
    int id = 0;
    QString title;
    bool isFolder = false;
};

// The history's time column as wall-clock seconds is computed once per row, inside a subquery.
const QString TimeColumn = QStringLiteral("answerTime");
// Days of answers read per query while the streak is counted back.
constexpr int StreakWindow = 64;
// Days counted by one query.
constexpr int DaysPerQuery = 2000;

QString placeholders(int count)
{
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

} // namespace

PracticeStatistics::PracticeStatistics(const QSqlDatabase& database, const LocalCalendar& calendar)
    : m_database(database), m_calendar(calendar)
{
}

bool PracticeStatistics::run(QSqlQuery& query, const QString& sql, const QVariantList& values) const
{
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        qWarning("Statistics: %s", qPrintable(query.lastError().text()));
        return false;
    }
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        qWarning("Statistics: %s", qPrintable(query.lastError().text()));
        return false;
    }
    return true;
}

PracticeStatistics::Scope PracticeStatistics::scope(int deckId) const
{
    Scope result;
    result.everyAnswer = deckId == AllDecks;
    QHash<int, DeckRow> rows;
    QHash<int, QList<int>> childLists; // by parent id, in the tree's order
    QSqlQuery query(m_database);
    if (!run(query,
             QStringLiteral("SELECT id, parentId, title, isFolder FROM Decks "
                            "ORDER BY sortOrder, id"),
             {}))
        return result;
    while (query.next()) {
        const DeckRow row{query.value(0).toInt(), query.value(2).toString(),
                          query.value(3).toInt() != 0};
        rows.insert(row.id, row);
        childLists[query.value(1).toInt()].append(row.id);
    }
    if (deckId != AllDecks && !rows.contains(deckId))
        return result;

    // Depth first in child order; a loop of parent ids in a damaged file ends at a deck seen.
    QSet<int> seen;
    QList<int> pending = deckId == AllDecks ? childLists.value(AllDecks) : QList<int>{deckId};
    std::reverse(pending.begin(), pending.end());
    while (!pending.isEmpty()) {
        const int id = pending.takeLast();
        if (seen.contains(id) || !rows.contains(id))
            continue;
        seen.insert(id);
        const DeckRow& row = rows[id];
        if (!row.isFolder) {
            result.deckIds.append(id);
            DeckBands deck;
            deck.deckId = id;
            deck.title = builtInDisplayTitle(row.title);
            result.decks.append(deck);
            continue;
        }
        const QList<int> below = childLists.value(id);
        for (auto it = below.crbegin(); it != below.crend(); ++it)
            pending.append(*it);
    }
    return result;
}

PracticeStatistics::Condition PracticeStatistics::deckCondition(const Scope& scope,
                                                                const QString& column, bool history)
{
    if (history && scope.everyAnswer)
        return {QStringLiteral("1"), {}};
    if (scope.deckIds.isEmpty())
        return {QStringLiteral("0"), {}};
    QVariantList values;
    for (int id : scope.deckIds)
        values << id;
    return {QStringLiteral("%1 IN (%2)").arg(column, placeholders(int(values.size()))), values};
}

qint64 PracticeStatistics::earliestAnswer(const Scope& scope) const
{
    const Condition decks = deckCondition(scope, QStringLiteral("deckId"), true);
    QSqlQuery query(m_database);
    if (run(query,
            QStringLiteral("SELECT MIN(answerTime) FROM Knowledge WHERE answerTime IS NOT NULL "
                           "AND %1")
                .arg(decks.sql),
            decks.values) &&
        query.next() && !query.value(0).isNull())
        return query.value(0).toLongLong();
    return -1;
}

QDate PracticeStatistics::firstDay(const Scope& scope, StatisticsRange range,
                                   const QDate& today) const
{
    switch (range) {
    case StatisticsRange::Week:
        return today.addDays(-6);
    case StatisticsRange::Month:
        return today.addDays(-29);
    case StatisticsRange::Year:
        return QDate(today.year(), today.month(), 1).addMonths(-11);
    case StatisticsRange::AllTime:
        break;
    }
    const qint64 earliest = earliestAnswer(scope);
    if (earliest < 0)
        return today;
    return std::min(today, m_calendar.dateOf(earliest));
}

StatisticsReport PracticeStatistics::report(int deckId, StatisticsRange range,
                                            const QDateTime& now) const
{
    StatisticsReport report;
    report.range = range;
    report.today = m_calendar.dateOf(now.toSecsSinceEpoch());
    Scope choice = scope(deckId);
    const QDate first = firstDay(choice, range, report.today);
    const qint64 from = m_calendar.startOf(first);
    const qint64 to = m_calendar.startOf(report.today.addDays(1));

    report.days = countDays(choice, first, report.today);
    countHours(choice, from, to, report);
    for (const DayAnswers& day : std::as_const(report.days)) {
        report.answers += day.answers();
        report.correct += day.correct;
    }
    Condition time{QStringLiteral("+answerTime >= ? AND +answerTime < ?"), {from, to}};
    if (range == StatisticsRange::AllTime) {
        countOutsideDays(choice, to, report);
        time = {QStringLiteral("1"), {}};
    }
    report.streak = streak(choice, report);
    countDue(choice, report);
    countBands(choice, report);
    findHardest(choice, time, report);
    return report;
}

QVector<DayAnswers> PracticeStatistics::countDays(const Scope& scope, const QDate& first,
                                                  const QDate& last) const
{
    // Each local day is a stretch of answer times, counted through the time index: no sorting
    // of the answers, and days of 23 or 25 hours come out right.
    QVector<DayAnswers> days;
    for (QDate day = first; day <= last; day = day.addDays(1))
        days.append({day, 0, 0});
    // Both counts of a day come from one look-up: the answers times 2^32 plus the correct ones.
    const Condition decks = deckCondition(scope, QStringLiteral("deckId"), true);
    const QString counts =
        QStringLiteral("(SELECT COUNT(*) * 4294967296 + COALESCE(SUM(result = 1), 0) FROM "
                       "Knowledge WHERE answerTime >= s AND answerTime < e AND %1)")
            .arg(decks.sql);
    for (int chunk = 0; chunk < days.size(); chunk += DaysPerQuery) {
        const int size = std::min<int>(DaysPerQuery, int(days.size()) - chunk);
        // The day boundaries are numbers computed here, written into the statement: binding
        // thousands of values costs the driver far more than the whole count.
        QStringList rows;
        for (int i = chunk; i < chunk + size; ++i) {
            rows << QStringLiteral("(%1,%2,%3)")
                        .arg(i)
                        .arg(m_calendar.startOf(days.at(i).date))
                        .arg(m_calendar.startOf(days.at(i).date.addDays(1)));
        }
        QSqlQuery query(m_database);
        if (!run(query,
                 QStringLiteral("WITH days(i, s, e) AS (VALUES %1) SELECT i, %2 FROM days")
                     .arg(rows.join(QLatin1Char(',')), counts),
                 decks.values))
            continue;
        while (query.next()) {
            const qint64 packed = query.value(1).toLongLong();
            DayAnswers& day = days[query.value(0).toInt()];
            day.correct = int(packed & 0xffffffff);
            day.wrong = int(packed >> 32) - day.correct;
        }
    }
    return days;
}

void PracticeStatistics::countHours(const Scope& scope, qint64 from, qint64 to,
                                    StatisticsReport& report) const
{
    const Condition decks = deckCondition(scope, QStringLiteral("deckId"), true);
    const QString local = m_calendar.localSecondsSql(TimeColumn, from, to);
    QSqlQuery query(m_database);
    QVariantList values{from, to};
    values << decks.values;
    if (!run(query,
             QStringLiteral("SELECT hour, COUNT(*) FROM (SELECT %1 AS hour FROM Knowledge WHERE "
                            "answerTime >= ? AND answerTime < ? AND %2) GROUP BY hour")
                 .arg(LocalCalendar::hourOfLocalSecondsSql(local), decks.sql),
             values))
        return;
    while (query.next()) {
        const int hour = query.value(0).toInt();
        if (hour >= 0 && hour < 24)
            report.hours[size_t(hour)] = query.value(1).toInt();
    }
}

void PracticeStatistics::countOutsideDays(const Scope& scope, qint64 to,
                                          StatisticsReport& report) const
{
    // All time is every day up to today, and the answers without a time or from after today.
    const Condition decks = deckCondition(scope, QStringLiteral("deckId"), true);
    QVariantList values{to};
    values << decks.values;
    QSqlQuery query(m_database);
    if (run(query,
            QStringLiteral("SELECT TOTAL(answerTime IS NULL), COUNT(*), TOTAL(result = 1) FROM "
                           "Knowledge WHERE (answerTime IS NULL OR answerTime >= ?) AND %1")
                .arg(decks.sql),
            values) &&
        query.next()) {
        report.untimedAnswers = query.value(0).toInt();
        report.answers += query.value(1).toInt();
        report.correct += query.value(2).toInt();
    }
}

int PracticeStatistics::streak(const Scope& scope, const StatisticsReport& report) const
{
    // Counted back over the range's days, then over earlier ones a window at a time until a day
    // without answers ends the run. Today may still be without.
    QVector<DayAnswers> days = report.days;
    int index = int(days.size()) - 1;
    if (index >= 0 && days.at(index).answers() == 0)
        --index;
    int count = 0;
    while (true) {
        while (index >= 0 && days.at(index).answers() > 0) {
            ++count;
            --index;
        }
        if (index >= 0 || days.isEmpty())
            return count;
        const QDate last = days.first().date.addDays(-1);
        days = countDays(scope, last.addDays(1 - StreakWindow), last);
        index = int(days.size()) - 1;
    }
}

void PracticeStatistics::countDue(const Scope& scope, StatisticsReport& report) const
{
    // Due on a day means what the session means by it: due at or before one millisecond past
    // the day's midnight.
    QVector<qint64> limits;
    for (int k = 0; k < DueDays; ++k) {
        const QDate date = report.today.addDays(k);
        report.due.append({date, 0});
        limits.append(m_calendar.startOf(date) * 1000 + 1);
    }
    // One row per knowledge unit, as the session takes one card per unit.
    const Condition decks = deckCondition(scope, QStringLiteral("deckId"), false);
    QSqlQuery query(m_database);
    if (!run(query,
             QStringLiteral("SELECT ku.id, ku.score, ku.lastTimePracticed FROM (SELECT DISTINCT "
                            "kuId FROM Cards WHERE %1) c LEFT JOIN KnowledgeUnits ku ON ku.id = "
                            "c.kuId")
                 .arg(decks.sql),
             decks.values))
        return;
    while (query.next()) {
        // A card whose unit is not stored counts as due, as in a session.
        if (query.value(0).isNull()) {
            ++report.due[0].cards;
            continue;
        }
        const float score = query.value(1).toFloat();
        const qint64 practiced = query.value(2).toLongLong();
        // The first day on which it is due: isDue only turns true as the days go by.
        const auto day = std::partition_point(limits.cbegin(), limits.cend(), [&](qint64 limit) {
            return !Knowledge::isDue(score, practiced, limit);
        });
        if (day != limits.cend())
            ++report.due[int(day - limits.cbegin())].cards;
    }
}

void PracticeStatistics::countBands(Scope& scope, StatisticsReport& report) const
{
    const Condition decks = deckCondition(scope, QStringLiteral("c.deckId"), false);
    QVariantList values{KnownFromScore, MasteredFromScore};
    values << decks.values;
    QSqlQuery query(m_database);
    if (run(query,
            QStringLiteral(
                "SELECT c.deckId, CASE WHEN COALESCE(ku.lastTimePracticed, 0) <= 0 AND "
                "COALESCE(ku.score, 0) <= 0 THEN 0 WHEN ku.score < ? THEN 1 WHEN ku.score < ? "
                "THEN 2 ELSE 3 END AS band, COUNT(*) FROM Cards c LEFT JOIN KnowledgeUnits ku ON "
                "ku.id = c.kuId WHERE %1 GROUP BY c.deckId, band")
                .arg(decks.sql),
            values)) {
        QHash<int, int> position;
        for (int i = 0; i < scope.decks.size(); ++i)
            position.insert(scope.decks.at(i).deckId, i);
        while (query.next()) {
            const auto it = position.constFind(query.value(0).toInt());
            const int band = query.value(1).toInt();
            if (it == position.constEnd() || band < 0 || band > 3)
                continue;
            scope.decks[it.value()].cards[size_t(band)] = query.value(2).toInt();
        }
    }
    report.decks = scope.decks;
    report.cards = 0;
    for (const DeckBands& deck : std::as_const(report.decks))
        report.cards += deck.total();
}

void PracticeStatistics::findHardest(const Scope& scope, const Condition& time,
                                     StatisticsReport& report) const
{
    // Grouped in the order of the index by card: the unary "+" keeps the time and deck
    // conditions from picking another index, which would make SQLite sort every answer first.
    const Condition decks = deckCondition(scope, QStringLiteral("+deckId"), true);
    QVariantList values = time.values;
    values << decks.values << HardestCount;
    QSqlQuery query(m_database);
    if (!run(query,
             QStringLiteral(
                 "SELECT h.cardId, c.kuId, c.deckId, ku.simplified, ku.traditional, ku.pinyin, "
                 "ku.definition, h.wrong, h.answers FROM (SELECT cardId, TOTAL(result <> 1) AS "
                 "wrong, COUNT(*) AS answers FROM Knowledge WHERE %1 AND %2 GROUP BY cardId) h "
                 "JOIN Cards c ON c.id = h.cardId LEFT JOIN KnowledgeUnits ku ON ku.id = c.kuId "
                 "WHERE h.wrong > 0 ORDER BY h.wrong DESC, h.answers, h.cardId LIMIT ?")
                 .arg(time.sql, decks.sql),
             values))
        return;
    while (query.next()) {
        HardCard card;
        card.cardId = query.value(0).toInt();
        card.kuId = query.value(1).toInt();
        card.deckId = query.value(2).toInt();
        card.simplified = query.value(3).toString();
        card.traditional = query.value(4).toString();
        card.pinyin = query.value(5).toString();
        card.definition = query.value(6).toString();
        card.wrong = query.value(7).toInt();
        card.answers = query.value(8).toInt();
        report.hardest.append(card);
    }
}

} // namespace korvo
