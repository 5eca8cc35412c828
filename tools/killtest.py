#!/usr/bin/python3
"""Kills Glossmere at random moments and checks what survives: the safety copy and the saved file.

Run by tools/killtest.sh inside its own Xvfb display and D-Bus session; not meant to be run alone.
The script drives the real program like a user (xdotool for keys and clicks, AT-SPI to find the
controls and read the questions), keeps its own model of the list after every edit it made, and
after every SIGKILL checks:
  * the copy left behind (if any) holds exactly one of the states the list had after an edit;
  * the next start asks exactly when such a copy exists, naming its number of entries;
  * Yes brings that list back with its file name, counting as unsaved (the new session copies it);
    No removes the copy and leaves the list empty;
  * the saved file is always one whole version that was saved, never a partial one;
  * an unsaved list older than the copy delay is never lost.
"""

import argparse
import glob
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
DEF_HEADER = b"Valid Definition File\r\n"
# The copy is due at most 2 s after the first change it does not hold; what the program needs beyond
# that on a loaded 2-core machine is allowed here before an unsaved list counts as lost.
COPY_LATEST = 2.0
COPY_SLACK = 2.0


# ---------------------------------------------------------------- AT-SPI helper (a subprocess) ----

def atspi_main(mode, wait):
    sys.path.insert(0, os.path.join(HERE, "a11y"))
    import atspi_tree as at  # noqa: E402
    import pyatspi  # noqa: E402

    def centre(acc):
        box = at.safe(lambda: acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
        if box is None or box.width <= 0 or box.height <= 0:
            return None
        return [box.x + box.width // 2, box.y + box.height // 2]

    deadline = time.monotonic() + wait
    app, _ = at.find_app("glossmere", wait)
    if app is None:
        print(json.dumps({"error": "no program on the accessibility bus"}))
        return 2
    while True:
        result = {}
        tops, found = at.classify_windows(app)
        if mode == "layout":
            main = found.get("main")
            if main is not None:
                for _, acc in at.walk(main, limit=200):
                    if isinstance(acc, int):
                        continue
                    if at.role_name(acc) in ("push button", "text") and at.name_of(acc):
                        spot = centre(acc)
                        if spot:
                            result[at.name_of(acc)] = spot
            if "Save Term/Defs To Text File" in result and "Term" in result:
                print(json.dumps(result))
                return 0
        elif mode in ("question", "confirm"):
            pattern = "did not close normally" if mode == "question" else "Are you sure|have not been saved"
            for top in tops:
                if "showing" not in at.states_of(top) or top == found.get("main"):
                    continue
                text, yes, no = None, None, None
                for _, acc in at.walk(top, limit=50, max_depth=8):
                    if isinstance(acc, int):
                        continue
                    name = at.name_of(acc)
                    if re.search(pattern, name):
                        text = name
                    elif at.role_name(acc) == "push button" and name in ("Yes", "&Yes"):
                        yes = centre(acc)
                    elif at.role_name(acc) == "push button" and name in ("No", "&No"):
                        no = centre(acc)
                if text and yes and no:
                    print(json.dumps({"text": text, "yes": yes, "no": no}))
                    return 0
        elif mode == "rows":
            main = found.get("main")
            if main is not None:
                for _, acc in at.walk(main, limit=40, max_depth=10):
                    if isinstance(acc, int) or at.name_of(acc) != "Term list":
                        continue
                    table = at.safe(acc.queryTable)
                    rows = at.safe(lambda: table.nRows, -1) if table is not None else -1
                    cells = []
                    for kid in at.children(acc, 60)[0]:
                        if at.role_name(kid) in ("table cell", "tree item") and "showing" in at.states_of(kid):
                            spot = centre(kid)
                            if spot:
                                cells.append([at.name_of(kid)] + spot)
                    print(json.dumps({"rows": rows, "cells": cells}))
                    return 0
        if time.monotonic() >= deadline:
            print(json.dumps({"error": f"{mode}: nothing found within {wait} s"}))
            return 1
        time.sleep(0.15)


def atspi(mode, wait=8.0):
    try:
        out = subprocess.run([sys.executable, os.path.abspath(__file__), "--atspi", mode, "--wait", str(wait)],
                             capture_output=True, text=True, timeout=wait + 25)
    except subprocess.TimeoutExpired:
        return {"error": f"{mode}: the AT-SPI helper hung"}
    lines = [line for line in out.stdout.splitlines() if line.startswith("{")]
    return json.loads(lines[-1]) if lines else {"error": f"{mode}: {out.stderr.strip()[-300:]}"}


# ------------------------------------------------------------------------------- file formats ----

def encode_definition_file(entries):
    return DEF_HEADER + b"".join(f"{t}::{d}\r\n".encode() for t, d in entries)


class CopyDamaged(Exception):
    pass


def decode_copy(data):
    """The copy's entries, file name, count and whether it holds typed texts (the format of
    encodeSafetyCopy), or CopyDamaged."""
    magic = b"Glossmere safety copy\r\n"
    trailer = b"End of safety copy\r\n"
    if not data.startswith(magic) or not data.endswith(trailer):
        raise CopyDamaged("no magic line or no trailer")
    lines = data[len(magic):-len(trailer)].split(b"\r\n")
    # What the Term and Definition boxes held, when a write fell in the middle of typing.
    typed = len(lines) > 1 and lines[1].startswith(b"Typed: ")
    if typed:
        del lines[1]
    if len(lines) < 4 or not lines[0].startswith(b"File: ") or not lines[1].startswith(b"Entries: "):
        raise CopyDamaged("header")
    file_name = urllib.parse.unquote(lines[0][6:].decode())
    count = int(lines[1][9:])
    kind = lines[2]
    if lines[3] != b"Valid Definition File" or lines[-1] != b"":
        raise CopyDamaged("body header")
    entries = []
    for line in lines[4:-1]:
        text = line.decode()
        if kind == b"Texts: tab-separated":
            term, _, definition = text.partition("\t")
        elif kind == b"Texts: percent-encoded":
            term, _, definition = text.partition("::")
            term, definition = urllib.parse.unquote(term), urllib.parse.unquote(definition)
        else:
            raise CopyDamaged("kind of texts")
        entries.append((term, definition))
    if len(entries) != count:
        raise CopyDamaged(f"{len(entries)} of {count} entries")
    return tuple(entries), file_name, count, typed


# ------------------------------------------------------------------------------------ driver ----

class Mismatch(Exception):
    pass


class Run:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.work = args.work
        self.data = os.path.join(os.environ["XDG_DATA_HOME"], "Tamberlux", "glossmere")
        self.saved_path = os.path.join(self.work, "lists", "my list.txt")
        self.scratch_path = os.path.join(self.work, "lists", "scratch.txt")
        self.big_path = os.path.join(self.work, "lists", "big.txt")
        os.makedirs(os.path.dirname(self.saved_path), exist_ok=True)
        self.big = tuple((f"big{i:06d}", f"entry number {i} of the big list") for i in range(args.big))
        with open(self.big_path, "wb") as f:
            f.write(encode_definition_file(self.big))
        self.proc = None
        self.layout = None
        self.origin = None
        self.counter = 0
        # The list as the program holds it, and every state it had since this session started.
        self.entries = ()
        self.file_name = ""
        self.unsaved = False
        self.unsaved_since = None
        self.restored_unedited = False
        self.states = []
        # The saved file: the version known to be there, and those a killed save may have left.
        self.file_known = None
        self.file_maybe = []
        self.stats = dict(kills=0, offered=0, restored=0, declined=0, nocopy=0, during_save=0,
                          during_copy=0, after_restore=0, mismatches=0, lost=0, scratch_checks=0,
                          big_imports=0, saves=0, clears=0, removes=0, adds=0, late_copies=0,
                          enter_again=0, file_new=0, file_old=0, nocopy_young=0)
        self.saving = False
        self.kill_now = False
        self.last_edit = time.monotonic()
        self.log = open(os.path.join(self.work, "app.log"), "ab")

    # -- the program ------------------------------------------------------------------------------

    def start(self):
        self.proc = subprocess.Popen([self.args.bin], stdout=self.log, stderr=subprocess.STDOUT)
        with open(os.path.join(self.work, "app.pid"), "w") as f:
            f.write(str(self.proc.pid))
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            wids = self.windows("Glossmere")
            if wids:
                return
            if self.proc.poll() is not None:
                raise Mismatch(f"the program ended by itself at start-up (status {self.proc.returncode})")
            time.sleep(0.05)
        raise Mismatch("no main window within 20 s")

    def kill(self):
        if self.proc.poll() is not None:
            raise Mismatch(f"the program ended by itself (status {self.proc.returncode}) before the kill")
        os.kill(self.proc.pid, signal.SIGKILL)
        self.proc.wait()
        self.proc = None
        self.stats["kills"] += 1

    def windows(self, title):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                             capture_output=True, text=True, timeout=20)
        return out.stdout.split()

    def main_origin(self):
        best = None
        for wid in self.windows("Glossmere"):
            out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid], capture_output=True,
                                 text=True, timeout=20).stdout
            g = dict(line.split("=", 1) for line in out.split() if "=" in line)
            area = int(g["WIDTH"]) * int(g["HEIGHT"])
            if best is None or area > best[0]:
                best = (area, int(g["X"]), int(g["Y"]))
        if best is None:
            raise Mismatch("the main window is gone")
        return best[1], best[2]

    def click(self, x, y):
        # Clicks come no faster than a double-click's time apart, as a user's do: a second press
        # within it in a window the first one opened is ignored by the program.
        wait = getattr(self, "last_click", 0) + 0.5 - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], timeout=20)
        self.last_click = time.monotonic()

    def control(self, name):
        x, y = self.layout[name]
        ox, oy = self.origin
        self.click(ox + x, oy + y)

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], timeout=20)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "6", text], timeout=60)

    def wait_window(self, title, seconds, present=True):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if bool(self.windows(title)) == present:
                return True
            time.sleep(0.04)
        return False

    def answer(self, mode, yes):
        box = atspi(mode, 10)
        if "error" in box:
            raise Mismatch(box["error"])
        self.click(*box["yes" if yes else "no"])
        return box["text"]

    # -- the model --------------------------------------------------------------------------------

    def changed(self, entries, file_name=None):
        self.entries = tuple(entries)
        if file_name is not None:
            self.file_name = file_name
        if not self.unsaved:
            self.unsaved_since = time.monotonic()
        self.unsaved = True
        self.restored_unedited = False
        self.states.append((self.entries, self.file_name))
        self.last_edit = time.monotonic()

    def up_to_date(self, file_name):
        self.file_name = file_name
        self.unsaved = False
        self.unsaved_since = None
        self.restored_unedited = False

    def new_session(self, entries, file_name, unsaved):
        self.entries, self.file_name = tuple(entries), file_name
        self.states = [(self.entries, self.file_name)] if unsaved else []
        self.unsaved = unsaved
        self.unsaved_since = time.monotonic() if unsaved else None
        self.restored_unedited = unsaved
        self.last_edit = time.monotonic()

    # -- user actions -----------------------------------------------------------------------------

    def add(self):
        self.counter += 1
        n = self.counter
        term = f"w{n}{self.rng.choice(['a', 'ka', 'lo', 'mir', 'tes'])}"
        definition = f"meaning {n} {self.rng.choice(['of a word', 'two  spaces', 'x'])}"
        self.control("Term")
        self.type(term)
        self.key("Return")
        self.type(definition)
        self.key("Return")
        time.sleep(0.05)
        self.changed(self.entries + ((term, definition),))
        self.stats["adds"] += 1

    def clear(self):
        self.control("Clear List")
        if self.entries:
            self.answer("confirm", True)
            self.changed(())
            self.stats["clears"] += 1
        time.sleep(0.1)

    def remove(self):
        view = atspi("rows", 5)
        cells = {c[0]: c[1:] for c in view.get("cells", [])}
        choices = [i for i, (t, _) in enumerate(self.entries[:8]) if t in cells]
        if not choices:
            return False
        i = self.rng.choice(choices)
        self.click(*cells[self.entries[i][0]])
        time.sleep(0.1)
        self.control("Remove Selected Term/Def")
        self.answer("confirm", True)
        self.changed(self.entries[:i] + self.entries[i + 1:])
        self.stats["removes"] += 1
        time.sleep(0.1)
        return True

    def import_big(self):
        self.control("Load Term/Defs From Text File")
        if not self.wait_window("Add File.*", 10):
            raise Mismatch("no open dialog")
        self.key("ctrl+a")
        self.type(self.big_path)
        self.key("Return")
        if self.unsaved:
            if not self.wait_window("Unsaved Changes", 10):
                raise Mismatch("no \"Unsaved Changes\" question")
            self.answer("confirm", True)
        # The separator question offers "::": Enter takes it.
        deadline = time.monotonic() + 10
        while len(self.windows("Glossmere")) < 2:
            if time.monotonic() > deadline:
                raise Mismatch("no separator question")
            time.sleep(0.05)
        time.sleep(0.2)
        self.key("Return")
        deadline = time.monotonic() + 20
        # The list is in once the window is alone again.
        while time.monotonic() < deadline and len(self.windows("Glossmere")) > 1:
            time.sleep(0.05)
        time.sleep(0.3)
        self.entries = self.big
        self.up_to_date(os.path.basename(self.big_path))
        self.stats["big_imports"] += 1

    def open_save_dialog(self, path):
        self.control("Save Term/Defs To Text File")
        if not self.wait_window("Saving Definition File", 10):
            raise Mismatch("no save dialog")
        self.key("ctrl+a")
        self.type(path)
        self.key("Return")

    def save(self, path, wait=True):
        self.open_save_dialog(path)
        self.stats["saves"] += 1
        if not wait:
            return
        if not self.wait_window("Saving Definition File", 1.5, present=False):
            # A completion popup may take the first Enter.
            self.stats["enter_again"] += 1
            self.key("Return")
            if not self.wait_window("Saving Definition File", 5, present=False):
                raise Mismatch("the save dialog stays open")
        expected = encode_definition_file(self.entries)
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if os.path.exists(path) and open(path, "rb").read() == expected:
                break
            time.sleep(0.05)
        else:
            raise Mismatch(f"{os.path.basename(path)} does not hold the list after a save")
        # The list keeps the file's name without its folder.
        self.up_to_date(os.path.basename(path))
        if path == self.saved_path:
            self.file_known, self.file_maybe = expected, []

    # -- checks -----------------------------------------------------------------------------------

    def copies(self):
        return sorted(glob.glob(os.path.join(self.data, "*.copy")))

    def check_saved_file(self, note):
        if not os.path.exists(self.saved_path):
            if self.file_known is None:
                return False
            raise Mismatch("the saved file vanished")
        data = open(self.saved_path, "rb").read()
        allowed = ([self.file_known] if self.file_known is not None else []) + self.file_maybe
        if data not in allowed:
            raise Mismatch(f"the saved file ({len(data)} bytes) is none of the {len(allowed)} saved versions")
        new = bool(self.file_maybe) and data != self.file_known
        if self.file_maybe:
            note.append("file " + ("new" if new else "old"))
            self.stats["file_new" if new else "file_old"] += 1
        self.file_known, self.file_maybe = data, []
        return new

    def check_after_kill(self, note):
        """Returns what the next start must offer: (entries, file name) or None."""
        file_new = self.check_saved_file(note)
        found = self.copies()
        if len(found) > 1:
            raise Mismatch(f"{len(found)} copies after one kill: {found}")
        if not found and self.saving and file_new:
            # The save got through and removed the copy: the list was up to date.
            return None
        if not found:
            age = time.monotonic() - self.unsaved_since if self.unsaved else 0
            if self.unsaved and self.restored_unedited:
                self.stats["lost"] += 1
                raise Mismatch(f"the restored list (unsaved, {len(self.entries)} entries) was lost: "
                               f"no copy {age:.1f} s after the restore")
            if self.unsaved and age > COPY_LATEST + COPY_SLACK:
                self.stats["lost"] += 1
                raise Mismatch(f"unsaved for {age:.1f} s, yet no copy")
            if self.unsaved:
                # Edited less than the copy delay ago: nothing was due yet.
                self.stats["nocopy_young"] += 1
                note.append(f"no copy, unsaved for {age:.1f} s only")
            return None
        try:
            entries, file_name, count, typed = decode_copy(open(found[0], "rb").read())
        except CopyDamaged as damage:
            raise Mismatch(f"the copy is damaged: {damage}")
        mode = os.stat(found[0]).st_mode & 0o777
        if mode != 0o600:
            raise Mismatch(f"the copy has mode {mode:o}")
        if (entries, file_name) not in self.states:
            raise Mismatch(f"the copy ({count} entries, file \"{file_name}\") is none of the "
                           f"{len(self.states)} states of the session")
        position = len(self.states) - 1 - self.states[::-1].index((entries, file_name))
        if self.unsaved and (entries, file_name) != self.states[-1] \
                and time.monotonic() - self.last_edit > COPY_LATEST + COPY_SLACK:
            self.stats["late_copies"] += 1
            note.append("LATE copy")
        note.append(f"copy = state {position + 1}/{len(self.states)} ({count} entries)")
        return entries, file_name, typed

    def restart(self, offered, note):
        self.start()
        # A copy of an empty list with nothing typed holds nothing to offer: it is removed without a question.
        if offered is not None and not offered[0] and not offered[2]:
            offered = None
        if offered is None:
            # Nothing to offer: the window must stay alone.
            time.sleep(1.2)
            if len(self.windows("Glossmere")) > 1:
                raise Mismatch("a question appeared although no copy was left")
            self.stats["nocopy"] += 1
            self.new_session((), "", False)
            return "none"
        entries, file_name, typed = offered
        # The model knows no boxes: a copy caught in the middle of typing is declined.
        yes = self.rng.random() < 0.8 and not typed
        box = atspi("question", 15)
        if "error" in box:
            raise Mismatch(f"no recovery question for a copy of {len(entries)} entries ({box['error']})")
        count = "1 entry" if len(entries) == 1 else f"{len(entries)} entries"
        if typed:
            count += " and text typed"
        wanted = f"Glossmere did not close normally. Restore the unsaved list from that session ({count})?"
        if box["text"] != wanted:
            raise Mismatch(f"the question reads \"{box['text']}\"")
        self.stats["offered"] += 1
        self.click(*box["yes" if yes else "no"])
        if not self.wait_window("Glossmere", 5, present=True):
            raise Mismatch("main window gone")
        deadline = time.monotonic() + 10
        while len(self.windows("Glossmere")) > 1 and time.monotonic() < deadline:
            time.sleep(0.05)
        if yes:
            self.stats["restored"] += 1
            self.new_session(entries, file_name, True)
            return "yes"
        self.stats["declined"] += 1
        time.sleep(0.3)
        if self.copies():
            raise Mismatch(f"after No a copy is still there: {self.copies()}")
        view = atspi("rows", 5)
        if view.get("rows") != 0 or view.get("cells"):
            raise Mismatch(f"after No the list is not empty: {view}")
        self.new_session((), "", False)
        return "no"

    def check_restored(self, note):
        """The new session holds the restored list as unsaved: its own copy follows within the delay."""
        deadline = time.monotonic() + COPY_LATEST + COPY_SLACK + 1
        pid = self.proc.pid
        while time.monotonic() < deadline:
            own = glob.glob(os.path.join(self.data, f"session-{pid}-*.copy"))
            if own:
                try:
                    entries, file_name, _, _ = decode_copy(open(own[0], "rb").read())
                except (CopyDamaged, OSError):
                    time.sleep(0.1)
                    continue
                if (entries, file_name) != (self.entries, self.file_name):
                    raise Mismatch("the restored session's copy differs from the offered list")
                note.append("restored copy ok")
                break
            time.sleep(0.1)
        else:
            raise Mismatch("the restored list is not copied again: not counted as unsaved?")
        if self.rng.random() < 0.3:
            self.save(self.scratch_path)
            note.append("scratch save ok")
            self.stats["scratch_checks"] += 1

    # -- the loop ---------------------------------------------------------------------------------

    def edits(self):
        for _ in range(self.rng.randint(1, 5)):
            r = self.rng.random()
            if r < 0.06 and self.args.big:
                self.import_big()
            elif r < 0.12:
                self.clear()
            elif r < 0.22 and 0 < len(self.entries) <= 40:
                if not self.remove():
                    self.add()
            elif r < 0.32:
                self.save(self.saved_path)
            else:
                self.add()

    def cycle(self, number):
        note = []
        how = self.rng.random()
        self.saving = False
        if self.kill_now:
            # Right after the restore, before the new session has had time to copy the list.
            self.kill_now = False
            time.sleep(self.rng.uniform(0.0, 0.7))
            kind = "after restore"
            self.stats["after_restore"] += 1
        else:
            self.edits()
            if how < 0.45:
                if not self.unsaved:
                    self.add()
                time.sleep(self.rng.uniform(0.9, 2.2))
                kind = "copy write"
                self.stats["during_copy"] += 1
            elif how < 0.70:
                if self.rng.random() < 0.5 and self.args.big and len(self.entries) < len(self.big):
                    self.import_big()
                    self.add()
                self.file_maybe.append(encode_definition_file(self.entries))
                self.open_save_dialog(self.saved_path)
                self.stats["saves"] += 1
                time.sleep(self.rng.uniform(0.0, 0.25))
                kind = f"save of {len(self.entries)}"
                self.stats["during_save"] += 1
                self.saving = True
            elif how < 0.80:
                self.save(self.saved_path)
                time.sleep(self.rng.uniform(0.0, 1.0))
                kind = "after save"
            else:
                time.sleep(self.rng.uniform(0.0, 4.0))
                kind = "random"
        self.kill()
        offered = self.check_after_kill(note)
        answer = self.restart(offered, note)
        if answer == "yes":
            if self.rng.random() < self.args.after_restore:
                self.kill_now = True
            else:
                self.check_restored(note)
        return kind, answer, note

    def run(self):
        started = time.monotonic()
        self.start()
        self.layout = atspi("layout", 15)
        if "error" in self.layout:
            raise SystemExit(f"cannot find the controls: {self.layout['error']}")
        self.origin = self.main_origin()
        ox, oy = self.origin
        self.layout = {k: [v[0] - ox, v[1] - oy] for k, v in self.layout.items()}
        self.new_session((), "", False)
        failures = 0
        for number in range(1, self.args.kills + 1):
            try:
                self.origin = self.main_origin()
                kind, answer, note = self.cycle(number)
                print(f"kill {number:3}/{self.args.kills} [{kind}] -> {answer}; {', '.join(note)}", flush=True)
            except Mismatch as failure:
                failures += 1
                self.stats["mismatches"] += 1
                print(f"kill {number:3}/{self.args.kills} MISMATCH: {failure}", flush=True)
                # Start over from a clean state so that one failure does not cascade.
                if self.proc is not None:
                    self.kill()
                    self.stats["kills"] -= 1
                for path in self.copies():
                    os.remove(path)
                if os.path.exists(self.saved_path):
                    self.file_known = open(self.saved_path, "rb").read()
                self.file_maybe = []
                self.kill_now = False
                self.start()
                self.new_session((), "", False)
        if self.proc is not None:
            self.kill()
            self.stats["kills"] -= 1  # the last one only ends the run
        # Whatever a killed save or copy write left behind besides the files themselves.
        lists = sorted(set(os.listdir(os.path.dirname(self.saved_path)))
                       - {os.path.basename(p) for p in (self.saved_path, self.scratch_path, self.big_path)})
        data = [n for n in os.listdir(self.data) if not n.endswith((".copy", ".lock"))]
        if lists or data:
            print(f"left behind: {lists + data}")
        s = self.stats
        minutes = (time.monotonic() - started) / 60
        print(f"details: {s['restored']} restored exactly, {s['declined']} declined, {s['during_save']} kills "
              f"during a save (file then old {s['file_old']}, new {s['file_new']}), {s['during_copy']} around a copy write, {s['after_restore']} right after a "
              f"restore, {s['late_copies']} late copies, {s['lost']} lost lists; {s['adds']} adds, "
              f"{s['removes']} removes, {s['clears']} clears, {s['saves']} saves, {s['big_imports']} imports of "
              f"{len(self.big)} entries, {s['scratch_checks']} scratch saves compared, "
              f"{s['enter_again']} second Enters, {len(lists) + len(data)} temporary files left behind; {minutes:.1f} min; seed {self.args.seed}")
        print(f"{s['kills']} kills: {s['offered']} offered and checked, {s['nocopy'] - s['nocopy_young']} with no "
              f"copy (list up to date), {s['nocopy_young']} with no copy (edited within the copy delay), "
              f"{s['mismatches']} mismatches")
        return 1 if s["mismatches"] else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--atspi")
    parser.add_argument("--wait", type=float, default=8)
    parser.add_argument("--bin")
    parser.add_argument("--work")
    parser.add_argument("--kills", type=int, default=200)
    parser.add_argument("--big", type=int, default=200000)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--after-restore", type=float, default=0.15,
                        help="share of restores followed at once by the next kill")
    args = parser.parse_args()
    if args.atspi:
        return atspi_main(args.atspi, args.wait)
    if args.seed is None:
        args.seed = random.randrange(1 << 31)
    return Run(args).run()


if __name__ == "__main__":
    sys.exit(main())
