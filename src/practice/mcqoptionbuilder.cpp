#include "practice/mcqoptionbuilder.h"

#include "dictionary/characterinfo.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"

#include <QSet>
#include <cstdlib>

namespace korvo {

namespace {

int randomBelow(int bound)
{
    return static_cast<int>(static_cast<unsigned>(std::rand()) % unsigned(bound));
}

// Drops every entry that reads like the answer or like an earlier entry; true when any went.
bool removeDuplicates(QStringList& list, const QString& answerKey, const QString& quizOn)
{
    QSet<QString> seen = {answerKey};
    bool removed = false;
    for (int i = 0; i < list.size();) {
        const QString key = McqOptionBuilder::readingKey(list.at(i), quizOn);
        if (seen.contains(key)) {
            list.removeAt(i);
            removed = true;
        } else {
            seen.insert(key);
            ++i;
        }
    }
    return removed;
}

// The erhua syllable "r" is always neutral: other tones of it would read the same.
bool keepsItsTone(const QString& syllable)
{
    return removeToneNumbers(syllable) == QLatin1String("r");
}

} // namespace

QString McqOptionBuilder::answerText(KnowledgeUnit* unit, const QString& quizOn)
{
    if (!unit)
        return QString();
    if (quizOn == QLatin1String("traditional"))
        return unit->traditional().isEmpty() ? unit->simplified() : unit->traditional();
    if (quizOn == QLatin1String("pinyin"))
        return unit->pinyin();
    if (quizOn == QLatin1String("definition"))
        return unit->definitionText();
    return unit->simplified();
}

QString McqOptionBuilder::readingKey(const QString& text, const QString& quizOn)
{
    if (quizOn == QLatin1String("pinyin"))
        return numberedToMarked(text.toLower()).simplified();
    return text.toLower().simplified();
}

QList<McqOption> McqOptionBuilder::build(KnowledgeUnit* unit, const QString& quizOn)
{
    QList<McqOption> options;
    if (!unit)
        return options;
    const QString answer = answerText(unit, quizOn);

    QStringList distractors;
    if (quizOn == QLatin1String("simplified") || quizOn == QLatin1String("traditional")) {
        if (randomBelow(4) > 0)
            distractors = similarCharacterDistractors(answer, quizOn);
    } else if (quizOn == QLatin1String("pinyin")) {
        if (randomBelow(3) > 0)
            distractors = toneDistractors(answer);
    }
    if (distractors.isEmpty())
        distractors = randomUnitDistractors(unit, quizOn, answer);

    for (const QString& text : std::as_const(distractors))
        options.append({0, text});
    options.append({unit->id(), answer});
    for (int i = int(options.size()) - 1; i > 0; --i) {
        const int j = randomBelow(i + 1);
        if (i != j)
            options.swapItemsAt(i, j);
    }
    return options;
}

QStringList McqOptionBuilder::similarCharacterDistractors(const QString& answer,
                                                          const QString& quizOn)
{
    if (!m_dictionary)
        return {};
    const QString method =
        randomBelow(3) == 0 ? QStringLiteral("sameRadical") : QStringLiteral("sameEnd");
    const QString answerKey = readingKey(answer, quizOn);
    // Characters for which the dictionary has no look-alike: asking again gives none again.
    QSet<QChar> withoutLookAlike;
    QStringList list;
    int removals = 0;
    while (true) {
        while (list.size() < 2) {
            QString distractor = answer;
            bool replaceable = false;
            for (int i = 0; i < distractor.size(); ++i) {
                const QChar c = distractor.at(i);
                if (!isChineseCharacter(c) || withoutLookAlike.contains(c))
                    continue;
                const QList<CharacterInfo*> similar =
                    m_dictionary->similarCharacters(c, quizOn, method, 1);
                if (similar.isEmpty() || similar.first()->character.isNull()) {
                    withoutLookAlike.insert(c);
                    continue;
                }
                replaceable = true;
                distractor[i] = similar.first()->character;
            }
            // Nothing can be replaced: every further try would read like the answer.
            if (!replaceable)
                return {};
            list.append(distractor);
        }
        if (!removeDuplicates(list, answerKey, quizOn))
            return list;
        if (++removals >= MaxDuplicateRemovals)
            return {};
    }
}

QStringList McqOptionBuilder::toneDistractors(const QString& answer)
{
    const QString quizOn = QStringLiteral("pinyin");
    // Stored pinyin has one syllable per word; splitting the words again would fold an erhua
    // "r5" into the syllable before it, and the distractors would lose it.
    QStringList syllables = answer.contains(QLatin1Char(' '))
                                ? answer.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts)
                                : splitSyllables(answer.toLower());
    addDefaultTones(syllables);
    if (syllables.isEmpty())
        return {};
    bool variable = false;
    for (const QString& syllable : std::as_const(syllables))
        variable = variable || !keepsItsTone(syllable);
    if (!variable)
        return {};
    const QString joinedAnswer = syllables.join(QLatin1Char(' '));
    const QString answerKey = readingKey(answer, quizOn);

    // A capital that starts a syllable of the answer (a name) starts the same syllable of every
    // distractor, so that case never gives the answer away.
    const QStringList words = answer.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<bool> capital;
    for (int i = 0; i < syllables.size(); ++i)
        capital.append(words.size() == syllables.size() && !words.at(i).isEmpty() &&
                       words.at(i).at(0).isUpper());

    QStringList list;
    int removals = 0;
    while (true) {
        // Each try differs from the answer with a chance of at least 4 in 5.
        for (int tries = 0; list.size() < 2 && tries < 200; ++tries) {
            QStringList toned;
            for (int i = 0; i < syllables.size(); ++i) {
                QString syllable = syllables.at(i);
                if (!keepsItsTone(syllable))
                    syllable = setTone(syllable, randomBelow(5) + 1);
                toned.append(syllable);
            }
            const QString joined = toned.join(QLatin1Char(' '));
            if (joined == joinedAnswer)
                continue;
            for (int i = 0; i < toned.size(); ++i) {
                if (capital.at(i))
                    toned[i][0] = toned.at(i).at(0).toUpper();
            }
            list.append(toned.join(QLatin1Char(' ')));
        }
        if (list.size() < 2)
            return {};
        if (!removeDuplicates(list, answerKey, quizOn))
            return list;
        if (++removals >= MaxDuplicateRemovals)
            return {};
    }
}

QStringList McqOptionBuilder::randomUnitDistractors(KnowledgeUnit* unit, const QString& quizOn,
                                                    const QString& answer)
{
    if (!m_dictionary)
        return {};
    Dictionary::TextType type = Dictionary::Simplified;
    QString exclude = answer;
    if (quizOn == QLatin1String("traditional")) {
        type = Dictionary::Traditional;
    } else if (quizOn == QLatin1String("pinyin")) {
        type = Dictionary::Pinyin;
    } else if (quizOn == QLatin1String("definition")) {
        type = Dictionary::English;
        exclude = unit->definition();
    }
    const int length = int(unit->simplified().toUcs4().size());

    QStringList list;
    QSet<QString> keys = {readingKey(answer, quizOn)};
    // Entries that read alike (one form with several readings, case) are drawn again, a few
    // times at most; a draw again takes a few more entries than are missing, so that a form
    // drawn twice does not crowd out the others.
    for (int draw = 0; draw < 4 && list.size() < 2; ++draw) {
        const int missing = 2 - int(list.size());
        const QList<KnowledgeUnit*> units = m_dictionary->randomKnowledgeUnits(
            type, draw == 0 ? missing : missing + 4, exclude, length);
        for (KnowledgeUnit* other : units) {
            const QString text = answerText(other, quizOn);
            const QString key = readingKey(text, quizOn);
            if (text.trimmed().isEmpty() || keys.contains(key) || list.size() >= 2)
                continue;
            keys.insert(key);
            list.append(text);
        }
        if (units.isEmpty())
            break;
    }
    return list;
}

} // namespace korvo
