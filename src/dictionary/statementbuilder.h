#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The one place that writes INSERT and UPDATE statements, the nested transaction counter and
// the identifier generator shared by every writer of a database (dictionary, profile, deck
// files). All values go in as named bind values; free functions, GUI thread only.
namespace korvo {

// Prepares (does not execute) an INSERT ("insert") or UPDATE ("update", case ignored) of
// `table` with one named placeholder per field, bound to the value at the same position.
// Values bind by type: text, 32-bit int, a null value of another type as 0, double, float,
// 64-bit int, unsigned int, single character; any other type (bool included) stays unbound.
// An UPDATE gets " WHERE " + condition when the condition is not empty. Any other operation
// prepares an empty statement.
QSqlQuery buildQuery(const QSqlDatabase& database, const QString& operation, const QString& table,
                     const QStringList& fields, const QVariantList& values,
                     const QString& condition = QString());

// Nested transactions per connection: the outermost begin starts a real transaction and the
// matching outermost end commits it. An end without a begin does nothing. endTransaction()
// returns false only when the real commit failed; the transaction is then rolled back, so the
// connection never stays inside a half-finished transaction.
void beginTransaction(QSqlDatabase& database);
bool endTransaction(QSqlDatabase& database);
// Current nesting depth of a connection (0 when no transaction is open); for diagnostics.
int transactionDepth(const QSqlDatabase& database);

// Runs the prepared query and collects its first column as ints (none when it fails).
QList<int> collectIds(QSqlQuery& query);

// A fresh 22-character identifier made of letters and digits only.
QString generateUuid();

} // namespace korvo
