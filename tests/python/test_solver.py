"""Profile matrices, Cholesky and subspace iteration through ruvoutils, against
numpy and scipy on seeded random band matrices."""
import numpy as np
import pytest
import scipy.linalg

import _ruvo

u = _ruvo.ruvoutils
ERROR = _ruvo.__ruvo_error


def level_vector(n, ibd):
    rows = np.minimum(np.arange(1, n + 1), ibd)  # stored entries per row
    return (np.concatenate(([0], np.cumsum(rows)[:-1])) - np.arange(1, n + 1) + rows).astype(np.int32)


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


BANDS = [(2, 1), (2, 2), (7, 3), (30, 30), (50, 8), (120, 17)]


@pytest.mark.parametrize("n,ibd", BANDS)
def test_cholesky_factor_and_solution_match_numpy(n, ibd):
    rng = np.random.default_rng(1000 * n + ibd)
    A = random_band(rng, n, ibd)
    lv = level_vector(n, ibd)
    a = pack(A, ibd)
    u.chodec(a, ibd, lv, 0)
    np.testing.assert_allclose(a, pack(np.linalg.cholesky(A), ibd), rtol=1e-12, atol=1e-14)

    rhs = rng.uniform(-1.0, 1.0, (n, 3))
    x = np.asfortranarray(rhs)
    u.chosol(a, ibd, lv, x, np.zeros(n))
    np.testing.assert_allclose(x, np.linalg.solve(A, rhs), rtol=1e-10, atol=1e-12)


def test_level_vectors_of_bands():
    assert level_vector(5, 3).tolist() == [0, 1, 3, 5, 7]
    assert level_vector(4, 4).tolist() == [0, 1, 3, 6]
    assert level_vector(3, 1).tolist() == [0, 0, 0]


def test_cholesky_pivot_threshold_and_order_one():
    lv = level_vector(2, 2)
    at = np.array([1.0, 0.0, 1.0e-20])
    u.chodec(at, 2, lv, 0)
    assert at[2] == 1.0e-20  # refused: left as it was
    above = np.array([1.0, 0.0, np.nextafter(1.0e-20, 1.0)])
    u.chodec(above, 2, lv, 0)
    assert above[2] == np.sqrt(np.nextafter(1.0e-20, 1.0))

    one = np.array([9.0])
    u.chodec(one, 1, np.zeros(1, np.int32), 0)
    assert one[0] == 3.0


def test_solve_with_no_columns_leaves_x_alone():
    a = pack(np.eye(3) * 4.0, 3)
    lv = level_vector(3, 3)
    u.chodec(a, 3, lv, 0)
    x = np.zeros((3, 0), order="F")
    u.chosol(a, 3, lv, x, np.zeros(3))
    assert x.shape == (3, 0)


@pytest.mark.parametrize("n,ibd", BANDS)
def test_product_matches_dense_product_on_columns_from_m1(n, ibd):
    rng = np.random.default_rng(7 * n + ibd)
    A = random_band(rng, n, ibd, definite=False)
    b = np.asfortranarray(rng.uniform(-1.0, 1.0, (n, 4)))
    c = u.probtm(pack(A, ibd), ibd, level_vector(n, ibd), b, 2)
    np.testing.assert_allclose(c[:, 1:], A @ b[:, 1:], rtol=1e-13, atol=1e-13)
    assert not c[:, 0].any()

    only_third = u.probtm(pack(A, ibd), ibd, level_vector(n, ibd), b[:, :3].copy(order="F"), 3, m=3)
    np.testing.assert_allclose(only_third[:, 2], A @ b[:, 2], rtol=1e-13, atol=1e-13)
    assert not only_third[:, :2].any()


def test_product_with_first_column_beyond_last_does_nothing():
    lv = level_vector(3, 2)
    c = u.probtm(pack(np.eye(3), 2), 2, lv, np.ones((3, 2), order="F"), 3)
    assert c.shape == (3, 2) and not c.any()


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


def test_diagonal_pair_gives_the_last_unit_vectors():
    n = 10
    elam, x = simvit(np.eye(n), np.diag(np.arange(1.0, n + 1)), n, 1, 2, 4)
    np.testing.assert_allclose(elam[:2], [1.0 / n, 1.0 / (n - 1)], rtol=1e-11)
    np.testing.assert_allclose(np.abs(x[:, :2]), np.eye(n)[:, [n - 1, n - 2]], atol=1e-5)


def test_two_calls_are_bit_identical():
    rng = np.random.default_rng(3)
    A = random_band(rng, 50, 7)
    B = random_band(rng, 50, 7, definite=False)
    first = simvit(A, B, 7, 7, 3, 6, eps=1e-8)
    second = simvit(A, B, 7, 7, 3, 6, eps=1e-8)
    assert first[0].tobytes() == second[0].tobytes()
    assert first[1].tobytes() == second[1].tobytes()


def test_stiffness_not_definite_is_reported(listing_file, capfd):
    A = np.diag([0.0, 1.0, 1.0, 1.0])
    elam, x = simvit(A, np.eye(4), 4, 1, 1, 3)
    line = " SIMVIT: ERROR IN CHOLESKY DECOMPOSITION. IER=   1\n"
    assert capfd.readouterr().out == line
    assert listing_file.read_text() == line
    assert not elam.any()
    assert x[0, 0] == 2.0 and ((x[1:, 0] >= 0) & (x[1:, 0] < 1)).all()


def jacob2(A, eps=1e-8):
    n = A.shape[0]
    a = pack(A, n)
    ys = np.full((n, n), -1.0, order="F")
    u.jacob2(a, level_vector(n, n), eps, ys, 0)
    return a, ys


def test_jacobi_on_diagonal_zero_and_one_by_one_matrices():
    a, ys = jacob2(np.diag([3.0, -1.0, 2.0]))
    assert (ys == np.eye(3)).all() and (a == pack(np.diag([3.0, -1.0, 2.0]), 3)).all()
    a, ys = jacob2(np.zeros((3, 3)))  # too small: left as it was
    assert (ys == np.eye(3)).all() and not a.any()
    a, ys = jacob2(np.array([[4.0]]))
    assert ys.tolist() == [[1.0]] and a.tolist() == [4.0]


def test_jacobi_eigenpairs_match_numpy():
    rng = np.random.default_rng(11)
    A = random_band(rng, 8, 8, definite=False)
    a, ys = jacob2(A, eps=1e-14)
    lam = a[level_vector(8, 8) + np.arange(8)]
    np.testing.assert_allclose(np.sort(lam), np.linalg.eigvalsh(A), atol=1e-12)
    np.testing.assert_allclose(A @ ys, ys * lam, atol=1e-10)


def test_chneig_limits_the_counts(capfd):
    man = _ruvo.man
    saved = int(man.ix), int(man.neigit), int(man.neigrq)
    try:
        man.ix, man.neigit, man.neigrq = 12, 20, 20
        u.chneig()
        assert (int(man.neigit), int(man.neigrq)) == (12, 11)
        assert capfd.readouterr().out == (" VALUE OF NEIGIT REDUCED TO 12 = NUMBER OF W-DOFS\n"
                                          " VALUE OF NEIGRQ REDUCED TO 11 = NEIGIT-1\n")
        man.neigit, man.neigrq = 8, 7
        u.chneig()
        assert (int(man.neigit), int(man.neigrq)) == (8, 7)
        assert capfd.readouterr().out == ""
    finally:
        man.ix, man.neigit, man.neigrq = saved


def test_arrays_too_short_for_the_profile_are_refused():
    lv = level_vector(5, 3)
    with pytest.raises(ERROR, match="chodec: a holds 11 entries, fewer than the lv\\(n\\)\\+n = 12"):
        u.chodec(np.ones(11), 3, lv, 0)
    with pytest.raises(ERROR, match="chosol: .*does not describe a band of width ibd = 2"):
        u.chosol(np.ones(12), 2, lv, np.ones((5, 1), order="F"), np.zeros(5))
    with pytest.raises(ERROR, match="probtm: first column m1 = 0"):
        u.probtm(np.ones(12), 3, lv, np.ones((5, 2), order="F"), 0)
    with pytest.raises(ERROR, match="probtm: lv\\(1\\) = 1 is not 0"):
        u.probtm(np.ones(12), 3, lv + 1, np.ones((5, 2), order="F"), 1)
    with pytest.raises(ERROR, match="jacob2: a holds 5 entries"):
        u.jacob2(np.ones(5), level_vector(3, 3), 1e-8, np.zeros((3, 3), order="F"), 0)
    with pytest.raises(ERROR, match="simvit: elam holds 2 entries, fewer than neigit = 3"):
        simvit_raw(elam=np.zeros(2))
    with pytest.raises(ERROR, match="simvit: b holds 3 entries"):
        simvit_raw(b=np.ones(3))


def simvit_raw(neigrq=1, n=4, elam=None, b=None, lvtri=None):
    a = pack(np.eye(n), 1)
    x = np.zeros((n, 3), order="F")
    elam = np.zeros(3) if elam is None else elam
    lvtri = level_vector(3, 3) if lvtri is None else lvtri
    u.simvit(neigrq, a, a if b is None else b, 1, 1, level_vector(n, 1), level_vector(n, 1), 1e-6,
             elam, x, 0, 0, lvtri, 0)
    return elam, x


@pytest.mark.parametrize("args,reason", [
    (dict(neigrq=3), "neigrq = 3 is outside 1..neigit-1 = 2"),
    (dict(neigrq=0), "neigrq = 0 is outside"),
    (dict(n=2), "neigit = 3 is outside 2..n = 2"),
    (dict(lvtri=np.array([0, 1, 2], np.int32)), "lvtri(1..neigit) is not the full triangle"),
])
def test_simvit_refuses_counts_that_do_not_fit(args, reason, capfd):
    elam, x = simvit_raw(**args)
    out = capfd.readouterr().out
    assert out.startswith(" SIMVIT: INVALID ARGUMENTS: ") and reason in out and out.count("\n") == 1
    assert not elam.any() and not x.any()
