#pragma once

#include <QPersistentModelIndex>
#include <QSet>
#include <QTreeView>

class QMimeData;
class QStandardItemModel;

namespace korvo {

class Deck;
class DeckCard;
class Profile;

// The deck manager's deck tree: one item per deck or folder, built by the decks themselves.
// Decks and folders are moved by dragging them inside the tree, into folders only (a deck never
// holds decks); the new order is stored at once. Cards dragged out of the card list are dropped
// on a deck other than their own and move to the end of it. Owned by its parent widget; the
// decks and the profile are borrowed.
class DeckTreeWidget : public QTreeView
{
    Q_OBJECT

public:
    // Where a dragged deck would land.
    struct DeckDropTarget
    {
        Deck* parent = nullptr; // the folder (or root) receiving the deck; none when refused
        int index = -1;         // position among the folder's children
    };

    // MIME type of a dragged tree item; the data is the deck id in decimal.
    static const QString DeckMimeType;

    explicit DeckTreeWidget(QWidget* parent = nullptr);

    void setProfile(Profile* profile) { m_profile = profile; }
    Profile* profile() const { return m_profile; }
    QStandardItemModel* treeModel() const { return m_model; }

    // Replaces the items by the root's children; the folders listed in `expanded` are opened
    // (every folder when expandAll is set).
    void rebuild(Deck* root, const QSet<int>& expanded, bool expandAll);
    // Ids of the folders whose items are open.
    QSet<int> expandedDeckIds() const;
    QModelIndex indexOfDeck(int deckId) const;
    Deck* deckAt(const QModelIndex& index) const;
    // The deck of the selected item, or none.
    Deck* selectedDeck() const;
    // Selects the deck's item (and opens the folders above it); false when it has none.
    bool selectDeck(int deckId);
    // Shows the deck's current title in its item.
    void refreshDeck(int deckId);

    // What a drag of the deck carries.
    QMimeData* deckDragData(Deck* deck) const;
    // Where the dragged deck would land for a pointer at `position` (viewport coordinates).
    DeckDropTarget deckDropTarget(Deck* dragged, const QPoint& position) const;
    // The deck that a dragged card would be dropped on, or none when the drop is refused.
    Deck* cardDropTarget(const QString& cardJson, const QPoint& position) const;
    // Id of the deck shown as the target of a card drag, or -1.
    int cardDropHighlight() const;

public slots:
    void application_startDraggingObject(QObject* object);
    void application_stopDraggingObject(QObject* object);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    enum class DragKind { None, Deck, Card };
    DragKind dragKind(const QMimeData* data) const;
    Deck* draggedDeck(const QMimeData* data) const;
    void setCardDropHighlight(const QModelIndex& index);
    void setDeckDropIndicator(const QRect& rect, bool onItem);
    void clearDropFeedback();
    void moveDeck(Deck* deck, const DeckDropTarget& target);
    void moveCard(DeckCard* card, Deck* target);

    QStandardItemModel* m_model;
    Profile* m_profile = nullptr;
    QPersistentModelIndex m_cardDropHighlight;
    QRect m_deckDropIndicator;
    bool m_deckDropOnItem = false;
};

} // namespace korvo
