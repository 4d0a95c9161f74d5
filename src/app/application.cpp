#include "app/application.h"

#include "app/updatecheck.h"
#include "audio/pinyinplayer.h"
#include "cards/cardpainter.h"
#include "cards/cardstate.h"
#include "dictionary/dictionary.h"
#include "dictionary_ui/dictionarywidget.h"
#include "practice/session.h"
#include "practice/sessiondialog.h"
#include "profile/profile.h"
#include "profile/profileevents.h"
#include "strokes/strokeanimationdatabase.h"
#include "strokes/strokeanimationdialog.h"
#include "style/messagebox.h"
#include "style/style.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"
#include "ui/aboutdialog.h"
#include "ui/editcarddialog.h"
#include "ui/editdeckdialog.h"
#include "ui/mainwindow.h"
#include "ui/optiondialog.h"

#include <QDate>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QShortcut>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTimer>
#include <QUrl>
#include <cstdlib>

namespace korvo {

namespace {

const char fontInstructionsUrl[] =
    "https://en.wikipedia.org/wiki/Help:Multilingual_support_(East_Asian)";

} // namespace

int& Application::prepareToolkit(int& argc)
{
    DictionaryWidget::prepareWebEngine();
    return argc;
}

Application::Application(int& argc, char** argv, Folders::Layout layout)
    : QApplication(prepareToolkit(argc), argv),
      m_folders(QCoreApplication::applicationDirPath(),
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), layout)
{
    std::srand(static_cast<unsigned>(QDateTime::currentSecsSinceEpoch()));
    initPinyinTables();

    TranslationCatalogue* catalogue = TranslationCatalogue::instance();
    catalogue->setDataFolder(m_folders.dataFolder());
    catalogue->setCatalogueName(QStringLiteral("application"));
    catalogue->setFallbackLanguage(QStringLiteral("en"));
    ApplicationServices::setInstance(this);
}

// Everything is torn down in the reverse order of its dependencies: the window (and the
// dialogs it parents) before the session, the session before the profile it writes to, the
// profile before the dictionary, and the process-wide singletons last.
Application::~Application()
{
    m_shuttingDown = true;
    if (m_updateCheck)
        m_updateCheck->setShuttingDown();
    saveState();
    setMainWindow(nullptr);
    m_mainWindow.reset();
    m_session.reset();
    m_updateCheck.reset();
    m_profile.reset();
    m_strokeAnimationDatabase.reset();
    m_dictionary.reset();
    releaseCardImages();
    Style::destroyRoot();
    TranslationCatalogue::destroyInstance();
    ApplicationServices::setInstance(nullptr);
}

Application* Application::instance()
{
    return static_cast<Application*>(QCoreApplication::instance());
}

QString Application::version()
{
    return QStringLiteral("3.4.4.4703");
}

QString Application::productName()
{
    return QStringLiteral("Quillet");
}

void Application::initialize()
{
    m_dictionary = std::make_unique<Dictionary>();
    if (!m_dictionary->open(m_folders.dictionaryDatabase()))
        qWarning("Could not open the dictionary %s", qPrintable(m_folders.dictionaryDatabase()));

    openProfile();
    backUpProfileOnNewVersion();
    m_profile->upgradeDatabase();
    m_profile->loadDecks();
    relayProfileSignals();

    applyStyleOverrides();
    chooseChineseFont();
    applyInterfaceLanguage();
    session()->loadSettings();
    styleHints()->setStartDragDistance(6);

    createMainWindow();
    connect(m_mainWindow.get(), &MainWindow::closed, this, &Application::mainWindow_closed);
    retranslateWindows();
    connect(m_profile.get(), &Profile::userSettingChanged, this,
            &Application::profile_userSettingChanged);
    addHelpShortcut(m_mainWindow.get(), QString());
    m_mainWindow->showScreen(m_profile->setting(QStringLiteral("context.screenName")).toString());
    m_mainWindow->show();

    m_updateCheck = std::make_unique<UpdateCheck>(m_profile.get());
    QTimer::singleShot(UpdateCheckDelay, this, [this] {
        if (m_profile->setting(QStringLiteral("autoUpdateCheck")).toBool())
            checkForUpdate();
    });
}

void Application::checkForUpdate()
{
    if (m_updateCheck && !m_shuttingDown)
        m_updateCheck->checkForUpdate();
}

Session* Application::session()
{
    if (!m_session)
        m_session = std::make_unique<Session>(m_profile.get());
    return m_session.get();
}

PinyinPlayer* Application::pinyinPlayer()
{
    if (!m_pinyinPlayer)
        m_pinyinPlayer = new PinyinPlayer(m_folders.dataFile(QStringLiteral("pinyin")), this);
    return m_pinyinPlayer;
}

StrokeAnimationDatabase* Application::strokeAnimationDatabase()
{
    if (!m_strokeAnimationDatabase) {
        m_strokeAnimationDatabase = std::make_unique<StrokeAnimationDatabase>(
            m_folders.dataFile(QStringLiteral("Animations.db")));
    }
    return m_strokeAnimationDatabase.get();
}

CardState Application::cardDisplayOptions() const
{
    return listCardState(m_profile.get());
}

void Application::openProfile()
{
    m_profile = std::make_unique<Profile>(m_folders.profileFolder(), m_folders.profileTemplate());
    m_profile->openDatabase();
}

// A program version that differs from the last run's gets a copy of the profile first, named
// after the previous version (or today's date on the very first run). An existing copy is kept.
void Application::backUpProfileOnNewVersion()
{
    const QString lastVersion = m_profile->setting(QStringLiteral("lastAppVersion")).toString();
    if (lastVersion == version())
        return;
    const QString tag = lastVersion.isEmpty()
                            ? QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
                            : lastVersion;
    const QFileInfo database(m_profile->databasePath());
    const QString backup =
        QStringLiteral("%1/%2.%3.%4")
            .arg(database.absolutePath(), database.baseName(), tag, database.suffix());
    QFile::copy(database.absoluteFilePath(), backup);
    m_profile->setSetting(QStringLiteral("lastAppVersion"), version());
}

void Application::relayProfileSignals()
{
    connect(m_profile.get(), &Profile::deckChanged, this, &Application::deckChanged);
    connect(m_profile.get(), &Profile::deckCollectionChanged, this,
            &Application::deckCollectionChanged);
    connect(m_profile->events(), &ProfileEvents::deckCardCollectionChanged, this,
            &Application::deckCardCollectionChanged);
    connect(m_profile->events(), &ProfileEvents::knowledgeUnitChanged, this,
            &Application::knowledgeUnitChanged);
}

void Application::applyStyleOverrides()
{
    Style::setSkinFolder(m_folders.defaultSkinFolder());
    const QString overrides = m_profile->setting(QStringLiteral("overridenStyle")).toString();
    if (!overrides.isEmpty() && overrides != QLatin1String("{}"))
        Style::root()->applyOverrides(overrides);
}

QStringList Application::chineseFontFamilies()
{
    QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (!families.isEmpty())
        return families;
    const QStringList installed = QFontDatabase::families();
    for (const char* known : {"Adobe Kaiti Std R", "KaiTi", "STKaiti", "Kai", "BiauKai", "FangSong",
                              "SimSun", "Hei", "Hei SC", "STFangsong", "STHeiti", "STSong"}) {
        if (installed.contains(QLatin1String(known)))
            families.append(QLatin1String(known));
    }
    return families;
}

void Application::chooseChineseFont()
{
    const QStringList families = chineseFontFamilies();
    if (families.isEmpty()) {
        const QString text =
            korvo::translate(
                "%1 could not find any Chinese font on your system. To view Chinese text, "
                "you might need to install one.\n\nPlease click on the button below for "
                "more information.")
                .arg(productName());
        const QString buttons = QStringLiteral("%1|%2").arg(korvo::translate("View instructions"),
                                                            korvo::translate("Ignore"));
        if (messageBox(text, QString(), buttons, MessageBoxKind::Warning) == 0)
            QDesktopServices::openUrl(QUrl(QLatin1String(fontInstructionsUrl)));
    }
    m_profile->setSetting(QStringLiteral("chineseFont"),
                          families.isEmpty() ? QString() : families.first());
}

void Application::applyInterfaceLanguage()
{
    TranslationCatalogue::instance()->setLocale(
        m_profile->setting(QStringLiteral("locale")).toString());
}

void Application::createMainWindow()
{
    m_mainWindow = std::make_unique<MainWindow>(m_profile.get(), m_dictionary.get(), session());
    connect(this, &Application::deckCollectionChanged, m_mainWindow.get(),
            &MainWindow::application_deckCollectionChanged);
    setMainWindow(m_mainWindow.get());
    const QByteArray geometry = m_profile->setting(QStringLiteral("windowGeometry")).toByteArray();
    if (geometry.isEmpty() || !m_mainWindow->restoreGeometry(geometry)) {
        m_mainWindow->resize(1024, 768);
        m_mainWindow->move(0, 0);
    }
}

void Application::profile_userSettingChanged(const QString& name)
{
    if (name == QLatin1String("locale")) {
        applyInterfaceLanguage();
        retranslateWindows();
    }
}

void Application::retranslateWindows()
{
    if (m_mainWindow)
        m_mainWindow->retranslate();
    if (m_aboutDialog)
        m_aboutDialog->retranslate();
    if (m_strokeAnimationDialog)
        m_strokeAnimationDialog->retranslate();
    if (m_optionDialog)
        m_optionDialog->retranslate();
    if (m_cardEditor)
        m_cardEditor->retranslate();
    if (m_deckEditor)
        m_deckEditor->retranslate();
    if (m_sessionDialog)
        m_sessionDialog->retranslate();
}

void Application::mainWindow_closed() {}

void Application::showAbout()
{
    if (!m_aboutDialog) {
        m_aboutDialog = new AboutDialog(version(), m_folders.dataFile(QStringLiteral("CREDITS.md")),
                                        m_mainWindow.get());
        m_aboutDialog->setModal(true);
    }
    m_aboutDialog->exec();
}

// Shown without waiting: the dialog starts the session itself and hides. It attaches the help
// shortcut ("session") through addHelpShortcut when it is made.
void Application::showSessionDialog()
{
    if (!m_sessionDialog) {
        m_sessionDialog = new SessionDialog(m_profile.get(), session(), m_mainWindow.get());
        m_sessionDialog->setModal(true);
    }
    m_sessionDialog->show();
    m_sessionDialog->raise();
    m_sessionDialog->activateWindow();
}

void Application::showOptions()
{
    if (!m_optionDialog) {
        m_optionDialog =
            new OptionDialog(m_profile.get(), chineseFontFamilies(), m_mainWindow.get());
        m_optionDialog->setModal(true);
    }
    m_optionDialog->prepareToShow();
    m_optionDialog->exec();
}

int Application::editCard(DeckCard* card, int deckId)
{
    if (!m_cardEditor) {
        m_cardEditor = new EditCardDialog(m_mainWindow.get());
        m_cardEditor->setModal(true);
    }
    m_cardEditor->setCard(card, deckId);
    return m_cardEditor->exec();
}

Deck* Application::editDeck(Deck* deck, Deck* insertionPoint)
{
    if (!m_deckEditor) {
        m_deckEditor = new EditDeckDialog(m_mainWindow.get());
        m_deckEditor->setModal(true);
    }
    m_deckEditor->setDeck(deck, insertionPoint);
    m_deckEditor->exec();
    return m_deckEditor->savedDeck();
}

void Application::showStrokeOrder(const QString& text)
{
    if (!m_strokeAnimationDialog) {
        m_strokeAnimationDialog = new StrokeAnimationDialog(
            m_profile.get(), m_dictionary.get(), strokeAnimationDatabase(), m_mainWindow.get());
        m_strokeAnimationDialog->setModal(true);
        addHelpShortcut(m_strokeAnimationDialog, QStringLiteral("stroke-order"));
    }
    m_strokeAnimationDialog->setText(text);
    m_strokeAnimationDialog->exec();
}

void Application::showScreen(const QString& name)
{
    if (m_mainWindow)
        m_mainWindow->showScreen(name);
}

void Application::searchDictionary(const QString& text)
{
    showScreen(QStringLiteral("dictionary"));
    if (m_mainWindow && m_mainWindow->dictionaryScreen())
        m_mainWindow->dictionaryScreen()->search(text);
}

QUrl Application::helpAddress(const QString& anchor) const
{
    const QString locale = m_profile->setting(QStringLiteral("locale")).toString();
    QString page = m_folders.dataFile(QStringLiteral("help/help_%1.html").arg(locale));
    if (locale.isEmpty() || !QFileInfo::exists(page))
        page = m_folders.dataFile(QStringLiteral("help/help_en.html"));
    QUrl address = QUrl::fromLocalFile(page);
    if (!anchor.isEmpty())
        address.setFragment(anchor);
    return address;
}

void Application::showHelp(const QString& anchor)
{
    QDesktopServices::openUrl(helpAddress(anchor));
}

void Application::addHelpShortcut(QWidget* widget, const QString& anchor)
{
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), widget);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    m_helpAnchors.insert(shortcut, anchor);
    connect(shortcut, &QShortcut::activated, this, &Application::helpShortcut_activated);
    connect(shortcut, &QObject::destroyed, this,
            [this, shortcut] { m_helpAnchors.remove(shortcut); });
}

void Application::helpShortcut_activated()
{
    auto* shortcut = qobject_cast<QShortcut*>(sender());
    showHelp(m_helpAnchors.value(shortcut));
}

// The window's place and size survive the run; the settings reach the disk before anything
// is torn down.
void Application::saveState()
{
    if (!m_profile)
        return;
    if (m_mainWindow) {
        m_profile->setSetting(QStringLiteral("windowGeometry"), m_mainWindow->saveGeometry());
        m_profile->setSetting(QStringLiteral("context.screenName"), m_mainWindow->screenName());
    }
    m_profile->saveSettings();
}

} // namespace korvo
