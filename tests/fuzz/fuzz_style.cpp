// The style sheet on any text, with the user's overrides. The input is the sheet, optionally
// followed by a line "%%" and the overrides (the JSON text of the setting "overridenStyle").
// Checks: the overrides change only properties the sheet defines and loadedData() keeps the
// sheet as loaded; every section handed out shows exactly the sheet's object of that name (an
// empty style for a name the sheet lacks), also when other names were asked for first; base
// chains end; lookups, fonts, shadows and effects work on whatever the sheet holds.

#include "fuzzsupport.h"
#include "style/style.h"
#include "text/json.h"

#include <QGuiApplication>
#include <QImage>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>

using korvo::Style;

namespace {

bool isObject(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantMap;
}

// The merged content has the sheet's sections and properties, each either as loaded or replaced
// by the override of a property that had a value.
void checkMerge(const QVariant& loaded, const QVariant& merged, const QVariant& overrides)
{
    if (!isObject(loaded)) {
        FUZZ_CHECK(merged == loaded);
        return;
    }
    const QVariantMap sheet = loaded.toMap();
    const QVariantMap result = merged.toMap();
    const QVariantMap changes = isObject(overrides) ? overrides.toMap() : QVariantMap();
    FUZZ_CHECK(result.keys() == sheet.keys());
    for (auto s = sheet.cbegin(); s != sheet.cend(); ++s) {
        const QVariant mergedSection = result.value(s.key());
        if (!isObject(s.value()) || !isObject(changes.value(s.key()))) {
            FUZZ_CHECK(mergedSection == s.value());
            continue;
        }
        const QVariantMap properties = s.value().toMap();
        const QVariantMap mergedProperties = mergedSection.toMap();
        const QVariantMap changed = changes.value(s.key()).toMap();
        FUZZ_CHECK(mergedProperties.keys() == properties.keys());
        for (auto p = properties.cbegin(); p != properties.cend(); ++p) {
            const QVariant now = mergedProperties.value(p.key());
            if (now != p.value())
                FUZZ_CHECK(!p.value().isNull() && changed.contains(p.key()) &&
                           now == changed.value(p.key()));
        }
    }
}

void exerciseLookups(const Style* style, const QStringList& keys)
{
    QImage image(3, 3, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    for (const QString& key : keys) {
        (void)style->value(key);
        (void)style->stringValue(key, QStringLiteral("x"));
        (void)style->intValue(key, 7);
        (void)style->boolValue(key, true);
        (void)style->floatValue(key, 0.5);
        (void)style->colorValue(key, Qt::red);
        const korvo::StyleEffect effect = style->effect(key);
        Style::applyEffect(image, effect);
    }
    (void)style->font();
    (void)style->shadow(QStringLiteral("font"));
    (void)style->shadow(QStringLiteral("icon"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzsupport::quietQtMessages();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps the argument count by reference for the application's whole life.
    static int count = 1;
    static char name[] = "fuzz_style";
    static char* arguments[] = {name, nullptr};
    (void)argc;
    (void)argv;
    new QGuiApplication(count, arguments);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = fuzzsupport::utf8Text(data, size);
    const qsizetype split = input.indexOf(QLatin1String("\n%%\n"));
    const QString sheetText = split < 0 ? input : input.left(split);
    const QString overrideText = split < 0 ? QString() : input.mid(split + 4);

    Style root;
    const bool loaded = root.loadText(sheetText);
    FUZZ_CHECK(loaded || root.isEmpty());
    const QVariant sheet = root.data();
    root.applyOverrides(overrideText);
    FUZZ_CHECK(root.loadedData() == sheet);
    bool overridesOk = false;
    const QVariant overrides = korvo::readJson(overrideText, &overridesOk);
    if (overridesOk)
        checkMerge(sheet, root.data(), overrides);
    else
        FUZZ_CHECK(root.data() == sheet);

    // Names the sheet defines, names it only refers to as bases, and names it lacks, in an
    // order that asks for missing ones before the defined ones.
    QStringList names{QStringLiteral("Application"), QStringLiteral("Card"),
                      QStringLiteral("\x01missing"), QString(), QStringLiteral("a.b")};
    QStringList keys{QStringLiteral("base"), QStringLiteral("fontSize"), QStringLiteral("color"),
                     QStringLiteral("effect")};
    const QVariantMap sections = root.data().toMap();
    for (auto s = sections.cbegin(); s != sections.cend() && names.size() < 64; ++s) {
        names << s.key();
        const QVariantMap properties = s.value().toMap();
        for (auto p = properties.cbegin(); p != properties.cend() && keys.size() < 64; ++p) {
            keys << p.key();
            if (p.key() == QLatin1String("base"))
                names << p.value().toString();
        }
    }

    QList<Style*> handedOut;
    for (const QString& name : std::as_const(names)) {
        Style* section = root.section(name);
        FUZZ_CHECK(section);
        const QVariant content = root.value(name);
        if (isObject(content)) {
            FUZZ_CHECK(section->data() == content);
        } else {
            FUZZ_CHECK(section->isEmpty());
            FUZZ_CHECK(!section->parentStyle());
        }
        handedOut << section;
        exerciseLookups(section, keys);
    }
    // Asking again gives the same objects.
    for (qsizetype i = 0; i < names.size(); ++i)
        FUZZ_CHECK(root.section(names.at(i)) == handedOut.at(i));
    exerciseLookups(&root, keys);
    return 0;
}
