#pragma once

#include "statistics/localcalendar.h"
#include "statistics/statisticsreport.h"
#include "statistics_ui/chartpanel.h"
#include "style/xqwidget.h"

#include <QDateTime>
#include <QList>

#include <functional>

class QLabel;
class QScrollArea;
class QStandardItemModel;
class QTreeView;
class QTreeWidget;

namespace korvo {

class Profile;
class Session;
class XQPushButton;

// The statistics screen: a tree to choose all decks, a folder or a deck, the range (7 days, 30
// days, 12 months, all time), the figures of the choice (days in a row, answers, correct rate,
// cards, cards due today), four charts (answers per day, cards due in the next 30 days, how well
// each deck is known, answers by hour) and the cards with the most wrong answers, with a button
// that starts a practice session on them. The figures are read from the profile whenever the
// screen is shown or the choice changes. Created by the main window on first use and owned by
// it; the session (and through it the profile) is borrowed.
class StatisticsWidget : public XQWidget
{
    Q_OBJECT

public:
    explicit StatisticsWidget(Session* session, QWidget* parent = nullptr);

    // Reads the figures again (answers still waiting in the session are written first).
    void refresh();
    void retranslate();

    int deckId() const { return m_deckId; }
    // Chooses the deck or folder (PracticeStatistics::AllDecks for all) in the tree.
    bool selectDeck(int deckId);
    StatisticsRange range() const { return m_range; }
    void setRange(StatisticsRange range);
    const StatisticsReport& report() const { return m_report; }

    QList<ChartPanel*> chartPanels() const { return m_panels; }
    ChartPanel* chartPanel(const QString& name) const;
    // Replaces the file dialog of every chart's export buttons.
    void setFileChooser(const ChartPanel::FileChooser& chooser);
    // The calendar days are counted in, and the clock that says what today is.
    void setCalendar(const LocalCalendar& calendar) { m_calendar = calendar; }
    void setClock(const std::function<QDateTime()>& clock) { m_clock = clock; }

public slots:
    void profile_deckCollectionChanged();
    void deckTree_currentChanged();
    void rangeButton_clicked();
    void practiseButton_clicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Profile* profile() const;
    void buildDeckTree();
    QWidget* buildSummary();
    QWidget* buildHardestCards();
    void showReport();
    void showHardestCards();

    Session* m_session;
    LocalCalendar m_calendar;
    std::function<QDateTime()> m_clock;
    int m_deckId = 0;
    StatisticsRange m_range = StatisticsRange::Month;
    StatisticsReport m_report;

    QTreeView* m_deckTree;
    QStandardItemModel* m_deckModel;
    QList<XQPushButton*> m_rangeButtons;
    QScrollArea* m_scrollArea;
    // The figures: value and caption labels, by the figure's name.
    QList<std::pair<QLabel*, QLabel*>> m_figures;
    QLabel* m_untimedLabel;
    QList<ChartPanel*> m_panels;
    QLabel* m_hardestTitle;
    QTreeWidget* m_hardestList;
    XQPushButton* m_practiseButton;
};

} // namespace korvo
