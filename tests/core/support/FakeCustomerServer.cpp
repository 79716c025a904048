#include "support/FakeCustomerServer.h"

#include <QTcpSocket>

FakeCustomerServer::FakeCustomerServer(QObject *parent) : QTcpServer(parent)
{
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = nextPendingConnection()) {
            ++connections;
            // The socket is a child of the server: it goes with it.
            connect(s, &QTcpSocket::readyRead, this, [this, s] { m_pending[s] += s->readAll(); });
            connect(s, &QTcpSocket::disconnected, this, [this, s] {
                frames.append(m_pending.take(s) + s->readAll());
                s->deleteLater();
                emit frameReceived();
            });
        }
    });
}
