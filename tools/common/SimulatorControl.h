#pragma once

#include <QString>

class QLocalSocket;

// A running simulator's control channel (dm-sim --scan, axb-sim --move): a
// local socket under the simulator's name. The demo scripts give each
// simulator the socket file "<program>.socket" in its demo working directory,
// so that two demos on one machine never take each other's moves.

// The socket a name stands for: a name with a "/" is a socket file (relative
// to the current directory), any other one a name in the temporary folder.
QString simulatorChannel(const QString &name);

// The channel another terminal's command goes to when it names none: the
// socket file of the demo working directory it runs in, else that of the demo
// directory beside the build's tools (build-demo/demo for
// build-demo/tools/axb-sim), else the default name.
QString findSimulatorChannel(const char *program, const QString &defaultName);

// Connects to the channel, or says on standard error that no such simulator
// runs.
bool connectToSimulator(QLocalSocket &socket, const QString &name, const char *program);
