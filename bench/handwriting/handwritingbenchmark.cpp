// Handwriting recognition over a test set made from the shipped stroke medians: the 3,000 most
// common characters (with the traditional forms of the same ranks), each drawn five times with
// random distortion and once with each learner mistake. Prints top-1/5/10 accuracy per set and
// the time to update the candidates per stroke added (every stroke prefix of the first drawing
// of each character). With Zinnia and Debian's tegaki simplified Chinese model installed
// (scripts/handwriting-zinnia-bench.sh), the simplified set goes through it too, side by side.
//
// usage: quillet-bench-handwriting [--characters N] [--zinnia-model FILE] [--no-zinnia]

#include "drawingdistorter.h"

#include "handwriting/handwritingrecognizer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#ifdef QUILLET_HAVE_ZINNIA
#include <zinnia.h>
#endif

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

using korvo::HandwritingDrawing;
using korvo::HandwritingModel;
using korvo::HandwritingRecognizer;

namespace {

constexpr double PadSize = 300;
constexpr int CleanDrawings = 5;

struct TestCharacter
{
    QString character;
    HandwritingModel::Script script;
    handwritingtest::Strokes medians;
};

// Up to ten candidates for a drawing, best first.
using Engine = std::function<QStringList(const HandwritingDrawing&, HandwritingModel::Script)>;

struct Tally
{
    int count = 0, top1 = 0, top5 = 0, top10 = 0;
    void add(const QStringList& candidates, const QString& expected)
    {
        const int at = candidates.indexOf(expected);
        ++count;
        top1 += at == 0;
        top5 += at >= 0 && at < 5;
        top10 += at >= 0 && at < 10;
    }
    void print(const char* engine, const QString& set) const
    {
        auto share = [this](int n) { return count ? 100.0 * n / count : 0.0; };
        std::printf("%-9s %-34s %6d  top-1 %5.1f %%  top-5 %5.1f %%  top-10 %5.1f %%\n", engine,
                    qPrintable(set), count, share(top1), share(top5), share(top10));
    }
};

QVector<TestCharacter> testSet(const QString& dictionaryPath, const HandwritingModel& model,
                               int characters)
{
    QVector<TestCharacter> result;
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    database.setDatabaseName(dictionaryPath);
    if (!database.open())
        return result;
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT character, rank FROM Characters WHERE simplified = '' "
                                 "AND rank > 0 ORDER BY rank LIMIT ?"));
    query.addBindValue(characters);
    query.exec();
    int lastRank = 0;
    auto add = [&](const QString& character, HandwritingModel::Script script) {
        if (model.indexOf(character) >= 0)
            result.append({character, script, handwritingtest::medians(character)});
    };
    while (query.next()) {
        add(query.value(0).toString(), HandwritingModel::Simplified);
        lastRank = query.value(1).toInt();
    }
    query.prepare(QStringLiteral("SELECT character FROM Characters WHERE simplified != '' "
                                 "AND rank BETWEEN 1 AND ? ORDER BY rank"));
    query.addBindValue(lastRank);
    query.exec();
    while (query.next())
        add(query.value(0).toString(), HandwritingModel::Traditional);
    return result;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * values.size()))];
}

const char* mistakeName(DrawingDistorter::Mistake mistake)
{
    switch (mistake) {
    case DrawingDistorter::ExtraStroke:
        return "extra stroke";
    case DrawingDistorter::MissingStroke:
        return "missing stroke";
    case DrawingDistorter::JoinedStrokes:
        return "two strokes joined";
    case DrawingDistorter::SwappedStrokes:
        return "two strokes swapped";
    default:
        return "clean";
    }
}

void run(const char* name, const Engine& engine, const QVector<TestCharacter>& set,
         bool simplifiedOnly)
{
    std::map<QString, Tally> tallies;
    Tally cleanAll, mistakesAll;
    std::vector<double> perStroke;
    for (int c = 0; c < set.size(); ++c) {
        const TestCharacter& item = set.at(c);
        if (simplifiedOnly && item.script != HandwritingModel::Simplified)
            continue;
        const QString script = item.script == HandwritingModel::Simplified
                                   ? QStringLiteral("simplified")
                                   : QStringLiteral("traditional");
        // The same seed per character for every engine: the same drawings.
        DrawingDistorter distorter(PadSize, 7919u * unsigned(c + 1));
        for (int d = 0; d < CleanDrawings; ++d) {
            const handwritingtest::Strokes strokes =
                distorter.draw(item.medians, DrawingDistorter::NoMistake);
            const HandwritingDrawing drawing =
                handwritingtest::drawing(strokes, QSizeF(PadSize, PadSize));
            const QStringList candidates = engine(drawing, item.script);
            tallies[QStringLiteral("clean, ") + script].add(candidates, item.character);
            cleanAll.add(candidates, item.character);
            if (d != 0)
                continue;
            for (int s = 1; s <= strokes.size(); ++s) {
                const HandwritingDrawing prefix =
                    handwritingtest::drawing(strokes.mid(0, s), QSizeF(PadSize, PadSize));
                QElapsedTimer timer;
                timer.start();
                engine(prefix, item.script);
                perStroke.push_back(timer.nsecsElapsed() / 1e6);
            }
        }
        for (auto mistake : {DrawingDistorter::ExtraStroke, DrawingDistorter::MissingStroke,
                             DrawingDistorter::JoinedStrokes, DrawingDistorter::SwappedStrokes}) {
            const HandwritingDrawing drawing = handwritingtest::drawing(
                distorter.draw(item.medians, mistake), QSizeF(PadSize, PadSize));
            const QStringList candidates = engine(drawing, item.script);
            tallies[QString::fromLatin1(mistakeName(mistake)) + QStringLiteral(", ") + script].add(
                candidates, item.character);
            mistakesAll.add(candidates, item.character);
        }
    }
    for (const auto& [set, tally] : tallies)
        tally.print(name, set);
    cleanAll.print(name, QStringLiteral("ALL clean"));
    mistakesAll.print(name, QStringLiteral("ALL with learner mistakes"));
    std::printf("%-9s per stroke added: p50 %.2f ms, p99 %.2f ms, max %.2f ms (%zu updates)\n\n",
                name, percentile(perStroke, 0.5), percentile(perStroke, 0.99),
                percentile(perStroke, 1.0), perStroke.size());
}

#ifdef QUILLET_HAVE_ZINNIA
Engine zinniaEngine(zinnia::Recognizer* recognizer)
{
    return [recognizer](const HandwritingDrawing& drawing, HandwritingModel::Script) {
        std::unique_ptr<zinnia::Character> character(zinnia::Character::create());
        character->set_width(size_t(drawing.width()));
        character->set_height(size_t(drawing.height()));
        for (int s = 0; s < drawing.strokeCount(); ++s) {
            for (const QPointF& p : drawing.strokes().at(s))
                character->add(size_t(s), std::clamp(int(p.x()), 0, int(drawing.width())),
                               std::clamp(int(p.y()), 0, int(drawing.height())));
        }
        QStringList candidates;
        std::unique_ptr<zinnia::Result> result(recognizer->classify(*character, 10));
        for (size_t i = 0; result && i < result->size(); ++i)
            candidates << QString::fromUtf8(result->value(i));
        return candidates;
    };
}
#endif

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int at = arguments.indexOf(QStringLiteral("--characters"));
    const int characters = at > 0 ? arguments.value(at + 1).toInt() : 3000;
    const int modelAt = arguments.indexOf(QStringLiteral("--zinnia-model"));
    const QString zinniaModel =
        modelAt > 0 ? arguments.value(modelAt + 1)
                    : QStringLiteral("/usr/share/tegaki/models/zinnia/handwriting-zh_CN.model");
    const QString data = QCoreApplication::applicationDirPath() + QStringLiteral("/data/");

    HandwritingRecognizer recognizer;
    QString error;
    QElapsedTimer timer;
    timer.start();
    if (!recognizer.load(data + HandwritingModel::FileName, &error)) {
        std::fprintf(stderr, "cannot read the model: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("Model: %d characters, %.1f MB on disk, loaded in %lld ms\n",
                recognizer.model().size(),
                QFileInfo(data + HandwritingModel::FileName).size() / 1e6, timer.elapsed());
    const QVector<TestCharacter> set =
        testSet(data + QStringLiteral("Dictionary.db"), recognizer.model(), characters);
    std::printf("Test set: %lld characters, %d clean drawings and 4 with mistakes each\n\n",
                qlonglong(set.size()), CleanDrawings);

    run(
        "Quillet",
        [&](const HandwritingDrawing& drawing, HandwritingModel::Script script) {
            QStringList candidates;
            for (const auto& candidate : recognizer.recognize(drawing, 10, script))
                candidates << candidate.character;
            return candidates;
        },
        set, false);

#ifdef QUILLET_HAVE_ZINNIA
    if (!arguments.contains(QStringLiteral("--no-zinnia"))) {
        std::unique_ptr<zinnia::Recognizer> zinnia(zinnia::Recognizer::create());
        if (!QFileInfo::exists(zinniaModel) || !zinnia->open(qPrintable(zinniaModel))) {
            std::printf("Zinnia: no model at %s (scripts/handwriting-zinnia-bench.sh installs "
                        "it)\n",
                        qPrintable(zinniaModel));
        } else {
            std::printf("Zinnia with %s, simplified set only:\n", qPrintable(zinniaModel));
            run("Zinnia", zinniaEngine(zinnia.get()), set, true);
        }
    }
#endif
    return 0;
}
