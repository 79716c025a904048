// DataMatrix scanner stand-in on a pseudo-terminal.
//
//   dm-sim [--name NAME]              plays the scanner: prints the terminal's
//                                     path on its first line ("/DataMatrix/Port")
//   dm-sim --scan CODE [--name NAME]  "scans" CODE: the running dm-sim sends it
//                                     as STX CODE ETX; without --name, the one
//                                     started in the current directory or the
//                                     demo's (common/SimulatorControl.h)
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include "common/SimulatorControl.h"
#include "common/SimulatorPty.h"
#include "dnc/DmFrameReader.h"

namespace {

int scan(const QString &name, const QByteArray &code)
{
    QLocalSocket s;
    if (!connectToSimulator(s, name, "dm-sim"))
        return 1;
    s.write(code + '\n');
    s.waitForBytesWritten(2000);
    s.disconnectFromServer();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("dm-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription("DataMatrix scanner stand-in on a pseudo-terminal.");
    parser.addHelpOption();
    const QCommandLineOption nameOpt("name",
                                     "Socket file the stand-in takes codes through (default dm-sim.socket in the "
                                     "current directory); a name without a / is one in the temporary folder. "
                                     "Without it, --scan goes to the stand-in of the current directory or of the "
                                     "build's demo directory.",
                                     "name");
    const QCommandLineOption scanOpt("scan", "Hand this code to the running stand-in.", "code");
    parser.addOptions({nameOpt, scanOpt});
    parser.process(app);
    const QString name = parser.value(nameOpt);
    if (parser.isSet(scanOpt))
        return scan(name, parser.value(scanOpt).toLatin1());

    // The terminal survives the program opening and closing its side for
    // each reading.
    SimulatorPty pty;
    if (!pty.open("dm-sim"))
        return 1;
    const int master = pty.master();
    QSocketNotifier readable(master, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, [master] {
        char buf[256];
        while (::read(master, buf, sizeof buf) > 0) {
        }
    });

    QLocalServer server;
    if (!listenAsSimulator(server, name, "dm-sim"))
        return 1;
    pty.printPath();
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        while (QLocalSocket *c = server.nextPendingConnection()) {
            QObject::connect(c, &QLocalSocket::disconnected, c, &QObject::deleteLater);
            QObject::connect(c, &QLocalSocket::readyRead, [c, &pty] {
                while (c->canReadLine()) {
                    const QByteArray code = c->readLine().chopped(1);
                    // A code scanned while no reading ran is not kept for the next one.
                    tcflush(pty.slave(), TCIFLUSH);
                    pty.writeAll(DmFrameReader::frame(code));
                    std::printf("dm-sim: scanned %s\n", code.constData());
                    std::fflush(stdout);
                }
            });
        }
    });
    return app.exec();
}
