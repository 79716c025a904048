#pragma once

#include <atomic>

#include "axis/AbstractSerialPort.h"

struct termios;

// A serial terminal device driven through termios: raw 8-bit mode, receiver
// on, modem control lines ignored, reads never wait (VMIN = VTIME = 0).
// Settings given before open() take effect at open(); given while open they
// take effect at once.
class QextSerialPort : public AbstractSerialPort
{
public:
    QextSerialPort();
    explicit QextSerialPort(const QString &name);
    ~QextSerialPort() override;

    QextSerialPort(const QextSerialPort &) = delete;
    QextSerialPort &operator=(const QextSerialPort &) = delete;

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
    // Kept for callers; reads never wait, the manager polls instead.
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
    // Waits on the terminal's descriptor, so an idle line costs no polling;
    // without modem lines there is nothing else to watch and the wait lasts
    // until input, a failure or wakeWaiter() (kLongestIdleWaitMs at most).
    void waitForInput(unsigned long microseconds) override;
    void wakeWaiter() override;
    static const int kLongestIdleWaitMs = 2000;

    ulong lastError() const override;
    // Why the last open() or settings change failed, in plain words.
    QString errorString() const override;
    bool isInUse() const override;
    void setLinkName(const QString &name) override;
    QString heldBy() const override;
    // What the operator is told of a device held by another program, or
    // (heldBy not empty) by that link of this program.
    static QString busyText(const QString &name, const QString &heldBy);

    // Turns tio into the raw line these settings describe; false (with the
    // reason in why) for settings this system has no setting for.
    static bool lineSettings(BaudRateType rate, DataBitsType dataBits, ParityType parity,
                             StopBitsType stopBits, FlowType flow, termios *tio, QString *why);

    // Longest time write() waits for the driver to take a byte.
    static const int kWriteStallMs = 1000;
    // Longest time flush() waits for the driver to send what it holds.
    static const int kFlushMs = 500;

private:
    bool applySettings(int fd);
    void fail(ulong code, const QString &text);

    QString m_name;
    BaudRateType m_baud = BAUD9600;
    DataBitsType m_dataBits = DATA_8;
    ParityType m_parity = PAR_NONE;
    StopBitsType m_stopBits = STOP_1;
    FlowType m_flow = FLOW_OFF;
    ulong m_timeoutMs = 500;
    std::atomic<int> m_fd{-1};
    std::atomic<ulong> m_lastError{E_NO_ERROR};
    // The device answered the modem-line query with "no such lines"; it is
    // not asked again until the next open.
    std::atomic<bool> m_noModemLines{false};
    // The last waitForInput ran out without input, hang-up or error.
    std::atomic<bool> m_quiet{false};
    // Signalled by wakeWaiter(); -1 when it could not be made (the wait is
    // then bounded by the caller's time as with modem lines).
    int m_wakeFd = -1;
    QString m_errorString;
    bool m_inUse = false;
    // This program's name for the link on this port; while open with a
    // name, the device is known as held by it.
    QString m_linkName;
    QString m_heldKey;
    QString m_heldBy;
};
