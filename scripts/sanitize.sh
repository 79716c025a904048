#!/bin/sh
# Builds everything with AddressSanitizer, LeakSanitizer and UBSan (clang)
# into build-asan/ and runs the whole suite there. Any finding fails the test
# that made it: UBSan stops at the first one, leaks fail at the program's end.
# Known leaks that are not ours to fix are listed, each with its reason, in
# scripts/lsan.supp.
#   scripts/sanitize.sh [ctest arguments]     e.g. scripts/sanitize.sh -R tst_axb
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --checks
ROOT=$(pwd)
BUILD=$ROOT/build-asan
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then
  LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  # Paths relative to the checkout: another clone of the same sources hits.
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}"
fi
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
  -DT8A_SANITIZE=address,undefined $LAUNCHER >/dev/null
cmake --build "$BUILD" -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
cd "$BUILD"
# Half the cores: the instrumented GUI tests are slow, and timing-sensitive
# ones should not starve. A test that fails is run once more, so that only a
# finding that repeats (every sanitizer finding so far did) fails the run; a
# failure that went away on the second run is still printed above. Each
# test's time limit is set in tests/CMakeLists.txt (a --timeout here would not
# override it).
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(( ($(nproc) + 1) / 2 ))" \
  --repeat until-pass:2 "$@"
