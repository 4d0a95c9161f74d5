#pragma once

#include "app/folders.h"

#include <QApplication>
#include <memory>

class MainWindow;

namespace korvo {

class Dictionary;
class Profile;
class Session;

// The program's one application object. Construction fixes the folders for the whole run and
// fills the pinyin tables; initialize() runs the start-up sequence. Owns the main window, the
// dictionary, the profile and the practice session, and relays the profile's announcements to
// the screens.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int& argc, char** argv, Folders::Layout layout = Folders::Layout::Installed);
    ~Application() override;

    static Application* instance();
    static QString version();
    static QString productName();

    void initialize();

    const Folders& folders() const { return m_folders; }
    QString dataFile(const QString& name = QString()) const { return m_folders.dataFile(name); }
    QString skinFile(const QString& name) const { return m_folders.skinFile(name); }
    QString pinyinAudioFile(const QString& syllable) const
    {
        return m_folders.pinyinAudioFile(syllable);
    }
    QString dictionaryPageFolder() const { return m_folders.dictionaryPageFolder(); }
    QString profileFolder() const { return m_folders.profileFolder(); }
    QString profileDatabase() const { return m_folders.profileDatabase(); }
    QString profileTemplate() const { return m_folders.profileTemplate(); }

    MainWindow* mainWindow() const { return m_mainWindow.get(); }
    Dictionary* dictionary() const { return m_dictionary.get(); }
    Profile* profile() const { return m_profile.get(); }
    // Created on first use.
    Session* session();
    bool isShuttingDown() const { return m_shuttingDown; }

    // Every installed family that writes Simplified Chinese, or failing that the known Chinese
    // families that are installed, in preference order.
    static QStringList chineseFontFamilies();

signals:
    void knowledgeUnitChanged(int kuId);
    void deckChanged(int deckId);
    void deckCollectionChanged();
    void deckCardCollectionChanged(int deckId);

private slots:
    void profile_userSettingChanged(const QString& name);

private:
    void openProfile();
    void backUpProfileOnNewVersion();
    void relayProfileSignals();
    void applyStyleOverrides();
    void chooseChineseFont();
    void applyInterfaceLanguage();
    void createMainWindow();
    void saveState();

    bool m_shuttingDown = false;
    Folders m_folders;
    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<MainWindow> m_mainWindow;
};

} // namespace korvo
