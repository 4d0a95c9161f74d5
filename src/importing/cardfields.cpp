#include "importing/cardfields.h"

#include "text/pinyin.h"

#include <QRegularExpression>

#include <algorithm>

namespace korvo {

namespace {

const QString UmlautU = QStringLiteral("\u00fc");

QString fieldText(const ImportedNote& note, const FieldMapping& mapping, FieldRole role)
{
    const int field = mapping.field(role);
    return field < 0 ? QString() : note.fields.value(field).trimmed();
}

// The dictionary spells the syllables lüe and nüe with "u:"; the syllable table knows them as
// "lue" and "nue".
QString dictionarySpelling(QString syllable)
{
    if (syllable.startsWith(QLatin1String("lue")) || syllable.startsWith(QLatin1String("nue")))
        syllable.insert(2, QLatin1Char(':'));
    syllable.replace(UmlautU, QLatin1String("u:"));
    return syllable;
}

// The syllables of one blank-free run of numbered pinyin, or none when it is not pinyin. An
// erhua "r" after the last syllable becomes the dictionary's separate "r5".
QStringList runSyllables(const QString& run)
{
    QString letters;
    for (const QChar c : run) {
        if (!isPinyinSeparator(c))
            letters.append(c);
    }
    if (letters.isEmpty())
        return {};
    if (isPinyin(letters))
        return splitSyllables(run);
    static const QRegularExpression erhua(QStringLiteral("^(.*[a-z\u00fc1-5])r5?$"));
    const QRegularExpressionMatch match = erhua.match(letters);
    if (match.hasMatch() && isPinyin(match.captured(1))) {
        QStringList syllables = splitSyllables(match.captured(1));
        syllables << QStringLiteral("r5");
        return syllables;
    }
    return {};
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
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QString();
    QString plain = trimmed.toLower();
    plain.replace(QLatin1String("u:"), UmlautU);
    plain.replace(QLatin1Char('v'), UmlautU);
    // lüe and nüe are in the syllable table without the dots.
    static const QRegularExpression dottedUe(
        QStringLiteral("([ln])\u00fc([e\u0113\u00e9\u011b\u00e8])"));
    plain.replace(dottedUe, QStringLiteral("\\1u\\2"));
    const QString numbered = markedToNumbered(plain, true).replace(QLatin1String("u:"), UmlautU);

    QStringList syllables;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& run : numbered.split(blanks, Qt::SkipEmptyParts)) {
        // Separators standing alone, such as the dot between the parts of a name.
        if (std::all_of(run.cbegin(), run.cend(), isPinyinSeparator) ||
            run == QStringLiteral("\u00b7"))
            continue;
        const QStringList found = runSyllables(run);
        if (found.isEmpty())
            return trimmed;
        syllables += found;
    }
    addDefaultTones(syllables);
    for (QString& syllable : syllables)
        syllable = dictionarySpelling(syllable);
    return syllables.join(QLatin1Char(' '));
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
