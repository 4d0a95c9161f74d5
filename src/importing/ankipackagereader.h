#pragma once

#include "importing/importedfile.h"

#include <QString>

namespace korvo {

// Reads Anki packages (.apkg) and collection packages (.colpkg): a zip archive holding the
// collection as "collection.anki21b" (zstd-compressed, newer layout), "collection.anki21" or
// "collection.anki2", taken in that order. The collection is unpacked into a temporary folder,
// removed afterwards, and read there read-only; the archive itself is never changed.
class AnkiPackageReader
{
public:
    static void read(const QString& fileName, ImportedFile& file);

    // Unpacks a zstd frame file into another; false with *error when it is no zstd data or
    // would grow beyond the zip bomb limits.
    static bool decompressZstd(const QString& sourcePath, const QString& targetPath,
                               QString* error);
};

} // namespace korvo
