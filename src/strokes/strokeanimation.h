#pragma once

#include "strokes/stroke.h"

#include <QColor>
#include <QDomDocument>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

class QSvgRenderer;

namespace korvo {

// The animation of one character: its strokes in writing order, the brush radius and the
// character's outline (an SVG document whose path fills are recoloured for display), as read
// from "Animations.db". Owns its strokes and renderers.
//
// Animations are handed out as std::shared_ptr: the database keeps the current one, and every
// view showing an animation holds it too, so an animation lives as long as anything shows it.
class StrokeAnimation
{
public:
    StrokeAnimation();
    ~StrokeAnimation();
    StrokeAnimation(const StrokeAnimation&) = delete;
    StrokeAnimation& operator=(const StrokeAnimation&) = delete;

    // Fills the animation from its parsed description (a map with "id", "character",
    // "brushRadius", "font" and "strokes"), dropping earlier strokes, renderers and outline.
    // False, with the animation left empty, when the description is not a map, has no stroke
    // list or an empty one, or gives a key a value of the wrong type. A stroke whose own object
    // is unusable is kept as a stroke that draws nothing. `fallbackId` and `fallbackCharacter`
    // stand in for a missing "id" or "character".
    bool build(const QVariant& description, int fallbackId = 0,
               const QString& fallbackCharacter = QString());

    int id() const { return m_id; }
    QString character() const { return m_character; }
    int brushRadius() const { return m_brushRadius; }
    // "Ukai" when the JSON gives none; not used for drawing.
    QString font() const { return m_font; }

    const std::vector<std::unique_ptr<Stroke>>& strokes() const { return m_strokes; }
    int strokeCount() const { return int(m_strokes.size()); }
    // The stroke at `index`, or none outside the list.
    Stroke* stroke(int index) const;

    // The outline as SVG text; false (and no outline) when it is not an SVG document.
    bool setOutlineSvg(const QString& svg);
    bool hasOutline() const { return !m_outline.isNull(); }
    // Removes the "fill" of every group and gives every path the colour (as #rrggbb).
    void setOutlineColor(const QColor& color);
    // The fill the outline's paths have now: that of the first group with one, else of the
    // first path with one; empty when none has any.
    QString outlineFill() const;
    // The outline in its colour, made once; none without an outline.
    QSvgRenderer* outlineRenderer();
    // The outline in white (drawn where only the strokes are to be seen), made once; the
    // document keeps its colour.
    QSvgRenderer* whiteOutlineRenderer();
    // The outline document's text (for tests and tools).
    QString outlineText() const { return m_outline.toString(-1); }

private:
    void colourPaths(const QString& colourName);

    int m_id = 0;
    QString m_character;
    int m_brushRadius = 0;
    QString m_font;
    std::vector<std::unique_ptr<Stroke>> m_strokes;
    QDomDocument m_outline;
    std::unique_ptr<QSvgRenderer> m_outlineRenderer;
    std::unique_ptr<QSvgRenderer> m_whiteOutlineRenderer;
};

} // namespace korvo
