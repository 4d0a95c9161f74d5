#pragma once

#include <QAbstractListModel>

namespace korvo {

class DeckCard;
class Profile;

// The cards of one deck as list rows, in the deck's card order, for views painted with
// CardItemDelegate. The display data of a row is the card itself (a QObject pointer, borrowed
// from the profile's card registry). The model holds only the deck id, so a deck that no
// longer exists simply has no rows.
class CardListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    CardListModel(Profile* profile, int deckId, QObject* parent = nullptr);

    int deckId() const { return m_deckId; }
    // The card of a row, or none.
    DeckCard* cardAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    Profile* m_profile;
    int m_deckId;
};

} // namespace korvo
