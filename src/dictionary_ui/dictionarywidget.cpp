#include "dictionary_ui/dictionarywidget.h"

#include "audio/pinyinplayer.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary_ui/dictionaryjavascriptbridge.h"
#include "dictionary_ui/dictionarypage.h"
#include "dictionary_ui/dictionarysearch.h"
#include "dictionary_ui/pagetemplates.h"
#include "handwriting_ui/handwritingpad.h"
#include "profile/profile.h"
#include "strokes/strokeanimationdatabase.h"
#include "style/applicationservices.h"
#include "style/dictionaryactionbar.h"
#include "style/style.h"
#include "style/xqpushbutton.h"
#include "text/translationcatalogue.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QShortcut>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlScheme>
#include <QWebEngineView>
#include <unistd.h>

using korvo::ApplicationServices;
using korvo::Dictionary;
using korvo::DictionaryActionBar;
using korvo::Style;
using korvo::translate;

namespace {

const QString PreviousButton = QStringLiteral("dictionaryPreviousButton");
const QString NextButton = QStringLiteral("dictionaryNextButton");

QString pageFolder()
{
    return korvo::Style::skinFolder() + QStringLiteral("/html/dictionary");
}

bool hasStrokeAnimation(QChar character)
{
    ApplicationServices* services = ApplicationServices::instance();
    korvo::StrokeAnimationDatabase* animations =
        services ? services->strokeAnimationDatabase() : nullptr;
    return animations && animations->hasAnimation(QString(character));
}

} // namespace

void DictionaryWidget::prepareWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (QWebEngineUrlScheme::schemeByName("quillet").name() == "quillet")
        return;
    QWebEngineUrlScheme scheme("quillet");
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

DictionaryWidget::DictionaryWidget(Dictionary* dictionary, korvo::Profile* profile, QWidget* parent)
    : XQWidget(parent), m_dictionary(dictionary), m_profile(profile)
{
    setObjectName(QStringLiteral("dictionaryWidget"));
    setTemplateGlobal(QStringLiteral("baseUrl"),
                      QUrl::fromLocalFile(pageFolder() + QLatin1Char('/')).toString());

    m_searchTextInput = new QLineEdit(this);
    m_searchTextInput->setObjectName(QStringLiteral("searchTextInput"));
    m_searchTextInput->setClearButtonEnabled(true);
    Style::root()->section(QStringLiteral("searchTextInput"))->applyToWidget(m_searchTextInput);
    korvo::HandwritingPad::attach(m_searchTextInput);
    m_searchButton = new korvo::XQPushButton(this);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_searchButton->setStyleName(QStringLiteral("searchButton"));

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_pageArea = new QWidget(this);
    m_pageLayout = new QVBoxLayout(m_pageArea);
    m_pageLayout->setContentsMargins(0, 0, 0, 0);
    m_actionBarContainer = new QWidget(this);
    m_actionBarContainer->setObjectName(QStringLiteral("actionBarContainer"));
    m_actionBar = new DictionaryActionBar(m_actionBarContainer);

    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(10, 10, 10, 6);
    searchRow->setSpacing(8);
    searchRow->addWidget(m_searchTextInput, 1);
    searchRow->addWidget(m_searchButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(searchRow);
    layout->addWidget(line);
    layout->addWidget(m_pageArea, 1);
    layout->addWidget(m_actionBarContainer);

    m_bridge = new DictionaryJavaScriptBridge(dictionary, profile, this);

    connect(m_searchTextInput, &QLineEdit::returnPressed, this,
            qOverload<>(&DictionaryWidget::search));
    connect(m_searchButton, &QPushButton::clicked, this, qOverload<>(&DictionaryWidget::search));
    connect(m_actionBar->button(NextButton), &QPushButton::clicked, this,
            &DictionaryWidget::nextButton_clicked);
    connect(m_actionBar->button(PreviousButton), &QPushButton::clicked, this,
            &DictionaryWidget::previousButton_clicked);
    if (m_profile) {
        connect(m_profile, &korvo::Profile::userSettingChanged, this,
                &DictionaryWidget::profile_userSettingChanged);
    }
    auto* back = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Left), this);
    back->setContext(Qt::WidgetWithChildrenShortcut);
    connect(back, &QShortcut::activated, this, &DictionaryWidget::previousButton_clicked);
    auto* forward = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Right), this);
    forward->setContext(Qt::WidgetWithChildrenShortcut);
    connect(forward, &QShortcut::activated, this, &DictionaryWidget::nextButton_clicked);

    if (ApplicationServices* services = ApplicationServices::instance())
        services->addHelpShortcut(this, QStringLiteral("dictionary"));
    retranslate();
    updateNavigationButtons();
}

DictionaryWidget::~DictionaryWidget()
{
    // The page must go before the profile it was made with.
    delete m_webView;
    m_webView = nullptr;
}

void DictionaryWidget::createWebView()
{
    if (m_webView)
        return;
    // A profile of its own, kept in memory only: the pages need no cookies, cache or storage.
    m_webProfile = new QWebEngineProfile(this);
    m_webView = new QWebEngineView(m_pageArea);
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

    QAction* copy = m_page->action(QWebEnginePage::Copy);
    copy->setShortcut(QKeySequence::Copy);
    m_webView->addAction(copy);

    // Queued: a link's search loads a new page, which must not happen inside the web engine's
    // own navigation callback.
    connect(m_page, &DictionaryPage::linkClicked, this, &DictionaryWidget::webView_linkClicked,
            Qt::QueuedConnection);
    connect(m_page, &QWebEnginePage::loadFinished, this, &DictionaryWidget::pageLoaded);
    m_pageLayout->addWidget(m_webView);
    if (m_pageHtml.isEmpty())
        showWelcomePage();
    else
        showPage(m_pageHtml);
}

void DictionaryWidget::showEvent(QShowEvent* event)
{
    XQWidget::showEvent(event);
    createWebView();
    m_searchTextInput->setFocus();
    m_searchTextInput->selectAll();
}

void DictionaryWidget::resizeEvent(QResizeEvent* event)
{
    XQWidget::resizeEvent(event);
    updateLayout();
}

void DictionaryWidget::updateLayout()
{
    XQWidget::updateLayout();
    const int barHeight = m_actionBar->height();
    m_actionBarContainer->setMinimumHeight(barHeight);
    m_actionBar->setGeometry(0, 0, width(), barHeight);
    const int buttonHeight = m_actionBar->button(PreviousButton)->height();
    m_actionBar->layoutButtons(10, barHeight - buttonHeight, 5, 1);
    updateNavigationButtons();
}

void DictionaryWidget::retranslate()
{
    m_actionBar->retranslate();
    m_searchButton->setText(translate("Search"));
    m_searchTextInput->setPlaceholderText(translate("Pinyin, Chinese characters or English"));
    if (m_lastSearch.isEmpty)
        showWelcomePage();
    invalidate();
}

namespace {

// A font family as it can stand between quotes in a style sheet.
QString cssFontFamily(const QString& family)
{
    QString safe;
    for (const QChar c : family) {
        if (c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') ||
            c == QLatin1Char('_'))
            safe += c;
    }
    return safe;
}

} // namespace

ResultPageOptions DictionaryWidget::pageOptions() const
{
    ResultPageOptions options;
    options.pageFolder = pageFolder();
    if (m_profile) {
        options.characterMode = m_profile->setting(QStringLiteral("characterMode")).toString();
        options.pinyinColorization =
            m_profile->setting(QStringLiteral("pinyinColorization")).toString();
        setTemplateGlobal(
            QStringLiteral("chineseFont"),
            cssFontFamily(m_profile->setting(QStringLiteral("chineseFont")).toString()));
    }
    options.hasStrokeAnimation = [](QChar character) { return hasStrokeAnimation(character); };
    return options;
}

void DictionaryWidget::showPage(const QString& html)
{
    m_pageHtml = html;
    if (m_webView)
        m_webView->setHtml(html, QUrl::fromLocalFile(pageFolder() + QLatin1Char('/')));
}

void DictionaryWidget::showWelcomePage()
{
    showPage(renderStatusPage(
        pageOptions(),
        QStringLiteral("<center>%1</center>")
            .arg(translate("Type some pinyin, Chinese characters or English text in the search "
                           "box."))));
}

void DictionaryWidget::search()
{
    search(m_searchTextInput->text(), Dictionary::AutoDetect, 0, 30, false, true);
}

void DictionaryWidget::search(const QString& query, Dictionary::TextType queryType, int pageIndex,
                              int resultsPerPage, bool reuseLastResults, bool saveHistory)
{
    const QString q = query.simplified();
    if (q.isEmpty())
        return;
    createWebView();
    const ResultPageOptions options = pageOptions();
    DictionarySearchResult found;
    found.type = queryType;
    if (reuseLastResults) {
        found.results = m_lastSearch.results;
    } else {
        showPage(renderStatusPage(options, translate("Searching...")));
        QCoreApplication::processEvents();
        found = runSearch(m_dictionary, q, queryType, options.characterMode);
    }
    showPage(renderResults(m_dictionary, options, query, found.type, found.results, found.radical,
                           found.radicalForms, pageIndex, resultsPerPage));

    m_lastSearch = {false, q, found.type, pageIndex, resultsPerPage, found.results};
    if (saveHistory) {
        if (m_historyIndex > 0 && m_historyIndex < m_history.size() - 1)
            m_history.erase(m_history.begin() + m_historyIndex + 1, m_history.end());
        SearchState entry = m_lastSearch;
        entry.results.clear();
        m_history.append(entry);
        m_historyIndex = int(m_history.size()) - 1;
    }
    m_searchTextInput->setText(query);
    updateNavigationButtons();
}

void DictionaryWidget::refreshResults()
{
    if (m_lastSearch.isEmpty)
        return;
    const bool reuse = queryPrefix(m_lastSearch.query) != QLatin1String("radical");
    search(m_lastSearch.query, m_lastSearch.queryType, m_lastSearch.pageIndex,
           m_lastSearch.resultsPerPage, reuse, true);
}

void DictionaryWidget::profile_userSettingChanged(const QString& name)
{
    if (name == QLatin1String("characterMode") || name == QLatin1String("pinyinColorization"))
        refreshResults();
}

void DictionaryWidget::webView_linkClicked(const QUrl& url)
{
    const QUrlQuery items(url);
    const QString action = items.queryItemValue(QStringLiteral("action"), QUrl::FullyDecoded);
    if (action == QLatin1String("search")) {
        const QString type = items.queryItemValue(QStringLiteral("type"));
        Dictionary::TextType textType = Dictionary::AutoDetect;
        if (type == QLatin1String("english"))
            textType = Dictionary::English;
        else if (type == QLatin1String("simplified"))
            textType = Dictionary::Simplified;
        else if (type == QLatin1String("traditional"))
            textType = Dictionary::Traditional;
        search(items.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded), textType, 0, 30,
               false, true);
    } else if (action == QLatin1String("navigate")) {
        const int page = items.queryItemValue(QStringLiteral("page")).toInt();
        search(m_lastSearch.query, m_lastSearch.queryType, page, m_lastSearch.resultsPerPage, true,
               true);
    } else if (action == QLatin1String("viewStrokeOrder")) {
        if (ApplicationServices* services = ApplicationServices::instance())
            services->showStrokeOrder(
                items.queryItemValue(QStringLiteral("characters"), QUrl::FullyDecoded));
    } else if (action == QLatin1String("listen")) {
        ApplicationServices* services = ApplicationServices::instance();
        if (korvo::PinyinPlayer* player = services ? services->pinyinPlayer() : nullptr)
            player->play(items.queryItemValue(QStringLiteral("pinyin"), QUrl::FullyDecoded));
    }
}

void DictionaryWidget::nextButton_clicked()
{
    goToHistoryEntry(m_historyIndex + 1);
}

void DictionaryWidget::previousButton_clicked()
{
    goToHistoryEntry(m_historyIndex - 1);
}

void DictionaryWidget::goToHistoryEntry(int index)
{
    if (index < 0 || index >= m_history.size())
        return;
    m_historyIndex = index;
    const SearchState entry = m_history.at(index);
    search(entry.query, entry.queryType, entry.pageIndex, entry.resultsPerPage, false, false);
}

void DictionaryWidget::updateNavigationButtons()
{
    m_actionBar->button(PreviousButton)->setEnabled(m_historyIndex > 0);
    m_actionBar->button(NextButton)
        ->setEnabled(m_historyIndex >= 0 && m_historyIndex < m_history.size() - 1);
}
