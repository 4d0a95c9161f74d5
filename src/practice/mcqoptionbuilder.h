#pragma once

#include <QList>
#include <QString>

namespace korvo {

class Dictionary;
class KnowledgeUnit;

// One answer of a multiple-choice question: the unit it comes from (0 for a made-up distractor)
// and the text shown (numbered pinyin for pinyin questions).
struct McqOption
{
    int kuId = 0;
    QString text;
};

// Makes the three answers of a multiple-choice question on one field of a unit: two plausible
// wrong answers and the right one, in random order. Wrong answers are characters that look
// alike (same radical or same final components), the same syllables in other tones, or the
// field of random dictionary entries of the same length. No two answers ever read the same,
// and no wrong answer reads like the right one. Every random choice goes through the C runtime
// generator. The dictionary (the main one, on "Dictionary.db") is borrowed.
class McqOptionBuilder
{
public:
    explicit McqOptionBuilder(Dictionary* dictionary) : m_dictionary(dictionary) {}

    // The options for `unit` asked on `quizOn` ("simplified", "traditional", "pinyin" or
    // "definition"): the distractors with kuId 0 and the answer with the unit's id, shuffled.
    // None without a unit.
    QList<McqOption> build(KnowledgeUnit* unit, const QString& quizOn);

    // The text a unit's field shows as an option.
    static QString answerText(KnowledgeUnit* unit, const QString& quizOn);
    // What two options must not share: the text as the learner reads it (pinyin with tone
    // marks), case ignored.
    static QString readingKey(const QString& text, const QString& quizOn);

    // How many times duplicates may be removed before a method gives up.
    static constexpr int MaxDuplicateRemovals = 12;

private:
    QStringList similarCharacterDistractors(const QString& answer, const QString& quizOn);
    QStringList toneDistractors(const QString& answer);
    QStringList randomUnitDistractors(KnowledgeUnit* unit, const QString& quizOn,
                                      const QString& answer);

    Dictionary* m_dictionary;
};

} // namespace korvo
