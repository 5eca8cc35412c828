#!/usr/bin/python3
"""Saves the X pointer image that is showing now, since Xvfb screenshots never contain the pointer.

    DISPLAY=:94 tools/a11y/cursor_image.py OUT.png [--expect-size N] [--scale K]

Prints the pointer's size, hot spot and X cursor name. With --expect-size, exits 1 unless the pointer
is N pixels wide and high (64 for the hand at scale 2, 32 at scale 1). --scale K also writes the
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


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out")
    parser.add_argument("--expect-size", type=int)
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
    width, height = image.width, image.height
    pixels = [unpremultiply(image.pixels[i] & 0xFFFFFFFF) for i in range(width * height)]
    name = image.name.decode(errors="replace") if image.name else ""
    print(f"pointer at {image.x},{image.y}: {width}x{height}, hot spot {image.xhot},{image.yhot}, name \"{name}\"")

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
    if args.expect_size and (width != args.expect_size or height != args.expect_size):
        print(f"FAIL: the pointer is {width}x{height}, not {args.expect_size}x{args.expect_size}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
