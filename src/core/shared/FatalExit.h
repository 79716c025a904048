#pragma once

#include <QString>

#include <functional>

class QObject;

// Start-up conditions the program cannot run with (second instance, no
// camera, database that cannot be opened): a critical box with an Ok button,
// then the process ends with exit code 0. The box is the widgets' part: they
// hand it in through setFatalExitBox; without one the text goes to stderr.
void fatalExit(QObject *parent, const QString &title, const QString &text);

// Replaces the end of the process (the box is still shown through the message
// box, and so through its handler). The hook gets the exit code; fatalExit then
// returns to its caller. An empty hook restores the real exit.
void setFatalExitHook(std::function<void(int)> hook);

// How fatalExit tells the operator; set once by the message box.
using FatalExitBox = void (*)(QObject *parent, const QString &title, const QString &text);
void setFatalExitBox(FatalExitBox box);
