#include "app/application.h"

#include "cards/cardpainter.h"
#include "dictionary/dictionary.h"
#include "practice/session.h"
#include "profile/profile.h"
#include "profile/profileevents.h"
#include "style/messagebox.h"
#include "style/style.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"
#include "ui/mainwindow.h"

#include <QDate>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QStandardPaths>
#include <QStyleHints>
#include <QUrl>
#include <cstdlib>

namespace korvo {

namespace {

const char fontInstructionsUrl[] =
    "https://en.wikipedia.org/wiki/Help:Multilingual_support_(East_Asian)";

} // namespace

Application::Application(int& argc, char** argv, Folders::Layout layout)
    : QApplication(argc, argv),
      m_folders(QCoreApplication::applicationDirPath(),
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), layout)
{
    std::srand(static_cast<unsigned>(QDateTime::currentSecsSinceEpoch()));
    initPinyinTables();

    TranslationCatalogue* catalogue = TranslationCatalogue::instance();
    catalogue->setDataFolder(m_folders.dataFolder());
    catalogue->setCatalogueName(QStringLiteral("application"));
    catalogue->setFallbackLanguage(QStringLiteral("en"));
}

Application::~Application()
{
    m_shuttingDown = true;
    saveState();
    setMainWindow(nullptr);
    m_mainWindow.reset();
    m_session.reset();
    m_profile.reset();
    m_dictionary.reset();
    releaseCardImages();
    Style::destroyRoot();
    TranslationCatalogue::destroyInstance();
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
    connect(m_profile.get(), &Profile::userSettingChanged, this,
            &Application::profile_userSettingChanged);
    m_mainWindow->show();
}

Session* Application::session()
{
    if (!m_session)
        m_session = std::make_unique<Session>(m_profile.get());
    return m_session.get();
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
    m_mainWindow = std::make_unique<MainWindow>();
    setMainWindow(m_mainWindow.get());
    const QByteArray geometry = m_profile->setting(QStringLiteral("windowGeometry")).toByteArray();
    if (geometry.isEmpty() || !m_mainWindow->restoreGeometry(geometry)) {
        m_mainWindow->resize(1024, 768);
        m_mainWindow->move(0, 0);
    }
}

void Application::profile_userSettingChanged(const QString& name)
{
    if (name == QLatin1String("locale"))
        applyInterfaceLanguage();
}

// The window's place and size survive the run; the settings reach the disk before anything
// is torn down.
void Application::saveState()
{
    if (!m_profile)
        return;
    if (m_mainWindow)
        m_profile->setSetting(QStringLiteral("windowGeometry"), m_mainWindow->saveGeometry());
    m_profile->saveSettings();
}

} // namespace korvo
