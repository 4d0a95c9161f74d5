#include "dictionary/definitiontext.h"

#include "dictionary/knowledgeunit.h"
#include "text/translationcatalogue.h"

#include <QRegularExpression>

namespace korvo {

namespace {

// A cross-reference: one form or "traditional|simplified", then the pinyin in brackets.
const QRegularExpression& crossReference()
{
    static const QRegularExpression pattern(
        QStringLiteral("([^\\s\\[\\]|,;:()\"]+)(?:\\|([^\\s\\[\\]|,;:()\"]+))?\\[([^\\]]*)\\]"));
    return pattern;
}

QString shownForms(const QString& first, const QString& second, const QString& characterMode)
{
    // With two forms, CC-CEDICT writes the traditional one first.
    if (second.isEmpty() || first == second)
        return first;
    if (characterMode == QLatin1String("traditional"))
        return first;
    if (characterMode == QLatin1String("both"))
        return second + QLatin1Char('/') + first;
    return second;
}

QString readableReferences(const QString& text, const QString& characterMode)
{
    if (!text.contains(QLatin1Char('[')))
        return text;
    QString result;
    qsizetype last = 0;
    for (auto it = crossReference().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += text.mid(last, match.capturedStart() - last);
        result += shownForms(match.captured(1), match.captured(2), characterMode);
        const QString pinyin = match.captured(3).trimmed();
        if (!pinyin.isEmpty())
            result += QLatin1Char(' ') + pinyin;
        last = match.capturedEnd();
    }
    return result + text.mid(last);
}

} // namespace

namespace {

// "CL:" and the comma-separated cross-references after it, a definition of its own or inside
// another one ("cat (CL:隻|只[zhī])").
QString readableMeasureWords(const QString& text, const QString& characterMode)
{
    static const QRegularExpression measureWords(QStringLiteral(
        "CL:((?:[^\\s\\[\\]|,;:()\"]+(?:\\|[^\\s\\[\\]|,;:()\"]+)?\\[[^\\]]*\\],?)+)"));
    if (!text.contains(QLatin1String("CL:")))
        return text;
    QString result;
    qsizetype last = 0;
    for (auto it = measureWords.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QStringList words;
        for (const QString& word : match.captured(1).split(QLatin1Char(','), Qt::SkipEmptyParts))
            words << readableReferences(word, characterMode);
        result += text.mid(last, match.capturedStart() - last);
        result += translatePlural(QStringLiteral("measure word: %1"),
                                  QStringLiteral("measure words: %1"), words.size())
                      .arg(words.join(QStringLiteral(", ")));
        last = match.capturedEnd();
    }
    return result + text.mid(last);
}

} // namespace

QString readableDefinition(const QString& definition, const QString& characterMode)
{
    return readableReferences(readableMeasureWords(definition, characterMode), characterMode);
}

QString readableDefinitionText(KnowledgeUnit* unit, const QString& characterMode)
{
    QStringList shown;
    for (const QString& definition : unit->definitions())
        shown << readableDefinition(definition, characterMode);
    return shown.join(QStringLiteral("; "));
}

} // namespace korvo
