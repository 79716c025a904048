// Measures the board link's request-answer polling over a pseudo-terminal with
// a board that answers at once: full cycles per second (request, line, parse,
// display signal) and the time from a line's CR reaching the terminal to the
// link's UpdateAxesDisplay.
#include "axis/cAxisInterface.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Answers each status request with a line whose X count is its sequence
// number and notes when the line's last byte was handed to the terminal.
class Board
{
public:
    explicit Board(size_t capacity) : m_sentAt(capacity)
    {
        char name[256] = {0};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        termios t;
        if (tcgetattr(m_slave, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(m_slave, TCSANOW, &t);
        }
        m_path = QString::fromLocal8Bit(name);
        m_thread = std::thread([this] { run(); });
    }
    ~Board()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
    QString path() const { return m_path; }
    qint64 sentAt(int seq) const
    {
        return seq >= 0 && size_t(seq) < m_sentAt.size() ? m_sentAt[size_t(seq)].load() : 0;
    }

private:
    void run()
    {
        QByteArray pending;
        char buf[256];
        int seq = 1;
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                continue;
            pending.append(buf, int(n));
            int cr;
            while ((cr = pending.indexOf('\r')) >= 0) {
                const QByteArray frame = pending.left(cr);
                pending.remove(0, cr + 1);
                if (!frame.endsWith("\x05H"))
                    continue;
                const QByteArray line = "X" + QByteArray::number(seq) + " Z0 I128 O0\r";
                // Noted before the write so the link can never see the line first;
                // this counts the write itself into the latency.
                if (size_t(seq) < m_sentAt.size())
                    m_sentAt[size_t(seq)] = nowNs();
                if (::write(m_master, line.constData(), size_t(line.size())) != line.size())
                    std::fprintf(stderr, "axb-bench: short write\n");
                ++seq;
            }
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::vector<std::atomic<qint64>> m_sentAt;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

double percentile(std::vector<qint64> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return double(v[i]) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Request-answer polling rate and line latency of the board link.");
    parser.addHelpOption();
    const QCommandLineOption secondsOpt("seconds", "Measuring time (default 5).", "s", "5");
    parser.addOption(secondsOpt);
    parser.process(app);
    const int seconds = std::max(1, parser.value(secondsOpt).toInt());

    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::fprintf(stderr, "axb-bench: no working directory\n");
        return 1;
    }
    App::resetKovraSettings();

    Board board(size_t(seconds + 2) * 100000);
    if (board.path().isEmpty()) {
        std::fprintf(stderr, "axb-bench: no pseudo-terminal\n");
        return 1;
    }
    App::kovraSettings().setValue("/TTY/AxbPort", board.path());
    App::kovraSettings().setValue("/TTY/axbDncInterval", 0);
    MachineSettings.type = 0;

    std::vector<qint64> latencies;
    latencies.reserve(size_t(seconds) * 20000);
    int cycles = 0;
    int unmatched = 0;
    bool measuring = false;
    qint64 measureStart = 0;

    auto link = std::make_unique<cAxisInterface>(nullptr, nullptr);
    QObject::connect(link.get(), &cAxisInterface::UpdateAxesDisplay, [&] {
        const qint64 now = nowNs();
        if (!measuring)
            return;
        ++cycles;
        const qint64 sent = board.sentAt(link->getScaleX() / 10);
        if (sent > 0 && sent <= now)
            latencies.push_back(now - sent);
        else
            ++unmatched;
    });
    // Half a second to settle, then measure.
    QTimer::singleShot(500, [&] {
        measuring = true;
        measureStart = nowNs();
    });
    QTimer::singleShot(500 + seconds * 1000, [&] { app.quit(); });
    app.exec();
    const double elapsed = double(nowNs() - measureStart) / 1e9;
    link.reset();
    App::resetKovraSettings();

    std::printf("cycles            %d in %.2f s\n", cycles, elapsed);
    std::printf("cycles per second %.1f (goal >= 250)\n", cycles / elapsed);
    std::printf("CR to display     p50 %.3f ms  p99 %.3f ms  max %.3f ms (goal p99 <= 2 ms)\n",
                percentile(latencies, 0.50), percentile(latencies, 0.99), percentile(latencies, 1.0));
    if (unmatched)
        std::printf("lines without a send time: %d\n", unmatched);
    return 0;
}
