#pragma once

#include <QSqlDatabase>
#include <QString>

namespace korvo {

// Schema version that createProfileSchema() writes and that upgrades bring older files to.
inline constexpr const char* CurrentProfileSchemaVersion = "2.0";

// Creates every table and index of the profile database on the given open connection, in one
// transaction: DatabaseVersion (with one row naming the current version when the table is
// empty), UserSettings, Decks, Cards, KnowledgeUnits and Knowledge. Tables that already exist
// are left as they are, so the call is safe on a partly made file. Used to build the shipped
// template and to give a profile a valid empty database when the template cannot be copied.
// Returns whether every statement succeeded; failures are also reported on the error output.
bool createProfileSchema(QSqlDatabase database);

} // namespace korvo
