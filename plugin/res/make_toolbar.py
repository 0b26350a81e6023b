#!/usr/bin/env python3
"""Draws the toolbar's six button pictures and writes them as BMP bytes into toolbar_bitmaps.cpp.

Not part of the build: run it after changing a picture and check in the new toolbar_bitmaps.cpp.
  python3 plugin/res/make_toolbar.py
Each picture is 24 x 24, 32 bits a pixel, bottom-up rows, magenta (255, 0, 255) as the clear colour.
"""
import math
import os
import struct

SIZE = 24
CLEAR = (255, 0, 255)


def bmp(pixels):
    """BMP file bytes of SIZE x SIZE (r, g, b) pixels given top row first."""
    rows = b"".join(bytes((b, g, r, 255)) for row in reversed(pixels) for (r, g, b) in row)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 32, 0, len(rows), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return head + info + rows


def canvas():
    return [[CLEAR] * SIZE for _ in range(SIZE)]


def disc(img, cx, cy, r, colour):
    for y in range(SIZE):
        for x in range(SIZE):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                img[y][x] = colour


def rect(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(SIZE, y1 + 1)):
        for x in range(max(0, x0), min(SIZE, x1 + 1)):
            img[y][x] = colour


def line(img, x0, y0, x1, y1, colour, width=1.5):
    for y in range(SIZE):
        for x in range(SIZE):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / float(dx * dx + dy * dy)))
            if math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2.0:
                img[y][x] = colour


def send():
    """An arrow leaving a sheet toward the map: send the selection."""
    img = canvas()
    rect(img, 3, 5, 13, 19, (240, 240, 240))
    rect(img, 3, 5, 13, 5, (60, 60, 60))
    rect(img, 3, 19, 13, 19, (60, 60, 60))
    line(img, 8, 12, 20, 12, (30, 120, 200), 3)
    line(img, 16, 8, 20, 12, (30, 120, 200), 3)
    line(img, 16, 16, 20, 12, (30, 120, 200), 3)
    return img


def base_map(on):
    """A globe: blue and green when the base map is on, grey when it is off."""
    img = canvas()
    sea, land, grid = ((40, 110, 210), (60, 170, 70), (230, 230, 230)) if on else \
        ((150, 150, 150), (110, 110, 110), (200, 200, 200))
    disc(img, 11.5, 11.5, 10, sea)
    disc(img, 8, 9, 4, land)
    disc(img, 15, 15, 3, land)
    line(img, 1.5, 11.5, 21.5, 11.5, grid, 1)
    line(img, 11.5, 1.5, 11.5, 21.5, grid, 1)
    return img


def download():
    """A downward arrow onto a tray: capture a map to a local file."""
    img = canvas()
    line(img, 12, 2, 12, 15, (30, 150, 60), 3)
    line(img, 6, 10, 12, 16, (30, 150, 60), 3)
    line(img, 18, 10, 12, 16, (30, 150, 60), 3)
    rect(img, 3, 19, 20, 21, (80, 80, 80))
    return img


def linked_points():
    """Two pins joined by a dashed line: associated points."""
    img = canvas()
    for x in range(7, 17, 3):
        line(img, x, 16 - (x - 7) * 0.8, x + 1.5, 16 - (x - 5.5) * 0.8, (90, 90, 90), 1.2)
    disc(img, 5, 17, 3.5, (210, 40, 40))
    disc(img, 18, 6, 3.5, (40, 90, 210))
    return img


def settings():
    """A gear: settings."""
    img = canvas()
    for k in range(8):
        a = k * math.pi / 4
        line(img, 11.5, 11.5, 11.5 + 9.5 * math.cos(a), 11.5 + 9.5 * math.sin(a), (100, 100, 110), 3.5)
    disc(img, 11.5, 11.5, 7, (120, 120, 130))
    disc(img, 11.5, 11.5, 3, CLEAR)
    return img


PICTURES = [
    ("IDB_TOOLBAR_SEND", "send the selection", send()),
    ("IDB_TOOLBAR_MAP_ON", "base map on", base_map(True)),
    ("IDB_TOOLBAR_DOWNLOAD", "capture a map to a file", download()),
    ("IDB_TOOLBAR_POINTS", "associated points", linked_points()),
    ("IDB_TOOLBAR_SETTINGS", "settings", settings()),
    ("IDB_TOOLBAR_MAP_OFF", "base map off", base_map(False)),
]


def main():
    out = ["// The toolbar's button pictures (drawn by make_toolbar.py; do not edit by hand).",
           '#include "platform/win32/core/modres.h"', '#include "plugin/res/toolbar_res.h"', "",
           "namespace {", ""]
    names = []
    for ident, what, img in PICTURES:
        data = bmp(img)
        name = "k" + "".join(p.capitalize() for p in ident.lower().split("_")[1:])
        names.append((ident, name))
        out.append("// %s: 24 x 24, 32 bits." % what.capitalize())
        out.append("const unsigned char %s[] = {" % name)
        for i in range(0, len(data), 17):
            out.append("    " + " ".join("0x%02X," % b for b in data[i:i + 17]))
        out.append("};")
        out.append("")
    out.append("}  // namespace")
    out.append("")
    for ident, name in names:
        out.append("TARN_RESOURCE(TARN_RT_BITMAP, %s, %s, sizeof %s);" % (ident, name, name))
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "toolbar_bitmaps.cpp")
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
