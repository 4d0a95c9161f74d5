#include "handwriting/handwritingdrawing.h"

#include "text/translationcatalogue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace korvo {

namespace {

bool isCoordinate(const QJsonValue& value)
{
    return value.isDouble() && std::isfinite(value.toDouble()) &&
           std::abs(value.toDouble()) <= HandwritingDrawing::MaximumCoordinate;
}

bool readSize(const QJsonObject& object, const QString& name, double* size, QString* error)
{
    const QJsonValue value = object.value(name);
    if (value.isUndefined()) {
        *error = translate(QStringLiteral("\"%1\" is missing")).arg(name);
        return false;
    }
    if (!isCoordinate(value) || value.toDouble() <= 0) {
        *error = translate(QStringLiteral("\"%1\" must be a positive number")).arg(name);
        return false;
    }
    *size = value.toDouble();
    return true;
}

bool readStroke(const QJsonValue& value, int strokeNumber, HandwritingDrawing::Stroke* stroke,
                QString* error)
{
    if (!value.isArray()) {
        *error = translate(QStringLiteral("stroke %1 is not a list of points")).arg(strokeNumber);
        return false;
    }
    const QJsonArray points = value.toArray();
    if (points.isEmpty()) {
        *error = translate(QStringLiteral("stroke %1 has no points")).arg(strokeNumber);
        return false;
    }
    stroke->reserve(points.size());
    for (int i = 0; i < points.size(); ++i) {
        const QJsonArray pair = points.at(i).toArray();
        if (!points.at(i).isArray() || pair.size() != 2 || !isCoordinate(pair.at(0)) ||
            !isCoordinate(pair.at(1))) {
            *error = translate(QStringLiteral("point %1 of stroke %2 is not [x, y] with numbers of "
                                              "at most %3 in magnitude"))
                         .arg(i + 1)
                         .arg(strokeNumber)
                         .arg(HandwritingDrawing::MaximumCoordinate);
            return false;
        }
        stroke->append(QPointF(pair.at(0).toDouble(), pair.at(1).toDouble()));
    }
    return true;
}

} // namespace

void HandwritingDrawing::setSize(double width, double height)
{
    m_width = width;
    m_height = height;
}

int HandwritingDrawing::pointCount() const
{
    int count = 0;
    for (const Stroke& stroke : m_strokes)
        count += stroke.size();
    return count;
}

void HandwritingDrawing::beginStroke(const QPointF& point)
{
    m_strokes.append(Stroke{point});
}

void HandwritingDrawing::addPoint(const QPointF& point)
{
    if (m_strokes.isEmpty())
        beginStroke(point);
    else
        m_strokes.last().append(point);
}

void HandwritingDrawing::addStroke(const Stroke& stroke)
{
    if (!stroke.isEmpty())
        m_strokes.append(stroke);
}

void HandwritingDrawing::removeLastStroke()
{
    if (!m_strokes.isEmpty())
        m_strokes.removeLast();
}

HandwritingDrawing HandwritingDrawing::fromJson(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = translate(QStringLiteral("not JSON: %1 at offset %2"))
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return {};
    }
    if (!document.isObject()) {
        *error = translate(QStringLiteral("the drawing must be a JSON object"));
        return {};
    }
    const QJsonObject object = document.object();
    HandwritingDrawing drawing;
    if (!readSize(object, QStringLiteral("width"), &drawing.m_width, error) ||
        !readSize(object, QStringLiteral("height"), &drawing.m_height, error))
        return {};
    const QJsonValue strokes = object.value(QLatin1String("strokes"));
    if (!strokes.isArray()) {
        *error = translate(QStringLiteral("\"strokes\" must be a list of strokes"));
        return {};
    }
    const QJsonArray list = strokes.toArray();
    drawing.m_strokes.reserve(list.size());
    for (int s = 0; s < list.size(); ++s) {
        Stroke stroke;
        if (!readStroke(list.at(s), s + 1, &stroke, error))
            return {};
        drawing.m_strokes.append(stroke);
    }
    error->clear();
    return drawing;
}

QByteArray HandwritingDrawing::toJson() const
{
    QJsonArray strokes;
    for (const Stroke& stroke : m_strokes) {
        QJsonArray points;
        for (const QPointF& point : stroke)
            points.append(QJsonArray{point.x(), point.y()});
        strokes.append(points);
    }
    const QJsonObject object{{QStringLiteral("width"), m_width},
                             {QStringLiteral("height"), m_height},
                             {QStringLiteral("strokes"), strokes}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace korvo
