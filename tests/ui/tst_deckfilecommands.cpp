#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/decktransfer.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"
#include "ui/deckfilecommands.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace korvo;

namespace {

// Answers the commands' questions from a script and records every message shown.
class ScriptedDialogs : public DeckFileDialogs
{
public:
    struct Shown
    {
        QString text;
        QString title;
        QString buttons;
        MessageBoxKind kind;
    };

    QString fileName;
    int answer = MessageBoxYes;
    QList<Shown> shown;
    QStringList captions;
    QStringList filters;

    QString saveFileName(const QString& caption, const QString& filter) override
    {
        captions << caption;
        filters << filter;
        return fileName;
    }
    QString openFileName(const QString& caption, const QString& filter) override
    {
        captions << caption;
        filters << filter;
        return fileName;
    }
    int message(const QString& text, const QString& title, const QString& buttons,
                MessageBoxKind kind) override
    {
        shown.append({text, title, buttons, kind});
        return kind == MessageBoxKind::Confirmation ? answer : MessageBoxAccepted;
    }
};

} // namespace

class TestDeckFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void exportThenImport_data();
    void exportThenImport();
    void scoreQuestionOnlyWhenFileHasScores_data();
    void scoreQuestionOnlyWhenFileHasScores();
    void cancelledChoicesDoNothing();
    void failedExportReportsAndKeepsFile();
    void notJsonImportsUntitledDeck();
    void failedImportReportsAndLeavesNothing();
    void refusedFileNamesTheBadValue();
    void importIntoFolderAppendsChild();

private:
    Deck* makeDeck(const QString& title, bool folder = false);
    void addCard(Deck* deck, const QString& simplified, float score);
    int count(const QString& table);
    void writeFile(const QString& name, const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
    ScriptedDialogs* m_dialogs = nullptr;
    std::unique_ptr<DeckFileCommands> m_commands;
};

void TestDeckFileCommands::initTestCase()
{
    initPinyinTables();
}

void TestDeckFileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile = profiletest::openEmptyProfile(m_dir->path());
    QVERIFY(m_profile);
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    m_commands = std::make_unique<DeckFileCommands>(m_profile.get(), std::move(dialogs));
}

void TestDeckFileCommands::cleanup()
{
    m_commands.reset();
    m_profile.reset();
    m_dir.reset();
}

Deck* TestDeckFileCommands::makeDeck(const QString& title, bool folder)
{
    return profiletest::makeStoredDeck(m_profile.get(), title, folder);
}

void TestDeckFileCommands::addCard(Deck* deck, const QString& simplified, float score)
{
    auto* unit = new KnowledgeUnit;
    unit->setType(2);
    unit->setSimplified(simplified);
    unit->setPinyin(QStringLiteral("ma1"));
    unit->setScore(score);
    unit->setLastTimePracticed(1700000000);
    m_profile->dictionary()->saveKnowledgeUnit(unit);
    deck->addKnowledgeUnit(unit);
}

int TestDeckFileCommands::count(const QString& table)
{
    return profiletest::rowCount(m_profile->database(), table);
}

void TestDeckFileCommands::writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestDeckFileCommands::exportThenImport_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<float>("importedScore");
    QTest::newRow("yes keeps scores") << int(MessageBoxYes) << 4.0f;
    QTest::newRow("no drops scores") << int(MessageBoxNo) << 0.0f;
}

void TestDeckFileCommands::exportThenImport()
{
    QFETCH(int, answer);
    QFETCH(float, importedScore);
    Deck* deck = makeDeck(QStringLiteral("Animals"));
    addCard(deck, QStringLiteral("马"), 4.0f);
    addCard(deck, QStringLiteral("猫"), 4.0f);

    m_dialogs->fileName = m_dir->filePath("animals.kvd");
    QVERIFY(m_commands->exportDeck(deck));
    QVERIFY(m_dialogs->shown.isEmpty()); // a successful export says nothing
    QCOMPARE(m_dialogs->captions.last(), QStringLiteral("Export deck"));
    QCOMPARE(m_dialogs->filters.last(), QStringLiteral("Quillet deck files (*.kvd)"));

    m_dialogs->answer = answer;
    const int decks = m_profile->rootDeck()->children().size();
    QVERIFY(m_commands->importDeck(nullptr));
    QCOMPARE(m_dialogs->captions.last(), QStringLiteral("Import deck"));
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->shown.at(0).kind, MessageBoxKind::Confirmation);
    QCOMPARE(m_dialogs->shown.at(0).buttons, QStringLiteral("yesNoCancel"));
    QCOMPARE(m_dialogs->shown.at(0).title, QString());
    QCOMPARE(m_dialogs->shown.at(0).text, DeckFileCommands::scoreQuestion());
    QCOMPARE(m_dialogs->shown.at(1).kind, MessageBoxKind::Information);
    QCOMPARE(m_dialogs->shown.at(1).text,
             QStringLiteral("The flashcards have been successfully imported."));

    QCOMPARE(m_profile->rootDeck()->children().size(), decks + 1);
    Deck* copy = m_profile->rootDeck()->children().last();
    QCOMPARE(copy->displayTitle(), QStringLiteral("Animals"));
    QCOMPARE(copy->cards().size(), 2);
    QCOMPARE(copy->cards().at(1)->knowledgeUnit()->simplified(), QStringLiteral("猫"));
    QCOMPARE(copy->cards().at(0)->knowledgeUnit()->score(), importedScore);
}

void TestDeckFileCommands::scoreQuestionOnlyWhenFileHasScores_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("asked");
    QTest::newRow("no header") << QByteArray() << true;
    QTest::newRow("scores included")
        << QByteArray("\"transferOptions\":{\"scoreDataIncluded\":true},") << true;
    QTest::newRow("scores not included")
        << QByteArray("\"transferOptions\":{\"scoreDataIncluded\":false},") << false;
}

void TestDeckFileCommands::scoreQuestionOnlyWhenFileHasScores()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, asked);
    writeFile("scores.kvd", "{" + header +
                                "\"title\":\"s\",\"cards\":[{\"knowledgeUnit\":{\"simplified\":"
                                "\"a\",\"score\":\"3\"}}]}");
    m_dialogs->fileName = m_dir->filePath("scores.kvd");
    m_dialogs->answer = MessageBoxYes;
    QVERIFY(m_commands->importDeck(nullptr));
    QCOMPARE(m_dialogs->shown.first().kind == MessageBoxKind::Confirmation, asked);
    QCOMPARE(m_dialogs->shown.size(), asked ? 2 : 1);
}

void TestDeckFileCommands::cancelledChoicesDoNothing()
{
    Deck* deck = makeDeck(QStringLiteral("kept"));
    addCard(deck, QStringLiteral("一"), 1);
    const QList<Deck*> before = m_profile->rootDeck()->children();
    const int units = count("KnowledgeUnits");

    m_dialogs->fileName.clear();
    QVERIFY(!m_commands->exportDeck(deck));
    QVERIFY(!m_commands->importDeck(nullptr));
    m_dialogs->fileName = m_dir->filePath("does-not-exist.kvd");
    QVERIFY(!m_commands->importDeck(nullptr));
    QVERIFY(m_dialogs->shown.isEmpty());

    // Cancel in the score question imports nothing.
    m_dialogs->fileName = m_dir->filePath("kept.kvd");
    QVERIFY(m_commands->exportDeck(deck));
    m_dialogs->answer = MessageBoxRejected;
    QVERIFY(!m_commands->importDeck(nullptr));
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_profile->rootDeck()->children(), before);
    QCOMPARE(count("KnowledgeUnits"), units);
}

void TestDeckFileCommands::failedExportReportsAndKeepsFile()
{
    Deck* deck = makeDeck(QStringLiteral("x"));
    addCard(deck, QStringLiteral("一"), 1);
    // A folder where the file should be cannot be replaced by a file.
    const QString blocked = m_dir->filePath("blocked.kvd");
    QVERIFY(QDir(m_dir->path()).mkdir("blocked.kvd"));
    QVERIFY(QFile::copy(QFINDTESTDATA("tst_deckfilecommands.cpp"), blocked + "/inside.txt"));
    m_dialogs->fileName = blocked;
    QVERIFY(!m_commands->exportDeck(deck));
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown.at(0).kind, MessageBoxKind::Error);
    QCOMPARE(m_dialogs->shown.at(0).text, QStringLiteral("Could not write to ") + blocked);
    QCOMPARE(m_dialogs->shown.at(0).title, QStringLiteral("Error"));
    QVERIFY(QFile::exists(blocked + "/inside.txt"));

    m_dialogs->fileName = m_dir->filePath("missing-folder/out.kvd");
    QVERIFY(!m_commands->exportDeck(deck));
    QCOMPARE(m_dialogs->shown.size(), 2);
}

void TestDeckFileCommands::notJsonImportsUntitledDeck()
{
    writeFile("notes.kvd", "these are my notes, not a deck");
    m_dialogs->fileName = m_dir->filePath("notes.kvd");
    m_dialogs->answer = MessageBoxNo;
    QVERIFY(m_commands->importDeck(nullptr));
    Deck* deck = m_profile->rootDeck()->children().last();
    QCOMPARE(deck->displayTitle(), QStringLiteral("Untitled"));
    QCOMPARE(deck->cards().size(), 0);
    QCOMPARE(m_dialogs->shown.last().kind, MessageBoxKind::Information);
}

void TestDeckFileCommands::failedImportReportsAndLeavesNothing()
{
    Deck* deck = makeDeck(QStringLiteral("source"));
    addCard(deck, QStringLiteral("一"), 1);
    addCard(deck, QStringLiteral("二"), 1);
    deck->cards().at(1)->setUuid(QStringLiteral("failingCard"));
    m_dialogs->fileName = m_dir->filePath("source.kvd");
    QVERIFY(m_commands->exportDeck(deck));

    QSqlQuery query(m_profile->database());
    QVERIFY(query.exec("CREATE TEMP TRIGGER failCard BEFORE INSERT ON Cards "
                       "WHEN NEW.uuid = 'failingCard' BEGIN SELECT RAISE(ABORT, 'x'); END"));
    const int decks = count("Decks");
    const int cards = count("Cards");
    const int units = count("KnowledgeUnits");
    const QList<Deck*> before = m_profile->rootDeck()->children();
    QVERIFY(!m_commands->importDeck(nullptr));
    QCOMPARE(m_dialogs->shown.last().kind, MessageBoxKind::Error);
    QCOMPARE(m_dialogs->shown.last().title, QStringLiteral("Error"));
    QVERIFY(m_dialogs->shown.last().text.contains(m_dialogs->fileName));
    QCOMPARE(count("Decks"), decks);
    QCOMPARE(count("Cards"), cards);
    QCOMPARE(count("KnowledgeUnits"), units);
    QCOMPARE(m_profile->rootDeck()->children(), before);
}

// A file from someone else with a value the program cannot take: the learner reads which value
// it was, and nothing of the file is stored.
void TestDeckFileCommands::refusedFileNamesTheBadValue()
{
    writeFile("shared.kvd", R"({"title":"Shared","cards":[{"knowledgeUnit":)"
                            R"({"simplified":"一","score":"inf"}}]})");
    m_dialogs->fileName = m_dir->filePath("shared.kvd");
    m_dialogs->answer = MessageBoxYes;
    const int decks = count("Decks");
    const int units = count("KnowledgeUnits");
    QVERIFY(!m_commands->importDeck(nullptr));
    const QString text = m_dialogs->shown.last().text;
    QCOMPARE(m_dialogs->shown.last().kind, MessageBoxKind::Error);
    QVERIFY2(text.contains(m_dialogs->fileName) && text.contains("\"score\"") &&
                 text.contains("inf") && text.contains("Shared"),
             qPrintable(text));
    QCOMPARE(count("Decks"), decks);
    QCOMPARE(count("KnowledgeUnits"), units);
}

void TestDeckFileCommands::importIntoFolderAppendsChild()
{
    Deck* folder = makeDeck(QStringLiteral("folder"), true);
    Deck* deck = makeDeck(QStringLiteral("deck"));
    addCard(deck, QStringLiteral("一"), 1);
    m_dialogs->fileName = m_dir->filePath("deck.kvd");
    QVERIFY(m_commands->exportDeck(deck));
    QVERIFY(m_commands->importDeck(folder));
    QCOMPARE(folder->children().size(), 1);
    Deck* copy = folder->children().first();
    QCOMPARE(copy->parentId(), folder->id());
    QSqlQuery query(m_profile->database());
    QVERIFY(query.exec("SELECT parentId FROM Decks WHERE id = " + QString::number(copy->id())));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), folder->id());
}

QTEST_MAIN(TestDeckFileCommands)
#include "tst_deckfilecommands.moc"
