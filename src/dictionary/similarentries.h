#pragma once

#include "dictionary/dictionary.h"

#include <QChar>
#include <QList>
#include <QString>

namespace korvo {

class KnowledgeUnit;
struct CharacterInfo;

// The wrong answers of multiple-choice questions: random units like the right one, and
// characters that resemble a character. Random units are drawn by id; characters come from the
// database in random order (ORDER BY RANDOM()).
// Owned by its Dictionary, which it borrows; what it returns is owned by the dictionary.
class SimilarEntries
{
public:
    explicit SimilarEntries(Dictionary* dictionary);

    // Up to `count` random units of the same length whose field for the type differs from
    // `exclude`; types 0, 1, 2, 5. Fewer of the same length: any length.
    QList<KnowledgeUnit*> randomKnowledgeUnits(Dictionary::TextType type, int count,
                                               const QString& exclude, int length);
    // Characters resembling c: mode "sameRadical" or "sameEnd"; form "simplified",
    // "traditional" or anything else for no restriction. Random order.
    QList<CharacterInfo*> similarCharacters(QChar c, const QString& form, const QString& mode,
                                            int limit);

private:
    // Up to `count` ids of rows meeting the condition (with ":field" bound to `exclude`), drawn
    // at random; fewer when few rows meet it.
    QList<int> drawIds(const QString& condition, const QString& field, const QString& exclude,
                       int count);

    Dictionary* m_dictionary;
    int m_largestId = 0;
};

} // namespace korvo
