#include "importing/plecoreader.h"

#include "text/translationcatalogue.h"

#include <QStringList>

namespace korvo {

namespace {

const QLatin1String CategoryPrefix("//");

QString withoutPrivateUse(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0xE000 || c.unicode() > 0xF8FF)
            result.append(c);
    }
    return result.trimmed();
}

QStringList categoryPath(const QString& line)
{
    QStringList path;
    for (const QString& part : line.mid(CategoryPrefix.size()).split(QLatin1Char('/'))) {
        const QString title = withoutPrivateUse(part);
        if (!title.isEmpty())
            path << title;
    }
    return path;
}

} // namespace

bool PlecoReader::looksLikePleco(const QString& text)
{
    const QStringList lines = text.left(65536).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(CategoryPrefix) || line.contains(QLatin1Char('\t')))
            return true;
    }
    return false;
}

void PlecoReader::read(const QString& text, ImportedFile& file)
{
    NoteType type;
    type.name = file.defaultDeck;
    type.fieldNames << translate(QStringLiteral("Characters"))
                    << translate(QStringLiteral("Pinyin"))
                    << translate(QStringLiteral("Definition"));
    QStringList deck;
    int lineNumber = 0;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        ++lineNumber;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (line.startsWith(CategoryPrefix)) {
            deck = categoryPath(line.toString());
            continue;
        }
        const QList<QStringView> parts = line.split(QLatin1Char('\t'));
        if (parts.size() < 2) {
            file.error = translate(QStringLiteral("line %1 has too few fields (%2 of at least %3)"))
                             .arg(lineNumber)
                             .arg(parts.size())
                             .arg(2);
            file.notes.clear();
            return;
        }
        ImportedNote note;
        for (const QStringView part : parts)
            note.fields << withoutPrivateUse(part.toString());
        while (note.fields.size() > type.fieldNames.size())
            type.fieldNames
                << translate(QStringLiteral("Column %1")).arg(type.fieldNames.size() + 1);
        note.deckPath = deck;
        note.position = lineNumber;
        file.notes.append(note);
    }
    if (file.notes.isEmpty())
        file.error = translate(QStringLiteral("it holds no cards"));
    file.noteTypes = {type};
}

} // namespace korvo
