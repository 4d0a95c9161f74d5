// Takes the stroke order dialog's pictures for the documentation: the animation tab for 爱
// half-way through, and the decomposition tab for 龍.
//
// Usage: quillet_screenshot_strokeorder <output folder>
// Writes stroke-order-animation.png and stroke-order-decomposition.png there (and @2x copies
// when run with QT_SCALE_FACTOR=2 by itself). The data folder is the one beside the program; the
// profile is a temporary copy of Profile.default.db.

#include "dictionary/dictionary.h"
#include "profile/profile.h"
#include "strokes/strokeanimation.h"
#include "strokes/strokeanimationdatabase.h"
#include "strokes/strokeanimationdialog.h"
#include "strokes/strokeanimationview.h"
#include "strokes/strokedecompositionview.h"
#include "text/pinyin.h"

#include <QApplication>
#include <QFontDatabase>
#include <QListWidget>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace korvo;

namespace {

QString firstInstalledFamily(const QStringList& candidates)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& family : candidates) {
        if (families.contains(family))
            return family;
    }
    return QString();
}

bool save(QWidget* widget, const QString& path)
{
    const QPixmap picture = widget->grab();
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const bool doubleDensity = qgetenv("QT_SCALE_FACTOR") == "2";
    QApplication app(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString suffix = doubleDensity ? QStringLiteral("@2x.png") : QStringLiteral(".png");
    const QString dataFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    initPinyinTables();

    QTemporaryDir profileFolder;
    Profile profile(profileFolder.path(), dataFolder + QStringLiteral("/Profile.default.db"));
    profile.openDatabase();
    profile.upgradeDatabase();
    profile.loadDecks();
    profile.setSetting(QStringLiteral("chineseFont"),
                       firstInstalledFamily(
                           {QStringLiteral("AR PL UKai CN"), QStringLiteral("Noto Sans CJK SC")}));
    Dictionary dictionary;
    StrokeAnimationDatabase animations(dataFolder + QStringLiteral("/Animations.db"));
    if (!dictionary.open(dataFolder + QStringLiteral("/Dictionary.db")) || !animations.isOpen()) {
        std::fprintf(stderr, "the data folder %s is incomplete\n", qPrintable(dataFolder));
        return 1;
    }

    StrokeAnimationDialog dialog(&profile, &dictionary, &animations);
    dialog.setText(QStringLiteral("爱好"));
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return 1;

    // Half-way: the middle stroke of 爱 half drawn.
    StrokeAnimationView* view = dialog.animationView();
    const int middle = dialog.currentAnimation()->strokeCount() / 2;
    const bool halfWay = QTest::qWaitFor(
        [&] { return view->currentStrokeIndex() == middle && view->targetFraction() >= 0.5; },
        30000);
    if (!halfWay) {
        std::fprintf(stderr, "the animation did not reach its middle stroke\n");
        return 1;
    }
    if (!save(&dialog, output + QStringLiteral("/stroke-order-animation") + suffix))
        return 1;

    dialog.setText(QStringLiteral("龍"));
    dialog.findChild<QTabWidget*>(QStringLiteral("characterTabWidget"))->setCurrentIndex(1);
    StrokeDecompositionView* grid = dialog.decompositionView();
    const bool drawn = QTest::qWaitFor(
        [&] {
            if (grid->layoutInvalid() || grid->shownViews().size() != 16)
                return false;
            for (StrokeAnimationView* picture : grid->shownViews()) {
                if (picture->cachedImage().isNull() ||
                    picture->findChild<QTimer*>(QStringLiteral("resizeTimer"))->isActive())
                    return false;
            }
            return true;
        },
        10000);
    QTest::qWait(100);
    if (!drawn || !save(&dialog, output + QStringLiteral("/stroke-order-decomposition") + suffix))
        return 1;

    if (!doubleDensity) {
        // The same at double density, by a second run of this program.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        QProcess again;
        again.setProcessEnvironment(environment);
        again.setProcessChannelMode(QProcess::ForwardedChannels);
        again.start(QCoreApplication::applicationFilePath(), {output});
        if (!again.waitForFinished(120000) || again.exitCode() != 0)
            return 1;
    }
    return 0;
}
