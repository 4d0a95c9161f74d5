#pragma once

#include "sourcefiles.h"

#include <QString>

namespace korvo {

// Builds "Animations.db" from the stroke outlines and medians of the hanzi-writer-data package:
// per character the animation description, one mask per stroke and the whole outline, all in
// the 800 x 800 design space with the y axis pointing down.
class AnimationBuilder
{
public:
    explicit AnimationBuilder(const SourceFiles& files);

    bool build(const QString& targetPath);

private:
    const SourceFiles& m_files;
};

} // namespace korvo
