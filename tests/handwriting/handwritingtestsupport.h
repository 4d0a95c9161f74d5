#pragma once

#include "handwriting/handwritingdrawing.h"

#include <QRectF>
#include <QString>
#include <QVector>

// Drawings made from the stroke medians the program ships, and the mistakes learners make when
// writing, shared by the handwriting tests and the handwriting benchmark.
namespace handwritingtest {

using Strokes = QVector<QVector<QPointF>>;

// The data folder the tests read (beside the program, else the build's).
QString dataFolder();
// The stroke medians of the character in Animations.db (800 x 800 design space, y down); empty
// when it has none.
Strokes medians(const QString& character);
// The strokes moved from the 800 x 800 design space into `box`.
Strokes placed(const Strokes& strokes, const QRectF& box);
korvo::HandwritingDrawing drawing(const Strokes& strokes, const QSizeF& pad);

// The learner mistakes: a stroke left out, two neighbouring strokes written without lifting the
// pen, two strokes drawn in each other's place, a short stroke too many (inserted before stroke
// `index`, from `from` to `to`).
Strokes withoutStroke(const Strokes& strokes, int index);
Strokes withJoinedStrokes(const Strokes& strokes, int first);
Strokes withSwappedStrokes(const Strokes& strokes, int a, int b);
Strokes withExtraStroke(const Strokes& strokes, int index, const QPointF& from, const QPointF& to);

} // namespace handwritingtest
