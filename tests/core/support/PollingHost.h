#pragma once

#include <QByteArray>

#include <vector>

// A host computer that polls the program (a DNC host on a serial line, a
// client of the measure server) from a thread of its own: it sends a request
// every period and notes when each request went out and when each reply came
// complete, also while the program's thread is held.
struct PollingHost
{
    struct Reply
    {
        QByteArray bytes;
        qint64 atMs; // ManageSerialPort::monotonicMs()
    };
    std::vector<qint64> sentMs;
    std::vector<Reply> replies;

    // Sends count requests on fd, periodMs apart, and reads replies until
    // tailMs after the last one. A reply is NAK and a code byte, or a line
    // ending in CR.
    void run(int fd, const QByteArray &request, int count, int periodMs, int tailMs);
};
