#include "axis/QextSerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMutex>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// termios speed of a rate; false for the rates Linux has no setting for.
bool speedOf(BaudRateType rate, speed_t *speed)
{
    switch (rate) {
    case BAUD50: *speed = B50; return true;
    case BAUD75: *speed = B75; return true;
    case BAUD110: *speed = B110; return true;
    case BAUD134: *speed = B134; return true;
    case BAUD150: *speed = B150; return true;
    case BAUD200: *speed = B200; return true;
    case BAUD300: *speed = B300; return true;
    case BAUD600: *speed = B600; return true;
    case BAUD1200: *speed = B1200; return true;
    case BAUD1800: *speed = B1800; return true;
    case BAUD2400: *speed = B2400; return true;
    case BAUD4800: *speed = B4800; return true;
    case BAUD9600: *speed = B9600; return true;
    case BAUD19200: *speed = B19200; return true;
    case BAUD38400: *speed = B38400; return true;
    case BAUD57600: *speed = B57600; return true;
    case BAUD115200: *speed = B115200; return true;
    default: return false;
    }
}

QString systemText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// The devices this program's named links hold, by the device itself (two
// names of one device are one entry), with the link's name.
QMutex heldMutex;
QHash<QString, QString> &heldDevices()
{
    static QHash<QString, QString> held;
    return held;
}

QString deviceKey(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return QString();
    if (S_ISCHR(st.st_mode))
        return QStringLiteral("c%1").arg(qulonglong(st.st_rdev));
    return QStringLiteral("f%1:%2").arg(qulonglong(st.st_dev)).arg(qulonglong(st.st_ino));
}

} // namespace

QextSerialPort::QextSerialPort() : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

QextSerialPort::QextSerialPort(const QString &name)
    : m_name(name), m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

QextSerialPort::~QextSerialPort()
{
    close();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void QextSerialPort::setPortName(const QString &name) { m_name = name; }
QString QextSerialPort::portName() const { return m_name; }

void QextSerialPort::setBaudRate(BaudRateType rate)
{
    const BaudRateType old = m_baud;
    m_baud = rate;
    if (isOpen() && !applySettings(m_fd))
        m_baud = old;
}
BaudRateType QextSerialPort::baudRate() const { return m_baud; }

void QextSerialPort::setDataBits(DataBitsType bits)
{
    const DataBitsType old = m_dataBits;
    m_dataBits = bits;
    if (isOpen() && !applySettings(m_fd))
        m_dataBits = old;
}
DataBitsType QextSerialPort::dataBits() const { return m_dataBits; }

void QextSerialPort::setParity(ParityType parity)
{
    const ParityType old = m_parity;
    m_parity = parity;
    if (isOpen() && !applySettings(m_fd))
        m_parity = old;
}
ParityType QextSerialPort::parity() const { return m_parity; }

void QextSerialPort::setStopBits(StopBitsType bits)
{
    const StopBitsType old = m_stopBits;
    m_stopBits = bits;
    if (isOpen() && !applySettings(m_fd))
        m_stopBits = old;
}
StopBitsType QextSerialPort::stopBits() const { return m_stopBits; }

void QextSerialPort::setFlowControl(FlowType flow)
{
    const FlowType old = m_flow;
    m_flow = flow;
    if (isOpen() && !applySettings(m_fd))
        m_flow = old;
}
FlowType QextSerialPort::flowControl() const { return m_flow; }

void QextSerialPort::setTimeout(ulong sec, ulong millisec)
{
    m_timeoutMs = sec * 1000 + millisec;
}
ulong QextSerialPort::timeoutMillisec() const { return m_timeoutMs; }

void QextSerialPort::fail(ulong code, const QString &text)
{
    m_lastError = code;
    m_errorString = text;
}

bool QextSerialPort::lineSettings(BaudRateType rate, DataBitsType dataBits, ParityType parity,
                                  StopBitsType stopBits, FlowType flow, termios *tio,
                                  QString *why)
{
    speed_t speed;
    if (!speedOf(rate, &speed)) {
        // Refuse rather than run the line at a rate the peer does not expect.
        *why = QStringLiteral("Baud rate %1 is not supported by this system")
                   .arg(baudRateValue(rate));
        return false;
    }
    if (stopBits != STOP_1 && stopBits != STOP_2) {
        *why = QStringLiteral("1.5 stop bits are not supported by this system");
        return false;
    }
    ::cfmakeraw(tio);
    tio->c_cflag |= CLOCAL | CREAD;
    tio->c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    switch (dataBits) {
    case DATA_5: tio->c_cflag |= CS5; break;
    case DATA_6: tio->c_cflag |= CS6; break;
    case DATA_7: tio->c_cflag |= CS7; break;
    default: tio->c_cflag |= CS8; break;
    }
    switch (parity) {
    case PAR_ODD: tio->c_cflag |= PARENB | PARODD; break;
    case PAR_EVEN: tio->c_cflag |= PARENB; break;
    case PAR_MARK: tio->c_cflag |= PARENB | CMSPAR | PARODD; break;
    case PAR_SPACE: tio->c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (stopBits == STOP_2)
        tio->c_cflag |= CSTOPB;
    tio->c_iflag &= ~(IXON | IXOFF | IXANY);
    if (flow == FLOW_HARDWARE)
        tio->c_cflag |= CRTSCTS;
    else if (flow == FLOW_XONXOFF)
        tio->c_iflag |= IXON | IXOFF;
    tio->c_cc[VMIN] = 0;
    tio->c_cc[VTIME] = 0;
    ::cfsetispeed(tio, speed);
    ::cfsetospeed(tio, speed);
    return true;
}

bool QextSerialPort::applySettings(int fd)
{
    termios tio;
    if (::tcgetattr(fd, &tio) != 0) {
        const int err = errno;
        fail(err == ENOTTY ? E_INVALID_DEVICE : E_IO_ERROR,
             QStringLiteral("%1: %2").arg(m_name, systemText(err)));
        return false;
    }
    QString why;
    if (!lineSettings(m_baud, m_dataBits, m_parity, m_stopBits, m_flow, &tio, &why)) {
        fail(E_INVALID_FD, why);
        return false;
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        const int err = errno;
        // The C library reads the settings back and reports EINVAL when the
        // device dropped some of them; a pseudo-terminal keeps no parity, so
        // an even-parity line could be set once and never again. The line is
        // usable when rate and character size were taken.
        termios back;
        if (err != EINVAL || ::tcgetattr(fd, &back) != 0 || ::cfgetospeed(&back) != ::cfgetospeed(&tio)
            || (back.c_cflag & CSIZE) != (tio.c_cflag & CSIZE)) {
            fail(E_IO_ERROR, QStringLiteral("%1: %2").arg(m_name, systemText(err)));
            return false;
        }
    }
    return true;
}

bool QextSerialPort::open(QIODevice::OpenMode mode)
{
    if (isOpen())
        return true;
    Q_UNUSED(mode) // a serial line is always opened for reading and writing
    m_errorString.clear();
    m_inUse = false;
    m_heldBy.clear();
    // Settings without a meaning here fail before the device is touched.
    termios check{};
    QString why;
    if (!lineSettings(m_baud, m_dataBits, m_parity, m_stopBits, m_flow, &check, &why)) {
        fail(E_INVALID_FD, why);
        return false;
    }
    const QByteArray path = QFile::encodeName(m_name);
    int fd;
    do {
        fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail(E_INVALID_FD, QStringLiteral("%1: %2").arg(m_name, systemText(errno)));
        return false;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        fail(E_INVALID_DEVICE, QStringLiteral("%1 is not a terminal device").arg(m_name));
        return false;
    }
    // One opener per device, whatever its name or user: a second reader
    // would take half of the line's bytes. The lock lives with this
    // descriptor and is taken before the line settings are touched.
    const QString key = deviceKey(fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        m_inUse = true;
        {
            QMutexLocker lock(&heldMutex);
            m_heldBy = key.isEmpty() ? QString() : heldDevices().value(key);
        }
        fail(E_INVALID_FD, busyText(m_name, m_heldBy));
        return false;
    }
    if (!applySettings(fd)) {
        ::close(fd);
        return false;
    }
    if (!m_linkName.isEmpty() && !key.isEmpty()) {
        QMutexLocker lock(&heldMutex);
        heldDevices().insert(key, m_linkName);
        m_heldKey = key;
    }
    m_noModemLines = false;
    m_quiet = false;
    m_fd = fd;
    m_lastError = E_NO_ERROR;
    return true;
}

void QextSerialPort::close()
{
    const int fd = m_fd.exchange(-1);
    if (fd >= 0) {
        if (!m_heldKey.isEmpty()) {
            QMutexLocker lock(&heldMutex);
            heldDevices().remove(m_heldKey);
            m_heldKey.clear();
        }
        ::close(fd);
    }
}

bool QextSerialPort::isOpen() const
{
    return m_fd >= 0;
}

qint64 QextSerialPort::bytesAvailable()
{
    const int fd = m_fd;
    if (fd < 0) {
        m_lastError = E_INVALID_FD;
        return -1;
    }
    // The wait just saw the line quiet: nothing to count.
    if (m_quiet.exchange(false))
        return 0;
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0) {
        m_lastError = E_IO_ERROR;
        return -1;
    }
    if (n > 0)
        return n;
    // A vanished device or a peer that hung up answers "nothing waiting" for
    // ever; tell that apart from a quiet line.
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        m_lastError = E_IO_ERROR;
        return -1;
    }
    return 0;
}

ulong QextSerialPort::lineStatus()
{
    const int fd = m_fd;
    if (fd < 0 || m_noModemLines)
        return 0;
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0) {
        // Pseudo-terminals and some adapters have no modem lines: no line set.
        if (errno != ENOTTY && errno != EINVAL)
            m_lastError = E_IO_ERROR;
        else
            m_noModemLines = true;
        return 0;
    }
    ulong status = 0;
    if (bits & TIOCM_CTS) status |= LS_CTS;
    if (bits & TIOCM_DSR) status |= LS_DSR;
    if (bits & TIOCM_CAR) status |= LS_DCD;
    if (bits & TIOCM_RNG) status |= LS_RI;
    if (bits & TIOCM_RTS) status |= LS_RTS;
    if (bits & TIOCM_DTR) status |= LS_DTR;
    if (bits & TIOCM_ST) status |= LS_ST;
    if (bits & TIOCM_SR) status |= LS_SR;
    return status;
}

qint64 QextSerialPort::read(char *data, qint64 maxSize)
{
    const int fd = m_fd;
    if (fd < 0) {
        m_lastError = E_INVALID_FD;
        return -1;
    }
    for (;;) {
        const ssize_t r = ::read(fd, data, size_t(maxSize));
        if (r >= 0)
            return r;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        m_lastError = E_READ_FAILED;
        return -1;
    }
}

qint64 QextSerialPort::write(const char *data, qint64 size)
{
    const int fd = m_fd;
    if (fd < 0) {
        m_lastError = E_INVALID_FD;
        return -1;
    }
    qint64 done = 0;
    QElapsedTimer stall;
    stall.start();
    while (done < size) {
        const ssize_t w = ::write(fd, data + done, size_t(size - done));
        if (w > 0) {
            done += w;
            stall.restart();
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_lastError = E_WRITE_FAILED;
            return done > 0 ? done : -1;
        }
        // The driver is full (slow line or stopped by flow control): wait for
        // room rather than drop the byte, but not for ever.
        const qint64 left = kWriteStallMs - stall.elapsed();
        if (left <= 0) {
            m_lastError = E_TRANSMIT_OVERFLOW;
            return done > 0 ? done : -1;
        }
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, int(qMin<qint64>(left, 20)));
    }
    return done;
}

void QextSerialPort::flush()
{
    const int fd = m_fd;
    if (fd < 0)
        return;
    QElapsedTimer t;
    t.start();
    int pending = 0;
    while (::ioctl(fd, TIOCOUTQ, &pending) == 0 && pending > 0 && t.elapsed() < kFlushMs)
        ::usleep(1000);
}

void QextSerialPort::waitForInput(unsigned long microseconds)
{
    const int fd = m_fd;
    if (fd < 0) {
        AbstractSerialPort::waitForInput(microseconds);
        return;
    }
    pollfd p[2] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    // Modem lines change without the descriptor telling: look again after
    // the caller's time. Without them only input, a failure or a wake-up
    // (the owner stopping) matter, and poll reports each at once.
    const bool idle = m_noModemLines && m_wakeFd >= 0;
    const unsigned long us = idle ? kLongestIdleWaitMs * 1000UL : microseconds;
    timespec limit{time_t(us / 1000000), long(us % 1000000) * 1000};
    const int n = ::ppoll(p, idle ? 2 : 1, &limit, nullptr);
    if (idle && (p[1].revents & POLLIN)) {
        eventfd_t count;
        ::eventfd_read(m_wakeFd, &count);
    }
    // A hung-up or failing line is "ready" at once, with or without a byte to
    // read: the caller finds the failure at its next poll and pauses itself.
    m_quiet = n == 0;
}

void QextSerialPort::wakeWaiter()
{
    if (m_wakeFd >= 0)
        ::eventfd_write(m_wakeFd, 1);
}

ulong QextSerialPort::lastError() const
{
    return m_lastError;
}

QString QextSerialPort::errorString() const
{
    return m_errorString;
}

bool QextSerialPort::isInUse() const
{
    return m_inUse;
}

void QextSerialPort::setLinkName(const QString &name)
{
    m_linkName = name;
}

QString QextSerialPort::busyText(const QString &name, const QString &heldBy)
{
    // Worded in the link's translation context, where the operator's language has it.
    if (heldBy.isEmpty())
        return QCoreApplication::translate("ManageSerialPort", "TTY port %1 used by another program").arg(name);
    return QCoreApplication::translate("ManageSerialPort", "TTY port %1 already used by this program's %2 link")
        .arg(name, heldBy);
}

QString QextSerialPort::heldBy() const
{
    return m_heldBy;
}
