#include "axis/tcpserver.h"

#include "axis/PositionFormat.h"
#include "axis/cAxisInterface.h"
#include "shared/App.h"
#include "shared/ReplyBacklog.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"

#include <QHostAddress>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>

TCPServer::TCPServer(QWidget *parentWidget, cAxisInterface *axis, QString address)
    : axis(axis), parentWidget(parentWidget)
{
    QSettings &settings = App::kovraSettings();
    const quint16 port = quint16(settings.value("/SOCKET/Port", 50505).toInt() & 0xFFFF);
    charDnc = settings.value("/SOCKET/CharDnc", 2).toInt() & 0xFF;
    fmtMM = PositionFormat::checked(settings.value("/SOCKET/FmtMM", defaultFormatMM()).toString(),
                                    defaultFormatMM(), QStringLiteral("/SOCKET/FmtMM"));
    fmtInch = PositionFormat::checked(settings.value("/SOCKET/FmtInch", defaultFormatInch()).toString(),
                                      defaultFormatInch(), QStringLiteral("/SOCKET/FmtInch"));

    server = new QTcpServer(this);
    if (!server->listen(QHostAddress(address), port)) {
        QMessageBoxKovra::critical(parentWidget, tr("DNC Server"),
                                   tr("Unable to start the server: %1.").arg(server->errorString()),
                                   QMessageBox::Ok, QMessageBox::NoButton);
        server->close();
        return;
    }
    connect(server, &QTcpServer::newConnection, this, &TCPServer::startConnection);
}

TCPServer::~TCPServer()
{
    delete server;
}

bool TCPServer::isListening() const
{
    return server && server->isListening();
}

quint16 TCPServer::serverPort() const
{
    return server ? server->serverPort() : 0;
}

void TCPServer::startConnection()
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        // Only the newest connection is answered: the one it replaces is
        // closed, so clients that never close cannot use up descriptors.
        if (client)
            client->disconnectFromHost();
        client = socket;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, &TCPServer::DncRead);
        connect(socket, &QTcpSocket::errorOccurred, this, &TCPServer::displayError);
    }
}

void TCPServer::DncRead()
{
    auto *from = qobject_cast<QTcpSocket *>(sender());
    if (from && from != client) {
        // An older connection: drop what it sends so its buffer cannot grow.
        from->readAll();
        return;
    }
    if (!client)
        return;
    const QByteArray data = client->readAll();
    if (!data.contains(char(charDnc)))
        return;
    // The reply line has no failure form: while the board does not answer,
    // the request goes unanswered rather than with values it no longer confirms.
    if (!axis->confirmAnswering())
        return;

    const QByteArray line = PositionFormat::line(fmtMM, fmtInch, double(axis->ReadX()), double(axis->ReadZ()),
                                                 CurrentMachine, PositionFormat::Occasion::Trigger);
    // A client that asks and does not read gets no more replies than the
    // backlog holds.
    ReplyBacklog::write(*client, line);
}

void TCPServer::displayError(QAbstractSocket::SocketError socketError)
{
    if (socketError == QAbstractSocket::RemoteHostClosedError)
        return;
    // The text of the connection that failed (it may no longer be the newest).
    auto *from = qobject_cast<QTcpSocket *>(sender());
    QTcpSocket *failed = from ? from : client.data();
    const QString text = failed ? failed->errorString() : QString();
    QMessageBoxKovra::information(parentWidget, tr("TCP server"), tr("The following error occurred: %1.").arg(text),
                                  QMessageBox::Ok, QMessageBox::NoButton);
}

void TCPServer::closeSocket()
{
    if (client && client->state() == QAbstractSocket::ConnectedState)
        client->abort();
    if (server) {
        disconnect(server, &QTcpServer::newConnection, this, &TCPServer::startConnection);
        server->close();
    }
}
