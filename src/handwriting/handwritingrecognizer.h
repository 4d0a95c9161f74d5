#pragma once

#include "handwriting/handwritingdrawing.h"
#include "handwriting/handwritingmodel.h"
#include "handwriting/strokematcher.h"

#include <QString>
#include <QVector>

#include <memory>

namespace korvo {

// Turns a drawing into the characters it most likely shows, best first. Two stages: every
// template whose stroke count is near the drawing's is compared by its coarse direction picture
// (cheap, and blind to stroke order and count), then the closest few hundred are matched stroke
// by stroke (StrokeMatcher). The work is bounded whatever the drawing: its points are only
// resampled, and a drawing with far more strokes than any character has gets no candidates.
//
// Owns its model. The program shares one recogniser, loaded on first use (shared()).
class HandwritingRecognizer
{
public:
    struct Candidate
    {
        QString character;
        // Lower is closer.
        double distance = 0;
        unsigned char scripts = HandwritingModel::BothScripts;
    };

    // What one recognition cost: comparison steps (points, feature values, assignment steps),
    // templates compared coarsely and stroke by stroke.
    struct Work
    {
        qint64 steps = 0;
        int coarseComparisons = 0;
        int strokeMatches = 0;
    };

    static constexpr int DefaultLimit = 10;
    // Templates kept from the coarse stage for stroke matching.
    static constexpr int ShortlistSize = 300;
    // How many strokes more or fewer than the drawing a template may have.
    static constexpr int StrokeCountSlack = 3;

    HandwritingRecognizer();
    explicit HandwritingRecognizer(std::unique_ptr<HandwritingModel> model);
    ~HandwritingRecognizer();

    bool load(const QString& path, QString* error);
    const HandwritingModel& model() const { return *m_model; }

    // Up to `limit` candidates, best first; with a preferred script (Simplified or
    // Traditional) the candidates of that script come before the others, each group best
    // first. Nothing for an empty drawing or an empty model.
    QVector<Candidate> recognize(const HandwritingDrawing& drawing, int limit = DefaultLimit,
                                 HandwritingModel::Script preferred = HandwritingModel::BothScripts,
                                 Work* work = nullptr);

    // The program's recogniser on the model file (by default data/Handwriting.model beside the
    // executable), loaded on first call. Its model is empty when the file cannot be read; the
    // reason is written once on the error output.
    static HandwritingRecognizer* shared();
    static void setSharedModelFile(const QString& path);
    static QString sharedModelFile();

private:
    std::unique_ptr<HandwritingModel> m_model;
    StrokeMatcher m_matcher;
};

} // namespace korvo
