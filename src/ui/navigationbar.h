#pragma once

#include "style/xqwidget.h"

#include <QPixmap>

class QAction;
class QMenu;

namespace korvo {

class XQPushButton;

// The bar across the top of the main window: the tab buttons that choose the screen
// ("practice", "manage", "dictionary", "statistics") and the options and help buttons with their
// pop-up menus. Owned by the main window; owns its buttons and menus.
class NavigationBar : public XQWidget
{
    Q_OBJECT

public:
    static constexpr int BarHeight = 73;

    explicit NavigationBar(QWidget* parent = nullptr);

    // The name of the checked tab button, or "" when none is checked.
    QString currentTab() const;
    void setCurrentTab(const QString& name);
    void retranslate();

    XQPushButton* button(const QString& objectName) const;
    // The narrowest width that shows every button whole, with the paddings and gaps of the style
    // sheet (the last tab at least a gap away from the options button).
    int requiredWidth() const;
    QMenu* optionMenu() const { return m_optionMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }

signals:
    // A tab button was checked by the user.
    void tabToggled();
    // A command of the options or help menu, by the action's object name.
    void menuCommandTriggered(const QString& name);

private slots:
    void button_toggled(bool checked);
    void optionButton_clicked();
    void helpButton_clicked();
    void menu_actionTriggered(bool checked);

protected:
    void updateLayout() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    XQPushButton* addButton(const QString& name, bool tab);
    QAction* addMenuAction(QMenu* menu, const QString& name);
    void popUpBelow(QMenu* menu, QWidget* button);

    QList<XQPushButton*> m_tabs;
    XQPushButton* m_optionButton;
    XQPushButton* m_helpButton;
    QMenu* m_optionMenu;
    QMenu* m_helpMenu;
    QPixmap m_background;
    QPixmap m_highlight;
};

} // namespace korvo
