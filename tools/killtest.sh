#!/usr/bin/env bash
# Kills Glossmere with SIGKILL at random moments while it is used, and checks that the safety copy
# and the saved file survive whole: see tools/killtest.py for the checks.
#
#   tools/killtest.sh [--bin PATH] [--seed N] [--big N] [--after-restore P] [KILLS]   (default 200)
#
# --big: entries of the big list that is imported now and then, so that saves take measurable time;
# --after-restore: share of restores (default 0.15) followed within 0.7 s by the next kill.
#
# The program is build-release/bin/glossmere unless --bin or GLOSSMERE_BIN names another; a missing
# release build is built first. It runs under its own Xvfb display (KILLTEST_DISPLAY, else the first
# free one of :61 to :69) and its own D-Bus session, with HOME and XDG_* in a temporary folder.
# Exit status: 0 when every kill was checked without a mismatch.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

if [[ ${1:-} == --inner ]]; then
    # ---- inside the D-Bus session ----
    exec 1>&3 2>&4 3>&- 4>&-
    shift
    work=$1
    shift
    echo $$ >"$work/inner.pid"
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
    exec /usr/bin/python3 "$here/killtest.py" --work "$work" "$@"
fi

bin=${GLOSSMERE_BIN:-}
kills=200
extra=()
while (($#)); do
    case $1 in
        --bin) bin=$2; shift 2 ;;
        --seed | --big | --after-restore) extra+=("$1" "$2"); shift 2 ;;
        -h | --help) sed -n '2,14p' "$0"; exit 0 ;;
        *) kills=$1; shift ;;
    esac
done
if [[ -z $bin ]]; then
    bin=$root/build-release/bin/glossmere
    if [[ ! -x $bin ]]; then
        # shellcheck source=tools/common.sh
        source "$root/tools/common.sh"
        "$root/tools/deps.sh" "${build_packages[@]}"
        build_preset release >&2 || exit 2
    fi
fi
bin=$(realpath -m "$bin")
[[ -x $bin ]] || { echo "no program at $bin" >&2; exit 2; }

# shellcheck source=tools/a11y/xvfb.sh
source "$root/tools/a11y/xvfb.sh"
require_desktop_tools Xvfb xdotool dbus-run-session

display=${KILLTEST_DISPLAY:-}
if [[ -z $display ]]; then
    for n in 61 62 63 64 65 66 67 68 69; do
        if [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]]; then
            display=:$n
            break
        fi
    done
fi
[[ -n $display ]] || { echo "no free display among :61 to :69" >&2; exit 2; }

work=$(mktemp -d /tmp/glossmere-killtest.XXXXXX)
xvfb_pid=
inner_pid=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
    # Only what this script started, by the ids it noted: the program, the driver, the session, Xvfb.
    local pid
    for pid in "$(cat "$work/app.pid" 2>/dev/null)" "$(cat "$work/inner.pid" 2>/dev/null)"; do
        [[ -n $pid ]] && kill -KILL "$pid" 2>/dev/null
    done
    if [[ -n $inner_pid ]]; then
        kill "$inner_pid" 2>/dev/null
        wait "$inner_pid" 2>/dev/null
    fi
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    if [[ -n ${KILLTEST_KEEP:-} ]]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if ! start_xvfb "$display" 1280x1024x24 "$work/xvfb.log"; then
    echo "Xvfb on $display did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 2
fi
echo "killtest: $kills kills of $bin on $display, work folder $work"
# Set before the session starts, so that the accessibility bus it launches keeps to this folder too.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The driver reports on descriptors 3 and 4; the bus daemons' chatter goes to a log.
DISPLAY=$display dbus-run-session -- bash "${BASH_SOURCE[0]}" --inner "$work" --bin "$bin" --kills "$kills" \
    "${extra[@]}" 3>&1 4>&2 >"$work/bus.log" 2>&1 &
inner_pid=$!
wait "$inner_pid"
status=$?
inner_pid=
if ((status != 0 && status != 1)); then
    echo "the driver failed (status $status); program output:" >&2
    tail -20 "$work/app.log" >&2
fi
exit "$status"
