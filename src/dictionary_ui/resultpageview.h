#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class DictionaryJavaScriptBridge;
class DictionaryPage;
class QWebChannel;
class QWebEngineProfile;
class QWebEngineView;

namespace korvo {
class Dictionary;
class Profile;
} // namespace korvo

// The parts of a result page that change from one search to the next, as HTML made from the
// skin's templates (every text in them escaped): the status line and the results.
struct PageContent
{
    QString status;
    QString results;
    bool operator==(const PageContent& other) const
    {
        return status == other.status && results == other.results;
    }
};

// A web view showing dictionary result pages. The page itself ("page.html" of the skin) is
// loaded once; each new content replaces the status and result nodes of the page through the
// page bridge, which is far quicker than loading a page, and keeps the page's scripts running.
// Content given before the page is ready is shown as soon as it is. Links are handed on; the
// view's own menu offers only Copy and Select All, so that the page never drifts from what the
// screen shows. The web view is made on first use (or by load()); the dictionary and profile are
// borrowed.
class ResultPageView : public QWidget
{
    Q_OBJECT

public:
    ResultPageView(korvo::Dictionary* dictionary, korvo::Profile* profile,
                   QWidget* parent = nullptr);
    ~ResultPageView() override;

    // Makes the web view and loads the page, if not done yet.
    void load();
    bool isLoaded() const { return m_webView != nullptr; }
    // Loads the page again (its style changed: the Chinese font) and shows the content in it.
    void reload();
    // Whether the page has loaded and its scripts are connected to the bridge.
    bool isReady() const { return m_ready; }

    // Shows the content once the page is loaded and ready (at once when it is).
    void showContent(const PageContent& content);
    PageContent content() const { return m_content; }
    // Grows with every content given; contentShown() names the one the page has painted.
    int contentGeneration() const { return m_generation; }

    QWebEngineView* webView() const { return m_webView; }
    DictionaryJavaScriptBridge* bridge() const { return m_bridge; }
    // The whole page as the view shows it now, made from the page template and the content
    // (what a full load of the same content would show).
    QString pageHtml() const;

signals:
    void linkClicked(const QUrl& url);
    // The page has replaced its nodes with content `generation` and painted it.
    void contentShown(int generation);
    // The page has loaded and connected its scripts.
    void ready();

private slots:
    void bridge_pageReady();

private:
    void loadPage();
    void sendContent();

    korvo::Dictionary* m_dictionary;
    korvo::Profile* m_profile;
    QWebEngineProfile* m_webProfile = nullptr;
    QWebEngineView* m_webView = nullptr;
    DictionaryPage* m_page = nullptr;
    QWebChannel* m_channel = nullptr;
    DictionaryJavaScriptBridge* m_bridge;
    PageContent m_content;
    int m_generation = 0;
    bool m_ready = false;
};
