#include "importing/importfilereader.h"

#include "importing/ankipackagereader.h"
#include "importing/csvreader.h"
#include "importing/plecoreader.h"
#include "text/textfiledecoder.h"
#include "text/translationcatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvo {

QStringList ImportFileReader::suffixes()
{
    return {QStringLiteral("apkg"), QStringLiteral("colpkg"), QStringLiteral("txt"),
            QStringLiteral("csv"), QStringLiteral("tsv")};
}

bool ImportFileReader::canRead(const QString& fileName)
{
    return suffixes().contains(QFileInfo(fileName).suffix().toLower());
}

void ImportFileReader::readText(const QString& text, ImportedFile& file)
{
    if (file.format == ImportedFile::Pleco)
        PlecoReader::read(text, file);
    else
        CsvReader::read(text, file);
}

ImportedFile ImportFileReader::read(const QString& fileName)
{
    ImportedFile file;
    file.fileName = fileName;
    const QFileInfo info(fileName);
    file.defaultDeck = info.completeBaseName();
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("apkg") || suffix == QLatin1String("colpkg"))
        file.format = ImportedFile::Anki;

    if (!info.isFile()) {
        file.error = translate(QStringLiteral("it does not exist"));
    } else if (info.size() > MaxFileSize) {
        file.error =
            translate(QStringLiteral("it is larger than %1 MB")).arg(MaxFileSize / (1024 * 1024));
    } else if (!canRead(fileName)) {
        file.error = translate(QStringLiteral("its kind of file is not known"));
    } else if (file.format == ImportedFile::Anki) {
        AnkiPackageReader::read(fileName, file);
    } else {
        QFile input(fileName);
        QString text;
        if (!input.open(QIODevice::ReadOnly)) {
            file.error = translate(QStringLiteral("it cannot be read"));
        } else if (!TextFileDecoder::decode(input.read(MaxFileSize), &text)) {
            file.error = translate(QStringLiteral("it is not text in UTF-8, UTF-16 or GB18030"));
        } else {
            if (suffix == QLatin1String("txt") && PlecoReader::looksLikePleco(text))
                file.format = ImportedFile::Pleco;
            readText(text, file);
        }
    }
    if (!file.isValid()) {
        file.error = translate(QStringLiteral("The file %1 cannot be imported: %2."))
                         .arg(QDir::toNativeSeparators(fileName), file.error);
        file.notes.clear();
    }
    return file;
}

} // namespace korvo
