#pragma once

#include <QDialog>
#include <QItemSelection>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;

namespace korvo {
class Deck;
class DeckListModel;
class Profile;
class Session;
} // namespace korvo

// The session set-up dialog: which decks, which kind of questions, what the front of a card
// shows, how many cards and whether spaced repetition chooses them, with a live count of the
// cards the session would hold. Each showing fills the form from the session again; "Start"
// copies the choices into the session, starts it and saves them as the session settings.
// The application creates it once, parented to the main window; the profile and the session are
// borrowed.
class SessionDialog : public QDialog
{
    Q_OBJECT

public:
    SessionDialog(korvo::Profile* profile, korvo::Session* session, QWidget* parent = nullptr);

    void retranslate();

    // The decks of the selected rows, in the order the selection gives them; rows whose deck no
    // longer exists are left out.
    QList<korvo::Deck*> selectedDecks() const;
    // "practiceOnlyTE" as a number of cards: anything that is not a number of at least 1 is 1.
    int desiredCardCount() const;
    // The checked quiz field for multiple-choice and type-in questions; empty for
    // self-assessment or when none is checked.
    QString quizField() const;
    bool isReady() const { return m_ready; }
    // Shown, but the form is not filled from the session yet.
    bool fillPending() const { return m_fillPending; }

signals:
    // The form was filled from the session and shows its count.
    void filled();

public slots:
    void timer_afterShowInitialize();
    void startButton_clicked();
    void cancelButton_clicked();
    void deckListView_selectionChanged(const QItemSelection& selected,
                                       const QItemSelection& deselected);
    void practiceAllCheckbox_toggled(bool checked);
    void practiceOnlyRB_toggled(bool checked);
    void practiceOnlyTE_editingFinished();
    void srCheckbox_stateChanged(int state);
    void sessionType_radioButtonToggled(bool checked);
    void mcqGroupBox_radioButtonToggled(bool checked);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildForm();
    void updateCardCount();
    void checkAllCardInfo();
    QCheckBox* cardInfoCheckbox(const QString& field) const;
    QRadioButton* quizRadioButton(const QString& field) const;
    QString characterMode() const;

    korvo::Profile* m_profile;
    korvo::Session* m_session;
    korvo::DeckListModel* m_deckModel = nullptr;
    bool m_ready = true;
    bool m_fillPending = false;

    QGroupBox* m_decksGroupBox = nullptr;
    QListView* m_deckListView = nullptr;
    QGroupBox* m_sessionTypeGroupBox = nullptr;
    QRadioButton* m_typeMcqRB = nullptr;
    QRadioButton* m_typeWriteRB = nullptr;
    QRadioButton* m_typeFreeRB = nullptr;
    QGroupBox* m_mcqGroupBox = nullptr;
    QRadioButton* m_quizOnSimplifiedRB = nullptr;
    QRadioButton* m_quizOnTraditionalRB = nullptr;
    QRadioButton* m_quizOnPinyinRB = nullptr;
    QRadioButton* m_quizOnDefinitionRB = nullptr;
    QGroupBox* m_visibleCardInfoGroupBox = nullptr;
    QCheckBox* m_simplifiedCheckbox = nullptr;
    QCheckBox* m_traditionalCheckbox = nullptr;
    QCheckBox* m_pinyinCheckbox = nullptr;
    QCheckBox* m_definitionCheckbox = nullptr;
    QGroupBox* m_desiredCardGroupBox = nullptr;
    QRadioButton* m_practiceAllRB = nullptr;
    QRadioButton* m_practiceOnlyRB = nullptr;
    QLineEdit* m_practiceOnlyTE = nullptr;
    QLabel* m_practiceOnlyLabel = nullptr;
    QGroupBox* m_sessionGroupBox = nullptr;
    QCheckBox* m_srCheckbox = nullptr;
    QLabel* m_cardCountLabel = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
