#include "cards/cardwidget.h"

#include "cards/cardpainter.h"

#include <QPainter>

namespace korvo {

CardWidget::CardWidget(QWidget* parent) : XQWidget(parent)
{
    setAcceptDrops(false);
    setFocusPolicy(Qt::NoFocus);
}

void CardWidget::setObject(QObject* object)
{
    m_object = object;
    update();
}

void CardWidget::setCardState(const CardState& state)
{
    m_cardState = state;
    update();
}

CardState CardWidget::effectiveCardState() const
{
    return applyUserSettings(m_cardState, m_profile);
}

void CardWidget::paintEvent(QPaintEvent* event)
{
    XQWidget::paintEvent(event);
    QPainter painter(this);
    CardPainterFlags flags;
    flags.hasFocus = hasFocus();
    flags.selected = false;
    paintCard(m_object.data(), &painter, QRect(0, 0, width(), height()), effectiveCardState(),
              flags);
}

} // namespace korvo
