#pragma once

#include <QChar>
#include <QList>
#include <QString>

namespace korvo {

class Dictionary;

// One row of the dictionary's Characters table. Records are created and owned by the
// Dictionary that read them and stay valid for its lifetime; callers hold borrowed pointers.
struct CharacterInfo
{
    int id = 0;
    QChar character;
    int radicalId = 0;
    int strokeCount = 0;
    // Component ids (rows of DecompositionParts), first component first.
    QList<int> partIds;
    // The components as characters, derived from partIds on request (see Dictionary::parts).
    QString parts;
    bool partsValid = false;
    double frequency = 0;
    int hskLevel = 0;
    // 1 = most frequent; 20000 or more for characters no frequency list ranks.
    int rank = 20000;
    // The other script's form when it differs; null when the character has none.
    QChar simplifiedForm;
    QChar traditionalForm;
    Dictionary* dictionary = nullptr;
};

// One row of the Sentences table, returned by value from Dictionary::sentences.
struct Sentence
{
    int id = 0;
    QString simplified;
    QString traditional;
    QString english;
    // Where the sentence comes from and under which licence.
    QString attribution;
    double characterFrequency = 0;
    Dictionary* dictionary = nullptr;
};

} // namespace korvo
