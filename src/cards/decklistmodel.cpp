#include "cards/decklistmodel.h"

#include "profile/deck.h"
#include "profile/profile.h"
#include "text/translationcatalogue.h"

namespace korvo {

DeckListModel::DeckListModel(Profile* profile, const QList<Deck*>& decks, QObject* parent)
    : QAbstractListModel(parent), m_profile(profile)
{
    setObjectName(QStringLiteral("deckListModel"));
    for (Deck* deck : decks) {
        if (deck)
            m_deckIds.append(deck->id());
    }
}

Deck* DeckListModel::deckAt(int row) const
{
    if (!m_profile || row < 0 || row >= m_deckIds.size())
        return nullptr;
    return m_profile->deckById(m_deckIds.at(row));
}

int DeckListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_deckIds.size());
}

QVariant DeckListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= m_deckIds.size())
        return QVariant();
    Deck* deck = deckAt(index.row());
    return deck ? deck->displayTitle() : translate(QStringLiteral("Error"));
}

} // namespace korvo
