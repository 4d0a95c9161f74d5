#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace korvo {

// Schema version that createProfileSchema() writes and that upgrades bring older files to.
inline constexpr const char* CurrentProfileSchemaVersion = "3.1";

// Creates every table and index of the profile database on the given open connection, in one
// transaction: DatabaseVersion (with one row naming the current version when the table is
// empty), UserSettings, Decks, Cards, KnowledgeUnits and Knowledge (one row per answer, with its
// time in seconds since 1970 UTC; NULL for answers stored before the "3.0" upgrade). Tables that
// already exist are left as they are, so the call is safe on a partly made file. Used to build the
// shipped template and to give a profile a valid empty database when the template cannot be copied.
// Returns whether every statement succeeded; failures are also reported on the error output.
bool createProfileSchema(QSqlDatabase database);

// The statements making the indexes of the Knowledge table the statistics read it by (answer
// time, deck, card; IF NOT EXISTS):
// part of a new file's schema, and added by the "3.0" upgrade.
QStringList historyTimeIndexStatements();

} // namespace korvo

namespace korvo {

// What checkProfileFile() found out about a profile database file.
enum class ProfileFileState {
    Usable,       // a sound SQLite file of a schema version this program knows
    Missing,      // no file: a new profile is made from the template
    Unreadable,   // the file cannot be read (permissions, not a regular file)
    NotADatabase, // empty, or not a SQLite file at all
    Damaged,      // a SQLite file whose quick check reports a fault or that cannot be read
    TooNew,       // written by a newer program: its schema version is beyond the known ones
};

struct ProfileFileCheck
{
    ProfileFileState state = ProfileFileState::Usable;
    // The reason in the words of the file system or of SQLite, or the file's schema version.
    QString detail;

    // Whether the program can go on with the file (a missing file is made from the template).
    bool canOpen() const
    {
        return state == ProfileFileState::Usable || state == ProfileFileState::Missing;
    }
};

// Looks at the profile file before anything opens it for writing: readable, a SQLite file,
// "PRAGMA quick_check" answering "ok", and a schema version not newer than latestVersion. Uses a
// private connection that is closed again; the file is never changed (a hot journal left by a
// killed process is rolled back, as any connection would).
ProfileFileCheck checkProfileFile(const QString& path, const QString& latestVersion);

// The stored text of a user setting in a profile file opened read-only, as far as the file can
// still be read; empty when it cannot be, or holds no such setting.
QString readStoredSetting(const QString& path, const QString& name);

} // namespace korvo
