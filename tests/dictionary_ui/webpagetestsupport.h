#pragma once

#include <QString>
#include <QVariant>

class QWebEngineView;

// Helpers for tests that read and click the dictionary's web pages. Test code only.
namespace webtest {

// The value of a script run in the page (waits up to ten seconds for the answer).
QVariant evaluate(QWebEngineView* view, const QString& script);
// The HTML of the fully loaded page once it contains `marker` (or the last HTML seen after
// 15 s).
QString loadedHtml(QWebEngineView* view, const QString& marker);
// A real mouse click, through the window, on the first element the selector finds, once the
// page has been drawn. False when there is no such element.
bool clickElement(QWebEngineView* view, const QString& selector);

} // namespace webtest
