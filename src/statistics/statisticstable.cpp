#include "statistics/statisticstable.h"

#include "text/translationcatalogue.h"

#include <QMap>

#include <cmath>

namespace korvo {

namespace {

// Longer ranges are shown by month: a bar per day would be too thin to read.
constexpr int MostDaysShown = 62;

QString csvField(const QString& text)
{
    QString field = text;
    // A cell starting like a formula would be run by a spreadsheet.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!field.isEmpty() && formulaStarts.contains(field.front()))
        field.prepend(QLatin1Char('\''));
    if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
        field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))) {
        field.replace(QLatin1String("\""), QLatin1String("\"\""));
        field = QLatin1Char('"') + field + QLatin1Char('"');
    }
    return field;
}

QString csvNumber(double value)
{
    // Whole counts as integers, rates with one decimal; never the locale's decimal comma. A rate
    // of no answers is no number.
    if (std::isnan(value))
        return QString();
    if (value == double(qint64(value)))
        return QString::number(qint64(value));
    return QString::number(value, 'f', 1);
}

// A day on a chart's axis: the weekday and the day when there are few, else the day of the month
// alone, so that thirty of them fit side by side (the tooltip names the whole date).
QString dayLabel(const QDate& date, bool fewDays, const QLocale& locale)
{
    if (fewDays)
        return locale.toString(date, QStringLiteral("ddd d"));
    return QString::number(date.day());
}

double percent(int part, int whole)
{
    return whole > 0 ? 100.0 * part / whole : std::nan("");
}

} // namespace

bool StatisticsTable::Row::operator==(const Row& other) const
{
    if (key != other.key || label != other.label || longLabel != other.longLabel ||
        values.size() != other.values.size())
        return false;
    for (int i = 0; i < values.size(); ++i) {
        const double a = values.at(i);
        const double b = other.values.at(i);
        if (a != b && !(std::isnan(a) && std::isnan(b)))
            return false;
    }
    return true;
}

bool StatisticsTable::operator==(const StatisticsTable& other) const
{
    return name == other.name && title == other.title && columns == other.columns &&
           stackedColumns == other.stackedColumns && labelsFromFirst == other.labelsFromFirst &&
           rows == other.rows;
}

QString StatisticsTable::number(double value)
{
    return csvNumber(value);
}

QString StatisticsTable::toCsv() const
{
    QStringList lines;
    QStringList header;
    for (const QString& column : columns)
        header << csvField(column);
    lines << header.join(QLatin1Char(','));
    for (const Row& row : rows) {
        QStringList fields{csvField(row.key)};
        for (double value : row.values)
            fields << csvNumber(value);
        lines << fields.join(QLatin1Char(','));
    }
    return lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

bool groupsByMonth(const StatisticsReport& report)
{
    return report.days.size() > MostDaysShown;
}

StatisticsTable answersTable(const StatisticsReport& report, const QLocale& locale)
{
    StatisticsTable table;
    table.name = QStringLiteral("answers");
    table.title = translate(QStringLiteral("Answers per day"));
    table.stackedColumns = 2;
    const bool months = groupsByMonth(report);
    if (months)
        table.title = translate(QStringLiteral("Answers per month"));
    table.columns = {months ? translate(QStringLiteral("Month")) : translate(QStringLiteral("Day")),
                     translate(QStringLiteral("Correct")), translate(QStringLiteral("Wrong")),
                     translate(QStringLiteral("Correct rate (%)"))};
    // Days in order; months collect their days.
    QMap<QDate, std::pair<int, int>> groups;
    for (const DayAnswers& day : report.days) {
        const QDate key = months ? QDate(day.date.year(), day.date.month(), 1) : day.date;
        auto& counts = groups[key];
        counts.first += day.correct;
        counts.second += day.wrong;
    }
    const bool fewDays = groups.size() <= 7;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        const int correct = it.value().first;
        const int wrong = it.value().second;
        const QDate date = it.key();
        StatisticsTable::Row row;
        if (months) {
            row.key = date.toString(QStringLiteral("yyyy-MM"));
            // The year where it starts and where it changes.
            const bool withYear = it == groups.cbegin() || date.month() == 1;
            row.label =
                locale.toString(date, withYear ? QStringLiteral("MMM yy") : QStringLiteral("MMM"));
            row.longLabel = locale.toString(date, QStringLiteral("MMMM yyyy"));
        } else {
            row.key = date.toString(Qt::ISODate);
            row.label = dayLabel(date, fewDays, locale);
            row.longLabel = locale.toString(date, QLocale::LongFormat);
        }
        row.values = {double(correct), double(wrong), percent(correct, correct + wrong)};
        table.rows.append(row);
    }
    return table;
}

StatisticsTable dueTable(const StatisticsReport& report, const QLocale& locale)
{
    StatisticsTable table;
    table.name = QStringLiteral("due");
    table.title = translate(QStringLiteral("Cards due in the next 30 days"));
    table.columns = {translate(QStringLiteral("Day")), translate(QStringLiteral("Cards due"))};
    table.stackedColumns = 1;
    for (const DueDay& day : report.due) {
        StatisticsTable::Row row;
        row.key = day.date.toString(Qt::ISODate);
        row.label = dayLabel(day.date, false, locale);
        row.longLabel = locale.toString(day.date, QLocale::LongFormat);
        if (day.date == report.today)
            row.longLabel =
                translate(QStringLiteral("Today")) + QStringLiteral(", ") + row.longLabel;
        row.values = {double(day.cards)};
        table.rows.append(row);
    }
    return table;
}

StatisticsTable decksTable(const StatisticsReport& report)
{
    StatisticsTable table;
    table.name = QStringLiteral("decks");
    table.title = translate(QStringLiteral("How well each deck is known"));
    table.columns = {translate(QStringLiteral("Deck")), translate(QStringLiteral("New cards")),
                     translate(QStringLiteral("Learning")), translate(QStringLiteral("Known")),
                     translate(QStringLiteral("Mastered"))};
    table.stackedColumns = 4;
    for (const DeckBands& deck : report.decks) {
        StatisticsTable::Row row;
        row.key = deck.title;
        row.label = deck.title;
        for (int count : deck.cards)
            row.values.append(count);
        table.rows.append(row);
    }
    return table;
}

StatisticsTable hoursTable(const StatisticsReport& report)
{
    StatisticsTable table;
    table.name = QStringLiteral("hours");
    table.title = translate(QStringLiteral("Answers by hour of the day"));
    table.columns = {translate(QStringLiteral("Hour")), translate(QStringLiteral("Answers"))};
    table.stackedColumns = 1;
    table.labelsFromFirst = true;
    for (int hour = 0; hour < 24; ++hour) {
        StatisticsTable::Row row;
        row.key = QString::number(hour);
        row.label = QString::number(hour);
        row.values = {double(report.hours[size_t(hour)])};
        table.rows.append(row);
    }
    return table;
}

} // namespace korvo
