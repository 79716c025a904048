#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include "dnc/CncServerModel.h"

class QTcpSocket;

// The CNC-side DNC server on loopback (port 0): records every frame the
// panel sends and answers through CncServerModel, or with the replies a test
// scripted, split into chunks as the test asks.
class FakeCncServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeCncServer(QObject *parent = nullptr);

    // "127.0.0.1:<port>", for the machine's dncSocket.
    QString address() const;
    QList<QByteArray> frames() const { return model.frames; }
    bool hasClient() const { return m_client != nullptr; }
    // Connections accepted so far; the newest one is answered.
    int connections() const { return m_connections; }
    // This end of the newest connection.
    QTcpSocket *client() const { return m_client; }

    // Replies given in order instead of the model's, one per frame received
    // (an empty one: no answer to that frame).
    QList<QByteArray> scripted;
    // Replies go out in chunks of this many bytes, one chunk per event-loop
    // turn (0: whole).
    int chunkSize = 0;
    // The connection is closed once a frame has been answered.
    bool closeAfterReply = false;
    CncServerModel model;

    // Sends bytes to the connected panel now (in chunks as set).
    void send(const QByteArray &bytes);

signals:
    void frameReceived(QByteArray payload);

private:
    void readClient();
    void sendChunks(QByteArray bytes);

    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    int m_connections = 0;
};

// Everything one end of a loopback connection wrote has been read by the
// other: none waits in from's buffer or unacknowledged in its send queue, nor
// in to's receive queue or buffer. What the reader does with the bytes it
// reads in one go is done too, so a test can then show that nothing (more)
// was sent in answer, without waiting for a while.
bool allReadBy(const QTcpSocket &from, const QTcpSocket &to);
