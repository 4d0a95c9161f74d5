#pragma once

#include "handwriting/handwritingfeatures.h"

#include <QString>
#include <QVector>

#include <vector>

namespace korvo {

// The character templates the recogniser compares a drawing with: per character its script,
// its frequency rank and its strokes (the stroke medians of the stroke order data, normalised
// and resampled by HandwritingFeatures), stored in the data folder as "Handwriting.model".
// Loading derives what the recogniser needs besides: each pair of neighbouring strokes written as
// one, and the coarse direction picture of the whole character. Owned by its recogniser.
class HandwritingModel
{
public:
    enum Script : unsigned char { Simplified = 1, Traditional = 2, BothScripts = 3 };

    struct Entry
    {
        QString character;
        unsigned char scripts = BothScripts;
        // 1 for the most frequent character; 0 when the dictionary gives none.
        int rank = 0;
        int strokeCount = 0;
        // Index of the first stroke in strokePoints() and of the first joined pair in
        // joinedPoints() (strokeCount - 1 pairs).
        int firstStroke = 0;
        int firstJoined = 0;
    };

    static const QString FileName; // "Handwriting.model"
    // Changes whenever the features or the file layout change, so that an old file is refused
    // instead of being misread.
    static constexpr quint32 FormatVersion = 1;

    // Adds a character drawn by `strokes` in any coordinates with y pointing down; strokes
    // without points are ignored, a character without any is not added.
    void addCharacter(const QString& character, unsigned char scripts, int rank,
                      const QVector<QVector<QPointF>>& strokes);

    bool save(const QString& path, QString* error) const;
    // Replaces the model by the file's; false (with the model left empty) when the file is
    // missing, is not a model of this format version or is cut short.
    bool load(const QString& path, QString* error);

    int size() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    const Entry& entry(int index) const { return m_entries[index]; }
    const std::vector<Entry>& entries() const { return m_entries; }
    int maximumStrokeCount() const { return m_maximumStrokeCount; }
    // The index of the character, or -1.
    int indexOf(const QString& character) const;

    // PointsPerStroke (x, y) pairs per stroke, per joined pair and FeatureSize values per entry.
    const float* strokePoints(int stroke) const
    {
        return m_points.data() + size_t(stroke) * HandwritingFeatures::PointsPerStroke * 2;
    }
    const float* joinedPoints(int pair) const
    {
        return m_joined.data() + size_t(pair) * HandwritingFeatures::PointsPerStroke * 2;
    }
    const float* feature(int index) const
    {
        return m_features.data() + size_t(index) * HandwritingFeatures::FeatureSize;
    }

private:
    void clear();
    void appendEntry(const QString& character, unsigned char scripts, int rank,
                     const QVector<QVector<QPointF>>& strokes);

    std::vector<Entry> m_entries;
    std::vector<float> m_points;
    std::vector<float> m_joined;
    std::vector<float> m_features;
    int m_maximumStrokeCount = 0;
};

} // namespace korvo
