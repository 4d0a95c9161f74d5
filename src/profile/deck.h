#pragma once

#include "dictionary/transferoptions.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QSqlQuery;
class QStandardItem;

namespace korvo {

class DeckCard;
class KnowledgeUnit;
class Profile;

// A deck of cards or a folder of decks in the user's deck tree; the invisible root folder is a
// deck too. Decks are created only through Profile::newDeck and owned by the profile's deck
// registry; the child and card lists hold borrowed pointers. A dropped deck is marked disposed
// and deleted by the registry later.
class Deck : public QObject
{
    Q_OBJECT

public:
    // Parent id of the root folder, which has no parent.
    static constexpr int RootParentId = -22;

    explicit Deck(Profile* profile);

    Profile* profile() const { return m_profile; }
    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    bool isFolder() const { return m_isFolder; }
    void setFolder(bool isFolder) { m_isFolder = isFolder; }
    int parentId() const { return m_parentId; }
    void setParentId(int parentId) { m_parentId = parentId; }
    bool isRoot() const { return m_isRoot; }
    void setRoot(bool isRoot) { m_isRoot = isRoot; }
    bool isDisposed() const { return m_disposed; }
    bool cardsPending() const { return m_cardsPending; }

    // Reads the deck from the current row of a Decks query; a folder reads its whole subtree at
    // once, a deck only notes that its cards are to be read on first use.
    void load(const QSqlQuery& query);
    void loadCards();

    QList<DeckCard*> cards();
    int cardCount();
    int indexOfCard(int cardId);
    void appendCard(DeckCard* card);
    // Writes the card's row (insert or update; kept by the profile for a later attempt when the
    // file cannot be written) and announces the changed card list.
    void saveCard(DeckCard* card);
    // Makes a card for the unit in this deck and stores it.
    DeckCard* addKnowledgeUnit(KnowledgeUnit* unit);
    // Moves a card into the gap before the card now at newIndex (at or past the end: to the
    // end). In memory only; saving the deck with its card order stores it.
    void moveCard(int cardId, int newIndex);
    void removeCard(int cardId);
    // Deletes the card's row (now or, when the file cannot be written, later); its knowledge
    // unit stays.
    void deleteCard(int cardId);

    QList<Deck*> children() const { return m_children; }
    void addChild(Deck* deck);
    void insertChild(Deck* deck, int index);
    void removeChild(Deck* deck);
    void clearChildren();
    Deck* findDeck(int id, bool recursive);
    // Depth first in child order, folders included when asked.
    void collectDecks(QList<Deck*>& out, bool includeFolders);
    // The cards of this deck, or of every deck below this folder, each once.
    void allCards(QList<DeckCard*>& out);

    // Deletes the rows of this deck, its cards (and the user's own units of them) and of
    // everything below it, in one transaction; all or nothing. Returns whether it was committed.
    bool remove();
    // Releases this deck, its cards and its subtree; the registry deletes them later.
    void dispose(bool detachFromParent);

    QString title() const { return m_title; }
    // Stores a typed title unless it is the shown form of the current one, so that a built-in
    // placeholder survives an editor that hands back the shown text unchanged.
    void setTitle(const QString& title);
    // The title as shown: built-in placeholders translated, anything else unchanged.
    QString displayTitle() const;
    QString uuid();
    void setUuid(const QString& uuid) { m_uuid = uuid; }
    QDateTime creationDate();
    void setCreationDate(const QDateTime& date) { m_creationDate = date; }
    QDateTime updateDate();
    void setUpdateDate(const QDateTime& date) { m_updateDate = date; }
    // Turns a fresh deck into the invisible root folder with the profile's root identifier.
    void makeRoot();

    // Deck files and drags: this deck with everything below it as a JSON object, and back
    // (fromMap stores this fresh deck and all it reads). Implemented in decktransfer.cpp.
    QVariantMap toMap(const TransferOptions& options, bool withHeader);
    QString toJson(const TransferOptions& options, bool withHeader);
    bool fromJson(const QString& text, const TransferOptions& options);
    bool fromMap(const QVariantMap& map, const TransferOptions& options);

    // Skin image shown for folders and for decks in deck trees.
    static QString iconFileName(bool isFolder);
    // A new item for the deck tree of the deck manager with this deck's subtree: the shown
    // title, the deck id in Qt::UserRole and the skin icon from skinFolder. The caller owns it.
    QStandardItem* treeItem(const QString& skinFolder);

private:
    Profile* m_profile;
    int m_id = -1;
    QString m_title;
    QList<DeckCard*> m_cards;
    bool m_cardsPending = false;
    QList<Deck*> m_children;
    bool m_isFolder = false;
    int m_parentId = 0;
    QString m_uuid;
    bool m_isRoot = false;
    QDateTime m_updateDate;
    QDateTime m_creationDate;
    bool m_disposed = false;
};

} // namespace korvo
