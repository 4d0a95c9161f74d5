#include "importing/packagearchive.h"

#include "text/translationcatalogue.h"

#include <QFile>

#include <zip.h>

namespace korvo {

QString PackageArchive::bombMessage()
{
    return translate(QStringLiteral("it would unpack to more than %1 MB or is compressed "
                                    "suspiciously well, as zip bombs are"))
        .arg(PackageArchive::MaxUnpackedSize / (1024 * 1024));
}

PackageArchive::~PackageArchive()
{
    if (m_archive)
        zip_discard(m_archive);
}

bool PackageArchive::isUnsafeName(const QString& name)
{
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')) ||
        (name.size() >= 2 && name.at(1) == QLatin1Char(':')))
        return true;
    QString separated = name;
    separated.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return separated.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

bool PackageArchive::isBomb(qint64 unpacked, qint64 packed)
{
    if (unpacked > MaxUnpackedSize)
        return true;
    return unpacked > RatioFloor && unpacked > qMax<qint64>(packed, 1) * MaxRatio;
}

bool PackageArchive::open(const QString& fileName, QString* error)
{
    int code = 0;
    m_archive =
        zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!m_archive) {
        *error = translate(QStringLiteral("it is not a zip archive"));
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    qint64 total = 0;
    qint64 totalPacked = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_archive, zip_uint64_t(i), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_NAME)) {
            *error = translate(QStringLiteral("it is not a zip archive"));
            return false;
        }
        const QString name = QString::fromUtf8(stat.name);
        if (isUnsafeName(name)) {
            *error =
                translate(QStringLiteral("it holds an entry with an unsafe path (%1)")).arg(name);
            return false;
        }
        const qint64 size = (stat.valid & ZIP_STAT_SIZE) ? qint64(stat.size) : 0;
        const qint64 packed = (stat.valid & ZIP_STAT_COMP_SIZE) ? qint64(stat.comp_size) : 0;
        // Sizes beyond any real file would overflow the sums.
        if (size > MaxUnpackedSize || isBomb(size, packed)) {
            *error = bombMessage();
            return false;
        }
        total += size;
        totalPacked += packed;
        if (isBomb(total, totalPacked)) {
            *error = bombMessage();
            return false;
        }
        m_names << name;
    }
    return true;
}

bool PackageArchive::extract(const QString& name, const QString& targetPath, QString* error)
{
    const QString unreadable = translate(QStringLiteral("its entry %1 cannot be read")).arg(name);
    const zip_int64_t index = zip_name_locate(m_archive, name.toUtf8().constData(), 0);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (index < 0 || zip_stat_index(m_archive, zip_uint64_t(index), 0, &stat) != 0) {
        *error = unreadable;
        return false;
    }
    const qint64 packed = (stat.valid & ZIP_STAT_COMP_SIZE) ? qint64(stat.comp_size) : 0;
    zip_file_t* entry = zip_fopen_index(m_archive, zip_uint64_t(index), 0);
    QFile target(targetPath);
    if (!entry || !target.open(QIODevice::WriteOnly)) {
        if (entry)
            zip_fclose(entry);
        *error = unreadable;
        return false;
    }
    char buffer[65536];
    qint64 written = 0;
    bool ok = true;
    for (;;) {
        const zip_int64_t read = zip_fread(entry, buffer, sizeof buffer);
        if (read < 0) {
            *error = unreadable;
            ok = false;
            break;
        }
        if (read == 0)
            break;
        written += read;
        // The sizes in the archive may lie; the bytes themselves do not.
        if (isBomb(written, packed)) {
            *error = bombMessage();
            ok = false;
            break;
        }
        if (target.write(buffer, read) != read) {
            *error = translate(QStringLiteral("there is no room to unpack it"));
            ok = false;
            break;
        }
    }
    zip_fclose(entry);
    target.close();
    if (!ok)
        target.remove();
    return ok;
}

} // namespace korvo
