#pragma once

#include "handwriting/handwritingmodel.h"

#include <vector>

namespace korvo {

// Measures how far a drawing is from one character template, stroke against stroke, forgiving
// what learners get wrong: strokes are paired by the cheapest one-to-one assignment (so the
// order they were drawn in matters only a little), a stroke left over on either side costs a
// fixed amount (an extra or a missing stroke), and one drawn stroke may stand for two
// neighbouring template strokes written without lifting the pen. Owned by the recogniser, which
// reuses one matcher (and its buffers) for every template.
class StrokeMatcher
{
public:
    // The cost of a drawn stroke that matches nothing, and of a template stroke nothing matched,
    // in the unit of the stroke distance (mean distance of corresponding points, the character
    // spanning 1).
    static constexpr double ExtraStrokeCost = 0.14;
    static constexpr double MissingStrokeCost = 0.14;
    // Added per pair of strokes drawn in the opposite order of the template's.
    static constexpr double OrderCost = 0.004;

    // The drawn strokes: PointsPerStroke (x, y) pairs each, normalised like the templates.
    void setInput(const std::vector<float>& points, int strokeCount);

    // The distance of the input from the template, per stroke of the larger side; `steps` is
    // increased by the work done (point comparisons and assignment steps).
    double distance(const HandwritingModel& model, const HandwritingModel::Entry& entry,
                    qint64* steps);

    // Mean distance of corresponding points of two resampled strokes.
    static double strokeDistance(const float* a, const float* b);

private:
    // Assigns rows to distinct columns (rows <= columns) at the least total of m_matrix;
    // m_rowOfColumn[j] becomes the row of column j or -1.
    void assign(int rows, int columns, qint64* steps);

    std::vector<float> m_input;
    int m_inputStrokes = 0;
    std::vector<double> m_cost;   // input stroke i, template stroke j: i * m + j
    std::vector<double> m_matrix; // the assignment problem, rows x columns
    std::vector<int> m_rowOfColumn;
    std::vector<double> m_u, m_v, m_minimum;
    std::vector<int> m_way, m_match;
    std::vector<char> m_used;
};

} // namespace korvo
