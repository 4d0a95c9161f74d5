#include "dictionary/similarentries.h"

#include "dictionary/characterinfo.h"
#include "dictionary/dictionary.h"
#include "dictionary/statementbuilder.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QStringList>

namespace korvo {

namespace {

// Characters at this rank or beyond are never proposed as similar.
constexpr int UnrankedCharacter = 20000;

} // namespace

SimilarEntries::SimilarEntries(Dictionary* dictionary) : m_dictionary(dictionary) {}

QList<KnowledgeUnit*> SimilarEntries::randomKnowledgeUnits(Dictionary::TextType type, int count,
                                                           const QString& exclude, int length)
{
    QString field;
    switch (type) {
    case Dictionary::Simplified:
        field = QStringLiteral("simplified");
        break;
    case Dictionary::Traditional:
        field = QStringLiteral("traditional");
        break;
    case Dictionary::Pinyin:
        field = QStringLiteral("pinyin");
        break;
    case Dictionary::English:
        field = QStringLiteral("definition");
        break;
    default:
        break;
    }

    QString condition;
    const bool excluding = !exclude.isEmpty() && !field.isEmpty();
    if (excluding)
        condition = QStringLiteral("%1 != :%1").arg(field);
    // The length condition only joins an exclusion, as the draw without one has no condition.
    if (excluding && length > 0) {
        if (type == Dictionary::Simplified || type == Dictionary::Traditional)
            condition += QStringLiteral(" AND length(%1) = %2").arg(field).arg(length);
        else if (type == Dictionary::Pinyin)
            condition += QStringLiteral(" AND length(%1) = length(replace(%1, ' ', '')) + %2")
                             .arg(field)
                             .arg(length - 1);
    }

    QList<int> ids = drawIds(condition, excluding ? field : QString(), exclude, count);
    if (ids.size() < count) {
        // Rows of a rare length: every row is ordered at random once.
        QSqlQuery query(m_dictionary->database());
        query.prepare(
            QStringLiteral("SELECT id FROM KnowledgeUnits%1 ORDER BY RANDOM() LIMIT %2")
                .arg(condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition)
                .arg(count));
        if (excluding)
            query.bindValue(QLatin1Char(':') + field, exclude);
        ids = collectIds(query);
    }
    if (ids.size() < count && length > 0)
        return randomKnowledgeUnits(type, count, exclude, 0);
    return m_dictionary->knowledgeUnitsByIds(ids);
}

// Drawing ids at random and keeping those that meet the condition chooses as uniformly among
// the rows that meet it as ordering them all at random, at the cost of a few look-ups by key
// instead of a pass over every row.
QList<int> SimilarEntries::drawIds(const QString& condition, const QString& field,
                                   const QString& exclude, int count)
{
    if (m_largestId == 0) {
        QSqlQuery query(m_dictionary->database());
        if (query.exec(QStringLiteral("SELECT MAX(id) FROM KnowledgeUnits")) && query.next())
            m_largestId = query.value(0).toInt();
    }
    QList<int> ids;
    if (m_largestId < 1)
        return ids;
    for (int round = 0; round < 8 && ids.size() < count; ++round) {
        QStringList drawn;
        for (int i = 0; i < 4 * (count - int(ids.size())); ++i)
            drawn.append(QString::number(1 + QRandomGenerator::global()->bounded(m_largestId)));
        QSqlQuery query(m_dictionary->database());
        query.prepare(
            QStringLiteral("SELECT id FROM KnowledgeUnits WHERE id IN (%1)%2")
                .arg(drawn.join(QLatin1Char(',')),
                     condition.isEmpty() ? QString() : QStringLiteral(" AND ") + condition));
        if (!field.isEmpty())
            query.bindValue(QLatin1Char(':') + field, exclude);
        // In the order drawn, not the order of the index.
        const QList<int> found = collectIds(query);
        for (const QString& id : std::as_const(drawn)) {
            const int value = id.toInt();
            if (ids.size() < count && found.contains(value) && !ids.contains(value))
                ids.append(value);
        }
    }
    return ids;
}

QList<CharacterInfo*> SimilarEntries::similarCharacters(QChar c, const QString& form,
                                                        const QString& mode, int limit)
{
    CharacterInfo* info = m_dictionary->character(c);
    if (!info)
        return QList<CharacterInfo*>();

    QString prefix;
    if (form == QLatin1String("simplified"))
        prefix = QStringLiteral("simplified = '' AND ");
    else if (form == QLatin1String("traditional"))
        prefix = QStringLiteral("traditional = '' AND ");

    QSqlQuery query(m_dictionary->database());
    QString statement;
    if (mode == QLatin1String("sameEnd")) {
        if (info->partIds.size() < 2)
            return QList<CharacterInfo*>();
        QStringList ending;
        for (int i = int(info->partIds.size()) - 1; i >= 1; --i)
            ending << QString::number(info->partIds.at(i));
        const QString e = ending.join(QLatin1Char(','));
        statement = QStringLiteral("SELECT id FROM Characters WHERE %1 (revertPartIds >= :low AND "
                                   "revertPartIds <= :high) AND revertPartIds LIKE :pattern AND "
                                   "character != :character AND rank < %2 ORDER BY RANDOM()")
                        .arg(prefix)
                        .arg(UnrankedCharacter);
        if (limit > 0)
            statement += QStringLiteral(" LIMIT %1").arg(limit);
        query.prepare(statement);
        query.bindValue(QStringLiteral(":low"), e);
        query.bindValue(QStringLiteral(":high"), e + QStringLiteral(",zzz"));
        query.bindValue(QStringLiteral(":pattern"), e + QStringLiteral(",%"));
    } else if (mode == QLatin1String("sameRadical")) {
        if (info->radicalId < 1)
            return QList<CharacterInfo*>();
        statement = QStringLiteral("SELECT id FROM Characters WHERE %1 radicalId = :radicalId AND "
                                   "character != :character AND rank < %2 ORDER BY RANDOM()")
                        .arg(prefix)
                        .arg(UnrankedCharacter);
        if (limit > 0)
            statement += QStringLiteral(" LIMIT %1").arg(limit);
        query.prepare(statement);
        query.bindValue(QStringLiteral(":radicalId"), info->radicalId);
    } else {
        return QList<CharacterInfo*>();
    }
    query.bindValue(QStringLiteral(":character"), QString(c));
    return m_dictionary->charactersByIds(collectIds(query));
}

} // namespace korvo
