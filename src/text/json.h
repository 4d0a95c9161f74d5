#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// The JSON codec behind deck files, the update-check reply, the style sheet, stroke data and
// the user's style overrides.
//
// Reading gives nested variants: QVariantMap for objects, QVariantList for arrays, QString for
// strings *and for numbers* (their characters as written; callers convert them), bool, and an
// invalid variant for null. Commas are optional separators, unknown escapes are dropped and
// whatever follows the first value is ignored. Nesting deeper than jsonMaxDepth fails. A
// surrogate code unit without its partner, escaped or not, reads as U+FFFD, so every text read
// is valid UTF-16.
//
// Writing produces compact ASCII-only JSON (no white space, every character outside 32-126 as
// a \u escape, map keys in sorted order, doubles in %g form with ".0" added when they would
// otherwise look like integers, non-finite doubles as null).
namespace korvo {

constexpr int jsonMaxDepth = 512;

// Parses one value from the start of the text. *ok (if given) becomes false on a syntax error;
// the value is then an empty map, an empty list or an invalid variant. A null text gives an
// invalid variant with *ok true.
QVariant readJson(const QString& text, bool* ok = nullptr);

// Writes the value as UTF-8 JSON; on failure (a value that is neither a number nor
// convertible to text, or nesting deeper than jsonMaxDepth) *ok becomes false and the result
// is a null byte array.
QByteArray writeJson(const QVariant& value, bool* ok = nullptr);

} // namespace korvo
