// Deck files imported into a real profile: one profile database on a memory-backed folder,
// opened once; each input is imported inside a savepoint that is rolled back afterwards, and the
// decks it made are released, so every input meets the same empty profile.
//
// Checks for every input: the database passes PRAGMA integrity_check; a refused file leaves no
// row behind and says why; an accepted one stores scores and times within the ranges the
// program works with, stores its texts so that they read back unchanged, and exports to a file
// that imports again and exports to the same text (apart from the row ids it names).

#include "fuzzsupport.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/decktransfer.h"
#include "profile/knowledge.h"
#include "profile/profile.h"
#include "profile/profileschema.h"
#include "text/json.h"
#include "text/pinyin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QVariantList>
#include <QVariantMap>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

using namespace korvo;

namespace {

// The profile lives until the process ends; at exit only its folder is removed, without Qt:
// by then function-local statics of Qt and of the program may already be destroyed.
std::string g_folder;
Profile* g_profile = nullptr;

// Imports are capped far below the program's limit so that one input stays fast.
constexpr int maxObjects = 300;

bool exec(const QString& statement)
{
    QSqlQuery query(g_profile->database());
    return query.exec(statement);
}

QVariant scalar(const QString& statement)
{
    QSqlQuery query(g_profile->database());
    if (!query.exec(statement) || !query.next())
        return QVariant();
    return query.value(0);
}

QList<int> rowCounts()
{
    QList<int> counts;
    for (const char* table : {"Decks", "Cards", "KnowledgeUnits", "Knowledge"})
        counts
            << scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))).toInt();
    return counts;
}

// The card ids and deck ids a file names are informative only and change on every import.
QVariant withoutRowIds(const QVariant& value)
{
    if (value.typeId() == QMetaType::QVariantList) {
        QVariantList list = value.toList();
        for (QVariant& item : list)
            item = withoutRowIds(item);
        return list;
    }
    if (value.typeId() == QMetaType::QVariantMap) {
        QVariantMap map = value.toMap();
        map.remove(QStringLiteral("id"));
        map.remove(QStringLiteral("deckId"));
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = withoutRowIds(it.value());
        return map;
    }
    return value;
}

QString exported(Deck* deck)
{
    return QString::fromUtf8(writeJson(withoutRowIds(deckToMap(deck, TransferOptions(), false))));
}

// What the import stored reads back from the database as the objects hold it.
void checkStored(Deck* top)
{
    QList<Deck*> decks{top};
    top->collectDecks(decks, true);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (Deck* deck : std::as_const(decks)) {
        QSqlQuery query(g_profile->database());
        query.prepare(QStringLiteral("SELECT title, uuid FROM Decks WHERE id = :id"));
        query.bindValue(QStringLiteral(":id"), deck->id());
        FUZZ_CHECK(query.exec() && query.next());
        FUZZ_CHECK(query.value(0).toString() == deck->title());
        FUZZ_CHECK(query.value(1).toString() == deck->uuid());
        if (deck->isFolder())
            continue;
        for (DeckCard* card : deck->cards()) {
            KnowledgeUnit* unit = card->knowledgeUnit();
            FUZZ_CHECK(unit);
            FUZZ_CHECK(std::isfinite(unit->score()));
            FUZZ_CHECK(unit->score() >= 0 && unit->score() <= maxImportedScore);
            FUZZ_CHECK(unit->lastTimePracticed() >= 0 &&
                       unit->lastTimePracticed() <= maxImportedSeconds);
            // The date arithmetic of a session on the stored values, at both ends of time.
            (void)Knowledge::dueTime(unit);
            (void)Knowledge::isDue(unit, now);
            (void)Knowledge::isDue(unit, std::numeric_limits<qint64>::min());
            (void)Knowledge::isDue(unit, std::numeric_limits<qint64>::max());

            QSqlQuery row(g_profile->database());
            row.prepare(QStringLiteral("SELECT simplified, traditional, pinyin, definition, uuid "
                                       "FROM KnowledgeUnits WHERE id = :id"));
            row.bindValue(QStringLiteral(":id"), unit->id());
            FUZZ_CHECK(row.exec() && row.next());
            FUZZ_CHECK(row.value(0).toString() == unit->simplified());
            FUZZ_CHECK(row.value(1).toString() == unit->traditional());
            FUZZ_CHECK(row.value(2).toString() == unit->pinyin());
            FUZZ_CHECK(row.value(3).toString() == unit->definition());
            FUZZ_CHECK(row.value(4).toString() == unit->uuid());
        }
    }
}

void release(Deck* deck)
{
    if (deck)
        deck->dispose(true);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::quietQtMessages();
    static int count = 1;
    static char name[] = "fuzz_deckimport";
    static char* arguments[] = {name, nullptr};
    new QCoreApplication(count, arguments);
    initPinyinTables();

    // A memory-backed folder where there is one, so that commits cost no disk writes.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    std::string pattern =
        QFile::encodeName(base + QStringLiteral("/quillet-fuzz-XXXXXX")).toStdString();
    if (!mkdtemp(pattern.data()))
        std::abort();
    g_folder = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(g_folder, ignored);
    });
    const QString folder = QFile::decodeName(g_folder.c_str());
    const QString templatePath = folder + QStringLiteral("/Profile.default.db");
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzzTemplate"));
        database.setDatabaseName(templatePath);
        if (!database.open() || !createProfileSchema(database))
            std::abort();
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fuzzTemplate"));

    g_profile = new Profile(folder, templatePath);
    g_profile->openDatabase();
    g_profile->upgradeDatabase();
    g_profile->loadDecks();
    if (!g_profile->database().isOpen())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Deck files are read as UTF-8.
    const QString text = fuzzsupport::utf8Text(data, size);
    QSqlDatabase database = g_profile->database();
    Deck* root = g_profile->rootDeck();
    const QList<Deck*> rootChildren = root->children();

    beginTransaction(database);
    FUZZ_CHECK(exec(QStringLiteral("SAVEPOINT fuzzInput")));
    const QList<int> before = rowCounts();

    // As imported by a learner who answers "Yes" to the score question.
    QString error;
    Deck* deck = importDeckText(g_profile, text, TransferOptions(), nullptr, maxObjects, &error);
    FUZZ_CHECK(scalar(QStringLiteral("PRAGMA integrity_check")).toString() == QLatin1String("ok"));
    Deck* again = nullptr;
    if (!deck) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(rowCounts() == before);
        FUZZ_CHECK(root->children() == rootChildren);
    } else {
        FUZZ_CHECK(error.isEmpty());
        FUZZ_CHECK(!deck->displayTitle().isEmpty());
        checkStored(deck);
        // What the program exports it imports again, and the second export says the same.
        const QString first = exported(deck);
        QString secondError;
        again = importDeckText(g_profile, first, TransferOptions(), nullptr,
                               std::numeric_limits<int>::max(), &secondError);
        FUZZ_CHECK(again);
        checkStored(again);
        FUZZ_CHECK(exported(again) == first);
        FUZZ_CHECK(scalar(QStringLiteral("PRAGMA integrity_check")).toString() ==
                   QLatin1String("ok"));
    }

    FUZZ_CHECK(exec(QStringLiteral("ROLLBACK TO fuzzInput")));
    FUZZ_CHECK(exec(QStringLiteral("RELEASE fuzzInput")));
    FUZZ_CHECK(endTransaction(database));
    FUZZ_CHECK(transactionDepth(database) == 0);
    release(again);
    release(deck);
    // Looking up an id that no object has deletes every released object on the way.
    FUZZ_CHECK(!g_profile->deckById(std::numeric_limits<int>::min()));
    FUZZ_CHECK(!g_profile->deckCardById(std::numeric_limits<int>::min()));
    FUZZ_CHECK(root->children() == rootChildren);
    FUZZ_CHECK(rowCounts() == before);
    return 0;
}
