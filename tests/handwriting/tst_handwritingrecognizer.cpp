#include "handwritingtestsupport.h"

#include "handwriting/handwritingrecognizer.h"

#include <QTemporaryDir>
#include <QtTest>

using handwritingtest::Strokes;
using korvo::HandwritingDrawing;
using korvo::HandwritingModel;
using korvo::HandwritingRecognizer;

Q_DECLARE_METATYPE(HandwritingModel::Script)

namespace {

const QSizeF Pad(300, 300);
const QRectF Box(30, 20, 240, 250);

enum Mistake { Clean, Extra, Missing, Joined, Swapped };

Strokes withMistake(const Strokes& strokes, Mistake mistake, int at)
{
    switch (mistake) {
    case Extra:
        // A short tick across the middle of the character.
        return handwritingtest::withExtraStroke(strokes, at, QPointF(380, 380), QPointF(440, 430));
    case Missing:
        return handwritingtest::withoutStroke(strokes, at);
    case Joined:
        return handwritingtest::withJoinedStrokes(strokes, at);
    case Swapped:
        return handwritingtest::withSwappedStrokes(strokes, at, strokes.size() - 1);
    default:
        return strokes;
    }
}

} // namespace

// The recogniser over the shipped model, fed drawings made from the shipped stroke medians.
class TestHandwritingRecognizer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findsTheDrawnCharacter_data();
    void findsTheDrawnCharacter();
    void putsThePreferredScriptFirst_data();
    void putsThePreferredScriptFirst();
    void boundsTheWorkOnBadInput_data();
    void boundsTheWorkOnBadInput();
    void readsDrawings_data();
    void readsDrawings();
    void refusesDamagedModels_data();
    void refusesDamagedModels();

private:
    QVector<HandwritingRecognizer::Candidate>
    recognize(const Strokes& strokes, HandwritingRecognizer::Work* work = nullptr, int limit = 10);

    HandwritingRecognizer m_recognizer;
};

void TestHandwritingRecognizer::initTestCase()
{
    const QString path =
        handwritingtest::dataFolder() + QLatin1Char('/') + HandwritingModel::FileName;
    QString error;
    QVERIFY2(m_recognizer.load(path, &error), qPrintable(path + QStringLiteral(": ") + error));
    // Every character of the stroke order data, in both scripts.
    QVERIFY(m_recognizer.model().size() > 9000);
    QCOMPARE(m_recognizer.model().entry(m_recognizer.model().indexOf(QStringLiteral("學"))).scripts,
             HandwritingModel::Traditional);
    QCOMPARE(m_recognizer.model().entry(m_recognizer.model().indexOf(QStringLiteral("学"))).scripts,
             HandwritingModel::Simplified);
}

QVector<HandwritingRecognizer::Candidate>
TestHandwritingRecognizer::recognize(const Strokes& strokes, HandwritingRecognizer::Work* work,
                                     int limit)
{
    return m_recognizer.recognize(handwritingtest::drawing(strokes, Pad), limit,
                                  HandwritingModel::BothScripts, work);
}

void TestHandwritingRecognizer::findsTheDrawnCharacter_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<int>("mistake");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("within");

    // Drawn as the data has them, the characters come first; with a learner's mistake they are
    // still among the ten shown.
    const QStringList characters{QStringLiteral("人"), QStringLiteral("永"), QStringLiteral("你"),
                                 QStringLiteral("学"), QStringLiteral("學"), QStringLiteral("國"),
                                 QStringLiteral("龍"), QStringLiteral("謝")};
    for (const QString& c : characters) {
        const QByteArray name = c.toUtf8();
        QTest::newRow((name + " clean").constData()) << c << int(Clean) << 0 << 1;
        QTest::newRow((name + " extra stroke").constData()) << c << int(Extra) << 1 << 10;
        QTest::newRow((name + " swapped strokes").constData()) << c << int(Swapped) << 0 << 10;
        QTest::newRow((name + " first two joined").constData()) << c << int(Joined) << 0 << 10;
    }
    for (const QString& c : characters.mid(2)) {
        const QByteArray name = c.toUtf8();
        QTest::newRow((name + " last stroke missing").constData()) << c << int(Missing) << -1 << 10;
        QTest::newRow((name + " second stroke missing").constData())
            << c << int(Missing) << 1 << 10;
    }
    QTest::newRow("一 clean") << QStringLiteral("一") << int(Clean) << 0 << 1;
    QTest::newRow("鬱 clean") << QStringLiteral("鬱") << int(Clean) << 0 << 1;
}

void TestHandwritingRecognizer::findsTheDrawnCharacter()
{
    QFETCH(QString, character);
    QFETCH(int, mistake);
    QFETCH(int, at);
    QFETCH(int, within);
    const Strokes medians = handwritingtest::medians(character);
    QVERIFY(!medians.isEmpty());
    if (at < 0)
        at = medians.size() - 1;
    const Strokes strokes =
        handwritingtest::placed(withMistake(medians, Mistake(mistake), at), Box);
    QStringList found;
    for (const auto& candidate : recognize(strokes))
        found << candidate.character;
    QVERIFY2(found.indexOf(character) >= 0 && found.indexOf(character) < within,
             qPrintable(found.join(QLatin1Char(' '))));
}

void TestHandwritingRecognizer::putsThePreferredScriptFirst_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<HandwritingModel::Script>("preferred");

    QTest::newRow("学, simplified first") << QStringLiteral("学") << HandwritingModel::Simplified;
    QTest::newRow("學, traditional first") << QStringLiteral("學") << HandwritingModel::Traditional;
    // The other script's character is still found when drawn.
    QTest::newRow("學, simplified first") << QStringLiteral("學") << HandwritingModel::Simplified;
    QTest::newRow("龙, traditional first") << QStringLiteral("龙") << HandwritingModel::Traditional;
}

void TestHandwritingRecognizer::putsThePreferredScriptFirst()
{
    QFETCH(QString, character);
    QFETCH(HandwritingModel::Script, preferred);
    const auto candidates = m_recognizer.recognize(
        handwritingtest::drawing(handwritingtest::placed(handwritingtest::medians(character), Box),
                                 Pad),
        10, preferred);
    QCOMPARE(candidates.size(), 10);
    bool otherScriptSeen = false;
    bool found = false;
    for (const auto& candidate : candidates) {
        const bool preferredScript = (candidate.scripts & preferred) != 0;
        if (preferredScript)
            QVERIFY2(!otherScriptSeen, qPrintable(candidate.character + QStringLiteral(" late")));
        otherScriptSeen = otherScriptSeen || !preferredScript;
        found = found || candidate.character == character;
    }
    QVERIFY(found);
}

void TestHandwritingRecognizer::boundsTheWorkOnBadInput_data()
{
    QTest::addColumn<Strokes>("strokes");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("first");

    const Strokes ren =
        handwritingtest::placed(handwritingtest::medians(QStringLiteral("人")), Box);
    QTest::newRow("empty") << Strokes() << false << QString();
    QTest::newRow("one point") << Strokes{{QPointF(150, 150)}} << true << QString();
    // Thousands of points along the strokes of 人: the same character, for the work of a few.
    Strokes dense;
    for (const QVector<QPointF>& stroke : ren) {
        QVector<QPointF> points;
        for (int i = 1; i < stroke.size(); ++i) {
            for (int s = 0; s < 1000; ++s)
                points.append(stroke.at(i - 1) + (stroke.at(i) - stroke.at(i - 1)) * (s / 1000.0));
        }
        points.append(stroke.last());
        dense.append(points);
    }
    QTest::newRow("thousands of points") << dense << true << QStringLiteral("人");
    Strokes many;
    for (int i = 0; i < 200; ++i)
        many.append({QPointF(i, i), QPointF(i + 10, i)});
    QTest::newRow("200 strokes") << many << false << QString();
    Strokes outside;
    for (const QVector<QPointF>& stroke : ren) {
        QVector<QPointF> points;
        for (const QPointF& p : stroke)
            points.append(p * 20 + QPointF(-90000, 45000));
        outside.append(points);
    }
    QTest::newRow("far outside the pad") << outside << true << QStringLiteral("人");
}

void TestHandwritingRecognizer::boundsTheWorkOnBadInput()
{
    QFETCH(Strokes, strokes);
    QFETCH(bool, answered);
    QFETCH(QString, first);
    // What a plain drawing of the same number of strokes costs, with two points a stroke.
    Strokes plain;
    for (const QVector<QPointF>& stroke : strokes)
        plain.append({stroke.first(), stroke.last()});
    HandwritingRecognizer::Work plainWork;
    recognize(plain, &plainWork);

    HandwritingRecognizer::Work work;
    const auto candidates = recognize(strokes, &work);
    QCOMPARE(!candidates.isEmpty(), answered);
    if (!first.isEmpty())
        QCOMPARE(candidates.value(0).character, first);
    const int points = handwritingtest::drawing(strokes, Pad).pointCount();
    QVERIFY2(work.steps <= plainWork.steps + points,
             qPrintable(QStringLiteral("%1 steps").arg(work.steps)));
    QVERIFY(work.strokeMatches <= HandwritingRecognizer::ShortlistSize);
    if (!answered)
        QCOMPARE(work.coarseComparisons, 0);
}

void TestHandwritingRecognizer::readsDrawings_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("strokes");

    QTest::newRow("two strokes")
        << QByteArray(R"({"width": 300, "height": 200, "strokes": [[[1, 2], [3, 4.5]], [[5, 6]]]})")
        << QString() << 2;
    QTest::newRow("no strokes") << QByteArray(R"({"width": 1, "height": 1, "strokes": []})")
                                << QString() << 0;
    QTest::newRow("cut short") << QByteArray(R"({"width": 300, "height")")
                               << QStringLiteral("not JSON") << 0;
    QTest::newRow("a list") << QByteArray("[]") << QStringLiteral("JSON object") << 0;
    QTest::newRow("no width") << QByteArray(R"({"height": 3, "strokes": []})")
                              << QStringLiteral("\"width\" is missing") << 0;
    QTest::newRow("negative height") << QByteArray(R"({"width": 3, "height": -3, "strokes": []})")
                                     << QStringLiteral("\"height\" must be") << 0;
    QTest::newRow("strokes not a list") << QByteArray(R"({"width": 3, "height": 3, "strokes": 5})")
                                        << QStringLiteral("\"strokes\"") << 0;
    QTest::newRow("empty stroke") << QByteArray(R"({"width": 3, "height": 3, "strokes": [[]]})")
                                  << QStringLiteral("stroke 1 has no points") << 0;
    QTest::newRow("point of one number")
        << QByteArray(R"({"width": 3, "height": 3, "strokes": [[[1, 1]], [[1, 1], [2]]]})")
        << QStringLiteral("point 2 of stroke 2") << 0;
    QTest::newRow("text coordinate")
        << QByteArray(R"({"width": 3, "height": 3, "strokes": [[["1", 1]]]})")
        << QStringLiteral("point 1 of stroke 1") << 0;
    QTest::newRow("huge coordinate")
        << QByteArray(R"({"width": 3, "height": 3, "strokes": [[[1e300, 1]]]})")
        << QStringLiteral("point 1 of stroke 1") << 0;
}

void TestHandwritingRecognizer::readsDrawings()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QFETCH(int, strokes);
    QString message;
    const HandwritingDrawing drawing = HandwritingDrawing::fromJson(json, &message);
    if (!error.isEmpty()) {
        QVERIFY2(message.contains(error), qPrintable(message));
        QVERIFY(drawing.isEmpty());
        return;
    }
    QVERIFY2(message.isEmpty(), qPrintable(message));
    QCOMPARE(drawing.strokeCount(), strokes);
    // Written and read again, the drawing is the same.
    const HandwritingDrawing again = HandwritingDrawing::fromJson(drawing.toJson(), &message);
    QCOMPARE(again.strokes(), drawing.strokes());
    QCOMPARE(again.width(), drawing.width());
    QCOMPARE(again.height(), drawing.height());
}

void TestHandwritingRecognizer::refusesDamagedModels_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("flippedByte");
    QTest::addColumn<bool>("loads");

    QTest::newRow("whole") << 0 << -1 << true;
    QTest::newRow("last byte missing") << 1 << -1 << false;
    QTest::newRow("header only") << -12 << -1 << false;
    QTest::newRow("other format version") << 0 << 4 << false;
    QTest::newRow("count too large") << 0 << 8 << false;
}

void TestHandwritingRecognizer::refusesDamagedModels()
{
    QFETCH(int, cut);
    QFETCH(int, flippedByte);
    QFETCH(bool, loads);
    HandwritingModel model;
    for (const QString& c : {QStringLiteral("人"), QStringLiteral("永"), QStringLiteral("學")})
        model.addCharacter(c, HandwritingModel::BothScripts, 7, handwritingtest::medians(c));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("model"));
    QString error;
    QVERIFY(model.save(path, &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes = cut < 0 ? bytes.left(-cut) : bytes.left(bytes.size() - cut);
    if (flippedByte >= 0)
        bytes[flippedByte] = char(bytes.at(flippedByte) ^ 0x40);
    file.resize(0);
    file.write(bytes);
    file.close();

    HandwritingRecognizer recognizer;
    QCOMPARE(recognizer.load(path, &error), loads);
    if (!loads) {
        QVERIFY(!error.isEmpty());
        QCOMPARE(recognizer.model().size(), 0);
        return;
    }
    // The loaded model recognises as the one that was built.
    QCOMPARE(recognizer.model().size(), 3);
    const auto drawing = handwritingtest::drawing(
        handwritingtest::placed(handwritingtest::medians(QStringLiteral("永")), Box), Pad);
    HandwritingRecognizer built(std::make_unique<HandwritingModel>(model));
    QCOMPARE(recognizer.recognize(drawing).value(0).character, QStringLiteral("永"));
    QCOMPARE(recognizer.recognize(drawing).value(0).distance,
             built.recognize(drawing).value(0).distance);
}

QTEST_GUILESS_MAIN(TestHandwritingRecognizer)
#include "tst_handwritingrecognizer.moc"
