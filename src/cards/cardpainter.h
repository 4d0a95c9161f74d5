#pragma once

#include "cards/cardstate.h"

#include <QRect>

class QObject;
class QPainter;
class QPixmap;
class QString;

namespace korvo {

// Draws one card face for a deck card, a knowledge unit or a deck (told apart by run-time type)
// into `rect` of any paint device. All distances and font sizes scale with the width of `rect`,
// 420 pixels being the reference. The painter's state is left as it was found.
void paintCard(QObject* object, QPainter* painter, const QRect& rect, const CardState& state,
               CardPainterFlags flags = CardPainterFlags());

// Largest point size not above `startSize`, going down in steps of `step`, at which `text`
// fits `maxWidth` in the painter's current font family. Tries at most 200 sizes; when none fits
// the point size of the painter's font is returned. The painter's font is left unchanged.
int fitFontSize(QPainter* painter, const QString& text, int maxWidth, int startSize, int step);

// Greatest height made of whole lines of the painter's current font that does not exceed
// `maxHeight`; one line at least.
int wholeLineHeight(QPainter* painter, int maxHeight);

// Distances of a card face laid out into a rectangle, in pixels of that rectangle.
struct CardGeometry
{
    float scale = 1.0f;
    int textMargin = 0;
    int textTop = 0;
    int faceInsetX = 0;
    int faceInsetY = 0;
    int gap = 0;
    QRect face;

    static CardGeometry forRect(const QRect& rect, bool woodBackground);
};

// The card images shared by every card painted in this process: the wood background and the
// card face (from the skin folder, see Style::skinFolder()) and the embedded print watermark.
// Loaded on first use; releaseCardImages() drops them together with the selection tints.
const QPixmap& cardWoodImage();
const QPixmap& cardFaceImage();
const QPixmap& printWatermarkImage();
void releaseCardImages();

// Registers the card library's embedded resources (the print watermark). A static library's
// resources are not registered by themselves; paintCard() calls this, and programs that read
// ":/images/PrintWatermark.png" directly call it once first.
void initCardResources();

} // namespace korvo
