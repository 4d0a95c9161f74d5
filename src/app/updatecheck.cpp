#include "app/updatecheck.h"

#include "app/application.h"
#include "profile/profile.h"
#include "style/messagebox.h"
#include "text/json.h"
#include "text/texthelpers.h"
#include "text/translationcatalogue.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QVariantMap>

namespace korvo {

namespace {

const QString NextCheckSetting = QStringLiteral("nextUpdateCheckTime");

// Only web addresses are handed to the system: a reply cannot make the program open a local
// file or start another program through its URL handlers.
bool isWebAddress(const QUrl& url)
{
    return url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

} // namespace

UpdateCheck::UpdateCheck(Profile* profile, QObject* parent)
    : QObject(parent), m_profile(profile), m_serverAddress(defaultServerAddress())
{
}

// The build names the version server (CMake option QUILLET_UPDATE_SERVER, empty by default and in
// the Debian package); the environment variable of the same name takes its place, as the tests do.
QString UpdateCheck::defaultServerAddress()
{
    const QString configured = qEnvironmentVariable("QUILLET_UPDATE_SERVER");
    return configured.isEmpty() ? QStringLiteral(QUILLET_UPDATE_SERVER) : configured;
}

bool UpdateCheck::isAvailable()
{
    return !defaultServerAddress().isEmpty();
}

QString UpdateCheck::platformName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("windows");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("mac");
#elif defined(Q_OS_LINUX)
    return QStringLiteral("linux");
#else
    return QStringLiteral("unix");
#endif
}

bool UpdateCheck::checkForUpdate()
{
    if (m_shuttingDown || m_serverAddress.isEmpty())
        return false;
    const qint64 nextCheck = m_profile->setting(NextCheckSetting).toLongLong();
    if (nextCheck > QDateTime::currentSecsSinceEpoch())
        return false;

    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        connect(m_network, &QNetworkAccessManager::finished, this,
                &UpdateCheck::checkForUpdate_finished);
    }
    QNetworkRequest request(
        QUrl(m_serverAddress + QStringLiteral("/versioninfo/?os=") + platformName()));
    request.setTransferTimeout(m_timeout);
    QNetworkReply* reply = m_network->get(request);
    // A reply larger than any version description is not read to its end.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > MaximumReplySize || total > MaximumReplySize) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    });
    return true;
}

void UpdateCheck::checkForUpdate_finished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (!m_shuttingDown)
        handleReply(reply);
    emit finished();
}

void UpdateCheck::handleReply(QNetworkReply* reply)
{
    if (reply->error() != QNetworkReply::NoError || reply->property("tooLarge").toBool())
        return;
    const QByteArray body = reply->read(MaximumReplySize + 1);
    if (body.size() > MaximumReplySize)
        return;
    bool ok = false;
    const QVariant json = readJson(QString::fromUtf8(body), &ok);
    if (!ok)
        return;
    const QVariantMap info = json.toMap();
    const QString version = info.value(QStringLiteral("version")).toString();
    const QString message = info.value(QStringLiteral("message")).toString();
    const QString downloadUrl = info.value(QStringLiteral("downloadUrl")).toString();

    m_profile->setSetting(NextCheckSetting, QDateTime::currentSecsSinceEpoch() + CheckInterval);
    if (compareVersions(Application::version(), version) >= 0)
        return;
    announceNewVersion(version, message, downloadUrl);
}

void UpdateCheck::announceNewVersion(const QString& version, const QString& message,
                                     const QString& downloadUrl)
{
    QString text = translate("A new version of %3 is available!\n\nYour version: %1\nNew "
                             "version: %2")
                       .arg(Application::version(), version, Application::productName());
    if (!message.isEmpty())
        text += QStringLiteral("\nRelease notes: ") + message;
    const QString title = translate("New version of %1").arg(Application::productName());
    const QString buttons = QStringLiteral("%1|%2").arg(translate("Download"), translate("Cancel"));
    if (information(text, title, buttons) != 0)
        return;
    const QUrl download(downloadUrl + QStringLiteral("/?source=app"));
    if (isWebAddress(download))
        QDesktopServices::openUrl(download);
    else
        qWarning("Update check: the download address is not a web address: %s",
                 qPrintable(downloadUrl));
}

} // namespace korvo
