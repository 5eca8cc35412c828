#!/usr/bin/env bash
# Takes Glossmere through a short test as a blind learner does, with Debian's Orca, and checks what
# Orca speaks: an entry added, undone and redone, each question with its answers, the feedback for a
# right and a wrong answer, the score, a mistake read from the score box's details, a load; then in
# the list the row's place on each move, its menu with the commands' keys, removals, an export with
# its type, a save and the list an undone load brings back.
#
#   tools/a11y/orca_check.sh [--entries N] [--keep LOG] [path/to/glossmere]
#
# Runs Orca under Xvfb with openbox, in a D-Bus session of its own; speech goes through
# speech-dispatcher and espeak-ng to ALSA's null device (without an audio device the default output
# blocks Orca after a few sentences). What Orca spoke is read from its debug file.
# --entries N types N entries (3 or 4, default 4); --keep LOG copies Orca's spoken lines to LOG and
# its whole debug file to LOG.debug.
# Environment: ORCA_DISPLAY (default :97). Exit status: 0 when every check passed.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

if [[ ${1:-} != --inner ]]; then
    entries=4
    keep=
    while [[ ${1:-} == --* ]]; do
        case $1 in
        --entries) entries=$2; shift 2 ;;
        --keep) keep=$(realpath -m "$2"); shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
        esac
    done
    bin=$(realpath -m "${1:-$root/build-a11y/bin/glossmere}")
    display=${ORCA_DISPLAY:-:97}
    # shellcheck source=tools/a11y/xvfb.sh
    source "$here/xvfb.sh"
    require_desktop_tools Xvfb xdotool dbus-run-session timeout orca openbox speech-dispatcher
    if [[ ! -x /usr/lib/speech-dispatcher-modules/sd_espeak-ng ]]; then
        echo "missing: speech-dispatcher-espeak-ng" >&2
        exit 2
    fi
    # shellcheck disable=SC2317  # called by run_in_session
    after_session() {
        if [[ -n $keep && -f $work/orca.log ]]; then
            /usr/bin/python3 "$here/orca_speech.py" "$work/orca.log" --list >"$keep"
            cp "$work/orca.log" "$keep.debug"
        fi
    }
    run_in_session "${BASH_SOURCE[0]}" "$display" ORCA_DISPLAY "$bin" glossmere-orca 300 "$entries"
fi

# ---- inside the D-Bus session ----
exec 1>&3 2>&4 3>&- 4>&-
bin=$2
work=$3
entries=$4
speech=("/usr/bin/python3" "$here/orca_speech.py" "$work/orca.log")
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher" "$XDG_DATA_HOME"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1

passed=0
failed=0
ok() { echo "PASS: $*"; passed=$((passed + 1)); }
bad() { echo "FAIL: $*"; failed=$((failed + 1)); }
summary() {
    echo
    echo "$passed passed, $failed failed"
    ((failed == 0))
    exit $?
}

# The speech server the Orca session starts: espeak-ng into ALSA's null device.
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOF'
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultLanguage "en"
EOF

openbox --sm-disable >"$work/openbox.log" 2>&1 &
echo $! >"$work/openbox.pid"

# Orca opens its debug file with a buffer; the check reads it while Orca runs, so line by line.
/usr/bin/python3 -c '
import builtins, runpy, sys
log = sys.argv[1]
plain_open = builtins.open
def line_buffered(file, mode="r", *args, **kwargs):
    if file == log and "w" in mode:
        return plain_open(file, mode, buffering=1, encoding="utf-8")
    return plain_open(file, mode, *args, **kwargs)
builtins.open = line_buffered
sys.argv = ["orca", "--debug-file", log]
runpy.run_path("/usr/bin/orca", run_name="__main__")
' "$work/orca.log" >"$work/orca.out" 2>&1 &
echo $! >"$work/orca.pid"
for _ in $(seq 100); do
    grep -q "SPEECH OUTPUT" "$work/orca.log" 2>/dev/null && break
    sleep 0.1
done
if ! grep -q "SPEECH OUTPUT" "$work/orca.log" 2>/dev/null; then
    echo "Orca did not start speaking:"
    tail -20 "$work/orca.out" "$work/orca.log" 2>/dev/null
    exit 2
fi

"$bin" >"$work/app.log" 2>&1 &
echo $! >"$work/app.pid"

mark=0
# expect WHAT TEXT...: waits until Orca has spoken the TEXTs (whole utterances, in order) since the
# last mark; "re:" makes a TEXT a regular expression.
expect() {
    local what=$1
    shift
    if "${speech[@]}" --from "$mark" --wait "${wait_for:-8}" --expect "$@"; then ok "$what"; else bad "$what"; fi
}
set_mark() { mark=$("${speech[@]}" --mark); }
# await TEXT...: as expect, for a step the check only waits for.
await() { "${speech[@]}" --from "$mark" --wait 8 --expect "$@" 2>/dev/null || echo "  (still waiting for: $*)"; }
# tab_to NAME [shift+Tab]: presses Tab (or shift+Tab) until Orca names the push button NAME.
tab_to() {
    local _
    for _ in $(seq 12); do
        set_mark
        key "${2:-Tab}"
        "${speech[@]}" --from "$mark" --wait 2 --expect "$1 push button." 2>/dev/null && return 0
    done
    bad "Tab does not reach \"$1\""
    return 1
}
key() {
    xdotool key --delay 60 "$@"
    sleep 0.2
}

"${speech[@]}" --wait 15 --expect "re:.*Term.*" >/dev/null || true
sleep 1
set_mark

terms=(cat dog sun oak)
definitions=("a small animal" "a loyal pet" "a bright star" "a tall tree")
echo "=== entries typed into the Term and Definition boxes"
# Each entry waits until Orca has told the last one: keys typed while it is busy can come late.
# (Orca says nothing of the focus moving between the boxes: Qt moves the caret before the focus.)
for ((i = 0; i < entries - 1; i++)); do
    set_mark
    xdotool type --delay 40 "${terms[i]}"
    key Return
    sleep 0.5
    set_mark
    xdotool type --delay 40 "${definitions[i]}"
    key Return
    await "re:Added ${terms[i]} — .*"
done
set_mark
xdotool type --delay 40 "${terms[entries - 1]}"
key Return
sleep 0.5
set_mark
xdotool type --delay 40 "${definitions[entries - 1]}"
key Return
expect "adding says what was added and how many entries there are" \
    "Added ${terms[entries - 1]} — ${definitions[entries - 1]}; $entries $( ((entries == 1)) && echo entry || echo entries)."

echo "=== the list, its editor, undo and redo"
set_mark
# From the Term box, six Tab presses reach the list.
key Tab Tab Tab Tab Tab Tab
# The entry added last is the current one.
expect "the list reads its current row with its place" "${terms[entries - 1]}
${definitions[entries - 1]}
row $entries of $entries."
set_mark
key F2
expect "the editor is named for its column" "Edit term
${terms[entries - 1]}."
key Escape
set_mark
key ctrl+z
expect "undo says what it undid" "Undone: Add ${terms[entries - 1]} — ${definitions[entries - 1]}; $((entries - 1)) entries."
set_mark
key ctrl+y
expect "redo says what it redid" "Redone: Add ${terms[entries - 1]} — ${definitions[entries - 1]}; $entries entries."

echo "=== the options window"
# When the score box closes, Orca says the options window's title, or, when the box's own window
# was still going as the options came back, only the button that has the focus there.
options_back="re:(Glossmere.*|Continue > push button\\.)"
# not_saving KEY...: presses KEY (a command that opens the options), hears "Save File?" asked about
# the unsaved entries and answers No.
not_saving() {
    set_mark
    key "$@"
    wait_for=5 expect "the unsaved list is asked about" "alert Save File?"
    set_mark
    key n
}
tab_to "Start Taking Test" shift+Tab
# The entries are not saved: "Save File?" is answered No.
not_saving space
wait_for=5 expect "the options window describes itself" "re:Glossmere.*" "re:Test options: .*"
set_mark
key Tab
sleep 0.5
key Tab
expect "Tab enters the direction pair at its selected option" "re:.*Term Is Given, Select The Correct Definition.*"
set_mark
key Tab
expect "Tab enters the sound pair at its selected option" "re:.*Play sounds.*"
key shift+Tab shift+Tab
sleep 0.5
set_mark
key space
expect "the test window describes itself with its direction" "re:Glossmere.*" \
    "Test: the term is given; choose its definition with the keys 1 to 4."

# The question as spoken: the direction, the prompt, the answers; on the first, the keys.
question_pattern() {
    local answers="(\n[1-4]\. a [a-z ]+){$entries}"
    local prompts
    prompts=$(IFS='|' && echo "${terms[*]:0:entries}")
    printf '%s' "Term:\n($prompts)$1${answers}\."
}
heading="\nPossible Answers \(Press 1 2 3 or 4 on the keyboard\)"
wrong_at=2
for ((q = 1; q <= entries; q++)); do
    if ((q == 1)); then
        wait_for=8 expect "question $q is spoken with the keys and its answers" "re:$(question_pattern "$heading")"
    else
        wait_for=8 expect "question $q is spoken with its answers" "re:$(question_pattern "")"
    fi
    asked=$("${speech[@]}" --from "$mark" --last "Term:\n") || break
    echo "  Orca: ${asked//$'\n'/ | }"
    prompt=$(sed -n 2p <<<"$asked")
    for ((i = 0; i < entries; i++)); do [[ ${terms[i]} == "$prompt" ]] && right=${definitions[i]}; done
    number=$(grep -m1 -E "^[1-4]\. $right\.?\$" <<<"$asked" | cut -c1)
    set_mark
    if ((q == wrong_at)); then
        number=$((number % entries + 1))
        key "$number"
        mistake="$prompt — your answer: $(grep -m1 "^$number\. " <<<"$asked" | cut -c4- | sed 's/\.$//') — right: $right"
        wait_for=6 expect "a wrong answer is told the right one" "The correct answer was: 
$right."
    else
        key "$number"
        wait_for=6 expect "a right answer is told so" "Correct."
    fi
done

echo "=== the score and its details"
wait_for=8 expect "the score is spoken" "re:.*Score: $((entries - 1)) correct answers out of $entries questions.*"
sleep 1
set_mark
key Tab
wait_for=5 expect "Tab reaches the details button" "Show Details... push button."
set_mark
key space
wait_for=5 expect "opening the details is told" "Hide Details..."
set_mark
key Tab
wait_for=5 expect "Tab reaches the details" "Details read only text."
# The field wraps its lines: Orca reads the line at the caret, Down the next one.
key Down
sleep 1
read_lines=$("${speech[@]}" --from "$mark" --list | grep -v -x -e "'[a-z]* '" -e "'Details read only text.'" |
    sed -e "s/^'//" -e "s/'\$//" -e 's/\.$//' | paste -s -d ' ')
if [[ $read_lines == "$mistake"* ]]; then
    ok "the mistake is read from the details: $read_lines"
else
    bad "the details read \"$read_lines\", not \"$mistake\""
fi

echo "=== back to the list: the sample loaded"
tab_to "Hide Details..." shift+Tab
set_mark
key space
wait_for=5 expect "closing the details is told" "Show Details..."
tab_to OK
set_mark
key space
expect "the options window is back" "$options_back"
tab_to "< Go Back" shift+Tab && key space
wait_for=5 expect "the main window is back" "re:Glossmere.*"
tab_to "Load Sample/Example File" shift+Tab
set_mark
key space
# The entries typed were never saved: replacing them is asked about first.
wait_for=5 expect "replacing unsaved entries is asked about" "re:alert Unsaved Changes\\.?"
set_mark
key y
expect "loading says how many entries came in" "re:[0-9]+ entries loaded\\."

echo "=== the last test's mistakes practised: the list's menu, then Ctrl+R in the options"
# The typed entries come back with the load undone; a test with two mistakes, their practice from
# the list's menu with one mistake, and that one practised with Ctrl+R in the options window.
set_mark
key ctrl+z
expect "undoing the load brings the typed entries back" \
    "Undone: Load; the list without a file name, $entries entries."
# practise_answers WRONG...: answers the questions spoken next, wrongly where WRONG is 1.
practise_answers() {
    local q=0 wrong asked prompt right number
    for wrong in "$@"; do
        q=$((q + 1))
        wait_for=8 expect "practice question $q is spoken with its answers" "re:$(question_pattern "(${heading})?")"
        asked=$("${speech[@]}" --from "$mark" --last "Term:\n") || return
        prompt=$(sed -n 2p <<<"$asked")
        for ((i = 0; i < entries; i++)); do [[ ${terms[i]} == "$prompt" ]] && right=${definitions[i]}; done
        number=$(grep -m1 -E "^[1-4]\. $right\.?\$" <<<"$asked" | cut -c1)
        ((wrong)) && number=$((number % entries + 1))
        set_mark
        key "$number"
        if ((wrong)); then
            wait_for=6 expect "a wrong answer is told the right one" "The correct answer was: 
$right."
        else
            wait_for=6 expect "a right answer is told so" "Correct."
        fi
    done
}
tab_to "Start Taking Test" shift+Tab
not_saving space
wait_for=5 expect "the options window is back" "$options_back"
tab_to "Continue >"
set_mark
key space
answers=(1 1)
for ((i = 2; i < entries; i++)); do answers+=(0); done
practise_answers "${answers[@]}"
wait_for=8 expect "the score counts the two mistakes" "re:.*Score: $((entries - 2)) correct answers out of $entries questions.*"
set_mark
key Return
wait_for=5 expect "the options window is back" "$options_back"
tab_to "< Go Back" shift+Tab && key space
wait_for=5 expect "the main window is back" "re:Glossmere.*"
for _ in $(seq 12); do
    set_mark
    key Tab
    "${speech[@]}" --from "$mark" --wait 2 --expect "re:.*row [0-9]+ of $entries\\." 2>/dev/null && break
done
set_mark
key shift+F10
sleep 1
set_mark
key Up
expect "the menu names the practice with its count and key" "re:Practise the 2 Mistakes of the Last Test.*"
not_saving Return
wait_for=6 expect "the options window tells what the practice asks" \
    "re:Glossmere.*" "Practice of the last test's mistakes: Total Number of Entries: 2."
tab_to "Continue >"
set_mark
key space
practise_answers 1 0
wait_for=8 expect "the practice's score counts its questions" "re:.*Score: 1 correct answers out of 2 questions.*"
set_mark
key Return
wait_for=5 expect "the options window is back" "$options_back"
set_mark
key ctrl+r
wait_for=5 expect "Ctrl+R in the options chooses the practice's mistake" \
    "Practice of the last test's mistakes: Total Number of Entries: 1."
tab_to "Continue >"
set_mark
key space
practise_answers 0
wait_for=8 expect "the last mistake practised" "re:.*Score: 1 correct answers out of 1 questions.*"
set_mark
key Return
wait_for=5 expect "the options window is back after the practice" "$options_back"
tab_to "< Go Back" shift+Tab && key space
wait_for=5 expect "the main window is back for the sample" "re:Glossmere.*"
tab_to "Load Sample/Example File" shift+Tab
set_mark
key space
wait_for=5 expect "replacing the typed entries again is asked about" "re:alert Unsaved Changes\\.?"
set_mark
key y
expect "the sample comes in again" "re:[0-9]+ entries loaded\\."

echo "=== the list by keys: its place, its menu, a removal, export, save, the undo of a load"
# From "Load Sample/Example File", two Tab presses reach the list. The row the list makes current
# there is the selected one: Delete removes it.
set_mark
key Tab Tab
expect "the list reads its first row as it takes the focus" "re:[^\n]+\n[^\n]+\nrow 1 of 50\\."
set_mark
key Delete
wait_for=5 expect "Delete asks about the current row" "re:alert Confirm Delete\\.?"
set_mark
key y
# A result is spoken alone, or with the row the focus comes back to when the window was not back yet
# from the box: never replaced by it.
expect "the removal is told" "re:Removed .+ — .+; 49 entries(\\.|\n.*row 1 of 49\\.)"
for move in Down:2 Down:3 Up:2 End:49 Home:1; do
    set_mark
    key "${move%:*}"
    expect "${move%:*} tells the row's place" "row ${move#*:} of 49."
done
# The menu names its commands with their keys as it opens, and each key as the arrows reach its item.
menu="re:Term list commands menu\nEdit Term, F2\n(.*\n)?Remove Entry, Del\n(.*\n)?Undo Remove, Ctrl\\+Z\n(.*\n)?Find…, Ctrl\\+F(\n.*)?"
set_mark
key shift+F10
expect "Shift+F10 opens the menu, told with its commands and their keys" "$menu"
set_mark
key Down
expect "an item is read with its keys" "Edit Term." "F2."
key Escape
sleep 1
set_mark
key Menu
expect "the Menu key opens the menu, told the same way" "$menu"
set_mark
key Down Down Down
expect "Remove Entry is read with its key" "Remove Entry." "Del."
set_mark
key Return
wait_for=5 expect "Remove Entry asks first" "re:alert Confirm Delete\\.?"
set_mark
key y
expect "the removal from the menu is told" "re:Removed .+ — .+; 48 entries(\\.|\n.*row 1 of 48\\.)"
# Export List As… is the menu's last item; the type is chosen in the dialog.
set_mark
key shift+F10
sleep 0.5
key Up
expect "Up reaches Export List As…" "re:Export List As….*"
set_mark
key Return
wait_for=5 expect "the export dialog opens" "re:Export List As dialog.*"
set_mark
xdotool type --delay 40 words
key Tab
await "re:CSV .*combo box\\."
set_mark
key Down
expect "the type chosen in the dialog is told" "Tab-separated (*.tsv *.txt)"
set_mark
key Return
expect "the export is told with its type" "re:Exported words\\.tsv as Tab-separated; 48 entries(\\.|\n.*row 1 of 48\\.)"
if [[ -f $HOME/words.tsv ]]; then ok "the export was written as words.tsv"; else bad "no words.tsv in $HOME"; fi
tab_to "Save Term/Defs To Text File" shift+Tab
set_mark
key space
wait_for=5 expect "the save dialog opens" "re:Saving Definition File dialog.*"
set_mark
xdotool type --delay 40 words.txt
key Return
expect "the save is told" "Saved words.txt; 48 entries."
tab_to "Load Sample/Example File"
set_mark
key space
expect "the saved list asks nothing and the sample comes in" "50 entries loaded."
set_mark
key ctrl+z
expect "undoing the load names the list that came back" "Undone: Load; words.txt, 48 entries."
set_mark
key ctrl+y
expect "redoing it names the list again" "Redone: Load; sample_glossbox.txt, 50 entries."
summary
