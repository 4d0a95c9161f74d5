#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "mounttestsupport.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/decktransfer.h"
#include "profile/profile.h"
#include "profiletestsupport.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using korvo::Deck;
using korvo::DeckCard;
using korvo::KnowledgeUnit;
using korvo::Profile;

// A profile whose folder turns read-only or runs full while it is open: the first failed write
// is announced once, the file keeps every row it had (and passes SQLite's integrity check), and
// the change waits in memory until the folder can be written again. The file is always read
// back through a connection of the test's own.
class TestProfileWriteFailure : public QObject
{
    Q_OBJECT

private slots:
    void settingsWaitUntilTheyCanBeWritten_data() { failures(); }
    void settingsWaitUntilTheyCanBeWritten();
    void deckAndCardChangesWaitUntilTheyCanBeWritten_data() { failures(); }
    void deckAndCardChangesWaitUntilTheyCanBeWritten();
    void deletionsAndMovesAreWrittenByTheRetryTimer_data() { failures(); }
    void deletionsAndMovesAreWrittenByTheRetryTimer();
    void closingTheProfileWritesWhatWaited_data() { failures(); }
    void closingTheProfileWritesWhatWaited();
    void aFailedImportLeavesNothingBehind_data() { failures(); }
    void aFailedImportLeavesNothingBehind();

private:
    static void failures();
};

namespace {

// The folder with a stored profile in it: a deck "Verbs" of three cards showing units of the
// learner's own, a folder "Grammar" holding a deck "Particles" of one card, and one setting.
struct Fixture
{
    profiletest::LimitedFolder folder{8 * 1024 * 1024};
    std::unique_ptr<Profile> profile;
    Deck* verbs = nullptr;
    Deck* grammar = nullptr;
    Deck* particles = nullptr;
    QString failure;

    QString path() const { return folder.path() + QStringLiteral("/Profile.db"); }

    bool setUp(const QString& kind)
    {
        failure = kind;
        if (!folder.isMounted())
            return false;
        profile = profiletest::openEmptyProfile(folder.path());
        if (!profile)
            return false;
        verbs = profiletest::makeStoredDeck(profile.get(), QStringLiteral("Verbs"));
        for (const char* word : {"吃", "喝", "看"})
            verbs->addKnowledgeUnit(ownUnit(QString::fromUtf8(word)));
        grammar = profiletest::makeStoredDeck(profile.get(), QStringLiteral("Grammar"), true);
        particles =
            profiletest::makeStoredDeck(profile.get(), QStringLiteral("Particles"), false, grammar);
        particles->addKnowledgeUnit(ownUnit(QStringLiteral("了")));
        profile->renumberDecks();
        profile->setSetting(QStringLiteral("characterMode"), QStringLiteral("traditional"));
        return profile->saveSettings() && !profile->hasPendingWrites();
    }

    KnowledgeUnit* ownUnit(const QString& simplified)
    {
        auto* unit = new KnowledgeUnit;
        unit->setType(2);
        unit->setOwner(1);
        unit->setSimplified(simplified);
        unit->setPinyin(QStringLiteral("a1"));
        unit->setDefinition(QStringLiteral("word ") + simplified);
        if (!profile->saveKnowledgeUnit(unit)) {
            delete unit;
            return nullptr;
        }
        return unit;
    }

    bool startFailing()
    {
        return failure == QLatin1String("read-only") ? folder.makeReadOnly() : folder.fill();
    }
    bool stopFailing()
    {
        return failure == QLatin1String("read-only") ? folder.makeWritable() : folder.unfill();
    }

    // Every row the program keeps, as text, in a stable order.
    QString dump() const
    {
        QString text;
        for (const char* table :
             {"Decks", "Cards", "KnowledgeUnits", "Knowledge", "UserSettings"}) {
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "dump");
            database.setDatabaseName(path());
            if (database.open()) {
                QSqlQuery query(database);
                query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(table));
                while (query.next()) {
                    QStringList values;
                    for (int i = 0; i < query.record().count(); ++i)
                        values << query.value(i).toString();
                    text += QLatin1String(table) + QLatin1Char(':') +
                            values.join(QLatin1Char('|')) + QLatin1Char('\n');
                }
            }
            database.close();
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase("dump");
        }
        return text;
    }

    QString integrity() const
    {
        return profiletest::scalarOnFile(path(), QStringLiteral("PRAGMA integrity_check"))
            .toString();
    }

    QVariant onFile(const QString& statement) const
    {
        return profiletest::scalarOnFile(path(), statement);
    }
};

#define SET_UP(fixture)                                                                            \
    QFETCH(QString, failure);                                                                      \
    Fixture fixture;                                                                               \
    if (!fixture.folder.isMounted())                                                               \
        QSKIP(qPrintable(QStringLiteral("no size-limited folder: ") + fixture.folder.error()));    \
    QVERIFY(fixture.setUp(failure));                                                               \
    QSignalSpy told(fixture.profile.get(), &Profile::writeFailed);                                 \
    const QString before = fixture.dump();                                                         \
    QVERIFY(before.contains("Verbs"));                                                             \
    QVERIFY(fixture.startFailing())

} // namespace

void TestProfileWriteFailure::failures()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("full disk") << "full";
}

void TestProfileWriteFailure::settingsWaitUntilTheyCanBeWritten()
{
    SET_UP(f);
    Profile* profile = f.profile.get();
    profile->setSetting(QStringLiteral("characterMode"), QStringLiteral("both"));
    profile->setSetting(QStringLiteral("locale"), QStringLiteral("de"));
    QVERIFY(!profile->saveSettings());
    profile->setSetting(QStringLiteral("cardItemDelegate.width"), 150);
    QVERIFY(!profile->saveSettings());
    QCOMPARE(told.count(), 1);
    QVERIFY(profile->hasPendingWrites());
    // The program goes on with what the learner chose.
    QCOMPARE(profile->setting(QStringLiteral("characterMode")).toString(), QStringLiteral("both"));
    QCOMPARE(f.integrity(), QStringLiteral("ok"));
    QCOMPARE(f.dump(), before);

    QVERIFY(f.stopFailing());
    QVERIFY(profile->saveSettings());
    QVERIFY(!profile->hasPendingWrites());
    const auto stored = [&](const char* name) {
        return f
            .onFile(QStringLiteral("SELECT settingValue FROM UserSettings WHERE settingName "
                                   "= '%1'")
                        .arg(QLatin1String(name)))
            .toString();
    };
    QCOMPARE(stored("characterMode"), QStringLiteral("both"));
    QCOMPARE(stored("locale"), QStringLiteral("de"));
    QCOMPARE(stored("cardItemDelegate.width"), QStringLiteral("150"));
    QCOMPARE(told.count(), 1);

    // A new run of failures after the recovery is told again.
    QVERIFY(f.startFailing());
    profile->setSetting(QStringLiteral("locale"), QStringLiteral("fr"));
    QVERIFY(!profile->saveSettings());
    QCOMPARE(told.count(), 2);
    QVERIFY(f.stopFailing());
    QVERIFY(profile->saveSettings());
}

void TestProfileWriteFailure::deckAndCardChangesWaitUntilTheyCanBeWritten()
{
    SET_UP(f);
    Profile* profile = f.profile.get();
    // Rename a deck, make a new one with a card, add a card to a stored deck, edit a card's
    // entry and put the last card of a deck first.
    f.verbs->setTitle(QStringLiteral("Everyday verbs"));
    profile->saveDeck(f.verbs, false, true);
    Deck* later = profile->newDeck();
    later->setTitle(QStringLiteral("Later"));
    profile->saveDeck(later, false, true);
    QCOMPARE(later->id(), -1);
    DeckCard* laterCard = later->addKnowledgeUnit(f.ownUnit(QStringLiteral("晚")));
    KnowledgeUnit* added = f.ownUnit(QStringLiteral("走"));
    QVERIFY(added);
    QCOMPARE(added->id(), -1);
    DeckCard* addedCard = f.particles->addKnowledgeUnit(added);
    KnowledgeUnit* edited = f.verbs->cards().at(1)->knowledgeUnit();
    edited->setDefinition(QStringLiteral("to drink/edited"));
    QVERIFY(profile->saveKnowledgeUnit(edited));
    const int lastCardId = f.verbs->cards().last()->id();
    f.verbs->moveCard(lastCardId, 0);
    profile->saveDeck(f.verbs, true, true);

    QCOMPARE(told.count(), 1);
    QVERIFY(profile->hasPendingWrites());
    QCOMPARE(f.integrity(), QStringLiteral("ok"));
    QCOMPARE(f.dump(), before);

    QVERIFY(f.stopFailing());
    QSignalSpy collection(profile, &Profile::deckCollectionChanged);
    QVERIFY(profile->retryPendingWrites());
    QVERIFY(!profile->hasPendingWrites());
    QVERIFY(collection.count() >= 1); // the new deck's id changed
    QVERIFY(later->id() > 0);
    QVERIFY(laterCard->id() > 0);
    QVERIFY(added->id() > 0);
    QVERIFY(addedCard->id() > 0);

    QCOMPARE(f.integrity(), QStringLiteral("ok"));
    QCOMPARE(f.onFile(QStringLiteral("SELECT title FROM Decks WHERE id = %1").arg(f.verbs->id())),
             QVariant("Everyday verbs"));
    QCOMPARE(f.onFile(QStringLiteral("SELECT title FROM Decks WHERE id = %1").arg(later->id())),
             QVariant("Later"));
    QCOMPARE(f.onFile(QStringLiteral("SELECT deckId || ':' || kuId FROM Cards WHERE id = %1")
                          .arg(addedCard->id()))
                 .toString(),
             QStringLiteral("%1:%2").arg(f.particles->id()).arg(added->id()));
    QCOMPARE(f.onFile(QStringLiteral("SELECT simplified FROM KnowledgeUnits WHERE id = %1")
                          .arg(laterCard->kuId())),
             QVariant(QStringLiteral("晚")));
    QCOMPARE(f.onFile(QStringLiteral("SELECT definition FROM KnowledgeUnits WHERE id = %1")
                          .arg(edited->id())),
             QVariant("to drink/edited"));
    QCOMPARE(f.onFile(QStringLiteral("SELECT id FROM Cards WHERE deckId = %1 ORDER BY sortOrder "
                                     "LIMIT 1")
                          .arg(f.verbs->id())),
             QVariant(lastCardId));
    // Each change once, nothing doubled by the attempts.
    QCOMPARE(f.onFile(QStringLiteral("SELECT COUNT(*) FROM Decks WHERE title = 'Later'")),
             QVariant(1));
    QCOMPARE(f.onFile(QStringLiteral("SELECT COUNT(*) FROM Cards")), QVariant(6));
    QCOMPARE(told.count(), 1);
}

void TestProfileWriteFailure::deletionsAndMovesAreWrittenByTheRetryTimer()
{
    SET_UP(f);
    Profile* profile = f.profile.get();
    const int grammarId = f.grammar->id();
    const int particlesId = f.particles->id();
    const int particleUnit = f.particles->cards().first()->kuId();
    const int droppedCard = f.verbs->cards().first()->id();
    f.verbs->deleteCard(droppedCard);
    QCOMPARE(f.verbs->cardCount(), 2);
    profile->deleteDeck(grammarId);
    QVERIFY(!profile->deckById(grammarId));
    // Moving the remaining deck into a new position of the tree is stored by renumbering.
    Deck* extra = profiletest::makeStoredDeck(profile, QStringLiteral("Extra"));
    QCOMPARE(extra->id(), -1);
    profile->rootDeck()->insertChild(extra, 0);
    profile->renumberDecks();

    QCOMPARE(told.count(), 1);
    QCOMPARE(f.integrity(), QStringLiteral("ok"));
    QCOMPARE(f.dump(), before);

    QVERIFY(f.stopFailing());
    // Nothing else is written: the retry timer alone brings the changes to the file.
    QTRY_VERIFY_WITH_TIMEOUT(!profile->hasPendingWrites(), Profile::RetryInterval * 3);
    QCOMPARE(f.integrity(), QStringLiteral("ok"));
    const auto count = [&](const QString& where) {
        return f.onFile(QStringLiteral("SELECT COUNT(*) FROM ") + where).toInt();
    };
    QCOMPARE(count(QStringLiteral("Cards WHERE id = %1").arg(droppedCard)), 0);
    QCOMPARE(count(QStringLiteral("Decks WHERE id IN (%1, %2)").arg(grammarId).arg(particlesId)),
             0);
    QCOMPARE(count(QStringLiteral("Cards WHERE deckId = %1").arg(particlesId)), 0);
    QCOMPARE(count(QStringLiteral("KnowledgeUnits WHERE id = %1").arg(particleUnit)), 0);
    QCOMPARE(count(QStringLiteral("Cards WHERE deckId = %1").arg(f.verbs->id())), 2);
    QVERIFY(extra->id() > 0);
    QCOMPARE(f.onFile(QStringLiteral("SELECT sortOrder FROM Decks WHERE id = %1").arg(extra->id())),
             QVariant(1));
}

void TestProfileWriteFailure::closingTheProfileWritesWhatWaited()
{
    SET_UP(f);
    f.profile->setSetting(QStringLiteral("locale"), QStringLiteral("es"));
    f.verbs->setTitle(QStringLiteral("Verbos"));
    f.profile->saveDeck(f.verbs, false, true);
    QVERIFY(!f.profile->saveSettings());
    QVERIFY(f.profile->hasPendingWrites());
    QVERIFY(f.stopFailing());
    f.profile.reset();
    QCOMPARE(f.onFile("SELECT settingValue FROM UserSettings WHERE settingName = 'locale'"),
             QVariant("es"));
    QCOMPARE(f.onFile("SELECT COUNT(*) FROM Decks WHERE title = 'Verbos'"), QVariant(1));
    QCOMPARE(told.count(), 1);
}

// An import is one transaction of its own: it is undone whole and reported by its caller (the
// deck file commands say "Could not import"); nothing of it waits to be written later.
void TestProfileWriteFailure::aFailedImportLeavesNothingBehind()
{
    QFETCH(QString, failure);
    Fixture f;
    if (!f.folder.isMounted())
        QSKIP(qPrintable(QStringLiteral("no size-limited folder: ") + f.folder.error()));
    QVERIFY(f.setUp(failure));
    const QString text = korvo::deckToJson(f.verbs, korvo::TransferOptions(), false);
    const int decksBefore = f.profile->rootDeck()->children().size();
    const QString before = f.dump();
    QVERIFY(f.startFailing());

    QVERIFY(!korvo::importDeckText(f.profile.get(), text, korvo::TransferOptions(), nullptr));
    QCOMPARE(f.profile->rootDeck()->children().size(), decksBefore);
    QVERIFY(!f.profile->hasPendingWrites());
    QCOMPARE(f.integrity(), QStringLiteral("ok"));
    QCOMPARE(f.dump(), before);

    QVERIFY(f.stopFailing());
    QVERIFY(f.profile->retryPendingWrites());
    QCOMPARE(f.dump(), before);
    QVERIFY(korvo::importDeckText(f.profile.get(), text, korvo::TransferOptions(), nullptr));
}

QTEST_GUILESS_MAIN(TestProfileWriteFailure)
#include "tst_profilewritefailure.moc"
