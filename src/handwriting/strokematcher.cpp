#include "handwriting/strokematcher.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvo {

namespace {

constexpr int K = HandwritingFeatures::PointsPerStroke;

} // namespace

void StrokeMatcher::setInput(const std::vector<float>& points, int strokeCount)
{
    m_input = points;
    m_inputStrokes = strokeCount;
}

double StrokeMatcher::strokeDistance(const float* a, const float* b)
{
    // The point distances first, all at once (vector instructions), then their sum.
    float distances[K];
    for (int k = 0; k < K; ++k) {
        const float dx = a[2 * k] - b[2 * k];
        const float dy = a[2 * k + 1] - b[2 * k + 1];
        distances[k] = std::sqrt(dx * dx + dy * dy);
    }
    float sum = 0;
    for (const float d : distances)
        sum += d;
    return sum / K;
}

double StrokeMatcher::distance(const HandwritingModel& model, const HandwritingModel::Entry& entry,
                               qint64* steps)
{
    const int n = m_inputStrokes;
    const int m = entry.strokeCount;
    if (n == 0 || m == 0)
        return std::numeric_limits<double>::infinity();
    const double unmatchedPair = ExtraStrokeCost + MissingStrokeCost;
    m_cost.resize(size_t(n) * m);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j)
            m_cost[size_t(i) * m + j] = strokeDistance(m_input.data() + size_t(i) * 2 * K,
                                                       model.strokePoints(entry.firstStroke + j));
    }
    *steps += qint64(n) * m * K;

    // The smaller side is assigned to the larger; pairing two strokes never costs more than
    // leaving both alone.
    const bool inputRows = n <= m;
    const int rows = inputRows ? n : m;
    const int columns = inputRows ? m : n;
    m_matrix.resize(size_t(rows) * columns);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const double cost = inputRows ? m_cost[size_t(r) * m + c] : m_cost[size_t(c) * m + r];
            m_matrix[size_t(r) * columns + c] = std::min(cost, unmatchedPair);
        }
    }
    assign(rows, columns, steps);

    // templateOf[i]: the template stroke drawn stroke i stands for, or -1.
    m_match.assign(n, -1);
    for (int c = 0; c < columns; ++c) {
        const int r = m_rowOfColumn[c];
        if (r < 0)
            continue;
        const int i = inputRows ? r : c;
        const int j = inputRows ? c : r;
        if (m_cost[size_t(i) * m + j] < unmatchedPair)
            m_match[i] = j;
    }
    std::vector<int> inputOf(m, -1);
    double total = 0;
    int matched = 0;
    for (int i = 0; i < n; ++i) {
        if (m_match[i] >= 0) {
            inputOf[m_match[i]] = i;
            total += m_cost[size_t(i) * m + m_match[i]];
            ++matched;
        }
    }
    total += (n - matched) * ExtraStrokeCost + (m - matched) * MissingStrokeCost;

    // A drawn stroke paired with one of two neighbouring template strokes while the other is
    // left over may be both of them joined: take that reading where it is cheaper.
    for (int j = 0; j + 1 < m; ++j) {
        const bool first = inputOf[j] >= 0, second = inputOf[j + 1] >= 0;
        if (first == second)
            continue;
        const int i = first ? inputOf[j] : inputOf[j + 1];
        const double single = m_cost[size_t(i) * m + (first ? j : j + 1)];
        const double joined = strokeDistance(m_input.data() + size_t(i) * 2 * K,
                                             model.joinedPoints(entry.firstJoined + j));
        *steps += K;
        const double saving = single + MissingStrokeCost - joined;
        if (saving > 0) {
            total -= saving;
            inputOf[j] = inputOf[j + 1] = i;
            m_match[i] = j;
            ++j; // the pair is taken
        }
    }

    int inversions = 0;
    for (int a = 0; a < n; ++a) {
        if (m_match[a] < 0)
            continue;
        for (int b = a + 1; b < n; ++b) {
            if (m_match[b] >= 0 && m_match[b] < m_match[a])
                ++inversions;
        }
    }
    *steps += qint64(n) * n / 2;
    total += inversions * OrderCost;
    return total / std::max(n, m);
}

void StrokeMatcher::assign(int rows, int columns, qint64* steps)
{
    // The Hungarian method with potentials, rows and columns counted from 1; column 0 is the
    // free start of each augmenting path.
    const double infinity = std::numeric_limits<double>::infinity();
    m_u.assign(rows + 1, 0);
    m_v.assign(columns + 1, 0);
    std::vector<int>& p = m_rowOfColumn;
    p.assign(columns + 1, 0);
    m_way.assign(columns + 1, 0);
    for (int i = 1; i <= rows; ++i) {
        p[0] = i;
        int j0 = 0;
        m_minimum.assign(columns + 1, infinity);
        m_used.assign(columns + 1, 0);
        do {
            m_used[j0] = 1;
            const int i0 = p[j0];
            double delta = infinity;
            int j1 = 0;
            for (int j = 1; j <= columns; ++j) {
                if (m_used[j])
                    continue;
                const double current =
                    m_matrix[size_t(i0 - 1) * columns + (j - 1)] - m_u[i0] - m_v[j];
                if (current < m_minimum[j]) {
                    m_minimum[j] = current;
                    m_way[j] = j0;
                }
                if (m_minimum[j] < delta) {
                    delta = m_minimum[j];
                    j1 = j;
                }
            }
            for (int j = 0; j <= columns; ++j) {
                if (m_used[j]) {
                    m_u[p[j]] += delta;
                    m_v[j] -= delta;
                } else {
                    m_minimum[j] -= delta;
                }
            }
            *steps += columns;
            j0 = j1;
        } while (p[j0] != 0);
        do {
            const int j1 = m_way[j0];
            p[j0] = p[j1];
            j0 = j1;
        } while (j0 != 0);
    }
    // Shift to 0-based: m_rowOfColumn[c] is the row (0-based) of column c, or -1.
    for (int c = 0; c < columns; ++c)
        p[c] = p[c + 1] - 1;
    p.resize(columns);
}

} // namespace korvo
