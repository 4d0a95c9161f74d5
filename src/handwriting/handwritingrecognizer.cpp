#include "handwriting/handwritingrecognizer.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace korvo {

namespace {

constexpr int K = HandwritingFeatures::PointsPerStroke;
constexpr int F = HandwritingFeatures::FeatureSize;
// Coarse distance added per stroke of difference between the drawing and a template.
constexpr double StrokeCountWeight = 0.02;
// Share of the coarse distance in the final ranking.
constexpr double CoarseWeight = 0.1;
// A drawing smaller than this share of the pad is not blown up to the size of a character.
constexpr double MinimumExtentShare = 0.05;

// Eight running sums side by side, which the compiler turns into vector instructions.
float squaredDistance(const float* a, const float* b)
{
    static_assert(F % 8 == 0);
    float sums[8] = {};
    for (int i = 0; i < F; i += 8) {
        for (int k = 0; k < 8; ++k) {
            const float d = a[i + k] - b[i + k];
            sums[k] += d * d;
        }
    }
    float sum = 0;
    for (const float part : sums)
        sum += part;
    return sum;
}

QString& sharedModelPath()
{
    static QString path;
    return path;
}

std::unique_ptr<HandwritingRecognizer>& sharedRecognizer()
{
    static std::unique_ptr<HandwritingRecognizer> recognizer;
    return recognizer;
}

} // namespace

HandwritingRecognizer::HandwritingRecognizer() : m_model(std::make_unique<HandwritingModel>()) {}

HandwritingRecognizer::HandwritingRecognizer(std::unique_ptr<HandwritingModel> model)
    : m_model(model ? std::move(model) : std::make_unique<HandwritingModel>())
{
}

HandwritingRecognizer::~HandwritingRecognizer() = default;

bool HandwritingRecognizer::load(const QString& path, QString* error)
{
    return m_model->load(path, error);
}

QVector<HandwritingRecognizer::Candidate>
HandwritingRecognizer::recognize(const HandwritingDrawing& drawing, int limit,
                                 HandwritingModel::Script preferred, Work* work)
{
    Work local;
    Work& w = work ? *work : local;
    w = Work();
    const int n = drawing.strokeCount();
    if (n == 0 || limit <= 0 || m_model->isEmpty() ||
        n > m_model->maximumStrokeCount() + StrokeCountSlack)
        return {};

    const double extent = std::max(drawing.width(), drawing.height()) * MinimumExtentShare;
    std::vector<float> points;
    points.reserve(size_t(n) * K * 2);
    for (const QVector<QPointF>& stroke :
         HandwritingFeatures::normalized(drawing.strokes(), extent)) {
        for (const QPointF& p : HandwritingFeatures::resampled(stroke)) {
            points.push_back(float(p.x()));
            points.push_back(float(p.y()));
        }
    }
    w.steps += drawing.pointCount();
    std::vector<float> feature(F, 0.0f);
    for (int s = 0; s < n; ++s)
        HandwritingFeatures::addInk(points.data() + size_t(s) * 2 * K, K, feature.data());
    HandwritingFeatures::finish(feature.data());

    // Coarse stage over the templates of a near stroke count.
    std::vector<std::pair<double, int>> coarse;
    coarse.reserve(m_model->size());
    for (int t = 0; t < m_model->size(); ++t) {
        const HandwritingModel::Entry& entry = m_model->entry(t);
        const int difference = std::abs(entry.strokeCount - n);
        if (difference > StrokeCountSlack)
            continue;
        coarse.emplace_back(squaredDistance(feature.data(), m_model->feature(t)) +
                                StrokeCountWeight * difference,
                            t);
    }
    w.coarseComparisons = int(coarse.size());
    w.steps += qint64(coarse.size()) * F;
    if (int(coarse.size()) > ShortlistSize) {
        std::nth_element(coarse.begin(), coarse.begin() + ShortlistSize, coarse.end());
        coarse.resize(ShortlistSize);
    }

    // Stroke by stroke over the shortlist.
    m_matcher.setInput(points, n);
    std::vector<std::pair<double, int>> ranked;
    ranked.reserve(coarse.size());
    for (const auto& [coarseDistance, t] : coarse) {
        const double fine = m_matcher.distance(*m_model, m_model->entry(t), &w.steps);
        ranked.emplace_back(fine + CoarseWeight * coarseDistance, t);
    }
    w.strokeMatches = int(ranked.size());
    const int count = std::min(limit, int(ranked.size()));
    std::partial_sort(ranked.begin(), ranked.begin() + count, ranked.end());
    ranked.resize(count);

    QVector<Candidate> result;
    result.reserve(count);
    for (const auto& [distance, t] : ranked) {
        const HandwritingModel::Entry& entry = m_model->entry(t);
        result.append(Candidate{entry.character, distance, entry.scripts});
    }
    if (preferred != HandwritingModel::BothScripts) {
        std::stable_partition(result.begin(), result.end(), [preferred](const Candidate& c) {
            return (c.scripts & preferred) != 0;
        });
    }
    return result;
}

HandwritingRecognizer* HandwritingRecognizer::shared()
{
    std::unique_ptr<HandwritingRecognizer>& recognizer = sharedRecognizer();
    if (!recognizer) {
        recognizer = std::make_unique<HandwritingRecognizer>();
        QString error;
        if (!recognizer->load(sharedModelFile(), &error))
            std::fprintf(stderr, "Handwriting: cannot read %s: %s\n", qPrintable(sharedModelFile()),
                         qPrintable(error));
    }
    return recognizer.get();
}

void HandwritingRecognizer::setSharedModelFile(const QString& path)
{
    if (path != sharedModelPath()) {
        sharedModelPath() = path;
        sharedRecognizer().reset();
    }
}

QString HandwritingRecognizer::sharedModelFile()
{
    if (!sharedModelPath().isEmpty())
        return sharedModelPath();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/data/") +
           HandwritingModel::FileName;
}

} // namespace korvo
