#include "style/actionbar.h"

#include "style/style.h"

#include <QLabel>
#include <QPainter>

namespace korvo {

ActionBar::ActionBar(QWidget* parent) : XQWidget(parent)
{
    resize(100, 40);
}

void ActionBar::setStyleName(const QString& name)
{
    m_style = Style::root()->section(name);
    m_style->applyToWidget(this);
    const QString image = m_style->stringValue("backgroundImage");
    m_background = image.isEmpty() ? QPixmap() : Style::skinPixmap(image);
    update();
}

ActionBarButton* ActionBar::addButton(const QString& text, int group)
{
    auto* button = new ActionBarButton(this);
    button->setText(text);
    m_buttons.append({button, group});
    connect(button, &QPushButton::clicked, this, &ActionBar::button_clicked);
    return button;
}

ActionBarButton* ActionBar::addNamedButton(const QString& name, int group)
{
    ActionBarButton* button = addButton(QString(), group);
    button->setObjectName(name);
    button->setStyleName(name);
    return button;
}

QLabel* ActionBar::addLabel()
{
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("actionBarLabel"));
    Style::root()->section(QStringLiteral("ActionBarLabel"))->applyToWidget(label);
    return label;
}

void ActionBar::layoutButtons(int x, int y, int gap, int group)
{
    for (const Entry& entry : qAsConst(m_buttons)) {
        if (group != 0 && entry.group != group)
            continue;
        entry.button->move(x, y);
        x += gap + entry.button->effectiveWidth();
    }
}

QList<ActionBarButton*> ActionBar::buttons() const
{
    QList<ActionBarButton*> result;
    for (const Entry& entry : m_buttons)
        result.append(entry.button);
    return result;
}

ActionBarButton* ActionBar::button(const QString& objectName) const
{
    for (const Entry& entry : m_buttons) {
        if (entry.button->objectName() == objectName)
            return entry.button;
    }
    return nullptr;
}

void ActionBar::clear()
{
    for (const Entry& entry : qAsConst(m_buttons))
        delete entry.button;
    m_buttons.clear();
}

void ActionBar::button_clicked()
{
    if (auto* button = qobject_cast<QPushButton*>(sender()))
        emit buttonClicked(button);
}

void ActionBar::paintEvent(QPaintEvent* event)
{
    if (!m_background.isNull()) {
        QPainter painter(this);
        painter.drawTiledPixmap(rect(), m_background);
    }
    XQWidget::paintEvent(event);
}

} // namespace korvo
