#pragma once

#include <QString>

namespace korvo {

class KnowledgeUnit;

// What a type-in question on `quizOn` ("simplified", "traditional", "pinyin" or "definition")
// asks for of the unit: empty when the unit has nothing to answer with, and then the question
// cannot be asked.
QString typedAnswerField(KnowledgeUnit* unit, const QString& quizOn);

// Whether the text typed for a type-in question on `quizOn` answers it for `unit`. Case and
// surrounding blanks are ignored. Pinyin may be typed with tone marks or tone numbers, ü as "ü",
// "v" or "u:", the neutral tone's 5 left out, with any spacing between syllables. A definition
// may be typed as any whole sense of the unit's definitions (senses are separated by "/" and
// ";"), or any comma-separated piece of one, with or without a leading "to", ignoring
// parenthesised parts, punctuation and case. Blank text is never an answer.
bool isTypedAnswerCorrect(KnowledgeUnit* unit, const QString& quizOn, const QString& typed);

} // namespace korvo
