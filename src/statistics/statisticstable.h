#pragma once

#include "statistics/statisticsreport.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVector>

namespace korvo {

// One chart's figures as a table: a row per category (a day or a month, a deck, an hour) and a
// column of numbers per series. The statistics screen draws each chart from its table and exports
// the same table as CSV, so that a chart and its file never disagree; quillet-cli prints them.
// A plain value, made from a report by the functions below.
struct StatisticsTable
{
    struct Row
    {
        QString key;   // for files: an ISO date, a month "2024-05", an hour, a deck title
        QString label; // for the chart's axis, short, in the interface language
        QVector<double> values;
        QString longLabel; // for the tooltip: the whole date or month
        QString tip() const { return longLabel.isEmpty() ? label : longLabel; }
        bool operator==(const Row& other) const;
    };

    QString name;        // "answers", "due", "decks" or "hours"
    QString title;       // translated
    QStringList columns; // the category's header, then one per value; translated
    QVector<Row> rows;
    // How many of the value columns are counts stacked in the chart (the rest are drawn apart).
    int stackedColumns = 0;
    // Where a chart that labels only every few rows starts counting: the first row (hours) or
    // the last (days, so that today always has its label).
    bool labelsFromFirst = false;

    // The same figures under the same titles (a NaN rate equals a NaN rate).
    bool operator==(const StatisticsTable& other) const;
    bool operator!=(const StatisticsTable& other) const { return !(*this == other); }

    // A value as the table writes it: counts whole, rates with one decimal, never with a decimal
    // comma; empty for no value (NaN: the correct rate of a day without answers).
    static QString number(double value);
    // The table as CSV (RFC 4180: commas, CRLF line ends, fields quoted when they must be), a
    // header line first. Text that a spreadsheet would take for a formula gets a leading "'".
    QString toCsv() const;
};

// Answers per day (per month for ranges longer than two months): correct, wrong and the correct
// rate in percent (NaN without answers).
StatisticsTable answersTable(const StatisticsReport& report, const QLocale& locale);
// Cards due on each of the next 30 days, today first.
StatisticsTable dueTable(const StatisticsReport& report, const QLocale& locale);
// Cards of each deck by score band.
StatisticsTable decksTable(const StatisticsReport& report);
// Answers by hour of the day, 0 to 23.
StatisticsTable hoursTable(const StatisticsReport& report);

// Whether answersTable() gives months rather than days for the report.
bool groupsByMonth(const StatisticsReport& report);

} // namespace korvo
