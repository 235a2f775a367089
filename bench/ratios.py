"""The speed targets as ratios, each against a reference measured in the same
run, with the machine load before and after (the machine is shared: every
time is the minimum of several runs).

  DGEMM rate            one BLAS thread, n = 1500, the engine's OpenBLAS
  largest flat / limit  ruvo.buckle of the 600 x 600 panel (30 x 30 elements,
                        stringer and frame on the middle lines, 20 modes)
                        against 102 Gflop at the DGEMM rate
  largest curved        the same with ry = 2000, against 173 Gflop
  sizing panel / bound  ruvo.buckle of the typical panel against the scipy
                        lower bound, both measured in one process by the
                        sizing-bound script (run as it is, see --bound)
  sweep / sequential    200 typical panels on 2 processes against a loop
                        (wall clock), with the CPU time of the sweep's parent
                        and of its workers, and the ratio those CPU times
                        allow on an idle machine; and against the loop
                        pinned to each core in turn (the harmonic mean of
                        their times: a sweep can use no more than the sum of
                        the cores' speeds, which differ on a virtual machine);
                        and against two plain loops run at once in two
                        processes (warmed up, released together): the
                        throughput the two cores give any pair of processes;
                        and on a process pool the caller keeps across
                        sweeps (client=), whose workers started once
  peak memory           of the largest analyses, by /usr/bin/time -v
  first / later         the first ruvo.buckle in a fresh process against a
                        later one (20 x 20 elements, bench/memory_bench.py),
                        with the page faults of a later largest analysis
  vibrate / buckle      the same panel and modes at 10, 20 and 30 x 30
                        elements, and their peak memory at 30 x 30
                        (bench/vibration_bench.py)
  simvit / ARPACK       the subspace iteration of the routines against
                        ARPACK on the 3844-order problem of
                        bench/simvit_vs_arpack.py, 10 and 20 values
  load cases            twenty load cases in one ruvo.buckle against twenty
                        calls (bench/load_cases_bench.py), processor time
  gradient              ruvo.gradient of 10 variables of the typical panel
                        against one analysis (bench/gradient_bench.py)

    PYTHONPATH=build/python /usr/bin/python3 bench/ratios.py [--bound PATH] [--no-sweep] [--no-peak] [--sweep-only]
                                                             [--no-later]

BLAS threads: OPENBLAS_NUM_THREADS=1 for this process and its children, and
the engine sets one thread when it loads; --threads N raises it in this
process after the import (the DGEMM reference and the largest analyses then
run on N threads; the sizing-bound script and the sweep stay on one).
"""
import argparse
import concurrent.futures as cf
import datetime
import math
import os
import platform
import re
import resource
import subprocess
import sys
import time

os.environ["OPENBLAS_NUM_THREADS"] = "1"

import ruvo  # noqa: E402
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener  # noqa: E402
from memory_bench import largest_panel  # noqa: E402
from timing import cpu_model, dgemm_rate, fastest, load, openblas  # noqa: E402

LARGEST_FLOPS = {"flat": 102e9, "curved": 173e9}
HERE = os.path.dirname(os.path.abspath(__file__))


def typical_panel(ei=2.0e8):
    skin = Laminate.isotropic(70000.0, 0.33, 1.6)
    return Panel(length=500.0, width=450.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(size=50.0),
                 stringers=[Stiffener(150.0, EA=1.4e7, EI=ei, GJ=1.0e6), Stiffener(300.0, EA=1.4e7, EI=ei, GJ=1.0e6)])


def sizing_bound(script):
    """The bound script's output and its ratio ruvo / condensed-path bound,
    from the two times it prints (its own ratio is rounded to one digit)."""
    run = subprocess.run([sys.executable, script], capture_output=True, text=True, env=os.environ)
    ours = re.search(r"ruvo\.buckle\(typical panel, modes=4\): min ([0-9.]+) ms", run.stdout)
    bound = re.search(r"BOUND condensed path \(best condensation \+ best eigen\): ([0-9.]+) ms", run.stdout)
    ratio = float(ours.group(1)) / float(bound.group(1)) if ours and bound else None
    return run.stdout + run.stderr, ratio


def peak_mib(shape):
    """Maximum resident set of a process that runs one largest analysis (or,
    for shape None, only loads the package and the engine)."""
    command = [sys.executable, __file__, "--largest", shape] if shape else [sys.executable, "-c", "import ruvo, _ruvo"]
    run = subprocess.run(["/usr/bin/time", "-v"] + command, capture_output=True, text=True, env=os.environ)
    found = re.search(r"Maximum resident set size \(kbytes\): (\d+)", run.stderr)
    return int(found.group(1)) / 1024.0 if found else None


def children_cpu():
    """CPU seconds of this process's children that have ended (a pool's
    workers once the pool has joined them)."""
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def loop_seconds(items):
    start = time.perf_counter()
    for p in items:
        ruvo.buckle(p, modes=4)
    return time.perf_counter() - start


def pinned_loop_seconds(items):
    """{core: wall seconds of the loop on that core alone}: the cores of a
    virtual machine need not run equally fast, and a sweep can at most use
    the sum of their speeds."""
    cores = sorted(os.sched_getaffinity(0))
    seconds = {}
    try:
        for core in cores:
            os.sched_setaffinity(0, {core})
            seconds[core] = loop_seconds(items)
    finally:
        os.sched_setaffinity(0, cores)   # the sweep's workers inherit it
    return seconds


def concurrent_loop_seconds(items):
    """Wall seconds of the loop in each of two processes running it at the
    same time (each warmed up by one analysis, both released together):
    what the two cores give any pair of processes, a sweep's ceiling."""
    release_read, release_write = os.pipe()
    children = []
    for _ in range(2):
        read, write = os.pipe()
        pid = os.fork()
        if pid == 0:
            os.close(read)
            ruvo.buckle(items[0], modes=4)
            os.read(release_read, 1)
            os.write(write, repr(loop_seconds(items)).encode())
            os._exit(0)
        os.close(write)
        children.append((pid, read))
    time.sleep(0.5)
    os.write(release_write, b"go")
    seconds = []
    for pid, read in children:
        seconds.append(float(os.read(read, 64)))
        os.waitpid(pid, 0)
        os.close(read)
    os.close(release_read), os.close(release_write)
    return seconds


def sweep_figures(repeats, count=600):
    """The typical panel in a loop (free, and pinned to each core) and by
    ruvo.sweep on 2 processes (fresh, and on a pool kept across sweeps), each
    the best of `repeats` runs: wall seconds, and the least CPU seconds of
    the loop, of the sweep's parent (all its threads) and of its workers."""
    items = [typical_panel(2.0e8 * (1.0 + 0.01 * k)) for k in range(count)]
    wall = {"loop": math.inf, "sweep": math.inf, "kept pool": math.inf}
    cpu = {"loop": math.inf, "parent": math.inf, "workers": math.inf}
    pinned, together = {}, [math.inf, math.inf]
    with cf.ProcessPoolExecutor(2) as kept:
        ruvo.sweep(items[:8], client=kept, progress=False, modes=4)   # its workers start here, once
        for _ in range(repeats):
            clock = time.process_time()
            wall["loop"] = min(wall["loop"], loop_seconds(items))
            cpu["loop"] = min(cpu["loop"], time.process_time() - clock)
            for core, seconds in pinned_loop_seconds(items).items():
                pinned[core] = min(pinned.get(core, math.inf), seconds)
            together = [min(a, b) for a, b in zip(together, concurrent_loop_seconds(items))]
            children, clock, start = children_cpu(), time.process_time(), time.perf_counter()
            ruvo.sweep(items, processes=2, progress=False, modes=4)
            wall["sweep"] = min(wall["sweep"], time.perf_counter() - start)
            cpu["parent"] = min(cpu["parent"], time.process_time() - clock)
            cpu["workers"] = min(cpu["workers"], children_cpu() - children)
            start = time.perf_counter()
            ruvo.sweep(items, client=kept, progress=False, modes=4)
            wall["kept pool"] = min(wall["kept pool"], time.perf_counter() - start)
    # the best of each of the two loops run at once against the best loop alone
    return wall, cpu, pinned, sum(wall["loop"] / t for t in together)


def sweep_rows(repeats):
    wall, cpu, pinned, ceiling = sweep_figures(repeats)
    share = cpu["parent"] / (cpu["parent"] + cpu["workers"])
    idle = cpu["loop"] / ((cpu["parent"] + cpu["workers"]) / 2)   # both cores busy with the sweep's CPU time
    mean_core = len(pinned) / sum(1.0 / s for s in pinned.values())   # the loop's seconds on an average core
    print(f"sweep of 600 typical panels, best of {repeats}: loop {wall['loop']:.2f} s ({cpu['loop']:.2f} s CPU; "
          + ", ".join(f"on core {c} alone {s:.2f} s" for c, s in pinned.items())
          + f"), 2 processes {wall['sweep']:.2f} s, on a kept pool of 2 {wall['kept pool']:.2f} s; "
          f"CPU of the sweep: parent {cpu['parent']:.3f} s, "
          f"workers {cpu['workers']:.2f} s; {load()}")
    return [("sweep on 2 processes / sequential (throughput)", wall["loop"] / wall["sweep"]),
            ("sweep / the loop on an average core", mean_core / wall["sweep"]),
            ("two loops at once in 2 processes / sequential (the cores' ceiling)", ceiling),
            ("sweep / that ceiling", wall["loop"] / wall["sweep"] / ceiling),
            ("sweep on a pool kept across sweeps / sequential", wall["loop"] / wall["kept pool"]),
            ("sweep on a kept pool / the loop on an average core", mean_core / wall["kept pool"]),
            ("sweep's parent CPU / the sweep's CPU", share),
            ("sweep, idle 2-core bound from the CPU times", idle)]


def later_rows(repeats):
    """The ratios of the first call, vibration against buckling and simvit
    against ARPACK, each from its own benchmark program's functions."""
    import memory_bench
    import simvit_vs_arpack
    import vibration_bench
    rows = []
    first, later, first_cpu, later_cpu = memory_bench.fresh(20, max(repeats, 5))
    print(f"20 x 20, fresh process: first {first:.4f} s, later {later:.4f} s; CPU {first_cpu:.4f} s, {later_cpu:.4f} s")
    rows.append(("first analysis in a fresh process / a later one, 20 x 20", first / later))
    rows.append(("first analysis / a later one, 20 x 20, CPU seconds", first_cpu / later_cpu))
    for shape in ("flat", "curved"):
        (seconds, faults), before, after = memory_bench.largest(shape, repeats)
        print(f"largest {shape}: later call {seconds:.3f} s, {faults} page faults; resident {before:.0f} MiB, "
              f"after release_memory {after:.0f} MiB")
    for n in (10, 20, 30):
        t = vibration_bench.best_interleaved(vibration_bench.analyses(n), max(repeats, 5))
        print(f"{n} x {n}: buckle {t['buckle']:.4f} s, vibrate {t['vibrate']:.4f} s")
        rows.append((f"vibrate / buckle, {n} x {n}, {vibration_bench.MODES} modes", t["vibrate"] / t["buckle"]))
    peaks = {kind: vibration_bench.peak_mib(kind, 30) for kind in ("buckle", "vibrate")}
    print(f"peak memory at 30 x 30: buckle {peaks['buckle']:.0f} MiB, vibrate {peaks['vibrate']:.0f} MiB")
    rows.append(("vibrate / buckle, peak memory at 30 x 30", peaks["vibrate"] / peaks["buckle"]))
    A, B = simvit_vs_arpack.problem(3844)
    for values in (10, 20):
        ours, arpack, agree = simvit_vs_arpack.compare(A, B, values, max(repeats, 5))
        print(f"simvit n=3844, {values} values: {ours:.3f} s, ARPACK {arpack:.3f} s, agree to {agree:.1e}")
        rows.append((f"simvit / ARPACK, order 3844, {values} values", ours / arpack))
    return rows


def shared_work_rows(repeats):
    """Twenty load cases in one call against twenty calls, and a gradient of
    ten variables against one analysis, in processor time, each from its
    own benchmark program's functions."""
    import gradient_bench
    import load_cases_bench
    from timing import best_of
    p, loads = load_cases_bench.panel(), load_cases_bench.cases()
    (separate, together), (each, one) = best_of(
        [lambda: [ruvo.buckle(p.replace(loads=c), modes=4) for c in loads],
         lambda: ruvo.buckle(p, modes=4, load_cases=loads)], repeat=max(repeats, 5))
    differs = max(float(max(abs(a.load_factors - b.load_factors) / abs(b.load_factors)))
                  for a, b in zip(one.cases, each))
    print(f"20 load cases: one call {together:.3f} s, separate calls {separate:.3f} s; load factors differ by at "
          f"most {differs:.1e} relative")
    (analysis, gradient), _ = best_of([lambda: gradient_bench.critical(gradient_bench.X0),
                                       lambda: ruvo.gradient(gradient_bench.build, gradient_bench.X0, modes=4)],
                                      repeat=max(repeats, 15))
    print(f"gradient of 10 variables: {1e3 * gradient:.2f} ms, one analysis {1e3 * analysis:.2f} ms")
    return [("twenty load cases in one call / twenty calls", together / separate),
            ("gradient of 10 variables / one analysis", gradient / analysis)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bound", default=os.path.join(HERE, "..", "..", "shared", "bench", "sizing_bound.py"))
    parser.add_argument("--no-sweep", action="store_true")
    parser.add_argument("--no-peak", action="store_true")
    parser.add_argument("--sweep-only", action="store_true", help="only the header and the sweep's figures")
    parser.add_argument("--no-later", action="store_true", help="without the first-call, vibration, simvit, load-case and gradient rows")
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--threads", type=int, default=1)
    parser.add_argument("--largest", choices=("flat", "curved"), help="run one largest analysis and stop")
    args = parser.parse_args()
    if args.largest:
        ruvo.buckle(largest_panel(args.largest), modes=20)
        return

    import _ruvo  # noqa: F401  (loading the engine sets one BLAS thread)
    lib = openblas()
    lib.openblas_set_num_threads(args.threads)
    print(f"{datetime.datetime.now().isoformat(timespec='seconds')}  {platform.node()}  {cpu_model()}, "
          f"{os.cpu_count()} cores; {load()}")
    print(f"OpenBLAS {lib.openblas_get_config().decode()}; OPENBLAS_NUM_THREADS={os.environ['OPENBLAS_NUM_THREADS']}, "
          f"threads now {lib.openblas_get_num_threads()}")
    if args.sweep_only:
        print_table(sweep_rows(args.repeats))
        return
    rate, cpu_rate = dgemm_rate(lib), dgemm_rate(lib, clock=time.process_time)
    print(f"DGEMM, one thread, n = 1500: {rate / 1e9:.1f} Gflop/s ({cpu_rate / 1e9:.1f} per CPU second)")

    rows = []
    for shape in ("flat", "curved"):
        panel = largest_panel(shape)
        result = ruvo.buckle(panel, modes=20)
        t = fastest(lambda: ruvo.buckle(panel, modes=20), args.repeats)
        cpu = fastest(lambda: ruvo.buckle(panel, modes=20), args.repeats, time.process_time)
        limit = LARGEST_FLOPS[shape] / rate
        print(f"largest {shape:6s}: {t:7.3f} s ({cpu:.3f} CPU s), limit {limit:6.3f} s; "
              f"lambda1 {result.load_factors[0]:.12g}")
        rows.append((f"largest {shape} / its flop limit", t / limit))
        rows.append((f"largest {shape} / its flop limit, CPU seconds", cpu / (LARGEST_FLOPS[shape] / cpu_rate)))
    typical = typical_panel()
    ruvo.buckle(typical, modes=4)
    t = fastest(lambda: ruvo.buckle(typical, modes=4), 20)
    print(f"typical panel: {1000 * t:.2f} ms, {1.0 / t:.1f} sequential analyses per second per core")

    if os.path.exists(args.bound):
        text, ratio = sizing_bound(args.bound)
        print("sizing bound script:\n  " + "\n  ".join(text.strip().splitlines()))
        rows.append(("sizing panel / scipy bound", ratio))
    else:
        print(f"sizing bound script {args.bound} not found (--bound PATH)")
    if not args.no_later:
        rows += later_rows(args.repeats)
        rows += shared_work_rows(args.repeats)
    if not args.no_sweep:
        rows += sweep_rows(args.repeats)
    if not args.no_peak:
        loaded = peak_mib(None)
        for shape in ("flat", "curved"):
            peak = peak_mib(shape)
            print(f"peak resident memory, largest {shape}: {peak:.0f} MiB, {peak - loaded:.0f} MiB above the "
                  f"{loaded:.0f} MiB of the interpreter with the package and the engine loaded (/usr/bin/time -v)")

    print_table(rows)


def print_table(rows):
    print(f"\n{'ratio':68s} value   target")
    targets = {"largest flat": "<= 0.5", "largest curved": "<= 0.5", "first analysis": "<= 1.5",
               "vibrate / buckle, peak": "<= 1.1", "vibrate / buckle": "<= 1.3", "simvit": "<= 1.0",
               "sizing": "<= 0.3", "twenty load cases": "<= 0.3", "gradient": "<= 1.5", "sweep on": ">= 1.8",
               "sweep / the loop on an average": ">= 1.8", "sweep / that ceiling": "near 1",
               "sweep on a pool kept": ">= 1.8", "sweep on a kept pool": ">= 1.8",
               "sweep's parent": "small", "sweep, idle": ">= 1.8"}
    for name, value in rows:
        target = next((v for k, v in targets.items() if name.startswith(k)), "")
        print(f"{name:68s} {value if value is not None else float('nan'):5.2f}   {target}")
    print(load())


if __name__ == "__main__":
    main()
