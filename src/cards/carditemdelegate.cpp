#include "cards/carditemdelegate.h"

#include "cards/cardpainter.h"
#include "cards/cardstate.h"
#include "cards/decklistmodel.h"
#include "profile/deck.h"
#include "profile/profile.h"

#include <QPainter>

namespace korvo {

CardItemDelegate::CardItemDelegate(Profile* profile, QObject* parent)
    : QStyledItemDelegate(parent), m_profile(profile)
{
}

QObject* CardItemDelegate::objectForIndex(const QModelIndex& index)
{
    const QAbstractItemModel* model = index.model();
    if (!model)
        return nullptr;
    if (model->objectName().contains(QLatin1String("deckListModel"))) {
        auto* deckModel = qobject_cast<const DeckListModel*>(model);
        return deckModel ? deckModel->deckAt(index.row()) : nullptr;
    }
    return index.data(Qt::DisplayRole).value<QObject*>();
}

void CardItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    painter->save();
    if (QObject* object = objectForIndex(index)) {
        CardPainterFlags flags;
        flags.hasFocus = option.state.testFlag(QStyle::State_HasFocus);
        flags.selected = option.state.testFlag(QStyle::State_Selected);
        paintCard(object, painter, option.rect, listCardState(m_profile), flags);
    }
    painter->restore();
}

QSize CardItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    int side = 120;
    if (m_profile)
        side = m_profile->setting(QStringLiteral("cardItemDelegate.width"), side).toInt();
    return QSize(side, side);
}

} // namespace korvo
