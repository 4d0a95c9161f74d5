#include "app/application.h"
#include "practice/practicewidget.h"
#include "practice/session.h"
#include "practice/sessiondialog.h"
#include "profile/deckcard.h"
#include "profiletestsupport.h"
#include "style/practiceactionbar.h"
#include "ui/mainwindow.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QtTest>

#include <cstdio>

// Answers given just before the program ends reach Profile.db: through the application's own
// shutdown when the window is closed, and up to the last half second when the process is
// killed outright, without ever damaging the file. Each run is a child process of this test
// that starts the real application on a per-user data folder of its own and practises there
// with the keyboard; the test reads the profile once the child is gone.

namespace {

const char* const CloseMode = "--practise-then-close";
const char* const KillMode = "--practise-until-killed";

// Writes one line for the parent at once.
void report(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void clickIndicator(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(7, button->height() / 2));
}

void pressKey(QWidget* screen, Qt::Key key)
{
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && screen->isAncestorOf(focus) ? focus : screen, key);
}

// Starts a self-assessment session on the deck the dialog offers first (HSK 1) the way a
// learner does: "New Session", "Self-assessment", "Start".
korvo::PracticeWidget* startSelfAssessment(korvo::Application& app)
{
    MainWindow* window = app.mainWindow();
    if (!window || !QTest::qWaitForWindowExposed(window))
        return nullptr;
    window->showScreen(QStringLiteral("practice"));
    korvo::PracticeWidget* screen = window->practiceScreen();
    if (!screen)
        return nullptr;
    QTest::mouseClick(screen->actionBar()->button(QStringLiteral("sessionButton")), Qt::LeftButton);
    auto* dialog = window->findChild<SessionDialog*>();
    if (!dialog)
        return nullptr;
    auto* count = dialog->findChild<QLabel*>(QStringLiteral("cardCountLabel"));
    const bool filled = QTest::qWaitFor(
        [&] {
            return dialog->isVisible() && !dialog->fillPending() &&
                   !count->text().contains(QStringLiteral("Calculating")) &&
                   !dialog->selectedDecks().isEmpty();
        },
        10000);
    if (!filled)
        return nullptr;
    clickIndicator(dialog->findChild<QAbstractButton*>(QStringLiteral("typeFreeRB")));
    QTest::mouseClick(dialog->findChild<QAbstractButton*>(QStringLiteral("startButton")),
                      Qt::LeftButton);
    window->activateWindow();
    if (!QTest::qWaitFor([&] { return screen->currentCard() != nullptr; }, 5000))
        return nullptr;
    return screen;
}

// Answers the card on screen correctly with C and reports it.
void answerCorrectly(korvo::PracticeWidget* screen, const QElapsedTimer& clock)
{
    korvo::DeckCard* card = screen->currentCard();
    const int cardId = card ? card->id() : 0;
    const int kuId = card ? card->kuId() : 0;
    pressKey(screen, Qt::Key_C);
    report(QStringLiteral("answered %1 %2 %3").arg(cardId).arg(kuId).arg(clock.elapsed()));
}

int runChild(int argc, char** argv, const QString& mode)
{
    korvo::Application app(argc, argv);
    app.initialize();
    korvo::PracticeWidget* screen = startSelfAssessment(app);
    if (!screen) {
        report(QStringLiteral("could not start a session"));
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    if (mode == QLatin1String(CloseMode)) {
        // Three answers in quick succession, then the window is closed at once: all three
        // are still waiting for the half-second timer.
        for (int i = 0; i < 3; ++i) {
            answerCorrectly(screen, clock);
            QTest::qWait(50);
        }
        QTimer::singleShot(0, app.mainWindow(), &QWidget::close);
        const int result = app.exec();
        report(QStringLiteral("closed"));
        return result;
    }
    // A steady run of answers, 300 ms apart: quicker than the half second after each.
    for (int i = 0; i < 6; ++i) {
        answerCorrectly(screen, clock);
        QTest::qWait(300);
    }
    answerCorrectly(screen, clock);
    report(QStringLiteral("last"));
    return app.exec();
}

struct Answer
{
    int cardId = 0;
    int kuId = 0;
    qint64 elapsed = 0;
};

QList<Answer> parseAnswers(const QByteArray& output)
{
    QList<Answer> answers;
    static const QRegularExpression line(QStringLiteral("^answered (\\d+) (\\d+) (\\d+)$"),
                                         QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator it = line.globalMatch(QString::fromUtf8(output));
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        answers.append(
            {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toLongLong()});
    }
    return answers;
}

} // namespace

class TestPracticeShutdown : public QObject
{
    Q_OBJECT

private slots:
    void answersJustBeforeClosingAreStored();
    void killRightAfterAnswersLosesAtMostHalfASecond();

private:
    QString profilePath(const QTemporaryDir& folder) const
    {
        return folder.path() + QStringLiteral("/Quillet/Profile.db");
    }
    void startChild(QProcess& child, const QTemporaryDir& folder, const char* mode);
    // The stored rows: cardId, kuId, result, in order.
    QList<QList<int>> storedRows(const QString& path);
};

void TestPracticeShutdown::startChild(QProcess& child, const QTemporaryDir& folder,
                                      const char* mode)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.path());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(mode)});
    QVERIFY(child.waitForStarted());
}

QList<QList<int>> TestPracticeShutdown::storedRows(const QString& path)
{
    QList<QList<int>> rows;
    const QString name = QStringLiteral("shutdownCheck");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        if (database.open()) {
            QSqlQuery query(database);
            query.exec(QStringLiteral("SELECT cardId, kuId, result FROM Knowledge ORDER BY id"));
            while (query.next())
                rows.append(
                    {query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt()});
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

void TestPracticeShutdown::answersJustBeforeClosingAreStored()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QProcess child;
    startChild(child, folder, CloseMode);
    QVERIFY(child.waitForFinished(120000));
    const QByteArray output = child.readAllStandardOutput();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0, output.constData());
    QVERIFY2(output.contains("closed"), output.constData());

    const QList<Answer> answers = parseAnswers(output);
    QCOMPARE(answers.size(), 3);
    const QString path = profilePath(folder);
    QCOMPARE(profiletest::scalarOnFile(path, "PRAGMA integrity_check").toString(),
             QStringLiteral("ok"));
    const QList<QList<int>> rows = storedRows(path);
    QCOMPARE(rows.size(), answers.size());
    for (int i = 0; i < answers.size(); ++i) {
        QCOMPARE(rows.at(i), QList<int>({answers.at(i).cardId, answers.at(i).kuId, 1}));
        // A first correct answer: score 0 -> 1, practised now.
        const QString unit =
            QStringLiteral("FROM KnowledgeUnits WHERE id = %1").arg(answers.at(i).kuId);
        QCOMPARE(profiletest::scalarOnFile(path, "SELECT score " + unit).toDouble(), 1.0);
        QVERIFY(profiletest::scalarOnFile(path, "SELECT lastTimePracticed " + unit).toLongLong() >
                QDateTime::currentSecsSinceEpoch() - 600);
    }
    // The session set-up of this run is the next start's.
    QCOMPARE(profiletest::scalarOnFile(
                 path, "SELECT settingValue FROM UserSettings WHERE settingName = 'session.type'")
                 .toString(),
             QStringLiteral("0"));
}

void TestPracticeShutdown::killRightAfterAnswersLosesAtMostHalfASecond()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QProcess child;
    startChild(child, folder, KillMode);
    QByteArray output;
    QElapsedTimer waiting;
    waiting.start();
    while (!output.contains("last\n") && waiting.elapsed() < 120000 &&
           child.state() == QProcess::Running) {
        child.waitForReadyRead(100);
        output += child.readAllStandardOutput();
    }
    // Killed the moment the last answer is given: no chance to save anything more.
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    output += child.readAllStandardOutput();
    QVERIFY2(output.contains("last\n"), output.constData());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    const QList<Answer> answers = parseAnswers(output);
    QCOMPARE(answers.size(), 7);
    const QString path = profilePath(folder);
    QCOMPARE(profiletest::scalarOnFile(path, "PRAGMA integrity_check").toString(),
             QStringLiteral("ok"));
    const QList<QList<int>> rows = storedRows(path);
    // What was written is the first answers, in order, each with its score.
    QVERIFY(rows.size() <= answers.size());
    for (int i = 0; i < answers.size(); ++i) {
        const bool stored = i < rows.size();
        if (stored)
            QCOMPARE(rows.at(i), QList<int>({answers.at(i).cardId, answers.at(i).kuId, 1}));
        const double score =
            profiletest::scalarOnFile(
                path, QStringLiteral("SELECT score FROM KnowledgeUnits WHERE id = %1")
                          .arg(answers.at(i).kuId))
                .toDouble();
        QCOMPARE(score, stored ? 1.0 : 0.0);
        // Only the last half second may be missing (with room for a busy machine's timers).
        const qint64 age = answers.last().elapsed - answers.at(i).elapsed;
        if (age >= 800)
            QVERIFY2(stored, qPrintable(QStringLiteral("answer %1, given %2 ms before the kill, "
                                                       "was lost")
                                            .arg(i)
                                            .arg(age)));
    }
    qInfo("%lld of %lld answers were in the profile after the kill", qint64(rows.size()),
          qint64(answers.size()));
}

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String(CloseMode) || argument == QLatin1String(KillMode)) {
            // The application sees no test options.
            int childArgc = 1;
            return runChild(childArgc, argv, argument);
        }
    }
    QCoreApplication app(argc, argv);
    TestPracticeShutdown test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_practiceshutdown.moc"
