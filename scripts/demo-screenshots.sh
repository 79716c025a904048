#!/bin/sh
# Takes the demo's screenshot set: builds the demo (Release, build-demo/),
# starts the board simulator and tools/demo-tour in a fresh demo working
# directory on a virtual display, and saves one PNG per stop of the README's
# walk-through into $SCREENSHOT_DIR (default build-demo/screenshots).
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-demo"
OUT="${SCREENSHOT_DIR:-$BUILD/screenshots}"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)" >/dev/null
WORK=$(mktemp -d)

SIM=""
XVFB=""
cleanup() {
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
timeout 120 "$BUILD/tools/demo-tour" "$OUT"
