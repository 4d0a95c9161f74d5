// Stroke order: the cost of one animation frame, of the first load of a character and of the
// decomposition grid, on the shipped "Animations.db" (build/data beside the program).
//
//   build/quillet-bench-strokes [--benchmark_filter=...]
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "strokes/strokeanimation.h"
#include "strokes/strokeanimationdatabase.h"
#include "strokes/strokeanimationview.h"
#include "strokes/strokedecompositionview.h"

#include <QApplication>
#include <QFile>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace korvo;

namespace {

StrokeAnimationDatabase* database()
{
    static StrokeAnimationDatabase* shared = nullptr;
    if (!shared)
        shared = new StrokeAnimationDatabase(QCoreApplication::applicationDirPath() +
                                             QStringLiteral("/data/Animations.db"));
    return shared;
}

// One frame of the stroke animation: what a 16 ms tick of the stroke timer adds to the cached
// image. The frames walk through every stroke of the character as the timer would (the pause
// between strokes and the first picture of the outline are not timed). With `paint`, the
// widget's repaint (the cached image drawn onto the window) is timed too.
void frame(benchmark::State& state, const QString& character, bool paint)
{
    const int size = int(state.range(0));
    const auto animation = database()->loadAnimation(character);
    if (!animation) {
        state.SkipWithError("no animation");
        return;
    }
    StrokeAnimationView view;
    view.resize(size, size);
    view.show();
    QCoreApplication::processEvents();
    view.setAnimation(animation);
    view.restart();
    view.advanceStroke(0); // the outline picture and the masks, before timing
    int stroke = 0;
    double fraction = 0;
    for (auto _ : state) {
        const double step = 16.0 / std::max(1, view.strokeDuration());
        if (fraction >= 1) {
            state.PauseTiming();
            stroke = (stroke + 1) % animation->strokeCount();
            if (stroke == 0) {
                // Back to the outline alone, drawn before timing goes on.
                view.restart();
                view.advanceStroke(0);
            } else {
                view.startStroke(stroke);
            }
            fraction = 0;
            state.ResumeTiming();
        }
        fraction = std::min(1.0, fraction + step);
        view.advanceStroke(fraction);
        if (paint)
            view.repaint();
    }
    state.SetLabel(character.toStdString());
}

void BM_frame(benchmark::State& state)
{
    frame(state, QStringLiteral("爱"), false);
}

void BM_frameWithPaint(benchmark::State& state)
{
    frame(state, QStringLiteral("爱"), true);
}

void BM_frameManyStrokes(benchmark::State& state)
{
    frame(state, QStringLiteral("龍"), true);
}

// The first load of a character: the row, the JSON, the strokes and the outline, then every
// stroke's mask rendered at 800 x 800, thresholded into its region, and scaled for a 400 x 400
// view.
void BM_firstLoad(benchmark::State& state, const char* character)
{
    const QString text = QString::fromUtf8(character);
    for (auto _ : state) {
        const auto animation = database()->loadAnimation(text);
        for (const auto& stroke : animation->strokes()) {
            benchmark::DoNotOptimize(stroke->maskRegion());
            benchmark::DoNotOptimize(stroke->maskRegion(400));
        }
        benchmark::DoNotOptimize(animation->outlineRenderer());
    }
    state.SetLabel(character);
}

// The decomposition grid of a 20-stroke character in a grid 500 pixels wide: the pictures
// (showing 1, 2, ... 20 strokes) drawn and laid out. Cold: a fresh animation each time, so the
// masks are rendered again; warm: the same animation given again after none.
void decomposition(benchmark::State& state, bool cold)
{
    const QString character = QStringLiteral("魔");
    StrokeDecompositionView view;
    view.resize(500, 400);
    view.show();
    auto animation = database()->loadAnimation(character);
    view.setAnimation(animation);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        view.setAnimation(nullptr);
        QCoreApplication::processEvents();
        if (cold)
            animation = database()->loadAnimation(character);
        state.ResumeTiming();
        view.setAnimation(animation);
        QCoreApplication::sendPostedEvents();
        benchmark::DoNotOptimize(view.shownViews().size());
    }
    state.SetLabel(QStringLiteral("%1, %2 strokes")
                       .arg(character)
                       .arg(animation->strokeCount())
                       .toStdString());
}

void BM_decompositionWarm(benchmark::State& state)
{
    decomposition(state, false);
}

void BM_decompositionCold(benchmark::State& state)
{
    decomposition(state, true);
}

// hasAnimation as the dictionary page asks it, once per character box: the first time for a
// character (one indexed lookup) and again (the kept answer). The characters are the 2000
// code points from U+4E00 on, every one of them new to the database object of the cold run.
void BM_hasAnimation(benchmark::State& state)
{
    const bool cold = state.range(0) != 0;
    QStringList characters;
    for (char16_t c = 0x4E00; c < 0x4E00 + 2000; ++c)
        characters.append(QString(QChar(c)));
    int found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<StrokeAnimationDatabase> fresh;
        if (cold)
            fresh = std::make_unique<StrokeAnimationDatabase>(
                QCoreApplication::applicationDirPath() + QStringLiteral("/data/Animations.db"),
                QStringLiteral("benchAnimations"));
        StrokeAnimationDatabase* asked = cold ? fresh.get() : database();
        state.ResumeTiming();
        found = 0;
        for (const QString& character : std::as_const(characters))
            found += asked->hasAnimation(character);
        state.PauseTiming();
        fresh.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * characters.size());
    state.SetLabel(
        QStringLiteral("%1 of %2 have data").arg(found).arg(characters.size()).toStdString());
}

} // namespace

BENCHMARK(BM_hasAnimation)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_frame)->Arg(400)->Arg(800)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_frameWithPaint)->Arg(400)->Arg(800)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_frameManyStrokes)->Arg(800)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_firstLoad, ai, "爱")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_firstLoad, long, "龍")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decompositionWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decompositionCold)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QFile::exists(QCoreApplication::applicationDirPath() +
                       QStringLiteral("/data/Animations.db"))) {
        std::fprintf(stderr, "No data/Animations.db beside the program: build the data first\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete database();
    return 0;
}
