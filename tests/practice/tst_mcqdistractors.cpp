#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "practice/mcqoptionbuilder.h"
#include "practice/practicewidget.h"
#include "practice/session.h"
#include "practice/sessiondialog.h"
#include "practicetestsupport.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"

#include <QDateTime>
#include <QLabel>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace korvo;
using namespace practicetest;

// Multiple-choice questions on the real dictionary: sessions over HSK 1-3 played through the
// practice screen, 60 questions on each of the four fields. No question offers two answers that
// read alike, exactly one option is the card's own, and every wrong answer is something the
// dictionary knows: an entry's form, or characters of the asked script, or real syllables.
class TestMcqDistractors : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void realDistractorsWithoutDuplicates_data();
    void realDistractorsWithoutDuplicates();

private:
    bool isDictionaryForm(const QString& text, const QString& column);
    bool isScriptCharacter(QChar c, const QString& quizOn);
    bool isDefinitionOfAnEntry(const QString& text);
    QString whyNotReal(const QString& option, const QString& answer, const QString& quizOn);

    std::unique_ptr<Dictionary> m_dictionary;
    QSqlDatabase m_database;
};

void TestMcqDistractors::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
    m_dictionary = std::make_unique<Dictionary>();
    QVERIFY(m_dictionary->open(uitest::dataFolder() + "/Dictionary.db", "distractorDictionary"));
    m_database = QSqlDatabase::addDatabase("QSQLITE", "distractorCheck");
    m_database.setDatabaseName(uitest::dataFolder() + "/Dictionary.db");
    QVERIFY(m_database.open());
}

void TestMcqDistractors::cleanupTestCase()
{
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase("distractorCheck");
    m_dictionary.reset();
}

bool TestMcqDistractors::isDictionaryForm(const QString& text, const QString& column)
{
    QSqlQuery query(m_database);
    query.prepare(
        QStringLiteral("SELECT COUNT(*) FROM KnowledgeUnits WHERE %1 = :text").arg(column));
    query.bindValue(":text", text);
    return query.exec() && query.next() && query.value(0).toInt() > 0;
}

// A character of the asked script that the dictionary proposes (ranked characters only).
bool TestMcqDistractors::isScriptCharacter(QChar c, const QString& quizOn)
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM Characters WHERE character = :c AND "
                                 "%1 = '' AND rank < 20000")
                      .arg(quizOn));
    query.bindValue(":c", QString(c));
    return query.exec() && query.next() && query.value(0).toInt() > 0;
}

bool TestMcqDistractors::isDefinitionOfAnEntry(const QString& text)
{
    // Entries whose stored definition starts like the option, compared as the options show them.
    const QString start = text.section(QRegularExpression("[;\\[]"), 0, 0).left(40);
    QSqlQuery query(m_database);
    query.prepare("SELECT id FROM KnowledgeUnits WHERE instr(definition, :start) = 1 LIMIT 500");
    query.bindValue(":start", start);
    if (!query.exec())
        return false;
    QList<int> ids;
    while (query.next())
        ids << query.value(0).toInt();
    for (KnowledgeUnit* unit : m_dictionary->knowledgeUnitsByIds(ids)) {
        if (unit->definitionText() == text)
            return true;
    }
    return false;
}

QString TestMcqDistractors::whyNotReal(const QString& option, const QString& answer,
                                       const QString& quizOn)
{
    if (option.trimmed().isEmpty())
        return "an empty option";
    if (quizOn == "simplified" || quizOn == "traditional") {
        if (isDictionaryForm(option, quizOn))
            return QString();
        // Look-alike characters in place of the answer's, the rest of the answer kept.
        if (option.size() != answer.size())
            return QStringLiteral("\"%1\" is neither an entry nor as long as \"%2\"")
                .arg(option, answer);
        for (int i = 0; i < option.size(); ++i) {
            const QChar c = option.at(i);
            if (c != answer.at(i) && !(isChineseCharacter(c) && isScriptCharacter(c, quizOn)))
                return QStringLiteral("\"%1\" of \"%2\" is no %3 character")
                    .arg(QString(c), option, quizOn);
        }
        return QString();
    }
    if (quizOn == "pinyin") {
        if (isDictionaryForm(option, "pinyin"))
            return QString();
        // The answer's syllables in other tones.
        const QStringList words = option.split(' ');
        const QStringList answerWords = answer.split(' ');
        if (words.size() != answerWords.size())
            return QStringLiteral("\"%1\" has another number of syllables than \"%2\"")
                .arg(option, answer);
        static const QRegularExpression toned("^(.+)([1-5])$");
        for (int i = 0; i < words.size(); ++i) {
            const QRegularExpressionMatch match = toned.match(words.at(i));
            if (!match.hasMatch())
                return QStringLiteral("\"%1\" has a syllable without tone").arg(option);
            const QString base = match.captured(1);
            const QString answerBase = removeToneNumbers(answerWords.at(i)).replace("u:", "ü");
            if (QString(base).replace("u:", "ü").toLower() != answerBase.toLower() &&
                !(isPinyin(base.toLower()) && splitSyllables(base).size() == 1))
                return QStringLiteral("\"%1\" of \"%2\" is no syllable").arg(base, option);
        }
        return QString();
    }
    return isDefinitionOfAnEntry(option)
               ? QString()
               : QStringLiteral("\"%1\" is no entry's definition").arg(option);
}

void TestMcqDistractors::realDistractorsWithoutDuplicates_data()
{
    QTest::addColumn<QString>("quizOn");
    QTest::addColumn<QString>("characterMode");
    QTest::newRow("simplified") << "simplified"
                                << "simplified";
    QTest::newRow("traditional") << "traditional"
                                 << "traditional";
    QTest::newRow("pinyin") << "pinyin"
                            << "simplified";
    QTest::newRow("definition") << "definition"
                                << "simplified";
}

void TestMcqDistractors::realDistractorsWithoutDuplicates()
{
    QFETCH(QString, quizOn);
    QFETCH(QString, characterMode);
    const int questions = 60;

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::unique_ptr<Profile> profile =
        profiletest::openProfile(dir.path(), uitest::dataFolder() + "/Profile.default.db");
    QVERIFY(profile);
    profile->setSetting("characterMode", characterMode);
    QList<int> deckIds;
    QList<DeckCard*> cards;
    for (const char* title : {"{HSK_1}", "{HSK_2}", "{HSK_3}"}) {
        Deck* deck = builtInDeck(profile.get(), title);
        QVERIFY(deck);
        deckIds << deck->id();
        cards << deck->cards();
    }
    QVERIFY(cards.size() >= 500);
    const QMap<int, double> scoresBefore = storedScores(profile->databasePath(), cards);
    const qint64 since = QDateTime::currentSecsSinceEpoch();

    auto session = std::make_unique<Session>(profile.get());
    auto services =
        std::make_unique<PracticeServices>(profile.get(), m_dictionary.get(), session.get());
    auto* widget = new PracticeWidget(session.get(), services->mainWindow());
    services->mainWindow()->resize(1024, 695);
    widget->resize(1024, 695);
    services->mainWindow()->show();
    QVERIFY(QTest::qWaitForWindowExposed(services->mainWindow()));

    SetUp setUp;
    setUp.deckIds = deckIds;
    setUp.type = "typeMcqRB";
    setUp.quizOn = quizOn;
    setUp.only = QString::number(questions);
    QVERIFY(startSession(widget, services.get(), setUp));
    QCOMPARE(session->roundTotal(), questions);

    QList<GivenAnswer> answers;
    for (int question = 0; question < questions; ++question) {
        DeckCard* card = widget->currentCard();
        QVERIFY(card);
        KnowledgeUnit* unit = card->knowledgeUnit();
        const QString answer = McqOptionBuilder::answerText(unit, quizOn);
        const QList<McqOption> options = widget->options();
        QCOMPARE(options.size(), 3);

        QSet<QString> readings;
        int right = -1;
        for (int i = 0; i < options.size(); ++i) {
            const McqOption& option = options.at(i);
            const QString reading = quizOn == "pinyin" ? numberedToMarked(option.text.toLower())
                                                       : option.text.toLower();
            QVERIFY2(!readings.contains(reading),
                     qPrintable(QStringLiteral("\"%1\" twice for %2").arg(option.text, answer)));
            readings.insert(reading);
            if (option.kuId == card->kuId()) {
                QCOMPARE(right, -1);
                QCOMPARE(option.text, answer);
                right = i;
            } else {
                QCOMPARE(option.kuId, 0);
                const QString why = whyNotReal(option.text, answer, quizOn);
                QVERIFY2(why.isEmpty(), qPrintable(why + " (answer \"" + answer + "\")"));
            }
        }
        QVERIFY(right >= 0);

        // Half of the questions are thought about long enough for the next question's options to
        // be made in advance; those are checked like the others when they come.
        if (question % 2 == 1)
            QTest::qWait(200);
        const int chosen = question % 3 == 0 ? (right + 1) % 3 : right;
        GivenAnswer given;
        given.cardId = card->id();
        given.kuId = card->kuId();
        given.deckId = card->deckId();
        given.result = chosen == right ? 1 : 0;
        given.scoreDelta = chosen == right ? 1.0 : -1.0;
        answers << given;
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : widget,
                        Qt::Key(Qt::Key_A + chosen));
        QCOMPARE(widget->findChild<QLabel*>("mcqResultLabel")->text(),
                 chosen == right ? QStringLiteral("Correct!") : QStringLiteral("Wrong!"));
        if (question + 1 < questions)
            QTest::mouseClick(widget->findChild<XQPushButton*>("mcqNextButton"), Qt::LeftButton);
    }

    (void)QTest::qWaitFor(
        [&] { return storedAnswers(profile->databasePath()).size() >= answers.size(); }, 3000);
    QCOMPARE(checkHistory(profile->databasePath(), answers, scoresBefore, since), QString());
    services.reset();
    session.reset();
}

QTEST_MAIN(TestMcqDistractors)
#include "tst_mcqdistractors.moc"
