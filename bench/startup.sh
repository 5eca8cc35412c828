#!/usr/bin/env bash
# Start-up benchmark: time from starting glossmere to its main window being mapped, and peak memory.
# Usage: bench/startup.sh [runs]   (default 15; builds a release build first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
runs=${1:-15}
"$root/tools/deps.sh" "${build_packages[@]}" libxcb1-dev xvfb
build_preset release >/dev/null
program="$root/build-release/bin/glossmere"

if [[ -z "${DISPLAY:-}" ]]; then
    export DISPLAY=:97
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null' EXIT
    sleep 1
fi

mapwait="$root/build-release/bin/mapwait"
# mapwait starts the program, times its window and then ends it by the PID it started it with.
# One run first so that caches (fonts, libraries) are warm as they are on a used desktop.
"$mapwait" Glossmere "$program" >/dev/null
sleep 0.3

times=()
for ((i = 0; i < runs; i++)); do
    times+=($("$mapwait" Glossmere "$program"))
    sleep 0.3
done

sorted=($(printf '%s\n' "${times[@]}" | sort -g))
count=${#sorted[@]}
median=${sorted[$((count / 2))]}
echo "start-up to mapped main window over $count runs: median ${median} ms," \
     "min ${sorted[0]} ms, max ${sorted[$((count - 1))]} ms"

# Peak memory of a run that shows the window, paints for half a second and then ends (the same
# figure /usr/bin/time -v reports: the kernel's maximum resident set of the process).
mapfile -t run < <("$mapwait" --linger 500 --peak-memory Glossmere "$program")
peak_kb=${run[1]:-0}
echo "peak memory (maximum resident set): $((peak_kb / 1024)) MiB"
