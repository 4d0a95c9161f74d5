#include "ui/decktreewidget.h"

#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "style/style.h"
#include "text/json.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QStandardItemModel>

#include <functional>

namespace korvo {

const QString DeckTreeWidget::DeckMimeType = QStringLiteral("application/x-quillet-deck-id");

namespace {

const QColor DropColor(0, 159, 255);

// Calls `visit` for every index below `parent`, depth first in row order.
void forEachIndex(const QAbstractItemModel* model, const QModelIndex& parent,
                  const std::function<void(const QModelIndex&)>& visit)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        visit(index);
        forEachIndex(model, index, visit);
    }
}

} // namespace

DeckTreeWidget::DeckTreeWidget(QWidget* parent) : QTreeView(parent)
{
    m_model = new QStandardItemModel(this);
    setModel(m_model);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    // The tree paints its own drop feedback: the toolkit's indicator knows nothing of the rule
    // that only folders take decks.
    setDropIndicatorShown(false);
}

void DeckTreeWidget::rebuild(Deck* root, const QSet<int>& expanded, bool expandAll)
{
    m_cardDropHighlight = QPersistentModelIndex();
    m_deckDropIndicator = QRect();
    m_model->clear();
    if (!root)
        return;
    const QString skinFolder = Style::skinFolder();
    for (Deck* child : root->children())
        m_model->appendRow(child->treeItem(skinFolder));
    forEachIndex(m_model, QModelIndex(), [&](const QModelIndex& index) {
        if (!m_model->hasChildren(index))
            return;
        const int id = index.data(Qt::UserRole).toInt();
        if (expandAll || expanded.contains(id))
            setExpanded(index, true);
    });
}

QSet<int> DeckTreeWidget::expandedDeckIds() const
{
    QSet<int> ids;
    forEachIndex(m_model, QModelIndex(), [&](const QModelIndex& index) {
        if (isExpanded(index))
            ids.insert(index.data(Qt::UserRole).toInt());
    });
    return ids;
}

QModelIndex DeckTreeWidget::indexOfDeck(int deckId) const
{
    QModelIndex found;
    forEachIndex(m_model, QModelIndex(), [&](const QModelIndex& index) {
        if (!found.isValid() && index.data(Qt::UserRole).toInt() == deckId)
            found = index;
    });
    return found;
}

Deck* DeckTreeWidget::deckAt(const QModelIndex& index) const
{
    if (!index.isValid() || !m_profile)
        return nullptr;
    const QVariant id = index.data(Qt::UserRole);
    if (!id.isValid())
        return nullptr;
    Deck* deck = m_profile->deckById(id.toInt());
    return deck && !deck->isRoot() ? deck : nullptr;
}

Deck* DeckTreeWidget::selectedDeck() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : deckAt(selected.first());
}

bool DeckTreeWidget::selectDeck(int deckId)
{
    const QModelIndex index = indexOfDeck(deckId);
    if (!index.isValid())
        return false;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        setExpanded(parent, true);
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

void DeckTreeWidget::refreshDeck(int deckId)
{
    const QModelIndex index = indexOfDeck(deckId);
    Deck* deck = deckAt(index);
    if (deck)
        m_model->setData(index, deck->displayTitle(), Qt::DisplayRole);
}

QMimeData* DeckTreeWidget::deckDragData(Deck* deck) const
{
    auto* data = new QMimeData;
    if (deck)
        data->setData(DeckMimeType, QByteArray::number(deck->id()));
    return data;
}

DeckTreeWidget::DragKind DeckTreeWidget::dragKind(const QMimeData* data) const
{
    if (!data)
        return DragKind::None;
    if (data->hasFormat(DeckMimeType))
        return DragKind::Deck;
    if (data->hasText()) {
        bool ok = false;
        const QVariant value = readJson(data->text(), &ok);
        if (ok && value.typeId() == QMetaType::QVariantMap &&
            value.toMap().value(QStringLiteral("type")).toString().toLower() ==
                QLatin1String("card"))
            return DragKind::Card;
    }
    return DragKind::None;
}

Deck* DeckTreeWidget::draggedDeck(const QMimeData* data) const
{
    if (!data || !m_profile)
        return nullptr;
    bool ok = false;
    const int id = QString::fromLatin1(data->data(DeckMimeType)).toInt(&ok);
    if (!ok || id <= 0)
        return nullptr;
    return m_profile->deckById(id);
}

DeckTreeWidget::DeckDropTarget DeckTreeWidget::deckDropTarget(Deck* dragged,
                                                              const QPoint& position) const
{
    DeckDropTarget target;
    if (!dragged || !m_profile || !m_profile->rootDeck())
        return target;
    Deck* root = m_profile->rootDeck();
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) {
        // Below the last item: the end of the tree.
        target.parent = root;
        target.index = int(root->children().size());
    } else {
        Deck* over = deckAt(index);
        if (!over)
            return target;
        const QRect rect = visualRect(index);
        const int margin = qBound(2, qRound(rect.height() / 5.5), 12);
        const bool above = position.y() - rect.top() < margin;
        const bool below = !above && rect.bottom() - position.y() < margin;
        if (!above && !below) {
            // On the item: only a folder takes the deck, as its last child.
            if (!over->isFolder())
                return target;
            target.parent = over;
            target.index = int(over->children().size());
        } else if (below && over->isFolder() && isExpanded(index) && !over->children().isEmpty()) {
            // Below an open folder is in front of its first child.
            target.parent = over;
            target.index = 0;
        } else {
            Deck* parent = over->parentId() > 0 ? m_profile->deckById(over->parentId()) : root;
            if (!parent)
                return target;
            target.parent = parent;
            target.index = int(parent->children().indexOf(over)) + (below ? 1 : 0);
        }
    }
    // A folder never goes inside itself.
    if (target.parent == dragged || dragged->findDeck(target.parent->id(), true))
        return DeckDropTarget();
    return target;
}

Deck* DeckTreeWidget::cardDropTarget(const QString& cardJson, const QPoint& position) const
{
    if (!m_profile)
        return nullptr;
    bool ok = false;
    const QVariantMap map = readJson(cardJson, &ok).toMap();
    if (!ok || map.value(QStringLiteral("type")).toString().toLower() != QLatin1String("card"))
        return nullptr;
    DeckCard* card = m_profile->deckCardById(map.value(QStringLiteral("id")).toInt());
    if (!card)
        return nullptr;
    Deck* deck = deckAt(indexAt(position));
    if (!deck || deck->isFolder() || deck->id() == card->deckId())
        return nullptr;
    return deck;
}

int DeckTreeWidget::cardDropHighlight() const
{
    const Deck* deck = deckAt(m_cardDropHighlight);
    return deck ? deck->id() : -1;
}

void DeckTreeWidget::application_startDraggingObject(QObject* object) {}

void DeckTreeWidget::application_stopDraggingObject(QObject* object)
{
    clearDropFeedback();
}

void DeckTreeWidget::startDrag(Qt::DropActions supportedActions)
{
    const QModelIndex index = currentIndex();
    QPointer<Deck> deck = deckAt(index);
    if (!deck)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(deckDragData(deck));
    const QRect rect = visualRect(index);
    if (!rect.isEmpty())
        drag->setPixmap(viewport()->grab(rect));
    application_startDraggingObject(deck);
    // The drop stores the move itself (see dropEvent), so nothing is left to do afterwards.
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    application_stopDraggingObject(deck);
}

void DeckTreeWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (dragKind(event->mimeData()) == DragKind::None) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void DeckTreeWidget::dragMoveEvent(QDragMoveEvent* event)
{
    const QPoint position = event->position().toPoint();
    switch (dragKind(event->mimeData())) {
    case DragKind::Deck: {
        const DeckDropTarget target = deckDropTarget(draggedDeck(event->mimeData()), position);
        if (!target.parent)
            break;
        const QModelIndex index = indexAt(position);
        if (!index.isValid()) {
            const QModelIndex last = m_model->index(m_model->rowCount() - 1, 0);
            QRect rect = visualRect(last);
            setDeckDropIndicator(QRect(0, rect.bottom() + 1, viewport()->width(), 1), false);
        } else {
            const QRect rect = visualRect(index);
            const bool onItem =
                target.parent == deckAt(index) && target.index == target.parent->children().size();
            if (onItem)
                setDeckDropIndicator(rect, true);
            else if (target.parent == deckAt(index) ||
                     position.y() - rect.top() >= rect.height() / 2)
                setDeckDropIndicator(QRect(rect.left(), rect.bottom() + 1, rect.width(), 1), false);
            else
                setDeckDropIndicator(QRect(rect.left(), rect.top(), rect.width(), 1), false);
        }
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    case DragKind::Card:
        if (cardDropTarget(event->mimeData()->text(), position)) {
            setCardDropHighlight(indexAt(position));
            event->setDropAction(Qt::MoveAction);
            event->accept();
            return;
        }
        break;
    case DragKind::None:
        break;
    }
    clearDropFeedback();
    event->ignore();
}

void DeckTreeWidget::dragLeaveEvent(QDragLeaveEvent* event)
{
    clearDropFeedback();
    event->accept();
}

void DeckTreeWidget::dropEvent(QDropEvent* event)
{
    clearDropFeedback();
    const QPoint position = event->position().toPoint();
    switch (dragKind(event->mimeData())) {
    case DragKind::Deck: {
        Deck* deck = draggedDeck(event->mimeData());
        const DeckDropTarget target = deckDropTarget(deck, position);
        if (!target.parent)
            break;
        event->setDropAction(Qt::MoveAction);
        event->accept();
        moveDeck(deck, target);
        return;
    }
    case DragKind::Card: {
        Deck* target = cardDropTarget(event->mimeData()->text(), position);
        if (!target)
            break;
        const QVariantMap map = readJson(event->mimeData()->text()).toMap();
        DeckCard* card = m_profile->deckCardById(map.value(QStringLiteral("id")).toInt());
        event->setDropAction(Qt::MoveAction);
        event->accept();
        moveCard(card, target);
        return;
    }
    case DragKind::None:
        break;
    }
    event->ignore();
}

void DeckTreeWidget::moveDeck(Deck* deck, const DeckDropTarget& target)
{
    Deck* oldParent =
        deck->parentId() > 0 ? m_profile->deckById(deck->parentId()) : m_profile->rootDeck();
    int index = target.index;
    if (oldParent == target.parent) {
        const int oldIndex = int(oldParent->children().indexOf(deck));
        // Dropped back into the gap it came from.
        if (index == oldIndex || index == oldIndex + 1)
            return;
        if (oldIndex >= 0 && oldIndex < index)
            --index;
    }
    target.parent->insertChild(deck, index);
    // Stores parent and order of the whole tree; the tree is rebuilt when that is announced.
    m_profile->renumberDecks();
}

void DeckTreeWidget::moveCard(DeckCard* card, Deck* target)
{
    if (!card || !target)
        return;
    if (Deck* source = card->deck())
        source->removeCard(card->id());
    target->appendCard(card);
    target->saveCard(card);
    // The card's place at the end of its new deck is stored too, so it is still last there
    // after the next start.
    m_profile->saveDeck(target, true, false);
}

void DeckTreeWidget::setCardDropHighlight(const QModelIndex& index)
{
    if (QPersistentModelIndex(index) == m_cardDropHighlight)
        return;
    m_cardDropHighlight = index;
    m_deckDropIndicator = QRect();
    viewport()->update();
}

void DeckTreeWidget::setDeckDropIndicator(const QRect& rect, bool onItem)
{
    if (rect == m_deckDropIndicator && onItem == m_deckDropOnItem)
        return;
    m_deckDropIndicator = rect;
    m_deckDropOnItem = onItem;
    m_cardDropHighlight = QPersistentModelIndex();
    viewport()->update();
}

void DeckTreeWidget::clearDropFeedback()
{
    if (!m_cardDropHighlight.isValid() && m_deckDropIndicator.isNull())
        return;
    m_cardDropHighlight = QPersistentModelIndex();
    m_deckDropIndicator = QRect();
    viewport()->update();
}

void DeckTreeWidget::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    // The deck a dragged card would go to is shown selected while the pointer is over it.
    if (m_cardDropHighlight.isValid() && index.row() == m_cardDropHighlight.row() &&
        index.parent() == m_cardDropHighlight.parent()) {
        QStyleOptionViewItem highlighted = option;
        highlighted.state |= QStyle::State_Selected;
        QTreeView::drawRow(painter, highlighted, index);
        return;
    }
    QTreeView::drawRow(painter, option, index);
}

void DeckTreeWidget::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    if (m_deckDropIndicator.isNull())
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(DropColor, 2));
    painter.setBrush(Qt::NoBrush);
    if (m_deckDropOnItem)
        painter.drawRect(m_deckDropIndicator.adjusted(1, 1, -1, -1));
    else
        painter.drawLine(m_deckDropIndicator.topLeft(), m_deckDropIndicator.topRight());
}

} // namespace korvo
