#include "dictionary/dictionary.h"
#include "practice/session.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/decktransfer.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"
#include "ui/editcarddialog.h"
#include "uitestsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <functional>

using namespace korvo;
using profiletest::scalarOnFile;

// Every kind of write the program makes, each run over and over by a child process that is
// killed (SIGKILL) at a random moment. Whatever the moment, the profile must open sound and each
// write must be in it completely or not at all.
namespace {

const char* const ChildOption = "--kill-safety-child";
const int KillsPerKind = 17;
const int AnsweredCards = 5;
const int ReorderedCards = 30;
const int DeletableDecks = 4000;
const int CardsPerDeck = 10;
const int ImportedCards = 10;
const QStringList EditorWords = {"学习", "朋友", "喜欢"};
const QStringList SettingNames = {"killTest.first", "killTest.second", "killTest.third"};

enum class WriteKind { Answers, Settings, Import, Reorder, Deletion, CardEditor };

const QMap<QString, WriteKind> KindNames = {
    {"answers", WriteKind::Answers},   {"settings", WriteKind::Settings},
    {"import", WriteKind::Import},     {"reorder", WriteKind::Reorder},
    {"deletion", WriteKind::Deletion}, {"cardEditor", WriteKind::CardEditor},
};

// Rows of a deck `deckId` with `count` cards, each showing a unit of the user's own; card and
// unit ids start at `firstId`.
QStringList deckWithOwnCards(int deckId, const QString& title, int count, int firstId,
                             int sortOrder)
{
    return {
        QString("INSERT INTO Decks (id, title, sortOrder, parentId) VALUES (%1, '%2', %3, 0)")
            .arg(deckId)
            .arg(title)
            .arg(sortOrder),
        QString("WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                "INSERT INTO KnowledgeUnits (id, simplified, pinyin, definition, owner, score) "
                "SELECT i, 'w' || i, 'a1', 'word ' || i, 1, 0 FROM n")
            .arg(firstId)
            .arg(firstId + count - 1),
        QString("WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                "INSERT INTO Cards (id, deckId, kuId, sortOrder) SELECT i, %3, i, i FROM n")
            .arg(firstId)
            .arg(firstId + count - 1)
            .arg(deckId),
    };
}

QStringList fixtureRows(WriteKind kind)
{
    switch (kind) {
    case WriteKind::Answers:
        return deckWithOwnCards(1, "Practice", AnsweredCards, 1, 1);
    case WriteKind::Reorder:
        return deckWithOwnCards(1, "Ordered", ReorderedCards, 1, 1);
    case WriteKind::Deletion:
        return {
            QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO Decks (id, title, sortOrder, parentId) SELECT i, 'D' || i, i, 0 "
                    "FROM n")
                .arg(DeletableDecks),
            QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO KnowledgeUnits (id, simplified, pinyin, definition, owner) "
                    "SELECT i, 'w' || i, 'a1', 'word ' || i, 1 FROM n")
                .arg(DeletableDecks * CardsPerDeck),
            QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO Cards (id, deckId, kuId, sortOrder) "
                    "SELECT i, (i - 1) / %2 + 1, i, i FROM n")
                .arg(DeletableDecks * CardsPerDeck)
                .arg(CardsPerDeck),
        };
    case WriteKind::CardEditor:
        return {"INSERT INTO Decks (id, title, sortOrder, parentId) VALUES (1, 'Mine', 1, 0)"};
    case WriteKind::Settings:
    case WriteKind::Import:
        break;
    }
    return {};
}

// The child's side: one kind of write, again and again, each announced once it returned.
class WriteLoop
{
public:
    WriteLoop(Profile* profile, const QString& folder) : m_profile(profile), m_folder(folder) {}

    int run(WriteKind kind)
    {
        std::function<bool(int)> write;
        switch (kind) {
        case WriteKind::Answers:
            write = [this](int) { return answerEveryCard(); };
            break;
        case WriteKind::Settings:
            write = [this](int round) { return saveSettingsBatch(round); };
            break;
        case WriteKind::Import:
            write = [this](int) { return importDeckFile(); };
            break;
        case WriteKind::Reorder:
            write = [this](int) { return moveLastCardToTop(); };
            break;
        case WriteKind::Deletion:
            write = [this](int) { return deleteFirstDeck(); };
            break;
        case WriteKind::CardEditor:
            return runCardEditor();
        }
        announce("ready");
        for (int round = 1; write(round); ++round)
            announce("wrote");
        announce("exhausted");
        return 0;
    }

private:
    static void announce(const char* word)
    {
        std::printf("%s\n", word);
        std::fflush(stdout);
    }

    bool answerEveryCard()
    {
        if (!m_session)
            m_session = std::make_unique<Session>(m_profile);
        for (DeckCard* card : m_profile->deckById(1)->cards())
            m_session->answer(card, 1);
        m_session->saveHistoryItems();
        return true;
    }

    bool saveSettingsBatch(int round)
    {
        for (const QString& name : SettingNames)
            m_profile->setSetting(name, round);
        m_profile->saveSettings();
        return true;
    }

    bool importDeckFile()
    {
        QString text;
        if (readDeckFile(m_folder + "/shared.kvd", &text) != DeckFileStatus::Ok)
            return false;
        return importDeckText(m_profile, text, readTransferOptions(text), nullptr) != nullptr;
    }

    bool moveLastCardToTop()
    {
        Deck* deck = m_profile->deckById(1);
        const QList<DeckCard*> cards = deck->cards();
        deck->moveCard(cards.last()->id(), 0);
        m_profile->saveDeck(deck, true, true);
        return true;
    }

    bool deleteFirstDeck()
    {
        const QList<Deck*> decks = m_profile->rootDeck()->children();
        if (decks.isEmpty())
            return false;
        m_profile->deleteDeck(decks.first()->id());
        return true;
    }

    // The card editor as a learner uses it: characters typed, the field left so the rest fills
    // itself, Save clicked.
    int runCardEditor()
    {
        Dictionary dictionary;
        if (!dictionary.open(uitest::dataFolder() + "/Dictionary.db", "killDictionary"))
            return 3;
        uitest::useBuiltSkin();
        uitest::TestServices services(m_profile, &dictionary);
        EditCardDialog editor(services.mainWindow());
        announce("ready");
        for (int round = 0;; ++round) {
            editor.setCard(nullptr, 1);
            editor.show();
            auto* simplified = editor.findChild<QLineEdit*>("simplifiedTE");
            uitest::typeText(simplified, EditorWords.at(round % EditorWords.size()));
            emit simplified->editingFinished();
            QTest::mouseClick(editor.findChild<QPushButton*>("saveButton"), Qt::LeftButton);
            announce("wrote");
        }
    }

    Profile* m_profile;
    QString m_folder;
    std::unique_ptr<Session> m_session;
};

int runChild(WriteKind kind, const QString& folder)
{
    initPinyinTables();
    Profile profile(folder, QString());
    profile.openDatabase();
    profile.loadDecks();
    return WriteLoop(&profile, folder).run(kind);
}

// All rows of a one-column query on the file.
QVariantList columnOnFile(const QString& path, const QString& statement)
{
    QVariantList values;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "killSafetyCheck");
        database.setDatabaseName(path);
        if (database.open()) {
            QSqlQuery query(database);
            if (query.exec(statement))
                while (query.next())
                    values << query.value(0);
            else
                values << QStringLiteral("query failed: ") + statement;
        }
    }
    QSqlDatabase::removeDatabase("killSafetyCheck");
    return values;
}

int countOnFile(const QString& path, const QString& statement)
{
    return scalarOnFile(path, statement).toInt();
}

} // namespace

class TestKillSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void killedWritesAreWholeOrAbsent_data();
    void killedWritesAreWholeOrAbsent();

private:
    QString prepareProfile(const QString& name, WriteKind kind);
    bool writeSharedDeckFile(const QString& folder);
    // Empty when the file holds every write whole; otherwise what is wrong.
    QString brokenWrites(const QString& path, WriteKind kind);

    QTemporaryDir m_dir;
    int m_kills = 0;
    int m_killsInTransaction = 0;
    int m_writesSeen = 0;
};

void TestKillSafety::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestKillSafety::cleanupTestCase()
{
    qInfo("%d kills, %d of them while a transaction was open (journal present); %d writes "
          "completed before the kills",
          m_kills, m_killsInTransaction, m_writesSeen);
}

QString TestKillSafety::prepareProfile(const QString& name, WriteKind kind)
{
    const QString folder = m_dir.filePath(name);
    if (!QDir().mkpath(folder) ||
        !profiletest::createTemplate(folder + "/Profile.db", fixtureRows(kind)))
        return QString();
    if (kind == WriteKind::Import && !writeSharedDeckFile(folder))
        return QString();
    return folder;
}

// A deck of ten cards of the user's own, exported as a learner would share it.
bool TestKillSafety::writeSharedDeckFile(const QString& folder)
{
    QTemporaryDir source;
    std::unique_ptr<Profile> profile = profiletest::openEmptyProfile(source.path());
    if (!profile)
        return false;
    Deck* deck = profiletest::makeStoredDeck(profile.get(), "Shared");
    for (int i = 0; i < ImportedCards; ++i) {
        auto* unit = new KnowledgeUnit;
        unit->setOwner(1);
        unit->setSimplified(QString("字%1").arg(i));
        unit->setPinyin("zi4");
        unit->setDefinition(QString("character %1").arg(i));
        if (!profile->dictionary()->saveKnowledgeUnit(unit)) {
            delete unit;
            return false;
        }
        deck->addKnowledgeUnit(unit);
    }
    return writeDeckFile(deck, folder + "/shared.kvd");
}

QString TestKillSafety::brokenWrites(const QString& path, WriteKind kind)
{
    switch (kind) {
    case WriteKind::Answers: {
        const int rows = countOnFile(path, "SELECT COUNT(*) FROM Knowledge");
        if (rows % AnsweredCards != 0)
            return QString("%1 history rows: not whole batches of %2").arg(rows).arg(AnsweredCards);
        // Every answer was correct: a unit's score is its number of history rows.
        const int mismatched =
            countOnFile(path, "SELECT COUNT(*) FROM KnowledgeUnits u WHERE u.score != "
                              "(SELECT COUNT(*) FROM Knowledge k WHERE k.kuId = u.id)");
        if (mismatched != 0)
            return QString("%1 units whose score disagrees with their history").arg(mismatched);
        if (countOnFile(path, "SELECT COUNT(DISTINCT score) FROM KnowledgeUnits") != 1)
            return "the units of one batch have different scores";
        return QString();
    }
    case WriteKind::Settings: {
        const QVariantList values =
            columnOnFile(path, "SELECT settingValue FROM UserSettings WHERE settingName LIKE "
                               "'killTest.%' ORDER BY settingName");
        if (!values.isEmpty() && (values.size() != SettingNames.size() ||
                                  values.at(0) != values.at(1) || values.at(1) != values.at(2)))
            return QString("settings of one batch differ: %1")
                .arg(QVariant(values).toStringList().join(", "));
        return QString();
    }
    case WriteKind::Import: {
        const int partial = countOnFile(
            path, QString("SELECT COUNT(*) FROM Decks d WHERE (SELECT COUNT(*) FROM Cards c "
                          "WHERE c.deckId = d.id) != %1")
                      .arg(ImportedCards));
        if (partial != 0)
            return QString("%1 imported decks without all their cards").arg(partial);
        const int unshown =
            countOnFile(path, "SELECT COUNT(*) FROM KnowledgeUnits u WHERE NOT EXISTS "
                              "(SELECT 1 FROM Cards c WHERE c.kuId = u.id)");
        if (unshown != 0)
            return QString("%1 imported units that no card shows").arg(unshown);
        return QString();
    }
    case WriteKind::Reorder: {
        const QVariantList ids = columnOnFile(path, "SELECT id FROM Cards ORDER BY sortOrder");
        if (countOnFile(path, "SELECT COUNT(DISTINCT sortOrder) FROM Cards") != ReorderedCards)
            return "two cards share a place";
        // Each write moves the last card to the top: the stored order is always a rotation.
        for (int i = 1; i < ids.size(); ++i) {
            if (ids.at(i).toInt() != ids.at(i - 1).toInt() % ReorderedCards + 1)
                return QString("the order is no rotation: %1")
                    .arg(QVariant(ids).toStringList().join(" "));
        }
        return ids.size() == ReorderedCards ? QString() : QString("cards are missing");
    }
    case WriteKind::Deletion: {
        const int decks = countOnFile(path, "SELECT COUNT(*) FROM Decks");
        const int cards = countOnFile(path, "SELECT COUNT(*) FROM Cards");
        const int units = countOnFile(path, "SELECT COUNT(*) FROM KnowledgeUnits");
        if (cards != decks * CardsPerDeck || units != cards)
            return QString("%1 decks, %2 cards, %3 units").arg(decks).arg(cards).arg(units);
        const int homeless = countOnFile(path, "SELECT COUNT(*) FROM Cards c WHERE NOT EXISTS "
                                               "(SELECT 1 FROM Decks d WHERE d.id = c.deckId)");
        return homeless == 0 ? QString() : QString("%1 cards without their deck").arg(homeless);
    }
    case WriteKind::CardEditor: {
        const int cards = countOnFile(path, "SELECT COUNT(*) FROM Cards WHERE deckId = 1");
        const int units = countOnFile(path, "SELECT COUNT(*) FROM KnowledgeUnits WHERE owner = 1");
        const int shown = countOnFile(path, "SELECT COUNT(*) FROM Cards c JOIN KnowledgeUnits u ON "
                                            "u.id = c.kuId WHERE u.owner = 1 AND c.deckId = 1");
        if (cards != units || shown != cards)
            return QString("%1 cards, %2 units of the user's own, %3 cards showing one")
                .arg(cards)
                .arg(units)
                .arg(shown);
        return QString();
    }
    }
    return QString();
}

void TestKillSafety::killedWritesAreWholeOrAbsent_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("longestDelayMs");
    for (auto it = KindNames.cbegin(); it != KindNames.cend(); ++it) {
        // The editor's child starts a window and the dictionary first; its writes come later.
        const int longest = it.value() == WriteKind::CardEditor ? 600 : 400;
        QTest::newRow(qPrintable(it.key())) << it.key() << longest;
    }
}

void TestKillSafety::killedWritesAreWholeOrAbsent()
{
    QFETCH(QString, kind);
    QFETCH(int, longestDelayMs);
    const WriteKind writeKind = KindNames.value(kind);
    const QString folder = prepareProfile(kind, writeKind);
    QVERIFY(!folder.isEmpty());
    const QString path = folder + "/Profile.db";

    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("%s: delays drawn with seed %u", qPrintable(kind), seed);
    QRandomGenerator random(seed);
    int writesBefore = 0;
    for (int attempt = 0; attempt < KillsPerKind; ++attempt) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {ChildOption, kind, folder});
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains("ready\n") && child.waitForReadyRead(30000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains("ready\n"), output.constData());

        QThread::msleep(random.bounded(longestDelayMs + 1));
        const bool inTransaction = QFile::exists(path + "-journal");
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        output += child.readAllStandardOutput();
        QVERIFY2(!output.contains("exhausted"), "the child ran out of writes before the kill");
        ++m_kills;
        m_killsInTransaction += inTransaction ? 1 : 0;
        m_writesSeen += output.count("wrote\n");
        writesBefore += output.count("wrote\n");

        // Opening the file rolls an interrupted transaction back, as the next start would.
        QCOMPARE(scalarOnFile(path, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        QVERIFY(columnOnFile(path, "PRAGMA foreign_key_check").isEmpty());
        const QString broken = brokenWrites(path, writeKind);
        QVERIFY2(broken.isEmpty(),
                 qPrintable(QString("after kill %1: %2").arg(attempt).arg(broken)));
    }
    qInfo("%s: %d writes completed between the kills", qPrintable(kind), writesBefore);
    QVERIFY2(writesBefore > 0, "no write completed before any kill");
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], ChildOption) == 0) {
        const QString kind = QString::fromLatin1(argv[2]);
        const QString folder = QString::fromLocal8Bit(argv[3]);
        if (!KindNames.contains(kind))
            return 2;
        if (KindNames.value(kind) == WriteKind::CardEditor) {
            QApplication app(argc, argv);
            return runChild(WriteKind::CardEditor, folder);
        }
        QCoreApplication app(argc, argv);
        return runChild(KindNames.value(kind), folder);
    }
    QCoreApplication app(argc, argv);
    TestKillSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killsafety.moc"
