#include "practice/typedanswer.h"

#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"
#include "text/texthelpers.h"

#include <QRegularExpression>
#include <QStringList>

namespace korvo {

namespace {

// A meaning as answers are compared: lower case, parenthesised parts and punctuation dropped,
// blanks simplified, a leading "to " of a verb dropped.
QString comparableMeaning(const QString& text)
{
    static const QRegularExpression punctuation(QStringLiteral("[\\p{P}\\p{S}]+"));
    QString meaning = removeParenthesised(text.toLower());
    meaning.replace(punctuation, QStringLiteral(" "));
    meaning = meaning.simplified();
    if (meaning.startsWith(QLatin1String("to ")))
        meaning.remove(0, 3);
    return meaning;
}

// Every answer a definition accepts: each whole sense (separated by ";" within a definition) and
// each comma-separated piece of one.
QStringList acceptedMeanings(const QStringList& definitions)
{
    QStringList meanings;
    for (const QString& definition : definitions) {
        for (const QString& sense : definition.split(QLatin1Char(';'))) {
            meanings << comparableMeaning(sense);
            const QStringList pieces = removeParenthesised(sense).split(QLatin1Char(','));
            if (pieces.size() > 1) {
                for (const QString& piece : pieces)
                    meanings << comparableMeaning(piece);
            }
        }
    }
    meanings.removeAll(QString());
    return meanings;
}

bool isPinyinAnswer(KnowledgeUnit* unit, const QString& text)
{
    const QStringList typed = canonicalSyllables(text);
    if (!typed.isEmpty() && typed == canonicalSyllables(unit->pinyin()))
        return true;
    // Readings that are not all syllables ("T xu4") count as the card shows them.
    for (const QString& form : {unit->pinyinWithToneMarks(), unit->pinyin(), unit->pinyinMerged(),
                                unit->pinyinWithToneMarksNoSpaces()}) {
        if (!form.isEmpty() && text == form.toLower())
            return true;
    }
    return false;
}

bool isDefinitionAnswer(KnowledgeUnit* unit, const QString& text)
{
    const QStringList definitions = unit->definitions();
    // The definition typed exactly as the card shows it counts too.
    for (const QString& definition : definitions) {
        if (definition.toLower().simplified() == text.simplified())
            return true;
    }
    const QString answer = comparableMeaning(text);
    return !answer.isEmpty() && acceptedMeanings(definitions).contains(answer);
}

} // namespace

QString typedAnswerField(KnowledgeUnit* unit, const QString& quizOn)
{
    if (!unit)
        return QString();
    if (quizOn == QLatin1String("simplified"))
        return unit->simplified();
    if (quizOn == QLatin1String("traditional"))
        return unit->traditional().isEmpty() ? unit->simplified() : unit->traditional();
    if (quizOn == QLatin1String("pinyin"))
        return unit->pinyin();
    if (quizOn == QLatin1String("definition"))
        return unit->definition();
    return QString();
}

bool isTypedAnswerCorrect(KnowledgeUnit* unit, const QString& quizOn, const QString& typed)
{
    const QString text = typed.trimmed().toLower();
    if (!unit || text.isEmpty())
        return false;
    // Forms with Latin letters ("T恤", "卡拉OK") are compared without case too.
    if (quizOn == QLatin1String("simplified") || quizOn == QLatin1String("traditional"))
        return text == typedAnswerField(unit, quizOn).toLower();
    if (quizOn == QLatin1String("pinyin"))
        return isPinyinAnswer(unit, text);
    if (quizOn == QLatin1String("definition"))
        return isDefinitionAnswer(unit, text);
    return false;
}

} // namespace korvo
