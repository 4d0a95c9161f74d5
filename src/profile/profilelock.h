#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace korvo {

// Says that a process works on the profile of a folder: a lock file "Profile.db.lock" beside the
// database, held while this object holds it. The program takes it for its whole run; tools that
// write the profile behind its back refuse while they cannot take it. A lock left by a process
// that has ended is taken over; a live one never goes stale. Owned by whoever locks.
class ProfileLock
{
public:
    explicit ProfileLock(const QString& profileFolder);
    ~ProfileLock();
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

    // Takes the lock without waiting; false while another process holds it.
    bool tryLock();
    bool isLocked() const;
    QString path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace korvo
