"""Laminate strength and the margins table against hand computations.

The quasi-isotropic laminate [0/45/-45/90]s of 8 plies of 0.125 has by the
lamination invariants A11 = A22 = U1·t, A12 = U4·t, A66 = (U1 - U4)/2·t with
U1 = (3Q11 + 3Q22 + 2Q12 + 4Q66)/8 = 57994.966, U4 = (Q11 + Q22 + 6Q12 -
4Q66)/8 = 18011.745 (t = 1); its ply strains below come from these by
Mohr's circle, ε1 = (εx + εy)/2 + (εx - εy)/2·cos 2θ + γxy/2·sin 2θ.
"""
import json
import math
from types import SimpleNamespace

import numpy as np
import pytest

import ruvo
from ruvo import Laminate, Loads, Material, Mesh, Panel, Ply, Region, Stiffener, sections
from ruvo.checks import strength

CARBON = Material(135000.0, 10000.0, 0.3, 5000.0, Xt=2000.0, Xc=1200.0, Yt=50.0, Yc=200.0, S=80.0,
                  eps1t=0.015, eps1c=0.009, eps2t=0.005, eps2c=0.02, gamma12=0.016)
QUASI = Laminate.from_plies([Ply(0.125, a) for a in (0, 45, -45, 90, 90, -45, 45, 0)], CARBON)
ALUMINIUM = Laminate.isotropic(70000.0, 0.3, 2.0, Fcy=280.0)


def test_ply_strains_of_the_quasi_isotropic_laminate_match_the_invariants_and_mohrs_circle():
    # Nx = 100 compression, Ny = 20 tension, Nxy = 30 (compression-positive sign): (-100, 20, -30) tension positive
    fixed, variable = strength.applied_forces(Loads(Nx=100.0, Ny=-20.0, Nxy=30.0))
    strain = strength.membrane_strain(QUASI, variable)
    np.testing.assert_allclose(fixed, 0.0)
    np.testing.assert_allclose(strain, [-0.0020268987743388366, 0.0009743601429922581, -0.0015006294586655472],
                               rtol=1e-12)
    by_hand = {0: [-0.0020268987743388366, 0.000974360142992258, -0.0015006294586655472],
               45: [-0.001276584045006063, 0.00022404541365948446, 0.0030012589173310945],
               -45: [0.00022404541365948424, -0.0012765840450060628, -0.0030012589173310945],
               90: [0.0009743601429922579, -0.0020268987743388366, 0.0015006294586655477]}
    plies = strength.ply_strains(QUASI, strain)
    for ply, computed in zip(QUASI.plies, plies):
        np.testing.assert_allclose(computed, by_hand[int(ply.angle)], rtol=1e-9, atol=1e-15)


# Nx on the quasi-isotropic laminate | mode | reserve factor by hand | the governing ply in the note.
# By hand: ply stresses σ = Q·ε of the strains above (Nx alone); Tsai-Wu with F1 = 1/Xt - 1/Xc,
# F11 = 1/(Xt·Xc), F12 = -½√(F11·F22), RF = (-b + √(b² + 4a))/(2a), a the quadratic and b the linear
# part of the index at the load; maximum strain RF = allowable / |strain|, the smallest over plies and components.
@pytest.mark.parametrize("Nx, mode, factor, note", [
    pytest.param(100.0, strength.TSAI_WU, 4.5968320581949795, "ply 1 (0°)", id="compression, Tsai-Wu: 0° ply"),
    pytest.param(100.0, strength.MAXIMUM_STRAIN, 4.716088354107669, "ply 1 (0°) ε1",
                 id="compression, maximum strain: 0° fibres"),
    pytest.param(-100.0, strength.TSAI_WU, 2.5557452839823864, "ply 4 (90°)", id="tension, Tsai-Wu: 90° ply"),
    pytest.param(-100.0, strength.MAXIMUM_STRAIN, 2.620049085615372, "ply 4 (90°) ε2",
                 id="tension, maximum strain: 90° ply across"),
])
def test_first_ply_failure_of_the_quasi_isotropic_laminate(Nx, mode, factor, note):
    rows = strength.strength_margins(SimpleNamespace(panel=_plate(QUASI, Loads(Nx=Nx))))
    (row,) = [r for r in rows if r.part == "skin" and r.mode == mode]
    assert row.reserve_factor == pytest.approx(factor, rel=1e-10)
    assert row.note == note


# The metal skin (t = 2, Fcy = 280): the factor scales the variable loads, the fixed ones are kept.
# By hand: σx = -Nx/t, τ = -Nxy/t; fixed σ = -100 with variable σ = -100: (280 - 100)/100; fixed
# σ = -100 with variable τ = -50: √(280² - 100²)/(√3·50); variable alone √(280²)/(√3·50).
@pytest.mark.parametrize("loads, factor", [
    pytest.param(Loads(Nx=200.0, fixed_Nx=200.0), 1.8, id="fixed and variable compression"),
    pytest.param(Loads(Nxy=100.0, fixed_Nx=200.0), 3.0199337741082997, id="fixed compression, variable shear"),
    pytest.param(Loads(Nxy=100.0), 3.2331615074619044, id="shear alone"),
    pytest.param(Loads(Nx=100.0, fixed_Nx=600.0), 0.0, id="fixed loads beyond yield alone"),
])
def test_von_mises_of_a_metal_skin_scales_the_variable_loads(loads, factor):
    (row,) = strength.strength_margins(SimpleNamespace(panel=_plate(ALUMINIUM, loads)))
    assert (row.part, row.mode) == ("skin", strength.VON_MISES)
    assert row.reserve_factor == pytest.approx(factor, rel=1e-12, abs=0.0)


def test_a_region_takes_the_skins_strain_along_x_and_its_forces_across():
    """A region twice as thick as the metal skin under Nx, Ny: the skin's εx
    = (-Nx + ν·Ny)/(E·t) (t = 2) and the region's Ny: σy = -Ny/4, σx = E'·(εx + ν·εy)
    with εy from σy, by hand: von Mises against Fcy."""
    thick = Laminate.isotropic(70000.0, 0.3, 4.0, Fcy=280.0)
    panel = _plate(ALUMINIUM, Loads(Nx=100.0, Ny=40.0), regions=[Region(0.0, 50.0, thick)])
    rows = {r.part: r for r in strength.strength_margins(SimpleNamespace(panel=panel))}
    e, nu = 70000.0, 0.3
    ex = (-50.0 + nu * 20.0) / e                 # skin: σx = -50, σy = -20
    sy = -10.0                                   # region: Ny = -40 over 4
    sx = e * ex + nu * sy                        # σx = E·εx + ν·σy for a plane stress with given σy
    assert rows["region 1"].reserve_factor == pytest.approx(280.0 / math.sqrt(sx * sx - sx * sy + sy * sy), rel=1e-12)


def test_a_stiffener_wall_takes_the_stiffeners_strain_free_to_contract_across():
    """The quasi-isotropic wall strained along: εy = -ν·εx, ν = A12/A22 = U4/U1
    by the invariants; its walls named by the shape, one row per distinct wall."""
    fixed, variable = strength.wall_strains(QUASI, 0.0, -0.001)
    unstrained = strength.laminate_margins("stringer 1 web", QUASI, strength.wall_strains(QUASI, 0.0, 0.0))
    assert all(math.isinf(r.reserve_factor) and "no ply" in r.note for r in unstrained)
    np.testing.assert_allclose(fixed, 0.0)
    np.testing.assert_allclose(variable, [-0.001, 0.001 * 18011.744966442955 / 57994.96644295303, 0.0],
                               rtol=1e-12, atol=1e-18)
    metal = sections.Isotropic(70000.0, 0.3)
    shapes = {"hat": sections.Hat(skin=ALUMINIUM, material=metal, height=20.0, crown_width=15.0, crown=1.0,
                                  web=1.0, web_angle=20.0, foot_width=12.0, foot=QUASI),
              "Z": sections.Z(skin=ALUMINIUM, material=metal, height=25.0, web=1.2, foot_width=15.0, foot=1.0,
                              flange_width=12.0, flange=1.0)}
    walls = {name: strength.named_walls(SimpleNamespace(section=shape)) for name, shape in shapes.items()}
    assert list(walls["hat"]) == ["foot", "web", "crown"] and walls["hat"]["foot"] == QUASI
    assert list(walls["Z"]) == ["foot", "web", "flange"]
    assert strength.named_walls(Stiffener(100.0, EA=1e7)) == {}


@pytest.mark.parametrize("laminate, mode, note", [
    pytest.param(Laminate.isotropic(70000.0, 0.3, 2.0), strength.VON_MISES, "no Fcy", id="metal without Fcy"),
    pytest.param(Laminate.from_plies([Ply(1.0, 0.0)], Material(135000.0, 10000.0, 0.3, 5000.0, Xt=2000.0)),
                 strength.TSAI_WU, "the material has no Xc, Yt, Yc, S", id="plies without strengths"),
    pytest.param(Laminate.from_matrices(QUASI.A, QUASI.D), strength.MAXIMUM_STRAIN, "no plies",
                 id="laminate from its matrices"),
])
def test_a_check_without_its_allowables_is_skipped_with_its_reason(laminate, mode, note):
    rows = strength.strength_margins(SimpleNamespace(panel=_plate(laminate, Loads(Nx=10.0))))
    (row,) = [r for r in rows if r.mode == mode]
    assert row.skipped and note in row.note


def test_the_margins_table_of_load_cases():
    pad = Laminate.isotropic(70000.0, 0.3, 3.0, Fcy=280.0)
    panel = _plate(ALUMINIUM, Loads(Nx=100.0), stringers=[Stiffener(100.0, EA=1e7, EI=1e8, pad_up=pad, pad_width=20.0)])
    cases = ruvo.buckle(panel, modes=2, load_cases=[Loads(Nx=100.0), Loads(Nxy=100.0), Loads(Nx=-100.0)])
    table = cases.margins(factor=1.5, loads="limit")
    assert list(table.columns) == ["load_case", "part", "mode", "reserve_factor", "margin", "governing", "note"]
    assert table.attrs["factor"] == 1.5 and table.attrs["loads"] == "limit"
    assert table["part"].iloc[0] == "panel" and {"skin", "pad-up 1"} <= set(table["part"])
    buckling = table[table["mode"] == "panel buckling"]
    assert list(buckling["reserve_factor"][:2]) == [c.critical_load_factor for c in cases.cases[:2]]
    assert math.isinf(buckling["reserve_factor"].iloc[2])
    assert buckling["note"].iloc[2] == cases.cases[2].no_buckling_reason != ""
    np.testing.assert_allclose(table["margin"], table["reserve_factor"] / 1.5 - 1.0)
    for _, case in table.groupby("load_case"):
        assert case["governing"].sum() == 1
        assert case.loc[case["governing"], "reserve_factor"].item() == case["reserve_factor"].min()
    document = json.loads(cases[1].to_json())["margins"]
    assert document["factor"] == 1.0 and document["loads"] == "ultimate"
    assert [r["reserve_factor"] for r in document["rows"]] == [None if math.isnan(v) else v
                                                                for v in cases[1].margins()["reserve_factor"]]
    worst = table.governing()
    assert worst["reserve_factor"] == table["reserve_factor"].min()
    with pytest.raises(ValueError, match="margins.factor"):
        cases.margins(factor=0.0)
    with pytest.raises(ValueError, match="margins: loads"):
        cases.margins(loads="design")


def _plate(laminate, loads, **changes):
    return Panel(length=300.0, width=200.0, laminate=laminate, loads=loads, mesh=Mesh(nx=4, ny=4), **changes)


def _sized(x):
    """A carbon skin of 8 plies x[0] thick with a metal pad-up x[1] thick under a blade x[2] high."""
    skin = Laminate.from_plies([Ply(x[0], a) for a in (0, 45, -45, 90, 90, -45, 45, 0)], CARBON)
    pad = Laminate.isotropic(70000.0, 0.3, x[1], Fcy=280.0)
    blade = sections.Blade(skin=skin, height=x[2], web=Laminate.isotropic(70000.0, 0.3, 1.5, Fcy=280.0))
    return _plate(skin, Loads(Nx=100.0, Nxy=40.0, fixed_Ny=-10.0),
                  stringers=[blade.stiffener(100.0, pad_up=pad, pad_width=20.0)])


def test_gradients_of_reserve_factors_of_every_kind_match_whole_analyses():
    x = np.array([0.15, 2.0, 20.0])
    table = ruvo.gradient(_sized, x, modes=3, of="margins")
    h = 1e-3 * x
    for i in range(len(x)):
        up, down = (ruvo.buckle(_sized(x + s * h[i] * np.eye(3)[i]), modes=3).margins() for s in (1, -1))
        whole = (up["reserve_factor"] - down["reserve_factor"]) / (2 * h[i])
        np.testing.assert_allclose(table[f"d/dx[{i}]"], whole, rtol=2e-3, atol=1e-6 * abs(whole).max())
    assert {"panel buckling", strength.TSAI_WU, strength.MAXIMUM_STRAIN, strength.VON_MISES} <= set(table["mode"])
    assert table.loc[table["part"] == "skin", "d/dx[0]"].min() > 0.0     # a thicker skin is stronger
