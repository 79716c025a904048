#!/bin/sh
# Builds the fuzz targets of fuzz/ (clang, libFuzzer, ASan + UBSan) into
# build-fuzz/ and runs each for SECONDS (default 20) from its seed corpus.
# Fails when a target finds a crash, a leak or undefined behaviour; the
# input that did it is left in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 600 axb_answer
set -e
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-20}
[ $# -gt 0 ] && shift
./scripts/install-deps.sh --checks
ROOT=$(pwd)
BUILD=$ROOT/build-fuzz
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then
  LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  # Paths relative to the checkout: another clone of the same sources hits.
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}"
fi
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 -DT8A_FUZZ=ON $LAUNCHER >/dev/null
cmake --build "$BUILD" -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
export QT_QPA_PLATFORM=offscreen

if [ $# -gt 0 ]; then
  TARGETS="$*"
else
  TARGETS=$(cd fuzz && ls fuzz_*.cpp | sed 's/^fuzz_//; s/\.cpp$//')
fi
mkdir -p "$BUILD/findings"
failed=""
for name in $TARGETS; do
  exe="$BUILD/fuzz/fuzz_$name"
  seeds="$ROOT/fuzz/corpus/$name"
  # New inputs go to a scratch corpus; the repository's seeds stay as they are.
  work="$BUILD/corpus/$name"
  mkdir -p "$work"
  dict=""
  [ -f "fuzz/$name.dict" ] && dict="-dict=$ROOT/fuzz/$name.dict"
  log="$BUILD/findings/$name.log"
  # fuzz/<name>.asan-options: sanitizer options of that target only.
  options=$ASAN_OPTIONS
  [ -f "fuzz/$name.asan-options" ] && options="$options:$(cat "fuzz/$name.asan-options")"
  echo "== fuzz_$name: $SECONDS_EACH s"
  if ASAN_OPTIONS=$options "$exe" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
       -artifact_prefix="$BUILD/findings/$name-" $dict "$work" "$seeds" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$log" | tr '\n' ' '
    echo
  else
    tail -n 60 "$log"
    echo "fuzz_$name FAILED (log: $log)"
    failed="$failed $name"
  fi
done
if [ -n "$failed" ]; then
  echo "fuzz: findings in:$failed"
  exit 1
fi
echo "fuzz: every target ran $SECONDS_EACH s without a finding"
