#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct zip;

namespace korvo {

// A zip archive from outside (an Anki package), opened for reading only and refused when it
// could harm: an entry with an absolute path or a ".." part, more than MaxUnpackedSize bytes
// unpacked, or an entry compressed more than MaxRatio times (and unpacking to more than
// RatioFloor bytes; small files of empty database pages legitimately compress that well).
// Extraction enforces the limits again on the bytes actually unpacked, whatever the archive
// claims. Owns the libzip handle.
class PackageArchive
{
public:
    static constexpr qint64 MaxUnpackedSize = 100 * 1024 * 1024;
    static constexpr qint64 MaxRatio = 100;
    static constexpr qint64 RatioFloor = 1024 * 1024;

    PackageArchive() = default;
    ~PackageArchive();
    PackageArchive(const PackageArchive&) = delete;
    PackageArchive& operator=(const PackageArchive&) = delete;

    // Opens the archive and checks every entry; false with *error (words shown to the learner)
    // when it is no zip archive or is refused.
    bool open(const QString& fileName, QString* error);
    QStringList entryNames() const { return m_names; }
    bool contains(const QString& name) const { return m_names.contains(name); }
    // Unpacks the entry into a new file; false with *error when it cannot or grows too large.
    bool extract(const QString& name, const QString& targetPath, QString* error);

    // Whether an entry name could reach outside the folder it is unpacked into.
    static bool isUnsafeName(const QString& name);
    // Whether unpacking `unpacked` bytes from `packed` ones is refused as a zip bomb.
    static bool isBomb(qint64 unpacked, qint64 packed);
    // What the learner is told about a refused zip bomb.
    static QString bombMessage();

private:
    zip* m_archive = nullptr;
    QStringList m_names;
};

} // namespace korvo
