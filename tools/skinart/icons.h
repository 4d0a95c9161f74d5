#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QPainter;

// Line icons of the default skin, drawn on a 24-unit grid with rounded 2-unit strokes.
namespace skinart {

QStringList iconNames();
// Draws the icon `name` filling the 24 x 24 box at the painter's origin.
void drawIcon(QPainter& painter, const QString& name, const QColor& color);

} // namespace skinart
