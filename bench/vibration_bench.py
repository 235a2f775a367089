"""Natural frequencies against buckling of the same panel and number of
modes: ruvo.vibrate over ruvo.buckle of the largest panel's layout (600 x
600, stringer and frame on the middle lines, 20 modes) at n x n elements,
both timed in this run, interleaved, the best of several runs each; and the
peak memory of each at the finest mesh (by /usr/bin/time -v, one analysis
per process). One BLAS thread (OPENBLAS_NUM_THREADS=1 for this process and
its children); the DGEMM rate of the same process is printed with the
machine and its load.

    PYTHONPATH=$PWD/build/python /usr/bin/python3 bench/vibration_bench.py [--meshes 10 20 30] [--repeats 5]
"""
import argparse
import os
import platform
import re
import subprocess
import sys
import time

os.environ["OPENBLAS_NUM_THREADS"] = "1"

import ruvo  # noqa: E402
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener  # noqa: E402
from timing import cpu_model, dgemm_rate, load, openblas  # noqa: E402

MODES = 20
DENSITY = 2.7e-9  # aluminium, t/mm³


def panel(n):
    skin = Laminate.isotropic(70000.0, 0.3, 1.0)
    middle = n // 2 + 1
    return Panel(length=600.0, width=600.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(nx=n, ny=n),
                 stringers=[Stiffener(line=middle, EA=1.4e7, EI=1.0e9, GJ=1.0e6)],
                 frames=[Stiffener(line=middle, EA=1.4e8, EI=1.0e11, GJ=1.0e8)])


def analyses(n):
    p = panel(n)
    return {"buckle": lambda: ruvo.buckle(p, modes=MODES),
            "vibrate": lambda: ruvo.vibrate(p, density=DENSITY, modes=MODES)}


def best_interleaved(work, repeats):
    """{name: least wall seconds}, the analyses taking turns."""
    best = {name: float("inf") for name in work}
    for f in work.values():
        f()  # warmed up
    for _ in range(repeats):
        for name, f in work.items():
            start = time.perf_counter()
            f()
            best[name] = min(best[name], time.perf_counter() - start)
    return best


def peak_mib(name, n):
    """Maximum resident set of a process that runs one such analysis."""
    command = [sys.executable, __file__, "--once", name, str(n)]
    run = subprocess.run(["/usr/bin/time", "-v"] + command, capture_output=True, text=True, env=os.environ)
    found = re.search(r"Maximum resident set size \(kbytes\): (\d+)", run.stderr)
    return int(found.group(1)) / 1024.0 if found else float("nan")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--meshes", type=int, nargs="+", default=[10, 20, 30])
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--once", nargs=2, metavar=("ANALYSIS", "N"))
    args = parser.parse_args()
    if args.once:
        analyses(int(args.once[1]))[args.once[0]]()
        return
    lib = openblas()
    print(f"{platform.node()}, {cpu_model()}, {os.cpu_count()} cores; "
          f"{lib.openblas_get_config().decode()}; one BLAS thread")
    print(f"DGEMM {dgemm_rate(lib) / 1e9:.1f} Gflop/s; {load()}")
    print(f"{'n x n':>7} {'buckle s':>10} {'vibrate s':>10} {'ratio':>7}")
    for n in args.meshes:
        t = best_interleaved(analyses(n), args.repeats)
        print(f"{n:>3} x {n:<3} {t['buckle']:10.4f} {t['vibrate']:10.4f} {t['vibrate'] / t['buckle']:7.2f}")
    n = max(args.meshes)
    buckle, vibrate = peak_mib("buckle", n), peak_mib("vibrate", n)
    print(f"peak memory at {n} x {n}: buckle {buckle:.0f} MiB, vibrate {vibrate:.0f} MiB, "
          f"ratio {vibrate / buckle:.2f}")
    print(load())


if __name__ == "__main__":
    main()
