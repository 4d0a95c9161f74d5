#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QAbstractButton;
class QWidget;

// Every question and notice put to the user goes through messageBox(): the caller names the
// buttons with a short code ("ok", "okCancel", "yesNo", "yesNoCancel") or with translated labels
// joined by "|", and gets back a result code to compare with the MessageBoxResult values (or,
// for buttons of its own, the position of the clicked label).
namespace korvo {

enum class MessageBoxKind { Information, Confirmation, Error, Warning };

// Result codes; a button of the caller's own gets its position in the list (0 for the first).
enum MessageBoxResult {
    MessageBoxAccepted = 1024,
    MessageBoxRejected = 4194304,
    MessageBoxYes = 16384,
    MessageBoxNo = 6,
};

// Shows a modal box centred over the main window and returns the clicked button's result code.
int messageBox(const QString& text, const QString& title, const QString& buttons,
               MessageBoxKind kind);
int information(const QString& text, const QString& title = QString(),
                const QString& buttons = QStringLiteral("ok"));
int confirmation(const QString& text, const QString& title = QString(),
                 const QString& buttons = QStringLiteral("yesNo"));
int error(const QString& text, const QString& title = QString(),
          const QString& buttons = QStringLiteral("ok"));
int warning(const QString& text, const QString& title = QString(),
            const QString& buttons = QStringLiteral("ok"));

// Records the window that boxes are centred over (not owned; forgotten when it is destroyed).
void setMainWindow(QWidget* window);

// The steps of messageBox(), for callers that need the box before it runs.
// The translated button labels of a button code.
QStringList messageBoxLabels(const QString& buttons);
// The role of a button by its label (compared ignoring case with the translated standard labels).
QMessageBox::ButtonRole messageBoxButtonRole(const QString& label);
// A ready box (icon, title, text, sized buttons in order); the caller owns it.
QMessageBox* createMessageBox(const QString& text, const QString& title, const QString& buttons,
                              MessageBoxKind kind);
// The result code for `clicked`, a button of `box` (none counts as a rejection).
int messageBoxResult(const QMessageBox* box, const QAbstractButton* clicked);

} // namespace korvo
