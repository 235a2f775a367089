"""BLAS runs one thread from the engine's load, unless the host named a count; the host may raise it."""
import ctypes

import numpy as np

import _ruvo

from conftest import level_vector, run_fresh
from test_solver import pack, random_band

blas = ctypes.CDLL("libopenblas.so.0")


def solve(A, ibd, rhs):
    n = A.shape[0]
    a, lv = pack(A, ibd), level_vector(n, ibd)
    _ruvo.ruvoutils.chodec(a, ibd, lv, 0)
    x = np.asfortranarray(rhs.copy())
    _ruvo.ruvoutils.chosol(a, ibd, lv, x, np.zeros(n))
    return x


def test_one_thread_by_default_and_the_host_may_raise_it():
    assert blas.openblas_get_num_threads() == 1
    rng = np.random.default_rng(3)
    A = random_band(rng, 400, 150)
    rhs = rng.uniform(-1.0, 1.0, (400, 30))
    one = solve(A, 150, rhs)
    blas.openblas_set_num_threads(2)
    try:
        two = solve(A, 150, rhs)
    finally:
        blas.openblas_set_num_threads(1)
    np.testing.assert_allclose(two, one, rtol=1e-12, atol=1e-15)
    np.testing.assert_allclose(one, np.linalg.solve(A, rhs), rtol=1e-10, atol=1e-12)


def test_a_count_named_in_the_environment_is_kept():
    count = "import ctypes, _ruvo; print(ctypes.CDLL('libopenblas.so.0').openblas_get_num_threads())"
    assert int(run_fresh(count, env={"OMP_NUM_THREADS": "2"})) == min(2, blas.openblas_get_num_procs())
