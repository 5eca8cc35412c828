#!/usr/bin/env bash
# Start-up benchmark: time from starting glossmere to its main window being mapped and to the program
# falling quiet, and peak memory at that point. bench/compare.sh sets these beside an empty Qt window.
# Usage: bench/startup.sh [runs]   (default 15; builds a release build first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
runs=${1:-15}
"$root/tools/deps.sh" "${build_packages[@]}" libxcb1-dev xvfb
configure_and_build "$root/build-release" Release >/dev/null
program="$root/build-release/bin/glossmere"
mapwait="$root/build-release/bin/mapwait"

xvfb=
data=$(mktemp -d)
trap '[[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null; rm -rf "$data"' EXIT
# A data folder of the benchmark's own, as in compare.sh: the user's stays untouched, and the lock of
# the run just ended goes, as a normal end would take it.
export XDG_DATA_HOME=$data
export DISPLAY=:${BENCH_DISPLAY:-71}
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1

# mapwait ends the program it started, by its process id. One run first warms the caches.
run() { "$mapwait" --settle Glossmere "$program" && rm -f "$data"/Tamberlux/glossmere/session-*; }
run >/dev/null
results=$(for ((i = 0; i < runs; i++)); do run; done)
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "over $runs runs: mapped median $(cut -d' ' -f1 <<<"$results" | median) ms," \
     "quiet median $(cut -d' ' -f2 <<<"$results" | median) ms," \
     "peak memory median $(($(cut -d' ' -f3 <<<"$results" | median) / 1024)) MiB"
