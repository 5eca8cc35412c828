#!/usr/bin/env bash
# Starts the installed Glossmere the way a desktop menu does — from the Exec line of its
# desktop file, through PATH — on a private Xvfb display, and passes only if the program's
# main window maps before the timeout.
#
#   packaging/check-installed.sh [DESKTOP_FILE]
#
# Without an argument the desktop file is looked up like a desktop does, in
# $XDG_DATA_HOME/applications and then each $XDG_DATA_DIRS/applications. The timeout in
# seconds comes from GLOSSMERE_CHECK_TIMEOUT (default 30). Exit status 0 on success, 1 otherwise.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
timeout=${GLOSSMERE_CHECK_TIMEOUT:-30}

fail() {
    echo "check-installed: FAIL: $*" >&2
    exit 1
}

find_desktop_file() {
    local dir
    local -a dirs=("${XDG_DATA_HOME:-$HOME/.local/share}")
    IFS=: read -r -a more <<<"${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
    dirs+=("${more[@]}")
    for dir in "${dirs[@]}"; do
        if [[ -n "$dir" && -f "$dir/applications/glossmere.desktop" ]]; then
            echo "$dir/applications/glossmere.desktop"
            return 0
        fi
    done
    return 1
}

# Prints the Exec value of the [Desktop Entry] group (other groups, such as actions, have their own).
read_exec() {
    awk '
        /^\[/ { in_entry = ($0 == "[Desktop Entry]"); next }
        in_entry && /^Exec[ \t]*=/ { sub(/^Exec[ \t]*=[ \t]*/, ""); print; found = 1; exit }
        END { exit !found }
    ' "$1"
}

desktop_file=${1:-}
if [[ -z "$desktop_file" ]]; then
    desktop_file=$(find_desktop_file) || fail "no glossmere.desktop in the XDG data directories"
fi
[[ -f "$desktop_file" ]] || fail "$desktop_file does not exist"
exec_line=$(read_exec "$desktop_file") || fail "$desktop_file has no Exec line in [Desktop Entry]"

# The menu passes no files, so the file and URL field codes expand to nothing; %% is a literal %.
# Quoted arguments would need the full desktop-entry quoting rules, which this program's entry
# does not use; refuse them rather than run something different from what a desktop would.
[[ "$exec_line" != *'"'* ]] || fail "quoted Exec arguments are not supported: $exec_line"
exec_line=$(sed -E 's/%[fFuUdDnNvmik]//g; s/%%/%/g' <<<"$exec_line")
read -r -a argv <<<"$exec_line"
[[ ${#argv[@]} -gt 0 ]] || fail "empty Exec line in $desktop_file"
program=$(command -v -- "${argv[0]}") || fail "'${argv[0]}' from Exec is not on PATH ($PATH)"
echo "Desktop file: $desktop_file"
echo "Exec: ${argv[*]} (${argv[0]} is $program)"

"$root/tools/deps.sh" xvfb xdotool

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
# shellcheck disable=SC2317  # called through the EXIT trap
cleanup() {
    local pid
    for pid in "$app_pid" "$xvfb_pid"; do
        [[ -n "$pid" ]] || continue
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to fd 3 once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
[[ -s "$work/display" ]] || fail "Xvfb did not report a display"
display=":$(tr -d '[:space:]' <"$work/display")"

# A desktop session has none of the test settings (offscreen platform) and the user's own
# settings are left alone: the program gets fresh XDG directories.
mkdir -p "$work/config" "$work/data" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
    DISPLAY="$display" XDG_SESSION_TYPE=x11 \
    XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
    "${argv[@]}" >"$work/app.log" 2>&1 &
app_pid=$!

# The window must be this process's own (Qt sets _NET_WM_PID) and actually viewable.
deadline=$((SECONDS + timeout))
window=""
while ((SECONDS < deadline)); do
    window=$(DISPLAY="$display" xdotool search --all --onlyvisible --pid "$app_pid" --name '^Glossmere$' \
        2>/dev/null | head -n 1 || true)
    [[ -n "$window" ]] && break
    if ! kill -0 "$app_pid" 2>/dev/null; then
        status=0
        wait "$app_pid" || status=$?
        app_pid=""
        fail "the program exited with status $status before its window mapped; its output:
$(cat "$work/app.log")"
    fi
    sleep 0.2
done
[[ -n "$window" ]] || fail "no visible window named Glossmere within ${timeout}s; program output:
$(cat "$work/app.log")"

echo "check-installed: OK: window $window 'Glossmere' of process $app_pid mapped on $display"
exit 0
