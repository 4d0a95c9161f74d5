#pragma once

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace korvo {

class Profile;

// Asks the version server, at most once a week, whether a newer version of the program exists,
// and offers to open the download page when one does. The time of the next check is the
// setting "nextUpdateCheckTime"; a failed check stores nothing, so the next start tries again.
// Owned by the application object; the profile is borrowed.
class UpdateCheck : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 CheckInterval = 604800; // seconds: one week
    static constexpr qint64 MaximumReplySize = 64 * 1024;
    static constexpr int TimeoutMilliseconds = 15000;

    explicit UpdateCheck(Profile* profile, QObject* parent = nullptr);

    // The maker's version server; QUILLET_UPDATE_SERVER in the environment replaces it.
    static QString defaultServerAddress();
    // Whether a version server is configured at all; without one nothing is ever asked.
    static bool isAvailable();
    // The platform name the server is told: the one the program was built for.
    static QString platformName();

    QString serverAddress() const { return m_serverAddress; }
    void setServerAddress(const QString& address) { m_serverAddress = address; }
    // A request still unanswered after this long is abandoned.
    void setTimeout(int milliseconds) { m_timeout = milliseconds; }
    // After this, a reply that still arrives is ignored.
    void setShuttingDown() { m_shuttingDown = true; }

    // Sends the request when a check is due; whether it did.
    bool checkForUpdate();

signals:
    // A reply was handled (whatever it said) or dropped.
    void finished();

private slots:
    void checkForUpdate_finished(QNetworkReply* reply);

private:
    void handleReply(QNetworkReply* reply);
    void announceNewVersion(const QString& version, const QString& message,
                            const QString& downloadUrl);

    Profile* m_profile;
    QString m_serverAddress;
    QNetworkAccessManager* m_network = nullptr;
    int m_timeout = TimeoutMilliseconds;
    bool m_shuttingDown = false;
};

} // namespace korvo
