#pragma once

#include "profile/profile.h"
#include "style/xqwidget.h"

#include <QModelIndex>
#include <QPointer>
#include <QTimer>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QMouseEvent;
class QPushButton;

namespace korvo {

class CardListModel;
class CardPrinter;
class Deck;
class DeckCard;
class DeckFileCommands;
class DeckFileDialogs;
class DeckManagerActionBar;
class DeckTreeWidget;
class Profile;
class XQListView;

// The "Manage Cards" screen: the deck tree, the cards of the selected deck and the deck
// manager's action bar. Decks and cards are created, edited, deleted (after a confirmation),
// printed, exported and imported from here; decks are moved by dragging them in the tree, cards
// by dragging them onto another deck or to another place in the list. Created by the main
// window on first use and owned by it; the root deck and everything in it belong to the profile.
class DeckManagerWidget : public XQWidget
{
    Q_OBJECT

public:
    explicit DeckManagerWidget(QWidget* parent = nullptr);
    ~DeckManagerWidget() override;

    // (Re)builds the tree from the root's children, keeping open folders and the selection.
    void setRootDeck(Deck* root);
    Deck* rootDeck() const { return m_root; }
    DeckManagerActionBar* actionBar() const { return m_actionBar; }
    void printSelectedDeck();
    void retranslate();

    DeckTreeWidget* deckList() const { return m_deckList; }
    XQListView* cardList() const { return m_cardList; }
    QLabel* folderNotice() const { return m_folderNotice; }
    QMenu* deckListContextMenu() const { return m_deckListContextMenu; }
    QMenu* cardListContextMenu() const { return m_cardListContextMenu; }
    // Created on first print.
    CardPrinter* cardPrinter();
    Deck* selectedDeck() const;
    DeckCard* selectedCard() const;
    // The deck whose cards the list shows, or -1.
    int shownDeckId() const { return m_shownDeckId; }
    // Replaces the file dialogs and message boxes of export and import (tests answer them).
    void setDeckFileDialogs(std::unique_ptr<DeckFileDialogs> dialogs);

    // What a card dragged out of the list carries: its JSON with every transfer option, as text.
    static QMimeData* cardDragData(DeckCard* card);

public slots:
    void actionBar_buttonClicked(QPushButton* button);
    void deckList_clicked(const QModelIndex& index);
    void deckList_activated(const QModelIndex& index);
    void deckList_doubleClicked(const QModelIndex& index);
    void cardList_activated(const QModelIndex& index);
    void cardList_doubleClicked(const QModelIndex& index);
    void cardList_selectionChanged();
    void cardList_dragRequest(QMouseEvent* event);
    void cardList_textDropped(const QString& text, int index);
    void deckListContextMenu_actionTriggered(bool checked);
    void cardListContextMenu_actionTriggered(bool checked);
    void application_deckChanged(int deckId);
    void application_deckCardCollectionChanged(int deckId);
    void application_knowledgeUnitChanged(int kuId);
    void timer_updateCardList();

protected:
    void updateLayout() override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void deckList_selectionChanged();
    void deckList_customContextMenuRequested(const QPoint& position);
    void cardList_customContextMenuRequested(const QPoint& position);
    // Reads the entries of the cards on screen and of the next screen in one go, so that
    // painting them does not read them one by one.
    void prefetchVisibleUnits();

private:
    Profile* profile() const;
    // Shows the cards of `deck` (none: an empty list); `reload` makes a new list even for the
    // deck already shown.
    void showDeck(Deck* deck, bool reload = false);
    void updateCardCount();
    void updateButtons();
    QAction* addMenuAction(QMenu* menu, const char* name);

    void newDeck();
    void editSelectedDeck();
    void deleteSelectedDeck();
    void importDeck();
    void exportSelectedDeck();
    void newCard();
    void editSelectedCard();
    void deleteSelectedCard();
    void showSelectedCardStrokes();
    void playSelectedCard();
    DeckFileCommands* fileCommands();

    Deck* m_root = nullptr;
    QPointer<Profile> m_profile;
    DeckManagerActionBar* m_actionBar;
    DeckTreeWidget* m_deckList;
    XQListView* m_cardList;
    CardListModel* m_cardModel = nullptr;
    QLabel* m_folderNotice;
    QMenu* m_deckListContextMenu;
    QMenu* m_cardListContextMenu;
    CardPrinter* m_printer = nullptr;
    std::unique_ptr<DeckFileDialogs> m_fileDialogs;
    std::unique_ptr<DeckFileCommands> m_fileCommands;
    QTimer m_updateCardListTimer;
    int m_shownDeckId = -1;
    int m_selectedDeckId = -1;
    bool m_treeBuilt = false;
    bool m_rebuilding = false;
};

} // namespace korvo
