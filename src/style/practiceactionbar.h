#pragma once

#include "style/actionbar.h"

class QLabel;

namespace korvo {

// The practice screen's action bar: the new-session button in group 1, the buttons acting on the
// current card in group 2, and the progress label. The owning screen places them; the bar owns
// its buttons and label.
class PracticeActionBar : public ActionBar
{
    Q_OBJECT

public:
    explicit PracticeActionBar(QWidget* parent = nullptr);

    QLabel* label() const { return m_label; }
    // Sets the translated texts and tool tips again (after the interface language changed).
    void retranslate();

private:
    QLabel* m_label = nullptr;
};

} // namespace korvo
