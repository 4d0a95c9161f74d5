#include "animationbuilder.h"

#include "databasewriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointF>

#include <algorithm>
#include <cmath>

namespace korvo {

namespace {

const QString PackageDir = QStringLiteral("hanzi-writer-data");

// The source space is 1024 units wide with the y axis pointing up and the baseline of the
// em box at y = -124 (so y = 900 is the top); the design space is 800 units, y pointing down.
constexpr double Scale = 800.0 / 1024.0;
constexpr double Top = 900.0;

// Brush radius bounds in design units: thin enough not to paint a neighbouring stroke's
// end before its turn (each stroke is clipped to its mask anyway), wide enough for the
// broadest strokes.
constexpr int MinimumBrushRadius = 12;
constexpr int MaximumBrushRadius = 64;

const char* const Statements[] = {
    "CREATE TABLE animations (id INTEGER PRIMARY KEY, korvo TEXT NOT NULL, json TEXT NOT NULL)",
    "CREATE TABLE maskSvgs (id TEXT PRIMARY KEY, svg TEXT NOT NULL)",
    "CREATE TABLE characterSvgs (id INTEGER PRIMARY KEY, svg TEXT NOT NULL)",
};

QPointF toDesign(double x, double y)
{
    return QPointF(x * Scale, (Top - y) * Scale);
}

QString number(double value)
{
    return QString::number(qRound(value));
}

// Rewrites an SVG path of absolute M, L, Q, C and Z commands into design coordinates and
// collects the points on the outline. False when the path uses any other command.
bool transformPath(const QString& path, QString* result, QVector<QPointF>* vertices)
{
    QStringList out;
    QVector<double> numbers;
    QChar command;
    int pairIndex = 0;
    const QStringList tokens = path.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        if (token.size() == 1 && token.at(0).isLetter()) {
            if (!QStringLiteral("MLQCZ").contains(token) || numbers.size() % 2 != 0)
                return false;
            out.append(token);
            command = token.at(0);
            pairIndex = 0;
            continue;
        }
        bool ok = false;
        numbers.append(token.toDouble(&ok));
        if (!ok)
            return false;
        if (numbers.size() == 2) {
            const QPointF p = toDesign(numbers.at(0), numbers.at(1));
            out.append(number(p.x()));
            out.append(number(p.y()));
            // Only points on the outline count, not the control points of curves.
            const int pairsPerSegment = command == QLatin1Char('Q')   ? 2
                                        : command == QLatin1Char('C') ? 3
                                                                      : 1;
            if (++pairIndex % pairsPerSegment == 0)
                vertices->append(p);
            numbers.clear();
        }
    }
    if (!numbers.isEmpty() || out.isEmpty())
        return false;
    *result = out.join(QLatin1Char(' '));
    return true;
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + ab * t);
    return std::sqrt(QPointF::dotProduct(d, d));
}

double distanceToPolyline(const QPointF& p, const QVector<QPointF>& line)
{
    if (line.size() == 1)
        return distanceToSegment(p, line.first(), line.first());
    double best = 1e9;
    for (int i = 1; i < line.size(); ++i)
        best = std::min(best, distanceToSegment(p, line.at(i - 1), line.at(i)));
    return best;
}

QString svgDocument(const QString& body)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"800\" "
                          "viewBox=\"0 0 800 800\">") +
           body + QStringLiteral("</svg>");
}

} // namespace

AnimationBuilder::AnimationBuilder(const SourceFiles& files) : m_files(files) {}

bool AnimationBuilder::build(const QString& targetPath)
{
    const QString dirPath = m_files.nodeModule(PackageDir);
    QDir dir(dirPath);
    if (!dir.exists() || !QFile::exists(dir.filePath(QStringLiteral("ARPHICPL.TXT")))) {
        reportError(dirPath, QStringLiteral("is missing; install the npm packages with the "
                                            "README's commands"));
        return false;
    }
    QStringList characters;
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        const QString base = name.chopped(5);
        // One UTF-16 unit per character: the outline table is keyed by it.
        if (base.size() == 1 && !base.at(0).isSurrogate())
            characters.append(base);
    }
    std::sort(characters.begin(), characters.end());
    if (characters.size() < 9000) {
        reportError(dirPath, QStringLiteral("holds only %1 characters").arg(characters.size()));
        return false;
    }
    reportProgress(QStringLiteral("Animations: %1 characters").arg(characters.size()));

    DatabaseWriter writer(targetPath);
    QStringList statements;
    for (const char* statement : Statements)
        statements.append(QString::fromLatin1(statement));
    if (!writer.open() || !writer.execute(statements) || !writer.begin())
        return false;
    QSqlQuery insertAnimation;
    QSqlQuery insertMask;
    QSqlQuery insertOutline;
    if (!writer.prepare(
            insertAnimation,
            QStringLiteral("INSERT INTO animations (id, korvo, json) VALUES (?, ?, ?)")) ||
        !writer.prepare(insertMask,
                        QStringLiteral("INSERT INTO maskSvgs (id, svg) VALUES (?, ?)")) ||
        !writer.prepare(insertOutline,
                        QStringLiteral("INSERT INTO characterSvgs (id, svg) VALUES (?, ?)")))
        return false;

    int maskCount = 0;
    QVector<int> radii;
    for (int i = 0; i < characters.size(); ++i) {
        const QString& character = characters.at(i);
        const QString path = dir.filePath(character + QStringLiteral(".json"));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            reportError(path, file.errorString());
            return false;
        }
        QJsonParseError error;
        const QJsonObject data = QJsonDocument::fromJson(file.readAll(), &error).object();
        const QJsonArray strokes = data.value(QLatin1String("strokes")).toArray();
        const QJsonArray medians = data.value(QLatin1String("medians")).toArray();
        if (error.error != QJsonParseError::NoError || strokes.isEmpty() ||
            strokes.size() != medians.size()) {
            reportError(path, QStringLiteral("expected equally many strokes and medians%1")
                                  .arg(error.error ? QStringLiteral(": ") + error.errorString()
                                                   : QString()));
            return false;
        }
        const QString key = QString::number(character.at(0).unicode(), 16);
        QJsonArray strokeObjects;
        QString outlineBody;
        double radius = 0;
        for (int s = 0; s < strokes.size(); ++s) {
            QString d;
            QVector<QPointF> vertices;
            if (!transformPath(strokes.at(s).toString(), &d, &vertices)) {
                reportError(
                    path, QStringLiteral("stroke %1 is not an absolute M/L/Q/C/Z path").arg(s + 1));
                return false;
            }
            QVector<QPointF> median;
            QJsonArray points;
            for (const QJsonValue& value : medians.at(s).toArray()) {
                const QJsonArray pair = value.toArray();
                if (pair.size() != 2) {
                    reportError(path, QStringLiteral("median %1 has a bad point").arg(s + 1));
                    return false;
                }
                const QPointF p = toDesign(pair.at(0).toDouble(), pair.at(1).toDouble());
                median.append(p);
                points.append(QJsonArray{qRound(p.x()), qRound(p.y())});
            }
            if (median.isEmpty()) {
                reportError(path, QStringLiteral("median %1 is empty").arg(s + 1));
                return false;
            }
            // The brush must reach every corner of the stroke's shape from its median.
            for (const QPointF& vertex : vertices)
                radius = std::max(radius, distanceToPolyline(vertex, median));

            const QString maskId = key + QLatin1Char('_') + QString::number(s + 1);
            insertMask.addBindValue(maskId);
            insertMask.addBindValue(
                svgDocument(QStringLiteral("<path d=\"%1\" fill=\"#000000\"/>").arg(d)));
            if (!writer.run(insertMask))
                return false;
            ++maskCount;
            outlineBody += QStringLiteral("<path d=\"%1\"/>").arg(d);
            strokeObjects.append(
                QJsonObject{{QStringLiteral("mask"),
                             QStringLiteral("masks/") + maskId + QStringLiteral(".svg")},
                            {QStringLiteral("points"), points}});
        }
        const int brushRadius =
            std::clamp(int(std::ceil(radius)), MinimumBrushRadius, MaximumBrushRadius);
        radii.append(brushRadius);
        const QJsonObject animation{{QStringLiteral("id"), i + 1},
                                    {QStringLiteral("character"), character},
                                    {QStringLiteral("brushRadius"), brushRadius},
                                    {QStringLiteral("font"), QStringLiteral("Ukai")},
                                    {QStringLiteral("strokes"), strokeObjects}};
        insertAnimation.addBindValue(i + 1);
        insertAnimation.addBindValue(character);
        insertAnimation.addBindValue(
            QString::fromUtf8(QJsonDocument(animation).toJson(QJsonDocument::Compact)));
        insertOutline.addBindValue(int(character.at(0).unicode()));
        insertOutline.addBindValue(svgDocument(QStringLiteral("<g fill=\"#000000\">") +
                                               outlineBody + QStringLiteral("</g>")));
        if (!writer.run(insertAnimation) || !writer.run(insertOutline))
            return false;
        if ((i + 1) % 2000 == 0)
            reportProgress(QStringLiteral("Animations: %1 characters written").arg(i + 1));
    }
    insertAnimation = QSqlQuery();
    insertMask = QSqlQuery();
    insertOutline = QSqlQuery();
    if (!writer.commit() ||
        !writer.execute(QStringLiteral("CREATE INDEX animations_korvo ON animations (korvo)")))
        return false;
    std::sort(radii.begin(), radii.end());
    reportProgress(QStringLiteral("Animations: %1 animations, %2 masks; brush radius min %3, "
                                  "median %4, max %5")
                       .arg(characters.size())
                       .arg(maskCount)
                       .arg(radii.first())
                       .arg(radii.at(radii.size() / 2))
                       .arg(radii.last()));
    if (!writer.finish())
        return false;
    reportProgress(QStringLiteral("Animations: done, %1").arg(targetPath));
    return true;
}

} // namespace korvo
