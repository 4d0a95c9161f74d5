#include "importing/ankipackagereader.h"

#include "importing/ankicollection.h"
#include "importing/packagearchive.h"
#include "text/translationcatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <vector>
#include <zstd.h>

namespace korvo {

namespace {

const char* const CollectionNames[] = {"collection.anki21b", "collection.anki21",
                                       "collection.anki2"};

// SQLite cannot open a database in write-ahead-log mode read-only without its side files; the
// copy is switched back to the rollback journal in its header (bytes 18 and 19).
bool leaveWalMode(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray header = file.read(20);
    if (header.size() == 20 && header.at(18) == 2 && header.at(19) == 2) {
        file.seek(18);
        file.write("\x01\x01", 2);
    }
    return true;
}

} // namespace

bool AnkiPackageReader::decompressZstd(const QString& sourcePath, const QString& targetPath,
                                       QString* error)
{
    const QString notZstd =
        translate(QStringLiteral("its compressed collection cannot be unpacked"));
    QFile source(sourcePath);
    QFile target(targetPath);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
        *error = notZstd;
        return false;
    }
    const qint64 packed = source.size();
    ZSTD_DStream* stream = ZSTD_createDStream();
    ZSTD_initDStream(stream);
    std::vector<char> in(ZSTD_DStreamInSize());
    std::vector<char> out(ZSTD_DStreamOutSize());
    qint64 written = 0;
    size_t last = 1; // 0 once a frame has ended
    bool ok = true;
    while (ok) {
        const qint64 read = source.read(in.data(), qint64(in.size()));
        if (read <= 0)
            break;
        ZSTD_inBuffer input = {in.data(), size_t(read), 0};
        while (ok && input.pos < input.size) {
            ZSTD_outBuffer output = {out.data(), out.size(), 0};
            last = ZSTD_decompressStream(stream, &output, &input);
            if (ZSTD_isError(last)) {
                *error = notZstd;
                ok = false;
                break;
            }
            written += qint64(output.pos);
            if (PackageArchive::isBomb(written, packed)) {
                *error = PackageArchive::bombMessage();
                ok = false;
            } else if (target.write(out.data(), qint64(output.pos)) != qint64(output.pos)) {
                *error = translate(QStringLiteral("there is no room to unpack it"));
                ok = false;
            }
        }
    }
    ZSTD_freeDStream(stream);
    // A stream cut short leaves its last frame unfinished.
    if (ok && (last != 0 || written == 0)) {
        *error = notZstd;
        ok = false;
    }
    return ok;
}

void AnkiPackageReader::read(const QString& fileName, ImportedFile& file)
{
    PackageArchive archive;
    QString error;
    if (!archive.open(fileName, &error)) {
        file.error = error;
        return;
    }
    QString entry;
    for (const char* name : CollectionNames) {
        if (archive.contains(QLatin1String(name))) {
            entry = QLatin1String(name);
            break;
        }
    }
    if (entry.isEmpty()) {
        file.error = translate(QStringLiteral("it holds no Anki collection"));
        return;
    }
    QTemporaryDir folder;
    if (!folder.isValid()) {
        file.error = translate(QStringLiteral("there is no room to unpack it"));
        return;
    }
    const QString unpacked = folder.filePath(QStringLiteral("collection.db"));
    const bool compressed = entry.endsWith(QLatin1String("b"));
    const QString extracted =
        compressed ? folder.filePath(QStringLiteral("collection.zst")) : unpacked;
    if (!archive.extract(entry, extracted, &error) ||
        (compressed && !decompressZstd(extracted, unpacked, &error))) {
        file.error = error;
        return;
    }
    if (compressed)
        QFile::remove(extracted);
    if (!leaveWalMode(unpacked)) {
        file.error = translate(QStringLiteral("its entry %1 cannot be read")).arg(entry);
        return;
    }
    AnkiCollection(unpacked).read(file);
}

} // namespace korvo
