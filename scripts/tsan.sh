#!/bin/sh
# Builds with ThreadSanitizer (clang) into build-tsan/ and runs the tests
# whose code runs on more than one thread (capture thread, serial threads,
# servers). Qt from Debian is not instrumented: races whose top frame is Qt's
# own are suppressed (scripts/tsan.supp); every report whose top frame is the
# program's own code counts. Fails when there is any.
#   scripts/tsan.sh [ctest -R pattern]
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --checks
ROOT=$(pwd)
BUILD=$ROOT/build-tsan
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then
  LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
  -DT8A_SANITIZE=thread $LAUNCHER >/dev/null
cmake --build "$BUILD" -j"$(nproc)"

# Qt's mutexes as the program uses them, made visible to the checker.
clang++-14 -std=c++17 -shared -fPIC -O1 -DQT_NO_VERSION_TAGGING -o "$BUILD/libtsan-qt-mutex.so" \
  scripts/tsan-qt-mutex.cpp $(pkg-config --cflags Qt5Core) -ldl

PATTERN=${1:-'tst_capture|tst_videodevice|tst_serial|tst_axb|tst_dnc$|tst_measureserver|tst_tcpserver|tst_campanel|tst_mainwindow'}
LOGS=$BUILD/tsan-logs
rm -rf "$LOGS"
mkdir -p "$LOGS"
export TSAN_OPTIONS="suppressions=$ROOT/scripts/tsan.supp:log_path=$LOGS/report:halt_on_error=0:exitcode=0:report_signal_unsafe=0:history_size=4"
export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
export TSAN_SYMBOLIZER_PATH=$ASAN_SYMBOLIZER_PATH
cd "$BUILD"
LD_PRELOAD="$BUILD/libtsan-qt-mutex.so" QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(( ($(nproc) + 1) / 2 ))" --timeout 900 -R "$PATTERN"

# One report per race. Whose it is: the top frame of its first access.
# Reports with any frame of the program's sources are counted as well.
total=0
project=0
touching=0
for f in "$LOGS"/report*; do
  [ -f "$f" ] || continue
  set -- $(awk -v src="$ROOT/src/" '
    /WARNING: ThreadSanitizer: data race/ { n++; top = 1; inFirst = 1; seen = 0; next }
    inFirst && /^ +#[0-9]+ / {
      if (top && index($0, src)) p++
      if (!seen && index($0, src)) { t++; seen = 1 }
      top = 0; next }
    inFirst && /^$/ { inFirst = 0 }
    END { print n + 0, p + 0, t + 0 }' "$f")
  total=$((total + $1))
  project=$((project + $2))
  touching=$((touching + $3))
done
echo "tsan: $total race reports; top frame in the program's code: $project; program frames in the first stack: $touching (logs: $LOGS)"
if [ "$project" -gt 0 ]; then
  grep -h -A3 'WARNING: ThreadSanitizer: data race' "$LOGS"/report* | grep -E "^ +#0 .*$ROOT/src/" | sed 's/0x[0-9a-f]*//g' | sort | uniq -c | sort -rn | head -40
  exit 1
fi
