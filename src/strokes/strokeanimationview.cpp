#include "strokes/strokeanimationview.h"

#include "strokes/strokeanimation.h"

#include <QPainter>
#include <QPolygonF>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace korvo {

StrokeAnimationView::StrokeAnimationView(QWidget* parent) : QWidget(parent)
{
    setMaximumSize(Stroke::DesignSize, Stroke::DesignSize);
    m_clock.start();
    const struct
    {
        QTimer* timer;
        const char* name;
        int interval;
        void (StrokeAnimationView::*slot)();
    } timers[] = {
        {&m_strokeAnimationTimer, "strokeAnimationTimer", StrokeInterval,
         &StrokeAnimationView::strokeAnimationTimer_timeout},
        {&m_betweenStrokesTimer, "betweenStrokesTimer", BetweenStrokesInterval,
         &StrokeAnimationView::betweenStrokesTimer_timeout},
        {&m_resizeTimer, "resizeTimer", ResizeInterval, &StrokeAnimationView::resizeTimer_timeout},
    };
    for (const auto& entry : timers) {
        entry.timer->setObjectName(QString::fromLatin1(entry.name));
        entry.timer->setSingleShot(true);
        entry.timer->setInterval(entry.interval);
        connect(entry.timer, &QTimer::timeout, this, entry.slot);
    }
}

StrokeAnimationView::~StrokeAnimationView() = default;

void StrokeAnimationView::setAnimation(const std::shared_ptr<StrokeAnimation>& animation)
{
    m_state = Idle;
    stopTimers();
    m_animation = animation;
    dropImage();
    drawFrame();
    update();
}

void StrokeAnimationView::restart()
{
    if (!m_animation)
        return;
    stopTimers();
    dropImage();
    m_state = Animating;
    startStroke(0);
}

void StrokeAnimationView::showStrokes(int lastIndex)
{
    // A stroke still being animated must not draw over the shown strokes or end the state.
    stopTimers();
    dropImage();
    m_state = ShowingStrokes;
    m_fullRedraw = true;
    m_lastShownStroke = lastIndex;
    drawFrame();
}

void StrokeAnimationView::stop()
{
    m_state = Idle;
    stopTimers();
}

void StrokeAnimationView::stopTimers()
{
    m_strokeAnimationTimer.stop();
    m_betweenStrokesTimer.stop();
}

void StrokeAnimationView::dropImage()
{
    m_image = QImage();
}

void StrokeAnimationView::startStroke(int index)
{
    m_drawnFraction = 0;
    m_targetFraction = 0;
    m_currentStroke = index;
    m_clock.restart();
    Stroke* stroke = m_animation ? m_animation->stroke(index) : nullptr;
    if (stroke && stroke->points().size() >= 2)
        m_lastPoint = stroke->pointAt(0);
    m_duration = stroke ? int(std::lround(stroke->strokeLength() * MillisecondsPerUnit)) : 0;
    m_strokeAnimationTimer.start();
}

void StrokeAnimationView::strokeAnimationTimer_timeout()
{
    if (!m_animation || m_state != Animating)
        return;
    // A stroke without length is done at once.
    const double t = m_duration > 0 ? double(m_clock.elapsed()) / m_duration : 1.0;
    if (t >= 1) {
        advanceStroke(1);
        if (m_currentStroke + 1 < m_animation->strokeCount()) {
            m_betweenStrokesTimer.start();
        } else {
            m_currentStroke = m_animation->strokeCount();
            m_state = Idle;
        }
    } else {
        advanceStroke(t);
        m_strokeAnimationTimer.start();
    }
}

void StrokeAnimationView::advanceStroke(double fraction)
{
    m_targetFraction = std::clamp(fraction, 0.0, 1.0);
    drawFrame();
}

void StrokeAnimationView::betweenStrokesTimer_timeout()
{
    if (m_state == Animating)
        startStroke(m_currentStroke + 1);
}

void StrokeAnimationView::resizeTimer_timeout()
{
    dropImage();
    if (m_state == Animating) {
        startStroke(0);
    } else if (m_state == ShowingStrokes) {
        m_fullRedraw = true;
        drawFrame();
    }
}

void StrokeAnimationView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    stopTimers();
    m_resizeTimer.start();
}

void StrokeAnimationView::paintPath(QPainter& painter, Stroke* stroke, const QPolygonF& path)
{
    // The clip is set in image pixels (the region scaled once per size and kept by the
    // stroke), then the design space is scaled onto the image for the pen.
    painter.resetTransform();
    if (stroke->hasMaskRegion())
        painter.setClipRegion(stroke->maskRegion(m_image.width()));
    else
        painter.setClipping(false);
    const qreal scale = qreal(m_image.width()) / Stroke::DesignSize;
    painter.setTransform(QTransform::fromScale(scale, scale));
    painter.drawPolyline(path);
}

void StrokeAnimationView::drawFrame()
{
    if (!m_animation)
        return;
    const qreal ratio = devicePixelRatioF();
    const int side = int(std::lround(width() * ratio));
    if (side <= 0)
        return;
    if (m_image.isNull()) {
        m_image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        m_imageRatio = ratio;
        QSvgRenderer* outline =
            m_showOutline ? m_animation->outlineRenderer() : m_animation->whiteOutlineRenderer();
        if (outline && outline->isValid()) {
            QPainter painter(&m_image);
            outline->render(&painter, QRectF(0, 0, side, side));
        }
    }

    const bool animating = m_state == Animating;
    const bool redrawing = m_state == ShowingStrokes && m_fullRedraw;
    if (animating || redrawing) {
        QPainter painter(&m_image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        // Ink shows only where the outline has paint, taking over its alpha.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.setPen(QPen(QColor(0, 0, 0, 255), 2 * m_animation->brushRadius(), Qt::SolidLine,
                            Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        if (animating) {
            Stroke* stroke = m_animation->stroke(m_currentStroke);
            if (stroke && stroke->isDrawable()) {
                // From the last point to the drawn fraction, then on in steps of a tenth of
                // the stroke up to the target.
                QPolygonF path{m_lastPoint, stroke->pointAt(m_drawnFraction)};
                for (double f = m_drawnFraction; f < m_targetFraction;) {
                    f = std::min(f + 0.1, m_targetFraction);
                    path.append(stroke->pointAt(f));
                }
                paintPath(painter, stroke, path);
                m_lastPoint = path.last();
            }
            m_drawnFraction = m_targetFraction;
        } else {
            const int last = std::min(m_lastShownStroke, m_animation->strokeCount() - 1);
            for (int i = 0; i <= last; ++i) {
                Stroke* stroke = m_animation->stroke(i);
                if (!stroke->isDrawable())
                    continue;
                // The whole stroke in steps of a twentieth.
                QPolygonF path{stroke->points().first(), stroke->pointAt(0.05)};
                for (double f = 0.05; f < 1.0;) {
                    f = std::min(f + 0.05, 1.0);
                    path.append(stroke->pointAt(f));
                }
                paintPath(painter, stroke, path);
            }
            m_fullRedraw = false;
        }
    }
    update();
}

void StrokeAnimationView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QRectF(0, 0, m_image.width() / m_imageRatio, m_image.height() / m_imageRatio),
                      m_image);
}

} // namespace korvo
