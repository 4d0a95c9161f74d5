#include "practice/practicewidget.h"

#include "style/practiceactionbar.h"

namespace korvo {

PracticeWidget::PracticeWidget(Session* session, QWidget* parent)
    : XQWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("practiceWidget"));
    m_actionBar = new PracticeActionBar(this);
}

void PracticeWidget::retranslate()
{
    m_actionBar->retranslate();
    invalidate();
}

void PracticeWidget::resizeEvent(QResizeEvent* event)
{
    XQWidget::resizeEvent(event);
    updateLayout();
}

void PracticeWidget::updateLayout()
{
    XQWidget::updateLayout();
    const int barHeight = m_actionBar->height();
    m_actionBar->setGeometry(0, height() - barHeight, width(), barHeight);
}

} // namespace korvo
