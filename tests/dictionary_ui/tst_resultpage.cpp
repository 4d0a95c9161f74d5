#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary_ui/dictionarysearch.h"
#include "dictionary_ui/pagetemplates.h"
#include "dictionary_ui/resultpage.h"
#include "text/pinyin.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace korvo;

namespace {

// Units already in rank order, as a search of the given type would have found them.
DictionarySearchResult listed(Dictionary::TextType type, const QList<KnowledgeUnit*>& units)
{
    DictionarySearchResult found;
    found.type = type;
    found.results = RankedResults::fromOrderedUnits(units);
    return found;
}

} // namespace

namespace {

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(text.toUtf8());
    return true;
}

// Templates that show exactly what was filled in, one marker per placeholder.
void writeTemplates(const QString& folder)
{
    writeFile(folder + "/page.html", "[status]{$status}[/status][results]{$results}[/results]");
    writeFile(folder + "/resultBox.html", "[box]{$content}[/box]");
    writeFile(folder + "/resultNavigation.html",
              "[nav prev={$hidePrevious}|{$previousUrl}|{$previousText} "
              "next={$hideNext}|{$nextUrl}|{$nextText}]");
    writeFile(folder + "/resultBoxItem.html",
              "[item class={$definitionCharClass}]{$characters}|{$pinyin}|{$pinyinN}|"
              "{$definition}[/item]");
    writeFile(folder + "/charBox.html",
              "[char]{$characters}|{$pinyin}|{$pinyinN}|{$definition}|{$definitionExtras}[/char]");
}

int count(const QString& text, const QString& part)
{
    return int(text.count(part));
}

} // namespace

// The page templates and the result pages, without a web view.
class TestResultPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void templatesFillNamedPlaceholders();
    void unfilledPlaceholdersStayAndValuesAreNeverReparsed();
    void globalsFillWhatTheCallerLeaves();
    void missingTemplateRendersEmptyAndIsTriedAgain();

    void thirtyOneResultsMakeTwoPages_data();
    void thirtyOneResultsMakeTwoPages();
    void characterModeChoosesTheForms_data();
    void characterModeChoosesTheForms();
    void statusMessagesNameTheKindOfQuery_data();
    void statusMessagesNameTheKindOfQuery();
    void dataAndQueryAreEscaped();
    void linkParametersArePercentEncoded();
    void characterBoxPrefersTheCommonReading();
    void characterBoxListsTheCharactersFacts();
    void shippedTemplatesLeaveNoPlaceholderUnfilled_data();
    void shippedTemplatesLeaveNoPlaceholderUnfilled();
    void radicalListingKeepsTheFormsOfTheMode_data();
    void radicalListingKeepsTheFormsOfTheMode();
    void queriesNoEntryMatchesReadAsWords_data();
    void queriesNoEntryMatchesReadAsWords();

private:
    std::unique_ptr<KnowledgeUnit> makeUnit(const QString& simplified, const QString& traditional,
                                            const QString& pinyin, const QString& definition);
    ResultPageOptions options() const;

    QTemporaryDir m_folder;
    Dictionary m_dictionary;
    std::vector<std::unique_ptr<KnowledgeUnit>> m_units;
};

void TestResultPage::initTestCase()
{
    initPinyinTables();
    writeTemplates(m_folder.path());
    QVERIFY(m_dictionary.open(QStringLiteral(QUILLET_DATA_DIR "/Dictionary.db")));
}

std::unique_ptr<KnowledgeUnit> TestResultPage::makeUnit(const QString& simplified,
                                                        const QString& traditional,
                                                        const QString& pinyin,
                                                        const QString& definition)
{
    auto unit = std::make_unique<KnowledgeUnit>();
    unit->setSimplified(simplified);
    unit->setTraditional(traditional);
    unit->setPinyin(pinyin);
    unit->setDefinition(definition);
    return unit;
}

ResultPageOptions TestResultPage::options() const
{
    ResultPageOptions result;
    result.pageFolder = m_folder.path();
    result.pinyinColorization = QStringLiteral("none");
    return result;
}

void TestResultPage::templatesFillNamedPlaceholders()
{
    const QString file = m_folder.filePath("named.html");
    QVERIFY(writeFile(file, "{$a} and {$b}, {$a} again; {$A} differs"));
    QCOMPARE(renderTemplate(file, {{"a", "1"}, {"b", "2"}}),
             QStringLiteral("1 and 2, 1 again; {$A} differs"));
}

// Values go in as they are: a value holding a placeholder (a query typed as "{$c}") never pulls
// another value into the page.
void TestResultPage::unfilledPlaceholdersStayAndValuesAreNeverReparsed()
{
    const QString file = m_folder.filePath("order.html");
    QVERIFY(writeFile(file, "{$b}|{$unknown}"));
    QCOMPARE(renderTemplate(file, {{"b", "{$c}"}, {"c", "C"}}), QStringLiteral("{$c}|{$unknown}"));
    QCOMPARE(renderTemplate(file, {{"b", "{$a}"}, {"a", "A"}}), QStringLiteral("{$a}|{$unknown}"));
    setTemplateGlobal("baseUrl", "file:///skin/");
    QCOMPARE(renderTemplate(file, {{"b", "{$baseUrl}"}}), QStringLiteral("{$baseUrl}|{$unknown}"));
}

void TestResultPage::globalsFillWhatTheCallerLeaves()
{
    const QString file = m_folder.filePath("global.html");
    QVERIFY(writeFile(file, "<link href=\"{$baseUrl}style.css\">{$body}"));
    setTemplateGlobal("baseUrl", "file:///skin/");
    QCOMPARE(renderTemplate(file, {{"body", "x"}}),
             QStringLiteral("<link href=\"file:///skin/style.css\">x"));
    QCOMPARE(renderTemplate(file, {{"baseUrl", "mine/"}}),
             QStringLiteral("<link href=\"mine/style.css\">{$body}"));
}

void TestResultPage::missingTemplateRendersEmptyAndIsTriedAgain()
{
    const QString file = m_folder.filePath("later.html");
    QCOMPARE(renderTemplate(file), QString());
    QVERIFY(writeFile(file, "now {$here}"));
    QCOMPARE(renderTemplate(file, {{"here", "there"}}), QStringLiteral("now there"));
    // Once read, the text is kept for the process.
    QVERIFY(writeFile(file, "changed"));
    QCOMPARE(renderTemplate(file), QStringLiteral("now {$here}"));
    clearTemplateCache();
    QCOMPARE(renderTemplate(file), QStringLiteral("changed"));
}

void TestResultPage::thirtyOneResultsMakeTwoPages_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("hidePrevious");
    QTest::addColumn<QString>("hideNext");
    QTest::newRow("first page") << 0 << 30 << "hide"
                                << "";
    QTest::newRow("second page") << 1 << 1 << ""
                                 << "hide";
    QTest::newRow("beyond") << 5 << 0 << ""
                            << "";
}

void TestResultPage::thirtyOneResultsMakeTwoPages()
{
    QFETCH(int, page);
    QFETCH(int, items);
    QFETCH(QString, hidePrevious);
    QFETCH(QString, hideNext);

    QList<KnowledgeUnit*> results;
    for (int i = 0; i < 31; ++i) {
        m_units.push_back(makeUnit(QStringLiteral("词%1").arg(i), QString(), "ci2", "word"));
        results << m_units.back().get();
    }
    const QString html = renderResults(&m_dictionary, options(), "word",
                                       listed(Dictionary::English, results), page, 30);
    QCOMPARE(count(html, "[item "), items);
    const QString expectedNav =
        QStringLiteral("[nav prev=%1|quillet://?action=navigate&amp;page=%2|&lt;&lt; Previous "
                       "results next=%3|quillet://?action=navigate&amp;page=%4|Next results "
                       "&gt;&gt;]")
            .arg(hidePrevious)
            .arg(page - 1)
            .arg(hideNext)
            .arg(page + 1);
    QVERIFY2(html.contains(expectedNav), qPrintable(html.right(400)));
    if (items > 0)
        QVERIFY(html.contains(QStringLiteral("]词%1|").arg(page * 30)));
}

void TestResultPage::characterModeChoosesTheForms_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("item");
    QTest::newRow("simplified") << "simplified"
                                << "[item class=definitionChar]学习|";
    QTest::newRow("traditional") << "traditional"
                                 << "[item class=definitionChar]學習|";
    QTest::newRow("both") << "both"
                          << "[item class=]<span class=\"definitionChar\">学习</span> / <span "
                             "class=\"definitionChar\">學習</span>|";
}

void TestResultPage::characterModeChoosesTheForms()
{
    QFETCH(QString, mode);
    QFETCH(QString, item);
    m_units.push_back(makeUnit("学习", "學習", "xue2 xi2", "to learn/to study"));
    ResultPageOptions pageOptions = options();
    pageOptions.characterMode = mode;
    const QString html =
        renderResults(&m_dictionary, pageOptions, "xue2 xi2",
                      listed(Dictionary::PinyinWithTones, {m_units.back().get()}), 0, 30);
    QVERIFY2(html.contains(item + "xué xí|xue2 xi2|to learn; to study[/item]"), qPrintable(html));
}

void TestResultPage::statusMessagesNameTheKindOfQuery_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("status");

    QTest::newRow("one character")
        << "好" << 0 << "Showing results for <b>simplified character</b> \"<b>好</b>\"";
    QTest::newRow("characters") << "你好" << 0 << "<b>simplified characters</b>";
    QTest::newRow("traditional") << "們" << 1 << "<b>traditional character</b>";
    QTest::newRow("English word") << "cat" << 5 << "<b>English word</b> \"<b>cat</b>\"";
    QTest::newRow("English phrase") << "to study" << 5 << "<b>English phrase</b>";
    QTest::newRow("pinyin offers English")
        << "ni3 hao3" << 3
        << "<b>pinyin</b> \"<b>ni3 hao3</b>\"<br/><div id='searchInstead'>Search instead for <a "
           "href=\"quillet://?action=search&amp;type=english&amp;query=ni3%20hao3\">&quot;ni3 "
           "hao3&quot; in English</a></div>";
    QTest::newRow("no results") << "qqq" << 5
                                << "[status]No results found for \"<b>qqq</b>\"[/status]";
    QTest::newRow("not a radical")
        << "radical:好" << 6 << "[status]\"<b>好</b>\" is not a radical.[/status]";
}

void TestResultPage::statusMessagesNameTheKindOfQuery()
{
    QFETCH(QString, query);
    QFETCH(int, type);
    QFETCH(QString, status);
    const DictionarySearchResult found =
        runSearch(&m_dictionary, query, Dictionary::TextType(type), "simplified");
    const QString html = renderResults(&m_dictionary, options(), query, found, 0, 30);
    QVERIFY2(html.contains(status), qPrintable(html.left(600)));
}

void TestResultPage::dataAndQueryAreEscaped()
{
    m_units.push_back(makeUnit("<i>", "&amp;", "a1", "<script>alert(1)/\"quoted\""));
    const QString html = renderResults(&m_dictionary, options(), "<img src=x onerror=alert(1)>",
                                       listed(Dictionary::English, {m_units.back().get()}), 0, 30);
    QVERIFY(html.contains("\"<b>&lt;img src=x onerror=alert(1)&gt;</b>\""));
    QVERIFY(html.contains("&lt;i&gt;|"));
    QVERIFY(html.contains("&lt;script&gt;alert(1); &quot;quoted&quot;"));
    QVERIFY(!html.contains("<script>"));
    QVERIFY(!html.contains("<img"));
    QVERIFY(!html.contains("<i>"));
}

void TestResultPage::linkParametersArePercentEncoded()
{
    QCOMPARE(quilletLink({{"action", "search"}, {"query", "a&b=c #d/好"}}),
             QStringLiteral("quillet://?action=search&query=a%26b%3Dc%20%23d%2F%E5%A5%BD"));
    const QUrl url(quilletLink({{"action", "listen"}, {"pinyin", "ni3 hao3&x=1"}}));
    QCOMPARE(QUrlQuery(url).queryItemValue("pinyin", QUrl::FullyDecoded),
             QStringLiteral("ni3 hao3&x=1"));
}

// A capitalised reading (a name) gives way to a common one.
void TestResultPage::characterBoxPrefersTheCommonReading()
{
    m_units.push_back(makeUnit("王", "王", "Wang2", "surname Wang"));
    KnowledgeUnit* name = m_units.back().get();
    m_units.push_back(makeUnit("王", "王", "wang2", "king"));
    KnowledgeUnit* king = m_units.back().get();
    m_units.push_back(makeUnit("王", "王", "wang4", "to rule"));
    KnowledgeUnit* rule = m_units.back().get();
    const QString html = renderResults(&m_dictionary, options(), "王",
                                       listed(Dictionary::Simplified, {name, king, rule}), 0, 30);
    QVERIFY2(html.contains("[char]王|wáng|wang2|king|"), qPrintable(html));
}

void TestResultPage::characterBoxListsTheCharactersFacts()
{
    ResultPageOptions pageOptions = options();
    QStringList asked;
    pageOptions.hasStrokeAnimation = [&](const QString& c) {
        asked << c;
        return true;
    };
    const DictionarySearchResult found =
        runSearch(&m_dictionary, "們", Dictionary::AutoDetect, "simplified");
    QCOMPARE(int(found.type), int(Dictionary::Traditional));
    const QString html = renderResults(&m_dictionary, pageOptions, "們", found, 0, 30);
    const QString extras = html.section("[char]", 1).section("[/char]", 0, 0).section('|', 4);
    QVERIFY2(extras.startsWith("Radical: <a href=\"quillet://?action=search&amp;query=radical%3A"),
             qPrintable(extras));
    QVERIFY(extras.contains("HSK level: 1"));
    QVERIFY(extras.contains(
        "Simplified form: <a "
        "href=\"quillet://?action=search&amp;type=simplified&amp;query=%E4%BB%AC\">们</a>"));
    QVERIFY(extras.endsWith(
        "<a href=\"quillet://?action=viewStrokeOrder&amp;characters=%E5%80%91\">View stroke "
        "order</a>"));
    // Every character shown is asked about, the box's own among them, and each item offers its
    // link only when one of its characters has an animation.
    QVERIFY(asked.contains("們"));
    QCOMPARE(html.count("strokeOrder hide"), 0);
}

void TestResultPage::shippedTemplatesLeaveNoPlaceholderUnfilled_data()
{
    QTest::addColumn<QString>("query");
    QTest::newRow("character box") << "好";
    QTest::newRow("words") << "xue2 xi2";
    QTest::newRow("radical") << "radical:水";
    QTest::newRow("nothing") << "qqqxqqq";
}

// The skin's pages use only placeholders the program fills.
void TestResultPage::shippedTemplatesLeaveNoPlaceholderUnfilled()
{
    QFETCH(QString, query);
    ResultPageOptions shipped;
    shipped.pageFolder = QStringLiteral(QUILLET_DATA_DIR "/skins/default/html/dictionary");
    shipped.hasStrokeAnimation = [](const QString&) { return true; };
    setTemplateGlobal("baseUrl", "file:///skin/");
    setTemplateGlobal("chineseFont", "Noto Sans CJK SC");
    const DictionarySearchResult found =
        runSearch(&m_dictionary, query, Dictionary::AutoDetect, "simplified");
    const QString html = renderResults(&m_dictionary, shipped, query, found, 0, 30);
    QVERIFY(html.contains("<div id=\"status\">"));
    const int unfilled = int(html.indexOf("{$"));
    QVERIFY2(unfilled < 0, qPrintable(html.mid(unfilled, 40)));
}

void TestResultPage::radicalListingKeepsTheFormsOfTheMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("simplifiedShown");
    QTest::addColumn<bool>("traditionalShown");
    QTest::newRow("simplified") << "simplified" << true << false;
    QTest::newRow("traditional") << "traditional" << false << true;
    QTest::newRow("both") << "both" << true << true;
}

// The speech radical 言 stands in traditional characters such as 語, whose simplified forms
// carry 讠 instead.
void TestResultPage::radicalListingKeepsTheFormsOfTheMode()
{
    QFETCH(QString, mode);
    QFETCH(bool, simplifiedShown);
    QFETCH(bool, traditionalShown);
    const DictionarySearchResult found =
        runSearch(&m_dictionary, "radical:言", Dictionary::AutoDetect, mode);
    QVERIFY(found.radical);
    QVERIFY(!found.results.isEmpty());
    bool sawSimplified = false;
    bool sawTraditional = false;
    QSet<QString> shown;
    for (KnowledgeUnit* unit : found.results.all()) {
        const int form = found.radicalForms.value(unit->id(), -1);
        QVERIFY(form == 0 || form == 1);
        sawSimplified |= form == 0;
        sawTraditional |= form == 1;
        const QString character = form == 0 ? unit->simplified() : unit->traditional();
        QVERIFY2(!shown.contains(character), qPrintable(character));
        shown.insert(character);
    }
    QCOMPARE(sawTraditional, traditionalShown);
    if (!simplifiedShown)
        QVERIFY(!sawSimplified);
    QVERIFY(shown.contains(mode == "simplified" ? "言" : "語") || mode == "simplified");
}

void TestResultPage::queriesNoEntryMatchesReadAsWords_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("words");
    // The first result of each word, as "simplified pinyin", in order.
    QTest::addColumn<QStringList>("firstOfEachWord");

    QTest::newRow("pinyin") << "ni hao ma"
                            << "你好 吗" << QStringList{"你好 ni3 hao3", "吗 ma5"};
    QTest::newRow("pinyin run together") << "nihaoma"
                                         << "你好 吗" << QStringList{"你好 ni3 hao3", "吗 ma5"};
    QTest::newRow("simplified sentence")
        << "我明天要去北京看朋友"
        << "我 明天 要 去 北京 看 朋友"
        << QStringList{"我 wo3", "明天 ming2 tian1", "要", "去", "北京 bei3 jing1", "看", "朋友"};
    QTest::newRow("traditional sentence")
        << "我們去臺灣"
        << "我們 去 臺灣" << QStringList{"我们 wo3 men5", "去", "台湾"};
    QTest::newRow("an entry matches whole") << "你好"
                                            << "" << QStringList();
    QTest::newRow("one syllable without entry") << "zzz"
                                                << "" << QStringList();
}

void TestResultPage::queriesNoEntryMatchesReadAsWords()
{
    QFETCH(QString, query);
    QFETCH(QString, words);
    QFETCH(QStringList, firstOfEachWord);

    const DictionarySearchResult found =
        runSearch(&m_dictionary, query, Dictionary::AutoDetect, "simplified");
    QCOMPARE(found.words.join(QLatin1Char(' ')), words);
    const QString html = renderResults(&m_dictionary, options(), query, found, 0, 100);
    if (words.isEmpty()) {
        QVERIFY(!html.contains("showing its words"));
        return;
    }
    QVERIFY2(html.contains(QStringLiteral("[status]No entry matches \"<b>%1</b>\" as a whole; "
                                          "showing its words in order: <b>%2</b>")
                               .arg(query, found.words.first())),
             qPrintable(html.left(400)));
    // Every result belongs to one of the words, the words' entries follow each other in order.
    int word = 0;
    QStringList firsts;
    for (KnowledgeUnit* unit : found.results.all()) {
        const auto spelt = [&](int index) {
            return index < found.words.size() && (unit->simplified() == found.words.at(index) ||
                                                  unit->traditional() == found.words.at(index));
        };
        if (firsts.size() > word || !spelt(word)) {
            QVERIFY2(spelt(word) || spelt(word + 1), qPrintable(unit->simplified()));
            if (!spelt(word))
                ++word;
        }
        if (firsts.size() == word) {
            const QString expected = firstOfEachWord.value(word);
            firsts << (expected.contains(' ') ? unit->simplified() + ' ' + unit->pinyin()
                                              : unit->simplified());
        }
    }
    QCOMPARE(firsts, firstOfEachWord);
}

QTEST_MAIN(TestResultPage)
#include "tst_resultpage.moc"
