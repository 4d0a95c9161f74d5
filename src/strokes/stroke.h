#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QRegion>
#include <QString>
#include <QVector>

namespace korvo {

// One stroke of a character's animation: the brush path (points in the 800 x 800 design space,
// y pointing down) and the mask that confines the brush to the stroke's own area. Owned by its
// StrokeAnimation. The length, the mask image and the regions are computed on first use and
// kept for the stroke's lifetime.
//
// A stroke that cannot be drawn (fewer than two points, bad point data, or a mask SVG that does
// not render) stays in its animation so that the stroke numbering is kept, but draws nothing.
class Stroke
{
public:
    static constexpr int DesignSize = 800;
    // Mask pixels whose red, green or blue value is at most this belong to the stroke.
    static constexpr int MaskInkThreshold = 200;

    Stroke() = default;
    // The points are rounded to whole units (halves away from zero) and simplified with
    // simplifyPolyline at tolerance 1.0.
    Stroke(const QString& mask, const QVector<QPointF>& points);
    // A stroke whose description was unusable: it keeps its place but draws nothing.
    static Stroke invalid(const QString& mask = QString());

    // The mask's file name as the animation's JSON gives it, and its base name (the mask id).
    QString mask() const { return m_mask; }
    QString maskName() const;
    const QVector<QPointF>& points() const { return m_points; }

    // The SVG text of the mask; without one the stroke is drawn unclipped.
    void setMaskSvg(const QByteArray& svg);
    bool hasMask() const { return m_hasMask; }
    // Whether drawing the stroke paints anything: at least two points, usable point data and
    // a mask that renders (when there is one). Renders the mask on first call.
    bool isDrawable();

    // Sum of the Manhattan lengths of the segments; 0 with fewer than two points.
    int strokeLength();
    // The point at `fraction` (0..1) of the length along the path.
    QPointF pointAt(double fraction);

    // The mask rendered at 800 x 800 and thresholded: opaque black inside, white outside.
    // Null without a usable mask.
    const QImage& maskImage();
    // The black pixels of maskImage() in design space; empty without a usable mask.
    const QRegion& maskRegion();
    // The mask region of a size x size picture of the stroke (nearest-pixel scaling of the
    // mask), kept per size so that views of one size share it.
    QRegion maskRegion(int size);
    // Whether drawing is clipped: the mask renders.
    bool hasMaskRegion();

    // Douglas-Peucker simplification: the points whose perpendicular distance to the chord of
    // their range exceeds `tolerance` are kept, with the first and the last point that differs
    // from the first. Fewer than three points come back unchanged.
    static QVector<QPointF> simplifyPolyline(const QVector<QPointF>& points, double tolerance);
    // The mask threshold: whether a rendered mask pixel belongs to the stroke.
    static bool isMaskInk(QRgb pixel);
    // A point rounded to whole units, halves away from zero.
    static QPointF roundedPoint(const QPointF& point);

private:
    void renderMask();
    // Running lengths: m_cumulative[i] is the path length from point 0 to point i.
    void computeLengths();

    QString m_mask;
    QVector<QPointF> m_points;
    bool m_valid = true;
    int m_length = -1;
    QVector<double> m_cumulative;

    bool m_hasMask = false;
    QByteArray m_maskSvg;
    bool m_maskRendered = false;
    bool m_maskBroken = false;
    QImage m_maskImage;
    QRegion m_maskRegion;
    QHash<int, QRegion> m_scaledRegions;
};

} // namespace korvo
