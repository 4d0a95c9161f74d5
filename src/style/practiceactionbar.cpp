#include "style/practiceactionbar.h"

#include "text/translationcatalogue.h"

#include <QLabel>

namespace korvo {

PracticeActionBar::PracticeActionBar(QWidget* parent) : ActionBar(parent)
{
    setObjectName("practiceActionBar");
    setStyleName("practiceActionBar");
    addNamedButton("sessionButton", 1);
    for (const char* name : {"strokeAnimationButton", "cardPropertiesButton",
                             "searchDictionaryButton", "listenButton"})
        addNamedButton(name, 2);
    m_label = addLabel();
    retranslate();
}

void PracticeActionBar::retranslate()
{
    button("sessionButton")->setText(translate("New Session"));
    button("strokeAnimationButton")
        ->setToolTip(translate("%1 (S)").arg(translate("View stroke order")));
    button("cardPropertiesButton")
        ->setToolTip(translate("%1 (P)").arg(translate("Edit card properties")));
    button("searchDictionaryButton")
        ->setToolTip(translate("%1 (D)").arg(translate("Search in dictionary")));
    button("listenButton")->setToolTip(translate("%1 (L)").arg(translate("Listen to this card")));
}

} // namespace korvo
