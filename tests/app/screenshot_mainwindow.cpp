// Takes docs/screenshots/main-window.png (and @2x): the real program on a fresh profile at
// 1024 x 768, showing the navigation bar and the practice screen; and the two tabs of the
// options dialog (options-general.png, options-appearance.png).
//
// Usage: quillet_screenshot_mainwindow <output folder>   (run under a display, e.g. xvfb-run)

#include "app/application.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

int takeScreenshot(int argc, char** argv, const QString& output, qreal scale)
{
    QTemporaryDir userData;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
    qputenv("QUILLET_UPDATE_SERVER", "http://127.0.0.1:9");
    if (scale > 1)
        qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
    korvo::Application application(argc, argv);
    application.initialize();
    MainWindow* window = application.mainWindow();
    window->resize(1024, 768);
    window->showScreen(QStringLiteral("practice"));
    bool saved = false;
    QTimer::singleShot(1500, [&] {
        saved = window->grab().save(output);
        if (scale > 1) {
            window->close();
            return;
        }
        const QString folder = QFileInfo(output).absolutePath();
        QTimer::singleShot(800, [&, folder] {
            auto* dialog = QApplication::activeModalWidget();
            auto* tabs = dialog ? dialog->findChild<QTabWidget*>() : nullptr;
            if (!tabs) {
                saved = false;
                return;
            }
            saved &= dialog->grab().save(folder + "/options-general.png");
            tabs->setCurrentIndex(1);
            QTimer::singleShot(500, [&, dialog, folder] {
                saved &= dialog->grab().save(folder + "/options-appearance.png");
                dialog->close();
                window->close();
            });
        });
        application.showOptions();
    });
    application.exec();
    if (!saved)
        std::fprintf(stderr, "Could not write %s\n", qPrintable(output));
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (argc > 2 && qstrcmp(argv[2], "--2x") == 0)
        return takeScreenshot(argc, argv, folder + "/main-window@2x.png", 2);
    const int result = takeScreenshot(argc, argv, folder + "/main-window.png", 1);
    if (result != 0)
        return result;
    // The 2x picture needs a process of its own: the scale is fixed when the toolkit starts.
    return QProcess::execute(QString::fromLocal8Bit(argv[0]), {folder, QStringLiteral("--2x")});
}
