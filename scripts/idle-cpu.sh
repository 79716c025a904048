#!/bin/sh
# Measures what the demo costs while nobody touches it: builds the demo
# (Release, build-demo/), starts the board simulator and T8A_M in a scratch
# working directory on a virtual display, lets it settle, then prints the
# share of one core the program used over the measuring time, per thread too.
#
#   scripts/idle-cpu.sh [seconds]        (default 10)
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-demo"
SECONDS_TO_MEASURE="${1:-10}"

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)" >/dev/null
WORK=$(mktemp -d)

SIM=""
XVFB=""
APP=""
cleanup() {
    [ -n "$APP" ] && kill "$APP" 2>/dev/null || true
    [ -n "$SIM" ] && kill "$SIM" 2>/dev/null || true
    [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$BUILD/tools/axb-sim" >"$WORK/axb-sim.out" 2>&1 &
SIM=$!
i=0
while [ ! -s "$WORK/axb-sim.out" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
PTY=$(head -n 1 "$WORK/axb-sim.out")
# The sample files the demo script copies (demo/<folder>/ into the working
# directory's <folder>/), then the settings and the database.
for d in "$ROOT"/demo/*/; do
    name=$(basename "$d")
    [ "$name" = frames ] && continue
    mkdir -p "$WORK/demo/$name"
    cp -R "$d". "$WORK/demo/$name/"
done
"$BUILD/tools/make-demo" "$WORK/demo" "$PTY" "$ROOT/demo/frames/radius" >/dev/null

n=99
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
export DISPLAY=":$n"
i=0
while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done

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
before=$(ticks "/proc/$APP/stat")
snapshot >"$WORK/before"
sleep "$SECONDS_TO_MEASURE"
after=$(ticks "/proc/$APP/stat")
snapshot >"$WORK/after"

echo "T8A_M idle on the demo for $SECONDS_TO_MEASURE s:" \
    "$(awk -v a="$after" -v b="$before" -v hz="$HZ" -v s="$SECONDS_TO_MEASURE" \
        'BEGIN { printf "%.1f", 100 * (a - b) / hz / s }')% of one core (goal <= 15%)"
awk -v hz="$HZ" -v s="$SECONDS_TO_MEASURE" '
    NR == FNR { seen[$1] = $2; next }
    { used = 100 * ($2 - seen[$1]) / hz / s; if (used >= 0.5) printf "  thread %-16s %5.1f%%\n", $3, used }
' "$WORK/before" "$WORK/after"
