# Sourced by the demo scripts (ROOT and BUILD set): finding the program
# running in a demo working directory, starting the simulators and preparing
# a demo working directory (one way for every script), and starting a virtual
# display. Each
# function sets the variables named with it in the caller's shell, so its
# clean-up can stop what was started.

# The processes started so far (none yet), and the runtime folder made for them.
RUNTIME=""
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

# demo_in_execution DEMO: true while the program runs in DEMO, found as its
# own start would find it: DEMO/T8A_M.lock names a process (first line) that
# still runs the program named on the second line.
demo_in_execution() {
    [ -f "$1/T8A_M.lock" ] || return 1
    holder=$(sed -n 1p "$1/T8A_M.lock")
    case "$holder" in
    '' | *[!0-9]*) return 1 ;;
    esac
    running=$(readlink "/proc/$holder/exe" 2>/dev/null) || return 1
    running=${running% (deleted)}
    [ "${running##*/}" = "$(sed -n 2p "$1/T8A_M.lock")" ]
}

# start_axb_sim LOG CHANNEL: starts the board simulator with its output in
# LOG.out and its errors in LOG.err, taking moves through the socket file
# CHANNEL; sets SIM (its process) and PTY (the pseudo-terminal it answers on).
start_axb_sim() {
    "$BUILD/tools/axb-sim" --name "$2" >"$1.out" 2>"$1.err" &
    SIM=$!
    PTY=$(first_line "$1.out")
}

# prepare_demo_workdir DEMO: starts the simulators, each printing its
# pseudo-terminal or address first (output in DEMO/<name>.out, errors in
# DEMO/<name>.err): the board
# (SIM, PTY), the CNC-side DNC server (CNC, DNC_SOCKET), the DataMatrix
# scanner (DM, SCANNER) and the RFID head (RFID, RFID_PTY; the tag's bytes in
# DEMO/rfid-tag.bin, no tag in front of the head while rfid-tag.bin.away
# exists); then makes DEMO the demo working directory: the sample files of
# demo/, the settings and the database, all pointing at the simulators. The
# board and the scanner take moves and codes through DEMO/axb-sim.socket and
# DEMO/dm-sim.socket, where `axb-sim --move` and `dm-sim --scan` find them:
# two demos on one machine keep to their own simulators.
# Returns non-zero when a simulator or the preparation failed.
prepare_demo_workdir() {
    mkdir -p "$1"
    for sim in axb-sim cnc-sim dm-sim rfid-sim; do rm -f "$1/$sim.out" "$1/$sim.err"; done
    start_axb_sim "$1/axb-sim" "$1/axb-sim.socket"
    "$BUILD/tools/cnc-sim" >"$1/cnc-sim.out" 2>"$1/cnc-sim.err" &
    CNC=$!
    "$BUILD/tools/dm-sim" --name "$1/dm-sim.socket" >"$1/dm-sim.out" 2>"$1/dm-sim.err" &
    DM=$!
    "$BUILD/tools/rfid-sim" --tag "$1/rfid-tag.bin" >"$1/rfid-sim.out" 2>"$1/rfid-sim.err" &
    RFID=$!
    DNC_SOCKET=$(first_line "$1/cnc-sim.out")
    SCANNER=$(first_line "$1/dm-sim.out")
    RFID_PTY=$(first_line "$1/rfid-sim.out")
    # A simulator refused its channel (one of another run still holds it)
    # prints no terminal and says why.
    for started in "board:axb-sim" "scanner:dm-sim" "RFID head:rfid-sim"; do
        case "$(head -n 1 "$1/${started#*:}.out")" in
        /dev/*) ;;
        *) echo "demo: the ${started%%:*} simulator did not start: $(cat "$1/${started#*:}.err")" >&2; return 1 ;;
        esac
    done
    "$BUILD/tools/make-demo" "$1" "$PTY" "$ROOT/demo" --dnc-socket "$DNC_SOCKET" --scanner "$SCANNER" \
        --rfid-head "$RFID_PTY"
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

# private_runtime_dir: where the session has no runtime folder (XDG_RUNTIME_DIR
# unset, as on a bare virtual display), the toolkit of every program started
# from here would say so on stderr; gives them one of this run's own instead
# (mode 0700, removed by stop_demo_processes) and sets RUNTIME.
private_runtime_dir() {
    [ -z "$XDG_RUNTIME_DIR" ] || return 0
    RUNTIME=$(mktemp -d "${TMPDIR:-/tmp}/t8a-runtime.XXXXXX")
    export XDG_RUNTIME_DIR="$RUNTIME"
}

# stop_demo_processes: stops what the script started (APP, SIM, CNC, DM, RFID,
# XVFB: each when set), the program first, and removes RUNTIME when set.
stop_demo_processes() {
    for pid in "$APP" "$SIM" "$CNC" "$DM" "$RFID" "$XVFB"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    done
    [ -z "$RUNTIME" ] || rm -rf "$RUNTIME"
}
