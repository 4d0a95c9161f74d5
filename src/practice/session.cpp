#include "practice/session.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "practice/typedanswer.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/knowledge.h"
#include "profile/profile.h"
#include "profile/profileevents.h"

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QSqlQuery>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <utility>

namespace korvo {

namespace {

const char* const DeckChangeReason = "deckCollectionChanged";
// Milliseconds between the last answer and its write.
constexpr int HistoryDelay = 500;

// Uniform shuffle driven by the C runtime generator, like every random choice of a session.
void shuffleWithRand(QList<int>& list)
{
    for (int i = list.size() - 1; i > 0; --i) {
        const int j = static_cast<int>(static_cast<unsigned>(std::rand()) % unsigned(i + 1));
        if (i != j)
            list.swapItemsAt(i, j);
    }
}

struct PracticeRecord
{
    float score = 0;
    qint64 lastPracticed = 0;
};

// The stored score and last practice time of the cards' entries, by entry id. Many cards are
// read in one pass over the table, a few by their ids.
QHash<int, PracticeRecord> practiceRecords(const QSqlDatabase& database,
                                           const QList<DeckCard*>& cards)
{
    QHash<int, PracticeRecord> records;
    auto collect = [&records](QSqlQuery& query) {
        if (!query.exec())
            return;
        while (query.next())
            records.insert(query.value(0).toInt(),
                           {query.value(1).toFloat(), query.value(2).toLongLong()});
    };
    const QString select =
        QStringLiteral("SELECT id, score, lastTimePracticed FROM KnowledgeUnits");
    constexpr int WholeTable = 1000;
    if (cards.size() >= WholeTable) {
        QSqlQuery query(database);
        query.setForwardOnly(true);
        query.prepare(select);
        collect(query);
        return records;
    }
    QStringList marks;
    for (int i = 0; i < cards.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(select + QStringLiteral(" WHERE id IN (%1)").arg(marks.join(QLatin1Char(','))));
    for (DeckCard* card : cards)
        query.addBindValue(card->kuId());
    collect(query);
    return records;
}

} // namespace

QList<int> selectCards(const QList<Deck*>& decks, int maxCount, bool useSpacedRepetition,
                       const QDateTime& now)
{
    // Cards of all decks in deck order, the first card of each knowledge unit only.
    QList<DeckCard*> cards;
    QSet<int> seenUnits;
    for (Deck* deck : decks) {
        if (!deck || deck->isFolder())
            continue;
        const QList<DeckCard*> deckCards = deck->cards();
        for (DeckCard* card : deckCards) {
            if (!card)
                continue;
            if (seenUnits.contains(card->kuId()))
                continue;
            seenUnits.insert(card->kuId());
            cards.append(card);
        }
    }

    if (useSpacedRepetition) {
        // A unit is due when its due moment is at or before one millisecond past midnight. Only
        // the score and the practice time decide, so they are read for all cards in a few
        // batched queries instead of loading every entry (a first count over all the built-in
        // decks would otherwise build thousands of entries).
        const QDateTime startOfToday(now.date(), QTime(0, 0, 0, 1), now.timeSpec());
        const qint64 limit = startOfToday.toMSecsSinceEpoch();
        Profile* profile = cards.isEmpty() ? nullptr : cards.first()->profile();
        const QHash<int, PracticeRecord> records =
            profile ? practiceRecords(profile->database(), cards) : QHash<int, PracticeRecord>();
        QList<DeckCard*> due;
        due.reserve(cards.size());
        for (DeckCard* card : std::as_const(cards)) {
            const auto record = records.constFind(card->kuId());
            // An entry that is not stored (yet) is read from the card itself.
            const bool isDue = record != records.constEnd()
                                   ? Knowledge::isDue(record->score, record->lastPracticed, limit)
                                   : Knowledge::isDue(card->knowledgeUnit(), limit);
            if (isDue)
                due.append(card);
        }
        cards = due;
    }

    QList<int> ids;
    ids.reserve(cards.size());
    for (DeckCard* card : std::as_const(cards))
        ids.append(card->id());

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    if (maxCount >= 0) {
        while (ids.size() > maxCount)
            ids.removeAt(
                static_cast<int>(static_cast<unsigned>(std::rand()) % unsigned(ids.size())));
    }
    return ids;
}

QList<int> selectCards(const QList<Deck*>& decks, int maxCount, bool useSpacedRepetition)
{
    return selectCards(decks, maxCount, useSpacedRepetition, QDateTime::currentDateTime());
}

int countCards(const QList<Deck*>& decks, int maxCount, bool useSpacedRepetition)
{
    return selectCards(decks, maxCount, useSpacedRepetition).size();
}

CardState Session::initialCardState()
{
    CardState state;
    state.simplifiedVisible = true;
    state.traditionalVisible = true;
    state.pinyinVisible = false;
    state.definitionVisible = false;
    return state;
}

Session::Session(Profile* profile, QObject* parent) : QObject(parent), m_profile(profile)
{
    m_historyTimer = new QTimer(this);
    m_historyTimer->setInterval(HistoryDelay);
    connect(m_historyTimer, &QTimer::timeout, this, &Session::saveHistoryItems);
    // The profile raises the deck changes the application relays; listening to it directly keeps
    // the session free of the application object.
    if (m_profile) {
        connect(m_profile, &Profile::deckCollectionChanged, this,
                &Session::application_deckCollectionChanged);
        if (m_profile->events())
            connect(m_profile->events(), &ProfileEvents::deckCardCollectionChanged, this,
                    &Session::application_deckCardCollectionChanged);
    }
    reset();
}

Session::~Session()
{
    writeHistory();
    delete m_historyTimer;
}

void Session::setDecks(const QList<Deck*>& decks)
{
    m_deckIds.clear();
    for (Deck* deck : decks) {
        if (deck)
            m_deckIds.append(deck->id());
    }
}

int Session::remainingCardCount() const
{
    int count = 0;
    for (auto it = m_progress.cbegin(); it != m_progress.cend(); ++it) {
        if (!it.value().known)
            ++count;
    }
    return count;
}

void Session::setStatus(SessionStatus status, const QString& reason)
{
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged(reason);
}

void Session::shuffleCards()
{
    shuffleWithRand(m_cardIds);
}

void Session::prepare()
{
    QList<Deck*> decks;
    for (int id : std::as_const(m_deckIds)) {
        if (Deck* deck = m_profile ? m_profile->deckById(id) : nullptr)
            decks.append(deck);
    }
    useCards(selectCards(decks, m_useAllCards ? -1 : m_desiredCardCount, m_useSpacedRepetition));
}

void Session::prepareCards(const QList<int>& cardIds)
{
    m_deckIds.clear();
    QList<int> ids;
    if (m_profile && !cardIds.isEmpty()) {
        // Cards are found once their deck has read its cards: the decks of the given ones read
        // them first.
        QStringList marks;
        for (int i = 0; i < cardIds.size(); ++i)
            marks << QStringLiteral("?");
        QSqlQuery query(m_profile->database());
        query.prepare(QStringLiteral("SELECT DISTINCT deckId FROM Cards WHERE id IN (%1)")
                          .arg(marks.join(QLatin1Char(','))));
        for (int id : cardIds)
            query.addBindValue(id);
        if (query.exec()) {
            while (query.next()) {
                if (Deck* deck = m_profile->deckById(query.value(0).toInt()))
                    deck->cards();
            }
        }
        QSet<int> seen;
        for (int id : cardIds) {
            DeckCard* card = m_profile->deckCardById(id);
            if (!card || seen.contains(id))
                continue;
            seen.insert(id);
            ids.append(id);
            if (!m_deckIds.contains(card->deckId()))
                m_deckIds.append(card->deckId());
        }
    }
    useCards(ids);
}

void Session::useCards(const QList<int>& cardIds)
{
    setStatus(SessionStatus::Idle);
    m_servedInRound = 0;
    m_round = 0;
    m_cardIds = cardIds;
    if (m_type == SessionType::Write)
        dropCardsWithoutAnswer();
    shuffleCards();

    m_progress.clear();
    for (int id : std::as_const(m_cardIds))
        m_progress.insert(id, CardProgress());
    m_roundTotal = m_cardIds.size();
    m_currentIndex = -1;
}

// A type-in question on a field the card lacks could never be answered correctly, and the
// session would never end: such cards are not asked.
void Session::dropCardsWithoutAnswer()
{
    m_cardIds.erase(
        std::remove_if(
            m_cardIds.begin(), m_cardIds.end(),
            [this](int id) {
                DeckCard* card = m_profile->deckCardById(id);
                return card &&
                       typedAnswerField(card->knowledgeUnit(), m_quizOn).trimmed().isEmpty();
            }),
        m_cardIds.end());
}

void Session::start()
{
    setStatus(SessionStatus::Running);
}

DeckCard* Session::nextCard()
{
    if (m_currentIndex < -1 || remainingCardCount() <= 0 || m_cardIds.isEmpty() || !m_profile)
        return nullptr;

    // Cards deleted since the selection are skipped. If every card still to be answered has gone,
    // two full passes find nothing and the search gives up instead of looping forever.
    DeckCard* card = nullptr;
    const int maxSteps = 2 * m_cardIds.size() + 1;
    for (int step = 0; step < maxSteps && !card; ++step) {
        ++m_currentIndex;
        if (m_currentIndex >= m_cardIds.size()) {
            ++m_round;
            m_currentIndex = 0;
            m_servedInRound = 0;
            m_roundTotal = remainingCardCount();
            shuffleCards();
        }
        DeckCard* candidate = m_profile->deckCardById(m_cardIds.at(m_currentIndex));
        if (candidate && !m_progress.value(candidate->id()).known)
            card = candidate;
    }
    if (!card)
        return nullptr;
    ++m_servedInRound;
    return card;
}

DeckCard* Session::upcomingCard() const
{
    if (m_currentIndex < -1 || remainingCardCount() <= 0 || !m_profile)
        return nullptr;
    for (int i = m_currentIndex + 1; i < m_cardIds.size(); ++i) {
        DeckCard* candidate = m_profile->deckCardById(m_cardIds.at(i));
        if (candidate && !m_progress.value(candidate->id()).known)
            return candidate;
    }
    return nullptr;
}

void Session::answer(DeckCard* card, int result)
{
    if (!card)
        return;
    float delta = result == 1 ? 1.0f : -1.0f;
    if (m_round > 0)
        delta = delta / static_cast<float>(m_round + 1);

    if (result == 1) {
        auto it = m_progress.find(card->id());
        if (it != m_progress.end())
            it->known = true;
    }
    if (remainingCardCount() <= 0)
        setStatus(SessionStatus::Finished);

    HistoryItem item;
    item.cardId = card->id();
    item.scoreDelta = delta;
    item.time = static_cast<qint64>(std::time(nullptr));
    m_history.enqueue(item);

    // The first answer of a run starts the countdown and later ones join its batch: restarting
    // it on every answer would keep a steady run of quick answers (a learner pressing C every
    // 400 ms) in memory indefinitely, all of it lost if the program were killed.
    // A timer waiting to try a failed write again is brought forward to the usual delay.
    if (!m_historyTimer->isActive() || m_historyTimer->interval() != HistoryDelay) {
        m_historyTimer->setInterval(HistoryDelay);
        m_historyTimer->start();
    }
}

void Session::saveHistoryItems()
{
    if (m_history.isEmpty()) {
        m_historyTimer->stop();
        return;
    }
    writeHistory();
}

void Session::writeHistory()
{
    if (m_history.isEmpty() || !m_profile)
        return;
    QSqlDatabase database = m_profile->database();
    // Inside another writer's transaction (an import that may still be rolled back) the answers
    // wait for the next tick instead of joining it.
    if (transactionDepth(database) > 0) {
        if (!m_historyTimer->isActive())
            m_historyTimer->start();
        return;
    }
    // One commit for the whole queue: a quick run of answers costs a single sync, and even a
    // single answer writes two rows (its history row and the unit's score) that must not be
    // split by a crash. A failed write is rolled back whole and the queue is kept for the next
    // attempt.
    beginTransaction(database);
    bool ok = true;
    QQueue<HistoryItem> kept;
    while (!m_history.isEmpty()) {
        HistoryItem item = m_history.dequeue();
        DeckCard* card = m_profile->deckCardById(item.cardId);
        if (!card)
            continue;
        // The history row needs the unit's id: an answer for a card whose unit cannot be loaded any
        // more is dropped entirely.
        KnowledgeUnit* unit = card->knowledgeUnit();
        if (!unit)
            continue;
        if (!item.applied) {
            float score = unit->score() + item.scoreDelta;
            if (score < 0)
                score = 0;
            unit->setScore(score);
            unit->setLastTimePracticed(item.time);
            item.applied = true;
        }
        kept.enqueue(item);
        if (!ok)
            continue;
        if (!m_profile->knowledge()->addHistory(card, item.scoreDelta >= 0 ? 1 : 0, item.time) ||
            !m_profile->dictionary()->saveKnowledgeUnit(unit))
            ok = false;
    }
    if (Profile::finishTransaction(database, ok)) {
        m_historyTimer->setInterval(HistoryDelay);
        m_profile->noteWriteSuccess();
        return;
    }
    m_history = kept;
    m_historyTimer->setInterval(Profile::RetryInterval);
    m_historyTimer->start();
    m_profile->noteWriteFailure(QString());
}

void Session::reset()
{
    writeHistory();
    // Answers kept after a failed write are tried again by the timer.
    if (m_history.isEmpty())
        m_historyTimer->stop();
    m_deckIds.clear();
    m_progress.clear();
    m_cardIds.clear();
    m_currentIndex = -2;
    m_servedInRound = 0;
    m_roundTotal = 0;
    m_round = 0;
    m_desiredCardCount = 20;
    m_useAllCards = true;
    m_useSpacedRepetition = true;
}

void Session::application_deckCardCollectionChanged(int deckId)
{
    if (!m_deckIds.contains(deckId))
        return;
    reset();
    setStatus(SessionStatus::Idle, QLatin1String(DeckChangeReason));
}

void Session::application_deckCollectionChanged()
{
    if (!m_profile)
        return;
    bool missing = false;
    for (int i = m_deckIds.size() - 1; i >= 0 && !missing; --i)
        missing = m_profile->deckById(m_deckIds.at(i)) == nullptr;
    if (!missing)
        return;
    reset();
    setStatus(SessionStatus::Idle, QLatin1String(DeckChangeReason));
}

void Session::loadSettings()
{
    if (!m_profile)
        return;
    Profile* p = m_profile;
    QList<Deck*> decks;
    const QStringList ids =
        p->setting(QStringLiteral("session.deckIds"), QStringList()).toStringList();
    for (const QString& text : ids) {
        bool ok = false;
        const int id = text.toInt(&ok);
        if (!ok)
            continue;
        if (Deck* deck = p->deckById(id))
            decks.append(deck);
    }

    CardState state = initialCardState();
    state.simplifiedVisible =
        p->setting(QStringLiteral("session.cardState.simplifiedVisible"), true).toBool();
    state.traditionalVisible =
        p->setting(QStringLiteral("session.cardState.traditionalVisible"), true).toBool();
    state.pinyinVisible =
        p->setting(QStringLiteral("session.cardState.pinyinVisible"), false).toBool();
    state.definitionVisible =
        p->setting(QStringLiteral("session.cardState.definitionVisible"), false).toBool();

    const int type = p->setting(QStringLiteral("session.type"), 2).toInt();
    // A stored value outside the three known types falls back to the default.
    m_type = type >= 0 && type <= 2 ? static_cast<SessionType>(type) : SessionType::Mcq;
    m_useAllCards = p->setting(QStringLiteral("session.useAllCards"), true).toBool();
    m_cardState = state;
    setDecks(decks);
    m_desiredCardCount = p->setting(QStringLiteral("session.desiredCardCount"), 20).toInt();
    m_useSpacedRepetition =
        p->setting(QStringLiteral("session.useSpacedRepetition"), true).toBool();
    const QString quizOn =
        p->setting(QStringLiteral("session.typeData.quizOn"), QStringLiteral("simplified"))
            .toString();
    m_quizOn = quizOn.trimmed().isEmpty() ? QStringLiteral("simplified") : quizOn;
}

void Session::saveSettings()
{
    if (!m_profile)
        return;
    Profile* p = m_profile;
    p->setSetting(QStringLiteral("session.cardState.simplifiedVisible"),
                  m_cardState.simplifiedVisible);
    p->setSetting(QStringLiteral("session.cardState.traditionalVisible"),
                  m_cardState.traditionalVisible);
    p->setSetting(QStringLiteral("session.cardState.pinyinVisible"), m_cardState.pinyinVisible);
    p->setSetting(QStringLiteral("session.cardState.definitionVisible"),
                  m_cardState.definitionVisible);
    p->setSetting(QStringLiteral("session.useAllCards"), m_useAllCards);
    p->setSetting(QStringLiteral("session.desiredCardCount"), m_desiredCardCount);
    p->setSetting(QStringLiteral("session.useSpacedRepetition"), m_useSpacedRepetition);
    QStringList ids;
    for (int id : std::as_const(m_deckIds))
        ids.append(QString::number(id));
    p->setSetting(QStringLiteral("session.deckIds"), ids);
    p->setSetting(QStringLiteral("session.typeData.quizOn"), m_quizOn);
    p->setSetting(QStringLiteral("session.type"), static_cast<int>(m_type));
}

} // namespace korvo
