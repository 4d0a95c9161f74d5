#include "screenshotsession.h"

#include "ui/mainwindow.h"

#include <QFile>

#include <cstdio>

std::unique_ptr<ScreenshotSession> ScreenshotSession::start(int& argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return nullptr;
    }
    return std::unique_ptr<ScreenshotSession>(
        new ScreenshotSession(argc, argv, QString::fromLocal8Bit(argv[1])));
}

ScreenshotSession::ScreenshotSession(int& argc, char** argv, const QString& folder)
    : m_folder(folder)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_userData.path()));
    qputenv("QUILLET_UPDATE_SERVER", "http://127.0.0.1:9");
    m_application = std::make_unique<korvo::Application>(argc, argv);
    m_application->initialize();
    window()->resize(1024, 768);
}

MainWindow* ScreenshotSession::window() const
{
    return m_application->mainWindow();
}

bool ScreenshotSession::save(const QPixmap& picture, const QString& name) const
{
    const QString file = m_folder + QLatin1Char('/') + name;
    const bool saved = picture.save(file);
    if (!saved)
        std::fprintf(stderr, "Could not write %s\n", qPrintable(file));
    return saved;
}
