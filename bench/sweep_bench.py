"""Wall time of a sweep of 40 stiffened panels: a sequential loop of
ruvo.buckle against ruvo.sweep on 2 processes (and on all cores).

    PYTHONPATH=build/python /usr/bin/python3 bench/sweep_bench.py
"""
import os
import time

import ruvo
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener


def panels(count=40):
    skin = Laminate.isotropic(70000.0, 0.33, 1.6)
    return [Panel(length=500.0, width=450.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(size=50.0),
                  stringers=[Stiffener(150.0, EA=1.4e7, EI=ei, GJ=1.0e6), Stiffener(300.0, EA=1.4e7, EI=ei, GJ=1.0e6)],
                  title=f"EI {ei:.3g}")
            for ei in (2.0e8 * (1.0 + 0.25 * k) for k in range(count))]


def main():
    items = panels()
    print(f"{len(items)} panels of {len(items[0].x_lengths)} x {len(items[0].y_lengths)} elements, "
          f"variant {ruvo.engine.variant_for(items[0])}, {os.cpu_count()} cores, "
          f"load average {os.getloadavg()[0]:.1f} (other work on the machine slows the pool)")
    start = time.perf_counter()
    sequential = [ruvo.buckle(p, modes=4).load_factors for p in items]
    t_seq = time.perf_counter() - start
    print(f"sequential loop      {t_seq:8.2f} s")
    for processes in sorted({2, os.cpu_count() or 1}):
        start = time.perf_counter()
        swept = ruvo.sweep(items, processes=processes, progress=False, modes=4)
        t = time.perf_counter() - start
        same = all(r.load_factors.tolist() == s.tolist() for r, s in zip(swept, sequential))
        print(f"sweep, {processes} processes  {t:8.2f} s   speed-up {t_seq / t:5.2f}   same numbers: {same}")


if __name__ == "__main__":
    main()
