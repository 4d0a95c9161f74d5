#pragma once

#include "handwriting/handwritingmodel.h"
#include "handwriting/handwritingrecognizer.h"

#include <QFrame>
#include <QPointer>
#include <QVector>

class QAction;
class QLineEdit;
class QPushButton;

namespace korvo {

class HandwritingCanvas;

// A drawing pad for one line edit: the learner writes a character, the best candidates (up to
// ten, the preferred script first) appear below after every stroke, and a click on one (or its
// digit, 1-9) inserts it at the edit's cursor and clears the pad for the next character. Undo
// takes the last stroke back, Clear empties the pad, Escape closes it.
//
// attach() is all a screen needs: it puts a pad button at the end of the line edit, which opens
// the pad under it as a small window of its own. The pad is owned by the line edit.
class HandwritingPad : public QFrame
{
    Q_OBJECT

public:
    // Which script's candidates come first. FollowSetting reads the profile's "characterMode"
    // whenever the pad opens.
    enum ScriptChoice { FollowSetting, PreferSimplified, PreferTraditional, NoPreference };

    static HandwritingPad* attach(QLineEdit* edit, ScriptChoice script = FollowSetting);
    // The pad attach() gave the line edit, or none.
    static HandwritingPad* of(QLineEdit* edit);

    HandwritingPad(QLineEdit* edit, ScriptChoice script);

    QLineEdit* lineEdit() const { return m_edit; }
    QAction* padAction() const { return m_padAction; }
    HandwritingCanvas* canvas() const { return m_canvas; }
    const QVector<QPushButton*>& candidateButtons() const { return m_candidateButtons; }
    // The characters shown as candidates, best first.
    QStringList candidates() const;
    HandwritingModel::Script preferredScript() const;

    // The recogniser; HandwritingRecognizer::shared() unless another one is set (borrowed).
    void setRecognizer(HandwritingRecognizer* recognizer) { m_recognizer = recognizer; }

    void retranslate();

public slots:
    void open();
    void pick(int index);
    void padAction_triggered();
    void canvas_strokeFinished();
    void undoButton_clicked();
    void clearButton_clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recognize();
    void showCandidates(const QVector<HandwritingRecognizer::Candidate>& candidates);
    void placeUnderEdit();

    QLineEdit* m_edit;
    ScriptChoice m_script;
    HandwritingModel::Script m_preferred = HandwritingModel::BothScripts;
    HandwritingRecognizer* m_recognizer = nullptr;
    QAction* m_padAction;
    HandwritingCanvas* m_canvas;
    QPushButton* m_undoButton;
    QPushButton* m_clearButton;
    QPushButton* m_closeButton;
    QVector<QPushButton*> m_candidateButtons;
    QPointer<QWidget> m_watchedWindow;
};

} // namespace korvo
