// The reader screen with a text of 100,000 characters made from the example sentences (a line
// break after every tenth): the time from pasting it to the first paint of the text, once before
// the word table is loaded (the first text of a run) and then as best of five pastes; and the
// time from hovering a word to its entries in the side panel: the content handed to the page,
// and the page's report that it painted it (median of 20 words).
//
// usage: QT_QPA_PLATFORM=offscreen quillet-bench-reader-screen [--sentences FILE]

#include "dictionary/dictionary.h"
#include "dictionary_ui/dictionarywidget.h"
#include "dictionary_ui/resultpageview.h"
#include "reader/readerdocument.h"
#include "reader_ui/readertextview.h"
#include "reader_ui/readerwidget.h"
#include "style/style.h"
#include "text/pinyin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using korvo::ReaderWidget;

namespace {

QString hundredThousandCharacters(const QString& path)
{
    QStringList sentences;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QStringList fields = in.readLine().split(QLatin1Char('\t'));
            if (fields.size() >= 2 && !fields.at(1).trimmed().isEmpty())
                sentences << fields.at(1).trimmed();
        }
    }
    QString text;
    for (qsizetype i = 0; !sentences.isEmpty() && text.size() < 100000; ++i) {
        text += sentences.at(i % sentences.size());
        if (i % 10 == 9)
            text += QLatin1Char('\n');
    }
    text.truncate(100000);
    return text;
}

// Milliseconds from setText() to the first paint of the new text.
double pasteToPaint(ReaderWidget& screen, const QString& text)
{
    bool shown = false;
    double painted = -1;
    QElapsedTimer clock;
    const auto connection =
        QObject::connect(screen.textView(), &korvo::ReaderTextView::painted, [&] {
            if (shown && painted < 0)
                painted = clock.nsecsElapsed() / 1e6;
        });
    const auto shownConnection =
        QObject::connect(&screen, &ReaderWidget::textShown, [&] { shown = true; });
    clock.start();
    screen.setText(text);
    if (!QTest::qWaitFor([&] { return painted >= 0; }, 60000))
        std::fprintf(stderr, "the text was not painted within a minute\n");
    QObject::disconnect(connection);
    QObject::disconnect(shownConnection);
    return painted;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    DictionaryWidget::prepareWebEngine();
    QApplication application(argc, argv);
    korvo::initPinyinTables();
    const QString data = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    korvo::Style::setSkinFolder(data + QStringLiteral("/skins/default"));
    const QStringList arguments = application.arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--sentences"));
    const QString sentences =
        at >= 0 && at + 1 < arguments.size()
            ? arguments.at(at + 1)
            : QStringLiteral(QUILLET_SOURCE_DIR "/data/sources/sentences/cmn-eng-tatoeba.tsv");
    const QString text = hundredThousandCharacters(sentences);
    if (text.isEmpty()) {
        std::fprintf(stderr, "no sentences in %s\n", qPrintable(sentences));
        return 2;
    }
    korvo::Dictionary dictionary;
    if (!dictionary.open(data + QStringLiteral("/Dictionary.db"))) {
        std::fprintf(stderr, "cannot open the dictionary in %s\n", qPrintable(data));
        return 2;
    }

    ReaderWidget screen(&dictionary, nullptr);
    screen.resize(1024, 700);
    screen.show();
    if (!QTest::qWaitForWindowExposed(&screen))
        std::fprintf(stderr, "the screen was not shown\n");
    const double first = pasteToPaint(screen, text);
    std::vector<double> later;
    for (int round = 0; round < 5; ++round)
        later.push_back(pasteToPaint(screen, text + QString::number(round)));
    std::printf("paste of %lld characters to first paint: %.1f ms for the first text of a run "
                "(the word table loading), best of 5 afterwards %.1f ms\n",
                static_cast<long long>(text.size()), first,
                *std::min_element(later.begin(), later.end()));

    // Hover the Chinese words of the first screen, one after another.
    ResultPageView* panel = screen.resultView();
    if (!QTest::qWaitFor([&] { return panel->isReady(); }, 30000))
        std::fprintf(stderr, "the panel's page did not load\n");
    std::vector<double> handed;
    std::vector<double> painted;
    const korvo::ReaderDocument& document = screen.document();
    for (int segment = 0, hovered = 0; segment < document.segmentCount() && hovered < 20;
         ++segment) {
        const QRect box = screen.textView()->segmentRect(segment);
        if (box.isEmpty() || !document.segment(segment).isChinese())
            continue;
        ++hovered;
        QSignalSpy shown(panel, &ResultPageView::contentShown);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseMove(screen.textView()->viewport(), box.center());
        handed.push_back(clock.nsecsElapsed() / 1e6);
        const int generation = panel->contentGeneration();
        if (QTest::qWaitFor(
                [&] { return !shown.isEmpty() && shown.last().at(0).toInt() == generation; }, 5000))
            painted.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("hover to panel (median of %zu words): content handed to the page %.1f ms, "
                "painted by the page %.1f ms (%zu reports)\n",
                handed.size(), median(handed), median(painted), painted.size());
    return 0;
}
