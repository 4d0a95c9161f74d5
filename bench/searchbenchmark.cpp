// Search-plus-ranking latency on the real dictionary, per text type, warm (caches filled by a
// first pass) and cold (the first search after opening). Reports p50, p99 and the maximum in
// milliseconds of wall time, and p50/p99 of the thread's CPU time, which stays meaningful on a
// machine that other jobs keep busy.
//
//   quillet-bench-search [--database FILE] [google benchmark options]
//
// The database defaults to data/Dictionary.db beside the executable. Each benchmark runs on four
// paths ("path" argument): 0 the LIKE statements over the dictionary's columns, 1 the search data
// with every result ranked, 2 what the screen does (the search data, ranked only as far as the
// first page of 20), and 3 a baseline: an SQLite FTS5 trigram index over the same columns, built
// in memory before the timing starts (rows found only, nothing ranked or loaded).

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "searchqueries.h"
#include "text/pinyin.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace {

QString databasePath;

std::vector<QString> queriesOfType(int type)
{
    std::vector<QString> texts;
    for (const BenchmarkQuery& query : BenchmarkQueries) {
        if (query.type == type)
            texts.push_back(QString::fromUtf8(query.text));
    }
    return texts;
}

enum SearchPath { LikeStatements = 0, SearchData = 1, FirstPage = 2, TrigramIndex = 3 };
constexpr int ScreenPage = 20;

std::unique_ptr<korvo::Dictionary> openDictionary(int path, const QString& connection)
{
    auto dictionary = std::make_unique<korvo::Dictionary>();
    if (!dictionary->open(databasePath, connection))
        return nullptr;
    dictionary->setSearchIndexEnabled(path != LikeStatements);
    return dictionary;
}

// The searched columns of the dictionary in an in-memory FTS5 table with the trigram tokenizer.
QSqlDatabase trigramIndex()
{
    const QString name = QStringLiteral("bench-trigram");
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    database.setDatabaseName(QStringLiteral(":memory:"));
    database.open();
    QSqlQuery query(database);
    query.exec(QStringLiteral("ATTACH DATABASE '%1' AS source").arg(databasePath));
    query.exec(QStringLiteral("CREATE VIRTUAL TABLE entries USING fts5(simplified, traditional, "
                              "pinyin, pinyinMergedNoTones, definition, tokenize = 'trigram')"));
    query.exec(QStringLiteral("INSERT INTO entries (rowid, simplified, traditional, pinyin, "
                              "pinyinMergedNoTones, definition) SELECT id, simplified, "
                              "traditional, pinyin, pinyinMergedNoTones, definition FROM "
                              "source.KnowledgeUnits"));
    return database;
}

// The rows the trigram index finds for the text in the column the type searches (LIKE on the
// index: texts under three characters scan it).
int trigramLookup(QSqlDatabase database, int type, const QString& text)
{
    static const char* const columns[] = {"simplified", "traditional",         "pinyin",
                                          "pinyin",     "pinyinMergedNoTones", "definition"};
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT rowid FROM entries WHERE %1 LIKE ?")
                      .arg(QLatin1String(columns[type])));
    const QString searched = type == korvo::Dictionary::PinyinWithoutTones
                                 ? korvo::Dictionary::normalisedPinyinQuery(text)
                                 : text;
    query.addBindValue(QLatin1Char('%') + searched + QLatin1Char('%'));
    int rows = 0;
    if (query.exec()) {
        while (query.next())
            ++rows;
    }
    return rows;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

struct Timing
{
    std::vector<double> wall;
    std::vector<double> cpu;
};

void report(benchmark::State& state, const Timing& timing)
{
    state.counters["p50_ms"] = percentile(timing.wall, 0.50);
    state.counters["p99_ms"] = percentile(timing.wall, 0.99);
    state.counters["max_ms"] = percentile(timing.wall, 1.0);
    state.counters["cpu_p50_ms"] = percentile(timing.cpu, 0.50);
    state.counters["cpu_p99_ms"] = percentile(timing.cpu, 0.99);
}

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void lookupOnPath(korvo::Dictionary& dictionary, int path, int type, const QString& text)
{
    const auto textType = korvo::Dictionary::TextType(type);
    if (path == TrigramIndex) {
        benchmark::DoNotOptimize(trigramLookup(trigramIndex(), type, text));
    } else if (path == FirstPage) {
        const korvo::Dictionary::LookupResult result = dictionary.lookupRanked(textType, text);
        benchmark::DoNotOptimize(result.ranked.range(0, ScreenPage).size());
    } else {
        const korvo::Dictionary::LookupResult result = dictionary.lookup(textType, text);
        benchmark::DoNotOptimize(result.units.size());
    }
}

void timeLookup(korvo::Dictionary& dictionary, int path, int type, const QString& text,
                Timing* timing)
{
    const double cpuStart = threadCpuMilliseconds();
    const auto start = std::chrono::steady_clock::now();
    lookupOnPath(dictionary, path, type, text);
    if (!timing)
        return;
    timing->wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    timing->cpu.push_back(threadCpuMilliseconds() - cpuStart);
}

// Warm: every query of the type once before measuring, then each iteration runs one query.
void warmSearch(benchmark::State& state)
{
    const int type = int(state.range(0));
    const int path = int(state.range(1));
    if (path == TrigramIndex)
        trigramIndex();
    auto dictionary = openDictionary(path, QStringLiteral("bench-warm"));
    if (!dictionary) {
        state.SkipWithError("cannot open the dictionary");
        return;
    }
    const std::vector<QString> texts = queriesOfType(type);
    for (const QString& text : texts)
        timeLookup(*dictionary, path, type, text, nullptr);
    Timing timing;
    size_t next = 0;
    for (auto _ : state) {
        timeLookup(*dictionary, path, type, texts[next], &timing);
        next = (next + 1) % texts.size();
    }
    report(state, timing);
}

// Cold: a fresh dictionary per iteration, timing its first search (the file itself stays in
// the system's cache).
void coldSearch(benchmark::State& state)
{
    const int type = int(state.range(0));
    const int path = int(state.range(1));
    const std::vector<QString> texts = queriesOfType(type);
    Timing timing;
    size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto dictionary = openDictionary(path, QStringLiteral("bench-cold"));
        state.ResumeTiming();
        if (!dictionary) {
            state.SkipWithError("cannot open the dictionary");
            return;
        }
        timeLookup(*dictionary, path, type, texts[next], &timing);
        next = (next + 1) % texts.size();
        state.PauseTiming();
        dictionary.reset();
        state.ResumeTiming();
    }
    report(state, timing);
}

void typesAndPaths(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"type", "path"});
    for (int path : {LikeStatements, SearchData, FirstPage, TrigramIndex}) {
        for (int type : {0, 1, 3, 4, 5})
            benchmark->Args({type, path});
    }
}

// The cold search of the index baseline would time building the index: it runs warm only.
void coldTypesAndPaths(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"type", "path"});
    for (int path : {LikeStatements, SearchData, FirstPage}) {
        for (int type : {0, 1, 3, 4, 5})
            benchmark->Args({type, path});
    }
}

} // namespace

BENCHMARK(warmSearch)->Apply(typesAndPaths)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(coldSearch)->Apply(coldTypesAndPaths)->Unit(benchmark::kMillisecond)->Iterations(8);

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    korvo::initPinyinTables();
    databasePath = QCoreApplication::applicationDirPath() + QStringLiteral("/data/Dictionary.db");
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc) {
            databasePath = QString::fromLocal8Bit(argv[++i]);
            continue;
        }
        arguments.push_back(argv[i]);
    }
    if (!QFileInfo(databasePath).isFile()) {
        std::fprintf(stderr, "no dictionary database at %s\n", qPrintable(databasePath));
        return 2;
    }
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
