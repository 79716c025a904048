#include "support/PtyPeer.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer(LineMode mode, QObject *parent) : QObject(parent)
{
    char name[256] = {0};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (mode == Raw) {
        termios tio;
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    // The slave stays open here too, so the line does not hang up while the
    // code under test closes and reopens its port.
}

PtyPeer::~PtyPeer()
{
    delete m_notifier;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PtyPeer::write(const QByteArray &data, int timeoutMs)
{
    if (m_master < 0)
        return false;
    int done = 0;
    QElapsedTimer stall;
    stall.start();
    while (done < data.size()) {
        const ssize_t w = ::write(m_master, data.constData() + done, size_t(data.size() - done));
        if (w > 0) {
            done += int(w);
            stall.restart();
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const qint64 left = timeoutMs - stall.elapsed();
        if (left <= 0)
            return false;
        pollfd p{m_master, POLLOUT, 0};
        ::poll(&p, 1, int(qMin<qint64>(left, 50)));
    }
    return true;
}

QByteArray PtyPeer::readAvailable()
{
    QByteArray out;
    if (m_master < 0)
        return out;
    char buf[4096];
    for (;;) {
        const ssize_t r = ::read(m_master, buf, sizeof buf);
        if (r > 0) {
            out.append(buf, int(r));
            continue;
        }
        if (r < 0 && errno == EINTR)
            continue;
        break; // EAGAIN, or EIO while no slave is open
    }
    return out;
}

bool PtyPeer::allRead() const
{
    // A poll of the terminal first hands it what was written and is still
    // on its way (a count alone may miss that).
    pollfd readable{m_slave, POLLIN, 0};
    return m_slave >= 0 && ::poll(&readable, 1, 0) == 0;
}

bool PtyPeer::waitForReadyRead(int timeoutMs)
{
    if (m_master < 0)
        return false;
    pollfd p{m_master, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & POLLIN);
}

QByteArray PtyPeer::read(int count, int timeoutMs)
{
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (out.size() < count) {
        char buf[4096];
        const ssize_t r = m_master >= 0
            ? ::read(m_master, buf, size_t(qMin<int>(count - out.size(), int(sizeof buf))))
            : -1;
        if (r > 0) {
            out.append(buf, int(r));
            continue;
        }
        const qint64 left = timeoutMs - t.elapsed();
        if (left <= 0 || m_master < 0)
            break;
        waitForReadyRead(int(qMin<qint64>(left, 50)));
    }
    return out;
}

QByteArray PtyPeer::readUntil(const QByteArray &terminator, int timeoutMs)
{
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (!out.endsWith(terminator)) {
        // One byte at a time, so nothing after the terminator is consumed.
        char c;
        const ssize_t r = m_master >= 0 ? ::read(m_master, &c, 1) : -1;
        if (r == 1) {
            out.append(c);
            continue;
        }
        const qint64 left = timeoutMs - t.elapsed();
        if (left <= 0 || m_master < 0)
            break;
        waitForReadyRead(int(qMin<qint64>(left, 50)));
    }
    return out;
}

QByteArray PtyPeer::readFor(int ms)
{
    QByteArray out;
    QElapsedTimer t;
    t.start();
    for (;;) {
        out += readAvailable();
        const qint64 left = ms - t.elapsed();
        if (left <= 0)
            break;
        waitForReadyRead(int(qMin<qint64>(left, 20)));
    }
    return out;
}

void PtyPeer::setResponder(std::function<QByteArray(const QByteArray &)> responder)
{
    m_responder = std::move(responder);
    if (m_responder && !m_notifier && m_master >= 0) {
        m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &PtyPeer::onReadable);
    }
    if (m_notifier)
        m_notifier->setEnabled(bool(m_responder));
}

void PtyPeer::onReadable()
{
    const QByteArray chunk = readAvailable();
    if (chunk.isEmpty())
        return;
    m_received += chunk;
    emit chunkReceived(chunk);
    if (m_responder) {
        const QByteArray answer = m_responder(chunk);
        if (!answer.isEmpty())
            write(answer);
    }
}

void PtyPeer::hangUp()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
