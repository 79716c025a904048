#include "FakeAxbBoard.h"

#include <QMutexLocker>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {
qint64 monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
} // namespace

FakeAxbBoard::FakeAxbBoard(QObject *parent) : QObject(parent)
{
    m_startNs = monotonicNs();
    char name[256] = {0};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw line on both sides: bytes pass unchanged (no CR/LF mapping, no echo).
    termios t;
    if (tcgetattr(m_slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
    m_thread = std::thread([this] { run(); });
}

FakeAxbBoard::~FakeAxbBoard()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

qint64 FakeAxbBoard::elapsedMs() const
{
    return (monotonicNs() - m_startNs) / 1000000;
}

void FakeAxbBoard::run()
{
    char buf[4096];
    while (!m_stop) {
        pollfd p{m_master, POLLIN, 0};
        const int r = ::poll(&p, 1, 5);
        if (r <= 0 || !(p.revents & POLLIN))
            continue;
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            continue;
        const qint64 at = elapsedMs();
        m_pending.append(buf, int(n));
        // Frames are ENQ, text, CR; bytes outside a frame are skipped.
        for (;;) {
            const int enq = m_pending.indexOf('\x05');
            if (enq < 0) {
                m_pending.clear();
                break;
            }
            const int cr = m_pending.indexOf('\r', enq);
            if (cr < 0) {
                m_pending.remove(0, enq);
                break;
            }
            const QByteArray text = m_pending.mid(enq + 1, cr - enq - 1);
            m_pending.remove(0, cr + 1);
            handleFrame(text, at);
        }
    }
}

void FakeAxbBoard::handleFrame(const QByteArray &text, qint64 atMs)
{
    QByteArray answer;
    {
        QMutexLocker lock(&m_mutex);
        m_frames.append({text, atMs});
        if (text == "H" || text == "S" || text == "?" || text == "N") {
            if (!m_replies.isEmpty())
                answer = m_replies.takeFirst();
            else if (m_autoAnswer) {
                lock.unlock();
                answer = positionLine();
            }
        } else if (text.startsWith('B')) {
            bool ok = false;
            const int v = text.mid(1).toInt(&ok);
            if (ok)
                m_outputs = v & 0xFF;
        } else if (text == "R") {
            m_referenced = true;
        }
    }
    if (!answer.isEmpty())
        writeAll(answer);
    emit frameReceived(text);
}

void FakeAxbBoard::writeAll(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    int left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_master, p, size_t(left));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                usleep(100);
                continue;
            }
            return;
        }
        p += n;
        left -= int(n);
    }
}

QByteArray FakeAxbBoard::positionLine() const
{
    QMutexLocker lock(&m_mutex);
    const char *x = m_referenced ? "X" : "x";
    const char *z = m_referenced ? "Z" : "z";
    QByteArray line = QByteArray(x) + QByteArray::number(m_x) + ' ' + z + QByteArray::number(m_z)
                      + " I" + QByteArray::number(m_inputs) + " O" + QByteArray::number(m_outputs);
    if (m_cAxis)
        line += QByteArray(m_referenced ? " C" : " c") + QByteArray::number(m_c);
    line += '\r';
    return line;
}

void FakeAxbBoard::setAutoAnswer(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_autoAnswer = on;
}

void FakeAxbBoard::setCounts(int x, int z)
{
    QMutexLocker lock(&m_mutex);
    m_x = x;
    m_z = z;
}

void FakeAxbBoard::setInputs(int inputs)
{
    QMutexLocker lock(&m_mutex);
    m_inputs = inputs;
}

void FakeAxbBoard::setOutputs(int outputs)
{
    QMutexLocker lock(&m_mutex);
    m_outputs = outputs;
}

void FakeAxbBoard::setCAxis(bool on, int c)
{
    QMutexLocker lock(&m_mutex);
    m_cAxis = on;
    m_c = c;
}

void FakeAxbBoard::setReferenced(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_referenced = on;
}

void FakeAxbBoard::queueReply(const QByteArray &bytes)
{
    QMutexLocker lock(&m_mutex);
    m_replies.append(bytes);
}

void FakeAxbBoard::write(const QByteArray &bytes)
{
    writeAll(bytes);
}

QList<FakeAxbBoard::Frame> FakeAxbBoard::frames() const
{
    QMutexLocker lock(&m_mutex);
    return m_frames;
}

QList<QByteArray> FakeAxbBoard::frameTexts() const
{
    QMutexLocker lock(&m_mutex);
    QList<QByteArray> texts;
    for (const Frame &f : m_frames)
        texts.append(f.text);
    return texts;
}

int FakeAxbBoard::frameCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_frames.size();
}

int FakeAxbBoard::countFrames(const QByteArray &text) const
{
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const Frame &f : m_frames)
        n += f.text == text ? 1 : 0;
    return n;
}

void FakeAxbBoard::clearFrames()
{
    QMutexLocker lock(&m_mutex);
    m_frames.clear();
}
