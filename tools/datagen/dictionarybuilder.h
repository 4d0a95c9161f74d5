#pragma once

#include "sourcefiles.h"

#include <QString>

namespace korvo {

// Builds "Dictionary.db" from CC-CEDICT, the Unihan data, the character decompositions, the
// frequency lists, the HSK lists, the Kangxi radicals and the example sentences.
class DictionaryBuilder
{
public:
    explicit DictionaryBuilder(const SourceFiles& files);

    // Writes the database to `targetPath`; false (reported) when an input is missing or
    // malformed or the file cannot be written.
    bool build(const QString& targetPath);

private:
    const SourceFiles& m_files;
};

} // namespace korvo
