#include "dictionary/statementbuilder.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TestStatementBuilder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void buildsStatementText_data();
    void buildsStatementText();
    void bindsValuesByType_data();
    void bindsValuesByType();
    void insertWritesBoundTextVerbatim();
    void nestedTransactionsCommitOnce();
    void endWithoutBeginDoesNothing();
    void failedCommitRollsBackAndSaysSo();
    void identifiersAreAlphanumericAndDistinct();

private:
    QTemporaryDir m_dir;
    QSqlDatabase m_db;
};

void TestStatementBuilder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("builder"));
    m_db.setDatabaseName(m_dir.filePath(QStringLiteral("builder.db")));
    QVERIFY(m_db.open());
    QSqlQuery query(m_db);
    QVERIFY(query.exec(QStringLiteral(
        "CREATE TABLE Cards (id INTEGER PRIMARY KEY, title TEXT, sortOrder INTEGER, v)")));
}

void TestStatementBuilder::cleanupTestCase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("builder"));
}

void TestStatementBuilder::buildsStatementText_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("statement");

    QTest::newRow("update with condition") << "UPDATE" << QStringList{"sortOrder"} << "id=7"
                                           << "UPDATE Cards SET sortOrder = :sortOrder WHERE id=7";
    QTest::newRow("update two fields, no condition")
        << "update" << QStringList{"title", "sortOrder"} << ""
        << "UPDATE Cards SET title = :title, sortOrder = :sortOrder";
    QTest::newRow("insert ignores condition")
        << "Insert" << QStringList{"title", "sortOrder"} << "id=7"
        << "INSERT INTO Cards (title, sortOrder) VALUES (:title, :sortOrder)";
    QTest::newRow("unknown operation") << "delete" << QStringList{"title"} << "id=1"
                                       << "";
}

void TestStatementBuilder::buildsStatementText()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, fields);
    QFETCH(QString, condition);
    QFETCH(QString, statement);

    QVariantList values;
    for (int i = 0; i < fields.size(); ++i)
        values << i + 1;
    QSqlQuery query =
        buildQuery(m_db, operation, QStringLiteral("Cards"), fields, values, condition);
    QCOMPARE(query.lastQuery(), statement);
}

void TestStatementBuilder::bindsValuesByType_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("bound");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("text") << QVariant(QStringLiteral("it's \"x\"")) << true
                          << QVariant(QStringLiteral("it's \"x\""));
    QTest::newRow("null text is empty text")
        << QVariant(QString()) << true << QVariant(QString(""));
    QTest::newRow("int") << QVariant(3) << true << QVariant(3);
    QTest::newRow("null date is 0") << QVariant(QDateTime()) << true << QVariant(0);
    QTest::newRow("invalid value is 0") << QVariant() << true << QVariant(0);
    QTest::newRow("double") << QVariant(2.5) << true << QVariant(2.5);
    QTest::newRow("float") << QVariant(1.5f) << true << QVariant(1.5);
    QTest::newRow("64-bit") << QVariant(Q_INT64_C(1700000000123)) << true
                            << QVariant(Q_INT64_C(1700000000123));
    QTest::newRow("unsigned") << QVariant(4000000000u) << true << QVariant(Q_INT64_C(4000000000));
    QTest::newRow("character") << QVariant(QChar(0x4E2D)) << true << QVariant(QStringLiteral("中"));
    QTest::newRow("bool stays unbound") << QVariant(true) << false << QVariant();
    QTest::newRow("string list stays unbound") << QVariant(QStringList{"a"}) << false << QVariant();
}

void TestStatementBuilder::bindsValuesByType()
{
    QFETCH(QVariant, value);
    QFETCH(bool, bound);
    QFETCH(QVariant, stored);

    QSqlQuery query = buildQuery(m_db, QStringLiteral("update"), QStringLiteral("Cards"),
                                 {QStringLiteral("v")}, {value}, QStringLiteral("id=1"));
    const QVariant boundValue = query.boundValue(QStringLiteral(":v"));
    QCOMPARE(boundValue.isValid() && !boundValue.isNull(), bound);

    if (!bound)
        return;
    QSqlQuery insert = buildQuery(m_db, QStringLiteral("insert"), QStringLiteral("Cards"),
                                  {QStringLiteral("v")}, {value});
    QVERIFY(insert.exec());
    const qlonglong id = insert.lastInsertId().toLongLong();
    QSqlQuery read(m_db);
    QVERIFY(read.exec(QStringLiteral("SELECT v FROM Cards WHERE id=%1").arg(id)));
    QVERIFY(read.next());
    QVERIFY(!read.value(0).isNull());
    if (stored.typeId() == QMetaType::Double)
        QCOMPARE(read.value(0).toDouble(), stored.toDouble());
    else
        QCOMPARE(read.value(0).toString(), stored.toString());
}

void TestStatementBuilder::insertWritesBoundTextVerbatim()
{
    const QString title = QStringLiteral("O'Neil said \"hi\"; DROP TABLE Cards; --");
    QSqlQuery insert =
        buildQuery(m_db, QStringLiteral("insert"), QStringLiteral("Cards"),
                   {QStringLiteral("title"), QStringLiteral("sortOrder")}, {title, 9});
    QVERIFY(insert.exec());
    const int id = insert.lastInsertId().toInt();
    QVERIFY(id > 0);

    QSqlQuery update =
        buildQuery(m_db, QStringLiteral("update"), QStringLiteral("Cards"),
                   {QStringLiteral("sortOrder")}, {11}, QStringLiteral("id=%1").arg(id));
    QVERIFY(update.exec());
    QCOMPARE(update.numRowsAffected(), 1);

    QSqlQuery read(m_db);
    QVERIFY(read.exec(QStringLiteral("SELECT title, sortOrder FROM Cards WHERE id=%1").arg(id)));
    QVERIFY(read.next());
    QCOMPARE(read.value(0).toString(), title);
    QCOMPARE(read.value(1).toInt(), 11);
}

// Counts rows seen through a second connection, which only sees committed data.
static int committedRows(const QString& file)
{
    int count = -1;
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "observer");
        other.setDatabaseName(file);
        if (other.open()) {
            QSqlQuery query(other);
            if (query.exec(QStringLiteral("SELECT COUNT(*) FROM Cards WHERE title='nested'")) &&
                query.next())
                count = query.value(0).toInt();
        }
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("observer"));
    return count;
}

void TestStatementBuilder::nestedTransactionsCommitOnce()
{
    const QString file = m_db.databaseName();
    QCOMPARE(transactionDepth(m_db), 0);
    beginTransaction(m_db);
    beginTransaction(m_db);
    QCOMPARE(transactionDepth(m_db), 2);

    QSqlQuery insert(m_db);
    QVERIFY(insert.exec(QStringLiteral("INSERT INTO Cards (title) VALUES ('nested')")));
    insert.finish();
    QCOMPARE(committedRows(file), 0);

    endTransaction(m_db);
    QCOMPARE(transactionDepth(m_db), 1);
    // Still inside the outer transaction: nothing is visible from another connection, and a
    // second real transaction cannot be started on this one.
    QCOMPARE(committedRows(file), 0);
    QVERIFY(!m_db.transaction());

    endTransaction(m_db);
    QCOMPARE(transactionDepth(m_db), 0);
    QCOMPARE(committedRows(file), 1);
    // Back in autocommit mode: a fresh transaction can start.
    QVERIFY(m_db.transaction());
    QVERIFY(m_db.rollback());
}

void TestStatementBuilder::endWithoutBeginDoesNothing()
{
    endTransaction(m_db);
    QCOMPARE(transactionDepth(m_db), 0);
    beginTransaction(m_db);
    QCOMPARE(transactionDepth(m_db), 1);
    endTransaction(m_db);
    endTransaction(m_db);
    QCOMPARE(transactionDepth(m_db), 0);
    QVERIFY(m_db.transaction());
    QVERIFY(m_db.rollback());
}

void TestStatementBuilder::failedCommitRollsBackAndSaysSo()
{
    // A deferred foreign key is only checked at COMMIT, which then fails and leaves SQLite
    // inside the transaction unless the caller rolls back.
    QSqlQuery setup(m_db);
    QVERIFY(setup.exec(QStringLiteral("PRAGMA foreign_keys = ON")));
    QVERIFY(setup.exec(QStringLiteral("CREATE TABLE Owners (id INTEGER PRIMARY KEY)")));
    QVERIFY(setup.exec(QStringLiteral("CREATE TABLE Owned (ownerId INTEGER REFERENCES Owners(id) "
                                      "DEFERRABLE INITIALLY DEFERRED)")));

    beginTransaction(m_db);
    QVERIFY(setup.exec(QStringLiteral("INSERT INTO Cards (title) VALUES ('doomed')")));
    QVERIFY(setup.exec(QStringLiteral("INSERT INTO Owned (ownerId) VALUES (42)")));
    QVERIFY(!endTransaction(m_db));

    QCOMPARE(transactionDepth(m_db), 0);
    QVERIFY(setup.exec(QStringLiteral("SELECT COUNT(*) FROM Cards WHERE title='doomed'")));
    QVERIFY(setup.next());
    QCOMPARE(setup.value(0).toInt(), 0);
    setup.finish();
    // The connection is usable again: a new transaction starts and commits.
    beginTransaction(m_db);
    QVERIFY(endTransaction(m_db));

    QVERIFY(setup.exec(QStringLiteral("DROP TABLE Owned")));
    QVERIFY(setup.exec(QStringLiteral("DROP TABLE Owners")));
    QVERIFY(setup.exec(QStringLiteral("PRAGMA foreign_keys = OFF")));
}

void TestStatementBuilder::identifiersAreAlphanumericAndDistinct()
{
    static const QRegularExpression shape(QStringLiteral("^[A-Za-z0-9]{22}$"));
    QSet<QString> seen;
    // Many identifiers in a row, so several fall into the same millisecond.
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < 2000; ++i) {
        const QString id = generateUuid();
        QVERIFY2(shape.match(id).hasMatch(), qPrintable(id));
        seen.insert(id);
    }
    QVERIFY(QDateTime::currentMSecsSinceEpoch() - start < 2000);
    QCOMPARE(seen.size(), 2000);
}

QTEST_GUILESS_MAIN(TestStatementBuilder)
#include "tst_statementbuilder.moc"
