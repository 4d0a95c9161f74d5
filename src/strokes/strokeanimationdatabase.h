#pragma once

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class QSqlQuery;

namespace korvo {

class StrokeAnimation;

// Read access to "Animations.db": per character the animation description (table animations,
// JSON), per stroke the SVG mask (maskSvgs) and per character the SVG outline
// (characterSvgs). Created by the application on first use; all texts reach SQL as bound
// values.
//
// The database keeps the animation it loaded last. Animations are shared: loading another one
// only drops the database's own reference, so a view still showing the previous animation keeps
// a valid object until it is given another one.
class StrokeAnimationDatabase : public QObject
{
    Q_OBJECT

public:
    static const QString ConnectionName; // "strokeAnimations"

    // Opens the file read-only under the connection name. A missing or unreadable file leaves
    // the database closed: nothing has an animation then.
    explicit StrokeAnimationDatabase(const QString& path, QObject* parent = nullptr);
    StrokeAnimationDatabase(const QString& path, const QString& connectionName,
                            QObject* parent = nullptr);
    ~StrokeAnimationDatabase() override;

    bool isOpen() const { return m_database.isOpen(); }
    QString connectionName() const { return m_connectionName; }

    // Whether the table animations has a row for the text. Answers are kept, so asking again
    // (as the dictionary page does for every character box) costs a hash lookup.
    bool hasAnimation(const QString& text);

    // Drops the current animation and loads the one of the text: none without a row, when the
    // JSON does not parse or has values of the wrong types, when the stroke list is empty or
    // when the outline is missing or not SVG. The animation's outline is coloured
    // (222, 222, 222). The result becomes the current animation.
    std::shared_ptr<StrokeAnimation> loadAnimation(const QString& text);
    std::shared_ptr<StrokeAnimation> currentAnimation() const { return m_current; }

private:
    void open(const QString& path);
    bool prepare(std::unique_ptr<QSqlQuery>& query, const QString& statement);
    std::shared_ptr<StrokeAnimation> readAnimation(const QString& text);

    QString m_connectionName;
    QSqlDatabase m_database;
    std::unique_ptr<QSqlQuery> m_existsQuery;
    std::unique_ptr<QSqlQuery> m_animationQuery;
    std::unique_ptr<QSqlQuery> m_maskQuery;
    std::unique_ptr<QSqlQuery> m_outlineQuery;
    QHash<QString, bool> m_hasAnimation;
    std::shared_ptr<StrokeAnimation> m_current;
};

} // namespace korvo
