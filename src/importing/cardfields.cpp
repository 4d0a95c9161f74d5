#include "importing/cardfields.h"

#include "text/pinyin.h"

#include <QRegularExpression>

namespace korvo {

namespace {

QString fieldText(const ImportedNote& note, const FieldMapping& mapping, FieldRole role)
{
    const int field = mapping.field(role);
    return field < 0 ? QString() : note.fields.value(field).trimmed();
}

} // namespace

bool CardFields::hasTones(const QString& text)
{
    for (const QChar c : text) {
        if ((c >= QLatin1Char('1') && c <= QLatin1Char('5')) ||
            removeToneMarks(QString(c)) != QString(c))
            return true;
    }
    return false;
}

QString CardFields::normalisedPinyin(const QString& text)
{
    // The dot between the parts of a name ("Ma3 ke4 · Tu3 wen1") and the comma of a phrase
    // separate like a blank.
    QString spaced = text;
    spaced.replace(QChar(0x00B7), QLatin1Char(' '));
    spaced.replace(QLatin1Char(','), QLatin1Char(' '));
    const QStringList syllables = canonicalSyllables(spaced);
    return syllables.isEmpty() ? text.trimmed() : syllables.join(QLatin1Char(' '));
}

void CardFields::splitCharacters(const QString& text, QString* simplified, QString* traditional)
{
    static const QRegularExpression pair(QStringLiteral("^([^\\[\\]]+)\\[([^\\[\\]]+)\\]$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch match = pair.match(trimmed);
    if (match.hasMatch() && containsChineseCharacter(match.captured(1)) &&
        containsChineseCharacter(match.captured(2))) {
        *simplified = match.captured(1).trimmed();
        *traditional = match.captured(2).trimmed();
        return;
    }
    *simplified = trimmed;
}

QString CardFields::definitionOf(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString tidy = line.trimmed();
        if (!tidy.isEmpty())
            lines << tidy;
    }
    return lines.join(QLatin1Char('/'));
}

ImportCard CardFields::fromNote(const ImportedNote& note, const FieldMapping& mapping)
{
    ImportCard card;
    QString traditional;
    splitCharacters(fieldText(note, mapping, FieldRole::Simplified), &card.simplified,
                    &traditional);
    card.traditional = fieldText(note, mapping, FieldRole::Traditional);
    if (card.traditional.isEmpty())
        card.traditional = traditional;
    const QString pinyin = fieldText(note, mapping, FieldRole::Pinyin);
    card.pinyin = normalisedPinyin(pinyin);
    card.pinyinHasTones = hasTones(pinyin);
    card.definition = definitionOf(fieldText(note, mapping, FieldRole::Definition));
    card.deckPath = note.deckPath;
    card.position = note.position;
    return card;
}

} // namespace korvo
