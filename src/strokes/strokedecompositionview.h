#pragma once

#include "style/xqwidget.h"

#include <QList>

#include <memory>

class QScrollArea;

namespace korvo {

class StrokeAnimation;
class StrokeAnimationView;

// A character's writing order as a grid of still pictures, five to a row in a vertically
// scrolling area: the first picture shows stroke 1, the second strokes 1-2, and so on up to the
// whole character. The pictures are StrokeAnimationViews showing their strokes at once; they
// are kept in a pool and reused for the next character. The layout is done once after a change,
// on the next paint or event-loop pass. Shares the animation with its pictures; owned by its Qt
// parent.
class StrokeDecompositionView : public XQWidget
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 5;
    static constexpr int Spacing = 5;

    explicit StrokeDecompositionView(QWidget* parent = nullptr);
    ~StrokeDecompositionView() override;

    // Rebuilds the grid when the animation differs from the one shown; none hides every picture.
    void setAnimation(const std::shared_ptr<StrokeAnimation>& animation);
    std::shared_ptr<StrokeAnimation> animation() const { return m_animation; }

    QScrollArea* scrollArea() const { return m_scrollArea; }
    QWidget* contentWidget() const { return m_content; }
    // The pictures shown now, in stroke order, and every picture made so far.
    const QList<StrokeAnimationView*>& shownViews() const { return m_shownViews; }
    const QList<StrokeAnimationView*>& pooledViews() const { return m_pool; }
    // The side of one square picture for the view's current width.
    int cellSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateLayout() override;

private:
    void rebuild();
    // Marks the layout stale; it is done on the next paint or event-loop pass.
    void requestLayout();

    std::shared_ptr<StrokeAnimation> m_animation;
    QScrollArea* m_scrollArea = nullptr;
    QWidget* m_content = nullptr;
    QList<StrokeAnimationView*> m_pool;
    QList<StrokeAnimationView*> m_shownViews;
    bool m_layoutPosted = false;
};

} // namespace korvo
