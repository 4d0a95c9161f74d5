#include "style/deckmanageractionbar.h"

#include "text/translationcatalogue.h"

#include <QLabel>

namespace korvo {

namespace {

const char* const deckButtons[] = {"newDeckButton", "deleteDeckButton", "printDeckButton"};
const char* const cardButtons[] = {"newCardButton", "strokeAnimationButton", "cardPropertiesButton",
                                   "deleteCardButton", "listenButton"};

} // namespace

DeckManagerActionBar::DeckManagerActionBar(QWidget* parent) : ActionBar(parent)
{
    setObjectName("deckManagerActionBar");
    setStyleName("deckManagerActionBar");
    for (const char* name : deckButtons)
        addNamedButton(name, 1);
    for (const char* name : cardButtons)
        addNamedButton(name, 2);
    m_label = addLabel();
    retranslate();
}

void DeckManagerActionBar::retranslate()
{
    const QString newShortcut = translate("%1 (Ctrl+N)").arg(translate("New"));
    button("newDeckButton")->setToolTip(newShortcut);
    button("deleteDeckButton")->setToolTip(translate("Delete"));
    button("printDeckButton")->setToolTip(translate("Print"));
    button("newCardButton")->setToolTip(newShortcut);
    button("strokeAnimationButton")->setToolTip(translate("View stroke order"));
    button("cardPropertiesButton")->setToolTip(translate("Edit card"));
    button("deleteCardButton")->setToolTip(translate("Delete"));
    button("listenButton")->setToolTip(translate("Listen to this card"));
}

} // namespace korvo
