#include "strokes/stroke.h"

#include <QBitmap>
#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace korvo {

namespace {

// Distance of p from the line through a and b; from a itself when a and b coincide.
double perpendicularDistance(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double length = std::hypot(dx, dy);
    if (length == 0)
        return std::hypot(p.x() - a.x(), p.y() - a.y());
    return std::abs(dy * (p.x() - a.x()) - dx * (p.y() - a.y())) / length;
}

bool samePoint(const QPointF& a, const QPointF& b)
{
    return std::abs(a.x() - b.x()) <= 1e-12 && std::abs(a.y() - b.y()) <= 1e-12;
}

} // namespace

Stroke::Stroke(const QString& mask, const QVector<QPointF>& points) : m_mask(mask)
{
    QVector<QPointF> rounded;
    rounded.reserve(points.size());
    for (const QPointF& point : points)
        rounded.append(roundedPoint(point));
    m_points = simplifyPolyline(rounded, 1.0);
}

Stroke Stroke::invalid(const QString& mask)
{
    Stroke stroke;
    stroke.m_mask = mask;
    stroke.m_valid = false;
    return stroke;
}

QString Stroke::maskName() const
{
    return QFileInfo(m_mask).completeBaseName();
}

void Stroke::setMaskSvg(const QByteArray& svg)
{
    m_hasMask = true;
    m_maskSvg = svg;
    m_maskRendered = false;
    m_maskBroken = false;
    m_maskImage = QImage();
    m_maskRegion = QRegion();
    m_scaledRegions.clear();
}

bool Stroke::isDrawable()
{
    if (!m_valid || m_points.size() < 2)
        return false;
    renderMask();
    return !m_maskBroken;
}

void Stroke::computeLengths()
{
    if (m_length >= 0)
        return;
    m_cumulative.clear();
    double sum = 0;
    m_cumulative.reserve(m_points.size());
    for (int i = 0; i < m_points.size(); ++i) {
        if (i > 0) {
            const QPointF d = m_points.at(i) - m_points.at(i - 1);
            sum += std::abs(d.x()) + std::abs(d.y());
        }
        m_cumulative.append(sum);
    }
    // Coordinates are bounded when read, but a very long point list could still pass the
    // range of an int.
    m_length = int(std::min(sum, double(std::numeric_limits<int>::max() / 2)));
}

int Stroke::strokeLength()
{
    computeLengths();
    return m_points.size() < 2 ? 0 : m_length;
}

QPointF Stroke::pointAt(double fraction)
{
    if (m_points.isEmpty())
        return QPointF();
    if (!(fraction >= 0)) // also NaN
        fraction = 0;
    fraction = std::min(fraction, 1.0);
    const double target = strokeLength() * fraction;
    for (int i = 1; i < m_points.size(); ++i) {
        if (m_cumulative.at(i) < target)
            continue;
        const QPointF& p = m_points.at(i - 1);
        const double segment = m_cumulative.at(i) - m_cumulative.at(i - 1);
        // A segment of no length cannot be interpolated: its start is the point.
        if (segment <= 0)
            return p;
        return p + (m_points.at(i) - p) * ((target - m_cumulative.at(i - 1)) / segment);
    }
    const int index =
        std::clamp(int(fraction * (m_points.size() - 1)), 0, int(m_points.size()) - 1);
    return m_points.at(index);
}

void Stroke::renderMask()
{
    if (m_maskRendered)
        return;
    m_maskRendered = true;
    if (!m_hasMask)
        return;
    QSvgRenderer renderer(m_maskSvg);
    if (!renderer.isValid()) {
        m_maskBroken = true;
        return;
    }
    QImage image(DesignSize, DesignSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, DesignSize, DesignSize));
    }
    // Threshold into the stroke's pixels (black) and the rest (white), and the same as a
    // bitmap whose set bits make the region.
    QImage bits(DesignSize, DesignSize, QImage::Format_MonoLSB);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.fill(0);
    for (int y = 0; y < DesignSize; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        uchar* bitLine = bits.scanLine(y);
        for (int x = 0; x < DesignSize; ++x) {
            if (isMaskInk(line[x])) {
                line[x] = qRgb(0, 0, 0);
                bitLine[x >> 3] |= uchar(1 << (x & 7));
            } else {
                line[x] = qRgb(255, 255, 255);
            }
        }
    }
    m_maskImage = image;
    m_maskRegion = QRegion(QBitmap::fromImage(bits));
}

const QImage& Stroke::maskImage()
{
    renderMask();
    return m_maskImage;
}

const QRegion& Stroke::maskRegion()
{
    renderMask();
    return m_maskRegion;
}

QRegion Stroke::maskRegion(int size)
{
    renderMask();
    if (size == DesignSize || m_maskImage.isNull() || size <= 0)
        return m_maskRegion;
    auto it = m_scaledRegions.constFind(size);
    if (it != m_scaledRegions.constEnd())
        return *it;
    const QImage scaled =
        m_maskImage.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage bits(size, size, QImage::Format_MonoLSB);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.fill(0);
    for (int y = 0; y < size; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
        uchar* bitLine = bits.scanLine(y);
        for (int x = 0; x < size; ++x) {
            if (qRed(line[x]) == 0)
                bitLine[x >> 3] |= uchar(1 << (x & 7));
        }
    }
    const QRegion region(QBitmap::fromImage(bits));
    m_scaledRegions.insert(size, region);
    return region;
}

bool Stroke::hasMaskRegion()
{
    renderMask();
    return !m_maskImage.isNull();
}

QVector<QPointF> Stroke::simplifyPolyline(const QVector<QPointF>& points, double tolerance)
{
    if (points.size() < 3)
        return points;
    int end = int(points.size()) - 1;
    while (end > 0 && samePoint(points.at(end), points.first()))
        --end;
    QVector<bool> keep(points.size(), false);
    keep[0] = true;
    keep[end] = true;
    // Ranges still to examine; a stack instead of recursion, so that long point lists from
    // the data cannot exhaust the call stack.
    QVector<std::pair<int, int>> ranges;
    ranges.append({0, end});
    while (!ranges.isEmpty()) {
        const auto [a, b] = ranges.takeLast();
        double greatest = 0;
        int index = -1;
        for (int i = a + 1; i < b; ++i) {
            const double distance = perpendicularDistance(points.at(i), points.at(a), points.at(b));
            if (distance > greatest) {
                greatest = distance;
                index = i;
            }
        }
        if (index >= 0 && greatest > tolerance) {
            keep[index] = true;
            ranges.append({a, index});
            ranges.append({index, b});
        }
    }
    QVector<QPointF> result;
    for (int i = 0; i <= end; ++i) {
        if (keep.at(i))
            result.append(points.at(i));
    }
    return result;
}

bool Stroke::isMaskInk(QRgb pixel)
{
    return qRed(pixel) <= MaskInkThreshold || qGreen(pixel) <= MaskInkThreshold ||
           qBlue(pixel) <= MaskInkThreshold;
}

QPointF Stroke::roundedPoint(const QPointF& point)
{
    return QPointF(std::round(point.x()), std::round(point.y()));
}

} // namespace korvo
