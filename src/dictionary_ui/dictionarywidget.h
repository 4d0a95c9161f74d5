#pragma once

#include "style/xqwidget.h"

namespace korvo {
class DictionaryActionBar;
}

// The dictionary screen: the search line, the result pages and the dictionary action bar.
// Created by the main window on first use and owned by it.
class DictionaryWidget : public korvo::XQWidget
{
    Q_OBJECT

public:
    explicit DictionaryWidget(QWidget* parent = nullptr);

    korvo::DictionaryActionBar* actionBar() const { return m_actionBar; }
    void retranslate();

protected:
    void updateLayout() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    korvo::DictionaryActionBar* m_actionBar;
};
