#pragma once

#include "dictionary/dictionary.h"

#include <QList>
#include <QString>

namespace korvo {
class KnowledgeUnit;
}

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
    QList<korvo::KnowledgeUnit*> results;
};
