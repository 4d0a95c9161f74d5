#include "stroketestsupport.h"

#include "text/json.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariantList>
#include <QVariantMap>

namespace stroketest {

QString dataFolder()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    if (QFile::exists(beside + QStringLiteral("/Animations.db")))
        return beside;
    const QByteArray fromEnvironment = qgetenv("QUILLET_DATA_DIR");
    if (!fromEnvironment.isEmpty())
        return QString::fromLocal8Bit(fromEnvironment);
    return QStringLiteral(QUILLET_DATA_DIR);
}

QString shippedAnimations()
{
    return dataFolder() + QStringLiteral("/Animations.db");
}

QString rectanglesSvg(const QList<QRect>& rects, const QColor& fill, bool inGroup)
{
    QString body;
    for (const QRect& r : rects) {
        const QString path = QStringLiteral("M %1 %2 L %3 %2 L %3 %4 L %1 %4 Z")
                                 .arg(r.left())
                                 .arg(r.top())
                                 .arg(r.left() + r.width())
                                 .arg(r.top() + r.height());
        body += inGroup ? QStringLiteral("<path d=\"%1\"/>").arg(path)
                        : QStringLiteral("<path d=\"%1\" fill=\"%2\"/>").arg(path, fill.name());
    }
    if (inGroup)
        body = QStringLiteral("<g fill=\"%1\">%2</g>").arg(fill.name(), body);
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"800\" "
                          "viewBox=\"0 0 800 800\">") +
           body + QStringLiteral("</svg>");
}

QString animationJson(const TestCharacter& character)
{
    QVariantList strokes;
    for (const TestStroke& stroke : character.strokes) {
        QVariantList points;
        for (const QPoint& p : stroke.points)
            points.append(QVariant(QVariantList{p.x(), p.y()}));
        QVariantMap object;
        if (!stroke.maskName.isEmpty())
            object.insert(QStringLiteral("mask"),
                          QStringLiteral("masks/") + stroke.maskName + QStringLiteral(".svg"));
        object.insert(QStringLiteral("points"), points);
        strokes.append(object);
    }
    QVariantMap map;
    map.insert(QStringLiteral("id"), 1);
    map.insert(QStringLiteral("character"), character.character);
    map.insert(QStringLiteral("brushRadius"), character.brushRadius);
    map.insert(QStringLiteral("font"), QStringLiteral("Ukai"));
    map.insert(QStringLiteral("strokes"), strokes);
    return QString::fromUtf8(korvo::writeJson(map));
}

bool writeDatabase(const QString& path, const QList<TestCharacter>& characters)
{
    QFile::remove(path);
    const QString name = QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        ok = database.open();
        QSqlQuery query(database);
        const auto run = [&](const QString& statement, const QVariantList& values) {
            if (!ok)
                return;
            ok = query.prepare(statement);
            for (const QVariant& value : values)
                query.addBindValue(value);
            ok = ok && query.exec();
            if (!ok)
                qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        };
        run(QStringLiteral("CREATE TABLE animations (id INTEGER PRIMARY KEY, korvo TEXT, json "
                           "TEXT)"),
            {});
        run(QStringLiteral("CREATE TABLE maskSvgs (id TEXT PRIMARY KEY, svg TEXT)"), {});
        run(QStringLiteral("CREATE TABLE characterSvgs (id INTEGER PRIMARY KEY, svg TEXT)"), {});
        int id = 0;
        for (const TestCharacter& character : characters) {
            const QString json =
                character.json.isNull() ? animationJson(character) : character.json;
            run(QStringLiteral("INSERT INTO animations (id, korvo, json) VALUES (?, ?, ?)"),
                {++id, character.character, json});
            for (const TestStroke& stroke : character.strokes) {
                if (!stroke.maskName.isEmpty() && !stroke.maskSvg.isNull())
                    run(QStringLiteral("INSERT OR REPLACE INTO maskSvgs (id, svg) VALUES (?, ?)"),
                        {stroke.maskName, stroke.maskSvg});
            }
            if (character.outline != QLatin1String("-")) {
                const QString outline = character.outline.isNull()
                                            ? rectanglesSvg(character.outlineRects, Qt::black, true)
                                            : character.outline;
                run(QStringLiteral("INSERT OR REPLACE INTO characterSvgs (id, svg) VALUES (?, ?)"),
                    {int(character.character.at(0).unicode()), outline});
            }
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

QRect barRect(int index)
{
    return QRect(100, 100 + 200 * index, 600, 80);
}

TestCharacter barCharacter(const QString& character, int barCount, int length)
{
    TestCharacter result;
    result.character = character;
    result.brushRadius = 40;
    for (int i = 0; i < barCount; ++i) {
        TestStroke stroke;
        stroke.maskName = QStringLiteral("%1_%2").arg(character.at(0).unicode(), 0, 16).arg(i + 1);
        stroke.maskSvg = rectanglesSvg({barRect(i)});
        const int y = barRect(i).center().y() + 1;
        stroke.points = {QPoint(120, y), QPoint(120 + length / 2, y), QPoint(120 + length, y)};
        result.strokes.append(stroke);
        result.outlineRects.append(barRect(i));
    }
    return result;
}

bool isInk(QRgb pixel)
{
    return qAlpha(pixel) > 128 && qRed(pixel) < 100;
}

int countInk(const QImage& image, const QRect& area)
{
    int count = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (isInk(image.pixel(x, y)))
                ++count;
        }
    }
    return count;
}

int inkOutside(const QImage& image, const QRegion& allowed, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!isInk(image.pixel(x, y)) || allowed.contains(QPoint(x, y)))
                continue;
            const QRect near(x - tolerance, y - tolerance, 2 * tolerance + 1, 2 * tolerance + 1);
            if (!allowed.intersects(near))
                ++count;
        }
    }
    return count;
}

} // namespace stroketest
