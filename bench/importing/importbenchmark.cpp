// Times the card import of 10,000 notes (or as many as given) into a fresh profile made from the
// shipped template, linked against the built dictionary: once from a CSV file, once from an Anki
// package (older collection layout, zipped). Nine in ten notes are dictionary words with
// tone-marked pinyin, one in ten a word of the learner's own. Prints reading, importing and
// the total for each, the best of three runs.
//
// Usage: build/quillet-bench-import [notes]   (data is found in the data folder beside it)

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "importing/cardimport.h"
#include "importing/importfilereader.h"
#include "profile/profile.h"
#include "text/pinyin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <sqlite3.h>
#include <zip.h>

using namespace korvo;

namespace {

struct Word
{
    QString characters;
    QString pinyin;
    QString definition;
};

QList<Word> words(Dictionary& dictionary, int count)
{
    QList<Word> result;
    QSqlQuery query(dictionary.database());
    query.exec(QStringLiteral("SELECT simplified, pinyin, definition FROM KnowledgeUnits WHERE "
                              "id % 7 = 0 LIMIT %1")
                   .arg(count));
    while (query.next()) {
        const int n = int(result.size());
        if (n % 10 == 9) {
            result.append({QStringLiteral("自造词%1").arg(n), QStringLiteral("zi4 zao4 ci2"),
                           QStringLiteral("a word of my own")});
            continue;
        }
        result.append({query.value(0).toString(), numberedToMarked(query.value(1).toString()),
                       query.value(2).toString().section(QLatin1Char('/'), 0, 0)});
    }
    return result;
}

QString csvField(QString text)
{
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool writeCsv(const QString& path, const QList<Word>& list)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&file);
    out << "Hanzi,Pinyin,English\n";
    for (const Word& word : list)
        out << csvField(word.characters) << ',' << csvField(word.pinyin) << ','
            << csvField(word.definition) << '\n';
    return true;
}

bool run(sqlite3* database, const char* sql)
{
    return sqlite3_exec(database, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool writeApkg(const QString& folder, const QString& path, const QList<Word>& list)
{
    const QByteArray collection = QFile::encodeName(folder + QStringLiteral("/collection.anki2"));
    sqlite3* database = nullptr;
    if (sqlite3_open(collection.constData(), &database) != SQLITE_OK)
        return false;
    bool ok = run(database,
                  "CREATE TABLE col (id INTEGER PRIMARY KEY, ver INTEGER, models TEXT, decks TEXT);"
                  "INSERT INTO col VALUES (1, 11, '{\"5\":{\"name\":\"Chinese\",\"flds\":["
                  "{\"name\":\"Hanzi\",\"ord\":0},{\"name\":\"Pinyin\",\"ord\":1},"
                  "{\"name\":\"Meaning\",\"ord\":2}]}}', '{\"9\":{\"name\":\"Bench::Words\"}}');"
                  "CREATE TABLE notes (id INTEGER PRIMARY KEY, mid INTEGER, flds TEXT);"
                  "CREATE TABLE cards (id INTEGER PRIMARY KEY, nid INTEGER, did INTEGER, "
                  "ord INTEGER, odid INTEGER);"
                  "CREATE INDEX ix_cards_nid ON cards (nid); BEGIN;");
    sqlite3_stmt* note = nullptr;
    sqlite3_stmt* card = nullptr;
    ok = ok && sqlite3_prepare_v2(database, "INSERT INTO notes VALUES (?, 5, ?)", -1, &note,
                                  nullptr) == SQLITE_OK;
    ok = ok && sqlite3_prepare_v2(database, "INSERT INTO cards VALUES (?, ?, 9, 0, 0)", -1, &card,
                                  nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < list.size(); ++i) {
        const QByteArray fields = (list.at(i).characters + QChar(0x1F) + list.at(i).pinyin +
                                   QChar(0x1F) + list.at(i).definition)
                                      .toUtf8();
        sqlite3_bind_int(note, 1, i + 1);
        sqlite3_bind_text(note, 2, fields.constData(), int(fields.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(card, 1, i + 1);
        sqlite3_bind_int(card, 2, i + 1);
        ok = sqlite3_step(note) == SQLITE_DONE && sqlite3_step(card) == SQLITE_DONE;
        sqlite3_reset(note);
        sqlite3_reset(card);
    }
    sqlite3_finalize(note);
    sqlite3_finalize(card);
    ok = ok && run(database, "COMMIT");
    sqlite3_close(database);

    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_source_t* source =
        archive ? zip_source_file(archive, collection.constData(), 0, -1) : nullptr;
    ok = ok && source && zip_file_add(archive, "collection.anki2", source, 0) >= 0;
    return archive && zip_close(archive) == 0 && ok;
}

// Reads and imports the file into a new profile; the times in milliseconds.
bool timeImport(const QString& file, Dictionary& dictionary, const QString& templatePath,
                qint64* reading, qint64* importing, ImportSummary* summary)
{
    QTemporaryDir folder;
    Profile profile(folder.path(), templatePath);
    profile.openDatabase();
    profile.upgradeDatabase();
    profile.loadDecks();
    QElapsedTimer clock;
    clock.start();
    const ImportedFile imported = ImportFileReader::read(file);
    *reading = clock.restart();
    if (!imported.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(imported.error));
        return false;
    }
    ImportOptions options;
    options.mappings = CardImport::guessMappings(imported);
    *summary = CardImport(&profile, &dictionary).run(imported, options);
    *importing = clock.elapsed();
    return summary->stored;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    initPinyinTables();
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const QString data = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    Dictionary dictionary;
    if (!dictionary.open(data + QStringLiteral("/Dictionary.db"))) {
        std::fprintf(stderr, "No dictionary in %s\n", qPrintable(data));
        return 1;
    }
    const QList<Word> list = words(dictionary, count);
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("words.csv"));
    const QString apkg = folder.filePath(QStringLiteral("words.apkg"));
    if (!writeCsv(csv, list) || !writeApkg(folder.path(), apkg, list)) {
        std::fprintf(stderr, "Could not write the files to import\n");
        return 1;
    }
    for (const QString& file : {csv, apkg}) {
        qint64 bestRead = -1;
        qint64 bestImport = -1;
        ImportSummary summary;
        for (int run = 0; run < 3; ++run) {
            qint64 reading = 0;
            qint64 importing = 0;
            if (!timeImport(file, dictionary, data + QStringLiteral("/Profile.default.db"),
                            &reading, &importing, &summary))
                return 1;
            if (bestRead < 0 || reading + importing < bestRead + bestImport) {
                bestRead = reading;
                bestImport = importing;
            }
        }
        std::printf("%-5s %d notes: read %lld ms, import %lld ms, total %lld ms (linked %d, own "
                    "%d, duplicates %d)\n",
                    file.endsWith(QLatin1String("csv")) ? "CSV" : "Anki", int(list.size()),
                    bestRead, bestImport, bestRead + bestImport, summary.linkedCards,
                    summary.userMadeCards, summary.duplicates);
    }
    return 0;
}
