"""Twenty load cases of one stiffened panel: one call of ruvo.buckle with
load_cases against twenty separate calls, their ratio (the aim: at most
0.3) and the largest relative difference of the load factors between the
two. Processor time on one core with one BLAS thread, best of 7 rounds run
in turn.

    PYTHONPATH=build/python /usr/bin/python3 bench/load_cases_bench.py
"""
import numpy as np

from timing import best_of, settings

import ruvo  # noqa: E402  (after timing, which sets the BLAS threads)
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener  # noqa: E402


def panel():
    skin = Laminate.isotropic(70000.0, 0.33, 1.6)
    stringers = [Stiffener(y, EA=1.4e7, EI=4.0e8, GJ=1.0e6) for y in (150.0, 300.0)]
    return Panel(length=500.0, width=450.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(size=20.0),
                 stringers=stringers, title="load cases")


def cases(count=20):
    """Compression turning into shear, with a little transverse compression."""
    angles = 0.5 * np.pi * np.arange(count) / count
    return [Loads(Nx=float(np.cos(a)), Nxy=float(np.sin(a)), Ny=0.1) for a in angles]


def main():
    p, loads = panel(), cases()
    print(f"{len(loads)} load cases of a panel of {len(p.x_lengths)} x {len(p.y_lengths)} elements, variant "
          f"{ruvo.engine.variant_for(p)}; {settings()}")
    (t_sep, t_one), (separate, together) = best_of(
        [lambda: [ruvo.buckle(p.replace(loads=c), modes=4) for c in loads],
         lambda: ruvo.buckle(p, modes=4, load_cases=loads)], repeat=7)
    difference = max(float(np.max(np.abs(a.load_factors - b.load_factors) / np.abs(b.load_factors)))
                     for a, b in zip(together.cases, separate))
    print(f"separate calls   {t_sep:8.3f} s")
    print(f"one call         {t_one:8.3f} s")
    print(f"one call / separate calls {t_one / t_sep:6.3f}   (aim: at most 0.3; largest relative difference of "
          f"the load factors {difference:.1e})")


if __name__ == "__main__":
    main()
