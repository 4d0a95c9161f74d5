#include "text/textfiledecoder.h"

#include <QStringDecoder>

namespace korvo {

namespace {

bool startsWith(const QByteArray& bytes, const char* prefix, int length)
{
    return bytes.size() >= length && memcmp(bytes.constData(), prefix, size_t(length)) == 0;
}

// Whether the bytes decode without a single error.
bool decodesCleanly(const QByteArray& bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

bool decodesCleanly(const QByteArray& bytes, const char* name)
{
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return false;
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// UTF-16 without a byte order mark: the ASCII characters (tabs, commas, digits, Latin text)
// that every card file has leave a zero byte beside them, always on the same side.
TextFileDecoder::Encoding utf16ByZeroBytes(const QByteArray& bytes)
{
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return TextFileDecoder::Unknown;
    const qsizetype pairs = qMin<qsizetype>(bytes.size() / 2, 4096);
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        evenZeros += bytes.at(2 * i) == '\0';
        oddZeros += bytes.at(2 * i + 1) == '\0';
    }
    // A quarter of the characters ASCII, and the zero bytes nearly all on that side (a few on
    // the other come from characters such as U+4E00).
    if (oddZeros * 4 >= pairs && evenZeros * 8 < oddZeros)
        return TextFileDecoder::Utf16LittleEndian;
    if (evenZeros * 4 >= pairs && oddZeros * 8 < evenZeros)
        return TextFileDecoder::Utf16BigEndian;
    return TextFileDecoder::Unknown;
}

// The bytes are the whole text: a sequence cut off at their end is an error (and U+FFFD), not
// the start of a character that more bytes would complete.
constexpr QStringConverter::Flags Whole = QStringConverter::Flag::Stateless;

} // namespace

TextFileDecoder::Encoding TextFileDecoder::detect(const QByteArray& bytes)
{
    if (startsWith(bytes, "\xEF\xBB\xBF", 3))
        return Utf8;
    if (startsWith(bytes, "\xFF\xFE", 2))
        return Utf16LittleEndian;
    if (startsWith(bytes, "\xFE\xFF", 2))
        return Utf16BigEndian;
    const Encoding utf16 = utf16ByZeroBytes(bytes);
    if (utf16 != Unknown)
        return utf16;
    if (decodesCleanly(bytes, QStringConverter::Utf8))
        return Utf8;
    if (decodesCleanly(bytes, "GB18030"))
        return Gb18030;
    return Unknown;
}

bool TextFileDecoder::decode(const QByteArray& bytes, QString* text, Encoding* encoding,
                             Errors errors)
{
    const Encoding found = detect(bytes);
    if (encoding)
        *encoding = found;
    QStringDecoder decoder;
    switch (found) {
    case Unknown:
        return false;
    case Utf8:
        decoder = QStringDecoder(QStringConverter::Utf8, Whole);
        break;
    case Utf16LittleEndian:
        decoder = QStringDecoder(QStringConverter::Utf16LE, Whole);
        break;
    case Utf16BigEndian:
        decoder = QStringDecoder(QStringConverter::Utf16BE, Whole);
        break;
    case Gb18030:
        decoder = QStringDecoder("GB18030", Whole);
        break;
    }
    QString result = decoder.decode(bytes);
    if (errors == RefuseErrors && decoder.hasError())
        return false;
    // The decoders keep a byte order mark as U+FEFF.
    if (result.startsWith(QChar(0xFEFF)))
        result.remove(0, 1);
    if (text)
        *text = result;
    return true;
}

QString TextFileDecoder::encodingName(Encoding encoding)
{
    switch (encoding) {
    case Utf8:
        return QStringLiteral("UTF-8");
    case Utf16LittleEndian:
        return QStringLiteral("UTF-16LE");
    case Utf16BigEndian:
        return QStringLiteral("UTF-16BE");
    case Gb18030:
        return QStringLiteral("GB18030");
    case Unknown:
        break;
    }
    return QString();
}

} // namespace korvo
