#pragma once

#include "style/xqwidget.h"

namespace korvo {

class Deck;
class DeckManagerActionBar;

// The "Manage Cards" screen: the deck tree, the cards of the selected deck and the deck
// manager's action bar. Created by the main window on first use and owned by it; the root
// deck is the profile's.
class DeckManagerWidget : public XQWidget
{
    Q_OBJECT

public:
    explicit DeckManagerWidget(QWidget* parent = nullptr);

    // (Re)builds the tree from the root's children.
    void setRootDeck(Deck* root);
    Deck* rootDeck() const { return m_root; }
    DeckManagerActionBar* actionBar() const { return m_actionBar; }
    void printSelectedDeck();
    void retranslate();

protected:
    void updateLayout() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Deck* m_root = nullptr;
    DeckManagerActionBar* m_actionBar;
};

} // namespace korvo
