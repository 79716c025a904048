// Round trip through the serial port manager over a pseudo-terminal: a
// 3-byte request goes out, a peer thread answers with 30 bytes at once, and
// the time until the whole answer has reached the owner's thread is taken.
//
//   serial-bench [exchanges]     (default 1000)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "axis/ManageSerialPort.h"

namespace {

const QByteArray kRequest("\x05X\r", 3);
const QByteArray kAnswer("X-1234567 Z7654321 I255 O0 C1\r"); // 30 bytes

void answerRequests(int master, std::atomic<bool> *stop)
{
    QByteArray pending;
    char buf[256];
    while (!*stop) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        const ssize_t r = ::read(master, buf, sizeof buf);
        if (r <= 0)
            continue;
        pending.append(buf, int(r));
        while (pending.size() >= kRequest.size()) {
            pending.remove(0, kRequest.size());
            ssize_t done = 0;
            while (done < kAnswer.size()) {
                const ssize_t w = ::write(master, kAnswer.constData() + done,
                                          size_t(kAnswer.size() - done));
                if (w > 0)
                    done += w;
            }
        }
    }
}

double percentile(const std::vector<double> &sorted, double p)
{
    const size_t i = std::min(sorted.size() - 1, size_t(p * double(sorted.size() - 1) + 0.5));
    return sorted[i];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;

    int master = -1, slave = -1;
    char name[256] = {0};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios tio;
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);

    ManageSerialPort port;
    port.enableSending();
    port.enableReceiving();
    if (!port.openLine(QString::fromLocal8Bit(name), 115200, QString()) || port.receiveData() != 1) {
        std::fprintf(stderr, "cannot open %s\n", name);
        return 1;
    }

    std::atomic<bool> stop{false};
    std::thread peer(answerRequests, master, &stop);

    QEventLoop loop;
    int got = 0;
    QObject::connect(&port, &ManageSerialPort::MnewDataReceived, &loop,
                     [&](const QByteArray &chunk) {
                         got += chunk.size();
                         if (got >= kAnswer.size())
                             loop.quit();
                     });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] { loop.exit(1); });

    const int warmUp = 50;
    std::vector<double> micros;
    micros.reserve(size_t(exchanges));
    QElapsedTimer clock;
    for (int i = 0; i < warmUp + exchanges; ++i) {
        got = 0;
        QByteArray request = kRequest;
        guard.start(2000);
        clock.start();
        port.sendData(request);
        if (loop.exec() != 0) {
            std::fprintf(stderr, "exchange %d: no answer\n", i);
            break;
        }
        const double us = double(clock.nsecsElapsed()) / 1000.0;
        guard.stop();
        if (i >= warmUp)
            micros.push_back(us);
    }

    stop = true;
    peer.join();
    port.close();
    ::close(master);
    ::close(slave);

    if (micros.empty())
        return 1;
    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double v : sorted)
        sum += v;
    std::printf("exchanges %zu (3-byte request, 30-byte answer, pty)\n", sorted.size());
    std::printf("median %.0f us  p99 %.0f us  mean %.0f us  min %.0f us  max %.0f us\n",
                percentile(sorted, 0.5), percentile(sorted, 0.99), sum / double(sorted.size()),
                sorted.front(), sorted.back());
    return int(sorted.size()) == exchanges ? 0 : 1;
}
