#include "app/application.h"
#include "dictionary/dictionary.h"
#include "guitestsupport.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "strokes/strokeanimationdatabase.h"
#include "ui/mainwindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

// Start-up with a profile the program cannot use, and with shipped data files missing or
// damaged. Each run is a child process of this test that builds the real application on a
// per-user data folder of its own, answers the message boxes with the buttons the parent names
// and reports what it saw; the parent checks the files on disk afterwards.

namespace {

const char* const ChildMode = "--start-application";
// Labels to click in the boxes, in turn, separated by ";".
const char* const ClicksVariable = "QUILLET_TEST_CLICKS";

void report(const QString& line)
{
    QString escaped = line;
    escaped.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    std::fputs(qPrintable(escaped + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

int runChild(int& argc, char** argv)
{
    korvo::Application app(argc, argv);
    QList<std::function<void(QWidget*)>> acts;
    for (const QString& label : qEnvironmentVariable(ClicksVariable).split(QLatin1Char(';'))) {
        if (label == QLatin1String("close")) {
            acts.append([](QWidget* widget) { widget->close(); });
        } else if (label.startsWith(QLatin1String("unblock:"))) {
            // The learner mends the profile folder (a file stood in its place), then answers.
            const auto click = guitest::clickButton(label.mid(8));
            acts.append([click](QWidget* widget) {
                const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + "/Quillet";
                QFile::remove(folder);
                QDir().mkpath(folder);
                click(widget);
            });
        } else if (!label.isEmpty()) {
            acts.append(guitest::clickButton(label));
        }
    }
    auto answers = guitest::answerModalsInTurn(acts);
    const bool started = app.initialize();
    report(QStringLiteral("started:%1").arg(started));
    if (started) {
        QStringList titles;
        korvo::Profile* profile = app.profile();
        for (korvo::Deck* deck : profile->rootDeck()->children())
            titles << deck->title();
        report(QStringLiteral("decks:") + titles.join(QLatin1Char(',')));
        report(QStringLiteral("font:") +
               profile->setting(QStringLiteral("chineseFont")).toString());
        // Without a dictionary the program runs on: searches find nothing, the stroke order
        // has no data, and the missing animations are told once.
        report(QStringLiteral("results:%1")
                   .arg(app.dictionary()
                            ->search(korvo::Dictionary::English, QStringLiteral("good"))
                            .size()));
        app.strokeAnimationDatabase();
        QTest::qWait(100);
        app.strokeAnimationDatabase();
        app.showStrokeOrder(QStringLiteral("好"));
        QTest::qWait(100);
        report(QStringLiteral("animations:%1")
                   .arg(app.strokeAnimationDatabase()->loadAnimation(QStringLiteral("好")) !=
                        nullptr));
        app.mainWindow()->close();
    }
    for (const guitest::ModalRecord& box : answers->seen) {
        report(QStringLiteral("box:%1|%2|%3")
                   .arg(box.title, box.buttons.join(QLatin1Char(';')), box.text));
    }
    return started ? 0 : 1;
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// Names, sizes, digests and times of every file of a folder.
QStringList listing(const QString& folder)
{
    QStringList lines;
    for (const QFileInfo& info : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        lines << QStringLiteral("%1 %2 %3 %4")
                     .arg(info.fileName())
                     .arg(info.size())
                     .arg(QString::fromLatin1(digest(info.absoluteFilePath())))
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    return lines;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray noise()
{
    QByteArray bytes(16384, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919 + 17) % 253);
    return bytes;
}

bool setAge(const QString& path, int days)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-days),
                            QFileDevice::FileModificationTime);
}

// A profile with the current schema and a deck of the learner's.
bool writeProfile(const QString& path, const QString& deckTitle, const QString& version = "2.0")
{
    return profiletest::createTemplate(
        path, {QStringLiteral("INSERT INTO Decks (title, parentId, sortOrder) VALUES ('%1', 0, 1)")
                   .arg(deckTitle),
               QStringLiteral("UPDATE DatabaseVersion SET version = '%1'").arg(version)});
}

struct ChildRun
{
    int exitCode = -1;
    QMap<QString, QString> values;
    QList<QStringList> boxes; // title, buttons, text
};

} // namespace

class TestDamagedProfile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void restoresTheNewestSoundBackup();
    void startsANewProfileAndKeepsTheDamagedFile();
    void quittingLeavesEveryFileAsItWas();
    void anUnusableProfileFolderIsToldAndTriedAgain();
    void quittingAtAnUnusableProfileFolderWritesNothing();
    void aDamagedProfileIsToldInItsOwnLanguage();
    void theChosenChineseFontStays_data();
    void theChosenChineseFontStays();
    void noChineseFontIsToldInTheProfilesLanguage();
    void missingOrDamagedDataFilesAreToldAndTheProgramRuns_data();
    void missingOrDamagedDataFilesAreToldAndTheProgramRuns();

private:
    ChildRun run(const QString& clicks, const QString& program = QString(),
                 const QString& fontConfiguration = QString());

    std::unique_ptr<QTemporaryDir> m_userData;
    QString m_folder;
};

void TestDamagedProfile::init()
{
    m_userData = std::make_unique<QTemporaryDir>();
    QVERIFY(m_userData->isValid());
    m_folder = m_userData->path() + QStringLiteral("/Quillet");
    QVERIFY(QDir().mkpath(m_folder));
}

ChildRun TestDamagedProfile::run(const QString& clicks, const QString& program,
                                 const QString& fontConfiguration)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_userData->path());
    environment.insert(QLatin1String(ClicksVariable), clicks);
    if (!fontConfiguration.isEmpty())
        environment.insert(QStringLiteral("FONTCONFIG_FILE"), fontConfiguration);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program.isEmpty() ? QCoreApplication::applicationFilePath() : program,
                {QLatin1String(ChildMode)});
    ChildRun result;
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        return result;
    }
    result.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2;
    for (const QString& line : QString::fromUtf8(child.readAllStandardOutput()).split('\n')) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString key = line.left(colon);
        QString value = line.mid(colon + 1);
        value.replace(QLatin1String("\\n"), QLatin1String("\n"));
        if (key == QLatin1String("box"))
            result.boxes.append(value.split(QLatin1Char('|')));
        else
            result.values.insert(key, value);
    }
    return result;
}

void TestDamagedProfile::restoresTheNewestSoundBackup()
{
    const QString profile = m_folder + "/Profile.db";
    QVERIFY(writeBytes(profile, noise()));
    // The newest copy is itself damaged; the one before is sound and is the one offered.
    const QString damagedBackup = m_folder + "/Profile.2024-05-01.db";
    const QString soundBackup = m_folder + "/Profile.3.4.4.4000.db";
    const QString olderBackup = m_folder + "/Profile.2023-01-01.db";
    QVERIFY(writeBytes(damagedBackup, noise().left(4000)));
    QVERIFY(writeProfile(soundBackup, "Kept deck"));
    QVERIFY(writeProfile(olderBackup, "Old deck"));
    QVERIFY(setAge(damagedBackup, 1));
    QVERIFY(setAge(soundBackup, 2));
    QVERIFY(setAge(olderBackup, 30));
    const QByteArray original = digest(profile);
    const QByteArray backup = digest(soundBackup);

    const ChildRun child = run("Restore backup;close");
    QCOMPARE(child.exitCode, 0);
    QCOMPARE(child.values.value("started"), QStringLiteral("1"));
    QVERIFY(child.values.value("decks").split(',').contains("Kept deck"));
    QVERIFY(child.boxes.size() >= 1);
    const QStringList box = child.boxes.first();
    QCOMPARE(box.at(0), QStringLiteral("Error"));
    QCOMPARE(box.at(1).split(';'), (QStringList{"Restore backup", "Start a new profile", "Quit"}));
    QVERIFY2(box.at(2).contains(profile), qPrintable(box.at(2)));
    QVERIFY2(box.at(2).contains(soundBackup), qPrintable(box.at(2)));
    QVERIFY2(box.at(2).contains(profile + ".damaged"), qPrintable(box.at(2)));

    // The damaged file is kept under its new name, the backups are untouched, and the restored
    // profile holds the backup's deck.
    QCOMPARE(digest(profile + ".damaged"), original);
    QCOMPARE(digest(soundBackup), backup);
    QVERIFY(QFile::exists(damagedBackup));
    QCOMPARE(profiletest::scalarOnFile(profile, "PRAGMA integrity_check"), QVariant("ok"));
    QCOMPARE(
        profiletest::scalarOnFile(profile, "SELECT COUNT(*) FROM Decks WHERE title = 'Kept deck'"),
        QVariant(1));
    QVERIFY(!QFile::exists(profile + ".restoring"));
}

void TestDamagedProfile::startsANewProfileAndKeepsTheDamagedFile()
{
    const QString profile = m_folder + "/Profile.db";
    QVERIFY(writeProfile(profile, "Lost deck"));
    {
        // Pages after the first overwritten: the header is right, PRAGMA quick_check is not ok.
        QFile file(profile);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        QVERIFY(file.seek(4096));
        file.write(QByteArray(int(size - 4096), char(0x5a)));
    }
    // An earlier damaged file already has the first name; it is not overwritten.
    QVERIFY(writeBytes(profile + ".damaged", "older damage"));
    const QByteArray original = digest(profile);

    const ChildRun child = run("Start a new profile;close");
    QCOMPARE(child.exitCode, 0);
    QCOMPARE(child.values.value("started"), QStringLiteral("1"));
    QVERIFY(child.boxes.size() >= 1);
    QCOMPARE(child.boxes.first().at(0), QStringLiteral("Error"));
    // Without a backup there is nothing to restore.
    QCOMPARE(child.boxes.first().at(1).split(';'), (QStringList{"Start a new profile", "Quit"}));
    QVERIFY(child.boxes.first().at(2).contains(profile + ".2.damaged"));

    QCOMPARE(digest(profile + ".2.damaged"), original);
    QCOMPARE(digest(profile + ".damaged"),
             QCryptographicHash::hash("older damage", QCryptographicHash::Sha256).toHex());
    // The new profile is the template's, with its built-in decks.
    QVERIFY(child.values.value("decks").contains("{HSK_DECKS}"));
    QCOMPARE(profiletest::scalarOnFile(profile, "PRAGMA integrity_check"), QVariant("ok"));
    QCOMPARE(
        profiletest::scalarOnFile(profile, "SELECT COUNT(*) FROM Decks WHERE title = 'Lost deck'"),
        QVariant(0));
}

void TestDamagedProfile::quittingLeavesEveryFileAsItWas()
{
    const QString profile = m_folder + "/Profile.db";
    QVERIFY(writeProfile(profile, "Future deck", "7.0"));
    QVERIFY(writeProfile(m_folder + "/Profile.2024-05-01.db", "Kept deck"));
    const QStringList before = listing(m_folder);

    const ChildRun child = run("Quit");
    QCOMPARE(child.exitCode, 1);
    QCOMPARE(child.values.value("started"), QStringLiteral("0"));
    QCOMPARE(child.boxes.size(), 1);
    QVERIFY(child.boxes.first().at(2).contains("7.0"));
    QVERIFY(child.boxes.first().at(2).contains(profile));
    QCOMPARE(listing(m_folder), before);
}

// A file where the profile folder should be: the folder cannot be made, and the program says so
// instead of running on a profile in memory that would keep nothing.
void TestDamagedProfile::anUnusableProfileFolderIsToldAndTriedAgain()
{
    QVERIFY(QDir(m_folder).removeRecursively());
    QVERIFY(writeBytes(m_folder, "in the way"));
    const ChildRun child = run("Try again;unblock:Try again;close");
    QCOMPARE(child.exitCode, 0);
    QCOMPARE(child.values.value("started"), QStringLiteral("1"));
    QVERIFY(child.boxes.size() >= 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(child.boxes.at(i).at(1).split(';'), (QStringList{"Try again", "Quit"}));
        QVERIFY2(child.boxes.at(i).at(2).contains(m_folder), qPrintable(child.boxes.at(i).at(2)));
    }
    // The profile is on disk, made from the template.
    QVERIFY(child.values.value("decks").contains("{HSK_DECKS}"));
    QCOMPARE(profiletest::scalarOnFile(m_folder + "/Profile.db", "PRAGMA integrity_check"),
             QVariant("ok"));
}

void TestDamagedProfile::quittingAtAnUnusableProfileFolderWritesNothing()
{
    QVERIFY(QDir(m_folder).removeRecursively());
    QVERIFY(writeBytes(m_folder, "in the way"));
    const ChildRun child = run("Quit");
    QCOMPARE(child.exitCode, 1);
    QCOMPARE(child.values.value("started"), QStringLiteral("0"));
    QCOMPARE(child.boxes.size(), 1);
    QVERIFY(QFileInfo(m_folder).isFile());
}

void TestDamagedProfile::aDamagedProfileIsToldInItsOwnLanguage()
{
    const QString profile = m_folder + "/Profile.db";
    QVERIFY(profiletest::createTemplate(
        profile, {"INSERT INTO UserSettings (settingType, settingName, settingValue) "
                  "VALUES (10, 'locale', 'de')",
                  "UPDATE DatabaseVersion SET version = '9.0'"}));
    const ChildRun child = run("Beenden");
    QCOMPARE(child.exitCode, 1);
    QCOMPARE(child.boxes.size(), 1);
    QVERIFY2(child.boxes.first().at(1).split(';').contains("Beenden"),
             qPrintable(child.boxes.first().at(1)));
}

void TestDamagedProfile::theChosenChineseFontStays_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("boxes");
    QTest::newRow("installed, not the first one") << "AR PL UKai TW"
                                                  << "AR PL UKai TW" << 0;
    QTest::newRow("no longer installed") << "Gone Kai"
                                         << "" << 1;
}

void TestDamagedProfile::theChosenChineseFontStays()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QFETCH(int, boxes);
    QVERIFY(profiletest::createTemplate(
        m_folder + "/Profile.db",
        {QStringLiteral("INSERT INTO UserSettings (settingType, settingName, settingValue) "
                        "VALUES (10, 'chineseFont', '%1')")
             .arg(stored)}));
    const ChildRun child = run(boxes ? "OK;close" : "close");
    QCOMPARE(child.exitCode, 0);
    const QString font = child.values.value("font");
    if (expected.isEmpty()) {
        // Another installed Chinese font took its place, and the learner was told which.
        QVERIFY(!font.isEmpty() && font != stored);
        QVERIFY2(child.boxes.first().at(2).contains(stored) &&
                     child.boxes.first().at(2).contains(font),
                 qPrintable(child.boxes.first().at(2)));
    } else {
        QCOMPARE(font, expected);
    }
    // The stroke order dialog the child opens comes last.
    QCOMPARE(child.boxes.size(), boxes + 1);
    QCOMPARE(child.boxes.last().at(0), QStringLiteral("Stroke order"));
}

void TestDamagedProfile::noChineseFontIsToldInTheProfilesLanguage()
{
    QVERIFY(profiletest::createTemplate(m_folder + "/Profile.db",
                                        {"INSERT INTO UserSettings (settingType, settingName, "
                                         "settingValue) VALUES (10, 'locale', 'fr')"}));
    const QString configuration = m_userData->filePath("latin-fonts.conf");
    QVERIFY(writeBytes(configuration, "<?xml version=\"1.0\"?><fontconfig>"
                                      "<dir>/usr/share/fonts/truetype/dejavu</dir></fontconfig>"));
    const ChildRun child = run("Ignorer;close", QString(), configuration);
    QCOMPARE(child.exitCode, 0);
    QVERIFY(child.boxes.size() >= 1);
    QVERIFY2(child.boxes.first().at(1).split(';').contains("Ignorer"),
             qPrintable(child.boxes.first().at(1)));
}

void TestDamagedProfile::missingOrDamagedDataFilesAreToldAndTheProgramRuns_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("missing") << false;
    QTest::newRow("damaged") << true;
}

// The program runs from a folder of its own whose data folder lacks the dictionary and the
// stroke animations (or has garbage in their place) and links to everything else.
void TestDamagedProfile::missingOrDamagedDataFilesAreToldAndTheProgramRuns()
{
    QFETCH(bool, damaged);
    const QString realData = QCoreApplication::applicationDirPath() + "/data";
    QTemporaryDir program(QCoreApplication::applicationDirPath() + "/datafiles-XXXXXX");
    QVERIFY(program.isValid());
    const QString executable =
        program.path() + "/" + QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    // The executable's own folder decides the data folder, and a symbolic link would resolve
    // back to the real one: a hard link (or a copy) it is.
    if (::link(qPrintable(QCoreApplication::applicationFilePath()), qPrintable(executable)) != 0)
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), executable));
    QVERIFY(QDir().mkpath(program.path() + "/data"));
    for (const QFileInfo& entry :
         QDir(realData).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (entry.fileName() == "Dictionary.db" || entry.fileName() == "Animations.db")
            continue;
        QVERIFY(
            QFile::link(entry.absoluteFilePath(), program.path() + "/data/" + entry.fileName()));
    }
    if (damaged) {
        QVERIFY(writeBytes(program.path() + "/data/Dictionary.db", noise()));
        QVERIFY(writeBytes(program.path() + "/data/Animations.db", noise()));
    }

    const ChildRun child = run("OK;OK;close", executable);
    QCOMPARE(child.exitCode, 0);
    QCOMPARE(child.values.value("started"), QStringLiteral("1"));
    QCOMPARE(child.values.value("results"), QStringLiteral("0"));
    QCOMPARE(child.values.value("animations"), QStringLiteral("0"));
    // The dictionary box, the animations box (once, though the database was asked for three
    // times), then the stroke order dialog.
    QCOMPARE(child.boxes.size(), 3);
    const QString dictionaryText = child.boxes.at(0).at(2);
    const QString animationText = child.boxes.at(1).at(2);
    QCOMPARE(child.boxes.at(0).at(0), QStringLiteral("Warning"));
    QCOMPARE(child.boxes.at(1).at(0), QStringLiteral("Warning"));
    QVERIFY2(dictionaryText.contains(program.path() + "/data/Dictionary.db"),
             qPrintable(dictionaryText));
    QVERIFY2(animationText.contains(program.path() + "/data/Animations.db"),
             qPrintable(animationText));
    for (const QString& text : {dictionaryText, animationText}) {
        QVERIFY2(text.contains("./dev run"), qPrintable(text));
        QVERIFY2(text.contains(damaged ? "damaged" : "missing"), qPrintable(text));
    }
    QCOMPARE(child.boxes.at(2).at(0), QStringLiteral("Stroke order"));
}

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]) == QLatin1String(ChildMode)) {
            int childArgc = 1;
            return runChild(childArgc, argv);
        }
    }
    QCoreApplication app(argc, argv);
    TestDamagedProfile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_damagedprofile.moc"
