#pragma once

#include "style/xqwidget.h"

namespace korvo {

class PracticeActionBar;
class Session;

// The practice screen: the card fan and the question controls above the practice action bar.
// Created by the main window on first use and owned by it.
class PracticeWidget : public XQWidget
{
    Q_OBJECT

public:
    explicit PracticeWidget(Session* session, QWidget* parent = nullptr);

    PracticeActionBar* actionBar() const { return m_actionBar; }
    void retranslate();

protected:
    void updateLayout() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Session* m_session;
    PracticeActionBar* m_actionBar;
};

} // namespace korvo
