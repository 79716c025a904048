# Sourced by the demo scripts (ROOT and BUILD set): starting the simulators,
# preparing a demo working directory and starting a virtual display. Each
# function sets the variables named with it in the caller's shell, so its
# clean-up can stop what was started.

# The processes started so far (none yet).
APP=""
SIM=""
CNC=""
DM=""
RFID=""
XVFB=""

# first_line FILE: waits (up to 5 s) until a simulator wrote its first output
# line (its pseudo-terminal or address) into FILE and prints it.
first_line() {
    i=0
    while [ ! -s "$1" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    head -n 1 "$1"
}

# start_axb_sim OUT: starts the board simulator with its output in OUT; sets
# SIM (its process) and PTY (the pseudo-terminal it answers on).
start_axb_sim() {
    "$BUILD/tools/axb-sim" >"$1" 2>&1 &
    SIM=$!
    PTY=$(first_line "$1")
}

# prepare_demo_workdir WORK: starts the board simulator (SIM, PTY; output in
# WORK/axb-sim.out) and makes the demo working directory WORK/demo: the sample
# files (demo/<folder>/ into its <folder>/), then the settings and the database.
prepare_demo_workdir() {
    start_axb_sim "$1/axb-sim.out"
    for d in "$ROOT"/demo/*/; do
        name=$(basename "$d")
        [ "$name" = frames ] && continue
        mkdir -p "$1/demo/$name"
        cp -R "$d". "$1/demo/$name/"
    done
    "$BUILD/tools/make-demo" "$1/demo" "$PTY" "$ROOT/demo/frames/radius" >/dev/null
}

# start_virtual_display: starts Xvfb (1024x768) on the first free display;
# sets XVFB (its process) and exports DISPLAY.
start_virtual_display() {
    n=99
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB=$!
    export DISPLAY=":$n"
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
}

# stop_demo_processes: stops what the script started (APP, SIM, CNC, DM, RFID,
# XVFB: each when set), the program first.
stop_demo_processes() {
    for pid in "$APP" "$SIM" "$CNC" "$DM" "$RFID" "$XVFB"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    done
}
