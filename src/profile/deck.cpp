#include "profile/deck.h"

#include "dictionary/statementbuilder.h"
#include "profile/builtindecks.h"
#include "profile/deckcard.h"
#include "profile/profile.h"

#include <QDir>
#include <QIcon>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItem>
#include <QVariant>

#include <utility>

namespace korvo {

namespace {

QDateTime dateFromColumn(const QSqlRecord& record, const QString& name)
{
    const QVariant value = record.value(name);
    if (value.isNull())
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

} // namespace

Deck::Deck(Profile* profile) : m_profile(profile) {}

void Deck::load(const QSqlQuery& query)
{
    const QSqlRecord record = query.record();
    m_id = record.value(QStringLiteral("id")).toInt();
    m_title = record.value(QStringLiteral("title")).toString();
    m_isFolder = record.value(QStringLiteral("isFolder")).toInt() == 1;
    m_uuid = record.value(QStringLiteral("uuid")).toString();
    m_creationDate = dateFromColumn(record, QStringLiteral("creationDate"));
    m_updateDate = dateFromColumn(record, QStringLiteral("updateDate"));
    if (!m_isFolder) {
        m_cardsPending = true;
        return;
    }
    QSqlQuery children(m_profile->database());
    children.prepare(
        QStringLiteral("SELECT * FROM Decks WHERE parentId = :deckId ORDER BY sortOrder"));
    children.bindValue(QStringLiteral(":deckId"), m_id);
    if (!children.exec())
        return;
    while (children.next()) {
        Deck* child = m_profile->newDeck();
        child->load(children);
        if (Deck* oldParent = m_profile->deckById(child->parentId());
            oldParent && oldParent != this)
            oldParent->removeChild(child);
        m_children.append(child);
        child->m_parentId = m_id;
    }
}

void Deck::loadCards()
{
    if (!m_cardsPending)
        return;
    m_cardsPending = false;
    QSqlQuery query(m_profile->database());
    query.prepare(QStringLiteral("SELECT * FROM Cards WHERE deckId = :deckId ORDER BY sortOrder"));
    query.bindValue(QStringLiteral(":deckId"), m_id);
    if (!query.exec())
        return;
    while (query.next()) {
        DeckCard* card = m_profile->newDeckCard(m_id);
        card->load(query);
        m_cards.append(card);
    }
}

QList<DeckCard*> Deck::cards()
{
    loadCards();
    return m_cards;
}

int Deck::cardCount()
{
    loadCards();
    return m_cards.size();
}

int Deck::indexOfCard(int cardId)
{
    loadCards();
    for (int i = 0; i < m_cards.size(); ++i) {
        if (m_cards.at(i)->id() == cardId)
            return i;
    }
    return -1;
}

void Deck::appendCard(DeckCard* card)
{
    loadCards();
    m_cards.append(card);
    m_profile->notifyDeckCardCollectionChanged(m_id);
}

void Deck::saveCard(DeckCard* card)
{
    if (!card)
        return;
    loadCards();
    const bool isNew = card->id() < 1;
    // The row is written now, or kept by the profile and written as soon as it can be.
    m_profile->storeCard(this, card);
    card->setDeckId(m_id);
    if (isNew && !m_cards.contains(card))
        m_cards.append(card);
    m_profile->notifyDeckCardCollectionChanged(m_id);
}

DeckCard* Deck::addKnowledgeUnit(KnowledgeUnit* unit)
{
    DeckCard* card = m_profile->newDeckCard(m_id);
    card->setKnowledgeUnit(unit);
    saveCard(card);
    return card;
}

void Deck::moveCard(int cardId, int newIndex)
{
    const int oldIndex = indexOfCard(cardId);
    if (newIndex < 0 || oldIndex < 0 || newIndex == oldIndex || newIndex == oldIndex + 1)
        return;
    DeckCard* card = m_cards.at(oldIndex);
    if (newIndex >= m_cards.size()) {
        m_cards.removeAt(oldIndex);
        m_cards.append(card);
        return;
    }
    m_cards.insert(newIndex, card);
    m_cards.removeAt(newIndex < oldIndex ? oldIndex + 1 : oldIndex);
}

void Deck::removeCard(int cardId)
{
    const int index = indexOfCard(cardId);
    if (index < 0)
        return;
    m_cards.removeAt(index);
    m_profile->notifyDeckCardCollectionChanged(m_id);
}

void Deck::deleteCard(int cardId)
{
    // The cards are read before the row goes: read afterwards, the list would never hold the
    // card, and a list showing this deck would not hear that it changed.
    loadCards();
    if (cardId > 0)
        m_profile->deleteRows({cardId});

    bool changed = false;
    const int index = indexOfCard(cardId);
    if (index >= 0) {
        m_cards.removeAt(index);
        changed = true;
    }
    if (DeckCard* card = m_profile->deckCardById(cardId)) {
        card->dispose();
        changed = true;
    }
    if (changed)
        m_profile->notifyDeckCardCollectionChanged(m_id);
}

void Deck::addChild(Deck* deck)
{
    if (Deck* parent = m_profile->deckById(deck->parentId()))
        parent->removeChild(deck);
    m_children.append(deck);
    deck->m_parentId = m_id;
}

void Deck::insertChild(Deck* deck, int index)
{
    if (Deck* parent = m_profile->deckById(deck->parentId()))
        parent->removeChild(deck);
    if (index < 0)
        index = 0;
    if (index < m_children.size())
        m_children.insert(index, deck);
    else
        m_children.append(deck);
    deck->m_parentId = m_id;
}

void Deck::removeChild(Deck* deck)
{
    const int id = deck->id();
    for (int i = m_children.size() - 1; i >= 0; --i) {
        if (m_children.at(i)->id() == id) {
            m_children.at(i)->m_parentId = 0;
            m_children.removeAt(i);
        }
    }
}

void Deck::clearChildren()
{
    for (Deck* child : std::as_const(m_children))
        child->m_parentId = 0;
    m_children.clear();
}

Deck* Deck::findDeck(int id, bool recursive)
{
    for (Deck* child : std::as_const(m_children)) {
        if (child->id() == id)
            return child;
        if (recursive) {
            if (Deck* found = child->findDeck(id, true))
                return found;
        }
    }
    return nullptr;
}

void Deck::collectDecks(QList<Deck*>& out, bool includeFolders)
{
    for (Deck* child : std::as_const(m_children)) {
        if (includeFolders || !child->isFolder())
            out.append(child);
        child->collectDecks(out, includeFolders);
    }
}

void Deck::allCards(QList<DeckCard*>& out)
{
    if (!m_isFolder) {
        loadCards();
        out.append(m_cards);
        return;
    }
    QList<Deck*> decks;
    collectDecks(decks, false);
    QSet<DeckCard*> seen(out.cbegin(), out.cend());
    for (Deck* deck : std::as_const(decks)) {
        for (DeckCard* card : deck->cards()) {
            if (!seen.contains(card)) {
                seen.insert(card);
                out.append(card);
            }
        }
    }
}

bool Deck::remove()
{
    QSqlDatabase database = m_profile->database();
    beginTransaction(database);
    loadCards();
    bool ok = true;
    for (DeckCard* card : std::as_const(m_cards))
        ok = ok && card->remove();
    for (Deck* child : std::as_const(m_children))
        ok = ok && child->remove();
    if (ok && m_id > 0) {
        QSqlQuery query(database);
        query.prepare(QStringLiteral("DELETE FROM Decks WHERE id = :id"));
        query.bindValue(QStringLiteral(":id"), m_id);
        ok = query.exec();
    }
    return Profile::finishTransaction(database, ok);
}

void Deck::dispose(bool detachFromParent)
{
    for (DeckCard* card : std::as_const(m_cards))
        card->dispose();
    m_cards.clear();
    for (Deck* child : std::as_const(m_children))
        child->dispose(false);
    m_children.clear();
    if (detachFromParent) {
        Deck* parent = m_profile->deckById(m_parentId);
        if (parent && parent != this && !parent->isDisposed())
            parent->removeChild(this);
    }
    m_disposed = true;
}

void Deck::setTitle(const QString& title)
{
    if (title == displayTitle())
        return;
    m_title = title;
}

QString Deck::displayTitle() const
{
    return builtInDisplayTitle(m_title);
}

QString Deck::uuid()
{
    if (m_uuid.isEmpty())
        m_uuid = generateUuid();
    return m_uuid;
}

QDateTime Deck::creationDate()
{
    if (!m_creationDate.isValid())
        m_creationDate = QDateTime::currentDateTimeUtc();
    return m_creationDate;
}

QDateTime Deck::updateDate()
{
    if (!m_updateDate.isValid())
        m_updateDate = creationDate();
    return m_updateDate;
}

void Deck::makeRoot()
{
    m_id = 0;
    m_isFolder = true;
    m_parentId = RootParentId;
    m_isRoot = true;
    QString rootUuid = m_profile->setting(QStringLiteral("rootDeckUuid"), QString()).toString();
    if (rootUuid.isEmpty()) {
        rootUuid = generateUuid();
        m_profile->setSetting(QStringLiteral("rootDeckUuid"), rootUuid);
    }
    m_uuid = rootUuid;
}

QString Deck::iconFileName(bool isFolder)
{
    return isFolder ? QStringLiteral("FolderIcon.png") : QStringLiteral("DeckIcon.png");
}

QStandardItem* Deck::treeItem(const QString& skinFolder)
{
    auto* item = new QStandardItem(displayTitle());
    item->setData(m_id, Qt::UserRole);
    item->setIcon(QIcon(QDir(skinFolder).filePath(iconFileName(m_isFolder))));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
                   Qt::ItemIsEnabled);
    if (m_isFolder) {
        for (Deck* child : std::as_const(m_children))
            item->appendRow(child->treeItem(skinFolder));
    }
    return item;
}

} // namespace korvo
