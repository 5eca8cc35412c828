# Sourced by the scripts that drive Glossmere under an X server of their own.

# require_desktop_tools TOOL...: exits 2 naming what is missing of the TOOLs, AT-SPI's Python binding
# and its bus launcher.
require_desktop_tools() {
    local missing=() tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=("python3-pyatspi")
    [[ -x /usr/libexec/at-spi-bus-launcher ]] || missing+=("at-spi2-core")
    if ((${#missing[@]})); then
        echo "missing: ${missing[*]} (tools/deps.sh xvfb xdotool x11-utils dbus-x11 at-spi2-core python3-pyatspi)" >&2
        exit 2
    fi
}

# start_xvfb DISPLAY WxHxDEPTH LOG: starts Xvfb, sets xvfb_pid for the caller to end by that id, and
# waits until the server answers; returns 1 when it does not within five seconds.
start_xvfb() {
    Xvfb "$1" -screen 0 "$2" -nolisten tcp >"$3" 2>&1 &
    xvfb_pid=$!
    local _
    for _ in $(seq 50); do
        DISPLAY=$1 xdotool getmouselocation >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# start_shot_session DISPLAY WxHxDEPTH PROGRAM: for the screenshot scripts. Exits 2 when DISPLAY is
# taken; makes the work folder $work, starts Xvfb and PROGRAM there with a home of their own, sets
# $window to the main window's id and ends both, by id, when the script exits.
start_shot_session() {
    local display=$1 geometry=$2 program=$3 _
    if [[ -e /tmp/.X11-unix/X${display#:} ]]; then
        echo "display $display is taken; set A11Y_DISPLAY to a free one" >&2
        exit 2
    fi
    work=$(mktemp -d)
    xvfb_pid=
    app=
    trap shot_session_cleanup EXIT
    start_xvfb "$display" "$geometry" "$work/xvfb.log" || { echo "Xvfb on $display did not start" >&2; exit 1; }
    export DISPLAY=$display QT_QPA_PLATFORM=xcb HOME=$work XDG_CONFIG_HOME=$work/config
    export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    "$program" &
    app=$!
    window=
    for _ in $(seq 50); do
        window=$(xdotool search --onlyvisible --name '^Glossmere$' 2>/dev/null | head -1) && [[ -n $window ]] && break
        sleep 0.1
    done
    [[ -n $window ]] || { echo "no main window" >&2; exit 1; }
}

# shellcheck disable=SC2317  # called by the trap
shot_session_cleanup() {
    # Their exit codes do not matter here.
    [[ -n $app ]] && kill "$app" 2>/dev/null && { wait "$app" 2>/dev/null || true; }
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && { wait "$xvfb_pid" 2>/dev/null || true; }
    rm -rf "$work"
}

# run_in_session SCRIPT DISPLAY VARIABLE BIN NAME SECONDS [ARG...]: the outer half of a check. Checks
# BIN and that DISPLAY (set by VARIABLE) is free, makes the work folder $work (/tmp/NAME.XXXXXX),
# starts Xvfb there and runs `SCRIPT --inner BIN WORK ARG...` in a D-Bus session of its own for at most
# SECONDS. The inner script reports on descriptors 3 and 4; the bus daemons' chatter goes to a log. An
# `after_session` function, if the caller has one, runs before the work folder goes. Exits with the
# inner script's status, ending what it started by the ids in $work/*.pid.
run_in_session() {
    local script=$1 display=$2 variable=$3 bin=$4 name=$5 seconds=$6
    shift 6
    if [[ ! -x $bin ]]; then
        echo "no program at $bin (build it first)" >&2
        exit 2
    fi
    if [[ -e /tmp/.X11-unix/X${display#:} ]]; then
        echo "display $display is taken; set $variable to a free one" >&2
        exit 2
    fi
    work=$(mktemp -d "/tmp/$name.XXXXXX")
    xvfb_pid=
    inner_pid=
    trap session_cleanup EXIT
    trap 'exit 130' INT TERM
    if ! start_xvfb "$display" 1280x1024x24 "$work/xvfb.log"; then
        echo "Xvfb on $display did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 2
    fi
    DISPLAY=$display timeout --kill-after=10 "$seconds" \
        dbus-run-session -- bash "$script" --inner "$bin" "$work" "$@" 3>&1 4>&2 >"$work/bus.log" 2>&1 &
    inner_pid=$!
    wait "$inner_pid"
    local status=$?
    inner_pid=
    ((status == 124)) && echo "FAIL: the check did not finish within $seconds s"
    if declare -F after_session >/dev/null; then
        after_session
    fi
    exit "$status"
}

# shellcheck disable=SC2317  # called by the trap
session_cleanup() {
    # On an interrupt: the program and the inner script by the ids they wrote, then the session.
    local pid
    for pid in $(cat "$work"/*.pid 2>/dev/null) "$inner_pid"; do
        [[ -n $pid ]] && kill "$pid" 2>/dev/null
    done
    [[ -n $inner_pid ]] && wait "$inner_pid" 2>/dev/null
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
