#!/usr/bin/python3
"""Saves the X pointer image that is showing now, since Xvfb screenshots never contain the pointer.

    DISPLAY=:94 tools/a11y/cursor_image.py OUT.png [--expect-size N] [--match-cur FILE] [--scale K]

Prints the pointer's size, hot spot and X cursor name. With --expect-size, exits 1 unless the pointer
is N pixels wide and high (64 for the hand at scale 2, 32 at scale 1). With --match-cur, exits 1
unless the hot spot is (within a pixel) the one that the .cur file gives its image of that size: the
point that clicks must be the fingertip that shows. --scale K also writes the
picture enlarged K times with nearest-neighbour pixels, on a grey checkerboard, to look at edges.
Reads the image through the XFixes extension with ctypes: only the standard library is needed.
"""

import argparse
import ctypes
import ctypes.util
import struct
import sys
import zlib


class XFixesCursorImage(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_short),
        ("y", ctypes.c_short),
        ("width", ctypes.c_ushort),
        ("height", ctypes.c_ushort),
        ("xhot", ctypes.c_ushort),
        ("yhot", ctypes.c_ushort),
        ("cursor_serial", ctypes.c_ulong),
        ("pixels", ctypes.POINTER(ctypes.c_ulong)),  # one ARGB value per unsigned long, premultiplied
        ("atom", ctypes.c_ulong),
        ("name", ctypes.c_char_p),
    ]


def write_png(path, width, height, rgba_rows):
    raw = b"".join(b"\x00" + row for row in rgba_rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def unpremultiply(argb):
    a = (argb >> 24) & 0xFF
    r, g, b = (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF
    if 0 < a < 255:
        r, g, b = (min(255, c * 255 // a) for c in (r, g, b))
    return r, g, b, a


def cur_hot_spots(path):
    """Maps image width to hot spot for each image in a Windows .cur file."""
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 2:
        raise ValueError(f"{path} is not a .cur file")
    spots = {}
    for i in range(count):
        width, _, _, _, hot_x, hot_y, _, _ = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        spots[width or 256] = (hot_x, hot_y)
    return spots


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out")
    parser.add_argument("--expect-size", type=int)
    parser.add_argument("--match-cur", metavar="FILE")
    parser.add_argument("--scale", type=int, default=0)
    args = parser.parse_args()

    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(XFixesCursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]

    display = x11.XOpenDisplay(None)
    if not display:
        print("ERROR: cannot open the X display", file=sys.stderr)
        return 2
    image_ptr = xfixes.XFixesGetCursorImage(display)
    if not image_ptr:
        print("ERROR: XFixes gave no pointer image", file=sys.stderr)
        return 2
    image = image_ptr.contents
    width, height, hot_x, hot_y = image.width, image.height, image.xhot, image.yhot
    pixels = [unpremultiply(image.pixels[i] & 0xFFFFFFFF) for i in range(width * height)]
    name = image.name.decode(errors="replace") if image.name else ""
    print(f"pointer at {image.x},{image.y}: {width}x{height}, hot spot {hot_x},{hot_y}, name \"{name}\"")

    rows = [bytes(v for p in pixels[y * width:(y + 1) * width] for v in p) for y in range(height)]
    write_png(args.out, width, height, rows)

    if args.scale > 1:
        k = args.scale
        big_rows = []
        for y in range(height * k):
            row = bytearray()
            for x in range(width * k):
                r, g, b, a = pixels[(y // k) * width + x // k]
                check = 200 if ((x // 8) + (y // 8)) % 2 else 160
                blend = [(c * a + check * (255 - a)) // 255 for c in (r, g, b)]
                row += bytes(blend + [255])
            big_rows.append(bytes(row))
        write_png(args.out.replace(".png", f"-x{k}.png"), width * k, height * k, big_rows)

    x11.XFree(image_ptr)
    x11.XCloseDisplay(ctypes.c_void_p(display))
    status = 0
    if args.expect_size and (width != args.expect_size or height != args.expect_size):
        print(f"FAIL: the pointer is {width}x{height}, not {args.expect_size}x{args.expect_size}")
        status = 1
    if args.match_cur:
        spots = cur_hot_spots(args.match_cur)
        if width not in spots:
            print(f"FAIL: {args.match_cur} has no {width} px image; it has {sorted(spots)}")
            status = 1
        else:
            want = spots[width]
            if abs(hot_x - want[0]) > 1 or abs(hot_y - want[1]) > 1:
                print(f"FAIL: hot spot {hot_x},{hot_y}, but the file's {width} px image has it at "
                      f"{want[0]},{want[1]}: clicks land {want[0] - hot_x},{want[1] - hot_y} px "
                      "away from the fingertip")
                status = 1
            else:
                print(f"ok: hot spot matches the file's {width} px image ({want[0]},{want[1]})")
    return status


if __name__ == "__main__":
    sys.exit(main())
