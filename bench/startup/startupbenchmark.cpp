// Start-up benchmark: how long the program takes from the start of its process to the first
// paint of its main window, and, once it has started (its web engine too, in the background),
// from a click on Dictionary to the painted results of a search typed at once; with the memory the
// program held then (before the click) and at most.
// Each run is a process of its own on a fresh profile, started the way a learner starts the
// program.
//
// Usage: quillet-bench-startup [runs]     (under a display: xvfb-run -a quillet-bench-startup)
// Prints one line per run and the median and maximum.

#include "app/application.h"
#include "dictionary_ui/dictionarywidget.h"
#include "dictionary_ui/resultpageview.h"
#include "style/xqpushbutton.h"
#include "ui/mainwindow.h"
#include "ui/navigationbar.h"

#include <QLineEdit>
#include <QTest>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Seconds since this process was started by the kernel, from /proc/self/stat and the boot clock.
double secondsSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec + now.tv_nsec / 1e9 - startTicks / double(sysconf(_SC_CLK_TCK));
}

// Resident memory of this process, in kilobytes.
long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Paints of the main window end the run once the first one is done.
class FirstPaintWatcher : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QTimer::singleShot(0, [] {
                std::printf("%.4f %ld\n", secondsSinceProcessStart(), residentKilobytes());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};

int runOnce(int argc, char** argv)
{
    korvo::Application application(argc, argv);
    application.initialize();
    FirstPaintWatcher watcher;
    application.mainWindow()->installEventFilter(&watcher);
    return application.exec();
}

// The learner clicks Dictionary once the program has started (and, in the background, its web
// engine), types a query and presses Return: the seconds from the click to the painted results,
// and the memory the program held before the click.
int runToDictionary(int argc, char** argv)
{
    korvo::Application application(argc, argv);
    application.initialize();
    MainWindow* window = application.mainWindow();
    QTimer poll;
    QElapsedTimer sinceClick;
    long memoryBefore = 0;
    QObject::connect(&poll, &QTimer::timeout, window, [&] {
        DictionaryWidget* screen = window->dictionaryScreen();
        if (!screen || !screen->resultView()->isReady())
            return;
        poll.stop();
        memoryBefore = residentKilobytes();
        // The screen by value: this lambda outlives the poll's call that found it.
        QObject::connect(screen, &DictionaryWidget::resultsShown, screen, [&, screen] {
            if (!screen->pageHtml().contains(QStringLiteral("ni3 hao3")))
                return;
            std::printf("%.4f %ld\n", sinceClick.nsecsElapsed() / 1e9, memoryBefore);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
        sinceClick.start();
        QTest::mouseClick(window->navigationBar()->button(QStringLiteral("dictionaryButton")),
                          Qt::LeftButton);
        screen->searchTextInput()->setText(QStringLiteral("ni3 hao3"));
        QTest::keyClick(screen->searchTextInput(), Qt::Key_Return);
    });
    poll.start(50);
    return application.exec();
}

struct Run
{
    double seconds;
    long residentKilobytes; // when the child measured
    long peakKilobytes;
};

bool runChild(const char* program, const char* mode, Run& run)
{
    QTemporaryDir userData;
    int output[2];
    if (pipe(output) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        setenv("XDG_DATA_HOME", qPrintable(userData.path()), 1);
        setenv("QUILLET_UPDATE_SERVER", "http://127.0.0.1:9", 1);
        execl(program, program, mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    char buffer[128] = {};
    const ssize_t length = read(output[0], buffer, sizeof buffer - 1);
    close(output[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (length <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    double seconds = 0;
    long resident = 0;
    if (std::sscanf(buffer, "%lf %ld", &seconds, &resident) != 2)
        return false;
    run = {seconds, resident, usage.ru_maxrss};
    return true;
}

bool measure(const char* program, const char* mode, const char* what, int runs)
{
    std::vector<Run> results;
    for (int i = 0; i < runs; ++i) {
        Run run{};
        if (!runChild(program, mode, run)) {
            std::fprintf(stderr, "%s: run %d failed\n", what, i + 1);
            return false;
        }
        std::printf("run %d: %s after %.0f ms, RSS then %.1f MB, peak RSS %.1f MB\n", i + 1, what,
                    run.seconds * 1000, run.residentKilobytes / 1024.0, run.peakKilobytes / 1024.0);
        results.push_back(run);
    }
    std::sort(results.begin(), results.end(),
              [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    long peak = 0;
    long resident = 0;
    for (const Run& run : results) {
        peak = std::max(peak, run.peakKilobytes);
        resident = std::max(resident, run.residentKilobytes);
    }
    std::printf("%s: median %.0f ms, max %.0f ms over %d runs; RSS then at most %.1f MB, peak "
                "RSS %.1f MB\n",
                what, results[results.size() / 2].seconds * 1000, results.back().seconds * 1000,
                runs, resident / 1024.0, peak / 1024.0);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--once") == 0)
        return runOnce(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--dictionary") == 0)
        return runToDictionary(argc, argv);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const bool ok =
        measure(argv[0], "--once", "first painted window", runs) &&
        measure(argv[0], "--dictionary", "from the Dictionary click to the first results", runs);
    return ok ? 0 : 1;
}
