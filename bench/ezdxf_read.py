#!/usr/bin/env python3
"""Times ezdxf reading and writing the drawing files of bench_dxf_read and prints the project's speed against it.

    bench/ezdxf_read.py FOLDER

FOLDER holds the files (bench/make_dxf.py) and times.txt, the project's median times that bench_dxf_read
writes there ("KIND COUNT SECONDS" a line; KIND read: reading drawing-COUNT.dxf, read-ezdxf: reading
drawing-COUNT-ezdxf.dxf, which ezdxf wrote, write: writing the drawing of drawing-COUNT.dxf to a file). Each is
run up to three times by ezdxf (fewer when a run takes long) and the median is taken. Exits 0 without ezdxf
(python3-ezdxf), saying so.
"""
import os
import statistics
import sys
import tempfile
import time

GOALS = {"read": 25.0, "read-ezdxf": 25.0, "write": 10.0}  # the project at least this many times as fast
FILES = {"read": "drawing-%d.dxf", "read-ezdxf": "drawing-%d-ezdxf.dxf", "write": "drawing-%d.dxf"}


def median_of_runs(run):
    runs = []
    while len(runs) < 3 and sum(runs) < 20.0:
        start = time.process_time()  # CPU time, as the C++ benchmark's
        run()
        runs.append(time.process_time() - start)
    return statistics.median(runs)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    folder = argv[1]
    try:
        import ezdxf
    except ImportError:
        print("ezdxf is not installed (python3-ezdxf): no ratio against it")
        return 0
    times_path = os.path.join(folder, "times.txt")
    if not os.path.exists(times_path):
        print("no %s: run bench_dxf_read first" % times_path)
        return 0
    ours = {}
    with open(times_path) as times:
        for line in times:
            fields = line.split()
            if len(fields) == 3 and fields[0] in GOALS:
                ours[(fields[0], int(fields[1]))] = float(fields[2])
    for kind in ("read", "read-ezdxf", "write"):
        for count in sorted(c for k, c in ours if k == kind):
            path = os.path.join(folder, FILES[kind] % count)
            if not os.path.exists(path):
                continue
            if kind == "write":
                doc = ezdxf.readfile(path)
                with tempfile.TemporaryDirectory() as temp:
                    target = os.path.join(temp, "written.dxf")
                    theirs = median_of_runs(lambda: doc.saveas(target))
                label, what = "dxf_write/%d" % count, "writing"
            else:
                theirs = median_of_runs(lambda: ezdxf.readfile(path))
                label = ("dxf_read/%d" if kind == "read" else "dxf_read_ezdxf/%d") % count
                what = "reading"
            ratio = theirs / ours[(kind, count)]
            goal = GOALS[kind]
            print("ratio %-21s %6.2fx the speed of ezdxf %s %s (%.2f s against %.3f s; goal: at least %.2fx)  %s"
                  % (label, ratio, ezdxf.__version__, what, theirs, ours[(kind, count)], goal,
                     "met" if ratio >= goal else "MISSED"))
            sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
