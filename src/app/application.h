#pragma once

#include "app/folders.h"

#include <QApplication>
#include <memory>

class MainWindow;

namespace korvo {

// The program's one application object. Construction fixes the folders for the whole
// run and fills the pinyin tables; initialize() runs the start-up sequence. Owns the
// main window and every long-lived data object of the program.
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
    bool isShuttingDown() const { return m_shuttingDown; }

private:
    bool m_shuttingDown = false;
    Folders m_folders;
    std::unique_ptr<MainWindow> m_mainWindow;
};

} // namespace korvo
