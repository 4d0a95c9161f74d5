#pragma once

#include "cards/cardstate.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QVector>

class QTimer;

namespace korvo {

class Deck;
class DeckCard;
class Profile;

// How questions are asked: self-assessment, type-in answer or multiple choice.
enum class SessionType { Free = 0, Write = 1, Mcq = 2 };

// Idle after construction, reset and at the start of prepare(); Running after start(); Finished
// once every card of the session has been answered correctly.
enum class SessionStatus { Idle = 0, Running = 1, Finished = 3 };

// The cards of the given decks that a session would use, in deck order without a second card for
// the same knowledge unit; with spaced repetition only the units that are due today; at most
// maxCount of them (-1: no limit), dropping random ones. Folders contribute no cards.
QList<int> selectCards(const QList<Deck*>& decks, int maxCount, bool useSpacedRepetition);
// The same with "now" given: due means due at or before 00:00:00.001 of now's date.
QList<int> selectCards(const QList<Deck*>& decks, int maxCount, bool useSpacedRepetition,
                       const QDateTime& now);
// The number of cards selectCards() would return.
int countCards(const QList<Deck*>& decks, int maxCount, bool useSpacedRepetition);

// The practice session: the chosen decks and question options, the shuffled card list served round
// after round until every card has been answered correctly, and the queue of answers that is
// written to the profile half a second after the last one. The application owns the one session of
// the program; the profile (not owned) must outlive it.
class Session : public QObject
{
    Q_OBJECT

public:
    explicit Session(Profile* profile, QObject* parent = nullptr);
    ~Session() override;

    Profile* profile() const { return m_profile; }

    SessionType type() const { return m_type; }
    void setType(SessionType type) { m_type = type; }
    QString quizOn() const { return m_quizOn; }
    void setQuizOn(const QString& quizOn) { m_quizOn = quizOn; }
    bool useSpacedRepetition() const { return m_useSpacedRepetition; }
    void setUseSpacedRepetition(bool use) { m_useSpacedRepetition = use; }
    int desiredCardCount() const { return m_desiredCardCount; }
    void setDesiredCardCount(int count) { m_desiredCardCount = count; }
    bool useAllCards() const { return m_useAllCards; }
    void setUseAllCards(bool use) { m_useAllCards = use; }
    // Which parts of a card are shown before it is turned over (the four visibility flags are the
    // session's; the other fields keep their defaults).
    CardState cardState() const { return m_cardState; }
    void setCardState(const CardState& state) { m_cardState = state; }
    QList<int> deckIds() const { return m_deckIds; }
    void setDecks(const QList<Deck*>& decks);

    SessionStatus status() const { return m_status; }
    int servedInRound() const { return m_servedInRound; }
    int roundTotal() const { return m_roundTotal; }
    int round() const { return m_round; }
    int remainingCardCount() const;
    QList<int> cardIds() const { return m_cardIds; }

    // Builds the shuffled card list from the chosen decks; the status goes back to Idle.
    void prepare();
    // Prepares a session over these cards instead (those still in the profile, each once),
    // whatever their due dates and the card count option; the decks holding them become the
    // session's decks, so that a change of one of them resets it. The status goes back to Idle.
    void prepareCards(const QList<int>& cardIds);
    void start();
    // The next card not yet answered correctly, starting a new shuffled round after the last
    // position; none when nothing is left or no session was prepared.
    DeckCard* nextCard();
    // The card nextCard() would give now, without serving it; none when nothing is left, when
    // the round would have to start again first (its order is drawn only then), or before
    // prepare().
    DeckCard* upcomingCard() const;
    // Records an answer: 1 is correct, any other value wrong. The answer reaches the profile at
    // most half a second later, together with the answers given meanwhile.
    void answer(DeckCard* card, int result);
    // Writes pending answers, forgets the decks and card list and restores the count options.
    void reset();
    // Answers not yet in the profile: waiting for the timer, or kept after a failed write (they
    // are tried again on every tick of the timer, then every Profile::RetryInterval ms).
    bool hasPendingHistory() const { return !m_history.isEmpty(); }

    // The "session." user settings of the profile.
    void loadSettings();
    void saveSettings();

signals:
    void statusChanged(const QString& reason);

public slots:
    void application_deckCollectionChanged();
    void application_deckCardCollectionChanged(int deckId);
    void saveHistoryItems();

private:
    struct CardProgress
    {
        bool known = false;
    };
    struct HistoryItem
    {
        int cardId = 0;
        float scoreDelta = 0;
        qint64 time = 0;
        // The delta is already in the unit's score in memory (a write of it failed): a second
        // attempt stores the unit as it is instead of adding the delta again.
        bool applied = false;
    };

    static CardState initialCardState();
    void setStatus(SessionStatus status, const QString& reason = QString());
    void shuffleCards();
    // Takes the card list, drops what cannot be asked, shuffles it and starts counting afresh.
    void useCards(const QList<int>& cardIds);
    void dropCardsWithoutAnswer();
    void writeHistory();

    Profile* m_profile = nullptr;
    SessionType m_type = SessionType::Mcq;
    QString m_quizOn = QStringLiteral("simplified");
    QList<int> m_deckIds;
    bool m_useSpacedRepetition = true;
    int m_desiredCardCount = 20;
    bool m_useAllCards = true;
    CardState m_cardState = initialCardState();

    SessionStatus m_status = SessionStatus::Idle;
    QList<int> m_cardIds;
    int m_currentIndex = -2;
    int m_round = 0;
    int m_servedInRound = 0;
    int m_roundTotal = 0;
    QHash<int, CardProgress> m_progress;
    QQueue<HistoryItem> m_history;
    QTimer* m_historyTimer = nullptr;
};

} // namespace korvo
