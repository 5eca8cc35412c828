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
