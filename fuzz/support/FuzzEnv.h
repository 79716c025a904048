#pragma once

#include <QString>

// What the fuzz targets share: one Qt application object and one fresh
// working directory (settings file, database) for the whole run, and Qt's
// messages kept quiet unless T8A_FUZZ_VERBOSE is set (a warning per input
// would swamp the fuzzer's own output and slow it down).
namespace FuzzEnv {
// Idempotent; call it first in LLVMFuzzerTestOneInput or LLVMFuzzerInitialize.
void init();
// The working directory the process runs in.
QString workPath();
}
