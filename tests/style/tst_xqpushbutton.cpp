#include "style/actionbar.h"
#include "style/ninesliceimage.h"
#include "style/style.h"
#include "style/xqpushbutton.h"
#include "style/xqwidget.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {

const QColor cornerColor(200, 0, 0);
const QColor edgeColor(0, 150, 0);
const QColor centreColor(0, 0, 220);

// A 30 x 30 background: 10-pixel red corners, green edges, blue centre.
QImage sliceImage(int ratio = 1)
{
    QImage image(30 * ratio, 30 * ratio, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool midX = x / ratio >= 10 && x / ratio < 20;
            const bool midY = y / ratio >= 10 && y / ratio < 20;
            image.setPixelColor(x, y,
                                midX && midY   ? centreColor
                                : midX || midY ? edgeColor
                                               : cornerColor);
        }
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

QImage paintSlices(const NineSliceImage& slices, const QSize& target, int ratio = 1)
{
    QImage canvas(target * ratio, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    slices.draw(&painter, QRect(QPoint(0, 0), target));
    painter.end();
    return canvas;
}

QImage render(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool hasColorNear(const QImage& image, const QRect& area, const QColor& color, int tolerance)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && qAbs(c.red() - color.red()) <= tolerance &&
                qAbs(c.green() - color.green()) <= tolerance &&
                qAbs(c.blue() - color.blue()) <= tolerance)
                return true;
        }
    }
    return false;
}

class LayoutCounter : public XQWidget
{
public:
    int layouts = 0;

protected:
    void updateLayout() override
    {
        XQWidget::updateLayout();
        ++layouts;
    }
};

} // namespace

class TestXQPushButton : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void nineSliceSameSizeIsUnscaled();
    void nineSliceKeepsCornersWhenStretched_data();
    void nineSliceKeepsCornersWhenStretched();
    void nineSliceHonoursInnerRectAndEmptyTarget();
    void nineSliceDrawsHighDensityImagesSharply();

    void upImageShowsAndRolloverIsLighter();
    void stateFallsBackToUpImage();
    void disabledButtonPaintsFaded();
    void bottomLabelContentHeight();
    void coloredTextNeedsOneColourPerPart();
    void coloredPartsArePaintedInTheirColours();
    void checkedButtonStaysChecked();
    void returnEmitsEnterPressed();
    void autoResizeFollowsContent();
    void fitWidthToBackgroundAndFitHeight();
    void focusRectangleIsDrawnWithFocus();
    void iconShadowIsDrawnBelowIcon();

    void actionBarLaysOutGroups();
    void xqWidgetLaysOutOncePerInvalidation();

private:
    QTemporaryDir m_skin;
};

void TestXQPushButton::initTestCase()
{
    QVERIFY(m_skin.isValid());
    QVERIFY(sliceImage().save(m_skin.filePath("slices.png")));
    QImage icon(32, 32, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.fillRect(QRect(8, 8, 16, 16), QColor(20, 20, 20));
    }
    QVERIFY(icon.save(m_skin.filePath("icon.png")));
    QImage gray(40, 30, QImage::Format_ARGB32_Premultiplied);
    gray.fill(QColor(100, 100, 100));
    QVERIFY(gray.save(m_skin.filePath("gray.png")));

    QFile sheet(m_skin.filePath("style.json"));
    QVERIFY(sheet.open(QIODevice::WriteOnly));
    sheet.write(R"({
        "plain": {"backgroundImage": "gray.png", "rolloverEffect": "whiten,0.3",
                  "width": 40, "height": 30, "color": "#000000"},
        "faded": {"base": "plain", "disabledOpacity": 0.7},
        "stacked": {"icon": "icon.png", "labelPosition": "bottom", "labelGap": 8},
        "iconOnly": {"icon": "icon.png", "labelGap": 0, "paddingLeft": 4, "paddingRight": 6,
                     "iconShadow": true, "iconShadowColor": "#ff0000", "iconShadowY": 3,
                     "height": 40},
        "fitted": {"backgroundImage": "gray.png", "fitWidthToBackground": true, "height": 30,
                   "paddingTop": 2, "paddingBottom": 3},
        "focused": {"backgroundImage": "gray.png", "showFocusRectangle": true,
                    "focusColor": "#00ff00", "width": 60, "height": 30},
        "text": {"fontSize": 20, "height": 40, "paddingLeft": 10, "paddingRight": 10}
    })");
    sheet.close();
    Style::destroyRoot();
    Style::setSkinFolder(m_skin.path());
}

void TestXQPushButton::cleanupTestCase()
{
    Style::destroyRoot();
}

void TestXQPushButton::nineSliceSameSizeIsUnscaled()
{
    const NineSliceImage slices(sliceImage());
    const QImage out = paintSlices(slices, QSize(30, 30));
    QCOMPARE(out.convertToFormat(QImage::Format_ARGB32),
             sliceImage().convertToFormat(QImage::Format_ARGB32));
}

void TestXQPushButton::nineSliceKeepsCornersWhenStretched_data()
{
    QTest::addColumn<QSize>("target");
    QTest::newRow("wider and taller") << QSize(90, 60);
    QTest::newRow("wider only") << QSize(120, 30);
    QTest::newRow("narrower") << QSize(21, 24);
}

void TestXQPushButton::nineSliceKeepsCornersWhenStretched()
{
    QFETCH(QSize, target);
    const NineSliceImage slices(sliceImage());
    const QImage out = paintSlices(slices, target);
    const int w = target.width();
    const int h = target.height();
    // Corners keep their pixels at all four ends.
    for (const QPoint& p : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1),
                            QPoint(2, 2), QPoint(w - 3, h - 3)})
        QCOMPARE(out.pixelColor(p), cornerColor);
    if (w >= 30 && h >= 30) {
        // The border stays 10 pixels wide whatever the size; only the middle stretches.
        QCOMPARE(out.pixelColor(9, 9), cornerColor);
        QCOMPARE(out.pixelColor(w / 2, 2), edgeColor);
        QCOMPARE(out.pixelColor(2, h / 2), edgeColor);
        QCOMPARE(out.pixelColor(w - 3, h / 2), edgeColor);
        QCOMPARE(out.pixelColor(w / 2, h - 3), edgeColor);
        QCOMPARE(out.pixelColor(w / 2, h / 2), centreColor);
        QCOMPARE(out.pixelColor(w - 10, 2), cornerColor);
        QCOMPARE(out.pixelColor(w - 12, 2), edgeColor);
    }
    // Every pixel of the target is covered.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            QCOMPARE(out.pixelColor(x, y).alpha(), 255);
}

void TestXQPushButton::nineSliceHonoursInnerRectAndEmptyTarget()
{
    NineSliceImage slices(sliceImage());
    slices.setInnerRect(QRect(5, 5, 20, 20));
    const QImage out = paintSlices(slices, QSize(100, 100));
    // Only a 5-pixel border is kept: column 7 is already the stretched edge.
    QCOMPARE(out.pixelColor(3, 3), cornerColor);
    QCOMPARE(out.pixelColor(50, 3), edgeColor);
    QCOMPARE(out.pixelColor(96, 96), cornerColor);

    QImage canvas(10, 10, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    slices.draw(&painter, QRect(0, 0, 0, 10));
    slices.draw(&painter, QRect(0, 0, 10, 0));
    painter.end();
    QCOMPARE(canvas.pixelColor(5, 5).alpha(), 0);
}

void TestXQPushButton::nineSliceDrawsHighDensityImagesSharply()
{
    const NineSliceImage slices(sliceImage(2));
    QCOMPARE(slices.size(), QSize(30, 30));
    // Same logical size on a 2x canvas: every device pixel comes straight from the image.
    const QImage same = paintSlices(slices, QSize(30, 30), 2);
    QCOMPARE(same.size(), QSize(60, 60));
    QCOMPARE(same.pixelColor(19, 19), cornerColor);
    QCOMPARE(same.pixelColor(20, 5), edgeColor);
    // Stretched: the border is still 10 logical (20 device) pixels.
    const QImage wide = paintSlices(slices, QSize(80, 30), 2);
    QCOMPARE(wide.pixelColor(19, 5), cornerColor);
    QCOMPARE(wide.pixelColor(80, 5), edgeColor);
    QCOMPARE(wide.pixelColor(159, 59), cornerColor);
}

void TestXQPushButton::upImageShowsAndRolloverIsLighter()
{
    XQPushButton button;
    button.setStyleName("plain");
    button.setAutoResize(false);
    QCOMPARE(button.size(), QSize(40, 30));
    const QImage up = render(&button);
    QCOMPARE(up.pixelColor(20, 15), QColor(100, 100, 100));

    const NineSliceImage* over = button.stateBackground("over");
    QVERIFY(over);
    const QColor lighter = over->image().pixelColor(20, 15);
    // 0.3 of white over 100 gives about 146.
    QVERIFY2(qAbs(lighter.red() - 146) <= 2, qPrintable(QString::number(lighter.red())));
    QCOMPARE(button.stateBackground("up")->image().pixelColor(20, 15), QColor(100, 100, 100));
    QCOMPARE(button.stateBackground("over"), over); // cached
}

void TestXQPushButton::stateFallsBackToUpImage()
{
    XQPushButton button;
    button.setStyleName("plain");
    QVERIFY(button.stateBackground("down"));
    QCOMPARE(button.stateBackground("down")->image().pixelColor(1, 1), QColor(100, 100, 100));
    QVERIFY(button.stateBackground("selected"));
    XQPushButton bare;
    bare.setStyleName("stacked");
    QVERIFY(!bare.stateBackground("up"));
    QVERIFY(!bare.stateBackground("over"));

    button.setCheckable(true);
    button.setChecked(true);
    QCOMPARE(button.currentState(), QString("selected"));
}

void TestXQPushButton::disabledButtonPaintsFaded()
{
    XQPushButton plain;
    plain.setStyleName("plain");
    plain.setAutoResize(false);
    plain.setEnabled(false);
    QCOMPARE(plain.paintOpacity(), 0.4);
    QVERIFY(qAbs(render(&plain).pixelColor(20, 15).alpha() - 102) <= 2);

    XQPushButton faded;
    faded.setStyleName("faded");
    faded.setAutoResize(false);
    faded.setEnabled(false);
    QVERIFY(qAbs(render(&faded).pixelColor(20, 15).alpha() - 178) <= 2);

    // An explicit opacity other than 1.0 wins over both.
    faded.setOpacity(0.3);
    QVERIFY(qAbs(render(&faded).pixelColor(20, 15).alpha() - 76) <= 2);
    faded.setEnabled(true);
    QCOMPARE(faded.paintOpacity(), 0.3);
    faded.setOpacity(1.0);
    QCOMPARE(faded.paintOpacity(), 1.0);
}

void TestXQPushButton::bottomLabelContentHeight()
{
    XQPushButton button;
    button.setStyleName("stacked");
    button.setText("Practice");
    const QFontMetrics metrics(Style::root()->section("stacked")->font());
    const int textHeight = metrics.tightBoundingRect("My").height() - 1;
    QCOMPARE(button.contentSize().height(), 32 + 8 + textHeight);
    QCOMPARE(button.contentSize().width(), qMax(32, metrics.horizontalAdvance("Practice")));
}

void TestXQPushButton::coloredTextNeedsOneColourPerPart()
{
    XQPushButton button;
    button.setStyleName("text");
    button.setText("before");
    button.setColoredText({"a", "b", "c"}, {Qt::red, Qt::blue});
    QCOMPARE(button.text(), QString("before"));
    QVERIFY(button.labelParts().isEmpty());
    button.setColoredText({"ni3 ", "hao3"}, {Qt::red, Qt::blue});
    QCOMPARE(button.text(), QString("ni3 hao3"));
    QCOMPARE(button.labelParts().size(), 2);
    button.setText("plain");
    QVERIFY(button.labelParts().isEmpty());
}

void TestXQPushButton::coloredPartsArePaintedInTheirColours()
{
    XQPushButton button;
    button.setStyleName("text");
    button.setColoredText({"MMMM", "WWWW"}, {QColor(255, 0, 0), QColor(0, 0, 255)});
    button.resize(button.sizeHint());
    const QImage image = render(&button);
    // The label starts at the left padding; the second part starts where the first one ends.
    const QFontMetrics metrics(Style::root()->section("text")->font());
    const int boundary = 10 + metrics.horizontalAdvance("MMMM");
    const QRect left(0, 0, boundary - 1, image.height());
    const QRect right(boundary + 1, 0, image.width() - boundary - 1, image.height());
    QVERIFY(hasColorNear(image, left, QColor(255, 0, 0), 40));
    QVERIFY(!hasColorNear(image, left, QColor(0, 0, 255), 40));
    QVERIFY(hasColorNear(image, right, QColor(0, 0, 255), 40));
    QVERIFY(!hasColorNear(image, right, QColor(255, 0, 0), 40));
}

void TestXQPushButton::checkedButtonStaysChecked()
{
    XQPushButton button;
    button.setStyleName("plain");
    button.setCheckable(true);
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(button.isChecked());
    QSignalSpy toggled(&button, &QPushButton::toggled);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(button.isChecked());
    QCOMPARE(toggled.count(), 0);
    QVERIFY(!button.isDown());
}

void TestXQPushButton::returnEmitsEnterPressed()
{
    XQPushButton button;
    button.setStyleName("plain");
    QSignalSpy spy(&button, &XQPushButton::enterPressed);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::keyClick(&button, Qt::Key_Enter);
    QTest::keyClick(&button, Qt::Key_A);
    QCOMPARE(spy.count(), 2);
}

void TestXQPushButton::autoResizeFollowsContent()
{
    XQPushButton button;
    button.setStyleName("text");
    button.setText("Some label");
    const QFontMetrics metrics(Style::root()->section("text")->font());
    const int expectedWidth = metrics.horizontalAdvance("Some label") + 20;
    QCOMPARE(button.sizeHint().width(), expectedWidth);
    QCOMPARE(button.effectiveWidth(), expectedWidth);
    render(&button);
    QCOMPARE(button.width(), expectedWidth);
    QCOMPARE(button.height(), 40);
    QVERIFY(!button.needsResize());

    XQPushButton fixed;
    fixed.setStyleName("text");
    fixed.setAutoResize(false);
    fixed.resize(77, 33);
    fixed.setText("Some label");
    render(&fixed);
    QCOMPARE(fixed.size(), QSize(77, 33));
}

void TestXQPushButton::fitWidthToBackgroundAndFitHeight()
{
    XQPushButton button;
    button.setAutoResize(false);
    button.setStyleName("fitted");
    QCOMPARE(button.width(), 40);
    button.fitHeight();
    const QFontMetrics metrics(Style::root()->section("fitted")->font());
    QCOMPARE(button.height(), 5 + metrics.tightBoundingRect("My").height() - 1);

    XQPushButton withIcon;
    withIcon.setStyleName("iconOnly");
    withIcon.fitHeight();
    QCOMPARE(withIcon.height(), 32);
}

void TestXQPushButton::focusRectangleIsDrawnWithFocus()
{
    XQPushButton button;
    button.setStyleName("focused");
    button.setAutoResize(false);
    const QRect leftEdge(3, 3, 3, 20);
    QVERIFY(!hasColorNear(render(&button), leftEdge, QColor(0, 255, 0), 10));
    button.show();
    button.activateWindow();
    button.setFocus();
    QTRY_VERIFY(button.hasFocus());
    QVERIFY(hasColorNear(render(&button), leftEdge, QColor(0, 255, 0), 10));
}

void TestXQPushButton::iconShadowIsDrawnBelowIcon()
{
    XQPushButton button;
    button.setStyleName("iconOnly");
    QCOMPARE(button.sizeHint().width(), 32 + 4 + 6);
    button.resize(button.sizeHint());
    button.setAutoResize(false);
    const QImage image = render(&button);
    // Icon square at x 5..20 (centred in 42), y 12..27; its shadow 3 pixels lower.
    const int iconLeft = (42 - 32) / 2;
    QCOMPARE(image.pixelColor(iconLeft + 16, 4 + 8 + 8), QColor(20, 20, 20));
    QCOMPARE(image.pixelColor(iconLeft + 16, 4 + 8 + 16 + 1), QColor(255, 0, 0));
}

void TestXQPushButton::actionBarLaysOutGroups()
{
    ActionBar bar;
    QCOMPARE(bar.size(), QSize(100, 40));
    ActionBarButton* a = bar.addButton("One", 1);
    ActionBarButton* b = bar.addButton("Two", 1);
    ActionBarButton* c = bar.addButton("Three", 2);
    for (ActionBarButton* button : {a, b, c}) {
        button->setStyleName("text");
        button->setAutoResize(false);
        button->resize(50, 30);
    }
    bar.layoutButtons(10, 5, 4, 1);
    QCOMPARE(a->pos(), QPoint(10, 5));
    QCOMPARE(b->pos(), QPoint(64, 5));
    QCOMPARE(c->pos(), QPoint(0, 0));
    bar.layoutButtons(200, 6, 0, 2);
    QCOMPARE(c->pos(), QPoint(200, 6));
    bar.layoutButtons(0, 0, 1, 0);
    QCOMPARE(c->pos(), QPoint(102, 0));

    QSignalSpy clicked(&bar, &ActionBar::buttonClicked);
    b->click();
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<QPushButton*>(), b);

    bar.clear();
    QVERIFY(bar.buttons().isEmpty());
    QVERIFY(bar.findChildren<ActionBarButton*>().isEmpty());
}

void TestXQPushButton::xqWidgetLaysOutOncePerInvalidation()
{
    LayoutCounter widget;
    widget.resize(50, 50);
    QVERIFY(widget.layoutInvalid());
    render(&widget);
    render(&widget);
    QCOMPARE(widget.layouts, 1);
    widget.invalidate();
    QVERIFY(widget.layoutInvalid());
    render(&widget);
    QCOMPARE(widget.layouts, 2);
}

QTEST_MAIN(TestXQPushButton)
#include "tst_xqpushbutton.moc"
