#include "cards/cardpainter.h"
#include "cards/cardstate.h"
#include "cardtestsupport.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deck.h"
#include "style/style.h"
#include "text/pinyin.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmapCache>
#include <QtTest>

#include <memory>

using namespace korvo;
using namespace cardtest;

namespace {

const QString ChineseFont = QStringLiteral("Noto Sans CJK SC");

std::unique_ptr<KnowledgeUnit> makeUnit(const QString& simplified, const QString& traditional,
                                        const QString& pinyin, const QString& definition)
{
    auto unit = std::make_unique<KnowledgeUnit>();
    unit->setSimplified(simplified);
    unit->setTraditional(traditional);
    unit->setPinyin(pinyin);
    unit->setDefinition(definition);
    return unit;
}

CardState plainState()
{
    CardState state;
    state.chineseFont = ChineseFont;
    return state;
}

CardState singleFormState()
{
    CardState state = plainState();
    state.traditionalVisible = false;
    return state;
}

QImage paintToImage(QObject* object, const QSize& size, const CardState& state,
                    CardPainterFlags flags = CardPainterFlags())
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintCard(object, &painter, QRect(QPoint(0, 0), size), state, flags);
    return image;
}

QFont latinFont(int pointSize, bool bold)
{
    QFont font;
    font.setFamily(QStringLiteral("Arial"));
    font.setBold(bold);
    font.setPointSize(pointSize);
    return font;
}

// Bounds of the pixels where two images of one size differ; null when none does.
QRect differenceBounds(const QImage& a, const QImage& b)
{
    QRect bounds;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// The compact layout's grey paragraph, drawn the way the card painter draws it.
void drawParagraph(QPainter* painter, const QSize& size, const QFont& font, int textMargin,
                   const QString& paragraph)
{
    painter->setFont(font);
    painter->setPen(QColor(94, 94, 94));
    painter->drawText(QRect(textMargin, 0, size.width() - 2 * textMargin, size.height()),
                      Qt::AlignLeft | Qt::TextWordWrap, paragraph);
}

QRect paragraphInk(const QSize& size, const QFont& font, int textMargin, const QString& paragraph)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawParagraph(&painter, size, font, textMargin, paragraph);
    painter.end();
    return cardtest::pixelBounds(image, image.rect(), cardtest::isInk);
}

// Pixels of black characters: dark and neutral (the grey texts are never darker than 94).
bool isCharacterInk(QRgb pixel)
{
    return isGreyAtMost(pixel, 40);
}

bool isColored(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    return std::max({r, g, b}) - std::min({r, g, b}) > 60;
}

} // namespace

// The card painter seen from the outside: what lands where on an image of the card.
class TestCardPainter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void distancesScaleWithWidth_data();
    void distancesScaleWithWidth();
    void charactersStartAtTextTop_data();
    void charactersStartAtTextTop();
    void bothFormsShareOneGreyParagraph_data();
    void bothFormsShareOneGreyParagraph();
    void narrowCardKeepsEightPoints_data();
    void narrowCardKeepsEightPoints();
    void hiddenPinyinLeavesDefinitionInPlace();
    void colorizationFollowsSetting_data();
    void colorizationFollowsSetting();
    void colorizedSyllablesWrapIntoCentredLines();
    void deckShowsCentredTitle();
    void selectedFaceIsTintedOnceAndCached();
    void plainBackgroundReplacesImages();
    void watermarkSitsInBottomRightCorner();
    void leavesPainterStateUnchanged();
    void fitFontSizeFindsLargestFittingSize_data();
    void fitFontSizeFindsLargestFittingSize();
    void wholeLineHeightCountsWholeLines_data();
    void wholeLineHeightCountsWholeLines();
    void watermarkIsEmbedded();

private:
    QTemporaryDir m_skinDir;
};

void TestCardPainter::initTestCase()
{
    initPinyinTables();
    installTestSkin(m_skinDir);
    releaseCardImages();
}

void TestCardPainter::cleanupTestCase()
{
    releaseCardImages();
    Style::destroyRoot();
}

void TestCardPainter::distancesScaleWithWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("wood");
    QTest::addColumn<int>("textMargin");
    QTest::addColumn<int>("textTop");
    QTest::addColumn<QRect>("face");

    QTest::newRow("reference width") << 420 << true << 63 << 40 << QRect(33, 30, 354, 354);
    QTest::newRow("half width") << 210 << true << 31 << 20 << QRect(16, 15, 178, 178);
    QTest::newRow("double width") << 840 << true << 126 << 80 << QRect(66, 60, 708, 708);
    QTest::newRow("without wood") << 420 << false << 30 << 10 << QRect(0, 0, 420, 420);
    QTest::newRow("card list size") << 120 << true << 18 << 11 << QRect(9, 8, 102, 102);
}

void TestCardPainter::distancesScaleWithWidth()
{
    QFETCH(int, width);
    QFETCH(bool, wood);
    QFETCH(int, textMargin);
    QFETCH(int, textTop);
    QFETCH(QRect, face);

    const CardGeometry geometry = CardGeometry::forRect(QRect(0, 0, width, width), wood);
    QCOMPARE(geometry.textMargin, textMargin);
    QCOMPARE(geometry.textTop, textTop);
    QCOMPARE(geometry.face, face);

    // The card face is painted exactly into that square of the wood.
    auto unit = makeUnit(QString(), QString(), QString(), QString());
    CardState state = plainState();
    state.woodBackground = wood;
    const QImage image = paintToImage(unit.get(), QSize(width, width), state);
    QCOMPARE(pixelBounds(image, image.rect(), exactly(FaceColor)), face);
    if (wood)
        QCOMPARE(QColor(image.pixel(face.left() - 1, face.top() - 1)), WoodColor);
}

void TestCardPainter::charactersStartAtTextTop_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("wood");
    QTest::addColumn<int>("textTop");
    QTest::addColumn<int>("textMargin");

    QTest::newRow("420 with wood") << 420 << true << 40 << 63;
    QTest::newRow("210 with wood") << 210 << true << 20 << 31;
    QTest::newRow("420 without wood") << 420 << false << 10 << 30;
}

void TestCardPainter::charactersStartAtTextTop()
{
    QFETCH(int, width);
    QFETCH(bool, wood);
    QFETCH(int, textTop);
    QFETCH(int, textMargin);

    CardState state = singleFormState();
    state.woodBackground = wood;
    auto unit = makeUnit(QStringLiteral("你好"), QString(), QStringLiteral("ni3 hao3"),
                         QStringLiteral("hello"));
    const QImage card = paintToImage(unit.get(), QSize(width, width), state);

    // The same card without characters, with "你好" drawn by hand where the layout promises:
    // a line whose box starts textTop down, centred, at a point size of a quarter of the text
    // width (the two characters fit at that size).
    auto empty =
        makeUnit(QString(), QString(), QStringLiteral("ni3 hao3"), QStringLiteral("hello"));
    QImage expected = paintToImage(empty.get(), QSize(width, width), state);
    {
        QPainter painter(&expected);
        QFont font;
        font.setFamily(ChineseFont);
        font.setPointSize((width - 2 * textMargin) / 4);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QFontMetrics metrics = painter.fontMetrics();
        const int left = (width - metrics.horizontalAdvance(QStringLiteral("你好"))) / 2;
        painter.drawText(QPoint(left, textTop + metrics.height()), QStringLiteral("你好"));
    }
    QVERIFY(countPixels(card, card.rect(), isCharacterInk) > 100);
    QCOMPARE(card, expected);
    QVERIFY(pixelBounds(card, card.rect(), isCharacterInk).top() >= textTop);
}

void TestCardPainter::bothFormsShareOneGreyParagraph_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("textMargin");
    QTest::addColumn<bool>("pinyinVisible");
    QTest::addColumn<bool>("definitionVisible");
    QTest::addColumn<QString>("paragraph");

    QTest::newRow("420") << 420 << 63 << true << true << QStringLiteral("[nǐ hǎo] hello; hi");
    QTest::newRow("210") << 210 << 31 << true << true << QStringLiteral("[nǐ hǎo] hello; hi");
    QTest::newRow("no pinyin") << 420 << 63 << false << true << QStringLiteral("hello; hi");
    QTest::newRow("no definition") << 420 << 63 << true << false << QStringLiteral("[nǐ hǎo] ");
}

void TestCardPainter::bothFormsShareOneGreyParagraph()
{
    QFETCH(int, width);
    QFETCH(int, textMargin);
    QFETCH(bool, pinyinVisible);
    QFETCH(bool, definitionVisible);
    QFETCH(QString, paragraph);

    CardState state = plainState();
    state.pinyinVisible = pinyinVisible;
    state.definitionVisible = definitionVisible;
    state.pinyinColorization = QStringLiteral("pinyin"); // never used in this layout
    auto unit = makeUnit(QStringLiteral("你们"), QStringLiteral("你們"), QStringLiteral("ni3 hao3"),
                         QStringLiteral("hello/hi"));
    const QImage card = paintToImage(unit.get(), QSize(width, width), state);

    // The paragraph is what the card has beyond the same card without texts. Its top may
    // reach into the characters' line, so it is found by difference, not by position.
    CardState charactersOnly = state;
    charactersOnly.pinyinVisible = false;
    charactersOnly.definitionVisible = false;
    const QImage bare = paintToImage(unit.get(), QSize(width, width), charactersOnly);
    const QRect ink = differenceBounds(card, bare);
    QVERIFY(!ink.isNull());
    const QRect characters =
        pixelBounds(bare, CardGeometry::forRect(bare.rect(), true).face, isInk);
    QVERIFY(ink.bottom() > characters.bottom());
    QCOMPARE(countPixels(card, ink, isColored), 0);
    // Left-aligned at the text margin (a glyph's side bearing is a pixel or two).
    QVERIFY2(ink.left() >= textMargin && ink.left() <= textMargin + 3,
             qPrintable(QString::number(ink.left())));

    // It is exactly the expected text in grey, in the Latin font at 16 points for 420 pixels,
    // drawn over the bare card.
    const QFont font = latinFont(std::max(8, int(16 * width / 420.0f)), false);
    const QRect referenceInk = paragraphInk(card.size(), font, textMargin, paragraph);
    QCOMPARE(ink.size(), referenceInk.size());
    QImage expected = bare;
    {
        QPainter painter(&expected);
        painter.translate(ink.topLeft() - referenceInk.topLeft());
        drawParagraph(&painter, card.size(), font, textMargin, paragraph);
    }
    QCOMPARE(crop(card, ink), crop(expected, ink));
}

void TestCardPainter::narrowCardKeepsEightPoints_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("30 pixels") << 30;
    QTest::newRow("24 pixels") << 24;
}

void TestCardPainter::narrowCardKeepsEightPoints()
{
    QFETCH(int, width);
    // Tall enough for the texts to have room below the tiny face.
    const QSize size(width, 200);
    CardState state = singleFormState();
    state.woodBackground = false;
    state.pinyinColorization = QStringLiteral("none");
    auto unit = makeUnit(QStringLiteral("好"), QString(), QStringLiteral("hao3"), QString());
    const QImage card = paintToImage(unit.get(), size, state);

    auto inkHeightAt8Points = [](const QFont& base, const QString& text, const QColor& color,
                                 const std::function<bool(QRgb)>& test) {
        QImage image(200, 100, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QFont font = base;
        font.setPointSize(8);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QPoint(20, 60), text);
        painter.end();
        return pixelBounds(image, image.rect(), test).size();
    };

    QFont chinese;
    chinese.setFamily(ChineseFont);
    const QRect characters = pixelBounds(card, card.rect(), isCharacterInk);
    QCOMPARE(characters.size(),
             inkHeightAt8Points(chinese, QStringLiteral("好"), Qt::black, isCharacterInk));

    auto isPinyinInk = [](QRgb p) { return isGreyAtMost(p, 200) && !isGreyAtMost(p, 140); };
    const QRect below(0, characters.bottom() + 1, width, 200 - characters.bottom() - 1);
    const QRect pinyin = pixelBounds(card, below, [&](QRgb p) { return isPinyinInk(p); });
    QCOMPARE(pinyin.height(), inkHeightAt8Points(latinFont(8, true), QStringLiteral("hǎo"),
                                                 QColor(153, 153, 153), isPinyinInk)
                                  .height());
}

void TestCardPainter::hiddenPinyinLeavesDefinitionInPlace()
{
    auto unit = makeUnit(QStringLiteral("学习"), QStringLiteral("學習"), QStringLiteral("xue2 xi2"),
                         QStringLiteral("to learn/to study"));
    CardState shown = singleFormState();
    shown.pinyinColorization = QStringLiteral("none");
    CardState hidden = shown;
    hidden.pinyinVisible = false;

    const QImage withPinyin = paintToImage(unit.get(), QSize(420, 420), shown);
    const QImage withoutPinyin = paintToImage(unit.get(), QSize(420, 420), hidden);

    // Only the pinyin rows differ; the definition below them is pixel for pixel the same.
    int firstDifferent = -1;
    int lastDifferent = -1;
    for (int y = 0; y < 420; ++y) {
        for (int x = 0; x < 420; ++x) {
            if (withPinyin.pixel(x, y) != withoutPinyin.pixel(x, y)) {
                if (firstDifferent < 0)
                    firstDifferent = y;
                lastDifferent = y;
                break;
            }
        }
    }
    QVERIFY(firstDifferent > 0);
    const QRect definitionArea(0, lastDifferent + 1, 420, 420 - lastDifferent - 1);
    const QRect definition =
        pixelBounds(withoutPinyin, definitionArea, [](QRgb p) { return isGreyAtMost(p, 100); });
    QVERIFY(!definition.isNull());
    QCOMPARE(crop(withPinyin, definitionArea), crop(withoutPinyin, definitionArea));
    // The definition is centred under the characters.
    QVERIFY(std::abs(definition.center().x() - 210) <= 2);
}

void TestCardPainter::colorizationFollowsSetting_data()
{
    QTest::addColumn<QString>("colorization");
    QTest::addColumn<bool>("colored");
    QTest::newRow("none") << QStringLiteral("none") << false;
    QTest::newRow("pinyin") << QStringLiteral("pinyin") << true;
    QTest::newRow("any other value") << QStringLiteral("tones") << true;
}

void TestCardPainter::colorizationFollowsSetting()
{
    QFETCH(QString, colorization);
    QFETCH(bool, colored);

    auto unit = makeUnit(QStringLiteral("妈麻马骂吗"), QString(),
                         QStringLiteral("ma1 ma2 ma3 ma4 ma5"), QString());
    CardState state = singleFormState();
    state.pinyinColorization = colorization;
    const QImage card = paintToImage(unit.get(), QSize(420, 420), state);

    // The characters alone, to find where the pinyin starts.
    CardState withoutPinyin = state;
    withoutPinyin.pinyinVisible = false;
    const QImage charactersOnly = paintToImage(unit.get(), QSize(420, 420), withoutPinyin);
    const QRect face = CardGeometry::forRect(card.rect(), true).face;
    const QRect characters = pixelBounds(charactersOnly, face, isInk);
    const QRect pinyinArea =
        face.intersected(QRect(0, characters.bottom() + 1, 420, 420 - characters.bottom() - 1));
    const QList<QColor> toneColors = {QColor(255, 33, 33), QColor(230, 160, 0), QColor(0, 177, 0),
                                      QColor(0, 0, 255)};
    if (!colored) {
        for (const QColor& color : toneColors)
            QCOMPARE(countPixels(card, pinyinArea, exactly(color)), 0);
        QVERIFY(countPixels(card, pinyinArea, exactly(QColor(153, 153, 153))) > 20);
        return;
    }

    // Each syllable in its tone's colour, left to right; the neutral tone in black.
    int previousLeft = -1;
    for (const QColor& color : toneColors) {
        const QRect syllable = pixelBounds(card, pinyinArea, exactly(color));
        QVERIFY2(!syllable.isNull(), qPrintable(color.name()));
        QVERIFY(syllable.left() > previousLeft);
        previousLeft = syllable.right();
    }
    const QRect neutral =
        pixelBounds(card, QRect(previousLeft + 1, pinyinArea.top(), 420, pinyinArea.height()),
                    exactly(Qt::black));
    QVERIFY(!neutral.isNull());
    // No syllable in the plain pinyin grey (the black neutral syllable's antialiased edge may
    // hold any grey, so only the coloured ones are looked at).
    const QRect colouredSyllables(pinyinArea.left(), pinyinArea.top(),
                                  previousLeft + 1 - pinyinArea.left(), pinyinArea.height());
    QCOMPARE(countPixels(card, colouredSyllables, exactly(QColor(153, 153, 153))), 0);

    // The coloured line is centred like plain pinyin.
    const QRect line = pixelBounds(card, pinyinArea, isInk);
    QVERIFY2(std::abs(line.left() - (419 - line.right())) <= 3,
             qPrintable(QStringLiteral("%1..%2").arg(line.left()).arg(line.right())));
}

void TestCardPainter::colorizedSyllablesWrapIntoCentredLines()
{
    // Twelve syllables do not fit one line of a 210-pixel card. (Syllables without descenders,
    // so that an empty pixel row separates the lines.)
    auto unit =
        makeUnit(QStringLiteral("中"), QString(),
                 QStringLiteral("ma1 ta2 la3 he4 ma1 ta2 la3 he4 ma1 ta2 la3 he4"), QString());
    CardState state = singleFormState();
    state.pinyinColorization = QStringLiteral("pinyin");
    const QImage card = paintToImage(unit.get(), QSize(210, 400), state);

    const QRect characters = pixelBounds(card, card.rect(), isCharacterInk);
    const QRect face = CardGeometry::forRect(card.rect(), true).face;
    const QRect area =
        face.intersected(QRect(0, characters.bottom() + 1, 210, 400 - characters.bottom() - 1));
    // Rows holding coloured ink come in bands separated by empty rows: one band per line.
    QList<QPair<int, int>> bands;
    bool inBand = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const bool colored =
            countPixels(card, QRect(face.left(), y, face.width(), 1), isColored) > 0;
        if (colored && !inBand)
            bands.append({y, y});
        if (colored)
            bands.last().second = y;
        inBand = colored;
    }
    QVERIFY2(bands.size() >= 2, qPrintable(QString::number(bands.size())));
    const int textMargin = 31;
    for (const auto& band : bands) {
        const QRect line = pixelBounds(
            card, QRect(face.left(), band.first, face.width(), band.second - band.first + 1),
            isColored);
        QVERIFY(line.left() >= textMargin - 1);
        QVERIFY(line.right() <= 210 - textMargin);
        QVERIFY2(std::abs(line.left() - (209 - line.right())) <= 4,
                 qPrintable(QStringLiteral("%1..%2").arg(line.left()).arg(line.right())));
    }
}

void TestCardPainter::deckShowsCentredTitle()
{
    Deck deck(nullptr);
    deck.setTitle(QStringLiteral("Kitchen words"));
    const QImage card = paintToImage(&deck, QSize(300, 300), plainState());

    const QRect face = CardGeometry::forRect(QRect(0, 0, 300, 300), true).face;
    const QRect title = pixelBounds(card, face, isInk);
    QVERIFY(!title.isNull());
    QVERIFY2(std::abs(title.center().x() - 150) <= 2,
             qPrintable(QString::number(title.center().x())));
    QVERIFY2(std::abs(title.center().y() - 150) <= 3,
             qPrintable(QString::number(title.center().y())));
    // Black bold title, nothing else: no grey lines, no colours.
    QVERIFY(countPixels(card, face, isCharacterInk) > 30);
    QCOMPARE(countPixels(card, face, isColored), 0);
    // One line, the height of the title font.
    QVERIFY(title.height() < QFontMetrics(latinFont(12, true)).height() * 2);
}

void TestCardPainter::selectedFaceIsTintedOnceAndCached()
{
    auto unit = makeUnit(QString(), QString(), QString(), QString());
    CardPainterFlags selected;
    selected.selected = true;
    const QImage plain = paintToImage(unit.get(), QSize(420, 420), plainState());
    const QImage first = paintToImage(unit.get(), QSize(420, 420), plainState(), selected);

    // White tinted with the selection blue (0, 159, 255) at 20 %.
    const QColor tinted = first.pixelColor(200, 200);
    QVERIFY(qAbs(tinted.red() - 204) <= 1);
    QVERIFY(qAbs(tinted.green() - 236) <= 1);
    QCOMPARE(tinted.blue(), 255);
    QCOMPARE(plain.pixelColor(200, 200), QColor(Qt::white));
    // The wood around the face is not tinted.
    QCOMPARE(first.pixelColor(5, 5), WoodColor);

    const QString key = QStringLiteral("%1_sel").arg(cardFaceImage().cacheKey());
    QPixmap cached;
    QVERIFY(QPixmapCache::find(key, &cached));
    const qint64 cachedKey = cached.cacheKey();
    const QImage second = paintToImage(unit.get(), QSize(210, 210), plainState(), selected);
    QPixmap again;
    QVERIFY(QPixmapCache::find(key, &again));
    QCOMPARE(again.cacheKey(), cachedKey);
    QCOMPARE(second.pixelColor(100, 100), tinted);
}

void TestCardPainter::plainBackgroundReplacesImages()
{
    auto unit = makeUnit(QString(), QString(), QString(), QString());
    CardState state = plainState();
    state.cardBackground = false;
    state.backgroundColor = QColor(250, 240, 200);
    const QImage card = paintToImage(unit.get(), QSize(200, 200), state);
    // The colour covers the whole rectangle, the wood included.
    QCOMPARE(countPixels(card, card.rect(), exactly(state.backgroundColor)), 200 * 200);
}

void TestCardPainter::watermarkSitsInBottomRightCorner()
{
    auto unit =
        makeUnit(QStringLiteral("书"), QString(), QStringLiteral("shu1"), QStringLiteral("book"));
    CardState state = singleFormState();
    state.woodBackground = false;
    state.watermark = true;
    const QImage card = paintToImage(unit.get(), QSize(420, 420), state);

    // Height min(30 x scale, 50) = 30, kept in proportion, inset min(30, 10) = 10 from the
    // bottom-right corner, half transparent.
    const QPixmap& mark = printWatermarkImage();
    const int markWidth = int(30 * (double(mark.width()) / mark.height()));
    const QRect expected(420 - 10 - markWidth, 420 - 10 - 30, markWidth, 30);
    const QRect area(200, 300, 220, 120);
    const QRect ink = pixelBounds(card, area, isInk);
    QVERIFY(!ink.isNull());
    QVERIFY2(expected.contains(ink), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                    .arg(ink.x())
                                                    .arg(ink.y())
                                                    .arg(ink.width())
                                                    .arg(ink.height())));
    QVERIFY(ink.width() > markWidth / 2);
    // Half opacity: no pixel is as dark as the mark's own ink.
    QVERIFY(pixelBounds(card, expected, [](QRgb p) { return qGray(p) < 100; }).isNull());

    state.watermark = false;
    const QImage plain = paintToImage(unit.get(), QSize(420, 420), state);
    QVERIFY(pixelBounds(plain, area, isInk).isNull());
}

void TestCardPainter::leavesPainterStateUnchanged()
{
    QImage image(300, 300, QImage::Format_ARGB32);
    QPainter painter(&image);
    const QFont font(QStringLiteral("DejaVu Serif"), 21);
    painter.setFont(font);
    painter.setPen(QColor(1, 2, 3));
    painter.setBrush(QColor(4, 5, 6));
    painter.setOpacity(0.7);
    auto unit =
        makeUnit(QStringLiteral("书"), QString(), QStringLiteral("shu1"), QStringLiteral("book"));
    CardState state = singleFormState();
    state.watermark = true;
    state.letterSpacing = 120;
    paintCard(unit.get(), &painter, QRect(0, 0, 300, 300), state);
    QCOMPARE(painter.font(), font);
    QCOMPARE(painter.pen().color(), QColor(1, 2, 3));
    QCOMPARE(painter.brush().color(), QColor(4, 5, 6));
    QCOMPARE(painter.opacity(), 0.7);
}

void TestCardPainter::fitFontSizeFindsLargestFittingSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxWidth");
    QTest::addColumn<int>("startSize");
    QTest::addColumn<int>("step");

    QTest::newRow("fits at start") << QStringLiteral("好") << 300 << 40 << 2;
    QTest::newRow("shrinks") << QStringLiteral("图书馆工作人员") << 200 << 60 << 2;
    QTest::newRow("step below one") << QStringLiteral("图书馆") << 50 << 20 << 0;
    QTest::newRow("never fits") << QStringLiteral("图书馆工作人员") << 3 << 30 << 3;
}

void TestCardPainter::fitFontSizeFindsLargestFittingSize()
{
    QFETCH(QString, text);
    QFETCH(int, maxWidth);
    QFETCH(int, startSize);
    QFETCH(int, step);

    QImage image(10, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    QFont font;
    font.setFamily(ChineseFont);
    font.setPointSize(11);
    painter.setFont(font);

    const int size = fitFontSize(&painter, text, maxWidth, startSize, step);
    QCOMPARE(painter.font(), font);

    auto widthAt = [&](int pointSize) {
        QFont sized = font;
        sized.setPointSize(pointSize);
        return QFontMetrics(sized, &image).horizontalAdvance(text);
    };
    if (widthAt(2) > maxWidth) {
        // Nothing fits: the painter's own size comes back.
        QCOMPARE(size, 11);
        return;
    }
    const int effectiveStep = std::max(1, step);
    QVERIFY(size <= startSize);
    QVERIFY(widthAt(size) <= maxWidth);
    if (size < startSize)
        QVERIFY(widthAt(size + effectiveStep) > maxWidth);
}

void TestCardPainter::wholeLineHeightCountsWholeLines_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("extra");
    QTest::addColumn<int>("expectedLines");

    QTest::newRow("exactly three lines") << 3 << 0 << 3;
    QTest::newRow("three lines and a bit") << 3 << 5 << 3;
    QTest::newRow("just short of two") << 2 << -1 << 1;
    QTest::newRow("less than one line") << 0 << 3 << 1;
}

void TestCardPainter::wholeLineHeightCountsWholeLines()
{
    QFETCH(int, lines);
    QFETCH(int, extra);
    QFETCH(int, expectedLines);

    QImage image(10, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.setFont(latinFont(14, false));
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineStep = metrics.leading() + metrics.height();
    const int oneLine = metrics.height();
    const int maxHeight = lines > 0 ? oneLine + (lines - 1) * lineStep + extra : extra;
    QCOMPARE(wholeLineHeight(&painter, maxHeight), oneLine + (expectedLines - 1) * lineStep);
}

void TestCardPainter::watermarkIsEmbedded()
{
    initCardResources();
    QImage image(QStringLiteral(":/images/PrintWatermark.png"));
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > image.height());
    QVERIFY(image.hasAlphaChannel());
}

QTEST_MAIN(TestCardPainter)
#include "tst_cardpainter.moc"
