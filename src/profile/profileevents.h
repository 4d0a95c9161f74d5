#pragma once

#include <QObject>

namespace korvo {

// Announcements about stored cards and knowledge units that the program shows elsewhere. The
// profile owns one instance and raises these signals from its deck and card operations; the
// application object relays them as its own signals, tests watch them directly, so the profile
// layer never needs the application object.
class ProfileEvents : public QObject
{
    Q_OBJECT

public:
    explicit ProfileEvents(QObject* parent = nullptr) : QObject(parent) {}

signals:
    // The list of cards of the deck with this id changed (card added, removed or deleted).
    void deckCardCollectionChanged(int deckId);
    // The stored knowledge unit with this id was updated.
    void knowledgeUnitChanged(int knowledgeUnitId);
};

} // namespace korvo
