// Dictionary screen benchmark: from pressing Return in the search line to the page having painted
// the new results (the page reports from a message posted by the frame callback that follows the
// replacement of its nodes: it is delivered once that frame is painted), on
// the shipped dictionary, for 20 queries of each text type (warm: every query was searched once
// before it is timed), the first search after the screen is shown, and the template work of one
// result page of 30 items without a web view.
//
// Usage: QT_QPA_PLATFORM=offscreen quillet-bench-dictionary   (from the build folder)

#include "dictionary/dictionary.h"
#include "dictionary_ui/dictionarysearch.h"
#include "dictionary_ui/dictionarywidget.h"
#include "dictionary_ui/resultpage.h"
#include "profile/profile.h"
#include "style/style.h"
#include "text/pinyin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>

using namespace korvo;

namespace {

const QList<QPair<QString, QStringList>> Queries = {
    {"simplified",
     {"中",     "好",     "人",       "的",       "我",   "爱",   "中国", "你好", "学习", "电脑",
      "图书馆", "自行车", "一路平安", "不好意思", "朋友", "喜欢", "吃饭", "汉字", "水",   "饕餮"}},
    {"traditional",
     {"國",   "學",   "愛",   "們",   "電腦", "圖書館", "謝謝", "飛機", "臺灣", "龍",
      "漢字", "語言", "東西", "開車", "時間", "問題",   "醫生", "經濟", "關係", "鐘"}},
    {"pinyin with tones",
     {"zhong1 guo2", "ni3 hao3", "xue2 xi2", "ma1",      "ma3",       "peng2 you5", "xi3 huan5",
      "dian4 nao3",  "han4 zi4", "shui3",    "lu:4",     "nǐ hǎo",    "zhōng guó",  "chi1 fan4",
      "yi1",         "shi4",     "ai4",      "wen4 ti2", "jing1 ji4", "guan1 xi5"}},
    {"pinyin without tones", {"zhongguo", "nihao",  "xuexi", "ma", "pengyou", "xihuan",   "diannao",
                              "hanzi",    "shui",   "shi",   "yi", "ai",      "wenti",    "jingji",
                              "guanxi",   "chifan", "zhong", "a",  "de",      "tushuguan"}},
    {"English", {"cat",     "to study", "hello",  "water",   "friend",       "computer", "to eat",
                 "library", "china",    "book",   "the",     "good",         "to like",  "language",
                 "time",    "question", "doctor", "economy", "relationship", "bicycle"}},
};

double percentile(QList<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const int index = std::min(int(values.size()) - 1, int(fraction * values.size()));
    return values.at(index);
}

// Milliseconds of the last search from Return until the screen had handed the content to the
// page (search and templates: the key press returns once that is done).
double lastProgramPart = 0;

// Milliseconds from Return to the painted results.
double timeSearch(DictionaryWidget& screen, const QString& query)
{
    QSignalSpy shown(&screen, &DictionaryWidget::resultsShown);
    screen.searchTextInput()->setText(query);
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(screen.searchTextInput(), Qt::Key_Return);
    lastProgramPart = timer.nsecsElapsed() / 1e6;
    if (!shown.wait(10000))
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    DictionaryWidget::prepareWebEngine();
    QApplication application(argc, argv);
    initPinyinTables();
    const QString data = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    Style::setSkinFolder(data + QStringLiteral("/skins/default"));
    Dictionary dictionary;
    if (!dictionary.open(data + QStringLiteral("/Dictionary.db"))) {
        std::fprintf(stderr, "No dictionary in %s\n", qPrintable(data));
        return 1;
    }
    QTemporaryDir profileFolder;
    Profile profile(profileFolder.path(), data + QStringLiteral("/Profile.default.db"));
    profile.openDatabase();
    profile.upgradeDatabase();

    // Template work only: one page of 30 results for a long result list.
    {
        const DictionarySearchResult found =
            runSearch(&dictionary, "to eat", Dictionary::English, "simplified");
        ResultPageOptions options;
        options.pageFolder = data + QStringLiteral("/skins/default/html/dictionary");
        resultContent(&dictionary, options, "to eat", found, 0, 30);
        QElapsedTimer timer;
        timer.start();
        const int rounds = 200;
        for (int i = 0; i < rounds; ++i)
            resultContent(&dictionary, options, "to eat", found, 0, 30);
        std::printf("rendering one page of 30 results (templates only): %.3f ms\n",
                    timer.nsecsElapsed() / 1e6 / rounds);
    }

    DictionaryWidget screen(&dictionary, &profile);
    screen.resize(1024, 700);
    screen.show();
    if (!QTest::qWaitForWindowExposed(&screen)) {
        std::fprintf(stderr, "the dictionary screen was never shown\n");
        return 1;
    }
    QSignalSpy welcome(&screen, &DictionaryWidget::resultsShown);
    welcome.wait(20000);

    std::printf("first search after the screen is shown: %.1f ms\n", timeSearch(screen, "好"));

    // "--each" prints every warm query's time too, to find the slow ones.
    const bool each = QCoreApplication::arguments().contains(QStringLiteral("--each"));
    QList<double> all;
    QList<double> allProgramParts;
    for (const auto& [type, queries] : Queries) {
        for (const QString& query : queries)
            timeSearch(screen, query);
        QList<double> times;
        QList<double> programParts;
        for (const QString& query : queries) {
            times << timeSearch(screen, query);
            programParts << lastProgramPart;
            if (each)
                std::printf("    %-14s %6.1f ms (search and templates %4.1f ms)\n",
                            qPrintable(query), times.last(), lastProgramPart);
        }
        all += times;
        allProgramParts += programParts;
        std::printf("%-22s p50 %6.1f ms   p99 %6.1f ms   (%d queries, warm; search and templates "
                    "p50 %.1f, p99 %.1f ms)\n",
                    qPrintable(type), percentile(times, 0.5), percentile(times, 0.99),
                    int(times.size()), percentile(programParts, 0.5),
                    percentile(programParts, 0.99));
    }
    std::printf("%-22s p50 %6.1f ms   p99 %6.1f ms   (%d queries, warm; search and templates "
                "p50 %.1f, p99 %.1f ms)\n",
                "all types", percentile(all, 0.5), percentile(all, 0.99), int(all.size()),
                percentile(allProgramParts, 0.5), percentile(allProgramParts, 0.99));
    return 0;
}
