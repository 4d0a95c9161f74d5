#include "strokes/strokeanimationdatabase.h"

#include "strokes/strokeanimation.h"
#include "text/json.h"

#include <QColor>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

namespace korvo {

const QString StrokeAnimationDatabase::ConnectionName = QStringLiteral("strokeAnimations");

StrokeAnimationDatabase::StrokeAnimationDatabase(const QString& path, QObject* parent)
    : StrokeAnimationDatabase(path, ConnectionName, parent)
{
}

StrokeAnimationDatabase::StrokeAnimationDatabase(const QString& path, const QString& connectionName,
                                                 QObject* parent)
    : QObject(parent), m_connectionName(connectionName)
{
    open(path);
}

StrokeAnimationDatabase::~StrokeAnimationDatabase()
{
    m_existsQuery.reset();
    m_animationQuery.reset();
    m_maskQuery.reset();
    m_outlineQuery.reset();
    if (m_database.isValid()) {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

void StrokeAnimationDatabase::open(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        std::fprintf(stderr, "Stroke animations: %s is missing\n", qPrintable(path));
        return;
    }
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_database.setDatabaseName(path);
    m_database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!m_database.open()) {
        std::fprintf(stderr, "Stroke animations: cannot open %s: %s\n", qPrintable(path),
                     qPrintable(m_database.lastError().text()));
        return;
    }
    const bool prepared =
        prepare(m_existsQuery,
                QStringLiteral("SELECT 1 FROM animations WHERE korvo = :korvo LIMIT 1")) &&
        prepare(m_animationQuery,
                QStringLiteral("SELECT id, json FROM animations WHERE korvo = :korvo")) &&
        prepare(m_maskQuery, QStringLiteral("SELECT svg FROM maskSvgs WHERE id = :id")) &&
        prepare(m_outlineQuery, QStringLiteral("SELECT svg FROM characterSvgs WHERE id = :id"));
    if (!prepared) {
        m_existsQuery.reset();
        m_animationQuery.reset();
        m_maskQuery.reset();
        m_outlineQuery.reset();
        m_database.close();
    }
}

bool StrokeAnimationDatabase::prepare(std::unique_ptr<QSqlQuery>& query, const QString& statement)
{
    query = std::make_unique<QSqlQuery>(m_database);
    query->setForwardOnly(true);
    if (query->prepare(statement))
        return true;
    std::fprintf(stderr, "Stroke animations: %s\n", qPrintable(query->lastError().text()));
    return false;
}

bool StrokeAnimationDatabase::hasAnimation(const QString& text)
{
    if (text.isEmpty() || !m_existsQuery)
        return false;
    const auto known = m_hasAnimation.constFind(text);
    if (known != m_hasAnimation.constEnd())
        return *known;
    m_existsQuery->bindValue(QStringLiteral(":korvo"), text);
    const bool found = m_existsQuery->exec() && m_existsQuery->next();
    m_existsQuery->finish();
    m_hasAnimation.insert(text, found);
    return found;
}

std::shared_ptr<StrokeAnimation> StrokeAnimationDatabase::loadAnimation(const QString& text)
{
    m_current.reset();
    m_current = readAnimation(text);
    return m_current;
}

std::shared_ptr<StrokeAnimation> StrokeAnimationDatabase::readAnimation(const QString& text)
{
    if (text.isEmpty() || !m_animationQuery)
        return nullptr;
    m_animationQuery->bindValue(QStringLiteral(":korvo"), text);
    if (!m_animationQuery->exec() || !m_animationQuery->next()) {
        m_animationQuery->finish();
        return nullptr;
    }
    const int rowId = m_animationQuery->value(0).toInt();
    const QString json = m_animationQuery->value(1).toString();
    m_animationQuery->finish();

    bool parsed = false;
    const QVariant description = readJson(json, &parsed);
    auto animation = std::make_shared<StrokeAnimation>();
    if (!parsed || !animation->build(description, rowId, text))
        return nullptr;

    for (const auto& stroke : animation->strokes()) {
        const QString maskName = stroke->maskName();
        if (maskName.isEmpty())
            continue;
        m_maskQuery->bindValue(QStringLiteral(":id"), maskName);
        if (m_maskQuery->exec() && m_maskQuery->next())
            stroke->setMaskSvg(m_maskQuery->value(0).toString().toUtf8());
        m_maskQuery->finish();
    }

    // Without an outline the strokes, painted source-in, would have nothing to show on.
    const QString character = animation->character();
    m_outlineQuery->bindValue(QStringLiteral(":id"), int(character.at(0).unicode()));
    QString outline;
    if (m_outlineQuery->exec() && m_outlineQuery->next())
        outline = m_outlineQuery->value(0).toString();
    m_outlineQuery->finish();
    if (!animation->setOutlineSvg(outline))
        return nullptr;
    animation->setOutlineColor(QColor(222, 222, 222, 255));
    return animation;
}

} // namespace korvo
