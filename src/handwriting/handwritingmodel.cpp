#include "handwriting/handwritingmodel.h"

#include "text/translationcatalogue.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace korvo {

namespace {

constexpr quint32 Magic = 0x4b48574d; // "KHWM"
constexpr int K = HandwritingFeatures::PointsPerStroke;
// Coordinates in the unit square are stored in steps of 1/255.
constexpr double Steps = 255.0;
// No character has more strokes than this; a file that says otherwise is damaged.
constexpr int MaximumStrokes = 255;

quint8 quantized(double value)
{
    return quint8(std::lround(std::clamp(value, 0.0, 1.0) * Steps));
}

} // namespace

const QString HandwritingModel::FileName = QStringLiteral("Handwriting.model");

void HandwritingModel::clear()
{
    m_entries.clear();
    m_points.clear();
    m_joined.clear();
    m_features.clear();
    m_maximumStrokeCount = 0;
}

void HandwritingModel::addCharacter(const QString& character, unsigned char scripts, int rank,
                                    const QVector<QVector<QPointF>>& strokes)
{
    QVector<QVector<QPointF>> resampled;
    for (const QVector<QPointF>& stroke : HandwritingFeatures::normalized(strokes, 0))
        resampled.append(HandwritingFeatures::resampled(stroke));
    if (resampled.isEmpty() || resampled.size() > MaximumStrokes)
        return;
    // Stored as the file stores it, so that a built model and a loaded one agree exactly.
    for (QVector<QPointF>& stroke : resampled) {
        for (QPointF& p : stroke)
            p = QPointF(quantized(p.x()) / Steps, quantized(p.y()) / Steps);
    }
    appendEntry(character, scripts, rank, resampled);
}

void HandwritingModel::appendEntry(const QString& character, unsigned char scripts, int rank,
                                   const QVector<QVector<QPointF>>& strokes)
{
    Entry entry;
    entry.character = character;
    entry.scripts = scripts;
    entry.rank = rank;
    entry.strokeCount = strokes.size();
    entry.firstStroke = int(m_points.size() / (2 * K));
    entry.firstJoined = int(m_joined.size() / (2 * K));
    for (const QVector<QPointF>& stroke : strokes) {
        for (const QPointF& p : stroke) {
            m_points.push_back(float(p.x()));
            m_points.push_back(float(p.y()));
        }
    }
    for (int s = 1; s < strokes.size(); ++s) {
        for (const QPointF& p : HandwritingFeatures::joined(strokes.at(s - 1), strokes.at(s))) {
            m_joined.push_back(float(p.x()));
            m_joined.push_back(float(p.y()));
        }
    }
    const size_t offset = m_features.size();
    m_features.resize(offset + HandwritingFeatures::FeatureSize, 0.0f);
    for (int s = 0; s < entry.strokeCount; ++s)
        HandwritingFeatures::addInk(strokePoints(entry.firstStroke + s), K, &m_features[offset]);
    HandwritingFeatures::finish(&m_features[offset]);
    m_maximumStrokeCount = std::max(m_maximumStrokeCount, entry.strokeCount);
    m_entries.push_back(entry);
}

int HandwritingModel::indexOf(const QString& character) const
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].character == character)
            return int(i);
    }
    return -1;
}

bool HandwritingModel::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_4);
    out << Magic << FormatVersion << quint32(m_entries.size());
    for (const Entry& entry : m_entries) {
        out << entry.character << quint8(entry.scripts) << quint32(entry.rank)
            << quint8(entry.strokeCount);
        const float* points = strokePoints(entry.firstStroke);
        for (int i = 0; i < entry.strokeCount * K * 2; ++i)
            out << quantized(points[i]);
    }
    if (out.status() != QDataStream::Ok || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool HandwritingModel::load(const QString& path, QString* error)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0, version = 0, count = 0;
    in >> magic >> version >> count;
    if (magic != Magic || version != FormatVersion) {
        *error =
            translate(QStringLiteral("not a handwriting model of format %1")).arg(FormatVersion);
        return false;
    }
    // Every entry takes at least a few bytes: a count beyond that is damage, not a size to
    // reserve.
    m_entries.reserve(std::min<quint64>(count, quint64(file.size() / 8)));
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString character;
        quint8 scripts = 0, strokeCount = 0;
        quint32 rank = 0;
        in >> character >> scripts >> rank >> strokeCount;
        if (strokeCount == 0)
            break;
        QVector<QVector<QPointF>> strokes(strokeCount);
        for (QVector<QPointF>& stroke : strokes) {
            for (int k = 0; k < K; ++k) {
                quint8 x = 0, y = 0;
                in >> x >> y;
                stroke.append(QPointF(x / Steps, y / Steps));
            }
        }
        if (in.status() != QDataStream::Ok)
            break;
        appendEntry(character, scripts, int(rank), strokes);
    }
    if (in.status() != QDataStream::Ok || size() != int(count)) {
        clear();
        *error = translate(QStringLiteral("the handwriting model is damaged or cut short"));
        return false;
    }
    return true;
}

} // namespace korvo
