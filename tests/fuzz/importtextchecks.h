#pragma once

#include "fuzzsupport.h"

#include "importing/cardfields.h"
#include "importing/cardimport.h"
#include "importing/importedfile.h"
#include "text/pinyin.h"
#include "text/texthelpers.h"

// What the harnesses of the text card readers check of every file they read. Test code only.
namespace importtextchecks {

// The set-up of a harness of a text card reader.
inline void initialise()
{
    fuzzsupport::quietQtMessages();
    korvo::initPinyinTables();
}

inline void checkCard(const korvo::ImportCard& card)
{
    using korvo::replaceUnpairedSurrogates;
    for (const QString& text : {card.simplified, card.traditional, card.definition})
        FUZZ_CHECK(text == text.trimmed());
    // What is stored is stored in its final form: normalising again changes nothing.
    FUZZ_CHECK(korvo::CardFields::normalisedPinyin(card.pinyin) == card.pinyin);
}

inline void checkFile(const korvo::ImportedFile& file)
{
    if (!file.isValid()) {
        FUZZ_CHECK(file.notes.isEmpty());
        return;
    }
    FUZZ_CHECK(!file.notes.isEmpty());
    FUZZ_CHECK(file.noteTypes.size() == 1);
    const korvo::NoteType& type = file.noteTypes.first();
    for (const QString& name : type.fieldNames)
        FUZZ_CHECK(!name.isEmpty());
    const QList<korvo::FieldMapping> mappings = korvo::CardImport::guessMappings(file);
    FUZZ_CHECK(mappings.size() == 1);
    int line = 0;
    for (const korvo::ImportedNote& note : file.notes) {
        FUZZ_CHECK(note.position > line);
        line = note.position;
        FUZZ_CHECK(note.fields.size() >= type.fieldNames.size() ||
                   file.format == korvo::ImportedFile::Pleco);
        FUZZ_CHECK(note.fields.size() >= 2 || file.format == korvo::ImportedFile::Csv);
        checkCard(korvo::CardFields::fromNote(note, mappings.first()));
    }
}

} // namespace importtextchecks
