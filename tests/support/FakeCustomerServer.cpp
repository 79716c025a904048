#include "support/FakeCustomerServer.h"

#include <QTcpSocket>

FakeCustomerServer::FakeCustomerServer(QObject *parent) : QTcpServer(parent)
{
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = nextPendingConnection()) {
            ++connections;
            auto *bytes = new QByteArray;
            connect(s, &QTcpSocket::readyRead, s, [s, bytes] { bytes->append(s->readAll()); });
            connect(s, &QTcpSocket::disconnected, this, [this, s, bytes] {
                bytes->append(s->readAll());
                frames.append(*bytes);
                delete bytes;
                s->deleteLater();
                emit frameReceived();
            });
        }
    });
}
