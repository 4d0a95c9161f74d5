#include "app/inifile.h"

#include <QFile>
#include <QStringList>

namespace korvo {

namespace {

QString valueKey(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

IniFile::IniFile(const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    parse(QString::fromUtf8(bytes));
    m_loaded = true;
}

QString IniFile::value(const QString& section, const QString& key,
                       const QString& defaultValue) const
{
    return m_values.value(valueKey(section, key), defaultValue);
}

void IniFile::parse(const QString& text)
{
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& rawLine : lines) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        m_values.insert(valueKey(section, line.left(equals).trimmed()),
                        line.mid(equals + 1).trimmed());
    }
}

} // namespace korvo
