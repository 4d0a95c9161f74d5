#include "guitestsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace guitest {

namespace {

// Polls until a modal widget other than `ignored` shows up; stops when the test no longer holds
// the record, so that a watcher left over from one test never answers the next test's dialog.
void poll(std::weak_ptr<ModalRecord> watched, std::function<void(QWidget*)> act,
          std::shared_ptr<QElapsedTimer> clock, QPointer<QWidget> ignored)
{
    std::shared_ptr<ModalRecord> record = watched.lock();
    if (!record)
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == ignored) {
        if (clock->elapsed() < 10000)
            QTimer::singleShot(10, [=] { poll(watched, act, clock, ignored); });
        return;
    }
    // A learner types into the window in front: wait until it has the keyboard.
    if (!modal->isActiveWindow()) {
        modal->activateWindow();
        QTest::qWaitForWindowActive(modal, 1000);
    }
    record->seen = true;
    if (qEnvironmentVariableIsSet("QUILLET_TRACE_MODALS"))
        qDebug() << "modal" << modal << modal->windowTitle();
    record->className = QString::fromLatin1(modal->metaObject()->className());
    record->title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        record->text = box->text();
        for (QAbstractButton* button : box->buttons())
            record->buttons.append(button->text());
    } else {
        for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
            record->buttons.append(button->text());
    }
    act(modal);
}

} // namespace

std::shared_ptr<ModalRecord> onNextModal(std::function<void(QWidget*)> act, QWidget* ignored)
{
    auto record = std::make_shared<ModalRecord>();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    std::weak_ptr<ModalRecord> watched = record;
    const QPointer<QWidget> skipped = ignored;
    QTimer::singleShot(0, [=] { poll(watched, act, clock, skipped); });
    return record;
}

std::shared_ptr<ModalRecord> clickInNextModal(const QString& label)
{
    return onNextModal(clickButton(label));
}

std::function<void(QWidget*)> clickButton(const QString& label)
{
    return [label](QWidget* modal) {
        const QList<QAbstractButton*> buttons = modal->findChildren<QAbstractButton*>();
        for (QAbstractButton* button : buttons) {
            if (button->text() == label && button->isVisible()) {
                button->click();
                return;
            }
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    };
}

std::function<void(QWidget*)> chooseFile(const QString& path)
{
    return [path](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            // Typed into the file name line, as a learner would, once the dialog has read its
            // folder.
            QTest::qWait(100);
            dialog->selectFile(path);
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            other->reject();
        }
    };
}

namespace {

// The watcher of the next modal is armed before the current one is answered: answering may
// open the next one from inside the current one's event loop.
void answerNext(std::weak_ptr<ModalSequence> watched, QWidget* answered)
{
    std::shared_ptr<ModalSequence> sequence = watched.lock();
    if (!sequence || sequence->pending.isEmpty())
        return;
    const std::function<void(QWidget*)> act = sequence->pending.takeFirst();
    sequence->current = onNextModal(
        [watched, act](QWidget* modal) {
            if (std::shared_ptr<ModalSequence> owner = watched.lock())
                owner->seen.append(*owner->current);
            answerNext(watched, modal);
            act(modal);
        },
        answered);
}

} // namespace

std::shared_ptr<ModalSequence> answerModalsInTurn(QList<std::function<void(QWidget*)>> acts)
{
    auto sequence = std::make_shared<ModalSequence>();
    sequence->pending = std::move(acts);
    answerNext(sequence, nullptr);
    return sequence;
}

} // namespace guitest
