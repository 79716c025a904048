#pragma once

#include <QByteArray>
#include <QQueue>

// Cuts what a CNC or host computer sends on the serial DNC line into
// requests, each up to its CR, and asks of the trigger byte. They wait here
// for their replies, in the order they came; what waits is bounded, and past
// its bounds the bytes received wait uncut until requests are taken. Bytes
// in, requests out: no line and no clock of its own.
class DncRequestFramer
{
public:
    // What waits for its reply: a request up to its CR, a trigger byte, a
    // request refused for its size, a request that did not end in time.
    struct Request
    {
        enum Kind { Line, Trigger, Oversized, Expired } kind;
        QByteArray bytes;
    };

    // trigger: the byte that asks for a position on its own (0: none).
    explicit DncRequestFramer(char trigger = 0) : trigger(trigger) {}

    // The most complete requests that wait for their replies, in count and
    // in bytes (one import of the largest size fills the bytes).
    static constexpr int kMaxWaitingRequests = 1024;
    static constexpr int kMaxWaitingBytes = 4 * 1024 * 1024;

    // Bytes as the line delivers them, in chunks of any size: the same bytes
    // give the same requests however they are cut.
    void append(const QByteArray &data);
    bool hasRequest() const { return !requests.isEmpty(); }
    // The oldest request waiting; bytes that waited uncut are cut into its
    // room.
    Request takeRequest();
    // Nothing more is to be read: the requests waiting are at their bounds,
    // or bytes received wait uncut.
    bool isFull() const { return atBound() || unreadFrom < unread.size(); }
    // A request was begun and has not ended (also one refused for its size,
    // whose bytes are dropped up to its CR).
    bool hasPartial() const { return !partial.isEmpty() || state == State::Skipping; }
    // The host did not end its request in time: it is dropped and refused
    // (Expired), unless it was refused for its size already. True when a
    // refusal was queued.
    bool expire();

private:
    // Taking a request's bytes, or dropping a refused one's up to its CR.
    enum class State { Taking, Skipping };

    void assemble();
    void take(QByteArray data);
    void queue(Request request);
    bool atBound() const;

    char trigger;
    State state = State::Taking;
    // Bytes received and not yet cut into requests (from unreadFrom on): they
    // wait there while the requests waiting are at their bounds.
    QByteArray unread;
    int unreadFrom = 0;
    QByteArray partial;
    QQueue<Request> requests;
    qint64 waitingBytes = 0;
};
