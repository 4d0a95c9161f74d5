#include "profile/deckcard.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "profile/profile.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace korvo {

DeckCard::DeckCard(Profile* profile, int deckId) : m_profile(profile), m_deckId(deckId) {}

void DeckCard::load(const QSqlQuery& query)
{
    const QSqlRecord record = query.record();
    m_id = record.value(QStringLiteral("id")).toInt();
    m_deckId = record.value(QStringLiteral("deckId")).toInt();
    m_kuId = record.value(QStringLiteral("kuId")).toInt();
    m_uuid = record.value(QStringLiteral("uuid")).toString();
    const QVariant creation = record.value(QStringLiteral("creationDate"));
    m_creationDate = creation.isNull()
                         ? QDateTime()
                         : QDateTime::fromMSecsSinceEpoch(creation.toLongLong(), Qt::UTC);
    const QVariant update = record.value(QStringLiteral("updateDate"));
    m_updateDate = update.isNull() ? QDateTime()
                                   : QDateTime::fromMSecsSinceEpoch(update.toLongLong(), Qt::UTC);
}

KnowledgeUnit* DeckCard::knowledgeUnit()
{
    if (!m_knowledgeUnit && m_kuId > 0 && m_profile->dictionary())
        m_knowledgeUnit = m_profile->dictionary()->knowledgeUnit(m_kuId);
    return m_knowledgeUnit;
}

void DeckCard::setKnowledgeUnit(KnowledgeUnit* unit)
{
    m_knowledgeUnit = unit;
    m_kuId = unit ? unit->id() : -1;
}

Deck* DeckCard::deck() const
{
    return m_deckId > 0 ? m_profile->deckById(m_deckId) : nullptr;
}

QString DeckCard::uuid()
{
    if (m_uuid.isEmpty())
        m_uuid = generateUuid();
    return m_uuid;
}

QDateTime DeckCard::creationDate()
{
    if (!m_creationDate.isValid())
        m_creationDate = QDateTime::currentDateTimeUtc();
    return m_creationDate;
}

QDateTime DeckCard::updateDate()
{
    if (!m_updateDate.isValid())
        m_updateDate = creationDate();
    return m_updateDate;
}

bool DeckCard::remove()
{
    QSqlDatabase database = m_profile->database();
    beginTransaction(database);
    bool ok = true;
    KnowledgeUnit* unit = knowledgeUnit();
    if (unit && unit->owner() > 0 && unit->id() > 0) {
        // A unit the user made goes with its card, unless another card still shows it.
        QSqlQuery others(database);
        others.prepare(
            QStringLiteral("SELECT COUNT(*) FROM Cards WHERE kuId = :kuId AND id <> :cardId"));
        others.bindValue(QStringLiteral(":kuId"), unit->id());
        others.bindValue(QStringLiteral(":cardId"), m_id);
        if (others.exec() && others.next() && others.value(0).toInt() == 0) {
            QSqlQuery query(database);
            query.prepare(QStringLiteral("DELETE FROM KnowledgeUnits WHERE id = :id"));
            query.bindValue(QStringLiteral(":id"), unit->id());
            ok = query.exec();
        }
    }
    if (ok && m_id > 0) {
        QSqlQuery query(database);
        query.prepare(QStringLiteral("DELETE FROM Cards WHERE id = :id"));
        query.bindValue(QStringLiteral(":id"), m_id);
        ok = query.exec();
    }
    return Profile::finishTransaction(database, ok);
}

} // namespace korvo
