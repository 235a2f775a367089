"""Timing shared by the benchmarks of the package's path: one core, one
BLAS thread, the functions measured in turn (interleaved) so that a slower
spell of the shared machine falls on all of them alike, and the machine's
DGEMM rate printed beside them."""
import os

os.environ["OPENBLAS_NUM_THREADS"] = "1"   # this benchmark's own process, before numpy loads OpenBLAS

import time  # noqa: E402

from ratios import dgemm_rate, openblas  # noqa: E402


def one_core():
    """Pins this process to its first allowed core; returns the core."""
    core = min(os.sched_getaffinity(0))
    os.sched_setaffinity(0, {core})
    return core


def settings():
    """The line that states the settings: core, BLAS threads, DGEMM rate, load."""
    core = one_core()
    lib = openblas()
    lib.openblas_set_num_threads(1)
    return (f"core {core} of {os.cpu_count()}, OPENBLAS_NUM_THREADS=1 (threads now {lib.openblas_get_num_threads()}), "
            f"DGEMM n = 1500 {dgemm_rate(lib) / 1e9:.1f} Gflop/s, load average {os.getloadavg()[0]:.1f}")


def best_of(functions, repeat=5):
    """The least processor time of this process of each function over
    `repeat` rounds that run them in turn, with each function's last value."""
    times, values = [float("inf")] * len(functions), [None] * len(functions)
    for _ in range(repeat):
        for k, f in enumerate(functions):
            start = time.process_time()
            values[k] = f()
            times[k] = min(times[k], time.process_time() - start)
    return times, values
