"""Wall time of 20 load cases of one stiffened panel: one call of
ruvo.buckle with load_cases against 20 separate calls, and their ratio.

    PYTHONPATH=build/python /usr/bin/python3 bench/load_cases_bench.py
"""
import os
import time

import numpy as np

import ruvo
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener


def panel():
    skin = Laminate.isotropic(70000.0, 0.33, 1.6)
    stringers = [Stiffener(y, EA=1.4e7, EI=4.0e8, GJ=1.0e6) for y in (150.0, 300.0)]
    return Panel(length=500.0, width=450.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(size=20.0),
                 stringers=stringers, title="load cases")


def cases(count=20):
    """Compression turning into shear, with a little transverse compression."""
    angles = 0.5 * np.pi * np.arange(count) / count
    return [Loads(Nx=float(np.cos(a)), Nxy=float(np.sin(a)), Ny=0.1) for a in angles]


def best_of(runs, work):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        out = work()
        times.append(time.perf_counter() - start)
    return min(times), out


def main():
    p, loads = panel(), cases()
    print(f"{len(loads)} load cases of a panel of {len(p.x_lengths)} x {len(p.y_lengths)} elements, variant "
          f"{ruvo.engine.variant_for(p)}, load average {os.getloadavg()[0]:.1f}")
    t_sep, separate = best_of(2, lambda: [ruvo.buckle(p.replace(loads=c), modes=4) for c in loads])
    t_one, together = best_of(2, lambda: ruvo.buckle(p, modes=4, load_cases=loads))
    same = all(a.load_factors.tolist() == b.load_factors.tolist() for a, b in zip(together.cases, separate))
    print(f"separate calls   {t_sep:8.3f} s")
    print(f"one call         {t_one:8.3f} s")
    print(f"ratio            {t_sep / t_one:8.2f}   (results identical: {same})")


if __name__ == "__main__":
    main()
