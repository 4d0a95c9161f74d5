#include "handwriting_ui/handwritingcanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTabletEvent>
#include <QTouchEvent>

#include <cmath>

namespace korvo {

namespace {

// Points closer than this (in pixels) to the previous one add nothing but work.
constexpr qreal MinimumStep = 1.5;
const QColor InkColor(30, 30, 30);
const QColor GuideColor(215, 215, 215);

} // namespace

HandwritingCanvas::HandwritingCanvas(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("handwritingCanvas"));
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void HandwritingCanvas::setPlaceholderText(const QString& text)
{
    m_placeholder = text;
    update();
}

qreal HandwritingCanvas::penWidth() const
{
    return std::max<qreal>(3, std::min(width(), height()) / 40.0);
}

void HandwritingCanvas::removeLastStroke()
{
    if (m_penDown || m_drawing.isEmpty())
        return;
    m_drawing.removeLastStroke();
    redrawFinishedStrokes();
    emit drawingChanged();
}

void HandwritingCanvas::clear()
{
    m_penDown = false;
    m_drawing.clear();
    redrawFinishedStrokes();
    emit drawingChanged();
}

void HandwritingCanvas::paintStroke(QPainter& painter,
                                    const HandwritingDrawing::Stroke& stroke) const
{
    if (stroke.size() == 1) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(InkColor);
        painter.drawEllipse(stroke.first(), penWidth() / 2, penWidth() / 2);
        return;
    }
    // A curve through the midpoints of the pieces, the points as its control points: smooth
    // whatever the spacing of the pointer events.
    QPainterPath path(stroke.first());
    for (int i = 1; i + 1 < stroke.size(); ++i)
        path.quadTo(stroke.at(i), (stroke.at(i) + stroke.at(i + 1)) / 2);
    path.lineTo(stroke.last());
    painter.setPen(QPen(InkColor, penWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void HandwritingCanvas::redrawFinishedStrokes()
{
    const qreal ratio = devicePixelRatioF();
    m_finished = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    m_finished.setDevicePixelRatio(ratio);
    m_finished.fill(Qt::white);
    QPainter painter(&m_finished);
    painter.setRenderHint(QPainter::Antialiasing);
    // The guide of a writing square: its diagonals and middle lines, dashed.
    painter.setPen(QPen(GuideColor, 1, Qt::DashLine));
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
    painter.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    painter.drawLine(r.topLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomLeft());
    painter.setPen(QPen(GuideColor.darker(120), 1));
    painter.drawRect(r);
    const int finished = m_penDown ? m_drawing.strokeCount() - 1 : m_drawing.strokeCount();
    for (int s = 0; s < finished; ++s)
        paintStroke(painter, m_drawing.strokes().at(s));
    update();
}

void HandwritingCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_drawing.setSize(width(), height());
    redrawFinishedStrokes();
}

void HandwritingCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_finished);
    if (m_drawing.isEmpty() && !m_placeholder.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         m_placeholder);
    }
    if (m_penDown) {
        painter.setRenderHint(QPainter::Antialiasing);
        paintStroke(painter, m_drawing.strokes().last());
    }
}

void HandwritingCanvas::penDown(const QPointF& point)
{
    if (m_penDown)
        penUp();
    m_penDown = true;
    m_drawing.setSize(width(), height());
    m_drawing.beginStroke(point);
    const qreal margin = penWidth() + 2;
    update(QRectF(point, point).adjusted(-margin, -margin, margin, margin).toAlignedRect());
    if (m_drawing.strokeCount() == 1)
        update(); // the placeholder goes
}

void HandwritingCanvas::penMove(const QPointF& point)
{
    if (!m_penDown)
        return;
    const QPointF last = m_drawing.strokes().last().last();
    if (std::hypot(point.x() - last.x(), point.y() - last.y()) < MinimumStep)
        return;
    const QPointF before =
        m_drawing.strokes().last().size() > 1
            ? m_drawing.strokes().last().at(m_drawing.strokes().last().size() - 2)
            : last;
    m_drawing.addPoint(point);
    // The curve near the newest point runs within the last three points.
    QRectF dirty = QRectF(before, last).normalized().united(QRectF(last, point).normalized());
    const qreal margin = penWidth() + 2;
    update(dirty.adjusted(-margin, -margin, margin, margin).toAlignedRect());
}

void HandwritingCanvas::penUp()
{
    if (!m_penDown)
        return;
    m_penDown = false;
    QPainter painter(&m_finished);
    painter.setRenderHint(QPainter::Antialiasing);
    paintStroke(painter, m_drawing.strokes().last());
    painter.end();
    update();
    emit drawingChanged();
    emit strokeFinished();
}

void HandwritingCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        penDown(event->position());
}

void HandwritingCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        penMove(event->position());
}

void HandwritingCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        penMove(event->position());
        penUp();
    }
}

void HandwritingCanvas::tabletEvent(QTabletEvent* event)
{
    // Taken here, so that no mouse event is made from it as well.
    event->accept();
    switch (event->type()) {
    case QEvent::TabletPress:
        penDown(event->position());
        break;
    case QEvent::TabletMove:
        penMove(event->position());
        break;
    case QEvent::TabletRelease:
        penMove(event->position());
        penUp();
        break;
    default:
        break;
    }
}

bool HandwritingCanvas::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd: {
        // One finger writes; the first point of the touch is followed.
        auto* touch = static_cast<QTouchEvent*>(event);
        if (touch->points().isEmpty())
            return true;
        const QEventPoint& point = touch->points().first();
        if (event->type() == QEvent::TouchBegin) {
            penDown(point.position());
        } else if (event->type() == QEvent::TouchUpdate) {
            penMove(point.position());
        } else {
            penMove(point.position());
            penUp();
        }
        event->accept();
        return true;
    }
    case QEvent::TouchCancel:
        // The system took the touch back: the stroke it began is dropped.
        if (m_penDown) {
            m_penDown = false;
            m_drawing.removeLastStroke();
            redrawFinishedStrokes();
        }
        event->accept();
        return true;
    default:
        return QWidget::event(event);
    }
}

} // namespace korvo
