// The handwriting drawing reader on any bytes, and the recogniser on whatever drawing it accepts.
// A refused drawing comes with a reason and no strokes; an accepted one writes and reads back to
// the same strokes; recognising it gives at most the asked number of candidates, closest first,
// at finite distances, for work bounded by its points and a fixed amount per template.

#include "fuzzsupport.h"
#include "handwriting/handwritingrecognizer.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace {

// Three characters of straight strokes in the 800 x 800 design space.
std::unique_ptr<korvo::HandwritingRecognizer> makeRecognizer()
{
    using Strokes = QVector<QVector<QPointF>>;
    auto model = std::make_unique<korvo::HandwritingModel>();
    model->addCharacter(QStringLiteral("一"), korvo::HandwritingModel::BothScripts, 1,
                        Strokes{{QPointF(100, 400), QPointF(700, 400)}});
    model->addCharacter(
        QStringLiteral("十"), korvo::HandwritingModel::BothScripts, 2,
        Strokes{{QPointF(100, 400), QPointF(700, 400)}, {QPointF(400, 100), QPointF(400, 700)}});
    model->addCharacter(QStringLiteral("口"), korvo::HandwritingModel::Simplified, 3,
                        Strokes{{QPointF(200, 200), QPointF(200, 600)},
                                {QPointF(200, 200), QPointF(600, 200), QPointF(600, 600)},
                                {QPointF(200, 600), QPointF(600, 600)}});
    return std::make_unique<korvo::HandwritingRecognizer>(std::move(model));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::quietQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::unique_ptr<korvo::HandwritingRecognizer> recognizer = makeRecognizer();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const korvo::HandwritingDrawing drawing = korvo::HandwritingDrawing::fromJson(bytes, &error);
    if (!error.isEmpty()) {
        FUZZ_CHECK(drawing.isEmpty());
        return 0;
    }
    QString again;
    FUZZ_CHECK(korvo::HandwritingDrawing::fromJson(drawing.toJson(), &again).strokes() ==
               drawing.strokes());
    FUZZ_CHECK(again.isEmpty());

    korvo::HandwritingRecognizer::Work work;
    const auto candidates =
        recognizer->recognize(drawing, 2, korvo::HandwritingModel::BothScripts, &work);
    FUZZ_CHECK(candidates.size() <= 2);
    // The templates have one to three strokes: a drawing of up to three more has candidates.
    const bool answerable =
        !drawing.isEmpty() &&
        drawing.strokeCount() <= 3 + korvo::HandwritingRecognizer::StrokeCountSlack;
    FUZZ_CHECK(candidates.isEmpty() == !answerable);
    for (int i = 0; i < candidates.size(); ++i) {
        FUZZ_CHECK(std::isfinite(candidates.at(i).distance));
        FUZZ_CHECK(i == 0 || candidates.at(i - 1).distance <= candidates.at(i).distance);
    }
    // Three templates of at most three strokes, against at most six drawn ones.
    FUZZ_CHECK(work.steps <= drawing.pointCount() + 10000);
    return 0;
}
