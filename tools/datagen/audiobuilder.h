#pragma once

#include "sourcefiles.h"

#include <QString>

namespace korvo {

// Fills the "pinyin" folder with one MP3 per recording key of the 411 syllables in tones 1-5:
// the human recording where the source data has one (hard-linked, or copied across file
// systems), otherwise a recording synthesised with espeak-ng and encoded with lame. Only
// missing synthesised files are made again, so a rebuild is quick.
class AudioBuilder
{
public:
    explicit AudioBuilder(const SourceFiles& files);

    bool build(const QString& targetDir, const QString& stampPath, int jobs);

private:
    const SourceFiles& m_files;
};

} // namespace korvo
