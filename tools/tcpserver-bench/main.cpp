// The TCP measure server under a client that asks and never reads: a thread
// of the bench sends the request byte on loopback at a set rate for a set
// time and reads nothing, while the program's thread serves it from a fake
// board's axes. Prints the reply bytes waiting in the server's socket (its
// bytes to write: at the end and the most seen), the growth of the resident
// memory over the flood, the longest hold of the program's thread, and what
// the client finds once it reads at last.
//
// The client has a small window; the kernel still holds the first few MB
// for it (the server's send buffer grows up to its largest size), so the
// program's own backlog starts after a few seconds.
//
//   tcpserver-bench [seconds] [requests per second]     (default 15, 50000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "axis/cAxisInterface.h"
#include "axis/tcpserver.h"
#include "shared/SharedStruct.h"
#include "support/AxbLinkFixture.h"
#include "support/HoldProbe.h"
#include "support/MemoryProbe.h"
#include "widgets/QMessageBoxKovra.h"

namespace {

struct Flood
{
    std::atomic<qint64> sent{0};
    std::atomic<bool> flooded{false};
    // The figures at the flood's end were taken: the client may read.
    std::atomic<bool> endTaken{false};
    std::atomic<bool> done{false};
    QByteArray received;
    bool failed = false;
};

// The client: connects, sends `rate` request bytes a second for `seconds`
// without reading, then reads what waits until nothing more comes for a
// while (bounded).
void client(quint16 port, int seconds, int rate, Flood &f)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // The window of a small client: the kernel holds little for it.
    const int window = 16 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        f.failed = true;
        f.flooded = true;
        f.done = true;
        if (fd >= 0)
            ::close(fd);
        return;
    }
    // Let the server take the connection first.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QElapsedTimer clock;
    clock.start();
    const qint64 endNs = qint64(seconds) * 1000000000;
    const char request = 0x02;
    for (qint64 now = clock.nsecsElapsed(); now < endNs; now = clock.nsecsElapsed()) {
        const qint64 due = now * rate / 1000000000;
        if (f.sent >= due) {
            std::this_thread::sleep_for(std::chrono::microseconds(20));
            continue;
        }
        if (::send(fd, &request, 1, MSG_DONTWAIT | MSG_NOSIGNAL) == 1)
            ++f.sent;
    }
    f.flooded = true;
    for (int i = 0; i < 200 && !f.endTaken; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    char buf[65536];
    for (qint64 quietSince = clock.elapsed(); clock.elapsed() - quietSince < 500;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        f.received.append(buf, int(n));
        quietSince = clock.elapsed();
    }
    ::close(fd);
    f.done = true;
}

double mb(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = std::max(1, app.arguments().value(1, "15").toInt());
    const int rate = std::max(1, app.arguments().value(2, "50000").toInt());

    int boxes = 0;
    QMessageBoxKovra::setHandler([&boxes](const QMessageBoxKovra::Box &b) {
        std::fprintf(stderr, "tcpserver-bench: box %s: %s\n", qPrintable(b.title), qPrintable(b.text));
        ++boxes;
        return QMessageBox::Ok;
    });

    // A board that keeps answering, polled every 50 ms, as the program runs.
    AxbLinkFixture fixture(AxbLinkFixture::Options{50, true, false});
    fixture.setting("/SOCKET/Port", 0);
    fixture.board.setCounts(12500, 100000);
    fixture.board.setReferenced(true);
    fixture.start();
    CurrentMachine.name = QStringLiteral("LATHE1");
    QElapsedTimer wait;
    wait.start();
    while (fixture.link->linesUsed() == 0 && wait.elapsed() < 10000)
        app.processEvents(QEventLoop::AllEvents, 10);
    TCPServer server(nullptr, fixture.link.get(), QStringLiteral("127.0.0.1"));
    if (fixture.link->linesUsed() == 0 || !server.isListening()) {
        std::fprintf(stderr, "tcpserver-bench: no board answer or no server\n");
        return 1;
    }

    Flood flood;
    const qint64 startBytes = MemoryProbe::heldBytes();
    qint64 peakBytes = startBytes;
    qint64 mostWaiting = 0;
    qint64 endWaiting = 0;
    std::thread peer(client, server.serverPort(), seconds, rate, std::ref(flood));
    HoldProbe hold;
    hold.start();
    QElapsedTimer sample;
    sample.start();
    qint64 endBytes = startBytes;
    while (!flood.done) {
        app.processEvents(QEventLoop::AllEvents, 5);
        if (sample.elapsed() < 20 && !flood.flooded)
            continue;
        sample.restart();
        qint64 waiting = 0;
        for (const QTcpSocket *s : server.findChildren<QTcpSocket *>())
            waiting += s->bytesToWrite();
        mostWaiting = std::max(mostWaiting, waiting);
        if (!flood.flooded)
            peakBytes = std::max(peakBytes, MemoryProbe::heldBytes());
        if (flood.flooded && !flood.endTaken) {
            endWaiting = waiting;
            endBytes = MemoryProbe::heldBytes();
            flood.endTaken = true;
        }
    }
    const qint64 held = hold.longestMs();
    peer.join();
    if (flood.failed) {
        std::fprintf(stderr, "tcpserver-bench: the client could not connect\n");
        return 1;
    }

    const int lines = flood.received.count("LATHE1\n\r");
    const bool whole = flood.received.endsWith("LATHE1\n\r") || flood.received.isEmpty();
    std::printf("%d s of %d request bytes a second, client not reading: %lld sent\n", seconds, rate,
                static_cast<long long>(flood.sent.load()));
    std::printf("  reply bytes waiting in the server's socket: %lld at the end, %lld at most\n",
                static_cast<long long>(endWaiting), static_cast<long long>(mostWaiting));
    std::printf("  resident memory: %.1f MB before, %.1f MB at the end (%+.1f MB), %.1f MB at most\n", mb(startBytes),
                mb(endBytes), mb(endBytes - startBytes), mb(peakBytes));
    std::printf("  longest hold of the program's thread: %lld ms\n", static_cast<long long>(held));
    std::printf("  read at last: %lld bytes, %d replies, %s\n", static_cast<long long>(flood.received.size()), lines,
                whole ? "each whole" : "the last one cut");
    server.closeSocket();
    return boxes ? 1 : 0;
}
