#include "statistics_ui/chartpanel.h"

#include "style/messagebox.h"
#include "style/style.h"
#include "style/xqpushbutton.h"
#include "text/translationcatalogue.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHorizontalStackedBarSeries>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QSaveFile>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace korvo {

namespace {

// Labels on an axis of columns at most; more columns are labelled every few.
constexpr int MostLabels = 16;

QList<QColor> colorList(const QString& text)
{
    QList<QColor> colors;
    for (const QString& name : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QColor color(name.trimmed());
        if (color.isValid())
            colors << color;
    }
    return colors;
}

// An axis top a little above the largest value, at a whole number.
double niceMaximum(double value)
{
    if (value <= 0)
        return 4;
    const double step = std::pow(10.0, std::floor(std::log10(value)));
    return std::ceil(value * 1.1 / step) * step;
}

} // namespace

ChartPanel::ChartPanel(const QString& name, Shape shape, QWidget* parent)
    : QWidget(parent), m_name(name), m_shape(shape)
{
    setObjectName(name + QStringLiteral("Chart"));
    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("chartTitleLabel"));
    // A long title in a narrow window takes two lines rather than pushing the buttons out.
    m_titleLabel->setWordWrap(true);
    Style::root()->section(QStringLiteral("StatisticsChartTitle"))->applyToWidget(m_titleLabel);
    m_pngButton = new XQPushButton(this);
    m_pngButton->setObjectName(QStringLiteral("pngButton"));
    m_csvButton = new XQPushButton(this);
    m_csvButton->setObjectName(QStringLiteral("csvButton"));
    for (XQPushButton* button : {m_pngButton, m_csvButton})
        button->setStyleName(QStringLiteral("StatisticsExportButton"));
    connect(m_pngButton, &QPushButton::clicked, this, &ChartPanel::pngButton_clicked);
    connect(m_csvButton, &QPushButton::clicked, this, &ChartPanel::csvButton_clicked);

    m_view = new QChartView(this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setMinimumHeight(300);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(m_titleLabel, 1);
    header->addWidget(m_pngButton);
    header->addWidget(m_csvButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(header);
    layout->addWidget(m_view, 1);
    retranslate();
}

QChart* ChartPanel::chart() const
{
    return m_view->chart();
}

void ChartPanel::retranslate()
{
    m_pngButton->setText(translate(QStringLiteral("Export as PNG")));
    m_csvButton->setText(translate(QStringLiteral("Export as CSV")));
    for (XQPushButton* button : {m_pngButton, m_csvButton})
        button->setFixedSize(button->sizeHint());
    m_titleLabel->setText(m_table.title);
}

void ChartPanel::setTable(const StatisticsTable& table)
{
    // The cards due and the decks do not change with the range: their charts stay as they are.
    if (table == m_table && !m_table.rows.isEmpty())
        return;
    m_table = table;
    m_titleLabel->setText(table.title);
    if (m_shape == Shape::Bars) {
        // A bar per deck, each tall enough to read its title.
        m_view->setMinimumHeight(std::max(220, 90 + 26 * int(table.rows.size())));
    }
    rebuildChart();
}

namespace {

// The labels of an axis, each once: a label met before (the 1st of two months, two decks of one
// title) or none is told apart by zero-width spaces, which do not show.
void appendUnique(QStringList& labels, QString label)
{
    while (label.isEmpty() || labels.contains(label))
        label += QChar(0x200B);
    labels << label;
}

} // namespace

void ChartPanel::rebuildChart()
{
    auto* chart = new QChart;
    QAbstractBarSeries* bars =
        m_shape == Shape::Bars ? static_cast<QAbstractBarSeries*>(new QHorizontalStackedBarSeries)
                               : static_cast<QAbstractBarSeries*>(new QStackedBarSeries);
    double largest = 0;
    for (int column = 0; column < m_table.stackedColumns; ++column) {
        auto* set = new QBarSet(m_table.columns.value(column + 1));
        for (int i = 0; i < m_table.rows.size(); ++i)
            set->append(m_table.rows.at(barRow(i)).values.value(column));
        connect(set, &QBarSet::hovered, this, &ChartPanel::showToolTip);
        bars->append(set);
    }
    for (const StatisticsTable::Row& row : std::as_const(m_table.rows))
        largest = std::max(largest, stackedSum(row));
    chart->addSeries(bars);

    QStringList categories;
    for (int i = 0; i < m_table.rows.size(); ++i)
        appendUnique(categories, m_table.rows.at(barRow(i)).label);
    auto* categoryAxis = new QBarCategoryAxis;
    categoryAxis->append(categories);
    auto* valueAxis = new QValueAxis;
    valueAxis->setRange(0, niceMaximum(largest));
    valueAxis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(categoryAxis, m_shape == Shape::Bars ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(valueAxis, m_shape == Shape::Bars ? Qt::AlignBottom : Qt::AlignLeft);
    bars->attachAxis(categoryAxis);
    bars->attachAxis(valueAxis);
    if (m_shape == Shape::Columns && m_table.rows.size() > MostLabels)
        labelSparsely(chart, categoryAxis, bars);
    if (m_shape == Shape::Columns && m_table.columns.size() > m_table.stackedColumns + 1)
        addRateLine(chart, categoryAxis);
    chart->legend()->setVisible(m_table.stackedColumns > 1);
    chart->legend()->setAlignment(Qt::AlignTop);
    applyStyle(chart);

    QChart* old = m_view->chart();
    m_view->setChart(chart);
    // The view keeps an empty chart of its own before the first one is set; either way the old
    // one is no longer shown.
    delete old;
}

int ChartPanel::barRow(int bar) const
{
    // Bars are stacked from the bottom up; the table's first row (the tree's first deck) goes on
    // top.
    return m_shape == Shape::Bars ? int(m_table.rows.size()) - 1 - bar : bar;
}

double ChartPanel::stackedSum(const StatisticsTable::Row& row) const
{
    double sum = 0;
    for (int column = 0; column < m_table.stackedColumns; ++column)
        sum += row.values.value(column);
    return sum;
}

// Thirty columns are too narrow for a label each: the columns' own axis shows none, and an axis
// below it labels every few columns (counted back from the last, today, unless the table counts
// from its first) at the middle of the column. The tooltip names each column.
void ChartPanel::labelSparsely(QChart* chart, QBarCategoryAxis* columns, QAbstractSeries* series)
{
    const int rows = int(m_table.rows.size());
    const int step = (rows + MostLabels - 1) / MostLabels;
    columns->setLabelsVisible(false);
    auto* labels = new QCategoryAxis;
    labels->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    labels->setStartValue(-0.5);
    labels->setRange(-0.5, rows - 0.5);
    labels->setGridLineVisible(false);
    QStringList added;
    for (int i = 0; i < rows; ++i) {
        const int counted = m_table.labelsFromFirst ? i : rows - 1 - i;
        if (counted % step != 0)
            continue;
        appendUnique(added, m_table.rows.at(i).label);
        labels->append(added.last(), i);
    }
    chart->addAxis(labels, Qt::AlignBottom);
    series->attachAxis(labels);
}

// A further column is a percentage, drawn as a line over the rows that have counts, on an axis
// of its own on the right.
void ChartPanel::addRateLine(QChart* chart, QBarCategoryAxis* columns)
{
    auto* line = new QLineSeries;
    line->setName(m_table.columns.value(m_table.stackedColumns + 1));
    for (int i = 0; i < m_table.rows.size(); ++i) {
        const StatisticsTable::Row& row = m_table.rows.at(i);
        if (stackedSum(row) > 0)
            line->append(i, row.values.value(m_table.stackedColumns));
    }
    chart->addSeries(line);
    auto* rateAxis = new QValueAxis;
    rateAxis->setRange(0, 100);
    rateAxis->setLabelFormat(QStringLiteral("%d%%"));
    chart->addAxis(rateAxis, Qt::AlignRight);
    line->attachAxis(columns);
    line->attachAxis(rateAxis);
}

void ChartPanel::applyStyle(QChart* chart) const
{
    Style* style = Style::root()->section(objectName());
    const QFont font = style->font();
    const QColor text = style->colorValue(QStringLiteral("color"), QColor(0x5a, 0x41, 0x31));
    const QColor grid = style->colorValue(QStringLiteral("gridColor"), QColor(0xd8, 0xc8, 0xb0));
    chart->setBackgroundBrush(
        style->colorValue(QStringLiteral("backgroundColor"), QColor(0xff, 0xfb, 0xf3)));
    chart->setBackgroundRoundness(4);
    chart->setMargins(QMargins(6, 6, 6, 6));
    chart->legend()->setFont(font);
    chart->legend()->setLabelColor(text);
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsFont(font);
        axis->setLabelsColor(text);
        axis->setGridLineColor(grid);
        axis->setLinePenColor(grid);
    }
    const QList<QColor> colors = colorList(style->stringValue(QStringLiteral("seriesColors")));
    const QColor lineColor = style->colorValue(QStringLiteral("lineColor"), text);
    for (QAbstractSeries* series : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
            const QList<QBarSet*> sets = bars->barSets();
            for (int i = 0; i < sets.size(); ++i) {
                if (i < colors.size()) {
                    sets.at(i)->setColor(colors.at(i));
                    sets.at(i)->setBorderColor(colors.at(i).darker(115));
                }
            }
        } else if (auto* line = qobject_cast<QLineSeries*>(series)) {
            QPen pen(lineColor);
            pen.setWidth(2);
            line->setPen(pen);
            line->setPointsVisible(true);
        }
    }
}

QString ChartPanel::toolTipText(int row) const
{
    if (row < 0 || row >= m_table.rows.size())
        return QString();
    const StatisticsTable::Row& item = m_table.rows.at(row);
    QStringList lines{item.tip()};
    for (int column = 0; column < item.values.size(); ++column) {
        const double value = item.values.at(column);
        const bool rate = column >= m_table.stackedColumns;
        lines << QStringLiteral("%1: %2").arg(m_table.columns.value(column + 1),
                                              rate ? QString::number(value, 'f', 0)
                                                   : QString::number(qint64(value)));
    }
    return lines.join(QLatin1Char('\n'));
}

void ChartPanel::showToolTip(bool status, int index)
{
    if (status)
        QToolTip::showText(QCursor::pos(), toolTipText(barRow(index)), m_view);
    else
        QToolTip::hideText();
}

QString ChartPanel::chooseFile(const QString& extension, const QString& filter) const
{
    const QString suggested = m_name + QLatin1Char('.') + extension;
    if (m_chooser)
        return m_chooser(suggested, filter);
    return QFileDialog::getSaveFileName(window(), translate(QStringLiteral("Export")), suggested,
                                        filter);
}

void ChartPanel::pngButton_clicked()
{
    const QString path =
        chooseFile(QStringLiteral("png"), translate(QStringLiteral("PNG pictures (*.png)")));
    if (!path.isEmpty())
        exportPng(path);
}

void ChartPanel::csvButton_clicked()
{
    const QString path =
        chooseFile(QStringLiteral("csv"), translate(QStringLiteral("CSV tables (*.csv)")));
    if (!path.isEmpty())
        exportCsv(path);
}

bool ChartPanel::exportPng(const QString& path)
{
    const QPixmap picture = m_view->grab();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit())
        return true;
    warning(translate(QStringLiteral("The picture could not be saved as %1.")).arg(path));
    return false;
}

bool ChartPanel::exportCsv(const QString& path)
{
    // With a byte order mark, spreadsheet programs read the Chinese titles as UTF-8.
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + m_table.toCsv().toUtf8();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    warning(translate(QStringLiteral("The table could not be saved as %1.")).arg(path));
    return false;
}

} // namespace korvo
