#include "style/xqwidget.h"

namespace korvo {

XQWidget::XQWidget(QWidget* parent) : QWidget(parent) {}

void XQWidget::invalidate()
{
    m_layoutInvalid = true;
    update();
}

void XQWidget::updateLayout()
{
    m_layoutInvalid = false;
}

void XQWidget::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (m_layoutInvalid) {
        m_layoutInvalid = false;
        updateLayout();
    }
}

} // namespace korvo
