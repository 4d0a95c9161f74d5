#pragma once

#include "handwritingtestsupport.h"

#include <random>

// Turns a character's stroke medians into a drawing as a hand might make it on a pad: the whole
// rotated, scaled unevenly, sheared and moved; each stroke shifted a little, its ends trimmed,
// its points jittered and sampled at an uneven pace, as pointer events arrive.
class DrawingDistorter
{
public:
    enum Mistake { NoMistake, ExtraStroke, MissingStroke, JoinedStrokes, SwappedStrokes };

    DrawingDistorter(double padSize, unsigned seed) : m_padSize(padSize), m_random(seed) {}

    // The medians (800 x 800 design space) as drawn on the pad, with the mistake made (when the
    // character has strokes enough for it; otherwise an extra stroke instead).
    handwritingtest::Strokes draw(const handwritingtest::Strokes& medians, Mistake mistake);

private:
    double uniform(double low, double high);
    int integer(int low, int high);
    handwritingtest::Strokes withMistake(const handwritingtest::Strokes& strokes, Mistake mistake);
    QVector<QPointF> sampled(const QVector<QPointF>& stroke);

    double m_padSize;
    std::mt19937 m_random;
};
