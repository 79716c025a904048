#!/bin/sh
# Measures what the demo costs while nobody touches it: builds the demo
# (Release, build-demo/), starts the simulators and T8A_M in a scratch
# working directory on a virtual display, lets it settle, then prints the
# share of one core the program used over the measuring time, per thread too.
# With --board-gone it then ends the board simulator (as a pulled cable would
# end the line) and measures the same time again.
#
#   scripts/idle-cpu.sh [--board-gone] [seconds]        (default 10)
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-demo"
. "$ROOT/scripts/demo-workdir.sh"
BOARD_GONE=""
if [ "$1" = "--board-gone" ]; then
    BOARD_GONE=1
    shift
fi
SECONDS_TO_MEASURE="${1:-10}"

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target demo-programs >/dev/null
WORK=$(mktemp -d)

cleanup() {
    stop_demo_processes
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
private_runtime_dir

prepare_demo_workdir "$WORK/demo" >/dev/null
start_virtual_display

cd "$WORK/demo"
"$BUILD/T8A_M" >/dev/null 2>&1 &
APP=$!
sleep 5
kill -0 "$APP" 2>/dev/null || { echo "idle-cpu: T8A_M did not keep running" >&2; exit 1; }

# utime + stime (clock ticks) of the process and of each thread.
ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "$1"; }
snapshot() {
    for t in /proc/"$APP"/task/*; do
        echo "$(basename "$t") $(ticks "$t/stat") $(cat "$t/comm")"
    done
}
HZ=$(getconf CLK_TCK)
# measure WHAT [NOTE]: prints the share of one core over the measuring time
# (followed by NOTE) and each thread's share.
measure() {
    before=$(ticks "/proc/$APP/stat")
    snapshot >"$WORK/before"
    sleep "$SECONDS_TO_MEASURE"
    after=$(ticks "/proc/$APP/stat")
    snapshot >"$WORK/after"

    echo "T8A_M $1 for $SECONDS_TO_MEASURE s:" \
        "$(awk -v a="$after" -v b="$before" -v hz="$HZ" -v s="$SECONDS_TO_MEASURE" \
            'BEGIN { printf "%.1f", 100 * (a - b) / hz / s }')% of one core$2"
    awk -v hz="$HZ" -v s="$SECONDS_TO_MEASURE" '
        NR == FNR { seen[$1] = $2; next }
        { used = 100 * ($2 - seen[$1]) / hz / s; if (used >= 0.5) printf "  thread %-16s %5.1f%%\n", $3, used }
    ' "$WORK/before" "$WORK/after"
}
measure "idle on the demo" " (goal <= 15%)"

if [ -n "$BOARD_GONE" ]; then
    kill "$SIM"
    wait "$SIM" 2>/dev/null || true
    SIM=""
    sleep 2
    kill -0 "$APP" 2>/dev/null || { echo "idle-cpu: T8A_M ended with the board" >&2; exit 1; }
    measure "with the board simulator ended" ""
fi
