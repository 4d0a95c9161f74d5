#pragma once

#include <QByteArray>
#include <vector>

namespace korvo {

// The plural rule of a message catalogue, from the "Plural-Forms" line of its header:
// "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20)
// ? 1 : 2);". The expression is parsed once (C syntax: ?:, ||, &&, comparisons, + - * / %, !,
// parentheses, n and numbers) and evaluated for each count. A rule that cannot be parsed is
// English's: one form for 1, another for everything else.
class PluralRule
{
public:
    PluralRule();
    // The rule of a header line such as the one above; English's when there is none.
    static PluralRule fromHeader(const QByteArray& header);

    int formCount() const { return m_formCount; }
    // Which form (0 .. formCount() - 1) a count takes.
    int formFor(qint64 n) const;
    bool isValid() const { return !m_nodes.empty(); }

private:
    enum class Op { Number, N, Not, Negate, Binary, Conditional };
    struct Node
    {
        Op op = Op::Number;
        qint64 value = 0; // a number
        char binary =
            0; // '+', '-', '*', '/', '%', '<', '>', 'l' (<=), 'g' (>=), '=', '!', '&', '|'
        int a = -1, b = -1, c = -1; // operand nodes
    };
    class Parser;
    qint64 evaluate(int node, qint64 n) const;

    int m_formCount = 2;
    std::vector<Node> m_nodes;
    int m_root = -1;
};

} // namespace korvo
