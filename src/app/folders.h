#pragma once

#include <QString>

namespace korvo {

// Where the program's files are: fixed once at start-up from the executable's folder,
// the per-user data location and, optionally, the test layout or the portable flag in
// "Quillet.ini". Every other part of the program reaches its files through these routines.
class Folders
{
public:
    enum class Layout { Installed, Test };

    // applicationFolder: the folder of the running executable; userDataLocation: the
    // per-user application-data folder (the profile goes into "Quillet" below it).
    Folders(const QString& applicationFolder, const QString& userDataLocation,
            Layout layout = Layout::Installed);

    // The folders of this process, computed from QCoreApplication's executable path.
    static Folders forRunningProgram(Layout layout = Layout::Installed);

    QString applicationFolder() const { return m_applicationFolder; }
    QString dataFolder() const { return m_dataFolder; }
    QString profileFolder() const { return m_profileFolder; }
    QString dictionaryDatabase() const { return m_dataFolder + QStringLiteral("/Dictionary.db"); }
    QString skinsFolder() const { return m_dataFolder + QStringLiteral("/skins"); }
    QString defaultSkinFolder() const { return skinsFolder() + QStringLiteral("/default"); }
    bool isPortable() const { return m_portable; }

    QString dataFile(const QString& name) const;
    QString skinFile(const QString& name) const;
    QString pinyinAudioFile(const QString& syllable) const;
    QString dictionaryPageFolder() const;
    QString profileTemplate() const;
    QString profileDatabase() const;

private:
    QString m_applicationFolder;
    QString m_dataFolder;
    QString m_profileFolder;
    bool m_portable = false;
};

} // namespace korvo
