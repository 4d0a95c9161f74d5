#include "text/texthelpers.h"

namespace korvo {

namespace {

bool isWordSeparator(QChar c)
{
    static const QString separators = QStringLiteral(" \n\t\r,;.:/?!+=*)([]\"'&@#");
    return separators.contains(c);
}

bool isNameCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           u == u'_' || u == u'-' || u == u'(' || u == u')' || u == u'[' || u == u']' || u == u' ';
}

} // namespace

QStringList splitCharacters(const QString& text)
{
    QStringList characters;
    characters.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        characters << text.mid(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
    }
    return characters;
}

QStringList splitWords(const QString& text)
{
    QStringList words;
    QString word;
    for (const QChar c : text) {
        if (!isWordSeparator(c)) {
            word.append(c);
        } else if (!word.isEmpty()) {
            words.append(word);
            word.clear();
        }
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

bool containsWord(const QString& text, const QString& word, bool caseSensitive)
{
    const QString wanted = caseSensitive ? word : word.toLower();
    auto matches = [&](const QString& candidate) {
        return caseSensitive ? candidate == wanted : candidate.toLower() == wanted;
    };
    QString current;
    for (const QChar c : text) {
        if (!isWordSeparator(c)) {
            current.append(c);
        } else if (!current.isEmpty()) {
            if (matches(current))
                return true;
            current.clear();
        }
    }
    return !current.isEmpty() && matches(current);
}

QString removeParenthesised(const QString& text)
{
    QString result;
    result.reserve(text.size());
    int depth = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char(')') && depth > 0)
            --depth;
        else if (c == QLatin1Char('('))
            ++depth;
        else if (depth == 0)
            result.append(c);
    }
    return result;
}

QString escapeHtml(const QString& text)
{
    QString result = text;
    result.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    result.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    result.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    result.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    result.replace(QLatin1Char('\''), QLatin1String("&#039;"));
    return result;
}

QString safeName(const QString& text)
{
    QString result;
    result.reserve(text.size());
    bool inRun = false;
    for (const QChar c : text) {
        if (isNameCharacter(c)) {
            result.append(c);
            inRun = false;
        } else if (!inRun) {
            result.append(QLatin1Char('_'));
            inRun = true;
        }
    }
    return result.isEmpty() ? QStringLiteral("_") : result;
}

int compareVersions(const QString& a, const QString& b)
{
    QStringList partsA = a.split(QLatin1Char('.'));
    QStringList partsB = b.split(QLatin1Char('.'));
    const qsizetype count = qMin(partsA.size(), partsB.size());
    for (qsizetype i = 0; i < count; ++i) {
        bool okA = false;
        bool okB = false;
        const qlonglong numberA = partsA.at(i).toLongLong(&okA);
        const qlonglong numberB = partsB.at(i).toLongLong(&okB);
        if (!okA || !okB)
            return 0;
        if (numberA != numberB)
            return numberA > numberB ? 1 : -1;
    }
    return 0;
}

QString replaceUnpairedSurrogates(const QString& text)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    // Most texts have no surrogates at all; they are returned without a copy.
    while (i < size && !text.at(i).isSurrogate())
        ++i;
    if (i == size)
        return text;
    QString result = text;
    QChar* data = result.data();
    while (i < size) {
        if (data[i].isHighSurrogate() && i + 1 < size && data[i + 1].isLowSurrogate()) {
            i += 2;
            continue;
        }
        if (data[i].isSurrogate())
            data[i] = QChar::ReplacementCharacter;
        ++i;
    }
    return result;
}

} // namespace korvo
