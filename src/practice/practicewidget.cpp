#include "practice/practicewidget.h"

#include "audio/pinyinplayer.h"
#include "cards/cardstate.h"
#include "cards/cardwidget.h"
#include "dictionary/knowledgeunit.h"
#include "practice/session.h"
#include "practice/typedanswer.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "style/applicationservices.h"
#include "style/practiceactionbar.h"
#include "style/style.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace korvo {

namespace {

const QString StartReason = QStringLiteral("start");
const QString DeckChangeReason = QStringLiteral("deckCollectionChanged");
constexpr int BarMargin = 10;
constexpr int BarButtonGap = 5;
constexpr int BarGroupGap = 20;
constexpr int AnswerButtonGap = 50;
constexpr int TypeInGap = 20;
constexpr int ResultGap = 30;
constexpr int OptionMargin = 10;
// The next question's options are made this long after a question is shown: the learner is
// still reading, and the dictionary's random draws then cost nothing at the next key press.
constexpr int PrefetchDelay = 50;

QString fieldName(const QString& quizOn)
{
    if (quizOn == QLatin1String("traditional"))
        return translate(QStringLiteral("Traditional"));
    if (quizOn == QLatin1String("pinyin"))
        return translate(QStringLiteral("Pinyin"));
    if (quizOn == QLatin1String("definition"))
        return translate(QStringLiteral("Definition"));
    return translate(QStringLiteral("Simplified"));
}

bool usesSimplified(const QString& mode)
{
    return mode == QLatin1String("simplified") || mode == QLatin1String("both");
}

bool usesTraditional(const QString& mode)
{
    return mode == QLatin1String("traditional") || mode == QLatin1String("both");
}

CardState allPartsVisible()
{
    CardState state;
    state.simplifiedVisible = true;
    state.traditionalVisible = true;
    state.pinyinVisible = true;
    state.definitionVisible = true;
    return state;
}

XQPushButton* makeButton(QWidget* parent, const QString& name)
{
    auto* button = new XQPushButton(parent);
    button->setObjectName(name);
    button->setStyleName(name);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

PracticeWidget::PracticeWidget(Session* session, QWidget* parent)
    : XQWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("practiceWidget"));
    // A click on the screen (or on an answered option) leaves the keyboard focus where it was,
    // on the control that answers or moves on.
    setFocusPolicy(Qt::NoFocus);

    m_background = new QWidget(this);
    m_background->setObjectName(QStringLiteral("practiceBackground"));

    // Cards are created left to right, so the left pile climbs towards the middle; the right
    // pile is then stacked the other way, each card under its left neighbour.
    for (size_t i = 0; i < m_cards.size(); ++i) {
        auto* card = new CardWidget(this);
        card->setObjectName(QStringLiteral("card%1").arg(i));
        card->setProfile(profile());
        card->hide();
        m_cards[i] = card;
    }
    for (size_t i : {6, 5, 4, 3})
        m_cards[i]->raise();

    m_messageLabel = new QLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    Style::styleMessageLabel(m_messageLabel);

    m_actionBar = new PracticeActionBar(this);

    m_flipButton = makeButton(this, QStringLiteral("flipButton"));
    m_correctButton = makeButton(this, QStringLiteral("correctButton"));
    m_wrongButton = makeButton(this, QStringLiteral("wrongButton"));
    for (QWidget* control : {m_flipButton, m_correctButton, m_wrongButton})
        control->installEventFilter(this);

    m_prefetchTimer = new QTimer(this);
    m_prefetchTimer->setSingleShot(true);
    m_prefetchTimer->setInterval(PrefetchDelay);
    connect(m_prefetchTimer, &QTimer::timeout, this, &PracticeWidget::prefetchOptions);

    if (m_session)
        connect(m_session, &Session::statusChanged, this, &PracticeWidget::session_statusChanged);
    connect(m_actionBar, &ActionBar::buttonClicked, this, &PracticeWidget::actionBar_buttonClicked);
    if (Profile* p = profile())
        connect(p, &Profile::userSettingChanged, this, &PracticeWidget::profile_userSettingChanged);
    connect(m_flipButton, &QPushButton::clicked, this, &PracticeWidget::flipButton_clicked);
    connect(m_correctButton, &QPushButton::clicked, this, &PracticeWidget::correctButton_clicked);
    connect(m_wrongButton, &QPushButton::clicked, this, &PracticeWidget::wrongButton_clicked);

    retranslate();
}

Profile* PracticeWidget::profile() const
{
    if (m_session && m_session->profile())
        return m_session->profile();
    ApplicationServices* services = ApplicationServices::instance();
    return services ? services->profile() : nullptr;
}

QString PracticeWidget::setting(const QString& name, const QString& defaultValue) const
{
    Profile* p = profile();
    return p ? p->setting(name, defaultValue).toString() : defaultValue;
}

DeckCard* PracticeWidget::currentCard() const
{
    if (!m_card || m_card->isDisposed())
        return nullptr;
    return m_card.data();
}

bool PracticeWidget::isRunning() const
{
    if (!m_session)
        return false;
    const SessionStatus status = m_session->status();
    return status != SessionStatus::Idle && status != SessionStatus::Finished;
}

// A question is open while its card is on screen, the session runs and it was not answered.
bool PracticeWidget::questionOpen() const
{
    return isRunning() && currentCard() && !m_answered && !m_cards[3]->isHidden();
}

void PracticeWidget::retranslate()
{
    m_actionBar->retranslate();
    m_flipButton->setText(translate(QStringLiteral("Flip")));
    m_correctButton->setText(translate(QStringLiteral("Correct")));
    m_wrongButton->setText(translate(QStringLiteral("Wrong")));
    const QString shortcut = translate(QStringLiteral("Shortcut: %1"));
    m_flipButton->setToolTip(shortcut.arg(QStringLiteral("F")));
    m_correctButton->setToolTip(shortcut.arg(QStringLiteral("C")));
    m_wrongButton->setToolTip(shortcut.arg(QStringLiteral("W")));
    if (m_tiOkButton)
        m_tiOkButton->setText(translate(QStringLiteral("Confirm")));
    if (m_mcqNextButton)
        m_mcqNextButton->setText(translate(QStringLiteral("Next >>")));
    if (m_tiAnswerLabel && m_session) {
        m_tiAnswerLabel->setText(
            translate(QStringLiteral("%1:")).arg(fieldName(m_session->quizOn())));
        m_tiAnswerLabel->adjustSize();
    }
    if (m_tiAnswerTextBox && m_session && m_session->quizOn() == QLatin1String("pinyin") &&
        !m_tiAnswerTextBox->placeholderText().isEmpty())
        m_tiAnswerTextBox->setPlaceholderText(
            translate(QStringLiteral("Use numbers to specify the tones. eg. \"zhong1 guo2\"")));
    if (m_resultLabel && m_answered) {
        m_resultLabel->setText(m_lastAnswerCorrect ? translate(QStringLiteral("Correct!"))
                                                   : translate(QStringLiteral("Wrong!")));
        m_resultLabel->adjustSize();
    }
    relayout();
}

void PracticeWidget::session_statusChanged(const QString& reason)
{
    const SessionStatus status = m_session->status();
    if (status == SessionStatus::Running) {
        // Nothing is played for a card of an earlier session.
        m_audioPlayed = true;
        buildQuestionControls();
        m_cards[3]->show();
        showNextCard();
        refreshCardPile();
    } else if (status == SessionStatus::Idle && reason == DeckChangeReason) {
        for (CardWidget* card : m_cards)
            card->hide();
        m_reason = reason;
        forgetCurrentQuestion();
    }
    relayout();
}

// The card and its question may be gone with the deck: nothing of them stays reachable.
void PracticeWidget::forgetCurrentQuestion()
{
    m_prefetchTimer->stop();
    m_prefetched = Prefetched();
    m_card = nullptr;
    m_cards[3]->setObject(nullptr);
    m_options.clear();
    m_answered = false;
    m_flipped = false;
    if (m_tiAnswerTextBox)
        m_tiAnswerTextBox->clear();
}

void PracticeWidget::buildQuestionControls()
{
    const SessionType type = m_session->type();
    if (type == SessionType::Write && !m_tiAnswerLabel) {
        m_tiAnswerLabel = new QLabel(this);
        m_tiAnswerLabel->setObjectName(QStringLiteral("tiAnswerLabel"));
        Style::root()->section(QStringLiteral("tiAnswerLabel"))->applyToWidget(m_tiAnswerLabel);
        m_tiAnswerTextBox = new QLineEdit(this);
        m_tiAnswerTextBox->setObjectName(QStringLiteral("tiAnswerTextBox"));
        QFont font = m_tiAnswerTextBox->font();
        font.setPointSize(16);
        m_tiAnswerTextBox->setFont(font);
        m_tiOkButton = makeButton(this, QStringLiteral("tiOkButton"));
        m_tiOkButton->setText(translate(QStringLiteral("Confirm")));
        connect(m_tiAnswerTextBox, &QLineEdit::textChanged, this,
                &PracticeWidget::tiAnswerTextBox_textChanged);
        connect(m_tiAnswerTextBox, &QLineEdit::returnPressed, this,
                &PracticeWidget::tiOkButton_clicked);
        connect(m_tiOkButton, &QPushButton::clicked, this, &PracticeWidget::tiOkButton_clicked);
        m_tiAnswerTextBox->installEventFilter(this);
        m_tiOkButton->installEventFilter(this);
        for (QWidget* widget :
             {static_cast<QWidget*>(m_tiAnswerLabel), static_cast<QWidget*>(m_tiAnswerTextBox),
              static_cast<QWidget*>(m_tiOkButton)})
            widget->hide();
    }
    if (type == SessionType::Mcq && m_optionButtons.isEmpty()) {
        for (const char* letter : {"A", "B", "C"}) {
            XQPushButton* button =
                makeButton(this, QStringLiteral("mcqRadioButton") + QLatin1String(letter));
            button->setMinimumHeight(0);
            button->setText(QStringLiteral("M"));
            button->resize(button->sizeHint());
            button->setText(QString());
            button->hide();
            connect(button, &QPushButton::clicked, this,
                    qOverload<>(&PracticeWidget::mcqButton_clicked));
            button->installEventFilter(this);
            m_optionButtons.append(button);
        }
    }
    if ((type == SessionType::Write || type == SessionType::Mcq) && !m_resultLabel) {
        m_resultLabel = new QLabel(this);
        m_resultLabel->setObjectName(QStringLiteral("mcqResultLabel"));
        m_resultLabel->hide();
        m_mcqNextButton = makeButton(this, QStringLiteral("mcqNextButton"));
        m_mcqNextButton->setText(translate(QStringLiteral("Next >>")));
        m_mcqNextButton->hide();
        connect(m_mcqNextButton, &QPushButton::clicked, this,
                &PracticeWidget::mcqNextButton_clicked);
        connect(m_mcqNextButton, &XQPushButton::enterPressed, this,
                &PracticeWidget::mcqNextButton_clicked);
        m_mcqNextButton->installEventFilter(this);
    }
}

void PracticeWidget::showNextCard()
{
    playAudio();
    if (!m_session || m_session->remainingCardCount() <= 0) {
        // A finished session keeps its last card on screen.
        relayout();
        return;
    }
    m_prefetchTimer->stop();
    DeckCard* card = m_session->nextCard();
    m_card = card;
    m_cards[3]->setObject(card);
    m_audioPlayed = false;
    m_answered = false;
    m_flipped = false;
    if (m_tiAnswerTextBox)
        m_tiAnswerTextBox->setPlaceholderText(QString());

    const SessionType type = m_session->type();
    const QString quizOn = m_session->quizOn();
    if (type == SessionType::Mcq) {
        m_options = optionsFor(card);
        setOptionButtons();
    } else {
        m_options.clear();
    }
    if (type == SessionType::Write && m_tiAnswerTextBox) {
        m_tiAnswerTextBox->clear();
        m_tiAnswerTextBox->setEnabled(true);
        m_tiAnswerLabel->setText(translate(QStringLiteral("%1:")).arg(fieldName(quizOn)));
        m_tiAnswerLabel->adjustSize();
        if (quizOn == QLatin1String("pinyin"))
            m_tiAnswerTextBox->setPlaceholderText(
                translate(QStringLiteral("Use numbers to specify the tones. eg. \"zhong1 guo2\"")));
    }
    refreshCardPile();
    refreshControls();

    // Focus goes to what answers the question; the controls are visible by now.
    if (type == SessionType::Mcq && !m_optionButtons.isEmpty())
        m_optionButtons.first()->setFocus();
    else if (type == SessionType::Write && m_tiAnswerTextBox)
        m_tiAnswerTextBox->setFocus();
    else if (type == SessionType::Free)
        m_correctButton->setFocus();

    relayout();
    if (type == SessionType::Mcq)
        m_prefetchTimer->start();
}

QList<McqOption> PracticeWidget::optionsFor(DeckCard* card)
{
    KnowledgeUnit* unit = card ? card->knowledgeUnit() : nullptr;
    const QString quizOn = m_session->quizOn();
    m_optionsQuizOn = quizOn;
    m_optionsAnswer = McqOptionBuilder::answerText(unit, quizOn);
    QList<McqOption> options;
    if (!unit)
        return options;
    // The options made in advance hold as long as the card still shows the same answer.
    bool prefetched = m_prefetched.cardId == card->id() && m_prefetched.quizOn == quizOn &&
                      m_prefetched.answer == m_optionsAnswer;
    if (prefetched) {
        bool answerFound = false;
        for (const McqOption& option : std::as_const(m_prefetched.options))
            answerFound = answerFound || option.kuId == unit->id();
        prefetched = answerFound;
    }
    if (prefetched) {
        options = m_prefetched.options;
    } else {
        ApplicationServices* services = ApplicationServices::instance();
        options = McqOptionBuilder(services ? services->dictionary() : nullptr).build(unit, quizOn);
    }
    m_prefetched = Prefetched();
    return options;
}

void PracticeWidget::prefetchOptions()
{
    if (!m_session || m_session->type() != SessionType::Mcq || !isRunning())
        return;
    DeckCard* next = m_session->upcomingCard();
    KnowledgeUnit* unit = next ? next->knowledgeUnit() : nullptr;
    if (!unit)
        return;
    ApplicationServices* services = ApplicationServices::instance();
    Prefetched prefetched;
    prefetched.cardId = next->id();
    prefetched.quizOn = m_session->quizOn();
    prefetched.answer = McqOptionBuilder::answerText(unit, prefetched.quizOn);
    prefetched.options = McqOptionBuilder(services ? services->dictionary() : nullptr)
                             .build(unit, prefetched.quizOn);
    m_prefetched = prefetched;
}

void PracticeWidget::setOptionButtons()
{
    for (XQPushButton* button : std::as_const(m_optionButtons)) {
        button->setEnabled(true);
        button->setOpacity(1.0);
    }
    setOptionTexts();
}

// The option texts in the current colouring and font; enabled state and opacity stay.
void PracticeWidget::setOptionTexts()
{
    const QString quizOn = m_optionsQuizOn;
    const bool colored = setting(QStringLiteral("pinyinColorization"), QStringLiteral("pinyin")) ==
                         QLatin1String("pinyin");
    QString family;
    if (quizOn == QLatin1String("simplified") || quizOn == QLatin1String("traditional"))
        family = setting(QStringLiteral("chineseFont"), QString());
    // A text wider than the screen would be cut off at its edge: it is shortened with an
    // ellipsis and shown whole in the tool tip.
    const int maxWidth = qMax(100, width() - 2 * OptionMargin);

    for (int i = 0; i < m_optionButtons.size(); ++i) {
        XQPushButton* button = m_optionButtons.at(i);
        button->setFontFamilyOverride(family);
        button->setToolTip(QString());
        if (i >= m_options.size()) {
            button->setText(QString());
            continue;
        }
        const QString text = m_options.at(i).text;
        if (quizOn == QLatin1String("pinyin")) {
            if (colored) {
                QStringList parts;
                QList<QColor> colors;
                const QColor plain = button->styleSection()
                                         ? button->styleSection()->colorValue(
                                               QStringLiteral("color"), QColor(Qt::black))
                                         : QColor(Qt::black);
                const QStringList syllables = splitSyllables(text);
                for (int s = 0; s < syllables.size(); ++s) {
                    if (s > 0) {
                        parts << QStringLiteral(" ");
                        colors << plain;
                    }
                    const QString marked = numberedSyllableToMarked(syllables.at(s));
                    parts << marked;
                    colors << toneColor(toneOfMarked(marked));
                }
                button->setColoredText(parts, colors);
            } else {
                button->setText(numberedToMarked(text));
            }
            continue;
        }
        QFont font = button->styleSection() ? button->styleSection()->font() : button->font();
        if (!family.isEmpty())
            font.setFamily(family);
        const QFontMetrics metrics(font);
        const int padding = button->sizeHint().width() - metrics.horizontalAdvance(button->text());
        const int room = maxWidth - padding;
        if (metrics.horizontalAdvance(text) > room) {
            button->setText(metrics.elidedText(text, Qt::ElideRight, room));
            button->setToolTip(text);
        } else {
            button->setText(text);
        }
    }
}

void PracticeWidget::mcqButton_clicked()
{
    if (auto* button = qobject_cast<XQPushButton*>(sender()))
        mcqButton_clicked(button);
}

void PracticeWidget::mcqButton_clicked(XQPushButton* button)
{
    if (!questionOpen() || m_session->type() != SessionType::Mcq || !button || !button->isEnabled())
        return;
    const int chosen = int(m_optionButtons.indexOf(button));
    if (chosen < 0 || chosen >= m_options.size())
        return;
    const int answerId = currentCard()->kuId();
    for (int i = 0; i < m_options.size() && i < m_optionButtons.size(); ++i) {
        m_optionButtons.at(i)->setOpacity(m_options.at(i).kuId == answerId ? 1.0 : 0.3);
        m_optionButtons.at(i)->setEnabled(false);
    }
    showResult(m_options.at(chosen).kuId == answerId);
}

void PracticeWidget::tiOkButton_clicked()
{
    if (!questionOpen() || m_session->type() != SessionType::Write || !m_tiAnswerTextBox)
        return;
    const QString text = m_tiAnswerTextBox->text().trimmed();
    if (text.isEmpty())
        return;
    showResult(isTypedAnswerCorrect(currentCard()->knowledgeUnit(), m_session->quizOn(), text));
}

void PracticeWidget::tiAnswerTextBox_textChanged(const QString&)
{
    refreshControls();
}

void PracticeWidget::showResult(bool correct)
{
    DeckCard* card = currentCard();
    if (!card)
        return;
    flipCard();
    m_lastAnswerCorrect = correct;
    if (m_resultLabel) {
        const QString section = correct ? QStringLiteral("mcqResultLabelCorrect")
                                        : QStringLiteral("mcqResultLabelWrong");
        Style::root()->section(section)->applyToWidget(m_resultLabel);
        m_resultLabel->setText(correct ? translate(QStringLiteral("Correct!"))
                                       : translate(QStringLiteral("Wrong!")));
    }
    m_answered = true;
    m_session->answer(card, correct ? 1 : 0);
    if (m_resultLabel)
        m_resultLabel->adjustSize();
    refreshControls();
    relayout();
    if (m_mcqNextButton)
        m_mcqNextButton->setFocus();
}

void PracticeWidget::mcqNextButton_clicked()
{
    if (!isRunning() || !m_answered || !m_mcqNextButton || !m_mcqNextButton->isEnabled())
        return;
    showNextCard();
}

void PracticeWidget::flipCard()
{
    m_flipped = true;
    m_cards[3]->setCardState(allPartsVisible());
    playAudio();
    refreshControls();
}

void PracticeWidget::flipButton_clicked()
{
    if (!questionOpen())
        return;
    flipCard();
}

void PracticeWidget::correctButton_clicked()
{
    if (!questionOpen() || m_session->type() != SessionType::Free)
        return;
    m_session->answer(currentCard(), 1);
    showNextCard();
}

void PracticeWidget::wrongButton_clicked()
{
    if (!questionOpen() || m_session->type() != SessionType::Free)
        return;
    m_session->answer(currentCard(), 0);
    showNextCard();
}

void PracticeWidget::playAudio()
{
    DeckCard* card = currentCard();
    if (!card || m_audioPlayed)
        return;
    Profile* p = profile();
    if (!p || !p->setting(QStringLiteral("playAudioOnRevealCard"), true).toBool())
        return;
    ApplicationServices* services = ApplicationServices::instance();
    if (PinyinPlayer* player = services ? services->pinyinPlayer() : nullptr)
        player->play(card->knowledgeUnit());
    m_audioPlayed = true;
}

void PracticeWidget::actionBar_buttonClicked(QPushButton* button)
{
    ApplicationServices* services = ApplicationServices::instance();
    if (!button || !services)
        return;
    const QString name = button->objectName();
    if (name == QLatin1String("sessionButton")) {
        services->showSessionDialog();
        return;
    }
    DeckCard* card = currentCard();
    KnowledgeUnit* unit = card ? card->knowledgeUnit() : nullptr;
    if (!unit || m_cards[3]->isHidden())
        return;
    if (name == QLatin1String("strokeAnimationButton")) {
        services->showStrokeOrder(unit->simplified());
    } else if (name == QLatin1String("cardPropertiesButton")) {
        services->editCard(card, card->deckId());
        afterCardEdited();
    } else if (name == QLatin1String("searchDictionaryButton")) {
        QString text = setting(QStringLiteral("characterMode"), QStringLiteral("simplified")) ==
                               QLatin1String("simplified")
                           ? unit->simplified()
                           : unit->traditional();
        if (text.isEmpty())
            text = unit->simplified();
        services->searchDictionary(text);
    } else if (name == QLatin1String("listenButton")) {
        if (PinyinPlayer* player = services->pinyinPlayer())
            player->play(unit);
    }
}

// The editor may have changed the card's entry in place (a change of entry resets the session
// instead): the card is painted again, and a multiple-choice question whose answer now reads
// differently gets new options.
void PracticeWidget::afterCardEdited()
{
    DeckCard* card = currentCard();
    if (!card || m_cards[3]->isHidden())
        return;
    m_cards[3]->update();
    KnowledgeUnit* unit = card->knowledgeUnit();
    if (unit && questionOpen() && m_session->type() == SessionType::Mcq &&
        McqOptionBuilder::answerText(unit, m_optionsQuizOn) != m_optionsAnswer) {
        m_prefetched = Prefetched();
        m_options = optionsFor(card);
        setOptionButtons();
    }
    relayout();
}

void PracticeWidget::profile_userSettingChanged(const QString& name)
{
    if (name == QLatin1String("pinyinColorization")) {
        refreshCardPile();
        setOptionTexts();
        relayout();
    } else if (name == QLatin1String("characterMode") || name == QLatin1String("chineseFont")) {
        for (CardWidget* card : m_cards)
            card->update();
        setOptionTexts();
        relayout();
    }
}

void PracticeWidget::refreshCardPile()
{
    if (!m_session)
        return;
    const CardState state = m_session->cardState();
    for (size_t j = 3; j < m_cards.size(); ++j)
        m_cards[j]->setCardState(j == 3 && m_flipped ? allPartsVisible() : state);
    const bool shown = !m_cards[3]->isHidden();
    const int served = m_session->servedInRound();
    const int total = m_session->roundTotal();
    for (int j = 0; j < 3; ++j)
        m_cards[size_t(j)]->setVisible(shown && 3 - j < served);
    for (int j = 4; j < 7; ++j)
        m_cards[size_t(j)]->setVisible(shown && j < total - served + 4);
}

void PracticeWidget::refreshControls()
{
    const bool running = isRunning();
    const SessionType type = m_session ? m_session->type() : SessionType::Mcq;
    const bool cardShown = !m_cards[3]->isHidden();
    const bool hasCard = currentCard() != nullptr;

    QLabel* progress = m_actionBar->label();
    const int remaining = m_session ? m_session->remainingCardCount() : 0;
    progress->setText(translatePlural(QStringLiteral("%1 card remaining (%2/%3)"),
                                      QStringLiteral("%1 cards remaining (%2/%3)"), remaining)
                          .arg(remaining)
                          .arg(m_session ? m_session->servedInRound() : 0)
                          .arg(m_session ? m_session->roundTotal() : 0));
    progress->adjustSize();

    for (int i = 0; i < m_optionButtons.size(); ++i)
        m_optionButtons.at(i)->setVisible(type == SessionType::Mcq && cardShown &&
                                          i < m_options.size());

    // Flipping shows what the current script, pinyin and definition hide.
    const QString mode = setting(QStringLiteral("characterMode"), QStringLiteral("simplified"));
    const CardState shownState = m_cards[3]->cardState();
    const bool somethingHidden = (!shownState.simplifiedVisible && usesSimplified(mode)) ||
                                 (!shownState.traditionalVisible && usesTraditional(mode)) ||
                                 !shownState.pinyinVisible || !shownState.definitionVisible;
    m_flipButton->setEnabled(running && hasCard && somethingHidden);
    m_correctButton->setEnabled(running && hasCard);
    m_wrongButton->setEnabled(running && hasCard);
    const bool selfAssessment = type == SessionType::Free && cardShown;
    m_flipButton->setVisible(selfAssessment);
    m_correctButton->setVisible(selfAssessment);
    m_wrongButton->setVisible(selfAssessment);

    for (const char* name : {"strokeAnimationButton", "cardPropertiesButton",
                             "searchDictionaryButton", "listenButton"})
        m_actionBar->button(QLatin1String(name))->setVisible(cardShown);

    if (m_tiAnswerTextBox) {
        const bool typeIn = type == SessionType::Write && cardShown;
        m_tiAnswerLabel->setVisible(typeIn);
        m_tiAnswerTextBox->setVisible(typeIn);
        m_tiOkButton->setVisible(typeIn);
        m_tiAnswerTextBox->setEnabled(!m_answered);
        m_tiOkButton->setEnabled(!m_tiAnswerTextBox->text().trimmed().isEmpty() && !m_answered);
    }
    if (m_resultLabel) {
        const bool result =
            m_answered && cardShown && (type == SessionType::Mcq || type == SessionType::Write);
        m_resultLabel->setVisible(result);
        m_mcqNextButton->setVisible(result);
        m_mcqNextButton->setEnabled(running);
    }

    m_messageLabel->setVisible(!cardShown);
    if (m_reason == DeckChangeReason)
        m_messageLabel->setText(
            translate(QStringLiteral("The session has been reset because one of the decks was "
                                     "changed or deleted. To restart the session, please click "
                                     "on the \"New Session\" button.")));
    else
        m_messageLabel->setText(
            translate(QStringLiteral(
                          "To start practicing Chinese characters, click on the \"%1\" button."))
                .arg(translate(QStringLiteral("New Session"))));
}

void PracticeWidget::relayout()
{
    refreshControls();
    invalidate();
}

void PracticeWidget::resizeEvent(QResizeEvent* event)
{
    XQWidget::resizeEvent(event);
    setOptionTexts();
    updateLayout();
}

std::array<QRect, 7> PracticeWidget::cardGeometry(const QSize& size, int barHeight)
{
    const int w = size.width();
    const double area = (size.height() - barHeight) * 0.7;
    const double mainSide = area * 0.8;
    const int side = int(mainSide);
    const int side80 = int(mainSide * 0.8);
    const int side70 = int(mainSide * 0.7);
    const int side57 = int(side * 0.57);

    const int mainLeft = (w - side) / 2;
    const int left80 = int(mainLeft - 0.4 * side80);
    const int left70 = int(left80 - 0.3 * side70);
    const int left57 = int(left70 - 0.25 * side57);
    const int down = int((area - mainSide) / 2);

    auto square = [&](int left, int cardSide) {
        return QRect(left, down + (side - cardSide) / 2, cardSide, cardSide);
    };
    // Each right card ends where its left twin begins, counted from the other edge.
    auto mirrored = [&](int left, int cardSide) { return square(w - left - cardSide, cardSide); };
    return {square(left57, side57),  square(left70, side70),   square(left80, side80),
            square(mainLeft, side),  mirrored(left80, side80), mirrored(left70, side70),
            mirrored(left57, side57)};
}

void PracticeWidget::updateLayout()
{
    XQWidget::updateLayout();
    refreshControls();
    const int w = width();
    const int h = height();
    const int bar = m_actionBar->height();

    m_actionBar->setGeometry(0, h - bar, w, bar);
    ActionBarButton* sessionButton = m_actionBar->button(QStringLiteral("sessionButton"));
    m_actionBar->layoutButtons(BarMargin, (bar - sessionButton->effectiveHeight()) / 2,
                               BarButtonGap, 1);
    const int cardButtonsX = BarMargin + sessionButton->effectiveWidth() + BarGroupGap;
    const ActionBarButton* firstCardButton =
        m_actionBar->button(QStringLiteral("strokeAnimationButton"));
    m_actionBar->layoutButtons(cardButtonsX, (bar - firstCardButton->effectiveHeight()) / 2,
                               BarButtonGap, 2);
    QLabel* progress = m_actionBar->label();
    const int marginRight = Style::root()
                                ->section(QStringLiteral("ActionBar"))
                                ->intValue(QStringLiteral("marginRight"));
    progress->move(w - marginRight - progress->width(), (bar - progress->height()) / 2);

    const std::array<QRect, 7> rects = cardGeometry(size(), bar);
    for (size_t i = 0; i < m_cards.size(); ++i)
        m_cards[i]->setGeometry(rects[i]);
    m_background->setGeometry(rect());
    m_background->lower();
    m_messageLabel->setGeometry((w - w / 2) / 2, -bar / 2, w / 2, h);

    const QRect& main = rects[3];
    const int mainBottom = main.top() + main.height() - 1;
    const int free = h - bar - mainBottom;

    // Self-assessment: flip, correct and wrong in one row.
    const QList<XQPushButton*> answerButtons = {m_flipButton, m_correctButton, m_wrongButton};
    int rowWidth = AnswerButtonGap * int(answerButtons.size() - 1);
    for (XQPushButton* button : answerButtons)
        rowWidth += button->effectiveWidth();
    int x = (w - rowWidth) / 2;
    for (XQPushButton* button : answerButtons) {
        const int buttonHeight = button->effectiveHeight();
        button->setGeometry(x, mainBottom + (free - buttonHeight) / 2, button->effectiveWidth(),
                            buttonHeight);
        x += button->effectiveWidth() + AnswerButtonGap;
    }

    // Multiple choice: the options stacked, all starting where the widest is centred.
    int resultTop = mainBottom;
    if (m_session && m_session->type() == SessionType::Mcq && !m_optionButtons.isEmpty()) {
        const int count = qMin(int(m_options.size()), int(m_optionButtons.size()));
        int widest = 0;
        for (int i = 0; i < count; ++i)
            widest = qMax(widest, m_optionButtons.at(i)->effectiveWidth());
        const int optionX = qMax(OptionMargin, (w - widest) / 2);
        const int optionHeight = m_optionButtons.first()->effectiveHeight();
        int y = mainBottom + (free - count * optionHeight) / 2;
        for (int i = 0; i < count; ++i) {
            XQPushButton* button = m_optionButtons.at(i);
            button->setGeometry(optionX, y, button->effectiveWidth(), optionHeight);
            y += optionHeight;
            resultTop = y;
        }
    }

    // Type-in: label, answer box and OK button in one row.
    if (m_session && m_session->type() == SessionType::Write && m_tiAnswerTextBox) {
        const int boxWidth = w / 2;
        const int boxHeight = m_tiOkButton->effectiveHeight();
        m_tiAnswerLabel->adjustSize();
        const int labelWidth = m_tiAnswerLabel->width();
        const int labelHeight = m_tiAnswerLabel->height();
        const int okWidth = m_tiOkButton->effectiveWidth();
        const int row = labelWidth + TypeInGap + boxWidth + TypeInGap + okWidth;
        const int left = (w - row) / 2;
        const int labelTop = mainBottom + (free - boxHeight) / 2;
        const int boxTop = labelTop + (labelHeight - boxHeight) / 2;
        m_tiAnswerLabel->move(left, labelTop);
        m_tiAnswerTextBox->setGeometry(left + labelWidth + TypeInGap, boxTop, boxWidth, boxHeight);
        m_tiOkButton->setGeometry(left + labelWidth + TypeInGap + boxWidth + TypeInGap, boxTop,
                                  okWidth, boxHeight);
        resultTop = boxTop + boxHeight;
    }

    // The result and "Next >>" between the question and the action bar.
    if (m_resultLabel && !m_resultLabel->isHidden()) {
        m_resultLabel->adjustSize();
        const int labelWidth = m_resultLabel->width();
        const int labelHeight = m_resultLabel->height();
        const int nextWidth = m_mcqNextButton->effectiveWidth();
        const int nextHeight = m_mcqNextButton->effectiveHeight();
        const int left = (w - (labelWidth + ResultGap + nextWidth)) / 2;
        const int barTop = h - bar;
        const int centre = (resultTop + barTop) / 2;
        const int labelTop = qMin(centre - labelHeight / 2, barTop - labelHeight);
        m_resultLabel->move(left, labelTop);
        m_mcqNextButton->setGeometry(left + labelWidth + ResultGap,
                                     labelTop + (labelHeight - nextHeight) / 2, nextWidth,
                                     nextHeight);
    }
}

// A key held down, or the second click of a double click, acts once: the repeat would answer
// the question shown next (or skip its result) before the learner has seen it.
bool PracticeWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool confirms = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                              key->key() == Qt::Key_Space;
        if (confirms && key->isAutoRepeat())
            return true;
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        // The second press of the pair has pushed the button down: let it up without a click.
        if (auto* button = qobject_cast<QAbstractButton*>(watched))
            button->setDown(false);
        return true;
    }
    return XQWidget::eventFilter(watched, event);
}

void PracticeWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        XQWidget::keyPressEvent(event);
        return;
    }
    auto available = [](QPushButton* button) {
        return button && !button->isHidden() && button->isEnabled();
    };
    const int key = event->key();
    // Holding a key down answers once, not once per repeat.
    const bool answerKey = key == Qt::Key_A || key == Qt::Key_B || key == Qt::Key_C ||
                           key == Qt::Key_F || key == Qt::Key_W;
    if (answerKey && event->isAutoRepeat()) {
        event->accept();
        return;
    }

    if ((key == Qt::Key_A || key == Qt::Key_B || key == Qt::Key_C) && m_session &&
        m_session->type() == SessionType::Mcq && !m_optionButtons.isEmpty()) {
        XQPushButton* button = m_optionButtons.value(key - Qt::Key_A);
        if (available(button))
            mcqButton_clicked(button);
        event->accept();
        return;
    }

    QPushButton* target = nullptr;
    switch (key) {
    case Qt::Key_F:
        target = m_flipButton;
        break;
    case Qt::Key_W:
        target = m_wrongButton;
        break;
    case Qt::Key_C:
        target = m_correctButton;
        break;
    case Qt::Key_S:
        target = m_actionBar->button(QStringLiteral("strokeAnimationButton"));
        break;
    case Qt::Key_P:
        target = m_actionBar->button(QStringLiteral("cardPropertiesButton"));
        break;
    case Qt::Key_D:
        target = m_actionBar->button(QStringLiteral("searchDictionaryButton"));
        break;
    case Qt::Key_L:
        target = m_actionBar->button(QStringLiteral("listenButton"));
        break;
    default:
        XQWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // A key acts only where its button is offered: C never answers a type-in question.
    if (!available(target))
        return;
    if (target == m_flipButton)
        flipButton_clicked();
    else if (target == m_wrongButton)
        wrongButton_clicked();
    else if (target == m_correctButton)
        correctButton_clicked();
    else
        actionBar_buttonClicked(target);
}

} // namespace korvo
