#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

// Helpers for widget tests: answering the modal dialogs and message boxes a screen opens, the
// way a learner would, while the test waits in the screen's call. Test code only.
namespace guitest {

// What the modal widget looked like when it was answered.
struct ModalRecord
{
    bool seen = false;
    QString className;
    QString title;
    // The message box text, or empty for other dialogs.
    QString text;
    // The labels of its buttons (a message box lists them by role, not in the order given).
    QStringList buttons;
};

// When the next modal widget is shown (within ten seconds), records it and runs `act` on it.
// The watch ends early when the caller lets go of the record.
// A modal widget given as `ignored` (one already being answered) is waited past.
std::shared_ptr<ModalRecord> onNextModal(std::function<void(QWidget*)> act,
                                         QWidget* ignored = nullptr);
// Clicks the button labelled `label` of the next modal widget (rejects it when it has none).
std::shared_ptr<ModalRecord> clickInNextModal(const QString& label);

// The modal widgets answered in turn so far; the answering stops when this is released.
struct ModalSequence
{
    QList<ModalRecord> seen;
    QList<std::function<void(QWidget*)>> pending;
    std::shared_ptr<ModalRecord> current;
};

// Answers the next modal widgets in turn, one action each (for a dialog that leads to another).
std::shared_ptr<ModalSequence> answerModalsInTurn(QList<std::function<void(QWidget*)>> acts);
// Clicks the button labelled `label`; for answerModalsInTurn.
std::function<void(QWidget*)> clickButton(const QString& label);
// Chooses `path` in a file dialog and accepts it.
std::function<void(QWidget*)> chooseFile(const QString& path);

} // namespace guitest
