"""Times simvit against ARPACK (scipy.sparse.linalg.eigsh) in one process on
the same matrices: A a full triangle of order n with a diagonal growing like
i², B a band of width 396, the smallest 10 and 20 eigenvalues of A x = lam B x.
ARPACK solves B x = mu A x (mu = 1/lam) in its generalised mode with the same
operator as simvit: a Cholesky factor of A (scipy.linalg.cho_factor, timed
with it) for A⁻¹, B as a sparse matrix, A dense for the A inner products.
BLAS runs on one thread: importing _ruvo sets it.

    PYTHONPATH=build/python /usr/bin/python3 bench/simvit_vs_arpack.py
"""
import time

import numpy as np
import scipy.linalg
import scipy.sparse
import scipy.sparse.linalg

import _ruvo


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


def main():
    for n in (1000, 3844):
        rng = np.random.default_rng(n)
        A = random_band(rng, n, n, 1.0e-3, np.arange(1.0, n + 1) ** 2)
        B = random_band(rng, n, 396, 1.0e-3, 1.0)
        for neigrq in (10, 20):
            neigit = min(2 * neigrq, neigrq + 8)
            t_ours, lam_ours = ours(A, B, 396, neigrq, neigit)
            t_arpack, lam_arpack = arpack(A, B, neigrq)
            agree = np.max(np.abs(np.sort(lam_ours) - lam_arpack) / np.abs(lam_arpack))
            print(f"simvit n={n} full A, band B 396, {neigrq:2d} values   ours {t_ours:7.3f} s  "
                  f"ARPACK {t_arpack:7.3f} s  ratio {t_ours / t_arpack:5.2f}  eigenvalues agree to {agree:.1e}",
                  flush=True)


if __name__ == "__main__":
    main()
