// Every pinyin function on any text (as UTF-8 and as raw UTF-16 code units), with the
// properties that hold for all input: tone numbers are really gone after removeToneNumbers(),
// tone marks after removeToneMarks(); audio keys and default tones end in a tone digit; the
// syllables found by splitSyllables() split again into themselves; and a plain syllable with
// its tone digit comes back from tone marks unchanged.

#include "fuzzsupport.h"
#include "text/pinyin.h"

#include <QString>
#include <QStringList>

#include <cstdint>

using namespace korvo;

namespace {

bool isToneDigit(QChar c)
{
    return c >= QLatin1Char('1') && c <= QLatin1Char('5');
}

// Lower-case letters a-z and ü, optionally followed by one tone digit.
bool isPlainSyllable(const QString& syllable)
{
    if (syllable.isEmpty())
        return false;
    const qsizetype letters = isToneDigit(syllable.back()) ? syllable.size() - 1 : syllable.size();
    if (letters == 0)
        return false;
    for (qsizetype i = 0; i < letters; ++i) {
        const QChar c = syllable.at(i);
        if (!(c >= QLatin1Char('a') && c <= QLatin1Char('z')) && c != QChar(0x00fc))
            return false;
    }
    return true;
}

void exercise(const QString& text)
{
    bool chinese = false;
    for (const QChar c : text)
        chinese = isChineseCharacter(c) || chinese;
    FUZZ_CHECK(containsChineseCharacter(text) == chinese);
    (void)toneColor(text.size() % 8 - 1);

    const QString withoutNumbers = removeToneNumbers(text);
    for (const QChar c : withoutNumbers)
        FUZZ_CHECK(!isToneDigit(c));
    FUZZ_CHECK(setTone(text, 3).endsWith(QLatin1Char('3')));
    if (!text.isEmpty()) {
        FUZZ_CHECK(isToneDigit(withDefaultTone(text).back()));
        FUZZ_CHECK(isToneDigit(toAudioSyllable(text).back()));
    }

    FUZZ_CHECK(toneOfMarked(removeToneMarks(text)) == 5);
    const int tone = toneOfMarked(text);
    FUZZ_CHECK(tone >= 1 && tone <= 5);

    (void)isPinyin(text);
    QString lowered = text.toLower();
    lowered.remove(QLatin1Char(' '));
    lowered.remove(QLatin1Char('\t'));
    (void)isPinyin(lowered);

    (void)markedToNumbered(text, false);
    (void)markedToNumbered(text, true);
    (void)markedSyllableToNumbered(text, true);
    (void)numberedToMarked(text);
    (void)numberedSyllableToMarked(text);

    const QStringList syllables = splitSyllables(text);
    QStringList withTones = syllables;
    addDefaultTones(withTones);
    FUZZ_CHECK(withTones.size() == syllables.size());
    FUZZ_CHECK(splitSyllables(syllables.join(QLatin1Char(' '))) == syllables);
    for (const QString& syllable : syllables) {
        FUZZ_CHECK(!syllable.isEmpty());
        if (isPlainSyllable(syllable)) {
            const QString marked = numberedSyllableToMarked(syllable);
            FUZZ_CHECK(markedSyllableToNumbered(marked, true) == withDefaultTone(syllable));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::quietQtMessages();
    initPinyinTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    exercise(fuzzsupport::utf8Text(data, size));
    exercise(fuzzsupport::rawUtf16Text(data, size));
    return 0;
}
