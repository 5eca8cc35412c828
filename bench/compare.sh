#!/usr/bin/env bash
# Glossmere against an empty Qt Widgets window built and run in the same benchmark: start-up (mapped,
# quiet, peak memory, and the same for the empty window with one line of text: what any text costs),
# launch to list for 32,767 / 300,000 / 1,000,000 entries, saving 1,000,000 entries and a test's
# question order for 1,000,000. Medians over RUNS runs, Glossmere and the empty window interleaved,
# under an Xvfb of its own. Release build in build-release.
# Usage: bench/compare.sh [--bus] [RUNS] [BEFORE]   (default 11 runs)
#   --bus: the programs find a session bus, as on a desktop. Without it they find none, as in CI, and
#   the first accessibility event of each waits for dbus-launch to start one.
#   BEFORE: the bin folder of another release build (e.g. of an older commit, with these benchmark
#   programs added) measured in the same runs, for a before/after column.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
if [[ ${1:-} == --bus ]]; then
    shift
    "$root/tools/deps.sh" dbus-daemon
    # dbus-daemon warns when it may not raise its file limit, as for root in a container: noise here.
    BENCH_BUS=1 exec dbus-run-session -- "$0" "$@" 2> >(grep -v 'fd limit' >&2)
fi
[[ -n ${BENCH_BUS:-} ]] || unset DBUS_SESSION_BUS_ADDRESS
runs=${1:-11}
before=${2:-}
"$root/tools/deps.sh" "${build_packages[@]}" libxcb1-dev xvfb
configure_and_build "$root/build-release" Release >/dev/null
bin="$root/build-release/bin"

work=$(mktemp -d)
xvfb=
cleanup() {
    [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=:${BENCH_DISPLAY:-71}
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export QT_QPA_PLATFORM=xcb
# Qt wants a private runtime folder; one of the benchmark's own keeps its warning out of the table.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
# A data folder of the benchmark's own (where Glossmere keeps copies of unsaved work): the user's stays
# untouched, and every start finds it as a normal end leaves it rather than holding the lock of the run
# the benchmark has just ended.
export XDG_DATA_HOME="$work/data"
endSession() { rm -f "$XDG_DATA_HOME"/Tamberlux/glossmere/session-*; }

sizes=(32767 300000 1000000)
for count in "${sizes[@]}"; do
    QT_QPA_PLATFORM=offscreen "$bin/deffiles_bench" --generate "$count" 22 "$work/list$count.txt"
done

# Each sample is appended to a file named after what it measures.
sample() { echo "$2" >>"$work/$1"; }
startup() { # NAME TITLE PROGRAM [ARGS...]
    local mapped quiet peak
    read -r mapped quiet peak < <("$bin/mapwait" --settle "$2" "${@:3}")
    sample "$1.mapped" "$mapped"
    sample "$1.quiet" "$quiet"
    sample "$1.peak" "$peak"
    endSession
}
ready() { # NAME PROGRAM [ARGS...]
    local name=$1 ms kib
    shift
    read -r ms kib < <("$bin/launch" "$@")
    sample "$name.ms" "$ms"
    sample "$name.peak" "$kib"
    endSession
}
round() { # one interleaved round of every start-up measurement
    startup empty "Empty Window" "$bin/emptywindow"
    startup glossmere Glossmere "$bin/glossmere"
    startup text "Empty Window" "$bin/emptywindow" --text
    ready emptyready "$bin/emptywindow" --ready
    for count in "${sizes[@]}"; do
        ready "list$count" "$bin/listbench" "$work/list$count.txt"
    done
    if [[ -n "$before" ]]; then
        startup before Glossmere "$before/glossmere"
        for count in "${sizes[@]}"; do
            ready "beforelist$count" "$before/listbench" "$work/list$count.txt"
        done
    fi
}

# A first round warms the caches (libraries, fonts, the lists) as on a desktop in use; it is not counted.
round
rm -f "$work"/*.mapped "$work"/*.quiet "$work"/*.peak "$work"/*.ms
for ((i = 0; i < runs; i++)); do
    round
done

median() { sort -g "$work/$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
mib() { awk -v k="$(median "$1")" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f×", a / b }'; }

save=$(QT_QPA_PLATFORM=offscreen "$bin/deffiles_bench" --measure "$work/list1000000.txt" "$runs" |
    sed -n 's/.*save \([0-9.]*\) ms.*/\1/p')
order=$("$bin/order_bench" 1000000 | sed -n 's/.*median \([0-9.]*\) ms.*/\1/p')
if [[ -n "$before" ]]; then
    beforeSave=$(QT_QPA_PLATFORM=offscreen "$before/deffiles_bench" --measure "$work/list1000000.txt" "$runs" |
        sed -n 's/.*save \([0-9.]*\) ms.*/\1/p')
    beforeOrder=$("$before/order_bench" 1000000 | sed -n 's/.*median \([0-9.]*\) ms.*/\1/p')
fi
# The figure of the build given as BEFORE, when there is one.
was() { [[ -n "$before" ]] && printf ' (before: %s)' "$1" || true; }

emptyMapped=$(median empty.mapped)
emptyQuiet=$(median empty.quiet)
emptyPeak=$(mib empty.peak)
emptyReady=$(median emptyready.ms)

echo "Medians of $runs runs$([[ -n ${BENCH_BUS:-} ]] && echo ', with a session bus'); ratios are to the empty Qt Widgets window measured in the same runs."
echo
echo "| What | Glossmere | Empty window | Ratio |"
echo "|---|---|---|---|"
echo "| Start-up to mapped window | $(median glossmere.mapped) ms$(was "$([[ -n $before ]] && median before.mapped) ms") | $emptyMapped ms | $(ratio "$(median glossmere.mapped)" "$emptyMapped") |"
echo "| Start-up to quiet | $(median glossmere.quiet) ms$(was "$([[ -n $before ]] && median before.quiet) ms") | $emptyQuiet ms | $(ratio "$(median glossmere.quiet)" "$emptyQuiet") |"
echo "| Peak memory at start-up | $(mib glossmere.peak) MiB$(was "$([[ -n $before ]] && mib before.peak) MiB") | $emptyPeak MiB | $(ratio "$(mib glossmere.peak)" "$emptyPeak") |"
echo "| The empty window with one line of text: to mapped, to quiet, peak (what any text costs) | $(median text.mapped) ms, $(median text.quiet) ms, $(mib text.peak) MiB | | $(ratio "$(median text.mapped)" "$emptyMapped"), $(ratio "$(median text.quiet)" "$emptyQuiet"), $(ratio "$(mib text.peak)" "$emptyPeak") |"
for count in "${sizes[@]}"; do
    printf '| Launch to list, %s entries (painted, idle) | %s ms, peak %s MiB%s | %s ms, %s MiB | %s |\n' \
        "$(sed ':a;s/\B[0-9]\{3\}\>/,&/;ta' <<<"$count")" "$(median "list$count.ms")" "$(mib "list$count.peak")" \
        "$(was "$([[ -n $before ]] && median "beforelist$count.ms") ms, $([[ -n $before ]] && mib "beforelist$count.peak") MiB")" \
        "$emptyReady" "$(mib emptyready.peak)" "$(ratio "$(median "list$count.ms")" "$emptyReady")"
done
echo "| Save 1,000,000 entries | $save ms$(was "${beforeSave:-} ms") | | $([[ -n $before ]] && ratio "$save" "$beforeSave" | sed 's/$/ of before/') |"
echo "| Question order, 1,000,000 entries | $order ms$(was "${beforeOrder:-} ms") | $emptyReady ms (start-up to painted) | $(ratio "$order" "$emptyReady") |"
