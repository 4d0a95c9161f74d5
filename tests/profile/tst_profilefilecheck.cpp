#include "profile/profileschema.h"
#include "profiletestsupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/fsuid.h>
#include <unistd.h>

using korvo::ProfileFileState;

Q_DECLARE_METATYPE(korvo::ProfileFileState)

// The look at Profile.db before the program opens it: which files are usable, which are told to
// the learner as damaged, and that looking never changes the file.
class TestProfileFileCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void classifiesTheFile_data();
    void classifiesTheFile();
    void aFileWithoutReadPermissionIsUnreadable();

private:
    QString sound(const QString& name, const QString& version = QStringLiteral("2.0"));
    QString withBytes(const QString& name, const QByteArray& bytes);

    QTemporaryDir m_dir;
};

namespace {

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

void TestProfileFileCheck::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestProfileFileCheck::sound(const QString& name, const QString& version)
{
    const QString path = m_dir.filePath(name);
    if (!profiletest::createTemplate(
            path, {QStringLiteral("INSERT INTO Decks (title) VALUES ('Verbs')"),
                   QStringLiteral("UPDATE DatabaseVersion SET version = '%1'").arg(version)}))
        return QString();
    return path;
}

QString TestProfileFileCheck::withBytes(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestProfileFileCheck::classifiesTheFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<ProfileFileState>("state");
    QTest::addColumn<QString>("detail");

    QTest::newRow("sound") << sound("sound.db") << ProfileFileState::Usable << "";
    QTest::newRow("older schema") << sound("old.db", "1.0") << ProfileFileState::Usable << "";
    QTest::newRow("missing") << m_dir.filePath("missing.db") << ProfileFileState::Missing << "";
    QTest::newRow("newer schema") << sound("newer.db", "2.1") << ProfileFileState::TooNew << "2.1";
    QTest::newRow("much newer schema")
        << sound("newer3.db", "10.0") << ProfileFileState::TooNew << "10.0";
    QTest::newRow("empty file") << withBytes("empty.db", QByteArray())
                                << ProfileFileState::NotADatabase << "empty";
    QByteArray noise(8192, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    QTest::newRow("random bytes") << withBytes("noise.db", noise) << ProfileFileState::NotADatabase
                                  << "not a database";
    QTest::newRow("a text file") << withBytes("text.db", "SQLite is not in here\n")
                                 << ProfileFileState::NotADatabase << "not a database";

    // A sound file whose pages after the first were overwritten: the header is right, the
    // b-trees are not.
    const QString broken = sound("broken.db");
    {
        QFile file(broken);
        if (file.open(QIODevice::ReadWrite)) {
            const qint64 size = file.size();
            file.seek(4096);
            file.write(QByteArray(int(size - 4096), char(0x5a)));
        }
    }
    QTest::newRow("overwritten pages") << broken << ProfileFileState::Damaged << "";

    // Cut short, as a copy to a full disk leaves it.
    const QString cut = sound("cut.db");
    QFile::resize(cut, 4096 + 100);
    QTest::newRow("cut short") << cut << ProfileFileState::Damaged << "";

    QTest::newRow("a folder") << m_dir.path() << ProfileFileState::Unreadable << "regular file";
}

void TestProfileFileCheck::classifiesTheFile()
{
    QFETCH(QString, path);
    QFETCH(ProfileFileState, state);
    QFETCH(QString, detail);
    QVERIFY(!path.isEmpty());
    const QByteArray before = digest(path);

    const korvo::ProfileFileCheck check = korvo::checkProfileFile(path, QStringLiteral("2.0"));
    QCOMPARE(check.state, state);
    QVERIFY2(check.detail.contains(detail), qPrintable(check.detail));
    if (state != ProfileFileState::Usable && state != ProfileFileState::Missing)
        QVERIFY(!check.detail.isEmpty());
    QCOMPARE(check.canOpen(),
             state == ProfileFileState::Usable || state == ProfileFileState::Missing);
    QCOMPARE(digest(path), before);
    QCOMPARE(QFile::exists(path), state != ProfileFileState::Missing);
    QVERIFY(!QFile::exists(path + "-journal"));
}

// Root reads any file whatever its permissions; as root the check runs with the file-system
// identity of an ordinary user for the moment it looks.
void TestProfileFileCheck::aFileWithoutReadPermissionIsUnreadable()
{
    const QString path = sound("private.db");
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    // The folder stays open to everyone: only the file is private.
    QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                    QFileDevice::ExeOther));
    const bool root = ::geteuid() == 0;
    if (root)
        ::setfsuid(65534);
    const korvo::ProfileFileCheck check = korvo::checkProfileFile(path, QStringLiteral("2.0"));
    if (root)
        ::setfsuid(0);
    QCOMPARE(check.state, ProfileFileState::Unreadable);
    QVERIFY2(check.detail.contains("ermission"), qPrintable(check.detail));
    QVERIFY(!check.canOpen());
}

QTEST_GUILESS_MAIN(TestProfileFileCheck)
#include "tst_profilefilecheck.moc"
