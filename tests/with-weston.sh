#!/usr/bin/env bash
# Runs one test as a native Wayland client of a headless weston of its own (no screen, no input), in
# the runtime folder fresh-home.sh made. weston is stopped by its PID; the test's status is passed on.
#   tests/with-weston.sh COMMAND [ARGS...]
set -uo pipefail
command -v weston >/dev/null || { echo "weston is missing (tools/test.sh installs it)" >&2; exit 1; }
socket=glossmere-test
log=$XDG_RUNTIME_DIR/weston.log
weston --backend=headless-backend.so --no-config --idle-time=0 \
    --socket="$socket" >"$log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null' EXIT
for _ in $(seq 200); do
    [[ -S $XDG_RUNTIME_DIR/$socket ]] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.05
done
if [[ ! -S $XDG_RUNTIME_DIR/$socket ]]; then
    echo "weston did not start:" >&2
    cat "$log" >&2
    exit 1
fi
WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland "$@"
status=$?
exit "$status"
