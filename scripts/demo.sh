#!/bin/sh
# Installs what is missing (a PDF viewer too, when none is registered),
# builds, prepares a demo working directory with the simulators and starts the
# program there with the stand-in camera, on the current X display or, when
# there is none, on a virtual one (Xvfb). Stopping the program (or this
# script) stops the simulators. While the program already runs in the demo
# working directory it refuses, as the program would, before it starts or
# writes anything: the running demo keeps its simulators and settings.
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
# T8A_DEMO_BUILD: another build tree to check and run (the tools smoke run
# starts the demo from the tested one).
BUILD="${T8A_DEMO_BUILD:-$ROOT/build-demo}"
. "$ROOT/scripts/demo-workdir.sh"
DEMO="${T8A_DEMO_DIR:-$BUILD/demo}"
if demo_in_execution "$DEMO"; then
    echo "demo: Program already in execution (T8A_M runs in $DEMO)" >&2
    exit 1
fi
# Said at once: the check below takes seconds even with nothing to build.
echo "demo: checking the build ..."

./scripts/install-deps.sh --viewer

cleanup() {
    stop_demo_processes
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# Before the build: the operator guide it makes is drawn by a program of the
# toolkit too.
private_runtime_dir

# The build's progress goes to its log: a start with nothing to build prints
# only the demo's lines; a failed build shows the end of its log. Only what
# the demo runs is built (target demo-programs), not the tests and
# benchmarks. A configured build directory is configured again by the build
# itself when a CMake file changed.
# Even with nothing to build, the build tool takes seconds to find so: a
# build that no file of the checkout is newer than is not asked again.
mkdir -p "$BUILD"
STAMP="$BUILD/demo-built.stamp"
if [ -x "$BUILD/T8A_M" ] && [ -f "$STAMP" ] && [ -z "$(find "$ROOT" \( -path "$ROOT/build*" -o -path "$ROOT/.git" \) \
    -prune -o -newer "$STAMP" -print -quit)" ]; then
    echo "demo: no file changed since the last build of the demo" >"$BUILD/build.log"
else
    [ -x "$BUILD/T8A_M" ] || echo "demo: first build into $BUILD, this takes minutes (progress in $BUILD/build.log)"
    # Marked before it starts: a file changed while it builds is built next time.
    touch "$STAMP.new"
    if ! { { [ -f "$BUILD/CMakeCache.txt" ] && [ -f "$BUILD/Makefile" ] \
        || cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release; } \
        && cmake --build "$BUILD" -j"$(nproc)" --target demo-programs; } >"$BUILD/build.log" 2>&1; then
        rm -f "$STAMP.new"
        tail -n 30 "$BUILD/build.log" >&2
        echo "demo: the build failed, see $BUILD/build.log" >&2
        exit 1
    fi
    mv "$STAMP.new" "$STAMP"
fi

prepare_demo_workdir "$DEMO"

if [ -z "$DISPLAY" ]; then
    start_virtual_display
    echo "demo: no X display, running on the virtual display $DISPLAY"
fi

cd "$DEMO"
"$BUILD/T8A_M" &
APP=$!
sleep 3
if kill -0 "$APP" 2>/dev/null && "$BUILD/tools/screen-shot" "$DEMO/screenshot.png"; then
    echo "demo: screenshot of the screen saved in $DEMO/screenshot.png"
fi
echo "demo: T8A_M runs in $DEMO (board simulator on $PTY, DNC server $DNC_SOCKET, scanner $SCANNER, RFID head $RFID_PTY)"
echo "demo: take the RFID tag away with: touch $DEMO/rfid-tag.bin.away (rm it to put the tag back)"
# Commands from other terminals find the simulators of build-demo/demo by
# themselves; those of another demo directory by its socket file.
SCAN="$BUILD/tools/dm-sim --scan DM-0001"
[ "$DEMO" -ef "$BUILD/demo" ] || SCAN="$SCAN --name $DEMO/dm-sim.socket"
echo "demo: scan a tool code with: $SCAN"
echo "demo: close the program, or press Ctrl-C, to end the demo"
wait "$APP" || true
