#include "profile/builtinreadings.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace korvo {

namespace {

const char* const TemplateConnection = "profile:built-in-readings-template";

// The columns of a unit that come from its dictionary entry.
const QStringList EntryColumns = {
    QStringLiteral("uuid"),         QStringLiteral("simplified"),
    QStringLiteral("traditional"),  QStringLiteral("pinyin"),
    QStringLiteral("pinyinMerged"), QStringLiteral("pinyinMergedNoTones"),
    QStringLiteral("definition"),   QStringLiteral("variants"),
};

struct EntryValues
{
    QVariantList values; // in the order of EntryColumns
    QString uuid() const { return values.value(0).toString(); }
    QString simplified() const { return values.value(1).toString(); }
};

struct MisChosenCard
{
    int cardId = 0;
    int unitId = 0;
    QString templateUnit;
};

// The entry of each template card's unit, by card identifier.
bool readTemplate(const QString& path, QHash<QString, EntryValues>* cards)
{
    bool ok = false;
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(TemplateConnection));
        database.setDatabaseName(path);
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (database.open()) {
            QSqlQuery query(database);
            query.setForwardOnly(true);
            ok = query.exec(QStringLiteral("SELECT c.uuid, k.%1 FROM Cards c JOIN KnowledgeUnits k "
                                           "ON k.id = c.kuId")
                                .arg(EntryColumns.join(QStringLiteral(", k."))));
            while (ok && query.next()) {
                EntryValues entry;
                for (int i = 0; i < EntryColumns.size(); ++i)
                    entry.values.append(query.value(i + 1));
                cards->insert(query.value(0).toString(), entry);
            }
            if (!ok)
                qWarning("The profile template %s cannot be read: %s", qPrintable(path),
                         qPrintable(query.lastError().text()));
        } else {
            qWarning("The profile template %s cannot be opened: %s", qPrintable(path),
                     qPrintable(database.lastError().text()));
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(TemplateConnection));
    return ok;
}

int unitWithUuid(QSqlDatabase profile, const QString& uuid)
{
    QSqlQuery query(profile);
    query.prepare(QStringLiteral("SELECT id FROM KnowledgeUnits WHERE uuid = ?"));
    query.addBindValue(uuid);
    return query.exec() && query.next() ? query.value(0).toInt() : 0;
}

bool rewriteUnit(QSqlDatabase profile, int unitId, const EntryValues& entry)
{
    QStringList assignments;
    for (const QString& column : EntryColumns)
        assignments.append(column + QStringLiteral(" = ?"));
    QSqlQuery query(profile);
    query.prepare(QStringLiteral("UPDATE KnowledgeUnits SET %1 WHERE id = ?")
                      .arg(assignments.join(QStringLiteral(", "))));
    for (const QVariant& value : entry.values)
        query.addBindValue(value);
    query.addBindValue(unitId);
    return query.exec();
}

int insertUnit(QSqlDatabase profile, const EntryValues& entry)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QSqlQuery query(profile);
    query.prepare(
        QStringLiteral("INSERT INTO KnowledgeUnits (%1, score, lastTimePracticed, "
                       "owner, creationDate, updateDate) VALUES (%2, 0, 0, 0, ?, ?)")
            .arg(EntryColumns.join(QStringLiteral(", ")),
                 QStringList(EntryColumns.size(), QStringLiteral("?")).join(QStringLiteral(", "))));
    for (const QVariant& value : entry.values)
        query.addBindValue(value);
    query.addBindValue(now);
    query.addBindValue(now);
    return query.exec() ? query.lastInsertId().toInt() : 0;
}

bool moveCard(QSqlDatabase profile, int cardId, int unitId)
{
    QSqlQuery query(profile);
    query.prepare(QStringLiteral("UPDATE Cards SET kuId = ? WHERE id = ?"));
    query.addBindValue(unitId);
    query.addBindValue(cardId);
    return query.exec();
}

} // namespace

int mendBuiltInReadings(QSqlDatabase profile, const QString& templatePath)
{
    // Without a template (a profile opened on its own) there is nothing to compare with.
    if (templatePath.isEmpty() || !QFileInfo::exists(templatePath))
        return 0;
    QHash<QString, EntryValues> templateCards;
    if (!readTemplate(templatePath, &templateCards))
        return -1;

    // Built-in cards whose unit is another entry of the same word than the template's.
    QVector<MisChosenCard> misChosen;
    QHash<int, int> cardsOfUnit;
    QSqlQuery cards(profile);
    cards.setForwardOnly(true);
    if (!cards.exec(QStringLiteral("SELECT c.id, c.uuid, c.kuId, k.uuid, k.simplified FROM Cards c "
                                   "JOIN KnowledgeUnits k ON k.id = c.kuId")))
        return -1;
    while (cards.next()) {
        const int unitId = cards.value(2).toInt();
        ++cardsOfUnit[unitId];
        const auto entry = templateCards.constFind(cards.value(1).toString());
        if (entry != templateCards.cend() && entry->uuid() != cards.value(3).toString() &&
            entry->simplified() == cards.value(4).toString())
            misChosen.append({cards.value(0).toInt(), unitId, entry->uuid()});
    }
    cards.finish();

    QHash<int, int> misChosenOfUnit;
    QHash<int, QString> wantedOfUnit; // the template unit, when all mis-chosen cards agree
    for (const MisChosenCard& card : misChosen) {
        ++misChosenOfUnit[card.unitId];
        const auto wanted = wantedOfUnit.constFind(card.unitId);
        wantedOfUnit[card.unitId] = wanted == wantedOfUnit.cend() || *wanted == card.templateUnit
                                        ? card.templateUnit
                                        : QString();
    }

    QHash<QString, EntryValues> entries;
    for (const EntryValues& entry : std::as_const(templateCards))
        entries.insert(entry.uuid(), entry);
    QHash<int, bool> rewritten;
    for (const MisChosenCard& card : misChosen) {
        if (rewritten.value(card.unitId))
            continue;
        const EntryValues& entry = entries[card.templateUnit];
        int target = unitWithUuid(profile, card.templateUnit);
        const bool onlyThisEntry =
            misChosenOfUnit.value(card.unitId) == cardsOfUnit.value(card.unitId) &&
            wantedOfUnit.value(card.unitId) == card.templateUnit;
        if (target == 0 && onlyThisEntry) {
            if (!rewriteUnit(profile, card.unitId, entry))
                return -1;
            rewritten.insert(card.unitId, true);
            continue;
        }
        if (target == 0)
            target = insertUnit(profile, entry);
        if (target == 0 || !moveCard(profile, card.cardId, target))
            return -1;
    }
    return int(misChosen.size());
}

} // namespace korvo
