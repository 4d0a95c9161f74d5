#include "style/messagebox.h"

#include "text/translationcatalogue.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QPointer>
#include <QPushButton>

namespace korvo {

namespace {

QPointer<QWidget> g_mainWindow;

const int buttonHeight = 26;
const int buttonMinimumWidth = 100;
const int buttonTextPadding = 40;

QMessageBox::Icon iconOf(MessageBoxKind kind)
{
    switch (kind) {
    case MessageBoxKind::Information:
        return QMessageBox::Information;
    case MessageBoxKind::Confirmation:
        return QMessageBox::Question;
    case MessageBoxKind::Error:
        return QMessageBox::Critical;
    case MessageBoxKind::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

QString defaultTitle(MessageBoxKind kind)
{
    switch (kind) {
    case MessageBoxKind::Information:
        return translate("Information");
    case MessageBoxKind::Confirmation:
        return translate("Confirmation");
    case MessageBoxKind::Error:
        return translate("Error");
    case MessageBoxKind::Warning:
        return translate("Warning");
    }
    return QString();
}

const char* const buttonIndexProperty = "messageBoxButtonIndex";

} // namespace

QStringList messageBoxLabels(const QString& buttons)
{
    if (buttons == "ok")
        return {translate("OK")};
    if (buttons == "okCancel")
        return {translate("OK"), translate("Cancel")};
    if (buttons == "yesNo")
        return {translate("Yes"), translate("No")};
    if (buttons == "yesNoCancel")
        return {translate("Yes"), translate("No"), translate("Cancel")};
    return buttons.split('|');
}

QMessageBox::ButtonRole messageBoxButtonRole(const QString& label)
{
    auto is = [&label](const QString& standard) {
        return label.compare(standard, Qt::CaseInsensitive) == 0;
    };
    if (is(translate("Exit")))
        return QMessageBox::RejectRole;
    if (is(translate("No")))
        return QMessageBox::NoRole;
    if (is(translate("Yes")))
        return QMessageBox::YesRole;
    if (is(translate("Cancel")))
        return QMessageBox::RejectRole;
    if (is(translate("OK")))
        return QMessageBox::AcceptRole;
    return QMessageBox::ActionRole;
}

QMessageBox* createMessageBox(const QString& text, const QString& title, const QString& buttons,
                              MessageBoxKind kind)
{
    auto* box = new QMessageBox();
    box->setModal(true);
    box->setIcon(iconOf(kind));
    const QStringList labels = messageBoxLabels(buttons);
    for (int i = 0; i < labels.size(); ++i) {
        QPushButton* button = box->addButton(labels.at(i), messageBoxButtonRole(labels.at(i)));
        button->setProperty(buttonIndexProperty, i);
        const int textWidth = QFontMetrics(button->font()).horizontalAdvance(labels.at(i));
        button->setFixedWidth(qMax(buttonMinimumWidth, textWidth + buttonTextPadding));
        button->setMinimumHeight(buttonHeight);
        button->setFixedHeight(buttonHeight);
    }
    box->setWindowTitle(title.isEmpty() ? defaultTitle(kind) : title);
    box->setText(text);
    return box;
}

int messageBoxResult(const QMessageBox* box, const QAbstractButton* clicked)
{
    if (!box || !clicked)
        return MessageBoxRejected;
    switch (box->buttonRole(const_cast<QAbstractButton*>(clicked))) {
    case QMessageBox::AcceptRole:
        return MessageBoxAccepted;
    case QMessageBox::RejectRole:
        return MessageBoxRejected;
    case QMessageBox::YesRole:
        return MessageBoxYes;
    case QMessageBox::NoRole:
        return MessageBoxNo;
    default:
        return clicked->property(buttonIndexProperty).toInt();
    }
}

int messageBox(const QString& text, const QString& title, const QString& buttons,
               MessageBoxKind kind)
{
    QMessageBox* box = createMessageBox(text, title, buttons, kind);
    box->show();
    // Let the box settle its final size before centring it.
    QCoreApplication::sendPostedEvents(box);
    if (g_mainWindow) {
        // Frames included on both sides: move() places the box's frame.
        const QRect window = g_mainWindow->frameGeometry();
        const QSize size = box->frameGeometry().size();
        box->move(window.x() + (window.width() - size.width()) / 2,
                  window.y() + (window.height() - size.height()) / 2);
    }
    box->exec();
    const int result = messageBoxResult(box, box->clickedButton());
    delete box;
    return result;
}

int information(const QString& text, const QString& title, const QString& buttons)
{
    return messageBox(text, title, buttons, MessageBoxKind::Information);
}

int confirmation(const QString& text, const QString& title, const QString& buttons)
{
    return messageBox(text, title, buttons, MessageBoxKind::Confirmation);
}

int error(const QString& text, const QString& title, const QString& buttons)
{
    return messageBox(text, title, buttons, MessageBoxKind::Error);
}

int warning(const QString& text, const QString& title, const QString& buttons)
{
    return messageBox(text, title, buttons, MessageBoxKind::Warning);
}

void setMainWindow(QWidget* window)
{
    g_mainWindow = window;
}

} // namespace korvo
