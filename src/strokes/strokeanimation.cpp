#include "strokes/strokeanimation.h"

#include <QSvgRenderer>

#include <cmath>

namespace korvo {

namespace {

// Coordinates and radii far outside the design space are data faults; bounding them keeps
// every length and duration inside the range of an int.
constexpr double CoordinateLimit = 100000;

// The JSON codec gives numbers as their text; anything else (a list, a map, a bool, a null
// or a text that is no number) is not a number.
bool readNumber(const QVariant& value, double* number)
{
    if (value.typeId() != QMetaType::QString)
        return false;
    bool ok = false;
    const double result = value.toString().toDouble(&ok);
    if (!ok || !std::isfinite(result))
        return false;
    *number = result;
    return true;
}

bool isText(const QVariant& value)
{
    return value.typeId() == QMetaType::QString;
}

// A stroke from its object; an unusable object gives a stroke that draws nothing.
Stroke readStroke(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return Stroke::invalid();
    const QVariantMap object = value.toMap();
    const QVariant maskValue = object.value(QStringLiteral("mask"));
    QString mask;
    if (maskValue.isValid()) {
        if (!isText(maskValue))
            return Stroke::invalid();
        mask = maskValue.toString();
    }
    const QVariant pointsValue = object.value(QStringLiteral("points"));
    if (pointsValue.typeId() != QMetaType::QVariantList)
        return Stroke::invalid(mask);
    QVector<QPointF> points;
    for (const QVariant& pairValue : pointsValue.toList()) {
        if (pairValue.typeId() != QMetaType::QVariantList)
            return Stroke::invalid(mask);
        const QVariantList pair = pairValue.toList();
        double x = 0;
        double y = 0;
        if (pair.size() != 2 || !readNumber(pair.at(0), &x) || !readNumber(pair.at(1), &y) ||
            std::abs(x) > CoordinateLimit || std::abs(y) > CoordinateLimit)
            return Stroke::invalid(mask);
        points.append(QPointF(x, y));
    }
    return Stroke(mask, points);
}

} // namespace

StrokeAnimation::StrokeAnimation() = default;

StrokeAnimation::~StrokeAnimation() = default;

bool StrokeAnimation::build(const QVariant& description, int fallbackId,
                            const QString& fallbackCharacter)
{
    m_strokes.clear();
    m_outlineRenderer.reset();
    m_whiteOutlineRenderer.reset();
    m_outline.clear();
    m_id = 0;
    m_character.clear();
    m_brushRadius = 0;
    m_font.clear();

    if (description.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap map = description.toMap();

    int id = fallbackId;
    const QVariant idValue = map.value(QStringLiteral("id"));
    if (idValue.isValid()) {
        double number = 0;
        if (!readNumber(idValue, &number) || number != std::floor(number) || std::abs(number) > 2e9)
            return false;
        id = int(number);
    }

    QString character = fallbackCharacter;
    const QVariant characterValue = map.value(QStringLiteral("character"));
    if (characterValue.isValid()) {
        if (!isText(characterValue))
            return false;
        if (!characterValue.toString().isEmpty())
            character = characterValue.toString();
    }

    double radius = 0;
    if (!readNumber(map.value(QStringLiteral("brushRadius")), &radius) || radius < 0 ||
        radius > Stroke::DesignSize)
        return false;

    QString font;
    const QVariant fontValue = map.value(QStringLiteral("font"));
    if (fontValue.isValid()) {
        if (!isText(fontValue))
            return false;
        font = fontValue.toString();
    }

    const QVariant strokesValue = map.value(QStringLiteral("strokes"));
    if (strokesValue.typeId() != QMetaType::QVariantList)
        return false;
    const QVariantList strokeValues = strokesValue.toList();
    if (strokeValues.isEmpty())
        return false;

    m_id = id;
    m_character = character;
    m_brushRadius = int(std::round(radius));
    m_font = font.isEmpty() ? QStringLiteral("Ukai") : font;
    m_strokes.reserve(strokeValues.size());
    for (const QVariant& value : strokeValues)
        m_strokes.push_back(std::make_unique<Stroke>(readStroke(value)));
    return true;
}

Stroke* StrokeAnimation::stroke(int index) const
{
    if (index < 0 || index >= int(m_strokes.size()))
        return nullptr;
    return m_strokes[size_t(index)].get();
}

bool StrokeAnimation::setOutlineSvg(const QString& svg)
{
    m_outlineRenderer.reset();
    m_whiteOutlineRenderer.reset();
    m_outline.clear();
    QDomDocument document;
    if (!document.setContent(svg) || document.documentElement().tagName() != QLatin1String("svg"))
        return false;
    m_outline = document;
    return true;
}

void StrokeAnimation::colourPaths(const QString& colourName)
{
    const QDomNodeList groups = m_outline.elementsByTagName(QStringLiteral("g"));
    for (int i = 0; i < groups.size(); ++i)
        groups.at(i).toElement().removeAttribute(QStringLiteral("fill"));
    const QDomNodeList paths = m_outline.elementsByTagName(QStringLiteral("path"));
    for (int i = 0; i < paths.size(); ++i)
        paths.at(i).toElement().setAttribute(QStringLiteral("fill"), colourName);
}

void StrokeAnimation::setOutlineColor(const QColor& color)
{
    m_outlineRenderer.reset();
    colourPaths(color.name(QColor::HexRgb));
}

QString StrokeAnimation::outlineFill() const
{
    for (const QString& tag : {QStringLiteral("g"), QStringLiteral("path")}) {
        const QDomNodeList elements = m_outline.elementsByTagName(tag);
        for (int i = 0; i < elements.size(); ++i) {
            const QDomElement element = elements.at(i).toElement();
            if (element.hasAttribute(QStringLiteral("fill")))
                return element.attribute(QStringLiteral("fill"));
        }
    }
    return QString();
}

QSvgRenderer* StrokeAnimation::outlineRenderer()
{
    if (m_outline.isNull())
        return nullptr;
    if (!m_outlineRenderer)
        m_outlineRenderer = std::make_unique<QSvgRenderer>(m_outline.toByteArray(-1));
    return m_outlineRenderer.get();
}

QSvgRenderer* StrokeAnimation::whiteOutlineRenderer()
{
    if (m_outline.isNull())
        return nullptr;
    if (!m_whiteOutlineRenderer) {
        const QString fill = outlineFill();
        colourPaths(QColor(255, 255, 255).name(QColor::HexRgb));
        m_whiteOutlineRenderer = std::make_unique<QSvgRenderer>(m_outline.toByteArray(-1));
        // Back to the colour the document had; the coloured renderer stays valid.
        if (fill.isEmpty()) {
            const QDomNodeList paths = m_outline.elementsByTagName(QStringLiteral("path"));
            for (int i = 0; i < paths.size(); ++i)
                paths.at(i).toElement().removeAttribute(QStringLiteral("fill"));
        } else {
            colourPaths(fill);
        }
    }
    return m_whiteOutlineRenderer.get();
}

} // namespace korvo
