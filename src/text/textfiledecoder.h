#pragma once

#include <QByteArray>
#include <QString>

namespace korvo {

// Turns the bytes of a text file of unknown encoding into text: UTF-8 (with or without a byte
// order mark), UTF-16 in either byte order (with a byte order mark, or recognised by the zero
// bytes of its ASCII characters) and GB18030, the encoding Chinese Windows writes. Stateless.
class TextFileDecoder
{
public:
    enum Encoding { Unknown, Utf8, Utf16LittleEndian, Utf16BigEndian, Gb18030 };
    // What decode() does with bytes that are not valid in the encoding found (a byte order mark
    // names the encoding without the rest being checked): replace each by U+FFFD, or refuse.
    enum Errors { ReplaceErrors, RefuseErrors };

    // The encoding the bytes are in, Unknown when they are valid in none of them.
    static Encoding detect(const QByteArray& bytes);
    // The text without a byte order mark; false (and no text) when the encoding is unknown, or
    // with RefuseErrors when a byte sequence is not valid in it.
    static bool decode(const QByteArray& bytes, QString* text, Encoding* encoding = nullptr,
                       Errors errors = ReplaceErrors);
    static QString encodingName(Encoding encoding);
};

} // namespace korvo
