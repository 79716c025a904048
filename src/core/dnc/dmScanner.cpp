#include "dnc/dmScanner.h"

#include <QSettings>
#include <QTimerEvent>

#include "axis/ManageSerialPort.h"
#include "shared/App.h"

int dmScanner::armDelayMs = 500;

dmScanner::dmScanner(QObject *parent)
    : QObject(parent)
    , port(new ManageSerialPort())
{
    connect(port, &ManageSerialPort::MnewDataReceived, this, &dmScanner::slot_newDataReceived);
    opened = port->openLine(
        App::kovraSettings().value(QStringLiteral("/DataMatrix/Port"), QStringLiteral("/dev/ttyACM0")).toString(), 115200,
        QStringLiteral("DataMatrix"));
    if (!opened && port->isInUse())
        busyText = port->busyText();
    if (opened) {
        buffer.clear();
        startTimer(armDelayMs);
        port->enableReceiving();
        port->receiveData();
    }
}

dmScanner::~dmScanner()
{
    port->stopReceiving();
    port->close();
    delete port;
}

void dmScanner::timerEvent(QTimerEvent *event)
{
    killTimer(event->timerId());
    armed = true;
}

void dmScanner::slot_newDataReceived(QByteArray data)
{
    if (!armed)
        return;
    QString code;
    if (buffer.append(data, code))
        emit receivedDmCode(code);
}
