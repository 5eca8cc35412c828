#!/usr/bin/env bash
# Start-up benchmark: time from starting glossmere to its main window being mapped, and peak memory.
# Usage: bench/startup.sh [runs]   (default 15; builds a release build first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
runs=${1:-15}
"$root/tools/deps.sh" "${build_packages[@]}" libxcb1-dev xvfb time
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
# One run first so that caches (fonts, libraries) are warm as they are on a used desktop.
"$mapwait" Glossmere "$program" >/dev/null
pkill -f "^$program\$" || true
sleep 0.3

times=()
for ((i = 0; i < runs; i++)); do
    times+=($("$mapwait" Glossmere "$program"))
    pkill -f "^$program\$" || true
    sleep 0.3
done

sorted=($(printf '%s\n' "${times[@]}" | sort -g))
count=${#sorted[@]}
median=${sorted[$((count / 2))]}
echo "start-up to mapped main window over $count runs: median ${median} ms," \
     "min ${sorted[0]} ms, max ${sorted[$((count - 1))]} ms"

# Peak memory of a run that shows the window and then ends.
log=$(mktemp)
"$mapwait" Glossmere /usr/bin/time -v -o "$log" "$program" >/dev/null
sleep 0.5
pkill -f "^$program\$" || true
sleep 0.5
peak_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
rm -f "$log"
echo "peak memory (maximum resident set): $((peak_kb / 1024)) MiB"
