#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace korvo {

// The kind of notes a file holds: its name and the names of its fields, in field order. A CSV
// file without a header row and a Pleco file have one kind with made-up names.
struct NoteType
{
    QString name;
    QStringList fieldNames;
};

// One note as a reader found it: the plain-text fields, the deck it belongs to as folder titles
// followed by the deck title (empty: the file's own deck), and where it was found (a line number
// for text files, the note's position for collections) so that messages can name it.
struct ImportedNote
{
    int noteType = 0;
    QStringList fields;
    QStringList deckPath;
    int position = 0;
};

// Everything a reader took from one file, or why it could not: when `error` is set the file is
// refused as a whole and the notes are to be ignored. Owned by whoever asked for it.
struct ImportedFile
{
    enum Format { Csv, Pleco, Anki };

    QString fileName;
    Format format = Csv;
    // The title of the deck for notes that name none: the file's base name.
    QString defaultDeck;
    QList<NoteType> noteTypes;
    QList<ImportedNote> notes;
    QString error;

    bool isValid() const { return error.isEmpty(); }
};

} // namespace korvo
