#include "app/application.h"
#include "dictionary/knowledgeunit.h"
#include "guitestsupport.h"
#include "mounttestsupport.h"
#include "practice/session.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profiletestsupport.h"

#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <cstdio>

// The real application on a profile folder that turns read-only while the learner practises:
// the learner is told once in the window, the answers wait in memory, and they reach Profile.db
// once the folder can be written again. main() then ends the program on a full disk: the exit
// asks before dropping anything, and "Try again" after making room saves it.
class TestProfileWrites : public QObject
{
    Q_OBJECT

public:
    explicit TestProfileWrites(profiletest::LimitedFolder* folder) : m_folder(folder) {}

private slots:
    void initTestCase();
    void practiceAnswersWaitUntilTheyCanBeWritten();

private:
    QString profilePath() const { return korvo::Application::instance()->profileDatabase(); }

    profiletest::LimitedFolder* m_folder;
};

void TestProfileWrites::initTestCase()
{
    if (!m_folder->isMounted())
        QSKIP(qPrintable(QStringLiteral("no size-limited folder: ") + m_folder->error()));
    korvo::Application::instance()->initialize();
    QVERIFY(QFile::exists(profilePath()));
}

void TestProfileWrites::practiceAnswersWaitUntilTheyCanBeWritten()
{
    auto* app = korvo::Application::instance();
    korvo::Profile* profile = app->profile();
    QList<korvo::Deck*> decks;
    profile->collectDecks(decks, false);
    korvo::Deck* deck = nullptr;
    for (korvo::Deck* each : std::as_const(decks)) {
        if (each->cardCount() >= 4) {
            deck = each;
            break;
        }
    }
    QVERIFY(deck);
    korvo::Session* session = app->session();
    session->setDecks({deck});
    session->setUseSpacedRepetition(false);
    session->setUseAllCards(true);
    session->prepare();
    session->start();
    const int rowsBefore =
        profiletest::scalarOnFile(profilePath(), "SELECT COUNT(*) FROM Knowledge").toInt();

    QVERIFY(m_folder->makeReadOnly());
    auto notice = guitest::onNextModal([](QWidget* box) { box->close(); });
    QMap<int, float> scores; // unit id -> score before
    for (int i = 0; i < 3; ++i) {
        korvo::DeckCard* card = session->nextCard();
        QVERIFY(card && card->knowledgeUnit());
        scores.insert(card->kuId(), card->knowledgeUnit()->score());
        session->answer(card, 1);
    }
    QTRY_VERIFY_WITH_TIMEOUT(notice->seen, 5000);
    QCOMPARE(notice->title, QStringLiteral("Warning"));
    QVERIFY2(notice->text.contains(profilePath()), qPrintable(notice->text));
    QVERIFY2(notice->text.contains("read-only"), qPrintable(notice->text));
    QVERIFY(session->hasPendingHistory());
    QCOMPARE(profiletest::scalarOnFile(profilePath(), "SELECT COUNT(*) FROM Knowledge").toInt(),
             rowsBefore);
    QCOMPARE(profiletest::scalarOnFile(profilePath(), "PRAGMA integrity_check"), QVariant("ok"));

    // Further answers and attempts are not told again.
    auto second = guitest::onNextModal([](QWidget* box) { box->close(); });
    session->answer(session->nextCard(), 0);
    QTest::qWait(1500);
    QVERIFY(!second->seen);
    second.reset();

    QVERIFY(m_folder->makeWritable());
    QTRY_VERIFY_WITH_TIMEOUT(!session->hasPendingHistory(), korvo::Profile::RetryInterval + 3000);
    QCOMPARE(profiletest::scalarOnFile(profilePath(), "SELECT COUNT(*) FROM Knowledge").toInt(),
             rowsBefore + 4);
    // Each answer moved its unit's score once, whatever the number of attempts.
    for (auto it = scores.cbegin(); it != scores.cend(); ++it) {
        const double stored =
            profiletest::scalarOnFile(
                profilePath(),
                QStringLiteral("SELECT score FROM KnowledgeUnits WHERE id = %1").arg(it.key()))
                .toDouble();
        QCOMPARE(stored, double(it.value() + 1));
    }
    QCOMPARE(profiletest::scalarOnFile(profilePath(), "PRAGMA integrity_check"), QVariant("ok"));
}

int main(int argc, char* argv[])
{
    profiletest::LimitedFolder folder(96 * 1024 * 1024);
    QTemporaryDir fallback;
    qputenv("XDG_DATA_HOME",
            QFile::encodeName(folder.isMounted() ? folder.path() : fallback.path()));
    int result = 0;
    QString profile;
    std::shared_ptr<guitest::ModalRecord> exitBox;
    {
        korvo::Application application(argc, argv);
        TestProfileWrites test(&folder);
        result = QTest::qExec(&test, argc, argv);
        if (!folder.isMounted() || !application.profile())
            return result;
        profile = application.profileDatabase();
        // The exit meets a full disk: the learner makes room and tries again.
        folder.fill();
        application.profile()->setSetting("characterMode", "both");
        exitBox = guitest::onNextModal([&folder](QWidget* box) {
            folder.unfill();
            guitest::clickButton("Try again")(box);
        });
    }
    const QString stored =
        profiletest::scalarOnFile(
            profile, "SELECT settingValue FROM UserSettings WHERE settingName = 'characterMode'")
            .toString();
    if (!exitBox->seen || exitBox->title != "Error" ||
        exitBox->buttons != QStringList{"Try again", "Quit without saving"} || stored != "both") {
        std::fprintf(stderr, "FAIL: exit on a full disk: box %d \"%s\" [%s], stored \"%s\"\n",
                     exitBox->seen, qPrintable(exitBox->title),
                     qPrintable(exitBox->buttons.join(';')), qPrintable(stored));
        return 1;
    }
    return result;
}

#include "tst_profilewrites.moc"
