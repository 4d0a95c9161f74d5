#pragma once

#include "cards/cardstate.h"
#include "profile/deck.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <functional>
#include <memory>

class PrintCardDialog;
class QPainter;
class QPrinter;
class QWidget;

namespace korvo {

class Deck;
class DeckCard;
class Profile;

// Prints a deck, or every deck inside a folder, as a grid of square cards: the "Print deck"
// dialog chooses the cards per row and the orientation over a live preview, then the cards go to
// the system printer or, when the system has none, into a PDF file the user names. One printer
// per owner, kept between print jobs so that the chosen printer and page settings persist; it
// owns the printer and the dialog, the deck is borrowed.
class CardPrinter : public QObject
{
    Q_OBJECT

public:
    // Where one card lands: its page (0 for the first) and its square on that page.
    struct Placement
    {
        int page = 0;
        QRect rect;
    };

    // Whether the system has a printer to print on.
    using PrinterCheck = std::function<bool()>;

    // The dialog is shown over `dialogParent`.
    explicit CardPrinter(QWidget* dialogParent = nullptr, QObject* parent = nullptr);
    ~CardPrinter() override;

    // The whole print request: the dialog, then the printing, and a message when the printing
    // failed. 0 after printing or when the request ends, otherwise the dialog's result.
    int printDeck(Deck* deck);

    QPrinter* printer() const { return m_printer.get(); }
    PrintCardDialog* dialog() const;
    Deck* currentDeck() const { return m_currentDeck; }
    // Replaces the question whether a system printer exists (tests decide it themselves).
    void setPrinterCheck(PrinterCheck check);
    // Whether the printer writes into a PDF file for want of a system printer.
    bool printsToPdf() const { return m_pdfOnly; }

    // "Quillet - <shown title>" in a form safe for file names.
    static QString documentName(Deck* deck);
    // Card options on paper: the list options of the profile's settings, white faces without
    // wood or card image, letters spaced at 105 % and the watermark.
    static CardState printCardState(Profile* profile);
    // Cards of `side` = pageSize width / perRow pixels, row by row, a new page when the next row
    // would not fit. No page is begun after the last card.
    static QList<Placement> layoutCards(int count, const QSize& pageSize, int perRow);
    // Paints the cards onto the painter's device page by page (newPage() between pages) and
    // returns the number of pages used.
    static int paintCards(QPainter* painter, const QSize& pageSize, const QList<DeckCard*>& cards,
                          int perRow, const CardState& state, const std::function<void()>& newPage);
    // The cards printed for a deck: its own, or those of every deck below a folder in tree order.
    static QList<DeckCard*> cardsToPrint(Deck* deck);
    // Paints every card of the deck (of all decks below a folder) onto the printer; the pages
    // printed, or -1 when the printer could not be opened (a PDF file that cannot be written) or
    // reported an error.
    static int paintDeck(QPrinter* printer, Deck* deck, int perRow);

public slots:
    void printCardDialog_paintRequested(QPrinter* printer);

private:
    void reportFailure();
    QWidget* m_dialogParent;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<PrintCardDialog> m_dialog;
    QPointer<Deck> m_currentDeck;
    PrinterCheck m_printerCheck;
    // The printer writes PDF files because the system had no printer when it was made.
    bool m_pdfOnly = false;
};

} // namespace korvo
