#include "app/application.h"
#include "app/updatecheck.h"
#include "guitestsupport.h"
#include "localhttpserver.h"
#include "practice/practicewidget.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "profile/profileschema.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"
#include "ui/aboutdialog.h"
#include "ui/mainwindow.h"
#include "ui/navigationbar.h"

#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include "profiletestsupport.h"

// Runs against a real application object, which the test's main() creates the way the program
// entry does, with the per-user data location moved into a temporary folder.
class TestApplication : public QObject
{
    Q_OBJECT

public:
    TestApplication(const QString& userDataFolder, LocalHttpServer* versionServer)
        : m_userData(userDataFolder), m_versionServer(versionServer)
    {
    }

public slots:
    void openUrl(const QUrl& url) { m_opened.append(url); }

private slots:
    void knowsItsVersionAndName();
    void constructionFillsThePinyinTables();
    void startUpCreatesAndUpgradesTheProfile();
    void startUpLoadsTheBuiltInDeckTree();
    void theRunningProgramKeepsToolsOffItsProfile();
    void firstRunBacksUpTheProfileUnderTodaysDate();
    void windowOpensAtTheDefaultPlaceOnTheSavedScreen();
    void updateCheckRunsHalfASecondAfterStartUp();
    void f1OpensTheHelpPageAtTheWidgetsAnchor();
    void helpFollowsTheLanguageAndFallsBackToEnglish_data();
    void helpFollowsTheLanguageAndFallsBackToEnglish();
    void aboutBoxShowsVersionCreditsAndContact();
    void escapeClosesEveryDialog();
    void changingTheLanguageRetranslatesTheWindowAndDialogs();
    void languageChosenInTheOptionsRetranslatesEveryWindow();
    void showsTheMainWindowAndQuitsCleanlyWhenItCloses();
    void exitStoresTheScreenAndTheGeometry();

private:
    QString m_userData;
    LocalHttpServer* m_versionServer;
    QList<QUrl> m_opened;
};

void TestApplication::knowsItsVersionAndName()
{
    QCOMPARE(korvo::Application::version(), QStringLiteral("3.4.4.4703"));
    QCOMPARE(korvo::Application::productName(), QStringLiteral("Quillet"));
}

void TestApplication::constructionFillsThePinyinTables()
{
    QCOMPARE(korvo::splitSyllables(QStringLiteral("zhongguo")),
             QStringList({QStringLiteral("zhong"), QStringLiteral("guo")}));
}

void TestApplication::startUpCreatesAndUpgradesTheProfile()
{
    auto* app = korvo::Application::instance();
    QVERIFY(!QFile::exists(m_userData + "/Quillet/Profile.db"));
    app->initialize();

    QCOMPARE(app->profileDatabase(), m_userData + "/Quillet/Profile.db");
    QVERIFY(QFile::exists(app->profileDatabase()));
    QCOMPARE(app->profile()->databaseVersion(), QString(korvo::CurrentProfileSchemaVersion));
    QCOMPARE(app->profile()->setting("lastAppVersion").toString(), korvo::Application::version());
}

void TestApplication::startUpLoadsTheBuiltInDeckTree()
{
    korvo::Deck* root = korvo::Application::instance()->profile()->rootDeck();
    QVERIFY(root);
    QMap<QString, int> folderSizes;
    QStringList decks;
    for (korvo::Deck* child : root->children()) {
        if (child->isFolder())
            folderSizes.insert(child->title(), int(child->children().size()));
        else
            decks.append(child->title());
    }
    QCOMPARE(folderSizes.value("{HSK_DECKS}"), 6);
    QCOMPARE(folderSizes.value("{COMMON_CHARACTER_DECKS}"), 5);
    QVERIFY(decks.contains("{CHINESE_RADICALS}"));
}

void TestApplication::theRunningProgramKeepsToolsOffItsProfile()
{
    auto* app = korvo::Application::instance();
    QVERIFY(QFile::exists(app->profileFolder() + "/Profile.db.lock"));
    QProcess cli;
    cli.start(QStringLiteral(QUILLET_DATA_DIR "/../quillet-cli"),
              {"import", "--profile", app->profileDatabase(),
               QStringLiteral(QUILLET_SOURCE_DIR "/tests/importing/fixtures/words.csv")});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 3);
    QVERIFY2(cli.readAllStandardError().contains("is open in the program"), "no refusal");
    QCOMPARE(profiletest::scalar(app->profile()->database(),
                                 "SELECT COUNT(*) FROM Decks WHERE title = 'words'")
                 .toInt(),
             0);
}

void TestApplication::firstRunBacksUpTheProfileUnderTodaysDate()
{
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    QVERIFY(QFile::exists(m_userData + "/Quillet/Profile." + today + ".db"));
}

void TestApplication::windowOpensAtTheDefaultPlaceOnTheSavedScreen()
{
    MainWindow* window = korvo::Application::instance()->mainWindow();
    QCOMPARE(window->size(), QSize(1024, 768));
    QCOMPARE(window->pos(), QPoint(0, 0));
    // A new profile's "context.screenName" is the practice screen.
    QCOMPARE(window->screenName(), QStringLiteral("practice"));
    QVERIFY(window->practiceScreen() && window->practiceScreen()->isVisible());
    QVERIFY(!window->deckManagerScreen());
}

// The test's main() points the program at a version server on 127.0.0.1.
void TestApplication::updateCheckRunsHalfASecondAfterStartUp()
{
    auto* app = korvo::Application::instance();
    if (m_versionServer->requests().isEmpty())
        QVERIFY(QSignalSpy(m_versionServer, &LocalHttpServer::requestReceived).wait(5000));
    QCOMPARE(m_versionServer->requests(), QStringList{"GET /versioninfo/?os=linux HTTP/1.1"});
    QTRY_VERIFY(app->profile()->setting("nextUpdateCheckTime").toLongLong() >
                QDateTime::currentSecsSinceEpoch() + 6 * 86400);
}

void TestApplication::f1OpensTheHelpPageAtTheWidgetsAnchor()
{
    auto* app = korvo::Application::instance();
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    m_opened.clear();
    MainWindow* window = app->mainWindow();
    window->activateWindow();
    // Each screen opens its own part of the help, from wherever the focus is in the window.
    const QList<QPair<QString, QString>> screens = {
        {"practice", "practice"},
        {"manage", "manage"},
        {"dictionary", "dictionary"},
        {"reader", "reader"},
        {"statistics", "statistics"}};
    for (const auto& [screen, anchor] : screens) {
        window->showScreen(screen);
        for (QWidget* target :
             {static_cast<QWidget*>(window->navigationBar()->button("helpButton")),
              window->currentScreen()}) {
            m_opened.clear();
            target->setFocus();
            QTest::keyClick(target, Qt::Key_F1);
            QCOMPARE(m_opened.size(), 1);
            QCOMPARE(m_opened.first().fragment(), anchor);
        }
    }
    window->showScreen("practice");

    QDialog dialog(window);
    auto* field = new QLineEdit(&dialog);
    app->addHelpShortcut(&dialog, "session");
    dialog.setModal(true);
    dialog.show();
    dialog.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &dialog);
    field->setFocus();
    m_opened.clear();
    QTest::keyClick(field, Qt::Key_F1);
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened.first().fileName(), QStringLiteral("help_en.html"));
    QCOMPARE(m_opened.first().fragment(), QStringLiteral("session"));
    QVERIFY(QFile::exists(m_opened.first().toLocalFile()));
    QDesktopServices::unsetUrlHandler("file");
}

void TestApplication::helpFollowsTheLanguageAndFallsBackToEnglish_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("page");
    for (const char* locale : {"en", "de", "fr", "es", "zh_CN", "zh_TW"})
        QTest::newRow(locale) << locale << QStringLiteral("help_%1.html").arg(locale);
    QTest::newRow("no page") << "pt"
                             << "help_en.html";
    QTest::newRow("empty") << ""
                           << "help_en.html";
}

void TestApplication::helpFollowsTheLanguageAndFallsBackToEnglish()
{
    QFETCH(QString, locale);
    QFETCH(QString, page);
    auto* app = korvo::Application::instance();
    const QSignalBlocker blocker(app->profile());
    const QString previous = app->profile()->setting("locale").toString();
    app->profile()->setSetting("locale", locale);
    const QUrl address = app->helpAddress("manage");
    app->profile()->setSetting("locale", previous);
    QCOMPARE(address.fileName(), page);
    QCOMPARE(address.fragment(), QStringLiteral("manage"));
    QVERIFY2(QFile::exists(address.toLocalFile()), qPrintable(address.toLocalFile()));
}

void TestApplication::escapeClosesEveryDialog()
{
    auto* app = korvo::Application::instance();
    korvo::Deck* deck = app->profile()->rootDeck()->children().first();
    const QList<std::function<void()>> openers = {
        [app] { app->showAbout(); },
        [app] { app->showOptions(); },
        [app, deck] { app->editDeck(deck, nullptr); },
        [app] { app->editCard(nullptr, -1); },
        [app] { app->showStrokeOrder(QStringLiteral("好")); },
    };
    for (const auto& open : openers) {
        QString closed;
        auto box = guitest::onNextModal([&closed](QWidget* dialog) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            if (!dialog->isVisible())
                closed = dialog->metaObject()->className();
        });
        open();
        QVERIFY(box->seen);
        QVERIFY2(!closed.isEmpty(), qPrintable(box->className));
    }
}

void TestApplication::aboutBoxShowsVersionCreditsAndContact()
{
    auto* app = korvo::Application::instance();
    QString details;
    QString credits;
    auto box = guitest::onNextModal([&](QWidget* dialog) {
        details = dialog->findChild<QLabel*>("detailsLabel")->text();
        credits = dialog->findChild<QTextBrowser*>("creditsBrowser")->toPlainText();
        dialog->findChild<QPushButton*>("closeButton")->click();
    });
    app->showAbout();
    QVERIFY(box->seen);
    QCOMPARE(box->title, QStringLiteral("About Quillet"));
    QVERIFY(details.contains("Version 3.4.4.4703"));
    QVERIFY(details.contains(QStringLiteral("Qt %1").arg(qVersion())));
    QVERIFY(details.contains(korvo::AboutDialog::contactAddress()));
    for (const char* source : {"CC-CEDICT", "Unihan", "Tatoeba", "hanzi-writer-data", "Arphic",
                               "eSpeak NG", "CC BY-SA 4.0"})
        QVERIFY2(credits.contains(QLatin1String(source)), source);
}

// The shipped German catalogue, through the setting the options dialog writes.
void TestApplication::changingTheLanguageRetranslatesTheWindowAndDialogs()
{
    auto* app = korvo::Application::instance();
    korvo::NavigationBar* bar = app->mainWindow()->navigationBar();
    QCOMPARE(bar->button("practiceButton")->text(), QStringLiteral("Practice"));
    app->profile()->setSetting("locale", "de");
    QCOMPARE(bar->button("practiceButton")->text(), QStringLiteral("Üben"));
    QCOMPARE(bar->button("helpButton")->text(), QStringLiteral("Hilfe"));
    QString title;
    auto box = guitest::onNextModal([&](QWidget* dialog) {
        title = dialog->windowTitle();
        dialog->close();
    });
    app->showAbout();
    QCOMPARE(title, QStringLiteral("Über Quillet"));
    app->profile()->setSetting("locale", "en");
    QCOMPARE(bar->button("practiceButton")->text(), QStringLiteral("Practice"));
}

// The learner's road: Options, the language list, Save; the window and the dialogs already
// made change language at once.
void TestApplication::languageChosenInTheOptionsRetranslatesEveryWindow()
{
    auto* app = korvo::Application::instance();
    auto closeIt = guitest::onNextModal([](QWidget* dialog) { dialog->close(); });
    app->showStrokeOrder(QStringLiteral("好"));
    QVERIFY(closeIt->seen);
    QCOMPARE(closeIt->title, QStringLiteral("Stroke order"));

    const auto chooseLanguage = [](const QString& code) {
        return [code](QWidget* dialog) {
            auto* locales = dialog->findChild<QComboBox*>("localeDD");
            locales->setCurrentIndex(locales->findData(code));
            QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
        };
    };
    auto options = guitest::onNextModal(chooseLanguage("de"));
    app->showOptions();
    QVERIFY(options->seen);
    QCOMPARE(options->title, QStringLiteral("Options"));
    QCOMPARE(app->profile()->setting("locale").toString(), QStringLiteral("de"));
    korvo::NavigationBar* bar = app->mainWindow()->navigationBar();
    QCOMPARE(bar->button("practiceButton")->text(), QStringLiteral("Üben"));

    QStringList titles;
    const auto readTitle = [&](QWidget* dialog) {
        titles << dialog->windowTitle();
        dialog->close();
    };
    auto strokes = guitest::onNextModal(readTitle);
    app->showStrokeOrder(QStringLiteral("好"));
    auto about = guitest::onNextModal(readTitle);
    app->showAbout();
    auto back = guitest::onNextModal(chooseLanguage("en"));
    app->showOptions();
    QCOMPARE(titles, (QStringList{"Strichfolge", "Über Quillet"}));
    QCOMPARE(back->title, QStringLiteral("Optionen"));
    QCOMPARE(bar->button("practiceButton")->text(), QStringLiteral("Practice"));
}

void TestApplication::showsTheMainWindowAndQuitsCleanlyWhenItCloses()
{
    auto* app = korvo::Application::instance();
    MainWindow* window = app->mainWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillet"));

    window->showScreen("dictionary");
    QTimer::singleShot(50, window, &QWidget::close);
    QCOMPARE(app->exec(), 0);
    QVERIFY(!window->isVisible());
}

// What the destruction saves is checked on the file by main() after the application is gone;
// here only that nothing is written before.
void TestApplication::exitStoresTheScreenAndTheGeometry()
{
    QCOMPARE(korvo::Application::instance()->mainWindow()->screenName(),
             QStringLiteral("dictionary"));
}

int main(int argc, char* argv[])
{
    QTemporaryDir userData;
    if (!userData.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
    int result = 0;
    {
        korvo::Application application(argc, argv);
        LocalHttpServer versionServer;
        if (!versionServer.listen())
            return 1;
        versionServer.setReply(200, R"({"version":"3.4.4.4703","message":"","downloadUrl":""})");
        qputenv("QUILLET_UPDATE_SERVER", versionServer.address().toUtf8());
        TestApplication test(userData.path(), &versionServer);
        result = QTest::qExec(&test, argc, argv);
    }
    // The application saved the screen shown and the window's geometry on its way out.
    const QString profile = userData.path() + "/Quillet/Profile.db";
    const QString screen =
        profiletest::scalarOnFile(
            profile,
            "SELECT settingValue FROM UserSettings WHERE settingName = 'context.screenName'")
            .toString();
    const QString geometry =
        profiletest::scalarOnFile(
            profile, "SELECT settingValue FROM UserSettings WHERE settingName = 'windowGeometry'")
            .toString();
    if (screen != "dictionary" || geometry.isEmpty()) {
        fprintf(stderr, "FAIL: exit stored screen \"%s\" and geometry \"%s\"\n", qPrintable(screen),
                qPrintable(geometry));
        return 1;
    }
    return result;
}

#include "tst_application.moc"
