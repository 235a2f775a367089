"""Subspace iteration through ruvoutils against scipy on seeded band matrices, and its refusals."""
import numpy as np
import pytest
import scipy.linalg

import _ruvo
from conftest import level_vector

u = _ruvo.ruvoutils
ERROR = _ruvo.__ruvo_error


def pack(A, ibd):
    n = A.shape[0]
    return np.array([A[i, j] for i in range(n) for j in range(max(0, i - ibd + 1), i + 1)], dtype=float)


def random_band(rng, n, ibd, definite=True, shift=1.0):
    A = rng.uniform(-1.0, 1.0, (n, n))
    A = np.tril(A) + np.tril(A, -1).T
    A[np.abs(np.subtract.outer(np.arange(n), np.arange(n))) >= ibd] = 0.0
    if definite:
        np.fill_diagonal(A, 0.0)
        A += np.diag(np.abs(A).sum(axis=1) + shift)
    return A


def simvit(A, B, ibda, ibdb, neigrq, neigit, eps=1e-12):
    n = A.shape[0]
    elam = np.zeros(neigit)
    x = np.zeros((n, neigit), order="F")
    u.simvit(neigrq, pack(A, ibda), pack(B, ibdb), ibda, ibdb, level_vector(n, ibda),
             level_vector(n, ibdb), eps, elam, x, 0, 0, level_vector(neigit, neigit), 0)
    return elam, x


def smallest_pairs(A, B, count):
    """Eigenpairs of A x = lam B x of smallest |lam|, vectors with x'Ax = 1,
    from the inverse problem B x = mu A x (mu = 1/lam) so that B may be indefinite."""
    mu, v = scipy.linalg.eigh(B, A)
    order = np.argsort(-np.abs(mu))[:count]
    return 1.0 / mu[order], v[:, order]


def assert_pairs_match(A, B, elam, x, count):
    """Eigenvalues to 1e-11; vectors to 5e-8 of their largest component: the
    projected problems are solved only to Jacobi's fixed 1e-8, whatever eps."""
    lam, v = smallest_pairs(A, B, count)
    np.testing.assert_allclose(elam[:count], lam, rtol=1e-11)
    for k in range(count):
        assert x[:, k] @ A @ x[:, k] == pytest.approx(1.0, rel=1e-12)
        sign = np.sign(x[:, k] @ A @ v[:, k])
        np.testing.assert_allclose(sign * x[:, k], v[:, k], rtol=0, atol=5e-8 * np.abs(v[:, k]).max())


# A stiffness-like spectrum: A's diagonal grows with the freedom, so the
# wanted eigenvalues are spread apart from the rest.
@pytest.mark.parametrize("n,ibda,ibdb,indefinite", [
    (40, 6, 6, False), (60, 60, 9, False), (60, 12, 12, True), (150, 20, 150, True)])
def test_subspace_iteration_matches_scipy(n, ibda, ibdb, indefinite):
    rng = np.random.default_rng(n + ibda + ibdb)
    A = random_band(rng, n, ibda, shift=0.0) + np.diag(np.arange(1.0, n + 1) ** 2)
    B = random_band(rng, n, ibdb, definite=not indefinite, shift=1.0) * 0.1
    B += np.eye(n)
    elam, x = simvit(A, B, ibda, ibdb, 4, 10)
    assert_pairs_match(A, B, elam, x, 4)


def test_stiffness_not_definite_is_reported(listing_file, capfd):
    A = np.diag([0.0, 1.0, 1.0, 1.0])
    elam, x = simvit(A, np.eye(4), 4, 1, 1, 3)
    line = " SIMVIT: ERROR IN CHOLESKY DECOMPOSITION. IER=   1\n"
    assert capfd.readouterr().out == line
    assert listing_file.read_text() == line
    assert not elam.any()
    assert x[0, 0] == 2.0 and ((x[1:, 0] >= 0) & (x[1:, 0] < 1)).all()


LV = level_vector(5, 3)


# The words of the message (a pattern) | the call.
@pytest.mark.parametrize("words, call", [
    pytest.param(r"chodec: a holds 11 entries, fewer than the lv\(n\)\+n = 12", lambda: u.chodec(np.ones(11), 3, LV, 0),
                 id="chodec, a short"),
    pytest.param("chosol: .*does not describe a band of width ibd = 2",
                 lambda: u.chosol(np.ones(12), 2, LV, np.ones((5, 1), order="F"), np.zeros(5)), id="chosol, band"),
    pytest.param("probtm: first column m1 = 0", lambda: u.probtm(np.ones(12), 3, LV, np.ones((5, 2), order="F"), 0),
                 id="probtm, first column"),
    pytest.param(r"probtm: lv\(1\) = 1 is not 0", lambda: u.probtm(np.ones(12), 3, LV + 1, np.ones((5, 2), order="F"), 1),
                 id="probtm, level vector"),
    pytest.param("jacob2: a holds 5 entries",
                 lambda: u.jacob2(np.ones(5), level_vector(3, 3), 1e-8, np.zeros((3, 3), order="F"), 0), id="jacob2, a short"),
    pytest.param("simvit: elam holds 2 entries, fewer than neigit = 3", lambda: simvit_raw(elam=np.zeros(2)),
                 id="simvit, elam short"),
    pytest.param("simvit: b holds 3 entries", lambda: simvit_raw(b=np.ones(3)), id="simvit, b short"),
])
def test_arrays_too_short_for_the_profile_are_refused(words, call):
    with pytest.raises(ERROR, match=words):
        call()


def simvit_raw(neigrq=1, n=4, elam=None, b=None, lvtri=None):
    a = pack(np.eye(n), 1)
    x = np.zeros((n, 3), order="F")
    elam = np.zeros(3) if elam is None else elam
    lvtri = level_vector(3, 3) if lvtri is None else lvtri
    u.simvit(neigrq, a, a if b is None else b, 1, 1, level_vector(n, 1), level_vector(n, 1), 1e-6,
             elam, x, 0, 0, lvtri, 0)
    return elam, x


# Reported on standard output: the words | the call.
@pytest.mark.parametrize("reason, call", [
    pytest.param("neigrq = 3 is outside 1..neigit-1 = 2", lambda: simvit_raw(neigrq=3), id="too many pairs"),
    pytest.param("neigrq = 0 is outside", lambda: simvit_raw(neigrq=0), id="no pairs"),
    pytest.param("neigit = 3 is outside 2..n = 2", lambda: simvit_raw(n=2), id="more vectors than the order"),
    pytest.param("lvtri(1..neigit) is not the full triangle", lambda: simvit_raw(lvtri=np.array([0, 1, 2], np.int32)),
                 id="lvtri not the full triangle"),
])
def test_simvit_refuses_counts_that_do_not_fit(reason, call, capfd):
    elam, x = call()
    out = capfd.readouterr().out
    assert out.startswith(" SIMVIT: INVALID ARGUMENTS: ") and reason in out and out.count("\n") == 1
    assert not elam.any() and not x.any()
