#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPointF>
#include <QTimer>
#include <QWidget>

#include <memory>

class QPainter;
class QPolygonF;

namespace korvo {

class Stroke;
class StrokeAnimation;

// Plays a character's stroke animation: the grey outline, over which each stroke grows along
// its path in black, clipped to the stroke's mask, one stroke after another; or shows the first
// strokes at once (the decomposition grid). Frames are painted incrementally into a cached
// square image of the view's width (the 800 x 800 design space scaled to it), composed
// source-in so that ink only appears where the outline has paint. Three single-shot timers
// drive it: the stroke timer (16 ms), the between-strokes timer (250 ms) and the resize timer
// (100 ms).
//
// The view shares ownership of the animation it shows, so the animation stays valid while the
// view holds it, whatever the database loads meanwhile. Owned by its Qt parent.
class StrokeAnimationView : public QWidget
{
    Q_OBJECT

public:
    enum State { Idle = 0, Animating = 1, ShowingStrokes = 2 };

    static constexpr int StrokeInterval = 16;
    static constexpr int BetweenStrokesInterval = 250;
    static constexpr int ResizeInterval = 100;
    // The duration of a stroke per unit of its Manhattan length, in milliseconds.
    static constexpr double MillisecondsPerUnit = 1.5;

    explicit StrokeAnimationView(QWidget* parent = nullptr);
    ~StrokeAnimationView() override;

    // Shows the animation's outline without strokes (state 0); none empties the view.
    void setAnimation(const std::shared_ptr<StrokeAnimation>& animation);
    std::shared_ptr<StrokeAnimation> animation() const { return m_animation; }
    // Plays the animation from its first stroke; nothing without an animation.
    void restart();
    // Shows strokes 0 to lastIndex at once (state 2).
    void showStrokes(int lastIndex);
    // Stops playing; what is drawn stays.
    void stop();
    void setShowOutline(bool show) { m_showOutline = show; }
    bool showOutline() const { return m_showOutline; }

    State state() const { return m_state; }
    int currentStrokeIndex() const { return m_currentStroke; }
    double drawnFraction() const { return m_drawnFraction; }
    double targetFraction() const { return m_targetFraction; }
    // Milliseconds the current stroke takes (800 before the first stroke).
    int strokeDuration() const { return m_duration; }
    int lastShownStroke() const { return m_lastShownStroke; }
    // The picture as drawn so far; null when there is none (it is then made on the next frame).
    const QImage& cachedImage() const { return m_image; }

    // Draws what is new since the last frame into the cached image and schedules a repaint.
    void drawFrame();
    // What one stroke-timer tick draws: the current stroke up to `fraction` of its length.
    void advanceStroke(double fraction);
    // Starts animating stroke `index` from its beginning (the timers then carry on).
    void startStroke(int index);

public slots:
    void strokeAnimationTimer_timeout();
    void resizeTimer_timeout();
    void betweenStrokesTimer_timeout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void stopTimers();
    void dropImage();
    void paintPath(QPainter& painter, Stroke* stroke, const QPolygonF& path);

    std::shared_ptr<StrokeAnimation> m_animation;
    State m_state = Idle;
    int m_currentStroke = 0;
    double m_drawnFraction = 0;
    double m_targetFraction = 0;
    QPointF m_lastPoint;
    int m_duration = 800;
    bool m_showOutline = true;
    int m_lastShownStroke = 0;
    bool m_fullRedraw = false;
    QElapsedTimer m_clock;
    QImage m_image;
    qreal m_imageRatio = 1;
    // Children of the view (named like their slots' prefix), destroyed before it.
    QTimer m_strokeAnimationTimer{this};
    QTimer m_betweenStrokesTimer{this};
    QTimer m_resizeTimer{this};
};

} // namespace korvo
