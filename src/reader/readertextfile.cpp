#include "reader/readertextfile.h"

#include "text/textfiledecoder.h"
#include "text/translationcatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextDocumentFragment>

namespace korvo {

namespace {

// More control characters than this share of the text (besides tabs and line breaks) make it
// a binary file; a NUL always does.
constexpr qsizetype ControlCharacterShare = 100;

bool looksBinary(const QString& text)
{
    qsizetype controls = 0;
    for (const QChar c : text) {
        if (c.unicode() == 0)
            return true;
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t') &&
            c != QLatin1Char('\n') && c != QLatin1Char('\r') && c != QLatin1Char('\f') &&
            c != QLatin1Char('\v'))
            ++controls;
    }
    return controls * ControlCharacterShare > text.size();
}

QString tooLarge()
{
    return translate("it is larger than %1 MB").arg(ReaderTextFile::MaxFileSize / (1024 * 1024));
}

} // namespace

ReaderTextFile::Result ReaderTextFile::read(const QString& path)
{
    Result result;
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        result.problem = translate("it cannot be read");
        return result;
    }
    if (file.size() > MaxFileSize) {
        result.problem = tooLarge();
        return result;
    }
    // One byte more than allowed tells a file that grew since its size was read.
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize) {
        result.problem = tooLarge();
        return result;
    }
    return fromBytes(bytes, looksLikeHtml(path, bytes.left(512)));
}

bool ReaderTextFile::looksLikeHtml(const QString& path, const QByteArray& start)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm") ||
        suffix == QLatin1String("xhtml"))
        return true;
    const QByteArray head = start.trimmed().left(64).toLower();
    return head.startsWith("<!doctype html") || head.startsWith("<html");
}

ReaderTextFile::Result ReaderTextFile::fromBytes(const QByteArray& bytes, bool html)
{
    Result result;
    if (bytes.trimmed().isEmpty()) {
        result.problem = translate("it is empty");
        return result;
    }
    QString text;
    TextFileDecoder::Encoding encoding = TextFileDecoder::Unknown;
    const bool utf16 = TextFileDecoder::detect(bytes) == TextFileDecoder::Utf16LittleEndian ||
                       TextFileDecoder::detect(bytes) == TextFileDecoder::Utf16BigEndian;
    if (!utf16 && bytes.contains('\0')) {
        result.problem = translate("it is not a text file");
        return result;
    }
    if (!TextFileDecoder::decode(bytes, &text, &encoding, TextFileDecoder::RefuseErrors)) {
        result.problem = translate("it is not text in UTF-8, UTF-16 or GB18030");
        return result;
    }
    if (looksBinary(text)) {
        result.problem = translate("it is not a text file");
        return result;
    }
    return fromText(html ? htmlText(text) : text);
}

ReaderTextFile::Result ReaderTextFile::fromText(const QString& text)
{
    Result result;
    if (text.trimmed().isEmpty()) {
        result.problem = translate("it is empty");
    } else if (text.size() > MaxFileSize / 3 && text.toUtf8().size() > MaxFileSize) {
        result.problem = tooLarge();
    } else if (looksBinary(text)) {
        result.problem = translate("it is not a text file");
    } else {
        result.text = text;
        // Windows and old Mac line ends read as one break each.
        result.text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        result.text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    return result;
}

QString ReaderTextFile::htmlText(const QString& html)
{
    static const QRegularExpression hidden(
        QStringLiteral("<(script|style|head|template|noscript)\\b[^>]*>.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString visible = html;
    visible.remove(hidden);
    QString text = QTextDocumentFragment::fromHtml(visible).toPlainText();
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    // Paragraphs come with empty lines between them; one line break each is enough.
    static const QRegularExpression emptyLines(QStringLiteral("\\n[ \\t]*\\n+"));
    text.replace(emptyLines, QStringLiteral("\n"));
    return text.trimmed();
}

} // namespace korvo
