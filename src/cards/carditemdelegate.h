#pragma once

#include <QStyledItemDelegate>

namespace korvo {

class Profile;

// Paints the rows of CardListModel and DeckListModel as square cards with paintCard(), in the
// options the user chose for card lists. Owned by the view it is set on (or its parent); the
// profile is borrowed.
class CardItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CardItemDelegate(Profile* profile, QObject* parent = nullptr);

    // The object a row shows: the deck of a deck list row, else the card held by the row's
    // display data; none when the row has no live object.
    static QObject* objectForIndex(const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Profile* m_profile;
};

} // namespace korvo
