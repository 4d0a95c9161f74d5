#include "dictionary_ui/pagetemplates.h"

#include <QFile>
#include <QHash>

namespace {

QHash<QString, QString>& templateCache()
{
    static QHash<QString, QString> cache;
    return cache;
}

QMap<QString, QString>& templateGlobals()
{
    static QMap<QString, QString> globals;
    return globals;
}

} // namespace

QString renderTemplate(const QString& filePath, const QMap<QString, QString>& values)
{
    auto cached = templateCache().constFind(filePath);
    if (cached == templateCache().constEnd()) {
        QFile file(filePath);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return QString();
        cached = templateCache().insert(filePath, QString::fromUtf8(file.readAll()));
    }
    // One pass over the template: a value is never searched for placeholders itself, so that a
    // text holding "{$name}" (a query, say) cannot pull other values into the page.
    const QString& source = *cached;
    const QMap<QString, QString>& globals = templateGlobals();
    QString text;
    text.reserve(source.size());
    qsizetype at = 0;
    while (at < source.size()) {
        const qsizetype open = source.indexOf(QLatin1String("{$"), at);
        const qsizetype close = open < 0 ? -1 : source.indexOf(QLatin1Char('}'), open + 2);
        if (close < 0) {
            text += QStringView(source).mid(at);
            break;
        }
        text += QStringView(source).mid(at, open - at);
        const QString name = source.mid(open + 2, close - open - 2);
        const auto value = values.constFind(name);
        const auto global = globals.constFind(name);
        if (value != values.constEnd())
            text += *value;
        else if (global != globals.constEnd())
            text += *global;
        else
            text += QStringView(source).mid(open, close - open + 1);
        at = close + 1;
    }
    return text;
}

void setTemplateGlobal(const QString& name, const QString& value)
{
    templateGlobals().insert(name, value);
}

void clearTemplateCache()
{
    templateCache().clear();
}

QString cssFontFamily(const QString& family)
{
    QString safe;
    for (const QChar c : family) {
        if (c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') ||
            c == QLatin1Char('_'))
            safe += c;
    }
    return safe;
}
