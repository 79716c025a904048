#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "dnc/DmFrameReader.h"

class ManageSerialPort;

// The DataMatrix hand scanner on the serial port "/DataMatrix/Port": opened
// for one reading, it ignores what arrives in its first 500 ms and then
// reports each code it reads.
class dmScanner : public QObject
{
    Q_OBJECT
public:
    // Bytes arriving this long after opening are dropped.
    static int armDelayMs;

    explicit dmScanner(QObject *parent = nullptr);
    ~dmScanner() override;

    bool isOpened() const { return opened; }
    // The port did not open because another program holds it: the text
    // that says so, naming the port; empty otherwise.
    QString inUseText() const { return busyText; }
    bool isArmed() const { return armed; }

signals:
    void receivedDmCode(QString code);

public slots:
    void slot_newDataReceived(QByteArray data);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    ManageSerialPort *port = nullptr;
    DmFrameReader buffer;
    bool armed = false;
    bool opened = false;
    QString busyText;
};
