#include "profile/builtindecks.h"
#include "profile/profile.h"
#include "reader/readerprofile.h"
#include "reader/readertextfile.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include "profiletestsupport.h"

using namespace korvo;

namespace {

const QString Sentence = QStringLiteral("我明天要去北京看朋友。\nNǐ hǎo!");

QByteArray encoded(const char* encoding, const QString& text, bool byteOrderMark)
{
    QStringEncoder encoder(encoding, byteOrderMark ? QStringConverter::Flag::WriteBom
                                                   : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

} // namespace

// What the reader opens: text files in each encoding and HTML pages read as their text, every
// kind of bad file refused with a reason and no text; and what it keeps in the profile (the
// words the learner knows, the text with its position and edits).
class TestReaderFiles : public QObject
{
    Q_OBJECT

private slots:
    void filesAreDecoded_data();
    void filesAreDecoded();
    void badFilesAreRefused_data();
    void badFilesAreRefused();
    void knownWordsAndReadingPlaceAreKept();

private:
    QTemporaryDir m_dir;
};

void TestReaderFiles::filesAreDecoded_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("UTF-8") << "a.txt" << Sentence.toUtf8() << Sentence;
    QTest::newRow("UTF-8 with BOM") << "a.txt" << encoded("UTF-8", Sentence, true) << Sentence;
    QTest::newRow("UTF-16LE with BOM")
        << "a.txt" << encoded("UTF-16LE", Sentence, true) << Sentence;
    QTest::newRow("UTF-16BE with BOM")
        << "a.txt" << encoded("UTF-16BE", Sentence, true) << Sentence;
    QTest::newRow("GB18030") << "a.txt" << encoded("GB18030", Sentence, false) << Sentence;
    QTest::newRow("Windows line ends") << "a.txt" << QByteArray("一\r\n二\r三") << "一\n二\n三";
    QTest::newRow("HTML page")
        << "page.html"
        << QByteArray("<html><head><title>标题</title><style>p{}</style></head><body>"
                      "<script>var x = '脚本';</script><p>第一段&nbsp;文字</p><p>第二段</p>"
                      "</body></html>")
        << "第一段 文字\n第二段";
    QTest::newRow("HTML by its start")
        << "page.txt" << QByteArray("<!DOCTYPE html><p>你好</p>") << "你好";
}

void TestReaderFiles::filesAreDecoded()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);

    const QString path = m_dir.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    const ReaderTextFile::Result result = ReaderTextFile::read(path);
    QCOMPARE(result.problem, QString());
    QVERIFY(result.isRead());
    QCOMPARE(result.text, text);
}

void TestReaderFiles::badFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("size"); // the file is grown to this size when larger than bytes
    QTest::addColumn<QString>("problem");

    QTest::newRow("empty") << QByteArray() << qint64(0) << "it is empty";
    QTest::newRow("blanks only") << QByteArray(" \n\t\r\n") << qint64(0) << "it is empty";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << qint64(0)
                            << "it is not a text file";
    QTest::newRow("control characters")
        << QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x0e\x0f abc") << qint64(0)
        << "it is not a text file";
    QTest::newRow("undecodable bytes") << QByteArray("\xe4\xbd\xa0\xff\xfe\xfd\x80\x80 abc")
                                       << qint64(0) << "it is not text in UTF-8, UTF-16 or GB18030";
    QTest::newRow("UTF-8 cut off inside a character")
        << QByteArray("\xef\xbb\xbf\xe4\xbd\xa0\xe5\xa5") << qint64(0)
        << "it is not text in UTF-8, UTF-16 or GB18030";
    QTest::newRow("over 10 MB") << QByteArray("你好") << ReaderTextFile::MaxFileSize + 1
                                << "it is larger than 10 MB";
}

void TestReaderFiles::badFilesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    QFETCH(QString, problem);

    const QString path = m_dir.filePath(QStringLiteral("bad.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    if (size > bytes.size())
        QVERIFY(file.resize(size));
    file.close();
    const ReaderTextFile::Result result = ReaderTextFile::read(path);
    QCOMPARE(result.problem, problem);
    QVERIFY(result.text.isEmpty());

    QVERIFY(!ReaderTextFile::read(m_dir.filePath(QStringLiteral("missing.txt"))).isRead());
    QCOMPARE(ReaderTextFile::fromText(QStringLiteral("  \n")).problem,
             QStringLiteral("it is empty"));
}

void TestReaderFiles::knownWordsAndReadingPlaceAreKept()
{
    const QString folder = m_dir.filePath(QStringLiteral("profile"));
    QVERIFY(QDir().mkpath(folder));
    {
        std::unique_ptr<Profile> profile = profiletest::openEmptyProfile(folder);
        QVERIFY(profile);
        // Units with scores 0, 1 and 2.5 on cards, and one of score 3 that no card shows.
        QVERIFY(profiletest::runOnFile(
            profile->databasePath(),
            {QStringLiteral("INSERT INTO Decks (id, title) VALUES (1, 'd')"),
             QStringLiteral("INSERT INTO KnowledgeUnits (id, simplified, traditional, score) "
                            "VALUES (1, '朋友', '朋友', 0), (2, '北京', '北京', 1), "
                            "(3, '们', '們', 2.5), (4, '明天', '明天', 3)"),
             QStringLiteral("INSERT INTO Cards (deckId, kuId) VALUES (1, 1), (1, 2), (1, 3)")}));
        const QSet<QString> known = ReaderProfile::knownWords(profile->database());
        QCOMPARE(known, (QSet<QString>{QStringLiteral("北京"), QStringLiteral("们"),
                                       QStringLiteral("們")}));

        // Word levels from the built-in HSK decks: the lowest deck a word is in, both scripts.
        const QStringList hsk = builtInDeckGroups().first().deckUuids;
        QVERIFY(profiletest::runOnFile(
            profile->databasePath(),
            {QStringLiteral("INSERT INTO Decks (id, title, uuid) VALUES (2, 'h3', '%1'), "
                            "(3, 'h2', '%2')")
                 .arg(hsk.at(2), hsk.at(1)),
             QStringLiteral("INSERT INTO Cards (deckId, kuId) VALUES (2, 1), (2, 3), (3, 3)")}));
        const QHash<QString, int> levels = ReaderProfile::hskLevels(profile->database());
        QCOMPARE(levels, (QHash<QString, int>{{QStringLiteral("朋友"), 3},
                                              {QStringLiteral("们"), 2},
                                              {QStringLiteral("們"), 2}}));

        ReaderProfile::save(*profile, {Sentence, 7, QStringLiteral("j5+3 s1+2")});
        QVERIFY(profile->saveSettings());
    }
    {
        std::unique_ptr<Profile> profile =
            profiletest::openProfile(folder, m_dir.filePath(QStringLiteral("none.db")));
        const ReaderProfile::SavedText saved = ReaderProfile::load(*profile);
        QCOMPARE(saved.text, Sentence);
        QCOMPARE(saved.position, qsizetype(7));
        QCOMPARE(saved.edits, QStringLiteral("j5+3 s1+2"));

        // A position past the end of the text (a damaged setting) reads as its start.
        ReaderProfile::save(*profile, {QStringLiteral("短"), 40, QString()});
        QCOMPARE(ReaderProfile::load(*profile).position, qsizetype(0));
    }
}

QTEST_GUILESS_MAIN(TestReaderFiles)
#include "tst_readerfiles.moc"
