#include "strokes/strokedecompositionview.h"

#include "strokes/strokeanimation.h"
#include "strokes/strokeanimationview.h"

#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace korvo {

StrokeDecompositionView::StrokeDecompositionView(QWidget* parent) : XQWidget(parent)
{
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("decompositionScrollArea"));
    // Without a frame the viewport is exactly the view less the scroll bar, which the cell
    // size is computed from.
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scrollArea->setWidgetResizable(false);
    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("decompositionContent"));
    // The pictures draw the outline in white: on white only the black strokes are seen.
    QPalette palette = m_content->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_content->setPalette(palette);
    m_content->setAutoFillBackground(true);
    m_scrollArea->viewport()->setPalette(palette);
    m_scrollArea->viewport()->setBackgroundRole(QPalette::Window);
    m_scrollArea->setWidget(m_content);
    m_scrollArea->resize(size());
}

StrokeDecompositionView::~StrokeDecompositionView() = default;

void StrokeDecompositionView::setAnimation(const std::shared_ptr<StrokeAnimation>& animation)
{
    if (animation == m_animation)
        return;
    m_animation = animation;
    rebuild();
}

int StrokeDecompositionView::cellSize() const
{
    const QScrollBar* bar = m_scrollArea->verticalScrollBar();
    const int barWidth = bar->isVisible() ? bar->width() : bar->sizeHint().width();
    return std::max(1, (width() - barWidth - 4 * Spacing) / ColumnCount);
}

void StrokeDecompositionView::rebuild()
{
    const int count = m_animation ? m_animation->strokeCount() : 0;
    for (int i = 0; i < m_pool.size(); ++i) {
        m_pool.at(i)->hide();
        // Pictures left over let the previous animation go (and their images).
        if (i >= count)
            m_pool.at(i)->setAnimation(nullptr);
    }
    m_shownViews.clear();
    const int cell = cellSize();
    for (int i = 0; i < count; ++i) {
        StrokeAnimationView* view = i < m_pool.size() ? m_pool.at(i) : nullptr;
        if (!view) {
            view = new StrokeAnimationView(m_content);
            // Made at the size the layout will give it, so that it is drawn once, not again
            // when the layout resizes it.
            view->resize(cell, cell);
            m_pool.append(view);
        }
        // The outline is drawn white: only the black strokes are seen.
        view->setShowOutline(false);
        view->setAnimation(m_animation);
        view->showStrokes(i);
        view->show();
        m_shownViews.append(view);
    }
    requestLayout();
}

void StrokeDecompositionView::requestLayout()
{
    invalidate();
    // The scroll area covers the whole view, so the view itself may never be painted: the
    // layout also runs from the event loop, once, whichever comes first.
    if (m_layoutPosted)
        return;
    m_layoutPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_layoutPosted = false;
            if (layoutInvalid()) {
                m_scrollArea->resize(size());
                updateLayout();
            }
        },
        Qt::QueuedConnection);
}

void StrokeDecompositionView::resizeEvent(QResizeEvent* event)
{
    XQWidget::resizeEvent(event);
    requestLayout();
}

void StrokeDecompositionView::paintEvent(QPaintEvent* event)
{
    m_scrollArea->resize(size());
    XQWidget::paintEvent(event);
}

void StrokeDecompositionView::updateLayout()
{
    XQWidget::updateLayout();
    const int cell = cellSize();
    int x = 0;
    int y = 0;
    int contentWidth = 0;
    int contentHeight = cell;
    for (StrokeAnimationView* view : std::as_const(m_shownViews)) {
        view->move(x, y);
        view->resize(cell, cell);
        // The content ends at the last picture of the widest row and at the bottom of the last
        // row; a full last row adds no empty row below.
        contentWidth = std::max(contentWidth, x + cell);
        contentHeight = std::max(contentHeight, y + cell);
        const int next = x + (cell + Spacing) + cell;
        if (next > width()) {
            x = 0;
            y += cell + Spacing;
        } else {
            x += cell + Spacing;
        }
    }
    m_content->resize(contentWidth, contentHeight);
}

} // namespace korvo
