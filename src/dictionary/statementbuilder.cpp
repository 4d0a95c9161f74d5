#include "dictionary/statementbuilder.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QMetaType>
#include <QRandomGenerator>
#include <QVariant>

namespace korvo {

namespace {

// Connection name -> depth of the open nested transaction.
QHash<QString, int>& transactionDepths()
{
    static QHash<QString, int> depths;
    return depths;
}

// Null in the sense of "holds no value": an invalid variant, a null pointer, or a null
// date, time or byte array.
bool isNullValue(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().isNull();
    case QMetaType::QDate:
        return value.toDate().isNull();
    case QMetaType::QTime:
        return value.toTime().isNull();
    case QMetaType::QByteArray:
        return value.toByteArray().isNull();
    default:
        return false;
    }
}

} // namespace

QSqlQuery buildQuery(const QSqlDatabase& database, const QString& operation, const QString& table,
                     const QStringList& fields, const QVariantList& values,
                     const QString& condition)
{
    QString statement;
    if (operation.compare(QLatin1String("insert"), Qt::CaseInsensitive) == 0) {
        QStringList placeholders;
        placeholders.reserve(fields.size());
        for (const QString& field : fields)
            placeholders << QLatin1Char(':') + field;
        statement = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                        .arg(table, fields.join(QLatin1String(", ")),
                             placeholders.join(QLatin1String(", ")));
    } else if (operation.compare(QLatin1String("update"), Qt::CaseInsensitive) == 0) {
        QStringList assignments;
        assignments.reserve(fields.size());
        for (const QString& field : fields)
            assignments << field + QLatin1String(" = :") + field;
        statement =
            QStringLiteral("UPDATE %1 SET %2").arg(table, assignments.join(QLatin1String(", ")));
        if (!condition.isEmpty())
            statement += QLatin1String(" WHERE ") + condition;
    }

    QSqlQuery query(database);
    query.prepare(statement);
    for (int i = 0; i < values.size() && i < fields.size(); ++i) {
        const QVariant& value = values.at(i);
        const QString name = QLatin1Char(':') + fields.at(i);
        switch (value.typeId()) {
        case QMetaType::QString: {
            // A null text is stored as the empty text, not as NULL.
            const QString text = value.toString();
            query.bindValue(name, text.isNull() ? QString(QLatin1String("")) : text);
            continue;
        }
        case QMetaType::Int:
            query.bindValue(name, value.toInt());
            continue;
        default:
            break;
        }
        if (isNullValue(value)) {
            query.bindValue(name, 0);
            continue;
        }
        switch (value.typeId()) {
        case QMetaType::Double:
            query.bindValue(name, value.toDouble());
            break;
        case QMetaType::Float:
            query.bindValue(name, value.toFloat());
            break;
        case QMetaType::LongLong:
            query.bindValue(name, value.toLongLong());
            break;
        case QMetaType::UInt:
            query.bindValue(name, value.toUInt());
            break;
        case QMetaType::QChar:
            query.bindValue(name, QString(value.toChar()));
            break;
        default:
            // Other types (bool among them) are left unbound: callers pass flags as 0/1.
            break;
        }
    }
    return query;
}

void beginTransaction(QSqlDatabase& database)
{
    QHash<QString, int>& depths = transactionDepths();
    auto it = depths.find(database.connectionName());
    if (it == depths.end()) {
        depths.insert(database.connectionName(), 1);
        if (!database.transaction())
            qWarning("beginTransaction: could not begin a transaction on \"%s\"",
                     qPrintable(database.connectionName()));
    } else {
        ++it.value();
    }
}

bool endTransaction(QSqlDatabase& database)
{
    QHash<QString, int>& depths = transactionDepths();
    auto it = depths.find(database.connectionName());
    if (it == depths.end())
        return true;
    if (--it.value() > 0)
        return true;
    depths.erase(it);
    if (database.commit())
        return true;
    qWarning("endTransaction: could not commit on \"%s\"; rolling back",
             qPrintable(database.connectionName()));
    database.rollback();
    return false;
}

int transactionDepth(const QSqlDatabase& database)
{
    return transactionDepths().value(database.connectionName(), 0);
}

QList<int> collectIds(QSqlQuery& query)
{
    QList<int> ids;
    if (!query.exec())
        return ids;
    while (query.next())
        ids << query.value(0).toInt();
    return ids;
}

QString generateUuid()
{
    static bool counterSet = false;
    static quint32 counter = 0;
    QRandomGenerator* random = QRandomGenerator::global();
    if (!counterSet) {
        counter = random->generate() % 100000;
        counterSet = true;
    }
    const QString seed = QStringLiteral("%1_%2_%3")
                             .arg(QDateTime::currentMSecsSinceEpoch())
                             .arg(random->generate())
                             .arg(counter);
    ++counter;
    QString id = QString::fromLatin1(
        QCryptographicHash::hash(seed.toUtf8(), QCryptographicHash::Md5).toBase64());
    id.chop(2);
    id.replace(QLatin1Char('/'), QLatin1Char('e'));
    id.replace(QLatin1Char('+'), QLatin1Char('h'));
    return id;
}

} // namespace korvo
