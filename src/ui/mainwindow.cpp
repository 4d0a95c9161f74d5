#include "ui/mainwindow.h"

#include "dictionary_ui/dictionarywidget.h"
#include "practice/practicewidget.h"
#include "profile/profile.h"
#include "reader_ui/readerwidget.h"
#include "statistics_ui/statisticswidget.h"
#include "style/applicationservices.h"
#include "style/messagebox.h"
#include "style/style.h"
#include "text/translationcatalogue.h"
#include "ui/deckfilecommands.h"
#include "ui/deckmanagerwidget.h"
#include "ui/navigationbar.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QShortcut>
#include <QTimer>

#include <algorithm>

using namespace korvo;

namespace {

const QString PracticeScreen = QStringLiteral("practice");
const QString ManageScreen = QStringLiteral("manage");
const QString DictionaryScreen = QStringLiteral("dictionary");
const QString ReaderScreen = QStringLiteral("reader");
const QString StatisticsScreen = QStringLiteral("statistics");

} // namespace

const QStringList& MainWindow::screenNames()
{
    static const QStringList names = {PracticeScreen, ManageScreen, DictionaryScreen, ReaderScreen,
                                      StatisticsScreen};
    return names;
}

MainWindow::MainWindow(Profile* profile, Dictionary* dictionary, Session* session, QWidget* parent)
    : QMainWindow(parent), m_profile(profile), m_dictionary(dictionary), m_session(session)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quillet"));
    m_navigationBar = new NavigationBar(this);
    fitMinimumWidth();
    resize(minimumSize());
    connect(m_navigationBar, &NavigationBar::tabToggled, this,
            &MainWindow::navigationBar_tabToggled);
    connect(m_navigationBar, &NavigationBar::menuCommandTriggered, this,
            &MainWindow::runMenuCommand);
    createMenuBar();
    createShortcuts();
}

MainWindow::~MainWindow() = default;

// The window's own menu bar is hidden: every command goes through the navigation bar. Its two
// actions give the platform's application menu (where there is one) About and Preferences.
void MainWindow::createMenuBar()
{
    QMenu* menu = menuBar()->addMenu(QString());
    menu->setObjectName(QStringLiteral("optionsMenu"));
    QAction* about = menu->addAction(QString());
    about->setObjectName(QStringLiteral("about"));
    about->setMenuRole(QAction::AboutRole);
    QAction* preferences = menu->addAction(QString());
    preferences->setObjectName(QStringLiteral("options"));
    preferences->setMenuRole(QAction::PreferencesRole);
    for (QAction* action : {about, preferences})
        connect(action, &QAction::triggered, this, &MainWindow::menuBar_actionTriggered);
    menuBar()->setVisible(false);
}

// The keys of Linux desktops: Ctrl+Q quits, Ctrl+1, Ctrl+2, ... choose the screens in the order
// of their tabs, Ctrl+F and Ctrl+L go to the dictionary's search line.
void MainWindow::createShortcuts()
{
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
    for (int i = 0; i < screenNames().size(); ++i) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)), this);
        const QString name = screenNames().at(i);
        connect(shortcut, &QShortcut::activated, this, [this, name] { showScreen(name); });
    }
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::CTRL | Qt::Key_L)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &MainWindow::focusDictionarySearch);
    }
}

void MainWindow::focusDictionarySearch()
{
    showScreen(DictionaryScreen);
    QLineEdit* line = m_dictionaryScreen->searchTextInput();
    line->setFocus(Qt::ShortcutFocusReason);
    line->selectAll();
}

void MainWindow::menuBar_actionTriggered()
{
    if (auto* action = qobject_cast<QAction*>(sender()))
        runMenuCommand(action->objectName());
}

void MainWindow::showScreen(const QString& name)
{
    m_screenName = name;
    createScreen(name);
    if (m_practiceScreen)
        m_practiceScreen->setVisible(name == PracticeScreen);
    if (m_deckManagerScreen)
        m_deckManagerScreen->setVisible(name == ManageScreen);
    if (m_dictionaryScreen)
        m_dictionaryScreen->setVisible(name == DictionaryScreen);
    if (m_readerScreen)
        m_readerScreen->setVisible(name == ReaderScreen);
    if (m_statisticsScreen)
        m_statisticsScreen->setVisible(name == StatisticsScreen);
    m_navigationBar->setCurrentTab(name);
    layOutScreens();
}

void MainWindow::createScreen(const QString& name)
{
    ApplicationServices* services = ApplicationServices::instance();
    if (name == PracticeScreen && !m_practiceScreen) {
        m_practiceScreen = new PracticeWidget(m_session, this);
        if (services)
            services->addHelpShortcut(m_practiceScreen, QStringLiteral("practice"));
    } else if (name == ManageScreen && !m_deckManagerScreen) {
        m_deckManagerScreen = new DeckManagerWidget(this);
        m_deckManagerScreen->setRootDeck(m_profile->rootDeck());
        if (services)
            services->addHelpShortcut(m_deckManagerScreen, QStringLiteral("manage"));
    } else if (name == DictionaryScreen && !m_dictionaryScreen) {
        m_dictionaryScreen = new DictionaryWidget(m_dictionary, m_profile, this);
    } else if (name == ReaderScreen && !m_readerScreen) {
        m_readerScreen = new ReaderWidget(m_dictionary, m_profile, this);
    } else if (name == StatisticsScreen && !m_statisticsScreen) {
        m_statisticsScreen = new StatisticsWidget(m_session, this);
        if (services)
            services->addHelpShortcut(m_statisticsScreen, StatisticsScreen);
    }
}

QWidget* MainWindow::currentScreen() const
{
    if (m_screenName == PracticeScreen)
        return m_practiceScreen;
    if (m_screenName == ManageScreen)
        return m_deckManagerScreen;
    if (m_screenName == DictionaryScreen)
        return m_dictionaryScreen;
    if (m_screenName == ReaderScreen)
        return m_readerScreen;
    if (m_screenName == StatisticsScreen)
        return m_statisticsScreen;
    return nullptr;
}

void MainWindow::navigationBar_tabToggled()
{
    showScreen(m_navigationBar->currentTab());
}

void MainWindow::layOutScreens()
{
    const int barHeight = m_navigationBar->height();
    m_navigationBar->setGeometry(0, 0, width(), barHeight);
    if (QWidget* screen = currentScreen())
        screen->setGeometry(0, barHeight, width(), height() - barHeight);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layOutScreens();
}

void MainWindow::application_deckCollectionChanged()
{
    if (m_deckManagerScreen)
        m_deckManagerScreen->setRootDeck(m_profile->rootDeck());
}

void MainWindow::setDeckFileDialogs(std::unique_ptr<DeckFileDialogs> dialogs)
{
    m_deckFileDialogs = std::move(dialogs);
}

void MainWindow::runMenuCommand(const QString& name)
{
    ApplicationServices* services = ApplicationServices::instance();
    if (name == QLatin1String("options")) {
        if (services)
            services->showOptions();
    } else if (name == QLatin1String("import")) {
        std::unique_ptr<DeckFileDialogs> dialogs = std::move(m_deckFileDialogs);
        DeckFileCommands commands(
            m_profile,
            dialogs ? std::move(dialogs) : std::make_unique<StandardDeckFileDialogs>(this), this);
        commands.importDeck(m_profile->rootDeck());
    } else if (name == QLatin1String("export")) {
        exportAllDecks();
    } else if (name == QLatin1String("print")) {
        printDeck();
    } else if (name == QLatin1String("help")) {
        if (services)
            services->showHelp(QString());
    } else if (name == QLatin1String("quickstart")) {
        if (services)
            services->showHelp(QStringLiteral("quick-start"));
    } else if (name == QLatin1String("about")) {
        if (services)
            services->showAbout();
    }
}

void MainWindow::exportAllDecks()
{
    const QString exportAll = translate("Export all my decks");
    const QString text =
        translate("To export a deck of cards, please go to the \"Manage Cards\" tab. Then "
                  "right-click on a deck and select \"Export...\".\n\nInstead, if you want to "
                  "export *all* of your decks, please click on \"%1\" now.")
            .arg(exportAll);
    const QString buttons = QStringLiteral("%1|%2").arg(translate("Close"), exportAll);
    if (information(text, translate("Information"), buttons) != 1)
        return;
    std::unique_ptr<DeckFileDialogs> dialogs = std::move(m_deckFileDialogs);
    DeckFileCommands commands(m_profile, dialogs ? std::move(dialogs)
                                                 : std::make_unique<StandardDeckFileDialogs>(this));
    commands.exportDeck(m_profile->rootDeck());
}

void MainWindow::printDeck()
{
    if (m_screenName != ManageScreen || !m_deckManagerScreen) {
        information(translate("To print a deck of cards, please go to the \"Manage Cards\" tab. "
                              "Then right-click on a deck and select \"Print...\"."));
        return;
    }
    m_deckManagerScreen->printSelectedDeck();
}

void MainWindow::retranslate()
{
    m_navigationBar->retranslate();
    if (m_practiceScreen)
        m_practiceScreen->retranslate();
    if (m_deckManagerScreen)
        m_deckManagerScreen->retranslate();
    if (m_dictionaryScreen)
        m_dictionaryScreen->retranslate();
    if (m_readerScreen)
        m_readerScreen->retranslate();
    if (m_statisticsScreen)
        m_statisticsScreen->retranslate();
    QMenu* menu = findChild<QMenu*>(QStringLiteral("optionsMenu"));
    menu->setTitle(translate("Options"));
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("about"))
            action->setText(translate("About"));
        else
            action->setText(translate("Preferences"));
    }
    setWindowTitle(QStringLiteral("Quillet"));
    fitMinimumWidth();
    layOutScreens();
}

// The web engine takes a second or more to start: it is started once the window has been painted
// and the program has nothing else to do, so that the first look at the dictionary finds its page
// ready.
void MainWindow::prepareDictionaryScreen()
{
    createScreen(DictionaryScreen);
    m_dictionaryScreen->setVisible(m_screenName == DictionaryScreen);
    m_dictionaryScreen->prepare();
}

// The window is never so narrow that a button of the bar would be cut off, in any language.
void MainWindow::fitMinimumWidth()
{
    setMinimumSize(std::max(MinimumWidth, m_navigationBar->requiredWidth()), MinimumHeight);
}

void MainWindow::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (!m_dictionaryPreparation && m_prepareDictionaryEarly) {
        m_dictionaryPreparation = true;
        QTimer::singleShot(0, this, &MainWindow::prepareDictionaryScreen);
    }
    if (!m_backgroundLoaded) {
        m_backgroundLoaded = true;
        const QString image = Style::root()
                                  ->section(QStringLiteral("Application"))
                                  ->stringValue(QStringLiteral("backgroundImage"));
        if (!image.isEmpty())
            m_background = Style::skinPixmap(image);
    }
    if (!m_background.isNull()) {
        QPainter painter(this);
        painter.fillRect(rect(), QBrush(m_background));
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}
