#include "dictionary_ui/resultpageview.h"

#include "dictionary_ui/dictionaryjavascriptbridge.h"
#include "dictionary_ui/dictionarypage.h"
#include "dictionary_ui/pagetemplates.h"
#include "dictionary_ui/resultpage.h"
#include "text/translationcatalogue.h"

#include <QAction>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

ResultPageView::ResultPageView(korvo::Dictionary* dictionary, korvo::Profile* profile,
                               QWidget* parent)
    : QWidget(parent), m_dictionary(dictionary), m_profile(profile),
      m_bridge(new DictionaryJavaScriptBridge(dictionary, profile, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(m_bridge, &DictionaryJavaScriptBridge::pageScriptsReady, this,
            &ResultPageView::bridge_pageReady);
    connect(m_bridge, &DictionaryJavaScriptBridge::contentPainted, this,
            &ResultPageView::contentShown);
}

ResultPageView::~ResultPageView()
{
    // The page must go before the profile it was made with.
    delete m_webView;
    m_webView = nullptr;
}

void ResultPageView::load()
{
    if (m_webView)
        return;
    // A profile of its own, kept in memory only: the pages need no cookies, cache or storage.
    m_webProfile = new QWebEngineProfile(this);
    m_webView = new QWebEngineView(this);
    m_webView->setObjectName(QStringLiteral("webView"));
    m_page = new DictionaryPage(m_webProfile, m_webView);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    m_webView->setPage(m_page);
    m_channel = new QWebChannel(m_page);
    m_channel->registerObject(QStringLiteral("kvbridge"), m_bridge);
    m_page->setWebChannel(m_channel);

    // Copy and Select All only: Back, Forward and Reload would take the page away from what
    // the screen shows.
    m_webView->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (const auto& [action, keys] :
         {std::pair{QWebEnginePage::Copy, QKeySequence::Copy},
          std::pair{QWebEnginePage::SelectAll, QKeySequence::SelectAll}}) {
        QAction* pageAction = m_page->action(action);
        pageAction->setShortcut(keys);
        m_webView->addAction(pageAction);
    }

    // Queued: a link's search changes the page, which must not happen inside the web engine's
    // own navigation callback.
    connect(m_page, &DictionaryPage::linkClicked, this, &ResultPageView::linkClicked,
            Qt::QueuedConnection);
    layout()->addWidget(m_webView);
    loadPage();
}

void ResultPageView::reload()
{
    if (m_webView)
        loadPage();
}

// An empty page: the content arrives through the bridge once the page's scripts are connected.
void ResultPageView::loadPage()
{
    m_ready = false;
    m_webView->setHtml(renderPage(PageContent()),
                       QUrl::fromLocalFile(dictionaryPageFolder() + QLatin1Char('/')));
}

void ResultPageView::showContent(const PageContent& content)
{
    m_content = content;
    ++m_generation;
    sendContent();
}

void ResultPageView::bridge_pageReady()
{
    m_ready = true;
    emit ready();
    sendContent();
}

void ResultPageView::sendContent()
{
    if (m_ready)
        emit m_bridge->contentChanged(m_content.status, m_content.results, m_generation);
}

QString ResultPageView::pageHtml() const
{
    return renderPage(m_content);
}
