#pragma once

#include "app/application.h"

#include <QPixmap>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class MainWindow;

// What every program taking the README's screenshots starts with: the output folder from its
// command line, a throw-away user data folder (nothing of this machine's settings), no update
// check, and the real program started with its main window at 1024 x 768.
class ScreenshotSession
{
public:
    // None, after telling the usage, when the command line names no output folder.
    static std::unique_ptr<ScreenshotSession> start(int& argc, char** argv);

    MainWindow* window() const;
    QString folder() const { return m_folder; }
    // Saves the picture as `name` in the output folder; tells when it cannot.
    bool save(const QPixmap& picture, const QString& name) const;

private:
    ScreenshotSession(int& argc, char** argv, const QString& folder);

    QString m_folder;
    QTemporaryDir m_userData;
    std::unique_ptr<korvo::Application> m_application;
};
