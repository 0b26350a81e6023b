#!/usr/bin/env python3
"""Draws the plug-in's embedded pictures and writes them as PNG bytes into icons.cpp.

Not part of the build: run it after changing a picture and check in the new icons.cpp.
  python3 plugin/res/make_icons.py  (17 bytes a line, as clang-format lays them out)
"""
import math
import os
import struct
import zlib


def png(width, height, rows, alpha):
    """PNG bytes of 8-bit RGB (alpha False) or RGBA rows."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def pin(size=32):
    """A map pin standing on the middle of the bottom edge: red head, white eye, dark outline, clear
    background."""
    cx, cy, r = (size - 1) / 2.0, size * 0.36, size * 0.3
    tip = (cx, size - 1.0)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.0, y + 0.0
            d = math.hypot(px - cx, py - cy)
            # The body: the head's circle and the triangle down to the tip.
            half = r * (tip[1] - py) / (tip[1] - cy) if cy <= py <= tip[1] else -1.0
            inside = d <= r or abs(px - cx) <= half
            edge = (r - 1.5 < d <= r and py <= cy + r * 0.6) or (half >= 0 and half - 1.5 < abs(px - cx) <= half
                                                                    and d > r - 1.5)
            if not inside:
                row += [0, 0, 0, 0]
            elif edge:
                row += [96, 16, 16, 255]
            elif d <= r * 0.38:
                row += [255, 255, 255, 255]
            else:
                row += [220, 40, 40, 255]
        rows.append(row)
    return png(size, size, rows, True)


def hex_lines(data):
    items = ["0x%02X" % b for b in data]
    return "\n".join("    " + ", ".join(items[i:i + 17]) + "," for i in range(0, len(items), 17))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    icon = pin()
    with open(os.path.join(here, "icons.cpp"), "w") as out:
        out.write("// The plug-in's embedded pictures (drawn by make_icons.py; do not edit by hand).\n")
        out.write('#include "plugin/res/icons.h"\n\n#include "platform/win32/core/modres.h"\n\n')
        out.write("namespace {\n\n")
        out.write("// The point icon: a map pin, 32 x 32 RGBA, clear around the pin.\n")
        out.write("const unsigned char kIconPng[] = {\n%s\n};\n\n" % hex_lines(icon))
        out.write("}  // namespace\n\n")
        out.write('TARN_RESOURCE(u"PNG", IDR_PNG_ICON, kIconPng, sizeof kIconPng);\n')


if __name__ == "__main__":
    main()
