#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

namespace korvo {

// Builds one SQLite file of the data folder. Everything is written to a temporary file beside
// the target, with journaling and syncing off since a failed build simply discards it; only
// finish() renames it over the target, so a target is never left half-written. The writer owns
// its connection; destroying it without finish() removes the temporary file.
class DatabaseWriter
{
public:
    explicit DatabaseWriter(const QString& targetPath);
    ~DatabaseWriter();
    DatabaseWriter(const DatabaseWriter&) = delete;
    DatabaseWriter& operator=(const DatabaseWriter&) = delete;

    // Creates the temporary file; false (reported) when it cannot be created.
    bool open();
    QSqlDatabase database() const;
    QString targetPath() const { return m_targetPath; }

    // Runs each statement; reports and returns false at the first one that fails.
    bool execute(const QStringList& statements);
    bool execute(const QString& statement) { return execute(QStringList{statement}); }
    // Prepares a statement for repeated inserts; reports a failure.
    bool prepare(QSqlQuery& query, const QString& statement);
    // Executes a prepared statement with its bound values; reports a failure.
    bool run(QSqlQuery& query);

    bool begin();
    bool commit();

    // Optimises and closes the file, then renames it over the target.
    bool finish();

private:
    void discard();

    QString m_targetPath;
    QString m_temporaryPath;
    QString m_connectionName;
    bool m_finished = false;
};

// A text bind value that is never SQL NULL: an empty or null string becomes ''.
inline QString textValue(const QString& text)
{
    return text.isNull() ? QString(0, QChar()) : text;
}

} // namespace korvo
