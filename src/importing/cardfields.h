#pragma once

#include "importing/fieldmapping.h"
#include "importing/importedfile.h"

#include <QString>
#include <QStringList>

namespace korvo {

// The content of one card to import, in the forms the profile stores: pinyin numbered with
// spaces ("ni3 hao3", ü as "u:"), definitions separated by "/".
struct ImportCard
{
    QString simplified;
    QString traditional;
    QString pinyin;
    QString definition;
    // Whether the file gave a reading with tones; a toneless one only narrows the entry down.
    bool pinyinHasTones = false;
    QStringList deckPath;
    int position = 0;

    // The characters cards are compared by: the simplified form, else the traditional one.
    QString characters() const { return simplified.isEmpty() ? traditional : simplified; }
};

// Turns a note's fields into a card by a field mapping. Stateless.
class CardFields
{
public:
    static ImportCard fromNote(const ImportedNote& note, const FieldMapping& mapping);

    // Pinyin with tone marks, tone numbers or none, spaced or not, ü written as ü, v or u:,
    // as the profile stores it; a syllable without tone gets the neutral tone 5. Text that is
    // not pinyin comes back trimmed but otherwise as it was.
    static QString normalisedPinyin(const QString& text);
    // Whether the text carries tone marks or tone numbers.
    static bool hasTones(const QString& text);
    // "简体[繁體]" into its two forms; other text is all simplified.
    static void splitCharacters(const QString& text, QString* simplified, QString* traditional);
    // The lines of a field as definitions separated by "/".
    static QString definitionOf(const QString& text);
};

} // namespace korvo
