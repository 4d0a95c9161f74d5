#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

namespace korvo {

// Ids per statement when loading rows by id: below SQLite's limit of bound values.
constexpr int IdBatchSize = 900;

// "?, ?, ?" with n placeholders.
inline QString placeholders(int n)
{
    QString text;
    text.reserve(n * 3);
    for (int i = 0; i < n; ++i)
        text += i ? QLatin1String(", ?") : QLatin1String("?");
    return text;
}

// Collects the objects for the ids in batches of IdBatchSize, in the order of the ids: per
// batch, the missing ones are read with one statement whose ids are bound. `cached(id)` returns
// the cached object or none; `load(query)` turns the current row into an object (and caches it);
// `idOf(object)` names an object's id. An id without a row is left out.
template <typename T, typename Cached, typename Load, typename IdOf>
QList<T*> collectInBatches(const QSqlDatabase& database, const QString& table,
                           const QList<int>& ids, Cached cached, Load load, IdOf idOf)
{
    QList<T*> result;
    result.reserve(ids.size());
    for (int start = 0; start < ids.size(); start += IdBatchSize) {
        const QList<int> batch = ids.mid(start, IdBatchSize);
        QList<int> missing;
        for (int id : batch) {
            if (!cached(id))
                missing << id;
        }
        QHash<int, T*> loaded;
        if (!missing.isEmpty()) {
            QSqlQuery query(database);
            query.setForwardOnly(true);
            query.prepare(QStringLiteral("SELECT * FROM %1 WHERE id IN (%2)")
                              .arg(table, placeholders(int(missing.size()))));
            for (int i = 0; i < missing.size(); ++i)
                query.bindValue(i, missing.at(i));
            if (query.exec()) {
                while (query.next()) {
                    T* object = load(query);
                    loaded.insert(idOf(object), object);
                }
            }
        }
        for (int id : batch) {
            T* found = cached(id);
            if (!found)
                found = loaded.value(id);
            if (found)
                result << found;
        }
    }
    return result;
}

} // namespace korvo
