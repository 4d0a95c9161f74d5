// The drawing pad while a character is written: the time from a pointer move to the canvas
// repainted (the work of one frame), and from the pen lifted to the candidates shown. Characters
// are written from their stroke medians with a pointer event every 4 pixels. Run offscreen:
// painting goes to the raster backing store, as on a desktop without a compositor's help.
//
// usage: QT_QPA_PLATFORM=offscreen quillet-bench-handwriting-pad

#include "handwriting_ui/handwritingcanvas.h"
#include "handwriting_ui/handwritingpad.h"
#include "handwritingtestsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::min(values.size() - 1, size_t(share * values.size()))];
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(edit);
    layout->addStretch(1);
    window.resize(500, 400);
    window.show();
    korvo::HandwritingPad* pad = korvo::HandwritingPad::attach(edit);
    pad->open();
    if (!QTest::qWaitForWindowExposed(pad)) {
        std::fprintf(stderr, "The pad was not shown\n");
        return 1;
    }
    korvo::HandwritingCanvas* canvas = pad->canvas();

    std::vector<double> frames, strokeEnds;
    const QStringList characters =
        QString::fromUtf8("永學國龍謝鬱你好我們愛書寫字").split(QString());
    for (int round = 0; round < 5; ++round) {
        for (const QString& character : characters) {
            if (character.isEmpty())
                continue;
            const QRectF box = QRectF(canvas->rect()).adjusted(10, 10, -10, -10);
            for (const QVector<QPointF>& stroke :
                 handwritingtest::placed(handwritingtest::medians(character), box)) {
                QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, stroke.first().toPoint());
                for (int i = 1; i < stroke.size(); ++i) {
                    const QPointF a = stroke.at(i - 1), b = stroke.at(i);
                    const int steps = std::max(1, int(QLineF(a, b).length() / 4));
                    for (int s = 1; s <= steps; ++s) {
                        QElapsedTimer timer;
                        timer.start();
                        QTest::mouseMove(canvas, (a + (b - a) * (double(s) / steps)).toPoint());
                        canvas->repaint();
                        frames.push_back(timer.nsecsElapsed() / 1e6);
                    }
                }
                QElapsedTimer timer;
                timer.start();
                QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier,
                                    stroke.last().toPoint());
                pad->repaint();
                strokeEnds.push_back(timer.nsecsElapsed() / 1e6);
            }
            pad->pick(0);
        }
    }
    std::printf("Pad %dx%d: %zu pointer moves, move to repaint p50 %.3f ms, p99 %.3f ms, max "
                "%.3f ms (a frame at 60 per second has 16.7 ms)\n",
                canvas->width(), canvas->height(), frames.size(), percentile(frames, 0.5),
                percentile(frames, 0.99), percentile(frames, 1.0));
    std::printf("Pen lifted to candidates shown: %zu strokes, p50 %.2f ms, p99 %.2f ms, max %.2f "
                "ms\n",
                strokeEnds.size(), percentile(strokeEnds, 0.5), percentile(strokeEnds, 0.99),
                percentile(strokeEnds, 1.0));
    return 0;
}
