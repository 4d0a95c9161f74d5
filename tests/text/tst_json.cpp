#include "text/json.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace korvo;

class TestJson : public QObject
{
    Q_OBJECT

private slots:
    void readsNumbersAsText();
    void readsLiteralsAndIgnoresTrailingText();
    void treatsCommasAsOptional_data();
    void treatsCommasAsOptional();
    void readsEscapes_data();
    void readsEscapes();
    void replacesUnpairedSurrogates_data();
    void replacesUnpairedSurrogates();
    void reportsSyntaxErrors_data();
    void reportsSyntaxErrors();
    void emptiesEnclosingValuesOnFailure();
    void nullTextIsNoValue();
    void keepsLastOfRepeatedKeys();
    void survivesDeepAndHugeInput();
    void survivesRandomInput();

    void writesCompactly_data();
    void writesCompactly();
    void writesAsciiOnly();
    void failsOnUnwritableValues();
    void roundTripsDeckLikeData();
};

void TestJson::readsNumbersAsText()
{
    bool ok = false;
    const QVariant value = readJson(QStringLiteral("{\"a\":1, \"b\": -2.5e+3 ,\"c\":[0]}"), &ok);
    QVERIFY(ok);
    const QVariantMap map = value.toMap();
    QCOMPARE(map.value("a").userType(), QMetaType::QString);
    QCOMPARE(map.value("a").toString(), QStringLiteral("1"));
    QCOMPARE(map.value("b").toString(), QStringLiteral("-2.5e+3"));
    QCOMPARE(map.value("b").toDouble(), -2500.0);
    QCOMPARE(map.value("c").toList().value(0).userType(), QMetaType::QString);
    // The number runs over its characters as they stand, whatever they are.
    QCOMPARE(readJson(QStringLiteral("[1.2.3-4]")).toList(), QVariantList{"1.2.3-4"});
}

void TestJson::readsLiteralsAndIgnoresTrailingText()
{
    bool ok = false;
    const QVariant value = readJson(QStringLiteral("  \n[true, false, null]\t trailing"), &ok);
    QVERIFY(ok);
    const QVariantList list = value.toList();
    QCOMPARE(list.size(), 3);
    QCOMPARE(list.at(0).userType(), QMetaType::Bool);
    QCOMPARE(list.at(0).toBool(), true);
    QCOMPARE(list.at(1).toBool(), false);
    QVERIFY(!list.at(2).isValid());
}

void TestJson::treatsCommasAsOptional_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("no commas") << "[1 2]" << QVariant(QVariantList{"1", "2"});
    QTest::newRow("extra commas") << "[,1,,2,]" << QVariant(QVariantList{"1", "2"});
    QTest::newRow("object") << "{,\"a\":\"x\" \"b\":true,}"
                            << QVariant(QVariantMap{{"a", "x"}, {"b", true}});
    QTest::newRow("empty object") << "{}" << QVariant(QVariantMap());
    QTest::newRow("empty list") << "[ ]" << QVariant(QVariantList());
}

void TestJson::treatsCommasAsOptional()
{
    QFETCH(QString, text);
    QFETCH(QVariant, value);
    bool ok = false;
    QCOMPARE(readJson(text, &ok), value);
    QVERIFY(ok);
}

void TestJson::readsEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");

    QTest::newRow("unicode") << "\"\\u4e2d\"" << QStringLiteral("中");
    QTest::newRow("unicode upper hex") << "\"\\u4E2Dx\"" << QStringLiteral("中x");
    QTest::newRow("surrogates") << "\"\\ud83d\\ude00\"" << QString::fromUtf8("😀");
    QTest::newRow("unknown dropped") << "\"a\\xb\""
                                     << "ab";
    QTest::newRow("simple") << "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\""
                            << QStringLiteral("\"\\/\b\f\n\r\t");
    QTest::newRow("raw characters kept") << "\"中 é\"" << QStringLiteral("中 é");
}

void TestJson::readsEscapes()
{
    QFETCH(QString, text);
    QFETCH(QString, value);
    bool ok = false;
    QCOMPARE(readJson(text, &ok).toString(), value);
    QVERIFY(ok);
}

void TestJson::replacesUnpairedSurrogates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");

    const QString pair = QString::fromUtf8("😀");
    const QChar high(0xd83d);
    const QChar low(0xde00);
    const QString replacement(QChar::ReplacementCharacter);
    QTest::newRow("escaped high alone") << "\"a\\ud800b\""
                                        << "a" + replacement + "b";
    QTest::newRow("escaped low alone") << "\"\\udc00\"" << replacement;
    QTest::newRow("escaped high at the end") << "\"x\\ud83d\""
                                             << "x" + replacement;
    QTest::newRow("escaped low before high") << "\"\\ude00\\ud83d\"" << replacement + replacement;
    QTest::newRow("escaped high twice") << "\"\\ud83d\\ud83d\\ude00\"" << replacement + pair;
    QTest::newRow("escaped pair") << "\"\\ud83d\\ude00\"" << pair;
    QTest::newRow("escaped high, raw low") << "\"\\ud83d" + QString(low) + "\"" << pair;
    QTest::newRow("raw high, escaped low") << "\"" + QString(high) + "\\ude00\"" << pair;
    QTest::newRow("raw high alone") << "\"a" + QString(high) + "b\""
                                    << "a" + replacement + "b";
    QTest::newRow("raw low alone") << "\"" + QString(low) + "\"" << replacement;
    QTest::newRow("raw pair") << "\"" + pair + "\"" << pair;
    // A surrogate escape is not paired with one outside its string.
    QTest::newRow("high before the closing quote")
        << "[\"\\ud83d\",\"\\ude00\"]" << replacement + "," + replacement;
}

void TestJson::replacesUnpairedSurrogates()
{
    QFETCH(QString, text);
    QFETCH(QString, value);
    bool ok = false;
    const QVariant read = readJson(text, &ok);
    QVERIFY(ok);
    if (read.typeId() == QMetaType::QVariantList)
        QCOMPARE(read.toList().value(0).toString() + "," + read.toList().value(1).toString(),
                 value);
    else
        QCOMPARE(read.toString(), value);

    // Keys are texts too.
    const QVariantMap map = readJson("{" + text + ":1}").toMap();
    if (read.typeId() == QMetaType::QString)
        QCOMPARE(map.firstKey(), value);
}

void TestJson::reportsSyntaxErrors_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty text") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("missing colon") << "{\"a\" 1}";
    QTest::newRow("unterminated string") << "\"abc";
    QTest::newRow("backslash at end") << "\"abc\\";
    QTest::newRow("short unicode") << "\"\\u12\"";
    QTest::newRow("bad unicode") << "\"\\u12g4\"";
    QTest::newRow("unclosed array") << "[1, 2";
    QTest::newRow("unclosed object") << "{\"a\":1";
    QTest::newRow("bare word") << "nothing";
    QTest::newRow("partial literal") << "tru";
    QTest::newRow("missing value") << "{\"a\":}";
}

void TestJson::reportsSyntaxErrors()
{
    QFETCH(QString, text);
    bool ok = true;
    readJson(text, &ok);
    QVERIFY(!ok);
}

void TestJson::emptiesEnclosingValuesOnFailure()
{
    bool ok = true;
    QVariant value = readJson(QStringLiteral("{\"a\":\"1\",\"b\":[1,{\"c\" 2}]}"), &ok);
    QVERIFY(!ok);
    QCOMPARE(value.userType(), QMetaType::QVariantMap);
    QVERIFY(value.toMap().isEmpty());

    value = readJson(QStringLiteral("[1, [2, \"x"), &ok);
    QVERIFY(!ok);
    QCOMPARE(value.userType(), QMetaType::QVariantList);
    QVERIFY(value.toList().isEmpty());
}

void TestJson::nullTextIsNoValue()
{
    bool ok = false;
    QVERIFY(!readJson(QString(), &ok).isValid());
    QVERIFY(ok);
}

void TestJson::keepsLastOfRepeatedKeys()
{
    const QVariantMap map = readJson(QStringLiteral("{\"a\":\"1\",\"a\":\"2\"}")).toMap();
    QCOMPARE(map.size(), 1);
    QCOMPARE(map.value("a").toString(), QStringLiteral("2"));
}

void TestJson::survivesDeepAndHugeInput()
{
    // Within the depth limit: read and written back unchanged.
    const int fine = jsonMaxDepth - 1;
    QString nested = QString(fine, QLatin1Char('[')) + QString(fine, QLatin1Char(']'));
    bool ok = false;
    QVariant value = readJson(nested, &ok);
    QVERIFY(ok);
    QCOMPARE(QString::fromUtf8(writeJson(value)), nested);

    // Far deeper than the limit, closed or not: a failure, not a crash.
    for (const QString& text :
         {QString(200000, QLatin1Char('[')),
          QString(100000, QLatin1Char('[')) + QString(100000, QLatin1Char(']')),
          QStringLiteral("{\"a\":").repeated(100000)}) {
        ok = true;
        readJson(text, &ok);
        QVERIFY(!ok);
    }

    // A long flat array reads fully.
    const QString flat =
        QLatin1Char('[') + QStringLiteral("1,").repeated(200000) + QLatin1Char(']');
    QCOMPARE(readJson(flat, &ok).toList().size(), 200000);
    QVERIFY(ok);

    // Writing a value nested beyond the limit fails instead of recursing without end.
    QVariant deep = QVariantList();
    for (int i = 0; i < jsonMaxDepth + 10; ++i)
        deep = QVariantList{deep};
    QVERIFY(writeJson(deep, &ok).isNull());
    QVERIFY(!ok);
}

void TestJson::survivesRandomInput()
{
    // Fragments of JSON glued at random: every read must end, and whatever reads cleanly must
    // write and read back to the same value.
    const QStringList pieces{"{",    "}",    "[",    "]",    ":", ",",  "\"", "\\", "\\u",   "12",
                             "-3e5", "true", "fals", "null", " ", "\n", "a",  "中", "\"k\":"};
    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int count = int(random->bounded(1, 30));
        for (int i = 0; i < count; ++i)
            text += pieces.at(int(random->bounded(pieces.size())));
        bool ok = false;
        const QVariant value = readJson(text, &ok);
        if (!ok)
            continue;
        bool written = false;
        const QByteArray json = writeJson(value, &written);
        QVERIFY(written);
        QCOMPARE(readJson(QString::fromUtf8(json), &ok), value);
        QVERIFY(ok);
    }
}

void TestJson::writesCompactly_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("json");

    QTest::newRow("null") << QVariant() << QByteArray("null");
    QTest::newRow("double integer") << QVariant(2.0) << QByteArray("2.0");
    QTest::newRow("double fraction") << QVariant(0.1) << QByteArray("0.1");
    QTest::newRow("double six digits") << QVariant(3.14159265) << QByteArray("3.14159");
    QTest::newRow("double large") << QVariant(1e20) << QByteArray("1e+20");
    QTest::newRow("double small") << QVariant(1e-5) << QByteArray("1e-05");
    QTest::newRow("double negative") << QVariant(-1234567.0) << QByteArray("-1.23457e+06");
    QTest::newRow("double 100000") << QVariant(100000.0) << QByteArray("100000.0");
    QTest::newRow("not finite") << QVariant(qInf()) << QByteArray("null");
    QTest::newRow("int") << QVariant(-42) << QByteArray("-42");
    QTest::newRow("long long") << QVariant(qint64(1) << 60) << QByteArray("1152921504606846976");
    QTest::newRow("unsigned 64") << QVariant(quint64(18446744073709551615ull))
                                 << QByteArray("18446744073709551615");
    QTest::newRow("bool") << QVariant(true) << QByteArray("true");
    QTest::newRow("text number stays text") << QVariant("12") << QByteArray("\"12\"");
    QTest::newRow("byte array") << QVariant(QByteArray("ab")) << QByteArray("\"ab\"");
    QTest::newRow("empty map") << QVariant(QVariantMap()) << QByteArray("{}");
    QTest::newRow("empty list") << QVariant(QVariantList()) << QByteArray("[]");
    QTest::newRow("keys sorted") << QVariant(QVariantMap{{"b", 1}, {"a", "x"}})
                                 << QByteArray("{\"a\":\"x\",\"b\":1}");
    QTest::newRow("hash keys sorted") << QVariant(QVariantHash{{"b", 1}, {"a", 2}, {"c", 3}})
                                      << QByteArray("{\"a\":2,\"b\":1,\"c\":3}");
    QTest::newRow("nested") << QVariant(QVariantList{
                                   QVariantMap{{"k", QVariantList{true, QVariant()}}}, 1.5})
                            << QByteArray("[{\"k\":[true,null]},1.5]");
    QTest::newRow("string list") << QVariant(QStringList{"a", "b"}) << QByteArray("[\"a\",\"b\"]");
}

void TestJson::writesCompactly()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, json);
    bool ok = false;
    QCOMPARE(writeJson(value, &ok), json);
    QVERIFY(ok);
}

void TestJson::writesAsciiOnly()
{
    QCOMPARE(writeJson(QStringLiteral("中")), QByteArray("\"\\u4e2d\""));
    QCOMPARE(writeJson(QString::fromUtf8("😀é")), QByteArray("\"\\ud83d\\ude00\\u00e9\""));
    QCOMPARE(writeJson(QStringLiteral("a\"b\\c/\b\f\n\r\t\x01\x7f~ ")),
             QByteArray("\"a\\\"b\\\\c/\\b\\f\\n\\r\\t\\u0001\\u007f~ \""));
    QCOMPARE(writeJson(QVariantMap{{QStringLiteral("键"), 1}}), QByteArray("{\"\\u952e\":1}"));
}

void TestJson::failsOnUnwritableValues()
{
    bool ok = true;
    const QByteArray json = writeJson(QVariantList{1, QVariant::fromValue(QSize(1, 2)), "x"}, &ok);
    QVERIFY(!ok);
    QVERIFY(json.isNull());
    // Without the flag the null result still shows the failure.
    QVERIFY(writeJson(QVariant::fromValue(QSize(1, 2))).isNull());
}

void TestJson::roundTripsDeckLikeData()
{
    const QVariantMap deck{
        {"title", QStringLiteral("HSK 1 · 中文 \"test\"")},
        {"cards", QVariantList{QVariantMap{{"pinyin", "zhong1 guo2"}, {"score", 0.5}, {"id", 12}}}},
        {"scoreDataIncluded", false}};
    bool ok = false;
    const QByteArray json = writeJson(deck, &ok);
    QVERIFY(ok);
    for (const char c : json)
        QVERIFY(uchar(c) < 128);
    const QVariantMap back = readJson(QString::fromUtf8(json), &ok).toMap();
    QVERIFY(ok);
    QCOMPARE(back.value("title"), deck.value("title"));
    const QVariantMap card = back.value("cards").toList().value(0).toMap();
    QCOMPARE(card.value("pinyin").toString(), QStringLiteral("zhong1 guo2"));
    QCOMPARE(card.value("score").toString(), QStringLiteral("0.5"));
    QCOMPARE(card.value("id").toString(), QStringLiteral("12"));
    QCOMPARE(back.value("scoreDataIncluded"), QVariant(false));
    // Numbers come back as text, so writing them again quotes them.
    const QByteArray again = writeJson(back);
    QVERIFY(again.contains("\"score\":\"0.5\""));
    QVERIFY(json.contains("\"score\":0.5"));
}

QTEST_GUILESS_MAIN(TestJson)
#include "tst_json.moc"
