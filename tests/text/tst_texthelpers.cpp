#include "text/pinyin.h"
#include "text/texthelpers.h"

#include <QtTest>

using namespace korvo;

class TestTextHelpers : public QObject
{
    Q_OBJECT

private slots:
    void splitsCharactersKeepingPairsWhole();
    void splitsWords_data();
    void splitsWords();
    void findsWholeWords_data();
    void findsWholeWords();
    void removesParenthesised_data();
    void removesParenthesised();
    void escapesHtmlOnce();
    void makesSafeNames_data();
    void makesSafeNames();
    void comparesVersionsNumerically_data();
    void comparesVersionsNumerically();
};

void TestTextHelpers::splitsCharactersKeepingPairsWhole()
{
    QCOMPARE(splitCharacters(QStringLiteral("\U00020BB7a你")),
             (QStringList{QStringLiteral("\U00020BB7"), "a", QStringLiteral("你")}));
    // A lone half stays a character of its own.
    QCOMPARE(splitCharacters(QString(QChar(0xD842)) + "x").size(), 2);
    QVERIFY(splitCharacters(QString()).isEmpty());
    QVERIFY(containsChineseCharacter(QStringLiteral("\U00020BB7")));
    QVERIFY(!containsChineseCharacter(QStringLiteral("\U0001F600")));
}

void TestTextHelpers::splitsWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("only separators") << " ,;" << QStringList();
    QTest::newRow("definition") << "to go (out), to leave"
                                << QStringList{"to", "go", "out", "to", "leave"};
    QTest::newRow("case kept") << "Hello World" << QStringList{"Hello", "World"};
    QTest::newRow("hyphen is no separator") << "hot-dog" << QStringList{"hot-dog"};
    QTest::newRow("every separator")
        << "a b\nc\td\re,f;g.h:i/j?k!l+m=n*o)p(q[r]s\"t'u&v@w#x"
        << QString("abcdefghijklmnopqrstuvwx").split(QString(), Qt::SkipEmptyParts);
    QTest::newRow("chinese kept") << "中文/汉语" << QStringList{"中文", "汉语"};
}

void TestTextHelpers::splitsWords()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(splitWords(text), words);
}

void TestTextHelpers::findsWholeWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("contained");

    QTest::newRow("whole word") << "black cat; kitten"
                                << "cat" << false << true;
    QTest::newRow("part of word") << "category"
                                  << "cat" << false << false;
    QTest::newRow("last word") << "a black cat"
                               << "cat" << false << true;
    QTest::newRow("hyphenated") << "Hot-Dog"
                                << "hot" << false << false;
    QTest::newRow("case folded") << "Hot dog"
                                 << "hot" << false << true;
    QTest::newRow("word upper") << "hot dog"
                                << "HOT" << false << true;
    QTest::newRow("case sensitive") << "Hot dog"
                                    << "hot" << true << false;
    QTest::newRow("case sensitive equal") << "Hot dog"
                                          << "Hot" << true << true;
    QTest::newRow("empty text") << ""
                                << "cat" << false << false;
    QTest::newRow("empty word") << "a cat"
                                << "" << false << false;
}

void TestTextHelpers::findsWholeWords()
{
    QFETCH(QString, text);
    QFETCH(QString, word);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, contained);
    QCOMPARE(containsWord(text, word, caseSensitive), contained);
}

void TestTextHelpers::removesParenthesised_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");

    QTest::newRow("remark") << "claw (of an eagle)"
                            << "claw ";
    QTest::newRow("nested") << "a (b (c) d) e"
                            << "a  e";
    QTest::newRow("unmatched close") << "x) y"
                                     << "x) y";
    QTest::newRow("unclosed") << "x (y"
                              << "x ";
    QTest::newRow("none") << "plain"
                          << "plain";
}

void TestTextHelpers::removesParenthesised()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(removeParenthesised(text), result);
}

void TestTextHelpers::escapesHtmlOnce()
{
    QCOMPARE(escapeHtml(QStringLiteral("<a href='x'>&</a>")),
             QStringLiteral("&lt;a href=&#039;x&#039;&gt;&amp;&lt;/a&gt;"));
    QCOMPARE(escapeHtml(QStringLiteral("\"&amp;\"")), QStringLiteral("&quot;&amp;amp;&quot;"));
    QCOMPARE(escapeHtml(QStringLiteral("中文")), QStringLiteral("中文"));
}

void TestTextHelpers::makesSafeNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");

    QTest::newRow("empty") << ""
                           << "_";
    QTest::newRow("kept") << "a--b"
                          << "a--b";
    QTest::newRow("brackets and space") << "Deck (1) [x]_y"
                                        << "Deck (1) [x]_y";
    QTest::newRow("runs collapse") << "Deck: 你好!"
                                   << "Deck_ _";
    QTest::newRow("only others") << "你好"
                                 << "_";
    QTest::newRow("slashes") << "a/b\\c"
                             << "a_b_c";
}

void TestTextHelpers::makesSafeNames()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QCOMPARE(safeName(text), name);
}

void TestTextHelpers::comparesVersionsNumerically_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("result");

    QTest::newRow("numeric not textual") << "10.0"
                                         << "9.9" << 1;
    QTest::newRow("older") << "9.9"
                           << "10.0" << -1;
    QTest::newRow("common parts only") << "3.4.4"
                                       << "3.5" << -1;
    QTest::newRow("longer equal prefix") << "3.4.4"
                                         << "3.4" << 0;
    QTest::newRow("equal") << "3.4.4.4703"
                           << "3.4.4.4703" << 0;
    QTest::newRow("last part") << "3.4.4.4704"
                               << "3.4.4.4703" << 1;
    QTest::newRow("not a number") << "3.x"
                                  << "3.1" << 0;
    QTest::newRow("stops at non-number") << "3.x.9"
                                         << "3.1.1" << 0;
    QTest::newRow("difference before non-number") << "4.x"
                                                  << "3.1" << 1;
    QTest::newRow("empty part") << "3..1"
                                << "3.1.1" << 0;
}

void TestTextHelpers::comparesVersionsNumerically()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, result);
    QCOMPARE(compareVersions(a, b), result);
}

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
