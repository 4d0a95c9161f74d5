// Card selection over a large profile, and export and import of a large deck.
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "practice/session.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/decktransfer.h"
#include "profile/profile.h"
#include "text/pinyin.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace korvo;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<Profile> profile;

    Fixture()
    {
        profile = std::make_unique<Profile>(dir.path(), dir.filePath("missing.db"));
        profile->openDatabase();
        profile->upgradeDatabase();
        profile->loadDecks();
    }

    // Decks of cards with units practised at various moments and scores.
    QList<Deck*> fill(int deckCount, int cardsPerDeck)
    {
        QList<Deck*> decks;
        QSqlDatabase database = profile->database();
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        beginTransaction(database);
        for (int d = 0; d < deckCount; ++d) {
            Deck* deck = profile->newDeck();
            deck->setTitle(QStringLiteral("Deck %1").arg(d));
            profile->saveDeck(deck, false, true);
            for (int c = 0; c < cardsPerDeck; ++c) {
                const int n = d * cardsPerDeck + c;
                auto* unit = new KnowledgeUnit;
                unit->setType(2);
                unit->setSimplified(QString(QChar(0x4e00 + n % 20000)));
                unit->setPinyin(QStringLiteral("yi1"));
                unit->setDefinition(QStringLiteral("one/single/a (article)/as soon as"));
                unit->setScore(static_cast<float>(n % 12));
                unit->setLastTimePracticed(n % 3 == 0 ? 0 : now - (n % 40) * 86400);
                profile->dictionary()->saveKnowledgeUnit(unit);
                deck->addKnowledgeUnit(unit);
            }
            decks.append(deck);
        }
        endTransaction(database);
        return decks;
    }

    // A fresh profile object on the same file: decks, cards and units are read again.
    void reopen()
    {
        profile.reset();
        profile = std::make_unique<Profile>(dir.path(), dir.filePath("missing.db"));
        profile->openDatabase();
        profile->loadDecks();
    }
};

void BM_selectCardsSpacedRepetition(benchmark::State& state)
{
    Fixture fixture;
    fixture.fill(20, 500);
    fixture.reopen();
    QList<Deck*> decks;
    fixture.profile->collectDecks(decks, false);
    selectCards(decks, -1, true); // cards and units are read once, as in a running program
    for (auto _ : state) {
        const QList<int> ids = selectCards(decks, -1, true);
        benchmark::DoNotOptimize(ids);
        state.counters["selected"] = ids.size();
    }
    state.counters["cards"] = 10000;
}

// The same from a freshly opened profile each time: decks load their cards, cards their units.
void BM_selectCardsSpacedRepetitionCold(benchmark::State& state)
{
    Fixture fixture;
    fixture.fill(20, 500);
    for (auto _ : state) {
        state.PauseTiming();
        fixture.reopen();
        QList<Deck*> decks;
        fixture.profile->collectDecks(decks, false);
        state.ResumeTiming();
        const QList<int> ids = selectCards(decks, -1, true);
        benchmark::DoNotOptimize(ids);
        state.counters["selected"] = ids.size();
    }
}

void BM_exportDeck5000(benchmark::State& state)
{
    Fixture fixture;
    fixture.fill(1, 5000);
    const QString fileName = fixture.dir.filePath("big.kvd");
    for (auto _ : state) {
        state.PauseTiming();
        fixture.reopen();
        Deck* deck = fixture.profile->rootDeck()->children().first();
        state.ResumeTiming();
        if (!writeDeckFile(deck, fileName))
            state.SkipWithError("export failed");
    }
}

void BM_importDeck5000(benchmark::State& state)
{
    Fixture fixture;
    Deck* deck = fixture.fill(1, 5000).first();
    const QString fileName = fixture.dir.filePath("big.kvd");
    writeDeckFile(deck, fileName);
    for (auto _ : state) {
        QString text;
        readDeckFile(fileName, &text);
        Deck* copy = importDeckText(fixture.profile.get(), text, TransferOptions(), nullptr);
        if (!copy || copy->cardCount() != 5000)
            state.SkipWithError("import failed");
    }
}

} // namespace

BENCHMARK(BM_selectCardsSpacedRepetition)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_selectCardsSpacedRepetitionCold)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_exportDeck5000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_importDeck5000)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    initPinyinTables();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
