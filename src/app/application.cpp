#include "app/application.h"

#include "style/messagebox.h"
#include "style/style.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"
#include "ui/mainwindow.h"

#include <QDateTime>
#include <QStandardPaths>
#include <cstdlib>

namespace korvo {

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
    setMainWindow(nullptr);
    m_mainWindow.reset();
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
    Style::setSkinFolder(m_folders.defaultSkinFolder());
    m_mainWindow = std::make_unique<MainWindow>();
    setMainWindow(m_mainWindow.get());
    m_mainWindow->resize(1024, 768);
    m_mainWindow->show();
}

} // namespace korvo
