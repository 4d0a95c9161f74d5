#pragma once

#include <QString>

namespace korvo {

class KnowledgeUnit;

// Whether the text typed for a type-in question on `quizOn` ("simplified", "traditional",
// "pinyin" or "definition") answers it for `unit`. Case and surrounding blanks are ignored.
// Pinyin may be typed with tone marks or tone numbers, with the unit's spacing or run together;
// a definition may be any of the unit's definitions without its parenthesised parts, or any
// comma-separated piece of one. Blank text is never an answer.
bool isTypedAnswerCorrect(KnowledgeUnit* unit, const QString& quizOn, const QString& typed);

} // namespace korvo
