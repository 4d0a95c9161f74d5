#include "cardtestsupport.h"

#include "style/style.h"

#include <QPainter>
#include <QtTest>

#include <cstdlib>

namespace cardtest {

namespace {

void writePlainImage(const QString& path, const QSize& size, const QColor& color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QVERIFY(image.save(path));
}

} // namespace

void installTestSkin(QTemporaryDir& dir)
{
    QVERIFY(dir.isValid());
    writePlainImage(dir.filePath(QStringLiteral("CardWoodBackground.png")), QSize(420, 420),
                    WoodColor);
    writePlainImage(dir.filePath(QStringLiteral("CardBackground.png")), QSize(354, 354), FaceColor);
    korvo::Style::setSkinFolder(dir.path());
}

QRect pixelBounds(const QImage& image, const QRect& region, const PixelTest& test)
{
    QRect bounds;
    const QRect area = region.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (test(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

int countPixels(const QImage& image, const QRect& region, const PixelTest& test)
{
    int count = 0;
    const QRect area = region.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (test(image.pixel(x, y)))
                ++count;
        }
    }
    return count;
}

bool isInk(QRgb pixel)
{
    return (pixel & 0xffffff) != (FaceColor.rgb() & 0xffffff);
}

bool isGreyAtMost(QRgb pixel, int level)
{
    const int r = qRed(pixel);
    const int g = qGreen(pixel);
    const int b = qBlue(pixel);
    return r <= level && g <= level && b <= level && std::abs(r - g) <= 6 && std::abs(g - b) <= 6;
}

PixelTest exactly(const QColor& color)
{
    const QRgb wanted = color.rgb() & 0xffffff;
    return [wanted](QRgb pixel) { return (pixel & 0xffffff) == wanted; };
}

QImage crop(const QImage& image, const QRect& rect)
{
    return image.copy(rect).convertToFormat(QImage::Format_RGB32);
}

} // namespace cardtest
