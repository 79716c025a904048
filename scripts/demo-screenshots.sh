#!/bin/sh
# Takes the demo's screenshot set: builds the demo (Release, build-demo/),
# starts the simulators and tools/demo-tour in a fresh demo working directory
# on a virtual display, and saves one PNG per stop of the README's
# walk-through into $SCREENSHOT_DIR (default build-demo/screenshots).
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-demo"
. "$ROOT/scripts/demo-workdir.sh"
OUT="${SCREENSHOT_DIR:-$BUILD/screenshots}"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

# The tour opens a report in the PDF viewer.
./scripts/install-deps.sh --viewer >/dev/null
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target demo-programs demo-tour >/dev/null
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
timeout 120 "$BUILD/tools/demo-tour" "$OUT"
