// Search-plus-ranking latency on the real dictionary, per text type, warm (caches filled by a
// first pass) and cold (the first search after opening). Reports p50 and p99 in milliseconds.
//
//   quillet-bench-search [--database FILE] [google benchmark options]
//
// The database defaults to data/Dictionary.db beside the executable. Each benchmark runs twice:
// "statement" searches with the LIKE statements, "memory" with the in-memory column copies.

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "searchqueries.h"
#include "text/pinyin.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
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

std::unique_ptr<korvo::Dictionary> openDictionary(bool indexed, const QString& connection)
{
    auto dictionary = std::make_unique<korvo::Dictionary>();
    if (!dictionary->open(databasePath, connection))
        return nullptr;
    dictionary->setSearchIndexEnabled(indexed);
    return dictionary;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

void report(benchmark::State& state, const std::vector<double>& milliseconds)
{
    state.counters["p50_ms"] = percentile(milliseconds, 0.50);
    state.counters["p99_ms"] = percentile(milliseconds, 0.99);
    state.counters["max_ms"] = percentile(milliseconds, 1.0);
}

double timeLookup(korvo::Dictionary& dictionary, int type, const QString& text)
{
    const auto start = std::chrono::steady_clock::now();
    const korvo::Dictionary::LookupResult result =
        dictionary.lookup(korvo::Dictionary::TextType(type), text);
    benchmark::DoNotOptimize(result.units.size());
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Warm: every query of the type once before measuring, then each iteration runs one query.
void warmSearch(benchmark::State& state)
{
    const int type = int(state.range(0));
    const bool indexed = state.range(1) != 0;
    auto dictionary = openDictionary(indexed, QStringLiteral("bench-warm"));
    if (!dictionary) {
        state.SkipWithError("cannot open the dictionary");
        return;
    }
    const std::vector<QString> texts = queriesOfType(type);
    for (const QString& text : texts)
        timeLookup(*dictionary, type, text);
    std::vector<double> milliseconds;
    size_t next = 0;
    for (auto _ : state) {
        milliseconds.push_back(timeLookup(*dictionary, type, texts[next]));
        next = (next + 1) % texts.size();
    }
    report(state, milliseconds);
}

// Cold: a fresh dictionary per iteration, timing its first search (the file itself stays in
// the system's cache).
void coldSearch(benchmark::State& state)
{
    const int type = int(state.range(0));
    const bool indexed = state.range(1) != 0;
    const std::vector<QString> texts = queriesOfType(type);
    std::vector<double> milliseconds;
    size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto dictionary = openDictionary(indexed, QStringLiteral("bench-cold"));
        state.ResumeTiming();
        if (!dictionary) {
            state.SkipWithError("cannot open the dictionary");
            return;
        }
        milliseconds.push_back(timeLookup(*dictionary, type, texts[next]));
        next = (next + 1) % texts.size();
        state.PauseTiming();
        dictionary.reset();
        state.ResumeTiming();
    }
    report(state, milliseconds);
}

void typesAndPaths(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"type", "memory"});
    for (int indexed : {0, 1}) {
        for (int type : {0, 1, 3, 4, 5})
            benchmark->Args({type, indexed});
    }
}

} // namespace

BENCHMARK(warmSearch)->Apply(typesAndPaths)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(coldSearch)->Apply(typesAndPaths)->Unit(benchmark::kMillisecond)->Iterations(8);

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
