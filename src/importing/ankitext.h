#pragma once

#include "importing/importedfile.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace korvo {

// The texts inside an Anki collection: note fields (HTML, joined by U+001F), deck names
// ("A::B::C", or with U+001F in the newer layout) and the older layout's note types and decks
// as JSON in the col table. Stateless.
class AnkiText
{
public:
    static constexpr char16_t FieldSeparator = 0x1F;

    // The fields of a note's flds column.
    static QStringList splitFields(const QString& fields);
    // A field as plain text: [sound:...] and tags dropped, <br> and block ends turned into line
    // breaks, entities decoded, blanks simplified, empty lines removed.
    static QString htmlToPlainText(const QString& html);
    // The folder titles followed by the deck title; empty parts dropped.
    static QStringList deckPath(const QString& name);

    // The note types of col.models, by id, their fields in field order.
    static QHash<qint64, NoteType> noteTypesFromJson(const QString& json);
    // The deck names of col.decks, by id.
    static QHash<qint64, QString> deckNamesFromJson(const QString& json);
};

} // namespace korvo
