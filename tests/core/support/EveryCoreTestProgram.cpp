// Compiled into each core test program itself, not into the support library:
// the linker leaves out a library's objects that nothing refers to.
#include <QCoreApplication>

#include "shared/FatalExit.h"

namespace {
// Without a screen a fatal exit would end the program with code 0, and a
// test that reached one would count as passed: it fails the program instead.
void failOnFatalExit()
{
    setFatalExitHook([](int) { qFatal("fatal exit reached in a test"); });
}
}

Q_COREAPP_STARTUP_FUNCTION(failOnFatalExit)
