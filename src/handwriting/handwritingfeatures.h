#pragma once

#include <QPointF>
#include <QVector>

namespace korvo {

// The geometry that the recogniser and the model builder share, so that a drawing and the
// character templates are measured the same way: the whole character scaled into the unit
// square (its longer side spanning it, centred, aspect kept), every stroke resampled to a fixed
// number of points evenly spaced along its length, and a coarse picture of the character as
// ink direction per cell of a grid.
class HandwritingFeatures
{
public:
    using Polyline = QVector<QPointF>;

    static constexpr int PointsPerStroke = 12;
    static constexpr int GridSize = 8;
    static constexpr int Directions = 4;
    static constexpr int FeatureSize = GridSize * GridSize * Directions;

    // The strokes moved and scaled so that their bounding box is centred in the unit square with
    // its longer side spanning it. A box smaller than `minimumExtent` (in the strokes' own
    // units) is scaled as if it were that large, so that a dot is not blown up to fill the
    // square. Strokes without points are dropped.
    static QVector<Polyline> normalized(const QVector<Polyline>& strokes, double minimumExtent);

    // `count` points evenly spaced along the polyline from its first to its last point; a
    // polyline of one point (or of zero length) gives that point `count` times.
    static Polyline resampled(const Polyline& polyline, int count = PointsPerStroke);

    // The polyline followed by the other one, the pen moving straight from the end of the first
    // to the start of the second, resampled: one stroke written where two belong.
    static Polyline joined(const Polyline& first, const Polyline& second);

    // Adds the ink of the polyline (x, y pairs in the unit square) to `feature`
    // (FeatureSize values): the length of every piece, by its direction (four orientations,
    // shared linearly between the two nearest) and by its place (shared bilinearly between the
    // four nearest cells).
    static void addInk(const float* points, int count, float* feature);
    // Evens out the contrast of a finished feature (square roots) and scales it to length 1.
    static void finish(float* feature);
};

} // namespace korvo
