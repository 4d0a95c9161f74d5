#include "reader/wordtable.h"

#include <cmath>

namespace korvo {

namespace {

// Characters no frequency list counts still occur now and then.
constexpr double LeastFrequency = 1e-8;
// A character that is no word of its own is less likely than its frequency says: the
// frequency counts it inside words too (and
// a character that is a word of its own is weighed by 0.01 in WordTableLoader).
constexpr double UnknownCharacterWeight = 0.001;

} // namespace

const WordTable::Word* WordTable::find(QStringView word) const
{
    if (word.isEmpty() || m_rootChildren.empty())
        return nullptr;
    quint32 node = m_rootChildren[word[0].unicode()];
    for (qsizetype i = 1; node && i < word.size(); ++i)
        node = childOf(m_nodes[node], word[i].unicode());
    return node && m_nodes[node].word.unitId ? &m_nodes[node].word : nullptr;
}

WordTable::Word* WordTable::wordToScore(QStringView word)
{
    return const_cast<Word*>(std::as_const(*this).find(word));
}

double WordTable::characterFrequency(char32_t character) const
{
    return m_characterFrequencies.value(character, 0.0f);
}

float WordTable::unknownCharacterLogProbability(char32_t character) const
{
    return float(
        std::log(std::max(characterFrequency(character), LeastFrequency) * UnknownCharacterWeight));
}

} // namespace korvo
