#pragma once

#include "importing/importedfile.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace korvo {

// Reads a card file of another program by its name: Anki packages (.apkg, .colpkg), Pleco
// flashcard exports (.txt; a .txt file without tabs or category lines reads as CSV) and CSV/TSV
// tables (.csv, .tsv). Files over MaxFileSize are refused unread. A refused file's error is the
// whole message for the learner, naming the file. Stateless.
class ImportFileReader
{
public:
    static constexpr qint64 MaxFileSize = 200 * 1024 * 1024;

    // The suffixes read, lower case, without the dot.
    static QStringList suffixes();
    static bool canRead(const QString& fileName);
    static ImportedFile read(const QString& fileName);
    // Reads decoded text as the format says (CSV or Pleco), for tests and fuzzing.
    static void readText(const QString& text, ImportedFile& file);
};

} // namespace korvo
