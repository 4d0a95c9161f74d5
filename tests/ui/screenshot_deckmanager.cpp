// Takes the deck manager's screenshots from the built data, on a temporary profile made from
// the shipped template:
//   deck-manager.png   the screen with the HSK folder open and the cards of HSK 1
//   card-editor.png    the card editor after typing 学习 (the rest filled automatically)
//   print-preview.png  the "Print deck" dialog previewing HSK 1 at 5 cards per row
//
// Usage: quillet_screenshot_deckmanager <output folder>   (data is found beside the program)

#include "cards/cardprinter.h"
#include "cards/printcarddialog.h"
#include "cards/xqlistview.h"
#include "dictionary/dictionary.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "style/style.h"
#include "text/pinyin.h"
#include "ui/deckmanagerwidget.h"
#include "ui/decktreewidget.h"
#include "ui/editcarddialog.h"
#include "uitestsupport.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

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

bool save(const QPixmap& pixmap, const QString& path)
{
    if (!pixmap.save(path)) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(path));
        return false;
    }
    QTextStream(stdout) << "Wrote " << path << " (" << pixmap.width() << " x " << pixmap.height()
                        << ")\n";
    return true;
}

void settle(int milliseconds = 200)
{
    QTest::qWait(milliseconds);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString dataFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    qputenv("QUILLET_DATA_DIR", dataFolder.toLocal8Bit());
    QDir().mkpath(output);

    initPinyinTables();
    Style::setSkinFolder(dataFolder + QStringLiteral("/skins/default"));

    QTemporaryDir profileFolder;
    Profile profile(profileFolder.path(), dataFolder + QStringLiteral("/Profile.default.db"));
    profile.openDatabase();
    profile.upgradeDatabase();
    profile.loadDecks();
    profile.setSetting(QStringLiteral("chineseFont"),
                       firstInstalledFamily(
                           {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("AR PL UKai CN")}));
    Dictionary dictionary;
    if (!dictionary.open(dataFolder + QStringLiteral("/Dictionary.db"))) {
        std::fprintf(stderr, "No dictionary in %s\n", qPrintable(dataFolder));
        return 1;
    }
    Deck* hsk1 = findDeckByUuid(profile, Hsk1Uuid);
    if (!hsk1) {
        std::fprintf(stderr, "The profile template has no HSK 1 deck\n");
        return 1;
    }
    uitest::TestServices services(&profile, &dictionary);

    DeckManagerWidget manager;
    manager.setWindowTitle(QStringLiteral("Quillet"));
    manager.resize(1100, 720);
    manager.setRootDeck(profile.rootDeck());
    manager.show();
    settle(300);
    // The HSK folder open (every folder is, the first time), the other folders closed.
    DeckTreeWidget* tree = manager.deckList();
    Deck* hskFolder = profile.deckById(hsk1->parentId());
    for (Deck* deck : profile.rootDeck()->children()) {
        if (deck->isFolder() && deck != hskFolder)
            tree->setExpanded(tree->indexOfDeck(deck->id()), false);
    }
    tree->selectDeck(hsk1->id());
    settle();
    manager.cardList()->setCurrentIndex(manager.cardList()->model()->index(6, 0));
    settle();
    bool ok = save(manager.grab(), output + QStringLiteral("/deck-manager.png"));

    // The card editor for a new card, after typing 学习 and pressing Return.
    uitest::whenModal([&](QWidget* modal) {
        auto* simplified = modal->findChild<QLineEdit*>(QStringLiteral("simplifiedTE"));
        uitest::typeText(simplified, QStringLiteral("学习"));
        QTest::keyClick(simplified, Qt::Key_Return);
        settle();
        ok = save(modal->grab(), output + QStringLiteral("/card-editor.png")) && ok;
        static_cast<QDialog*>(modal)->reject();
    });
    services.editCard(nullptr, hsk1->id());

    // The print dialog for HSK 1 at its 5 cards per row.
    uitest::whenModal([&](QWidget* modal) {
        modal->resize(900, 720);
        settle(400);
        if (auto* dialog = qobject_cast<PrintCardDialog*>(modal))
            dialog->previewWidget()->fitToWidth();
        settle(400);
        ok = save(modal->grab(), output + QStringLiteral("/print-preview.png")) && ok;
        static_cast<QDialog*>(modal)->reject();
    });
    manager.printSelectedDeck();
    return ok ? 0 : 1;
}
