#pragma once

#include "practice/mcqoptionbuilder.h"
#include "style/xqwidget.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace korvo {

class CardWidget;
class DeckCard;
class PracticeActionBar;
class Profile;
class Session;
class XQPushButton;

// The practice screen: the current card of the session in the middle of a fan of seven card
// widgets (three done on the left, three to come on the right), the question in the form the
// session type asks for (self-assessment, multiple choice, type-in), the result, and the
// practice action bar. Every answer goes to the session, which writes it to the profile.
// Keyboard: A, B, C choose an answer; F flips; W and C answer a self-assessment; S, P, D and L
// act on the current card. Created by the main window on first use and owned by it; the session
// is borrowed, the current card is borrowed from the profile's registry.
class PracticeWidget : public XQWidget
{
    Q_OBJECT

public:
    explicit PracticeWidget(Session* session, QWidget* parent = nullptr);

    PracticeActionBar* actionBar() const { return m_actionBar; }
    void retranslate();

    // The card asked now, or none (no session, or it was reset).
    DeckCard* currentCard() const;
    // The answers of the multiple-choice question on screen, in button order.
    QList<McqOption> options() const { return m_options; }
    // Card widget 0-6 (3 is the current card).
    CardWidget* card(int index) const { return m_cards.at(size_t(index)); }

    // Where the seven cards go on a screen of `size` with an action bar `barHeight` high:
    // the 0.57, 0.7 and 0.8 cards of the left fan, the main card, then the right fan.
    static std::array<QRect, 7> cardGeometry(const QSize& size, int barHeight);

public slots:
    void session_statusChanged(const QString& reason);
    void flipButton_clicked();
    void correctButton_clicked();
    void wrongButton_clicked();
    void actionBar_buttonClicked(QPushButton* button);
    void profile_userSettingChanged(const QString& name);
    void mcqButton_clicked();
    void mcqButton_clicked(korvo::XQPushButton* button);
    void mcqNextButton_clicked();
    void tiOkButton_clicked();
    void tiAnswerTextBox_textChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void updateLayout() override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Profile* profile() const;
    QString setting(const QString& name, const QString& defaultValue) const;
    bool isRunning() const;
    bool questionOpen() const;

    void buildQuestionControls();
    void showNextCard();
    void showResult(bool correct);
    void flipCard();
    void playAudio();
    void setOptionButtons();
    void setOptionTexts();
    void prefetchOptions();
    QList<McqOption> optionsFor(DeckCard* card);
    void refreshCardPile();
    void refreshControls();
    void relayout();
    void forgetCurrentQuestion();
    void afterCardEdited();

    Session* m_session;
    PracticeActionBar* m_actionBar;
    QWidget* m_background;
    QLabel* m_messageLabel;
    std::array<CardWidget*, 7> m_cards{};
    XQPushButton* m_flipButton;
    XQPushButton* m_correctButton;
    XQPushButton* m_wrongButton;
    QList<XQPushButton*> m_optionButtons;
    QLabel* m_tiAnswerLabel = nullptr;
    QLineEdit* m_tiAnswerTextBox = nullptr;
    XQPushButton* m_tiOkButton = nullptr;
    QLabel* m_resultLabel = nullptr;
    XQPushButton* m_mcqNextButton = nullptr;

    QString m_reason = QStringLiteral("start");
    QList<McqOption> m_options;
    // The quizzed field the options were made for, and its text then.
    QString m_optionsQuizOn;
    QString m_optionsAnswer;
    bool m_audioPlayed = true;
    bool m_flipped = false;
    // The current question was answered (its result is on screen).
    bool m_answered = false;
    bool m_lastAnswerCorrect = false;
    QPointer<DeckCard> m_card;

    // The options of the card that comes next, made while the learner thinks.
    struct Prefetched
    {
        int cardId = 0;
        QString quizOn;
        QString answer;
        QList<McqOption> options;
    };
    Prefetched m_prefetched;
    QTimer* m_prefetchTimer;
};

} // namespace korvo
