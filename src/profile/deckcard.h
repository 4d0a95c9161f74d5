#pragma once

#include "dictionary/transferoptions.h"

#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVariantMap>

class QSqlQuery;

namespace korvo {

class Deck;
class KnowledgeUnit;
class Profile;

// One card of a deck: a row of the Cards table showing one knowledge unit. Cards are created
// only through Profile::newDeckCard and owned by the profile's card registry; decks and callers
// hold borrowed pointers. A dropped card is marked disposed and deleted by the registry later.
class DeckCard : public QObject
{
    Q_OBJECT

public:
    DeckCard(Profile* profile, int deckId);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    int kuId() const { return m_kuId; }
    int deckId() const { return m_deckId; }
    void setDeckId(int deckId) { m_deckId = deckId; }
    Profile* profile() const { return m_profile; }
    bool isDisposed() const { return m_disposed; }

    // Reads id, deckId, kuId, uuid and the dates from the current row of a Cards query.
    void load(const QSqlQuery& query);

    // The cached unit, or the unit with kuId from the profile's dictionary (borrowed).
    KnowledgeUnit* knowledgeUnit();
    // Caches the unit (borrowed) and takes its id as kuId (-1 for none).
    void setKnowledgeUnit(KnowledgeUnit* unit);
    // The live deck holding the card, or none.
    Deck* deck() const;

    QString uuid();
    void setUuid(const QString& uuid) { m_uuid = uuid; }
    QDateTime creationDate();
    void setCreationDate(const QDateTime& date) { m_creationDate = date; }
    QDateTime updateDate();
    void setUpdateDate(const QDateTime& date) { m_updateDate = date; }

    // The card as a JSON object of a deck file, and back (fromMap stores a new knowledge unit
    // for the card; the deck's saveCard() stores the card). Implemented in decktransfer.cpp.
    QVariantMap toMap(const TransferOptions& options);
    QString toJson(const TransferOptions& options);
    bool fromMap(const QVariantMap& map, const TransferOptions& options);

    // Deletes the card's row, and the unit's row when the unit is one the user made and no
    // other card shows it; nested in the caller's transaction when there is one. All or
    // nothing: returns whether the deletion was committed (or joined the caller's transaction).
    bool remove();
    void dispose() { m_disposed = true; }

private:
    int m_id = -1;
    int m_kuId = -1;
    KnowledgeUnit* m_knowledgeUnit = nullptr;
    Profile* m_profile;
    int m_deckId;
    bool m_disposed = false;
    QString m_uuid;
    QDateTime m_creationDate;
    QDateTime m_updateDate;
};

} // namespace korvo
