#include "cards/cardpainter.h"

#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "style/style.h"
#include "text/pinyin.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QVector>

#include <algorithm>
#include <cmath>

// Outside the namespace: Q_INIT_RESOURCE declares the resource's global init function.
static void initCardImagesResource()
{
    Q_INIT_RESOURCE(cardimages);
}

namespace korvo {

namespace {

// Width of the rectangle that every distance and font size of a card is designed for.
constexpr float ReferenceWidth = 420.0f;
const QColor GreyTextColor(94, 94, 94);
const QColor PinyinColor(153, 153, 153);
const QColor DefaultSelectionColor(0, 159, 255, 255);

struct CardImages
{
    QPixmap wood;
    QPixmap face;
    QPixmap watermark;
    bool woodLoaded = false;
    bool faceLoaded = false;
    bool watermarkLoaded = false;
};

CardImages& cardImages()
{
    static CardImages images;
    return images;
}

QString selectionKey(const QPixmap& face)
{
    return QStringLiteral("%1_%2").arg(face.cacheKey()).arg(QStringLiteral("sel"));
}

// The card face tinted in the "Card" style's selection colour, made once per face image and
// kept in the pixmap cache.
QPixmap selectedFaceImage(const QPixmap& face)
{
    const QString key = selectionKey(face);
    QPixmap tinted;
    if (QPixmapCache::find(key, &tinted))
        return tinted;
    tinted = face.copy();
    const QColor color =
        Style::cardStyle()->colorValue(QStringLiteral("selectionColor"), DefaultSelectionColor);
    tintPixmap(tinted, color.isValid() ? color : DefaultSelectionColor, 0.2);
    QPixmapCache::insert(key, tinted);
    return tinted;
}

// `image` scaled once to the size it is drawn at, so that a list of cards draws each background
// pixel for pixel instead of scaling the full-size image for every card. Only painters of the
// screen's raster engine without scaling get the copy; printers and PDF files get the full image,
// which keeps their resolution.
QPixmap imageSizedFor(QPainter* painter, const QPixmap& image, const QSize& size)
{
    const QPaintEngine* engine = painter->paintEngine();
    if (image.isNull() || !engine || engine->type() != QPaintEngine::Raster ||
        painter->worldTransform().type() > QTransform::TxTranslate)
        return image;
    const qreal ratio = painter->device()->devicePixelRatio();
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    if (image.size() == pixels || pixels.isEmpty())
        return image;
    const QString key = QStringLiteral("card_%1_%2x%3")
                            .arg(image.cacheKey())
                            .arg(pixels.width())
                            .arg(pixels.height());
    QPixmap scaled;
    if (!QPixmapCache::find(key, &scaled)) {
        scaled = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        QPixmapCache::insert(key, scaled);
    }
    return scaled;
}

void drawCardImage(QPainter* painter, const QRect& rect, const QPixmap& image)
{
    painter->drawPixmap(rect, imageSizedFor(painter, image, rect.size()));
}

int scaledPointSize(float points, float scale)
{
    return std::max(8, int(points * scale));
}

// Sets a Latin font (family "Arial") of the given size on the painter, keeping the letter
// spacing of the painter's current font.
void setLatinFont(QPainter* painter, int pointSize, bool bold)
{
    QFont font = painter->font();
    font.setFamily(QStringLiteral("Arial"));
    font.setBold(bold);
    font.setPointSize(pointSize);
    painter->setFont(font);
}

// Lays colourised syllables out like centred, word-wrapped text in `box`, each syllable in the
// colour of its tone.
void drawColorizedPinyin(QPainter* painter, const QStringList& syllables, const QRect& box)
{
    struct Placed
    {
        QString text;
        QRect rect;
        int line;
    };
    const QFontMetrics metrics = painter->fontMetrics();
    const int lineHeight = metrics.height();
    const int spaceWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    const int boxRight = box.x() + box.width();

    QVector<Placed> placed;
    QVector<int> leftover;
    int line = 0;
    int currentX = box.x();
    int currentY = box.y();
    leftover.append(0);
    for (const QString& syllable : syllables) {
        const int width = metrics.horizontalAdvance(syllable);
        if (boxRight < currentX + width) {
            currentY += lineHeight;
            currentX = box.x();
            ++line;
            leftover.append(0);
        }
        placed.append({syllable, QRect(currentX, currentY, width, lineHeight), line});
        leftover[line] = boxRight - (currentX + width);
        currentX += width + spaceWidth;
    }
    for (const Placed& item : placed) {
        const int shift = int(std::lround(leftover[item.line] * 0.5));
        painter->setPen(toneColor(toneOfMarked(item.text)));
        painter->drawText(item.rect.translated(shift, 0),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, item.text);
    }
}

} // namespace

CardGeometry CardGeometry::forRect(const QRect& rect, bool woodBackground)
{
    CardGeometry geometry;
    geometry.scale = float(rect.width()) / ReferenceWidth;
    const int side = woodBackground ? 33 : 0;
    const int top = woodBackground ? 30 : 0;
    geometry.textMargin = int(float(side + 30) * geometry.scale);
    geometry.textTop = int(float(top + 10) * geometry.scale);
    geometry.faceInsetX = int(float(side) * geometry.scale);
    geometry.faceInsetY = int(float(top) * geometry.scale);
    geometry.gap = int(15.0f * geometry.scale);
    const int faceSize = rect.width() - 2 * geometry.faceInsetX;
    geometry.face =
        QRect(rect.x() + geometry.faceInsetX, rect.y() + geometry.faceInsetY, faceSize, faceSize);
    return geometry;
}

void initCardResources()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    initCardImagesResource();
}

const QPixmap& cardWoodImage()
{
    CardImages& images = cardImages();
    if (!images.woodLoaded) {
        images.woodLoaded = true;
        images.wood = Style::skinPixmap(QStringLiteral("CardWoodBackground.png"));
    }
    return images.wood;
}

const QPixmap& cardFaceImage()
{
    CardImages& images = cardImages();
    if (!images.faceLoaded) {
        images.faceLoaded = true;
        images.face = Style::skinPixmap(QStringLiteral("CardBackground.png"));
    }
    return images.face;
}

const QPixmap& printWatermarkImage()
{
    CardImages& images = cardImages();
    if (!images.watermarkLoaded) {
        images.watermarkLoaded = true;
        initCardResources();
        images.watermark = QPixmap(QStringLiteral(":/images/PrintWatermark.png"));
    }
    return images.watermark;
}

void releaseCardImages()
{
    CardImages& images = cardImages();
    if (!images.face.isNull())
        QPixmapCache::remove(selectionKey(images.face));
    images = CardImages();
}

int fitFontSize(QPainter* painter, const QString& text, int maxWidth, int startSize, int step)
{
    const QFont original = painter->font();
    int result = original.pointSize();
    if (step < 1)
        step = 1;
    if (startSize >= 1) {
        QFont font = original;
        int size = startSize;
        int budget = startSize - step;
        for (int attempt = 0; attempt < 200; ++attempt) {
            font.setPointSize(size);
            painter->setFont(font);
            if (painter->fontMetrics().horizontalAdvance(text) <= maxWidth) {
                result = size;
                break;
            }
            if (budget < 2)
                break;
            budget -= step;
            size -= step;
        }
    }
    painter->setFont(original);
    return result;
}

int wholeLineHeight(QPainter* painter, int maxHeight)
{
    const QFontMetrics metrics = painter->fontMetrics();
    const int lineHeight = metrics.height();
    const int nextLine = metrics.leading() + lineHeight;
    int height = lineHeight;
    while (height < maxHeight && nextLine > 0) {
        if (height + nextLine > maxHeight)
            break;
        height += nextLine;
    }
    return height;
}

void paintCard(QObject* object, QPainter* painter, const QRect& rect, const CardState& state,
               CardPainterFlags flags)
{
    if (!painter)
        return;
    painter->save();

    const QPixmap& wood = cardWoodImage();
    if (wood.width() < rect.width())
        painter->setRenderHint(QPainter::SmoothPixmapTransform, true);

    const int x = rect.x();
    const int y = rect.y();
    const int w = rect.width();
    const int h = rect.height();
    const CardGeometry geometry = CardGeometry::forRect(rect, state.woodBackground);
    const float scale = geometry.scale;
    const int textMargin = geometry.textMargin;
    const int gap = geometry.gap;
    const int faceBottom = geometry.face.bottom() + 1;

    painter->setBrush(QColor(0, 0, 0, 0));
    if (state.woodBackground && !wood.isNull())
        drawCardImage(painter, rect, wood);

    if (state.cardBackground) {
        const QPixmap& face = cardFaceImage();
        if (!face.isNull())
            drawCardImage(painter, geometry.face, flags.selected ? selectedFaceImage(face) : face);
    } else {
        painter->setPen(Qt::NoPen);
        painter->fillRect(rect, state.backgroundColor);
    }

    KnowledgeUnit* unit = nullptr;
    Deck* deck = nullptr;
    if (auto* card = dynamic_cast<DeckCard*>(object))
        unit = card->knowledgeUnit();
    else if (auto* knowledgeUnit = dynamic_cast<KnowledgeUnit*>(object))
        unit = knowledgeUnit;
    else
        deck = dynamic_cast<Deck*>(object);

    if (unit) {
        int cursor = y + geometry.textTop;
        const int avail = w - 2 * textMargin;

        auto drawCharacters = [&](const QString& text) {
            painter->setPen(QColor(Qt::black));
            QFont font = painter->font();
            font.setFamily(state.chineseFont);
            font.setBold(false);
            painter->setFont(font);
            const int start = int(std::floor(avail * 0.25));
            const int step = int(std::floor(start / 25.0));
            font.setPointSize(std::max(8, fitFontSize(painter, text, avail, start, step)));
            painter->setFont(font);
            const QFontMetrics metrics = painter->fontMetrics();
            const int baseline = cursor + metrics.height();
            const int left = x + (w - metrics.horizontalAdvance(text)) / 2;
            painter->drawText(QPoint(left, baseline), text);
            cursor = baseline + gap;
        };

        bool simplifiedDrawn = false;
        if (state.simplifiedVisible) {
            drawCharacters(unit->simplified());
            simplifiedDrawn = true;
        }
        bool traditionalDrawn = false;
        if (state.traditionalVisible) {
            if (simplifiedDrawn)
                cursor -= int(20.0f * scale);
            drawCharacters(unit->traditional());
            traditionalDrawn = true;
        }

        cursor += int(8.0f * scale);
        if (state.letterSpacing != 100) {
            QFont font = painter->font();
            font.setLetterSpacing(QFont::PercentageSpacing, state.letterSpacing);
            painter->setFont(font);
        }
        const int markHeight = state.watermark ? int(std::min(30.0f * scale, 50.0f)) : 0;
        const QString pinyin = unit->pinyinWithToneMarks();

        if (simplifiedDrawn && traditionalDrawn) {
            // Compact layout: pinyin and definition share one grey paragraph under the
            // characters.
            painter->setPen(GreyTextColor);
            setLatinFont(painter, scaledPointSize(16.0f, scale), false);
            QString text;
            if (state.pinyinVisible && !pinyin.isEmpty())
                text = QStringLiteral("[") + pinyin + QStringLiteral("] ");
            if (state.definitionVisible)
                text += unit->definitionText();
            if (!text.isEmpty()) {
                const QRect box(x + textMargin, cursor, avail,
                                faceBottom - cursor - int(20.0f * scale) - markHeight);
                painter->drawText(box, Qt::AlignLeft | Qt::TextWordWrap, text);
            }
        } else {
            painter->setPen(PinyinColor);
            setLatinFont(painter, scaledPointSize(18.0f, scale), true);
            const QRect pinyinBox(x + textMargin, cursor, avail, y + h - cursor);
            const int pinyinFlags = Qt::AlignHCenter | Qt::TextWordWrap;
            // Measured even when hidden, so that the definition stays where it is.
            const QRect pinyinBounds = painter->boundingRect(pinyinBox, pinyinFlags, pinyin);
            if (state.pinyinVisible) {
                if (state.pinyinColorization == QLatin1String("none"))
                    painter->drawText(pinyinBox, pinyinFlags, pinyin);
                else
                    drawColorizedPinyin(painter, unit->syllablesWithToneMarks(), pinyinBox);
            }

            painter->setPen(GreyTextColor);
            const int top = cursor + pinyinBounds.height() + gap;
            QRect box(x + textMargin, top, avail, faceBottom - top - int(20.0f * scale));
            box.setHeight(box.height() - markHeight);
            box.setHeight(wholeLineHeight(painter, box.height()));
            setLatinFont(painter, scaledPointSize(16.0f, scale), false);
            if (state.definitionVisible)
                painter->drawText(box, Qt::AlignHCenter | Qt::TextWordWrap, unit->definitionText());
        }

        if (state.watermark) {
            const QPixmap& mark = printWatermarkImage();
            if (!mark.isNull() && markHeight > 0) {
                painter->setOpacity(0.5);
                const int markWidth =
                    int(markHeight * (double(mark.width()) / double(mark.height())));
                const int inset = std::min(textMargin, geometry.textTop);
                const QRect markRect(x + w - inset - markWidth, y + h - inset - markHeight,
                                     markWidth, markHeight);
                painter->drawPixmap(markRect, mark);
            }
        }
    } else if (deck) {
        painter->setPen(QColor(Qt::black));
        setLatinFont(painter, scaledPointSize(18.0f, scale), true);
        painter->drawText(
            QRect(x + textMargin, y + textMargin, w - 2 * textMargin, h - 2 * textMargin),
            Qt::AlignCenter | Qt::TextWordWrap, deck->displayTitle());
    }

    painter->restore();
}

} // namespace korvo
