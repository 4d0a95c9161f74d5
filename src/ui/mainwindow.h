#pragma once

#include <QMainWindow>
#include <QPixmap>

#include <memory>

class DictionaryWidget;

namespace korvo {
class DeckFileDialogs;
class Dictionary;
class DeckManagerWidget;
class NavigationBar;
class PracticeWidget;
class Profile;
class Session;
class ReaderWidget;
class StatisticsWidget;
} // namespace korvo

// The program's single top-level window: the navigation bar across the top and below it one of
// the screens ("practice", "manage", "dictionary", "statistics"), each created on first use and
// kept.
// Owned by the application object; the profile and the session are borrowed from it.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The smallest window, unless the navigation bar needs more width.
    static constexpr int MinimumWidth = 640;
    static constexpr int MinimumHeight = 480;

    MainWindow(korvo::Profile* profile, korvo::Dictionary* dictionary, korvo::Session* session,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The screens' names in the order of their tabs.
    static const QStringList& screenNames();
    void showScreen(const QString& name);
    QString screenName() const { return m_screenName; }
    // The screen shown, or none before the first one is.
    QWidget* currentScreen() const;
    void retranslate();

    korvo::NavigationBar* navigationBar() const { return m_navigationBar; }
    // Each screen once it was shown, or none.
    korvo::PracticeWidget* practiceScreen() const { return m_practiceScreen; }
    korvo::DeckManagerWidget* deckManagerScreen() const { return m_deckManagerScreen; }
    DictionaryWidget* dictionaryScreen() const { return m_dictionaryScreen; }
    korvo::ReaderWidget* readerScreen() const { return m_readerScreen; }
    korvo::StatisticsWidget* statisticsScreen() const { return m_statisticsScreen; }

    // Whether the dictionary screen and its web engine are made as soon as the window has been
    // painted (on by default; tests of other screens turn it off).
    void setPrepareDictionaryEarly(bool early) { m_prepareDictionaryEarly = early; }
    void prepareDictionaryScreen();

    // Runs a command of the options and help menus by its name ("import", "export", "print",
    // "options", "help", "quickstart", "about").
    void runMenuCommand(const QString& name);
    // Replaces the file dialogs and message boxes of the import and export commands.
    void setDeckFileDialogs(std::unique_ptr<korvo::DeckFileDialogs> dialogs);

signals:
    void closed();

public slots:
    void application_deckCollectionChanged();

private slots:
    void navigationBar_tabToggled();
    void menuBar_actionTriggered();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void createMenuBar();
    void createShortcuts();
    void focusDictionarySearch();
    void createScreen(const QString& name);
    void layOutScreens();
    void fitMinimumWidth();
    void exportAllDecks();
    void printDeck();

    korvo::Profile* m_profile;
    korvo::Dictionary* m_dictionary;
    korvo::Session* m_session;
    korvo::NavigationBar* m_navigationBar;
    korvo::PracticeWidget* m_practiceScreen = nullptr;
    korvo::DeckManagerWidget* m_deckManagerScreen = nullptr;
    DictionaryWidget* m_dictionaryScreen = nullptr;
    korvo::ReaderWidget* m_readerScreen = nullptr;
    korvo::StatisticsWidget* m_statisticsScreen = nullptr;
    QString m_screenName;
    std::unique_ptr<korvo::DeckFileDialogs> m_deckFileDialogs;
    bool m_backgroundLoaded = false;
    bool m_prepareDictionaryEarly = true;
    bool m_dictionaryPreparation = false;
    QPixmap m_background;
};
