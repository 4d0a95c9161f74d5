#include "profile/profilelock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace korvo {

ProfileLock::ProfileLock(const QString& profileFolder)
    : m_path(QDir(profileFolder).filePath(QStringLiteral("Profile.db.lock"))),
      m_lock(std::make_unique<QLockFile>(m_path))
{
    // Only a lock whose process has ended is stale, however long the program runs.
    m_lock->setStaleLockTime(0);
}

ProfileLock::~ProfileLock() = default;

bool ProfileLock::tryLock()
{
    if (m_lock->isLocked())
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    return m_lock->tryLock(0);
}

bool ProfileLock::isLocked() const
{
    return m_lock->isLocked();
}

} // namespace korvo
