#include "style/style.h"
#include "text/translationcatalogue.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using korvo::Style;
using korvo::StyleEffect;

namespace {

const char* const sheet = R"({
    "Base": {"fontSize": 20, "fontFamily": "Serif", "color": "#336699"},
    "Child": {"base": "Base", "fontWeight": "BOLD"},
    "Grandchild": {"base": "Child", "fontSize": 9},
    "Broken": {"fontSize": "large", "width": "wide", "height": 30},
    "LoopA": {"base": "LoopB", "fontSize": 11},
    "LoopB": {"base": "LoopA", "fontFamily": "Mono"},
    "Self": {"base": "Self", "fontSize": 13},
    "Nested": {"size": {"small": 4}, "count": 5},
    "Effects": {"effect": "whiten,0.3,1,2,3,4,5", "rolloverEffect": "blur,0.5",
                "mouseDownEffect": "darken,0.5"},
    "Shadows": {"fontShadow": true, "fontShadowColor": "#ff0000", "fontShadowY": 2,
                "iconShadowColor": "#00ff00"},
    "Card": {"selectionColor": "#102030", "color": "#000000", "editable": "color",
             "title": "Cards"}
})";

Style* makeRoot()
{
    auto* style = new Style();
    style->loadText(QString::fromUtf8(sheet));
    return style;
}

} // namespace

class TestStyle : public QObject
{
    Q_OBJECT

private slots:
    void sectionInheritsFromBase_data();
    void sectionInheritsFromBase();
    void loopingBaseChainStops();
    void typedLookupsConvertOrFallBack();
    void fontReadsSizeFamilyAndWeight();
    void missingSectionIsEmptyAndShared();
    void anyNameCanBeASection_data();
    void anyNameCanBeASection();
    void emptyStyleGivesDefaultsEverywhere();
    void shadowReadsOnlyWhenEnabled();
    void effectKeepsFourArguments();
    void whitenAndDarkenTintOpaquePixelsOnly();
    void unknownEffectDoesNothing();
    void overridesReplaceOnlyDefinedProperties();
    void malformedOrEmptyOverridesChangeNothing();
    void sectionsFetchedBeforeOverridesKeepOldValues();
    void applyToWidgetSetsSizeFontAndColour();
    void applyToPainterDefaultsToBlack();
    void messageLabelHasFixedLook();
    void rootLoadsFromSkinFolder();
};

void TestStyle::sectionInheritsFromBase_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("inherited size") << "Child"
                                    << "fontSize"
                                    << "20";
    QTest::newRow("own weight") << "Child"
                                << "fontWeight"
                                << "BOLD";
    QTest::newRow("own size wins") << "Grandchild"
                                   << "fontSize"
                                   << "9";
    QTest::newRow("two levels up") << "Grandchild"
                                   << "fontFamily"
                                   << "Serif";
    QTest::newRow("one level up") << "Grandchild"
                                  << "fontWeight"
                                  << "BOLD";
    QTest::newRow("missing everywhere") << "Grandchild"
                                        << "paddingLeft"
                                        << "";
    QTest::newRow("nested path") << "Nested"
                                 << "size.small"
                                 << "4";
    QTest::newRow("path through a number") << "Nested"
                                           << "count.small"
                                           << "";
    QTest::newRow("section path from root") << "Nested.size"
                                            << "small"
                                            << "4";
}

void TestStyle::sectionInheritsFromBase()
{
    QFETCH(QString, section);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    std::unique_ptr<Style> root(makeRoot());
    Style* style = root->section(section);
    QVERIFY(style);
    QCOMPARE(style->stringValue(path, QString()), expected);
    QCOMPARE(root->section(section), style); // cached
}

void TestStyle::loopingBaseChainStops()
{
    std::unique_ptr<Style> root(makeRoot());
    Style* a = root->section("LoopA");
    QCOMPARE(a->intValue("fontSize", 0), 11);
    QCOMPARE(a->stringValue("fontFamily"), QString("Mono"));
    // The looping base was cut, so a missing property ends at the default.
    QCOMPARE(a->intValue("paddingLeft", 7), 7);
    Style* b = root->section("LoopB");
    QCOMPARE(b->stringValue("fontFamily"), QString("Mono"));
    QCOMPARE(b->intValue("paddingLeft", 7), 7);

    Style* self = root->section("Self");
    QVERIFY(!self->parentStyle());
    QCOMPARE(self->intValue("fontSize", 0), 13);
    QCOMPARE(self->intValue("missing", 3), 3);
}

void TestStyle::typedLookupsConvertOrFallBack()
{
    std::unique_ptr<Style> root(makeRoot());
    Style* broken = root->section("Broken");
    // A value that is present but not a number converts to 0; the default is for absent values.
    QCOMPARE(broken->intValue("fontSize", 12), 0);
    QCOMPARE(broken->intValue("missing", 12), 12);
    QCOMPARE(broken->floatValue("fontSize", 1.5), 0.0);
    QCOMPARE(root->section("Base")->colorValue("color"), QColor(0x33, 0x66, 0x99));
    QVERIFY(!root->section("Broken")->colorValue("fontSize", Qt::red).isValid());
    QCOMPARE(broken->colorValue("missing", Qt::red), QColor(Qt::red));
    QCOMPARE(root->section("Shadows")->boolValue("fontShadow", false), true);
    QCOMPARE(root->section("Effects")->floatValue("missing", 0.25), 0.25);
    QVERIFY(root->section("Nested")->value("nothing").isNull());
}

void TestStyle::fontReadsSizeFamilyAndWeight()
{
    std::unique_ptr<Style> root(makeRoot());
    const QFont child = root->section("Child")->font();
    QCOMPARE(child.pointSize(), 20);
    QCOMPARE(child.family(), QString("Serif"));
    QVERIFY(child.bold()); // "BOLD" in capitals still counts

    const QFont plain = root->section("Base")->font();
    QVERIFY(!plain.bold());

    const QFont defaults = root->section("Nested")->font();
    QCOMPARE(defaults.pointSize(), 12);
    QCOMPARE(defaults.family(), QString("Arial"));

    // Chinese in the interface falls back to the sans CJK font of the interface's script, never
    // to whatever CJK font the system would pick (often a brush-style one).
    QCOMPARE(child.families(), (QStringList{"Serif", "Noto Sans CJK SC"}));
    korvo::TranslationCatalogue::instance()->setLocale("zh_TW");
    QCOMPARE(root->section("Child")->font().families(), (QStringList{"Serif", "Noto Sans CJK TC"}));
    Style::applyInterfaceFont();
    QCOMPARE(QApplication::font().families().value(1), QStringLiteral("Noto Sans CJK TC"));
    korvo::TranslationCatalogue::instance()->setLocale("en");
    Style::applyInterfaceFont();
    QCOMPARE(QApplication::font().families().value(1), QStringLiteral("Noto Sans CJK SC"));
}

void TestStyle::missingSectionIsEmptyAndShared()
{
    std::unique_ptr<Style> root(makeRoot());
    Style* missing = root->section("NoSuchSection");
    QVERIFY(missing);
    QVERIFY(missing->isEmpty());
    QCOMPARE(missing->intValue("fontSize", 12), 12);
    // A property that is not an object is not a section either.
    QVERIFY(root->section("Nested.count")->isEmpty());
}

void TestStyle::anyNameCanBeASection_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("control character") << QStringLiteral("\x01missing");
    QTest::newRow("empty") << QString();
    QTest::newRow("looks internal") << QStringLiteral("__missing__");
}

void TestStyle::anyNameCanBeASection()
{
    // A sheet may name a section anything. Missing sections asked for before or after it must
    // neither take its properties nor hide them.
    QFETCH(QString, name);
    QVariantMap sheet;
    sheet.insert(name, QVariantMap{{"fontSize", 40}});
    sheet.insert("Card", QVariantMap{{"color", "#123456"}});
    for (const bool namedFirst : {false, true}) {
        Style root{QVariant(sheet)};
        if (namedFirst)
            QCOMPARE(root.section(name)->intValue("fontSize", 12), 40);
        Style* missing = root.section("NoSuchSection");
        QVERIFY(missing->isEmpty());
        QCOMPARE(missing->intValue("fontSize", 12), 12);
        QCOMPARE(root.section(name)->intValue("fontSize", 12), 40);
        QCOMPARE(root.section("Other")->intValue("fontSize", 12), 12);
        QCOMPARE(root.section("Card")->colorValue("color"), QColor("#123456"));
        QCOMPARE(root.section("Card")->intValue("fontSize", 12), 12);
    }
}

void TestStyle::emptyStyleGivesDefaultsEverywhere()
{
    Style style;
    QVERIFY(!style.loadFile("/nonexistent/style.json"));
    QVERIFY(style.isEmpty());
    Style* section = style.section("Card");
    QVERIFY(section);
    QCOMPARE(section->font().pointSize(), 12);
    QCOMPARE(section->colorValue("selectionColor", QColor(0, 159, 255)), QColor(0, 159, 255));
    QVERIFY(!style.loadText("{not json"));
    QVERIFY(style.isEmpty());
}

void TestStyle::shadowReadsOnlyWhenEnabled()
{
    std::unique_ptr<Style> root(makeRoot());
    const korvo::StyleShadow font = root->section("Shadows")->shadow("font");
    QVERIFY(font.enabled);
    QCOMPARE(font.color, QColor(255, 0, 0));
    QCOMPARE(font.offsetY, 2);
    QCOMPARE(font.offsetX, 0);

    const korvo::StyleShadow icon = root->section("Shadows")->shadow("icon");
    QVERIFY(!icon.enabled);
    QCOMPARE(icon.color, QColor(0, 0, 0)); // colour not read while disabled
    QCOMPARE(icon.offsetY, 1);
}

void TestStyle::effectKeepsFourArguments()
{
    std::unique_ptr<Style> root(makeRoot());
    const StyleEffect effect = root->section("Effects")->effect("effect");
    QVERIFY(!effect.isNull);
    QCOMPARE(effect.name, QString("whiten"));
    QCOMPARE(effect.arguments[0].toDouble(), 0.3);
    QCOMPARE(effect.arguments[3].toInt(), 3);
    QVERIFY(root->section("Effects")->effect("missing").isNull);
}

void TestStyle::whitenAndDarkenTintOpaquePixelsOnly()
{
    std::unique_ptr<Style> root(makeRoot());
    QImage image(4, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setPixelColor(0, 0, QColor(0, 0, 0));
    image.setPixelColor(1, 0, QColor(200, 100, 0));

    QImage whitened = image;
    Style::applyEffect(whitened, root->section("Effects")->effect("effect"));
    // 0.3 of white over black is about 77.
    QVERIFY(qAbs(whitened.pixelColor(0, 0).red() - 77) <= 2);
    QCOMPARE(whitened.pixelColor(0, 0).alpha(), 255);
    QCOMPARE(whitened.pixelColor(3, 0).alpha(), 0); // transparent stays transparent

    QImage darkened = image;
    Style::applyEffect(darkened, root->section("Effects")->effect("mouseDownEffect"));
    QVERIFY(qAbs(darkened.pixelColor(1, 0).red() - 100) <= 2);
    QCOMPARE(darkened.pixelColor(3, 0).alpha(), 0);
}

void TestStyle::unknownEffectDoesNothing()
{
    std::unique_ptr<Style> root(makeRoot());
    QImage image(2, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(10, 20, 30));
    const QImage before = image;
    const StyleEffect blur = root->section("Effects")->effect("rolloverEffect");
    QVERIFY(!blur.isNull);
    Style::applyEffect(image, blur);
    QCOMPARE(image, before);
}

void TestStyle::overridesReplaceOnlyDefinedProperties()
{
    std::unique_ptr<Style> root(makeRoot());
    root->applyOverrides(R"({"Card": {"color": "#ff0000", "fontSize": 30},
                            "Unknown": {"color": "#00ff00"}})");
    Style* card = root->section("Card");
    QCOMPARE(card->colorValue("color"), QColor(255, 0, 0));
    QCOMPARE(card->intValue("fontSize", 12), 12); // not in the sheet: ignored
    QVERIFY(root->section("Unknown")->isEmpty());
    const QVariantMap loaded = root->loadedData().toMap();
    QCOMPARE(loaded.value("Card").toMap().value("color").toString(), QString("#000000"));
    QVERIFY(!root->data().toMap().contains("Unknown"));
}

void TestStyle::malformedOrEmptyOverridesChangeNothing()
{
    for (const QString& text :
         {QString("{}"), QString("{broken"), QString("[1,2]"), QString(R"({"Card": "red"})")}) {
        std::unique_ptr<Style> root(makeRoot());
        const QVariant before = root->data();
        root->applyOverrides(text);
        QCOMPARE(root->data(), before);
        QCOMPARE(root->loadedData(), before);
    }
    Style empty;
    empty.applyOverrides(R"({"Card": {"color": "#ff0000"}})");
    QVERIFY(empty.isEmpty());
}

void TestStyle::sectionsFetchedBeforeOverridesKeepOldValues()
{
    std::unique_ptr<Style> root(makeRoot());
    Style* before = root->section("Base");
    root->applyOverrides(R"({"Base": {"fontSize": 40}})");
    QCOMPARE(before->intValue("fontSize", 0), 20);
    QCOMPARE(root->value("Base.fontSize").toInt(), 40);
}

void TestStyle::applyToWidgetSetsSizeFontAndColour()
{
    std::unique_ptr<Style> root(makeRoot());
    QLabel label;
    label.resize(50, 60);
    root->section("Broken")->applyToWidget(&label);
    QCOMPARE(label.size(), QSize(50, 30)); // "wide" does not convert, 30 does
    root->section("Child")->applyToWidget(&label);
    QCOMPARE(label.font().pointSize(), 20);
    QCOMPARE(label.palette().color(QPalette::WindowText), QColor(0x33, 0x66, 0x99));
}

void TestStyle::applyToPainterDefaultsToBlack()
{
    std::unique_ptr<Style> root(makeRoot());
    QImage image(10, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    root->section("Nested")->applyToPainter(&painter);
    QCOMPARE(painter.pen().color(), QColor(0, 0, 0));
    root->section("Child")->applyToPainter(&painter);
    QCOMPARE(painter.pen().color(), QColor(0x33, 0x66, 0x99));
    QCOMPARE(painter.font().pointSize(), 20);
}

void TestStyle::messageLabelHasFixedLook()
{
    QLabel label;
    Style::styleMessageLabel(&label);
    QVERIFY(label.wordWrap());
    QCOMPARE(label.alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    QCOMPARE(label.font().pointSize(), 14);
    QCOMPARE(label.palette().color(QPalette::WindowText), QColor(0x4d, 0x4d, 0x4d));
}

void TestStyle::rootLoadsFromSkinFolder()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("style.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(sheet);
    file.close();
    Style::destroyRoot();
    Style::setSkinFolder(dir.path());
    QCOMPARE(Style::cardStyle()->colorValue("selectionColor"), QColor(0x10, 0x20, 0x30));
    QCOMPARE(Style::cardStyle(), Style::root()->section("Card"));
    QCOMPARE(Style::skinFile("a.png"), dir.path() + "/a.png");
    Style::destroyRoot();
    Style::setSkinFolder(dir.path() + "/missing");
    QVERIFY(Style::root()->isEmpty());
    Style::destroyRoot();
}

QTEST_MAIN(TestStyle)
#include "tst_style.moc"
