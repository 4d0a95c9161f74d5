// The JSON reader on any text, and the writer on whatever the reader gives: the written text is
// ASCII, reads back without error to the same tree and writes again to the same bytes. The input
// is tried twice, as UTF-8 (how every file is decoded) and as raw UTF-16 code units (how text
// handed over inside the program arrives, unpaired surrogates included).

#include "fuzzsupport.h"
#include "text/json.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>

namespace {

bool isValidUtf16(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return false;
    }
    return true;
}

// Every text of the tree, keys included, is valid UTF-16.
void checkTexts(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        FUZZ_CHECK(isValidUtf16(value.toString()));
        break;
    case QMetaType::QVariantList:
        for (const QVariant& item : value.toList())
            checkTexts(item);
        break;
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            FUZZ_CHECK(isValidUtf16(it.key()));
            checkTexts(it.value());
        }
        break;
    }
    default:
        break;
    }
}

void roundTrip(const QString& text)
{
    bool ok = false;
    const QVariant value = korvo::readJson(text, &ok);
    checkTexts(value);

    bool written = false;
    const QByteArray json = korvo::writeJson(value, &written);
    FUZZ_CHECK(written);
    for (const char c : json)
        FUZZ_CHECK(c >= 32 && c <= 126);

    bool readBack = false;
    const QVariant again = korvo::readJson(QString::fromUtf8(json), &readBack);
    FUZZ_CHECK(readBack);
    FUZZ_CHECK(again == value);
    FUZZ_CHECK(korvo::writeJson(again) == json);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::quietQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    roundTrip(fuzzsupport::utf8Text(data, size));
    roundTrip(fuzzsupport::rawUtf16Text(data, size));
    return 0;
}
