#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QVector>

#include <memory>

namespace korvo {
class StrokeAnimation;
} // namespace korvo

// Helpers shared by the stroke tests: small hand-made animation databases and pixel counts.
// Test code only.
namespace stroketest {

// The shipped data folder the tests read.
QString dataFolder();
QString shippedAnimations();

// One stroke of a hand-made animation: the mask's name (without folder and extension; empty for
// none), the mask's SVG text (null for no maskSvgs row) and the brush path.
struct TestStroke
{
    QString maskName;
    QString maskSvg;
    QVector<QPoint> points;
};

// One character of a hand-made database. A null json is made from the other fields; a null
// outline is made from the masks' rectangles given in `outlineRects`; an outline "-" writes no
// characterSvgs row.
struct TestCharacter
{
    QString character;
    int brushRadius = 40;
    QList<TestStroke> strokes;
    QList<QRect> outlineRects;
    QString json;
    QString outline;
};

// An SVG document of 800 x 800 units with the rectangles filled in the colour.
QString rectanglesSvg(const QList<QRect>& rects, const QColor& fill = Qt::black,
                      bool inGroup = false);
// The animation JSON of the character as the data build writes it.
QString animationJson(const TestCharacter& character);
// Writes the tables animations, maskSvgs and characterSvgs; false (with a warning) on failure.
bool writeDatabase(const QString& path, const QList<TestCharacter>& characters);

// A character of horizontal bars, one stroke per bar: bar i covers x 100..700 and
// y 100 + 200 i .. 180 + 200 i, its brush path runs along its middle from x 120 to
// x 120 + length (Manhattan length `length`, so the stroke lasts 1.5 x length ms).
TestCharacter barCharacter(const QString& character, int barCount, int length);
QRect barRect(int index);

// A pixel painted black by a stroke (dark and not transparent).
bool isInk(QRgb pixel);
int countInk(const QImage& image, const QRect& area);
// Ink pixels of the image that lie outside `allowed` and farther than `tolerance` pixels from
// it (antialiased edges).
int inkOutside(const QImage& image, const QRegion& allowed, int tolerance);

} // namespace stroketest
