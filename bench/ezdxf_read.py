#!/usr/bin/env python3
"""Times ezdxf reading the drawing files of bench_dxf_read and prints the project's speed against it.

    bench/ezdxf_read.py FOLDER

FOLDER holds the files (bench/make_dxf.py) and times.txt, the project's median read times that
bench_dxf_read writes there ("COUNT SECONDS" a line). Each file is read up to three times by ezdxf (fewer when
a read takes long) and the median is taken. Exits 0 without ezdxf (python3-ezdxf), saying so.
"""
import os
import statistics
import sys
import time

GOAL = 25.0  # the project at least this many times as fast


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
            count, seconds = line.split()
            ours[int(count)] = float(seconds)
    for count in sorted(ours):
        path = os.path.join(folder, "drawing-%d.dxf" % count)
        if not os.path.exists(path):
            continue
        runs = []
        while len(runs) < 3 and sum(runs) < 20.0:
            start = time.process_time()  # CPU time, as the C++ benchmark's
            ezdxf.readfile(path)
            runs.append(time.process_time() - start)
        theirs = statistics.median(runs)
        ratio = theirs / ours[count]
        print("ratio dxf_read/%-11d %6.2fx the speed of ezdxf %s (%.2f s against %.3f s; goal: at least %.2fx)  %s"
              % (count, ratio, ezdxf.__version__, theirs, ours[count], GOAL, "met" if ratio >= GOAL else "MISSED"))
        sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
