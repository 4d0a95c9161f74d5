#include "audio/pinyinplayer.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary_ui/dictionaryjavascriptbridge.h"
#include "dictionary_ui/dictionarywidget.h"
#include "dictionary_ui/resultpage.h"
#include "dictionary_ui/resultpageview.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "strokes/strokeanimationdatabase.h"
#include "style/applicationservices.h"
#include "style/dictionaryactionbar.h"
#include "style/style.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"
#include "webpagetestsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

using namespace korvo;

namespace {

// The status and result nodes of a page, with the example sentences (filled in later by the page)
// left out.
const QString NodesScript = QStringLiteral(
    "(function() { const results = document.getElementById('results').cloneNode(true);"
    " results.querySelectorAll('#sentences').forEach(e => e.replaceChildren());"
    " return document.getElementById('status').innerHTML + '\\n' + results.innerHTML; })()");

// Records the screen's requests to the application; plays through a real player.
class RecordingServices : public ApplicationServices
{
public:
    Profile* profileObject = nullptr;
    Dictionary* dictionaryObject = nullptr;
    PinyinPlayer* player = nullptr;
    QStringList strokeOrders;

    Profile* profile() const override { return profileObject; }
    Dictionary* dictionary() const override { return dictionaryObject; }
    PinyinPlayer* pinyinPlayer() override { return player; }
    StrokeAnimationDatabase* strokeAnimationDatabase() override
    {
        if (!animations)
            animations = std::make_unique<StrokeAnimationDatabase>(
                QStringLiteral(QUILLET_DATA_DIR "/Animations.db"));
        return animations.get();
    }
    std::unique_ptr<StrokeAnimationDatabase> animations;
    void showAbout() override {}
    void showSessionDialog() override {}
    void showOptions() override {}
    int editCard(DeckCard*, int) override { return 0; }
    Deck* editDeck(Deck*, Deck*) override { return nullptr; }
    void showStrokeOrder(const QString& text) override { strokeOrders << text; }
    void showHelp(const QString&) override {}
    void addHelpShortcut(QWidget*, const QString&) override {}
    void showScreen(const QString&) override {}
    void searchDictionary(const QString&) override {}
};

} // namespace

// The real dictionary screen on the shipped dictionary, through one web view shared by every
// case (a web view takes seconds to start).
class TestDictionaryWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void showsTheWelcomePageWithTheFocusInTheSearchLine();
    void detectsTheTypeOfWhatIsTyped_data();
    void detectsTheTypeOfWhatIsTyped();
    void aCharacterNoRadicalSaysSo();
    void radicalListingShowsTheRadicalsCharacters();
    void pagesSplitTheResultsAndLinksMoveBetweenThem();
    void aPageBeyondTheResultsKeepsBothLinks();
    void bothScriptsShowTwoSpans();
    void pinyinIsColouredByToneWhenAsked();
    void historyGoesBackAndDropsTheEntriesAfterANewSearch();
    void firstHistoryEntryKeepsTheLaterOnes();
    void hostileQueryShowsAsText();
    void linksReachTheScreen();
    void characterBoxShowsItsFactsAndSentences();
    void bridgeAnswersPageScripts();
    void ctrlCCopiesTheSelectedText();
    void typingPauseFollowsTheSearchCost();
    void resultsFollowTheTypingWithoutAHistoryEntryPerKey();
    void anUpdatedPageEqualsAFullLoad();
    void theContextMenuOffersOnlyCopyAndSelectAll();
    void scriptAndColourChangesRedrawInPlace();
    void wordsShowExampleSentences();
    void measureWordsAndReferencesAreReadable();
    void simplifiedRadicalsListTheirCharactersAcrossPages();

private:
    void type(const QString& text);
    // The loaded page's HTML once it contains `marker`.
    QString loadedHtml(const QString& marker);
    QVariant evaluate(const QString& script);
    // A real mouse click on the first element the selector finds.
    void clickElement(const QString& selector);

    QTemporaryDir m_folder;
    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<PinyinPlayer> m_player;
    RecordingServices m_services;
    std::unique_ptr<DictionaryWidget> m_screen;
};

void TestDictionaryWidget::initTestCase()
{
    initPinyinTables();
    Style::setSkinFolder(QStringLiteral(QUILLET_DATA_DIR "/skins/default"));
    m_dictionary = std::make_unique<Dictionary>();
    QVERIFY(m_dictionary->open(QStringLiteral(QUILLET_DATA_DIR "/Dictionary.db")));
    m_profile = profiletest::openProfile(m_folder.filePath("profile"),
                                         QStringLiteral(QUILLET_DATA_DIR "/Profile.default.db"));
    m_player = std::make_unique<PinyinPlayer>(QStringLiteral(QUILLET_DATA_DIR "/pinyin"));
    m_services.profileObject = m_profile.get();
    m_services.dictionaryObject = m_dictionary.get();
    m_services.player = m_player.get();
    ApplicationServices::setInstance(&m_services);

    m_screen = std::make_unique<DictionaryWidget>(m_dictionary.get(), m_profile.get());
    QVERIFY(!m_screen->webView());
    m_screen->resize(1000, 700);
    m_screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
    QVERIFY(m_screen->webView());
}

void TestDictionaryWidget::cleanupTestCase()
{
    m_screen.reset();
    ApplicationServices::setInstance(nullptr);
    m_player.reset();
    m_profile.reset();
    m_dictionary.reset();
    Style::destroyRoot();
}

void TestDictionaryWidget::init()
{
    m_profile->setSetting("characterMode", "simplified");
    m_profile->setSetting("pinyinColorization", "pinyin");
}

void TestDictionaryWidget::type(const QString& text)
{
    QLineEdit* input = m_screen->searchTextInput();
    input->setFocus();
    input->selectAll();
    QTest::keyClick(input, Qt::Key_Delete);
    // Key events carry only Latin-1 text; characters and tone marks arrive as an input method
    // commits them.
    bool latin1 = true;
    for (const QChar c : text)
        latin1 = latin1 && c.unicode() < 0x80;
    if (latin1)
        QTest::keyClicks(input, text);
    else
        input->insert(text);
    QTest::keyClick(input, Qt::Key_Return);
}

QVariant TestDictionaryWidget::evaluate(const QString& script)
{
    return webtest::evaluate(m_screen->webView(), script);
}

void TestDictionaryWidget::clickElement(const QString& selector)
{
    QVERIFY2(webtest::clickElement(m_screen->webView(), selector), qPrintable(selector));
}

QString TestDictionaryWidget::loadedHtml(const QString& marker)
{
    // The page shows the screen's last content first; then its markup is read.
    const int generation = m_screen->resultView()->contentGeneration();
    if (!QTest::qWaitFor([&] {
            return evaluate("document.body && document.body.getAttribute('data-generation')")
                       .toInt() == generation;
        }))
        qWarning("the page did not show content %d", generation);
    return webtest::loadedHtml(m_screen->webView(), marker);
}

void TestDictionaryWidget::showsTheWelcomePageWithTheFocusInTheSearchLine()
{
    const QString html = loadedHtml("Type some pinyin");
    QVERIFY(
        html.contains("Type some pinyin, Chinese characters or English text in the search box."));
    QVERIFY(m_screen->searchTextInput()->hasFocus());
    QCOMPARE(m_screen->searchButton()->text(), QStringLiteral("Search"));
    auto* bar = m_screen->actionBar();
    QCOMPARE(bar->button("dictionaryPreviousButton")->text(), QStringLiteral("Back"));
    QVERIFY(!bar->button("dictionaryPreviousButton")->isEnabled());
    QVERIFY(!bar->button("dictionaryNextButton")->isEnabled());
}

void TestDictionaryWidget::detectsTheTypeOfWhatIsTyped_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("expectedType");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("first");

    QTest::newRow("tone numbers") << "zhong1 guo2" << 3 << "Showing results for <b>pinyin</b>"
                                  << "中国";
    QTest::newRow("no tones") << "zhongguo" << 4 << "Showing results for <b>pinyin</b>"
                              << "中国";
    QTest::newRow("tone marks") << "nǐ hǎo" << 3 << "<b>pinyin</b>"
                                << "你好";
    QTest::newRow("English word") << "cat" << 5 << "Showing results for <b>English word</b>"
                                  << "猫";
    QTest::newRow("not pinyin") << "friend" << 5 << "<b>English word</b>"
                                << "朋友";
    QTest::newRow("characters") << "学习" << 0 << "<b>simplified characters</b>"
                                << "学习";
    QTest::newRow("traditional") << "學習" << 1 << "<b>traditional characters</b>"
                                 << "学习";
    QTest::newRow("nothing") << "qqqxqqq" << 5 << "No results found for \"<b>qqqxqqq</b>\""
                             << "";
}

void TestDictionaryWidget::detectsTheTypeOfWhatIsTyped()
{
    QFETCH(QString, query);
    QFETCH(int, expectedType);
    QFETCH(QString, status);
    QFETCH(QString, first);

    type(query);
    const QString html = loadedHtml(QStringLiteral("<b>%1</b>").arg(query));
    QVERIFY2(html.contains(status), qPrintable(html.left(2000)));
    QCOMPARE(int(m_screen->lastSearch().queryType), expectedType);
    QCOMPARE(m_screen->searchTextInput()->text(), query);
    if (!first.isEmpty()) {
        // The best match is among the first three results.
        const QStringList top = evaluate("Array.from(document.querySelectorAll('.result "
                                         ".resultCharacters')).slice(0, 3).map(e => "
                                         "e.textContent.trim()).join(' ')")
                                    .toString()
                                    .split(' ');
        QVERIFY2(top.contains(first), qPrintable(top.join(' ')));
    } else {
        QCOMPARE(evaluate("document.querySelectorAll('.result').length").toInt(), 0);
    }
}

void TestDictionaryWidget::aCharacterNoRadicalSaysSo()
{
    type("radical:好");
    const QString html = loadedHtml("is not a radical");
    QVERIFY(html.contains("\"<b>好</b>\" is not a radical."));
    QCOMPARE(evaluate("document.querySelectorAll('.result').length").toInt(), 0);
}

void TestDictionaryWidget::radicalListingShowsTheRadicalsCharacters()
{
    type("radical:水");
    const QString html = loadedHtml("Showing characters with <b>radical \"水\"</b>");
    QVERIFY(html.contains("Radical 85"));
    const QStringList shown =
        evaluate("Array.from(document.querySelectorAll('.result .resultCharacters'))"
                 ".map(e => e.textContent.trim()).join(' ')")
            .toString()
            .split(' ');
    QCOMPARE(shown.size(), 30);
    const QList<KnowledgeUnit*> listed = m_screen->lastSearch().found.results.all();
    for (const char* character : {"法", "海"})
        QVERIFY2(listed.size() > 30 && std::any_of(listed.begin(), listed.end(),
                                                   [&](KnowledgeUnit* unit) {
                                                       return unit->simplified() ==
                                                              QString::fromUtf8(character);
                                                   }),
                 character);
}

// A query with n results shown n - 1 to a page: two pages, the second with one item.
void TestDictionaryWidget::pagesSplitTheResultsAndLinksMoveBetweenThem()
{
    const QList<KnowledgeUnit*> all = m_dictionary->lookup(Dictionary::AutoDetect, "cat").units;
    const int perPage = int(all.size()) - 1;
    QVERIFY(perPage >= 2);
    m_screen->search("cat", Dictionary::AutoDetect, 0, perPage);
    loadedHtml("<b>English word</b>");
    QCOMPARE(evaluate("document.querySelectorAll('.result').length").toInt(), perPage);
    QVERIFY(evaluate("document.querySelector('a.previous').classList.contains('hide')").toBool());
    QVERIFY(!evaluate("document.querySelector('a.next').classList.contains('hide')").toBool());

    evaluate("document.querySelector('a.next').scrollIntoView()");
    clickElement("a.next");
    QTRY_COMPARE(m_screen->lastSearch().pageIndex, 1);
    loadedHtml("quillet://?action=navigate&amp;page=0");
    QCOMPARE(evaluate("document.querySelectorAll('.result').length").toInt(), 1);
    QVERIFY(!evaluate("document.querySelector('a.previous').classList.contains('hide')").toBool());
    QVERIFY(evaluate("document.querySelector('a.next').classList.contains('hide')").toBool());
    // Paging reuses the results and is a history entry of its own.
    QCOMPARE(m_screen->lastSearch().found.results.all(), all);
    QCOMPARE(m_screen->history().last().pageIndex, 1);
}

void TestDictionaryWidget::aPageBeyondTheResultsKeepsBothLinks()
{
    m_screen->search("cat");
    loadedHtml("<b>English word</b>");
    m_screen->webView_linkClicked(QUrl("quillet://?action=navigate&page=40"));
    loadedHtml("action=navigate&amp;page=41");
    QCOMPARE(evaluate("document.querySelectorAll('.result').length").toInt(), 0);
    QVERIFY(!evaluate("document.querySelector('a.previous').classList.contains('hide')").toBool());
    QVERIFY(!evaluate("document.querySelector('a.next').classList.contains('hide')").toBool());
}

void TestDictionaryWidget::bothScriptsShowTwoSpans()
{
    type("xue2 xi2");
    loadedHtml("<b>xue2 xi2</b>");
    m_profile->setSetting("characterMode", "both");
    const QString html = loadedHtml("学习</span> / <span class=\"definitionChar\">學習");
    QVERIFY(html.contains("<a class=\"resultCharacters \" href="));
    QCOMPARE(
        evaluate("document.querySelector('.result .resultCharacters').children.length").toInt(), 2);
    m_profile->setSetting("characterMode", "traditional");
    loadedHtml(">學習</a>");
}

void TestDictionaryWidget::pinyinIsColouredByToneWhenAsked()
{
    type("ma1");
    loadedHtml("<b>ma1</b>");
    QCOMPARE(evaluate("document.querySelector('.result .pinyin span').className").toString(),
             QStringLiteral("tone1"));
    QCOMPARE(evaluate("getComputedStyle(document.querySelector('.result .pinyin span')).color")
                 .toString(),
             QStringLiteral("rgb(255, 33, 33)"));
    m_profile->setSetting("pinyinColorization", "none");
    loadedHtml("<div class=\"pinyin\" data-pinyin=\"ma1\">mā <a");
    QCOMPARE(evaluate("document.querySelectorAll('.result .pinyin span').length").toInt(), 0);
}

void TestDictionaryWidget::historyGoesBackAndDropsTheEntriesAfterANewSearch()
{
    const int before = int(m_screen->history().size());
    type("one");
    loadedHtml("\"<b>one</b>\"");
    type("two");
    loadedHtml("\"<b>two</b>\"");
    type("three");
    loadedHtml("\"<b>three</b>\"");
    QCOMPARE(m_screen->history().size(), before + 3);

    QTest::keyClick(m_screen->searchTextInput(), Qt::Key_Left, Qt::AltModifier);
    QTRY_COMPARE(m_screen->searchTextInput()->text(), QStringLiteral("two"));
    QCOMPARE(m_screen->historyIndex(), before + 1);
    QVERIFY(m_screen->actionBar()->button("dictionaryNextButton")->isEnabled());
    QTest::keyClick(m_screen->searchTextInput(), Qt::Key_Right, Qt::AltModifier);
    QTRY_COMPARE(m_screen->searchTextInput()->text(), QStringLiteral("three"));
    QTest::mouseClick(m_screen->actionBar()->button("dictionaryPreviousButton"), Qt::LeftButton);
    QTRY_COMPARE(m_screen->searchTextInput()->text(), QStringLiteral("two"));

    type("four");
    loadedHtml("\"<b>four</b>\"");
    QStringList queries;
    for (const SearchState& entry : m_screen->history())
        queries << entry.query;
    QCOMPARE(queries.mid(before), (QStringList{"one", "two", "four"}));
    QVERIFY(!m_screen->actionBar()->button("dictionaryNextButton")->isEnabled());
    QVERIFY(m_screen->history().last().found.results.isEmpty());
}

void TestDictionaryWidget::firstHistoryEntryKeepsTheLaterOnes()
{
    while (m_screen->historyIndex() > 0)
        m_screen->previousButton_clicked();
    const int size = int(m_screen->history().size());
    const QString first = m_screen->history().first().query;
    QTRY_COMPARE(m_screen->searchTextInput()->text(), first);
    type("five");
    loadedHtml("\"<b>five</b>\"");
    QCOMPARE(m_screen->history().size(), size + 1);
    QCOMPARE(m_screen->history().last().query, QStringLiteral("five"));
}

// A query is text: it never becomes markup or script in the page, nor reaches the bridge.
void TestDictionaryWidget::hostileQueryShowsAsText()
{
    const QString hostile = "<img src=x onerror=\"kvbridge.translate('x')\">";
    type(hostile);
    const QString html = loadedHtml("No results found");
    QVERIFY(html.contains("&lt;img src=x onerror="));
    QCOMPARE(evaluate("document.querySelectorAll('img').length").toInt(), 0);
    QCOMPARE(evaluate("document.getElementById('status').textContent").toString(),
             QStringLiteral("No results found for \"%1\"").arg(hostile));
    type("</b><script>document.title='owned'</script>");
    loadedHtml("&lt;/b&gt;&lt;script&gt;");
    QCOMPARE(evaluate("document.scripts.length").toInt(), 2);
    QVERIFY(evaluate("document.title").toString() != QStringLiteral("owned"));
}

// Clicks in the page reach the screen: search, paging, listen and stroke order.
void TestDictionaryWidget::linksReachTheScreen()
{
    type("ni3 hao3");
    loadedHtml("<b>ni3 hao3</b>");
    clickElement(".result a.listen");
    QTRY_COMPARE(m_player->playList(),
                 (QStringList{QStringLiteral(QUILLET_DATA_DIR "/pinyin/ni3.mp3"),
                              QStringLiteral(QUILLET_DATA_DIR "/pinyin/hao3.mp3")}));

    clickElement("#searchInstead a");
    QTRY_COMPARE(int(m_screen->lastSearch().queryType), int(Dictionary::English));
    QCOMPARE(m_screen->lastSearch().query, QStringLiteral("ni3 hao3"));
    loadedHtml("<b>English phrase</b>");

    type("学习");
    loadedHtml("<b>学习</b>");
    clickElement(".result a.strokeOrder");
    QTRY_COMPARE(m_services.strokeOrders, QStringList{"学习"});
    m_services.strokeOrders.clear();
    const int generation = m_screen->resultView()->contentGeneration();
    evaluate("document.querySelectorAll('.result a.resultCharacters')[0].click()");
    QTRY_COMPARE(m_screen->history().last().query, QStringLiteral("学习"));
    QTRY_VERIFY(evaluate("document.body.getAttribute('data-generation')").toInt() > generation);

    // A script's own navigation to a "quillet:" address is handed over the same way.
    evaluate("window.location.href = 'quillet://?action=viewStrokeOrder&characters=%E5%A5%BD'");
    QTRY_COMPARE(m_services.strokeOrders, QStringList{"好"});
}

void TestDictionaryWidget::characterBoxShowsItsFactsAndSentences()
{
    type("好");
    const QString html = loadedHtml("class=\"charBoxCharacters\"");
    QVERIFY(html.contains("<div class=\"charBoxCharacters\">好</div>"));
    QVERIFY(html.contains("HSK level: 1"));
    QVERIFY(html.contains("Traditional form: Same"));
    QVERIFY(html.contains("quillet://?action=search&amp;query=radical%3A%E5%A5%B3"));
    QTRY_VERIFY_WITH_TIMEOUT(evaluate("document.querySelectorAll('.sentence').length").toInt() > 0,
                             10000);
    const int shown = evaluate("document.querySelectorAll('.sentence').length").toInt();
    QVERIFY(shown <= 5);
    const QString first = evaluate("document.querySelector('.sentence').textContent").toString();
    QVERIFY2(first.contains("好"), qPrintable(first));
    QVERIFY(first.contains("tatoeba.org"));
    QCOMPARE(evaluate("document.querySelector('.sentences h3').textContent").toString(),
             QStringLiteral("Example sentences"));
}

void TestDictionaryWidget::bridgeAnswersPageScripts()
{
    loadedHtml("kvbridge");
    QTRY_COMPARE(evaluate("document.body.getAttribute('data-bridge')").toString(),
                 QStringLiteral("ready"));
    evaluate("window.answer = null; kvbridge.sentences('学习', r => { window.answer = r; })");
    QTRY_VERIFY(evaluate("window.answer !== null").toBool());
    const QStringList fromPage = evaluate("window.answer").toStringList();
    QCOMPARE(fromPage, m_screen->bridge()->sentences("学习"));
    QVERIFY(!fromPage.isEmpty() && fromPage.size() <= 5);
    QVERIFY(fromPage.first().contains("学习"));
    QVERIFY(fromPage.first().contains(" ("));
    evaluate("window.answer = null; kvbridge.translate('Search', r => { window.answer = r; })");
    QTRY_COMPARE(evaluate("window.answer").toString(), QStringLiteral("Search"));

    m_profile->setSetting("characterMode", "both");
    QVERIFY(m_screen->bridge()->sentences("学习").first().contains(" / "));
}

void TestDictionaryWidget::ctrlCCopiesTheSelectedText()
{
    type("cat");
    loadedHtml("<b>cat</b>");
    evaluate(
        "window.getSelection().selectAllChildren(document.querySelector('.result .definition'))");
    QGuiApplication::clipboard()->clear();
    QWebEngineView* view = m_screen->webView();
    view->setFocus();
    QTest::keyClick(view->focusProxy() ? view->focusProxy() : view, Qt::Key_C, Qt::ControlModifier);
    QTRY_VERIFY(!QGuiApplication::clipboard()->text().isEmpty());
    QVERIFY(QGuiApplication::clipboard()->text().contains("cat"));
}

// The pause before a typed search follows what searches cost: none while they fit a frame, a
// little longer than a search when they do not, never so long that typing feels stuck.
void TestDictionaryWidget::typingPauseFollowsTheSearchCost()
{
    const QList<QPair<double, int>> costs = {{0, 0},   {1, 0},     {16, 0},    {17, 25},
                                             {40, 60}, {200, 300}, {1000, 300}};
    for (const auto& [cost, delay] : costs)
        QCOMPARE(DictionaryWidget::typingDelayFor(cost), delay);
}

// Typing searches as the keys come (the pause is whatever the search cost allows, so the test
// does not depend on how fast this machine is); the history grows only with Return or when the
// typing stops for a while.
void TestDictionaryWidget::resultsFollowTheTypingWithoutAHistoryEntryPerKey()
{
    QLineEdit* input = m_screen->searchTextInput();
    input->setFocus();
    input->clear();
    const int before = int(m_screen->history().size());
    for (const char* key : {"n", "i", "3", " ", "h", "a", "o", "3"}) {
        QTest::keyClicks(input, key);
        QTRY_COMPARE(m_screen->lastSearch().query, input->text().simplified());
    }
    loadedHtml("<b>ni3 hao3</b>");
    QVERIFY(evaluate("document.querySelector('.result .pinyin').textContent")
                .toString()
                .contains("nǐ hǎo"));
    QCOMPARE(m_screen->history().size(), before);
    QVERIFY(m_screen->historyTimer()->isActive());
    QCOMPARE(m_screen->historyTimer()->interval(), DictionaryWidget::HistoryPause);

    // The pause ends: one entry for the whole typing.
    m_screen->historyTimer()->setInterval(0);
    m_screen->historyTimer()->start();
    QTRY_COMPARE(m_screen->history().size(), before + 1);
    m_screen->historyTimer()->setInterval(DictionaryWidget::HistoryPause);
    QCOMPARE(m_screen->history().last().query, QStringLiteral("ni3 hao3"));
    // Return on the same text adds nothing; a new text typed and entered adds one.
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(m_screen->history().size(), before + 1);
    QTest::keyClicks(input, "x");
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(m_screen->history().size(), before + 2);
    QVERIFY(!m_screen->historyTimer()->isActive());
}

// The page is loaded once and updated in place; what it shows is what a full load of the same
// content shows.
void TestDictionaryWidget::anUpdatedPageEqualsAFullLoad()
{
    QWebEnginePage* page = m_screen->webView()->page();
    const QUrl shell = page->url();
    for (const char* query : {"好", "to study", "radical:水"}) {
        type(QString::fromUtf8(query));
        loadedHtml("id=\"status\"");
        QCOMPARE(page->url(), shell);
        const QString updated = evaluate(NodesScript).toString();

        QWebEnginePage fullLoad(m_screen->webView()->page()->profile());
        QSignalSpy loaded(&fullLoad, &QWebEnginePage::loadFinished);
        fullLoad.setHtml(m_screen->pageHtml(), QUrl::fromLocalFile(dictionaryPageFolder() + "/"));
        QVERIFY(loaded.wait(20000));
        QString full;
        bool answered = false;
        fullLoad.runJavaScript(NodesScript, [&](const QVariant& value) {
            full = value.toString();
            answered = true;
        });
        QTRY_VERIFY(answered);
        QVERIFY(!updated.isEmpty());
        QCOMPARE(updated, full);
    }
}

void TestDictionaryWidget::theContextMenuOffersOnlyCopyAndSelectAll()
{
    QWebEngineView* view = m_screen->webView();
    QCOMPARE(view->contextMenuPolicy(), Qt::ActionsContextMenu);
    QList<QWebEnginePage::WebAction> offered;
    for (QAction* action : view->actions()) {
        for (const auto webAction :
             {QWebEnginePage::Copy, QWebEnginePage::SelectAll, QWebEnginePage::Back,
              QWebEnginePage::Forward, QWebEnginePage::Reload}) {
            if (view->page()->action(webAction) == action)
                offered << webAction;
        }
    }
    QCOMPARE(offered,
             (QList<QWebEnginePage::WebAction>{QWebEnginePage::Copy, QWebEnginePage::SelectAll}));
}

void TestDictionaryWidget::scriptAndColourChangesRedrawInPlace()
{
    type("学习");
    loadedHtml("<b>学习</b>");
    const int entries = int(m_screen->history().size());
    m_profile->setSetting("characterMode", "traditional");
    QVERIFY(loadedHtml("學習").contains("學習"));
    m_profile->setSetting("pinyinColorization", "none");
    loadedHtml("學習");
    QCOMPARE(evaluate("document.querySelectorAll('.result .pinyin span').length").toInt(), 0);
    QCOMPARE(m_screen->history().size(), entries);
}

void TestDictionaryWidget::wordsShowExampleSentences()
{
    type("学习");
    loadedHtml("wordSentences");
    QTRY_VERIFY_WITH_TIMEOUT(
        evaluate("document.querySelectorAll('#sentences .sentence').length").toInt() > 0, 10000);
    const QString first =
        evaluate("document.querySelector('#sentences .sentenceText').textContent").toString();
    QVERIFY2(first.contains("学习"), qPrintable(first));
}

void TestDictionaryWidget::measureWordsAndReferencesAreReadable()
{
    m_screen->search("cat", Dictionary::English);
    loadedHtml("<b>cat</b>");
    const QString definition =
        evaluate("document.querySelector('.result .definition').textContent").toString();
    QVERIFY2(definition.contains("measure word: 只 zhī"), qPrintable(definition));
    QVERIFY(!definition.contains("CL:"));
    m_profile->setSetting("characterMode", "traditional");
    loadedHtml("貓");
    QVERIFY(evaluate("document.querySelector('.result .definition').textContent")
                .toString()
                .contains("measure word: 隻 zhī"));
}

// Characters of a simplified radical carry it in their simplified form only; another page of
// the listing is still the listing.
void TestDictionaryWidget::simplifiedRadicalsListTheirCharactersAcrossPages()
{
    type("radical:讠");
    loadedHtml("Showing characters with <b>radical");
    const QList<KnowledgeUnit*> listed = m_screen->lastSearch().found.results.all();
    QStringList shown;
    for (KnowledgeUnit* unit : listed)
        shown << unit->simplified();
    for (const char* character : {"说", "语", "话", "认"})
        QVERIFY2(shown.contains(QString::fromUtf8(character)), character);
    QVERIFY(listed.size() > 100);
    evaluate("document.querySelector('a.next').scrollIntoView()");
    clickElement("a.next");
    QTRY_COMPARE(m_screen->lastSearch().pageIndex, 1);
    const QString second = loadedHtml("action=navigate&amp;page=0");
    QVERIFY(second.contains("Showing characters with <b>radical"));
    QVERIFY(second.contains("Radical 149"));
}

int main(int argc, char* argv[])
{
    DictionaryWidget::prepareWebEngine();
    QApplication application(argc, argv);
    TestDictionaryWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dictionarywidget.moc"
