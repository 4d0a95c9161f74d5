#pragma once

#include <QDate>
#include <QString>
#include <QVector>

#include <array>

namespace korvo {

// The stretch of time the history figures cover: the last 7 or 30 days (today included), the
// last 12 months (this month and the eleven before it, from their first day) or all time.
enum class StatisticsRange { Week = 0, Month = 1, Year = 2, AllTime = 3 };

// "7d", "30d", "12m", "all": the range's name on the command line and in settings.
QString rangeKey(StatisticsRange range);
// The range of a name; false (and *range untouched) for a name that is none.
bool rangeFromKey(const QString& key, StatisticsRange* range);

// How well a card's knowledge unit is known, by its score (a correct answer adds a point, a wrong
// one takes one away). The thresholds are where the spaced-repetition interval, which the score
// rounded half away from zero picks, reaches 6 days (known) and 31 days (mastered).
enum class ScoreBand { New = 0, Learning = 1, Known = 2, Mastered = 3 };
inline constexpr double KnownFromScore = 2.5;
inline constexpr double MasteredFromScore = 6.5;

struct DayAnswers
{
    QDate date;
    int correct = 0;
    int wrong = 0;
    int answers() const { return correct + wrong; }
};

struct DueDay
{
    QDate date;
    int cards = 0;
};

// The cards of one deck by score band.
struct DeckBands
{
    int deckId = 0;
    QString title;              // as shown: built-in titles translated
    std::array<int, 4> cards{}; // indexed by ScoreBand
    int total() const { return cards[0] + cards[1] + cards[2] + cards[3]; }
};

// A card with wrong answers in the range, and what it shows.
struct HardCard
{
    int cardId = 0;
    int kuId = 0;
    int deckId = 0;
    QString simplified;
    QString traditional;
    QString pinyin;
    QString definition;
    int wrong = 0;
    int answers = 0;
};

// Every figure of the statistics for one choice of decks and range, as computed by
// PracticeStatistics at one moment. A plain value.
struct StatisticsReport
{
    StatisticsRange range = StatisticsRange::Week;
    QDate today;
    // Every day of the range from its first to today, days without answers included. Answers
    // without a time (from before times were stored) are in no day.
    QVector<DayAnswers> days;
    // The answers of the range; for all time, those without a time too.
    int answers = 0;
    int correct = 0;
    // Of those, the ones without a time (all time only).
    int untimedAnswers = 0;
    // Answers of the range by the local hour they were given in.
    std::array<int, 24> hours{};
    // The cards (one per knowledge unit, as a session takes them) due on each of the next 30
    // days: the first entry is today's, those already overdue included; each later one counts the
    // cards that become due that day.
    QVector<DueDay> due;
    // The decks of the choice, in the order of the deck tree.
    QVector<DeckBands> decks;
    // The cards of those decks.
    int cards = 0;
    // Days in a row with answers up to today, or up to yesterday while today has none yet.
    int streak = 0;
    // The cards with the most wrong answers in the range, the worst first.
    QVector<HardCard> hardest;

    int wrong() const { return answers - correct; }
    // The share of correct answers, 0 to 1; 0 without answers.
    double correctRate() const { return answers > 0 ? double(correct) / answers : 0.0; }
    int dueToday() const { return due.isEmpty() ? 0 : due.first().cards; }
    // Cards of the choice in one band, over all its decks.
    int cardsInBand(ScoreBand band) const;
};

} // namespace korvo
