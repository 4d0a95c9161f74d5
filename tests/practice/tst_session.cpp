#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "practice/session.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/knowledge.h"
#include "profile/profile.h"
#include "profile/profileevents.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <memory>

using namespace korvo;

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void intervalTableIsThePrintedOne();
    void dueTimeFollowsRoundedScore_data();
    void dueTimeFollowsRoundedScore();
    void dueTimeOfExtremeValues_data();
    void dueTimeOfExtremeValues();
    void dueComparisonIsExact_data();
    void dueComparisonIsExact();
    void farFuturePracticeIsNeverDue();
    void sharedUnitGivesOneCard();
    void dueBoundaryIsJustAfterMidnight_data();
    void dueBoundaryIsJustAfterMidnight();
    void trimmingKeepsRequestedCount_data();
    void trimmingKeepsRequestedCount();
    void foldersContributeNoCards();
    void answersMoveScoreByShrinkingSteps();
    void wrongFirstAnswerNeverGoesBelowZero();
    void lastCorrectAnswerFinishes();
    void wrongAnswerStartsNewRound();
    void quickAnswersAreOneTransaction_data();
    void quickAnswersAreOneTransaction();
    void sessionOverChosenCards_data();
    void sessionOverChosenCards();
    void deckChangeResetsOnlyItsSessions();
    void removedDeckResetsSession();
    void nextCardSkipsDeletedCardsWithoutHanging();
    void settingsRoundTrip();
    void settingsDropUnknownDecksAndBlankQuiz();

private:
    Deck* makeDeck(const QString& title);
    DeckCard* addCard(Deck* deck, const QString& simplified, float score = 0,
                      qint64 lastPracticed = 0);
    KnowledgeUnit* storedUnit(const QString& simplified, float score, qint64 lastPracticed);
    int count(const QString& table);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
};

void TestSession::initTestCase()
{
    initPinyinTables();
}

void TestSession::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile = profiletest::openEmptyProfile(m_dir->path());
    QVERIFY(m_profile);
    QVERIFY(m_profile->database().isOpen());
}

void TestSession::cleanup()
{
    m_profile.reset();
    m_dir.reset();
}

Deck* TestSession::makeDeck(const QString& title)
{
    return profiletest::makeStoredDeck(m_profile.get(), title);
}

KnowledgeUnit* TestSession::storedUnit(const QString& simplified, float score, qint64 lastPracticed)
{
    auto* unit = new KnowledgeUnit;
    unit->setType(2);
    unit->setSimplified(simplified);
    unit->setPinyin(QStringLiteral("ni3"));
    unit->setScore(score);
    unit->setLastTimePracticed(lastPracticed);
    m_profile->dictionary()->saveKnowledgeUnit(unit);
    return unit;
}

DeckCard* TestSession::addCard(Deck* deck, const QString& simplified, float score,
                               qint64 lastPracticed)
{
    return deck->addKnowledgeUnit(storedUnit(simplified, score, lastPracticed));
}

int TestSession::count(const QString& table)
{
    return profiletest::rowCount(m_profile->database(), table);
}

void TestSession::intervalTableIsThePrintedOne()
{
    const QVector<int> printed = {
        1,     3,     6,     10,    16,    23,    31,    40,    51,    64,    78,    94,    112,
        131,   153,   177,   203,   231,   261,   294,   330,   368,   410,   454,   502,   553,
        608,   666,   729,   795,   866,   941,   1021,  1106,  1196,  1292,  1394,  1502,  1616,
        1736,  1864,  2000,  2142,  2294,  2453,  2622,  2800,  2988,  3186,  3396,  3617,  3849,
        4095,  4354,  4626,  4914,  5216,  5535,  5871,  6224,  6597,  6988,  7401,  7835,  8292,
        8772,  9278,  9810,  10369, 10958, 11577, 12227, 12912, 13631, 14388, 15183, 16020, 16898,
        17822, 18794, 19814, 20887, 22014, 23199, 24444, 25752, 27127, 28571, 30089, 31683, 33358,
        35118, 36967, 38909, 40950, 43093, 45345, 47710, 50195};
    QCOMPARE(Knowledge::intervals().size(), 99);
    QCOMPARE(Knowledge::intervals(), printed);
}

void TestSession::dueTimeFollowsRoundedScore_data()
{
    QTest::addColumn<float>("score");
    QTest::addColumn<qint64>("days");
    QTest::newRow("never below the first interval") << -3.0f << qint64(1);
    QTest::newRow("score 0") << 0.0f << qint64(1);
    QTest::newRow("score 1") << 1.0f << qint64(1);
    QTest::newRow("1.49 rounds down") << 1.49f << qint64(1);
    QTest::newRow("1.5 rounds up") << 1.5f << qint64(3);
    QTest::newRow("score 3") << 3.0f << qint64(6);
    QTest::newRow("score 99") << 99.0f << qint64(50195);
    QTest::newRow("score 150 uses the last interval") << 150.0f << qint64(50195);
}

void TestSession::dueTimeFollowsRoundedScore()
{
    QFETCH(float, score);
    QFETCH(qint64, days);
    const qint64 practised = 1700000000;
    QCOMPARE(Knowledge::dueTime(score, practised), practised + days * 86400);
    KnowledgeUnit unit;
    unit.setScore(score);
    unit.setLastTimePracticed(practised);
    QCOMPARE(Knowledge::dueTime(&unit), practised + days * 86400);
}

void TestSession::dueTimeOfExtremeValues_data()
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    QTest::addColumn<float>("score");
    QTest::addColumn<qint64>("practised");
    QTest::addColumn<qint64>("due");
    // Scores that do not fit an integer pick an interval without being converted to one.
    QTest::newRow("huge score") << 1e30f << qint64(0) << qint64(50195) * 86400;
    QTest::newRow("largest float")
        << std::numeric_limits<float>::max() << qint64(0) << qint64(50195) * 86400;
    QTest::newRow("infinite score") << infinity << qint64(0) << qint64(50195) * 86400;
    QTest::newRow("negative infinite score") << -infinity << qint64(0) << qint64(86400);
    // Nothing is known about a NaN score: the card is due as soon as possible.
    QTest::newRow("NaN score") << std::numeric_limits<float>::quiet_NaN() << qint64(0)
                               << qint64(86400);
    // The sum saturates instead of wrapping round to a date long past.
    QTest::newRow("last practice at the 64-bit end") << 1.0f << max << max;
    QTest::newRow("sum just beyond the end") << 99.0f << max - 86400 << max;
    QTest::newRow("sum just at the end") << 1.0f << max - 86400 << max;
    QTest::newRow("far past") << 1.0f << min << min + 86400;
}

void TestSession::dueTimeOfExtremeValues()
{
    QFETCH(float, score);
    QFETCH(qint64, practised);
    QFETCH(qint64, due);
    QCOMPARE(Knowledge::dueTime(score, practised), due);
}

void TestSession::dueComparisonIsExact_data()
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    QTest::addColumn<qint64>("practised");
    QTest::addColumn<qint64>("now");
    QTest::addColumn<bool>("due");
    // Score 1: due one day (86400 s) after the last practice.
    QTest::newRow("at the due millisecond") << qint64(0) << qint64(86400000) << true;
    QTest::newRow("one millisecond before") << qint64(0) << qint64(86399999) << false;
    QTest::newRow("before 1970, due one second before") << qint64(-86401) << qint64(-1) << true;
    QTest::newRow("before 1970, due at 0") << qint64(-86400) << qint64(-1) << false;
    // A due time above 9.2e15 s has no 64-bit millisecond count; it lies after every moment.
    QTest::newRow("due beyond the millisecond range") << qint64(9300000000000000) << max << false;
    QTest::newRow("due at the 64-bit end") << max << max << false;
    QTest::newRow("both at the far past") << min << min << true;
    QTest::newRow("far past, now") << min << qint64(1700000000000) << true;
}

void TestSession::dueComparisonIsExact()
{
    QFETCH(qint64, practised);
    QFETCH(qint64, now);
    QFETCH(bool, due);
    QCOMPARE(Knowledge::isDue(1.0f, practised, now), due);
    KnowledgeUnit unit;
    unit.setScore(1);
    unit.setLastTimePracticed(practised);
    QCOMPARE(Knowledge::isDue(&unit, now), due);
}

void TestSession::farFuturePracticeIsNeverDue()
{
    // Practice times a damaged profile may hold: the due moment times 1000 used to overflow and
    // such cards came up at once.
    Deck* deck = makeDeck("future");
    DeckCard* beyondMilliseconds = addCard(deck, QStringLiteral("一"), 1, 9300000000000000);
    DeckCard* atTheEnd = addCard(deck, QStringLiteral("二"), 1, std::numeric_limits<qint64>::max());
    DeckCard* huge = addCard(deck, QStringLiteral("三"), 1e30f, 1700000000);
    DeckCard* ordinary = addCard(deck, QStringLiteral("四"), 1, 1700000000);
    const QDateTime now(QDate(2024, 3, 14), QTime(15, 30));
    const QList<int> ids = selectCards({deck}, -1, true, now);
    QVERIFY(!ids.contains(beyondMilliseconds->id()));
    QVERIFY(!ids.contains(atTheEnd->id()));
    QVERIFY(!ids.contains(huge->id()));
    QVERIFY(ids.contains(ordinary->id()));
}

void TestSession::sharedUnitGivesOneCard()
{
    Deck* first = makeDeck("first");
    Deck* second = makeDeck("second");
    KnowledgeUnit* shared = storedUnit(QStringLiteral("中"), 0, 0);
    DeckCard* own = addCard(second, QStringLiteral("国"));
    DeckCard* sharedInSecond = second->addKnowledgeUnit(shared);
    DeckCard* sharedInFirst = first->addKnowledgeUnit(shared);

    const QList<int> ids = selectCards({first, second}, -1, false);
    QCOMPARE(ids, (QList<int>{sharedInFirst->id(), own->id()}));
    QVERIFY(!ids.contains(sharedInSecond->id()));
    QCOMPARE(countCards({first, second}, -1, false), 2);
    // The other deck order keeps the other card for the shared unit.
    QCOMPARE(selectCards({second, first}, -1, false),
             (QList<int>{own->id(), sharedInSecond->id()}));
}

void TestSession::dueBoundaryIsJustAfterMidnight_data()
{
    QTest::addColumn<int>("daysAgo");
    QTest::addColumn<QTime>("practisedAt");
    QTest::addColumn<float>("score");
    QTest::addColumn<bool>("due");
    QTest::newRow("yesterday 10:00, score 1: due at 10:00 today, left out")
        << 1 << QTime(10, 0) << 1.0f << false;
    QTest::newRow("two days ago 10:00, score 1: included") << 2 << QTime(10, 0) << 1.0f << true;
    QTest::newRow("yesterday midnight exactly: due at 00:00:00.000")
        << 1 << QTime(0, 0) << 1.0f << true;
    QTest::newRow("yesterday one second past midnight") << 1 << QTime(0, 0, 1) << 1.0f << false;
    QTest::newRow("today with score 0 is like score 1") << 0 << QTime(0, 0) << 0.0f << false;
    QTest::newRow("score 2 two days ago: due tomorrow") << 2 << QTime(0, 0) << 2.0f << false;
    QTest::newRow("score 2 three days ago: due today") << 3 << QTime(0, 0) << 2.0f << true;
}

void TestSession::dueBoundaryIsJustAfterMidnight()
{
    QFETCH(int, daysAgo);
    QFETCH(QTime, practisedAt);
    QFETCH(float, score);
    QFETCH(bool, due);
    const QDateTime now(QDate(2024, 3, 14), QTime(15, 30));
    const QDateTime practised(now.date().addDays(-daysAgo), practisedAt);
    Deck* deck = makeDeck("due");
    DeckCard* card = addCard(deck, QStringLiteral("好"), score, practised.toSecsSinceEpoch());
    DeckCard* never = addCard(deck, QStringLiteral("新"), 5, 0);

    const QList<int> ids = selectCards({deck}, -1, true, now);
    QCOMPARE(ids.contains(card->id()), due);
    QVERIFY(ids.contains(never->id()));
    // Without spaced repetition every card takes part.
    QCOMPARE(selectCards({deck}, -1, false, now).size(), 2);
    // The next day the unit practised yesterday at 10:00 is due.
    if (daysAgo == 1 && practisedAt == QTime(10, 0))
        QVERIFY(selectCards({deck}, -1, true, now.addDays(1)).contains(card->id()));
}

void TestSession::trimmingKeepsRequestedCount_data()
{
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<int>("expected");
    QTest::newRow("no limit") << -1 << 5;
    QTest::newRow("zero gives an empty session") << 0 << 0;
    QTest::newRow("two of five") << 2 << 2;
    QTest::newRow("more than available keeps all") << 50 << 5;
}

void TestSession::trimmingKeepsRequestedCount()
{
    QFETCH(int, maxCount);
    QFETCH(int, expected);
    Deck* deck = makeDeck("trim");
    QList<int> all;
    for (int i = 0; i < 5; ++i)
        all.append(addCard(deck, QString::number(i))->id());
    const QList<int> ids = selectCards({deck}, maxCount, false);
    QCOMPARE(ids.size(), expected);
    // What remains is in the original order, without repeats.
    int last = -1;
    for (int id : ids) {
        QVERIFY(all.indexOf(id) > last);
        last = all.indexOf(id);
    }
}

void TestSession::foldersContributeNoCards()
{
    Deck* folder = m_profile->newDeck();
    folder->setFolder(true);
    folder->setTitle("folder");
    m_profile->saveDeck(folder, false, true);
    Deck* deck = makeDeck("inside");
    folder->addChild(deck);
    addCard(deck, QStringLiteral("一"));
    QCOMPARE(selectCards({folder}, -1, false).size(), 0);
    QCOMPARE(selectCards({folder, deck}, -1, false).size(), 1);
}

void TestSession::answersMoveScoreByShrinkingSteps()
{
    Deck* deck = makeDeck("score");
    DeckCard* card = addCard(deck, QStringLiteral("三"), 2.0f);
    Session session(m_profile.get());
    session.setDecks({deck});
    session.setUseSpacedRepetition(false);
    session.prepare();
    session.start();

    // Pass 1 wrong (-1), pass 2 wrong (-1/2), pass 3 right (+1/3).
    QCOMPARE(session.nextCard(), card);
    session.answer(card, 0);
    QCOMPARE(session.nextCard(), card);
    QCOMPARE(session.round(), 1);
    session.answer(card, 0);
    QCOMPARE(session.nextCard(), card);
    QCOMPARE(session.round(), 2);
    session.answer(card, 1);
    session.saveHistoryItems();

    KnowledgeUnit* unit = card->knowledgeUnit();
    QVERIFY(qAbs(unit->score() - (2.0f - 1.0f - 0.5f + 1.0f / 3.0f)) < 1e-5);
    QVERIFY(qAbs(unit->lastTimePracticed() - QDateTime::currentSecsSinceEpoch()) < 5);
    QSqlQuery query(m_profile->database());
    QVERIFY(
        query.exec("SELECT score FROM KnowledgeUnits WHERE id = " + QString::number(unit->id())));
    QVERIFY(query.next());
    QVERIFY(qAbs(query.value(0).toDouble() - unit->score()) < 1e-5);
    QVERIFY(query.exec("SELECT result FROM Knowledge ORDER BY id"));
    QList<int> results;
    while (query.next())
        results.append(query.value(0).toInt());
    QCOMPARE(results, (QList<int>{0, 0, 1}));
}

void TestSession::wrongFirstAnswerNeverGoesBelowZero()
{
    Deck* deck = makeDeck("low");
    DeckCard* high = addCard(deck, QStringLiteral("高"), 3.0f);
    DeckCard* low = addCard(deck, QStringLiteral("低"), 0.5f);
    Session session(m_profile.get());
    session.setDecks({deck});
    session.setUseSpacedRepetition(false);
    session.prepare();
    session.start();
    for (int i = 0; i < 2; ++i)
        session.answer(session.nextCard(), 0);
    session.saveHistoryItems();
    QCOMPARE(high->knowledgeUnit()->score(), 2.0f);
    QCOMPARE(low->knowledgeUnit()->score(), 0.0f);
}

void TestSession::lastCorrectAnswerFinishes()
{
    Deck* deck = makeDeck("finish");
    addCard(deck, QStringLiteral("一"));
    addCard(deck, QStringLiteral("二"));
    Session session(m_profile.get());
    session.setDecks({deck});
    session.setUseSpacedRepetition(false);
    session.prepare();
    QSignalSpy spy(&session, &Session::statusChanged);
    session.start();
    QCOMPARE(session.status(), SessionStatus::Running);
    QCOMPARE(spy.count(), 1);
    session.start();
    QCOMPARE(spy.count(), 1); // no change, no signal
    session.answer(session.nextCard(), 1);
    QCOMPARE(session.status(), SessionStatus::Running);
    QCOMPARE(session.remainingCardCount(), 1);
    session.answer(session.nextCard(), 1);
    QCOMPARE(session.status(), SessionStatus::Finished);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().at(0).toString(), QString());
    QCOMPARE(session.nextCard(), nullptr);
}

void TestSession::wrongAnswerStartsNewRound()
{
    Deck* deck = makeDeck("rounds");
    for (int i = 0; i < 3; ++i)
        addCard(deck, QString::number(i));
    Session session(m_profile.get());
    session.setDecks({deck});
    session.setUseSpacedRepetition(false);
    session.prepare();
    session.start();
    QCOMPARE(session.roundTotal(), 3);
    DeckCard* wrong = session.nextCard();
    session.answer(wrong, 0);
    session.answer(session.nextCard(), 1);
    session.answer(session.nextCard(), 1);
    QCOMPARE(session.servedInRound(), 3);
    QCOMPARE(session.status(), SessionStatus::Running);
    QCOMPARE(session.nextCard(), wrong);
    QCOMPARE(session.round(), 1);
    QCOMPARE(session.roundTotal(), 1);
    QCOMPARE(session.servedInRound(), 1);
}

void TestSession::quickAnswersAreOneTransaction_data()
{
    QTest::addColumn<int>("answers");
    // A single answer writes two rows too (history and score): one commit either way.
    QTest::newRow("one answer") << 1;
    QTest::newRow("three answers") << 3;
}

void TestSession::quickAnswersAreOneTransaction()
{
    QFETCH(int, answers);
    Deck* deck = makeDeck("batch");
    for (int i = 0; i < answers; ++i)
        addCard(deck, QString::number(i));
    Session session(m_profile.get());
    session.setDecks({deck});
    session.setUseSpacedRepetition(false);
    session.prepare();
    session.start();

    profiletest::CommitCounter commits(m_profile->database());
    QVERIFY(commits.isInstalled());

    QList<int> answered, expectedResults;
    for (int i = 0; i < answers; ++i) {
        DeckCard* card = session.nextCard();
        answered.append(card->id());
        session.answer(card, i == 1 ? 0 : 1);
        expectedResults.append(i == 1 ? 0 : 1);
    }
    QCOMPARE(count("Knowledge"), 0); // nothing is written at once
    QTRY_COMPARE_WITH_TIMEOUT(count("Knowledge"), answers, 3000);
    QCOMPARE(commits.count(), 1);

    QSqlQuery query(m_profile->database());
    QVERIFY(query.exec("SELECT cardId, deckId, result FROM Knowledge ORDER BY id"));
    QList<int> cards, results;
    while (query.next()) {
        cards.append(query.value(0).toInt());
        QCOMPARE(query.value(1).toInt(), deck->id());
        results.append(query.value(2).toInt());
    }
    QCOMPARE(cards, answered);
    QCOMPARE(results, expectedResults);
}

void TestSession::sessionOverChosenCards_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("self-assessment") << int(SessionType::Free);
    QTest::newRow("type-in leaves out what it cannot ask") << int(SessionType::Write);
}

void TestSession::sessionOverChosenCards()
{
    QFETCH(int, type);
    Deck* first = makeDeck("first");
    Deck* second = makeDeck("second");
    Deck* third = makeDeck("third");
    // Not due for months, and more cards than the count option allows.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const int a = addCard(first, QStringLiteral("甲"), 30, now)->id();
    const int b = addCard(second, QStringLiteral("乙"), 30, now)->id();
    const int blank = addCard(second, QString())->id();
    addCard(third, QStringLiteral("丙"));
    const QList<int> deckIds = {first->id(), second->id()};
    // Read again, so that no deck has read its cards yet.
    m_profile.reset();
    m_profile = profiletest::openProfile(m_dir->path(), m_dir->filePath("Profile.template.db"));

    Session session(m_profile.get());
    session.setType(SessionType(type));
    session.setUseAllCards(false);
    session.setDesiredCardCount(1);
    session.prepareCards({b, a, blank, a, 9999});
    QList<int> ids = session.cardIds();
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids, (type == int(SessionType::Write) ? QList<int>{a, b} : QList<int>{a, b, blank}));
    QList<int> decks = session.deckIds();
    std::sort(decks.begin(), decks.end());
    QCOMPARE(decks, deckIds);
    QCOMPARE(session.status(), SessionStatus::Idle);

    session.start();
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    while (DeckCard* card = session.nextCard())
        session.answer(card, 1);
    QCOMPARE(session.status(), SessionStatus::Finished);
    session.saveHistoryItems();
    QSqlQuery query(m_profile->database());
    QVERIFY(query.exec("SELECT cardId, answerTime FROM Knowledge"));
    int rows = 0;
    while (query.next()) {
        ++rows;
        QVERIFY(ids.contains(query.value(0).toInt()));
        QVERIFY(query.value(1).toLongLong() >= before);
        QVERIFY(query.value(1).toLongLong() <= QDateTime::currentSecsSinceEpoch());
    }
    QCOMPARE(rows, int(ids.size()));

    // A change to one of the cards' decks ends it like any session.
    session.prepareCards({a});
    QCOMPARE(session.deckIds(), QList<int>{deckIds.first()});
    session.start();
    addCard(m_profile->deckById(deckIds.first()), QStringLiteral("新"));
    QCOMPARE(session.status(), SessionStatus::Idle);
    QCOMPARE(session.nextCard(), nullptr);
}

void TestSession::deckChangeResetsOnlyItsSessions()
{
    Deck* used = makeDeck("used");
    Deck* other = makeDeck("other");
    addCard(used, QStringLiteral("用"));
    Session session(m_profile.get());
    session.setDecks({used});
    session.setUseSpacedRepetition(false);
    session.setDesiredCardCount(7);
    session.prepare();
    session.start();
    QSignalSpy spy(&session, &Session::statusChanged);

    addCard(other, QStringLiteral("别"));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(session.deckIds(), QList<int>{used->id()});
    QCOMPARE(session.status(), SessionStatus::Running);

    addCard(used, QStringLiteral("新"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toString(), QStringLiteral("deckCollectionChanged"));
    QCOMPARE(session.status(), SessionStatus::Idle);
    QVERIFY(session.deckIds().isEmpty());
    QCOMPARE(session.desiredCardCount(), 20);
    QVERIFY(session.useSpacedRepetition());
    QCOMPARE(session.nextCard(), nullptr);
}

void TestSession::removedDeckResetsSession()
{
    Deck* kept = makeDeck("kept");
    Deck* removed = makeDeck("removed");
    Session session(m_profile.get());
    session.setDecks({kept, removed});
    session.prepare();
    session.start();
    QSignalSpy spy(&session, &Session::statusChanged);
    makeDeck("unrelated");
    QCOMPARE(spy.count(), 0);
    QCOMPARE(session.deckIds().size(), 2);
    m_profile->deleteDeck(removed->id());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toString(), QStringLiteral("deckCollectionChanged"));
    QVERIFY(session.deckIds().isEmpty());
}

void TestSession::nextCardSkipsDeletedCardsWithoutHanging()
{
    Deck* deck = makeDeck("vanish");
    DeckCard* first = addCard(deck, QStringLiteral("一"));
    DeckCard* second = addCard(deck, QStringLiteral("二"));
    const int firstId = first->id();
    Session session(m_profile.get());
    session.setDecks({deck});
    session.setUseSpacedRepetition(false);
    session.prepare();
    session.start();
    // Delete the card behind the session's back (no change report reaches it). The deck lets
    // go of it too: a card disposed while its deck still lists it is freed by the next registry
    // lookup and then written to when the deck is disposed.
    {
        const QSignalBlocker quiet(m_profile->events());
        deck->deleteCard(firstId);
    }
    DeckCard* served = session.nextCard();
    QCOMPARE(served, second);
    session.answer(served, 1);
    QCOMPARE(session.remainingCardCount(),
             1); // the vanished card is never answered
    QCOMPARE(session.nextCard(), nullptr);
    session.saveHistoryItems();
    QSqlQuery query(m_profile->database());
    QVERIFY(
        query.exec("SELECT COUNT(*) FROM Knowledge WHERE cardId = " + QString::number(firstId)));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 0);
}

void TestSession::settingsRoundTrip()
{
    Deck* a = makeDeck("a");
    Deck* b = makeDeck("b");
    {
        Session session(m_profile.get());
        session.setDecks({b, a});
        session.setType(SessionType::Write);
        session.setQuizOn(QStringLiteral("pinyin"));
        session.setUseSpacedRepetition(false);
        session.setDesiredCardCount(35);
        session.setUseAllCards(false);
        CardState state = session.cardState();
        state.simplifiedVisible = false;
        state.definitionVisible = true;
        session.setCardState(state);
        session.saveSettings();
    }
    Session loaded(m_profile.get());
    QCOMPARE(loaded.type(), SessionType::Mcq);
    QVERIFY(loaded.deckIds().isEmpty());
    loaded.loadSettings();
    QCOMPARE(loaded.deckIds(), (QList<int>{b->id(), a->id()}));
    QCOMPARE(loaded.type(), SessionType::Write);
    QCOMPARE(loaded.quizOn(), QStringLiteral("pinyin"));
    QVERIFY(!loaded.useSpacedRepetition());
    QCOMPARE(loaded.desiredCardCount(), 35);
    QVERIFY(!loaded.useAllCards());
    QVERIFY(!loaded.cardState().simplifiedVisible);
    QVERIFY(loaded.cardState().traditionalVisible);
    QVERIFY(!loaded.cardState().pinyinVisible);
    QVERIFY(loaded.cardState().definitionVisible);
}

void TestSession::settingsDropUnknownDecksAndBlankQuiz()
{
    Deck* a = makeDeck("a");
    m_profile->setSetting(QStringLiteral("session.deckIds"),
                          QStringList{"x", QString::number(a->id()), "9999", "", "-4"});
    m_profile->setSetting(QStringLiteral("session.typeData.quizOn"), QStringLiteral("   "));
    Session session(m_profile.get());
    session.loadSettings();
    QCOMPARE(session.deckIds(), QList<int>{a->id()});
    QCOMPARE(session.quizOn(), QStringLiteral("simplified"));
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
