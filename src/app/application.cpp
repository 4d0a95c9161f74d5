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
#include "profile/profilelock.h"
#include "profile/profileschema.h"
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
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLocale>
#include <QShortcut>
#include <QSqlDatabase>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyleHints>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>

namespace korvo {

namespace {

const char HelpAnchorProperty[] = "quilletHelpAnchor";
const char HelpShortcutName[] = "helpShortcut";

const char fontInstructionsUrl[] =
    "https://en.wikipedia.org/wiki/Help:Multilingual_support_(East_Asian)";

// The README's command that builds the program together with its data files.
const char rebuildCommand[] = "./dev run";

// Files SQLite keeps beside a database while it writes; they belong to that one file.
const char* const sideFileSuffixes[] = {"-journal", "-wal", "-shm"};

// The notice for a shipped data file that is missing or cannot be read, with what the program
// does without it and how the data is rebuilt.
QString dataFileMessage(const QString& path, const QString& consequence)
{
    const QString problem =
        QFileInfo(path).isFile()
            ? korvo::translate("The data file %1 is damaged and cannot be read.")
            : korvo::translate("The data file %1 is missing.");
    return problem.arg(QDir::toNativeSeparators(path)) + QLatin1String("\n\n") + consequence +
           QLatin1String("\n\n") +
           korvo::translate(
               "To rebuild the program's data, run %1 in the folder of %2's source code "
               "(see its README).")
               .arg(QLatin1String(rebuildCommand), Application::productName());
}

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
    m_profileLock.reset();
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

bool Application::initialize()
{
    openDictionary();
    if (!openProfile())
        return false;
    backUpProfileOnNewVersion();
    m_profile->upgradeDatabase();
    m_profile->loadDecks();
    relayProfileSignals();

    applyStyleOverrides();
    // The language first: the font choice may have something to tell.
    applyInterfaceLanguage();
    chooseChineseFont();
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
    reportDataFileProblems();

    m_updateCheck = std::make_unique<UpdateCheck>(m_profile.get());
    QTimer::singleShot(UpdateCheckDelay, this, [this] {
        if (m_profile->setting(QStringLiteral("autoUpdateCheck")).toBool())
            checkForUpdate();
    });
    return true;
}

// A dictionary that is missing, cannot be read or lacks its main table leaves the program
// running with no results; the learner hears of it once the window is up.
void Application::openDictionary()
{
    const QString path = m_folders.dictionaryDatabase();
    m_dictionary = std::make_unique<Dictionary>();
    if (!m_dictionary->open(path)) {
        qWarning("Could not open the dictionary %s", qPrintable(path));
        m_dataFileProblems.append(path);
    } else if (!m_dictionary->database().tables().contains(QStringLiteral("KnowledgeUnits"))) {
        qWarning("The dictionary %s has no entries table", qPrintable(path));
        m_dataFileProblems.append(path);
    }
}

void Application::reportDataFileProblems()
{
    for (const QString& path : std::as_const(m_dataFileProblems)) {
        messageBox(
            dataFileMessage(path, korvo::translate("The dictionary finds nothing until the file "
                                                   "is rebuilt.")),
            QString(), QStringLiteral("ok"), MessageBoxKind::Warning);
    }
    m_dataFileProblems.clear();
}

void Application::reportAnimationProblem()
{
    messageBox(
        dataFileMessage(m_folders.dataFile(QStringLiteral("Animations.db")),
                        korvo::translate("Stroke order animations are not available until the "
                                         "file is rebuilt.")),
        QString(), QStringLiteral("ok"), MessageBoxKind::Warning);
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

// Opened on first use; a file that is missing or cannot be read is told once, after the caller
// (a dialog being built, a page being filled) has finished.
StrokeAnimationDatabase* Application::strokeAnimationDatabase()
{
    if (!m_strokeAnimationDatabase) {
        m_strokeAnimationDatabase = std::make_unique<StrokeAnimationDatabase>(
            m_folders.dataFile(QStringLiteral("Animations.db")));
        if (!m_strokeAnimationDatabase->isOpen() && !m_animationProblemReported) {
            m_animationProblemReported = true;
            QTimer::singleShot(0, this, &Application::reportAnimationProblem);
        }
    }
    return m_strokeAnimationDatabase.get();
}

CardState Application::cardDisplayOptions() const
{
    return listCardState(m_profile.get());
}

// The profile file is looked at before anything writes to it. One that cannot be used is left
// untouched until the learner decides: go back to a sound backup, start a new profile, or quit.
// Either of the first two keeps the file under another name.
bool Application::openProfile()
{
    const QString path = m_folders.profileDatabase();
    for (;;) {
        const ProfileFileCheck check = checkProfileFile(path, Profile::SchemaVersions.last());
        if (check.canOpen())
            break;
        if (!resolveUnusableProfile(path, check))
            return false;
    }
    for (;;) {
        // The folder may only now have been made writable: the lock is tried on every attempt.
        if (!m_profileLock || !m_profileLock->isLocked()) {
            m_profileLock = std::make_unique<ProfileLock>(m_folders.profileFolder());
            if (!m_profileLock->tryLock())
                qWarning("The profile %s is in use by another process", qPrintable(path));
        }
        m_profile =
            std::make_unique<Profile>(m_folders.profileFolder(), m_folders.profileTemplate());
        // Shown from the event loop: a failed write may happen in the middle of a screen's work.
        connect(m_profile.get(), &Profile::writeFailed, this, &Application::profile_writeFailed,
                Qt::QueuedConnection);
        m_profile->openDatabase();
        if (!m_profile->isInMemory())
            return true;
        // Running on would keep nothing the learner does: say so, and let them mend it.
        const QString problem = m_profile->openProblem();
        m_profile.reset();
        if (!confirmProfileRetry(problem))
            return false;
    }
}

// Before the profile is open, its language is unknown unless the file can still tell it; the
// system's is the best guess then.
void Application::useLocaleUntilTheProfileIsOpen(const QString& storedLocale)
{
    if (!storedLocale.isEmpty())
        TranslationCatalogue::instance()->setLocale(storedLocale);
    else if (TranslationCatalogue::instance()->locale().isEmpty())
        TranslationCatalogue::instance()->setLocale(QLocale::system().name());
}

bool Application::confirmProfileRetry(const QString& problem)
{
    useLocaleUntilTheProfileIsOpen(QString());
    const QString text =
        korvo::translate("%1 cannot keep your profile in the folder %2 (%3), so nothing you do "
                         "would be saved.\n\nMake the folder writable or free some space on "
                         "its disk, then try again; or quit.")
            .arg(productName(), QDir::toNativeSeparators(m_folders.profileFolder()), problem);
    const QString buttons =
        QStringLiteral("%1|%2").arg(korvo::translate("Try again"), korvo::translate("Quit"));
    return messageBox(text, korvo::translate("Error"), buttons, MessageBoxKind::Error) == 0;
}

bool Application::resolveUnusableProfile(const QString& path, const ProfileFileCheck& check)
{
    qWarning("The profile %s cannot be used: %s", qPrintable(path), qPrintable(check.detail));
    const QString latest = Profile::SchemaVersions.last();
    QString backup;
    for (const QString& candidate : profileBackups(path)) {
        if (checkProfileFile(candidate, latest).state == ProfileFileState::Usable) {
            backup = candidate;
            break;
        }
    }
    // The learner's language, as far as the file (or else its backup) can still tell it.
    QString locale = readStoredSetting(path, QStringLiteral("locale"));
    if (locale.isEmpty() && !backup.isEmpty())
        locale = readStoredSetting(backup, QStringLiteral("locale"));
    useLocaleUntilTheProfileIsOpen(locale);
    const QString shownPath = QDir::toNativeSeparators(path);
    const QString aside = QDir::toNativeSeparators(damagedFileName(path));
    QString text;
    switch (check.state) {
    case ProfileFileState::Unreadable:
        text = korvo::translate("The profile %1 cannot be read: %2").arg(shownPath, check.detail);
        break;
    case ProfileFileState::NotADatabase:
        text = korvo::translate("The profile %1 is not a profile database: %2")
                   .arg(shownPath, check.detail);
        break;
    case ProfileFileState::TooNew:
        text = korvo::translate(
                   "The profile %1 was made by a newer version of %2 (profile version %3).")
                   .arg(shownPath, productName(), check.detail);
        break;
    default:
        text = korvo::translate("The profile %1 is damaged: %2").arg(shownPath, check.detail);
        break;
    }
    text +=
        QLatin1String("\n\n") + korvo::translate("The file is left as it is.") + QLatin1Char(' ');
    QString buttons;
    if (backup.isEmpty()) {
        text += korvo::translate(
                    "No usable backup of it was found. Start a new profile (the file is kept "
                    "as %1), or quit?")
                    .arg(aside);
        buttons = QStringLiteral("%1|%2").arg(korvo::translate("Start a new profile"),
                                              korvo::translate("Quit"));
    } else {
        const QString date =
            QFileInfo(backup).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        text +=
            korvo::translate("Restore the backup %1 of %2, start a new profile, or quit? Restoring "
                             "or starting anew keeps the file as %3.")
                .arg(QDir::toNativeSeparators(backup), date, aside);
        buttons = QStringLiteral("%1|%2|%3")
                      .arg(korvo::translate("Restore backup"),
                           korvo::translate("Start a new profile"), korvo::translate("Quit"));
    }
    const int answer = messageBox(text, QString(), buttons, MessageBoxKind::Error);
    // Positions: restore (when offered), start anew, quit; closing the box quits.
    const int choice = backup.isEmpty() ? (answer == 0 ? 1 : 2) : answer;
    if (choice == 0)
        restoreProfileBackup(path, backup);
    else if (choice == 1)
        moveAside(path, nullptr);
    else
        return false;
    // Whatever happened is checked again from the start.
    return true;
}

// The backup is copied beside the profile and checked before the unusable file is moved aside;
// only then does the copy take the profile's name.
bool Application::restoreProfileBackup(const QString& path, const QString& backup)
{
    const QString incoming = path + QStringLiteral(".restoring");
    QFile::remove(incoming);
    QFile copy(backup);
    QString problem;
    if (!copy.copy(incoming)) {
        problem = copy.errorString();
    } else {
        QFile::setPermissions(incoming,
                              QFile::permissions(incoming) | QFile::ReadOwner | QFile::WriteOwner);
        const ProfileFileCheck check = checkProfileFile(incoming, Profile::SchemaVersions.last());
        if (check.state != ProfileFileState::Usable)
            problem = check.detail;
    }
    if (problem.isEmpty()) {
        QString aside;
        if (!moveAside(path, &aside)) {
            QFile::remove(incoming);
            return false;
        }
        QFile restored(incoming);
        if (restored.rename(path))
            return true;
        problem = restored.errorString();
        // The unusable file goes back to its place rather than leaving no profile at all.
        QFile::rename(aside, path);
    }
    QFile::remove(incoming);
    qWarning("Could not restore %s: %s", qPrintable(backup), qPrintable(problem));
    messageBox(korvo::translate("Could not restore the backup %1: %2")
                   .arg(QDir::toNativeSeparators(backup), problem),
               QString(), QStringLiteral("ok"), MessageBoxKind::Error);
    return false;
}

// Renames the file to its ".damaged" name together with the journal files SQLite keeps beside
// it: a journal left at the old name would be played into the next file of that name.
bool Application::moveAside(const QString& path, QString* movedTo)
{
    const QString target = damagedFileName(path);
    QFile file(path);
    QString problem;
    if (!file.rename(target)) {
        problem = file.errorString();
    } else {
        for (const char* suffix : sideFileSuffixes) {
            const QString side = path + QLatin1String(suffix);
            if (QFileInfo::exists(side) && !QFile::rename(side, target + QLatin1String(suffix))) {
                problem = QStringLiteral("%1 could not be moved").arg(side);
                QFile::rename(target, path);
                break;
            }
        }
    }
    if (problem.isEmpty()) {
        qWarning("The profile %s was kept as %s", qPrintable(path), qPrintable(target));
        if (movedTo)
            *movedTo = target;
        return true;
    }
    qWarning("Could not rename %s: %s", qPrintable(path), qPrintable(problem));
    messageBox(korvo::translate("Could not rename %1 to %2: %3")
                   .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(target), problem),
               QString(), QStringLiteral("ok"), MessageBoxKind::Error);
    return false;
}

QStringList Application::profileBackups(const QString& profilePath)
{
    const QFileInfo profile(profilePath);
    const QString pattern = QStringLiteral("%1.*.%2").arg(profile.baseName(), profile.suffix());
    QFileInfoList found =
        profile.dir().entryInfoList({pattern}, QDir::Files | QDir::Hidden, QDir::NoSort);
    std::sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        if (a.lastModified() != b.lastModified())
            return a.lastModified() > b.lastModified();
        return a.fileName() > b.fileName();
    });
    QStringList backups;
    for (const QFileInfo& info : std::as_const(found)) {
        if (info.fileName() != profile.fileName())
            backups.append(info.absoluteFilePath());
    }
    return backups;
}

QString Application::damagedFileName(const QString& profilePath)
{
    const auto taken = [](const QString& name) {
        if (QFileInfo::exists(name) || QFileInfo(name).isSymLink())
            return true;
        for (const char* suffix : sideFileSuffixes) {
            if (QFileInfo::exists(name + QLatin1String(suffix)))
                return true;
        }
        return false;
    };
    QString name = profilePath + QStringLiteral(".damaged");
    for (int number = 2; taken(name); ++number)
        name = QStringLiteral("%1.%2.damaged").arg(profilePath).arg(number);
    return name;
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

// The learner's Chinese font stays as long as it is installed; otherwise the first installed
// Chinese font takes its place, and a learner who had chosen one hears of it.
void Application::chooseChineseFont()
{
    const QString stored = m_profile->setting(QStringLiteral("chineseFont")).toString();
    if (!stored.isEmpty() && QFontDatabase::families().contains(stored))
        return;
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
        return;
    }
    if (!stored.isEmpty()) {
        messageBox(korvo::translate("The Chinese font \"%1\" you chose is not installed any "
                                    "more. %2 shows Chinese text in \"%3\" instead; you can "
                                    "choose another font in the options.")
                       .arg(stored, productName(), families.first()),
                   QString(), QStringLiteral("ok"), MessageBoxKind::Information);
    }
    m_profile->setSetting(QStringLiteral("chineseFont"), families.first());
}

void Application::applyInterfaceLanguage()
{
    TranslationCatalogue::instance()->setLocale(
        m_profile->setting(QStringLiteral("locale")).toString());
    Style::applyInterfaceFont();
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

// Told once per run of failures (the profile sees to that); the changes stay in memory.
void Application::profile_writeFailed(const QString& error)
{
    if (m_shuttingDown || !m_profile)
        return;
    const QString text =
        korvo::translate(
            "%1 could not save your changes to %2: %3.\n\nThey are kept and will be saved "
            "as soon as this is possible again. Until then, keep %1 open.")
            .arg(productName(), QDir::toNativeSeparators(m_profile->databasePath()),
                 writeProblem(error));
    messageBox(text, QString(), QStringLiteral("ok"), MessageBoxKind::Warning);
}

// In the learner's words where the file system tells: a read-only folder or a full disk.
QString Application::writeProblem(const QString& error) const
{
    QStorageInfo storage(m_profile->profileFolder());
    storage.refresh();
    if (storage.isValid() && storage.isReadOnly())
        return korvo::translate("the folder is read-only");
    if (storage.isValid() && storage.bytesAvailable() < 1024 * 1024)
        return korvo::translate("the disk is full");
    if (!error.isEmpty())
        return error;
    return korvo::translate("the file cannot be written");
}

// What could not be written is tried once more; when it still fails, the learner decides
// between another attempt (after making room) and quitting without those changes.
void Application::confirmUnsavedChanges()
{
    const auto pending = [this] {
        return m_profile->hasPendingWrites() || (m_session && m_session->hasPendingHistory());
    };
    if (m_session)
        m_session->saveHistoryItems();
    m_profile->saveSettings();
    while (pending()) {
        const QString text =
            korvo::translate(
                "Some of your changes could not be saved to %1: %2.\n\nIf you quit now, "
                "they are lost. Make room on the disk or make the folder writable, then "
                "try again.")
                .arg(QDir::toNativeSeparators(m_profile->databasePath()), writeProblem(QString()));
        const QString buttons = QStringLiteral("%1|%2").arg(
            korvo::translate("Try again"), korvo::translate("Quit without saving"));
        if (messageBox(text, QString(), buttons, MessageBoxKind::Error) != 0) {
            qWarning("Quitting with changes that could not be saved to %s",
                     qPrintable(m_profile->databasePath()));
            break;
        }
        m_profile->retryPendingWrites();
        if (m_session)
            m_session->saveHistoryItems();
    }
}

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
        m_optionDialog->setUpdateCheckOffered(UpdateCheck::isAvailable());
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

// The anchor is kept on the widget; F1 has one shortcut per window, which looks for the anchor
// of the widget with the focus, then of its parents: two shortcuts in one window would make the
// key ambiguous, and nothing would happen.
void Application::addHelpShortcut(QWidget* widget, const QString& anchor)
{
    widget->setProperty(HelpAnchorProperty, anchor);
    if (!widget->isWindow() ||
        widget->findChild<QShortcut*>(QLatin1String(HelpShortcutName), Qt::FindDirectChildrenOnly))
        return;
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), widget);
    shortcut->setObjectName(QLatin1String(HelpShortcutName));
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &Application::helpShortcut_activated);
}

void Application::helpShortcut_activated()
{
    auto* shortcut = qobject_cast<QShortcut*>(sender());
    QWidget* window = shortcut ? qobject_cast<QWidget*>(shortcut->parent()) : nullptr;
    QWidget* widget = focusWidget();
    if (!widget || widget->window() != window)
        widget = window;
    showHelp(helpAnchorFor(widget));
}

// In the main window, anything outside the screens (the navigation bar) stands for the screen
// shown.
QString Application::helpAnchorFor(QWidget* widget) const
{
    for (QWidget* each = widget; each; each = each->parentWidget()) {
        if (each == m_mainWindow.get() && m_mainWindow->currentScreen() &&
            m_mainWindow->currentScreen() != widget)
            return helpAnchorFor(m_mainWindow->currentScreen());
        const QVariant anchor = each->property(HelpAnchorProperty);
        if (anchor.isValid())
            return anchor.toString();
    }
    return QString();
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
    confirmUnsavedChanges();
}

} // namespace korvo
