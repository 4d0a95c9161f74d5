#include "dictionary_ui/dictionarypage.h"

#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlSchemeHandler>

namespace {

// Makes "quillet:" addresses the web engine's own, so that following one is an ordinary
// navigation, which the page turns into a request to the screen. Nothing is ever loaded from
// them.
class QuilletSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
    }
};

} // namespace

DictionaryPage::DictionaryPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    if (!profile->urlSchemeHandler("quillet"))
        profile->installUrlSchemeHandler("quillet", new QuilletSchemeHandler(profile));
}

bool DictionaryPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool)
{
    if (type == NavigationTypeLinkClicked || url.scheme() == QLatin1String("quillet")) {
        emit linkClicked(url);
        return false;
    }
    return true;
}

// Script errors of the skin's pages go to the error output, where a skin author looks for them.
void DictionaryPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                              const QString& message, int lineNumber,
                                              const QString& sourceId)
{
    if (level == ErrorMessageLevel)
        qWarning("Dictionary page %s:%d: %s", qPrintable(sourceId), lineNumber,
                 qPrintable(message));
}
