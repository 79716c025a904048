#include "support/FakeCncServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <linux/sockios.h>
#include <sys/ioctl.h>

FakeCncServer::FakeCncServer(QObject *parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = m_server.nextPendingConnection()) {
            m_client = s;
            ++m_connections;
            connect(s, &QTcpSocket::readyRead, this, &FakeCncServer::readClient);
            connect(s, &QTcpSocket::disconnected, this, [this, s] {
                if (m_client == s)
                    m_client = nullptr;
                s->deleteLater();
            });
        }
    });
}

QString FakeCncServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort());
}

void FakeCncServer::readClient()
{
    const int before = model.frames.size();
    const QByteArray modelReply = model.receive(m_client->readAll());
    QByteArray reply;
    bool usedScript = false;
    for (int i = before; i < model.frames.size(); ++i) {
        emit frameReceived(model.frames.at(i));
        if (!scripted.isEmpty()) {
            reply += scripted.takeFirst();
            usedScript = true;
        }
    }
    send(usedScript ? reply : modelReply);
    if (closeAfterReply && m_client)
        m_client->disconnectFromHost();
}

void FakeCncServer::send(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        sendChunks(bytes);
}

void FakeCncServer::sendChunks(QByteArray bytes)
{
    if (!m_client || bytes.isEmpty())
        return;
    const int n = chunkSize > 0 ? chunkSize : bytes.size();
    m_client->write(bytes.left(n));
    m_client->flush();
    if (bytes.size() > n)
        QTimer::singleShot(5, this, [this, rest = bytes.mid(n)] { sendChunks(rest); });
}

namespace {
// Bytes in the socket's kernel queue: SIOCOUTQ counts what was sent and not
// yet acknowledged, FIONREAD what came and was not read.
int queued(const QTcpSocket &socket, unsigned long request)
{
    int n = -1;
    if (socket.socketDescriptor() < 0 || ::ioctl(int(socket.socketDescriptor()), request, &n) != 0)
        return -1;
    return n;
}
}

bool allReadBy(const QTcpSocket &from, const QTcpSocket &to)
{
    return from.bytesToWrite() == 0 && queued(from, SIOCOUTQ) == 0 && queued(to, FIONREAD) == 0
           && to.bytesAvailable() == 0;
}
