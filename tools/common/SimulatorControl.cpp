#include "SimulatorControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

QString channelPath(const QString &name, const char *program)
{
    if (name.isEmpty())
        return QDir::current().absoluteFilePath(QString::fromLatin1(program) + QStringLiteral(".socket"));
    if (name.contains(QLatin1Char('/')))
        return QFileInfo(name).absoluteFilePath();
    return QDir(QDir::tempPath()).absoluteFilePath(name);
}

// A longer path would not be the one asked for: refuse it rather than meet
// whatever the socket layer makes of it.
bool fitsSocket(const QString &path, const char *program)
{
    const int limit = int(sizeof(sockaddr_un::sun_path)) - 1;
    if (QFile::encodeName(path).size() <= limit)
        return true;
    std::fprintf(stderr, "%s: the socket path %s is longer than the %d bytes a socket path may have; use a folder "
                 "with a shorter path or a shorter --name\n", program, qPrintable(path), limit);
    return false;
}

bool connectTo(QLocalSocket &socket, const QString &path)
{
    socket.connectToServer(path);
    return socket.waitForConnected(2000);
}

} // namespace

bool listenAsSimulator(QLocalServer &server, const QString &name, const char *program)
{
    const QString path = channelPath(name, program);
    if (!fitsSocket(path, program))
        return false;
    if (!server.listen(path) && server.serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket holder;
        if (connectTo(holder, path)) {
            std::fprintf(stderr, "%s: a simulator already runs on %s; start this one in another folder or give it "
                         "another --name\n", program, qPrintable(path));
            return false;
        }
        // Only an ended simulator's socket is cleared, never a file of another kind.
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode)) {
            QLocalServer::removeServer(path);
            server.listen(path);
        }
    }
    if (server.isListening())
        return true;
    std::fprintf(stderr, "%s: cannot open %s: %s\n", program, qPrintable(path), qPrintable(server.errorString()));
    return false;
}

bool connectToSimulator(QLocalSocket &socket, const QString &name, const char *program)
{
    if (!name.isEmpty()) {
        const QString path = channelPath(name, program);
        if (!fitsSocket(path, program))
            return false;
        if (connectTo(socket, path))
            return true;
        std::fprintf(stderr, "%s: no simulator runs on %s\n", program, qPrintable(path));
        return false;
    }
    const QString file = QString::fromLatin1(program) + QStringLiteral(".socket");
    QStringList tried;
    for (const QString &folder : {QDir::currentPath(), QCoreApplication::applicationDirPath() + "/../demo"}) {
        const QString path = QDir::cleanPath(QDir(folder).absoluteFilePath(file));
        if (tried.contains(path))
            continue;
        tried << path;
        if (connectTo(socket, path))
            return true;
    }
    std::fprintf(stderr, "%s: no simulator runs on %s; run this in the folder a simulator was started in, or give "
                 "its socket file with --name\n", program, qPrintable(tried.join(QStringLiteral(" or "))));
    return false;
}
