#include "dictionary/similarentries.h"

#include "dictionary/characterinfo.h"
#include "dictionary/dictionary.h"

#include <QSqlQuery>

namespace korvo {

namespace {

// Characters at this rank or beyond are never proposed as similar.
constexpr int UnrankedCharacter = 20000;

QList<int> collectIds(QSqlQuery& query)
{
    QList<int> ids;
    if (!query.exec())
        return ids;
    while (query.next())
        ids << query.value(0).toInt();
    return ids;
}

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

    QString statement = QStringLiteral("SELECT id FROM KnowledgeUnits");
    const bool excluding = !exclude.isEmpty() && !field.isEmpty();
    if (excluding)
        statement += QStringLiteral(" WHERE %1 != :%1").arg(field);
    // The length condition only joins an exclusion, as the draw without one has no condition.
    if (excluding && length > 0) {
        if (type == Dictionary::Simplified || type == Dictionary::Traditional)
            statement += QStringLiteral(" AND length(%1) = %2").arg(field).arg(length);
        else if (type == Dictionary::Pinyin)
            statement += QStringLiteral(" AND length(%1) = length(replace(%1, ' ', '')) + %2")
                             .arg(field)
                             .arg(length - 1);
    }
    statement += QStringLiteral(" ORDER BY RANDOM() LIMIT %1").arg(count);

    QSqlQuery query(m_dictionary->database());
    query.prepare(statement);
    if (excluding)
        query.bindValue(QLatin1Char(':') + field, exclude);
    const QList<int> ids = collectIds(query);
    if (ids.size() < count && length > 0)
        return randomKnowledgeUnits(type, count, exclude, 0);
    return m_dictionary->knowledgeUnitsByIds(ids);
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
