"""Laminates against classical lamination theory, ply rotation, and the element-term routines' refusals."""
import numpy as np
import pytest

import _ruvo
from conftest import run_fresh, table

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


@pytest.mark.parametrize("thk, ang, q", table("laminates.txt", "ply stacks"))
def test_abdetc_and_the_package_are_classical_lamination_theory(ruvo, thk, ang, q):
    """The engine's abdetc to its 32 bits, the package's laminate to double
    precision and packed in the engine's order (upper triangles by column,
    the coupling as -B), with symmetry (B = 0) and balance (A16 = A26 = 0) exact."""
    from ruvo import Laminate, Material, Ply
    thk, ang, q = eval(thk), eval(ang), eval(q)
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


@pytest.mark.parametrize("words, call", table("engine_refusals.txt", "lamination"))
def test_lamination_routines_refuse_lists_that_do_not_fit(ruvo, words, call):
    with pytest.raises(ruvo.__ruvo_error, match=words):
        eval(call, globals(), {"u": ruvo.ruvoutils})


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


@pytest.mark.parametrize("mx, my, words, call", table("engine_refusals.txt", "element arrays"))
def test_element_routines_refuse_what_lies_outside_their_arrays(ruvo, grid, mx, my, words, call):
    grid.mx, grid.my = int(mx), int(my)
    with pytest.raises(ruvo.__ruvo_error, match=words):
        eval(call)
