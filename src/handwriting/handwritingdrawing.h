#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QVector>

namespace korvo {

// One handwritten character as the learner drew it: strokes of points in the order drawn, in the
// coordinates of the pad (y grows downward), and the size of the pad. A plain value; the pad
// widget fills one while the learner draws and the recogniser reads it.
class HandwritingDrawing
{
public:
    using Stroke = QVector<QPointF>;

    // Coordinates beyond this magnitude are refused when read: no pad is that large, and
    // arithmetic on them would lose all precision.
    static constexpr double MaximumCoordinate = 1e6;

    HandwritingDrawing() = default;
    HandwritingDrawing(double width, double height) : m_width(width), m_height(height) {}

    double width() const { return m_width; }
    double height() const { return m_height; }
    void setSize(double width, double height);

    const QVector<Stroke>& strokes() const { return m_strokes; }
    int strokeCount() const { return m_strokes.size(); }
    bool isEmpty() const { return m_strokes.isEmpty(); }
    int pointCount() const;

    // Starts a stroke at the point; addPoint() extends the last one.
    void beginStroke(const QPointF& point);
    void addPoint(const QPointF& point);
    void addStroke(const Stroke& stroke);
    void removeLastStroke();
    void clear() { m_strokes.clear(); }

    // Reads {"width": W, "height": H, "strokes": [[[x, y], ...], ...]}. On failure the result is
    // empty and *error names what is wrong (the JSON syntax error with its offset, or the first
    // field, stroke or point that does not fit).
    static HandwritingDrawing fromJson(const QByteArray& json, QString* error);
    QByteArray toJson() const;

private:
    double m_width = 0;
    double m_height = 0;
    QVector<Stroke> m_strokes;
};

} // namespace korvo
