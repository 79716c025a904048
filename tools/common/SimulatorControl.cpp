#include "SimulatorControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#include <cstdio>

QString simulatorChannel(const QString &name)
{
    return name.contains(QLatin1Char('/')) ? QFileInfo(name).absoluteFilePath() : name;
}

QString findSimulatorChannel(const char *program, const QString &defaultName)
{
    const QString file = QString::fromLatin1(program) + QStringLiteral(".socket");
    for (const QString &folder : {QDir::currentPath(), QCoreApplication::applicationDirPath() + "/../demo"}) {
        const QFileInfo socket(QDir(folder).filePath(file));
        if (socket.exists())
            return QDir::cleanPath(socket.absoluteFilePath());
    }
    return defaultName;
}

bool connectToSimulator(QLocalSocket &socket, const QString &name, const char *program)
{
    socket.connectToServer(name);
    if (socket.waitForConnected(2000))
        return true;
    std::fprintf(stderr, "%s: no simulator runs as \"%s\"\n", program, qPrintable(name));
    return false;
}
