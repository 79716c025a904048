#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>

// The customer's server for write reports: listens on loopback (any free
// port) and keeps the bytes of each connection once the client has closed it.
class FakeCustomerServer : public QTcpServer
{
    Q_OBJECT
public:
    explicit FakeCustomerServer(QObject *parent = nullptr);

    quint16 port() const { return serverPort(); }
    QList<QByteArray> frames;  // one per closed connection
    int connections = 0;

signals:
    void frameReceived();

private:
    QHash<QObject *, QByteArray> m_pending;
};
