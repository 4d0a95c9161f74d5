#pragma once

#include "handwriting/handwritingdrawing.h"

#include <QImage>
#include <QWidget>

namespace korvo {

// The square the learner writes a character in, with the mouse, a pen (tablet events) or a
// finger (touch events). Strokes are drawn smoothly as the pointer moves: finished strokes are
// kept in a picture and only the piece around the newest point is repainted. Owns the drawing;
// emits strokeFinished() when the pen lifts. Child of its pad.
class HandwritingCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit HandwritingCanvas(QWidget* parent = nullptr);

    const HandwritingDrawing& drawing() const { return m_drawing; }
    void removeLastStroke();
    void clear();
    bool isDrawing() const { return m_penDown; }

    QSize sizeHint() const override { return QSize(240, 240); }
    QSize minimumSizeHint() const override { return QSize(160, 160); }
    void setPlaceholderText(const QString& text);

signals:
    void strokeFinished();
    void drawingChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    bool event(QEvent* event) override;

private:
    void penDown(const QPointF& point);
    void penMove(const QPointF& point);
    void penUp();
    void redrawFinishedStrokes();
    void paintStroke(QPainter& painter, const HandwritingDrawing::Stroke& stroke) const;
    qreal penWidth() const;

    HandwritingDrawing m_drawing;
    QImage m_finished;
    QString m_placeholder;
    bool m_penDown = false;
};

} // namespace korvo
