#include "practice/typedanswer.h"

#include "dictionary/knowledgeunit.h"
#include "text/texthelpers.h"

#include <QStringList>

namespace korvo {

bool isTypedAnswerCorrect(KnowledgeUnit* unit, const QString& quizOn, const QString& typed)
{
    const QString text = typed.trimmed().toLower();
    if (!unit || text.isEmpty())
        return false;

    // Forms with Latin letters ("T恤", "卡拉OK") are compared without case too.
    if (quizOn == QLatin1String("simplified"))
        return text == unit->simplified().toLower();
    if (quizOn == QLatin1String("traditional")) {
        const QString traditional =
            unit->traditional().isEmpty() ? unit->simplified() : unit->traditional();
        return text == traditional.toLower();
    }
    if (quizOn == QLatin1String("pinyin")) {
        for (const QString& form : {unit->pinyinWithToneMarks(), unit->pinyin(),
                                    unit->pinyinMerged(), unit->pinyinWithToneMarksNoSpaces()}) {
            if (!form.isEmpty() && text == form.toLower())
                return true;
        }
        return false;
    }
    if (quizOn == QLatin1String("definition")) {
        // A removed part leaves its blanks behind ("to (sth) go"): runs of blanks count as
        // one, in the definition and in the typed text alike.
        const QString answer = text.simplified();
        const QStringList definitions = unit->definitions();
        for (const QString& definition : definitions) {
            // The definition typed exactly as the card shows it counts too.
            if (definition.toLower().simplified() == answer)
                return true;
            const QString entry = removeParenthesised(definition.toLower()).simplified();
            if (entry.isEmpty())
                continue;
            if (entry == answer)
                return true;
            const QStringList pieces = entry.split(QLatin1Char(','));
            for (const QString& piece : pieces) {
                const QString trimmed = piece.simplified();
                if (!trimmed.isEmpty() && trimmed == answer)
                    return true;
            }
        }
        return false;
    }
    return false;
}

} // namespace korvo
