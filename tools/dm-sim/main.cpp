// DataMatrix scanner stand-in on a pseudo-terminal.
//
//   dm-sim [--name NAME]              plays the scanner: prints the terminal's
//                                     path on its first line ("/DataMatrix/Port")
//   dm-sim --scan CODE [--name NAME]  "scans" CODE: the running dm-sim sends it
//                                     as STX CODE ETX
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "dnc/DmFrameReader.h"

namespace {

void writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
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

int scan(const QString &name, const QByteArray &code)
{
    QLocalSocket s;
    s.connectToServer(name);
    if (!s.waitForConnected(2000)) {
        std::fprintf(stderr, "dm-sim: no scanner stand-in runs as \"%s\"\n", qPrintable(name));
        return 1;
    }
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
    const QCommandLineOption nameOpt("name", "Name under which the stand-in takes codes (default t8a-dm-sim).",
                                     "name", "t8a-dm-sim");
    const QCommandLineOption scanOpt("scan", "Hand this code to the running stand-in.", "code");
    parser.addOptions({nameOpt, scanOpt});
    parser.process(app);
    const QString name = parser.value(nameOpt);
    if (parser.isSet(scanOpt))
        return scan(name, parser.value(scanOpt).toLatin1());

    int master = -1;
    int slave = -1;
    char path[256] = {0};
    if (openpty(&master, &slave, path, nullptr, nullptr) != 0) {
        std::perror("dm-sim: openpty");
        return 1;
    }
    termios t;
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    // The slave stays open here too, so the terminal survives the program
    // opening and closing its side for each reading.
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    QSocketNotifier readable(master, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, [master] {
        char buf[256];
        while (::read(master, buf, sizeof buf) > 0) {
        }
    });

    QLocalServer::removeServer(name);
    QLocalServer server;
    if (!server.listen(name)) {
        std::fprintf(stderr, "dm-sim: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("%s\n", path);
    std::fflush(stdout);
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        while (QLocalSocket *c = server.nextPendingConnection()) {
            QObject::connect(c, &QLocalSocket::disconnected, c, &QObject::deleteLater);
            QObject::connect(c, &QLocalSocket::readyRead, [c, master, slave] {
                while (c->canReadLine()) {
                    const QByteArray code = c->readLine().chopped(1);
                    // A code scanned while no reading ran is not kept for the next one.
                    tcflush(slave, TCIFLUSH);
                    writeAll(master, DmFrameReader::frame(code));
                    std::printf("dm-sim: scanned %s\n", code.constData());
                    std::fflush(stdout);
                }
            });
        }
    });
    return app.exec();
}
