"""Time and peak memory of the largest panel (600 x 600, stringer and frame on
the middle lines, 20 modes, ruvo.buckle) at 30, 36, 42 and 48 elements per
direction, flat and curved (ry = 2000), each in a fresh process, with the
growth exponents fitted by least squares: time ~ n^p, memory ~ n^q (n the
elements per direction; memory the peak resident set less that of a process
that only imports the package). 30 x 30 runs in the routine surface's
largest variant (31 lines), the others in the typed entry's own (49).
Ratios are to the 30 x 30 analysis of the same shape, measured in this run.

One core, one BLAS thread: OPENBLAS_NUM_THREADS=1 for this process and its
children (the engine also sets one thread when it loads). Time: the best of
`--repeats` analyses after a first one in the same process (the first
faults the matrices' pages in). Peak: the child's maximum resident set.

    PYTHONPATH=$PWD/build/python /usr/bin/python3 bench/mesh_size_bench.py [--repeats 2] [--freedoms WUVBG]
"""
import argparse
import dataclasses
import json
import math
import os
import platform
import resource
import subprocess
import sys
import time

os.environ["OPENBLAS_NUM_THREADS"] = "1"

import numpy as np  # noqa: E402

SIZES = (30, 36, 42, 48)
MODES = 20


def panel(n, shape, freedoms):
    """The largest panel at n x n elements; with the shear rotations the
    skin's transverse shear stiffness k·G·t (k = 5/6)."""
    from ruvo import Laminate, Loads, Mesh, Panel, Stiffener
    middle = n // 2 + 1
    skin = Laminate.isotropic(70000.0, 0.3, 1.0)
    if "B" in freedoms:
        shear = 5.0 / 6.0 * 70000.0 / 2.6
        skin = dataclasses.replace(skin, shear=((shear, 0.0), (0.0, shear)))
    return Panel(
        length=600.0, width=600.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(nx=n, ny=n),
        stringers=[Stiffener(line=middle, EA=1.4e7, EI=1.0e9, GJ=1.0e6)],
        frames=[Stiffener(line=middle, EA=1.4e8, EI=1.0e11, GJ=1.0e8)],
        ry=2000.0 if shape == "curved" else float("inf"), freedoms=freedoms)


def child(n, shape, freedoms, repeats):
    """In a fresh process: the variant, the best seconds of `repeats` later analyses, the peak MiB."""
    import ruvo
    p = panel(n, shape, freedoms)
    ruvo.buckle(p, modes=MODES)
    best = math.inf
    for _ in range(repeats):
        start = time.perf_counter()
        ruvo.buckle(p, modes=MODES)
        best = min(best, time.perf_counter() - start)
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
    print(json.dumps([ruvo.engine.variant_for(p), best, peak]))


def fresh(*args):
    run = subprocess.run([sys.executable, __file__, *map(str, args)], capture_output=True, text=True,
                         env=os.environ, check=True)
    return json.loads(run.stdout)


def exponent(n, y):
    """The slope of log y against log n (least squares)."""
    return float(np.polyfit(np.log(n), np.log(y), 1)[0])


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def machine():
    model = "?"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return f"{platform.machine()} {model}, {os.cpu_count()} cores, one BLAS thread, one process at a time"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeats", type=int, default=2)
    parser.add_argument("--freedoms", default="WUV")
    parser.add_argument("--child", nargs=2)
    args = parser.parse_args()
    if args.child:
        child(int(args.child[0]), args.child[1], args.freedoms, args.repeats)
        return
    print(machine())
    print(load())
    imported = json.loads(subprocess.run(
        [sys.executable, "-c", "import json, resource, ruvo; "
         "print(json.dumps(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0))"],
        capture_output=True, text=True, env=os.environ, check=True).stdout)
    print(f"import only: peak {imported:.0f} MiB; freedoms {args.freedoms}, {MODES} modes")
    for shape in ("flat", "curved"):
        seconds, memory = [], []
        for n in SIZES:
            variant, t, peak = fresh("--child", n, shape, "--freedoms", args.freedoms, "--repeats", args.repeats)
            seconds.append(t)
            memory.append(peak - imported)
            print(f"{shape:6} {n} x {n} (variant {variant}): {t:8.3f} s, ratio {t / seconds[0]:6.2f}; "
                  f"peak {peak:6.0f} MiB ({memory[-1]:6.0f} MiB above the import), ratio {memory[-1] / memory[0]:5.2f}")
        print(f"{shape:6} growth: time ~ n^{exponent(SIZES, seconds):.2f}, memory ~ n^{exponent(SIZES, memory):.2f}")
    print(load())


if __name__ == "__main__":
    main()
