#include "shared/ReplyBacklog.h"

#include <QIODevice>

bool ReplyBacklog::write(QIODevice &peer, const QByteArray &reply)
{
    const qint64 waiting = peer.bytesToWrite();
    if (waiting > 0 && waiting + reply.size() > kMaxWaiting)
        return false;
    return peer.write(reply) == reply.size();
}
