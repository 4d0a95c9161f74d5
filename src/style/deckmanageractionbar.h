#pragma once

#include "style/actionbar.h"

class QLabel;

namespace korvo {

// The deck manager's action bar: deck buttons in group 1, card buttons in group 2, and a label
// for the card count. The owning screen places the groups; the bar owns its buttons and label.
class DeckManagerActionBar : public ActionBar
{
    Q_OBJECT

public:
    explicit DeckManagerActionBar(QWidget* parent = nullptr);

    QLabel* label() const { return m_label; }
    // Sets the translated texts and tool tips again (after the interface language changed).
    void retranslate();

private:
    QLabel* m_label = nullptr;
};

} // namespace korvo
