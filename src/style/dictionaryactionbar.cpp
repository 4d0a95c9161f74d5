#include "style/dictionaryactionbar.h"

#include "text/translationcatalogue.h"

namespace korvo {

DictionaryActionBar::DictionaryActionBar(QWidget* parent) : ActionBar(parent)
{
    setObjectName("dictionaryActionBar");
    setStyleName("dictionaryActionBar");
    for (const char* name : {"dictionaryPreviousButton", "dictionaryNextButton"}) {
        ActionBarButton* b = addButton(QString(), 1);
        b->setObjectName(name);
        b->setStyleName(name);
        b->setAutoResize(false);
    }
    retranslate();
}

void DictionaryActionBar::retranslate()
{
    button("dictionaryPreviousButton")->setText(translate("Back"));
    button("dictionaryNextButton")->setText(translate("Next"));
}

} // namespace korvo
