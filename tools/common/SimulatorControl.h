#pragma once

#include <QString>

class QLocalSocket;

// Another terminal's side of a running simulator's control channel, the local
// socket under the simulator's name (dm-sim --scan, axb-sim --move): connects
// it, or says on standard error that no such simulator runs.
bool connectToSimulator(QLocalSocket &socket, const QString &name, const char *program);
