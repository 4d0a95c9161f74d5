// Takes the dictionary screen's screenshots for the README: the welcome page, "ni3 hao3" with
// the character box and its example sentences, an English search and a radical listing, in the
// real program on a fresh profile at 1024 x 768.
//
// Usage: quillet_screenshot_dictionary <output folder>   (run under a display, e.g. xvfb-run)

#include "dictionary_ui/dictionarywidget.h"
#include "screenshotsession.h"
#include "ui/mainwindow.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include <cstdio>

namespace {

// Waits until the page has loaded (and, for a character box, its sentences are in).
void waitForPage(DictionaryWidget* screen, bool sentences)
{
    QTest::qWait(300);
    for (int i = 0; i < 50; ++i) {
        QEventLoop loop;
        bool ready = false;
        screen->webView()->page()->runJavaScript(
            sentences ? "document.body && document.body.getAttribute('data-sentences') !== null"
                      : "document.readyState === 'complete'",
            [&](const QVariant& result) {
                ready = result.toBool();
                loop.quit();
            });
        loop.exec();
        if (ready)
            break;
        QTest::qWait(100);
    }
    QTest::qWait(400);
}

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<ScreenshotSession> session = ScreenshotSession::start(argc, argv);
    if (!session)
        return 2;
    MainWindow* window = session->window();
    window->showScreen(QStringLiteral("dictionary"));
    DictionaryWidget* screen = window->dictionaryScreen();

    bool ok = true;
    waitForPage(screen, false);
    ok &= session->save(window->grab(), QStringLiteral("dictionary-welcome.png"));

    const QList<QPair<QString, QString>> searches = {
        {QStringLiteral("ni3 hao3"), QStringLiteral("dictionary-nihao.png")},
        {QStringLiteral("好"), QStringLiteral("dictionary-character.png")},
        {QStringLiteral("to study"), QStringLiteral("dictionary-english.png")},
        {QStringLiteral("radical:水"), QStringLiteral("dictionary-radical.png")}};
    for (const auto& [query, file] : searches) {
        screen->searchTextInput()->setText(query);
        QTest::keyClick(screen->searchTextInput(), Qt::Key_Return);
        waitForPage(screen, query == QStringLiteral("好"));
        ok &= session->save(window->grab(), file);
    }
    window->close();
    return ok ? 0 : 1;
}
