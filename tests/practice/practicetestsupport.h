#pragma once

#include "uitestsupport.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <memory>

class QAbstractButton;
class SessionDialog;

namespace korvo {
class Deck;
class DeckCard;
class Dictionary;
class PracticeWidget;
class Profile;
class Session;
} // namespace korvo

// Helpers of the practice tests: the stand-in application that opens the real set-up dialog,
// the learner's way through that dialog, and what Profile.db holds afterwards. Test code only.
namespace practicetest {

// The screen tests' stand-in application, whose "New Session" opens the real set-up dialog the
// way the application does: made once, parented to the stand-in main window, modal, shown
// without waiting.
class PracticeServices : public uitest::TestServices
{
public:
    PracticeServices(korvo::Profile* profile, korvo::Dictionary* dictionary,
                     korvo::Session* session);
    void showSessionDialog() override;
    SessionDialog* sessionDialog() const { return m_dialog; }
    int sessionDialogCount = 0;

private:
    korvo::Session* m_session;
    QPointer<SessionDialog> m_dialog;
};

// A user-made entry for a test deck.
struct Entry
{
    QString simplified;
    QString traditional;
    QString pinyin;
    QString definition;
    float score = 0;
    qint64 lastPracticed = 0;
};

// A deck of the user's own entries, stored at the end of the deck tree.
korvo::Deck* makeDeck(korvo::Profile* profile, const QString& title, const QList<Entry>& entries);
// The built-in deck with that stored title ("{HSK_1}"), or none.
korvo::Deck* builtInDeck(korvo::Profile* profile, const QString& storedTitle);

// What a learner chooses in the set-up dialog before clicking "Start".
struct SetUp
{
    QList<int> deckIds;
    // "typeMcqRB", "typeWriteRB" or "typeFreeRB".
    QString type = QStringLiteral("typeFreeRB");
    // "simplified", "traditional", "pinyin" or "definition" (multiple choice and type-in).
    QString quizOn = QStringLiteral("simplified");
    bool spacedRepetition = false;
    // 0: all the cards; otherwise the text typed into "practiceOnlyTE".
    QString only;
    // Card information boxes to set after the type and quiz field ("pinyinCheckbox" -> false).
    QMap<QString, bool> cardInfo;
};

// Clicks a check box or radio button on its indicator, as a learner does.
void clickIndicator(QAbstractButton* button);
// Waits until the shown dialog has filled itself from the session and shows a count.
bool waitUntilFilled(SessionDialog* dialog);
// Selects the decks' rows (the first with a plain click, the others with Ctrl), then makes the
// other choices and clicks "Start". False when the dialog would not start.
bool startInDialog(SessionDialog* dialog, const SetUp& setUp);
// Clicks "New Session" on the practice screen and starts the session in the dialog it opens.
bool startSession(korvo::PracticeWidget* widget, PracticeServices* services, const SetUp& setUp);

// One row of the Knowledge table.
struct StoredAnswer
{
    int cardId = 0;
    int kuId = 0;
    int deckId = 0;
    int result = -1;
};
// The Knowledge table in insertion order, read on a connection of its own.
QList<StoredAnswer> storedAnswers(const QString& databasePath);
struct StoredUnit
{
    bool found = false;
    double score = 0;
    qint64 lastTimePracticed = 0;
};
StoredUnit storedUnit(const QString& databasePath, int kuId);

// An answer given in a test, to be found in the profile afterwards.
struct GivenAnswer
{
    int cardId = 0;
    int kuId = 0;
    int deckId = 0;
    int result = 0;
    double scoreDelta = 0;
};

// Plays the record of answers against Profile.db: one Knowledge row per answer in order, and
// every unit's score moved from `scoresBefore` by its answers (never below 0) with its practice
// time set no earlier than `since` (seconds). Empty when all is well, else what differs.
QString checkHistory(const QString& databasePath, const QList<GivenAnswer>& answers,
                     const QMap<int, double>& scoresBefore, qint64 since);
// The stored scores of the units of these cards.
QMap<int, double> storedScores(const QString& databasePath, const QList<korvo::DeckCard*>& cards);

} // namespace practicetest
