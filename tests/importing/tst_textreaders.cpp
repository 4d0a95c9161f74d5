#include "importing/cardfields.h"
#include "importing/csvreader.h"
#include "importing/fieldmapping.h"
#include "importing/importfilereader.h"
#include "importing/plecoreader.h"
#include "text/textfiledecoder.h"
#include "text/pinyin.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include "importfixtures.h"

using namespace korvo;

namespace {

ImportedFile readText(const QString& text, ImportedFile::Format format)
{
    ImportedFile file;
    file.format = format;
    file.defaultDeck = QStringLiteral("words");
    ImportFileReader::readText(text, file);
    return file;
}

} // namespace

// The text readers (CSV/TSV, Pleco exports), the encodings they detect, and what turns their
// fields into cards: the field guess and the pinyin as the profile stores it.
class TestTextReaders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initPinyinTables(); }
    void fixturesReadAsCards_data();
    void fixturesReadAsCards();
    void encodingsAreRecognised_data();
    void encodingsAreRecognised();
    void csvRecordsFollowQuotingRules_data();
    void csvRecordsFollowQuotingRules();
    void delimiterAndHeaderAreRecognised_data();
    void delimiterAndHeaderAreRecognised();
    void badFilesAreRefusedNamingTheLine_data();
    void badFilesAreRefusedNamingTheLine();
    void badTextIsRefused();
    void oversizedFilesAreRefusedUnread();
    void plecoCategoriesStartDecks();
    void pinyinIsStoredNumbered_data();
    void pinyinIsStoredNumbered();
    void charactersSplitIntoBothScripts_data();
    void charactersSplitIntoBothScripts();
    void mappingIsGuessedFromNamesAndContent_data();
    void mappingIsGuessedFromNamesAndContent();
    void aRoleGoesToOneFieldOnly();
};

void TestTextReaders::fixturesReadAsCards_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("notes");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QString>("definition");
    QTest::newRow("pleco utf-8") << "pleco.txt" << int(ImportedFile::Pleco) << 4 << "面条"
                                 << "mian4 tiao2"
                                 << "noodles (bold)";
    QTest::newRow("pleco utf-16") << "pleco-utf16.txt" << int(ImportedFile::Pleco) << 4 << "面条"
                                  << "mian4 tiao2"
                                  << "noodles (bold)";
    QTest::newRow("csv with bom, header and quotes")
        << "words.csv" << int(ImportedFile::Csv) << 3 << "电脑"
        << "dian4 nao3"
        << "computer/electronic brain";
    QTest::newRow("gb18030 with semicolons")
        << "words-gb18030.csv" << int(ImportedFile::Csv) << 2 << "老师"
        << "lao3 shi1"
        << "teacher";
    QTest::newRow("utf-16 without bom")
        << "words-utf16be.tsv" << int(ImportedFile::Csv) << 2 << "老师"
        << "lao3 shi1"
        << "teacher";
}

// The last note of each file, through the guessed mapping.
void TestTextReaders::fixturesReadAsCards()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QFETCH(int, notes);
    QFETCH(QString, characters);
    QFETCH(QString, pinyin);
    QFETCH(QString, definition);
    const ImportedFile file = ImportFileReader::read(importfixtures::path(name));
    QVERIFY2(file.isValid(), qPrintable(file.error));
    QCOMPARE(int(file.format), format);
    QCOMPARE(int(file.notes.size()), notes);
    const FieldMapping mapping = FieldMapping::guess(file.noteTypes.first(), file.notes, 0);
    const ImportCard card = CardFields::fromNote(file.notes.last(), mapping);
    QCOMPARE(card.simplified, characters);
    QCOMPARE(card.pinyin, pinyin);
    QCOMPARE(card.definition, definition);
}

void TestTextReaders::encodingsAreRecognised_data()
{
    const QString text = QStringLiteral("一个\tyi2 ge4\tone\n学习\txue2 xi2\tto study\n");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::newRow("utf-8") << text.toUtf8() << int(TextFileDecoder::Utf8);
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8()
                               << int(TextFileDecoder::Utf8);
    QStringEncoder le(QStringConverter::Utf16LE);
    QStringEncoder be(QStringConverter::Utf16BE);
    QStringEncoder gb("GB18030");
    // 一 is U+4E00: one of its bytes is zero too, on the other side than ASCII's.
    QTest::newRow("utf-16le no bom")
        << QByteArray(le.encode(text)) << int(TextFileDecoder::Utf16LittleEndian);
    QTest::newRow("utf-16be no bom")
        << QByteArray(be.encode(text)) << int(TextFileDecoder::Utf16BigEndian);
    QTest::newRow("utf-16le bom") << QByteArray("\xFF\xFE") + QByteArray(le.encode(text))
                                  << int(TextFileDecoder::Utf16LittleEndian);
    QTest::newRow("gb18030") << QByteArray(gb.encode(text)) << int(TextFileDecoder::Gb18030);
    QTest::newRow("neither") << QByteArray("\x80\x80\xff\xfe\x80", 5)
                             << int(TextFileDecoder::Unknown);
}

void TestTextReaders::encodingsAreRecognised()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QString text;
    TextFileDecoder::Encoding found;
    const bool decoded = TextFileDecoder::decode(bytes, &text, &found);
    QCOMPARE(int(found), encoding);
    QCOMPARE(decoded, encoding != TextFileDecoder::Unknown);
    if (decoded)
        QCOMPARE(text, QStringLiteral("一个\tyi2 ge4\tone\n学习\txue2 xi2\tto study\n"));
}

void TestTextReaders::csvRecordsFollowQuotingRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields"); // every record's fields joined by "|"
    QTest::addColumn<QList<int>>("lines");
    QTest::newRow("plain") << "a,b\nc,d" << QStringList{"a|b", "c|d"} << QList<int>{1, 2};
    QTest::newRow("crlf and blank lines") << "a,b\r\n\r\n\r\nc,d\r\n"
                                          << QStringList{"a|b", "c|d"} << QList<int>{1, 4};
    QTest::newRow("delimiter in quotes") << "\"a,b\",c" << QStringList{"a,b|c"} << QList<int>{1};
    QTest::newRow("doubled quote")
        << "\"say \"\"hi\"\"\",x" << QStringList{"say \"hi\"|x"} << QList<int>{1};
    QTest::newRow("line break in quotes counts lines")
        << "\"a\nb\",c\nd,e" << QStringList{"a\nb|c", "d|e"} << QList<int>{1, 3};
    QTest::newRow("quote inside a field stays")
        << "a\"b,c" << QStringList{"a\"b|c"} << QList<int>{1};
    QTest::newRow("empty fields") << ",,\n" << QStringList{"||"} << QList<int>{1};
}

void TestTextReaders::csvRecordsFollowQuotingRules()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    QFETCH(QList<int>, lines);
    QList<CsvReader::Record> records;
    QVERIFY(CsvReader::parse(text, QLatin1Char(','), &records));
    QStringList joined;
    QList<int> starts;
    for (const CsvReader::Record& record : records) {
        joined << record.fields.join(QLatin1Char('|'));
        starts << record.line;
    }
    QCOMPARE(joined, fields);
    QCOMPARE(starts, lines);
}

void TestTextReaders::delimiterAndHeaderAreRecognised_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<bool>("header");
    QTest::newRow("comma, named header") << "Hanzi,Pinyin,English\n你,ni3,you\n"
                                         << "," << true;
    QTest::newRow("semicolon, no header") << "你;ni3;you, thou\n好;hao3;good\n"
                                          << ";" << false;
    QTest::newRow("tab beats commas in text") << "你\tni3\tyou, thou\n好\thao3\tgood, fine\n"
                                              << "\t" << false;
    QTest::newRow("header of unknown names above characters")
        << "front|sound|back\n你|ni3|you\n好|hao3|good\n"
        << "|" << true;
    QTest::newRow("chinese header") << "汉字,拼音,意思\n你,ni3,you\n"
                                    << "," << true;
}

void TestTextReaders::delimiterAndHeaderAreRecognised()
{
    QFETCH(QString, text);
    QFETCH(QString, delimiter);
    QFETCH(bool, header);
    QCOMPARE(QString(CsvReader::detectDelimiter(text)), delimiter);
    QList<CsvReader::Record> records;
    QVERIFY(CsvReader::parse(text, delimiter.at(0), &records));
    QCOMPARE(CsvReader::isHeader(records), header);
    const ImportedFile file = readText(text, ImportedFile::Csv);
    QCOMPARE(int(file.notes.size()), int(records.size()) - (header ? 1 : 0));
}

void TestTextReaders::badFilesAreRefusedNamingTheLine_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::newRow("short csv line")
        << importfixtures::path("short-line.csv") << "line 2 has too few fields (2 of 3)";
    QTest::newRow("missing") << importfixtures::path("missing.csv") << "it does not exist";
    QTest::newRow("unknown kind") << importfixtures::path("make-fixtures.js")
                                  << "its kind of file is not known";
}

void TestTextReaders::badFilesAreRefusedNamingTheLine()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    const ImportedFile file = ImportFileReader::read(path);
    QVERIFY(!file.isValid());
    QVERIFY(file.notes.isEmpty());
    QVERIFY2(file.error.contains(QDir::toNativeSeparators(path)), qPrintable(file.error));
    QVERIFY2(file.error.contains(message), qPrintable(file.error));
}

void TestTextReaders::badTextIsRefused()
{
    QCOMPARE(readText("a\tb\nonly one field\n", ImportedFile::Pleco).error,
             QStringLiteral("line 2 has too few fields (1 of at least 2)"));
    QCOMPARE(readText("x,y\n\"a,b\nc,d\n", ImportedFile::Csv).error,
             QStringLiteral("the quoted field that starts on line 2 is not closed"));
    QCOMPARE(readText("\n\n", ImportedFile::Csv).error, QStringLiteral("it holds no cards"));
    QCOMPARE(readText("Hanzi,Pinyin,English\n", ImportedFile::Csv).error,
             QStringLiteral("it holds no cards"));
    QCOMPARE(readText("//Only a category\n", ImportedFile::Pleco).error,
             QStringLiteral("it holds no cards"));
}

void TestTextReaders::oversizedFilesAreRefusedUnread()
{
    QTemporaryDir folder;
    for (const QString& name : {QStringLiteral("huge.csv"), QStringLiteral("huge.apkg")}) {
        // A sparse file: its size counts, nothing of it is ever written or read.
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(ImportFileReader::MaxFileSize + 1));
        file.close();
        const ImportedFile imported = ImportFileReader::read(file.fileName());
        QVERIFY(imported.error.endsWith(QStringLiteral("it is larger than 200 MB.")));
    }
}

void TestTextReaders::plecoCategoriesStartDecks()
{
    const ImportedFile file = ImportFileReader::read(importfixtures::path("pleco.txt"));
    QVERIFY2(file.isValid(), qPrintable(file.error));
    QList<QStringList> decks;
    QList<int> lines;
    for (const ImportedNote& note : file.notes) {
        decks << note.deckPath;
        lines << note.position;
    }
    QCOMPARE(decks, (QList<QStringList>{
                        {}, {"Textbook", "Lesson 2"}, {"Textbook", "Lesson 2"}, {"Food"}}));
    QCOMPARE(lines, (QList<int>{1, 3, 4, 6}));
    QVERIFY(!PlecoReader::looksLikePleco(QStringLiteral("a,b,c\nd,e,f\n")));
}

void TestTextReaders::pinyinIsStoredNumbered_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("tones");
    QTest::newRow("marks") << "nǐ hǎo"
                           << "ni3 hao3" << true;
    QTest::newRow("marks without spaces") << "Běijīng"
                                          << "bei3 jing1" << true;
    QTest::newRow("numbers without spaces") << "ni3hao3"
                                            << "ni3 hao3" << true;
    QTest::newRow("neutral tone unmarked") << "xièxie"
                                           << "xie4 xie5" << true;
    QTest::newRow("toneless") << "nihao"
                              << "ni5 hao5" << false;
    QTest::newRow("u colon") << "lu:4"
                             << "lu:4" << true;
    QTest::newRow("v") << "nv3"
                       << "nu:3" << true;
    QTest::newRow("umlaut mark") << "lǜ"
                                 << "lu:4" << true;
    QTest::newRow("lüe") << "lüè"
                         << "lu:e4" << true;
    QTest::newRow("nve") << "nve4"
                         << "nu:e4" << true;
    QTest::newRow("erhua") << "yi1dian3r5"
                           << "yi1 dian3 r5" << true;
    QTest::newRow("erhua without tone") << "yīdiǎnr"
                                        << "yi1 dian3 r5" << true;
    QTest::newRow("apostrophe") << "xī'ān"
                                << "xi1 an1" << true;
    QTest::newRow("not pinyin stays") << "see notes"
                                      << "see notes" << false;
    QTest::newRow("digit that is no tone") << "ma7"
                                           << "ma7" << false;
    QTest::newRow("empty") << "  "
                           << "" << false;
}

void TestTextReaders::pinyinIsStoredNumbered()
{
    QFETCH(QString, input);
    QFETCH(QString, stored);
    QFETCH(bool, tones);
    QCOMPARE(CardFields::normalisedPinyin(input), stored);
    if (stored != input.trimmed() || tones)
        QCOMPARE(CardFields::hasTones(input), tones);
}

void TestTextReaders::charactersSplitIntoBothScripts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("traditional");
    QTest::newRow("pair") << "学习[學習]"
                          << "学习"
                          << "學習";
    QTest::newRow("one script") << " 你好 "
                                << "你好"
                                << "";
    QTest::newRow("brackets without characters") << "A[B]"
                                                 << "A[B]"
                                                 << "";
}

void TestTextReaders::charactersSplitIntoBothScripts()
{
    QFETCH(QString, text);
    QFETCH(QString, simplified);
    QFETCH(QString, traditional);
    QString simplifiedForm;
    QString traditionalForm;
    CardFields::splitCharacters(text, &simplifiedForm, &traditionalForm);
    QCOMPARE(simplifiedForm, simplified);
    QCOMPARE(traditionalForm, traditional);
}

void TestTextReaders::mappingIsGuessedFromNamesAndContent_data()
{
    using Roles = QList<FieldRole>;
    const FieldRole none = FieldRole::Ignored;
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QStringList>>("notes");
    QTest::addColumn<Roles>("roles");
    const QList<QStringList> words = {{"你好", "nǐ hǎo", "hello"}, {"学习", "xué xí", "to study"}};
    QTest::newRow("names win") << QStringList{"English", "Hanzi", "Reading"}
                               << QList<QStringList>{{"hello", "你好", "nǐ hǎo"}}
                               << Roles{FieldRole::Definition, FieldRole::Simplified,
                                        FieldRole::Pinyin};
    QTest::newRow("content of unnamed columns")
        << QStringList{"Column 1", "Column 2", "Column 3"} << words
        << Roles{FieldRole::Simplified, FieldRole::Pinyin, FieldRole::Definition};
    QTest::newRow("front and back")
        << QStringList{"Front", "Back"} << QList<QStringList>{{"你好", "hello"}, {"猫", "cat"}}
        << Roles{FieldRole::Simplified, FieldRole::Definition};
    QTest::newRow("both scripts") << QStringList{"Simplified", "Traditional", "Pinyin", "Meaning"}
                                  << QList<QStringList>{{"学习", "學習", "xue2 xi2", "study"}}
                                  << Roles{FieldRole::Simplified, FieldRole::Traditional,
                                           FieldRole::Pinyin, FieldRole::Definition};
    QTest::newRow("example sentences are no card part")
        << QStringList{"Word", "Example sentence", "Pinyin"}
        << QList<QStringList>{{"猫", "我有一只猫。", "mao1"}}
        << Roles{FieldRole::Simplified, none, FieldRole::Pinyin};
    QTest::newRow("toneless pinyin against english words")
        << QStringList{"A", "B", "C"}
        << QList<QStringList>{{"猫", "mao", "cat"}, {"狗", "gou", "dog"}, {"长", "chang", "long"}}
        << Roles{FieldRole::Simplified, FieldRole::Pinyin, FieldRole::Definition};
    QTest::newRow("nothing recognisable")
        << QStringList{"x"} << QList<QStringList>{{"123"}} << Roles{none};
}

void TestTextReaders::mappingIsGuessedFromNamesAndContent()
{
    QFETCH(QStringList, names);
    QFETCH(QList<QStringList>, notes);
    QFETCH(QList<FieldRole>, roles);
    NoteType type{QStringLiteral("type"), names};
    QList<ImportedNote> imported;
    for (const QStringList& fields : notes)
        imported.append({0, fields, {}, 1});
    QCOMPARE(FieldMapping::guess(type, imported, 0).roles(), roles);
}

void TestTextReaders::aRoleGoesToOneFieldOnly()
{
    FieldMapping mapping({FieldRole::Simplified, FieldRole::Pinyin, FieldRole::Ignored});
    mapping.setRole(2, FieldRole::Simplified);
    QCOMPARE(mapping.roles(),
             (QList<FieldRole>{FieldRole::Ignored, FieldRole::Pinyin, FieldRole::Simplified}));
    QCOMPARE(mapping.field(FieldRole::Simplified), 2);
    QCOMPARE(mapping.field(FieldRole::Definition), -1);
    mapping.setRole(1, FieldRole::Ignored);
    QCOMPARE(mapping.field(FieldRole::Pinyin), -1);
}

QTEST_GUILESS_MAIN(TestTextReaders)
#include "tst_textreaders.moc"
