#!/usr/bin/env python3
"""Times ezdxf reading and writing the drawing files of bench_dxf_read beside the project doing the same, and
prints the project's speed against ezdxf's.

    bench/ezdxf_read.py FOLDER BENCH_DXF_READ

FOLDER holds the files (bench/make_dxf.py): drawing-COUNT.dxf, read and written, and drawing-COUNT-ezdxf.dxf,
which ezdxf wrote, read. BENCH_DXF_READ is the benchmark program: each round runs its one case of the row
(dxf_read/tarn/COUNT, dxf_read_ezdxf/tarn/COUNT or dxf_write/tarn/COUNT) and then ezdxf once on the same file,
so the two sides of a ratio are timed in turn on the same machine; a row's ratio is of the medians of five
rounds. Exits 0 without ezdxf (python3-ezdxf) or without the program, saying so.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROUNDS = 5
GOALS = {"read": 25.0, "read-ezdxf": 25.0, "write": 10.0}  # the project at least this many times as fast
FILES = {"read": "drawing-%d.dxf", "read-ezdxf": "drawing-%d-ezdxf.dxf", "write": "drawing-%d.dxf"}
COUNTS = {"read": (20000, 100000, 500000), "read-ezdxf": (20000, 100000), "write": (20000, 100000, 500000)}
CASES = {"read": "dxf_read", "read-ezdxf": "dxf_read_ezdxf", "write": "dxf_write"}


def project_seconds(program, folder, kind, count):
    """The project's CPU seconds for one run of the row's case: one benchmark run of the program."""
    case = "%s/tarn/%d" % (CASES[kind], count)
    env = dict(os.environ, TARN_DXF_FOLDER=folder)
    with tempfile.TemporaryDirectory() as temp:
        report = os.path.join(temp, "runs.json")
        subprocess.run([program, "--benchmark_filter=^%s$" % case, "--benchmark_out=" + report,
                        "--benchmark_out_format=json"],
                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        try:
            with open(report) as runs_file:
                runs = json.load(runs_file)["benchmarks"]
        except (OSError, ValueError, KeyError):
            return None
    units = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    for run in runs:
        if run.get("run_name", run.get("name")) == case and not run.get("error_occurred"):
            return run["cpu_time"] * units[run["time_unit"]]
    return None


def ezdxf_seconds(ezdxf, kind, path, doc):
    """ezdxf's CPU seconds (as the C++ benchmark's) for reading the file, or writing the drawing read from it
    (doc)."""
    if kind == "write":
        with tempfile.TemporaryDirectory() as temp:
            start = time.process_time()
            doc.saveas(os.path.join(temp, "written.dxf"))
            return time.process_time() - start
    start = time.process_time()
    ezdxf.readfile(path)
    return time.process_time() - start


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    folder, program = argv[1], argv[2]
    try:
        import ezdxf
    except ImportError:
        print("ezdxf is not installed (python3-ezdxf): no ratio against it")
        return 0
    if not os.access(program, os.X_OK):
        print("no %s: no ratio against ezdxf" % program)
        return 0
    for kind in ("read", "read-ezdxf", "write"):
        for count in COUNTS[kind]:
            path = os.path.join(folder, FILES[kind] % count)
            if not os.path.exists(path):
                continue
            ours, theirs = [], []
            doc = ezdxf.readfile(path) if kind == "write" else None  # read once, untimed
            for _ in range(ROUNDS):
                seconds = project_seconds(program, folder, kind, count)
                if seconds is None or seconds <= 0.0:
                    break
                ours.append(seconds)
                theirs.append(ezdxf_seconds(ezdxf, kind, path, doc))
            doc = None
            if len(ours) < ROUNDS:
                print("ratio %s/%d: the project's run failed" % (CASES[kind], count))
                continue
            mine, other = statistics.median(ours), statistics.median(theirs)
            ratio = other / mine
            goal = GOALS[kind]
            print("ratio %-21s %6.2fx the speed of ezdxf %s %s (%.2f s against %.3f s, medians of %d "
                  "in turn; goal: at least %.2fx)  %s"
                  % ("%s/%d" % (CASES[kind], count), ratio, ezdxf.__version__,
                     "writing" if kind == "write" else "reading", other, mine, ROUNDS, goal,
                     "met" if ratio >= goal else "MISSED"))
            sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
