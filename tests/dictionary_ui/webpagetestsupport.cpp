#include "webpagetestsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

namespace webtest {

namespace {

void waitUntil(const bool& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

} // namespace

QVariant evaluate(QWebEngineView* view, const QString& script)
{
    QVariant value;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& result) {
        value = result;
        done = true;
    });
    waitUntil(done, 10000);
    if (!done)
        qWarning("script did not answer: %s", qPrintable(script));
    return value;
}

QString loadedHtml(QWebEngineView* view, const QString& marker)
{
    // The state and the markup are read in one script so that both belong to the same page:
    // a page still being parsed may already hold the marker but not yet all of its results.
    const QString script =
        QStringLiteral("document.readyState + '\\n' + document.documentElement.outerHTML");
    QString html;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
        const QString answer = evaluate(view, script).toString();
        const qsizetype newline = answer.indexOf('\n');
        html = answer.mid(newline + 1);
        if (answer.left(newline) == QLatin1String("complete") && html.contains(marker))
            break;
        QTest::qWait(20);
    }
    return html;
}

bool clickElement(QWebEngineView* view, const QString& selector)
{
    // A new page takes input once it has been drawn: wait for two animation frames.
    evaluate(view, "window.framesDrawn = 0; requestAnimationFrame(() => "
                   "requestAnimationFrame(() => window.framesDrawn = 2))");
    if (!QTest::qWaitFor([&] { return evaluate(view, "window.framesDrawn").toInt() == 2; }))
        return false;
    const QVariantList box =
        evaluate(view, QStringLiteral("(function() { const e = document.querySelector(\"%1\"); "
                                      "if (!e) return []; const r = e.getBoundingClientRect(); "
                                      "return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                           .arg(selector))
            .toList();
    QWidget* target = view->focusProxy();
    if (box.size() != 2 || !target)
        return false;
    // Through the window, as the window system delivers a real click, pointed at first so the
    // page knows what is under the mouse.
    QWidget* top = view->window();
    const QPoint point = target->mapTo(top, QPoint(box.at(0).toInt(), box.at(1).toInt()));
    QTest::mouseMove(top->windowHandle(), point);
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
    return true;
}

} // namespace webtest
