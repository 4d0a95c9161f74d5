#pragma once

#include "importing/importedfile.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

namespace korvo {

// Reads comma-, semicolon-, tab- or bar-separated card files: the delimiter and a header row are
// recognised, fields follow RFC 4180 (quoted fields may hold delimiters, line breaks and doubled
// quotes). Every record must have as many fields as the first one; a shorter record refuses the
// file, named by its line. Stateless.
class CsvReader
{
public:
    struct Record
    {
        QStringList fields;
        int line = 0; // where the record starts, from 1
    };

    // Fills the notes and the one note type of `file` from the decoded text, or sets its error.
    static void read(const QString& text, ImportedFile& file);

    // The records of the text; blank lines are no records. False with *error naming the line
    // when a quoted field is never closed.
    static bool parse(const QString& text, QChar delimiter, QList<Record>* records,
                      QString* error = nullptr, int maxRecords = -1);
    // The candidate that splits the first records into the same number of fields most often
    // (a tab when none splits them).
    static QChar detectDelimiter(const QString& text);
    // Whether the first record names the fields rather than holding a card.
    static bool isHeader(const QList<Record>& records);
};

} // namespace korvo
