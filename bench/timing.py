"""Timing shared by the benchmarks of the package's path: one core, one
BLAS thread, the functions measured in turn (interleaved) so that a slower
spell of the shared machine falls on all of them alike, and the machine's
DGEMM rate printed beside them."""
import os

os.environ["OPENBLAS_NUM_THREADS"] = "1"   # this benchmark's own process, before numpy loads OpenBLAS

import ctypes  # noqa: E402
import platform  # noqa: E402
import time  # noqa: E402

import numpy as np  # noqa: E402


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def cpu_model():
    """The processor's model name as the system reports it (lscpu's)."""
    with open("/proc/cpuinfo") as info:
        return next((line.split(":", 1)[1].strip() for line in info if line.startswith("model name")),
                    platform.machine())


def fastest(f, repeats, clock=time.perf_counter):
    """Least seconds of f() on `clock` (wall; time.process_time: CPU
    seconds, which other work on a shared machine does not stretch)."""
    best = float("inf")
    for _ in range(repeats):
        start = clock()
        f()
        best = min(best, clock() - start)
    return best


def openblas():
    lib = ctypes.CDLL("libopenblas.so.0")
    lib.openblas_get_config.restype = ctypes.c_char_p
    return lib


def dgemm_rate(lib, n=1500, repeats=7, clock=time.perf_counter):
    """Flop per second of C = A·B, column-major, one thread (per second of `clock`)."""
    a, b, c = (np.asfortranarray(np.random.default_rng(k).standard_normal((n, n))) for k in (1, 2, 3))
    ptr = lambda m: m.ctypes.data_as(ctypes.c_void_p)  # noqa: E731
    d = ctypes.c_double
    call = lambda: lib.cblas_dgemm(102, 111, 111, n, n, n, d(1.0), ptr(a), n, ptr(b), n, d(0.0), ptr(c), n)  # noqa: E731
    call()
    return 2.0 * n ** 3 / fastest(call, repeats, clock)




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
