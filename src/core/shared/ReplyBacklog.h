#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// The bound on the replies that wait for one peer of a socket the program
// serves: a peer that keeps asking and never reads must not make the
// program's memory grow. A reply past the bound is dropped whole, never cut,
// and the peer stays connected; once it reads, it is answered again.
class ReplyBacklog
{
public:
    // The most reply bytes that wait unread for one peer (a reply larger
    // than this goes alone, once nothing waits).
    static constexpr qint64 kMaxWaiting = 32 * 1024;

    // Queues the reply when it fits whole under the bound; false when it was
    // dropped.
    static bool write(QIODevice &peer, const QByteArray &reply);
};
