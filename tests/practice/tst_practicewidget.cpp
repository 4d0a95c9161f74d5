#include "audio/pinyinplayer.h"
#include "cards/cardwidget.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "guitestsupport.h"
#include "practice/practicewidget.h"
#include "practice/session.h"
#include "practice/sessiondialog.h"
#include "practicetestsupport.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "style/practiceactionbar.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace korvo;
using namespace practicetest;

// The practice screen as a learner uses it: sessions started through the set-up dialog, answered
// with keys and clicks, and every answer read back from Profile.db on a connection of its own.
class TestPracticeWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void opensOnTheStartMessage();
    void multipleChoiceKeysChooseTheirOption_data();
    void multipleChoiceKeysChooseTheirOption();
    void selfAssessmentFlipsAndAnswersWithKeys();
    void keysActOnlyWhereTheirButtonIsOffered();
    void typedAnswers_data();
    void typedAnswers();
    void questionsOnAMissingFieldAreSkipped();
    void aHeldReturnKeepsTheResult();
    void aDoubleClickAnswersOnce();
    void blankAnswerDoesNothing();
    void audioPlaysWhenACardIsRevealed_data();
    void audioPlaysWhenACardIsRevealed();
    void pileFollowsTheRound();
    void deckChangesResetWithoutDanglingCard_data();
    void deckChangesResetWithoutDanglingCard();
    void cardCommandsReachTheApplication();
    void pinyinOptionsAreColouredByTone();
    void optionsNeverReadAlike_data();
    void optionsNeverReadAlike();
    void layoutFollowsTheFan();

private:
    QString databasePath() const { return m_profile->databasePath(); }
    bool start(const SetUp& setUp);
    // The key goes where the learner's keyboard goes: to the focused control of the screen, or
    // to the screen itself.
    void press(Qt::Key key);
    XQPushButton* optionButton(int index) const;
    QLabel* resultLabel() const;
    QLineEdit* answerBox() const;
    QLabel* progressLabel() const;
    XQPushButton* button(const QString& name) const;
    // Records the answer the screen is about to pass on for the card on screen.
    GivenAnswer given(int result) const;
    int visibleCards(int from, int to) const;
    QString verifyHistory(const QList<GivenAnswer>& answers);

    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<PracticeServices> m_services;
    // Inside the stand-in main window, which owns it (and the set-up dialog).
    QPointer<PracticeWidget> m_widget;
    QMap<int, double> m_scoresBefore;
    qint64 m_since = 0;
};

void TestPracticeWidget::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
    m_dictionary = std::make_unique<Dictionary>();
    QVERIFY(m_dictionary->open(uitest::dataFolder() + "/Dictionary.db", "practiceDictionary"));
}

void TestPracticeWidget::cleanupTestCase()
{
    m_dictionary.reset();
}

void TestPracticeWidget::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile =
        profiletest::openProfile(m_dir->path(), uitest::dataFolder() + "/Profile.default.db");
    QVERIFY(m_profile && m_profile->database().isOpen());
    m_session = std::make_unique<Session>(m_profile.get());
    m_services =
        std::make_unique<PracticeServices>(m_profile.get(), m_dictionary.get(), m_session.get());
    QWidget* window = m_services->mainWindow();
    m_widget = new PracticeWidget(m_session.get(), window);
    window->resize(1024, 695);
    m_widget->resize(1024, 695);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    m_since = QDateTime::currentSecsSinceEpoch();
    m_scoresBefore.clear();
}

void TestPracticeWidget::cleanup()
{
    m_services.reset();
    m_session.reset();
    m_profile.reset();
    m_dir.reset();
}

bool TestPracticeWidget::start(const SetUp& setUp)
{
    // Every card of the chosen decks, with the scores they had before the session.
    QList<DeckCard*> cards;
    for (int id : setUp.deckIds) {
        if (Deck* deck = m_profile->deckById(id))
            cards << deck->cards();
    }
    const QMap<int, double> before = storedScores(databasePath(), cards);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        m_scoresBefore.insert(it.key(), it.value());
    if (!startSession(m_widget.data(), m_services.get(), setUp))
        return false;
    // Back in the window of the screen once the dialog has gone; the dialog's own requests
    // (its help key) are not the screen's.
    m_services->calls.clear();
    // The window manager gives the main window back its activation.
    m_services->mainWindow()->activateWindow();
    return QTest::qWaitFor(
        [&] {
            return m_widget->currentCard() != nullptr &&
                   QApplication::activeWindow() == m_services->mainWindow();
        },
        2000);
}

void TestPracticeWidget::press(Qt::Key key)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != m_widget.data() && !m_widget->isAncestorOf(focus)))
        focus = m_widget.data();
    QTest::keyClick(focus, key);
}

XQPushButton* TestPracticeWidget::optionButton(int index) const
{
    return m_widget->findChild<XQPushButton*>(QStringLiteral("mcqRadioButton") +
                                              QChar('A' + index));
}

QLabel* TestPracticeWidget::resultLabel() const
{
    return m_widget->findChild<QLabel*>("mcqResultLabel");
}

QLineEdit* TestPracticeWidget::answerBox() const
{
    return m_widget->findChild<QLineEdit*>("tiAnswerTextBox");
}

QLabel* TestPracticeWidget::progressLabel() const
{
    return m_widget->actionBar()->label();
}

XQPushButton* TestPracticeWidget::button(const QString& name) const
{
    return m_widget->findChild<XQPushButton*>(name);
}

GivenAnswer TestPracticeWidget::given(int result) const
{
    DeckCard* card = m_widget->currentCard();
    GivenAnswer answer;
    if (!card)
        return answer;
    answer.cardId = card->id();
    answer.kuId = card->kuId();
    answer.deckId = card->deckId();
    answer.result = result;
    answer.scoreDelta = (result == 1 ? 1.0 : -1.0) / (m_session->round() + 1);
    return answer;
}

int TestPracticeWidget::visibleCards(int from, int to) const
{
    int count = 0;
    for (int i = from; i <= to; ++i)
        count += m_widget->card(i)->isVisible() ? 1 : 0;
    return count;
}

QString TestPracticeWidget::verifyHistory(const QList<GivenAnswer>& answers)
{
    // Written half a second after the answers at the latest.
    (void)QTest::qWaitFor([&] { return storedAnswers(databasePath()).size() >= answers.size(); },
                          3000);
    return checkHistory(databasePath(), answers, m_scoresBefore, m_since);
}

void TestPracticeWidget::opensOnTheStartMessage()
{
    auto* message = m_widget->findChild<QLabel*>("messageLabel");
    QVERIFY(message->isVisible());
    QCOMPARE(message->text(), QStringLiteral("To start practicing Chinese characters, click on the "
                                             "\"New Session\" button."));
    QCOMPARE(visibleCards(0, 6), 0);
    QCOMPARE(progressLabel()->text(), QStringLiteral("0 cards remaining (0/0)"));
    QVERIFY(button("sessionButton")->isVisible());
    for (const char* name :
         {"strokeAnimationButton", "cardPropertiesButton", "searchDictionaryButton", "listenButton",
          "flipButton", "correctButton", "wrongButton"})
        QVERIFY2(!button(name)->isVisible(), name);
    QVERIFY(!button("correctButton")->isEnabled());
    QVERIFY(!button("flipButton")->isEnabled());
    // The question controls come with the first session of their kind.
    QVERIFY(!optionButton(0));
    QVERIFY(!answerBox());
    QVERIFY(!resultLabel());
}

void TestPracticeWidget::multipleChoiceKeysChooseTheirOption_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("option");
    QTest::newRow("A") << int(Qt::Key_A) << 0;
    QTest::newRow("B") << int(Qt::Key_B) << 1;
    QTest::newRow("C") << int(Qt::Key_C) << 2;
}

void TestPracticeWidget::multipleChoiceKeysChooseTheirOption()
{
    QFETCH(int, key);
    QFETCH(int, option);
    Deck* hsk1 = builtInDeck(m_profile.get(), "{HSK_1}");
    QVERIFY(hsk1);
    SetUp setUp;
    setUp.deckIds = {hsk1->id()};
    setUp.type = "typeMcqRB";
    setUp.quizOn = "simplified";
    QVERIFY(start(setUp));

    DeckCard* card = m_widget->currentCard();
    const QList<McqOption> options = m_widget->options();
    QCOMPARE(options.size(), 3);
    int answers = 0;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(optionButton(i)->isVisible());
        QVERIFY(optionButton(i)->isEnabled());
        QCOMPARE(optionButton(i)->text(), options.at(i).text);
        if (options.at(i).kuId == card->kuId()) {
            ++answers;
            QCOMPARE(options.at(i).text, card->knowledgeUnit()->simplified());
        } else {
            QCOMPARE(options.at(i).kuId, 0);
        }
    }
    QCOMPARE(answers, 1);
    QCOMPARE(QApplication::focusWidget(), optionButton(0));

    const bool right = options.at(option).kuId == card->kuId();
    QList<GivenAnswer> expected = {given(right ? 1 : 0)};
    press(Qt::Key(key));
    QVERIFY(resultLabel()->isVisible());
    QCOMPARE(resultLabel()->text(), right ? QStringLiteral("Correct!") : QStringLiteral("Wrong!"));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!optionButton(i)->isEnabled());
        QCOMPARE(optionButton(i)->opacity(), options.at(i).kuId == card->kuId() ? 1.0 : 0.3);
    }
    XQPushButton* next = button("mcqNextButton");
    QVERIFY(next->isVisible() && next->isEnabled());
    QCOMPARE(QApplication::focusWidget(), next);
    // The card is turned over to show everything.
    QVERIFY(m_widget->card(3)->cardState().pinyinVisible);
    QVERIFY(m_widget->card(3)->cardState().definitionVisible);

    // Choosing again changes nothing: one question, one answer.
    press(Qt::Key_A);
    press(Qt::Key_B);
    press(Qt::Key_C);
    QTest::mouseClick(optionButton(0), Qt::LeftButton);

    press(Qt::Key_Return);
    QVERIFY(m_widget->currentCard() != card);
    QVERIFY(!resultLabel()->isVisible());
    QVERIFY(optionButton(0)->isEnabled());
    QCOMPARE(progressLabel()->text(), QStringLiteral("%1 cards remaining (2/%2)")
                                          .arg(hsk1->cardCount() - (right ? 1 : 0))
                                          .arg(hsk1->cardCount()));
    QCOMPARE(verifyHistory(expected), QString());
}

void TestPracticeWidget::selfAssessmentFlipsAndAnswersWithKeys()
{
    Deck* deck = makeDeck(m_profile.get(), "Mine",
                          {{"你好", "", "ni3 hao3", "hello", 2},
                           {"再见", "再見", "zai4 jian4", "goodbye", 3},
                           {"谢谢", "謝謝", "xie4 xie5", "thank you", 0}});
    QVERIFY(deck);
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeFreeRB";
    setUp.cardInfo = {{"pinyinCheckbox", false}, {"definitionCheckbox", false}};
    QVERIFY(start(setUp));
    QVERIFY(button("flipButton")->isVisible());
    QVERIFY(button("flipButton")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), button("correctButton"));
    // The session's card state: characters shown, pinyin and definition hidden.
    QVERIFY(!m_widget->card(3)->cardState().pinyinVisible);

    QList<GivenAnswer> expected;
    press(Qt::Key_F);
    QVERIFY(m_widget->card(3)->cardState().pinyinVisible);
    QVERIFY(m_widget->card(3)->cardState().definitionVisible);
    QVERIFY(!button("flipButton")->isEnabled());
    DeckCard* first = m_widget->currentCard();
    expected << given(1);
    press(Qt::Key_C);
    QVERIFY(m_widget->currentCard() && m_widget->currentCard() != first);
    // The next card comes face down again.
    QVERIFY(!m_widget->card(3)->cardState().pinyinVisible);
    QVERIFY(button("flipButton")->isEnabled());

    expected << given(0);
    press(Qt::Key_W);
    expected << given(1);
    QTest::mouseClick(button("correctButton"), Qt::LeftButton);
    QCOMPARE(progressLabel()->text(), QStringLiteral("1 card remaining (1/1)"));
    // The card answered wrongly comes back in the second round, worth half a point.
    expected << given(1);
    QCOMPARE(expected.last().scoreDelta, 0.5);
    press(Qt::Key_C);
    QCOMPARE(m_session->status(), SessionStatus::Finished);
    // A finished session keeps its last card, with nothing left to answer.
    QVERIFY(m_widget->card(3)->isVisible());
    QVERIFY(m_widget->card(3)->object());
    QVERIFY(!button("correctButton")->isEnabled());
    QVERIFY(!button("wrongButton")->isEnabled());
    QVERIFY(!button("flipButton")->isEnabled());
    QCOMPARE(progressLabel()->text(), QStringLiteral("0 cards remaining (1/1)"));
    press(Qt::Key_C);
    QCOMPARE(verifyHistory(expected), QString());
}

void TestPracticeWidget::keysActOnlyWhereTheirButtonIsOffered()
{
    Deck* deck =
        makeDeck(m_profile.get(), "Mine",
                 {{"中国", "中國", "zhong1 guo2", "China"}, {"你好", "", "ni3 hao3", "hello"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeWriteRB";
    setUp.quizOn = "pinyin";
    QVERIFY(start(setUp));
    QVERIFY(answerBox()->hasFocus());

    // Sent to the screen itself: self-assessment keys mean nothing in a type-in question.
    for (Qt::Key key : {Qt::Key_C, Qt::Key_W, Qt::Key_F, Qt::Key_A})
        QTest::keyClick(m_widget.data(), key);
    QVERIFY(!resultLabel()->isVisible());
    QVERIFY(!m_widget->card(3)->cardState().pinyinVisible);
    // Typed into the box, they are text.
    QTest::keyClicks(answerBox(), "cw");
    QCOMPARE(answerBox()->text(), QStringLiteral("cw"));
    QVERIFY(!resultLabel()->isVisible());

    QList<GivenAnswer> expected = {given(0)};
    QTest::keyClick(answerBox(), Qt::Key_Return);
    QCOMPARE(resultLabel()->text(), QStringLiteral("Wrong!"));
    QVERIFY(!answerBox()->isEnabled());
    // Another Return or OK cannot answer the same question twice.
    QTest::keyClick(answerBox(), Qt::Key_Return);
    QTest::mouseClick(button("tiOkButton"), Qt::LeftButton);
    QTest::keyClick(m_widget.data(), Qt::Key_C);
    QCOMPARE(verifyHistory(expected), QString());
    QTest::qWait(600);
    QCOMPARE(storedAnswers(databasePath()).size(), 1);
}

void TestPracticeWidget::typedAnswers_data()
{
    QTest::addColumn<QString>("quizOn");
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("traditional");
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("correct");

    const QString zg = "中国", zgT = "中國", zgP = "zhong1 guo2";
    QTest::newRow("pinyin, other case") << "pinyin" << zg << zgT << zgP << "China"
                                        << "Zhong1 Guo2" << true;
    QTest::newRow("pinyin run together") << "pinyin" << zg << zgT << zgP << "China"
                                         << "zhong1guo2" << true;
    QTest::newRow("pinyin, tone marks") << "pinyin" << zg << zgT << zgP << "China"
                                        << "zhōng guó" << true;
    QTest::newRow("pinyin, marks run together") << "pinyin" << zg << zgT << zgP << "China"
                                                << "zhōngguó" << true;
    QTest::newRow("pinyin, two spaces") << "pinyin" << zg << zgT << zgP << "China"
                                        << "zhong1  guo2" << true;
    QTest::newRow("pinyin, wrong tone") << "pinyin" << zg << zgT << zgP << "China"
                                        << "zhong1 guo3" << false;
    const QString nv = "女", lv = "绿";
    for (const char* typed : {"nu:3", "nü3", "nv3", "NǙ"})
        QTest::addRow("pinyin %s", typed) << "pinyin" << nv << nv << "nu:3"
                                          << "woman" << typed << true;
    for (const char* typed : {"lü4", "lv4"})
        QTest::addRow("pinyin %s", typed) << "pinyin" << lv << "綠"
                                          << "lu:4"
                                          << "green" << typed << true;
    QTest::newRow("pinyin, u for umlaut") << "pinyin" << nv << nv << "nu:3"
                                          << "woman"
                                          << "nu3" << false;
    QTest::newRow("pinyin, neutral tone left out") << "pinyin"
                                                   << "妈妈"
                                                   << "媽媽"
                                                   << "ma1 ma5"
                                                   << "mum"
                                                   << "ma1 ma" << true;
    QTest::newRow("pinyin, a tone left out") << "pinyin" << zg << zgT << zgP << "China"
                                             << "zhong guo2" << false;
    QTest::newRow("simplified") << "simplified" << zg << zgT << zgP << "China" << zg << true;
    QTest::newRow("simplified given traditional")
        << "simplified" << zg << zgT << zgP << "China" << zgT << false;
    QTest::newRow("traditional") << "traditional" << zg << zgT << zgP << "China" << zgT << true;
    QTest::newRow("traditional given simplified")
        << "traditional" << zg << zgT << zgP << "China" << zg << false;
    QTest::newRow("latin letters in the characters") << "simplified"
                                                     << "卡拉OK"
                                                     << "卡拉OK"
                                                     << "ka3 la1 O K"
                                                     << "karaoke"
                                                     << "卡拉ok" << true;

    const QString go = "to go, to leave";
    QTest::newRow("first piece") << "definition"
                                 << "走"
                                 << ""
                                 << "zou3" << go << "to go" << true;
    QTest::newRow("second piece") << "definition"
                                  << "走"
                                  << ""
                                  << "zou3" << go << "to leave" << true;
    QTest::newRow("whole entry") << "definition"
                                 << "走"
                                 << ""
                                 << "zou3" << go << go << true;
    QTest::newRow("case and blanks") << "definition"
                                     << "走"
                                     << ""
                                     << "zou3" << go << " To Leave " << true;
    QTest::newRow("without its leading to") << "definition"
                                            << "走"
                                            << ""
                                            << "zou3" << go << "go" << true;
    QTest::newRow("part of a piece") << "definition"
                                     << "走"
                                     << ""
                                     << "zou3" << go << "go away" << false;
    const QString study = "to learn; to study";
    const QByteArray wholeDefinition = study.toUtf8();
    for (const char* typed : {"to study", "study", "To Learn!", wholeDefinition.constData()})
        QTest::addRow("sense %s", typed) << "definition"
                                         << "学习"
                                         << "學習"
                                         << "xue2 xi2" << study << typed << true;
    QTest::newRow("part of a sense") << "definition"
                                     << "学习"
                                     << "學習"
                                     << "xue2 xi2" << study << "stud" << false;
    QTest::newRow("another entry") << "definition"
                                   << "走"
                                   << ""
                                   << "zou3"
                                   << "to walk/" + go << "to walk" << true;
    const QString friendEntry = "(informal) friend";
    QTest::newRow("parenthesised part left out") << "definition"
                                                 << "哥们"
                                                 << "哥們"
                                                 << "ge1 men5" << friendEntry << "friend" << true;
    QTest::newRow("only the parenthesised part")
        << "definition"
        << "哥们"
        << "哥們"
        << "ge1 men5" << friendEntry << "informal" << false;
    QTest::newRow("as the card shows it") << "definition"
                                          << "哥们"
                                          << "哥們"
                                          << "ge1 men5" << friendEntry << friendEntry << true;
    QTest::newRow("part left out inside") << "definition"
                                          << "送"
                                          << ""
                                          << "song4"
                                          << "to take (sb) home"
                                          << "to take home" << true;
}

void TestPracticeWidget::typedAnswers()
{
    QFETCH(QString, quizOn);
    QFETCH(QString, simplified);
    QFETCH(QString, traditional);
    QFETCH(QString, pinyin);
    QFETCH(QString, definition);
    QFETCH(QString, typed);
    QFETCH(bool, correct);
    // Both scripts on screen, so that either can be asked.
    m_profile->setSetting("characterMode", "both");
    Deck* deck =
        makeDeck(m_profile.get(), "Typed", {{simplified, traditional, pinyin, definition}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeWriteRB";
    setUp.quizOn = quizOn;
    QVERIFY(start(setUp));

    auto* label = m_widget->findChild<QLabel*>("tiAnswerLabel");
    QVERIFY(label->isVisible());
    const QMap<QString, QString> names = {{"simplified", "Simplified"},
                                          {"traditional", "Traditional"},
                                          {"pinyin", "Pinyin"},
                                          {"definition", "Definition"}};
    QCOMPARE(label->text(), names.value(quizOn) + ":");
    QCOMPARE(answerBox()->placeholderText().isEmpty(), quizOn != "pinyin");
    QVERIFY(!button("tiOkButton")->isEnabled());

    answerBox()->setFocus();
    uitest::typeText(answerBox(), typed);
    QCOMPARE(answerBox()->text(), typed);
    QVERIFY(button("tiOkButton")->isEnabled());
    QList<GivenAnswer> expected = {given(correct ? 1 : 0)};
    QTest::keyClick(answerBox(), Qt::Key_Return);
    QVERIFY(resultLabel()->isVisible());
    QCOMPARE(resultLabel()->text(),
             correct ? QStringLiteral("Correct!") : QStringLiteral("Wrong!"));
    QVERIFY(button("mcqNextButton")->isVisible());
    QCOMPARE(verifyHistory(expected), QString());
}

// A held Return does not skip the result of a typed answer, and a double click on Correct does
// not answer the card that comes next.
void TestPracticeWidget::aHeldReturnKeepsTheResult()
{
    Deck* deck =
        makeDeck(m_profile.get(), "Twice",
                 {{"中国", "中國", "zhong1 guo2", "China"}, {"你好", "", "ni3 hao3", "hello"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeWriteRB";
    setUp.quizOn = "pinyin";
    QVERIFY(start(setUp));
    DeckCard* first = m_widget->currentCard();
    uitest::typeText(answerBox(), first->knowledgeUnit()->pinyin());
    QTest::keyClick(answerBox(), Qt::Key_Return);
    QVERIFY(resultLabel()->isVisible());
    for (int repeat = 0; repeat < 3; ++repeat) {
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString("\r"), true);
        QApplication::sendEvent(QApplication::focusWidget(), &held);
    }
    QVERIFY(resultLabel()->isVisible());
    QCOMPARE(m_widget->currentCard(), first);
    QCOMPARE(verifyHistory({given(1)}), QString());
}

void TestPracticeWidget::aDoubleClickAnswersOnce()
{
    Deck* others =
        makeDeck(m_profile.get(), "Free", {{"一", "", "yi1", "one"}, {"二", "", "er4", "two"}});
    SetUp free;
    free.deckIds = {others->id()};
    QVERIFY(start(free));
    DeckCard* shown = m_widget->currentCard();
    QWidget* correct = button("correctButton");
    const QPoint centre = correct->mapTo(correct->window(), correct->rect().center());
    QTest::mouseDClick(correct->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
    QVERIFY(m_widget->currentCard() != shown);
    QCOMPARE(m_session->remainingCardCount(), 1);
}

// A card without the asked field could never be answered: it is left out of the session.
void TestPracticeWidget::questionsOnAMissingFieldAreSkipped()
{
    Deck* deck =
        makeDeck(m_profile.get(), "Gaps",
                 {{"中国", "中國", "zhong1 guo2", "China"}, {"喜欢", "喜歡", "", "to like"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeWriteRB";
    setUp.quizOn = "pinyin";
    QVERIFY(start(setUp));
    QCOMPARE(m_session->roundTotal(), 1);
    QCOMPARE(m_widget->currentCard()->knowledgeUnit()->simplified(), QStringLiteral("中国"));
    uitest::typeText(answerBox(), "zhong1 guo2");
    QList<GivenAnswer> expected = {given(1)};
    QTest::keyClick(answerBox(), Qt::Key_Return);
    QCOMPARE(resultLabel()->text(), QStringLiteral("Correct!"));
    QCOMPARE(verifyHistory(expected), QString());
    QTest::mouseClick(button("mcqNextButton"), Qt::LeftButton);
    QCOMPARE(m_session->status(), SessionStatus::Finished);
}

void TestPracticeWidget::blankAnswerDoesNothing()
{
    Deck* deck = makeDeck(m_profile.get(), "Mine", {{"中国", "中國", "zhong1 guo2", "China"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeWriteRB";
    setUp.quizOn = "definition";
    QVERIFY(start(setUp));

    QTest::keyClicks(answerBox(), "   ");
    QVERIFY(!button("tiOkButton")->isEnabled());
    QTest::keyClick(answerBox(), Qt::Key_Return);
    QVERIFY(!resultLabel()->isVisible());
    QVERIFY(answerBox()->isEnabled());
    QTest::qWait(700);
    QVERIFY(storedAnswers(databasePath()).isEmpty());

    QTest::keyClicks(answerBox(), "china");
    QList<GivenAnswer> expected = {given(1)};
    QTest::mouseClick(button("tiOkButton"), Qt::LeftButton);
    QCOMPARE(resultLabel()->text(), QStringLiteral("Correct!"));
    QCOMPARE(verifyHistory(expected), QString());
}

void TestPracticeWidget::audioPlaysWhenACardIsRevealed_data()
{
    QTest::addColumn<bool>("setting");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void TestPracticeWidget::audioPlaysWhenACardIsRevealed()
{
    QFETCH(bool, setting);
    m_profile->setSetting("playAudioOnRevealCard", setting);
    Deck* deck =
        makeDeck(m_profile.get(), "Mine", {{"你", "", "ni3", "you"}, {"好", "", "hao3", "good"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeFreeRB";
    setUp.cardInfo = {{"pinyinCheckbox", false}, {"definitionCheckbox", false}};
    QVERIFY(start(setUp));
    PinyinPlayer* player = m_services->pinyinPlayer();
    // Nothing is played when a card is first shown.
    QVERIFY(player->playList().isEmpty());

    const QString first = m_widget->currentCard()->knowledgeUnit()->pinyin();
    QList<GivenAnswer> expected = {given(1)};
    press(Qt::Key_C);
    const QStringList heard = setting ? QStringList{player->recordingFile(first)} : QStringList();
    QCOMPARE(player->playList(), heard);
    QVERIFY(QFile::exists(player->recordingFile(first)));

    // A flipped card is heard once, on the flip, and not again when it is answered.
    const QString second = m_widget->currentCard()->knowledgeUnit()->pinyin();
    expected << given(1);
    QVERIFY(button("flipButton")->isEnabled());
    press(Qt::Key_F);
    QVERIFY(m_widget->card(3)->cardState().pinyinVisible);
    const QStringList heardSecond =
        setting ? QStringList{player->recordingFile(second)} : QStringList();
    QCOMPARE(player->playList(), heardSecond);
    player->stop();
    press(Qt::Key_C);
    QCOMPARE(player->playList(), heardSecond);
    QCOMPARE(verifyHistory(expected), QString());
}

void TestPracticeWidget::pileFollowsTheRound()
{
    Deck* deck = makeDeck(m_profile.get(), "Four",
                          {{"一", "", "yi1", "one"},
                           {"二", "", "er4", "two"},
                           {"三", "", "san1", "three"},
                           {"四", "", "si4", "four"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeFreeRB";
    QVERIFY(start(setUp));

    // Left: the cards done in this round (up to three); right: those still to come.
    struct Pile
    {
        int left;
        int right;
        QString progress;
    };
    const QList<Pile> piles = {{0, 3, "4 cards remaining (1/4)"},
                               {1, 2, "3 cards remaining (2/4)"},
                               {2, 1, "2 cards remaining (3/4)"},
                               {3, 0, "2 cards remaining (4/4)"}};
    QList<GivenAnswer> expected;
    for (int served = 0; served < piles.size(); ++served) {
        const Pile& pile = piles.at(served);
        QCOMPARE(visibleCards(0, 2), pile.left);
        QCOMPARE(visibleCards(4, 6), pile.right);
        // The left pile grows from the middle outwards.
        for (int j = 0; j < 3; ++j)
            QCOMPARE(m_widget->card(j)->isVisible(), 3 - j <= pile.left);
        QCOMPARE(progressLabel()->text(), pile.progress);
        // The third card is answered wrongly.
        const int result = served == 2 ? 0 : 1;
        expected << given(result);
        press(result ? Qt::Key_C : Qt::Key_W);
    }
    // A second round of the one card not yet known: nothing before or after it.
    QCOMPARE(m_session->round(), 1);
    QCOMPARE(progressLabel()->text(), QStringLiteral("1 card remaining (1/1)"));
    QCOMPARE(visibleCards(0, 2), 0);
    QCOMPARE(visibleCards(4, 6), 0);
    QCOMPARE(m_widget->currentCard()->id(), expected.at(2).cardId);
    expected << given(1);
    press(Qt::Key_C);
    QCOMPARE(verifyHistory(expected), QString());
}

void TestPracticeWidget::deckChangesResetWithoutDanglingCard_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("answerFirst");
    QTest::addColumn<bool>("resets");
    QTest::newRow("current card deleted") << "deleteCard" << false << true;
    QTest::newRow("deck deleted") << "deleteDeck" << false << true;
    QTest::newRow("card added") << "addCard" << false << true;
    QTest::newRow("card added after answering") << "addCard" << true << true;
    QTest::newRow("another deck changed") << "otherDeck" << false << false;
}

void TestPracticeWidget::deckChangesResetWithoutDanglingCard()
{
    QFETCH(QString, change);
    QFETCH(bool, answerFirst);
    QFETCH(bool, resets);
    Deck* deck = makeDeck(m_profile.get(), "Mine",
                          {{"中国", "中國", "zhong1 guo2", "China"},
                           {"你好", "", "ni3 hao3", "hello"},
                           {"谢谢", "謝謝", "xie4 xie5", "thank you"}});
    Deck* other = makeDeck(m_profile.get(), "Other", {{"再见", "再見", "zai4 jian4", "goodbye"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeMcqRB";
    QVERIFY(start(setUp));
    QPointer<DeckCard> card = m_widget->currentCard();

    QList<GivenAnswer> expected;
    if (answerFirst) {
        const bool right = m_widget->options().at(0).kuId == card->kuId();
        expected << given(right ? 1 : 0);
        press(Qt::Key_A);
        QVERIFY(resultLabel()->isVisible());
    }

    if (change == "deleteCard") {
        deck->deleteCard(card->id());
    } else if (change == "deleteDeck") {
        m_profile->deleteDeck(deck->id());
    } else if (change == "addCard") {
        auto* unit = new KnowledgeUnit;
        unit->setType(2);
        unit->setOwner(1);
        unit->setSimplified("新");
        unit->setPinyin("xin1");
        QVERIFY(m_profile->dictionary()->saveKnowledgeUnit(unit));
        deck->addKnowledgeUnit(unit);
    } else {
        auto* unit = new KnowledgeUnit;
        unit->setType(2);
        unit->setOwner(1);
        unit->setSimplified("新");
        unit->setPinyin("xin1");
        QVERIFY(m_profile->dictionary()->saveKnowledgeUnit(unit));
        other->addKnowledgeUnit(unit);
    }

    auto* message = m_widget->findChild<QLabel*>("messageLabel");
    if (!resets) {
        QCOMPARE(m_widget->currentCard(), card.data());
        QVERIFY(m_widget->card(3)->isVisible());
        QVERIFY(optionButton(0)->isVisible() && optionButton(0)->isEnabled());
        const bool right = m_widget->options().at(0).kuId == card->kuId();
        expected << given(right ? 1 : 0);
        press(Qt::Key_A);
        QCOMPARE(verifyHistory(expected), QString());
        return;
    }

    // An answer given before the change is written at once, by the reset.
    QCOMPARE(storedAnswers(databasePath()).size(), expected.size());
    QCOMPARE(visibleCards(0, 6), 0);
    QVERIFY(!m_widget->currentCard());
    QVERIFY(!m_widget->card(3)->object());
    QVERIFY(message->isVisible());
    QCOMPARE(message->text(),
             QStringLiteral("The session has been reset because one of the decks was changed or "
                            "deleted. To restart the session, please click on the \"New "
                            "Session\" button."));
    QCOMPARE(progressLabel()->text(), QStringLiteral("0 cards remaining (0/0)"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(!optionButton(i)->isVisible());
    QVERIFY(!resultLabel()->isVisible());
    QVERIFY(!button("mcqNextButton")->isVisible());
    for (const char* name : {"strokeAnimationButton", "cardPropertiesButton",
                             "searchDictionaryButton", "listenButton"})
        QVERIFY2(!button(name)->isVisible(), name);

    // Nothing reaches the card that was on screen any more.
    for (Qt::Key key : {Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_F, Qt::Key_W, Qt::Key_S, Qt::Key_P,
                        Qt::Key_D, Qt::Key_L, Qt::Key_Return})
        QTest::keyClick(m_widget.data(), key);
    QTest::mouseClick(button("mcqNextButton"), Qt::LeftButton);
    QCOMPARE(m_services->calls, QStringList());
    QCOMPARE(m_services->editCardCount, 0);
    QCOMPARE(m_session->status(), SessionStatus::Idle);
    QTest::qWait(600);
    QCOMPARE(verifyHistory(expected), QString());

    // A new session starts from the dialog again.
    SetUp again;
    again.deckIds = {other->id()};
    again.type = "typeFreeRB";
    QVERIFY(start(again));
    QVERIFY(!message->isVisible());
    QVERIFY(m_widget->card(3)->isVisible());
    QCOMPARE(m_widget->currentCard()->deckId(), other->id());
    expected << given(1);
    press(Qt::Key_C);
    QCOMPARE(verifyHistory(expected), QString());
}

void TestPracticeWidget::cardCommandsReachTheApplication()
{
    Deck* deck = makeDeck(m_profile.get(), "Mine", {{"中国", "中國", "zhong1 guo2", "China"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeMcqRB";
    setUp.quizOn = "definition";
    QVERIFY(start(setUp));

    press(Qt::Key_S);
    QTest::mouseClick(button("strokeAnimationButton"), Qt::LeftButton);
    press(Qt::Key_D);
    m_profile->setSetting("characterMode", "traditional");
    QTest::mouseClick(button("searchDictionaryButton"), Qt::LeftButton);
    QCOMPARE(m_services->calls, QStringList({"showStrokeOrder:中国", "showStrokeOrder:中国",
                                             "searchDictionary:中国", "searchDictionary:中國"}));

    press(Qt::Key_L);
    PinyinPlayer* player = m_services->pinyinPlayer();
    QCOMPARE(player->playList(),
             QStringList({player->recordingFile("zhong1"), player->recordingFile("guo2")}));

    // The card editor opens on the card; cancelled, the question is still there to answer.
    const QList<McqOption> options = m_widget->options();
    QString editedTitle;
    auto editor = guitest::onNextModal([&](QWidget* dialog) {
        editedTitle = dialog->objectName();
        dialog->findChild<QPushButton*>("cancelButton")->click();
    });
    press(Qt::Key_P);
    QVERIFY(editor->seen);
    QCOMPARE(editedTitle, QStringLiteral("EditCardDialog"));
    QCOMPARE(m_services->editCardCount, 1);
    QCOMPARE(m_services->cardEditor()->findChild<QLineEdit*>("simplifiedTE")->text(),
             QStringLiteral("中国"));
    QCOMPARE(m_widget->options().size(), options.size());
    QVERIFY(optionButton(0)->isEnabled());

    // Edited in place, the answer's option reads as the card now does.
    auto save = guitest::onNextModal([&](QWidget* dialog) {
        auto* definitionBox = dialog->findChild<QPlainTextEdit*>("definitionTE");
        definitionBox->setFocus();
        definitionBox->selectAll();
        QTest::keyClicks(definitionBox, "the Middle Kingdom");
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    QTest::mouseClick(button("cardPropertiesButton"), Qt::LeftButton);
    QVERIFY(save->seen);
    QCOMPARE(m_widget->currentCard()->knowledgeUnit()->definitionText(),
             QStringLiteral("the Middle Kingdom"));
    int answers = 0;
    for (const McqOption& option : m_widget->options()) {
        if (option.kuId == m_widget->currentCard()->kuId()) {
            ++answers;
            QCOMPARE(option.text, QStringLiteral("the Middle Kingdom"));
        }
    }
    QCOMPARE(answers, 1);
}

void TestPracticeWidget::pinyinOptionsAreColouredByTone()
{
    Deck* deck = makeDeck(m_profile.get(), "Mine", {{"中国", "中國", "zhong1 guo2", "China"}});
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeMcqRB";
    setUp.quizOn = "pinyin";
    QVERIFY(start(setUp));
    QCOMPARE(m_profile->setting("pinyinColorization").toString(), QStringLiteral("pinyin"));

    const QList<McqOption> options = m_widget->options();
    QCOMPARE(options.size(), 3);
    for (int i = 0; i < options.size(); ++i) {
        const QStringList parts = optionButton(i)->labelParts();
        const QStringList syllables = splitSyllables(options.at(i).text);
        QCOMPARE(parts.size(), 2 * syllables.size() - 1);
        for (int s = 0; s < syllables.size(); ++s)
            QCOMPARE(parts.at(2 * s), numberedSyllableToMarked(syllables.at(s)));
        QCOMPARE(optionButton(i)->text(), numberedToMarked(options.at(i).text));
        if (options.at(i).kuId != 0)
            QCOMPARE(parts, QStringList({"zhōng", " ", "guó"}));
    }

    const bool right = options.at(1).kuId == m_widget->currentCard()->kuId();
    QList<GivenAnswer> expected = {given(right ? 1 : 0)};
    press(Qt::Key_B);
    // Changing the colouring later keeps the answered options as they were left.
    m_profile->setSetting("pinyinColorization", "none");
    for (int i = 0; i < options.size(); ++i) {
        QVERIFY(optionButton(i)->labelParts().isEmpty());
        QCOMPARE(optionButton(i)->text(), numberedToMarked(options.at(i).text));
        QVERIFY(!optionButton(i)->isEnabled());
        QCOMPARE(optionButton(i)->opacity(),
                 options.at(i).kuId == m_widget->currentCard()->kuId() ? 1.0 : 0.3);
    }
    QCOMPARE(verifyHistory(expected), QString());
}

void TestPracticeWidget::optionsNeverReadAlike_data()
{
    QTest::addColumn<QString>("quizOn");
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("pinyin");
    // Without a Chinese character nothing can be swapped for a look-alike.
    QTest::newRow("no Chinese character") << "simplified"
                                          << "OK"
                                          << "O K";
    QTest::newRow("erhua") << "pinyin"
                           << "哪儿"
                           << "na3 r5";
    QTest::newRow("erhua after a syllable") << "pinyin"
                                            << "一会儿"
                                            << "yi1 hui4 r5";
    QTest::newRow("one syllable") << "pinyin"
                                  << "女"
                                  << "nu:3";
    QTest::newRow("reduplication") << "simplified"
                                   << "谢谢"
                                   << "xie4 xie5";
}

// Drawn many times, no two options read the same, and none but the answer reads like it.
void TestPracticeWidget::optionsNeverReadAlike()
{
    QFETCH(QString, quizOn);
    QFETCH(QString, simplified);
    QFETCH(QString, pinyin);
    QList<Entry> entries;
    for (int i = 0; i < 12; ++i)
        entries << Entry{simplified, simplified, pinyin, QStringLiteral("entry")};
    // Separate units, so that the session keeps all twelve cards.
    Deck* deck = makeDeck(m_profile.get(), "Alike", entries);
    SetUp setUp;
    setUp.deckIds = {deck->id()};
    setUp.type = "typeMcqRB";
    setUp.quizOn = quizOn;
    QVERIFY(start(setUp));

    QList<GivenAnswer> expected;
    for (int question = 0; question < 12; ++question) {
        DeckCard* card = m_widget->currentCard();
        QVERIFY(card);
        const QList<McqOption> options = m_widget->options();
        QCOMPARE(options.size(), 3);
        QSet<QString> readings;
        int answers = 0;
        for (const McqOption& option : options) {
            const QString reading = quizOn == "pinyin" ? numberedToMarked(option.text.toLower())
                                                       : option.text.toLower();
            QVERIFY2(!readings.contains(reading), qPrintable(option.text));
            readings.insert(reading);
            if (option.kuId == card->kuId())
                ++answers;
            // A tone variant of an erhua word (the same syllables before the "r") keeps its
            // neutral "r5".
            if (pinyin.endsWith(" r5")) {
                const QStringList stem = removeToneNumbers(pinyin.chopped(3)).split(' ');
                const QStringList words = removeToneNumbers(option.text).split(' ');
                if (words.mid(0, stem.size()) == stem)
                    QVERIFY2(option.text.endsWith(" r5") && words.size() == stem.size() + 1,
                             qPrintable(option.text));
            }
        }
        QCOMPARE(answers, 1);
        int answerButton = 0;
        while (options.at(answerButton).kuId != card->kuId())
            ++answerButton;
        expected << given(1);
        press(Qt::Key(Qt::Key_A + answerButton));
        QCOMPARE(resultLabel()->text(), QStringLiteral("Correct!"));
        press(Qt::Key_Return);
    }
    QCOMPARE(progressLabel()->text(), QStringLiteral("0 cards remaining (12/12)"));
    QCOMPARE(m_session->status(), SessionStatus::Finished);
    QCOMPARE(verifyHistory(expected), QString());
}

void TestPracticeWidget::layoutFollowsTheFan()
{
    // The screen in a 1024 x 768 window: 695 pixels below the navigation bar, a 44-pixel bar.
    auto* message = m_widget->findChild<QLabel*>("messageLabel");
    QTRY_COMPARE(message->geometry(), QRect(256, -22, 512, 695));
    QCOMPARE(m_widget->actionBar()->geometry(), QRect(0, 651, 1024, 44));

    Deck* hsk1 = builtInDeck(m_profile.get(), "{HSK_1}");
    SetUp setUp;
    setUp.deckIds = {hsk1->id()};
    setUp.type = "typeMcqRB";
    QVERIFY(start(setUp));
    QTest::qWait(50);

    // Area 651 x 0.7 = 455.7; main side 364.56; sides 291, 255 and 207; 45 pixels down.
    const QList<QRect> expected = {QRect(84, 123, 207, 207), QRect(136, 99, 255, 255),
                                   QRect(213, 81, 291, 291), QRect(330, 45, 364, 364),
                                   QRect(520, 81, 291, 291), QRect(633, 99, 255, 255),
                                   QRect(733, 123, 207, 207)};
    for (int i = 0; i < 7; ++i)
        QCOMPARE(m_widget->card(i)->geometry(), expected.at(i));
    QCOMPARE(PracticeWidget::cardGeometry(QSize(1024, 695), 44)[3], QRect(330, 45, 364, 364));
    // Stacking: the main card over the right pile, the right pile falling away from it.
    const QObjectList children = m_widget->children();
    auto z = [&](int i) { return children.indexOf(m_widget->card(i)); };
    QVERIFY(z(3) > z(4) && z(4) > z(5) && z(5) > z(6));
    QVERIFY(z(2) > z(1) && z(1) > z(0));

    // The options: one column below the card, centred in the 243 pixels above the bar.
    const int mainBottom = 45 + 364 - 1;
    const int height = optionButton(0)->height();
    int widest = 0;
    for (int i = 0; i < 3; ++i)
        widest = qMax(widest, optionButton(i)->width());
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(optionButton(i)->x(), qMax(10, (1024 - widest) / 2));
        QCOMPARE(optionButton(i)->y(), mainBottom + (243 - 3 * height) / 2 + i * height);
    }
    QVERIFY(!message->isVisible());

    // The result between the options and the bar, beside "Next >>".
    const QList<GivenAnswer> answers = {
        given(m_widget->options().at(0).kuId == m_widget->currentCard()->kuId() ? 1 : 0)};
    press(Qt::Key_A);
    QTest::qWait(50);
    QLabel* result = resultLabel();
    XQPushButton* next = button("mcqNextButton");
    const int optionsBottom = optionButton(2)->y() + height;
    QCOMPARE(result->y(),
             qMin((optionsBottom + 651) / 2 - result->height() / 2, 651 - result->height()));
    QCOMPARE(next->x(), result->x() + result->width() + 30);
    QCOMPARE(result->x(), (1024 - (result->width() + 30 + next->width())) / 2);
    QCOMPARE(verifyHistory(answers), QString());
}

QTEST_MAIN(TestPracticeWidget)
#include "tst_practicewidget.moc"
