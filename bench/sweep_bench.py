"""Throughput of ruvo.sweep in designs per second: in this process (1), on 2
local processes, and on a Dask cluster when --scheduler names one; with
--memory, the resident size of this process after sweeps of 1,000 and
10,000 small designs without listings.

    PYTHONPATH=build/python /usr/bin/python3 bench/sweep_bench.py [--designs 40] [--scheduler ADDRESS] [--memory]
"""
import argparse
import os
import time

import ruvo
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener


def panels(count):
    skin = Laminate.isotropic(70000.0, 0.33, 1.6)
    return [Panel(length=500.0, width=450.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(size=50.0),
                  stringers=[Stiffener(150.0, EA=1.4e7, EI=ei, GJ=1.0e6), Stiffener(300.0, EA=1.4e7, EI=ei, GJ=1.0e6)],
                  title=f"EI {ei:.3g}")
            for ei in (2.0e8 * (1.0 + 0.25 * k) for k in range(count))]


def small_panels(count):
    skin = Laminate.isotropic(70000.0, 0.3, 1.0)
    return [Panel(length=100.0 + 0.01 * k, width=100.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(nx=4, ny=4))
            for k in range(count)]


def resident_mb():
    with open("/proc/self/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS")) / 1024


def throughput(items, reference, **where):
    start = time.perf_counter()
    swept = ruvo.sweep(items, progress=False, modes=4, **where)
    seconds = time.perf_counter() - start
    same = all(r.load_factors.tolist() == s.tolist() for r, s in zip(swept, reference))
    return len(items) / seconds, same


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--designs", type=int, default=40)
    parser.add_argument("--scheduler", help="a Dask scheduler address (workers started with --nthreads 1)")
    parser.add_argument("--memory", action="store_true", help="resident size after 1,000 and 10,000 small designs")
    args = parser.parse_args()
    items = panels(args.designs)
    print(f"{len(items)} panels of {len(items[0].x_lengths)} x {len(items[0].y_lengths)} elements, "
          f"{os.cpu_count()} cores, load average {os.getloadavg()[0]:.1f} (other work on the machine slows the pool)")
    reference = [ruvo.buckle(p, modes=4).load_factors for p in items]
    for processes in (1, 2):
        rate, same = throughput(items, reference, processes=processes)
        print(f"{processes} process{'es' if processes > 1 else '  '}   {rate:8.1f} designs/s   same numbers: {same}")
    if args.scheduler:
        import distributed
        with distributed.Client(args.scheduler) as client:
            workers = len(client.nthreads())
            rate, same = throughput(items, reference, client=client)
        print(f"cluster, {workers} workers {rate:8.1f} designs/s   same numbers: {same}")
    if args.memory:
        print(f"resident size at the start        {resident_mb():8.1f} MB")
        for count in (1000, 10000):
            swept = ruvo.sweep(small_panels(count), processes=2, progress=False, modes=2)
            assert not swept.errors
            print(f"after {count:6d} designs (results kept) {resident_mb():8.1f} MB")
            del swept


if __name__ == "__main__":
    main()
