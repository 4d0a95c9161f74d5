#pragma once

#include <QString>
#include <QStringList>

namespace korvo {

// Finds and reads the inputs of the data build: the pinned npm packages, the Debian Unicode
// data, and the source folder of the repository (data/sources). Every read that fails reports one line naming the file
// on the error output and returns false, so the caller can stop before writing anything.
class SourceFiles
{
public:
    SourceFiles(const QString& nodeModulesDir, const QString& sourceDataDir,
                const QString& unicodeDir);

    QString nodeModule(const QString& relativePath) const;
    QString sourceData(const QString& relativePath) const;
    QString unicode(const QString& relativePath) const;

    // Plain UTF-8 text.
    bool readText(const QString& path, QString* text) const;
    // Text wrapped as a JavaScript module: the content of the first template literal.
    bool readModuleText(const QString& path, QString* text) const;
    // A bzip2-compressed UTF-8 text file, unpacked with the system's bzip2.
    bool readBzip2Text(const QString& path, QString* text) const;

private:
    QString m_nodeModulesDir;
    QString m_sourceDataDir;
    QString m_unicodeDir;
};

// Writes "datagen: <file>: <message>" on the error output.
void reportError(const QString& file, const QString& message);
// Writes one progress line on the standard output, prefixed by the seconds since start.
void reportProgress(const QString& message);

} // namespace korvo
