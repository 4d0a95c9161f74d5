// Takes the README's picture of the drawing pad: the dictionary screen of the real program on a
// fresh profile, the pad open under the search line with 谢 written in it (from its stroke
// medians, by mouse events) and its candidates.
//
// Usage: quillet_screenshot_handwriting <output folder>   (run under a display, e.g. xvfb-run)

#include "dictionary_ui/dictionarywidget.h"
#include "handwriting_ui/handwritingcanvas.h"
#include "handwriting_ui/handwritingpad.h"
#include "handwritingtestsupport.h"
#include "screenshotsession.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include <cstdio>

int main(int argc, char** argv)
{
    const std::unique_ptr<ScreenshotSession> session = ScreenshotSession::start(argc, argv);
    if (!session)
        return 2;
    MainWindow* window = session->window();
    window->move(0, 0);
    window->showScreen(QStringLiteral("dictionary"));
    QTest::qWait(1500);
    QLineEdit* line = window->dictionaryScreen()->searchTextInput();
    korvo::HandwritingPad* pad = korvo::HandwritingPad::of(line);
    if (!pad) {
        std::fprintf(stderr, "The search line has no pad\n");
        return 1;
    }
    for (QObject* object : pad->padAction()->associatedObjects()) {
        if (auto* button = qobject_cast<QToolButton*>(object))
            QTest::mouseClick(button, Qt::LeftButton);
    }
    QTest::qWait(300);
    korvo::HandwritingCanvas* canvas = pad->canvas();
    const QRectF box = QRectF(canvas->rect()).adjusted(14, 14, -14, -14);
    for (const QVector<QPointF>& stroke :
         handwritingtest::placed(handwritingtest::medians(QStringLiteral("谢")), box)) {
        QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, stroke.first().toPoint());
        for (const QPointF& p : stroke)
            QTest::mouseMove(canvas, p.toPoint());
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, stroke.last().toPoint());
    }
    QTest::qWait(500);
    // The pad is a window of its own: the picture is taken of the screen around both.
    const QRect area = window->frameGeometry().united(pad->frameGeometry());
    const QPixmap picture = window->screen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                         std::min(area.height(), 520));
    return session->save(picture, QStringLiteral("handwriting-pad.png")) ? 0 : 1;
}
