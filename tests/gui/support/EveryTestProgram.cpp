// Compiled into each test program itself, not into the support library: the
// linker leaves out a library's objects that nothing refers to.
#include <QCoreApplication>

#include "support/UnexpectedBoxes.h"

namespace {
void installUnexpectedBoxes()
{
    UnexpectedBoxes::install();
}
}

Q_COREAPP_STARTUP_FUNCTION(installUnexpectedBoxes)
