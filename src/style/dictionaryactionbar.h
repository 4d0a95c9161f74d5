#pragma once

#include "style/actionbar.h"

class QLabel;

namespace korvo {

// The dictionary screen's action bar with its Back and Next buttons (group 1, fixed size). The
// owning screen places them; the bar owns its buttons.
class DictionaryActionBar : public ActionBar
{
    Q_OBJECT

public:
    explicit DictionaryActionBar(QWidget* parent = nullptr);

    // Sets the translated texts and tool tips again (after the interface language changed).
    void retranslate();
};

} // namespace korvo
