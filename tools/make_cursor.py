#!/usr/bin/env python3
"""Draw the pointing-hand cursor and write it as HAND-M.CUR.

The hand is described once as a few simple shapes (capsules and rounded
boxes) on a 32-unit grid and rasterised from their signed distance, so the
32 px and the 64 px (high-density) images come from the same drawing and
both get smooth edges.  Only the standard library is used.

The .cur holds two images:
  * 32x32 as a classic 32-bit BGRA DIB with its 1-bpp AND mask, which every
    cursor reader understands;
  * 64x64 as an embedded PNG, the compact form newer readers prefer.

Output is deterministic, so re-running reproduces the committed file.

Usage:  python3 tools/make_cursor.py [OUTPUT] [--preview DIR]
        (OUTPUT defaults to HAND-M.CUR in the repository root; --preview also
        writes magnified PNGs on a checkerboard, for looking at the result)
"""

import math
import os
import struct
import sys
import zlib

GRID = 32  # the unit grid the hand is drawn on
OUTLINE = 1.0  # black outline width, in grid units

# Index finger, drawn as a capsule: (x1, y1, x2, y2, radius).
INDEX = (11.5, 3.5, 11.5, 16.0, 2.5)
# The three folded fingers, each a little lower than the one before.
FOLDED = [
    (16.5, 11.5, 16.5, 18.0, 2.5),
    (21.5, 12.5, 21.5, 18.0, 2.5),
    (26.0, 14.5, 26.0, 19.0, 2.0),
]
THUMB = (5.0, 16.5, 10.0, 22.0, 2.5)
# Rounded boxes: (left, top, right, bottom, corner radius).
PALM = (9.0, 15.0, 28.0, 27.0, 3.5)
CUFF = (11.5, 24.0, 26.0, 30.5, 1.5)

# Dark creases drawn inside the white hand so the folded fingers and the
# cuff still read as separate parts once the outline only follows the
# silhouette: (x1, y1, x2, y2, half width).  They sit on pixel centres of
# the 32 px grid so the small cursor gets crisp one-pixel lines.
CREASES = [
    (14.5, 11.0, 14.5, 17.0, 0.5),
    (19.5, 12.5, 19.5, 17.0, 0.5),
    (24.5, 14.2, 24.5, 17.5, 0.5),
    (12.0, 26.5, 25.5, 26.5, 0.5),
]


def capsule(px, py, seg):
    """Signed distance from (px, py) to a capsule."""
    x1, y1, x2, y2, r = seg
    dx, dy = x2 - x1, y2 - y1
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else ((px - x1) * dx + (py - y1) * dy) / length2
    t = min(1.0, max(0.0, t))
    return math.hypot(px - (x1 + t * dx), py - (y1 + t * dy)) - r


def rounded_box(px, py, box):
    """Signed distance from (px, py) to a box with rounded corners."""
    left, top, right, bottom, r = box
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - r, (bottom - top) / 2 - r
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def hand(px, py):
    """Signed distance to the whole hand silhouette (negative inside)."""
    d = min(capsule(px, py, INDEX), capsule(px, py, THUMB),
            rounded_box(px, py, PALM), rounded_box(px, py, CUFF))
    for finger in FOLDED:
        d = min(d, capsule(px, py, finger))
    return d


def crease(px, py):
    return min(capsule(px, py, c) for c in CREASES)


def coverage(distance, pixel):
    """Approximate share of a pixel inside a shape, from its distance."""
    return min(1.0, max(0.0, 0.5 - distance / pixel))


def render(size):
    """Return size*size (r, g, b, a) tuples, rows top to bottom."""
    scale = size / GRID
    pixel = 1.0 / scale  # one output pixel, in grid units
    pixels = []
    for row in range(size):
        for col in range(size):
            gx, gy = (col + 0.5) * pixel, (row + 0.5) * pixel
            d = hand(gx, gy)
            alpha = coverage(d - OUTLINE, pixel)
            white = coverage(d, pixel) * (1.0 - coverage(crease(gx, gy), pixel))
            # Colour is straight (not premultiplied) as both formats expect.
            grey = round(255 * white / alpha) if alpha > 0 else 0
            pixels.append((grey, grey, grey, round(255 * alpha)))
    return pixels


def hotspot(pixels, size):
    """The topmost solid pixel of the index fingertip."""
    tip_col = int(INDEX[0] * size / GRID)
    for row in range(size):
        for col in (tip_col, tip_col - 1):
            if pixels[row * size + col][3] >= 128:
                return col, row
    raise ValueError("hand has no fingertip")


def png(pixels, size):
    """Encode RGBA pixels as a complete PNG file."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = bytearray()
    for row in range(size):
        raw.append(0)  # filter type None; the image is tiny
        for r, g, b, a in pixels[row * size:(row + 1) * size]:
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def dib(pixels, size):
    """Encode RGBA pixels as a cursor DIB: header, BGRA rows, AND mask."""
    mask_stride = ((size + 31) // 32) * 4  # 1 bpp rows padded to 4 bytes
    xor_bytes = size * size * 4
    and_bytes = mask_stride * size
    # Height is doubled because the XOR image and the AND mask are stacked.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         xor_bytes + and_bytes, 0, 0, 0, 0)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(range(size)):  # DIB rows run bottom to top
        line = pixels[row * size:(row + 1) * size]
        for r, g, b, a in line:
            xor += bytes((b, g, r, a))
        bits = bytearray(mask_stride)
        for col, (_, _, _, a) in enumerate(line):
            if a == 0:  # a set bit leaves the screen untouched
                bits[col // 8] |= 0x80 >> (col % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def cursor(images):
    """Pack (size, hotspot, data) images into a .cur file."""
    out = struct.pack("<HHH", 0, 2, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, (hx, hy), data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, hx, hy,
                           len(data), offset + len(body))
        body += data
    return out + body


def preview(pixels, size, path, zoom):
    """Write a magnified copy on a checkerboard, to judge the drawing."""
    big = zoom * size
    out = []
    for y in range(big):
        for x in range(big):
            r, g, b, a = pixels[(y // zoom) * size + x // zoom]
            # The checker shows where the cursor is see-through.
            back = 200 if ((x // 8) + (y // 8)) % 2 else 150
            mix = [round((c * a + back * (255 - a)) / 255) for c in (r, g, b)]
            out.append((mix[0], mix[1], mix[2], 255))
    with open(path, "wb") as f:
        f.write(png(out, big))


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = os.path.join(root, "HAND-M.CUR")
    preview_dir = None
    args = list(argv)
    while args:
        arg = args.pop(0)
        if arg == "--preview":
            preview_dir = args.pop(0)
        else:
            output = arg

    small = render(32)
    large = render(64)
    images = [
        (32, hotspot(small, 32), dib(small, 32)),
        (64, hotspot(large, 64), png(large, 64)),
    ]
    with open(output, "wb") as f:
        f.write(cursor(images))
    print("wrote %s (hotspots %s, %s)" % (output, images[0][1], images[1][1]))

    if preview_dir:
        os.makedirs(preview_dir, exist_ok=True)
        preview(small, 32, os.path.join(preview_dir, "hand-32-x8.png"), 8)
        preview(large, 64, os.path.join(preview_dir, "hand-64-x4.png"), 4)


if __name__ == "__main__":
    main(sys.argv[1:])
