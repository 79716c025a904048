// Axis controller board simulator: plays the board on a pseudo-terminal so the
// program runs without a machine. Prints the terminal's path on its first
// output line, then answers every status request at once with a position line.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include "axis/AxbBoardModel.h"

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Board
{
    AxbBoardModel model;
    int master = -1;
    int drift = 0;
    bool verbose = false;
    QByteArray versionText;
    QByteArray pending;
    QElapsedTimer clock;

    // Counts wander slowly around their set values (20 s period).
    int drifted(int base, double phase) const
    {
        const double t = clock.elapsed() / 1000.0;
        return base + int(std::lround(drift * std::sin(2.0 * M_PI * t / 20.0 + phase)));
    }

    QByteArray line()
    {
        QByteArray out;
        if (!versionText.isEmpty()) {
            out += '$' + versionText + '$';
            versionText.clear();
        }
        out += model.positionLine(drifted(model.x, 0.0), drifted(model.z, 1.0), drifted(model.c, 2.0));
        return out;
    }

    void writeAll(const QByteArray &bytes)
    {
        const char *p = bytes.constData();
        size_t left = size_t(bytes.size());
        while (left > 0) {
            const ssize_t n = ::write(master, p, left);
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

    void frame(const QByteArray &text)
    {
        if (verbose)
            std::fprintf(stderr, "axb-sim: frame %s\n", text.constData());
        if (AxbBoardModel::isStatusRequest(text))
            writeAll(line());
        else
            model.apply(text);
    }

    void readable()
    {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            pending.append(buf, int(n));
        }
        for (const QByteArray &text : AxbBoardModel::takeFrames(pending))
            frame(text);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("axb-sim");

    QCommandLineParser parser;
    parser.setApplicationDescription("Axis controller board simulator on a pseudo-terminal.");
    parser.addHelpOption();
    const QCommandLineOption xOpt("x", "Raw X count in micrometres (default 100000).", "counts", "100000");
    const QCommandLineOption zOpt("z", "Raw Z count in micrometres (default 50000).", "counts", "50000");
    const QCommandLineOption cOpt("c", "Report a C axis with this raw count.", "counts");
    const QCommandLineOption driftOpt("drift", "Amplitude of the slow drift in counts (default 20).", "counts", "20");
    const QCommandLineOption inOpt("inputs", "Input byte I (default 128: no emergency).", "byte", "128");
    const QCommandLineOption typeOpt("type", "Machine type reported as T<n> after each line.", "n");
    const QCommandLineOption refOpt("referenced", "Start with the axes referenced (upper-case letters).");
    const QCommandLineOption verOpt("board-version", "Version text sent as $text$ before the first line.", "text");
    const QCommandLineOption verboseOpt("verbose", "Log every received frame on standard error.");
    parser.addOptions({xOpt, zOpt, cOpt, driftOpt, inOpt, typeOpt, refOpt, verOpt, verboseOpt});
    parser.process(app);

    Board board;
    board.model.x = parser.value(xOpt).toInt();
    board.model.z = parser.value(zOpt).toInt();
    board.model.cAxis = parser.isSet(cOpt);
    board.model.c = parser.value(cOpt).toInt();
    board.drift = parser.value(driftOpt).toInt();
    board.model.inputs = parser.value(inOpt).toInt() & 0xFF;
    board.model.type = parser.isSet(typeOpt) ? parser.value(typeOpt).toInt() : -1;
    board.model.referenced = parser.isSet(refOpt);
    board.versionText = parser.value(verOpt).toLatin1();
    board.verbose = parser.isSet(verboseOpt);
    board.clock.start();

    int slave = -1;
    char name[256] = {0};
    if (openpty(&board.master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("axb-sim: openpty");
        return 1;
    }
    termios t;
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    // The slave stays open here too, so the terminal survives the program
    // closing and reopening its side.
    fcntl(board.master, F_SETFL, fcntl(board.master, F_GETFL) | O_NONBLOCK);

    std::printf("%s\n", name);
    std::fflush(stdout);

    QSocketNotifier notifier(board.master, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&board] { board.readable(); });

    const int rc = app.exec();
    ::close(slave);
    ::close(board.master);
    return rc;
}
