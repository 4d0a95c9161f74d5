#include "cards/decklistmodel.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "practice/session.h"
#include "practice/sessiondialog.h"
#include "practicetestsupport.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace korvo;
using namespace practicetest;
using profiletest::scalarOnFile;

namespace {

// Records the texts the count label shows when it is painted.
class PaintedTexts : public QObject
{
public:
    explicit PaintedTexts(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint)
            texts << m_label->text();
        return false;
    }
    QStringList texts;

private:
    QLabel* m_label;
};

} // namespace

// The set-up dialog as a learner uses it: the form filled from the session, the live count of
// cards, the rules between the options, and what "Start" and "Cancel" leave in the session and
// in Profile.db.
class TestSessionDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formHasItsControlsAndTexts();
    void noDeckSelectedCountsNothing();
    void countIsShownAsCalculatingFirst();
    void spacedRepetitionWithNothingDueCannotStart();
    void quizFieldIsNeverShownOnTheCard();
    void fillingKeepsTheSessionsCardInformation();
    void questionsNeverStartWithABlankCard_data();
    void questionsNeverStartWithABlankCard();
    void desiredCountFromText_data();
    void desiredCountFromText();
    void quizFieldFollowsTheCharacterMode_data();
    void quizFieldFollowsTheCharacterMode();
    void characterModeHidesTheOtherScript_data();
    void characterModeHidesTheOtherScript();
    void startCopiesTheChoicesAndSavesThem();
    void cancelLeavesTheSessionAlone();

private:
    void show();
    QLabel* countLabel() const { return m_dialog->findChild<QLabel*>("cardCountLabel"); }
    QPushButton* startButton() const { return m_dialog->findChild<QPushButton*>("startButton"); }
    template <typename T> T* child(const char* name) const { return m_dialog->findChild<T*>(name); }
    QListView* list() const { return child<QListView>("deckListView"); }
    QString setting(const QString& name);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<uitest::TestServices> m_services;
    std::unique_ptr<SessionDialog> m_dialog;
    Deck* m_hsk1 = nullptr;
    Deck* m_hsk2 = nullptr;
};

void TestSessionDialog::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
}

void TestSessionDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile =
        profiletest::openProfile(m_dir->path(), uitest::dataFolder() + "/Profile.default.db");
    QVERIFY(m_profile);
    m_hsk1 = builtInDeck(m_profile.get(), "{HSK_1}");
    m_hsk2 = builtInDeck(m_profile.get(), "{HSK_2}");
    QVERIFY(m_hsk1 && m_hsk2);
    m_session = std::make_unique<Session>(m_profile.get());
    m_services = std::make_unique<uitest::TestServices>(m_profile.get(), nullptr);
    m_dialog = std::make_unique<SessionDialog>(m_profile.get(), m_session.get());
}

void TestSessionDialog::cleanup()
{
    m_dialog.reset();
    m_services.reset();
    m_session.reset();
    m_profile.reset();
    m_dir.reset();
}

void TestSessionDialog::show()
{
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    QVERIFY(waitUntilFilled(m_dialog.get()));
}

QString TestSessionDialog::setting(const QString& name)
{
    m_profile->saveSettings();
    return scalarOnFile(m_profile->databasePath(),
                        QStringLiteral("SELECT settingValue FROM UserSettings WHERE settingName = "
                                       "'%1'")
                            .arg(name))
        .toString();
}

void TestSessionDialog::formHasItsControlsAndTexts()
{
    QCOMPARE(m_dialog->size(), QSize(665, 544));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Session"));
    QVERIFY(m_dialog->windowFlags() & Qt::WindowTitleHint);
    QVERIFY(m_dialog->windowFlags() & Qt::WindowSystemMenuHint);
    QVERIFY(!(m_dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    // F1 in the dialog opens the help on sessions.
    QVERIFY(m_services->calls.contains("addHelpShortcut:SessionDialog:session"));

    const QList<QPair<const char*, const char*>> texts = {
        {"decksGroupBox", "Include these decks in the session:"},
        {"sessionTypeGroupBox", "Session type"},
        {"typeMcqRB", "Multiple-choice questions"},
        {"typeWriteRB", "Type-in questions"},
        {"typeFreeRB", "Self-assessment"},
        {"mcqGroupBox", "Quiz on:"},
        {"quizOnSimplifiedRB", "Simplified"},
        {"quizOnTraditionalRB", "Traditional"},
        {"quizOnPinyinRB", "Pinyin"},
        {"quizOnDefinitionRB", "Definition"},
        {"visibleCardInfoGroupBox", "Show this information on the cards:"},
        {"simplifiedCheckbox", "Simplified characters"},
        {"traditionalCheckbox", "Traditional characters"},
        {"pinyinCheckbox", "Pinyin"},
        {"definitionCheckbox", "Definition"},
        {"desiredCardGroupBox", "Number of cards"},
        {"practiceAllRB", "Practice all the cards"},
        {"practiceOnlyRB", "Practice only:"},
        {"practiceOnlyLabel", "cards"},
        {"sessionGroupBox", "Session"},
        {"srCheckbox", "Use spaced repetition learning technique"},
        {"startButton", "Start"},
        {"cancelButton", "Cancel"}};
    for (const auto& [name, text] : texts) {
        QWidget* widget = m_dialog->findChild<QWidget*>(name);
        QVERIFY2(widget, name);
        QString shown;
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            shown = box->title();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            shown = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            shown = label->text();
        QCOMPARE(shown, QString::fromUtf8(text));
    }
    QVERIFY(child<QCheckBox>("srCheckbox")->toolTip().startsWith("Spaced repetition helps you"));
    QCOMPARE(child<QGroupBox>("decksGroupBox")->minimumHeight(), 100);
    QCOMPARE(startButton()->minimumSize(), QSize(100, 26));
    QCOMPARE(child<QPushButton>("cancelButton")->minimumSize(), QSize(100, 26));
    QCOMPARE(list()->selectionMode(), QAbstractItemView::ExtendedSelection);
    for (const char* holder :
         {"verticalLayout", "horizontalLayout_2", "verticalLayout_5", "verticalLayout_8",
          "verticalLayout_6", "verticalLayout_7", "verticalLayout_2", "verticalLayout_3",
          "horizontalLayout", "verticalLayout_4", "buttonLayout"})
        QVERIFY2(m_dialog->findChild<QLayout*>(holder), holder);
    QVERIFY(m_dialog->findChild<QWidget*>("widget") && m_dialog->findChild<QWidget*>("widget_2"));
    // Before the first showing the list is empty: nothing to count, nothing to start.
    QCOMPARE(countLabel()->text(), QStringLiteral("Cards in session: 0"));
    QVERIFY(!startButton()->isEnabled());
    QVERIFY(child<QRadioButton>("practiceAllRB")->isChecked());
    QVERIFY(child<QCheckBox>("srCheckbox")->isChecked());

    show();
    // Every deck of the template that is not a folder, in tree order, the first one selected
    // for a session without decks.
    QList<Deck*> decks;
    m_profile->collectDecks(decks, false);
    auto* model = qobject_cast<DeckListModel*>(list()->model());
    QVERIFY(model);
    QCOMPARE(model->rowCount(), decks.size());
    QCOMPARE(model->rowCount(), 12);
    QCOMPARE(model->deckAt(0), m_hsk1);
    QCOMPARE(m_dialog->selectedDecks(), QList<Deck*>{m_hsk1});
    QCOMPARE(list()->currentIndex().row(), 0);
    QCOMPARE(countLabel()->text(), QStringLiteral("Cards in session: %1").arg(m_hsk1->cardCount()));
    QVERIFY(startButton()->isEnabled());
}

void TestSessionDialog::noDeckSelectedCountsNothing()
{
    show();
    QVERIFY(startButton()->isEnabled());
    const QModelIndex first = list()->model()->index(0, 0);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list()->visualRect(first).center());
    QVERIFY(m_dialog->selectedDecks().isEmpty());
    QCOMPARE(countLabel()->text(), QStringLiteral("Cards in session: 0"));
    QVERIFY(!startButton()->isEnabled());

    // Two decks counted together.
    const QModelIndex second = list()->model()->index(1, 0);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list()->visualRect(first).center());
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list()->visualRect(second).center());
    QCOMPARE(m_dialog->selectedDecks(), QList<Deck*>({m_hsk1, m_hsk2}));
    QCOMPARE(countLabel()->text(),
             QStringLiteral("Cards in session: %1").arg(countCards({m_hsk1, m_hsk2}, -1, true)));
    QVERIFY(startButton()->isEnabled());
}

void TestSessionDialog::countIsShownAsCalculatingFirst()
{
    show();
    PaintedTexts painted(countLabel());
    // Paints still due from the showing are not the ones looked at.
    QTest::qWait(50);
    painted.texts.clear();
    clickIndicator(child<QCheckBox>("srCheckbox"));
    // The label is painted with the notice before the counting, then with the number.
    QVERIFY(!painted.texts.isEmpty());
    QCOMPARE(painted.texts.first(), QStringLiteral("Cards in session: <span style='color:#FF0000; "
                                                   "font-weight:bold;'>Calculating...</span>"));
    QCOMPARE(countLabel()->text(), QStringLiteral("Cards in session: %1").arg(m_hsk1->cardCount()));
    QTRY_COMPARE(painted.texts.last(), countLabel()->text());
}

void TestSessionDialog::spacedRepetitionWithNothingDueCannotStart()
{
    // Every entry of HSK 1 practised an hour ago with a good score: none is due today.
    const qint64 anHourAgo = QDateTime::currentSecsSinceEpoch() - 3600;
    for (DeckCard* card : m_hsk1->cards()) {
        KnowledgeUnit* unit = card->knowledgeUnit();
        unit->setScore(4);
        unit->setLastTimePracticed(anHourAgo);
        QVERIFY(m_profile->dictionary()->saveKnowledgeUnit(unit));
    }
    show();
    QVERIFY(child<QCheckBox>("srCheckbox")->isChecked());
    QCOMPARE(countLabel()->text(), QStringLiteral("Cards in session: 0"));
    QVERIFY(!startButton()->isEnabled());

    clickIndicator(child<QCheckBox>("srCheckbox"));
    QCOMPARE(countLabel()->text(), QStringLiteral("Cards in session: %1").arg(m_hsk1->cardCount()));
    QVERIFY(startButton()->isEnabled());
}

void TestSessionDialog::quizFieldIsNeverShownOnTheCard()
{
    m_session->setType(SessionType::Free);
    m_profile->setSetting("characterMode", "both");
    show();
    QVERIFY(child<QRadioButton>("typeFreeRB")->isChecked());
    // Self-assessment asks for nothing in particular.
    QVERIFY(!child<QGroupBox>("mcqGroupBox")->isVisible());
    QCOMPARE(m_dialog->quizField(), QString());

    clickIndicator(child<QRadioButton>("typeMcqRB"));
    QVERIFY(child<QGroupBox>("mcqGroupBox")->isVisible());
    clickIndicator(child<QRadioButton>("quizOnPinyinRB"));
    QCOMPARE(m_dialog->quizField(), QStringLiteral("pinyin"));
    for (const char* name : {"simplifiedCheckbox", "traditionalCheckbox", "definitionCheckbox"}) {
        QVERIFY2(child<QCheckBox>(name)->isChecked(), name);
        QVERIFY2(child<QCheckBox>(name)->isEnabled(), name);
    }
    QVERIFY(!child<QCheckBox>("pinyinCheckbox")->isChecked());
    QVERIFY(!child<QCheckBox>("pinyinCheckbox")->isEnabled());

    // Another quiz field frees the pinyin box and takes its own.
    clickIndicator(child<QRadioButton>("quizOnDefinitionRB"));
    QVERIFY(child<QCheckBox>("pinyinCheckbox")->isChecked());
    QVERIFY(child<QCheckBox>("pinyinCheckbox")->isEnabled());
    QVERIFY(!child<QCheckBox>("definitionCheckbox")->isChecked());
    QVERIFY(!child<QCheckBox>("definitionCheckbox")->isEnabled());

    // Back to self-assessment: every box can be chosen again.
    clickIndicator(child<QRadioButton>("typeFreeRB"));
    QVERIFY(child<QCheckBox>("definitionCheckbox")->isEnabled());
    QVERIFY(!child<QGroupBox>("mcqGroupBox")->isVisible());
}

// The card information of the last session shows as it was chosen, apart from the asked field.
void TestSessionDialog::fillingKeepsTheSessionsCardInformation()
{
    m_session->setType(SessionType::Write);
    m_session->setQuizOn("simplified");
    CardState state;
    state.simplifiedVisible = false;
    state.traditionalVisible = false;
    state.pinyinVisible = false;
    state.definitionVisible = true;
    m_session->setCardState(state);
    m_profile->setSetting("characterMode", "both");
    show();
    QVERIFY(child<QRadioButton>("typeWriteRB")->isChecked());
    QVERIFY(child<QRadioButton>("quizOnSimplifiedRB")->isChecked());
    QVERIFY(!child<QCheckBox>("simplifiedCheckbox")->isChecked());
    QVERIFY(!child<QCheckBox>("simplifiedCheckbox")->isEnabled());
    QVERIFY(!child<QCheckBox>("traditionalCheckbox")->isChecked());
    QVERIFY(!child<QCheckBox>("pinyinCheckbox")->isChecked());
    QVERIFY(child<QCheckBox>("definitionCheckbox")->isChecked());

    QTest::mouseClick(startButton(), Qt::LeftButton);
    QCOMPARE(m_session->cardState().pinyinVisible, false);
    QCOMPARE(m_session->cardState().definitionVisible, true);
    QCOMPARE(setting("session.cardState.pinyinVisible"), QStringLiteral("false"));
}

void TestSessionDialog::questionsNeverStartWithABlankCard_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("quizOn");
    QTest::addColumn<bool>("traditionalShown");
    QTest::addColumn<bool>("definitionShown");
    QTest::addColumn<bool>("allShown");
    // A new profile: simplified and traditional characters on the front, quiz on simplified.
    QTest::newRow("first session") << "simplified"
                                   << "simplified" << true << false << true;
    // Asked for simplified characters while reading traditional ones: asked for traditional.
    QTest::newRow("first session, traditional script") << "traditional"
                                                       << "simplified" << true << false << true;
    QTest::newRow("both scripts") << "both"
                                  << "simplified" << true << false << false;
    QTest::newRow("definition shown") << "simplified"
                                      << "simplified" << false << true << false;
    QTest::newRow("characters shown for pinyin") << "simplified"
                                                 << "pinyin" << false << false << false;
}

// Filled from a session whose card information would leave the front of the card empty for the
// question, the form shows every part instead.
void TestSessionDialog::questionsNeverStartWithABlankCard()
{
    QFETCH(QString, mode);
    QFETCH(QString, quizOn);
    QFETCH(bool, traditionalShown);
    QFETCH(bool, definitionShown);
    QFETCH(bool, allShown);
    m_profile->setSetting("characterMode", mode);
    m_session->setType(SessionType::Mcq);
    m_session->setQuizOn(quizOn);
    CardState state;
    state.simplifiedVisible = true;
    state.traditionalVisible = traditionalShown;
    state.pinyinVisible = false;
    state.definitionVisible = definitionShown;
    m_session->setCardState(state);
    show();
    const QString asked = m_dialog->quizField();
    QCOMPARE(child<QCheckBox>("pinyinCheckbox")->isChecked(), allShown && asked != "pinyin");
    QCOMPARE(child<QCheckBox>("definitionCheckbox")->isChecked(),
             (allShown || definitionShown) && asked != "definition");
    QTest::mouseClick(startButton(), Qt::LeftButton);
    // What the front of the first card shows in this script, besides the asked field.
    const CardState started = m_session->cardState();
    const bool front =
        (started.simplifiedVisible && asked != "simplified" && mode != "traditional") ||
        (started.traditionalVisible && asked != "traditional" && mode != "simplified") ||
        (started.pinyinVisible && asked != "pinyin") ||
        (started.definitionVisible && asked != "definition");
    QVERIFY(front);
}

void TestSessionDialog::desiredCountFromText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("count");
    QTest::newRow("zero") << "0" << 1;
    QTest::newRow("text") << "many" << 1;
    QTest::newRow("negative") << "-5" << 1;
    QTest::newRow("nothing") << "" << 1;
    QTest::newRow("seven") << "7" << 7;
}

void TestSessionDialog::desiredCountFromText()
{
    QFETCH(QString, typed);
    QFETCH(int, count);
    show();
    auto* only = child<QLineEdit>("practiceOnlyTE");
    QVERIFY(!only->isEnabled());
    clickIndicator(child<QRadioButton>("practiceOnlyRB"));
    QVERIFY(only->isEnabled());
    QVERIFY(child<QLabel>("practiceOnlyLabel")->isEnabled());
    QCOMPARE(only->text(), QStringLiteral("20"));
    only->setFocus();
    only->selectAll();
    QTest::keyClick(only, Qt::Key_Backspace);
    QTest::keyClicks(only, typed);
    QTest::keyClick(only, Qt::Key_Tab);
    QCOMPARE(m_dialog->desiredCardCount(), count);
    QCOMPARE(countLabel()->text(), QStringLiteral("Cards in session: %1").arg(count));

    QTest::mouseClick(startButton(), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_session->desiredCardCount(), count);
    QCOMPARE(m_session->useAllCards(), false);
    QCOMPARE(m_session->remainingCardCount(), count);
    QCOMPARE(setting("session.desiredCardCount"), QString::number(count));
    QCOMPARE(setting("session.useAllCards"), QStringLiteral("false"));
}

void TestSessionDialog::quizFieldFollowsTheCharacterMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("lastQuiz");
    QTest::addColumn<QString>("checked");
    QTest::newRow("simplified read in traditional") << "traditional"
                                                    << "simplified"
                                                    << "quizOnTraditionalRB";
    QTest::newRow("traditional read in simplified") << "simplified"
                                                    << "traditional"
                                                    << "quizOnSimplifiedRB";
    QTest::newRow("both scripts") << "both"
                                  << "traditional"
                                  << "quizOnTraditionalRB";
    QTest::newRow("pinyin") << "traditional"
                            << "pinyin"
                            << "quizOnPinyinRB";
}

void TestSessionDialog::quizFieldFollowsTheCharacterMode()
{
    QFETCH(QString, mode);
    QFETCH(QString, lastQuiz);
    QFETCH(QString, checked);
    m_profile->setSetting("characterMode", mode);
    m_session->setQuizOn(lastQuiz);
    m_session->setType(SessionType::Mcq);
    show();
    QVERIFY(child<QRadioButton>(qPrintable(checked))->isChecked());
    QVERIFY(child<QRadioButton>(qPrintable(checked))->isVisible());
}

void TestSessionDialog::characterModeHidesTheOtherScript_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("simplified");
    QTest::addColumn<bool>("traditional");
    QTest::newRow("simplified") << "simplified" << true << false;
    QTest::newRow("traditional") << "traditional" << false << true;
    QTest::newRow("both") << "both" << true << true;
}

void TestSessionDialog::characterModeHidesTheOtherScript()
{
    QFETCH(QString, mode);
    QFETCH(bool, simplified);
    QFETCH(bool, traditional);
    m_profile->setSetting("characterMode", mode);
    show();
    QCOMPARE(child<QCheckBox>("simplifiedCheckbox")->isVisible(), simplified);
    QCOMPARE(child<QRadioButton>("quizOnSimplifiedRB")->isVisible(), simplified);
    QCOMPARE(child<QCheckBox>("traditionalCheckbox")->isVisible(), traditional);
    QCOMPARE(child<QRadioButton>("quizOnTraditionalRB")->isVisible(), traditional);
    QVERIFY(child<QCheckBox>("pinyinCheckbox")->isVisible());
    QVERIFY(child<QRadioButton>("quizOnPinyinRB")->isVisible());
}

void TestSessionDialog::startCopiesTheChoicesAndSavesThem()
{
    SetUp setUp;
    setUp.deckIds = {m_hsk1->id(), m_hsk2->id()};
    setUp.type = "typeWriteRB";
    setUp.quizOn = "definition";
    setUp.spacedRepetition = false;
    setUp.only = "5";
    setUp.cardInfo = {{"traditionalCheckbox", false}};
    QSignalSpy status(m_session.get(), &Session::statusChanged);
    m_dialog->show();
    QVERIFY(startInDialog(m_dialog.get(), setUp));

    QCOMPARE(m_session->type(), SessionType::Write);
    QCOMPARE(m_session->quizOn(), QStringLiteral("definition"));
    QCOMPARE(m_session->deckIds(), QList<int>({m_hsk1->id(), m_hsk2->id()}));
    QCOMPARE(m_session->useSpacedRepetition(), false);
    QCOMPARE(m_session->useAllCards(), false);
    QCOMPARE(m_session->desiredCardCount(), 5);
    QCOMPARE(m_session->cardState().simplifiedVisible, true);
    QCOMPARE(m_session->cardState().traditionalVisible, false);
    QCOMPARE(m_session->cardState().pinyinVisible, true);
    QCOMPARE(m_session->cardState().definitionVisible, false);
    QCOMPARE(m_session->status(), SessionStatus::Running);
    QCOMPARE(m_session->remainingCardCount(), 5);
    QVERIFY(status.count() >= 1);

    // The choices are the next start-up's session settings.
    QCOMPARE(setting("session.type"), QStringLiteral("1"));
    QCOMPARE(setting("session.typeData.quizOn"), QStringLiteral("definition"));
    QCOMPARE(setting("session.useSpacedRepetition"), QStringLiteral("false"));
    QCOMPARE(setting("session.desiredCardCount"), QStringLiteral("5"));
    QCOMPARE(setting("session.cardState.traditionalVisible"), QStringLiteral("false"));
    QCOMPARE(setting("session.cardState.definitionVisible"), QStringLiteral("false"));
    Session restored(m_profile.get());
    restored.loadSettings();
    QCOMPARE(restored.deckIds(), QList<int>({m_hsk1->id(), m_hsk2->id()}));
    QCOMPARE(restored.type(), SessionType::Write);

    // Shown again, the dialog starts from these choices.
    m_dialog->show();
    QVERIFY(waitUntilFilled(m_dialog.get()));
    QCOMPARE(m_dialog->selectedDecks(), QList<Deck*>({m_hsk1, m_hsk2}));
    QVERIFY(child<QRadioButton>("typeWriteRB")->isChecked());
    QVERIFY(child<QRadioButton>("quizOnDefinitionRB")->isChecked());
    QVERIFY(child<QRadioButton>("practiceOnlyRB")->isChecked());
    QCOMPARE(child<QLineEdit>("practiceOnlyTE")->text(), QStringLiteral("5"));
    QVERIFY(!child<QCheckBox>("srCheckbox")->isChecked());
    QCOMPARE(countLabel()->text(), QStringLiteral("Cards in session: 5"));
}

void TestSessionDialog::cancelLeavesTheSessionAlone()
{
    show();
    clickIndicator(child<QRadioButton>("typeFreeRB"));
    clickIndicator(child<QCheckBox>("srCheckbox"));
    QTest::mouseClick(child<QPushButton>("cancelButton"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_session->type(), SessionType::Mcq);
    QCOMPARE(m_session->useSpacedRepetition(), true);
    QCOMPARE(m_session->status(), SessionStatus::Idle);
    QVERIFY(m_session->deckIds().isEmpty());
    QCOMPARE(setting("session.type"), QString());

    // The cancelled choices are not kept.
    show();
    QVERIFY(child<QRadioButton>("typeMcqRB")->isChecked());
    QVERIFY(child<QCheckBox>("srCheckbox")->isChecked());
}

QTEST_MAIN(TestSessionDialog)
#include "tst_sessiondialog.moc"
