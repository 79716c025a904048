#include "support/MemoryProbe.h"

#include <QFile>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define T8A_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define T8A_ADDRESS_SANITIZER 1
#endif

#ifdef T8A_ADDRESS_SANITIZER
#include <sanitizer/allocator_interface.h>
#endif

qint64 MemoryProbe::heldBytes()
{
#ifdef T8A_ADDRESS_SANITIZER
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
#endif
}
