#pragma once

#include <QChar>
#include <QColor>
#include <QString>
#include <QStringList>

// Pinyin syllables, tone numbers and tone marks.
//
// Pinyin is stored with tone numbers (one digit 1-5 after each syllable, 5 the neutral tone,
// ü written "u:"); tone marks are made for display and accepted as input only. Every function
// here reads two process-wide tables that initPinyinTables() fills once at start-up; before
// that, no syllable is known (the converters copy or skip every character and isPinyin() is
// false for any non-empty text). All functions are free, stateless apart from the tables, and
// never throw.
namespace korvo {

// Fills the syllable table (411 syllables, longest first) and the six tone-vowel rows.
// Calling it again does nothing.
void initPinyinTables();

// The valid toneless syllables in lookup order (decreasing length); empty before
// initPinyinTables().
const QStringList& pinyinSyllables();

// Six rows of ten characters (a, e, i, o, u, ü): columns 0-3 lower case tones 1-4, column 4
// the plain lower-case vowel, columns 5-8 upper case tones 1-4, column 9 the plain upper case.
const QStringList& toneVowelRows();

// Whether the character delimits syllables in free pinyin text.
bool isPinyinSeparator(QChar c);

// True for U+4E00-U+9FFF, U+3400-U+4DFF and U+F900-U+FAFF.
bool isChineseCharacter(QChar c);
// The same for a code point, with the ideographs beyond the Basic Multilingual Plane (extension
// B and later, U+20000-U+3134F).
bool isChineseCodePoint(char32_t c);
// Whether any character of the text (a pair of UTF-16 units counted as one) is Chinese.
bool containsChineseCharacter(const QString& text);

// Display colour of a tone (1-4); black for any other value.
QColor toneColor(int tone);

// Drops every character '1'-'5' anywhere in the text.
QString removeToneNumbers(const QString& text);
// removeToneNumbers(syllable) followed by the decimal tone.
QString setTone(const QString& syllable, int tone);
// Appends "5" unless the syllable is empty or already ends in a tone digit.
QString withDefaultTone(const QString& syllable);
void addDefaultTones(QStringList& syllables);

// Key of a syllable's audio recording: lower case, ü/u: written "v", tone 1 when no digit is
// given.
QString toAudioSyllable(const QString& syllable);

// Whether the whole text is a run of lower-case syllables each with an optional tone digit.
// Callers lower-case the text and remove white space first.
bool isPinyin(const QString& text);

// Replaces every tone-marked vowel by its plain vowel of the same case.
QString removeToneMarks(const QString& text);
// Tone (1-5) of a tone-marked syllable; 5 when it carries no mark.
int toneOfMarked(const QString& syllable);

// Numbered or plain pinyin text -> syllables with their tone digits (greedy longest match,
// no backtracking; unknown characters are skipped).
QStringList splitSyllables(const QString& text);

// Typed or stored pinyin as numbered syllables spelled one way, so that two spellings of the same
// reading compare equal: lower case, tone marks as digits, ü (typed "ü", "v" or "u:") written
// "u:", a syllable without a tone given the neutral tone 5, the erhua "r" as "r5". Blanks,
// apostrophes and hyphens separate syllables ("xi'an" is xi1 an1, not xian1). Empty when any part
// of the text is not a syllable, or when the text is blank.
QStringList canonicalSyllables(const QString& text);

// "zhōng" -> "zhong1"; a syllable without mark gets "5" only when forceTone is set.
QString markedSyllableToNumbered(const QString& syllable, bool forceTone = false);
// Tone-marked text -> numbered text, ü written "u:".
QString markedToNumbered(const QString& text, bool forceTone = false);
// "zhong1" -> "zhōng". A final '0' or '6'-'9' is not a tone: no mark is placed (as for tone 5)
// and the digit stays in the result ("ma7" -> "ma7").
QString numberedSyllableToMarked(const QString& syllable);
// Numbered text -> tone-marked text.
QString numberedToMarked(const QString& text);

} // namespace korvo
