#!/usr/bin/env bash
# Import and export benchmark: 1,000,000 entries (or the count given) as a definition file, CSV, Anki
# notes export and KVTML, in a release build; prints each time and its ratio to loading or saving.
# Usage: bench/import.sh [count] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
"$root/tools/deps.sh" "${build_packages[@]}"
build_preset release >/dev/null
bench="$root/build-release/bin/import_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --generate "${1:-1000000}" "$work"
"$bench" --measure "$work" "${2:-5}"
