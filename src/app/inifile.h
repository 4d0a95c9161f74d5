#pragma once

#include <QHash>
#include <QString>

namespace korvo {

// Reads the small INI files that sit beside the executable: "[Section]" lines and
// "key=value" lines. Anything else is ignored; a file that cannot be read counts as
// an empty one. Owned by whoever reads it.
class IniFile
{
public:
    explicit IniFile(const QString& filePath);

    bool isLoaded() const { return m_loaded; }
    QString value(const QString& section, const QString& key,
                  const QString& defaultValue = QString()) const;

private:
    void parse(const QString& text);

    bool m_loaded = false;
    QHash<QString, QString> m_values; // "section/key" -> value
};

} // namespace korvo
