#pragma once

#include "statistics/statisticstable.h"

#include <QWidget>

#include <functional>

class QAbstractSeries;
class QBarCategoryAxis;
class QChart;
class QChartView;
class QLabel;

namespace korvo {

class XQPushButton;

// One chart of the statistics screen: its title, the chart drawn with Qt Charts from a
// StatisticsTable (bars, stacked where the table says so; the answers chart also draws the
// correct rate as a line on a second axis), a tooltip with a bar's figures when the pointer rests
// on it, and the buttons "Export as PNG" and "Export as CSV". Colours and fonts come from the
// style sheet section "StatisticsChart". Owned by the statistics screen.
class ChartPanel : public QWidget
{
    Q_OBJECT

public:
    enum class Shape { Columns, Bars };
    // Asks where to save a file: the suggested file name and the file type filter; an empty
    // answer cancels.
    using FileChooser = std::function<QString(const QString& suggestedName, const QString& filter)>;

    ChartPanel(const QString& name, Shape shape, QWidget* parent = nullptr);

    QString name() const { return m_name; }
    void setTable(const StatisticsTable& table);
    const StatisticsTable& table() const { return m_table; }
    QChart* chart() const;
    QChartView* chartView() const { return m_view; }
    // The tooltip text of a row of the table: its whole date (or label) and every column's figure.
    QString toolTipText(int row) const;
    void setFileChooser(const FileChooser& chooser) { m_chooser = chooser; }
    void retranslate();

    // Write the chart as a picture or its table as UTF-8 CSV; false (told in a message box) when
    // the file cannot be written.
    bool exportPng(const QString& path);
    bool exportCsv(const QString& path);

private slots:
    void pngButton_clicked();
    void csvButton_clicked();

private:
    void rebuildChart();
    // The table row that the chart's bar at this position shows.
    int barRow(int bar) const;
    double stackedSum(const StatisticsTable::Row& row) const;
    void labelSparsely(QChart* chart, QBarCategoryAxis* columns, QAbstractSeries* series);
    void addRateLine(QChart* chart, QBarCategoryAxis* columns);
    void applyStyle(QChart* chart) const;
    void showToolTip(bool status, int index);
    QString chooseFile(const QString& extension, const QString& filter) const;

    QString m_name;
    Shape m_shape;
    StatisticsTable m_table;
    QLabel* m_titleLabel;
    XQPushButton* m_pngButton;
    XQPushButton* m_csvButton;
    QChartView* m_view;
    FileChooser m_chooser;
};

} // namespace korvo
