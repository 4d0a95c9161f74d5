#include "cards/cardlistmodel.h"

#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"

namespace korvo {

CardListModel::CardListModel(Profile* profile, int deckId, QObject* parent)
    : QAbstractListModel(parent), m_profile(profile), m_deckId(deckId)
{
    setObjectName(QStringLiteral("cardListModel"));
}

DeckCard* CardListModel::cardAt(int row) const
{
    Deck* deck = m_profile ? m_profile->deckById(m_deckId) : nullptr;
    if (!deck || row < 0 || row >= deck->cardCount())
        return nullptr;
    return deck->cards().at(row);
}

int CardListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_profile)
        return 0;
    Deck* deck = m_profile->deckById(m_deckId);
    return deck ? deck->cardCount() : 0;
}

QVariant CardListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    DeckCard* card = cardAt(index.row());
    if (!card)
        return QVariant();
    return QVariant::fromValue<QObject*>(card);
}

} // namespace korvo
