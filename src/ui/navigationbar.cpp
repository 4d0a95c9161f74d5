#include "ui/navigationbar.h"

#include "style/style.h"
#include "style/xqpushbutton.h"
#include "text/translationcatalogue.h"

#include <QMenu>
#include <QPainter>

namespace korvo {

NavigationBar::NavigationBar(QWidget* parent) : XQWidget(parent)
{
    setObjectName(QStringLiteral("navigationBar"));
    resize(width(), BarHeight);
    for (const char* name :
         {"practiceButton", "manageButton", "dictionaryButton", "readerButton", "statisticsButton"})
        m_tabs.append(addButton(QLatin1String(name), true));
    m_optionButton = addButton(QStringLiteral("optionButton"), false);
    m_helpButton = addButton(QStringLiteral("helpButton"), false);
    connect(m_optionButton, &QPushButton::clicked, this, &NavigationBar::optionButton_clicked);
    connect(m_helpButton, &QPushButton::clicked, this, &NavigationBar::helpButton_clicked);

    m_optionMenu = new QMenu(this);
    m_optionMenu->setObjectName(QStringLiteral("optionMenu"));
    for (const char* name : {"import", "export", "print"})
        addMenuAction(m_optionMenu, QLatin1String(name));
    m_optionMenu->addSeparator();
    addMenuAction(m_optionMenu, QStringLiteral("options"));

    m_helpMenu = new QMenu(this);
    m_helpMenu->setObjectName(QStringLiteral("helpMenu"));
    addMenuAction(m_helpMenu, QStringLiteral("help"));
    addMenuAction(m_helpMenu, QStringLiteral("quickstart"));
    m_helpMenu->addSeparator();
    addMenuAction(m_helpMenu, QStringLiteral("about"));

    m_background = Style::skinPixmap(QStringLiteral("NavigationBarBackground.png"));
    m_highlight = Style::skinPixmap(QStringLiteral("NavigationBarHighlight.png"));
    retranslate();
}

XQPushButton* NavigationBar::addButton(const QString& name, bool tab)
{
    auto* button = new XQPushButton(this);
    button->setObjectName(name);
    button->setStyleName(name);
    button->setCheckable(tab);
    button->setFocusPolicy(Qt::TabFocus);
    if (tab)
        connect(button, &QPushButton::toggled, this, &NavigationBar::button_toggled);
    return button;
}

QAction* NavigationBar::addMenuAction(QMenu* menu, const QString& name)
{
    QAction* action = menu->addAction(QString());
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, &NavigationBar::menu_actionTriggered);
    return action;
}

XQPushButton* NavigationBar::button(const QString& objectName) const
{
    return findChild<XQPushButton*>(objectName, Qt::FindDirectChildrenOnly);
}

QString NavigationBar::currentTab() const
{
    for (XQPushButton* tab : m_tabs) {
        if (tab->isChecked())
            return tab->objectName().chopped(int(qstrlen("Button")));
    }
    return QString();
}

void NavigationBar::setCurrentTab(const QString& name)
{
    if (name == currentTab())
        return;
    for (XQPushButton* tab : m_tabs) {
        const QSignalBlocker blocker(tab);
        tab->setChecked(tab->objectName() == name + QLatin1String("Button"));
        tab->update();
    }
}

// Checking a tab unchecks the others; unchecking one by clicking it again is undone, so that
// the screen shown always has its tab checked.
void NavigationBar::button_toggled(bool checked)
{
    auto* toggled = qobject_cast<XQPushButton*>(sender());
    if (!checked) {
        const QSignalBlocker blocker(toggled);
        toggled->setChecked(true);
        return;
    }
    for (XQPushButton* tab : m_tabs) {
        if (tab != toggled) {
            const QSignalBlocker blocker(tab);
            tab->setChecked(false);
            tab->update();
        }
    }
    emit tabToggled();
}

void NavigationBar::popUpBelow(QMenu* menu, QWidget* button)
{
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void NavigationBar::optionButton_clicked()
{
    popUpBelow(m_optionMenu, m_optionButton);
}

void NavigationBar::helpButton_clicked()
{
    popUpBelow(m_helpMenu, m_helpButton);
}

void NavigationBar::menu_actionTriggered(bool)
{
    if (auto* action = qobject_cast<QAction*>(sender()))
        emit menuCommandTriggered(action->objectName());
}

void NavigationBar::retranslate()
{
    button(QStringLiteral("practiceButton"))->setText(translate("Practice"));
    button(QStringLiteral("manageButton"))->setText(translate("Manage Cards"));
    button(QStringLiteral("dictionaryButton"))->setText(translate("Dictionary"));
    button(QStringLiteral("readerButton"))->setText(translate("Reader"));
    button(QStringLiteral("statisticsButton"))->setText(translate("Statistics"));
    m_optionButton->setText(translate("Options"));
    m_helpButton->setText(translate("Help"));
    const QList<QPair<const char*, const char*>> texts = {
        {"import", translatable("Import cards...")},
        {"export", translatable("Export cards...")},
        {"print", translatable("Print...")},
        {"options", translatable("Options...")},
        {"help", translatable("Help")},
        {"quickstart", translatable("Quick Start Guide")},
        {"about", translatable("About")}};
    for (const auto& [name, text] : texts) {
        if (auto* action = findChild<QAction*>(QLatin1String(name)))
            action->setText(translate(text));
    }
    // The buttons' widths follow their texts.
    for (XQPushButton* button : findChildren<XQPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        button->resize(button->sizeHint());
    updateLayout();
}

int NavigationBar::requiredWidth() const
{
    Style* style = Style::root()->section(QStringLiteral("NavigationBar"));
    const int gap = style->intValue(QStringLiteral("buttonGap"));
    int width = style->intValue(QStringLiteral("paddingLeft")) +
                style->intValue(QStringLiteral("paddingRight")) - gap;
    for (XQPushButton* button : findChildren<XQPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        width += button->sizeHint().width() + gap;
    return width;
}

void NavigationBar::resizeEvent(QResizeEvent* event)
{
    XQWidget::resizeEvent(event);
    updateLayout();
}

void NavigationBar::updateLayout()
{
    XQWidget::updateLayout();
    Style* style = Style::root()->section(QStringLiteral("NavigationBar"));
    const int paddingLeft = style->intValue(QStringLiteral("paddingLeft"));
    const int paddingRight = style->intValue(QStringLiteral("paddingRight"));
    const int gap = style->intValue(QStringLiteral("buttonGap"));
    const int y = (height() - m_tabs.first()->height() - 4) / 2;

    int x = paddingLeft;
    for (XQPushButton* tab : m_tabs) {
        tab->move(x, y);
        x += tab->width() + gap;
    }
    m_helpButton->move(width() - paddingRight - m_helpButton->width(), y);
    m_optionButton->move(m_helpButton->x() - gap - m_optionButton->width(), y);
}

void NavigationBar::paintEvent(QPaintEvent* event)
{
    XQWidget::paintEvent(event);
    QPainter painter(this);
    if (!m_background.isNull())
        painter.fillRect(rect(), QBrush(m_background));
    if (!m_highlight.isNull()) {
        const int highlightWidth = int(m_highlight.width() / m_highlight.devicePixelRatio());
        painter.drawPixmap(width() / 2 - highlightWidth / 2, 0, m_highlight);
    }
}

} // namespace korvo
