"""Times simvit against ARPACK (scipy.sparse.linalg.eigsh) in one process on
the same matrices: A a full triangle of order n with a diagonal growing like
i², B a band of width 396, the smallest 10 and 20 eigenvalues of A x = lam B x.
ARPACK solves B x = mu A x (mu = 1/lam) in its generalised mode with the same
operator as simvit: a Cholesky factor of A (scipy.linalg.cho_factor, timed
with it) for A⁻¹, B as a sparse matrix, A dense for the A inner products. The two take
turns, and each time is the best of --repeats runs. BLAS runs on one thread
(OPENBLAS_NUM_THREADS=1 for this process); the DGEMM rate of the same
process is printed with the machine's load.

    PYTHONPATH=build/python /usr/bin/python3 bench/simvit_vs_arpack.py [--orders 1000 3844] [--repeats 5]
"""
import argparse
import os
import time

os.environ["OPENBLAS_NUM_THREADS"] = "1"

import numpy as np  # noqa: E402
import scipy.linalg  # noqa: E402
import scipy.sparse  # noqa: E402
import scipy.sparse.linalg  # noqa: E402

import _ruvo  # noqa: E402
from timing import dgemm_rate, load, openblas  # noqa: E402


def level_vector(n, ibd):
    rows = np.minimum(np.arange(1, n + 1), ibd)
    return (np.concatenate(([0], np.cumsum(rows)[:-1])) - np.arange(1, n + 1) + rows).astype(np.int32)


def pack(A, ibd):
    n = A.shape[0]
    return np.concatenate([A[i, max(0, i - ibd + 1):i + 1] for i in range(n)])


def random_band(rng, n, ibd, scale, diagonal):
    A = rng.uniform(-scale, scale, (n, n))
    A = np.tril(A, -1)
    A[np.subtract.outer(np.arange(n), np.arange(n)) >= ibd] = 0.0
    A = A + A.T
    return A + np.diag(np.abs(A).sum(axis=1) + diagonal)


def ours(A, B, ibdb, neigrq, neigit):
    n = A.shape[0]
    a, b = pack(A, n), pack(B, ibdb)
    elam, x = np.zeros(neigit), np.zeros((n, neigit), order="F")
    lva, lvb, lvt = level_vector(n, n), level_vector(n, ibdb), level_vector(neigit, neigit)
    start = time.perf_counter()
    _ruvo.ruvoutils.simvit(neigrq, a, b, n, ibdb, lva, lvb, 1.0e-8, elam, x, 0, 0, lvt, 0)
    return time.perf_counter() - start, elam[:neigrq]


def arpack(A, B, neigrq):
    n = A.shape[0]
    Bs = scipy.sparse.csr_matrix(B)
    start = time.perf_counter()
    factor = scipy.linalg.cho_factor(A)
    Ainv = scipy.sparse.linalg.LinearOperator((n, n), matvec=lambda v: scipy.linalg.cho_solve(factor, v),
                                              dtype=float)
    mu = scipy.sparse.linalg.eigsh(Bs, k=neigrq, M=A, Minv=Ainv, which="LM", return_eigenvectors=False)
    lam = np.sort(1.0 / mu)
    return time.perf_counter() - start, lam


def problem(n):
    rng = np.random.default_rng(n)
    return random_band(rng, n, n, 1.0e-3, np.arange(1.0, n + 1) ** 2), random_band(rng, n, 396, 1.0e-3, 1.0)


def compare(A, B, neigrq, repeats):
    """Least seconds of simvit and of ARPACK, taking turns, and the largest
    relative difference of their eigenvalues."""
    neigit = min(2 * neigrq, neigrq + 8)
    best = [float("inf"), float("inf")]
    for _ in range(repeats):
        t_ours, lam_ours = ours(A, B, 396, neigrq, neigit)
        t_arpack, lam_arpack = arpack(A, B, neigrq)
        best = [min(best[0], t_ours), min(best[1], t_arpack)]
    return best[0], best[1], np.max(np.abs(np.sort(lam_ours) - lam_arpack) / np.abs(lam_arpack))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--orders", type=int, nargs="+", default=[1000, 3844])
    parser.add_argument("--repeats", type=int, default=5)
    args = parser.parse_args()
    print(f"DGEMM, one thread, n = 1500: {dgemm_rate(openblas()) / 1e9:.1f} Gflop/s; {load()}")
    for n in args.orders:
        A, B = problem(n)
        for neigrq in (10, 20):
            t_ours, t_arpack, agree = compare(A, B, neigrq, args.repeats)
            print(f"simvit n={n} full A, band B 396, {neigrq:2d} values   ours {t_ours:7.3f} s  "
                  f"ARPACK {t_arpack:7.3f} s  ratio {t_ours / t_arpack:5.2f}  eigenvalues agree to {agree:.1e}",
                  flush=True)
    print(load())


if __name__ == "__main__":
    main()
