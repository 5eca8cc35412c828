#!/usr/bin/env bash
# Runs Glossmere under Xvfb in its own D-Bus session and checks, over AT-SPI, what a screen reader
# gets: names in the main and test windows, and the spoken feedback after an answer.
#
#   tools/a11y/run_atspi_check.sh [path/to/glossmere]
#
# Needs: Xvfb, xdotool, dbus-run-session, at-spi2-core and Debian's python3-pyatspi
# (apt-get install xvfb xdotool dbus-x11 at-spi2-core python3-pyatspi).
# Environment: A11Y_DISPLAY (default :93). Exit status: 0 when every check passed.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
tree=("/usr/bin/python3" "$here/atspi_tree.py")

if [[ ${1:-} != --inner ]]; then
    bin=$(realpath -m "${1:-$root/build-a11y/bin/glossmere}")
    display=${A11Y_DISPLAY:-:93}
    # shellcheck source=tools/a11y/xvfb.sh
    source "$here/xvfb.sh"
    require_desktop_tools Xvfb xdotool xprop dbus-run-session timeout
    run_in_session "${BASH_SOURCE[0]}" "$display" A11Y_DISPLAY "$bin" glossmere-a11y 240
fi

# ---- inside the D-Bus session ----
exec 1>&3 2>&4 3>&- 4>&-
bin=$2
work=$3
echo $$ >"$work/inner.pid"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
# GNOME's button order puts the affirmative answer last: Yes must still come first. GNOME's desktop
# also brings the GTK platform theme, whose file choosers are GTK's; A11Y_DIALOGS=qt asks for Qt's own.
export XDG_CURRENT_DESKTOP=GNOME
[[ ${A11Y_DIALOGS:-} == qt ]] && export QT_QPA_PLATFORMTHEME=generic
# Settings and saved files of this run stay in its own folder.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$XDG_CONFIG_HOME"

passed=0
failed=0
app_pid=
# shellcheck disable=SC2317  # called by the trap
finish() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
}
trap finish EXIT

step() { printf '\n=== %s\n' "$*"; }
ok() { echo "PASS: $*"; passed=$((passed + 1)); }
bad() { echo "FAIL: $*"; failed=$((failed + 1)); }
summary() {
    echo
    echo "$passed passed, $failed failed"
    if [[ -s $work/app.log ]]; then
        echo "(program output: $(wc -l <"$work/app.log") lines)"
        head -5 "$work/app.log"
    fi
    ((failed == 0))
    exit $?
}

# Centre of the showing control with this name (and role), from AT-SPI.
where() {
    local role=$2
    "${tree[@]}" --wait 10 --locate "$1" ${role:+--role "$role"}
}
click_on() {
    local spot
    spot=$(where "$1" "${2:-}") || return 1
    # shellcheck disable=SC2086
    xdotool mousemove $spot click 1
    sleep 0.3
}
type_entry() {
    xdotool type --delay 20 "$1"
    xdotool key Return
    sleep 0.2
    xdotool type --delay 20 "$2"
    xdotool key Return
    sleep 0.3
}

# Waits up to $2 seconds for a visible window titled exactly $1.
wait_window() {
    local title=$1 tenths=$(($2 * 10))
    for _ in $(seq "$tenths"); do
        xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1 && return 0
        kill -0 "$app_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }

# Waits for a visible window whose title starts with $1 and checks that the window system holds
# exactly $1 as its title (_NET_WM_NAME and WM_NAME): nothing appended, nothing cut. Sets $wid.
check_title() {
    local title=$1 pattern net legacy parent
    pattern=$(printf '%s' "$title" | sed 's/[][\.*^$?+(){}|]/\\&/g')
    wid=
    for _ in $(seq 50); do
        wid=$(xdotool search --onlyvisible --name "^$pattern" 2>/dev/null | tail -1)
        [[ -n $wid ]] && break
        sleep 0.1
    done
    if [[ -z $wid ]]; then
        bad "no window titled \"$title\""
        return 1
    fi
    net=$(xprop -id "$wid" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
    legacy=$(xdotool getwindowname "$wid")
    echo "xprop: $(xprop -id "$wid" _NET_WM_NAME)"
    if [[ $net == "$title" && $legacy == "$title" ]]; then
        ok "the window system titles the box \"$title\""
    else
        bad "the window system titles the box \"$net\" / \"$legacy\", not \"$title\""
    fi
    # Every box belongs to the window it blocks, which the window manager keeps it in front of.
    parent=$(xprop -id "$wid" WM_TRANSIENT_FOR | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p')
    if [[ -n $parent ]] && ((parent != wid)) && [[ $(xdotool getwindowname "$parent" 2>/dev/null) == Glossmere ]]; then
        ok "\"$title\" is transient for the Glossmere window $parent"
    else
        bad "\"$title\" is not transient for a Glossmere window (WM_TRANSIENT_FOR: ${parent:-none})"
    fi
    [[ -n ${A11Y_SHOTS:-} ]] && import -window root "$A11Y_SHOTS/$(printf '%s' "$title" | tr -c 'A-Za-z0-9' '-').png"
    return 0
}

# In the Yes/No box on screen, Yes must stand left of No.
check_yes_first() {
    local yes no
    yes=$(where Yes "push button") && no=$(where No "push button") || { bad "Yes or No not found"; return; }
    if ((${yes%% *} < ${no%% *})); then ok "Yes stands left of No ($yes / $no)"; else bad "No stands left of Yes ($yes / $no)"; fi
}

# Counts the rows of the term list that show one of the typed terms.
typed_rows() {
    "${tree[@]}" --window main 2>/dev/null | grep -c -E '\[(table cell|tree item)\] name="(cat|dog|sun|oak)"'
}

"$bin" >"$work/app.log" 2>&1 &
app_pid=$!
echo "$app_pid" >"$work/app.pid"
if ! wait_window Glossmere 15; then
    bad "the program ended at start-up"
    cat "$work/app.log"
    summary
fi

step "(a) main window: tree and names"
if "${tree[@]}" --window main; then ok "main window names"; else bad "main window names"; fi

step "(b) four entries, a test, the test window"
if click_on "Term" text; then
    type_entry cat "a small animal"
    type_entry dog "a loyal pet"
    type_entry sun "a bright star"
    type_entry oak "a tall tree"
    rows=$(typed_rows)
    if [[ $rows == 4 ]]; then ok "four entries typed into the list"; else bad "the list shows $rows of the 4 typed terms"; fi
else
    bad "the Term field cannot be found"
fi

click_on "Start Taking Test" "push button" || bad "no Start Taking Test button"
if check_title 'Save File?'; then
    check_yes_first
    if "${tree[@]}" --window main --all --quiet --expect-text 'would you like to save it'; then
        ok "\"Save File?\" box: text and buttons named"
    else
        bad "\"Save File?\" box: text or buttons"
    fi
    # QMessageBox takes a button's mnemonic letter without Alt.
    xdotool key n
    sleep 0.5
    if shown 'Save File\?'; then
        echo "note: the key n did not reach the box; clicking No"
        click_on "No" "push button"
    fi
    if shown 'Save File\?'; then bad "\"Save File?\" stays open"; else ok "\"Save File?\" answered No"; fi
else
    bad "no \"Save File?\" question for unsaved entries"
fi

if "${tree[@]}" --window options --quiet; then ok "options window names"; else bad "options window names"; fi
click_on "Continue >" "push button" || bad "no Continue > button"
sleep 0.5
if "${tree[@]}" --window test --label-not-match 'Correct|The correct answer was'; then
    ok "test window names and question prompt"
else
    bad "test window names or question prompt"
fi

step "(c)+(d) answer with the key 1; the prompt's name must carry the feedback during its 2 s pause"
# Keys go to the window under X focus: without a window manager, click the prompt, which does nothing.
if spot=$("${tree[@]}" --wait 5 --locate "The question, and after an answer whether it was right." --by-desc); then
    # shellcheck disable=SC2086
    xdotool mousemove $spot click 1
else
    echo "note: the prompt could not be located; keys go wherever the focus is"
fi
# With sounds on (the default) the sound plays for 1 s before the feedback appears; the feedback then
# stays 2 s. Reading within 2.5 s of the key is therefore inside that pause.
if "${tree[@]}" --press 1 --label-match 'Correct|The correct answer was' --within 2.5; then
    ok "feedback announced through the prompt's accessible name"
else
    bad "feedback not announced through the prompt's accessible name"
fi

step "(e) the rest of the test by keys, then the score"
# Each answer: 1 s of sound, then 2 s of feedback before the next question.
for key in 2 3 4; do
    sleep 3.5
    xdotool key "$key"
done
if "${tree[@]}" --all --quiet --wait 8 --expect-text 'Score: [0-4] correct answers out of 4 questions'; then
    ok "score box: text and button named"
else
    bad "score box"
fi
xdotool key Return
if "${tree[@]}" --window options --quiet --wait 5; then ok "back in the options window"; else bad "options window after the score"; fi

step "(f) back in the main window: a double-click and the titled boxes"
click_on "< Go Back" "push button" || bad "no < Go Back button"
sleep 0.5
if spot=$(where cat "table cell" || where cat "tree item"); then
    # shellcheck disable=SC2086
    xdotool mousemove $spot click --repeat 2 --delay 80 1
    sleep 1
    if [[ $(xdotool search --onlyvisible --name '.' 2>/dev/null | wc -l) == 1 && $(typed_rows) == 4 ]]; then
        ok "a double-click on an entry opens nothing and removes nothing"
    else
        bad "a double-click on an entry opened a window or changed the list ($(typed_rows) rows)"
    fi
else
    bad "the entry cat cannot be found in the list"
fi

# The double-click selected "cat": Remove asks, and No keeps it.
click_on "Remove Selected Term/Def" "push button"
if check_title "Confirm Delete"; then
    check_yes_first
    click_on No "push button"
fi
if [[ $(typed_rows) == 4 ]]; then ok "No keeps the entry"; else bad "the list changed after No"; fi

click_on "Save Term/Defs To Text File" "push button"
check_title "Saving Definition File" && xdotool key Escape
sleep 0.5

# An import of a file that is no text: the open dialog, the separator box (the application's
# title), then the error report, each with its exact title; the list stays as it was.
printf 'GIF89a\0\1\2\0' >"$work/picture.gif"
click_on "Load Term/Defs From Text File" "push button"
if check_title "Add File(s) - Hold Ctrl to select multiple files"; then
    # GTK's chooser takes a typed path only in its location entry (Ctrl+L); Qt's has the name box focused.
    xdotool key ctrl+l
    sleep 0.3
    xdotool type --delay 10 "$work/picture.gif"
    xdotool key Return
    if check_title "Unsaved Changes"; then
        check_yes_first
        click_on Yes "push button"
    fi
    # The separator question: a box of the application's title, showing the default answer.
    if "${tree[@]}" --all --quiet --wait 5 --expect-text 'Enter separating character'; then
        check_title "Glossmere"
        xdotool key Return
    else
        bad "no separator question"
    fi
    check_title "Application Error" && xdotool key Return
fi
sleep 0.5
if [[ $(typed_rows) == 4 ]]; then ok "the list is intact after the failed import"; else bad "the failed import changed the list"; fi

step "(g) the list's menu by Shift+F10, its items by name; Find by Ctrl+F"
# A click on an entry gives the window the keyboard, which has no window manager to give it back.
if spot=$(where oak "table cell"); then
    # shellcheck disable=SC2086
    xdotool mousemove $spot click 1
    sleep 0.3
    # Qt lists no popup among the program's windows: the menu is found, as a screen reader finds
    # it, through the item that takes the focus.
    if "${tree[@]}" --menu "shift+F10 Down" --menu-name "Term list commands" --menu-item "Edit Term" \
        --menu-item "Edit Definition" --menu-item "Remove Entry" --menu-item "Undo Add" --menu-item "Redo" \
        --menu-item "Find…" --menu-item "Find Next"; then
        ok "Shift+F10 opens the menu \"Term list commands\" with its items named"
    else
        bad "Shift+F10 on the list: no menu \"Term list commands\" with every item named"
    fi
    [[ -n ${A11Y_SHOTS:-} ]] && import -window root "$A11Y_SHOTS/list-menu.png"
    xdotool key Escape
    sleep 0.3
    xdotool key ctrl+f
    if "${tree[@]}" --all --quiet --wait 5 --expect-text 'Find the next entry whose term or definition contains:'; then
        check_title "Glossmere"
        # Case and accent do not count: "ÁNIMAL" finds cat's definition, "a small animal".
        xdotool type --delay 20 'ÁNIMAL'
        xdotool key Return
        sleep 0.5
        # Without a window manager the closed box leaves no window with the keyboard.
        xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Glossmere$' | head -1)"
        sleep 0.3
        if [[ $("${tree[@]}" --focused 2>/dev/null) == *'name="a small animal"'* ]]; then
            ok "Find selects the entry whose definition holds the text"
        else
            bad "Find left the focus on: $("${tree[@]}" --focused 2>&1 | head -3)"
        fi
    else
        bad "Ctrl+F on the list asks nothing"
    fi
else
    bad "the entry oak cannot be found in the list"
fi

summary
