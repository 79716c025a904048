#include "support/LockHolder.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

#include "app/InstanceLock.h"

int holdLockWhenAsked(int argc, char *argv[])
{
    const QByteArray holdIn = qgetenv("T8A_HOLD_LOCK_IN");
    if (holdIn.isEmpty())
        return -1;
    QCoreApplication app(argc, argv);
    QDir::setCurrent(QString::fromLocal8Bit(holdIn));
    InstanceLock lock;
    if (lock.acquire() != InstanceLock::Acquired)
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    char buffer[64];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    return 0;
}
