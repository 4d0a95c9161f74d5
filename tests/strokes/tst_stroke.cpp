#include "stroketestsupport.h"

#include "strokes/stroke.h"

#include <QtTest>

using korvo::Stroke;

using Points = QVector<QPointF>;
Q_DECLARE_METATYPE(Points)

// The geometry of one stroke: how its path is read and simplified, its length, the points along
// it and the region of its mask.
class TestStroke : public QObject
{
    Q_OBJECT

private slots:
    void pointsAreRoundedHalvesAwayFromZero_data();
    void pointsAreRoundedHalvesAwayFromZero();
    void simplifyPolyline_data();
    void simplifyPolyline();
    void simplifyingALongLineKeepsItsEnds();
    void lengthIsManhattan_data();
    void lengthIsManhattan();
    void pointAtWalksTheSegments_data();
    void pointAtWalksTheSegments();
    void onePointStrokeHasNoLengthAndDrawsNothing();
    void maskThreshold_data();
    void maskThreshold();
    void maskRegionIsTheInkOfTheMask();
    void scaledMaskRegionMatchesTheMask();
    void badMaskSvgMakesTheStrokeUndrawable_data();
    void badMaskSvgMakesTheStrokeUndrawable();
    void missingMaskLeavesTheStrokeUnclipped();
};

void TestStroke::pointsAreRoundedHalvesAwayFromZero_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<QPointF>("rounded");
    QTest::newRow("halves") << QPointF(1.5, -1.5) << QPointF(2, -2);
    QTest::newRow("below half") << QPointF(2.49, -2.49) << QPointF(2, -2);
    QTest::newRow("above half") << QPointF(0.51, -0.51) << QPointF(1, -1);
    QTest::newRow("whole") << QPointF(7, 0) << QPointF(7, 0);
}

void TestStroke::pointsAreRoundedHalvesAwayFromZero()
{
    QFETCH(QPointF, point);
    QFETCH(QPointF, rounded);
    QCOMPARE(Stroke::roundedPoint(point), rounded);
    // Through the constructor too: a two-point stroke is not simplified.
    const Stroke stroke(QString(), {point, QPointF(100, 100)});
    QCOMPARE(stroke.points().first(), rounded);
}

void TestStroke::simplifyPolyline_data()
{
    QTest::addColumn<Points>("input");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<Points>("expected");
    QTest::newRow("two points unchanged")
        << Points{{0, 0}, {0, 0}} << 1.0 << Points{{0, 0}, {0, 0}};
    QTest::newRow("collinear middle dropped")
        << Points{{0, 0}, {5, 5}, {10, 10}} << 1.0 << Points{{0, 0}, {10, 10}};
    QTest::newRow("distance at tolerance dropped")
        << Points{{0, 0}, {5, 1}, {10, 0}} << 1.0 << Points{{0, 0}, {10, 0}};
    QTest::newRow("distance over tolerance kept")
        << Points{{0, 0}, {5, 2}, {10, 0}} << 1.0 << Points{{0, 0}, {5, 2}, {10, 0}};
    QTest::newRow("corner kept, small wobbles dropped")
        << Points{{0, 0}, {50, 0.5}, {100, 0}, {100, 50}, {100.5, 100}} << 1.0
        << Points{{0, 0}, {100, 0}, {100.5, 100}};
    QTest::newRow("closing points equal to the first dropped")
        << Points{{0, 0}, {10, 0}, {10, 10}, {0, 0}, {0, 0}} << 1.0
        << Points{{0, 0}, {10, 0}, {10, 10}};
    QTest::newRow("all points equal") << Points{{3, 3}, {3, 3}, {3, 3}} << 1.0 << Points{{3, 3}};
    QTest::newRow("larger tolerance")
        << Points{{0, 0}, {5, 2}, {10, 0}} << 3.0 << Points{{0, 0}, {10, 0}};
}

void TestStroke::simplifyPolyline()
{
    QFETCH(Points, input);
    QFETCH(double, tolerance);
    QFETCH(Points, expected);
    QCOMPARE(Stroke::simplifyPolyline(input, tolerance), expected);
}

void TestStroke::simplifyingALongLineKeepsItsEnds()
{
    // A zigzag of many points (each kept) must not exhaust anything, and a long straight run
    // collapses to its ends.
    Points zigzag;
    for (int i = 0; i < 30000; ++i)
        zigzag.append(QPointF(i, (i % 2) * 10));
    QCOMPARE(Stroke::simplifyPolyline(zigzag, 1.0).size(), zigzag.size());
    Points line;
    for (int i = 0; i < 200000; ++i)
        line.append(QPointF(i, 0));
    QCOMPARE(Stroke::simplifyPolyline(line, 1.0), (Points{{0, 0}, {199999, 0}}));
}

void TestStroke::lengthIsManhattan_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<int>("length");
    QTest::newRow("none") << Points{} << 0;
    QTest::newRow("one point") << Points{{5, 5}} << 0;
    QTest::newRow("diagonal") << Points{{0, 0}, {30, 40}} << 70;
    QTest::newRow("three hundred") << Points{{100, 100}, {300, 100}, {300, 200}} << 300;
    QTest::newRow("rounded first") << Points{{0.4, 0}, {10.6, 0}} << 11;
}

void TestStroke::lengthIsManhattan()
{
    QFETCH(Points, points);
    QFETCH(int, length);
    Stroke stroke(QString(), points);
    QCOMPARE(stroke.strokeLength(), length);
}

void TestStroke::pointAtWalksTheSegments_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QPointF>("expected");
    const Points ell{{100, 100}, {300, 100}, {300, 200}}; // length 300
    QTest::newRow("start") << ell << 0.0 << QPointF(100, 100);
    QTest::newRow("inside the first segment") << ell << 0.5 << QPointF(250, 100);
    QTest::newRow("at the corner") << ell << 2.0 / 3 << QPointF(300, 100);
    QTest::newRow("inside the second segment") << ell << 0.9 << QPointF(300, 170);
    QTest::newRow("end") << ell << 1.0 << QPointF(300, 200);
    QTest::newRow("beyond the end is the end") << ell << 1.5 << QPointF(300, 200);
    QTest::newRow("diagonal middle") << Points{{0, 0}, {100, 100}} << 0.5 << QPointF(50, 50);
    // Equal neighbours make a segment of no length, which must not be divided by.
    QTest::newRow("all at one place") << Points{{7, 7}, {7, 7}} << 0.5 << QPointF(7, 7);
    QTest::newRow("single point") << Points{{7, 7}} << 1.0 << QPointF(7, 7);
}

void TestStroke::pointAtWalksTheSegments()
{
    QFETCH(Points, points);
    QFETCH(double, fraction);
    QFETCH(QPointF, expected);
    Stroke stroke(QString(), points);
    const QPointF p = stroke.pointAt(fraction);
    QVERIFY2(std::isfinite(p.x()) && std::isfinite(p.y()), "the point is a number");
    QCOMPARE(p, expected);
}

void TestStroke::onePointStrokeHasNoLengthAndDrawsNothing()
{
    Stroke stroke(QStringLiteral("masks/x_1.svg"), {QPointF(10, 10)});
    QCOMPARE(stroke.strokeLength(), 0);
    QVERIFY(!stroke.isDrawable());
    QVERIFY(!Stroke::invalid().isDrawable());
    Stroke two(QString(), {QPointF(10, 10), QPointF(20, 10)});
    QVERIFY(two.isDrawable());
}

void TestStroke::maskThreshold_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("ink");
    QTest::newRow("black") << QColor(0, 0, 0) << true;
    QTest::newRow("white") << QColor(255, 255, 255) << false;
    QTest::newRow("201 grey") << QColor(201, 201, 201) << false;
    QTest::newRow("200 grey") << QColor(200, 200, 200) << true;
    QTest::newRow("one channel at 150") << QColor(201, 150, 201) << true;
    QTest::newRow("only blue low") << QColor(255, 255, 200) << true;
}

void TestStroke::maskThreshold()
{
    QFETCH(QColor, colour);
    QFETCH(bool, ink);
    QCOMPARE(Stroke::isMaskInk(colour.rgb()), ink);

    // The same colour rendered from a mask SVG: a square of it is in the region or not.
    Stroke stroke(QStringLiteral("masks/t_1.svg"), {QPointF(0, 0), QPointF(10, 0)});
    stroke.setMaskSvg(stroketest::rectanglesSvg({QRect(200, 200, 100, 100)}, colour).toUtf8());
    QCOMPARE(stroke.maskRegion().contains(QPoint(250, 250)), ink);
    QVERIFY(!stroke.maskRegion().contains(QPoint(50, 50)));
    QCOMPARE(stroke.maskImage().pixel(250, 250), ink ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
}

void TestStroke::maskRegionIsTheInkOfTheMask()
{
    Stroke stroke(QStringLiteral("masks/t_1.svg"), {QPointF(0, 0), QPointF(10, 0)});
    stroke.setMaskSvg(
        stroketest::rectanglesSvg({QRect(100, 100, 200, 50), QRect(400, 500, 30, 30)}).toUtf8());
    QVERIFY(stroke.hasMaskRegion());
    const QRegion region = stroke.maskRegion();
    QCOMPARE(region.boundingRect(), QRect(100, 100, 330, 430));
    QCOMPARE(region, QRegion(QRect(100, 100, 200, 50)) + QRegion(QRect(400, 500, 30, 30)));
    QCOMPARE(stroke.maskImage().size(), QSize(800, 800));
    // Computed once: the same region comes back.
    QCOMPARE(stroke.maskRegion(), region);
}

void TestStroke::scaledMaskRegionMatchesTheMask()
{
    Stroke stroke(QStringLiteral("masks/t_1.svg"), {QPointF(0, 0), QPointF(10, 0)});
    stroke.setMaskSvg(stroketest::rectanglesSvg({QRect(100, 200, 400, 100)}).toUtf8());
    QCOMPARE(stroke.maskRegion(800), stroke.maskRegion());
    QCOMPARE(stroke.maskRegion(400), QRegion(QRect(50, 100, 200, 50)));
    QCOMPARE(stroke.maskRegion(200), QRegion(QRect(25, 50, 100, 25)));
}

void TestStroke::badMaskSvgMakesTheStrokeUndrawable_data()
{
    QTest::addColumn<QString>("svg");
    QTest::newRow("not xml") << QStringLiteral("this is no picture");
    QTest::newRow("cut short") << QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\"><path");
    QTest::newRow("empty") << QStringLiteral("");
}

void TestStroke::badMaskSvgMakesTheStrokeUndrawable()
{
    QFETCH(QString, svg);
    Stroke stroke(QStringLiteral("masks/t_1.svg"), {QPointF(0, 0), QPointF(100, 0)});
    stroke.setMaskSvg(svg.toUtf8());
    QVERIFY(stroke.hasMask());
    QVERIFY(!stroke.isDrawable());
    QVERIFY(stroke.maskRegion().isEmpty());
    QVERIFY(stroke.maskRegion(400).isEmpty());
}

void TestStroke::missingMaskLeavesTheStrokeUnclipped()
{
    Stroke stroke(QStringLiteral("masks/t_1.svg"), {QPointF(0, 0), QPointF(100, 0)});
    QCOMPARE(stroke.maskName(), QStringLiteral("t_1"));
    QVERIFY(!stroke.hasMask());
    QVERIFY(stroke.isDrawable());
    QVERIFY(!stroke.hasMaskRegion());
}

QTEST_MAIN(TestStroke)
#include "tst_stroke.moc"
