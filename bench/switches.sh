#!/usr/bin/env bash
# The three window switches as a user meets them, measured from outside the program: a click sent
# through the X server (XTEST) on "Start Taking Test", "Continue >" and "Stop Test" in the running
# program, to the next window mapped and to its picture settled (bench/switchwait.cpp); beside the
# start of a whole one-label Qt window to mapped (mapwait emptywindow --text), in the same run. On the
# 50-entry sample and on a 1,000,000-entry list, loaded through the program's own Load button.
# Medians over RUNS rounds, under an Xvfb of its own, release build in build-release.
# Usage: bench/switches.sh [RUNS]   (default 9; BENCH_DISPLAY picks the X display, default 71)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
runs=${1:-9}
"$root/tools/deps.sh" "${build_packages[@]}" libxcb1-dev xvfb
configure_and_build "$root/build-release" Release >/dev/null
bin="$root/build-release/bin"

work=$(mktemp -d)
xvfb=
app=
cleanup() {
    [[ -n "$app" ]] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=:${BENCH_DISPLAY:-71}
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export QT_QPA_PLATFORM=xcb HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS
QT_QPA_PLATFORM=offscreen "$bin/deffiles_bench" --generate 1000000 22 "$work/list1000000.txt"

# The processor time the program's threads have used (a thread may end while it is read).
ran() { { cat /proc/"$app"/task/*/schedstat 2>/dev/null || true; } | awk '{ s += $1 } END { print s }'; }
# Until the program has not used the processor for a quarter second (all its threads).
quiet() {
    local last now same=0
    last=$(ran)
    while ((same < 25)); do
        sleep 0.01
        now=$(ran)
        if [[ $now == "$last" ]]; then same=$((same + 1)); else same=0; last=$now; fi
    done
}
# Points inside the windows, in pixels from their top left corner (the designed layout at 96 dpi).
switch() { # NAME X Y
    local unmapped mapped painted
    read -r unmapped mapped painted < <("$bin/switchwait" Glossmere "$2" "$3" Glossmere)
    echo "$mapped" >>"$work/$list.$1.mapped"
    ((run > 0)) || echo "$mapped" >"$work/$list.$1.first"
    echo "$painted" >>"$work/$list.$1.painted"
    quiet
}
measure() { # LIST FILE
    list=$1
    "$bin/glossmere" >/dev/null 2>&1 &
    app=$!
    sleep 1.5
    quiet
    # The Load button, the file's path typed into the file dialog, and the separator it proposes.
    "$bin/switchwait" Glossmere 128 260 -
    sleep 0.5
    quiet
    xdotool type --delay 0 "$2"
    xdotool key Return
    sleep 0.5
    quiet
    xdotool key Return
    sleep 0.5
    quiet
    for ((run = 0; run < runs; run++)); do
        switch start 268 452
        switch continue 256 277
        switch stop 268 499
        # "< Go Back", not measured: the list's window again for the next round.
        "$bin/switchwait" Glossmere 256 14 Glossmere >/dev/null
        quiet
    done
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=
    rm -f "$XDG_DATA_HOME"/Tamberlux/glossmere/session-*
}

"$root/tools/deps.sh" xdotool
"$bin/mapwait" --settle "Empty Window" "$bin/emptywindow" --text >/dev/null
for ((run = 0; run < runs; run++)); do
    read -r ms _ < <("$bin/mapwait" --settle "Empty Window" "$bin/emptywindow" --text)
    echo "$ms" >>"$work/label"
done
# A click sent by `xdotool click` returns only after xdotool's own pause (its --delay, 100 ms by
# default, kept after the last click too): timed from that command, every switch looks 100 ms slower.
for ((run = 0; run < runs; run++)); do
    start=$(date +%s%N)
    xdotool mousemove 1270 1010 click 1
    echo $((($(date +%s%N) - start) / 1000)) | awk '{ printf "%.1f\n", $1 / 1000 }' >>"$work/xdotool"
done
measure small "$root/Sample/sample_glossbox.txt"
measure big "$work/list1000000.txt"

median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
label=$(median "$work/label")
echo "medians over $runs runs, from the click sent to the next window mapped (its picture settled):"
printf '%-34s %8s ms\n' "one-label Qt window, start" "$label"
printf '%-34s %8s ms (the click itself is sent at once)\n' "\`xdotool click 1\` returns after" \
    "$(median "$work/xdotool")"
for list in small big; do
    for name in start continue stop; do
        mapped=$(median "$work/$list.$name.mapped")
        printf '%-34s %8s ms (%s ms) %s of the one-label start; the first switch %s ms\n' \
            "$([[ $list == small ]] && echo 50 || echo 1,000,000) entries, $name" "$mapped" \
            "$(median "$work/$list.$name.painted")" \
            "$(awk -v a="$mapped" -v b="$label" 'BEGIN { printf "%.2f×", a / b }')" \
            "$(cat "$work/$list.$name.first")"
    done
done
