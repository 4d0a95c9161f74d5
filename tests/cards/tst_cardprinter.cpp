#include "cards/cardpainter.h"
#include "cards/cardprinter.h"
#include "cards/printcarddialog.h"
#include "cardtestsupport.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace korvo;

namespace {

// Runs `action` on the next modal widget (of the class, when one is named) from the event loop
// of the code that opens it.
void whenModal(const std::function<void(QWidget*)>& action, const char* className = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action, className] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || (className && !modal->inherits(className)))
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
    // A dialog that never comes must not leave the timer to answer a later one.
    QTimer::singleShot(10000, timer, [timer] {
        timer->stop();
        timer->deleteLater();
    });
}

int pdfPageCount(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString content = QString::fromLatin1(file.readAll());
    return int(content.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

} // namespace

// Card printing: the grid of cards on a page, what each printed card looks like, and the print
// request through the "Print deck" dialog into a PDF file when the system has no printer.
class TestCardPrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void printedCardLooks();
    void folderPrintsDecksInTreeOrder();
    void documentName_data();
    void documentName();
    void withoutPrinterPrintsToPdf();
    void aPdfThatCannotBeWrittenIsTold();
    void orientationChangesPages();
    void cancelPrintsNothing();
    void systemPrinterUsesPrintDialog();

private:
    Deck* makeDeck(const QString& title, const QStringList& words, Deck* parent = nullptr);

    QTemporaryDir m_skin;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
};

void TestCardPrinter::initTestCase()
{
    initPinyinTables();
    cardtest::installTestSkin(m_skin);
}

void TestCardPrinter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile = profiletest::openEmptyProfile(m_dir->path());
    QVERIFY(m_profile);
}

void TestCardPrinter::cleanup()
{
    m_profile.reset();
    m_dir.reset();
}

Deck* TestCardPrinter::makeDeck(const QString& title, const QStringList& words, Deck* parent)
{
    Deck* deck = profiletest::makeStoredDeck(m_profile.get(), title, false, parent);
    for (const QString& word : words) {
        auto* unit = new KnowledgeUnit;
        unit->setType(2);
        unit->setOwner(1);
        unit->setSimplified(word);
        unit->setPinyin(QStringLiteral("ma1"));
        unit->setDefinition(QStringLiteral("word ") + word);
        m_profile->dictionary()->saveKnowledgeUnit(unit);
        deck->addKnowledgeUnit(unit);
    }
    return deck;
}

void TestCardPrinter::layout_data()
{
    QTest::addColumn<QSize>("page");
    QTest::addColumn<int>("perRow");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("probe");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("pageOfProbe");
    QTest::addColumn<int>("pages");
    QTest::newRow("5 per row on 1000")
        << QSize(1000, 1400) << 5 << 12 << 5 << QRect(0, 200, 200, 200) << 0 << 1;
    QTest::newRow("3 per row on 1000")
        << QSize(1000, 1400) << 3 << 12 << 4 << QRect(333, 333, 333, 333) << 0 << 1;
    QTest::newRow("next page when the row does not fit")
        << QSize(1000, 500) << 5 << 11 << 10 << QRect(0, 0, 200, 200) << 1 << 2;
    QTest::newRow("no empty page after a full one")
        << QSize(1000, 500) << 5 << 10 << 9 << QRect(800, 200, 200, 200) << 0 << 1;
    QTest::newRow("one per row, one per page")
        << QSize(600, 900) << 1 << 3 << 2 << QRect(0, 0, 600, 600) << 2 << 3;
}

void TestCardPrinter::layout()
{
    QFETCH(QSize, page);
    QFETCH(int, perRow);
    QFETCH(int, count);
    QFETCH(int, probe);
    QFETCH(QRect, rect);
    QFETCH(int, pageOfProbe);
    QFETCH(int, pages);
    const QList<CardPrinter::Placement> placements = CardPrinter::layoutCards(count, page, perRow);
    QCOMPARE(placements.size(), count);
    QCOMPARE(placements.at(probe).rect, rect);
    QCOMPARE(placements.at(probe).page, pageOfProbe);
    QCOMPARE(placements.last().page + 1, pages);

    // Painting uses the same grid and begins exactly pages - 1 new pages.
    QList<DeckCard*> cards;
    Deck* deck = makeDeck("Grid", QStringList(count, QStringLiteral("一")));
    cards = deck->cards();
    QImage image(page, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    int newPages = 0;
    const int painted =
        CardPrinter::paintCards(&painter, page, cards, perRow,
                                CardPrinter::printCardState(m_profile.get()), [&] { ++newPages; });
    QCOMPARE(painted, pages);
    QCOMPARE(newPages, pages - 1);
}

void TestCardPrinter::printedCardLooks()
{
    Deck* deck = makeDeck("Looks", {"一", "二"});
    const CardState state = CardPrinter::printCardState(m_profile.get());
    QVERIFY(!state.woodBackground);
    QVERIFY(!state.cardBackground);
    QCOMPARE(state.letterSpacing, 105);
    QVERIFY(state.watermark);

    auto paintSheet = [&](const CardState& cardState) {
        QImage image(1000, 1400, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 10)); // anything the cards do not cover stays green
        QPainter painter(&image);
        CardPrinter::paintCards(&painter, image.size(), deck->cards(), 5, cardState, {});
        return image;
    };
    const QImage sheet = paintSheet(state);
    const QRgb grey = QColor(Qt::gray).rgb();
    // Grey outlines: along the top of the first card and between the first two.
    QCOMPARE(sheet.pixel(100, 0), grey);
    QCOMPARE(sheet.pixel(200, 100), grey);
    QCOMPARE(sheet.pixel(0, 100), grey);
    // White faces, no wood: the corners inside the outline are white.
    QCOMPARE(QColor(sheet.pixel(3, 3)), QColor(Qt::white));
    QCOMPARE(QColor(sheet.pixel(203, 196)), QColor(Qt::white));
    // Nothing beyond the two cards.
    QCOMPARE(QColor(sheet.pixel(500, 100)), QColor(10, 200, 10));
    // The watermark sits at the bottom right of each card, and only there.
    CardState plain = state;
    plain.watermark = false;
    const QImage unmarked = paintSheet(plain);
    for (int x : {0, 200}) {
        const QRect corner(x + 140, 140, 58, 58);
        QVERIFY(cardtest::countPixels(sheet, corner, cardtest::isInk) >
                cardtest::countPixels(unmarked, corner, cardtest::isInk));
        const QRect topLeft(x + 2, 2, 40, 40);
        QCOMPARE(cardtest::crop(sheet, topLeft), cardtest::crop(unmarked, topLeft));
    }
}

void TestCardPrinter::folderPrintsDecksInTreeOrder()
{
    Deck* folder = profiletest::makeStoredDeck(m_profile.get(), "Folder", true);
    Deck* first = makeDeck("First", {"一", "二"}, folder);
    Deck* inner = profiletest::makeStoredDeck(m_profile.get(), "Inner", true, folder);
    Deck* nested = makeDeck("Nested", {"三"}, inner);
    Deck* last = makeDeck("Last", {"四"}, folder);
    m_profile->renumberDecks();
    const QList<DeckCard*> expected = first->cards() + nested->cards() + last->cards();
    QCOMPARE(CardPrinter::cardsToPrint(folder), expected);

    // Painted in that order: each square shows the card expected there.
    const QSize page(1000, 1400);
    QImage sheet(page, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    const CardState state = CardPrinter::printCardState(m_profile.get());
    {
        QPainter painter(&sheet);
        CardPrinter::paintCards(&painter, page, CardPrinter::cardsToPrint(folder), 5, state, {});
    }
    const QList<CardPrinter::Placement> placements =
        CardPrinter::layoutCards(int(expected.size()), page, 5);
    for (int i = 0; i < expected.size(); ++i) {
        QImage single(200, 200, QImage::Format_RGB32);
        single.fill(Qt::white);
        {
            QPainter painter(&single);
            paintCard(expected.at(i), &painter, QRect(0, 0, 200, 200), state);
        }
        const QRect inside = placements.at(i).rect.adjusted(2, 2, -2, -2);
        QCOMPARE(cardtest::crop(sheet, inside),
                 cardtest::crop(single, inside.translated(-placements.at(i).rect.topLeft())));
    }
}

void TestCardPrinter::documentName_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Verbs"
                           << "Quillet - Verbs";
    QTest::newRow("slash and colon") << "HSK 1: nouns/verbs"
                                     << "Quillet - HSK 1_ nouns_verbs";
    QTest::newRow("runs of unsafe characters") << "a//:b"
                                               << "Quillet - a_b";
    QTest::newRow("built-in title shown") << "{HSK_DECKS}"
                                          << "Quillet - HSK levels";
}

void TestCardPrinter::documentName()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    Deck* deck = makeDeck(title, {});
    QCOMPARE(CardPrinter::documentName(deck), name);
}

void TestCardPrinter::withoutPrinterPrintsToPdf()
{
    Deck* deck = makeDeck("Colours: red/blue", QStringList(12, QStringLiteral("红")));
    CardPrinter printer;
    printer.setPrinterCheck([] { return false; });
    const QString pdf = m_dir->filePath("cards");
    QString suggested;
    QString buttonText;
    int pagesAtFive = -1;
    int pagesAtOne = -1;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<PrintCardDialog*>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Print deck"));
        QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
        buttonText = dialog->findChild<QPushButton*>("printButton")->text();
        pagesAtFive = dialog->findChild<QLabel*>("pageCountLabel")->text().toInt();
        auto* spin = dialog->findChild<QSpinBox*>("cardsPerRowSpinBox");
        QCOMPARE(spin->value(), 5);
        QCOMPARE(spin->minimum(), 1);
        QCOMPARE(spin->maximum(), 10);
        // Down to one card per row with the keyboard.
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(spin, Qt::Key_Down);
        QCOMPARE(dialog->cardsPerRow(), 1);
        pagesAtOne = dialog->findChild<QLabel*>("pageCountLabel")->text().toInt();
        QCOMPARE(dialog->pageCount(), pagesAtOne);
        dialog->setPdfFileChooser([&](QWidget*, const QString& suggestion) {
            suggested = suggestion;
            return pdf;
        });
        QTest::mouseClick(dialog->findChild<QPushButton*>("printButton"), Qt::LeftButton);
    });
    QCOMPARE(printer.printDeck(deck), 0);
    QVERIFY(printer.printsToPdf());
    QCOMPARE(buttonText, QStringLiteral("Print to PDF..."));
    QCOMPARE(pagesAtFive, 1);
    // A portrait page is never twice as high as wide: one card per page.
    QCOMPARE(pagesAtOne, 12);
    QCOMPARE(printer.printer()->docName(), QStringLiteral("Quillet - Colours_ red_blue"));
    QVERIFY(suggested.endsWith("/Quillet - Colours_ red_blue.pdf"));
    // The chosen name gets its extension; the file holds one page per card.
    QCOMPARE(printer.printer()->outputFileName(), pdf + ".pdf");
    QCOMPARE(pdfPageCount(pdf + ".pdf"), 12);
    // Margins of 0.4 inch all round.
    const QMarginsF margins = printer.printer()->pageLayout().margins(QPageLayout::Inch);
    QCOMPARE(margins, QMarginsF(0.4, 0.4, 0.4, 0.4));
}

void TestCardPrinter::aPdfThatCannotBeWrittenIsTold()
{
    Deck* deck = makeDeck("Nowhere", {"一"});
    CardPrinter printer;
    printer.setPrinterCheck([] { return false; });
    // A folder that does not exist: the file cannot be made.
    const QString pdf = m_dir->filePath("no such folder/cards.pdf");
    QString told;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<PrintCardDialog*>(modal);
        QVERIFY(dialog);
        dialog->setPdfFileChooser([&](QWidget*, const QString&) { return pdf; });
        whenModal(
            [&](QWidget* box) {
                told = static_cast<QMessageBox*>(box)->text();
                static_cast<QMessageBox*>(box)->accept();
            },
            "QMessageBox");
        QTest::mouseClick(dialog->findChild<QPushButton*>("printButton"), Qt::LeftButton);
    });
    QCOMPARE(printer.printDeck(deck), 0);
    QVERIFY2(told.contains(pdf), qPrintable(told));
    QVERIFY(!QFile::exists(pdf));
}

void TestCardPrinter::orientationChangesPages()
{
    Deck* deck = makeDeck("Many", QStringList(60, QStringLiteral("多")));
    CardPrinter printer;
    printer.setPrinterCheck([] { return false; });
    int portraitPages = -1;
    int landscapePages = -1;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QSize landscapePage;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<PrintCardDialog*>(modal);
        QVERIFY(dialog);
        portraitPages = dialog->findChild<QLabel*>("pageCountLabel")->text().toInt();
        auto* combo = dialog->findChild<QComboBox*>("orientationComboBox");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), QStringLiteral("Portrait"));
        QCOMPARE(combo->itemText(1), QStringLiteral("Landscape"));
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(dialog->orientation(), QPageLayout::Landscape);
        landscapePages = dialog->findChild<QLabel*>("pageCountLabel")->text().toInt();
        orientation = dialog->printer()->pageLayout().orientation();
        landscapePage = dialog->printer()->pageRect(QPrinter::DevicePixel).size().toSize();
        dialog->findChild<QPushButton*>("cancelButton")->click();
    });
    printer.printDeck(deck);
    QCOMPARE(orientation, QPageLayout::Landscape);
    QVERIFY(landscapePage.width() > landscapePage.height());
    const int expected = CardPrinter::layoutCards(60, landscapePage, 5).last().page + 1;
    QCOMPARE(landscapePages, expected);
    QVERIFY(landscapePages != portraitPages);
}

void TestCardPrinter::cancelPrintsNothing()
{
    Deck* deck = makeDeck("Cancelled", {"一"});
    CardPrinter printer;
    printer.setPrinterCheck([] { return false; });
    bool asked = false;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<PrintCardDialog*>(modal);
        QVERIFY(dialog);
        dialog->setPdfFileChooser([&](QWidget*, const QString&) {
            asked = true;
            return QString();
        });
        // A cancelled file choice leaves the dialog open.
        QTest::mouseClick(dialog->findChild<QPushButton*>("printButton"), Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    });
    QCOMPARE(printer.printDeck(deck), int(QDialog::Rejected));
    QVERIFY(asked);
    QVERIFY(printer.printer()->outputFileName().isEmpty());
    QCOMPARE(QDir(m_dir->path()).entryList({"*.pdf"}), QStringList());
    QCOMPARE(printer.printDeck(nullptr), 0);
}

void TestCardPrinter::systemPrinterUsesPrintDialog()
{
    Deck* deck = makeDeck("System", {"一"});
    CardPrinter printer;
    // First without a printer, then one appears: the next request uses it.
    printer.setPrinterCheck([] { return false; });
    whenModal([](QWidget* modal) { modal->close(); });
    printer.printDeck(deck);
    QVERIFY(printer.printsToPdf());

    printer.setPrinterCheck([] { return true; });
    QString buttonText;
    QString systemDialog;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<PrintCardDialog*>(modal);
        QVERIFY(dialog);
        buttonText = dialog->findChild<QPushButton*>("printButton")->text();
        whenModal(
            [&](QWidget* inner) {
                systemDialog = inner->metaObject()->className();
                static_cast<QDialog*>(inner)->reject();
            },
            "QPrintDialog");
        QTest::mouseClick(dialog->findChild<QPushButton*>("printButton"), Qt::LeftButton);
        // A cancelled system dialog leaves the print dialog open.
        QVERIFY(dialog->isVisible());
        dialog->findChild<QPushButton*>("cancelButton")->click();
    });
    QCOMPARE(printer.printDeck(deck), int(QDialog::Rejected));
    QVERIFY(!printer.printsToPdf());
    QCOMPARE(buttonText, QStringLiteral("Print..."));
    QVERIFY2(systemDialog.contains("PrintDialog"), qPrintable(systemDialog));
}

QTEST_MAIN(TestCardPrinter)
#include "tst_cardprinter.moc"
