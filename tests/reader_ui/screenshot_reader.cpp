// Takes the reader's screenshot for the README: a paragraph of real Chinese with the pinyin over
// its words and the entry of the hovered word beside it, in the real program on a fresh profile
// at 1024 x 768.
//
// Usage: quillet_screenshot_reader <output folder>   (run under a display, e.g. xvfb-run)

#include "dictionary_ui/resultpageview.h"
#include "reader/readerdocument.h"
#include "reader_ui/readertextview.h"
#include "reader_ui/readerwidget.h"
#include "screenshotsession.h"
#include "ui/mainwindow.h"

#include <QSignalSpy>
#include <QTest>

#include <cstdio>

namespace {

const char* const Paragraph =
    "我每天早上七点起床，先喝一杯茶，然后骑自行车去学校。我们的中文老师很有意思，她常常给我们讲"
    "中国的故事。昨天她说，北京的春天很短，夏天很热，秋天最舒服。下个月我要和朋友一起去北京旅行，"
    "我们想去看长城，也想尝尝北京烤鸭。我的中文还不太好，可是我觉得每天读一点儿，就会进步。";

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<ScreenshotSession> session = ScreenshotSession::start(argc, argv);
    if (!session)
        return 2;
    MainWindow* window = session->window();
    window->showScreen(QStringLiteral("reader"));
    korvo::ReaderWidget* screen = window->readerScreen();
    QSignalSpy shown(screen, &korvo::ReaderWidget::textShown);
    screen->setText(QString::fromUtf8(Paragraph));
    if (!shown.wait(30000)) {
        std::fprintf(stderr, "The text was not shown\n");
        return 1;
    }
    // The hovered word: 长城, its entry in the panel.
    const korvo::ReaderDocument& document = screen->document();
    for (int i = 0; i < document.segmentCount(); ++i) {
        if (document.segmentText(i) == QStringLiteral("长城")) {
            const QRect box = screen->textView()->segmentRect(i);
            QTest::mouseMove(screen->textView()->viewport(), box.center());
            break;
        }
    }
    // The panel's page painted the entry.
    ResultPageView* panel = screen->resultView();
    if (!QTest::qWaitFor([&] { return panel->isReady() && panel->contentGeneration() > 0; }, 20000))
        std::fprintf(stderr, "The panel's page did not load\n");
    QSignalSpy painted(panel, &ResultPageView::contentShown);
    if (painted.isEmpty())
        painted.wait(10000);
    QTest::qWait(500);
    return session->save(window->grab(), QStringLiteral("reader.png")) ? 0 : 1;
}
