#include "support/FakeSerialPort.h"

#include <QMutexLocker>

#include <cstring>

void FakeSerialPort::setPortName(const QString &name) { QMutexLocker l(&m_mutex); m_name = name; }
QString FakeSerialPort::portName() const { QMutexLocker l(&m_mutex); return m_name; }
void FakeSerialPort::setBaudRate(BaudRateType rate) { QMutexLocker l(&m_mutex); m_baud = rate; }
BaudRateType FakeSerialPort::baudRate() const { QMutexLocker l(&m_mutex); return m_baud; }
void FakeSerialPort::setDataBits(DataBitsType bits) { QMutexLocker l(&m_mutex); m_dataBits = bits; }
DataBitsType FakeSerialPort::dataBits() const { QMutexLocker l(&m_mutex); return m_dataBits; }
void FakeSerialPort::setParity(ParityType parity) { QMutexLocker l(&m_mutex); m_parity = parity; }
ParityType FakeSerialPort::parity() const { QMutexLocker l(&m_mutex); return m_parity; }
void FakeSerialPort::setStopBits(StopBitsType bits) { QMutexLocker l(&m_mutex); m_stopBits = bits; }
StopBitsType FakeSerialPort::stopBits() const { QMutexLocker l(&m_mutex); return m_stopBits; }
void FakeSerialPort::setFlowControl(FlowType flow) { QMutexLocker l(&m_mutex); m_flow = flow; }
FlowType FakeSerialPort::flowControl() const { QMutexLocker l(&m_mutex); return m_flow; }

void FakeSerialPort::setTimeout(ulong sec, ulong millisec)
{
    QMutexLocker l(&m_mutex);
    m_timeoutMs = sec * 1000 + millisec;
}

ulong FakeSerialPort::timeoutMillisec() const { QMutexLocker l(&m_mutex); return m_timeoutMs; }
void FakeSerialPort::setLinkName(const QString &name) { QMutexLocker l(&m_mutex); m_linkName = name; }
QString FakeSerialPort::linkName() const { QMutexLocker l(&m_mutex); return m_linkName; }

bool FakeSerialPort::open(QIODevice::OpenMode)
{
    QMutexLocker l(&m_mutex);
    if (m_openFails) {
        m_lastError = E_INVALID_FD;
        return false;
    }
    m_open = true;
    return true;
}

void FakeSerialPort::close() { QMutexLocker l(&m_mutex); m_open = false; }
bool FakeSerialPort::isOpen() const { QMutexLocker l(&m_mutex); return m_open; }

qint64 FakeSerialPort::bytesAvailable()
{
    QMutexLocker l(&m_mutex);
    ++m_polls;
    if (m_failure) {
        m_lastError = m_failure;
        return -1;
    }
    return m_pending.size();
}

ulong FakeSerialPort::lineStatus() { QMutexLocker l(&m_mutex); return m_lineStatus; }

qint64 FakeSerialPort::read(char *data, qint64 maxSize)
{
    QMutexLocker l(&m_mutex);
    const int n = int(qMin<qint64>(maxSize, m_pending.size()));
    std::memcpy(data, m_pending.constData(), size_t(n));
    m_pending.remove(0, n);
    return n;
}

qint64 FakeSerialPort::write(const char *data, qint64 size)
{
    QMutexLocker l(&m_mutex);
    while (m_writesHeld)
        m_released.wait(&m_mutex);
    if (m_failWriteAt >= 0 && m_writeCalls++ >= m_failWriteAt) {
        if (--m_failCount <= 0)
            m_failWriteAt = -1;
        m_lastError = E_TRANSMIT_OVERFLOW;
        return -1;
    }
    m_written.append(data, int(size));
    m_writeSizes.append(int(size));
    return size;
}

void FakeSerialPort::flush() {}

void FakeSerialPort::failWriteAt(int call, int count)
{
    QMutexLocker l(&m_mutex);
    m_writeCalls = 0;
    m_failWriteAt = call;
    m_failCount = count;
}

void FakeSerialPort::holdWrites(bool held)
{
    QMutexLocker l(&m_mutex);
    m_writesHeld = held;
    m_released.wakeAll();
}
ulong FakeSerialPort::lastError() const { QMutexLocker l(&m_mutex); return m_lastError; }

void FakeSerialPort::feed(const QByteArray &bytes) { QMutexLocker l(&m_mutex); m_pending += bytes; }
QByteArray FakeSerialPort::pending() const { QMutexLocker l(&m_mutex); return m_pending; }
void FakeSerialPort::setLineStatus(ulong bits) { QMutexLocker l(&m_mutex); m_lineStatus = bits; }

void FakeSerialPort::setFailure(ulong error)
{
    QMutexLocker l(&m_mutex);
    m_failure = error;
    if (!error)
        m_lastError = 0;
}

void FakeSerialPort::setOpenFails(bool fails) { QMutexLocker l(&m_mutex); m_openFails = fails; }
QByteArray FakeSerialPort::written() const { QMutexLocker l(&m_mutex); return m_written; }
QList<int> FakeSerialPort::writeSizes() const { QMutexLocker l(&m_mutex); return m_writeSizes; }
int FakeSerialPort::pollCount() const { QMutexLocker l(&m_mutex); return m_polls; }
