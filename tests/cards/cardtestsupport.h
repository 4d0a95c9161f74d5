#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>

#include <functional>

// Helpers shared by the card tests: a small skin with plain images, and pixel searches.
namespace cardtest {

// Colours of the test skin's images, so that ink can be told from the background.
const QColor WoodColor(150, 100, 60);
const QColor FaceColor(255, 255, 255);

// Writes a skin folder with a plain wood image (420 x 420) and a plain white card face
// (354 x 354) and makes it the style's skin folder.
void installTestSkin(QTemporaryDir& dir);

using PixelTest = std::function<bool(QRgb)>;

// Bounding box of the pixels in `region` that pass `test`; null when none does.
QRect pixelBounds(const QImage& image, const QRect& region, const PixelTest& test);
int countPixels(const QImage& image, const QRect& region, const PixelTest& test);

// A pixel that is not the plain card face.
bool isInk(QRgb pixel);
// A pixel no lighter than `level` in every channel and grey (channels within 6 of each other).
bool isGreyAtMost(QRgb pixel, int level);
// A pixel exactly of this colour.
PixelTest exactly(const QColor& color);

// `image` cut to `rect`, for comparing the same drawing found at two places.
QImage crop(const QImage& image, const QRect& rect);

} // namespace cardtest
