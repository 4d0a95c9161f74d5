#pragma once

#include "dictionary/dictionary.h"
#include "dictionary_ui/resultpage.h"
#include "dictionary_ui/searchstate.h"
#include "style/xqwidget.h"

#include <QList>
#include <QUrl>

class DictionaryJavaScriptBridge;
class DictionaryPage;
class QLineEdit;
class QWebChannel;
class QWebEngineProfile;
class QWebEngineView;
class QVBoxLayout;

namespace korvo {
class DictionaryActionBar;
class Profile;
class XQPushButton;
} // namespace korvo

// The dictionary screen: a search line, the result pages in a web view and the action bar with
// the history's Back and Next. The text type of a query is detected unless the caller names it;
// results come 30 to a page. The web view is created the first time the screen is shown (or
// searches). Created by the main window on first use and owned by it; the dictionary and the
// profile are borrowed.
class DictionaryWidget : public korvo::XQWidget
{
    Q_OBJECT

public:
    DictionaryWidget(korvo::Dictionary* dictionary, korvo::Profile* profile,
                     QWidget* parent = nullptr);
    ~DictionaryWidget() override;

    // What the web engine needs before the application object exists: the "quillet" link
    // scheme, shared OpenGL contexts, and no sandbox for the administrator (the sandbox refuses
    // to run as root; the pages shown are the program's own).
    static void prepareWebEngine();

    korvo::DictionaryActionBar* actionBar() const { return m_actionBar; }
    QLineEdit* searchTextInput() const { return m_searchTextInput; }
    korvo::XQPushButton* searchButton() const { return m_searchButton; }
    // None until the screen was first shown.
    QWebEngineView* webView() const { return m_webView; }
    DictionaryJavaScriptBridge* bridge() const { return m_bridge; }
    const SearchState& lastSearch() const { return m_lastSearch; }
    const QList<SearchState>& history() const { return m_history; }
    int historyIndex() const { return m_historyIndex; }
    // The page last handed to the web view.
    QString pageHtml() const { return m_pageHtml; }

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
    // The web view finished loading a page.
    void pageLoaded(bool ok);

protected:
    void updateLayout() override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createWebView();
    void showPage(const QString& html);
    void showWelcomePage();
    ResultPageOptions pageOptions() const;
    void goToHistoryEntry(int index);
    void updateNavigationButtons();

    korvo::Dictionary* m_dictionary;
    korvo::Profile* m_profile;
    QLineEdit* m_searchTextInput;
    korvo::XQPushButton* m_searchButton;
    QWidget* m_pageArea;
    QVBoxLayout* m_pageLayout;
    QWidget* m_actionBarContainer;
    korvo::DictionaryActionBar* m_actionBar;
    QWebEngineProfile* m_webProfile = nullptr;
    QWebEngineView* m_webView = nullptr;
    DictionaryPage* m_page = nullptr;
    QWebChannel* m_channel = nullptr;
    DictionaryJavaScriptBridge* m_bridge;
    QString m_pageHtml;
    SearchState m_lastSearch;
    QList<SearchState> m_history;
    int m_historyIndex = -1;
};
