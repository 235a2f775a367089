"""The model state: size constants, initial values and the storage shared by the variants."""
import json
from fractions import Fraction

import numpy as np
import pytest

from conftest import DATA, UNDER_ASAN, run_fresh

TABLES = json.loads((DATA / "model_state.json").read_text())
SIZES = TABLES["sizes"]


@pytest.mark.parametrize("suffix", ["19", "21", "25", "31"])
def test_size_constants(ruvo, suffix):
    consts, prt = getattr(ruvo, "ruvo" + suffix), getattr(ruvo, "prtnds" + suffix)
    expected = dict(zip(SIZES["names"], SIZES[suffix]), **SIZES["every variant"])
    for name, value in expected.items():
        assert getattr(prt, name) == value and getattr(prt, name).dtype == np.int32, name
        assert name in ("p_la11", "p_la22", "p_lb11") or getattr(consts, name) == value, name


def test_fresh_module_values_and_resident_memory():
    out = run_fresh(
        "import resource, _ruvo as r\n"
        "print(r.f07inb.rx, r.f07inb.ry, r.f07inb.rxy, int(r.man.neigit),"
        " int(r.man.neigrq), int(r.man.mempri), int(r.man.x2pri), r.plotin.scal, int(r.plotin.npx),"
        " int(r.plotin.npy), int(r.plotin.mdsplt.min()), int(r.plotin.mdsplt.max()), list(r.f07ina.ku),"
        " int(r.f01qua.kquad.any()), resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)\n")
    values = out.split()
    assert values[:18] == TABLES["fresh module"]
    # The 728 MB matrix block and the other large blocks stay untouched by the import.
    if not UNDER_ASAN:
        assert int(values[18]) < 100_000, f"resident memory {values[18]} kB"


def test_constant_strain_table(ruvo):
    table = TABLES["constant strain"]
    assert ruvo.f01eps.feps.T.tolist() == table["feps"] and ruvo.f01eps.keps.T.tolist() == table["keps"]


def hermite(j, order):
    coeffs = {1: [1, 0, -3, 2], 2: [0, 1, -2, 1], 3: [0, 0, 3, -2], 4: [0, 0, -1, 1]}[j]
    poly = np.polynomial.Polynomial([Fraction(c) for c in coeffs])
    return poly.deriv(order) if order else poly


def integral(poly):
    return sum(Fraction(c) / (k + 1) for k, c in enumerate(poly.coef))


def test_hermite_tables_are_the_rounded_exact_integrals(ruvo):
    s1 = np.concatenate([ruvo.f07in1.a1, ruvo.f07in1.a2]).reshape((3, 4, 3, 4), order="F")
    s2 = np.concatenate([ruvo.f07in2.b1, ruvo.f07in2.b2]).reshape((3, 4, 3, 4), order="F")
    t = np.polynomial.Polynomial([Fraction(0), Fraction(1)])
    for a, j, b, l in np.ndindex(3, 4, 3, 4):
        product = hermite(j + 1, a) * hermite(l + 1, b)
        w1, w2 = integral((1 - t) * product), integral(t * product)
        assert s1[a, j, b, l] in (np.float32(float(w1)), np.float32(w1.numerator) / np.float32(w1.denominator))
        assert s2[a, j, b, l] == np.float32(w2.numerator) / np.float32(w2.denominator)


def test_variants_share_one_storage_with_their_own_layouts(ruvo):
    ina = ruvo.f07ina
    ina.ku, ina.mx, ina.my = [1, 2, 3, 0, 0], 4, 5
    ina.a, ina.b, ina.leit = 5.0, 7.0, 9
    ruvo.prtnds19.initlz()
    # Members before the first variant array are where every variant has them.
    assert list(ina.ku) == [1, 2, 3, 0, 0] and (ina.mx, ina.my) == (4, 5)
    # The 19 layout (a, b of 18 entries, leit 19 x 19) ends earlier: its ibdx lies
    # inside the 31 layout's leit, which it does not clear.
    assert not ina.a.any() and not ina.b.any()
    flat = ina.leit.ravel(order="F")
    assert not flat[:337].any() and (flat[337:] == 9).all()
    ruvo.prtnds31.initlz()
    assert not ina.leit.any() and list(ina.ku) == [1, 2, 3, 0, 0]
    ina.ku, ina.mx, ina.my = [1, 0, 0, 0, 0], 0, 0


def test_initlz_resets_only_its_members(ruvo):
    ruvo.f07ind.idesup, ruvo.f07ind.numsup, ruvo.f07inb.rx = 3, 2, 2.5
    ruvo.prtnds25.initlz()
    assert not ruvo.f07ind.idesup.any() and ruvo.f07ind.numsup == 2 and ruvo.f07inb.rx == 2.5
    ruvo.f07ind.numsup, ruvo.f07inb.rx = 0, 1.0e29
