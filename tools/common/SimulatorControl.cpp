#include "SimulatorControl.h"

#include <QLocalSocket>

#include <cstdio>

bool connectToSimulator(QLocalSocket &socket, const QString &name, const char *program)
{
    socket.connectToServer(name);
    if (socket.waitForConnected(2000))
        return true;
    std::fprintf(stderr, "%s: no simulator runs as \"%s\"\n", program, qPrintable(name));
    return false;
}
