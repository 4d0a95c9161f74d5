// The real program started on a profile written by schema version 2.0, with a deck and answers
// of the learner's: the start-up upgrades it (answer times for new answers, the old ones kept
// without), backs the old file up first, and everything else opens as before: the deck tree, a
// session on the practice screen, and the statistics screen, which counts the old answers in
// its totals only.

#include "app/application.h"
#include "guitestsupport.h"
#include "practice/practicewidget.h"
#include "practice/sessiondialog.h"
#include "practicetestsupport.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "profile/profileschema.h"
#include "profiletestsupport.h"
#include "statistics_ui/statisticswidget.h"
#include "style/practiceactionbar.h"
#include "style/xqpushbutton.h"
#include "ui/mainwindow.h"
#include "ui/navigationbar.h"

#include <QDate>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {

const QStringList Version2Rows = {
    "INSERT INTO Decks (id, title, sortOrder, parentId, uuid) VALUES (1, 'Old words', 0, 0, "
    "'oldwordsdeck0000000001')",
    "INSERT INTO KnowledgeUnits (id, simplified, traditional, pinyin, definition, owner, "
    "uuid) VALUES (1, '书', '書', 'shu1', 'book', 1, 'oldunit000000000000001')",
    "INSERT INTO KnowledgeUnits (id, simplified, traditional, pinyin, definition, owner, "
    "uuid) VALUES (2, '笔', '筆', 'bi3', 'pen', 1, 'oldunit000000000000002')",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder, uuid) VALUES (1, 1, 1, 0, "
    "'oldcard000000000000001')",
    "INSERT INTO Cards (id, deckId, kuId, sortOrder, uuid) VALUES (2, 1, 2, 1, "
    "'oldcard000000000000002')",
    "INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (1, 1, 1, 1)",
    "INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (1, 1, 1, 1)",
    "INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (2, 2, 1, 0)",
};

} // namespace

class TestUpgradedProfile : public QObject
{
    Q_OBJECT

public:
    explicit TestUpgradedProfile(const QString& userData) : m_userData(userData) {}

private slots:
    void startUpUpgradesAfterTheBackup();
    void theDeckTreeAndItsCardsAreThere();
    void aSessionStoresAnswersWithTheirTimes();
    void statisticsCountTheOldAnswersInTheTotalsOnly();

private:
    QString profileFile() const { return m_userData + QStringLiteral("/Quillet/Profile.db"); }
    QVariant stored(const QString& sql) const
    {
        return profiletest::scalarOnFile(profileFile(), sql);
    }
    MainWindow* window() const { return Application::instance()->mainWindow(); }
    void press(Qt::Key key);

    QString m_userData;
    qint64 m_sessionStart = 0;
};

void TestUpgradedProfile::startUpUpgradesAfterTheBackup()
{
    Application* app = Application::instance();
    QVERIFY(app->initialize());
    QCOMPARE(app->profile()->databaseVersion(), QString(CurrentProfileSchemaVersion));
    QCOMPARE(stored("SELECT version FROM DatabaseVersion").toString(),
             QString(CurrentProfileSchemaVersion));
    QCOMPARE(stored("SELECT COUNT(*) FROM Knowledge WHERE answerTime IS NULL").toInt(), 3);
    // The copy made on the first start of this version is of the file before the upgrade.
    const QString backup =
        m_userData +
        QStringLiteral("/Quillet/Profile.%1.db").arg(QDate::currentDate().toString("yyyy-MM-dd"));
    QVERIFY(QFile::exists(backup));
    QCOMPARE(profiletest::scalarOnFile(backup, "SELECT version FROM DatabaseVersion").toString(),
             QStringLiteral("2.0"));
    QCOMPARE(profiletest::scalarOnFile(backup, "SELECT COUNT(*) FROM Knowledge").toInt(), 3);
}

void TestUpgradedProfile::theDeckTreeAndItsCardsAreThere()
{
    Profile* profile = Application::instance()->profile();
    Deck* deck = profile->deckById(1);
    QVERIFY(deck);
    QCOMPARE(deck->title(), QStringLiteral("Old words"));
    QCOMPARE(deck->cards().size(), 2);
    QTest::mouseClick(window()->navigationBar()->button("manageButton"), Qt::LeftButton);
    QCOMPARE(window()->screenName(), QStringLiteral("manage"));
}

void TestUpgradedProfile::press(Qt::Key key)
{
    QWidget* focus = QApplication::focusWidget();
    PracticeWidget* practice = window()->practiceScreen();
    if (!focus || !practice->isAncestorOf(focus))
        focus = practice;
    QTest::keyClick(focus, key);
}

void TestUpgradedProfile::aSessionStoresAnswersWithTheirTimes()
{
    QTest::mouseClick(window()->navigationBar()->button("practiceButton"), Qt::LeftButton);
    PracticeWidget* practice = window()->practiceScreen();
    QVERIFY(practice && practice->isVisible());
    practicetest::SetUp setUp;
    setUp.deckIds = {1};
    setUp.type = "typeFreeRB";
    bool started = false;
    auto dialog = guitest::onNextModal([&](QWidget* modal) {
        auto* sessionDialog = qobject_cast<SessionDialog*>(modal);
        started = sessionDialog && practicetest::startInDialog(sessionDialog, setUp);
    });
    m_sessionStart = QDateTime::currentSecsSinceEpoch();
    QTest::mouseClick(practice->actionBar()->button("sessionButton"), Qt::LeftButton);
    QTRY_VERIFY(dialog->seen);
    QVERIFY(started);
    QTRY_VERIFY(practice->currentCard() && QApplication::activeModalWidget() == nullptr);
    window()->activateWindow();
    for (int card = 0; card < 2; ++card) {
        press(Qt::Key_F);
        press(Qt::Key_C);
    }
    // Written half a second after the last answer.
    QTRY_COMPARE(stored("SELECT COUNT(*) FROM Knowledge").toInt(), 5);
    QCOMPARE(stored(QString("SELECT COUNT(*) FROM Knowledge WHERE answerTime >= %1 AND "
                            "answerTime <= %2")
                        .arg(m_sessionStart)
                        .arg(QDateTime::currentSecsSinceEpoch()))
                 .toInt(),
             2);
}

void TestUpgradedProfile::statisticsCountTheOldAnswersInTheTotalsOnly()
{
    QTest::mouseClick(window()->navigationBar()->button("statisticsButton"), Qt::LeftButton);
    StatisticsWidget* statistics = window()->statisticsScreen();
    QVERIFY(statistics && statistics->isVisible());
    auto figure = [statistics](const char* name) {
        return statistics->findChild<QLabel*>(QLatin1String(name) + QStringLiteral("Value"))
            ->text();
    };
    QCOMPARE(figure("answers"), QStringLiteral("2"));
    QCOMPARE(figure("streak"), QStringLiteral("1"));
    QTest::mouseClick(statistics->findChild<XQPushButton*>("rangeallButton"), Qt::LeftButton);
    QCOMPARE(figure("answers"), QStringLiteral("5"));
    QCOMPARE(figure("correctRate"), QStringLiteral("80%"));
    QCOMPARE(statistics->report().untimedAnswers, 3);
    QCOMPARE(statistics->report().days.size(), 1);
    QVERIFY(statistics->findChild<QLabel*>("untimedLabel")->isVisible());
}

int main(int argc, char* argv[])
{
    QTemporaryDir userData;
    if (!userData.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
    const QString folder = userData.path() + QStringLiteral("/Quillet");
    if (!QDir().mkpath(folder) ||
        !profiletest::createVersion2Profile(folder + QStringLiteral("/Profile.db"), Version2Rows))
        return 1;
    Application application(argc, argv);
    TestUpgradedProfile test(userData.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_upgradedprofile.moc"
