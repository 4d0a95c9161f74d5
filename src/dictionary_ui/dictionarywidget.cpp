#include "dictionary_ui/dictionarywidget.h"

#include "audio/pinyinplayer.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary_ui/dictionaryjavascriptbridge.h"
#include "dictionary_ui/dictionarysearch.h"
#include "dictionary_ui/pagetemplates.h"
#include "dictionary_ui/resultpageview.h"
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
#include <QWebEngineUrlScheme>
#include <unistd.h>

using korvo::ApplicationServices;
using korvo::Dictionary;
using korvo::DictionaryActionBar;
using korvo::Style;
using korvo::translate;

namespace {

const QString PreviousButton = QStringLiteral("dictionaryPreviousButton");
const QString NextButton = QStringLiteral("dictionaryNextButton");

bool hasStrokeAnimation(const QString& character)
{
    ApplicationServices* services = ApplicationServices::instance();
    korvo::StrokeAnimationDatabase* animations =
        services ? services->strokeAnimationDatabase() : nullptr;
    return animations && animations->hasAnimation(character);
}

// Searches that come within a frame need no pause; slower ones wait a little longer than they
// take, so that fast typing does not queue searches up.
constexpr double FrameMilliseconds = 16;
constexpr int LongestTypingDelay = 300;

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
                      QUrl::fromLocalFile(dictionaryPageFolder() + QLatin1Char('/')).toString());

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
    m_resultView = new ResultPageView(dictionary, profile, this);
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
    layout->addWidget(m_resultView, 1);
    layout->addWidget(m_actionBarContainer);

    m_typingTimer.setSingleShot(true);
    m_historyTimer.setSingleShot(true);
    m_historyTimer.setInterval(HistoryPause);
    connect(&m_typingTimer, &QTimer::timeout, this, &DictionaryWidget::typingTimer_timeout);
    connect(&m_historyTimer, &QTimer::timeout, this, &DictionaryWidget::historyTimer_timeout);
    connect(m_searchTextInput, &QLineEdit::textEdited, this,
            &DictionaryWidget::searchTextInput_textEdited);
    connect(m_searchTextInput, &QLineEdit::returnPressed, this,
            qOverload<>(&DictionaryWidget::search));
    connect(m_searchButton, &QPushButton::clicked, this, qOverload<>(&DictionaryWidget::search));
    connect(m_resultView, &ResultPageView::linkClicked, this,
            &DictionaryWidget::webView_linkClicked);
    connect(m_resultView, &ResultPageView::contentShown, this, [this](int generation) {
        if (generation == m_resultView->contentGeneration())
            emit resultsShown();
    });
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

DictionaryWidget::~DictionaryWidget() = default;

void DictionaryWidget::prepare()
{
    pageOptions(); // the page's font comes from the settings
    m_resultView->load();
}

QWebEngineView* DictionaryWidget::webView() const
{
    return m_resultView->webView();
}

DictionaryJavaScriptBridge* DictionaryWidget::bridge() const
{
    return m_resultView->bridge();
}

QString DictionaryWidget::pageHtml() const
{
    return m_resultView->pageHtml();
}

void DictionaryWidget::showEvent(QShowEvent* event)
{
    XQWidget::showEvent(event);
    prepare();
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
    else
        refreshResults();
    invalidate();
}

ResultPageOptions DictionaryWidget::pageOptions() const
{
    ResultPageOptions options;
    options.pageFolder = dictionaryPageFolder();
    if (m_profile) {
        options.characterMode = m_profile->setting(QStringLiteral("characterMode")).toString();
        options.pinyinColorization =
            m_profile->setting(QStringLiteral("pinyinColorization")).toString();
        setTemplateGlobal(
            QStringLiteral("chineseFont"),
            cssFontFamily(m_profile->setting(QStringLiteral("chineseFont")).toString()));
    }
    options.hasStrokeAnimation = hasStrokeAnimation;
    return options;
}

void DictionaryWidget::showContent(const PageContent& content)
{
    m_resultView->showContent(content);
}

void DictionaryWidget::showWelcomePage()
{
    showContent(statusContent(
        QStringLiteral("<center>%1</center>")
            .arg(translate("Type some pinyin, Chinese characters or English text in the search "
                           "box."))));
}

int DictionaryWidget::typingDelayFor(double searchCost)
{
    if (searchCost <= FrameMilliseconds)
        return 0;
    return int(std::min<double>(LongestTypingDelay, searchCost * 1.5));
}

void DictionaryWidget::searchTextInput_textEdited()
{
    m_typingTimer.start(typingDelay());
}

void DictionaryWidget::typingTimer_timeout()
{
    const QString text = m_searchTextInput->text();
    if (text.simplified().isEmpty())
        return;
    search(text, Dictionary::AutoDetect, 0, 30, false, false);
    m_historyTimer.start();
}

void DictionaryWidget::historyTimer_timeout()
{
    addToHistory();
}

void DictionaryWidget::search()
{
    m_typingTimer.stop();
    search(m_searchTextInput->text(), Dictionary::AutoDetect, 0, 30, false, true);
}

void DictionaryWidget::search(const QString& query, Dictionary::TextType queryType, int pageIndex,
                              int resultsPerPage, bool reuseLastResults, bool saveHistory)
{
    const QString q = query.simplified();
    if (q.isEmpty())
        return;
    QElapsedTimer clock;
    clock.start();
    prepare();
    const ResultPageOptions options = pageOptions();
    DictionarySearchResult found;
    if (reuseLastResults) {
        found = m_lastSearch.found;
    } else {
        found = runSearch(m_dictionary, q, queryType, options.characterMode);
    }
    showContent(resultContent(m_dictionary, options, query, found, pageIndex, resultsPerPage));
    // Paging and redrawing reuse what the search found: only new searches count.
    if (!reuseLastResults)
        m_searchCost = 0.5 * m_searchCost + 0.5 * double(clock.nsecsElapsed()) / 1e6;

    m_lastSearch = {false, q, found.type, pageIndex, resultsPerPage, found};
    if (saveHistory)
        addToHistory();
    if (m_searchTextInput->text() != query)
        m_searchTextInput->setText(query);
    updateNavigationButtons();
}

// The last search joins the history after the entry shown, dropping the ones after it (but when
// the first entry is shown: then the later ones stay), unless it is that entry.
void DictionaryWidget::addToHistory()
{
    m_historyTimer.stop();
    if (m_lastSearch.isEmpty)
        return;
    if (m_historyIndex >= 0 && m_historyIndex < m_history.size()) {
        const SearchState& shown = m_history.at(m_historyIndex);
        if (shown.query == m_lastSearch.query && shown.queryType == m_lastSearch.queryType &&
            shown.pageIndex == m_lastSearch.pageIndex)
            return;
    }
    if (m_historyIndex > 0 && m_historyIndex < m_history.size() - 1)
        m_history.erase(m_history.begin() + m_historyIndex + 1, m_history.end());
    SearchState entry = m_lastSearch;
    entry.found = DictionarySearchResult();
    m_history.append(entry);
    m_historyIndex = int(m_history.size()) - 1;
    updateNavigationButtons();
}

// The shown results again, with the settings that changed: in place, without a history entry.
void DictionaryWidget::refreshResults()
{
    if (m_lastSearch.isEmpty)
        return;
    // A radical listing depends on the script shown: it is made again.
    const bool reuse = queryPrefix(m_lastSearch.query) != QLatin1String("radical");
    search(m_lastSearch.query, m_lastSearch.queryType, m_lastSearch.pageIndex,
           m_lastSearch.resultsPerPage, reuse, false);
}

void DictionaryWidget::profile_userSettingChanged(const QString& name)
{
    if (name == QLatin1String("characterMode") || name == QLatin1String("pinyinColorization")) {
        refreshResults();
    } else if (name == QLatin1String("chineseFont")) {
        pageOptions();
        m_resultView->reload();
    }
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
        m_typingTimer.stop();
        addToHistory();
        search(items.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded), textType, 0, 30,
               false, true);
    } else if (action == QLatin1String("navigate")) {
        const int page = items.queryItemValue(QStringLiteral("page")).toInt();
        addToHistory();
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
    // A typed search not yet in the history joins it first, so that Back leads to the one before.
    if (m_historyTimer.isActive())
        addToHistory();
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
