#pragma once

#include <QString>

class QLocalServer;
class QLocalSocket;

// A running simulator's control channel (dm-sim --scan, axb-sim --move): a
// local socket. A simulator takes "<program>.socket" in the folder it is
// started in unless --name gives another: a name with a "/" is a socket file
// (relative to the current directory), any other one a name in the temporary
// folder. Two runs on one machine thus never share a channel by default.

// Takes the channel NAME (empty: the default one) for the simulator. Refuses
// one a running simulator holds and a path too long for a socket; reuses the
// file an ended simulator left. Says on standard error why it failed.
bool listenAsSimulator(QLocalServer &server, const QString &name, const char *program);

// Connects another terminal's command to the simulator on NAME. Without a
// name, to the one running in the current directory, else to the one of the
// demo directory beside the build's tools (build-demo/demo for
// build-demo/tools/axb-sim), never to any other run's. Says on standard error
// when no simulator runs there.
bool connectToSimulator(QLocalSocket &socket, const QString &name, const char *program);
