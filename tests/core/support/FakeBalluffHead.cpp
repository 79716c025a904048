#include "support/FakeBalluffHead.h"

FakeBalluffHead::FakeBalluffHead(QObject *parent) : PtyPeer(Raw, parent)
{
    setResponder([this](const QByteArray &chunk) { return model.take(chunk); });
}
