#include "text/pinyin.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

using namespace korvo;

// Splits by walking the whole syllable table at every position, the plain way; the library
// indexes the table by first letter and must give exactly the same results.
static QStringList referenceSplit(const QString& text)
{
    QStringList result;
    QString s = text.trimmed();
    s.replace(QStringLiteral("u:"), QStringLiteral("ü"));
    s.replace(QStringLiteral("v"), QStringLiteral("ü"));
    int p = 0;
    while (p < s.size()) {
        if (isPinyinSeparator(s.at(p))) {
            ++p;
            continue;
        }
        bool matched = false;
        for (const QString& syllable : pinyinSyllables()) {
            const int length = syllable.size();
            if (s.mid(p, length).toLower() == syllable) {
                QString token = s.mid(p, length);
                p += length;
                if (p < s.size() && s.at(p) >= QLatin1Char('1') && s.at(p) <= QLatin1Char('5'))
                    token.append(s.at(p++));
                token.replace(QStringLiteral(" r5"), QStringLiteral("r"));
                token.replace(QStringLiteral("r5"), QStringLiteral("r"));
                token.replace(QStringLiteral("xx5"), QStringLiteral("?"));
                result.append(token);
                matched = true;
                break;
            }
        }
        if (!matched)
            ++p;
    }
    return result;
}

class TestPinyin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void syllableTableIsCompleteAndLongestFirst();
    void vowelRowsHaveTenCharacters();
    void secondInitialisationAddsNothing();

    void splitsGreedily_data();
    void splitsGreedily();
    void indexedScanMatchesFullTableWalk();
    void everySeparatorDelimits();

    void recognisesPinyin_data();
    void recognisesPinyin();

    void placesToneMarks_data();
    void placesToneMarks();
    void marksText_data();
    void marksText();

    void readsToneOfMarked_data();
    void readsToneOfMarked();
    void numbersMarkedSyllable_data();
    void numbersMarkedSyllable();
    void numbersMarkedText_data();
    void numbersMarkedText();
    void everySyllableRoundTrips();
    void canonicalSpelling_data();
    void canonicalSpelling();

    void removesToneMarksKeepingCase();
    void editsToneNumbers();
    void makesAudioKeys_data();
    void makesAudioKeys();
    void recognisesChineseCharacters_data();
    void recognisesChineseCharacters();
    void colorsTones();
};

void TestPinyin::initTestCase()
{
    // Before the tables are filled nothing is a syllable.
    QVERIFY(splitSyllables(QStringLiteral("ni3hao3")).isEmpty());
    QVERIFY(!isPinyin(QStringLiteral("ma")));
    QCOMPARE(numberedToMarked(QStringLiteral("ma3")), QStringLiteral("ma3"));
    initPinyinTables();
}

void TestPinyin::syllableTableIsCompleteAndLongestFirst()
{
    const QStringList& syllables = pinyinSyllables();
    QCOMPARE(syllables.size(), 411);
    QCOMPARE(QSet<QString>(syllables.begin(), syllables.end()).size(), 411);

    QMap<int, int> byLength;
    for (int i = 0; i < syllables.size(); ++i) {
        if (i > 0)
            QVERIFY2(syllables.at(i).size() <= syllables.at(i - 1).size(),
                     qPrintable(syllables.at(i)));
        QCOMPARE(syllables.at(i), syllables.at(i).toLower());
        ++byLength[syllables.at(i).size()];
    }
    QCOMPARE(byLength.value(6), 3);
    QCOMPARE(byLength.value(5), 25);
    QCOMPARE(byLength.value(4), 123);
    QCOMPARE(byLength.value(3), 178);
    QCOMPARE(byLength.value(2), 79);
    QCOMPARE(byLength.value(1), 3);
    QCOMPARE(syllables.first(), QStringLiteral("zhuang"));
    QCOMPARE(syllables.last(), QStringLiteral("e"));

    // ü appears only in nü and lü; there are no nüe, lüe, lo or nasal-only syllables.
    QStringList withUmlaut;
    for (const QString& s : syllables) {
        if (s.contains(QChar(0xfc)))
            withUmlaut.append(s);
    }
    QCOMPARE(withUmlaut, QStringList({QStringLiteral("nü"), QStringLiteral("lü")}));
    for (const char* absent : {"lo", "m", "n", "ng", "hm", "nüe", "lüe"})
        QVERIFY2(!syllables.contains(QString::fromUtf8(absent)), absent);
    for (const char* present : {"nue", "lue", "er", "xian", "zhuang", "yo", "kei"})
        QVERIFY2(syllables.contains(QString::fromUtf8(present)), present);
}

void TestPinyin::vowelRowsHaveTenCharacters()
{
    const QStringList& rows = toneVowelRows();
    QCOMPARE(rows.size(), 6);
    const QString plain = QStringLiteral("aeiouü");
    for (int r = 0; r < rows.size(); ++r) {
        QCOMPARE(rows.at(r).size(), 10);
        QCOMPARE(rows.at(r).at(4), plain.at(r));
        QCOMPARE(rows.at(r).at(9), plain.at(r).toUpper());
        for (int column = 0; column < 4; ++column)
            QCOMPARE(rows.at(r).at(column + 5), rows.at(r).at(column).toUpper());
    }
    QCOMPARE(rows.at(5), QStringLiteral("ǖǘǚǜüǕǗǙǛÜ"));
}

void TestPinyin::secondInitialisationAddsNothing()
{
    initPinyinTables();
    QCOMPARE(pinyinSyllables().size(), 411);
    QCOMPARE(toneVowelRows().size(), 6);
}

void TestPinyin::splitsGreedily_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("syllables");

    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("blanks") << "   " << QStringList();
    QTest::newRow("longest match") << "xian" << QStringList{"xian"};
    QTest::newRow("no backtracking") << "fangan" << QStringList{"fang", "an"};
    QTest::newRow("six letters") << "zhuangzu" << QStringList{"zhuang", "zu"};
    QTest::newRow("plain") << "zhongguo" << QStringList{"zhong", "guo"};
    QTest::newRow("case kept") << "Ni3hao3" << QStringList{"Ni3", "hao3"};
    QTest::newRow("upper case") << "ZHONG1GUO2" << QStringList{"ZHONG1", "GUO2"};
    QTest::newRow("apostrophe") << "xi'an1" << QStringList{"xi", "an1"};
    QTest::newRow("v") << "lv4 shi1" << QStringList{"lü4", "shi1"};
    QTest::newRow("u colon") << "nu:3 er2" << QStringList{"nü3", "er2"};
    QTest::newRow("upper V stays") << "LV4" << QStringList();
    QTest::newRow("upper U colon stays") << "NU:3" << QStringList{"NU"};
    QTest::newRow("upper umlaut") << "LÜ3" << QStringList{"LÜ3"};
    QTest::newRow("nüe") << "nüe4" << QStringList{"nü", "e4"};
    QTest::newRow("nothing matches") << "q7" << QStringList();
    QTest::newRow("unknown skipped") << "ni3 好 hao3!" << QStringList{"ni3", "hao3"};
    QTest::newRow("digits 6 skipped") << "ma6" << QStringList{"ma"};
    QTest::newRow("only one digit") << "ma35" << QStringList{"ma3"};
    QTest::newRow("erhua") << "er5" << QStringList{"er"};
    QTest::newRow("erhua upper") << "ER5" << QStringList{"ER5"};
    QTest::newRow("r5 alone") << "hua1 r5" << QStringList{"hua1"};
    QTest::newRow("tone after space") << "ma 3" << QStringList{"ma"};
}

void TestPinyin::splitsGreedily()
{
    QFETCH(QString, text);
    QFETCH(QStringList, syllables);
    QCOMPARE(splitSyllables(text), syllables);
}

void TestPinyin::indexedScanMatchesFullTableWalk()
{
    // Random text over letters likely to form syllables, plus upper case, ü forms, digits,
    // separators and characters whose lower-case forms are unusual (Kelvin sign, dotted I).
    const QString alphabet =
        QStringLiteral("aeiouvngzhcsxqjrlbpmfdtwyk:ü12345' AEHNGUÜV\u212a\u0130好");
    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = int(random->bounded(1, 24));
        for (int i = 0; i < length; ++i)
            text.append(alphabet.at(int(random->bounded(alphabet.size()))));
        QCOMPARE(splitSyllables(text), referenceSplit(text));
    }
    // Kelvin sign lower-cases to "k"; dotted capital I to two code units (never a syllable).
    QCOMPARE(splitSyllables(QStringLiteral("\u212aan")), QStringList{"\u212aan"});
    QCOMPARE(splitSyllables(QStringLiteral("x\u0130")), referenceSplit(QStringLiteral("x\u0130")));
}

void TestPinyin::everySeparatorDelimits()
{
    const QString separators = QStringLiteral(" \n\r\t,?;./:<>=+%`£$*-_°)@#&'(§!{[|\\^]}\"");
    for (const QChar c : separators) {
        QVERIFY(isPinyinSeparator(c));
        // "xi" + separator + "an" must not become "xian".
        QCOMPARE(splitSyllables(QStringLiteral("xi") + c + QStringLiteral("an")),
                 QStringList({"xi", "an"}));
        const QString marked = numberedToMarked(QStringLiteral("xi1") + c + QStringLiteral("an1"));
        QCOMPARE(marked, QStringLiteral("xī") + c + QStringLiteral("ān"));
    }
    for (const char c : {'a', '1', '~', '0'})
        QVERIFY(!isPinyinSeparator(QLatin1Char(c)));
}

void TestPinyin::recognisesPinyin_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pinyin");

    QTest::newRow("empty") << "" << true;
    QTest::newRow("numbered") << "zhong1guo2" << true;
    QTest::newRow("plain") << "nihao" << true;
    QTest::newRow("v") << "lv4" << true;
    QTest::newRow("u colon") << "nu:3" << true;
    QTest::newRow("space") << "zhong1 guo2" << false;
    QTest::newRow("upper case") << "Zhong1" << false;
    QTest::newRow("trailing junk") << "ma3x" << false;
    QTest::newRow("two digits") << "ma35" << false;
    QTest::newRow("digit first") << "3ma" << false;
    QTest::newRow("greedy without backtracking") << "xianu" << false;
    QTest::newRow("english") << "hello" << false;
}

void TestPinyin::recognisesPinyin()
{
    QFETCH(QString, text);
    QFETCH(bool, pinyin);
    QCOMPARE(isPinyin(text), pinyin);
}

void TestPinyin::placesToneMarks_data()
{
    QTest::addColumn<QString>("numbered");
    QTest::addColumn<QString>("marked");

    QTest::newRow("a wins") << "hao3"
                            << "hǎo";
    QTest::newRow("a before i") << "mai4"
                                << "mài";
    QTest::newRow("e") << "xie4"
                       << "xiè";
    QTest::newRow("e before i") << "bei3"
                                << "běi";
    QTest::newRow("ou marks o") << "dou1"
                                << "dōu";
    QTest::newRow("ou in iou") << "you3"
                               << "yǒu";
    QTest::newRow("last vowel ui") << "gui4"
                                   << "guì";
    QTest::newRow("last vowel iu") << "liu2"
                                   << "liú";
    QTest::newRow("last vowel uo") << "guo2"
                                   << "guó";
    QTest::newRow("o in iong") << "xiong2"
                               << "xióng";
    QTest::newRow("plain") << "zhong1"
                           << "zhōng";
    QTest::newRow("capital") << "Zhong1"
                             << "Zhōng";
    QTest::newRow("capital vowel") << "An4"
                                   << "Àn";
    QTest::newRow("all capitals") << "HAO3"
                                  << "HǍO";
    QTest::newRow("v") << "lv3"
                       << "lǚ";
    QTest::newRow("u colon") << "lu:4"
                             << "lǜ";
    QTest::newRow("umlaut") << "nü3"
                            << "nǚ";
    QTest::newRow("umlaut neutral") << "nü"
                                    << "nü";
    QTest::newRow("no digit") << "zhong"
                              << "zhong";
    QTest::newRow("tone 5") << "ma5"
                            << "ma";
    QTest::newRow("no vowel") << "m2"
                              << "m";
    QTest::newRow("no vowel lower-cased") << "R5"
                                          << "r";
    QTest::newRow("erhua") << "r5"
                           << "r";
    QTest::newRow("empty") << ""
                           << "";
    // A final digit that is not a tone is kept and no mark is placed.
    QTest::newRow("digit 0") << "ma0"
                             << "ma0";
    QTest::newRow("digit 6") << "Ma6"
                             << "Ma6";
    QTest::newRow("digit 9") << "gui9"
                             << "gui9";
    QTest::newRow("digit only") << "7"
                                << "7";
}

void TestPinyin::placesToneMarks()
{
    QFETCH(QString, numbered);
    QFETCH(QString, marked);
    QCOMPARE(numberedSyllableToMarked(numbered), marked);
}

void TestPinyin::marksText_data()
{
    QTest::addColumn<QString>("numbered");
    QTest::addColumn<QString>("marked");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("words") << "zhong1 guo2"
                           << "zhōng guó";
    QTest::newRow("joined") << "Ni3hao3"
                            << "Nǐhǎo";
    QTest::newRow("v and u colon") << "lv4 shi1 nu:3"
                                   << "lǜ shī nǚ";
    QTest::newRow("greedy") << "xian1"
                            << "xiān";
    QTest::newRow("apostrophe") << "xi1'an1"
                                << "xī'ān";
    QTest::newRow("erhua") << "hua1 r5"
                           << "huār";
    QTest::newRow("erhua joined") << "yi1dian3r5"
                                  << "yīdiǎnr";
    QTest::newRow("placeholder") << "xx5"
                                 << "?";
    QTest::newRow("unknown copied") << "ni3 好!"
                                    << "nǐ 好!";
    QTest::newRow("neutral") << "ma5"
                             << "ma";
    QTest::newRow("upper V untouched") << "LV3"
                                       << "LV3";
}

void TestPinyin::marksText()
{
    QFETCH(QString, numbered);
    QFETCH(QString, marked);
    QCOMPARE(numberedToMarked(numbered), marked);
}

void TestPinyin::readsToneOfMarked_data()
{
    QTest::addColumn<QString>("syllable");
    QTest::addColumn<int>("tone");

    QTest::newRow("1") << "zhōng" << 1;
    QTest::newRow("2") << "guó" << 2;
    QTest::newRow("3 umlaut") << "nǚ" << 3;
    QTest::newRow("4") << "lǜ" << 4;
    QTest::newRow("upper") << "HǍO" << 3;
    QTest::newRow("upper 4") << "Àn" << 4;
    QTest::newRow("none") << "ma" << 5;
    QTest::newRow("empty") << "" << 5;
    // With two marks the vowel row decides, not the position.
    QTest::newRow("row order") << "éā" << 1;
}

void TestPinyin::readsToneOfMarked()
{
    QFETCH(QString, syllable);
    QFETCH(int, tone);
    QCOMPARE(toneOfMarked(syllable), tone);
}

void TestPinyin::numbersMarkedSyllable_data()
{
    QTest::addColumn<QString>("syllable");
    QTest::addColumn<bool>("forceTone");
    QTest::addColumn<QString>("numbered");

    QTest::newRow("marked") << "zhōng" << false << "zhong1";
    QTest::newRow("upper") << "Zhōng" << false << "Zhong1";
    QTest::newRow("plain") << "ma" << false << "ma";
    QTest::newRow("plain forced") << "ma" << true << "ma5";
    QTest::newRow("empty forced") << "" << true << "";
    QTest::newRow("umlaut") << "lǜ" << false << "lü4";
}

void TestPinyin::numbersMarkedSyllable()
{
    QFETCH(QString, syllable);
    QFETCH(bool, forceTone);
    QFETCH(QString, numbered);
    QCOMPARE(markedSyllableToNumbered(syllable, forceTone), numbered);
}

void TestPinyin::numbersMarkedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("forceTone");
    QTest::addColumn<QString>("numbered");

    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("words") << "Zhōngguó rén" << false << "Zhong1guo2 ren2";
    QTest::newRow("all capitals") << "ZHŌNGGUÓ" << false << "ZHONG1GUO2";
    QTest::newRow("umlaut") << "nǚ'ér" << false << "nu:3'er2";
    QTest::newRow("plain umlaut") << "lü" << false << "lu:";
    QTest::newRow("english") << "hello" << false << "hello";
    QTest::newRow("english forced") << "hello" << true << "he5llo5";
    QTest::newRow("v everywhere") << "love" << false << "lou:e";
    QTest::newRow("digit kept") << "ma1 hǎo" << false << "ma1 hao3";
    QTest::newRow("chinese copied") << "好 hǎo" << false << "好 hao3";
    QTest::newRow("greedy") << "xiān" << false << "xian1";
}

void TestPinyin::numbersMarkedText()
{
    QFETCH(QString, text);
    QFETCH(bool, forceTone);
    QFETCH(QString, numbered);
    QCOMPARE(markedToNumbered(text, forceTone), numbered);
}

void TestPinyin::canonicalSpelling_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("syllables");

    QTest::newRow("stored") << "ni3 hao3"
                            << "ni3 hao3";
    QTest::newRow("run together, capitals") << "Ni3Hao3"
                                            << "ni3 hao3";
    QTest::newRow("tone marks") << "nǐ hǎo"
                                << "ni3 hao3";
    QTest::newRow("neutral tone left out") << "ma1 ma"
                                           << "ma1 ma5";
    QTest::newRow("u colon") << "nu:3"
                             << "nu:3";
    QTest::newRow("u umlaut") << "nü3"
                              << "nu:3";
    QTest::newRow("v") << "lv4"
                       << "lu:4";
    QTest::newRow("marked umlaut") << "lǜ"
                                   << "lu:4";
    QTest::newRow("lue stored") << "lu:e4"
                                << "lu:e4";
    QTest::newRow("lue marked") << "lüè"
                                << "lu:e4";
    QTest::newRow("nue plain") << "nue4 ji2"
                               << "nu:e4 ji2";
    QTest::newRow("apostrophe separates") << "xi'an"
                                          << "xi5 an5";
    QTest::newRow("typographic apostrophe") << "Xī’ān"
                                            << "xi1 an1";
    QTest::newRow("greedy without separator") << "xian"
                                              << "xian5";
    QTest::newRow("erhua") << "yi1 dian3 r5"
                           << "yi1 dian3 r5";
    QTest::newRow("chinese is no pinyin") << "喜欢"
                                          << "";
    QTest::newRow("english is no pinyin") << "hello"
                                          << "";
    QTest::newRow("bad tone digit") << "ma7"
                                    << "";
    QTest::newRow("blank") << "  "
                           << "";
}

void TestPinyin::canonicalSpelling()
{
    QFETCH(QString, text);
    QFETCH(QString, syllables);
    QCOMPARE(canonicalSyllables(text).join(QLatin1Char(' ')), syllables);
}

void TestPinyin::everySyllableRoundTrips()
{
    for (const QString& syllable : pinyinSyllables()) {
        QString stored = syllable;
        stored.replace(QStringLiteral("ü"), QStringLiteral("u:"));
        for (int tone = 1; tone <= 4; ++tone) {
            const QString numbered = stored + QString::number(tone);
            const QString marked = numberedToMarked(numbered);
            QCOMPARE(toneOfMarked(marked), tone);
            QCOMPARE(markedToNumbered(marked, false), numbered);
            const QString capital = numbered.at(0).toUpper() + numbered.mid(1);
            QCOMPARE(markedToNumbered(numberedToMarked(capital), false), capital);
        }
        QCOMPARE(markedToNumbered(numberedToMarked(stored + QLatin1Char('5')), true),
                 stored + QLatin1Char('5'));
    }
}

void TestPinyin::removesToneMarksKeepingCase()
{
    QCOMPARE(removeToneMarks(QStringLiteral("Zhōngguó ǍǎǗǘ ÜüX好")),
             QStringLiteral("Zhongguo AaÜü ÜüX好"));
}

void TestPinyin::editsToneNumbers()
{
    QCOMPARE(removeToneNumbers(QStringLiteral("ni3 hao3 60 ma5")), QStringLiteral("ni hao 60 ma"));
    QCOMPARE(setTone(QStringLiteral("ma3"), 1), QStringLiteral("ma1"));
    QCOMPARE(setTone(QStringLiteral("ma"), 4), QStringLiteral("ma4"));
    QCOMPARE(withDefaultTone(QStringLiteral("ma")), QStringLiteral("ma5"));
    QCOMPARE(withDefaultTone(QStringLiteral("ma2")), QStringLiteral("ma2"));
    QCOMPARE(withDefaultTone(QStringLiteral("ma7")), QStringLiteral("ma75"));
    QCOMPARE(withDefaultTone(QString()), QString());
    QStringList syllables{"ni3", "hao", "", "ma"};
    addDefaultTones(syllables);
    QCOMPARE(syllables, QStringList({"ni3", "hao5", "", "ma5"}));
}

void TestPinyin::makesAudioKeys_data()
{
    QTest::addColumn<QString>("syllable");
    QTest::addColumn<QString>("key");

    QTest::newRow("umlaut") << "lü3"
                            << "lv3";
    QTest::newRow("u colon no tone") << "nu:"
                                     << "nv1";
    QTest::newRow("no tone") << "ma"
                             << "ma1";
    QTest::newRow("neutral kept") << "ma5"
                                  << "ma5";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("capitalised name") << "Bei3"
                                      << "bei3";
    QTest::newRow("capital umlaut") << "Lü4"
                                    << "lv4";
}

void TestPinyin::makesAudioKeys()
{
    QFETCH(QString, syllable);
    QFETCH(QString, key);
    QCOMPARE(toAudioSyllable(syllable), key);
}

void TestPinyin::recognisesChineseCharacters_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("chinese");

    for (int code : {0x4E00, 0x9FFF, 0x3400, 0x4DFF, 0xF900, 0xFAFF, 0x4E2D})
        QTest::addRow("U+%04X", code) << code << true;
    for (int code : {0x33FF, 0xA000, 0xF8FF, 0xFB00, 0x41, 0xFC, 0x3002})
        QTest::addRow("U+%04X", code) << code << false;
}

void TestPinyin::recognisesChineseCharacters()
{
    QFETCH(int, code);
    QFETCH(bool, chinese);
    QCOMPARE(isChineseCharacter(QChar(code)), chinese);
    QCOMPARE(containsChineseCharacter(QStringLiteral("ab") + QChar(code)), chinese);
}

void TestPinyin::colorsTones()
{
    QCOMPARE(toneColor(1), QColor(255, 33, 33));
    QCOMPARE(toneColor(2), QColor(230, 160, 0));
    QCOMPARE(toneColor(3), QColor(0, 177, 0));
    QCOMPARE(toneColor(4), QColor(0, 0, 255));
    for (int tone : {5, 0, -1, 6})
        QCOMPARE(toneColor(tone), QColor(0, 0, 0));
    QCOMPARE(toneColor(1).alpha(), 255);
    QVERIFY(!containsChineseCharacter(QString()));
}

QTEST_GUILESS_MAIN(TestPinyin)
#include "tst_pinyin.moc"
