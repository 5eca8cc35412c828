#!/usr/bin/env bash
# Definition file benchmark: loading and saving 32,767, 300,000 and 1,000,000 entries (release build).
# Usage: bench/deffiles.sh [sizes...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
"$root/tools/deps.sh" "${build_packages[@]}"
build_preset release >/dev/null
bench="$root/build-release/bin/deffiles_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(32767 300000 1000000)
# Definitions of about 22 characters make a million entries about 38 MB; about 40 is a fuller list.
for length in 22 40; do
    echo "terms ~12 characters, definitions ~$length characters:"
    for count in "${sizes[@]}"; do
        "$bench" --generate "$count" "$length" "$work/list.txt"
        # Each size is measured in a process of its own so that its peak memory is its own.
        "$bench" --measure "$work/list.txt" 5
    done
done
