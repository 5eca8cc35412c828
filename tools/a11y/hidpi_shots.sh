#!/usr/bin/env bash
# Screenshots of Glossmere's three windows at scale 1 and at scale 2 (QT_SCALE_FACTOR), for comparing
# how the program looks on a high-density screen, plus the hand pointer as X holds it.
#
#   tools/a11y/hidpi_shots.sh [path/to/glossmere]
#
# Writes docs/hidpi/{main,options,test}-{1x,2x}.png and hand-pointer-{1x,2x}.png (OUT_DIR overrides the
# folder). Uses Xvfb on A11Y_DISPLAY (default :94), xdotool and ImageMagick's import and identify.
# Checks, so that the run can fail: every window is found, each 2x shot is exactly twice the size of
# its 1x shot, and the hand pointer is 32 px at scale 1 and 64 px at scale 2, with the hot spot
# that HAND-M.CUR gives the image of that size.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
bin=$(realpath -m "${1:-$root/build-a11y/bin/glossmere}")
out=${OUT_DIR:-$root/docs/hidpi}
display=${A11Y_DISPLAY:-:94}
# shellcheck source=tools/a11y/xvfb.sh
source "$here/xvfb.sh"

failed=0
fail() {
    echo "FAIL: $*"
    failed=$((failed + 1))
}

# The one visible window titled Glossmere (each window hides the one before it), other than $1.
next_window() {
    local before=${1:-} id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name '^Glossmere$' 2>/dev/null | tail -1)
        if [[ -n $id && $id != "$before" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

shoot() {
    local file="$out/$2-${scale}x.png"
    sleep 0.8 # let the window paint
    import -window "$1" "$file" && echo "shot $(basename "$file") ($(identify -format '%wx%h' "$file"))"
}

# Runs inside its own D-Bus session, on a display already started at the scale given; WORK is the
# outer run's scratch folder, passed in the environment.
shots_at_one_scale() {
    # shellcheck disable=SC2153
    export QT_SCALE_FACTOR=$scale HOME=$WORK/home-$scale XDG_CONFIG_HOME=$WORK/home-$scale/.config
    mkdir -p "$XDG_CONFIG_HOME"
    "$bin" >"$WORK/app-$scale.log" 2>&1 &
    app_pid=$!
    # shellcheck disable=SC2317  # called by the trap
    finish() { kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null; }
    trap finish EXIT

    local main options test X Y WIDTH HEIGHT
    if ! main=$(next_window); then
        fail "scale $scale: no main window; the program said:"
        cat "$WORK/app-$scale.log"
        return 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$main")"
    # Without a window manager the window has no keyboard focus until it is clicked: click its margin.
    xdotool mousemove $((X + 4 * scale)) $((Y + 4 * scale)) click 1
    sleep 0.3
    for pair in "cat:a small animal" "dog:a loyal pet" "sun:a bright star" "oak:a tall tree"; do
        xdotool type --delay 15 "${pair%%:*}"
        xdotool key Return
        xdotool type --delay 15 "${pair#*:}"
        xdotool key Return
        sleep 0.2
    done
    xdotool type --delay 15 "owl"
    xdotool key Tab
    xdotool type --delay 15 "a night bird"
    shoot "$main" main

    # The hand pointer over "Start Taking Test" (its centre: half the width, 95.5 % of the height).
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT * 955 / 1000))
    sleep 0.4
    /usr/bin/python3 "$here/cursor_image.py" "$out/hand-pointer-${scale}x.png" --expect-size $((32 * scale)) \
        --match-cur "$(dirname "$bin")/HAND-M.CUR" ||
        fail "scale $scale: hand pointer size or hot spot"
    xdotool mousemove $((X + 4 * scale)) $((Y + 4 * scale))

    # Focus is in Definition: four Tabs lead to Start Taking Test; Space presses it.
    xdotool key Tab Tab Tab Tab
    sleep 0.2
    xdotool key space
    for _ in $(seq 30); do
        xdotool search --onlyvisible --name '^Save File\?$' >/dev/null 2>&1 && break
        sleep 0.1
    done
    xdotool key n
    options=$(next_window "$main") || { fail "scale $scale: no options window"; return 1; }
    shoot "$options" options

    # The options window opens with the focus on "< Go Back"; Tab leads to "Continue >".
    xdotool key Tab
    sleep 0.2
    xdotool key space
    test=$(next_window "$options") || { fail "scale $scale: no test window"; return 1; }
    shoot "$test" test
    ((failed == 0))
}

if [[ -n ${INNER_SCALE:-} ]]; then
    scale=$INNER_SCALE
    shots_at_one_scale
    exit $?
fi

for tool in Xvfb xdotool import identify dbus-run-session; do
    command -v "$tool" >/dev/null || {
        echo "missing: $tool" >&2
        exit 2
    }
done
[[ -x $bin ]] || {
    echo "no program at $bin" >&2
    exit 2
}
if [[ -e /tmp/.X11-unix/X${display#:} ]]; then
    echo "display $display is taken; set A11Y_DISPLAY to a free one" >&2
    exit 2
fi
mkdir -p "$out"
work=$(mktemp -d /tmp/glossmere-hidpi.XXXXXX)
xvfb_pid=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for scale in 1 2; do
    echo "--- scale $scale"
    if ! start_xvfb "$display" "$((1200 * scale))x$((900 * scale))x24" "$work/xvfb.log"; then
        fail "scale $scale: Xvfb on $display did not start"
        cat "$work/xvfb.log"
        continue
    fi
    # Its own D-Bus session, so that the program starts no bus of its own that would outlive it.
    INNER_SCALE=$scale DISPLAY=$display OUT_DIR=$out WORK=$work timeout --kill-after=5 120 \
        dbus-run-session -- bash "${BASH_SOURCE[0]}" "$bin" 2> >(grep -v -i -E 'fd limit|activat' >&2) ||
        fail "scale $scale: see the lines above"
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
done

echo "--- comparison"
for name in main options test hand-pointer; do
    one="$out/$name-1x.png"
    two="$out/$name-2x.png"
    if [[ ! -s $one || ! -s $two ]]; then
        fail "$name: a shot is missing"
        continue
    fi
    read -r w1 h1 < <(identify -format '%w %h\n' "$one")
    read -r w2 h2 < <(identify -format '%w %h\n' "$two")
    if ((w2 == 2 * w1 && h2 == 2 * h1)); then
        echo "PASS: $name ${w1}x${h1} at 1x, ${w2}x${h2} at 2x"
    else
        fail "$name ${w1}x${h1} at 1x but ${w2}x${h2} at 2x (not twice)"
    fi
done
if ((failed == 0)); then echo "all shots in $out"; else echo "$failed check(s) failed"; fi
((failed == 0))
