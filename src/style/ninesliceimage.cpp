#include "style/ninesliceimage.h"

#include <QPainter>

namespace korvo {

QSize NineSliceImage::size() const
{
    if (m_image.isNull())
        return QSize();
    const qreal ratio = m_image.devicePixelRatio();
    return QSize(qRound(m_image.width() / ratio), qRound(m_image.height() / ratio));
}

void NineSliceImage::setInnerRect(const QRect& rect)
{
    m_innerRect = rect;
    m_hasInnerRect = true;
}

void NineSliceImage::clearInnerRect()
{
    m_innerRect = QRect();
    m_hasInnerRect = false;
}

void NineSliceImage::draw(QPainter* painter, const QRect& target) const
{
    const int w = target.width();
    const int h = target.height();
    if (!painter || m_image.isNull() || w <= 0 || h <= 0)
        return;
    const QSize imageSize = size();
    if (imageSize == target.size()) {
        painter->drawImage(QRect(target.topLeft(), imageSize), m_image);
        return;
    }

    QRect inner = m_innerRect;
    if (!m_hasInnerRect) {
        const int left = qMin(w, imageSize.width()) / 3;
        const int top = qMin(h, imageSize.height()) / 3;
        inner = QRect(left, top, imageSize.width() - 2 * left, imageSize.height() - 2 * top);
    }
    const int left = inner.left();
    const int top = inner.top();
    // Margins reach from the inner rectangle's last pixel column and row to the image's edge.
    const int right = imageSize.width() - inner.right();
    const int bottom = imageSize.height() - inner.bottom();
    const int middleSourceWidth = imageSize.width() - left - right;
    const int middleSourceHeight = imageSize.height() - top - bottom;
    const int middleWidth = w - left - right;
    const int middleHeight = h - top - bottom;

    const qreal ratio = m_image.devicePixelRatio();
    const int x0 = target.x();
    const int y0 = target.y();
    auto piece = [&](int tx, int ty, int tw, int th, int sx, int sy, int sw, int sh) {
        if (tw <= 0 || th <= 0 || sw <= 0 || sh <= 0)
            return;
        painter->drawImage(QRectF(x0 + tx, y0 + ty, tw, th), m_image,
                           QRectF(sx * ratio, sy * ratio, sw * ratio, sh * ratio));
    };
    const int sRight = imageSize.width() - right;
    const int sBottom = imageSize.height() - bottom;
    const int tRight = w - right;
    const int tBottom = h - bottom;
    // Corners, unscaled.
    piece(0, 0, left, top, 0, 0, left, top);
    piece(tRight, 0, right, top, sRight, 0, right, top);
    piece(0, tBottom, left, bottom, 0, sBottom, left, bottom);
    piece(tRight, tBottom, right, bottom, sRight, sBottom, right, bottom);
    // Edges, stretched along their length.
    piece(left, 0, middleWidth, top, left, 0, middleSourceWidth, top);
    piece(left, tBottom, middleWidth, bottom, left, sBottom, middleSourceWidth, bottom);
    piece(0, top, left, middleHeight, 0, top, left, middleSourceHeight);
    piece(tRight, top, right, middleHeight, sRight, top, right, middleSourceHeight);
    // Centre, stretched both ways.
    piece(left, top, middleWidth, middleHeight, left, top, middleSourceWidth, middleSourceHeight);
}

} // namespace korvo
