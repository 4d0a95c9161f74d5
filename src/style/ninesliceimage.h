#pragma once

#include <QImage>
#include <QRect>

class QPainter;

namespace korvo {

// A button background that stretches without distorting its border: the corners are drawn
// unscaled, the edges stretched along one axis and the centre both ways. Owned by value by the
// button that caches it per state.
class NineSliceImage
{
public:
    NineSliceImage() = default;
    explicit NineSliceImage(const QImage& image) : m_image(image) {}

    const QImage& image() const { return m_image; }
    QImage& image() { return m_image; }
    bool isNull() const { return m_image.isNull(); }
    // Size in device-independent pixels (an "@2x" image counts half its pixels).
    QSize size() const;

    // The stretchable inner rectangle; without one a third of the smaller of the image and the
    // target is kept as border on each side.
    void setInnerRect(const QRect& rect);
    void clearInnerRect();
    bool hasInnerRect() const { return m_hasInnerRect; }
    QRect innerRect() const { return m_innerRect; }

    // Draws into `target`: unscaled when the sizes match, else in nine slices.
    void draw(QPainter* painter, const QRect& target) const;

private:
    QImage m_image;
    QRect m_innerRect;
    bool m_hasInnerRect = false;
};

} // namespace korvo
