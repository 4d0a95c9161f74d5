// Skin images at 200 %: the "@2x" files are picked and drawn pixel for pixel.

#include "style/style.h"
#include "style/xqpushbutton.h"

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {

// A checkerboard of single pixels: any scaling or filtering blurs it into grey.
QImage checkerboard(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
    return image;
}

} // namespace

class TestHighDensity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void prefersDoubleDensityFiles();
    void iconIsDrawnPixelForPixel();

private:
    QTemporaryDir m_skin;
};

void TestHighDensity::initTestCase()
{
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    QImage plain(16, 16, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::red);
    QVERIFY(plain.save(m_skin.filePath("icon.png")));
    QVERIFY(checkerboard(32).save(m_skin.filePath("icon@2x.png")));
    QVERIFY(plain.save(m_skin.filePath("only.png")));
    QFile sheet(m_skin.filePath("style.json"));
    QVERIFY(sheet.open(QIODevice::WriteOnly));
    sheet.write(R"({"iconButton": {"icon": "icon.png", "labelGap": 0, "height": 24}})");
    sheet.close();
    Style::destroyRoot();
    Style::setSkinFolder(m_skin.path());
}

void TestHighDensity::cleanupTestCase()
{
    Style::destroyRoot();
}

void TestHighDensity::prefersDoubleDensityFiles()
{
    const QPixmap dense = Style::skinPixmap("icon.png");
    QCOMPARE(dense.devicePixelRatio(), 2.0);
    QCOMPARE(dense.size(), QSize(32, 32));
    QCOMPARE(dense.deviceIndependentSize().toSize(), QSize(16, 16));
    const QPixmap single = Style::skinPixmap("only.png");
    QCOMPARE(single.devicePixelRatio(), 1.0);
    QCOMPARE(single.size(), QSize(16, 16));
}

void TestHighDensity::iconIsDrawnPixelForPixel()
{
    XQPushButton button;
    button.setStyleName("iconButton");
    QCOMPARE(button.iconSize(), QSize(16, 16));
    QCOMPARE(button.sizeHint(), QSize(16, 24));
    button.resize(button.sizeHint());
    button.setAutoResize(false);
    const QImage shot = button.grab().toImage();
    QCOMPARE(shot.size(), QSize(32, 48));
    // The icon sits at (0, 4) logical, (0, 8) in device pixels; every pixel is pure.
    const QImage expected = checkerboard(32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            QCOMPARE(shot.pixelColor(x, y + 8).rgb(), expected.pixelColor(x, y).rgb());
}

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestHighDensity test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdensity.moc"
