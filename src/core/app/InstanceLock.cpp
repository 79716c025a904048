#include "app/InstanceLock.h"

InstanceLock::InstanceLock(const QString &fileName)
    : m_lock(fileName)
{
    // The program runs for days: a lock must never turn stale by its age,
    // only because its holder is gone.
    m_lock.setStaleLockTime(0);
}

InstanceLock::Result InstanceLock::acquire()
{
    if (m_lock.isLocked())
        return Acquired;
    if (m_lock.tryLock(0))
        return Acquired;
    if (m_lock.error() != QLockFile::LockFailedError)
        return Unavailable;
    // A lock file without a readable holder (cut short by a power loss) names
    // nobody who could still be running: take it over.
    qint64 pid = 0;
    QString host, app;
    if (!m_lock.getLockInfo(&pid, &host, &app) || pid <= 0) {
        if (m_lock.removeStaleLockFile() && m_lock.tryLock(0))
            return Acquired;
    }
    return HeldByOther;
}
