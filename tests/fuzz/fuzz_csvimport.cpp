// CSV and TSV card files: the text as UTF-8, through delimiter and header recognition and the
// RFC 4180 reader, then every note through the guessed mapping into a card.
//
// Checks for every input: a refused text says why and has no notes; an accepted one has a note
// type whose field names are never empty, every note at least as many fields as the type, line
// numbers that rise, and cards whose texts are valid UTF-16 with numbered pinyin that reads the
// same when normalised again.

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
    ImportedFile file;
    file.format = ImportedFile::Csv;
    file.defaultDeck = QStringLiteral("fuzz");
    ImportFileReader::readText(fuzzsupport::utf8Text(data, size), file);
    importtextchecks::checkFile(file);
    return 0;
}
