"""Laminates against classical lamination theory, ply rotation, and the element-term routines' refusals."""
import numpy as np
import pytest

import _ruvo
from conftest import run_fresh

CARBON = (140000.0, 10000.0, 0.3, 5000.0)


def lamination(q, thk, ang):
    """A, B, D of a ply stack from the textbook transformed reduced stiffness."""
    e1, e2, nu12, g12 = q
    d = 1.0 - nu12 * nu12 * e2 / e1
    q11, q22, q12, q66 = e1 / d, e2 / d, nu12 * e2 / d, g12
    z = np.concatenate([[0.0], np.cumsum(thk)]) - np.sum(thk) / 2
    abd = [np.zeros((3, 3)) for _ in range(3)]
    for k, angle in enumerate(np.radians(ang)):
        c, s = np.cos(angle), np.sin(angle)
        qb = np.empty((3, 3))
        qb[0, 0] = q11 * c**4 + 2 * (q12 + 2 * q66) * s**2 * c**2 + q22 * s**4
        qb[1, 1] = q11 * s**4 + 2 * (q12 + 2 * q66) * s**2 * c**2 + q22 * c**4
        qb[0, 1] = qb[1, 0] = (q11 + q22 - 4 * q66) * s**2 * c**2 + q12 * (s**4 + c**4)
        qb[2, 2] = (q11 + q22 - 2 * q12 - 2 * q66) * s**2 * c**2 + q66 * (s**4 + c**4)
        qb[0, 2] = qb[2, 0] = (q11 - q12 - 2 * q66) * c**3 * s - (q22 - q12 - 2 * q66) * c * s**3
        qb[1, 2] = qb[2, 1] = (q11 - q12 - 2 * q66) * c * s**3 - (q22 - q12 - 2 * q66) * c**3 * s
        for power, m in zip((1, 2, 3), abd):
            m += qb * (z[k + 1] ** power - z[k] ** power) / power
    return abd


def abdetc(ruvo, thk, ang, q):
    out = [np.zeros((3, 3), np.float32, order="F") for _ in range(3)]
    ruvo.ruvoutils.abdetc(len(thk), np.array(thk, np.float32), np.array(ang, np.float32),
                          np.array(q, np.float32), 0.0, *out, 0)
    return out


ISOTROPIC = (70000.0, 70000.0, 0.3, 70000.0 / 2.6)


# Ply stacks held to classical lamination theory: the plies' thicknesses | their angles in degrees | the
# material (E1, E2, nu12, G12).
@pytest.mark.parametrize("thk, ang, q", [
    pytest.param([2.0], [0.0], ISOTROPIC, id="one isotropic ply"),  # E t/(1-ν²), E t³/12(1-ν²), G t³/12
    pytest.param([0.125] * 8, [0, 45, -45, 90, 90, -45, 45, 0], CARBON, id="symmetric and balanced"),
    pytest.param([0.125, 0.25], [0, 90], CARBON, id="unsymmetric"),
    pytest.param([0.2, 0.2], [45, -45], CARBON, id="angle ply: bending-twist coupling"),
    pytest.param([0.1, 0.3, 0.2], [30, -60, 10], CARBON, id="three plies at odd angles"),
    pytest.param([0.2, 0.3], [135.0, -135.0], CARBON, id="folded to -45, 45"),
])
def test_abdetc_and_the_package_are_classical_lamination_theory(ruvo, thk, ang, q):
    """The engine's abdetc to its 32 bits, the package's laminate to double
    precision and packed in the engine's order (upper triangles by column,
    the coupling as -B), with symmetry (B = 0) and balance (A16 = A26 = 0) exact."""
    from ruvo import Laminate, Material, Ply
    aal, ddl, adl = abdetc(ruvo, thk, ang, q)
    a, b, d = lamination(q, thk, ang)
    h = sum(thk)
    sizes = np.abs(a).max() * np.array([1, h, h * h])
    for engine, oracle, size in zip((aal, adl, ddl), (a, -b, d), sizes):
        assert np.allclose(engine, oracle, rtol=0, atol=2e-6 * size)
    package = Laminate.from_plies([Ply(t, g) for t, g in zip(thk, ang)], Material(*q))
    if q == ISOTROPIC:
        package = Laminate.isotropic(q[0], q[2], thk[0])
    packed, upper = package.packed(), ([0, 0, 1, 0, 1, 2], [0, 1, 1, 2, 2, 2])
    assert packed.dtype == np.float32 and package.thickness == pytest.approx(h)
    for k, (mine, engine, oracle) in enumerate(zip((package.A, package.B, package.D), (aal, adl, ddl), (a, b, d))):
        assert np.allclose(mine, oracle, rtol=0, atol=1e-12 * sizes[k])
        assert np.allclose(packed[6 * k:6 * k + 6], engine[upper], rtol=0, atol=2e-6 * sizes[k])
    if ang == ang[::-1] and thk == thk[::-1]:
        assert np.abs(adl).max() <= 1e-6 * sizes[1]
        assert not np.any(package.B)
    if sorted(ang) == sorted(-g for g in ang) and len(set(thk)) == 1:
        assert package.A[0][2] == package.A[1][2] == 0.0


def test_trnpsi_rotates_ply_stiffness(ruvo):
    q = np.array([[141.0, 3.0, 0.0], [3.0, 10.0, 0.0], [0.0, 0.0, 5.0]], np.float32, order="F")
    b, ier = ruvo.ruvoutils.trnpsi(0.0, q)
    assert ier == 0 and np.array_equal(b, q)
    b, ier = ruvo.ruvoutils.trnpsi(90.0, q)
    assert np.allclose(b, [[10, 3, 0], [3, 141, 0], [0, 0, 5]], atol=2e-4)
    shear = np.array([[4.0, 1.0], [1.0, 2.0]], np.float32)
    b, ier = ruvo.ruvoutils.trnpsi(30.0, shear)
    c, s = np.cos(np.radians(30)), np.sin(np.radians(30))
    t = np.array([[c, s], [-s, c]])
    assert ier == 0 and np.allclose(b, t.T @ shear @ t, atol=1e-6)
    out = run_fresh("import numpy as np, _ruvo\n"      # another order: reported on standard output
                    "b, ier = _ruvo.ruvoutils.trnpsi(10.0, np.eye(4, dtype=np.float32))\n"
                    "print(ier, b.shape, b.any())\n")
    assert out == "  ERROR NO.  1 IN TRNPSI\n1 (4, 4) False\n"


OUT = [np.zeros((3, 3), np.float32, order="F") for _ in range(3)]
U = _ruvo.ruvoutils


@pytest.mark.parametrize("words, call", [
    pytest.param("abdetc: nla = 0 is below 1", lambda: U.abdetc(0, [0.1], [0.0], CARBON, 0.0, *OUT, 0), id="no plies"),
    pytest.param("abdetc: angply holds 2 entries, fewer than nla = 3",
                 lambda: U.abdetc(3, [0.1] * 3, [0.0] * 2, CARBON, 0.0, *OUT, 0), id="an angle short"),
    pytest.param("trnpsi: a has 2 columns, not m = 3", lambda: U.trnpsi(10.0, np.ones((3, 2), np.float32)),
                 id="too few columns"),
    pytest.param("trnpsi: a has 4 columns, not m = 3", lambda: U.trnpsi(10.0, np.ones((3, 4), np.float32)),
                 id="too many columns"),
])
def test_lamination_routines_refuse_lists_that_do_not_fit(ruvo, words, call):
    with pytest.raises(ruvo.__ruvo_error, match=words):
        call()


P19 = _ruvo.prtnds19
C, CH = (np.zeros((rows, int(_ruvo.ruvo19.p_elmts)), np.float32, order="F") for rows in (45, 3))
BLOCKS = [np.zeros((rows, C.shape[1]), np.float32, order="F") for rows in [6] * 6 + [3]]


def every_term_present():  # f01kbf on element terms that all survive: more than the term list holds
    _ruvo.f01eps.feps[:] = 1.0
    full = C.copy(order="F")
    full[:, :4] = 1.0
    return P19.f01kbf(full, CH)


@pytest.fixture
def grid(ruvo):
    """The element grid and the tables the element routines read; restored afterwards."""
    saved = int(ruvo.f07ina.mx), int(ruvo.f07ina.my), np.array(ruvo.f01eps.feps), np.array(ruvo.f01qua.ikt)
    yield ruvo.f07ina
    ruvo.f07ina.mx, ruvo.f07ina.my, ruvo.f01eps.feps = saved[:3]
    assert np.array_equal(ruvo.f01qua.ikt, saved[3])      # a refused call leaves the term counts


# The 19 variant: 19 x 19 elements. mx | my | the words (a pattern) | the call.
@pytest.mark.parametrize("mx, my, words, call", [
    pytest.param(20, 3, r"f01kbf: mx = 20 is not within 0\.\.19", lambda: P19.f01kbf(C, CH), id="f01kbf, mx"),
    pytest.param(20, 3, r"f01ktf: mx = 20 is not within 0\.\.19", lambda: P19.f01ktf(C, CH, *BLOCKS), id="f01ktf, mx"),
    pytest.param(20, 3, r"tfmstf: mx = 20 is not within 0\.\.19", lambda: P19.tfmstf(C, CH, *BLOCKS, 0), id="tfmstf, mx"),
    pytest.param(20, 3, r"tminc: mx = 20 is not within 0\.\.19",
                 lambda: P19.tminc(0.0, np.zeros((6, 6), np.float32), CH, 0.0, 0.0, 0.0, BLOCKS[6]), id="tminc, mx"),
    pytest.param(3, -1, r"f01kbf: my = -1 is not within 0\.\.19", lambda: P19.f01kbf(C, CH), id="f01kbf, my"),
    pytest.param(3, 3, "f01kbf: element 1 would have 729 terms, more than p_itrm = 340", every_term_present,
                 id="f01kbf, terms"),
    pytest.param(3, 3, r"tczinc: ielm = 325 is not within 1\.\.324",
                 lambda: P19.tczinc(np.eye(6, dtype=np.float32), C, BLOCKS[0], 1, 1, 9, 325), id="tczinc, element"),
    pytest.param(3, 3, r"tczinc: k = 40, ks = 4 place entry \(2,3\) at 46",
                 lambda: P19.tczinc(np.eye(6, dtype=np.float32), C, BLOCKS[0], 0, 40, 4, 1), id="tczinc, beyond"),
    pytest.param(3, 3, r"tczinc: k = 41, ks = 3 place entry \(3,3\) at 46, not within 1\.\.45",
                 lambda: P19.tczinc(np.eye(6, dtype=np.float32), C, BLOCKS[0], 1, 41, 3, 1), id="tczinc, beyond a symmetric"),
    pytest.param(3, 3, r"tczinc: k = 0, ks = 9 place entry \(1,1\) at 0",
                 lambda: P19.tczinc(np.eye(6, dtype=np.float32), C, BLOCKS[0], 1, 0, 9, 1), id="tczinc, before"),
])
def test_element_routines_refuse_what_lies_outside_their_arrays(ruvo, grid, mx, my, words, call):
    grid.mx, grid.my = mx, my
    with pytest.raises(ruvo.__ruvo_error, match=words):
        call()
