#include "reader/pinyinsegmenter.h"
#include "reader/readerdocument.h"
#include "reader/wordsegmenter.h"
#include "reader/wordtable.h"
#include "reader/wordtableloader.h"
#include "text/pinyin.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace korvo;

namespace {

// One letter per segment kind, so that a table row reads at a glance.
QChar kindLetter(TextSegment::Kind kind)
{
    static const char letters[] = "WUNLPSBO";
    return QLatin1Char(letters[int(kind)]);
}

// The segments other than blanks as "word word", and their kinds as letters.
QString wordsOf(const QString& text, const std::vector<TextSegment>& segments, QString* kinds)
{
    QStringList words;
    kinds->clear();
    for (const TextSegment& segment : segments) {
        if (segment.kind == TextSegment::Space)
            continue;
        words << segment.textIn(text).toString();
        *kinds += kindLetter(segment.kind);
    }
    return words.join(QLatin1Char(' '));
}

// The segments follow each other without gap or overlap from the start to the end of the text.
bool coversText(const QString& text, const std::vector<TextSegment>& segments)
{
    qsizetype position = 0;
    for (const TextSegment& segment : segments) {
        if (segment.start != position || segment.length <= 0)
            return false;
        position = segment.end();
    }
    return position == text.size();
}

QString unitPinyin(const QSqlDatabase& database, int unitId)
{
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT pinyin FROM KnowledgeUnits WHERE id = ?"));
    query.addBindValue(unitId);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

} // namespace

// The word segmenter on the shipped dictionary: sentences in both scripts, numbers, Latin
// runs, punctuation and characters no word covers; the table made for one text agrees with the
// whole one; joins and splits by hand and their replay; pinyin read as words.
class TestWordSegmenter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textIsCutIntoWords_data();
    void textIsCutIntoWords();
    void handEditsAreKeptAndReplayed();
    void pinyinIsReadAsWords_data();
    void pinyinIsReadAsWords();

private:
    QSqlDatabase m_database;
    std::unique_ptr<WordSegmenter> m_segmenter;
};

void TestWordSegmenter::initTestCase()
{
    initPinyinTables();
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("words"));
    m_database.setDatabaseName(QStringLiteral(QUILLET_DATA_DIR "/Dictionary.db"));
    QVERIFY(m_database.open());
    m_segmenter = std::make_unique<WordSegmenter>(WordTableLoader::loadAll(m_database));
    QVERIFY(m_segmenter->table()->wordCount() > 100000);
}

void TestWordSegmenter::textIsCutIntoWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("kinds");

    QTest::newRow("simplified") << QStringLiteral("我明天要去北京看朋友")
                                << QStringLiteral("我 明天 要 去 北京 看 朋友")
                                << QStringLiteral("WWWWWWW");
    QTest::newRow("traditional") << QStringLiteral("我們明天要去臺灣看朋友")
                                 << QStringLiteral("我們 明天 要 去 臺灣 看 朋友")
                                 << QStringLiteral("WWWWWWW");
    QTest::newRow("punctuation stands alone")
        << QStringLiteral("你好！“朋友”。") << QStringLiteral("你好 ！ “ 朋友 ” 。")
        << QStringLiteral("WPPWPP");
    QTest::newRow("numbers whole")
        << QStringLiteral("2024年买了3.5公斤，共1,200元")
        << QStringLiteral("2024 年 买 了 3.5 公斤 ， 共 1,200 元") << QStringLiteral("NWWWNWPWNW");
    QTest::newRow("a full stop after a number")
        << QStringLiteral("He is 12.") << QStringLiteral("He is 12 .") << QStringLiteral("LLNP");
    QTest::newRow("latin runs whole")
        << QStringLiteral("我用iPhone 15拍照，don't worry")
        << QStringLiteral("我 用 iPhone 15 拍照 ， don't worry") << QStringLiteral("WWLNWPLL");
    QTest::newRow("accented letters") << QStringLiteral("Müller说café")
                                      << QStringLiteral("Müller 说 café") << QStringLiteral("LWL");
    QTest::newRow("unknown characters single")
        << QStringLiteral("他在㐀㐁吃饭") << QStringLiteral("他 在 㐀 㐁 吃饭")
        << QStringLiteral("WWUUW");
    QTest::newRow("beyond the basic plane")
        << QStringLiteral("好𠀀𠀁好") << QStringLiteral("好 𠀀 𠀁 好") << QStringLiteral("WUUW");
    QTest::newRow("line breaks") << QStringLiteral("你好\r\n\n再见")
                                 << QStringLiteral("你好 \r\n \n 再见") << QStringLiteral("WBBW");
    QTest::newRow("empty") << QString() << QString() << QString();
}

void TestWordSegmenter::textIsCutIntoWords()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QFETCH(QString, kinds);

    const std::vector<TextSegment> segments = m_segmenter->segment(text);
    QVERIFY(coversText(text, segments));
    QString foundKinds;
    QCOMPARE(wordsOf(text, segments, &foundKinds), words);
    QCOMPARE(foundKinds, kinds);
    for (const TextSegment& segment : segments)
        QCOMPARE(segment.unitId != 0, segment.kind == TextSegment::Word);

    // A table of only the words in the text cuts it the same way, with the same entries.
    const WordSegmenter small(WordTableLoader::loadForText(m_database, text));
    QVERIFY(small.segment(text) == segments);
}

void TestWordSegmenter::handEditsAreKeptAndReplayed()
{
    const QString text = QStringLiteral("我明天要去北京看朋友。");
    ReaderDocument document;
    document.setText(text, m_segmenter->segment(text));
    QString kinds;
    const auto words = [&] { return wordsOf(text, document.segments(), &kinds); };

    // Punctuation is never joined, a single character never split.
    QVERIFY(!document.canJoin(6, 7));
    QVERIFY(!document.canSplit(0));
    QVERIFY(!document.split(0, *m_segmenter));

    QVERIFY(document.join(5, 6, *m_segmenter->table()));
    QCOMPARE(words(), QStringLiteral("我 明天 要 去 北京 看朋友 。"));
    QCOMPARE(document.segment(5).unitId, 0); // no entry is spelt 看朋友
    QVERIFY(document.join(2, 3, *m_segmenter->table()));
    QCOMPARE(words(), QStringLiteral("我 明天 要去 北京 看朋友 。"));
    QVERIFY(document.split(1, *m_segmenter));
    QCOMPARE(words(), QStringLiteral("我 明 天 要去 北京 看朋友 。"));
    QVERIFY(document.segment(1).unitId != 0);
    QCOMPARE(document.segmentAt(text.indexOf(QStringLiteral("朋"))), 5);

    // The edits as stored, replayed on a fresh segmentation of the same text; edits that no
    // longer fit (or cannot be read) are left out.
    ReaderDocument reopened;
    reopened.setText(text, m_segmenter->segment(text));
    reopened.applyEdits(QStringLiteral("x1+2 j900+2 s0+5 ") + document.editsText() +
                            QStringLiteral(" j10+1 s-3+2"),
                        *m_segmenter);
    QVERIFY(reopened.segments() == document.segments());
    QCOMPARE(reopened.editsText(), document.editsText());

    // Unknown words in text order, each once, without those the learner knows.
    const QSet<QString> known{QStringLiteral("北京")};
    QStringList unknown;
    for (int id :
         document.unknownWordUnits([&](const QString& word) { return known.contains(word); }))
        unknown << QString::number(id);
    // 我 明 天; not 要去 and 看朋友 (no entry is spelt so), not 北京 (known)
    QCOMPARE(unknown.size(), 3);
}

void TestWordSegmenter::pinyinIsReadAsWords_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("firstReadings");

    QTest::newRow("plain") << QStringLiteral("ni hao ma") << QStringLiteral("你好 吗")
                           << QStringLiteral("ni3 hao3|ma5");
    QTest::newRow("run together") << QStringLiteral("nihaoma") << QStringLiteral("你好 吗")
                                  << QStringLiteral("ni3 hao3|ma5");
    QTest::newRow("tone marks") << QStringLiteral("nǐhǎo ma") << QStringLiteral("你好 吗")
                                << QStringLiteral("ni3 hao3|ma5");
    QTest::newRow("tone numbers choose")
        << QStringLiteral("ni3hao3ma2") << QStringLiteral("你好 吗")
        << QStringLiteral("ni3 hao3|ma2");
    QTest::newRow("sentence") << QStringLiteral("wo men ming tian qu bei jing")
                              << QStringLiteral("我们 明天 去 北京")
                              << QStringLiteral("wo3 men5|ming2 tian1|qu4|bei3 jing1");
    QTest::newRow("not pinyin") << QStringLiteral("hello world") << QString() << QString();
}

void TestWordSegmenter::pinyinIsReadAsWords()
{
    QFETCH(QString, query);
    QFETCH(QString, words);
    QFETCH(QString, firstReadings);

    QStringList found;
    QStringList readings;
    for (const PinyinWord& word : PinyinSegmenter::segment(m_database, query)) {
        found << word.characters;
        QVERIFY(!word.unitIds.isEmpty());
        readings << unitPinyin(m_database, word.unitIds.first());
    }
    QCOMPARE(found.join(QLatin1Char(' ')), words);
    QCOMPARE(readings.join(QLatin1Char('|')), firstReadings);
}

QTEST_GUILESS_MAIN(TestWordSegmenter)
#include "tst_wordsegmenter.moc"
