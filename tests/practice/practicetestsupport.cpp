#include "practicetestsupport.h"

#include "cards/decklistmodel.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "practice/practicewidget.h"
#include "practice/sessiondialog.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "style/practiceactionbar.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <QtTest>
#include <cmath>

namespace practicetest {

PracticeServices::PracticeServices(korvo::Profile* profile, korvo::Dictionary* dictionary,
                                   korvo::Session* session)
    : TestServices(profile, dictionary), m_session(session)
{
}

void PracticeServices::showSessionDialog()
{
    ++sessionDialogCount;
    if (!m_dialog) {
        m_dialog = new SessionDialog(profile(), m_session, mainWindow());
        m_dialog->setModal(true);
    }
    m_dialog->show();
}

korvo::Deck* makeDeck(korvo::Profile* profile, const QString& title, const QList<Entry>& entries)
{
    korvo::Deck* deck = profile->newDeck();
    deck->setTitle(title);
    profile->saveDeck(deck, false, true);
    for (const Entry& entry : entries) {
        auto* unit = new korvo::KnowledgeUnit;
        unit->setType(2);
        unit->setOwner(1);
        unit->setSimplified(entry.simplified);
        unit->setTraditional(entry.traditional.isEmpty() ? entry.simplified : entry.traditional);
        unit->setPinyin(entry.pinyin);
        unit->setDefinition(entry.definition);
        unit->setScore(entry.score);
        unit->setLastTimePracticed(entry.lastPracticed);
        if (!profile->dictionary()->saveKnowledgeUnit(unit)) {
            delete unit;
            return nullptr;
        }
        deck->addKnowledgeUnit(unit);
    }
    return deck;
}

korvo::Deck* builtInDeck(korvo::Profile* profile, const QString& storedTitle)
{
    QList<korvo::Deck*> decks;
    profile->collectDecks(decks, false);
    for (korvo::Deck* deck : decks) {
        if (deck->title() == storedTitle)
            return deck;
    }
    return nullptr;
}

void clickIndicator(QAbstractButton* button)
{
    // The indicator sits at the start of the button, vertically centred.
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(7, button->height() / 2));
}

bool waitUntilFilled(SessionDialog* dialog)
{
    auto* list = dialog->findChild<QListView*>(QStringLiteral("deckListView"));
    auto* label = dialog->findChild<QLabel*>(QStringLiteral("cardCountLabel"));
    return QTest::qWaitFor(
        [&] {
            return dialog->isVisible() && !dialog->fillPending() && list->model() &&
                   list->model()->rowCount() > 0 && dialog->isReady() &&
                   !label->text().contains(QStringLiteral("Calculating"));
        },
        5000);
}

bool startInDialog(SessionDialog* dialog, const SetUp& setUp)
{
    if (!waitUntilFilled(dialog))
        return false;
    auto* list = dialog->findChild<QListView*>(QStringLiteral("deckListView"));
    auto* model = list->model();
    bool first = true;
    for (int deckId : setUp.deckIds) {
        int row = -1;
        for (int r = 0; r < model->rowCount(); ++r) {
            if (korvo::Deck* deck = qobject_cast<korvo::DeckListModel*>(model)->deckAt(r)) {
                if (deck->id() == deckId)
                    row = r;
            }
        }
        if (row < 0)
            return false;
        const QModelIndex index = model->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton,
                          first ? Qt::NoModifier : Qt::ControlModifier,
                          list->visualRect(index).center());
        first = false;
    }
    auto* type = dialog->findChild<QAbstractButton*>(setUp.type);
    if (!type)
        return false;
    if (!type->isChecked())
        clickIndicator(type);
    if (setUp.type != QLatin1String("typeFreeRB")) {
        const QString name =
            QStringLiteral("quizOn%1%2RB").arg(setUp.quizOn.left(1).toUpper(), setUp.quizOn.mid(1));
        auto* quiz = dialog->findChild<QAbstractButton*>(name);
        if (!quiz || !quiz->isVisible())
            return false;
        if (!quiz->isChecked())
            clickIndicator(quiz);
    }
    for (auto it = setUp.cardInfo.cbegin(); it != setUp.cardInfo.cend(); ++it) {
        auto* box = dialog->findChild<QAbstractButton*>(it.key());
        if (box && box->isEnabled() && box->isChecked() != it.value())
            clickIndicator(box);
    }
    auto* sr = dialog->findChild<QAbstractButton*>(QStringLiteral("srCheckbox"));
    if (sr->isChecked() != setUp.spacedRepetition)
        clickIndicator(sr);
    if (setUp.only.isEmpty()) {
        auto* all = dialog->findChild<QAbstractButton*>(QStringLiteral("practiceAllRB"));
        if (!all->isChecked())
            clickIndicator(all);
    } else {
        auto* only = dialog->findChild<QAbstractButton*>(QStringLiteral("practiceOnlyRB"));
        if (!only->isChecked())
            clickIndicator(only);
        auto* count = dialog->findChild<QLineEdit*>(QStringLiteral("practiceOnlyTE"));
        count->setFocus();
        count->selectAll();
        QTest::keyClick(count, Qt::Key_Backspace);
        QTest::keyClicks(count, setUp.only);
        QTest::keyClick(count, Qt::Key_Tab);
    }
    auto* start = dialog->findChild<QPushButton*>(QStringLiteral("startButton"));
    if (!start->isEnabled())
        return false;
    QTest::mouseClick(start, Qt::LeftButton);
    return !dialog->isVisible();
}

bool startSession(korvo::PracticeWidget* widget, PracticeServices* services, const SetUp& setUp)
{
    QPushButton* button = widget->actionBar()->button(QStringLiteral("sessionButton"));
    QTest::mouseClick(button, Qt::LeftButton);
    if (!services->sessionDialog())
        return false;
    return startInDialog(services->sessionDialog(), setUp);
}

namespace {

template <typename Work> void onFile(const QString& path, Work work)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        if (database.open())
            work(database);
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QList<StoredAnswer> storedAnswers(const QString& databasePath)
{
    QList<StoredAnswer> answers;
    onFile(databasePath, [&](QSqlDatabase& database) {
        QSqlQuery query(database);
        query.exec(
            QStringLiteral("SELECT cardId, kuId, deckId, result FROM Knowledge ORDER BY id"));
        while (query.next())
            answers.append({query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt(),
                            query.value(3).toInt()});
    });
    return answers;
}

StoredUnit storedUnit(const QString& databasePath, int kuId)
{
    StoredUnit unit;
    onFile(databasePath, [&](QSqlDatabase& database) {
        QSqlQuery query(database);
        query.prepare(
            QStringLiteral("SELECT score, lastTimePracticed FROM KnowledgeUnits WHERE id = :id"));
        query.bindValue(QStringLiteral(":id"), kuId);
        if (query.exec() && query.next()) {
            unit.found = true;
            unit.score = query.value(0).toDouble();
            unit.lastTimePracticed = query.value(1).toLongLong();
        }
    });
    return unit;
}

QMap<int, double> storedScores(const QString& databasePath, const QList<korvo::DeckCard*>& cards)
{
    QMap<int, double> scores;
    for (korvo::DeckCard* card : cards)
        scores.insert(card->kuId(), storedUnit(databasePath, card->kuId()).score);
    return scores;
}

QString checkHistory(const QString& databasePath, const QList<GivenAnswer>& answers,
                     const QMap<int, double>& scoresBefore, qint64 since)
{
    const QList<StoredAnswer> stored = storedAnswers(databasePath);
    if (stored.size() != answers.size())
        return QStringLiteral("%1 Knowledge rows for %2 answers")
            .arg(stored.size())
            .arg(answers.size());
    QMap<int, double> expected = scoresBefore;
    for (int i = 0; i < answers.size(); ++i) {
        const GivenAnswer& given = answers.at(i);
        const StoredAnswer& row = stored.at(i);
        if (row.cardId != given.cardId || row.kuId != given.kuId || row.deckId != given.deckId ||
            row.result != given.result)
            return QStringLiteral("row %1 is card %2 unit %3 deck %4 result %5, answer was card "
                                  "%6 unit %7 deck %8 result %9")
                .arg(i)
                .arg(row.cardId)
                .arg(row.kuId)
                .arg(row.deckId)
                .arg(row.result)
                .arg(given.cardId)
                .arg(given.kuId)
                .arg(given.deckId)
                .arg(given.result);
        expected[given.kuId] = qMax(0.0, expected.value(given.kuId) + given.scoreDelta);
    }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        bool answered = false;
        for (const GivenAnswer& given : answers)
            answered = answered || given.kuId == it.key();
        const StoredUnit unit = storedUnit(databasePath, it.key());
        // Units of a deleted deck go with it; only the answered ones must be there.
        if (!unit.found && !answered)
            continue;
        if (!unit.found)
            return QStringLiteral("unit %1 is not in the profile").arg(it.key());
        if (std::abs(unit.score - it.value()) > 1e-4)
            return QStringLiteral("unit %1 has score %2, expected %3")
                .arg(it.key())
                .arg(unit.score)
                .arg(it.value());
        if (answered && unit.lastTimePracticed < since)
            return QStringLiteral("unit %1 was last practised at %2, before the session (%3)")
                .arg(it.key())
                .arg(unit.lastTimePracticed)
                .arg(since);
    }
    return QString();
}

} // namespace practicetest
