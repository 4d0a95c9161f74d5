#pragma once

#include <QString>
#include <QTemporaryDir>

// A folder whose file system can run full or turn read-only while a test runs: a size-limited
// tmpfs mounted on a fresh temporary folder (root only, as the test machines and CI run). Test
// code only.
namespace profiletest {

class LimitedFolder
{
public:
    // Mounts a tmpfs of `bytes` bytes; see isMounted() and error().
    explicit LimitedFolder(qint64 bytes);
    // Unmounts whatever was mounted, whatever happened in the test.
    ~LimitedFolder();
    LimitedFolder(const LimitedFolder&) = delete;
    LimitedFolder& operator=(const LimitedFolder&) = delete;

    bool isMounted() const { return m_mounted; }
    // Why the folder could not be mounted (not root, no mount permission...).
    QString error() const { return m_error; }
    QString path() const { return m_path; }

    // Read-only: a read-only bind mount of the folder stacked on itself. A plain
    // "mount -o remount,ro" is refused while a program holds a file of it open for writing (as
    // SQLite does); the stacked mount turns every new write through the folder's path (the
    // journal SQLite needs for any change) into a read-only error.
    bool makeReadOnly();
    // Takes the read-only mount away again.
    bool makeWritable();
    // Writes a filler file until the file system has no room left.
    bool fill();
    // Removes the filler file.
    bool unfill();

private:
    static bool run(const QStringList& arguments, QString* error);

    QTemporaryDir m_base;
    QString m_path;
    bool m_mounted = false;
    bool m_readOnly = false;
    QString m_error;
};

} // namespace profiletest
