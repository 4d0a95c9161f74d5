#pragma once

#include <QWebEnginePage>

// The dictionary screen's web page. It never navigates away from the pages the program loads:
// every clicked link, and any navigation to a "quillet:" address, is handed to the screen
// instead. Owned by the screen's web view.
class DictionaryPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit DictionaryPage(QWebEngineProfile* profile, QObject* parent = nullptr);

signals:
    void linkClicked(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceId) override;
};
