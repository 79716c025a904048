#pragma once

#include <QByteArray>
#include <QMutex>
#include <QWaitCondition>

#include "axis/AbstractSerialPort.h"

// A scripted port for the serial port manager: the test decides exactly what
// is waiting at each poll, the modem lines and the failures, and sees every
// write call. Thread-safe (the manager's threads call it).
class FakeSerialPort : public AbstractSerialPort
{
public:
    void setPortName(const QString &name) override;
    QString portName() const override;
    void setBaudRate(BaudRateType rate) override;
    BaudRateType baudRate() const override;
    void setDataBits(DataBitsType bits) override;
    DataBitsType dataBits() const override;
    void setParity(ParityType parity) override;
    ParityType parity() const override;
    void setStopBits(StopBitsType bits) override;
    StopBitsType stopBits() const override;
    void setFlowControl(FlowType flow) override;
    FlowType flowControl() const override;
    void setTimeout(ulong sec, ulong millisec) override;
    ulong timeoutMillisec() const;

    bool open(QIODevice::OpenMode mode) override;
    void close() override;
    bool isOpen() const override;
    qint64 bytesAvailable() override;
    ulong lineStatus() override;
    qint64 read(char *data, qint64 maxSize) override;
    qint64 write(const char *data, qint64 size) override;
    void flush() override;
    ulong lastError() const override;
    QString errorString() const override { return QString(); }
    void setLinkName(const QString &name) override;
    QString linkName() const;

    // Makes bytes wait at once (all of them seen by the next poll).
    void feed(const QByteArray &bytes);
    QByteArray pending() const;
    void setLineStatus(ulong bits);
    // While set, bytesAvailable() answers -1 with this error (0: port healthy).
    void setFailure(ulong error);
    void setOpenFails(bool fails);
    // Every byte written, and the length of each write call.
    QByteArray written() const;
    QList<int> writeSizes() const;
    int pollCount() const;
    // The write call of that number (0: the next) fails, and so do the
    // count - 1 calls after it, as a stalled line's write does, writing
    // nothing.
    void failWriteAt(int call, int count = 1);
    // While held, every write waits (a peer that does not read).
    void holdWrites(bool held);

private:
    mutable QMutex m_mutex;
    QString m_name;
    BaudRateType m_baud = BAUD9600;
    DataBitsType m_dataBits = DATA_8;
    ParityType m_parity = PAR_NONE;
    StopBitsType m_stopBits = STOP_1;
    FlowType m_flow = FLOW_OFF;
    ulong m_timeoutMs = 0;
    QString m_linkName;
    bool m_open = false;
    bool m_openFails = false;
    QByteArray m_pending;
    QByteArray m_written;
    QList<int> m_writeSizes;
    ulong m_lineStatus = 0;
    ulong m_failure = 0;
    ulong m_lastError = 0;
    int m_polls = 0;
    int m_failWriteAt = -1;
    int m_failCount = 0;
    int m_writeCalls = 0;
    bool m_writesHeld = false;
    QWaitCondition m_released;
};
