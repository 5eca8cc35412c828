#!/usr/bin/env bash
# Screenshots of the main window's term list in the states a user brings it to, for comparing two
# builds pixel by pixel: empty, the sample loaded, a click, Down, Right, End, Home, PageDown, the pointer
# over a row, the F2 editor, Tab, type-to-search, the wheel down and up, Ctrl+End, two entries added.
#
#   tools/a11y/list_shots.sh PROGRAM_FOLDER OUT_DIR
#
# PROGRAM_FOLDER holds glossmere and its content files (a copy without x/ shows the list unskinned);
# QT_SCALE_FACTOR is passed on. Compare two runs with ImageMagick:
#   for f in A/*.png; do compare -metric AE "$f" "B/${f##*/}" /dev/null; echo " ${f##*/}"; done
# Uses its own Xvfb on A11Y_DISPLAY (default :95), xdotool and ImageMagick's import.
set -euo pipefail
folder=$(realpath "$1")
out=$2
display=${A11Y_DISPLAY:-:95}
mkdir -p "$out"
# shellcheck source=tools/a11y/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
start_shot_session "$display" 1280x1024x24 "$folder/glossmere"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
# Positions in the window at scale 1; QT_SCALE_FACTOR scales them.
scale=${QT_SCALE_FACTOR:-1}
at() { xdotool mousemove $((X + $1 * scale)) $((Y + $2 * scale)); }
shot() {
    sleep 0.6
    import -window "$window" "$out/$1.png"
}

shot empty
at 400 295 && xdotool click 1 && sleep 1.5 # Load Sample/Example File
at 520 460 && shot sample
at 60 60 && xdotool click 1 && shot selected
xdotool key Down Down && shot down2
xdotool key Right && shot right
xdotool key End && shot end
xdotool key Home && shot home
xdotool key Next && shot pagedown
at 200 100 && shot hover
xdotool key F2 && shot edit
xdotool key Escape Tab && shot tab
at 200 120 && xdotool click 1 key s && shot search
xdotool click 5 click 5 click 5 && shot wheel
xdotool click 4 && shot wheelup
xdotool key ctrl+End && shot ctrlend
at 300 340 && xdotool click 1 type --delay 20 'zz & <b>x</b>'
xdotool key Return type --delay 20 'last one'
xdotool key Return && shot added
at 100 150 && xdotool key Tab && shot added2
echo "$(ls "$out" | wc -l) screenshots in $out"
