#include "app/updatecheck.h"
#include "guitestsupport.h"
#include "localhttpserver.h"
#include "profile/profile.h"
#include "profiletestsupport.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {

QByteArray versionReply(const QString& version, const QString& message = QString(),
                        const QString& downloadUrl = QStringLiteral("https://quillet.org/download"))
{
    return QStringLiteral("{\"version\":\"%1\",\"message\":\"%2\",\"downloadUrl\":\"%3\"}")
        .arg(version, message, downloadUrl)
        .toUtf8();
}

} // namespace

// The update check against a version server the test runs on 127.0.0.1.
class TestUpdateCheck : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl& url) { m_opened.append(url); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void checkIsSentOnlyWhenDue();
    void nothingIsAskedWithoutAServer();
    void requestNamesTheRealPlatform();
    void versionsThatAreNotNewerShowNothing_data();
    void versionsThatAreNotNewerShowNothing();
    void newerVersionOffersTheDownload();
    void releaseNotesEndTheText();
    void cancelOpensNothing();
    void downloadOpensOnlyWebAddresses_data();
    void downloadOpensOnlyWebAddresses();
    void failedRepliesChangeNothing_data();
    void failedRepliesChangeNothing();
    void unansweredRequestIsAbandoned();
    void replyAfterShutdownIsIgnored();
    void checkDestroyedWhileWaitingIsSafe();

private:
    qint64 nextCheck() { return m_profile->setting("nextUpdateCheckTime").toLongLong(); }
    // Runs one check against the server and waits for its reply to be handled.
    bool runCheck();

    QTemporaryDir m_folder;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<UpdateCheck> m_check;
    QList<QUrl> m_opened;
};

void TestUpdateCheck::initTestCase()
{
    m_profile = profiletest::openEmptyProfile(m_folder.path());
    QDesktopServices::setUrlHandler("http", this, "openUrl");
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    QDesktopServices::setUrlHandler("file", this, "openUrl");
}

void TestUpdateCheck::init()
{
    m_opened.clear();
    m_profile->setSetting("nextUpdateCheckTime", QDateTime::currentSecsSinceEpoch() - 10);
    m_server = std::make_unique<LocalHttpServer>();
    QVERIFY(m_server->listen());
    m_check = std::make_unique<UpdateCheck>(m_profile.get());
    m_check->setServerAddress(m_server->address());
}

void TestUpdateCheck::cleanup()
{
    m_check.reset();
    m_server.reset();
}

void TestUpdateCheck::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("file");
    m_profile.reset();
}

bool TestUpdateCheck::runCheck()
{
    QSignalSpy finished(m_check.get(), &UpdateCheck::finished);
    if (!m_check->checkForUpdate())
        return false;
    return finished.wait(20000);
}

void TestUpdateCheck::checkIsSentOnlyWhenDue()
{
    m_profile->setSetting("nextUpdateCheckTime", QDateTime::currentSecsSinceEpoch() + 1);
    QVERIFY(!m_check->checkForUpdate());
    QTest::qWait(100);
    QVERIFY(m_server->requests().isEmpty());

    m_profile->setSetting("nextUpdateCheckTime", QDateTime::currentSecsSinceEpoch());
    m_server->setReply(200, versionReply("3.4.4.4703"));
    QVERIFY(runCheck());
    QCOMPARE(m_server->requests().size(), 1);
}

// The build configures no version server by default; the environment's is the tests' own.
void TestUpdateCheck::nothingIsAskedWithoutAServer()
{
    const QByteArray configured = qgetenv("QUILLET_UPDATE_SERVER");
    qunsetenv("QUILLET_UPDATE_SERVER");
    QVERIFY(!UpdateCheck::isAvailable());
    UpdateCheck check(m_profile.get());
    QVERIFY(check.serverAddress().isEmpty());
    QVERIFY(!check.checkForUpdate());
    qputenv("QUILLET_UPDATE_SERVER", configured);
    QVERIFY(UpdateCheck::isAvailable());
}

void TestUpdateCheck::requestNamesTheRealPlatform()
{
    m_server->setReply(200, versionReply("3.4.4.4703"));
    QVERIFY(runCheck());
    QCOMPARE(m_server->requests(), QStringList{"GET /versioninfo/?os=linux HTTP/1.1"});
}

void TestUpdateCheck::versionsThatAreNotNewerShowNothing_data()
{
    QTest::addColumn<QString>("version");
    QTest::newRow("same") << "3.4.4.4703";
    QTest::newRow("common prefix only") << "3.4";
    QTest::newRow("third part not a number") << "3.4.x";
    QTest::newRow("older") << "3.3.9.9999";
}

// Nothing is shown, but the next check moves a week ahead.
void TestUpdateCheck::versionsThatAreNotNewerShowNothing()
{
    QFETCH(QString, version);
    m_server->setReply(200, versionReply(version));
    auto box = guitest::clickInNextModal("Cancel");
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QVERIFY(runCheck());
    QTest::qWait(50);
    QVERIFY(!box->seen);
    QVERIFY(nextCheck() >= before + UpdateCheck::CheckInterval);
    QVERIFY(nextCheck() <= QDateTime::currentSecsSinceEpoch() + UpdateCheck::CheckInterval);
}

void TestUpdateCheck::newerVersionOffersTheDownload()
{
    m_server->setReply(200, versionReply("3.5"));
    auto box = guitest::clickInNextModal("Download");
    QVERIFY(runCheck());
    QVERIFY(box->seen);
    QCOMPARE(box->title, QStringLiteral("New version of Quillet"));
    QCOMPARE(box->text, QStringLiteral("A new version of Quillet is available!\n\nYour version: "
                                       "3.4.4.4703\nNew version: 3.5"));
    QCOMPARE(QSet<QString>(box->buttons.begin(), box->buttons.end()),
             (QSet<QString>{"Download", "Cancel"}));
    QCOMPARE(m_opened, QList<QUrl>{QUrl("https://quillet.org/download/?source=app")});
    QVERIFY(nextCheck() > QDateTime::currentSecsSinceEpoch());
}

void TestUpdateCheck::releaseNotesEndTheText()
{
    m_server->setReply(200, versionReply("3.5.0.5000", "Faster search"));
    auto box = guitest::clickInNextModal("Cancel");
    QVERIFY(runCheck());
    QVERIFY(box->text.endsWith("\nNew version: 3.5.0.5000\nRelease notes: Faster search"));
}

void TestUpdateCheck::cancelOpensNothing()
{
    m_server->setReply(200, versionReply("4.0"));
    auto box = guitest::clickInNextModal("Cancel");
    QVERIFY(runCheck());
    QVERIFY(box->seen);
    QVERIFY(m_opened.isEmpty());
}

void TestUpdateCheck::downloadOpensOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("downloadUrl");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << "https://quillet.org/get" << true;
    QTest::newRow("http") << "http://quillet.org/get" << true;
    QTest::newRow("local file") << "file:///etc/passwd" << false;
    QTest::newRow("script") << "javascript:alert(1)" << false;
    QTest::newRow("empty") << "" << false;
}

void TestUpdateCheck::downloadOpensOnlyWebAddresses()
{
    QFETCH(QString, downloadUrl);
    QFETCH(bool, opened);
    m_server->setReply(200, versionReply("9.0", QString(), downloadUrl));
    auto box = guitest::clickInNextModal("Download");
    if (!opened)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("download address is not a web"));
    QVERIFY(runCheck());
    QVERIFY(box->seen);
    QCOMPARE(m_opened.size(), opened ? 1 : 0);
}

void TestUpdateCheck::failedRepliesChangeNothing_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("mode");

    const int reply = int(LocalHttpServer::Mode::Reply);
    QTest::newRow("not JSON") << 200 << QByteArray("<html>version 9</html>") << reply;
    QTest::newRow("server error") << 500 << versionReply("9.0") << reply;
    QTest::newRow("not found") << 404 << QByteArray() << reply;
    QTest::newRow("connection closed")
        << 200 << QByteArray() << int(LocalHttpServer::Mode::CloseWithoutReply);
    QByteArray huge = versionReply("9.0");
    huge.append(QByteArray(UpdateCheck::MaximumReplySize, ' '));
    QTest::newRow("larger than 64 KiB") << 200 << huge << reply;
}

void TestUpdateCheck::failedRepliesChangeNothing()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, mode);
    m_server->setReply(status, body);
    m_server->setMode(LocalHttpServer::Mode(mode));
    const qint64 before = nextCheck();
    auto box = guitest::clickInNextModal("Cancel");
    QVERIFY(runCheck());
    QTest::qWait(50);
    QVERIFY(!box->seen);
    QCOMPARE(nextCheck(), before);
}

void TestUpdateCheck::unansweredRequestIsAbandoned()
{
    QCOMPARE(UpdateCheck::TimeoutMilliseconds, 15000);
    m_server->setMode(LocalHttpServer::Mode::NeverReply);
    m_check->setTimeout(300);
    const qint64 before = nextCheck();
    auto box = guitest::clickInNextModal("Cancel");
    QVERIFY(runCheck());
    QCOMPARE(m_server->requests().size(), 1);
    QVERIFY(!box->seen);
    QCOMPARE(nextCheck(), before);
}

void TestUpdateCheck::replyAfterShutdownIsIgnored()
{
    m_server->setReply(200, versionReply("9.0"));
    m_server->setDelay(200);
    const qint64 before = nextCheck();
    QSignalSpy finished(m_check.get(), &UpdateCheck::finished);
    QVERIFY(m_check->checkForUpdate());
    m_check->setShuttingDown();
    auto box = guitest::clickInNextModal("Cancel");
    QVERIFY(finished.wait(20000));
    QTest::qWait(50);
    QVERIFY(!box->seen);
    QCOMPARE(nextCheck(), before);
    QVERIFY(!m_check->checkForUpdate());
}

void TestUpdateCheck::checkDestroyedWhileWaitingIsSafe()
{
    m_server->setMode(LocalHttpServer::Mode::NeverReply);
    QVERIFY(m_check->checkForUpdate());
    QTRY_COMPARE(m_server->requests().size(), 1);
    m_check.reset();
    QTest::qWait(50);
}

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
