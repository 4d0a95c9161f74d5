#pragma once

#include "dictionary/dictionary.h"
#include "dictionary/rankedresults.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

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
    // When no entry matches the whole query, the words it was read as (in order), whose entries
    // are the results; empty otherwise.
    QStringList words;
};

// The text before the first ":" in lower case when the ":" is not the first character, else "".
QString queryPrefix(const QString& query);
// The text after that ":", else the whole query.
QString queryBody(const QString& query);

// Runs a query of the dictionary screen: "radical:<character>" lists the characters of a radical
// in the forms `characterMode` shows (a character is listed when the form shown carries the
// radical, in its traditional or its simplified shape); any other text is searched as `type`
// (AutoDetect finds the type) and ranked. A query of several pinyin syllables or Chinese
// characters that no entry matches whole is read as words, and their entries are the results,
// word by word in order ("ni hao ma": 你好, then 吗).
DictionarySearchResult runSearch(korvo::Dictionary* dictionary, const QString& query,
                                 korvo::Dictionary::TextType type, const QString& characterMode);
