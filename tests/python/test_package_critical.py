"""The critical (smallest positive) load factor whatever the sign of the
smallest-magnitude ones: found beyond the modes asked and checked against a
dense solution of the condensed pair; `buckles` False only with the bound
shown; load cases, sweeps, tables, the archive, plot and gradient alike."""
import math
import re

import numpy as np
import pytest
import scipy.linalg

import ruvo
from conftest import full_system
from ruvo import Laminate, Loads, Material, Mesh, Panel, Ply, table

CARBON = Material(E1=135000.0, E2=9000.0, nu12=0.3, G12=5000.0)
PLUS_45 = Laminate.from_plies([Ply(0.125, a) for a in (45, 45, -45, 0, 90, 0, -45, 45, 45)], CARBON)  # D16 > 0
ALUMINIUM = Laminate.isotropic(70000.0, 0.3, 1.0)


def shear_panel(ry=math.inf, nxy=10.0):
    return Panel(length=300.0, width=200.0, laminate=PLUS_45, loads=Loads(Nxy=nxy), edges="simply supported",
                 ry=ry, mesh=Mesh(nx=6, ny=5))


def plate(loads):
    return Panel(length=200.0, width=200.0, laminate=ALUMINIUM, loads=loads, edges="simply supported",
                 mesh=Mesh(nx=6, ny=6))


def tension_plate(ny):  # Nx = -1 with a small transverse compression: a positive factor far beyond the modes
    return Panel(length=400.0, width=400.0, laminate=Laminate.isotropic(70000.0, 0.3, 2.0),
                 loads=Loads(Nx=-1.0, Ny=ny), edges="simply supported", mesh=Mesh(nx=8, ny=8))


def smallest_positive_by_dense_solution(panel):
    """1/μ of the largest μ of B·w = μ·A11*·w, A11* condensed by hand from the assembled full system."""
    k, b, ix, _ = full_system(panel)
    a11 = k[:ix, :ix] - k[:ix, ix:] @ np.linalg.solve(k[ix:, ix:], k[ix:, :ix])
    mu = scipy.linalg.eigh(b[:ix, :ix], a11, eigvals_only=True)[-1]
    return 1.0 / mu if mu > 0 else math.inf


@pytest.mark.parametrize("panel, modes", [
    (shear_panel(), 3),                                  # flat, D16: the first three are for the reversed shear
    (shear_panel(ry=800.0), 3),                          # curved, likewise
    (plate(Loads(Nx=-1.0, Ny=0.3)), 3),                  # tension with a small transverse compression
    (plate(Loads(Nx=-1.0, Ny=0.3)), 1),
    (tension_plate(0.01), 6),                            # 14,000 times the smallest magnitude: from a shift
    (tension_plate(0.0038), 6),                          # 760,000 times
])
def test_the_positive_factor_beyond_the_modes_asked(panel, modes):
    result = ruvo.buckle(panel, modes=modes)
    assert (result.load_factors[:modes] < 0).all() and result.modes == modes + 1
    assert result.buckles and result.critical_mode == modes + 1 and result.no_positive_below is None
    lam = result.critical_load_factor
    assert lam == pytest.approx(smallest_positive_by_dense_solution(panel), rel=1e-9)
    # its full mode solves the assembled system, normalised as the others; its forces are those at λ
    _, out, _ = ruvo.engine.run(panel, "buckling", modes, entry=dict(tangential=True))
    assert out["cases"][0]["critical"]["outcome"] == "appended"
    k, b, _, _ = full_system(panel)
    phi = np.concatenate([out["w"][:, -1], out["tangential"][:, -1]])
    assert np.abs(k @ phi - lam * (b @ phi)).max() < 1e-7 * np.abs(k @ phi).max()
    assert phi @ k @ phi == pytest.approx(1.0, rel=1e-8)
    np.testing.assert_allclose(result.membrane_forces[-1], lam * panel.loads.variable(), rtol=1e-6)


TINY = Panel(length=100.0, width=100.0, laminate=ALUMINIUM, loads=Loads(Nx=-1.0, Ny=0.01), freedoms="W",
             edges="simply supported", mesh=Mesh(nx=2, ny=2))    # 15 W equations


@pytest.mark.parametrize("panel, modes, reason", [
    (plate(Loads(Nx=-1.0)), 3, "at any load"),                      # tension everywhere: shown without iterating
    (plate(Loads(Nx=-1.0, Ny=-0.5, Nxy=0.2)), 1, "at any load"),
    (tension_plate(0.0037), 6, "below 1.27005e+07"),               # the dense solution's is 4.4e7
    (TINY, 16, "at any load"),                      # every factor computed, all negative; more modes than freedoms
])
def test_no_positive_factor_below_the_bound(panel, modes, reason):
    result = ruvo.buckle(panel, modes=modes)
    assert not result.buckles and result.critical_mode is None and result.critical_load_factor == math.inf
    assert reason in result.no_buckling_reason
    bound = result.no_positive_below
    assert bound == math.inf or bound == pytest.approx(1e6 * np.abs(result.load_factors).min(), rel=1e-12)
    reference = smallest_positive_by_dense_solution(panel)
    assert reference > bound or reference == bound == math.inf
    assert ruvo.load(result.to_json()) == result and ruvo.load(result.to_json()).no_positive_below == bound
    with pytest.raises(ValueError, match=f"no critical mode to draw.*{re.escape(reason)}"):
        result.plot(mode=result.critical_mode)
    loads = panel.loads
    with pytest.raises(ValueError, match=f"do not buckle the panel: no positive load factor {re.escape(reason)}"):
        ruvo.gradient(lambda x: panel.replace(loads=Loads(Nx=x[0], Ny=loads.Ny, Nxy=loads.Nxy)), [loads.Nx],
                      modes=modes)


def test_load_cases_and_a_sweep_let_the_shear_case_govern():
    panel = shear_panel()
    cases = [Loads(Nx=1.0), Loads(Nxy=10.0), Loads(Nx=-1.0)]
    results = ruvo.buckle(panel, modes=2, load_cases=cases)
    alone = [ruvo.buckle(panel.replace(loads=c), modes=30) for c in cases]
    assert results.governing is results.cases[1] and results.governing_index == 1 == int(np.argmin([r.critical_load_factor for r in alone]))
    assert [r.critical_load_factor for r in results] == pytest.approx([r.critical_load_factor for r in alone],
                                                                      rel=1e-9)
    assert [r.buckles for r in results] == [True, True, False]
    swept = ruvo.sweep([panel, panel.replace(ry=800.0)], processes=1, progress=False, modes=2, load_cases=cases)
    rows = table.rows(swept, swept.panels)
    assert [r["governing"] for r in rows] == [False, True, False] * 2
    assert rows[1]["critical_load_factor"] == pytest.approx(alone[1].critical_load_factor, rel=1e-9)
    assert rows[2]["buckles"] is False and rows[2]["no_positive_below"] == math.inf


def test_gradient_of_the_factor_found_beyond_the_modes():
    def build(x):
        return shear_panel(nxy=x[0])
    g = ruvo.gradient(build, [10.0], modes=2)
    lam = ruvo.buckle(build([10.0]), modes=30).critical_load_factor
    assert g.mode == len(g.values) == 3 and g.value == pytest.approx(lam, rel=1e-9)
    assert g.gradient[0] == pytest.approx(-lam / 10.0, rel=1e-6)  # λ·Nxy stays the critical shear flow


def test_command_line_words_for_a_panel_that_does_not_buckle(tmp_path):
    from ruvo.__main__ import _report
    text = _report(ruvo.buckle(plate(Loads(Nx=-1.0)), modes=2))
    assert "does not buckle under the applied loads: no positive load factor at any load" in text
