// Axis controller board simulator: plays the board on a pseudo-terminal so the
// program runs without a machine. Prints the terminal's path on its first
// output line, then answers every status request at once with a position line.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Board
{
    int master = -1;
    int x = 0;
    int z = 0;
    int c = 0;
    bool cAxis = false;
    int drift = 0;
    int inputs = 128;
    int outputs = 0;
    int type = -1;
    bool referenced = false;
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
        out += (referenced ? "X" : "x") + QByteArray::number(drifted(x, 0.0));
        out += ' ';
        out += (referenced ? "Z" : "z") + QByteArray::number(drifted(z, 1.0));
        out += " I" + QByteArray::number(inputs) + " O" + QByteArray::number(outputs);
        if (cAxis)
            out += (referenced ? " C" : " c") + QByteArray::number(drifted(c, 2.0));
        if (type >= 0)
            out += " T" + QByteArray::number(type);
        out += '\r';
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
        if (text == "H" || text == "S" || text == "?" || text == "N") {
            writeAll(line());
        } else if (text.startsWith('B')) {
            bool ok = false;
            const int v = text.mid(1).toInt(&ok);
            if (ok)
                outputs = v & 0xFF;
        } else if (text == "R") {
            referenced = true;
        }
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
        for (;;) {
            const int enq = pending.indexOf('\x05');
            if (enq < 0) {
                pending.clear();
                return;
            }
            const int cr = pending.indexOf('\r', enq);
            if (cr < 0) {
                pending.remove(0, enq);
                return;
            }
            const QByteArray text = pending.mid(enq + 1, cr - enq - 1);
            pending.remove(0, cr + 1);
            frame(text);
        }
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
    board.x = parser.value(xOpt).toInt();
    board.z = parser.value(zOpt).toInt();
    board.cAxis = parser.isSet(cOpt);
    board.c = parser.value(cOpt).toInt();
    board.drift = parser.value(driftOpt).toInt();
    board.inputs = parser.value(inOpt).toInt() & 0xFF;
    board.type = parser.isSet(typeOpt) ? parser.value(typeOpt).toInt() : -1;
    board.referenced = parser.isSet(refOpt);
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
