#include "dictionary_ui/dictionarywidget.h"

#include "style/dictionaryactionbar.h"

using korvo::DictionaryActionBar;

DictionaryWidget::DictionaryWidget(QWidget* parent) : XQWidget(parent)
{
    setObjectName(QStringLiteral("dictionaryWidget"));
    m_actionBar = new DictionaryActionBar(this);
}

void DictionaryWidget::retranslate()
{
    m_actionBar->retranslate();
    invalidate();
}

void DictionaryWidget::resizeEvent(QResizeEvent* event)
{
    XQWidget::resizeEvent(event);
    updateLayout();
}

void DictionaryWidget::updateLayout()
{
    XQWidget::updateLayout();
    const int barHeight = m_actionBar->height();
    m_actionBar->setGeometry(0, height() - barHeight, width(), barHeight);
}
