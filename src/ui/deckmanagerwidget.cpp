#include "ui/deckmanagerwidget.h"

#include "style/deckmanageractionbar.h"

namespace korvo {

DeckManagerWidget::DeckManagerWidget(QWidget* parent) : XQWidget(parent)
{
    setObjectName(QStringLiteral("deckManagerWidget"));
    m_actionBar = new DeckManagerActionBar(this);
}

void DeckManagerWidget::setRootDeck(Deck* root)
{
    m_root = root;
}

void DeckManagerWidget::printSelectedDeck() {}

void DeckManagerWidget::retranslate()
{
    m_actionBar->retranslate();
    invalidate();
}

void DeckManagerWidget::resizeEvent(QResizeEvent* event)
{
    XQWidget::resizeEvent(event);
    updateLayout();
}

void DeckManagerWidget::updateLayout()
{
    XQWidget::updateLayout();
    const int barHeight = m_actionBar->height();
    m_actionBar->setGeometry(0, height() - barHeight, width(), barHeight);
}

} // namespace korvo
