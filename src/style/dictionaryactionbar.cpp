#include "style/dictionaryactionbar.h"

#include "text/translationcatalogue.h"

namespace korvo {

DictionaryActionBar::DictionaryActionBar(QWidget* parent) : ActionBar(parent)
{
    setObjectName("dictionaryActionBar");
    setStyleName("dictionaryActionBar");
    for (const char* name : {"dictionaryPreviousButton", "dictionaryNextButton"})
        addNamedButton(name, 1)->setAutoResize(false);
    retranslate();
}

void DictionaryActionBar::retranslate()
{
    button("dictionaryPreviousButton")->setText(translate("Back"));
    button("dictionaryNextButton")->setText(translate("Next"));
}

} // namespace korvo
