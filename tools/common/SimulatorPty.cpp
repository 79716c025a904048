#include "SimulatorPty.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

SimulatorPty::~SimulatorPty()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool SimulatorPty::open(const char *program)
{
    if (openpty(&m_master, &m_slave, m_path, nullptr, nullptr) != 0) {
        const int error = errno;
        std::fprintf(stderr, "%s: openpty: %s\n", program, std::strerror(error));
        m_master = m_slave = -1;
        return false;
    }
    termios t;
    if (tcgetattr(m_slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

void SimulatorPty::printPath() const
{
    std::printf("%s\n", m_path);
    std::fflush(stdout);
}

void SimulatorPty::writeAll(const QByteArray &bytes) const
{
    const char *p = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(m_master, p, left);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                usleep(100);
                continue;
            }
            return;
        }
        p += n;
        left -= size_t(n);
    }
}
