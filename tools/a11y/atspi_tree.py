#!/usr/bin/python3
"""Prints Glossmere's accessibility tree as a screen reader sees it, and checks it.

Run with Debian's /usr/bin/python3 (python3-pyatspi) inside the same D-Bus session as the program.
One line per accessible: role, name, description, states. Checks:
  * every push button, text entry, list/tree/table, radio button, check box and group box (panel)
    of the checked windows has a non-empty name;
  * each window asked for with --window is there and showing;
  * with --label-match, the test prompt's name matches a pattern;
  * with --press, a key is sent with xdotool and the prompt's name must start to match --label-match
    within --within seconds (it must not match before the key); name-change events from the prompt
    are listened for and reported.

Exit status: 0 every check passed, 1 a check failed, 2 the program could not be reached in time.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib

# Each window of the program is titled "Glossmere"; these names occur in one window only.
WINDOW_MARKERS = {
    "main": "Term list",
    "options": "Continue >",
    "test": "Stop Test",
}

NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX,
    pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_PANEL,
    pyatspi.ROLE_GROUPING,
    pyatspi.ROLE_FRAME,
    pyatspi.ROLE_DIALOG,
}

# States that every widget has and that would only make the lines longer.
QUIET_STATES = {"opaque", "horizontal", "vertical", "single-line", "multi-line", "selectable-text"}

DEFAULT_LABEL_DESC = "The question, and after an answer whether it was right."


def log(*parts):
    print(*parts, flush=True)


def short(text, limit=90):
    text = (text or "").replace("\n", "\\n")
    return text if len(text) <= limit else text[: limit - 1] + "…"


def safe(call, default=None):
    try:
        return call()
    except Exception:  # a widget may vanish while it is read; that is no reason to stop the walk
        return default


def role_of(acc):
    return safe(acc.getRole, pyatspi.ROLE_INVALID)


def role_name(acc):
    return safe(acc.getRoleName, "?")


def name_of(acc):
    return safe(lambda: acc.name, "") or ""


def desc_of(acc):
    return safe(lambda: acc.description, "") or ""


def states_of(acc):
    states = safe(lambda: acc.getState().getStates(), []) or []
    return sorted(pyatspi.stateToString(s) for s in states)


def children(acc, limit):
    count = safe(lambda: acc.childCount, 0) or 0
    out = []
    for i in range(min(count, limit)):
        child = safe(lambda i=i: acc.getChildAtIndex(i))
        if child is not None:
            out.append(child)
    return out, max(0, count - limit)


def walk(acc, depth=0, limit=80, max_depth=25):
    """Yields (depth, accessible) for acc and everything under it, and (depth, int) for left-out children."""
    yield depth, acc
    if depth >= max_depth:
        return
    kids, left = children(acc, limit)
    for kid in kids:
        yield from walk(kid, depth + 1, limit, max_depth)
    if left:
        yield depth + 1, left


def describe(acc):
    states = [s for s in states_of(acc) if s not in QUIET_STATES]
    line = f"[{role_name(acc)}] name=\"{short(name_of(acc))}\""
    desc = desc_of(acc)
    if desc:
        line += f" desc=\"{short(desc, 60)}\""
    line += " {" + ",".join(states) + "}"
    return line


def find_app(pattern, wait):
    deadline = time.monotonic() + wait
    wanted = pattern.lower()
    while True:
        desktop = pyatspi.Registry.getDesktop(0)
        names = []
        # With the GTK platform theme, GTK registers the same process a second time, without windows.
        candidates = []
        for app in children(desktop, 200)[0]:
            name = name_of(app)
            names.append(name)
            if wanted in name.lower():
                candidates.append(app)
        candidates.sort(key=lambda app: safe(lambda: app.toolkitName, "") != "Qt")
        if candidates:
            return candidates[0], names
        if time.monotonic() >= deadline:
            return None, names
        time.sleep(0.3)


def has_marker(window, marker):
    for _, acc in walk(window, limit=200, max_depth=8):
        if isinstance(acc, int):
            continue
        if name_of(acc) == marker:
            return True
    return False


def classify_windows(app):
    """Maps each window kind to the top-level accessible that holds its marker (showing ones first)."""
    found = {}
    tops, _ = children(app, 100)
    for top in tops:
        showing = "showing" in states_of(top)
        for kind, marker in WINDOW_MARKERS.items():
            if has_marker(top, marker):
                if kind not in found or (showing and "showing" not in states_of(found[kind])):
                    found[kind] = top
    return tops, found


def wait_for_windows(app, kinds, wait):
    deadline = time.monotonic() + wait
    while True:
        tops, found = classify_windows(app)
        missing = [k for k in kinds if k not in found or "showing" not in states_of(found[k])]
        if not missing or time.monotonic() >= deadline:
            return tops, found, missing
        time.sleep(0.3)


def find_label(window, description):
    for _, acc in walk(window, limit=200):
        if not isinstance(acc, int) and desc_of(acc) == description:
            return acc
    return None


def is_button_row(acc):
    """A nameless panel holding nothing but push buttons: Qt's own row of dialog buttons."""
    kids, left = children(acc, 20)
    return bool(kids) and not left and all(role_of(k) == pyatspi.ROLE_PUSH_BUTTON for k in kids)


def is_table_corner(acc):
    """The nameless first child of a table: the corner where its row and column headers meet, which Qt
    reports even when the row headers are hidden."""
    parent = safe(lambda: acc.parent, None)
    return (parent is not None and role_of(parent) == pyatspi.ROLE_TABLE
            and safe(acc.getIndexInParent, -1) == 0)


def check_names(window, label, qt_dialog=False):
    """Returns the failures of one window: controls that a screen reader would announce without a name.

    qt_dialog: the window is one of Qt's own dialogs (message box, file dialog), whose nameless row of
    buttons is only noted, since the program cannot name it. The program's windows get no such leave:
    their "Possible Answers" group holds only buttons too, and must keep its title."""
    failures = []
    for depth, acc in walk(window):
        if isinstance(acc, int):
            continue
        if role_of(acc) in NAMED_ROLES and not name_of(acc).strip():
            if qt_dialog and role_of(acc) == pyatspi.ROLE_PANEL and is_button_row(acc):
                log(f"note: {label}: nameless row of dialog buttons (Qt's own) at depth {depth}")
                continue
            if role_of(acc) == pyatspi.ROLE_PANEL and is_table_corner(acc):
                log(f"note: {label}: nameless corner of a table (Qt's own) at depth {depth}")
                continue
            failures.append(f"{label}: unnamed {role_name(acc)} at depth {depth}: {describe(acc)}")
    return failures


def print_tree(acc, header):
    log(header)
    for depth, item in walk(acc):
        if isinstance(item, int):
            log("  " * (depth + 1) + f"... {item} more children not shown")
        else:
            log("  " * (depth + 1) + describe(item))


def pump(seconds):
    """Runs the GLib main context so that AT-SPI events reach their listeners."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def press_and_watch(label, key, pattern, within):
    """Sends key, then reads the label's name until it matches; returns (passed, lines, event seen)."""
    lines = []
    events = []
    start = [0.0]

    def on_event(event):
        source = event.source
        events.append(
            (
                time.monotonic() - start[0],
                event.type,
                role_name(source),
                desc_of(source) == desc_of(label),
                str(event.any_data) if event.any_data is not None else "",
            )
        )

    kinds = ["object:property-change:accessible-name", "object:text-changed", "object:visible-data-changed"]
    for kind in kinds:
        pyatspi.Registry.registerEventListener(on_event, kind)
    # The program learns about new listeners over D-Bus; let that arrive before the key does.
    pump(0.8)

    before = name_of(label)
    lines.append(f"prompt name before key {key!r}: \"{short(before, 120)}\"")
    if re.search(pattern, before):
        lines.append(f"FAIL: the prompt already matched /{pattern}/ before the key, so the check would prove nothing")
        return False, lines, False

    events.clear()
    start[0] = time.monotonic()
    subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True, timeout=10)
    matched_at = None
    after = before
    while time.monotonic() - start[0] < within:
        pump(0.05)
        after = name_of(label)
        if re.search(pattern, after):
            matched_at = time.monotonic() - start[0]
            break
    # Give a late event a moment, still inside the program's feedback pause.
    pump(0.3)
    for kind in kinds:
        pyatspi.Registry.deregisterEventListener(on_event, kind)

    passed = matched_at is not None
    if passed:
        lines.append(f"prompt name {matched_at * 1000:.0f} ms after the key: \"{short(after, 120)}\"")
        lines.append(f"ok: the prompt's accessible name matches /{pattern}/")
    else:
        lines.append(f"prompt name {within:.1f} s after the key: \"{short(after, 120)}\"")
        lines.append(f"FAIL: the prompt's accessible name did not come to match /{pattern}/ within {within:.1f} s")

    from_label = [e for e in events if e[1] == "object:property-change:accessible-name" and e[3]]
    for at, kind, role, mine, data in events:
        lines.append(f"event {at * 1000:6.0f} ms {kind} from [{role}]{' (prompt)' if mine else ''} {short(data, 80)}")
    if from_label:
        lines.append(f"name-change event from the prompt: arrived ({len(from_label)}x, first after {from_label[0][0] * 1000:.0f} ms)")
    else:
        lines.append("name-change event from the prompt: did NOT arrive (a screen reader would not speak the feedback on its own)")
    return passed, lines, bool(from_label)


def locate(app, name, role, wait, by_desc=False, relative=False):
    """Finds a showing accessible by name or description (and role name, if given); returns its centre,
    on the screen or, with relative, from its window's corner (a Wayland client knows no other)."""
    deadline = time.monotonic() + wait
    while True:
        for top in children(app, 100)[0]:
            if "showing" not in states_of(top):
                continue
            for _, acc in walk(top, limit=200):
                if isinstance(acc, int) or (desc_of(acc) if by_desc else name_of(acc)) != name or (role and role_name(acc) != role):
                    continue
                if "showing" not in states_of(acc):
                    continue
                box = safe(lambda acc=acc: acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
                if box is not None and box.width > 0 and box.height > 0:
                    if relative:
                        corner = safe(lambda: top.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
                        if corner is None:
                            continue
                        box.x -= corner.x
                        box.y -= corner.y
                    return box.x + box.width // 2, box.y + box.height // 2
        if time.monotonic() >= deadline:
            return None
        time.sleep(0.3)


def open_menu(keys, wait):
    """Sends keys that open a popup menu and move into it; returns the menu, found through the focus
    event of its item (Qt lists no popup among an application's windows, as Orca finds them too)."""
    focused = []

    def on_event(event):
        if event.detail1 == 1 and role_of(event.source) == pyatspi.ROLE_MENU_ITEM:
            focused.append(event.source)

    kind = "object:state-changed:focused"
    pyatspi.Registry.registerEventListener(on_event, kind)
    pump(0.8)
    for key in keys.split():
        subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True, timeout=10)
        pump(0.3)
    deadline = time.monotonic() + wait
    while not focused and time.monotonic() < deadline:
        pump(0.1)
    pyatspi.Registry.deregisterEventListener(on_event, kind)
    return safe(lambda: focused[0].parent) if focused else None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--app", default="glossmere", help="part of the application's accessible name")
    parser.add_argument("--window", action="append", default=[], choices=sorted(WINDOW_MARKERS),
                        help="a window that must be showing; its tree is printed and checked (repeatable)")
    parser.add_argument("--all", action="store_true",
                        help="also print and check every other showing window (message boxes, file dialogs)")
    parser.add_argument("--expect-text", metavar="REGEX",
                        help="some showing accessible in any window must have a name matching this")
    parser.add_argument("--wait", type=float, default=20.0, help="seconds to wait for the program and windows")
    parser.add_argument("--label-desc", default=DEFAULT_LABEL_DESC, help="description of the test prompt label")
    parser.add_argument("--label-match", help="regular expression the prompt's name must match (after --press)")
    parser.add_argument("--label-not-match", help="regular expression the prompt's name must not match")
    parser.add_argument("--press", help="xdotool key name to send before reading the prompt again")
    parser.add_argument("--within", type=float, default=1.8, help="seconds allowed for the prompt to change")
    parser.add_argument("--require-event", action="store_true",
                        help="fail when no name-change event comes from the prompt")
    parser.add_argument("--locate", metavar="NAME", help="print the screen centre of a showing accessible and exit")
    parser.add_argument("--by-desc", action="store_true", help="with --locate: match the description, not the name")
    parser.add_argument("--relative", action="store_true",
                        help="with --locate: from the corner of the window's client area, not the screen's")
    parser.add_argument("--size", metavar="KIND", choices=sorted(WINDOW_MARKERS),
                        help="print the client area's width and height of that showing window and exit")
    parser.add_argument("--role", help="with --locate: the role name it must have (\"push button\")")
    parser.add_argument("--focused", action="store_true",
                        help="print the accessible that has the keyboard focus (and its window) and exit")
    parser.add_argument("--menu", metavar="KEYS",
                        help="xdotool keys that open a menu and move to an item (\"shift+F10 Down\"); prints the menu")
    parser.add_argument("--menu-name", help="with --menu: the menu's name")
    parser.add_argument("--menu-item", action="append", default=[],
                        help="with --menu: the name of an item the menu must hold (repeatable)")
    parser.add_argument("--quiet", action="store_true", help="do not print the trees")
    parser.add_argument("--deadline", type=int, default=90, help="hard limit for the whole run, in seconds")
    args = parser.parse_args()

    # Piped into head or grep: stop quietly when the reader is gone.
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)

    def out_of_time(*_):
        log(f"ERROR: no result after {args.deadline} s; the accessibility bus or the program is not answering")
        os._exit(2)

    signal.signal(signal.SIGALRM, out_of_time)
    signal.alarm(args.deadline)
    # A program that hangs must not hang this script: each D-Bus call gives up after 5 s.
    Atspi.set_timeout(5000, -1)

    app, names = find_app(args.app, args.wait)
    if app is None:
        log(f"ERROR: no application named like {args.app!r} on the accessibility bus; seen: {names}")
        return 2
    if args.focused:
        # Qt leaves the current cell of a list marked focused after the list has lost the focus:
        # such a cell counts only while its list is focused too.
        cells = {pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_ITEM, pyatspi.ROLE_LIST_ITEM}
        for index, top in enumerate(children(app, 100)[0]):
            if "showing" not in states_of(top):
                continue
            # The deepest: a focused list's focused cell rather than the list.
            focus = None
            for _, acc in walk(top, limit=200):
                if isinstance(acc, int) or "focused" not in states_of(acc):
                    continue
                if role_of(acc) in cells and "focused" not in states_of(safe(lambda acc=acc: acc.parent) or acc):
                    continue
                focus = acc
            if focus is not None:
                kinds = [k for k, m in WINDOW_MARKERS.items() if has_marker(top, m)]
                log(f"focus: {describe(focus)} in window {index} ({','.join(kinds) or short(name_of(top), 30)})")
                return 0
        log("focus: nothing in the program has the keyboard focus")
        return 1
    if args.size:
        _, found, missing = wait_for_windows(app, [args.size], args.wait)
        box = None if missing else safe(lambda: found[args.size].queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
        if box is None:
            log(f"ERROR: the {args.size} window is not showing")
            return 2
        log(f"{box.width} {box.height}")
        return 0
    if args.menu:
        menu = open_menu(args.menu, min(args.wait, 5))
        if menu is None:
            log(f"FAIL: no menu item took the focus after {args.menu!r}")
            return 1
        log(f"menu: {describe(menu)}")
        items = [kid for kid in children(menu, 100)[0]]
        for item in items:
            log(f"  {describe(item)}")
        failures = []
        if args.menu_name is not None and name_of(menu) != args.menu_name:
            failures.append(f"the menu is named {name_of(menu)!r}, not {args.menu_name!r}")
        names = {name_of(item) for item in items if role_of(item) == pyatspi.ROLE_MENU_ITEM}
        failures += [f"no menu item named {wanted!r}" for wanted in args.menu_item if wanted not in names]
        for failure in failures:
            log(f"FAIL: {failure}")
        log("RESULT: " + ("pass" if not failures else f"{len(failures)} check(s) failed"))
        return 0 if not failures else 1
    if args.locate:
        spot = locate(app, args.locate, args.role, args.wait, args.by_desc, args.relative)
        if spot is None:
            log(f"ERROR: nothing showing is named {args.locate!r}")
            return 2
        log(f"{spot[0]} {spot[1]}")
        return 0
    log(f"application: \"{name_of(app)}\" [{role_name(app)}] toolkit={safe(lambda: app.toolkitName, '?')}")

    failures = []
    # Waited for first, so that the window holding the text is among those listed and checked below.
    if args.expect_text:
        hit = None
        deadline = time.monotonic() + args.wait
        while hit is None:
            for top in children(app, 100)[0]:
                for _, acc in walk(top, limit=200):
                    if isinstance(acc, int) or "showing" not in states_of(acc):
                        continue
                    if re.search(args.expect_text, name_of(acc)):
                        hit = acc
                        break
                if hit is not None:
                    break
            if hit is None and time.monotonic() >= deadline:
                break
            if hit is None:
                time.sleep(0.3)
        if hit is None:
            failures.append(f"nothing showing has a name matching /{args.expect_text}/")
        else:
            log(f"found: {describe(hit)}")

    tops, found, missing = wait_for_windows(app, args.window, args.wait)
    log(f"top-level windows: {len(tops)}")
    for top in tops:
        kinds = [k for k, acc in found.items() if acc == top]
        log(f"  {describe(top)}  kind={','.join(kinds) or 'other'}")
    for kind in missing:
        failures.append(f"window '{kind}' (holding \"{WINDOW_MARKERS[kind]}\") is not showing")

    for kind in args.window:
        if kind in missing:
            continue
        window = found[kind]
        if not args.quiet:
            print_tree(window, f"--- tree of the {kind} window ---")
        window_failures = check_names(window, kind)
        failures += window_failures
        log(f"{kind} window: {'every control has a name' if not window_failures else str(len(window_failures)) + ' unnamed control(s)'}")

    if args.all:
        checked = {found[k] for k in args.window if k in found}
        for index, top in enumerate(tops):
            if top in checked or "showing" not in states_of(top):
                continue
            label = f"window {index} \"{short(name_of(top), 40)}\""
            if not args.quiet:
                print_tree(top, f"--- tree of {label} ---")
            window_failures = check_names(top, label, qt_dialog=True)
            failures += window_failures
            log(f"{label}: {'every control has a name' if not window_failures else str(len(window_failures)) + ' unnamed control(s)'}")

    if args.label_match or args.label_not_match or args.press:
        window = found.get("test")
        label = find_label(window, args.label_desc) if window is not None else None
        if label is None:
            failures.append(f"no accessible with the description \"{args.label_desc}\" in the test window")
        else:
            if args.press:
                if not args.label_match:
                    parser.error("--press needs --label-match")
                passed, lines, event_seen = press_and_watch(label, args.press, args.label_match, args.within)
                for line in lines:
                    log(line)
                if not passed:
                    failures.append("the prompt's accessible name did not announce the feedback")
                if args.require_event and not event_seen:
                    failures.append("no name-change event came from the prompt")
            else:
                name = name_of(label)
                log(f"prompt label name: \"{short(name, 160)}\"")
                if args.label_match and not re.search(args.label_match, name):
                    failures.append(f"prompt name does not match /{args.label_match}/")
                if args.label_not_match and re.search(args.label_not_match, name):
                    failures.append(f"prompt name matches /{args.label_not_match}/ but should not")
                if not name.strip():
                    failures.append("the prompt label has an empty name")

    for failure in failures:
        log(f"FAIL: {failure}")
    log("RESULT: " + ("pass" if not failures else f"{len(failures)} check(s) failed"))
    return 0 if not failures else 1


if __name__ == "__main__":
    sys.exit(main())
