// Paints a card list as the deck manager shows it: ten cards of the built-in HSK 1 deck, drawn
// by the card delegate in the drag-and-drop list view, saved as a PNG.
//
// Usage: quillet_cardlist_screenshot <data folder> <skin folder> <output.png> [scale]
// The data folder holds "Profile.default.db" (its built-in decks and their words are used);
// the profile is made in a temporary folder, so nothing of the user's is touched.

#include "cards/carditemdelegate.h"
#include "cards/cardlistmodel.h"
#include "cards/cardpainter.h"
#include "cards/cardstate.h"
#include "cards/xqlistview.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "style/style.h"
#include "text/pinyin.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

using namespace korvo;

namespace {

const QString Hsk1Uuid = QStringLiteral("f5641dce649f957cc0f40e313df88150");

Deck* findDeckByUuid(Profile& profile, const QString& uuid)
{
    QList<Deck*> decks;
    profile.collectDecks(decks, false);
    for (Deck* deck : decks) {
        if (deck->uuid() == uuid)
            return deck;
    }
    return nullptr;
}

QString firstInstalledFamily(const QStringList& candidates)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& family : candidates) {
        if (families.contains(family))
            return family;
    }
    return QString();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <data folder> <skin folder> <output.png> [scale]\n",
                     argv[0]);
        return 2;
    }
    const qreal scale = argc > 4 ? QString::fromLocal8Bit(argv[4]).toDouble() : 1.0;
    if (scale > 1.0)
        qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
    QApplication app(argc, argv);
    const QString dataFolder = QString::fromLocal8Bit(argv[1]);
    const QString skinFolder = QString::fromLocal8Bit(argv[2]);
    const QString output = QString::fromLocal8Bit(argv[3]);

    initPinyinTables();
    Style::setSkinFolder(skinFolder);

    QTemporaryDir profileFolder;
    Profile profile(profileFolder.path(), dataFolder + QStringLiteral("/Profile.default.db"));
    profile.openDatabase();
    profile.upgradeDatabase();
    profile.loadDecks();
    const QString chineseFont =
        firstInstalledFamily({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("AR PL UKai CN")});
    profile.setSetting(QStringLiteral("chineseFont"), chineseFont);

    Deck* hsk1 = findDeckByUuid(profile, Hsk1Uuid);
    if (!hsk1 || hsk1->cardCount() < 10) {
        std::fprintf(stderr, "The profile template has no HSK 1 deck with ten cards\n");
        return 1;
    }
    // Ten words spread over the level, in a deck of their own.
    Deck* sample = profile.newDeck();
    sample->setTitle(hsk1->displayTitle());
    profile.saveDeck(sample, false, true);
    const QList<DeckCard*> cards = hsk1->cards();
    const int stride = int(cards.size()) / 10;
    for (int i = 0; i < 10; ++i)
        sample->addKnowledgeUnit(cards.at(i * stride)->knowledgeUnit());

    if (qEnvironmentVariableIsSet("QUILLET_CARD_FACES")) {
        // Large faces of the first sample card in the layouts the practice screen uses.
        KnowledgeUnit* unit = sample->cards().at(4)->knowledgeUnit();
        const int size = 420;
        QImage faces(QSize(3 * size, size) * scale, QImage::Format_ARGB32);
        faces.setDevicePixelRatio(scale);
        faces.fill(Qt::white);
        QPainter painter(&faces);
        painter.setRenderHint(QPainter::Antialiasing);
        CardState single = listCardState(&profile);
        paintCard(unit, &painter, QRect(0, 0, size, size), single);
        CardState both = single;
        both.traditionalVisible = true;
        paintCard(unit, &painter, QRect(size, 0, size, size), both);
        CardState printed = single;
        printed.woodBackground = false;
        printed.watermark = true;
        printed.pinyinColorization = QStringLiteral("none");
        paintCard(unit, &painter, QRect(2 * size, 0, size, size), printed);
        painter.end();
        return faces.save(output) ? 0 : 1;
    }

    XQListView view(QStringLiteral("card"));
    view.setViewMode(QListView::IconMode);
    view.setFlow(QListView::LeftToRight);
    view.setWrapping(true);
    view.setMovement(QListView::Static);
    view.setResizeMode(QListView::Adjust);
    view.setSpacing(8);
    view.setFrameShape(QFrame::NoFrame);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setItemDelegate(new CardItemDelegate(&profile, &view));
    view.setModel(new CardListModel(&profile, sample->id(), &view));

    // The list sits on the application's background, as in the deck manager.
    const QPixmap background = Style::skinPixmap(QStringLiteral("ApplicationBackground.png"));
    QPalette palette = view.palette();
    if (!background.isNull())
        palette.setBrush(QPalette::Base, QBrush(background));
    else
        palette.setColor(QPalette::Base, QColor(0xf3, 0xec, 0xe0));
    view.setPalette(palette);
    view.viewport()->setPalette(palette);

    // Two rows of five cards, with the list's spacing all round.
    const int side = profile.setting(QStringLiteral("cardItemDelegate.width"), 120).toInt();
    view.resize(5 * (side + 2 * view.spacing()) + 40, 2 * (side + 2 * view.spacing()) + 40);
    view.show();
    QApplication::processEvents();
    QRect used;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        used |= view.visualRect(view.model()->index(row, 0));
    // Keep that flow of five columns while trimming the view to the cards.
    view.setResizeMode(QListView::Fixed);
    view.resize(used.right() + 1 + used.left(), used.bottom() + 1 + used.top());
    view.setCurrentIndex(view.model()->index(3, 0));
    QApplication::processEvents();

    const QImage image = view.grab().toImage();
    if (!image.save(output)) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(output));
        return 1;
    }
    QTextStream(stdout) << "Wrote " << output << " (" << image.width() << " x " << image.height()
                        << ")\n";
    return 0;
}
