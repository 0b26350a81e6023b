#!/usr/bin/env python3
"""Writes the drawing files the drawing-file benchmarks read: ASCII R2000 drawings of N entities of the
ordinary kinds (lines, circles, arcs, lightweight polylines, texts, points and a few block references) in
model space, laid out as the stand-in writes its own files; and, where ezdxf is installed (python3-ezdxf), the
same kinds of drawing as ezdxf writes them, every coordinate a full double (16-17 digits).

    bench/make_dxf.py FOLDER [COUNT...]     (default counts: 20000 100000 500000)

Each file is FOLDER/drawing-COUNT.dxf and FOLDER/drawing-COUNT-ezdxf.dxf (the latter for counts up to
EZDXF_MAX_COUNT); one that is already there is left as it is. The same count always gives the same file.
"""
import os
import random
import sys

DEFAULT_COUNTS = (20000, 100000, 500000)
EZDXF_MAX_COUNT = 100000  # ezdxf takes minutes over the largest
LAYERS = ("Roads", "Buildings", "Labels", "Water")


class Drawing:
    def __init__(self, out):
        self.out = out
        self.next_handle = 0x100  # the fixed records below use handles under this

    def group(self, code, value):
        self.out.write("%3d\n%s\n" % (code, value))

    def groups(self, *pairs):
        self.out.write("".join("%3d\n%s\n" % pair for pair in pairs))

    def handle(self):
        h = self.next_handle
        self.next_handle += 1
        return "%X" % h


def number(value):
    # Coordinates as a drawing program writes them: up to six decimals, no trailing zeros.
    text = ("%.6f" % value).rstrip("0").rstrip(".")
    return "0" if text in ("", "-0") else text


def table(d, name, handle, records):
    d.groups((0, "TABLE"), (2, name), (5, handle), (330, "0"), (100, "AcDbSymbolTable"), (70, len(records)))
    for record in records:
        d.groups(*record)
    d.group(0, "ENDTAB")


def entity_head(d, kind, layer, subclass):
    d.groups((0, kind), (5, d.handle()), (330, "8"), (100, "AcDbEntity"), (8, layer), (100, subclass))


def write_entity(d, rnd, i):
    x = rnd.uniform(0, 100000)
    y = rnd.uniform(0, 100000)
    layer = LAYERS[i % len(LAYERS)]
    kind = i % 20
    if kind < 6:
        entity_head(d, "LINE", layer, "AcDbLine")
        d.groups((10, number(x)), (20, number(y)), (30, "0"), (11, number(x + rnd.uniform(-50, 50))),
                 (21, number(y + rnd.uniform(-50, 50))), (31, "0"))
    elif kind < 9:
        entity_head(d, "CIRCLE", layer, "AcDbCircle")
        d.groups((10, number(x)), (20, number(y)), (30, "0"), (40, number(rnd.uniform(0.5, 30))))
    elif kind < 11:
        entity_head(d, "ARC", layer, "AcDbCircle")
        d.groups((10, number(x)), (20, number(y)), (30, "0"), (40, number(rnd.uniform(0.5, 30))),
                 (100, "AcDbArc"), (50, number(rnd.uniform(0, 180))), (51, number(rnd.uniform(180, 360))))
    elif kind < 15:
        count = rnd.randint(2, 12)
        entity_head(d, "LWPOLYLINE", layer, "AcDbPolyline")
        d.groups((90, count), (70, rnd.choice((0, 1))))
        for _ in range(count):
            x += rnd.uniform(-20, 20)
            y += rnd.uniform(-20, 20)
            d.groups((10, number(x)), (20, number(y)))
    elif kind < 17:
        entity_head(d, "TEXT", "Labels", "AcDbText")
        d.groups((10, number(x)), (20, number(y)), (30, "0"), (40, number(rnd.uniform(1, 5))),
                 (1, "Label %d" % i), (7, "Standard"), (100, "AcDbText"))
    elif kind < 19 or i % 200 != 19:
        entity_head(d, "POINT", layer, "AcDbPoint")
        d.groups((10, number(x)), (20, number(y)), (30, "0"))
    else:
        entity_head(d, "INSERT", layer, "AcDbBlockReference")
        d.groups((2, "MARK"), (10, number(x)), (20, number(y)), (30, "0"), (41, "2"), (42, "2"), (43, "1"),
                 (50, number(rnd.uniform(0, 360))))


def write_drawing(out, count):
    d = Drawing(out)
    rnd = random.Random(count)
    body = []  # the entities are written first into a buffer: the header's seed needs the last handle

    class Buffer:
        def write(self, text):
            body.append(text)

    d.out = Buffer()
    for i in range(count):
        write_entity(d, rnd, i)
    seed = d.handle()
    d.out = out

    d.groups((0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC1015"), (9, "$DWGCODEPAGE"),
             (3, "ANSI_1252"), (9, "$INSBASE"), (10, "0"), (20, "0"), (30, "0"), (9, "$CLAYER"), (8, "0"),
             (9, "$HANDSEED"), (5, seed), (0, "ENDSEC"))
    d.groups((0, "SECTION"), (2, "CLASSES"), (0, "ENDSEC"))
    d.groups((0, "SECTION"), (2, "TABLES"))
    record = ((100, "AcDbSymbolTableRecord"),)
    table(d, "VPORT", "5", [((0, "VPORT"), (5, "10"), (330, "5")) + record +
                            ((100, "AcDbViewportTableRecord"), (2, "*ACTIVE"), (70, 0))])
    table(d, "LTYPE", "4", [((0, "LTYPE"), (5, h), (330, "4")) + record +
                            ((100, "AcDbLinetypeTableRecord"), (2, name), (70, 0), (3, ""), (72, 65), (73, 0),
                             (40, "0"))
                            for h, name in (("A", "ByBlock"), ("B", "ByLayer"), ("C", "Continuous"))])
    layers = [("D", "0", 7)] + [("%X" % (0x30 + k), name, k + 1) for k, name in enumerate(LAYERS)]
    table(d, "LAYER", "2", [((0, "LAYER"), (5, h), (330, "2")) + record +
                            ((100, "AcDbLayerTableRecord"), (2, name), (70, 0), (62, color), (6, "Continuous"))
                            for h, name, color in layers])
    table(d, "STYLE", "3", [((0, "STYLE"), (5, "E"), (330, "3")) + record +
                            ((100, "AcDbTextStyleTableRecord"), (2, "Standard"), (70, 0), (40, "0"), (41, "1"),
                             (50, "0"), (71, 0), (42, "2.5"), (3, "txt"))])
    table(d, "APPID", "6", [((0, "APPID"), (5, "F"), (330, "6")) + record +
                            ((100, "AcDbRegAppTableRecord"), (2, "ACAD"), (70, 0))])
    table(d, "BLOCK_RECORD", "1", [((0, "BLOCK_RECORD"), (5, h), (330, "1")) + record +
                                   ((100, "AcDbBlockTableRecord"), (2, name))
                                   for h, name in (("8", "*Model_Space"), ("9", "*Paper_Space"),
                                                   ("40", "MARK"))])
    d.groups((0, "ENDSEC"), (0, "SECTION"), (2, "BLOCKS"))
    for begin, end, owner, name in (("21", "22", "8", "*Model_Space"), ("23", "24", "9", "*Paper_Space"),
                                    ("41", "42", "40", "MARK")):
        d.groups((0, "BLOCK"), (5, begin), (330, owner), (100, "AcDbEntity"), (8, "0"),
                 (100, "AcDbBlockBegin"), (2, name), (70, 0), (10, "0"), (20, "0"), (30, "0"), (3, name),
                 (1, ""))
        if name == "MARK":
            d.groups((0, "CIRCLE"), (5, "43"), (330, "40"), (100, "AcDbEntity"), (8, "0"),
                     (100, "AcDbCircle"), (10, "0"), (20, "0"), (30, "0"), (40, "1"))
            d.groups((0, "LINE"), (5, "44"), (330, "40"), (100, "AcDbEntity"), (8, "0"), (100, "AcDbLine"),
                     (10, "-1"), (20, "0"), (30, "0"), (11, "1"), (21, "0"), (31, "0"))
        d.groups((0, "ENDBLK"), (5, end), (330, owner), (100, "AcDbEntity"), (8, "0"),
                 (100, "AcDbBlockEnd"))
    d.groups((0, "ENDSEC"), (0, "SECTION"), (2, "ENTITIES"))
    out.write("".join(body))
    d.groups((0, "ENDSEC"), (0, "SECTION"), (2, "OBJECTS"), (0, "DICTIONARY"), (5, "7"), (330, "0"),
             (100, "AcDbDictionary"), (281, 1), (0, "ENDSEC"), (0, "EOF"))


def write_ezdxf_drawing(path, count):
    """The same kinds and mix of entities, built and saved by ezdxf: coordinates as doubles come."""
    import ezdxf
    rnd = random.Random(count)
    doc = ezdxf.new("R2000")
    for k, name in enumerate(LAYERS):
        doc.layers.add(name, color=k + 1)
    mark = doc.blocks.new("MARK")
    mark.add_circle((0, 0), 1)
    mark.add_line((-1, 0), (1, 0))
    msp = doc.modelspace()
    for i in range(count):
        x = rnd.uniform(0, 100000)
        y = rnd.uniform(0, 100000)
        attribs = {"layer": LAYERS[i % len(LAYERS)]}
        kind = i % 20
        if kind < 6:
            msp.add_line((x, y), (x + rnd.uniform(-50, 50), y + rnd.uniform(-50, 50)), dxfattribs=attribs)
        elif kind < 9:
            msp.add_circle((x, y), rnd.uniform(0.5, 30), dxfattribs=attribs)
        elif kind < 11:
            msp.add_arc((x, y), rnd.uniform(0.5, 30), rnd.uniform(0, 180), rnd.uniform(180, 360),
                        dxfattribs=attribs)
        elif kind < 15:
            points = []
            for _ in range(rnd.randint(2, 12)):
                x += rnd.uniform(-20, 20)
                y += rnd.uniform(-20, 20)
                points.append((x, y))
            msp.add_lwpolyline(points, close=rnd.choice((False, True)), dxfattribs=attribs)
        elif kind < 17:
            msp.add_text("Label %d" % i, dxfattribs={"layer": "Labels", "insert": (x, y),
                                                       "height": rnd.uniform(1, 5)})
        elif kind < 19 or i % 200 != 19:
            msp.add_point((x, y), dxfattribs=attribs)
        else:
            msp.add_blockref("MARK", (x, y), dxfattribs=dict(attribs, xscale=2, yscale=2,
                                                             rotation=rnd.uniform(0, 360)))
    doc.saveas(path)


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    folder = argv[1]
    counts = [int(c) for c in argv[2:]] or list(DEFAULT_COUNTS)
    os.makedirs(folder, exist_ok=True)
    for count in counts:
        path = os.path.join(folder, "drawing-%d.dxf" % count)
        if os.path.exists(path):
            continue
        temp = path + ".part"
        with open(temp, "w", newline="\n") as out:
            write_drawing(out, count)
        os.replace(temp, path)  # complete files only: a run cut short leaves none half-written
        print("wrote", path)
    try:
        import ezdxf  # noqa: F401
    except ImportError:
        print("ezdxf is not installed (python3-ezdxf): no drawings written by it")
        return 0
    for count in counts:
        path = os.path.join(folder, "drawing-%d-ezdxf.dxf" % count)
        if count > EZDXF_MAX_COUNT or os.path.exists(path):
            continue
        temp = path + ".part"
        write_ezdxf_drawing(temp, count)
        os.replace(temp, path)
        print("wrote", path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
