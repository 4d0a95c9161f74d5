#pragma once

#include "app/folders.h"
#include "style/applicationservices.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <memory>

class EditCardDialog;
class EditDeckDialog;
class MainWindow;
class OptionDialog;
class QShortcut;
class SessionDialog;
class StrokeAnimationDialog;

namespace korvo {

class AboutDialog;
class Dictionary;
class PinyinPlayer;
class Profile;
class Session;
class StrokeAnimationDatabase;
class UpdateCheck;
struct CardState;
struct ProfileFileCheck;

// The program's one application object. Construction fixes the folders for the whole run and
// fills the pinyin tables; initialize() runs the start-up sequence. Owns the main window, the
// dictionary, the profile, the practice session, the pinyin player, the update check and the
// dialogs (each created on first use), relays the profile's announcements to the screens, and
// serves the screens' requests through ApplicationServices.
class Application : public QApplication, public ApplicationServices
{
    Q_OBJECT

public:
    // Delay between the start-up and the update check.
    static constexpr int UpdateCheckDelay = 500;

    Application(int& argc, char** argv, Folders::Layout layout = Folders::Layout::Installed);

    // What the toolkit needs to know before the application object exists (the web engine's
    // set-up). Called by the constructor; returns argc.
    static int& prepareToolkit(int& argc);
    ~Application() override;

    static Application* instance();
    static QString version();
    static QString productName();

    // The start-up sequence. Returns false when the profile cannot be used and the learner chose
    // to quit: nothing has been written then, and the program ends without its event loop.
    bool initialize();

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
    Dictionary* dictionary() const override { return m_dictionary.get(); }
    Profile* profile() const override { return m_profile.get(); }
    // Created on first use.
    Session* session();
    PinyinPlayer* pinyinPlayer() override;
    StrokeAnimationDatabase* strokeAnimationDatabase() override;
    UpdateCheck* updateCheck() const { return m_updateCheck.get(); }
    bool isShuttingDown() const { return m_shuttingDown; }

    // The display options of cards everywhere: the character forms of "characterMode", the
    // pinyin colouring of "pinyinColorization" and the Chinese font.
    CardState cardDisplayOptions() const;

    void showAbout() override;
    void showSessionDialog() override;
    void showOptions() override;
    int editCard(DeckCard* card, int deckId) override;
    Deck* editDeck(Deck* deck, Deck* insertionPoint) override;
    void showStrokeOrder(const QString& text) override;
    void showHelp(const QString& anchor) override;
    void addHelpShortcut(QWidget* widget, const QString& anchor) override;
    void showScreen(const QString& name) override;
    void searchDictionary(const QString& text) override;

    // The help page opened for the interface language: "help/help_<locale>.html" of the data
    // folder, or the English page when there is none, at `anchor`.
    QUrl helpAddress(const QString& anchor) const;
    // Starts the update check when it is due.
    void checkForUpdate();
    // Retranslates the main window and every dialog that exists.
    void retranslateWindows();

    // Every installed family that writes Simplified Chinese, or failing that the known Chinese
    // families that are installed, in preference order.
    static QStringList chineseFontFamilies();

    // The dated copies beside a profile file ("Profile.<date or version>.db"), newest first.
    static QStringList profileBackups(const QString& profilePath);
    // The name an unusable profile file is moved to: the path with ".damaged" added, or with a
    // number before that suffix when the name is taken.
    static QString damagedFileName(const QString& profilePath);

signals:
    void knowledgeUnitChanged(int kuId);
    void deckChanged(int deckId);
    void deckCollectionChanged();
    void deckCardCollectionChanged(int deckId);

private slots:
    void helpShortcut_activated();
    void mainWindow_closed();
    void profile_userSettingChanged(const QString& name);
    void profile_writeFailed(const QString& error);

private:
    void openDictionary();
    void reportDataFileProblems();
    void reportAnimationProblem();
    bool openProfile();
    bool resolveUnusableProfile(const QString& path, const ProfileFileCheck& check);
    bool confirmProfileRetry(const QString& problem);
    void useLocaleUntilTheProfileIsOpen(const QString& storedLocale);
    bool restoreProfileBackup(const QString& path, const QString& backup);
    bool moveAside(const QString& path, QString* movedTo);
    QString writeProblem(const QString& error) const;
    void confirmUnsavedChanges();
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
    std::unique_ptr<UpdateCheck> m_updateCheck;
    std::unique_ptr<StrokeAnimationDatabase> m_strokeAnimationDatabase;
    QPointer<StrokeAnimationDialog> m_strokeAnimationDialog;
    QPointer<EditCardDialog> m_cardEditor;
    QPointer<EditDeckDialog> m_deckEditor;
    QPointer<OptionDialog> m_optionDialog;
    QPointer<SessionDialog> m_sessionDialog;
    PinyinPlayer* m_pinyinPlayer = nullptr;
    QPointer<AboutDialog> m_aboutDialog;
    QHash<QShortcut*, QString> m_helpAnchors;
    // Shipped data files that are missing or damaged, told once the window is up.
    QStringList m_dataFileProblems;
    bool m_animationProblemReported = false;
};

} // namespace korvo
