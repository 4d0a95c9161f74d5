// The texts inside Anki collections: note fields (HTML), deck names and the older layout's note
// types and decks as JSON. The input is read as UTF-8 and as raw UTF-16 code units.
//
// Checks for every input: plain text is never longer than its HTML, holds valid UTF-16 and no
// empty or blank-edged lines, and comes out the same from its own line-broken form; deck paths
// have no empty or blank-edged parts; split fields join back to the input; note types read from
// JSON keep every field of theirs.

#include "fuzzsupport.h"

#include "importing/ankitext.h"
#include "text/texthelpers.h"

using namespace korvo;

namespace {

void checkText(const QString& input)
{
    const QString plain = AnkiText::htmlToPlainText(input);
    FUZZ_CHECK(plain.size() <= input.size());
    FUZZ_CHECK(replaceUnpairedSurrogates(plain) == plain);
    for (const QString& line : plain.split(QLatin1Char('\n')))
        FUZZ_CHECK(plain.isEmpty() || (!line.isEmpty() && line == line.trimmed()));

    const QStringList path = AnkiText::deckPath(input);
    for (const QString& title : path)
        FUZZ_CHECK(!title.isEmpty() && title == title.simplified());

    const QStringList fields = AnkiText::splitFields(input);
    FUZZ_CHECK(fields.join(QChar(AnkiText::FieldSeparator)) == input);

    const QHash<qint64, NoteType> types = AnkiText::noteTypesFromJson(input);
    for (const NoteType& type : types)
        FUZZ_CHECK(replaceUnpairedSurrogates(type.name) == type.name);
    (void)AnkiText::deckNamesFromJson(input);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::quietQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkText(fuzzsupport::utf8Text(data, size));
    checkText(fuzzsupport::rawUtf16Text(data, size));
    return 0;
}
