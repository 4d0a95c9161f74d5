#include "handwriting/handwritingfeatures.h"

#include <algorithm>
#include <cmath>

namespace korvo {

namespace {

constexpr double Pi = 3.14159265358979323846;

// std::hypot guards against overflow at a cost; coordinates here are small.
double length(double dx, double dy)
{
    return std::sqrt(dx * dx + dy * dy);
}

// Splats `weight` at (x, y) in the unit square into the grid cells around it for orientation bin
// `bin`.
void splat(float* feature, double x, double y, int bin, double weight)
{
    constexpr int N = HandwritingFeatures::GridSize;
    const double gx = std::clamp(x * N - 0.5, 0.0, N - 1.0);
    const double gy = std::clamp(y * N - 0.5, 0.0, N - 1.0);
    const int x0 = std::min(int(gx), N - 2);
    const int y0 = std::min(int(gy), N - 2);
    const double fx = gx - x0;
    const double fy = gy - y0;
    auto cell = [&](int cx, int cy) -> float& {
        return feature[(cy * N + cx) * HandwritingFeatures::Directions + bin];
    };
    cell(x0, y0) += float(weight * (1 - fx) * (1 - fy));
    cell(x0 + 1, y0) += float(weight * fx * (1 - fy));
    cell(x0, y0 + 1) += float(weight * (1 - fx) * fy);
    cell(x0 + 1, y0 + 1) += float(weight * fx * fy);
}

} // namespace

QVector<HandwritingFeatures::Polyline>
HandwritingFeatures::normalized(const QVector<Polyline>& strokes, double minimumExtent)
{
    double left = 0, right = 0, top = 0, bottom = 0;
    bool first = true;
    for (const Polyline& stroke : strokes) {
        for (const QPointF& p : stroke) {
            if (first) {
                left = right = p.x();
                top = bottom = p.y();
                first = false;
            }
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
    }
    QVector<Polyline> result;
    if (first)
        return result;
    const double extent = std::max({right - left, bottom - top, minimumExtent, 1e-9});
    const double cx = (left + right) / 2;
    const double cy = (top + bottom) / 2;
    result.reserve(strokes.size());
    for (const Polyline& stroke : strokes) {
        if (stroke.isEmpty())
            continue;
        Polyline moved;
        moved.reserve(stroke.size());
        for (const QPointF& p : stroke)
            moved.append(QPointF(0.5 + (p.x() - cx) / extent, 0.5 + (p.y() - cy) / extent));
        result.append(moved);
    }
    return result;
}

HandwritingFeatures::Polyline HandwritingFeatures::resampled(const Polyline& polyline, int count)
{
    Polyline result;
    if (polyline.isEmpty() || count < 1)
        return result;
    result.reserve(count);
    double total = 0;
    for (int i = 1; i < polyline.size(); ++i)
        total += length(polyline.at(i).x() - polyline.at(i - 1).x(),
                        polyline.at(i).y() - polyline.at(i - 1).y());
    if (total <= 0 || count == 1) {
        result.fill(polyline.first(), count);
        return result;
    }
    const double step = total / (count - 1);
    result.append(polyline.first());
    double walked = 0;
    int segment = 1;
    double segmentStart = 0;
    double segmentLength =
        length(polyline.at(1).x() - polyline.at(0).x(), polyline.at(1).y() - polyline.at(0).y());
    for (int k = 1; k < count - 1; ++k) {
        walked = step * k;
        while (segment < polyline.size() - 1 && segmentStart + segmentLength < walked) {
            segmentStart += segmentLength;
            ++segment;
            segmentLength = length(polyline.at(segment).x() - polyline.at(segment - 1).x(),
                                   polyline.at(segment).y() - polyline.at(segment - 1).y());
        }
        const double t =
            segmentLength > 0 ? std::clamp((walked - segmentStart) / segmentLength, 0.0, 1.0) : 0;
        result.append(polyline.at(segment - 1) +
                      (polyline.at(segment) - polyline.at(segment - 1)) * t);
    }
    result.append(polyline.last());
    return result;
}

HandwritingFeatures::Polyline HandwritingFeatures::joined(const Polyline& first,
                                                          const Polyline& second)
{
    return resampled(first + second);
}

void HandwritingFeatures::addInk(const float* points, int count, float* feature)
{
    for (int i = 1; i < count; ++i) {
        const double x0 = points[2 * i - 2], y0 = points[2 * i - 1];
        const double dx = points[2 * i] - x0, dy = points[2 * i + 1] - y0;
        const double pieceLength = length(dx, dy);
        if (pieceLength <= 0)
            continue;
        // Orientation in [0, pi), in bins of 45 degrees shared between the two nearest.
        double angle = std::atan2(dy, dx);
        if (angle < 0)
            angle += Pi;
        if (angle >= Pi)
            angle -= Pi;
        const double position = angle / (Pi / Directions);
        const int bin = int(position) % Directions;
        const int next = (bin + 1) % Directions;
        const double share = position - std::floor(position);
        // A few samples along the piece, so that long pieces spread over the cells they cross.
        const int samples = std::max(1, int(std::ceil(pieceLength * GridSize * 2)));
        const double weight = pieceLength / samples;
        for (int s = 0; s < samples; ++s) {
            const double t = (s + 0.5) / samples;
            const double x = x0 + dx * t, y = y0 + dy * t;
            splat(feature, x, y, bin, weight * (1 - share));
            splat(feature, x, y, next, weight * share);
        }
    }
}

void HandwritingFeatures::finish(float* feature)
{
    double sum = 0;
    for (int i = 0; i < FeatureSize; ++i) {
        feature[i] = std::sqrt(std::max(0.0f, feature[i]));
        sum += double(feature[i]) * feature[i];
    }
    if (sum <= 0)
        return;
    const float scale = float(1 / std::sqrt(sum));
    for (int i = 0; i < FeatureSize; ++i)
        feature[i] *= scale;
}

} // namespace korvo
