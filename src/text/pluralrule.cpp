#include "text/pluralrule.h"

#include <QRegularExpression>
#include <QString>

#include <cctype>

namespace korvo {

// Recursive descent over the expression, lowest precedence first; each parse function returns
// the index of the node it built, or -1 on a syntax error.
class PluralRule::Parser
{
public:
    Parser(const QByteArray& text, std::vector<Node>& nodes) : m_text(text), m_nodes(nodes) {}

    int parseWhole()
    {
        const int root = conditional();
        skipBlanks();
        return m_at == m_text.size() ? root : -1;
    }

private:
    int conditional()
    {
        // Nesting deeper than any real rule is refused before it can exhaust the stack.
        if (++m_depth > 64)
            return -1;
        const int result = conditionalBody();
        --m_depth;
        return result;
    }

    int conditionalBody()
    {
        const int condition = binary(0);
        if (condition < 0 || !take("?"))
            return condition;
        const int whenTrue = conditional();
        if (whenTrue < 0 || !take(":"))
            return -1;
        const int whenFalse = conditional();
        return whenFalse < 0 ? -1 : add({Op::Conditional, 0, 0, condition, whenTrue, whenFalse});
    }

    // Precedence levels: || then && then equality, relational, additive, multiplicative.
    int binary(int level)
    {
        static const char* const levels[][4] = {
            {"||"}, {"&&"}, {"==", "!="}, {"<=", ">=", "<", ">"}, {"+", "-"}, {"*", "/", "%"}};
        if (level == 6)
            return unary();
        int left = binary(level + 1);
        while (left >= 0) {
            const char* found = nullptr;
            for (const char* op : levels[level]) {
                if (op && take(op)) {
                    found = op;
                    break;
                }
            }
            if (!found)
                break;
            const int right = binary(level + 1);
            if (right < 0)
                return -1;
            left = add({Op::Binary, 0, code(found), left, right});
        }
        return left;
    }

    int unary()
    {
        if (++m_depth > 64)
            return -1;
        const int result = unaryBody();
        --m_depth;
        return result;
    }

    int unaryBody()
    {
        if (take("!")) {
            const int operand = unary();
            return operand < 0 ? -1 : add({Op::Not, 0, 0, operand});
        }
        if (take("-")) {
            const int operand = unary();
            return operand < 0 ? -1 : add({Op::Negate, 0, 0, operand});
        }
        if (take("(")) {
            const int inner = conditional();
            return inner >= 0 && take(")") ? inner : -1;
        }
        skipBlanks();
        if (m_at < m_text.size() && m_text.at(m_at) == 'n') {
            ++m_at;
            return add({Op::N});
        }
        qint64 value = 0;
        const int start = m_at;
        while (m_at < m_text.size() && std::isdigit(uchar(m_text.at(m_at))) && value < 1000000000)
            value = value * 10 + (m_text.at(m_at++) - '0');
        return m_at > start ? add({Op::Number, value}) : -1;
    }

    static char code(const char* op)
    {
        const QByteArray text(op);
        if (text == "<=")
            return 'l';
        if (text == ">=")
            return 'g';
        if (text == "==")
            return '=';
        if (text == "!=")
            return '!';
        return text.at(0); // + - * / % < > & |
    }

    void skipBlanks()
    {
        while (m_at < m_text.size() && std::isspace(uchar(m_text.at(m_at))))
            ++m_at;
    }

    // Consumes the operator when it comes next, not as the start of a longer one ("<" of "<=",
    // "!" of "!=").
    bool take(const char* op)
    {
        skipBlanks();
        const QByteArray text(op);
        if (!m_text.mid(m_at).startsWith(text))
            return false;
        const char next = m_at + text.size() < m_text.size() ? m_text.at(m_at + text.size()) : 0;
        if ((text == "<" || text == ">" || text == "!") && next == '=')
            return false;
        if ((text == "|" || text == "&") && next == text.at(0))
            return false;
        m_at += int(text.size());
        return true;
    }

    int add(const Node& node)
    {
        // A hostile header cannot make the tree grow without bound.
        if (m_nodes.size() > 1000)
            return -1;
        m_nodes.push_back(node);
        return int(m_nodes.size()) - 1;
    }

    const QByteArray& m_text;
    std::vector<Node>& m_nodes;
    int m_at = 0;
    int m_depth = 0;
};

PluralRule::PluralRule() = default;

PluralRule PluralRule::fromHeader(const QByteArray& header)
{
    static const QRegularExpression line(
        QStringLiteral("Plural-Forms:\\s*nplurals\\s*=\\s*(\\d+)\\s*;\\s*plural\\s*=([^;\\n]*)"));
    const QRegularExpressionMatch match = line.match(QString::fromUtf8(header));
    PluralRule rule;
    if (!match.hasMatch())
        return rule;
    const int count = match.captured(1).toInt();
    PluralRule parsed;
    parsed.m_formCount = qBound(1, count, 16);
    const QByteArray expression = match.captured(2).toUtf8();
    parsed.m_root = Parser(expression, parsed.m_nodes).parseWhole();
    if (parsed.m_root < 0)
        return rule;
    return parsed;
}

int PluralRule::formFor(qint64 n) const
{
    const qint64 form = m_root < 0 ? (n == 1 ? 0 : 1) : evaluate(m_root, n);
    return int(qBound<qint64>(0, form, qint64(m_formCount) - 1));
}

qint64 PluralRule::evaluate(int index, qint64 n) const
{
    const Node& node = m_nodes[size_t(index)];
    switch (node.op) {
    case Op::Number:
        return node.value;
    case Op::N:
        return n;
    case Op::Not:
        return !evaluate(node.a, n);
    case Op::Negate:
        return qint64(0 - quint64(evaluate(node.a, n)));
    case Op::Conditional:
        return evaluate(node.a, n) ? evaluate(node.b, n) : evaluate(node.c, n);
    case Op::Binary:
        break;
    }
    const qint64 a = evaluate(node.a, n);
    // Both sides of && and || are evaluated: the expressions have no side effects.
    const qint64 b = evaluate(node.b, n);
    // Arithmetic wraps instead of overflowing, whatever a damaged header asks.
    const quint64 ua = quint64(a);
    const quint64 ub = quint64(b);
    switch (node.binary) {
    case '+':
        return qint64(ua + ub);
    case '-':
        return qint64(ua - ub);
    case '*':
        return qint64(ua * ub);
    case '/':
        return b == 0 ? 0 : b == -1 ? qint64(0 - ua) : a / b;
    case '%':
        return b == 0 || b == -1 ? 0 : a % b;
    case '<':
        return a < b;
    case '>':
        return a > b;
    case 'l':
        return a <= b;
    case 'g':
        return a >= b;
    case '=':
        return a == b;
    case '!':
        return a != b;
    case '&':
        return a && b;
    case '|':
        return a || b;
    default:
        return 0;
    }
}

} // namespace korvo
