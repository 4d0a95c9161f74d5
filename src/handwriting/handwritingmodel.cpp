#include "handwriting/handwritingmodel.h"

#include "text/translationcatalogue.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

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
    // Little-endian throughout: magic, format version and count, then per entry the character
    // (its UTF-8 length in one byte, then the bytes), the scripts, the rank (four bytes), the
    // stroke count and the points, one byte per coordinate.
    QByteArray bytes;
    auto append32 = [&bytes](quint32 value) {
        const quint32 little = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&little), sizeof little);
    };
    append32(Magic);
    append32(FormatVersion);
    append32(quint32(m_entries.size()));
    for (const Entry& entry : m_entries) {
        const QByteArray character = entry.character.toUtf8().left(255);
        bytes.append(char(character.size()));
        bytes.append(character);
        bytes.append(char(entry.scripts));
        append32(quint32(entry.rank));
        bytes.append(char(entry.strokeCount));
        const float* points = strokePoints(entry.firstStroke);
        for (int i = 0; i < entry.strokeCount * K * 2; ++i)
            bytes.append(char(quantized(points[i])));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
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
    const QByteArray bytes = file.readAll();
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype total = bytes.size();
    qsizetype at = 0;
    auto read32 = [&](quint32* value) {
        if (total - at < 4)
            return false;
        *value = qFromLittleEndian<quint32>(data + at);
        at += 4;
        return true;
    };
    quint32 magic = 0, version = 0, count = 0;
    if (!read32(&magic) || !read32(&version) || !read32(&count) || magic != Magic ||
        version != FormatVersion) {
        *error =
            translate(QStringLiteral("not a handwriting model of format %1")).arg(FormatVersion);
        return false;
    }
    // Every entry takes a few bytes at least: a count beyond that is damage, not a size.
    m_entries.reserve(std::min<qsizetype>(count, total / 8));
    // The points take nearly all of the file; joined pairs are about as many as strokes.
    m_points.reserve(total);
    m_joined.reserve(total);
    m_features.reserve(size_t(m_entries.capacity()) * HandwritingFeatures::FeatureSize);
    QVector<QVector<QPointF>> strokes;
    for (quint32 i = 0; i < count; ++i) {
        if (total - at < 1 || total - at < 1 + data[at] + 6)
            break;
        const int length = data[at++];
        const QString character =
            QString::fromUtf8(reinterpret_cast<const char*>(data + at), length);
        at += length;
        const unsigned char scripts = data[at++];
        quint32 rank = 0;
        read32(&rank);
        const int strokeCount = data[at++];
        if (strokeCount == 0 || total - at < qsizetype(strokeCount) * K * 2)
            break;
        strokes.resize(strokeCount);
        for (QVector<QPointF>& stroke : strokes) {
            stroke.resize(K);
            for (QPointF& p : stroke) {
                p = QPointF(data[at] / Steps, data[at + 1] / Steps);
                at += 2;
            }
        }
        appendEntry(character, scripts, int(rank), strokes);
    }
    if (size() != int(count) || at != total) {
        clear();
        *error = translate(QStringLiteral("the handwriting model is damaged or cut short"));
        return false;
    }
    return true;
}

} // namespace korvo
