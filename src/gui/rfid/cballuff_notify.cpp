// The report of a write to the customer's server.
#include "rfid/cballuff.h"

#include <QTcpSocket>
#include <QtEndian>

#include <cstdio>

#include "app/MeasureCommands.h"
#include "shared/IniText.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"

namespace {

void appendInt32(QByteArray &frame, qint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    frame.append(b, 4);
}

QString ipText(const QString &address)
{
    const QStringList parts = address.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return QStringLiteral("000000000000");
    QString text;
    for (const QString &p : parts)
        text += QString::number(p.toInt()).rightJustified(3, QLatin1Char('0'));
    return text;
}

} // namespace

void cBalluffUI::sendTcpMessage()
{
    const IniText s(layoutPath(), IniText::Utf8);
    const QString address = s.value(QStringLiteral("/SETTINGS/SockAddress"));
    if (address.isEmpty())
        return;
    const int port = s.value(QStringLiteral("/SETTINGS/SockPort")).toInt();
    const int connDelay = s.value(QStringLiteral("/SETTINGS/SockConnDelay"), QStringLiteral("500")).toInt();
    const int writeDelay = s.value(QStringLiteral("/SETTINGS/SockWriteDelay"), QStringLiteral("500")).toInt();
    const bool notifyError = QVariant(s.value(QStringLiteral("/SETTINGS/SockNotifyError"))).toBool();

    // The report takes fields 0, 1, 24, 25, 28 and 35.
    if (fields.size() < 36) {
        std::fprintf(stderr, "cBalluffUI: no write report: the tag layout has %d fields, the report needs 36\n",
                     int(fields.size()));
        return;
    }
    // Lengths in whole micrometres, the nearest to the value the field holds.
    auto length = [&](int i) {
        return MeasureCommands::toMicrometres(fields.at(i).value.toDouble(), CurrentMachine.IsMM);
    };
    const QString payload = QStringLiteral("%1|%2|false|%3|%4|%5|%6")
                                .arg(fields.at(0).value.toInt())
                                .arg(fields.at(1).value.toInt())
                                .arg(fields.at(35).value.toInt())
                                .arg(length(24))
                                .arg(length(25))
                                .arg(length(28));
    const QByteArray text = payload.toLatin1();

    QByteArray frame(4, '\0');
    frame += QByteArray(12, '0');
    frame += QByteArray(8, '\0');
    frame += ipText(address).toLatin1();
    appendInt32(frame, port);
    appendInt32(frame, 30);
    appendInt32(frame, 100);
    appendInt32(frame, int(text.size()));
    frame += text;

    if (!tcpSocket) {
        tcpSocket = new QTcpSocket;
        if (notifyError)
            connect(tcpSocket, &QAbstractSocket::errorOccurred, this, &cBalluffUI::displayError);
    }
    tcpSocket->connectToHost(address, quint16(port), QIODevice::ReadWrite);
    if (tcpSocket->waitForConnected(connDelay)) {
        tcpSocket->write(frame);
        if (!tcpSocket->waitForBytesWritten(writeDelay) && notifyError)
            QMessageBoxKovra::critical(nullptr, tr("Connection error"),
                                       tr("Write timeout %1:%2").arg(address).arg(port), QMessageBox::Ok,
                                       QMessageBox::NoButton);
        tcpSocket->close();
        tcpSocket->disconnectFromHost();
    } else {
        tcpSocket->abort();
        if (notifyError)
            QMessageBoxKovra::critical(nullptr, tr("Connection error"),
                                       tr("Connection timeout %1:%2").arg(address).arg(port), QMessageBox::Ok,
                                       QMessageBox::NoButton);
    }
}

void cBalluffUI::displayError(QAbstractSocket::SocketError)
{
    QMessageBoxKovra::warning(this, tr("Connection error:"), tcpSocket ? tcpSocket->errorString() : QString(),
                              QMessageBox::Ok, QMessageBox::NoButton);
}
