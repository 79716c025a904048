#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QWidget;
class cAxisInterface;

// Sends the current axis position to a network client: whenever the newest
// connection sends the request byte, one line with X, Z, the axis modes, the
// unit, the radius/diameter mode and the machine name goes back to it.
class TCPServer : public QObject
{
    Q_OBJECT
public:
    TCPServer(QWidget *parentWidget, cAxisInterface *axis, QString address);
    ~TCPServer() override;

    void closeSocket();

    bool isListening() const;
    // The port listened on (the configured one, or the one picked for port 0).
    quint16 serverPort() const;

    static QString defaultFormatMM() { return QStringLiteral("X %.3f Z %.3f %s%s%s%s %s\n\r"); }
    static QString defaultFormatInch() { return QStringLiteral("X %.5f Z %.5f %s%s%s%s %s\n\r"); }

private slots:
    void startConnection();
    void displayError(QAbstractSocket::SocketError socketError);
    void DncRead();

private:
    QTcpServer *server = nullptr;
    // Cleared by itself when the connection is deleted after its disconnect.
    QPointer<QTcpSocket> client;
    cAxisInterface *axis = nullptr;
    QPointer<QWidget> parentWidget;
    int charDnc = 2;
    QString fmtMM;
    QString fmtInch;
};
