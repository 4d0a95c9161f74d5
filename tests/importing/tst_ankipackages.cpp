#include "importing/ankitext.h"
#include "importing/cardfields.h"
#include "importing/cardimport.h"
#include "importing/importfilereader.h"
#include "importing/packagearchive.h"
#include "text/pinyin.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "importfixtures.h"

using namespace korvo;

// Anki packages as their real writers make them, in both collection layouts, the packages that
// must be refused, and the parsing of the fields and deck names inside.
class TestAnkiPackages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initPinyinTables(); }
    void packagesReadAsNotes_data();
    void packagesReadAsNotes();
    void badPackagesAreRefused_data();
    void badPackagesAreRefused();
    void nothingIsUnpackedBesideTheTemporaryFolder();
    void entryNamesAndSizesAreChecked_data();
    void entryNamesAndSizesAreChecked();
    void fieldHtmlBecomesPlainText_data();
    void fieldHtmlBecomesPlainText();
    void deckNamesBecomePaths_data();
    void deckNamesBecomePaths();
    void noteTypesComeInFieldOrder();
};

void TestAnkiPackages::packagesReadAsNotes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("firstFields");
    QTest::addColumn<QStringList>("firstDeck");
    QTest::addColumn<QStringList>("fieldNames");
    QTest::addColumn<int>("notes");
    QTest::newRow("front and back")
        << "basic.apkg" << QStringList{"你好", "hello\nhi"} << QStringList{"Chinese", "HSK 1"}
        << QStringList{"Front", "Back"} << 3;
    QTest::newRow("three fields") << "vocabulary.apkg" << QStringList{"你好", "nǐ hǎo", "hello"}
                                  << QStringList{"Textbook", "Lesson 1"}
                                  << QStringList{"Hanzi", "Pinyin", "Meaning"} << 7;
    QTest::newRow("newer layout, compressed")
        << "newer.colpkg" << QStringList{"学校", "學校", "xué xiào", "school"}
        << QStringList{"Chinese", "HSK 2"}
        << QStringList{"Simplified", "Traditional", "Pinyin", "English"} << 3;
}

void TestAnkiPackages::packagesReadAsNotes()
{
    QFETCH(QString, name);
    QFETCH(QStringList, firstFields);
    QFETCH(QStringList, firstDeck);
    QFETCH(QStringList, fieldNames);
    QFETCH(int, notes);
    const ImportedFile file = ImportFileReader::read(importfixtures::path(name));
    QVERIFY2(file.isValid(), qPrintable(file.error));
    QCOMPARE(int(file.format), int(ImportedFile::Anki));
    QCOMPARE(int(file.notes.size()), notes);
    const ImportedNote& first = file.notes.first();
    QCOMPARE(first.fields, firstFields);
    QCOMPARE(first.deckPath, firstDeck);
    QCOMPARE(file.noteTypes.at(first.noteType).fieldNames, fieldNames);
}

void TestAnkiPackages::badPackagesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no collection") << "no-collection.apkg"
                                   << "it holds no Anki collection";
    QTest::newRow("dot-dot entry") << "unsafe-path.apkg"
                                   << "it holds an entry with an unsafe path (../)";
    QTest::newRow("zip bomb") << "bomb.apkg"
                              << "compressed suspiciously well";
    QTest::newRow("damaged database") << "damaged.apkg"
                                      << "its collection database is damaged";
    QTest::newRow("unknown version") << "unknown-version.apkg"
                                     << "its collection has the unknown version 99";
    QTest::newRow("note with too few fields") << "too-few-fields.apkg"
                                              << "note 2 has too few fields (2 of 3)";
    QTest::newRow("not a zip archive") << "words.csv.apkg"
                                       << "it is not a zip archive";
}

void TestAnkiPackages::badPackagesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QString path = importfixtures::path(name);
    QTemporaryDir folder;
    if (name == QLatin1String("words.csv.apkg")) {
        path = folder.filePath(name);
        QVERIFY(QFile::copy(importfixtures::path(QStringLiteral("words.csv")), path));
    }
    const ImportedFile file = ImportFileReader::read(path);
    QVERIFY(!file.isValid());
    QVERIFY(file.notes.isEmpty());
    QVERIFY2(
        file.error.startsWith(
            QStringLiteral("The file %1 cannot be imported: ").arg(QDir::toNativeSeparators(path))),
        qPrintable(file.error));
    QVERIFY2(file.error.contains(reason), qPrintable(file.error));
}

void TestAnkiPackages::nothingIsUnpackedBesideTheTemporaryFolder()
{
    // The ".." entry would land two folders up from wherever it was unpacked.
    const QString fixtures = QStringLiteral(QUILLET_SOURCE_DIR "/tests/importing/fixtures");
    const QStringList before = QDir(fixtures + QStringLiteral("/../..")).entryList();
    ImportFileReader::read(importfixtures::path(QStringLiteral("unsafe-path.apkg")));
    QCOMPARE(QDir(fixtures + QStringLiteral("/../..")).entryList(), before);
    QVERIFY(!QFile::exists(QDir::tempPath() + QStringLiteral("/../evil.txt")));
}

void TestAnkiPackages::entryNamesAndSizesAreChecked_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("unsafe");
    QTest::newRow("plain") << "collection.anki2" << false;
    QTest::newRow("media number") << "12" << false;
    QTest::newRow("dots in a name") << "a..b" << false;
    QTest::newRow("parent") << "../x" << true;
    QTest::newRow("parent inside") << "a/../../x" << true;
    QTest::newRow("backslash parent") << "a\\..\\x" << true;
    QTest::newRow("absolute") << "/etc/passwd" << true;
    QTest::newRow("drive") << "C:x" << true;
}

void TestAnkiPackages::entryNamesAndSizesAreChecked()
{
    QFETCH(QString, name);
    QFETCH(bool, unsafe);
    QCOMPARE(PackageArchive::isUnsafeName(name), unsafe);
    // The size limits, at their edges.
    const qint64 mb = 1024 * 1024;
    QVERIFY(!PackageArchive::isBomb(100 * mb, 2 * mb));
    QVERIFY(PackageArchive::isBomb(100 * mb + 1, 50 * mb));
    QVERIFY(PackageArchive::isBomb(101 * mb / 100 * 100, mb));
    QVERIFY(!PackageArchive::isBomb(mb, 1024));
    QVERIFY(PackageArchive::isBomb(2 * mb, 2 * mb / 100 - 1));
}

void TestAnkiPackages::fieldHtmlBecomesPlainText_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::newRow("line breaks") << "to study<br>to learn<br/>x<BR />y"
                                 << "to study\nto learn\nx\ny";
    QTest::newRow("divs") << "one<div>two</div><div>three</div>"
                          << "one\ntwo\nthree";
    QTest::newRow("formatting dropped") << "<b>学</b><span style=\"color:red\">习</span>"
                                        << "学习";
    QTest::newRow("entities") << "A &amp; B &lt;c&gt; &quot;d&quot; &#20320;&#x597D; &nbsp;e"
                              << "A & B <c> \"d\" 你好 e";
    QTest::newRow("sound dropped") << "hello [sound:hello.mp3] there"
                                   << "hello there";
    QTest::newRow("unclosed sound kept") << "a [sound:x"
                                         << "a [sound:x";
    QTest::newRow("lone angle kept") << "1 < 2"
                                     << "1 < 2";
    QTest::newRow("style content dropped") << "<style>.x{color:red}</style>word"
                                           << "word";
    QTest::newRow("unknown entity kept") << "&foo; &#0; &#xD800;"
                                         << "&foo; &#0; &#xD800;";
    QTest::newRow("blank lines dropped") << "<div><br></div>a<br><br>b"
                                         << "a\nb";
}

void TestAnkiPackages::fieldHtmlBecomesPlainText()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    QCOMPARE(AnkiText::htmlToPlainText(html), text);
}

void TestAnkiPackages::deckNamesBecomePaths_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("path");
    QTest::newRow("older") << "A::B::C" << QStringList{"A", "B", "C"};
    QTest::newRow("newer") << QStringLiteral("A\u001FB") << QStringList{"A", "B"};
    QTest::newRow("one") << "Default" << QStringList{"Default"};
    QTest::newRow("empty parts") << "::A:: ::B" << QStringList{"A", "B"};
    QTest::newRow("single colons stay") << "Lesson: 1" << QStringList{"Lesson: 1"};
    QTest::newRow("nothing") << "" << QStringList{};
}

void TestAnkiPackages::deckNamesBecomePaths()
{
    QFETCH(QString, name);
    QFETCH(QStringList, path);
    QCOMPARE(AnkiText::deckPath(name), path);
}

void TestAnkiPackages::noteTypesComeInFieldOrder()
{
    const QHash<qint64, NoteType> types = AnkiText::noteTypesFromJson(QStringLiteral(
        R"({"17":{"name":"Chinese","flds":[{"name":"Meaning","ord":2},{"name":"Hanzi","ord":0},)"
        R"({"name":"Pinyin","ord":1}]},"x":{"name":"bad id"},"18":"not a model"})"));
    QCOMPARE(types.size(), 1);
    QCOMPARE(types.value(17).name, QStringLiteral("Chinese"));
    QCOMPARE(types.value(17).fieldNames, (QStringList{"Hanzi", "Pinyin", "Meaning"}));
    QVERIFY(AnkiText::noteTypesFromJson(QStringLiteral("[1,2]")).isEmpty());
    const QHash<qint64, QString> decks =
        AnkiText::deckNamesFromJson(QStringLiteral(R"({"1":{"name":"Default"},"2":{"x":1}})"));
    QCOMPARE(decks.value(1), QStringLiteral("Default"));
    QCOMPARE(decks.value(2), QString());
}

QTEST_GUILESS_MAIN(TestAnkiPackages)
#include "tst_ankipackages.moc"
