#pragma once

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <memory>

namespace korvo {
class Deck;
class Profile;
} // namespace korvo

// Helpers shared by the profile tests: hand-made databases, a commit counter and a small
// message catalogue writer. Test code only.
namespace profiletest {

// Runs statements on a private connection to the file; false (with a warning) on any failure.
bool runOnFile(const QString& path, const QStringList& statements);
// A template as the data build makes it: the current schema, optionally with rows.
bool createTemplate(const QString& path, const QStringList& extraStatements = {});
// A profile as written by schema version 2.0: the current schema without the answer times of the
// history and their indexes.
bool createVersion2Profile(const QString& path, const QStringList& extraStatements = {});
// A profile as written by the first schema version: no folders, uuids or dates.
bool createVersion1Profile(const QString& path, const QStringList& extraStatements = {});
// The first column of the first row, or an invalid variant.
QVariant scalar(const QSqlDatabase& database, const QString& statement);
QVariant scalarOnFile(const QString& path, const QString& statement);

// The profile in the folder (made from the template when it has no file yet), opened, upgraded
// and with its deck tree loaded, the way the program starts it.
std::unique_ptr<korvo::Profile> openProfile(const QString& folder, const QString& templatePath);
// A new, empty profile in the folder, made from a template with the current schema, upgraded and
// with its deck tree loaded.
std::unique_ptr<korvo::Profile> openEmptyProfile(const QString& folder);
// Creates and stores a deck (or folder) under the parent, or under the root when there is none.
korvo::Deck* makeStoredDeck(korvo::Profile* profile, const QString& title, bool folder = false,
                            korvo::Deck* parent = nullptr);
// Number of rows in the table, or -1 when it cannot be counted.
int rowCount(const QSqlDatabase& database, const QString& table);

// Counts the real commits on a SQLite connection while it lives.
class CommitCounter
{
public:
    explicit CommitCounter(const QSqlDatabase& database);
    ~CommitCounter();
    int count() const { return m_count; }
    bool isInstalled() const { return m_handle != nullptr; }

private:
    static int hook(void* self);
    void* m_handle = nullptr;
    int m_count = 0;
};

// Writes a little-endian GNU message catalogue with the given translations.
bool writeMessageCatalogue(const QString& path, const QMap<QByteArray, QByteArray>& messages);

} // namespace profiletest
