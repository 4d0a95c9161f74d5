#include "practice/session.h"
#include "profile/deck.h"
#include "profile/knowledge.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "statistics/localcalendar.h"
#include "statistics/practicestatistics.h"
#include "statistics/statisticstable.h"
#include "text/pinyin.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace korvo;

namespace {

// A profile file written row by row with SQL: decks, units, cards and answers at given times.
class History
{
public:
    History() : m_path(m_dir.filePath(QStringLiteral("Profile.db"))) {}
    ~History()
    {
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }

    void deck(int id, const QString& title, int parent = 0, bool folder = false)
    {
        m_rows << QStringLiteral("INSERT INTO Decks (id, title, parentId, isFolder, sortOrder) "
                                 "VALUES (%1, '%2', %3, %4, %1)")
                      .arg(id)
                      .arg(title)
                      .arg(parent)
                      .arg(folder ? 1 : 0);
    }
    // A card with a unit of its own (id = card id unless shared).
    void card(int id, int deckId, double score = 0, qint64 practiced = 0, int kuId = 0)
    {
        const int unit = kuId > 0 ? kuId : id;
        if (!m_units.contains(unit)) {
            m_units.insert(unit);
            m_rows << QStringLiteral("INSERT INTO KnowledgeUnits (id, simplified, pinyin, score, "
                                     "lastTimePracticed) VALUES (%1, '字%1', 'zi4', %2, %3)")
                          .arg(unit)
                          .arg(score)
                          .arg(practiced);
        }
        m_cards.insert(id, {deckId, unit});
        m_rows << QStringLiteral("INSERT INTO Cards (id, deckId, kuId, sortOrder) VALUES "
                                 "(%1, %2, %3, %1)")
                      .arg(id)
                      .arg(deckId)
                      .arg(unit);
    }
    // An answer to a card (deck and unit as the card has them); no time when `time` < 0.
    void answer(int cardId, int result, qint64 time, int times = 1)
    {
        const auto card = m_cards.value(cardId, {99, cardId});
        for (int i = 0; i < times; ++i)
            m_rows << QStringLiteral("INSERT INTO Knowledge (kuId, cardId, deckId, result, "
                                     "answerTime) VALUES (%1, %2, %3, %4, %5)")
                          .arg(card.second)
                          .arg(cardId)
                          .arg(card.first)
                          .arg(result)
                          .arg(time < 0 ? QStringLiteral("NULL") : QString::number(time));
    }
    void sql(const QString& statement) { m_rows << statement; }

    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    QSqlDatabase database()
    {
        if (!m_database.isOpen()) {
            // One commit for all the rows.
            if (!profiletest::createTemplate(m_path, QStringList{"BEGIN"} << m_rows << "COMMIT"))
                return QSqlDatabase();
            m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
            m_database.setDatabaseName(m_path);
            m_database.open();
        }
        return m_database;
    }
    StatisticsReport report(const QDateTime& now, StatisticsRange range = StatisticsRange::Week,
                            int deckId = PracticeStatistics::AllDecks,
                            const QTimeZone& zone = QTimeZone::utc())
    {
        return PracticeStatistics(database(), LocalCalendar(zone)).report(deckId, range, now);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_connection = QStringLiteral("statistics-test");
    QSqlDatabase m_database;
    QStringList m_rows;
    QSet<int> m_units;
    QHash<int, std::pair<int, int>> m_cards;
};

qint64 utc(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toSecsSinceEpoch();
}

QDateTime utcDate(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
}

// "date correct/wrong" for every day with answers.
QStringList answeredDays(const StatisticsReport& report)
{
    QStringList days;
    for (const DayAnswers& day : report.days) {
        if (day.answers() > 0)
            days << QStringLiteral("%1 %2/%3")
                        .arg(day.date.toString(Qt::ISODate))
                        .arg(day.correct)
                        .arg(day.wrong);
    }
    return days;
}

const char* const Now = "2024-06-15T12:00:00Z";

// Runs quillet-cli; its exit status, or -1 when it did not finish.
int runCli(const QStringList& arguments, QByteArray* output = nullptr, QByteArray* errors = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(QUILLET_DATA_DIR "/../quillet-cli"), arguments);
    if (!process.waitForFinished(60000))
        return -1;
    if (output)
        *output = process.readAllStandardOutput();
    if (errors)
        *errors = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The figures of a report the way quillet-cli writes them as JSON.
QJsonObject figuresOf(const StatisticsReport& report)
{
    return QJsonObject{{"streak", report.streak},
                       {"answers", report.answers},
                       {"correct", report.correct},
                       {"untimedAnswers", report.untimedAnswers},
                       {"cards", report.cards},
                       {"dueToday", report.dueToday()},
                       {"today", report.today.toString(Qt::ISODate)}};
}

} // namespace

// The figures of the statistics screen over generated histories, checked against what was put
// into the file and, for due cards, against the session's own choice of cards.
class TestPracticeStatistics : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void daysFollowTheLearnersTimeZone_data();
    void daysFollowTheLearnersTimeZone();
    void rangesCoverTheirDaysAndUntimedAnswersOnlyAllTime_data();
    void rangesCoverTheirDaysAndUntimedAnswersOnlyAllTime();
    void streakCountsDaysInARow_data();
    void streakCountsDaysInARow();
    void dueCardsAreTheOnesASessionWouldTake();
    void scoreBandsPerDeckInTreeOrder();
    void aFolderCountsItsDecksOnly();
    void hardestCardsHaveTheMostWrongAnswers();
    void emptyProfileGivesZeros();
    void tablesGroupLongRangesByMonth();
    void csvQuotesAndDefusesFields_data();
    void csvQuotesAndDefusesFields();
    void commandLinePrintsTheSameFigures();
    void commandLineRefusesWhatItCannotRead_data();
    void commandLineRefusesWhatItCannotRead();
};

void TestPracticeStatistics::initTestCase()
{
    initPinyinTables();
}

void TestPracticeStatistics::daysFollowTheLearnersTimeZone_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QStringList>("answers"); // UTC moment, then "+" (correct) or "-"
    QTest::addColumn<QStringList>("days");
    QTest::addColumn<QList<int>>("hours"); // local hours with answers, in order, once each

    QTest::newRow("UTC midnight") << QByteArray("UTC") << "2024-06-15T12:00:00Z"
                                  << QStringList{"2024-06-13T23:59:59Z +", "2024-06-14T00:00:00Z -",
                                                 "2024-06-14T00:30:00Z +"}
                                  << QStringList{"2024-06-13 1/0", "2024-06-14 1/1"}
                                  << QList<int>{0, 23};
    QTest::newRow("half an hour off UTC")
        << QByteArray("Asia/Kolkata") << "2024-06-15T12:00:00Z"
        << QStringList{"2024-06-13T18:29:59Z +", "2024-06-13T18:30:00Z +"}
        << QStringList{"2024-06-13 1/0", "2024-06-14 1/0"} << QList<int>{0, 23};
    // Clocks go forward on 31 March at 01:00 UTC: that day has 23 hours.
    QTest::newRow("spring forward")
        << QByteArray("Europe/Berlin") << "2024-04-02T12:00:00Z"
        << QStringList{"2024-03-30T22:59:59Z -", "2024-03-30T23:00:00Z +", "2024-03-31T21:59:59Z +",
                       "2024-03-31T22:00:00Z -"}
        << QStringList{"2024-03-30 0/1", "2024-03-31 2/0", "2024-04-01 0/1"} << QList<int>{0, 23};
    // Clocks go back on 3 November at 06:00 UTC: that day has 25 hours.
    QTest::newRow("fall back") << QByteArray("America/New_York") << "2024-11-05T12:00:00Z"
                               << QStringList{"2024-11-03T03:59:59Z +", "2024-11-03T04:00:00Z +",
                                              "2024-11-04T04:59:59Z -", "2024-11-04T05:00:00Z +"}
                               << QStringList{"2024-11-02 1/0", "2024-11-03 1/1", "2024-11-04 1/0"}
                               << QList<int>{0, 23};
}

void TestPracticeStatistics::daysFollowTheLearnersTimeZone()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, now);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, days);
    QFETCH(QList<int>, hours);
    const QTimeZone timeZone(zone);
    QVERIFY2(timeZone.isValid(), zone.constData());
    History history;
    history.deck(1, QStringLiteral("Words"));
    history.card(1, 1);
    const LocalCalendar calendar(timeZone);
    for (const QString& answer : answers) {
        const qint64 time = utc(qPrintable(answer.section(' ', 0, 0)));
        history.answer(1, answer.endsWith('+') ? 1 : 0, time);
    }
    const StatisticsReport report =
        history.report(QDateTime::fromString(now, Qt::ISODate), StatisticsRange::Week,
                       PracticeStatistics::AllDecks, timeZone);
    QCOMPARE(answeredDays(report), days);
    QList<int> answeredHours;
    for (int hour = 0; hour < 24; ++hour) {
        if (report.hours[size_t(hour)] > 0)
            answeredHours << hour;
    }
    QCOMPARE(answeredHours, hours);
    QCOMPARE(report.answers, int(answers.size()));
    // The database's days are the calendar's.
    for (const QString& answer : answers) {
        const qint64 time = utc(qPrintable(answer.section(' ', 0, 0)));
        QVERIFY(days.join(' ').contains(calendar.dateOf(time).toString(Qt::ISODate)));
    }
}

void TestPracticeStatistics::rangesCoverTheirDaysAndUntimedAnswersOnlyAllTime_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<QString>("firstDay");
    QTest::addColumn<int>("answers");
    QTest::addColumn<int>("correct");
    QTest::addColumn<int>("untimed");

    // Answers (see below): today 2+ 1-, 6 days ago 1+, 7 days ago 1-, 29 days ago 1+,
    // 1 July 2023 1+, 30 June 2023 1-, 1 March 2023 2-, and 3 without a time (2+ 1-).
    QTest::newRow("7 days") << int(StatisticsRange::Week) << "2024-06-09" << 4 << 3 << 0;
    QTest::newRow("30 days") << int(StatisticsRange::Month) << "2024-05-17" << 6 << 4 << 0;
    QTest::newRow("12 months") << int(StatisticsRange::Year) << "2023-07-01" << 7 << 5 << 0;
    QTest::newRow("all time") << int(StatisticsRange::AllTime) << "2023-03-01" << 13 << 7 << 3;
}

void TestPracticeStatistics::rangesCoverTheirDaysAndUntimedAnswersOnlyAllTime()
{
    QFETCH(int, range);
    QFETCH(QString, firstDay);
    QFETCH(int, answers);
    QFETCH(int, correct);
    QFETCH(int, untimed);
    History history;
    history.deck(1, QStringLiteral("Words"));
    history.card(1, 1);
    const qint64 noon = utc(Now);
    history.answer(1, 1, noon - 3600, 2);
    history.answer(1, 0, noon);
    history.answer(1, 1, noon - 6 * 86400 - 12 * 3600); // 00:00 on the 9th
    history.answer(1, 0, noon - 6 * 86400 - 12 * 3600 - 1);
    history.answer(1, 1, noon - 29 * 86400);
    history.answer(1, 1, utc("2023-07-01T00:00:00Z"));
    history.answer(1, 0, utc("2023-06-30T23:59:59Z"));
    history.answer(1, 0, utc("2023-03-01T10:00:00Z"), 2);
    history.answer(1, 1, -1, 2);
    history.answer(1, 0, -1);
    // An answer from tomorrow (a clock set wrong) is in no range's days.
    history.answer(1, 1, noon + 86400);

    const StatisticsReport report = history.report(utcDate(Now), StatisticsRange(range));
    QCOMPARE(report.days.first().date.toString(Qt::ISODate), firstDay);
    QCOMPARE(report.days.last().date, QDate(2024, 6, 15));
    QCOMPARE(report.days.size(),
             int(QDate::fromString(firstDay, Qt::ISODate).daysTo(QDate(2024, 6, 15))) + 1);
    // All time also counts what has no day: the untimed answers and the one from tomorrow.
    const int tomorrow = StatisticsRange(range) == StatisticsRange::AllTime ? 1 : 0;
    QCOMPARE(report.answers, answers + tomorrow);
    QCOMPARE(report.correct, correct + tomorrow);
    QCOMPARE(report.untimedAnswers, untimed);
    int inDays = 0;
    for (const DayAnswers& day : report.days)
        inDays += day.answers();
    QCOMPARE(inDays, answers - untimed);
    int inHours = 0;
    for (int count : report.hours)
        inHours += count;
    QCOMPARE(inHours, answers - untimed);
}

void TestPracticeStatistics::streakCountsDaysInARow_data()
{
    QTest::addColumn<QList<int>>("daysAgo");
    QTest::addColumn<int>("streak");
    QTest::newRow("never practised") << QList<int>{} << 0;
    QTest::newRow("today only") << QList<int>{0} << 1;
    QTest::newRow("not yet today") << QList<int>{1, 2} << 2;
    QTest::newRow("a gap ends it") << QList<int>{0, 1, 3, 4, 5} << 2;
    QTest::newRow("two days ago is over") << QList<int>{2, 3} << 0;
    QList<int> long70, window, broken;
    for (int i = 0; i < 70; ++i)
        long70 << i;
    for (int i = 1; i <= 64; ++i)
        window << i;
    for (int i = 0; i < 130; ++i) {
        if (i != 64)
            broken << i;
    }
    QTest::newRow("longer than a query window") << long70 << 70;
    QTest::newRow("a whole window up to yesterday") << window << 64;
    QTest::newRow("the gap just past a window") << broken << 64;
}

void TestPracticeStatistics::streakCountsDaysInARow()
{
    QFETCH(QList<int>, daysAgo);
    QFETCH(int, streak);
    History history;
    history.deck(1, QStringLiteral("Words"));
    history.card(1, 1);
    // Late in the evening of each day, so that a day boundary error would show.
    for (int days : daysAgo)
        history.answer(1, 1, utc("2024-06-15T23:59:00Z") - days * 86400);
    history.answer(1, 1, -1, 3);
    QCOMPARE(history.report(utcDate(Now)).streak, streak);
}

void TestPracticeStatistics::dueCardsAreTheOnesASessionWouldTake()
{
    History history;
    history.deck(1, QStringLiteral("A"));
    history.deck(2, QStringLiteral("B"));
    const qint64 midnight = utc("2024-06-15T00:00:00Z");
    // Scores and practice times around the due boundaries; unit 3 is in both decks.
    const QList<std::pair<double, qint64>> units = {
        {0, 0},                           // new: due
        {1, midnight - 86400},            // 1 day after yesterday's midnight: today
        {1, midnight - 86400 + 1},        // a second later: tomorrow
        {2, midnight},                    // 3 days
        {3, midnight - 3600},             // 6 days, at 23:00: due the next midnight
        {6.4, midnight - 20 * 86400},     // 23 days after 20 days ago: in 3 days
        {6.5, midnight},                  // 31 days: beyond the 30
        {1.49, midnight + 12 * 3600},     // practised today at noon: in 2 days
        {-2, midnight - 3 * 86400},       // a negative score counts as 0: overdue
        {40, midnight - 10000 * 86400.0}, // long overdue
    };
    for (int i = 0; i < units.size(); ++i)
        history.card(i + 1, i % 2 == 0 ? 1 : 2, units.at(i).first, units.at(i).second);
    history.card(20, 2, 0, 0, 3);
    // A card whose unit is missing counts as due, as in a session.
    history.sql(QStringLiteral("INSERT INTO Cards (id, deckId, kuId) VALUES (21, 1, 500)"));

    const QDateTime now = utcDate(Now);
    const StatisticsReport report = history.report(now);
    QCOMPARE(report.due.size(), PracticeStatistics::DueDays);
    QCOMPARE(report.due.first().date, QDate(2024, 6, 15));
    QList<int> counts;
    for (const DueDay& day : report.due)
        counts << day.cards;
    QList<int> expected(30, 0);
    expected[0] = 5;
    expected[1] = 1;
    expected[2] = 1;
    expected[3] = 2;
    expected[6] = 1;
    QCOMPARE(counts, expected);
    QCOMPARE(report.dueToday(), 5);

    // The session, asked on each of the days, takes as many cards as came due by then.
    auto profile = profiletest::openProfile(history.folder(), QString());
    QList<Deck*> decks;
    profile->collectDecks(decks, false);
    QCOMPARE(decks.size(), 2);
    int dueByThen = 0;
    for (int day = 0; day < PracticeStatistics::DueDays; ++day) {
        dueByThen += counts.at(day);
        QCOMPARE(selectCards(decks, -1, true, now.addDays(day)).size(), dueByThen);
    }
}

void TestPracticeStatistics::scoreBandsPerDeckInTreeOrder()
{
    History history;
    history.deck(1, QStringLiteral("Second"));
    history.deck(2, QStringLiteral("{HSK_1}"));
    history.sql(QStringLiteral("UPDATE Decks SET sortOrder = 0 WHERE id = 2"));
    const qint64 practiced = utc("2024-06-01T10:00:00Z");
    history.card(1, 1, 0, 0);            // new
    history.card(2, 1, 0, practiced);    // answered wrong: learning
    history.card(3, 1, 2.49, practiced); // learning
    history.card(4, 1, 2.5, practiced);  // known
    history.card(5, 2, 6.49, practiced); // known
    history.card(6, 2, 6.5, practiced);  // mastered
    history.card(7, 2, 12, 0);           // a score without a practice time: mastered
    const StatisticsReport report = history.report(utcDate(Now));
    QCOMPARE(report.decks.size(), 2);
    QCOMPARE(report.decks.at(0).title, QStringLiteral("HSK Elementary (Level 1)"));
    QCOMPARE(report.decks.at(0).cards, (std::array<int, 4>{0, 0, 1, 2}));
    QCOMPARE(report.decks.at(1).title, QStringLiteral("Second"));
    QCOMPARE(report.decks.at(1).cards, (std::array<int, 4>{1, 2, 1, 0}));
    QCOMPARE(report.cards, 7);
    QCOMPARE(report.cardsInBand(ScoreBand::Known), 2);
    // The thresholds are where the interval reaches 6 and 31 days.
    QCOMPARE(Knowledge::dueTime(float(KnownFromScore), 0) / 86400, qint64(6));
    QCOMPARE(Knowledge::dueTime(float(KnownFromScore) - 0.01f, 0) / 86400, qint64(3));
    QCOMPARE(Knowledge::dueTime(float(MasteredFromScore), 0) / 86400, qint64(31));
    QCOMPARE(Knowledge::dueTime(float(MasteredFromScore) - 0.01f, 0) / 86400, qint64(23));
}

void TestPracticeStatistics::aFolderCountsItsDecksOnly()
{
    History history;
    history.deck(1, QStringLiteral("Folder"), 0, true);
    history.deck(2, QStringLiteral("Inner"), 1);
    history.deck(3, QStringLiteral("Sub"), 1, true);
    history.deck(4, QStringLiteral("Deepest"), 3);
    history.deck(5, QStringLiteral("Outside"));
    for (int card : {2, 4, 5})
        history.card(card, card);
    const qint64 noon = utc(Now);
    history.answer(2, 1, noon);
    history.answer(4, 0, noon, 2);
    history.answer(5, 1, noon, 4);
    history.answer(4, 1, -1);
    // Answers in a deck deleted since count for all decks only.
    history.answer(77, 1, noon, 8);

    const StatisticsReport folder = history.report(utcDate(Now), StatisticsRange::AllTime, 1);
    QCOMPARE(folder.answers, 4);
    QCOMPARE(folder.correct, 2);
    QCOMPARE(folder.untimedAnswers, 1);
    QCOMPARE(folder.cards, 2);
    QCOMPARE(folder.decks.size(), 2);
    QCOMPARE(folder.decks.at(0).title, QStringLiteral("Inner"));
    QCOMPARE(folder.decks.at(1).title, QStringLiteral("Deepest"));
    QCOMPARE(folder.hardest.size(), 1);
    QCOMPARE(folder.hardest.first().cardId, 4);

    const StatisticsReport deck = history.report(utcDate(Now), StatisticsRange::Week, 5);
    QCOMPARE(deck.answers, 4);
    QCOMPARE(deck.cards, 1);
    QCOMPARE(deck.dueToday(), 1);

    const StatisticsReport all = history.report(utcDate(Now), StatisticsRange::Week);
    QCOMPARE(all.answers, 15);
    QCOMPARE(all.cards, 3);
    QCOMPARE(all.dueToday(), 3);
    QCOMPARE(all.decks.size(), 3);

    // A deck that is gone has nothing.
    const StatisticsReport gone = history.report(utcDate(Now), StatisticsRange::AllTime, 77);
    QCOMPARE(gone.answers, 0);
    QCOMPARE(gone.cards, 0);
}

void TestPracticeStatistics::hardestCardsHaveTheMostWrongAnswers()
{
    History history;
    history.deck(1, QStringLiteral("Words"));
    const qint64 noon = utc(Now);
    for (int card = 1; card <= 14; ++card) {
        history.card(card, 1);
        // Card n has n wrong answers this week, and card 1 many right ones.
        history.answer(card, 0, noon - card * 60, card);
    }
    history.answer(1, 1, noon, 20);
    history.answer(2, 0, noon - 20 * 86400, 30); // long ago: only in 30 days and longer
    history.answer(12, 0, noon);                 // 13 wrong of 13: before card 13's 13 of 14
    history.answer(13, 1, noon);
    history.answer(14, 0, -1, 2);    // without a time: all time only
    history.answer(15, 0, noon, 50); // a card deleted since is no longer offered

    auto ids = [](const StatisticsReport& report) {
        QList<int> list;
        for (const HardCard& card : report.hardest)
            list << card.cardId;
        return list;
    };
    const StatisticsReport week = history.report(utcDate(Now));
    QCOMPARE(ids(week), (QList<int>{14, 12, 13, 11, 10, 9, 8, 7, 6, 5}));
    QCOMPARE(week.hardest.first().wrong, 14);
    QCOMPARE(week.hardest.first().answers, 14);
    QCOMPARE(week.hardest.first().simplified, QStringLiteral("字14"));
    QCOMPARE(week.hardest.first().deckId, 1);

    const StatisticsReport month = history.report(utcDate(Now), StatisticsRange::Month);
    QCOMPARE(month.hardest.first().cardId, 2);
    QCOMPARE(month.hardest.first().wrong, 32);
    QCOMPARE(month.hardest.first().answers, 32);
    const StatisticsReport all = history.report(utcDate(Now), StatisticsRange::AllTime);
    QCOMPARE(ids(all), (QList<int>{2, 14, 12, 13, 11, 10, 9, 8, 7, 6}));
    QCOMPARE(all.hardest.at(1).wrong, 16);
}

void TestPracticeStatistics::emptyProfileGivesZeros()
{
    History history;
    for (int range = 0; range < 4; ++range) {
        const StatisticsReport report = history.report(utcDate(Now), StatisticsRange(range));
        QCOMPARE(report.answers, 0);
        QCOMPARE(report.correctRate(), 0.0);
        QCOMPARE(report.streak, 0);
        QCOMPARE(report.cards, 0);
        QCOMPARE(report.dueToday(), 0);
        QCOMPARE(report.due.size(), PracticeStatistics::DueDays);
        QVERIFY(report.decks.isEmpty());
        QVERIFY(report.hardest.isEmpty());
        QCOMPARE(report.days.last().date, QDate(2024, 6, 15));
    }
    QCOMPARE(history.report(utcDate(Now), StatisticsRange::AllTime).days.size(), 1);
}

void TestPracticeStatistics::tablesGroupLongRangesByMonth()
{
    History history;
    history.deck(1, QStringLiteral("Words"));
    history.card(1, 1);
    history.answer(1, 1, utc("2023-07-01T08:00:00Z"), 3);
    history.answer(1, 0, utc("2023-07-31T08:00:00Z"));
    history.answer(1, 1, utc("2024-06-15T08:00:00Z"));
    const QLocale locale(QLocale::English);
    const StatisticsTable year =
        answersTable(history.report(utcDate(Now), StatisticsRange::Year), locale);
    QCOMPARE(year.rows.size(), 12);
    QCOMPARE(year.rows.first().key, QStringLiteral("2023-07"));
    QCOMPARE(year.rows.first().label, QStringLiteral("Jul 23"));
    QCOMPARE(year.rows.at(1).label, QStringLiteral("Aug"));
    QCOMPARE(year.rows.at(6).label, QStringLiteral("Jan 24"));
    QCOMPARE(year.rows.first().tip(), QStringLiteral("July 2023"));
    QCOMPARE(year.rows.first().values, (QVector<double>{3, 1, 75}));
    QCOMPARE(year.rows.last().values, (QVector<double>{1, 0, 100}));
    const StatisticsTable week = answersTable(history.report(utcDate(Now)), locale);
    QCOMPARE(week.rows.size(), 7);
    QCOMPARE(week.rows.last().key, QStringLiteral("2024-06-15"));
    // A day without answers has no correct rate.
    QCOMPARE(week.rows.at(0).values.mid(0, 2), (QVector<double>{0, 0}));
    QVERIFY(std::isnan(week.rows.at(0).values.at(2)));
    QVERIFY(week.toCsv().contains("\r\n2024-06-09,0,0,\r\n"));
    QVERIFY(week.toCsv().endsWith("2024-06-15,1,0,100\r\n"));
}

void TestPracticeStatistics::csvQuotesAndDefusesFields_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << "HSK 1"
                           << "HSK 1,2,0.5";
    QTest::newRow("comma") << "a, b"
                           << "\"a, b\",2,0.5";
    QTest::newRow("quote") << "say \"hi\""
                           << "\"say \"\"hi\"\"\",2,0.5";
    QTest::newRow("line break") << "two\nlines"
                                << "\"two\nlines\",2,0.5";
    QTest::newRow("formula") << "=HYPERLINK(\"x\")"
                             << "\"'=HYPERLINK(\"\"x\"\")\",2,0.5";
    QTest::newRow("plus") << "+1"
                          << "'+1,2,0.5";
    QTest::newRow("at sign") << "@sum"
                             << "'@sum,2,0.5";
    QTest::newRow("Chinese") << "我的词"
                             << "我的词,2,0.5";
}

void TestPracticeStatistics::csvQuotesAndDefusesFields()
{
    QFETCH(QString, key);
    QFETCH(QString, line);
    StatisticsTable table;
    table.columns = {QStringLiteral("Deck"), QStringLiteral("Count, all"), QStringLiteral("Share")};
    table.rows.append({key, key, {2, 0.5}});
    QCOMPARE(table.toCsv(), "Deck,\"Count, all\",Share\r\n" + line + "\r\n");
}

void TestPracticeStatistics::commandLinePrintsTheSameFigures()
{
    History history;
    history.deck(1, QStringLiteral("Folder"), 0, true);
    history.deck(2, QStringLiteral("我的词"), 1);
    history.deck(3, QStringLiteral("Other"));
    history.card(1, 2, 3, 0);
    history.card(2, 2);
    history.card(3, 3);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    history.answer(1, 1, now - 3600, 3);
    history.answer(2, 0, now - 86400 - 60, 2);
    history.answer(3, 1, now - 40 * 86400);
    history.answer(2, 1, -1);
    history.database();

    for (const QString& range : {"7d", "all"}) {
        StatisticsRange chosen;
        QVERIFY(rangeFromKey(range, &chosen));
        // The day may turn while the command runs: its figures are those of before or after.
        const StatisticsReport before =
            history.report(QDateTime::currentDateTime(), chosen, 2, QTimeZone::systemTimeZone());
        QByteArray output;
        QCOMPARE(runCli({"stats", "--profile", history.path(), "--deck", "我的词", "--range", range,
                         "--json"},
                        &output),
                 0);
        const StatisticsReport after =
            history.report(QDateTime::currentDateTime(), chosen, 2, QTimeZone::systemTimeZone());
        QJsonObject printed = QJsonDocument::fromJson(output).object();
        QCOMPARE(printed.value("deck").toString(), QStringLiteral("我的词"));
        QCOMPARE(printed.value("range").toString(), range);
        QCOMPARE(printed.value("hardest").toArray().first().toObject().value("cardId").toInt(), 2);
        QCOMPARE(printed.value("days").toArray().size(), int(after.days.size()));
        QJsonObject figures;
        for (const QString& key : figuresOf(after).keys())
            figures.insert(key, printed.value(key));
        QVERIFY2(figures == figuresOf(after) || figures == figuresOf(before),
                 QJsonDocument(figures).toJson().constData());
        QCOMPARE(figures.value("answers").toInt(), range == "7d" ? 5 : 6);
    }

    // As text, for all decks over 30 days.
    QByteArray text;
    QCOMPARE(runCli({"stats", "--profile", history.folder()}, &text), 0);
    const QString lines = QString::fromUtf8(text);
    QVERIFY2(lines.contains("Decks: All decks\n"), qPrintable(lines));
    QVERIFY2(lines.contains("Answers: 5, correct: 3 (60%)\n"), qPrintable(lines));
    QVERIFY2(lines.contains("\nDeck\tNew cards\tLearning\tKnown\tMastered\n我的词\t1\t0\t1\t0\n"),
             qPrintable(lines));
}

void TestPracticeStatistics::commandLineRefusesWhatItCannotRead_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1 is the profile file
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown range") << QStringList{"--range", "5d"} << 2 << "--range is one of";
    QTest::newRow("unknown option") << QStringList{"--days", "5"} << 2 << "unknown option";
    QTest::newRow("stray word") << QStringList{"HSK"} << 2 << "unexpected argument HSK";
    QTest::newRow("no such deck") << QStringList{"--deck", "Nowhere"} << 1
                                  << "No deck or folder is called Nowhere";
    QTest::newRow("two decks of that title")
        << QStringList{"--deck", "twice"} << 3 << "2 decks or folders are called twice";
    QTest::newRow("older profile") << QStringList{"--older"} << 3 << "older version of Quillet";
    QTest::newRow("not a profile") << QStringList{"--garbage"} << 3 << "cannot be used";
    QTest::newRow("no profile") << QStringList{"--missing"} << 3 << "There is no profile";
}

void TestPracticeStatistics::commandLineRefusesWhatItCannotRead()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    History history;
    history.deck(1, QStringLiteral("Twice"));
    history.deck(2, QStringLiteral("twice"));
    history.database();
    QTemporaryDir other;
    QString profile = history.path();
    if (arguments == QStringList{"--older"}) {
        profile = other.filePath("Profile.db");
        QVERIFY(profiletest::createVersion2Profile(profile));
        arguments.clear();
    } else if (arguments == QStringList{"--garbage"}) {
        profile = other.filePath("Profile.db");
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        arguments.clear();
    } else if (arguments == QStringList{"--missing"}) {
        profile = other.filePath("Profile.db");
        arguments.clear();
    }
    QByteArray errors;
    QCOMPARE(runCli(QStringList{"stats", "--profile", profile} << arguments, nullptr, &errors),
             status);
    QVERIFY2(errors.contains(message.toUtf8()), errors.constData());
    // Only read: an older file is not upgraded, a missing one not made.
    if (QTest::currentDataTag() == QLatin1String("older profile"))
        QCOMPARE(
            profiletest::scalarOnFile(profile, "SELECT version FROM DatabaseVersion").toString(),
            QStringLiteral("2.0"));
    if (QTest::currentDataTag() == QLatin1String("no profile"))
        QVERIFY(!QFile::exists(profile));
}

QTEST_GUILESS_MAIN(TestPracticeStatistics)
#include "tst_practicestatistics.moc"
