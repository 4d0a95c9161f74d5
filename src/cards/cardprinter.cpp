#include "cards/cardprinter.h"

#include "cards/cardpainter.h"
#include "cards/printcarddialog.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "style/messagebox.h"
#include "text/texthelpers.h"
#include "text/translationcatalogue.h"

#include <QDir>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace korvo {

namespace {

bool systemHasPrinter()
{
    return !QPrinterInfo::availablePrinters().isEmpty();
}

} // namespace

CardPrinter::CardPrinter(QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_dialogParent(dialogParent), m_printerCheck(systemHasPrinter)
{
}

CardPrinter::~CardPrinter()
{
    // The dialog's preview paints on the printer: it goes first.
    delete m_dialog.data();
}

PrintCardDialog* CardPrinter::dialog() const
{
    return m_dialog.data();
}

void CardPrinter::setPrinterCheck(PrinterCheck check)
{
    m_printerCheck = check ? std::move(check) : PrinterCheck(systemHasPrinter);
}

int CardPrinter::printDeck(Deck* deck)
{
    if (!deck)
        return 0;
    // Without a system printer the cards go into a PDF file. Such a printer is replaced as soon
    // as a system printer appears, so the check is repeated on every request until then.
    if (!m_printer || m_pdfOnly) {
        const bool hasPrinter = m_printerCheck();
        if (!m_printer || hasPrinter) {
            delete m_dialog.data();
            m_printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
            if (!hasPrinter)
                m_printer->setOutputFormat(QPrinter::PdfFormat);
            m_pdfOnly = !hasPrinter;
        }
    }
    if (!m_dialog) {
        m_dialog = new PrintCardDialog(m_printer.get(), m_dialogParent);
        m_dialog->setPdfOutput(m_pdfOnly);
        connect(m_dialog, &PrintCardDialog::paintRequested, this,
                &CardPrinter::printCardDialog_paintRequested);
    }

    m_printer->setDocName(documentName(deck));
    m_printer->setPageMargins(QMarginsF(0.4, 0.4, 0.4, 0.4), QPageLayout::Inch);
    m_currentDeck = deck;

    const int result = m_dialog->exec();
    if (result != QDialog::Accepted)
        return result;
    if (m_currentDeck && paintDeck(m_printer.get(), m_currentDeck, m_dialog->cardsPerRow()) < 0)
        reportFailure();
    return 0;
}

// The printer's own reasons stay on its side; the learner learns what did not happen and where.
void CardPrinter::reportFailure()
{
    const QString text =
        m_printer->outputFormat() == QPrinter::PdfFormat
            ? translate(QStringLiteral("The cards could not be printed into the file %1. Choose "
                                       "a folder you can write to, with room on its disk."))
                  .arg(QDir::toNativeSeparators(m_printer->outputFileName()))
            : translate(QStringLiteral("The cards could not be printed: the printer %1 reported "
                                       "an error."))
                  .arg(m_printer->printerName());
    error(text, translate(QStringLiteral("Error")));
}

QString CardPrinter::documentName(Deck* deck)
{
    const QString title = deck ? deck->displayTitle() : QString();
    return safeName(QStringLiteral("Quillet - ") + title);
}

CardState CardPrinter::printCardState(Profile* profile)
{
    CardState state = listCardState(profile);
    state.woodBackground = false;
    state.cardBackground = false;
    state.letterSpacing = 105;
    state.watermark = true;
    return state;
}

QList<CardPrinter::Placement> CardPrinter::layoutCards(int count, const QSize& pageSize, int perRow)
{
    QList<Placement> placements;
    if (count <= 0)
        return placements;
    perRow = qMax(1, perRow);
    const int side = pageSize.width() / perRow;
    int x = 0;
    int y = 0;
    int page = 0;
    placements.reserve(count);
    for (int i = 0; i < count; ++i) {
        placements.append({page, QRect(x, y, side, side)});
        if (pageSize.width() < x + 2 * side) {
            x = 0;
            if (pageSize.height() < y + 2 * side) {
                y = 0;
                ++page;
            } else {
                y += side;
            }
        } else {
            x += side;
        }
    }
    return placements;
}

int CardPrinter::paintCards(QPainter* painter, const QSize& pageSize, const QList<DeckCard*>& cards,
                            int perRow, const CardState& state,
                            const std::function<void()>& newPage)
{
    const QList<Placement> placements = layoutCards(int(cards.size()), pageSize, perRow);
    if (placements.isEmpty())
        return 0;
    int page = 0;
    for (int i = 0; i < placements.size(); ++i) {
        const Placement& placement = placements.at(i);
        while (page < placement.page) {
            if (newPage)
                newPage();
            ++page;
        }
        paintCard(cards.at(i), painter, placement.rect, state, CardPainterFlags());
        painter->save();
        painter->setPen(QColor(Qt::gray));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(placement.rect);
        painter->restore();
    }
    return page + 1;
}

QList<DeckCard*> CardPrinter::cardsToPrint(Deck* deck)
{
    QList<DeckCard*> cards;
    if (deck)
        deck->allCards(cards);
    return cards;
}

int CardPrinter::paintDeck(QPrinter* printer, Deck* deck, int perRow)
{
    if (!printer || !deck)
        return 0;
    const QList<DeckCard*> cards = cardsToPrint(deck);
    QPainter painter;
    if (!painter.begin(printer))
        return -1;
    const QSize pageSize = printer->pageRect(QPrinter::DevicePixel).size().toSize();
    bool pagesStarted = true;
    const int pages =
        paintCards(&painter, pageSize, cards, perRow, printCardState(deck->profile()),
                   [printer, &pagesStarted] { pagesStarted = printer->newPage() && pagesStarted; });
    const bool finished =
        painter.end() && pagesStarted && printer->printerState() != QPrinter::Error;
    return finished ? pages : -1;
}

void CardPrinter::printCardDialog_paintRequested(QPrinter* printer)
{
    if (m_currentDeck && m_dialog)
        paintDeck(printer, m_currentDeck, m_dialog->cardsPerRow());
}

} // namespace korvo
