#!/bin/sh
# Installs what is missing, builds, prepares a demo working directory and starts
# the program there with the AXB board simulator and the stand-in camera, on
# the current X display or, when there is none, on a virtual one (Xvfb).
# Stopping the program (or this script) stops the simulator.
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-demo"
. "$ROOT/scripts/demo-workdir.sh"
DEMO="${T8A_DEMO_DIR:-$BUILD/demo}"

./scripts/install-deps.sh
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
mkdir -p "$DEMO"

cleanup() {
    stop_demo_processes
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The simulator prints the pseudo-terminal it answers on as its first line.
rm -f "$DEMO/axb-sim.out"
start_axb_sim "$DEMO/axb-sim.out"
case "$PTY" in
/dev/*) ;;
*) echo "demo: the board simulator did not start: $PTY" >&2; exit 1 ;;
esac

# The CNC-side DNC server and the DataMatrix scanner stand-ins print their
# address and pseudo-terminal on their first line too.
rm -f "$DEMO/cnc-sim.out" "$DEMO/dm-sim.out"
"$BUILD/tools/cnc-sim" >"$DEMO/cnc-sim.out" 2>&1 &
CNC=$!
"$BUILD/tools/dm-sim" >"$DEMO/dm-sim.out" 2>&1 &
DM=$!
DNC_SOCKET=$(first_line "$DEMO/cnc-sim.out")
SCANNER=$(first_line "$DEMO/dm-sim.out")

# The RFID head simulator, on a terminal of its own; the tag's bytes live in
# rfid-tag.bin (no tag in front of the head while rfid-tag.bin.away exists).
rm -f "$DEMO/rfid-sim.out"
"$BUILD/tools/rfid-sim" --tag "$DEMO/rfid-tag.bin" >"$DEMO/rfid-sim.out" 2>&1 &
RFID=$!
RFID_PTY=$(first_line "$DEMO/rfid-sim.out")
case "$RFID_PTY" in
/dev/*) ;;
*) echo "demo: the RFID head simulator did not start: $RFID_PTY" >&2; exit 1 ;;
esac

mkdir -p "$DEMO/dnc"
cp "$ROOT"/demo/dnc/*.dnc "$DEMO/dnc/"
mkdir -p "$DEMO/postpro" "$DEMO/balluff"
cp "$ROOT"/demo/postpro/*.pp "$DEMO/postpro/"
cp "$ROOT"/demo/balluff/*.ini "$DEMO/balluff/"
"$BUILD/tools/make-demo" "$DEMO" "$PTY" "$ROOT/demo/frames/radius" --dnc-socket "$DNC_SOCKET" --scanner "$SCANNER" \
    --rfid-head "$RFID_PTY"

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
echo "demo: scan a tool code with: $BUILD/tools/dm-sim --scan DM-0001"
echo "demo: close the program, or press Ctrl-C, to end the demo"
wait "$APP" || true
