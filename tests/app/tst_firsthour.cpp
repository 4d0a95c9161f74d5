// A learner's first hour with the real program, played through the real widgets: a fresh
// profile, the dictionary and stroke order, a deck of one's own, practice, options, sharing and
// printing, and a second start on the same profile. Every stored change is read back from
// Profile.db through a connection of the test's own.

#include "app/application.h"
#include "cards/cardwidget.h"
#include "cards/xqlistview.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary_ui/dictionarywidget.h"
#include "guitestsupport.h"
#include "practice/practicewidget.h"
#include "practice/session.h"
#include "practice/sessiondialog.h"
#include "practicetestsupport.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "strokes/strokeanimationview.h"
#include "style/deckmanageractionbar.h"
#include "style/practiceactionbar.h"
#include "style/xqpushbutton.h"
#include "ui/deckmanagerwidget.h"
#include "ui/decktreewidget.h"
#include "ui/mainwindow.h"
#include "ui/navigationbar.h"
#include "uitestsupport.h"
#include "webpagetestsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

#include <cstdio>

using namespace korvo;

namespace {

QString profileFile(const QString& userData)
{
    return userData + QStringLiteral("/Quillet/Profile.db");
}

QVariant stored(const QString& userData, const QString& statement)
{
    return profiletest::scalarOnFile(profileFile(userData), statement);
}

QString storedSetting(const QString& userData, const QString& name)
{
    return stored(userData, QStringLiteral("SELECT settingValue FROM UserSettings WHERE "
                                           "settingName = '%1'")
                                .arg(name))
        .toString();
}

// The simplified forms of a stored deck's cards, in their stored order.
QStringList storedCards(const QString& userData, const QString& deckTitle)
{
    QStringList words;
    QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "readBack");
    {
        database.setDatabaseName(profileFile(userData));
        if (database.open()) {
            QSqlQuery query(database);
            query.prepare("SELECT KnowledgeUnits.simplified FROM Cards JOIN Decks ON "
                          "Cards.deckId = Decks.id JOIN KnowledgeUnits ON Cards.kuId = "
                          "KnowledgeUnits.id WHERE Decks.title = :title ORDER BY "
                          "Cards.sortOrder");
            query.bindValue(":title", deckTitle);
            query.exec();
            while (query.next())
                words << query.value(0).toString();
        }
        database.close();
    }
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase("readBack");
    return words;
}

// Where the first run leaves what the second start must find: the stored history rows, and each
// practised word's score, one "word score" line each.
QString expectationFile(const QString& userData)
{
    return userData + QStringLiteral("/expected-practice.txt");
}

} // namespace

class TestFirstHour : public QObject
{
    Q_OBJECT

public:
    explicit TestFirstHour(const QString& userData) : m_userData(userData) {}

private slots:
    void initTestCase();
    void opensOnThePracticeScreenWithABackup();
    void looksUpAWordAndWatchesItsStrokeOrder();
    void makesADeckOfItsOwn();
    void practisesTheDeck();
    void changesTheLanguageAndTheScript();
    void sharesDeletesImportsAndPrintsTheDeck();
    void closesTheWindow();

private:
    Application* app() const { return Application::instance(); }
    MainWindow* window() const { return app()->mainWindow(); }
    void clickTab(const char* button);
    DeckManagerWidget* manager() const { return window()->deckManagerScreen(); }
    QPoint deckPoint(int deckId);
    void selectDeck(int deckId);
    void rightClickDeck(int deckId);
    Deck* topLevelDeck(const QString& title) const;
    void typeInDictionary(const QString& text);
    PracticeWidget* practice() const { return window()->practiceScreen(); }
    // Starts a session on "My words" through the set-up dialog, as the learner does.
    void startPractice(const practicetest::SetUp& setUp);
    void press(Qt::Key key);
    // The answer about to be given to the card on screen, as the profile should record it.
    practicetest::GivenAnswer given(int result) const;
    bool practiceFinished() const;
    QString checkHistory() const;

    QString m_userData;
    QList<practicetest::GivenAnswer> m_answers;
    QMap<int, double> m_scoresBefore;
    QMap<int, QString> m_wordOfUnit;
    qint64 m_practiceStart = 0;
    int m_folderId = 0;
    int m_deckId = 0;
    QTemporaryDir m_files;
};

void TestFirstHour::initTestCase()
{
    QVERIFY(!QFile::exists(profileFile(m_userData)));
    app()->initialize();
    QVERIFY(window()->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(window()));
}

void TestFirstHour::clickTab(const char* button)
{
    QTest::mouseClick(window()->navigationBar()->button(QLatin1String(button)), Qt::LeftButton);
}

QPoint TestFirstHour::deckPoint(int deckId)
{
    DeckTreeWidget* tree = manager()->deckList();
    const QRect rect = tree->visualRect(tree->indexOfDeck(deckId));
    return rect.isValid() ? rect.center() : QPoint(-1, -1);
}

void TestFirstHour::selectDeck(int deckId)
{
    QTest::mouseClick(manager()->deckList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      deckPoint(deckId));
    QCOMPARE(manager()->selectedDeck() ? manager()->selectedDeck()->id() : -1, deckId);
}

void TestFirstHour::rightClickDeck(int deckId)
{
    QWidget* viewport = manager()->deckList()->viewport();
    const QPoint point = deckPoint(deckId);
    QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, point);
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, viewport->mapToGlobal(point));
    QApplication::sendEvent(viewport, &event);
    QTRY_VERIFY(manager()->deckListContextMenu()->isVisible());
}

Deck* TestFirstHour::topLevelDeck(const QString& title) const
{
    for (Deck* deck : app()->profile()->rootDeck()->children()) {
        if (deck->title() == title)
            return deck;
    }
    return nullptr;
}

void TestFirstHour::typeInDictionary(const QString& text)
{
    QLineEdit* input = window()->dictionaryScreen()->searchTextInput();
    input->setFocus();
    input->selectAll();
    QTest::keyClick(input, Qt::Key_Delete);
    uitest::typeText(input, text);
    QTest::keyClick(input, Qt::Key_Return);
}

// 1. A new learner starts the program: the practice screen invites to a first session, and the
// new profile was backed up under today's date.
void TestFirstHour::opensOnThePracticeScreenWithABackup()
{
    QCOMPARE(window()->screenName(), QStringLiteral("practice"));
    PracticeWidget* practice = window()->practiceScreen();
    QVERIFY(practice && practice->isVisible());
    bool invited = false;
    for (QLabel* label : practice->findChildren<QLabel*>()) {
        invited |= label->isVisible() &&
                   label->text().contains("To start practicing Chinese characters, click on the");
    }
    QVERIFY(invited);
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    QVERIFY(QFile::exists(m_userData + "/Quillet/Profile." + today + ".db"));
}

// 2. Dictionary: "xue2 xi2" finds 学习 first; its stroke order opens from the result and
// animates.
void TestFirstHour::looksUpAWordAndWatchesItsStrokeOrder()
{
    clickTab("dictionaryButton");
    DictionaryWidget* dictionary = window()->dictionaryScreen();
    QVERIFY(dictionary && dictionary->isVisible());
    QTRY_VERIFY(dictionary->webView());
    typeInDictionary("xue2 xi2");
    QWebEngineView* view = dictionary->webView();
    webtest::loadedHtml(view, "<b>xue2 xi2</b>");
    QCOMPARE(webtest::evaluate(view, "document.querySelector('.result .resultCharacters')"
                                     ".textContent.trim()")
                 .toString(),
             QStringLiteral("学习"));

    int characters = 0;
    StrokeAnimationView::State state = StrokeAnimationView::Idle;
    QString title;
    auto dialog = guitest::onNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        characters = modal->findChild<QListWidget*>("characterList")->count();
        auto* animation = modal->findChild<StrokeAnimationView*>();
        if (animation) {
            QTest::qWait(300);
            state = animation->state();
        }
        modal->close();
    });
    QVERIFY(webtest::clickElement(view, ".result a.strokeOrder"));
    QTRY_VERIFY(dialog->seen);
    QCOMPARE(title, QStringLiteral("Stroke order"));
    QCOMPARE(characters, 2);
    QVERIFY(state != StrokeAnimationView::Idle);
}

// 3. Manage Cards: a folder, a deck "My words" inside it, three cards typed in and filled from
// the dictionary, one definition edited, one card dragged to the top.
void TestFirstHour::makesADeckOfItsOwn()
{
    clickTab("manageButton");
    QVERIFY(manager() && manager()->isVisible());
    QPushButton* newDeck = manager()->actionBar()->button("newDeckButton");

    auto folder = guitest::onNextModal([](QWidget* editor) {
        uitest::typeText(editor->findChild<QLineEdit*>("titleTE"), "My folder");
        editor->findChild<QCheckBox*>("folderCheckbox")->setChecked(true);
        QTest::mouseClick(editor->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    QTest::mouseClick(newDeck, Qt::LeftButton);
    QVERIFY(folder->seen);
    Deck* myFolder = topLevelDeck("My folder");
    QVERIFY(myFolder && myFolder->isFolder());
    m_folderId = myFolder->id();
    QCOMPARE(stored(m_userData,
                    QStringLiteral("SELECT isFolder FROM Decks WHERE id = %1").arg(m_folderId))
                 .toInt(),
             1);

    QTRY_VERIFY(deckPoint(m_folderId).x() >= 0);
    selectDeck(m_folderId);
    QVERIFY(manager()->folderNotice()->isVisible());
    auto deck = guitest::onNextModal([](QWidget* editor) {
        uitest::typeText(editor->findChild<QLineEdit*>("titleTE"), "My words");
        QTest::mouseClick(editor->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    QTest::mouseClick(newDeck, Qt::LeftButton);
    QVERIFY(deck->seen);
    QTRY_VERIFY(manager()->selectedDeck() && manager()->selectedDeck()->title() == "My words");
    m_deckId = manager()->selectedDeck()->id();
    QCOMPARE(
        stored(m_userData, QStringLiteral("SELECT parentId FROM Decks WHERE id = %1").arg(m_deckId))
            .toInt(),
        m_folderId);

    QPushButton* newCard = manager()->actionBar()->button("newCardButton");
    QVERIFY(newCard->isEnabled());
    for (const char* word : {"学习", "朋友", "喜欢"}) {
        QString pinyin;
        QString definition;
        auto editor = guitest::onNextModal([&](QWidget* dialog) {
            auto* simplified = dialog->findChild<QLineEdit*>("simplifiedTE");
            simplified->setFocus();
            uitest::typeText(simplified, QString::fromUtf8(word));
            QTest::keyClick(simplified, Qt::Key_Tab);
            pinyin = dialog->findChild<QLineEdit*>("pinyinTE")->text();
            definition = dialog->findChild<QPlainTextEdit*>("definitionTE")->toPlainText();
            QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
        });
        QTest::mouseClick(newCard, Qt::LeftButton);
        QVERIFY(editor->seen);
        QVERIFY2(!pinyin.isEmpty() && !definition.isEmpty(), word);
    }
    QCOMPARE(storedCards(m_userData, "My words"), (QStringList{"学习", "朋友", "喜欢"}));
    QCOMPARE(stored(m_userData, "SELECT pinyin FROM KnowledgeUnits WHERE simplified = '朋友'")
                 .toString(),
             QStringLiteral("peng2 you5"));

    // The definition of 喜欢, changed in its editor (double-click on the card).
    XQListView* cards = manager()->cardList();
    const QRect third = cards->visualRect(cards->model()->index(2, 0));
    auto edit = guitest::onNextModal([](QWidget* dialog) {
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        definition->selectAll();
        definition->setFocus();
        uitest::typeText(definition, "to like; to be fond of");
        QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    QTest::mouseClick(cards->viewport(), Qt::LeftButton, Qt::NoModifier, third.center());
    QTest::mouseDClick(cards->viewport(), Qt::LeftButton, Qt::NoModifier, third.center());
    QVERIFY(edit->seen);
    QCOMPARE(stored(m_userData, "SELECT k.definition FROM Cards c JOIN Decks d ON c.deckId = "
                                "d.id JOIN KnowledgeUnits k ON c.kuId = k.id WHERE d.title = "
                                "'My words' AND k.simplified = '喜欢'")
                 .toString(),
             QStringLiteral("to like/to be fond of"));

    // 朋友 dragged onto the first card's place.
    DeckCard* second = manager()->selectedDeck()->cards().at(1);
    std::unique_ptr<QMimeData> data(DeckManagerWidget::cardDragData(second));
    const QRect first = cards->visualRect(cards->model()->index(0, 0));
    uitest::deliverDrag(cards->viewport(), data.get(), first.center(), true);
    QCOMPARE(storedCards(m_userData, "My words"), (QStringList{"朋友", "学习", "喜欢"}));
}

void TestFirstHour::startPractice(const practicetest::SetUp& setUp)
{
    bool started = false;
    auto dialog = guitest::onNextModal([&](QWidget* modal) {
        auto* sessionDialog = qobject_cast<SessionDialog*>(modal);
        started = sessionDialog && practicetest::startInDialog(sessionDialog, setUp);
    });
    QTest::mouseClick(practice()->actionBar()->button("sessionButton"), Qt::LeftButton);
    QTRY_VERIFY(dialog->seen);
    QVERIFY(started);
    QTRY_VERIFY(practice()->currentCard() && QApplication::activeModalWidget() == nullptr);
    // A window manager gives the main window back its activation when the dialog goes; the
    // offscreen platform has none.
    window()->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), window());
}

void TestFirstHour::press(Qt::Key key)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !practice()->isAncestorOf(focus))
        focus = practice();
    QTest::keyClick(focus, key);
}

practicetest::GivenAnswer TestFirstHour::given(int result) const
{
    DeckCard* card = practice()->currentCard();
    practicetest::GivenAnswer answer;
    answer.cardId = card->id();
    answer.kuId = card->kuId();
    answer.deckId = card->deckId();
    answer.result = result;
    answer.scoreDelta = (result == 1 ? 1.0 : -1.0) / (app()->session()->round() + 1);
    return answer;
}

bool TestFirstHour::practiceFinished() const
{
    return app()->session()->status() == SessionStatus::Finished;
}

QString TestFirstHour::checkHistory() const
{
    const QString path = profileFile(m_userData);
    // Answers reach the profile half a second after they are given.
    (void)QTest::qWaitFor(
        [&] { return practicetest::storedAnswers(path).size() >= m_answers.size(); }, 3000);
    return practicetest::checkHistory(path, m_answers, m_scoresBefore, m_practiceStart);
}

// 4. Practice on "My words": multiple choice on the pinyin with one answer wrong on purpose, then
// a type-in session on the definitions and a self-assessment session with flips, all with the
// keyboard. Every answer is a row of the Knowledge table and moves its unit's score.
void TestFirstHour::practisesTheDeck()
{
    clickTab("practiceButton");
    QVERIFY(practice()->isVisible());
    const QList<DeckCard*> cards = app()->profile()->deckById(m_deckId)->cards();
    m_scoresBefore = practicetest::storedScores(profileFile(m_userData), cards);
    for (DeckCard* card : cards)
        m_wordOfUnit.insert(card->kuId(), card->knowledgeUnit()->simplified());
    m_practiceStart = QDateTime::currentSecsSinceEpoch();

    practicetest::SetUp multipleChoice;
    multipleChoice.deckIds = {m_deckId};
    multipleChoice.type = "typeMcqRB";
    multipleChoice.quizOn = "pinyin";
    startPractice(multipleChoice);
    bool wrongGiven = false;
    for (int question = 0; question < 10 && !practiceFinished(); ++question) {
        const int cardKu = practice()->currentCard()->kuId();
        const QList<McqOption> options = practice()->options();
        QCOMPARE(options.size(), 3);
        int right = -1;
        for (int i = 0; i < options.size(); ++i)
            right = options.at(i).kuId == cardKu ? i : right;
        QVERIFY(right >= 0);
        const int chosen = wrongGiven ? right : (right + 1) % 3;
        m_answers << given(chosen == right ? 1 : 0);
        wrongGiven = true;
        press(Qt::Key(Qt::Key_A + chosen));
        auto* result = practice()->findChild<QLabel*>("mcqResultLabel");
        QVERIFY(result && result->isVisible());
        QCOMPARE(result->text(), chosen == right ? QString("Correct!") : QString("Wrong!"));
        press(Qt::Key_Return);
    }
    QVERIFY(practiceFinished());
    // Three cards, the one answered wrong asked again in a second round.
    QCOMPARE(m_answers.size(), 4);
    QString problem = checkHistory();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    practicetest::SetUp typeIn;
    typeIn.deckIds = {m_deckId};
    typeIn.type = "typeWriteRB";
    typeIn.quizOn = "definition";
    startPractice(typeIn);
    for (int question = 0; question < 10 && !practiceFinished(); ++question) {
        auto* answerBox = practice()->findChild<QLineEdit*>("tiAnswerTextBox");
        QVERIFY(answerBox && answerBox->isVisible());
        // One meaning of the entry is enough.
        const QString meaning =
            practice()->currentCard()->knowledgeUnit()->definition().section('/', 0, 0);
        m_answers << given(1);
        uitest::typeText(answerBox, meaning);
        QTest::keyClick(answerBox, Qt::Key_Return);
        QCOMPARE(practice()->findChild<QLabel*>("mcqResultLabel")->text(), QString("Correct!"));
        press(Qt::Key_Return);
    }
    QVERIFY(practiceFinished());
    QCOMPARE(m_answers.size(), 7);

    practicetest::SetUp selfAssessment;
    selfAssessment.deckIds = {m_deckId};
    startPractice(selfAssessment);
    for (int question = 0; question < 10 && !practiceFinished(); ++question) {
        CardWidget* shown = practice()->card(3);
        press(Qt::Key_F);
        QVERIFY(shown->cardState().pinyinVisible && shown->cardState().definitionVisible);
        m_answers << given(1);
        press(Qt::Key_C);
    }
    QVERIFY(practiceFinished());
    QCOMPARE(m_answers.size(), 10);
    problem = checkHistory();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// 5. Options: the interface in Chinese and back; the traditional script on the dictionary page.
void TestFirstHour::changesTheLanguageAndTheScript()
{
    const auto chooseIn = [](const char* box, const QString& value) {
        return [box, value](QWidget* dialog) {
            auto* combo = dialog->findChild<QComboBox*>(QLatin1String(box));
            combo->setCurrentIndex(combo->findData(value));
            QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
        };
    };
    NavigationBar* bar = window()->navigationBar();
    const auto openOptions = [&] {
        QTest::mouseClick(bar->button("optionButton"), Qt::LeftButton);
        QTRY_VERIFY(bar->optionMenu()->isVisible());
        QVERIFY(uitest::clickMenuAction("options"));
    };

    auto chinese = guitest::onNextModal(chooseIn("localeDD", "zh_CN"));
    openOptions();
    QTRY_VERIFY(chinese->seen);
    QCOMPARE(bar->button("practiceButton")->text(), QStringLiteral("练习"));
    QCOMPARE(manager()->actionBar()->button("newDeckButton")->toolTip().isEmpty(), false);
    auto english = guitest::onNextModal(chooseIn("localeDD", "en"));
    openOptions();
    QTRY_VERIFY(english->seen);
    QCOMPARE(bar->button("practiceButton")->text(), QStringLiteral("Practice"));
    QCOMPARE(storedSetting(m_userData, "locale").isEmpty() ||
                 storedSetting(m_userData, "locale") == "en",
             true);

    auto traditional = guitest::onNextModal(chooseIn("modeDD", "traditional"));
    openOptions();
    QTRY_VERIFY(traditional->seen);
    clickTab("dictionaryButton");
    QWebEngineView* view = window()->dictionaryScreen()->webView();
    const QString html = webtest::loadedHtml(view, ">學習</a>");
    QVERIFY(html.contains(">學習</a>"));
    app()->profile()->saveSettings();
    QCOMPARE(storedSetting(m_userData, "characterMode"), QStringLiteral("traditional"));
}

// 6. The deck exported to a file, deleted after confirming, imported back into its folder and
// printed into a PDF file.
void TestFirstHour::sharesDeletesImportsAndPrintsTheDeck()
{
    clickTab("manageButton");
    const QString file = m_files.filePath("my-words.kvd");
    selectDeck(m_deckId);
    rightClickDeck(m_deckId);
    auto exported = guitest::answerModalsInTurn({guitest::chooseFile(file)});
    QVERIFY(uitest::clickMenuAction("export"));
    QTRY_VERIFY(QFile::exists(file));

    auto confirmed = guitest::answerModalsInTurn({guitest::clickButton("Yes")});
    QTest::keyClick(manager()->deckList(), Qt::Key_Delete);
    QTRY_COMPARE(confirmed->seen.size(), 1);
    QVERIFY(confirmed->seen.first().text.contains("'My words'"));
    QCOMPARE(stored(m_userData, "SELECT COUNT(*) FROM Decks WHERE title = 'My words'").toInt(), 0);

    QTRY_VERIFY(deckPoint(m_folderId).x() >= 0);
    selectDeck(m_folderId);
    rightClickDeck(m_folderId);
    // Scores of one's own deck may come along when the file has them; the import ends with its
    // success notice.
    const auto answer = [](QWidget* box) {
        if (!uitest::clickMessageBoxButton(box, "Yes"))
            uitest::clickMessageBoxButton(box, "OK");
    };
    auto imported = guitest::answerModalsInTurn({guitest::chooseFile(file), answer, answer});
    QVERIFY(uitest::clickMenuAction("import"));
    QTRY_VERIFY(!imported->seen.isEmpty() &&
                imported->seen.last().text == "The flashcards have been successfully imported.");
    QCOMPARE(storedCards(m_userData, "My words"), (QStringList{"朋友", "学习", "喜欢"}));
    m_deckId = stored(m_userData, "SELECT id FROM Decks WHERE title = 'My words'").toInt();
    QCOMPARE(
        stored(m_userData, QStringLiteral("SELECT parentId FROM Decks WHERE id = %1").arg(m_deckId))
            .toInt(),
        m_folderId);

    const QString pdf = m_files.filePath("my-words.pdf");
    // The folder lost its only deck and shows closed; the learner opens it with the keyboard.
    QTRY_VERIFY(deckPoint(m_folderId).x() >= 0);
    selectDeck(m_folderId);
    QTest::keyClick(manager()->deckList(), Qt::Key_Right);
    QTRY_VERIFY(deckPoint(m_deckId).x() >= 0);
    selectDeck(m_deckId);
    auto printed = guitest::answerModalsInTurn(
        {[](QWidget* dialog) {
             QTest::mouseClick(dialog->findChild<QPushButton*>("printButton"), Qt::LeftButton);
         },
         guitest::chooseFile(pdf)});
    QTest::mouseClick(manager()->actionBar()->button("printDeckButton"), Qt::LeftButton);
    QTRY_VERIFY(QFileInfo(pdf).size() > 1000);
    QFile written(pdf);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.read(5).startsWith("%PDF"));
}

// 7. The window closes; main() starts the program a second time on the same profile, which
// must find the history of every answer and the practised scores, which came back with the
// imported deck.
void TestFirstHour::closesTheWindow()
{
    QStringList results;
    QMap<QString, double> scores;
    for (auto it = m_scoresBefore.cbegin(); it != m_scoresBefore.cend(); ++it)
        scores.insert(m_wordOfUnit.value(it.key()), it.value());
    for (const practicetest::GivenAnswer& answer : std::as_const(m_answers)) {
        results << QString::number(answer.result);
        double& score = scores[m_wordOfUnit.value(answer.kuId)];
        score = qMax(0.0, score + answer.scoreDelta);
    }
    QFile expectations(expectationFile(m_userData));
    QVERIFY(expectations.open(QIODevice::WriteOnly | QIODevice::Text));
    expectations.write(results.join(' ').toUtf8() + '\n');
    for (auto it = scores.cbegin(); it != scores.cend(); ++it)
        expectations.write(QString("%1 %2\n").arg(it.key()).arg(it.value()).toUtf8());
    expectations.close();

    app()->profile()->saveSettings();
    window()->showScreen("manage");
    QTimer::singleShot(0, window(), &QWidget::close);
    QCOMPARE(app()->exec(), 0);
}

// The second start, in a process of its own: what the first one stored is all there.
class TestSecondStart : public QObject
{
    Q_OBJECT

private slots:
    void everythingIsStillThere();
};

void TestSecondStart::everythingIsStillThere()
{
    Application* app = Application::instance();
    app->initialize();
    QCOMPARE(app->mainWindow()->screenName(), QStringLiteral("manage"));
    QCOMPARE(app->profile()->setting("characterMode").toString(), QStringLiteral("traditional"));
    Deck* words = nullptr;
    QList<Deck*> decks;
    app->profile()->collectDecks(decks, false);
    for (Deck* deck : decks) {
        if (deck->title() == "My words")
            words = deck;
    }
    QVERIFY(words);
    QStringList shown;
    for (DeckCard* card : words->cards())
        shown << card->knowledgeUnit()->simplified();
    QCOMPARE(shown, (QStringList{"朋友", "学习", "喜欢"}));

    QFile expectations(expectationFile(qEnvironmentVariable("XDG_DATA_HOME")));
    QVERIFY(expectations.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines =
        QString::fromUtf8(expectations.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() == 4);
    const QString path = app->profile()->databasePath();
    QStringList storedResults;
    for (const practicetest::StoredAnswer& row : practicetest::storedAnswers(path))
        storedResults << QString::number(row.result);
    QCOMPARE(storedResults.join(' '), lines.first());
    for (const QString& line : lines.mid(1)) {
        const QString word = line.section(' ', 0, 0);
        const double score =
            profiletest::scalarOnFile(path, QString("SELECT k.score FROM Cards c JOIN Decks d ON "
                                                    "c.deckId = d.id JOIN KnowledgeUnits k ON "
                                                    "c.kuId = k.id WHERE d.title = 'My words' AND "
                                                    "k.simplified = '%1'")
                                                .arg(word))
                .toDouble();
        QVERIFY2(qAbs(score - line.section(' ', 1, 1).toDouble()) < 1e-4, qPrintable(line));
    }
}

int main(int argc, char* argv[])
{
    const bool secondStart = argc > 1 && qstrcmp(argv[argc - 1], "--second-start") == 0;
    if (secondStart) {
        --argc;
        Application application(argc, argv);
        TestSecondStart test;
        return QTest::qExec(&test, argc, argv);
    }

    QTemporaryDir userData;
    if (!userData.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
    int result = 0;
    {
        Application application(argc, argv);
        TestFirstHour test(userData.path());
        result = QTest::qExec(&test, argc, argv);
    }
    if (result != 0)
        return result;
    std::fprintf(stdout, "Second start on the same profile\n");
    std::fflush(stdout);
    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--second-start")});
    second.waitForFinished(120000);
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : 1;
}

#include "tst_firsthour.moc"
