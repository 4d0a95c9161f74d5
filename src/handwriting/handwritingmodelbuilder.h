#pragma once

#include "handwriting/handwritingmodel.h"

#include <QString>

namespace korvo {

// Makes the handwriting model from the program's own data: the stroke medians of every
// character in "Animations.db", with the script and frequency rank of the character from the
// `Characters` table of "Dictionary.db" (a character the dictionary does not list counts as
// both scripts, unranked). Used by the data build; the result is the caller's.
class HandwritingModelBuilder
{
public:
    HandwritingModelBuilder(const QString& animationsPath, const QString& dictionaryPath);

    // False, with *error naming the file and the reason, when a database cannot be read or
    // holds no usable character.
    bool build(HandwritingModel* model, QString* error);

private:
    bool readCharacters(QHash<QString, QPair<unsigned char, int>>* characters, QString* error);

    QString m_animationsPath;
    QString m_dictionaryPath;
};

} // namespace korvo
