#pragma once

#include "dictionary/dictionary.h"

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
    // Whether a character has a stroke animation (for the character box's link).
    std::function<bool(QChar)> hasStrokeAnimation;
};

// "page.html" with a status text (HTML) and no results: the welcome, searching and
// no-result pages.
QString renderStatusPage(const ResultPageOptions& options, const QString& statusHtml);

// The page of results for `query`: the status line, the character box for a single character
// (or a radical listing), one page of result items and the page links. Every text that comes
// from the query or from the dictionary is escaped before it enters the page, and every link
// parameter is percent-encoded.
QString renderResults(korvo::Dictionary* dictionary, const ResultPageOptions& options,
                      const QString& query, korvo::Dictionary::TextType type,
                      const QList<korvo::KnowledgeUnit*>& results, korvo::KnowledgeUnit* radical,
                      const QHash<int, int>& radicalForms, int pageIndex, int resultsPerPage);

// A "quillet:" link with the query items in order, each value percent-encoded.
QString quilletLink(const QList<QPair<QString, QString>>& items);
