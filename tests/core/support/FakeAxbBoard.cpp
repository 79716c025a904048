#include "support/FakeAxbBoard.h"

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
    // A program started by the test opens the line itself; it inherits neither end.
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
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
        for (const QByteArray &text : AxbBoardModel::takeFrames(m_pending))
            handleFrame(text, at);
    }
}

void FakeAxbBoard::handleFrame(const QByteArray &text, qint64 atMs)
{
    QByteArray answer;
    {
        QMutexLocker lock(&m_mutex);
        m_frames.append({text, atMs});
        if (AxbBoardModel::isStatusRequest(text)) {
            if (!m_replies.isEmpty())
                answer = m_replies.takeFirst();
            else if (m_autoAnswer)
                answer = m_board.positionLine();
        } else {
            m_board.apply(text);
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
                // Until the line takes bytes again.
                pollfd writable{m_master, POLLOUT, 0};
                ::poll(&writable, 1, 100);
                continue;
            }
            return;
        }
        p += n;
        left -= int(n);
    }
}

bool FakeAxbBoard::allRead() const
{
    // A poll of the terminal first hands it what was written and is still
    // on its way (a count alone may miss that).
    pollfd readable{m_slave, POLLIN, 0};
    return m_slave >= 0 && ::poll(&readable, 1, 0) == 0;
}

QByteArray FakeAxbBoard::positionLine() const
{
    QMutexLocker lock(&m_mutex);
    return m_board.positionLine();
}

void FakeAxbBoard::setAutoAnswer(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_autoAnswer = on;
}

void FakeAxbBoard::setCounts(int x, int z)
{
    QMutexLocker lock(&m_mutex);
    m_board.x = x;
    m_board.z = z;
}

QPoint FakeAxbBoard::counts() const
{
    QMutexLocker lock(&m_mutex);
    return QPoint(m_board.x, m_board.z);
}

void FakeAxbBoard::setInputs(int inputs)
{
    QMutexLocker lock(&m_mutex);
    m_board.inputs = inputs;
}

void FakeAxbBoard::setOutputs(int outputs)
{
    QMutexLocker lock(&m_mutex);
    m_board.outputs = outputs;
}

void FakeAxbBoard::setCAxis(bool on, int c)
{
    QMutexLocker lock(&m_mutex);
    m_board.cAxis = on;
    m_board.c = c;
}

void FakeAxbBoard::setReferenced(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_board.referenced = on;
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
