#include "app/folders.h"

#include "app/inifile.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace korvo {

namespace {

const char portableIniName[] = "Quillet.ini";
const char productFolderName[] = "Quillet";

} // namespace

Folders::Folders(const QString& applicationFolder, const QString& userDataLocation, Layout layout)
    : m_applicationFolder(applicationFolder),
      m_dataFolder(applicationFolder + QStringLiteral("/data")),
      m_profileFolder(userDataLocation + QLatin1Char('/') + QLatin1String(productFolderName))
{
    if (layout == Layout::Test) {
        m_dataFolder = applicationFolder + QStringLiteral("/tests/data");
        m_profileFolder = m_dataFolder + QStringLiteral("/profile");
    }

    const IniFile ini(applicationFolder + QLatin1Char('/') + QLatin1String(portableIniName));
    if (ini.value(QStringLiteral("Config"), QStringLiteral("portable"), QStringLiteral("0")) ==
        QLatin1String("1")) {
        m_portable = true;
        m_profileFolder = applicationFolder + QStringLiteral("/profile");
    }
}

Folders Folders::forRunningProgram(Layout layout)
{
    return Folders(QCoreApplication::applicationDirPath(),
                   QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), layout);
}

QString Folders::dataFile(const QString& name) const
{
    if (name.isEmpty())
        return m_dataFolder;
    return m_dataFolder + QLatin1Char('/') + name;
}

QString Folders::skinFile(const QString& name) const
{
    return defaultSkinFolder() + QLatin1Char('/') + name;
}

QString Folders::pinyinAudioFile(const QString& syllable) const
{
    return m_dataFolder + QStringLiteral("/pinyin/") + syllable + QStringLiteral(".mp3");
}

QString Folders::dictionaryPageFolder() const
{
    return defaultSkinFolder() + QStringLiteral("/html/dictionary");
}

QString Folders::profileTemplate() const
{
    return dataFile(QStringLiteral("Profile.default.db"));
}

QString Folders::profileDatabase() const
{
    return m_profileFolder + QStringLiteral("/Profile.db");
}

} // namespace korvo
