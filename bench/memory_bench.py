"""Memory faulted in by an analysis: the first ruvo.buckle in a fresh process
against a later one (each in its own fresh process, 20 x 20 elements), and,
for the largest panels (600 x 600, 30 x 30, stringer and frame, 20 modes),
the page faults and wall time of a later call, and the resident memory
before and after ruvo.release_memory. One BLAS thread.

    PYTHONPATH=$PWD/build/python /usr/bin/python3 bench/memory_bench.py [--repeats 5]
"""
import argparse
import json
import os
import resource
import subprocess
import sys
import time

os.environ["OPENBLAS_NUM_THREADS"] = "1"

import ruvo  # noqa: E402
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener  # noqa: E402
from timing import load  # noqa: E402
from vibration_bench import MODES, panel  # noqa: E402


def largest_panel(shape):
    skin = Laminate.isotropic(70000.0, 0.3, 1.0)
    return Panel(length=600.0, width=600.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(nx=30, ny=30),
                 stringers=[Stiffener(line=16, EA=1.4e7, EI=1.0e9, GJ=1.0e6)],
                 frames=[Stiffener(line=16, EA=1.4e8, EI=1.0e11, GJ=1.0e8)],
                 ry=2000.0 if shape == "curved" else float("inf"))


def timed(f):
    """Wall seconds, page faults and CPU seconds of f()."""
    faults = resource.getrusage(resource.RUSAGE_SELF).ru_minflt
    start, cpu = time.perf_counter(), time.process_time()
    f()
    return (time.perf_counter() - start, resource.getrusage(resource.RUSAGE_SELF).ru_minflt - faults,
            time.process_time() - cpu)


def resident_mib():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") / 2**20


def in_fresh_process(n, calls):
    """Seconds and page faults of each of `calls` analyses in this process."""
    p = panel(n)
    print(json.dumps([timed(lambda: ruvo.buckle(p, modes=MODES)) for _ in range(calls)]))


def fresh(n, repeats):
    """Least wall seconds of the first call and of a later one, over
    `repeats` fresh processes, and the same in CPU seconds (which a busy
    machine does not stretch)."""
    first, later, first_cpu, later_cpu = (float("inf"),) * 4
    for _ in range(repeats):
        run = subprocess.run([sys.executable, __file__, "--fresh", str(n)], capture_output=True, text=True,
                             env=os.environ, check=True)
        calls = json.loads(run.stdout)
        first, later = min(first, calls[0][0]), min(later, *(t for t, _, _ in calls[1:]))
        first_cpu, later_cpu = min(first_cpu, calls[0][2]), min(later_cpu, *(c for _, _, c in calls[1:]))
    return first, later, first_cpu, later_cpu


def largest(shape, repeats):
    p = largest_panel(shape)
    work = lambda: ruvo.buckle(p, modes=MODES)  # noqa: E731
    work()
    best = min((timed(work)[:2] for _ in range(repeats)), key=lambda r: r[0])
    before = resident_mib()
    ruvo.release_memory()
    return best, before, resident_mib()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--fresh", type=int)
    args = parser.parse_args()
    if args.fresh:
        in_fresh_process(args.fresh, 4)
        return
    print(load())
    first, later, first_cpu, later_cpu = fresh(20, args.repeats)
    print(f"20 x 20, fresh process: first {first:.4f} s, later {later:.4f} s, ratio {first / later:.2f}; "
          f"CPU {first_cpu:.4f} s against {later_cpu:.4f} s, ratio {first_cpu / later_cpu:.2f}")
    for shape in ("flat", "curved"):
        (seconds, faults), before, after = largest(shape, args.repeats)
        print(f"largest {shape}: later call {seconds:.3f} s, {faults} page faults; resident {before:.0f} MiB, "
              f"after release_memory {after:.0f} MiB")
    print(load())


if __name__ == "__main__":
    main()
