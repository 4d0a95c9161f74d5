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

void substitute(QString& text, const QString& name, const QString& value)
{
    text.replace(QStringLiteral("{$") + name + QLatin1Char('}'), value);
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
    QString text = *cached;
    for (auto value = values.constBegin(); value != values.constEnd(); ++value)
        substitute(text, value.key(), value.value());
    const QMap<QString, QString>& globals = templateGlobals();
    for (auto global = globals.constBegin(); global != globals.constEnd(); ++global) {
        if (!values.contains(global.key()))
            substitute(text, global.key(), global.value());
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
