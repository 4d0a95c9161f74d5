#include "handwriting/handwritingmodelbuilder.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace korvo {

namespace {

// A read-only connection of its own, removed when the scope ends.
class ReadOnlyDatabase
{
public:
    explicit ReadOnlyDatabase(const QString& path)
        : m_name(QStringLiteral("handwritingBuilder-") + QUuid::createUuid().toString())
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        database.setDatabaseName(path);
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        m_open = QFileInfo(path).isFile() && database.open();
    }
    ~ReadOnlyDatabase()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool isOpen() const { return m_open; }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_open = false;
};

QVector<QVector<QPointF>> mediansOf(const QByteArray& json)
{
    QVector<QVector<QPointF>> strokes;
    const QJsonArray list =
        QJsonDocument::fromJson(json).object().value(QLatin1String("strokes")).toArray();
    for (const QJsonValue& stroke : list) {
        QVector<QPointF> points;
        for (const QJsonValue& point : stroke.toObject().value(QLatin1String("points")).toArray()) {
            const QJsonArray pair = point.toArray();
            if (pair.size() == 2)
                points.append(QPointF(pair.at(0).toDouble(), pair.at(1).toDouble()));
        }
        if (!points.isEmpty())
            strokes.append(points);
    }
    return strokes;
}

} // namespace

HandwritingModelBuilder::HandwritingModelBuilder(const QString& animationsPath,
                                                 const QString& dictionaryPath)
    : m_animationsPath(animationsPath), m_dictionaryPath(dictionaryPath)
{
}

bool HandwritingModelBuilder::readCharacters(QHash<QString, QPair<unsigned char, int>>* characters,
                                             QString* error)
{
    ReadOnlyDatabase dictionary(m_dictionaryPath);
    QSqlQuery query(dictionary.database());
    if (!dictionary.isOpen() ||
        !query.exec(QStringLiteral("SELECT character, rank, simplified, traditional "
                                   "FROM Characters"))) {
        *error = m_dictionaryPath + QStringLiteral(": cannot read the Characters table");
        return false;
    }
    while (query.next()) {
        // A character with a simplified form is traditional only; one with a traditional form
        // is simplified only; one with neither is written alike in both scripts.
        const bool hasSimplified = !query.value(2).toString().isEmpty();
        const bool hasTraditional = !query.value(3).toString().isEmpty();
        unsigned char scripts = HandwritingModel::BothScripts;
        if (hasSimplified && !hasTraditional)
            scripts = HandwritingModel::Traditional;
        else if (hasTraditional && !hasSimplified)
            scripts = HandwritingModel::Simplified;
        characters->insert(query.value(0).toString(), qMakePair(scripts, query.value(1).toInt()));
    }
    return true;
}

bool HandwritingModelBuilder::build(HandwritingModel* model, QString* error)
{
    QHash<QString, QPair<unsigned char, int>> characters;
    if (!readCharacters(&characters, error))
        return false;
    ReadOnlyDatabase animations(m_animationsPath);
    QSqlQuery query(animations.database());
    if (!animations.isOpen() ||
        !query.exec(QStringLiteral("SELECT korvo, json FROM animations ORDER BY id"))) {
        *error = m_animationsPath + QStringLiteral(": cannot read the animations table");
        return false;
    }
    while (query.next()) {
        const QString character = query.value(0).toString();
        const auto info = characters.value(character, qMakePair(HandwritingModel::BothScripts, 0));
        model->addCharacter(character, info.first, info.second,
                            mediansOf(query.value(1).toString().toUtf8()));
    }
    if (model->isEmpty()) {
        *error = m_animationsPath + QStringLiteral(": no character with stroke medians");
        return false;
    }
    return true;
}

} // namespace korvo
