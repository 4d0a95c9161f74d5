#pragma once

#include "dictionary/dictionary.h"
#include "dictionary_ui/dictionarysearch.h"
#include "dictionary_ui/resultpageview.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

namespace korvo {
class KnowledgeUnit;
}

// How result pages are made: the template folder and the settings that change them.
struct ResultPageOptions
{
    // The dictionary page folder holding "page.html" and the other templates.
    QString pageFolder;
    // "simplified", "traditional" or "both".
    QString characterMode = QStringLiteral("simplified");
    // "pinyin" colours each syllable by its tone.
    QString pinyinColorization = QStringLiteral("pinyin");
    // Whether a character has a stroke animation (for the stroke order links).
    std::function<bool(const QString&)> hasStrokeAnimation;
};

// The skin's dictionary page folder.
QString dictionaryPageFolder();

// The status line alone (HTML) and no results: the welcome, searching and no-result pages.
PageContent statusContent(const QString& statusHtml);
// The content for `query`: the status line, the character box for a single character (or a
// radical listing), example sentences for a word, one page of result items and the page links.
// Every text that comes from the query or from the dictionary is escaped before it enters the
// page, and every link parameter is percent-encoded.
PageContent resultContent(korvo::Dictionary* dictionary, const ResultPageOptions& options,
                          const QString& query, const DictionarySearchResult& found, int pageIndex,
                          int resultsPerPage);
// "page.html" of the skin with the content filled in: what a full load of it shows.
QString renderPage(const PageContent& content, const QString& pageFolder = dictionaryPageFolder());

// The whole page of results, for callers that load pages.
QString renderResults(korvo::Dictionary* dictionary, const ResultPageOptions& options,
                      const QString& query, const DictionarySearchResult& found, int pageIndex,
                      int resultsPerPage);
QString renderStatusPage(const ResultPageOptions& options, const QString& statusHtml);

// A "quillet:" link with the query items in order, each value percent-encoded.
QString quilletLink(const QList<QPair<QString, QString>>& items);
