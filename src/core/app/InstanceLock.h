#pragma once

#include <QLockFile>
#include <QString>

// Keeps a second copy of the program from running in the same working
// directory. The lock lives as long as this object; a lock left behind by a
// process that is gone (crash, power cut) is taken over.
class InstanceLock
{
public:
    enum Result {
        Acquired,     // this process holds the lock now
        HeldByOther,  // another running process holds it
        Unavailable   // the lock file cannot be made (folder not writable...)
    };

    explicit InstanceLock(const QString &fileName = QStringLiteral("./T8A_M.lock"));
    Result acquire();
    bool isHeld() const { return m_lock.isLocked(); }

private:
    QLockFile m_lock;
};
