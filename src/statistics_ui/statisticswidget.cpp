#include "statistics_ui/statisticswidget.h"

#include "practice/session.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "statistics/practicestatistics.h"
#include "statistics/statisticstable.h"
#include "style/applicationservices.h"
#include "style/style.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace korvo {

namespace {

constexpr int TreeWidth = 280;
const char* const FigureNames[] = {"streak", "answers", "correctRate", "cards", "dueToday"};

QString rangeButtonName(StatisticsRange range)
{
    return QStringLiteral("range%1Button").arg(rangeKey(range));
}

QLocale interfaceLocale()
{
    return QLocale(TranslationCatalogue::instance()->locale());
}

void clearLayoutSpacing(QLayout* layout)
{
    layout->setContentsMargins(0, 0, 0, 0);
}

} // namespace

StatisticsWidget::StatisticsWidget(Session* session, QWidget* parent)
    : XQWidget(parent), m_session(session), m_clock([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("statisticsWidget"));

    m_deckTree = new QTreeView(this);
    m_deckTree->setObjectName(QStringLiteral("statisticsDeckTree"));
    m_deckModel = new QStandardItemModel(this);
    m_deckTree->setModel(m_deckModel);
    m_deckTree->setHeaderHidden(true);
    m_deckTree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_deckTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_deckTree->setFixedWidth(TreeWidth);
    m_deckTree->setFont(Style::root()->section(QStringLiteral("StatisticsDeckTree"))->font());

    auto* rangeRow = new QHBoxLayout;
    clearLayoutSpacing(rangeRow);
    rangeRow->setSpacing(6);
    for (StatisticsRange range : {StatisticsRange::Week, StatisticsRange::Month,
                                  StatisticsRange::Year, StatisticsRange::AllTime}) {
        auto* button = new XQPushButton(this);
        button->setObjectName(rangeButtonName(range));
        button->setStyleName(QStringLiteral("StatisticsRangeButton"));
        button->setCheckable(true);
        button->setChecked(range == m_range);
        button->setProperty("range", int(range));
        connect(button, &QPushButton::clicked, this, &StatisticsWidget::rangeButton_clicked);
        rangeRow->addWidget(button);
        m_rangeButtons << button;
    }
    rangeRow->addStretch(1);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("statisticsContent"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 12, 12);
    contentLayout->setSpacing(14);
    contentLayout->addWidget(buildSummary());
    // One chart under the other, each as wide as the screen: thirty days of bars need it.
    const QList<std::pair<const char*, ChartPanel::Shape>> panels = {
        {"answers", ChartPanel::Shape::Columns},
        {"due", ChartPanel::Shape::Columns},
        {"hours", ChartPanel::Shape::Columns},
        {"decks", ChartPanel::Shape::Bars}};
    for (const auto& [name, shape] : panels) {
        m_panels << new ChartPanel(QLatin1String(name), shape, content);
        contentLayout->addWidget(m_panels.last());
    }
    contentLayout->addWidget(buildHardestCards());
    contentLayout->addStretch(1);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("statisticsScrollArea"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidget(content);
    // The screen's wood shows through around the charts.
    m_scrollArea->setStyleSheet(QStringLiteral("QScrollArea, #statisticsContent "
                                               "{ background: transparent; }"));

    auto* right = new QVBoxLayout;
    clearLayoutSpacing(right);
    right->setSpacing(10);
    right->addLayout(rangeRow);
    right->addWidget(m_scrollArea, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 0, 0);
    layout->setSpacing(14);
    layout->addWidget(m_deckTree);
    layout->addLayout(right, 1);

    if (Profile* p = profile())
        connect(p, &Profile::deckCollectionChanged, this,
                &StatisticsWidget::profile_deckCollectionChanged);
    buildDeckTree();
    retranslate();
}

Profile* StatisticsWidget::profile() const
{
    return m_session ? m_session->profile() : nullptr;
}

QWidget* StatisticsWidget::buildSummary()
{
    auto* summary = new QWidget;
    summary->setObjectName(QStringLiteral("statisticsSummary"));
    auto* grid = new QGridLayout(summary);
    clearLayoutSpacing(grid);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(0);
    Style* valueStyle = Style::root()->section(QStringLiteral("StatisticsFigure"));
    Style* captionStyle = Style::root()->section(QStringLiteral("StatisticsCaption"));
    int column = 0;
    for (const char* name : FigureNames) {
        auto* value = new QLabel(summary);
        value->setObjectName(QLatin1String(name) + QStringLiteral("Value"));
        valueStyle->applyToWidget(value);
        auto* caption = new QLabel(summary);
        caption->setObjectName(QLatin1String(name) + QStringLiteral("Caption"));
        captionStyle->applyToWidget(caption);
        grid->addWidget(value, 0, column);
        grid->addWidget(caption, 1, column);
        m_figures.append(std::make_pair(value, caption));
        ++column;
    }
    grid->setColumnStretch(column, 1);
    m_untimedLabel = new QLabel(summary);
    m_untimedLabel->setObjectName(QStringLiteral("untimedLabel"));
    captionStyle->applyToWidget(m_untimedLabel);
    m_untimedLabel->setWordWrap(true);
    grid->addWidget(m_untimedLabel, 2, 0, 1, column + 1);
    return summary;
}

QWidget* StatisticsWidget::buildHardestCards()
{
    auto* box = new QWidget;
    box->setObjectName(QStringLiteral("hardestCards"));
    m_hardestTitle = new QLabel(box);
    m_hardestTitle->setObjectName(QStringLiteral("hardestTitleLabel"));
    Style::root()->section(QStringLiteral("StatisticsChartTitle"))->applyToWidget(m_hardestTitle);
    m_practiseButton = new XQPushButton(box);
    m_practiseButton->setObjectName(QStringLiteral("practiseHardestButton"));
    m_practiseButton->setStyleName(QStringLiteral("practiseHardestButton"));
    connect(m_practiseButton, &QPushButton::clicked, this,
            &StatisticsWidget::practiseButton_clicked);
    m_hardestList = new QTreeWidget(box);
    m_hardestList->setObjectName(QStringLiteral("hardestCardsList"));
    m_hardestList->setRootIsDecorated(false);
    m_hardestList->setSelectionMode(QAbstractItemView::NoSelection);
    m_hardestList->setFocusPolicy(Qt::NoFocus);
    m_hardestList->setColumnCount(5);
    m_hardestList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_hardestList->header()->setStretchLastSection(false);
    m_hardestList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_hardestList->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_hardestList->setFont(Style::root()->section(QStringLiteral("StatisticsCardList"))->font());

    auto* header = new QHBoxLayout;
    clearLayoutSpacing(header);
    header->addWidget(m_hardestTitle, 1);
    header->addWidget(m_practiseButton);
    auto* layout = new QVBoxLayout(box);
    clearLayoutSpacing(layout);
    layout->setSpacing(6);
    layout->addLayout(header);
    layout->addWidget(m_hardestList);
    return box;
}

void StatisticsWidget::buildDeckTree()
{
    const QSignalBlocker blocker(m_deckTree->selectionModel());
    m_deckModel->clear();
    auto* all = new QStandardItem(translate(QStringLiteral("All decks")));
    all->setData(PracticeStatistics::AllDecks, Qt::UserRole);
    all->setIcon(QIcon(Style::skinFile(Deck::iconFileName(true))));
    m_deckModel->appendRow(all);
    Profile* p = profile();
    if (p && p->rootDeck()) {
        for (Deck* child : p->rootDeck()->children())
            all->appendRow(child->treeItem(Style::skinFolder()));
    }
    // Long titles are cut off in the narrow tree; the tooltip shows them whole.
    for (QStandardItem* item :
         m_deckModel->findItems(QString(), Qt::MatchContains | Qt::MatchRecursive))
        item->setToolTip(item->text());
    m_deckTree->expandAll();
    if (!selectDeck(m_deckId)) {
        m_deckId = PracticeStatistics::AllDecks;
        selectDeck(m_deckId);
    }
    connect(m_deckTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &StatisticsWidget::deckTree_currentChanged, Qt::UniqueConnection);
}

bool StatisticsWidget::selectDeck(int deckId)
{
    const QModelIndexList found = m_deckModel->match(m_deckModel->index(0, 0), Qt::UserRole, deckId,
                                                     1, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty())
        return false;
    m_deckTree->setCurrentIndex(found.first());
    m_deckTree->scrollTo(found.first());
    return true;
}

void StatisticsWidget::setRange(StatisticsRange range)
{
    if (range == m_range)
        return;
    m_range = range;
    for (XQPushButton* button : std::as_const(m_rangeButtons)) {
        button->setChecked(button->property("range").toInt() == int(range));
        button->update();
    }
    refresh();
}

ChartPanel* StatisticsWidget::chartPanel(const QString& name) const
{
    for (ChartPanel* panel : m_panels) {
        if (panel->name() == name)
            return panel;
    }
    return nullptr;
}

void StatisticsWidget::setFileChooser(const ChartPanel::FileChooser& chooser)
{
    for (ChartPanel* panel : std::as_const(m_panels))
        panel->setFileChooser(chooser);
}

void StatisticsWidget::refresh()
{
    Profile* p = profile();
    if (!p)
        return;
    // Answers of the last half second are counted too.
    if (m_session)
        m_session->saveHistoryItems();
    m_report = PracticeStatistics(p->database(), m_calendar).report(m_deckId, m_range, m_clock());
    showReport();
}

void StatisticsWidget::showReport()
{
    const QLocale locale = interfaceLocale();
    const StatisticsReport& r = m_report;
    const QStringList values = {locale.toString(r.streak), locale.toString(r.answers),
                                r.answers > 0 ? locale.toString(qRound(100 * r.correctRate())) +
                                                    QLatin1Char('%')
                                              : QStringLiteral("–"),
                                locale.toString(r.cards), locale.toString(r.dueToday())};
    for (int i = 0; i < m_figures.size(); ++i)
        m_figures.at(i).first->setText(values.at(i));
    m_untimedLabel->setVisible(r.untimedAnswers > 0);
    m_untimedLabel->setText(
        translate(QStringLiteral("Answers from before answer times were kept, counted in the "
                                 "totals but on no day: %1"))
            .arg(locale.toString(r.untimedAnswers)));
    chartPanel(QStringLiteral("answers"))->setTable(answersTable(r, locale));
    chartPanel(QStringLiteral("due"))->setTable(dueTable(r, locale));
    chartPanel(QStringLiteral("hours"))->setTable(hoursTable(r));
    chartPanel(QStringLiteral("decks"))->setTable(decksTable(r));
    showHardestCards();
}

void StatisticsWidget::showHardestCards()
{
    m_hardestList->clear();
    const QLocale locale = interfaceLocale();
    for (const HardCard& card : m_report.hardest) {
        QString characters = card.simplified;
        if (!card.traditional.isEmpty() && card.traditional != card.simplified)
            characters += QStringLiteral(" (%1)").arg(card.traditional);
        QString definition = card.definition;
        definition.replace(QLatin1Char('/'), QStringLiteral("; "));
        auto* item =
            new QTreeWidgetItem({characters, numberedToMarked(card.pinyin), definition,
                                 locale.toString(card.wrong), locale.toString(card.answers)});
        item->setData(0, Qt::UserRole, card.cardId);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
        m_hardestList->addTopLevelItem(item);
    }
    // The list is as tall as its rows: the screen scrolls, not the list.
    const int rows = std::max<int>(1, int(m_report.hardest.size()));
    const int rowHeight = m_report.hardest.isEmpty() ? m_hardestList->fontMetrics().height() + 4
                                                     : m_hardestList->sizeHintForRow(0);
    m_hardestList->setFixedHeight(m_hardestList->header()->sizeHint().height() +
                                  2 * m_hardestList->frameWidth() + rowHeight * rows);
    m_practiseButton->setEnabled(!m_report.hardest.isEmpty());
}

void StatisticsWidget::retranslate()
{
    const QStringList rangeTexts = {
        translate(QStringLiteral("7 days")), translate(QStringLiteral("30 days")),
        translate(QStringLiteral("12 months")), translate(QStringLiteral("All time"))};
    for (int i = 0; i < m_rangeButtons.size(); ++i) {
        m_rangeButtons.at(i)->setText(rangeTexts.at(i));
        m_rangeButtons.at(i)->setFixedSize(m_rangeButtons.at(i)->sizeHint());
    }
    const QStringList captions = {
        translate(QStringLiteral("Days in a row")), translate(QStringLiteral("Answers")),
        translate(QStringLiteral("Answered correctly")), translate(QStringLiteral("Cards")),
        translate(QStringLiteral("Due today"))};
    for (int i = 0; i < m_figures.size(); ++i)
        m_figures.at(i).second->setText(captions.at(i));
    m_hardestTitle->setText(translate(QStringLiteral("Hardest cards")));
    m_practiseButton->setText(translate(QStringLiteral("Practise these cards")));
    m_practiseButton->setFixedSize(m_practiseButton->sizeHint());
    m_hardestList->setHeaderLabels(
        {translate(QStringLiteral("Characters")), translate(QStringLiteral("Pinyin")),
         translate(QStringLiteral("Meaning")), translate(QStringLiteral("Wrong")),
         translate(QStringLiteral("Answers"))});
    for (ChartPanel* panel : std::as_const(m_panels))
        panel->retranslate();
    if (QStandardItem* all = m_deckModel->item(0))
        all->setText(translate(QStringLiteral("All decks")));
    // The tables carry translated titles and labels.
    if (isVisible())
        showReport();
}

void StatisticsWidget::showEvent(QShowEvent* event)
{
    XQWidget::showEvent(event);
    refresh();
}

void StatisticsWidget::profile_deckCollectionChanged()
{
    buildDeckTree();
    if (isVisible())
        refresh();
}

void StatisticsWidget::deckTree_currentChanged()
{
    const QModelIndex current = m_deckTree->currentIndex();
    if (!current.isValid())
        return;
    const int id = current.data(Qt::UserRole).toInt();
    if (id == m_deckId)
        return;
    m_deckId = id;
    refresh();
}

void StatisticsWidget::rangeButton_clicked()
{
    auto* button = qobject_cast<XQPushButton*>(sender());
    if (button)
        setRange(StatisticsRange(button->property("range").toInt()));
}

void StatisticsWidget::practiseButton_clicked()
{
    if (!m_session || m_report.hardest.isEmpty())
        return;
    QList<int> cardIds;
    for (const HardCard& card : std::as_const(m_report.hardest))
        cardIds << card.cardId;
    m_session->prepareCards(cardIds);
    m_session->start();
    if (ApplicationServices* services = ApplicationServices::instance())
        services->showScreen(QStringLiteral("practice"));
}

} // namespace korvo
