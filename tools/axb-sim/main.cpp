// Axis controller board simulator: plays the board on a pseudo-terminal so the
// program runs without a machine. Prints the terminal's path on its first
// output line, then answers every status request with a position line, each
// answer taking the time its bytes need on the serial line (the terminal's
// rate as the program set it, or --baud), as a real board's does.
//
//   axb-sim --move AXIS MM [--name NAME]   moves the X or Z axis of the running
//                                          simulator by MM millimetres (MM may
//                                          be negative); without --name, the
//                                          one started in the current directory
//                                          or the demo's (common/SimulatorControl.h)
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QQueue>
#include <QSocketNotifier>
#include <QTimer>

#include "axis/AxbBoardModel.h"
#include "common/SimulatorControl.h"
#include "common/SimulatorPty.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// Bits per second of a termios speed constant; 0 for one not listed.
int termiosRate(speed_t speed)
{
    static const struct { speed_t speed; int rate; } rates[] = {
        {B1200, 1200}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
    };
    for (const auto &r : rates)
        if (r.speed == speed)
            return r.rate;
    return 0;
}

struct Board
{
    AxbBoardModel model;
    SimulatorPty pty;
    int baud = -1; // -1: the terminal's rate; 0: answer at once
    // Answers waiting for the line: each leaves when its bytes would have
    // been sent, one after the other.
    QQueue<QPair<qint64, QByteArray>> outgoing;
    qint64 lineFreeAtUs = 0;
    QTimer sender;
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

    void frame(const QByteArray &text)
    {
        if (verbose)
            std::fprintf(stderr, "axb-sim: frame %s\n", text.constData());
        if (AxbBoardModel::isStatusRequest(text))
            answer(line(), text.size() + 2);
        else
            model.apply(text);
    }

    int lineRate() const
    {
        if (baud >= 0)
            return baud;
        termios t;
        const int rate = tcgetattr(pty.slave(), &t) == 0 ? termiosRate(cfgetospeed(&t)) : 0;
        return rate > 0 ? rate : 115200;
    }

    // The answer to a request of requestBytes (ENQ and CR included) leaves
    // once the request would have come in on the line and the line is free,
    // and arrives when its last byte would have been sent.
    void answer(const QByteArray &bytes, int requestBytes)
    {
        const int rate = lineRate();
        if (rate == 0 && outgoing.isEmpty()) {
            pty.writeAll(bytes);
            return;
        }
        // Ten bits a byte: start, eight data bits, stop.
        const auto onLine = [rate](qint64 n) { return rate > 0 ? n * 10 * 1000000 / rate : 0; };
        const qint64 now = clock.nsecsElapsed() / 1000;
        const qint64 start = qMax(now + onLine(requestBytes), lineFreeAtUs);
        lineFreeAtUs = start + onLine(bytes.size());
        outgoing.enqueue({lineFreeAtUs, bytes});
        if (!sender.isActive())
            sendDue();
    }

    // Writes the answers whose time has come and waits for the next one.
    void sendDue()
    {
        const qint64 now = clock.nsecsElapsed() / 1000;
        while (!outgoing.isEmpty() && outgoing.head().first <= now)
            pty.writeAll(outgoing.dequeue().second);
        if (!outgoing.isEmpty())
            sender.start(int((outgoing.head().first - now + 999) / 1000));
    }

    void readable()
    {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(pty.master(), buf, sizeof buf);
            if (n <= 0)
                break;
            pending.append(buf, int(n));
        }
        for (const QByteArray &text : AxbBoardModel::takeFrames(pending))
            frame(text);
    }
};

// "X 0.5" or "z -1.25": the axis and the millimetres to move it by.
bool parseMove(const QByteArray &line, char *axis, int *micrometres)
{
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.size() != 2 || parts.at(0).size() != 1)
        return false;
    const char a = char(QChar::fromLatin1(parts.at(0).at(0)).toUpper().toLatin1());
    bool ok = false;
    const double mm = parts.at(1).toDouble(&ok); // C locale: "." whatever LANG says
    if (!ok || (a != 'X' && a != 'Z') || !std::isfinite(mm) || std::fabs(mm) > 1e6)
        return false;
    *axis = a;
    *micrometres = int(std::lround(mm * 1000));
    return true;
}

// The client side of --move: hands the move to the running simulator and
// prints its answer (the new counts).
int sendMove(const QString &name, const QByteArray &move)
{
    char axis;
    int um;
    if (!parseMove(move, &axis, &um)) {
        std::fprintf(stderr, "axb-sim: --move takes an axis (X or Z) and millimetres, e.g. --move X 0.5\n");
        return 2;
    }
    QLocalSocket s;
    if (!connectToSimulator(s, name, "axb-sim"))
        return 1;
    s.write(move + '\n');
    while (!s.canReadLine() && s.waitForReadyRead(2000)) {
    }
    if (!s.canReadLine()) {
        std::fprintf(stderr, "axb-sim: the simulator did not answer\n");
        return 1;
    }
    const QByteArray answer = s.readLine().trimmed();
    std::printf("%s\n", answer.constData());
    return answer.startsWith("error") ? 1 : 0;
}

// Takes "--move AXIS MM" out of the arguments (MM may start with "-", which
// the option parser would read as an option).
QByteArray takeMove(QStringList &args)
{
    const int i = args.indexOf(QStringLiteral("--move"));
    if (i < 0)
        return QByteArray();
    const QStringList taken = args.mid(i + 1, 2);
    args.erase(args.begin() + i, args.begin() + std::min<int>(args.size(), i + 3));
    return taken.join(' ').toLatin1() + (taken.size() < 2 ? " ?" : "");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("axb-sim");
    QStringList args = app.arguments();
    const QByteArray move = takeMove(args);

    QCommandLineParser parser;
    parser.setApplicationDescription("Axis controller board simulator on a pseudo-terminal.");
    parser.addHelpOption();
    // By default a tool of a plausible size stands under the camera.
    const QCommandLineOption xOpt("x", "Raw X count in micrometres (default 26000).", "counts", "26000");
    const QCommandLineOption zOpt("z", "Raw Z count in micrometres (default 98000).", "counts", "98000");
    const QCommandLineOption cOpt("c", "Report a C axis with this raw count.", "counts");
    const QCommandLineOption driftOpt("drift", "Amplitude of the slow drift in counts (default 20).", "counts", "20");
    const QCommandLineOption inOpt("inputs", "Input byte I (default 128: no emergency).", "byte", "128");
    const QCommandLineOption typeOpt("type", "Machine type reported as T<n> after each line.", "n");
    const QCommandLineOption refOpt("referenced", "Start with the axes referenced (upper-case letters).");
    const QCommandLineOption verOpt("board-version", "Version text sent as $text$ before the first line.", "text");
    const QCommandLineOption verboseOpt("verbose", "Log every received frame on standard error.");
    const QCommandLineOption nameOpt("name",
                                     "Socket file the simulator takes moves through (default axb-sim.socket in the "
                                     "current directory); a name without a / is one in the temporary folder. "
                                     "Without it, --move goes to the simulator of the current directory or of the "
                                     "build's demo directory.",
                                     "name");
    const QCommandLineOption baudOpt("baud",
                                     "Line rate the answers are paced to (default: the rate set on the terminal; "
                                     "0 answers at once).",
                                     "bps");
    parser.addOptions({xOpt, zOpt, cOpt, driftOpt, inOpt, typeOpt, refOpt, verOpt, verboseOpt, baudOpt, nameOpt});
    parser.process(args);
    const QString name = parser.value(nameOpt);
    if (!move.isEmpty())
        return sendMove(name, move);

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
    board.baud = parser.isSet(baudOpt) ? qMax(0, parser.value(baudOpt).toInt()) : -1;
    board.sender.setSingleShot(true);
    board.sender.setTimerType(Qt::PreciseTimer);
    QObject::connect(&board.sender, &QTimer::timeout, [&board] { board.sendDue(); });
    board.clock.start();

    // Moves from another terminal (axb-sim --move); a simulator refused its
    // channel prints no terminal, so no one takes it for the running one.
    QLocalServer mover;
    if (!listenAsSimulator(mover, name, "axb-sim"))
        return 1;
    if (!board.pty.open("axb-sim"))
        return 1;
    board.pty.printPath();

    QSocketNotifier notifier(board.pty.master(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&board] { board.readable(); });

    QObject::connect(&mover, &QLocalServer::newConnection, [&] {
        while (QLocalSocket *c = mover.nextPendingConnection()) {
            QObject::connect(c, &QLocalSocket::disconnected, c, &QObject::deleteLater);
            QObject::connect(c, &QLocalSocket::readyRead, [c, &board] {
                while (c->canReadLine()) {
                    char axis;
                    int um;
                    QByteArray answer;
                    if (parseMove(c->readLine(), &axis, &um)) {
                        int &count = axis == 'X' ? board.model.x : board.model.z;
                        count = int(qBound<qint64>(INT_MIN, qint64(count) + um, INT_MAX));
                        answer = "X " + QByteArray::number(board.model.x) + " Z " + QByteArray::number(board.model.z);
                        std::printf("axb-sim: moved to %s\n", answer.constData());
                        std::fflush(stdout);
                    } else {
                        answer = "error: a move is an axis (X or Z) and millimetres";
                    }
                    c->write(answer + '\n');
                }
            });
        }
    });

    return app.exec();
}
