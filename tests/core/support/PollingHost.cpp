#include "support/PollingHost.h"

#include "axis/ManageSerialPort.h"

#include <QtGlobal>

#include <poll.h>
#include <unistd.h>

namespace {
const char NAK = 0x15;
}

void PollingHost::run(int fd, const QByteArray &request, int count, int periodMs, int tailMs)
{
    QByteArray pending;
    const qint64 startMs = ManageSerialPort::monotonicMs();
    const qint64 endMs = startMs + qint64(count - 1) * periodMs + tailMs;
    for (;;) {
        const qint64 now = ManageSerialPort::monotonicMs();
        const qint64 nextRequestMs = startMs + qint64(sentMs.size()) * periodMs;
        if (int(sentMs.size()) < count && now >= nextRequestMs) {
            sentMs.push_back(now);
            if (::write(fd, request.constData(), size_t(request.size())) != request.size())
                return;
            continue;
        }
        if (now >= endMs)
            return;
        const qint64 until = int(sentMs.size()) < count ? nextRequestMs : endMs;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(qMax<qint64>(1, until - now))) <= 0 || !(p.revents & POLLIN))
            continue;
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return;
        pending.append(buf, int(n));
        const qint64 at = ManageSerialPort::monotonicMs();
        for (;;) {
            int length = 0;
            if (pending.startsWith(NAK))
                length = pending.size() >= 2 ? 2 : 0;
            else if (pending.contains('\r'))
                length = pending.indexOf('\r') + 1;
            if (length == 0)
                break;
            replies.push_back({pending.left(length), at});
            pending.remove(0, length);
        }
    }
}
