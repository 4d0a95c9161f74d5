#pragma once

#include "importing/importedfile.h"

#include <QHash>
#include <QString>

struct sqlite3;

namespace korvo {

// Reads the notes of an Anki collection database: the older layout (version 11, note types and
// decks as JSON in the col table) or the newer one (versions 15 to 18, with the notetypes,
// fields and decks tables). The database is opened read-only with SQLite's own library; the
// caller hands in a temporary copy, never the learner's file. Each note's deck is the one of its
// first card (the home deck of a card in a filtered deck). Review history and scheduling are not
// read. Owns the connection while it reads.
class AnkiCollection
{
public:
    static constexpr int LegacyVersion = 11;
    static constexpr int FirstVersion = 15;
    static constexpr int LastVersion = 18;

    explicit AnkiCollection(const QString& databasePath) : m_path(databasePath) {}
    ~AnkiCollection();
    AnkiCollection(const AnkiCollection&) = delete;
    AnkiCollection& operator=(const AnkiCollection&) = delete;

    // Fills the note types and notes of `file`, or sets its error (a damaged database, an
    // unknown version, a note with fewer fields than its type).
    void read(ImportedFile& file);

private:
    bool open(QString* error);
    bool readLegacyTypes(ImportedFile& file, QHash<qint64, int>* types,
                         QHash<qint64, QString>* decks);
    bool readTypes(ImportedFile& file, QHash<qint64, int>* types, QHash<qint64, QString>* decks);
    bool readNotes(ImportedFile& file, const QHash<qint64, int>& types,
                   const QHash<qint64, QString>& decks);

    QString m_path;
    sqlite3* m_database = nullptr;
    qint64 m_version = 0;
};

} // namespace korvo
