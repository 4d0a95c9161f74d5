#include "text/json.h"

#include "text/texthelpers.h"

#include <QVariantList>
#include <QVariantMap>

#include <charconv>
#include <cmath>

namespace korvo {

namespace {

enum Token {
    TokenNone = 0,
    TokenCurlyOpen = 1,
    TokenCurlyClose = 2,
    TokenSquaredOpen = 3,
    TokenSquaredClose = 4,
    TokenColon = 5,
    TokenComma = 6,
    TokenString = 7,
    TokenNumber = 8,
    TokenTrue = 9,
    TokenFalse = 10,
    TokenNull = 11,
};

// One pass over the text with a position index; every failure clears m_ok.
class Reader
{
public:
    explicit Reader(QStringView text) : m_text(text) {}

    QVariant parseValue(int depth);
    bool ok() const { return m_ok; }

private:
    void skipBlanks(qsizetype& p) const;
    Token nextToken(qsizetype& p) const;
    Token lookAhead() const
    {
        qsizetype p = m_pos;
        return nextToken(p);
    }
    QVariant parseString();
    QVariant parseNumber();
    QVariant parseObject(int depth);
    QVariant parseArray(int depth);

    QStringView m_text;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

void Reader::skipBlanks(qsizetype& p) const
{
    while (p < m_text.size()) {
        const char16_t c = m_text.at(p).unicode();
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            break;
        ++p;
    }
}

Token Reader::nextToken(qsizetype& p) const
{
    skipBlanks(p);
    if (p >= m_text.size())
        return TokenNone;
    const char16_t c = m_text.at(p++).unicode();
    switch (c) {
    case u'{':
        return TokenCurlyOpen;
    case u'}':
        return TokenCurlyClose;
    case u'[':
        return TokenSquaredOpen;
    case u']':
        return TokenSquaredClose;
    case u':':
        return TokenColon;
    case u',':
        return TokenComma;
    case u'"':
        return TokenString;
    case u'-':
        return TokenNumber;
    default:
        if (c >= u'0' && c <= u'9')
            return TokenNumber;
        break;
    }
    --p;
    const QStringView rest = m_text.mid(p);
    if (rest.startsWith(u"true")) {
        p += 4;
        return TokenTrue;
    }
    if (rest.startsWith(u"false")) {
        p += 5;
        return TokenFalse;
    }
    if (rest.startsWith(u"null")) {
        p += 4;
        return TokenNull;
    }
    return TokenNone;
}

QVariant Reader::parseValue(int depth)
{
    switch (lookAhead()) {
    case TokenString:
        return parseString();
    case TokenNumber:
        return parseNumber();
    case TokenCurlyOpen:
        return parseObject(depth + 1);
    case TokenSquaredOpen:
        return parseArray(depth + 1);
    case TokenTrue:
        nextToken(m_pos);
        return true;
    case TokenFalse:
        nextToken(m_pos);
        return false;
    case TokenNull:
        nextToken(m_pos);
        return QVariant();
    default:
        m_ok = false;
        return QVariant();
    }
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

QVariant Reader::parseString()
{
    skipBlanks(m_pos);
    ++m_pos; // the opening quote
    QString result;
    while (true) {
        if (m_pos >= m_text.size()) {
            m_ok = false;
            return QVariant();
        }
        const QChar c = m_text.at(m_pos++);
        if (c == QLatin1Char('"')) {
            // Surrogates from \u escapes and from the text itself are paired up only here, so
            // that an escaped high surrogate followed by a raw low one still forms a pair.
            return replaceUnpairedSurrogates(result);
        }
        if (c != QLatin1Char('\\')) {
            result.append(c);
            continue;
        }
        if (m_pos >= m_text.size()) {
            m_ok = false;
            return QVariant();
        }
        const char16_t escaped = m_text.at(m_pos++).unicode();
        switch (escaped) {
        case u'"':
        case u'\\':
        case u'/':
            result.append(QChar(escaped));
            break;
        case u'b':
            result.append(QChar(0x08));
            break;
        case u'f':
            result.append(QChar(0x0c));
            break;
        case u'n':
            result.append(QChar(0x0a));
            break;
        case u'r':
            result.append(QChar(0x0d));
            break;
        case u't':
            result.append(QChar(0x09));
            break;
        case u'u': {
            if (m_text.size() - m_pos < 4) {
                m_ok = false;
                return QVariant();
            }
            // Exactly four hexadecimal digits; anything else is a syntax error rather than a
            // silently inserted NUL character.
            int unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = hexValue(m_text.at(m_pos + i).unicode());
                if (digit < 0) {
                    m_ok = false;
                    return QVariant();
                }
                unit = unit * 16 + digit;
            }
            m_pos += 4;
            result.append(QChar(char16_t(unit)));
            break;
        }
        default:
            // Unknown escapes are dropped.
            break;
        }
    }
}

QVariant Reader::parseNumber()
{
    skipBlanks(m_pos);
    const qsizetype start = m_pos;
    while (m_pos < m_text.size()) {
        const char16_t c = m_text.at(m_pos).unicode();
        if (!((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u'e' ||
              c == u'E'))
            break;
        ++m_pos;
    }
    return m_text.mid(start, m_pos - start).toString();
}

QVariant Reader::parseObject(int depth)
{
    if (depth > jsonMaxDepth) {
        m_ok = false;
        return QVariantMap();
    }
    nextToken(m_pos); // "{"
    QVariantMap map;
    while (true) {
        const Token token = lookAhead();
        if (token == TokenNone) {
            m_ok = false;
            return QVariantMap();
        }
        if (token == TokenComma) {
            nextToken(m_pos);
            continue;
        }
        if (token == TokenCurlyClose) {
            nextToken(m_pos);
            return map;
        }
        const QString key = parseString().toString();
        if (!m_ok)
            return QVariantMap();
        if (nextToken(m_pos) != TokenColon) {
            m_ok = false;
            return QVariantMap();
        }
        const QVariant value = parseValue(depth);
        if (!m_ok)
            return QVariantMap();
        map.insert(key, value);
    }
}

QVariant Reader::parseArray(int depth)
{
    if (depth > jsonMaxDepth) {
        m_ok = false;
        return QVariantList();
    }
    nextToken(m_pos); // "["
    QVariantList list;
    while (true) {
        const Token token = lookAhead();
        if (token == TokenNone) {
            m_ok = false;
            return QVariantList();
        }
        if (token == TokenComma) {
            nextToken(m_pos);
            continue;
        }
        if (token == TokenSquaredClose) {
            nextToken(m_pos);
            return list;
        }
        QVariant value = parseValue(depth);
        if (!m_ok)
            return QVariantList();
        list.append(std::move(value));
    }
}

void writeString(const QString& text, QByteArray& out)
{
    static const char hex[] = "0123456789abcdef";
    out.append('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\\':
            out.append("\\\\");
            continue;
        case u'"':
            out.append("\\\"");
            continue;
        case 0x08:
            out.append("\\b");
            continue;
        case 0x0c:
            out.append("\\f");
            continue;
        case 0x0a:
            out.append("\\n");
            continue;
        case 0x0d:
            out.append("\\r");
            continue;
        case 0x09:
            out.append("\\t");
            continue;
        default:
            break;
        }
        if (u >= 32 && u <= 126) {
            out.append(char(u));
        } else {
            out.append("\\u");
            out.append(hex[(u >> 12) & 0xf]);
            out.append(hex[(u >> 8) & 0xf]);
            out.append(hex[(u >> 4) & 0xf]);
            out.append(hex[u & 0xf]);
        }
    }
    out.append('"');
}

// %g with six significant digits, independent of the C locale's decimal separator.
void writeDouble(double value, QByteArray& out)
{
    if (!std::isfinite(value)) {
        out.append("null");
        return;
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    const QByteArray text(buffer, int(result.ptr - buffer));
    out.append(text);
    if (!text.contains('.') && !text.contains('e'))
        out.append(".0");
}

bool isIntegerType(int type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool writeValue(const QVariant& value, QByteArray& out, int depth)
{
    if (depth > jsonMaxDepth)
        return false;
    if (!value.isValid()) {
        out.append("null");
        return true;
    }
    const int type = value.userType();
    bool ok = true;
    if (type == QMetaType::QVariantList || type == QMetaType::QStringList) {
        out.append('[');
        bool first = true;
        for (const QVariant& item : value.toList()) {
            if (!first)
                out.append(',');
            first = false;
            if (!writeValue(item, out, depth + 1))
                ok = false;
        }
        out.append(']');
        return ok;
    }
    if (type == QMetaType::QVariantMap || type == QMetaType::QVariantHash) {
        // QVariantMap iterates in sorted key order; a hash is sorted by converting it.
        const QVariantMap map = value.toMap();
        out.append('{');
        bool first = true;
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            if (!first)
                out.append(',');
            first = false;
            writeString(it.key(), out);
            out.append(':');
            if (!writeValue(it.value(), out, depth + 1))
                ok = false;
        }
        out.append('}');
        return ok;
    }
    if (type == QMetaType::QString || type == QMetaType::QByteArray) {
        writeString(value.toString(), out);
        return true;
    }
    if (type == QMetaType::Double || type == QMetaType::Float) {
        writeDouble(value.toDouble(), out);
        return true;
    }
    if (type == QMetaType::Bool) {
        out.append(value.toBool() ? "true" : "false");
        return true;
    }
    if (type == QMetaType::ULongLong) {
        out.append(QByteArray::number(value.toULongLong()));
        return true;
    }
    if (isIntegerType(type) || value.metaType().flags().testFlag(QMetaType::IsEnumeration)) {
        out.append(QByteArray::number(value.toLongLong()));
        return true;
    }
    if (value.canConvert<QString>()) {
        writeString(value.toString(), out);
        return true;
    }
    return false;
}

} // namespace

QVariant readJson(const QString& text, bool* ok)
{
    if (ok)
        *ok = true;
    if (text.isNull())
        return QVariant();
    Reader reader(text);
    QVariant value = reader.parseValue(0);
    if (ok)
        *ok = reader.ok();
    return value;
}

QByteArray writeJson(const QVariant& value, bool* ok)
{
    QByteArray out;
    const bool written = writeValue(value, out, 0);
    if (ok)
        *ok = written;
    return written ? out : QByteArray();
}

} // namespace korvo
