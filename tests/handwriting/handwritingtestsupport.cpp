#include "handwritingtestsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <utility>

namespace handwritingtest {

QString dataFolder()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    if (QFile::exists(beside + QStringLiteral("/Animations.db")))
        return beside;
    return QStringLiteral(QUILLET_DATA_DIR);
}

Strokes medians(const QString& character)
{
    const QString connection = QStringLiteral("handwritingTestMedians");
    Strokes strokes;
    {
        QSqlDatabase database =
            QSqlDatabase::contains(connection)
                ? QSqlDatabase::database(connection)
                : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        if (!database.isOpen()) {
            database.setDatabaseName(dataFolder() + QStringLiteral("/Animations.db"));
            database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            database.open();
        }
        QSqlQuery query(database);
        query.prepare(QStringLiteral("SELECT json FROM animations WHERE korvo = ?"));
        query.addBindValue(character);
        if (!query.exec() || !query.next())
            return strokes;
        const QJsonArray list = QJsonDocument::fromJson(query.value(0).toString().toUtf8())
                                    .object()
                                    .value(QLatin1String("strokes"))
                                    .toArray();
        for (const QJsonValue& stroke : list) {
            QVector<QPointF> points;
            for (const QJsonValue& point :
                 stroke.toObject().value(QLatin1String("points")).toArray())
                points.append(
                    QPointF(point.toArray().at(0).toDouble(), point.toArray().at(1).toDouble()));
            strokes.append(points);
        }
    }
    return strokes;
}

Strokes placed(const Strokes& strokes, const QRectF& box)
{
    Strokes result;
    for (const QVector<QPointF>& stroke : strokes) {
        QVector<QPointF> points;
        for (const QPointF& p : stroke)
            points.append(QPointF(box.left() + p.x() * box.width() / 800,
                                  box.top() + p.y() * box.height() / 800));
        result.append(points);
    }
    return result;
}

korvo::HandwritingDrawing drawing(const Strokes& strokes, const QSizeF& pad)
{
    korvo::HandwritingDrawing result(pad.width(), pad.height());
    for (const QVector<QPointF>& stroke : strokes)
        result.addStroke(stroke);
    return result;
}

Strokes withoutStroke(const Strokes& strokes, int index)
{
    Strokes result = strokes;
    result.removeAt(index);
    return result;
}

Strokes withJoinedStrokes(const Strokes& strokes, int first)
{
    Strokes result = strokes;
    result[first] += result.at(first + 1);
    result.removeAt(first + 1);
    return result;
}

Strokes withSwappedStrokes(const Strokes& strokes, int a, int b)
{
    Strokes result = strokes;
    std::swap(result[a], result[b]);
    return result;
}

Strokes withExtraStroke(const Strokes& strokes, int index, const QPointF& from, const QPointF& to)
{
    Strokes result = strokes;
    result.insert(index, QVector<QPointF>{from, (from + to) / 2, to});
    return result;
}

} // namespace handwritingtest
