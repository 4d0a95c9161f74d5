// The translation catalogue reader on any bytes taken as a ".mo" file. Keys are taken from the
// input itself (its NUL-separated pieces, which is where a catalogue keeps its strings), so that
// lookups reach real entries. Checks: a lookup never reads outside the bytes (the sanitizers),
// gives the same answer from the cache as from the file, searches the file once per key, and
// an empty key is never translated.

#include "fuzzsupport.h"
#include "text/translationcatalogue.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::quietQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    korvo::TranslationCatalogue catalogue;
    const bool loaded = catalogue.loadCatalogueData(bytes);
    FUZZ_CHECK(catalogue.isLoaded() == loaded);
    const QString charset = catalogue.charset();
    FUZZ_CHECK(loaded || charset.isEmpty());
    FUZZ_CHECK(catalogue.translate(QString()).isEmpty());

    QByteArrayList pieces = bytes.split('\0');
    if (pieces.size() > 64)
        pieces.resize(64);
    QStringList keys{QStringLiteral("Untitled"), QStringLiteral("Error")};
    for (const QByteArray& piece : std::as_const(pieces)) {
        if (!piece.isEmpty() && piece.size() <= 256)
            keys << QString::fromUtf8(piece);
    }

    QStringList first;
    for (const QString& key : std::as_const(keys)) {
        const QString translation = catalogue.translate(key);
        if (!loaded)
            FUZZ_CHECK(translation == key);
        first << translation;
    }
    const int searches = catalogue.fileSearchCount();
    FUZZ_CHECK(searches <= keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i)
        FUZZ_CHECK(catalogue.translate(keys.at(i)) == first.at(i));
    // The second round is answered from the cache alone.
    FUZZ_CHECK(catalogue.fileSearchCount() == searches);
    return 0;
}
