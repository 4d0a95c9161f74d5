#include "style/practiceactionbar.h"

#include "style/style.h"
#include "text/translationcatalogue.h"

#include <QLabel>

namespace korvo {

PracticeActionBar::PracticeActionBar(QWidget* parent) : ActionBar(parent)
{
    setObjectName("practiceActionBar");
    setStyleName("practiceActionBar");
    ActionBarButton* session = addButton(QString(), 1);
    session->setObjectName("sessionButton");
    session->setStyleName("sessionButton");
    for (const char* name : {"strokeAnimationButton", "cardPropertiesButton",
                             "searchDictionaryButton", "listenButton"}) {
        ActionBarButton* b = addButton(QString(), 2);
        b->setObjectName(name);
        b->setStyleName(name);
    }
    m_label = new QLabel(this);
    m_label->setObjectName("actionBarLabel");
    Style::root()->section("ActionBarLabel")->applyToWidget(m_label);
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
