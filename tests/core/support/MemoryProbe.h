#pragma once

#include <QtGlobal>

// The memory the process holds, for tests that bound how it grows: the
// resident size, or under AddressSanitizer the heap in use (its quarantine
// keeps freed blocks resident for a while).
namespace MemoryProbe {
qint64 heldBytes();
}
