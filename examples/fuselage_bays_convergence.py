"""The critical load factor of the fuselage panel of five frame bays by eight
stringer bays (fuselage_bays.toml) at three meshes, up to the finest the
engine's largest grid takes, with the relative change from each to the next.

    PYTHONPATH=build/python /usr/bin/python3 examples/fuselage_bays_convergence.py [--meshes 24x24 36x36 46x46]

A mesh nx x ny is the element counts asked for along x and y; every pad-up
takes an element of its own on each side of its stiffener, so the grid can
come out a few elements larger (printed). Times are wall-clock seconds of
the analysis alone, on one process with the BLAS library's own threads.
"""
import argparse
import os
import time

import ruvo

HERE = os.path.dirname(os.path.abspath(__file__))


def mesh(text):
    nx, ny = (int(v) for v in text.lower().split("x"))
    return ruvo.Mesh(nx=nx, ny=ny)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--meshes", nargs=3, default=["24x24", "36x36", "46x46"], metavar="NXxNY")
    args = parser.parse_args()
    panel, options = ruvo.Panel.from_toml_with_options(os.path.join(HERE, "fuselage_bays.toml"))
    bays = len(panel.stringers) + 1
    print(f"{panel.title}: {os.cpu_count()} cores, OPENBLAS_NUM_THREADS="
          f"{os.environ.get('OPENBLAS_NUM_THREADS', 'unset')}, load average {os.getloadavg()[0]:.1f}")
    print(f"{'mesh':>9} {'elements':>9} {'per stringer bay':>17} {'factor':>9} {'change':>8} {'seconds':>8}")
    last = None
    for m in map(mesh, args.meshes):
        meshed = panel.replace(mesh=m)
        start = time.perf_counter()
        factor = ruvo.buckle(meshed, **options).critical_load_factor
        seconds = time.perf_counter() - start
        change = "" if last is None else f"{100.0 * (factor - last) / last:+.2f} %"
        print(f"{m.nx:>4}x{m.ny:<4} {len(meshed.x_lengths):>4}x{len(meshed.y_lengths):<4} "
              f"{len(meshed.y_lengths) / bays:>17.2f} {factor:>9.4f} {change:>8} {seconds:>8.1f}")
        last = factor


if __name__ == "__main__":
    main()
