#pragma once

#include "dictionary/dictionary.h"
#include "dictionary_ui/resultpage.h"
#include "dictionary_ui/searchstate.h"
#include "style/xqwidget.h"

#include <QElapsedTimer>
#include <QList>
#include <QTimer>
#include <QUrl>

class DictionaryJavaScriptBridge;
class QLineEdit;
class QVBoxLayout;
class QWebEngineView;
class ResultPageView;

namespace korvo {
class DictionaryActionBar;
class Profile;
class XQPushButton;
} // namespace korvo

// The dictionary screen: a search line, the result pages in a web view and the action bar with
// the history's Back and Next. Results follow the text as it is typed, after a pause as long as
// a search has lately taken (none when results come within a frame); a typed search joins the
// history when the learner presses Return or stops typing for a moment, so that every keystroke
// does not become a history entry. The text type of a query is detected unless the caller names
// it; results come 30 to a page. The page is loaded once (ahead of time by prepare(), or when
// the screen is first shown) and each search replaces its content. Created by the main window
// and owned by it; the dictionary and the profile are borrowed.
class DictionaryWidget : public korvo::XQWidget
{
    Q_OBJECT

public:
    // Milliseconds without typing after which a typed search joins the history.
    static constexpr int HistoryPause = 1500;

    DictionaryWidget(korvo::Dictionary* dictionary, korvo::Profile* profile,
                     QWidget* parent = nullptr);
    ~DictionaryWidget() override;

    // What the web engine needs before the application object exists: the "quillet" link
    // scheme, shared OpenGL contexts, and no sandbox for the administrator (the sandbox refuses
    // to run as root; the pages shown are the program's own).
    static void prepareWebEngine();

    // Starts the web engine and loads the page while the screen is still hidden, so that the
    // first look at the screen finds a ready page.
    void prepare();

    korvo::DictionaryActionBar* actionBar() const { return m_actionBar; }
    QLineEdit* searchTextInput() const { return m_searchTextInput; }
    korvo::XQPushButton* searchButton() const { return m_searchButton; }
    ResultPageView* resultView() const { return m_resultView; }
    // None until the page was loaded.
    QWebEngineView* webView() const;
    DictionaryJavaScriptBridge* bridge() const;
    const SearchState& lastSearch() const { return m_lastSearch; }
    const QList<SearchState>& history() const { return m_history; }
    int historyIndex() const { return m_historyIndex; }
    // The whole page the screen shows now (as a full load of it would show it).
    QString pageHtml() const;
    // The pause before a typed search runs: short when searches have been quick.
    int typingDelay() const { return typingDelayFor(m_searchCost); }
    // The pause for searches that have lately taken `searchCost` milliseconds: none when they
    // fit a frame, else half as long again, at most 300 ms.
    static int typingDelayFor(double searchCost);
    QTimer* historyTimer() { return &m_historyTimer; }

    void retranslate();

public slots:
    void refreshResults();
    void search();
    void search(const QString& query,
                korvo::Dictionary::TextType queryType = korvo::Dictionary::AutoDetect,
                int pageIndex = 0, int resultsPerPage = 30, bool reuseLastResults = false,
                bool saveHistory = true);
    void webView_linkClicked(const QUrl& url);
    void profile_userSettingChanged(const QString& name);
    void nextButton_clicked();
    void previousButton_clicked();

signals:
    // The page has painted the content of the last search (or status).
    void resultsShown();

protected:
    void updateLayout() override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void searchTextInput_textEdited();
    void typingTimer_timeout();
    void historyTimer_timeout();

private:
    void showContent(const PageContent& content);
    void showWelcomePage();
    ResultPageOptions pageOptions() const;
    void addToHistory();
    void goToHistoryEntry(int index);
    void updateNavigationButtons();

    korvo::Dictionary* m_dictionary;
    korvo::Profile* m_profile;
    QLineEdit* m_searchTextInput;
    korvo::XQPushButton* m_searchButton;
    QWidget* m_actionBarContainer;
    korvo::DictionaryActionBar* m_actionBar;
    ResultPageView* m_resultView;
    SearchState m_lastSearch;
    QList<SearchState> m_history;
    int m_historyIndex = -1;
    // The typed search waits for this timer; the history entry for the other one.
    QTimer m_typingTimer;
    QTimer m_historyTimer;
    // How long the last searches took to make their content, in milliseconds (a running mean).
    double m_searchCost = 0;
};
