#include "databasewriter.h"

#include "sourcefiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

#include <cstdio>

namespace korvo {

DatabaseWriter::DatabaseWriter(const QString& targetPath)
    : m_targetPath(targetPath), m_temporaryPath(targetPath + QStringLiteral(".partial")),
      m_connectionName(QStringLiteral("datagen:") + QFileInfo(targetPath).fileName())
{
}

DatabaseWriter::~DatabaseWriter()
{
    if (!m_finished)
        discard();
}

bool DatabaseWriter::open()
{
    QFile::remove(m_temporaryPath);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(m_temporaryPath);
    if (!db.open()) {
        reportError(m_temporaryPath, QStringLiteral("cannot be created: ") + db.lastError().text());
        return false;
    }
    return execute(
        {QStringLiteral("PRAGMA journal_mode=OFF"), QStringLiteral("PRAGMA synchronous=OFF"),
         QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"),
         QStringLiteral("PRAGMA temp_store=MEMORY"), QStringLiteral("PRAGMA cache_size=-65536")});
}

QSqlDatabase DatabaseWriter::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool DatabaseWriter::execute(const QStringList& statements)
{
    QSqlQuery query(database());
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            reportError(m_temporaryPath, QStringLiteral("\"%1\" failed: %2")
                                             .arg(statement.left(80), query.lastError().text()));
            return false;
        }
    }
    return true;
}

bool DatabaseWriter::prepare(QSqlQuery& query, const QString& statement)
{
    query = QSqlQuery(database());
    if (query.prepare(statement))
        return true;
    reportError(
        m_temporaryPath,
        QStringLiteral("cannot prepare \"%1\": %2").arg(statement, query.lastError().text()));
    return false;
}

bool DatabaseWriter::run(QSqlQuery& query)
{
    if (query.exec())
        return true;
    reportError(m_temporaryPath, QStringLiteral("\"%1\" failed: %2")
                                     .arg(query.lastQuery().left(80), query.lastError().text()));
    return false;
}

bool DatabaseWriter::begin()
{
    if (database().transaction())
        return true;
    reportError(m_temporaryPath, QStringLiteral("cannot begin a transaction"));
    return false;
}

bool DatabaseWriter::commit()
{
    if (database().commit())
        return true;
    reportError(m_temporaryPath, QStringLiteral("commit failed: ") + database().lastError().text());
    return false;
}

bool DatabaseWriter::finish()
{
    if (!execute({QStringLiteral("ANALYZE"), QStringLiteral("VACUUM")}))
        return false;
    {
        QSqlDatabase db = database();
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    // rename() replaces the target in one step, so readers never see a partial file.
    if (std::rename(QFile::encodeName(m_temporaryPath).constData(),
                    QFile::encodeName(m_targetPath).constData()) != 0) {
        reportError(m_targetPath, QStringLiteral("cannot be replaced by the new file"));
        QFile::remove(m_temporaryPath);
        return false;
    }
    m_finished = true;
    return true;
}

void DatabaseWriter::discard()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        {
            QSqlDatabase db = database();
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    QFile::remove(m_temporaryPath);
}

} // namespace korvo
