// Takes the statistics screen's screenshots from the built data, in the main window, on a
// temporary profile made from the shipped template with two years of made-up practice of the
// HSK decks (40,000 answers, the first 600 from before answer times were kept):
//   statistics.png        all decks over the last 30 days, the window tall enough for every chart
//   statistics-year.png   the HSK folder over the last 12 months, by month
//
// Usage: quillet_screenshot_statistics <output folder>   (data is found beside the program)

#include "generatedhistory.h"
#include "practice/session.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "statistics_ui/statisticswidget.h"
#include "style/style.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cstdio>

using namespace korvo;

namespace {

bool save(const QPixmap& pixmap, const QString& path)
{
    if (!pixmap.save(path)) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(path));
        return false;
    }
    QTextStream(stdout) << "Wrote " << path << " (" << pixmap.width() << " x " << pixmap.height()
                        << ")\n";
    return true;
}

int hskFolderId(Profile& profile)
{
    for (Deck* deck : profile.rootDeck()->children()) {
        if (deck->uuid() == QLatin1String("com.quillet.hsk"))
            return deck->id();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString dataFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    QDir().mkpath(output);
    initPinyinTables();
    Style::setSkinFolder(dataFolder + QStringLiteral("/skins/default"));

    QTemporaryDir profileFolder;
    Profile profile(profileFolder.path(), dataFolder + QStringLiteral("/Profile.default.db"));
    profile.openDatabase();
    profile.upgradeDatabase();
    statisticstest::HistoryOptions options;
    options.answers = 40000;
    options.untimed = 600;
    if (statisticstest::generateHistory(profile.database(), options) != options.answers) {
        std::fprintf(stderr, "Could not write the history\n");
        return 1;
    }
    profile.loadDecks();
    Session session(&profile);

    MainWindow window(&profile, nullptr, &session);
    window.resize(1100, 2000);
    window.showScreen(QStringLiteral("statistics"));
    window.show();
    QTest::qWait(400);
    bool ok = save(window.grab(), output + QStringLiteral("/statistics.png"));

    StatisticsWidget* statistics = window.statisticsScreen();
    statistics->selectDeck(hskFolderId(profile));
    QTest::mouseClick(statistics->findChild<XQPushButton*>(QStringLiteral("range12mButton")),
                      Qt::LeftButton);
    window.resize(1100, 768);
    QTest::qWait(400);
    ok = save(window.grab(), output + QStringLiteral("/statistics-year.png")) && ok;
    return ok ? 0 : 1;
}
