// Pleco flashcard exports: the text as UTF-8 and as raw UTF-16 code units (so that unpaired
// surrogates reach the reader), category lines and cards, then every note through the guessed
// mapping into a card. The checks are those of the CSV harness (importtextchecks.h), and no deck
// title is empty or has blanks around it.

#include "fuzzsupport.h"
#include "importtextchecks.h"

#include "importing/importfilereader.h"

using namespace korvo;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    importtextchecks::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const QString& text :
         {fuzzsupport::utf8Text(data, size), fuzzsupport::rawUtf16Text(data, size)}) {
        ImportedFile file;
        file.format = ImportedFile::Pleco;
        file.defaultDeck = QStringLiteral("fuzz");
        ImportFileReader::readText(text, file);
        importtextchecks::checkFile(file);
        for (const ImportedNote& note : std::as_const(file.notes)) {
            for (const QString& title : note.deckPath)
                FUZZ_CHECK(!title.isEmpty() && title == title.trimmed());
        }
    }
    return 0;
}
