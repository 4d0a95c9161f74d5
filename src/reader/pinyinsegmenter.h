#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace korvo {

// One word of a pinyin text: the syllables it covers as they were typed, the characters of the
// likeliest word with that reading, and the entries with those characters and that reading,
// the plain ones first (none when no word has the syllable).
struct PinyinWord
{
    QStringList syllables;
    QString characters;
    QList<int> unitIds;
};

// Reads a run of pinyin syllables ("ni hao ma", "nǐhǎoma", "ni3hao3ma5") as the likeliest words
// of the dictionary: every way of grouping the syllables into readings of entries is weighed by
// how common the entries' words are (as the word table scores them) and how often their
// characters meet where two words meet (the Bigrams table); a syllable typed with a tone
// matches only readings with that tone. The entries are read through the given connection.
// Stateless.
class PinyinSegmenter
{
public:
    // The syllables of the text (tone digits kept where typed), empty when anything in it is not
    // pinyin.
    static QStringList syllablesOf(const QString& text);
    static QList<PinyinWord> segment(const QSqlDatabase& database, const QString& text);
};

} // namespace korvo
