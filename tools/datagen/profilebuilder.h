#pragma once

#include "sourcefiles.h"

#include <QString>

namespace korvo {

// Builds "Profile.default.db", the template of every new profile: the profile schema with its
// version row and the built-in decks (HSK levels, most common characters, radicals) with their
// fixed identifiers, each card's knowledge unit copied from the built dictionary.
class ProfileBuilder
{
public:
    explicit ProfileBuilder(const SourceFiles& files);

    bool build(const QString& dictionaryPath, const QString& targetPath);

private:
    const SourceFiles& m_files;
};

} // namespace korvo
