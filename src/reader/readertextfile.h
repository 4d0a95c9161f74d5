#pragma once

#include <QByteArray>
#include <QString>

namespace korvo {

// The text of a file the learner opens in the reader: plain text in UTF-8, UTF-16 or GB18030
// (found from the bytes), or an HTML page as the text it shows. What cannot be read as text (a
// binary file, an empty one, bytes no encoding accepts, a file over MaxFileSize) is refused with
// a translated reason, and no text. Stateless.
class ReaderTextFile
{
public:
    static constexpr qint64 MaxFileSize = 10 * 1024 * 1024;

    struct Result
    {
        QString text;
        // Why there is no text (translated); empty when the file was read.
        QString problem;
        bool isRead() const { return problem.isEmpty(); }
    };

    static Result read(const QString& path);
    // The text of the bytes; `html` reads them as a page.
    static Result fromBytes(const QByteArray& bytes, bool html);
    // Pasted or typed text, checked as a file's would be (empty, too long, not text).
    static Result fromText(const QString& text);
    // The text an HTML page shows, paragraphs on lines of their own; scripts and styles left out.
    static QString htmlText(const QString& html);
    static bool looksLikeHtml(const QString& path, const QByteArray& start);
};

} // namespace korvo
