#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "importing/cardimport.h"
#include "importing/importfilereader.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "profile/profilelock.h"
#include "profiletestsupport.h"
#include "text/json.h"
#include "text/pinyin.h"

#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include "importfixtures.h"

#include <memory>

using namespace korvo;

// Imports into a real profile made from the shipped template, linked against the real
// dictionary, read back with SQL; and the same through quillet-cli.
class TestCardImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void filesImportIntoDecksAndFolders_data();
    void filesImportIntoDecksAndFolders();
    void cardsLinkToTheMatchingEntry_data();
    void cardsLinkToTheMatchingEntry();
    void unknownWordsBecomeEntriesOfYourOwn();
    void linkedEntriesAreSharedWithTheBuiltInDecks();
    void importingAgainSkipsEveryCard();
    void existingFoldersAreUsedAgain();
    void cancelDryRunAndFailureStoreNothing_data();
    void cancelDryRunAndFailureStoreNothing();
    void commandLineImportsAndReports();
    void commandLineRefusesWhileTheProgramHasTheProfile();

private:
    ImportSummary import(const QString& name, const ImportOptions& given = ImportOptions(),
                         const CardImport::Progress& progress = CardImport::Progress());
    QVariant scalar(const QString& statement);
    QStringList rows(const QString& statement);
    int runCli(const QStringList& arguments, QByteArray* output = nullptr);

    Dictionary m_dictionary;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<Profile> m_profile;
};

void TestCardImport::initTestCase()
{
    initPinyinTables();
    QVERIFY(m_dictionary.open(QStringLiteral(QUILLET_DATA_DIR "/Dictionary.db")));
}

void TestCardImport::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_profile = profiletest::openProfile(m_folder->path(),
                                         QStringLiteral(QUILLET_DATA_DIR "/Profile.default.db"));
    QVERIFY(m_profile && m_profile->database().isOpen());
}

void TestCardImport::cleanup()
{
    m_profile.reset();
    m_folder.reset();
}

ImportSummary TestCardImport::import(const QString& name, const ImportOptions& given,
                                     const CardImport::Progress& progress)
{
    const ImportedFile file = ImportFileReader::read(importfixtures::path(name));
    if (!file.isValid())
        qWarning("%s", qPrintable(file.error));
    ImportOptions options = given;
    options.mappings = CardImport::guessMappings(file);
    return CardImport(m_profile.get(), &m_dictionary).run(file, options, progress);
}

QVariant TestCardImport::scalar(const QString& statement)
{
    return profiletest::scalar(m_profile->database(), statement);
}

// Every row of the statement, its columns joined by "|".
QStringList TestCardImport::rows(const QString& statement)
{
    QSqlQuery query(m_profile->database());
    QStringList result;
    if (!query.exec(statement))
        return {QStringLiteral("failed: ") + statement};
    while (query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i)
            columns << query.value(i).toString();
        result << columns.join(QLatin1Char('|'));
    }
    return result;
}

int TestCardImport::runCli(const QStringList& arguments, QByteArray* output)
{
    QProcess process;
    process.start(QStringLiteral(QUILLET_DATA_DIR "/../quillet-cli"), arguments);
    if (!process.waitForFinished(60000))
        return -1;
    if (output)
        *output = process.readAllStandardOutput() + process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TestCardImport::filesImportIntoDecksAndFolders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("decks"); // "parent title > deck title: cards"
    QTest::addColumn<int>("linked");
    QTest::addColumn<int>("userMade");
    QTest::addColumn<int>("duplicates");
    QTest::newRow("anki, three fields")
        << "vocabulary.apkg" << QStringList{"Textbook > Lesson 1: 6"} << 5 << 1 << 1;
    QTest::newRow("anki, no pinyin")
        << "basic.apkg" << QStringList{"Chinese > HSK 1: 3"} << 3 << 0 << 0;
    QTest::newRow("anki, newer layout")
        << "newer.colpkg" << QStringList{"Chinese > HSK 2: 2", "> Default: 1"} << 3 << 0 << 0;
    QTest::newRow("pleco") << "pleco.txt"
                           << QStringList{"> pleco: 1", "Textbook > Lesson 2: 2", "> Food: 1"} << 4
                           << 0 << 0;
    QTest::newRow("csv") << "words.csv" << QStringList{"> words: 3"} << 3 << 0 << 0;
}

void TestCardImport::filesImportIntoDecksAndFolders()
{
    QFETCH(QString, name);
    QFETCH(QStringList, decks);
    QFETCH(int, linked);
    QFETCH(int, userMade);
    QFETCH(int, duplicates);
    const int decksBefore = scalar("SELECT COUNT(*) FROM Decks").toInt();
    const ImportSummary summary = import(name);
    QVERIFY2(summary.stored, qPrintable(summary.error));
    QCOMPARE(summary.linkedCards, linked);
    QCOMPARE(summary.userMadeCards, userMade);
    QCOMPARE(summary.duplicates, duplicates);
    const QStringList stored =
        rows("SELECT IFNULL(p.title, ''), d.title, COUNT(c.id) FROM Decks d LEFT JOIN Decks p ON "
             "p.id = d.parentId JOIN Cards c ON c.deckId = d.id WHERE d.id > (SELECT MAX(id) "
             "FROM Decks) - " +
             QString::number(summary.createdDecks + summary.createdFolders) +
             " GROUP BY d.id ORDER BY d.id");
    QStringList shown;
    for (const QString& row : stored) {
        const QStringList parts = row.split(QLatin1Char('|'));
        shown << QStringLiteral("%1 > %2: %3").arg(parts.at(0), parts.at(1), parts.at(2)).trimmed();
    }
    QCOMPARE(shown, decks);
    QCOMPARE(scalar("SELECT COUNT(*) FROM Decks").toInt(),
             decksBefore + summary.createdDecks + summary.createdFolders);
    // The deck tree holds them too.
    QList<Deck*> all;
    m_profile->collectDecks(all, true);
    QCOMPARE(int(all.size()), scalar("SELECT COUNT(*) FROM Decks").toInt());
}

void TestCardImport::cardsLinkToTheMatchingEntry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("unit"); // traditional|pinyin|owner|definition starts with
    QTest::newRow("tone marks") << "vocabulary.apkg"
                                << "电脑"
                                << "電腦|dian4 nao3|0|computer";
    QTest::newRow("ü as lü4") << "vocabulary.apkg"
                              << "绿"
                              << "綠|lu:4|0|green";
    QTest::newRow("marks without spaces") << "vocabulary.apkg"
                                          << "北京"
                                          << "北京|bei3 jing1|0|Beijing";
    QTest::newRow("toneless reading") << "vocabulary.apkg"
                                      << "猫"
                                      << "貓|mao1|0|cat";
    QTest::newRow("no pinyin: most common") << "basic.apkg"
                                            << "了"
                                            << "了|le5|0|(completed";
    QTest::newRow("html field") << "basic.apkg"
                                << "学习"
                                << "學習|xue2 xi2|0|to learn";
    QTest::newRow("traditional given") << "newer.colpkg"
                                       << "汉字"
                                       << "漢字|han4 zi4|0|Chinese";
    QTest::newRow("pleco pair") << "pleco.txt"
                                << "面条"
                                << "麵條|mian4 tiao2|0|noodles";
    QTest::newRow("pleco erhua") << "pleco.txt"
                                 << "一点儿"
                                 << "一點兒|yi1 dian3 r5|0|erhua variant";
}

void TestCardImport::cardsLinkToTheMatchingEntry()
{
    QFETCH(QString, name);
    QFETCH(QString, characters);
    QFETCH(QString, unit);
    QVERIFY(import(name).stored);
    QSqlQuery query(m_profile->database());
    query.prepare("SELECT u.traditional, u.pinyin, u.owner, u.definition FROM Cards c JOIN "
                  "KnowledgeUnits u ON u.id = c.kuId WHERE u.simplified = :s ORDER BY c.id DESC");
    query.bindValue(":s", characters);
    QVERIFY(query.exec() && query.next());
    const QStringList expected = unit.split(QLatin1Char('|'));
    QCOMPARE(query.value(0).toString(), expected.at(0));
    QCOMPARE(query.value(1).toString(), expected.at(1));
    QCOMPARE(query.value(2).toString(), expected.at(2));
    QVERIFY2(query.value(3).toString().startsWith(expected.at(3)) ||
                 query.value(3).toString().contains(QLatin1Char('/') + expected.at(3)),
             qPrintable(query.value(3).toString()));
}

void TestCardImport::unknownWordsBecomeEntriesOfYourOwn()
{
    QVERIFY(import("vocabulary.apkg").stored);
    QCOMPARE(rows("SELECT u.simplified, u.traditional, u.pinyin, u.definition, u.owner FROM Cards "
                  "c JOIN KnowledgeUnits u ON u.id = c.kuId WHERE u.owner = 1"),
             QStringList{"我的猫||wo3 de5 mao1|my cat|1"});
}

void TestCardImport::linkedEntriesAreSharedWithTheBuiltInDecks()
{
    const QString units = "SELECT COUNT(*) FROM KnowledgeUnits WHERE simplified = '你好'";
    const int before = scalar(units).toInt();
    QVERIFY(import("vocabulary.apkg").stored);
    QVERIFY(import("words.csv").stored);
    // One unit for the entry, whoever shows it: an existing one when a built-in deck has it.
    QCOMPARE(scalar(units).toInt(), qMax(before, 1));
    QCOMPARE(scalar("SELECT COUNT(DISTINCT c.kuId) FROM Cards c JOIN KnowledgeUnits u ON u.id = "
                    "c.kuId WHERE u.simplified = '你好'")
                 .toInt(),
             1);
}

void TestCardImport::importingAgainSkipsEveryCard()
{
    const ImportSummary first = import("vocabulary.apkg");
    QVERIFY(first.stored);
    const int cards = scalar("SELECT COUNT(*) FROM Cards").toInt();
    const ImportSummary second = import("vocabulary.apkg");
    QVERIFY(second.stored);
    QCOMPARE(second.cards(), 0);
    QCOMPARE(second.duplicates, first.cards() + first.duplicates);
    QCOMPARE(second.createdDecks + second.createdFolders, 0);
    QCOMPARE(scalar("SELECT COUNT(*) FROM Cards").toInt(), cards);
}

void TestCardImport::existingFoldersAreUsedAgain()
{
    Deck* folder = profiletest::makeStoredDeck(m_profile.get(), "Textbook", true);
    Deck* target = profiletest::makeStoredDeck(m_profile.get(), "Imports", true);
    ImportOptions options;
    options.targetFolder = target;
    QVERIFY(import("pleco.txt", options).stored);
    // Into the chosen folder, not the top-level one of the same title.
    QVERIFY(folder->children().isEmpty());
    QStringList titles;
    for (Deck* deck : target->children())
        titles << deck->displayTitle();
    QCOMPARE(titles, (QStringList{"pleco", "Textbook", "Food"}));
    options.folderPath = {"Textbook"};
    options.targetFolder = nullptr;
    QVERIFY(import("vocabulary.apkg", options).stored);
    QCOMPARE(folder->children().size(), 1);
    QCOMPARE(folder->children().first()->displayTitle(), QStringLiteral("Textbook"));
    QCOMPARE(
        scalar(QStringLiteral("SELECT COUNT(*) FROM Decks WHERE parentId = %1").arg(folder->id()))
            .toInt(),
        1);
}

void TestCardImport::cancelDryRunAndFailureStoreNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel") << "cancel";
    QTest::newRow("dry run") << "dry run";
    QTest::newRow("failed write") << "failure";
}

void TestCardImport::cancelDryRunAndFailureStoreNothing()
{
    QFETCH(QString, how);
    const QString counts = "SELECT (SELECT COUNT(*) FROM Decks) || ',' || (SELECT COUNT(*) FROM "
                           "Cards) || ',' || (SELECT COUNT(*) FROM KnowledgeUnits)";
    const QString before = scalar(counts).toString();
    const int topLevel = int(m_profile->rootDeck()->children().size());
    ImportOptions options;
    options.dryRun = how == QLatin1String("dry run");
    CardImport::Progress progress;
    if (how == QLatin1String("cancel"))
        progress = [](int done, int total) { return done < total; };
    if (how == QLatin1String("failure"))
        QVERIFY(profiletest::runOnFile(m_profile->databasePath(),
                                       {"CREATE TRIGGER full BEFORE INSERT ON Cards WHEN "
                                        "NEW.sortOrder > 4 BEGIN SELECT RAISE(ABORT, 'disk "
                                        "full'); END"}));
    const ImportSummary summary = import("vocabulary.apkg", options, progress);
    QVERIFY(!summary.stored);
    QCOMPARE(summary.cancelled, how == QLatin1String("cancel"));
    QCOMPARE(summary.error.isEmpty(), how != QLatin1String("failure"));
    if (options.dryRun)
        QCOMPARE(summary.cards(), 6);
    QCOMPARE(scalar(counts).toString(), before);
    QCOMPARE(int(m_profile->rootDeck()->children().size()), topLevel);
    // The ids the undone import used are not handed out again.
    KnowledgeUnit* unit = new KnowledgeUnit;
    unit->setType(2);
    unit->setSimplified("新");
    QVERIFY(m_profile->dictionary()->saveKnowledgeUnit(unit));
    QCOMPARE(m_profile->dictionary()->knowledgeUnit(unit->id()), unit);
}

void TestCardImport::commandLineImportsAndReports()
{
    const QString profile = m_profile->databasePath();
    m_profile.reset();
    QByteArray output;
    QCOMPARE(runCli({"import", "--profile", profile, "--dry-run", "--json",
                     importfixtures::path("vocabulary.apkg")},
                    &output),
             0);
    QVariantMap report = readJson(QString::fromUtf8(output)).toMap();
    QCOMPARE(report.value("dryRun").toString(), QStringLiteral("true"));
    QCOMPARE(report.value("linkedCards").toInt(), 5);
    QCOMPARE(profiletest::scalarOnFile(profile, "SELECT COUNT(*) FROM Decks WHERE title = "
                                                "'Lesson 1'")
                 .toInt(),
             0);

    QCOMPARE(runCli({"import", "--profile", profile, "--folder", "From Anki", "--json",
                     importfixtures::path("vocabulary.apkg")},
                    &output),
             0);
    report = readJson(QString::fromUtf8(output)).toMap();
    QCOMPARE(report.value("userMadeCards").toInt(), 1);
    QCOMPARE(report.value("duplicates").toInt(), 1);
    QCOMPARE(report.value("decks").toList().first().toMap().value("path").toStringList(),
             (QStringList{"From Anki", "Textbook", "Lesson 1"}));
    QCOMPARE(profiletest::scalarOnFile(profile,
                                       "SELECT COUNT(*) FROM Cards c JOIN Decks d ON d.id = "
                                       "c.deckId JOIN Decks t ON t.id = d.parentId JOIN Decks f "
                                       "ON f.id = t.parentId WHERE d.title = 'Lesson 1' AND "
                                       "f.title = 'From Anki' AND f.parentId = 0")
                 .toInt(),
             6);

    QCOMPARE(runCli({"import", "--profile", profile, importfixtures::path("bomb.apkg")}, &output),
             3);
    QVERIFY2(output.contains("cannot be imported"), output.constData());
    QCOMPARE(runCli({"import", "--profile", profile}, &output), 2);
    QVERIFY2(output.contains("usage: quillet-cli import"), output.constData());
    // Another file name would be ignored for the folder's Profile.db: refused instead.
    QCOMPARE(runCli({"import", "--profile", m_folder->filePath("Other.db"),
                     importfixtures::path("words.csv")},
                    &output),
             2);
    // A damaged profile is left alone rather than replaced by an empty one in memory.
    QTemporaryDir damaged;
    QFile file(damaged.filePath("Profile.db"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, 'x'));
    file.close();
    QCOMPARE(runCli({"import", "--profile", file.fileName(), importfixtures::path("words.csv")},
                    &output),
             3);
    QVERIFY2(output.contains("cannot be used"), output.constData());
    QCOMPARE(QFileInfo(file.fileName()).size(), 8192);
}

void TestCardImport::commandLineRefusesWhileTheProgramHasTheProfile()
{
    const QString profile = m_profile->databasePath();
    ProfileLock lock(m_folder->path());
    QVERIFY(lock.tryLock());
    QByteArray output;
    QCOMPARE(runCli({"import", "--profile", profile, importfixtures::path("words.csv")}, &output),
             3);
    QVERIFY2(output.contains("is open in the program"), output.constData());
    QCOMPARE(scalar("SELECT COUNT(*) FROM Decks WHERE title = 'words'").toInt(), 0);
}

QTEST_GUILESS_MAIN(TestCardImport)
#include "tst_cardimport.moc"
