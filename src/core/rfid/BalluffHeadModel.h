#pragma once

#include <QByteArray>
#include <QList>

// The head's side of the telegram protocol, as the stand-ins for a read/write
// head (the simulator and the test head) play it: it holds one tag image,
// takes the bytes the program sends and returns the head's answers.
struct BalluffHeadModel
{
    QByteArray tag = QByteArray(512, '\0'); // the tag's bytes; its size is the capacity
    bool tagPresent = true;
    // Scripted refusals: each request (read, write) takes the next code and
    // is answered NAK + code instead of ACK "0".
    QList<char> nakCodes;
    // The data block of a write is answered NAK + this code (0: ACK "0").
    char nakAfterData = 0;
    // The read reply carries a wrong BCC.
    bool badReadBcc = false;
    // Extra data bytes in front of the read reply (a longer reply).
    QByteArray readPrefix;

    // Every complete telegram taken, as received (requests with their BCC).
    QList<QByteArray> telegrams;
    // Requests in the last read or write: address and count.
    int lastAddress = -1;
    int lastCount = -1;
    int writes = 0;

    // Takes bytes sent by the program and returns the answer bytes (may be
    // empty); an incomplete telegram waits for the rest.
    QByteArray take(const QByteArray &bytes);

private:
    enum Phase { Idle, ReadAcked, WriteAcked };
    QByteArray answerRequest(const QByteArray &t);
    Phase phase = Idle;
    QByteArray pending;
};
