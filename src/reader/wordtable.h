#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvo {

// The words of the dictionary in both scripts as a character tree, each with how likely it is
// to occur (a natural logarithm) and the entry it stands for, and the frequency of every
// character. Made once by WordTableLoader and never changed afterwards, so that any number of
// threads may read one table at the same time; shared through std::shared_ptr<const WordTable>.
class WordTable
{
public:
    struct Word
    {
        float logProbability = 0;
        int unitId = 0; // 0: no word ends here
    };

    // Calls visit(length, word) for every word of the table that starts at `position` of the
    // text and ends within it, shortest first.
    template <typename Visit>
    void visitWordsAt(QStringView text, qsizetype position, Visit visit) const;
    // The word spelt exactly so, or none.
    const Word* find(QStringView word) const;
    // How likely a character is that no word covers (its own frequency, made smaller).
    float unknownCharacterLogProbability(char32_t character) const;
    // The character's frequency, as a share of the Characters table's total; 0 when it has none.
    double characterFrequency(char32_t character) const;
    // Turns a frequency of the Bigrams table into a share of its total.
    double pairFrequencyScale() const { return m_pairFrequencyScale; }

    qsizetype wordCount() const { return m_wordCount; }
    // Characters of the longest word.
    int longestWord() const { return m_longestWord; }

private:
    friend class WordTableLoader;

    struct Node
    {
        quint32 firstEdge = 0;
        quint32 edgeCount = 0;
        Word word;
    };

    quint32 childOf(const Node& node, char16_t c) const;
    // The node of the word, for the loader to give it its probability.
    Word* wordToScore(QStringView word);

    // The root's children by character (0 for none); the other nodes keep theirs in
    // m_edgeCharacters and m_edgeNodes, sorted by character.
    std::vector<quint32> m_rootChildren;
    std::vector<Node> m_nodes;
    std::vector<char16_t> m_edgeCharacters;
    std::vector<quint32> m_edgeNodes;
    QHash<char32_t, float> m_characterFrequencies;
    double m_pairFrequencyScale = 1;
    qsizetype m_wordCount = 0;
    int m_longestWord = 0;
};

inline quint32 WordTable::childOf(const Node& node, char16_t c) const
{
    const char16_t* first = m_edgeCharacters.data() + node.firstEdge;
    const char16_t* last = first + node.edgeCount;
    // Most nodes have a handful of children: a linear look is quicker than halving for them.
    if (node.edgeCount <= 8) {
        for (const char16_t* it = first; it != last; ++it) {
            if (*it == c)
                return m_edgeNodes[size_t(it - m_edgeCharacters.data())];
        }
        return 0;
    }
    const char16_t* it = std::lower_bound(first, last, c);
    return it != last && *it == c ? m_edgeNodes[size_t(it - m_edgeCharacters.data())] : 0;
}

template <typename Visit>
void WordTable::visitWordsAt(QStringView text, qsizetype position, Visit visit) const
{
    if (m_rootChildren.empty() || position >= text.size())
        return;
    quint32 node = m_rootChildren[text[position].unicode()];
    qsizetype end = position + 1;
    while (node) {
        const Node& current = m_nodes[node];
        if (current.word.unitId)
            visit(int(end - position), current.word);
        if (end >= text.size() || current.edgeCount == 0)
            return;
        node = childOf(current, text[end].unicode());
        ++end;
    }
}

} // namespace korvo
