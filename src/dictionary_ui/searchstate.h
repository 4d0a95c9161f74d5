#pragma once

#include "dictionary/dictionary.h"
#include "dictionary_ui/dictionarysearch.h"

#include <QString>

// One search of the dictionary screen: the last one shown, and each entry of its history
// (history entries keep no results). The units are borrowed from the dictionary.
struct SearchState
{
    bool isEmpty = true;
    QString query;
    // After automatic detection, the type that produced the results.
    korvo::Dictionary::TextType queryType = korvo::Dictionary::AutoDetect;
    int pageIndex = 0;
    int resultsPerPage = 30;
    // What the search found: the ranked results and, for a radical listing, its radical and the
    // form of each character, so that another page of it shows the same listing.
    DictionarySearchResult found;
};
