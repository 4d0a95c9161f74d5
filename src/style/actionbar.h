#pragma once

#include "style/xqpushbutton.h"
#include "style/xqwidget.h"

#include <QList>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace korvo {

class Style;

// A button that lives on an action bar; owned by the bar.
class ActionBarButton : public XQPushButton
{
    Q_OBJECT

public:
    explicit ActionBarButton(QWidget* parent = nullptr) : XQPushButton(parent) {}
};

// The skinned horizontal bar at the bottom of a screen. It holds buttons in numbered groups that
// the owning screen places with layoutButtons(); it owns its buttons (Qt children) and its
// background pixmap. The style section is borrowed from the style sheet.
class ActionBar : public XQWidget
{
    Q_OBJECT

public:
    explicit ActionBar(QWidget* parent = nullptr);

    void setStyleName(const QString& name);
    Style* styleSection() const { return m_style; }

    ActionBarButton* addButton(const QString& text, int group);
    // Adds a button whose object name and style section are both `name`.
    ActionBarButton* addNamedButton(const QString& name, int group);
    // Places the buttons of `group` (every button for group 0) in a row from (x, y).
    void layoutButtons(int x, int y, int gap, int group);
    QList<ActionBarButton*> buttons() const;
    // The button with that object name, or none.
    ActionBarButton* button(const QString& objectName) const;
    // Deletes every button.
    void clear();

signals:
    void buttonClicked(QPushButton* button);

protected slots:
    void button_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    // A label for the bar's text (for example a card count), styled as "ActionBarLabel".
    QLabel* addLabel();

private:
    struct Entry
    {
        ActionBarButton* button;
        int group;
    };
    QList<Entry> m_buttons;
    Style* m_style = nullptr;
    QPixmap m_background;
};

} // namespace korvo
