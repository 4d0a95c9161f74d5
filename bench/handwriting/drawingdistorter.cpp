#include "drawingdistorter.h"

#include <QTransform>

#include <algorithm>
#include <cmath>

using handwritingtest::Strokes;

double DrawingDistorter::uniform(double low, double high)
{
    return std::uniform_real_distribution<double>(low, high)(m_random);
}

int DrawingDistorter::integer(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(m_random);
}

Strokes DrawingDistorter::withMistake(const Strokes& strokes, Mistake mistake)
{
    const int n = strokes.size();
    if (mistake == MissingStroke && n >= 2)
        return handwritingtest::withoutStroke(strokes, integer(0, n - 1));
    if (mistake == JoinedStrokes && n >= 2)
        return handwritingtest::withJoinedStrokes(strokes, integer(0, n - 2));
    if (mistake == SwappedStrokes && n >= 2) {
        const int a = integer(0, n - 1);
        int b = integer(0, n - 2);
        if (b >= a)
            ++b;
        return handwritingtest::withSwappedStrokes(strokes, a, b);
    }
    if (mistake == NoMistake)
        return strokes;
    // A short stroke somewhere on the character's ink, in any direction.
    const QVector<QPointF>& host = strokes.at(integer(0, n - 1));
    const QPointF from =
        host.at(integer(0, host.size() - 1)) + QPointF(uniform(-40, 40), uniform(-40, 40));
    const double angle = uniform(0, 2 * M_PI), length = uniform(40, 120);
    const QPointF to = from + QPointF(std::cos(angle), std::sin(angle)) * length;
    return handwritingtest::withExtraStroke(strokes, integer(0, n), from, to);
}

QVector<QPointF> DrawingDistorter::sampled(const QVector<QPointF>& stroke)
{
    // The stroke as a dense path, its ends trimmed, then read at an uneven pace.
    QVector<QPointF> dense;
    for (int i = 1; i < stroke.size(); ++i) {
        const QPointF a = stroke.at(i - 1), b = stroke.at(i);
        const int steps = std::max(1, int(std::hypot(b.x() - a.x(), b.y() - a.y())));
        for (int s = 0; s < steps; ++s)
            dense.append(a + (b - a) * (double(s) / steps));
    }
    dense.append(stroke.last());
    const int trimStart = int(dense.size() * uniform(0, 0.1));
    const int trimEnd = int(dense.size() * uniform(0, 0.1));
    const int last = std::max(trimStart, int(dense.size()) - 1 - trimEnd);
    QVector<QPointF> result;
    const double jitter = m_padSize * 0.006;
    std::normal_distribution<double> noise(0, jitter);
    const double pace = uniform(3, 14);
    for (double at = trimStart; at < last; at += pace * uniform(0.3, 1.7))
        result.append(dense.at(int(at)) + QPointF(noise(m_random), noise(m_random)));
    result.append(dense.at(last) + QPointF(noise(m_random), noise(m_random)));
    return result;
}

Strokes DrawingDistorter::draw(const Strokes& medians, Mistake mistake)
{
    const Strokes strokes = withMistake(medians, mistake);
    // Around the centre of the design space: rotation, uneven scale and shear; then the
    // character at 55-95 % of the pad, somewhere on it.
    const double size = m_padSize * uniform(0.55, 0.95) / 800;
    QTransform transform;
    transform.translate(m_padSize / 2 + uniform(-0.05, 0.05) * m_padSize,
                        m_padSize / 2 + uniform(-0.05, 0.05) * m_padSize);
    transform.rotate(uniform(-10, 10));
    transform.shear(uniform(-0.15, 0.15), uniform(-0.08, 0.08));
    transform.scale(size * uniform(0.85, 1.15), size * uniform(0.85, 1.15));
    transform.translate(-400, -400);
    Strokes result;
    for (const QVector<QPointF>& stroke : strokes) {
        // Each stroke a little off its place (up to 2.5 % of the character).
        const QPointF shift(uniform(-20, 20), uniform(-20, 20));
        QVector<QPointF> moved;
        for (const QPointF& p : stroke)
            moved.append(transform.map(p + shift));
        result.append(sampled(moved));
    }
    return result;
}
