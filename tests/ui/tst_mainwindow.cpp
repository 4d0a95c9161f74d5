#include "dictionary_ui/dictionarywidget.h"
#include "guitestsupport.h"
#include "practice/practicewidget.h"
#include "practice/session.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "reader_ui/readerwidget.h"
#include "statistics_ui/statisticswidget.h"
#include "style/applicationservices.h"
#include "style/messagebox.h"
#include "style/style.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"
#include "ui/deckmanagerwidget.h"
#include "ui/mainwindow.h"
#include "ui/navigationbar.h"

#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {

// Records what the window asks of the application.
class RecordingServices : public ApplicationServices
{
public:
    Profile* profileObject = nullptr;
    QStringList calls;

    Profile* profile() const override { return profileObject; }
    Dictionary* dictionary() const override { return nullptr; }
    PinyinPlayer* pinyinPlayer() override { return nullptr; }
    StrokeAnimationDatabase* strokeAnimationDatabase() override { return nullptr; }
    void showAbout() override { calls << "about"; }
    void showSessionDialog() override { calls << "session"; }
    void showOptions() override { calls << "options"; }
    int editCard(DeckCard*, int) override { return 0; }
    Deck* editDeck(Deck*, Deck*) override { return nullptr; }
    void showStrokeOrder(const QString& text) override { calls << "strokes " + text; }
    void showHelp(const QString& anchor) override { calls << "help " + anchor; }
    void addHelpShortcut(QWidget*, const QString&) override {}
    void showScreen(const QString& name) override { calls << "screen " + name; }
    void searchDictionary(const QString& text) override { calls << "search " + text; }
};

QStringList actionNames(const QMenu* menu)
{
    QStringList names;
    for (const QAction* action : menu->actions())
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

} // namespace

// Drives the real main window with a profile made from the shipped template.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void startsWithNoScreenAndItsButtons();
    void firstSwitchCreatesTheScreenAndLaterOnesReuseIt();
    void clickingTheCheckedTabKeepsTheScreen();
    void unknownScreenHidesEveryScreen();
    void screenFillsTheWindowBelowTheBar();
    void resizeKeepsTheButtonsAtTheirPaddings();
    void menusHoldTheirCommandsInOrder_data();
    void menusHoldTheirCommandsInOrder();
    void menuCommandsReachTheApplication_data();
    void menuCommandsReachTheApplication();
    void printFromAnotherScreenExplainsAndPrintsNothing();
    void exportAsksBeforeExportingEverything();
    void exportAllWritesEveryDeckToTheChosenFile();
    void importReadsADeckFileIntoTheTopLevel();
    void quickStartOpensTheShippedHelp();
    void deckChangesReachTheDeckManager();
    void desktopKeysChooseScreensAndQuit();
    void retranslationFollowsTheLanguage();
    void barFitsTheWindowInEveryLanguage_data();
    void barFitsTheWindowInEveryLanguage();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<MainWindow> m_window;
    RecordingServices m_services;
};

void TestMainWindow::initTestCase()
{
    initPinyinTables();
    Style::setSkinFolder(QStringLiteral(QUILLET_DATA_DIR "/skins/default"));
    m_profile = profiletest::openProfile(m_folder.filePath("profile"),
                                         QStringLiteral(QUILLET_DATA_DIR "/Profile.default.db"));
    m_session = std::make_unique<Session>(m_profile.get());
    m_services.profileObject = m_profile.get();
    ApplicationServices::setInstance(&m_services);
}

void TestMainWindow::init()
{
    m_services.calls.clear();
    m_window = std::make_unique<MainWindow>(m_profile.get(), nullptr, m_session.get());
    m_window->resize(1024, 768);
    m_window->show();
    setMainWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestMainWindow::cleanup()
{
    setMainWindow(nullptr);
    m_window.reset();
}

void TestMainWindow::cleanupTestCase()
{
    ApplicationServices::setInstance(nullptr);
    m_session.reset();
    m_profile.reset();
    Style::destroyRoot();
}

void TestMainWindow::startsWithNoScreenAndItsButtons()
{
    QVERIFY(!m_window->practiceScreen());
    QVERIFY(!m_window->deckManagerScreen());
    QVERIFY(!m_window->dictionaryScreen());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillet"));
    QVERIFY(!m_window->menuBar()->isVisible());
    NavigationBar* bar = m_window->navigationBar();
    QCOMPARE(bar->height(), 73);
    QCOMPARE(bar->width(), 1024);
    const QStringList texts = {"Practice",   "Manage Cards", "Dictionary", "Reader",
                               "Statistics", "Options",      "Help"};
    const QStringList names = {"practiceButton", "manageButton",     "dictionaryButton",
                               "readerButton",   "statisticsButton", "optionButton",
                               "helpButton"};
    for (int i = 0; i < names.size(); ++i) {
        XQPushButton* button = bar->button(names.at(i));
        QVERIFY2(button, qPrintable(names.at(i)));
        QCOMPARE(button->text(), texts.at(i));
        QCOMPARE(button->isCheckable(), i < 5);
        QVERIFY(button->isVisible());
    }
    QCOMPARE(bar->currentTab(), QString());
}

void TestMainWindow::firstSwitchCreatesTheScreenAndLaterOnesReuseIt()
{
    NavigationBar* bar = m_window->navigationBar();
    QTest::mouseClick(bar->button("manageButton"), Qt::LeftButton);
    DeckManagerWidget* manager = m_window->deckManagerScreen();
    QVERIFY(manager);
    QVERIFY(manager->isVisible());
    QCOMPARE(manager->rootDeck(), m_profile->rootDeck());
    QCOMPARE(m_window->screenName(), QStringLiteral("manage"));
    QCOMPARE(bar->currentTab(), QStringLiteral("manage"));
    QVERIFY(!m_window->practiceScreen());

    QTest::mouseClick(bar->button("practiceButton"), Qt::LeftButton);
    QVERIFY(m_window->practiceScreen());
    QVERIFY(m_window->practiceScreen()->isVisible());
    QVERIFY(!manager->isVisible());
    QVERIFY(!bar->button("manageButton")->isChecked());
    QCOMPARE(bar->currentTab(), QStringLiteral("practice"));

    QTest::mouseClick(bar->button("manageButton"), Qt::LeftButton);
    QCOMPARE(m_window->deckManagerScreen(), manager);
    QVERIFY(manager->isVisible());
    QVERIFY(!m_window->practiceScreen()->isVisible());

    QTest::mouseClick(bar->button("dictionaryButton"), Qt::LeftButton);
    QVERIFY(m_window->dictionaryScreen());
    QVERIFY(m_window->dictionaryScreen()->isVisible());
    QVERIFY(!manager->isVisible());
}

void TestMainWindow::clickingTheCheckedTabKeepsTheScreen()
{
    m_window->showScreen("dictionary");
    XQPushButton* tab = m_window->navigationBar()->button("dictionaryButton");
    QVERIFY(tab->isChecked());
    QTest::mouseClick(tab, Qt::LeftButton);
    QVERIFY(tab->isChecked());
    QCOMPARE(m_window->screenName(), QStringLiteral("dictionary"));
    QVERIFY(m_window->dictionaryScreen()->isVisible());
}

void TestMainWindow::unknownScreenHidesEveryScreen()
{
    m_window->showScreen("practice");
    m_window->showScreen("statistics");
    m_window->showScreen("reader");
    m_window->showScreen("manage");
    m_window->showScreen("nowhere");
    QVERIFY(!m_window->practiceScreen()->isVisible());
    QVERIFY(!m_window->deckManagerScreen()->isVisible());
    QVERIFY(!m_window->statisticsScreen()->isVisible());
    QVERIFY(!m_window->readerScreen()->isVisible());
    QCOMPARE(m_window->navigationBar()->currentTab(), QString());
    for (const char* name :
         {"practiceButton", "manageButton", "dictionaryButton", "readerButton", "statisticsButton"})
        QVERIFY(!m_window->navigationBar()->button(name)->isChecked());
}

void TestMainWindow::screenFillsTheWindowBelowTheBar()
{
    m_window->showScreen("practice");
    QCOMPARE(m_window->practiceScreen()->geometry(), QRect(0, 73, 1024, 768 - 73));
    m_window->resize(950, 700);
    QTRY_COMPARE(m_window->practiceScreen()->geometry(), QRect(0, 73, 950, 700 - 73));
}

void TestMainWindow::resizeKeepsTheButtonsAtTheirPaddings()
{
    NavigationBar* bar = m_window->navigationBar();
    Style* style = Style::root()->section("NavigationBar");
    const int left = style->intValue("paddingLeft");
    const int right = style->intValue("paddingRight");
    const int gap = style->intValue("buttonGap");
    QVERIFY(left > 0 && right > 0 && gap > 0);

    for (const int width : {1024, m_window->minimumWidth(), 1400}) {
        m_window->resize(width, 700);
        QTRY_COMPARE(bar->width(), width);
        XQPushButton* practice = bar->button("practiceButton");
        XQPushButton* manage = bar->button("manageButton");
        XQPushButton* dictionary = bar->button("dictionaryButton");
        XQPushButton* reader = bar->button("readerButton");
        XQPushButton* statistics = bar->button("statisticsButton");
        XQPushButton* options = bar->button("optionButton");
        XQPushButton* help = bar->button("helpButton");
        QCOMPARE(practice->x(), left);
        QCOMPARE(manage->x(), practice->x() + practice->width() + gap);
        QCOMPARE(dictionary->x(), manage->x() + manage->width() + gap);
        QCOMPARE(reader->x(), dictionary->x() + dictionary->width() + gap);
        QCOMPARE(statistics->x(), reader->x() + reader->width() + gap);
        QCOMPARE(help->x() + help->width(), width - right);
        QCOMPARE(options->x() + options->width() + gap, help->x());
        QCOMPARE(practice->y(), (73 - practice->height() - 4) / 2);
        QCOMPARE(help->y(), practice->y());
    }
}

void TestMainWindow::menusHoldTheirCommandsInOrder_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("options") << "optionButton"
                             << QStringList{"import", "export", "print", "-", "options"}
                             << QStringList{"Import cards...", "Export cards...", "Print...", "",
                                            "Options..."};
    QTest::newRow("help") << "helpButton" << QStringList{"help", "quickstart", "-", "about"}
                          << QStringList{"Help", "Quick Start Guide", "", "About"};
}

// A click on the button pops its menu up right under it.
void TestMainWindow::menusHoldTheirCommandsInOrder()
{
    QFETCH(QString, button);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, texts);

    XQPushButton* menuButton = m_window->navigationBar()->button(button);
    QTest::mouseClick(menuButton, Qt::LeftButton);
    QMenu* menu = button == "optionButton" ? m_window->navigationBar()->optionMenu()
                                           : m_window->navigationBar()->helpMenu();
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->objectName(),
             button == "optionButton" ? QString("optionMenu") : QString("helpMenu"));
    QCOMPARE(actionNames(menu), actions);
    QStringList shown;
    for (const QAction* action : menu->actions())
        shown << action->text();
    QCOMPARE(shown, texts);
    // Under the button's left edge, moved left only as far as the screen's edge requires.
    const QPoint below = menuButton->mapToGlobal(QPoint(0, menuButton->height()));
    const QRect screen = menuButton->screen()->geometry();
    QCOMPARE(menu->pos(), QPoint(qMin(below.x(), screen.right() + 1 - menu->width()), below.y()));
    menu->close();
}

void TestMainWindow::menuCommandsReachTheApplication_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("call");

    QTest::newRow("options") << "optionButton"
                             << "options"
                             << "options";
    QTest::newRow("help") << "helpButton"
                          << "help"
                          << "help ";
    QTest::newRow("about") << "helpButton"
                           << "about"
                           << "about";
}

void TestMainWindow::menuCommandsReachTheApplication()
{
    QFETCH(QString, button);
    QFETCH(QString, action);
    QFETCH(QString, call);

    QTest::mouseClick(m_window->navigationBar()->button(button), Qt::LeftButton);
    QMenu* menu = button == "optionButton" ? m_window->navigationBar()->optionMenu()
                                           : m_window->navigationBar()->helpMenu();
    QTRY_VERIFY(menu->isVisible());
    QAction* item = menu->findChild<QAction*>(action);
    QVERIFY(item);
    // Keyboard navigation to the command, as a learner without a mouse would.
    const QList<QAction*> items = menu->actions();
    for (QAction* entry : items) {
        if (entry == item)
            break;
        if (!entry->isSeparator())
            QTest::keyClick(menu, Qt::Key_Down);
    }
    QTest::keyClick(menu, Qt::Key_Down);
    QCOMPARE(menu->activeAction(), item);
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_COMPARE(m_services.calls, QStringList{call});
}

void TestMainWindow::printFromAnotherScreenExplainsAndPrintsNothing()
{
    m_window->showScreen("dictionary");
    auto box = guitest::clickInNextModal("OK");
    m_window->runMenuCommand("print");
    QVERIFY(box->seen);
    QCOMPARE(box->title, QStringLiteral("Information"));
    QVERIFY(
        box->text.startsWith("To print a deck of cards, please go to the \"Manage Cards\" tab."));
    QCOMPARE(box->buttons, QStringList{"OK"});
    QVERIFY(!m_window->deckManagerScreen());
    QCOMPARE(m_window->screenName(), QStringLiteral("dictionary"));
}

void TestMainWindow::exportAsksBeforeExportingEverything()
{
    auto box = guitest::clickInNextModal("Close");
    m_window->runMenuCommand("export");
    QVERIFY(box->seen);
    QCOMPARE(QSet<QString>(box->buttons.begin(), box->buttons.end()),
             (QSet<QString>{"Close", "Export all my decks"}));
    QVERIFY(box->text.contains("please click on \"Export all my decks\" now."));
}

void TestMainWindow::exportAllWritesEveryDeckToTheChosenFile()
{
    const QString file = m_folder.filePath("all.kvd");
    auto answers = guitest::answerModalsInTurn(
        {guitest::clickButton("Export all my decks"), guitest::chooseFile(file)});
    m_window->runMenuCommand("export");
    QCOMPARE(answers->seen.size(), 2);
    QCOMPARE(answers->seen.at(1).className, QStringLiteral("QFileDialog"));
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray content = written.readAll();
    // Every top-level deck of the profile is in the file.
    for (Deck* deck : m_profile->rootDeck()->children())
        QVERIFY2(content.contains(deck->uuid().toUtf8()), qPrintable(deck->title()));
}

void TestMainWindow::importReadsADeckFileIntoTheTopLevel()
{
    const QString file = m_folder.filePath("words.kvd");
    QFile deckFile(file);
    QVERIFY(deckFile.open(QIODevice::WriteOnly));
    deckFile.write(R"({"type":"Deck","title":"Imported words","isFolder":false,"cards":[)"
                   R"({"type":"Card","knowledgeUnit":{"simplified":"猫","pinyin":"mao1",)"
                   R"("definition":"cat"}}]})");
    deckFile.close();
    const int topLevel = int(m_profile->rootDeck()->children().size());

    auto answers = guitest::answerModalsInTurn(
        {guitest::chooseFile(file), guitest::clickButton("No"), guitest::clickButton("OK")});
    m_window->runMenuCommand("import");
    QCOMPARE(answers->seen.size(), 3);
    QCOMPARE(answers->seen.at(2).text,
             QStringLiteral("The flashcards have been successfully imported."));
    QCOMPARE(int(m_profile->rootDeck()->children().size()), topLevel + 1);

    const QString database = m_profile->databasePath();
    QCOMPARE(profiletest::scalarOnFile(database,
                                       "SELECT COUNT(*) FROM Decks WHERE title = 'Imported words' "
                                       "AND parentId = 0")
                 .toInt(),
             1);
    QCOMPARE(profiletest::scalarOnFile(database, "SELECT COUNT(*) FROM Cards JOIN Decks ON "
                                                 "Cards.deckId = Decks.id WHERE Decks.title = "
                                                 "'Imported words'")
                 .toInt(),
             1);
}

void TestMainWindow::quickStartOpensTheShippedHelp()
{
    m_services.calls.clear();
    m_window->runMenuCommand("quickstart");
    QCOMPARE(m_services.calls, QStringList{"help quick-start"});
}

void TestMainWindow::desktopKeysChooseScreensAndQuit()
{
    QTest::keyClick(m_window.get(), Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(m_window->screenName(), QStringLiteral("manage"));
    QCOMPARE(m_window->navigationBar()->currentTab(), QStringLiteral("manage"));
    QTest::keyClick(m_window.get(), Qt::Key_4, Qt::ControlModifier);
    QCOMPARE(m_window->screenName(), QStringLiteral("reader"));
    QVERIFY(m_window->readerScreen()->isVisible());
    QTest::keyClick(m_window.get(), Qt::Key_5, Qt::ControlModifier);
    QCOMPARE(m_window->screenName(), QStringLiteral("statistics"));
    QVERIFY(m_window->statisticsScreen()->isVisible());
    QTest::keyClick(m_window.get(), Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(m_window->screenName(), QStringLiteral("practice"));
    for (const auto& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::CTRL | Qt::Key_L)}) {
        m_window->showScreen("practice");
        QTest::keySequence(m_window.get(), keys);
        QCOMPARE(m_window->screenName(), QStringLiteral("dictionary"));
        QLineEdit* search = m_window->dictionaryScreen()->searchTextInput();
        QTRY_VERIFY(search->hasFocus());
    }
    QSignalSpy closed(m_window.get(), &MainWindow::closed);
    QTest::keyClick(m_window->dictionaryScreen()->searchTextInput(), Qt::Key_Q,
                    Qt::ControlModifier);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!m_window->isVisible());
}

void TestMainWindow::deckChangesReachTheDeckManager()
{
    m_window->showScreen("manage");
    DeckManagerWidget* manager = m_window->deckManagerScreen();
    manager->setRootDeck(nullptr);
    Deck* added = profiletest::makeStoredDeck(m_profile.get(), "Added in a test");
    m_window->application_deckCollectionChanged();
    QCOMPARE(manager->rootDeck(), m_profile->rootDeck());
    m_profile->deleteDeck(added->id());
}

void TestMainWindow::retranslationFollowsTheLanguage()
{
    QTemporaryDir data;
    QVERIFY(QDir().mkpath(data.filePath("locales/de")));
    QVERIFY(profiletest::writeMessageCatalogue(
        data.filePath("locales/de/application.mo"),
        {{"Practice", "Üben"}, {"Help", "Hilfe"}, {"Quick Start Guide", "Schnellstart"}}));
    TranslationCatalogue* catalogue = TranslationCatalogue::instance();
    catalogue->setDataFolder(data.path());
    catalogue->setCatalogueName("application");
    catalogue->setLocale("de");

    m_window->showScreen("practice");
    NavigationBar* bar = m_window->navigationBar();
    XQPushButton* help = bar->button("helpButton");
    const int englishWidth = help->width();
    m_window->retranslate();
    QCOMPARE(bar->button("practiceButton")->text(), QStringLiteral("Üben"));
    QCOMPARE(help->text(), QStringLiteral("Hilfe"));
    QCOMPARE(bar->button("manageButton")->text(), QStringLiteral("Manage Cards"));
    QCOMPARE(bar->helpMenu()->findChild<QAction*>("quickstart")->text(),
             QStringLiteral("Schnellstart"));
    // The help button grew with its text and stays at the right padding.
    QVERIFY(help->width() > englishWidth);
    QCOMPARE(help->x() + help->width(),
             bar->width() - Style::root()->section("NavigationBar")->intValue("paddingRight"));

    catalogue->setLocale("en");
    m_window->retranslate();
    QCOMPARE(help->text(), QStringLiteral("Help"));
}

void TestMainWindow::barFitsTheWindowInEveryLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("width"); // 0: the window's smallest
    for (const char* locale : {"en", "de", "fr", "es", "zh_CN"}) {
        QTest::addRow("%s, default size", locale) << locale << 1024;
        QTest::addRow("%s, smallest width", locale) << locale << 0;
    }
}

void TestMainWindow::barFitsTheWindowInEveryLanguage()
{
    QFETCH(QString, locale);
    QFETCH(int, width);
    TranslationCatalogue* catalogue = TranslationCatalogue::instance();
    catalogue->setDataFolder(QStringLiteral(QUILLET_DATA_DIR));
    catalogue->setCatalogueName("application");
    catalogue->setLocale(locale);
    m_window->retranslate();
    m_window->resize(width > 0 ? width : m_window->minimumWidth(), 700);
    // The window cannot be made narrower than its bar needs.
    m_window->resize(200, 700);
    if (width > 0)
        m_window->resize(width, 700);
    NavigationBar* bar = m_window->navigationBar();
    QTRY_COMPARE(bar->width(), m_window->width());
    // The window's default size is wide enough in every language.
    QVERIFY2(m_window->minimumWidth() <= 1024,
             qPrintable(QString::number(m_window->minimumWidth())));
    qInfo("%s: the smallest window is %d pixels wide", qPrintable(locale),
          m_window->minimumWidth());
    const int gap = Style::root()->section("NavigationBar")->intValue("buttonGap");
    QList<XQPushButton*> buttons;
    for (const char* name : {"practiceButton", "manageButton", "dictionaryButton", "readerButton",
                             "statisticsButton", "optionButton", "helpButton"})
        buttons << bar->button(name);
    QCOMPARE(buttons.at(4)->text() == QStringLiteral("Statistics"), locale == "en");
    for (int i = 0; i < buttons.size(); ++i) {
        XQPushButton* button = buttons.at(i);
        // Whole, inside the bar, and clear of the next one.
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->objectName()));
        QVERIFY(button->x() >= 0 && button->x() + button->width() <= bar->width());
        if (i + 1 < buttons.size())
            QVERIFY2(button->x() + button->width() + gap <= buttons.at(i + 1)->x(),
                     qPrintable(button->objectName() + " runs into the next button"));
    }
    catalogue->setLocale("en");
    m_window->retranslate();
}

int main(int argc, char* argv[])
{
    DictionaryWidget::prepareWebEngine();
    QApplication application(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
