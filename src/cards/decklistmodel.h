#pragma once

#include <QAbstractListModel>
#include <QList>

namespace korvo {

class Deck;
class Profile;

// A list of decks as rows, painted as cards showing their titles (deck pickers such as the
// session set-up dialog). Keeps only the deck ids, in the order given, and finds the live deck
// of a row through the profile; decks are owned by the profile's registry.
class DeckListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    DeckListModel(Profile* profile, const QList<Deck*>& decks, QObject* parent = nullptr);

    QList<int> deckIds() const { return m_deckIds; }
    // The live deck of a row, or none when it no longer exists.
    Deck* deckAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    Profile* m_profile;
    QList<int> m_deckIds;
};

} // namespace korvo
