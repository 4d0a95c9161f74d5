#pragma once

#include <QMap>
#include <QString>

// The dictionary pages are HTML template files of the skin with "{$name}" placeholders, filled
// by plain substitution. Template texts are read once per file and kept for the process.

// The template at `filePath` with the placeholders of `values` (in ascending order of name) and
// then the globals replaced. Placeholders without a value stay as they are; values are inserted
// unchanged. A file that cannot be read renders as "" (and is tried again next time).
QString renderTemplate(const QString& filePath, const QMap<QString, QString>& values = {});
// A value filled into every template (for example "baseUrl") unless the caller gives its own.
void setTemplateGlobal(const QString& name, const QString& value);
// A font family as it can stand between quotes in a style sheet.
QString cssFontFamily(const QString& family);
// Forgets the cached template texts, so that changed files are read again.
void clearTemplateCache();
