// Timing of the deck manager with a large deck: selecting a deck of 5,000 cards until the screen
// is painted, and scrolling its card list by one screen per frame. Targets: under 100 ms for the
// selection, under 16 ms per scrolled frame.
//
// Usage: quillet-bench-deckmanager [cards]   (data is found beside the program; run offscreen:
//        QT_QPA_PLATFORM=offscreen FONTCONFIG_FILE=build/testbin/fonts.conf
//        build/quillet-bench-deckmanager)
//
// "Cold" is the first selection after start-up: the deck's cards and their entries are read from
// Profile.db. "Warm" selects the deck again after another one; scrolling is timed on the first
// pass down the list (entries read as they come into view) and on a second pass.

#include "cards/carditemdelegate.h"
#include "cards/xqlistview.h"
#include "dictionary/statementbuilder.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "style/style.h"
#include "text/pinyin.h"
#include "ui/deckmanagerwidget.h"
#include "ui/decktreewidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>

using namespace korvo;

namespace {

// The screen's card delegate, counting the cards it paints, so that every timed frame is known
// to have painted a screen full of cards.
class CountingDelegate : public CardItemDelegate
{
public:
    using CardItemDelegate::CardItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        ++painted;
        CardItemDelegate::paint(painter, option, index);
    }
    mutable int painted = 0;
};

CountingDelegate* delegate = nullptr;

struct Figures
{
    double median = 0;
    double max = 0;
    int count = 0;
};

Figures figures(QList<double> values)
{
    Figures result;
    if (values.isEmpty())
        return result;
    std::sort(values.begin(), values.end());
    result.count = int(values.size());
    result.median = values.at(values.size() / 2);
    result.max = values.last();
    return result;
}

std::unique_ptr<Profile> openProfile(const QString& folder, const QString& templatePath)
{
    auto profile = std::make_unique<Profile>(folder, templatePath);
    profile->openDatabase();
    profile->upgradeDatabase();
    profile->loadDecks();
    return profile;
}

// A deck of `count` cards showing the built-in decks' entries, and a small one beside it.
bool makeDecks(Profile* profile, int count, int* bigId, int* smallId)
{
    QList<DeckCard*> builtIn;
    profile->rootDeck()->allCards(builtIn);
    if (builtIn.isEmpty())
        return false;
    Deck* big = profile->newDeck();
    big->setTitle(QStringLiteral("5000 words"));
    profile->saveDeck(big, false, true);
    Deck* small = profile->newDeck();
    small->setTitle(QStringLiteral("Few words"));
    profile->saveDeck(small, false, true);
    QSqlDatabase database = profile->database();
    beginTransaction(database);
    for (int i = 0; i < count; ++i)
        big->addKnowledgeUnit(builtIn.at(i % builtIn.size())->knowledgeUnit());
    for (int i = 0; i < 10; ++i)
        small->addKnowledgeUnit(builtIn.at(i)->knowledgeUnit());
    const bool ok = endTransaction(database);
    *bigId = big->id();
    *smallId = small->id();
    return ok;
}

// Cards painted by the last timed frame.
int lastPainted = 0;

// From the selection until the screen has painted the deck's cards. The list lays its new rows
// out from the event loop and paints them afterwards, so the event loop runs until the cards
// are painted and nothing more is painted.
double timeSelection(DeckManagerWidget& manager, int deckId)
{
    delegate->painted = 0;
    QElapsedTimer clock;
    clock.start();
    manager.deckList()->selectDeck(deckId);
    int seen = -1;
    while (clock.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents);
        if (delegate->painted > 0 && delegate->painted == seen)
            break;
        seen = delegate->painted;
    }
    const double elapsed = clock.nsecsElapsed() / 1e6;
    lastPainted = delegate->painted;
    return elapsed;
}

QList<double> timeScrolling(DeckManagerWidget& manager, int frames)
{
    QScrollBar* bar = manager.cardList()->verticalScrollBar();
    QWidget* viewport = manager.cardList()->viewport();
    bar->setValue(0);
    viewport->repaint();
    QList<double> times;
    QElapsedTimer clock;
    lastPainted = 0;
    for (int i = 0; i < frames && bar->value() < bar->maximum(); ++i) {
        delegate->painted = 0;
        clock.start();
        bar->setValue(bar->value() + viewport->height());
        viewport->repaint();
        times << clock.nsecsElapsed() / 1e6;
        lastPainted = qMax(lastPainted, delegate->painted);
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5000;
    const QString dataFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    const QString templatePath = dataFolder + QStringLiteral("/Profile.default.db");
    initPinyinTables();
    Style::setSkinFolder(dataFolder + QStringLiteral("/skins/default"));
    QTextStream out(stdout);

    QTemporaryDir folder;
    int bigId = -1;
    int smallId = -1;
    {
        auto profile = openProfile(folder.path(), templatePath);
        if (!makeDecks(profile.get(), count, &bigId, &smallId)) {
            out << "Could not make the decks from " << templatePath << "\n";
            return 1;
        }
    }
    // A fresh start: nothing of the big deck is read yet.
    auto profile = openProfile(folder.path(), templatePath);
    DeckManagerWidget manager;
    manager.resize(1280, 800);
    manager.setRootDeck(profile->rootDeck());
    delegate = new CountingDelegate(profile.get(), manager.cardList());
    manager.cardList()->setItemDelegate(delegate);
    manager.show();
    QElapsedTimer wait;
    wait.start();
    while (!manager.selectedDeck() && wait.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    manager.repaint();

    const double cold = timeSelection(manager, bigId);
    const int coldPainted = lastPainted;
    const int rows = manager.cardList()->model()->rowCount();
    QList<double> warm;
    for (int i = 0; i < 20; ++i) {
        timeSelection(manager, smallId);
        warm << timeSelection(manager, bigId);
    }
    const int warmPainted = lastPainted;
    const QList<double> firstPass = timeScrolling(manager, 60);
    const int firstPainted = lastPainted;
    const QList<double> secondPass = timeScrolling(manager, 60);
    const int secondPainted = lastPainted;

    const Figures warmFigures = figures(warm);
    const Figures firstFigures = figures(firstPass);
    const Figures secondFigures = figures(secondPass);
    out << "Deck of " << rows << " cards, screen 1280 x 800, list viewport "
        << manager.cardList()->viewport()->width() << " x "
        << manager.cardList()->viewport()->height() << "\n";
    out << QString("select deck until painted: cold %1 ms (%2 cards painted); warm median %3 ms, "
                   "max %4 ms (%5 runs, %6 cards painted)\n")
               .arg(cold, 0, 'f', 1)
               .arg(coldPainted)
               .arg(warmFigures.median, 0, 'f', 1)
               .arg(warmFigures.max, 0, 'f', 1)
               .arg(warmFigures.count)
               .arg(warmPainted);
    out << QString("scroll one screen per frame, first pass: median %1 ms, max %2 ms (%3 frames, "
                   "up to %4 cards painted)\n")
               .arg(firstFigures.median, 0, 'f', 2)
               .arg(firstFigures.max, 0, 'f', 2)
               .arg(firstFigures.count)
               .arg(firstPainted);
    out << QString("scroll one screen per frame, second pass: median %1 ms, max %2 ms (%3 frames, "
                   "up to %4 cards painted)\n")
               .arg(secondFigures.median, 0, 'f', 2)
               .arg(secondFigures.max, 0, 'f', 2)
               .arg(secondFigures.count)
               .arg(secondPainted);
    return rows == count ? 0 : 1;
}
