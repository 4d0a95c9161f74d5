#pragma once

#include "dictionary/dictionary.h"
#include "dictionary/rankedresults.h"

#include <QHash>
#include <QList>
#include <QString>

namespace korvo {
class KnowledgeUnit;
}

// What a search of the dictionary screen found. Units are borrowed from the dictionary.
struct DictionarySearchResult
{
    korvo::Dictionary::TextType type = korvo::Dictionary::AutoDetect;
    // Ranked, ordered and loaded a page at a time.
    korvo::RankedResults results;
    // For "radical:" queries: the radical, and for each listed unit id whether it is shown in
    // its simplified (0) or traditional (1) form.
    korvo::KnowledgeUnit* radical = nullptr;
    QHash<int, int> radicalForms;
};

// The text before the first ":" in lower case when the ":" is not the first character, else "".
QString queryPrefix(const QString& query);
// The text after that ":", else the whole query.
QString queryBody(const QString& query);

// Runs a query of the dictionary screen: "radical:<character>" lists the characters of a radical
// in the forms `characterMode` shows (a character is listed when the form shown carries the
// radical, in its traditional or its simplified shape); any other text is searched as `type`
// (AutoDetect finds the type) and ranked.
DictionarySearchResult runSearch(korvo::Dictionary* dictionary, const QString& query,
                                 korvo::Dictionary::TextType type, const QString& characterMode);
