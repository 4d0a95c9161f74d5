#include "importing/ankitext.h"

#include "text/json.h"
#include "text/texthelpers.h"

#include <QMap>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>

namespace korvo {

namespace {

// Named entities that card texts use; any other name is kept as written.
const QHash<QString, char16_t>& namedEntities()
{
    static const QHash<QString, char16_t> entities = {
        {QStringLiteral("amp"), u'&'},         {QStringLiteral("lt"), u'<'},
        {QStringLiteral("gt"), u'>'},          {QStringLiteral("quot"), u'"'},
        {QStringLiteral("apos"), u'\''},       {QStringLiteral("nbsp"), u' '},
        {QStringLiteral("ensp"), u' '},        {QStringLiteral("emsp"), u' '},
        {QStringLiteral("thinsp"), u' '},      {QStringLiteral("ndash"), u'\u2013'},
        {QStringLiteral("mdash"), u'\u2014'},  {QStringLiteral("hellip"), u'\u2026'},
        {QStringLiteral("middot"), u'\u00b7'}, {QStringLiteral("lsquo"), u'\u2018'},
        {QStringLiteral("rsquo"), u'\u2019'},  {QStringLiteral("ldquo"), u'\u201c'},
        {QStringLiteral("rdquo"), u'\u201d'},  {QStringLiteral("laquo"), u'\u00ab'},
        {QStringLiteral("raquo"), u'\u00bb'},  {QStringLiteral("times"), u'\u00d7'},
        {QStringLiteral("uuml"), u'\u00fc'},   {QStringLiteral("Uuml"), u'\u00dc'},
        {QStringLiteral("eacute"), u'\u00e9'}, {QStringLiteral("egrave"), u'\u00e8'},
        {QStringLiteral("aacute"), u'\u00e1'}, {QStringLiteral("agrave"), u'\u00e0'},
        {QStringLiteral("iacute"), u'\u00ed'}, {QStringLiteral("igrave"), u'\u00ec'},
        {QStringLiteral("oacute"), u'\u00f3'}, {QStringLiteral("ograve"), u'\u00f2'},
        {QStringLiteral("uacute"), u'\u00fa'}, {QStringLiteral("ugrave"), u'\u00f9'},
        {QStringLiteral("deg"), u'\u00b0'},    {QStringLiteral("copy"), u'\u00a9'},
    };
    return entities;
}

// Tags after which the text goes on on a new line.
bool breaksLine(const QString& tagName)
{
    static const QStringList names = {
        QStringLiteral("br"), QStringLiteral("div"), QStringLiteral("p"),  QStringLiteral("li"),
        QStringLiteral("tr"), QStringLiteral("hr"),  QStringLiteral("h1"), QStringLiteral("h2"),
        QStringLiteral("h3"), QStringLiteral("ul"),  QStringLiteral("ol")};
    return names.contains(tagName);
}

QString withoutSounds(const QString& html)
{
    static const QLatin1String sound("[sound:");
    if (!html.contains(sound))
        return html;
    QString result;
    qsizetype p = 0;
    for (;;) {
        const qsizetype start = html.indexOf(sound, p);
        const qsizetype end = start < 0 ? -1 : html.indexOf(QLatin1Char(']'), start);
        if (end < 0) {
            result.append(QStringView(html).mid(p));
            return result;
        }
        result.append(QStringView(html).mid(p, start - p));
        p = end + 1;
    }
}

// Tags dropped, line-breaking ones replaced by a line break; the contents of style and script
// elements dropped with them. A "<" that starts no tag stays.
QString withoutTags(const QString& html)
{
    QString result;
    result.reserve(html.size());
    QString skipUntil;
    qsizetype p = 0;
    while (p < html.size()) {
        const QChar c = html.at(p);
        const bool tagStart = c == QLatin1Char('<') && p + 1 < html.size() &&
                              (html.at(p + 1).isLetter() || html.at(p + 1) == QLatin1Char('/') ||
                               html.at(p + 1) == QLatin1Char('!'));
        if (!tagStart) {
            if (skipUntil.isEmpty())
                result.append(c);
            ++p;
            continue;
        }
        const qsizetype end = html.indexOf(QLatin1Char('>'), p);
        if (end < 0) {
            if (skipUntil.isEmpty())
                result.append(QStringView(html).mid(p));
            break;
        }
        const QStringView tag = QStringView(html).mid(p + 1, end - p - 1);
        const bool closing = tag.startsWith(QLatin1Char('/'));
        qsizetype nameEnd = closing ? 1 : 0;
        while (nameEnd < tag.size() && tag.at(nameEnd).isLetterOrNumber())
            ++nameEnd;
        const QString name =
            tag.mid(closing ? 1 : 0, nameEnd - (closing ? 1 : 0)).toString().toLower();
        if (!skipUntil.isEmpty()) {
            if (closing && name == skipUntil)
                skipUntil.clear();
        } else if (!closing &&
                   (name == QLatin1String("style") || name == QLatin1String("script"))) {
            skipUntil = name;
        } else if (breaksLine(name)) {
            result.append(QLatin1Char('\n'));
        }
        p = end + 1;
    }
    return result;
}

// The character of "&...;" at p and the length of the reference, or 0 when there is none.
qsizetype decodeEntity(const QString& text, qsizetype p, QString* decoded)
{
    const qsizetype end = text.indexOf(QLatin1Char(';'), p);
    if (end < 0 || end - p > 12)
        return 0;
    const QString name = text.mid(p + 1, end - p - 1);
    if (name.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint code =
            name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'))
                ? name.mid(2).toUInt(&ok, 16)
                : name.mid(1).toUInt(&ok, 10);
        // No characters that are not characters: zero, surrogates, beyond Unicode.
        if (!ok || code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return 0;
        const char32_t character = code;
        *decoded = code == 0xA0 ? QStringLiteral(" ") : QString::fromUcs4(&character, 1);
        return end - p + 1;
    }
    const auto it = namedEntities().constFind(name);
    if (it == namedEntities().constEnd())
        return 0;
    *decoded = QChar(it.value());
    return end - p + 1;
}

QString decodeEntities(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype p = 0; p < text.size();) {
        QString decoded;
        const qsizetype length =
            text.at(p) == QLatin1Char('&') ? decodeEntity(text, p, &decoded) : 0;
        if (length > 0) {
            result.append(decoded);
            p += length;
        } else {
            result.append(text.at(p++));
        }
    }
    return result;
}

// Blanks simplified within each line, empty lines dropped.
QString tidyLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        QString tidy = line;
        tidy.replace(QChar(0xA0), QLatin1Char(' '));
        tidy = tidy.simplified();
        if (!tidy.isEmpty())
            lines << tidy;
    }
    return lines.join(QLatin1Char('\n'));
}

QString textOf(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QLatin1String(key));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

QStringList AnkiText::splitFields(const QString& fields)
{
    return fields.split(QChar(FieldSeparator));
}

QString AnkiText::htmlToPlainText(const QString& html)
{
    QString text = withoutSounds(html);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text = decodeEntities(withoutTags(text));
    return replaceUnpairedSurrogates(tidyLines(text));
}

QStringList AnkiText::deckPath(const QString& name)
{
    QString separated = name;
    separated.replace(QLatin1String("::"), QString(QChar(FieldSeparator)));
    QStringList path;
    for (const QString& part : separated.split(QChar(FieldSeparator))) {
        const QString title = replaceUnpairedSurrogates(part.simplified());
        if (!title.isEmpty())
            path << title;
    }
    return path;
}

QHash<qint64, NoteType> AnkiText::noteTypesFromJson(const QString& json)
{
    QHash<qint64, NoteType> types;
    const QVariant document = readJson(json);
    if (document.typeId() != QMetaType::QVariantMap)
        return types;
    const QVariantMap models = document.toMap();
    for (auto it = models.cbegin(); it != models.cend(); ++it) {
        if (it.value().typeId() != QMetaType::QVariantMap)
            continue;
        bool ok = false;
        const qint64 id = it.key().toLongLong(&ok);
        if (!ok)
            continue;
        const QVariantMap model = it.value().toMap();
        // Fields by their "ord"; those without one keep their place after the numbered ones.
        QMap<int, QString> byOrder;
        const QVariantList fields = model.value(QStringLiteral("flds")).toList();
        int next = 0;
        for (const QVariant& field : fields) {
            const QVariantMap map = field.toMap();
            bool hasOrder = false;
            int order = map.value(QStringLiteral("ord")).toString().toInt(&hasOrder);
            if (!hasOrder || order < 0 || byOrder.contains(order))
                order = qMax(next, byOrder.isEmpty() ? 0 : byOrder.lastKey() + 1);
            byOrder.insert(order, replaceUnpairedSurrogates(textOf(map, "name")));
            next = order + 1;
        }
        NoteType type;
        type.name = replaceUnpairedSurrogates(textOf(model, "name"));
        type.fieldNames = byOrder.values();
        types.insert(id, type);
    }
    return types;
}

QHash<qint64, QString> AnkiText::deckNamesFromJson(const QString& json)
{
    QHash<qint64, QString> names;
    const QVariant document = readJson(json);
    if (document.typeId() != QMetaType::QVariantMap)
        return names;
    const QVariantMap decks = document.toMap();
    for (auto it = decks.cbegin(); it != decks.cend(); ++it) {
        bool ok = false;
        const qint64 id = it.key().toLongLong(&ok);
        if (ok && it.value().typeId() == QMetaType::QVariantMap)
            names.insert(id, textOf(it.value().toMap(), "name"));
    }
    return names;
}

} // namespace korvo
