#!/usr/bin/env bash
# The import of a file another trainer wrote, through the real window: "Load Term/Defs From Text
# File", the file's path typed into the file dialog, the separator question (which should open with
# the file's format chosen), its drop-down, Escape (closes only the drop-down), Enter. Screenshots:
# OUT-question.png, OUT-choices.png, OUT-list.png.
#
#   tools/a11y/import_shots.sh PROGRAM FILE OUT
#
# Uses its own Xvfb on A11Y_DISPLAY (default :95), xdotool and ImageMagick's import.
set -euo pipefail
program=$(realpath "$1")
file=$(realpath "$2")
out=$3
display=${A11Y_DISPLAY:-:95}
# shellcheck source=tools/a11y/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
start_shot_session "$display" 1024x768x24 "$program"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
# The middle of "Load Term/Defs From Text File" (twips 120, 3700, 3840 x 405).
xdotool mousemove $((X + 136)) $((Y + 260)) click 1
sleep 1.5
xdotool type --delay 20 "$file"
xdotool key Return
sleep 1.5
import -window root "$out-question.png"
xdotool key alt+Down
sleep 0.7
import -window root "$out-choices.png"
xdotool key Escape
sleep 0.4
xdotool key Return
sleep 1.5
import -window root "$out-list.png"
