#!/usr/bin/env bash
# Runs Glossmere as a native Wayland client under weston and checks, from weston's protocol log, what
# the compositor is told: every window and question with its exact title, the windows at their
# designed sizes, each question and file chooser tied to the window it blocks (set_parent), a click on
# the blocked window leaving the question in front, Escape in the open drop-down closing only the
# drop-down, and no maximise for a window of fixed size. Runs twice: with Qt's own dialogs and with
# the GTK platform theme (what a GNOME desktop uses). A third run draws Qt's own title bar
# (QT_WAYLAND_DECORATION=bradient, as where the program's is missing), which offers maximise on every
# window: a click on it leaves the program running and the main window at its size.
#
#   tools/a11y/run_wayland_check.sh [path/to/glossmere]
#
# weston draws into a window of an Xvfb server: its X11 backend gives it a seat, so xdotool's pointer
# and keys reach the program as a user's would. Screenshots come from weston-screenshooter.
# Environment: WAYLAND_CHECK_DISPLAY (default :94), WAYLAND_CHECK_SOCKET (default glossmere-check; the
# socket lives in a runtime folder of this run), WAYLAND_SHOTS=DIR keeps the screenshots there,
# WAYLAND_CHECK_KEEP=1 keeps the run's folder (protocol logs, program output), WAYLAND_CHECK_RUNS picks
# runs out of "qt gtk3 bradient" (all three by default).
# Exit status: 0 when every check passed, 2 when something it needs is missing.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

if [[ ${1:-} != --inner ]]; then
    bin=$(realpath -m "${1:-$root/build-a11y/bin/glossmere}")
    display=${WAYLAND_CHECK_DISPLAY:-:94}
    socket=${WAYLAND_CHECK_SOCKET:-glossmere-check}
    # shellcheck source=tools/a11y/xvfb.sh
    source "$here/xvfb.sh"
    require_desktop_tools Xvfb xdotool weston weston-debug weston-screenshooter dbus-run-session timeout
    if [[ ! -x $bin ]]; then
        echo "no program at $bin (build it first)" >&2
        exit 2
    fi
    if [[ -e /tmp/.X11-unix/X${display#:} ]]; then
        echo "display $display is taken; set WAYLAND_CHECK_DISPLAY to a free one" >&2
        exit 2
    fi
    if ! ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1; then
        echo "missing: Qt's Wayland platform plugin (tools/deps.sh qt6-wayland)" >&2
        exit 2
    fi

    work=$(mktemp -d /tmp/glossmere-wayland.XXXXXX)
    mkdir -m 700 "$work/runtime"
    xvfb_pid=
    weston_pid=
    inner_pid=
    # shellcheck disable=SC2317  # called by the trap
    cleanup() {
        local pid
        for pid in "$(cat "$work/app.pid" 2>/dev/null)" "$(cat "$work/debug.pid" 2>/dev/null)" \
            "$(cat "$work/inner.pid" 2>/dev/null)" "$inner_pid" "$weston_pid"; do
            [[ -n $pid ]] && kill "$pid" 2>/dev/null
        done
        [[ -n $inner_pid ]] && wait "$inner_pid" 2>/dev/null
        [[ -n $weston_pid ]] && wait "$weston_pid" 2>/dev/null
        [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
        if [[ -n ${WAYLAND_CHECK_KEEP:-} ]]; then echo "kept: $work"; else rm -rf "$work"; fi
    }
    trap cleanup EXIT
    trap 'exit 130' INT TERM

    if ! start_xvfb "$display" 1024x768x24 "$work/xvfb.log"; then
        echo "Xvfb on $display did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 2
    fi
    # No on-screen keyboard (it would cover the windows' lower part) and no animations.
    printf '[input-method]\npath=\n[shell]\nanimation=none\nclose-animation=none\nstartup-animation=none\n' \
        >"$work/weston.ini"
    # --debug lets weston-screenshooter and weston-debug in; --idle-time=0 keeps the screen on.
    DISPLAY=$display XDG_RUNTIME_DIR=$work/runtime weston --config="$work/weston.ini" --backend=x11-backend.so \
        --use-pixman --idle-time=0 --debug --socket="$socket" --width=1024 --height=768 >"$work/weston.log" 2>&1 &
    weston_pid=$!
    for _ in $(seq 100); do
        [[ -S $work/runtime/$socket ]] && break
        sleep 0.1
    done
    if [[ ! -S $work/runtime/$socket ]]; then
        echo "weston did not start:" >&2
        cat "$work/weston.log" >&2
        exit 2
    fi
    # The shell's panel and background come up a moment later; windows mapped before are placed alike.
    sleep 2

    status=0
    for dialogs in ${WAYLAND_CHECK_RUNS:-qt gtk3 bradient}; do
        if [[ $dialogs == bradient ]]; then
            printf "\n##### Glossmere on Wayland, Qt's own title bar\n"
        else
            printf '\n##### Glossmere on Wayland, %s dialogs\n' "$dialogs"
        fi
        DISPLAY=$display XDG_RUNTIME_DIR=$work/runtime WAYLAND_DISPLAY=$socket timeout --kill-after=10 300 \
            dbus-run-session -- bash "${BASH_SOURCE[0]}" --inner "$bin" "$work" "$dialogs" \
            3>&1 4>&2 >"$work/bus-$dialogs.log" 2>&1 &
        inner_pid=$!
        wait "$inner_pid"
        run=$?
        inner_pid=
        ((run == 124)) && echo "FAIL: the check did not finish within 300 s"
        ((run != 0)) && status=1
    done
    ((status == 0)) && echo "Wayland check: all passed" || echo "Wayland check: FAILED"
    exit "$status"
fi

# ---- inside the D-Bus session, one run of the program ----
exec 1>&3 2>&4 3>&- 4>&-
bin=$2
work=$3
dialogs=$4
echo $$ >"$work/inner.pid"
tree=("/usr/bin/python3" "$here/atspi_tree.py")
log=$work/proto-$dialogs.log
windows=("/usr/bin/python3" "$here/wayland_windows.py" "$log")
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=wayland
if [[ $dialogs == gtk3 ]]; then
    export QT_QPA_PLATFORMTHEME=gtk3 XDG_CURRENT_DESKTOP=GNOME
else
    export QT_QPA_PLATFORMTHEME=generic
    unset XDG_CURRENT_DESKTOP
fi
if [[ $dialogs == bradient ]]; then
    export QT_WAYLAND_DECORATION=bradient
else
    unset QT_WAYLAND_DECORATION
fi
export HOME=$work/home-$dialogs XDG_CONFIG_HOME=$work/home-$dialogs/.config
export XDG_DATA_HOME=$work/home-$dialogs/.local/share
mkdir -p "$XDG_CONFIG_HOME"

passed=0
failed=0
app_pid=
debug_pid=
# shellcheck disable=SC2317  # called by the trap
finish() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    [[ -n $debug_pid ]] && kill "$debug_pid" 2>/dev/null && wait "$debug_pid" 2>/dev/null
}
trap finish EXIT

step() { printf '\n=== %s\n' "$*"; }
ok() { echo "PASS: $*"; passed=$((passed + 1)); }
bad() { echo "FAIL: $*"; failed=$((failed + 1)); }
summary() {
    echo
    local run="$dialogs dialogs"
    [[ $dialogs == bradient ]] && run="Qt's own title bar"
    echo "$passed passed, $failed failed ($run)"
    # A Wayland warning from Qt is a fault of its own: the program must run there as on X11.
    if grep -i -E 'wayland|qt\.qpa' "$work/app-$dialogs.log" | grep -v -i dconf >"$work/warnings"; then
        echo "FAIL: the program printed Wayland warnings:"
        head -5 "$work/warnings"
        failed=$((failed + 1))
    fi
    ((failed == 0))
    exit $?
}

# A click where Qt's own title bar puts maximise: left of close, 40 pixels in from the main window's
# right edge (the program's title bar has none there), after a screenshot named $1. Fails when the
# main window is not on the screen.
click_maximise() {
    local corner width
    corner=$("${windows[@]}" locate Glossmere) || return 1
    width=$("${windows[@]}" width "$main")
    shot "$1"
    xdotool mousemove $((${corner% *} + width - 40)) $((${corner#* } + 15)) click 1
}

shot() {
    [[ -n ${WAYLAND_SHOTS:-} ]] || return 0
    mkdir -p "$WAYLAND_SHOTS"
    (cd "$work" && rm -f wayland-screenshot-*.png && weston-screenshooter >/dev/null 2>&1 &&
        mv wayland-screenshot-*.png "$WAYLAND_SHOTS/wayland-$dialogs-$1.png")
}

# expect TITLE [PARENT_INDEX|none] [W H]: waits for a window so titled and checks its parent and, for a
# window of fixed size, its client area; sets $index to the window's place in the log.
expect() {
    local title=$1 parent=${2:-} line
    shift 2 2>/dev/null || shift $#
    index=
    if ! line=$("${windows[@]}" expect "$title" --wait 10 ${parent:+--parent "$parent"} ${1:+--size "$1" "$2"}); then
        bad "$line"
        return 1
    fi
    index=${line%% *}
    ok "${line#* }"
}

# Clicks the centre of a control (by accessible name and role) in the newest window titled $3.
click_on() {
    local name=$1 role=$2 title=${3:-Glossmere} corner spot
    corner=$("${windows[@]}" locate "$title") || return 1
    spot=$("${tree[@]}" --wait 10 --locate "$name" --role "$role" --relative) || return 1
    # Qt's title bar is 30 pixels high and its border 3 pixels wide.
    xdotool mousemove $((${corner% *} + 3 + ${spot% *})) $((${corner#* } + 30 + ${spot#* })) click 1
    sleep 0.4
}
type_entry() {
    xdotool type --delay 20 "$1"
    xdotool key Return
    sleep 0.2
    xdotool type --delay 20 "$2"
    xdotool key Return
    sleep 0.3
}
gone() {
    local _
    for _ in $(seq 30); do
        "${windows[@]}" alive "$1" >/dev/null || return 0
        sleep 0.2
    done
    return 1
}

weston-debug proto >"$log" 2>"$work/debug.err" &
debug_pid=$!
echo "$debug_pid" >"$work/debug.pid"
env -u DISPLAY "$bin" >"$work/app-$dialogs.log" 2>&1 &
app_pid=$!
echo "$app_pid" >"$work/app.pid"

step "(a) the main window: title, designed size, no parent"
expect Glossmere none 536 473 || summary
main=$index

if [[ $dialogs == bradient ]]; then
    step "(g) Qt's own title bar: its maximise leaves the program running and the window at its size"
    sleep 0.5
    if click_maximise before-maximise; then
        sleep 2
        shot after-maximise
        asked=$("${windows[@]}" list | sed -n "$((main + 1))p" |
            /usr/bin/python3 -c 'import json, sys; print(json.loads(sys.stdin.read())["maximize_requests"])')
        if ((asked > 0)); then
            ok "the click reached maximise: Qt asked for the maximised state"
        else
            bad "the click did not reach maximise: no maximised state asked for"
        fi
        if kill -0 "$app_pid" 2>/dev/null; then
            ok "the program still runs after the click on maximise"
        else
            bad "the program ended after the click on maximise: $(grep -i -m1 -E 'error|fatal' "$work/app-$dialogs.log")"
        fi
        expect Glossmere none 536 473
    else
        bad "the main window cannot be found on the screen"
    fi
    summary
fi
"${tree[@]}" --window main --quiet >/dev/null || bad "the main window is not on the accessibility bus"
shot main

step "(b) four entries typed; Start Taking Test asks \"Save File?\" over the main window"
# weston hands the keys to the window it just mapped; the focus is in the Term field.
type_entry cat "a small animal"
type_entry dog "a loyal pet"
type_entry sun "a bright star"
type_entry oak "a tall tree"
click_on "Start Taking Test" "push button" || bad "no Start Taking Test button"
expect 'Save File?' "$main" && xdotool key n
gone 'Save File?' || bad "\"Save File?\" stays open after n"

step "(c) the options and test windows; the score box over the test window"
expect Glossmere none 512 299
options=$index
click_on "Continue >" "push button" || bad "no Continue > button"
expect Glossmere none 536 521
test_window=$index
shot test
# With sounds on, each answer plays for 1 s and its feedback stays 2 s.
for key in 1 2 3 4; do
    xdotool key "$key"
    sleep 3.5
done
if "${tree[@]}" --all --quiet --wait 8 --expect-text 'Score: [0-4] correct answers out of 4 questions' >/dev/null; then
    expect Glossmere "$test_window"
    xdotool key Return
else
    bad "no score box"
fi
"${tree[@]}" --window options --quiet --wait 5 >/dev/null || bad "back in the options window"
[[ $("${windows[@]}" alive Glossmere) == "$options" ]] || echo "note: the options window came back as a new surface"
click_on "< Go Back" "push button" || bad "no < Go Back button"
expect Glossmere none 536 473
main=$index

step "(d) the boxes and file choosers of the main window, each tied to it"
click_on Help "push button" || bad "no Help button"
expect Glossmere "$main" && xdotool key Return
sleep 0.5
click_on cat "table cell" || click_on cat "tree item" || bad "the entry cat cannot be found"
click_on "Remove Selected Term/Def" "push button"
expect "Confirm Delete" "$main" && xdotool key n
click_on "Save Term/Defs To Text File" "push button"
expect "Saving Definition File" "$main" && shot save-chooser && xdotool key Escape
gone "Saving Definition File" || bad "the save chooser stays open after Escape"

printf 'GIF89a\0\1\2\0' >"$work/picture-$dialogs.gif"
click_on "Load Term/Defs From Text File" "push button"
if expect "Add File(s) - Hold Ctrl to select multiple files" "$main"; then
    shot open-chooser
    xdotool type --delay 10 "$work/picture-$dialogs.gif"
    xdotool key Return
    expect "Unsaved Changes" "$main" && xdotool key y
fi

step "(e) the separator question: tied to the main window, in front after a click on that window"
if "${tree[@]}" --all --quiet --wait 5 --expect-text 'Enter separating character' >/dev/null &&
    expect Glossmere "$main"; then
    question=$index
    # A spot of the main window that the question does not cover.
    if spot=$("${windows[@]}" spot-beside "$main" "$question"); then
        shot question-before-click
        # shellcheck disable=SC2086
        xdotool mousemove $spot click 1
        sleep 1
        shot question-after-click
        front=$("${windows[@]}" front "$question")
        if [[ $front == "$question" ]]; then
            ok "after a click on the main window the question is still in front of it"
        else
            bad "after a click on the main window the question is hidden (window $front is in front)"
        fi
    else
        bad "the main window or the question cannot be found on the screen"
    fi
    xdotool key F4
    # The compositor may take its time on a loaded machine: up to 3 s for the drop-down.
    for _ in 1 2 3 4 5 6; do
        sleep 0.5
        [[ $("${windows[@]}" popups) == 1 ]] && break
    done
    if [[ $("${windows[@]}" popups) == 1 ]]; then
        shot drop-down
        xdotool key Escape
        sleep 0.7
        if [[ $("${windows[@]}" alive Glossmere) != "$question" ]]; then
            bad "Escape in the open drop-down closed the question too"
        elif [[ $("${windows[@]}" popups) != 0 ]]; then
            bad "Escape left the drop-down open"
        else
            ok "Escape closed the drop-down and left the question open"
        fi
    else
        bad "F4 did not open the separator drop-down"
    fi
    xdotool key Return
    expect "Application Error" "$main" && xdotool key Return
else
    bad "no separator question"
fi

step "(f) no maximise on a window of fixed size"
sleep 0.5
if click_maximise title-bar; then
    sleep 1
    if "${windows[@]}" expect Glossmere --size 536 473 --unmaximised >/dev/null; then
        ok "a click where Qt's title bar offers maximise does not ask for the main window to be maximised"
    else
        bad "a maximise was asked for: $("${windows[@]}" expect Glossmere --unmaximised 2>&1)"
    fi
else
    bad "the main window cannot be found on the screen"
fi

summary
