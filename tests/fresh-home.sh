#!/usr/bin/env bash
# Runs one test with a home of its own, as on a machine that never ran the program: settings, dialog
# state and caches of an earlier run (or of the user) can neither hide a fault nor fail a clean
# machine. The folder is removed afterwards; the test's exit status is passed on.
#   tests/fresh-home.sh COMMAND [ARGS...]
set -uo pipefail
home=$(mktemp -d "${TMPDIR:-/tmp}/glossmere-home.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config" "$home/.local/share" "$home/.cache" "$home/.local/state"
mkdir -m 700 "$home/runtime"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    XDG_CACHE_HOME=$home/.cache XDG_STATE_HOME=$home/.local/state XDG_RUNTIME_DIR=$home/runtime
"$@"
status=$?
exit "$status"
