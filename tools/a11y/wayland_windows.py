#!/usr/bin/python3
"""Reads weston's protocol log (`weston-debug proto`) and tells what a Wayland client made of its windows.

Windows are numbered in the order the program made them (an index stays valid as the log grows).
  LOG list                 one JSON line per window: title, parent's index, fixed size (set_min_size =
                           set_max_size), window geometry, maximise requests, whether it is still there
  LOG expect TITLE [--wait S] [--parent N|none] [--size W H] [--unmaximised]
                           waits for the newest window so titled and checks it; prints its index and
                           what it is; exit 1 on a fault
  LOG alive TITLE          the index of the newest window so titled that is still there
  LOG popups               how many drop-downs and menus (xdg_popup) are open
  LOG width N              the width of window N's surface
  LOG locate TITLE         the top-left corner on the screen of the newest window so titled
  LOG spot-beside N M      a spot on the screen inside window N that window M does not cover
  LOG front N              the index of the window in front at the centre of window N ("hidden" when
                           no part of N can be reached)

The program's windows are those of the client that made the first window titled --title (default
"Glossmere"); other clients (weston's panel and keyboard) are left out. A window's place comes from
the pointer, moved with xdotool: weston tells a client where over its surface the pointer is, and the
pointer's place on the screen is where xdotool put it (weston's X11 output starts at the X screen's
corner, at scale 1).
"""

import argparse
import json
import re
import subprocess
import sys
import time

LINE = re.compile(r"client (0x[0-9a-f]+) (rq|ev) (\w+)@(\d+)\.(\w+)\((.*)\)\s*$")


def ints(text):
    return [int(float(v)) for v in re.findall(r"-?\d+(?:\.\d+)?", text)]


class Window:
    def __init__(self, client, toplevel, xdg_surface, surface):
        self.client = client
        self.toplevel = toplevel
        self.xdg_surface = xdg_surface
        self.surface = surface
        self.title = ""
        self.parent = None
        self.min_size = None
        self.max_size = None
        self.geometry = None
        self.maximize_requests = 0
        self.unmaximize_requests = 0
        self.alive = True


class Log:
    def __init__(self, path, app_title):
        self.windows = []
        self.popups = {}
        self.pointer = {}  # client -> (wl_surface id, x, y) of the pointer's last report
        self.app_title = app_title
        self.app = None
        self._xdg_surfaces = {}  # (client, xdg_surface id) -> wl_surface id
        self._toplevels = {}  # (client, xdg_toplevel id) -> Window
        self._file = open(path, errors="replace")
        self._rest = ""
        self.read_on()

    def read_on(self):
        """Takes in what the log has gained since the last read."""
        text = self._rest + self._file.read()
        lines = text.split("\n")
        self._rest = lines.pop()
        xdg_surfaces = self._xdg_surfaces
        toplevels = self._toplevels
        for line in lines:
            m = LINE.search(line)
            if not m:
                continue
            client, kind, iface, obj, msg, args = m.groups()
            key = (client, obj)
            if iface == "xdg_wm_base" and msg == "get_xdg_surface":
                new, surface = re.findall(r"@(\d+)", args)[:2]
                xdg_surfaces[(client, new)] = surface
            elif iface == "xdg_surface" and msg == "get_toplevel":
                new = re.findall(r"@(\d+)", args)[0]
                window = Window(client, new, obj, xdg_surfaces.get(key))
                toplevels[(client, new)] = window
                self.windows.append(window)
            elif iface == "xdg_surface" and msg == "get_popup":
                new = re.findall(r"@(\d+)", args)[0]
                self.popups[(client, new)] = True
            elif iface == "xdg_popup" and msg == "destroy":
                self.popups.pop(key, None)
            elif iface == "xdg_surface" and msg == "set_window_geometry":
                for window in self.windows:
                    if window.alive and window.client == client and window.xdg_surface == obj:
                        window.geometry = ints(args)
            elif iface == "xdg_toplevel" and key in toplevels:
                window = toplevels[key]
                if msg == "set_title":
                    window.title = json.loads(args) if args.startswith('"') else args
                elif msg == "set_parent":
                    parent = re.findall(r"@(\d+)", args)
                    window.parent = toplevels.get((client, parent[0])) if parent else None
                elif msg == "set_min_size":
                    window.min_size = ints(args)
                elif msg == "set_max_size":
                    window.max_size = ints(args)
                elif msg == "set_maximized":
                    window.maximize_requests += 1
                elif msg == "unset_maximized":
                    window.unmaximize_requests += 1
                elif msg == "destroy":
                    window.alive = False
                    del toplevels[key]
            elif iface.startswith("wl_pointer") and msg in ("enter", "motion"):
                values = args.split(",")
                if msg == "enter":
                    surface = re.findall(r"@(\d+)", args)[0]
                    self.pointer[client] = (surface, float(values[-2]), float(values[-1]))
                elif client in self.pointer:
                    surface = self.pointer[client][0]
                    self.pointer[client] = (surface, float(values[-2]), float(values[-1]))
            elif iface.startswith("wl_pointer") and msg == "leave":
                self.pointer.pop(client, None)
        if self.app is None:
            first = next((w for w in self.windows if w.title == self.app_title), None)
            self.app = first.client if first else None

    def program_windows(self):
        return [w for w in self.windows if w.client == self.app]

    def newest(self, title):
        found = [w for w in self.program_windows() if w.alive and w.title == title]
        return found[-1] if found else None

    def window_of_surface(self, client, surface):
        for window in reversed(self.windows):
            if window.alive and window.client == client and window.surface == surface:
                return window
        return None


# Qt's own title bar on a surface: 30 pixels above the client area, 3 around the rest.
FRAME_WIDTH, FRAME_HEIGHT = 6, 33


def describe(window, log):
    windows = log.program_windows()
    parent = windows.index(window.parent) if window.parent in windows else None
    return {
        "index": windows.index(window),
        "title": window.title,
        "parent": parent,
        "fixed": window.min_size is not None and window.min_size == window.max_size and window.min_size != [0, 0],
        "min": window.min_size,
        "max": window.max_size,
        "geometry": window.geometry,
        "maximize_requests": window.maximize_requests,
        "unmaximize_requests": window.unmaximize_requests,
        "alive": window.alive,
    }


def move(x, y):
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True, timeout=10)


def settle(log):
    time.sleep(0.15)
    log.read_on()
    return log.pointer.get(log.app)


def under_pointer(log, x, y):
    """The program's window under the screen spot x, y (None when none), after a wiggle there."""
    move(x + 1, y)
    time.sleep(0.1)
    move(x, y)
    spot = settle(log)
    return log.window_of_surface(log.app, spot[0]) if spot else None


def locate(log, target, width=1024, height=768):
    """The top-left corner of the window on the screen, or None when no part of it can be reached."""
    for step in (96, 48, 24):
        for y in range(step // 2, height, step):
            for x in range(step // 2, width, step):
                move(x, y)
                time.sleep(0.03)
                log.read_on()
                spot = log.pointer.get(log.app)
                if spot is None or log.window_of_surface(log.app, spot[0]) is not target:
                    continue
                # Read again once the pointer has settled, so the report is this spot's.
                spot = settle(log)
                if spot is not None and log.window_of_surface(log.app, spot[0]) is target:
                    return round(x - spot[1]), round(y - spot[2])
    return None


def size_of(window):
    return window.geometry[2:] if window.geometry else [0, 0]


def expect(log, args):
    """Waits for the newest window titled args.name and checks it; returns (passed, line)."""
    deadline = time.monotonic() + args.wait
    window = log.newest(args.name)
    while window is None and time.monotonic() < deadline:
        time.sleep(0.2)
        log.read_on()
        window = log.newest(args.name)
    if window is None:
        return False, f"no window titled \"{args.name}\""
    # The size and parent are set before the window is first drawn; give that a moment.
    time.sleep(0.3)
    log.read_on()
    info = describe(window, log)
    faults = []
    if args.parent == "none" and info["parent"] is not None:
        faults.append(f"has window {info['parent']} for parent, none expected")
    elif args.parent not in (None, "none") and info["parent"] != int(args.parent):
        faults.append(f"has {'no parent' if info['parent'] is None else 'window %s for parent' % info['parent']}, "
                      f"window {args.parent} expected")
    if args.size:
        want = list(args.size)
        if not info["fixed"] or info["min"] != want:
            faults.append(f"is not fixed at {want[0]} x {want[1]} (min {info['min']}, max {info['max']})")
        if size_of(window) != [want[0] + FRAME_WIDTH, want[1] + FRAME_HEIGHT]:
            faults.append(f"has the surface {size_of(window)}, not the designed size and the title bar")
    if args.unmaximised and info["maximize_requests"]:
        faults.append(f"asked to be maximised ({info['maximize_requests']}x)")
    parent = "no parent" if info["parent"] is None else f"parent window {info['parent']}"
    size = f", fixed {info['min'][0]} x {info['min'][1]}" if info["fixed"] else ""
    text = f"window {info['index']} \"{window.title}\" ({parent}{size})"
    if faults:
        return False, f"{info['index']} {text} " + "; ".join(faults)
    return True, f"{info['index']} {text}"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("log")
    parser.add_argument("--title", default="Glossmere", help="title of the program's first window")
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("list")
    sub.add_parser("popups")
    p = sub.add_parser("expect")
    p.add_argument("name")
    p.add_argument("--wait", type=float, default=0)
    p.add_argument("--parent", help="index of the parent window, or none")
    p.add_argument("--size", type=int, nargs=2, metavar=("W", "H"), help="fixed client area")
    p.add_argument("--unmaximised", action="store_true")
    p = sub.add_parser("alive")
    p.add_argument("name")
    p = sub.add_parser("locate")
    p.add_argument("name")
    p = sub.add_parser("width")
    p.add_argument("index", type=int)
    p = sub.add_parser("spot-beside")
    p.add_argument("window", type=int)
    p.add_argument("cover", type=int)
    p = sub.add_parser("front")
    p.add_argument("index", type=int)
    args = parser.parse_args()
    log = Log(args.log, args.title)
    windows = log.program_windows()
    if args.command == "list":
        for window in windows:
            print(json.dumps(describe(window, log), ensure_ascii=False))
    elif args.command == "popups":
        print(sum(1 for (client, _) in log.popups if client == log.app))
    elif args.command == "expect":
        passed, line = expect(log, args)
        print(line)
        return 0 if passed else 1
    elif args.command == "alive":
        window = log.newest(args.name)
        if window is None:
            return 1
        print(windows.index(window))
    elif args.command == "width":
        print(size_of(windows[args.index])[0])
    elif args.command == "locate":
        window = log.newest(args.name)
        corner = locate(log, window) if window else None
        if corner is None:
            print(f"no part of a window titled {args.name!r} can be reached by the pointer", file=sys.stderr)
            return 1
        print(*corner)
    elif args.command == "spot-beside":
        window, cover = windows[args.window], windows[args.cover]
        corner, other = locate(log, window), locate(log, cover)
        if corner is None or other is None:
            return 1
        width, height = size_of(window)
        cw, ch = size_of(cover)
        for y in range(corner[1] + 60, corner[1] + height - 10, 20):
            for x in range(corner[0] + 20, corner[0] + width - 20, 20):
                if not (other[0] - 5 <= x < other[0] + cw + 5 and other[1] - 5 <= y < other[1] + ch + 5):
                    print(x, y)
                    return 0
        return 1
    elif args.command == "front":
        window = windows[args.index]
        corner = locate(log, window)
        if corner is None:
            print("hidden")
            return 0
        width, height = size_of(window)
        found = under_pointer(log, corner[0] + width // 2, corner[1] + height // 2)
        print(windows.index(found) if found in windows else "none")
    return 0


if __name__ == "__main__":
    sys.exit(main())
