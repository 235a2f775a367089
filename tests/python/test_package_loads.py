"""Loads in the engineer's words: running loads split between skin and
stiffeners, pressure on a curved panel, temperature; each against a hand
computation or a closed form."""
import math

import numpy as np
import pytest

import ruvo
from ruvo import Laminate, Loads, Material, Mesh, Panel, Ply, Region, RunningLoads, Stiffener

E, NU = 70000.0, 0.3
SKIN = Laminate.isotropic(E, NU, 2.0)                  # axial membrane stiffness E·t = 140000
PAD = Laminate.isotropic(E, NU, 4.0)                   # 280000
STRINGERS = [Stiffener(y, EA=1.4e7, EI=7e9, GJ=1e6) for y in (100.0, 200.0, 300.0)]
FRAMES = [Stiffener(x, EA=7e6, EI=7e9, GJ=1e6) for x in (170.0, 330.0)]


def stiffened(loads, **changes):
    return Panel(**{**dict(length=500.0, width=400.0, laminate=SKIN, loads=loads, stringers=STRINGERS,
                           edges="simply supported", mesh=Mesh(nx=10, ny=12)), **changes})


# Hand split at equal strain, 400 wide by 500 long: skin Nx·b_eff + ΣEA·εx = Nx·b with εx = Nx(skin)/(E·t);
# three stringers of EA 1.4e7 give 1.05e5 per unit width against the skin's 1.4e5: Nx(skin) = Nx/1.75;
# two frames of EA 7e6 over 500 give 2.8e4 against 1.4e5: Ny(skin) = Ny/1.2; a 100 wide band of twice
# the skin's stiffness makes b_eff 500: Nx(skin) = 450·400/800.
# running loads | changes | skin (Nx, Nxy, Ny) variable, fixed | one stringer's force, variable and fixed
@pytest.mark.parametrize("running, changes, skin, stringer", [
    pytest.param(RunningLoads(Nx=450.0, Nxy=50.0), {}, [[257.142857, 50.0, 0.0], [0, 0, 0]], [25714.2857, 0.0],
                 id="stringers take EA times the skin's strain, shear stays in the skin"),
    pytest.param(RunningLoads(Nx=175.0, fixed_Nx=-35.0), {}, [[100.0, 0, 0], [-20.0, 0, 0]], [10000.0, -2000.0],
                 id="fixed and variable parts split alike"),
    pytest.param(RunningLoads(Ny=60.0), dict(stringers=[], frames=FRAMES), [[0, 0, 50.0], [0, 0, 0]], None,
                 id="frames take the hoop load"),
    pytest.param(RunningLoads(Nx=450.0), dict(regions=[Region(0.0, 100.0, PAD)]), [[225.0, 0, 0], [0, 0, 0]],
                 [22500.0, 0.0], id="a region of its own stiffness"),
])
def test_running_loads_split_at_equal_strain_as_by_hand(running, changes, skin, stringer):
    panel = stiffened(running, **changes)
    result = ruvo.buckle(panel, modes=2)
    np.testing.assert_allclose([result.skin_loads.variable(), result.skin_loads.fixed()], skin, atol=1e-6)
    if stringer is not None:
        np.testing.assert_allclose(result.load_split.stringer_forces[1], stringer, rtol=1e-9)
    else:
        np.testing.assert_allclose(result.load_split.frame_forces[0], [2500.0, 0.0], rtol=1e-9)
    same = ruvo.buckle(panel.replace(loads=result.skin_loads), modes=2)
    np.testing.assert_array_equal(result.load_factors, same.load_factors)
    assert ruvo.Panel.from_toml(panel.to_toml()) == panel   # running = true


def test_pressure_gives_hoop_and_axial_tension_that_raises_the_buckling_load():
    # a shallow cylinder panel (b²/(R·t)·√(1-ν²) = 0.095: nearly a plate) under Nx with the hoop tension
    # T = p·R of the pressure: simply supported, n = 1, Nx = min over m of
    # (D·π²·((m/a)² + (1/b)²)² + T/b²) / (m/a)²
    length, width, radius, p = 300.0, 100.0, 1.0e5, 2.0e-4
    base = Panel(length=length, width=width, laminate=Laminate.isotropic(E, NU, 1.0), loads=Loads(Nx=1.0),
                 ry=radius, edges="simply supported", mesh=Mesh(nx=24, ny=8))
    pressed = base.replace(loads=Loads(Nx=1.0, pressure=p, closed_ends=True))
    split = ruvo.buckle(pressed, modes=1).skin_loads
    assert (split.fixed_Ny, split.fixed_Nx) == pytest.approx((-p * radius, -0.5 * p * radius), rel=1e-12)
    pressed = base.replace(loads=Loads(Nx=1.0, pressure=p))
    d = E / (12.0 * (1.0 - NU ** 2))
    def closed_form(tension):
        return min((d * math.pi ** 2 * ((m / length) ** 2 + width ** -2) ** 2 + tension / width ** 2)
                   / (m / length) ** 2 for m in range(1, 9))
    ratio = ruvo.buckle(pressed).critical_load_factor / ruvo.buckle(base).critical_load_factor
    assert ratio == pytest.approx(closed_form(p * radius) / closed_form(0.0), rel=0.01)


T300 = Material(135000.0, 10000.0, 0.3, 5000.0, alpha1=-0.3e-6, alpha2=28e-6)


def _principal_forces(t):
    """The restrained forces per degree of one ply in its own axes, Q·α·t."""
    m = T300
    d = 1.0 - m.nu12 ** 2 * m.E2 / m.E1
    q11, q22, q12 = m.E1 / d, m.E2 / d, m.nu12 * m.E2 / d
    return t * (q11 * m.alpha1 + q12 * m.alpha2), t * (q12 * m.alpha1 + q22 * m.alpha2)


# The forces of a ply at θ turn as a stress does: Nx = N1·c² + N2·s², Ny = N1·s² + N2·c², Nxy = (N1 - N2)·c·s.
@pytest.mark.parametrize("angles, weights", [
    pytest.param([0, 45], [[1.5, 0.5], [0.5, 1.5], [0.5, -0.5]], id="unsymmetric 0/45"),
    pytest.param([0, 45, -45, 90, 90, -45, 45, 0], [[4, 4], [4, 4], [0, 0]], id="quasi-isotropic"),
])
def test_thermal_forces_of_laminates_against_the_plies_turned_by_hand(angles, weights):
    lam = Laminate.from_plies([Ply(0.125, a) for a in angles], T300)
    n1, n2 = _principal_forces(0.125)
    np.testing.assert_allclose(lam.thermal_forces, np.array(weights) @ [n1, n2], rtol=1e-12, atol=1e-12 * abs(n2))


def test_a_heated_restrained_plate_buckles_at_the_classical_temperature():
    # simply supported square, equal biaxial N = E·t·α·ΔT/(1-ν): ΔT = π²·t²/(6·(1+ν)·a²·α)
    a, t, alpha = 200.0, 2.0, 23e-6
    plate = Panel(length=a, width=a, laminate=Laminate.isotropic(E, NU, t, alpha=alpha), loads=Loads(delta_T=1.0),
                  edges="simply supported", mesh=Mesh(nx=10, ny=10))
    result = ruvo.buckle(plate, modes=1)
    assert result.skin_loads.Nx == pytest.approx(E * t * alpha / (1.0 - NU), rel=1e-12)
    assert result.critical_load_factor == pytest.approx(math.pi ** 2 * t ** 2 / (6 * (1 + NU) * a ** 2 * alpha),
                                                        rel=0.005)


def test_a_heated_restrained_aluminium_skin_yields_at_the_temperature_by_hand():
    # equal biaxial compression σ = E·α·ΔT/(1-ν), von Mises σ: ΔT = Fcy·(1-ν)/(E·α) = 121.739;
    # a stringer of the same metal held with the skin carries EA·α per degree
    skin = Laminate.isotropic(E, NU, 2.0, Fcy=280.0, alpha=23e-6)
    blade = ruvo.sections.Blade(skin=skin, material=ruvo.sections.Isotropic(E, NU, alpha=23e-6), height=20.0, web=2.0)
    plate = Panel(length=300.0, width=200.0, laminate=skin, loads=Loads(delta_T=1.0), mesh=Mesh(nx=4, ny=4),
                  stringers=[blade.stiffener(100.0)])
    result = ruvo.buckle(plate, modes=1)
    assert plate.stringers[0].alpha == pytest.approx(23e-6, rel=1e-12)
    assert result.load_split.stringer_forces[0, 0] == pytest.approx(blade.EA * 23e-6, rel=1e-12)
    table = result.margins()
    yield_row = table[(table["part"] == "skin") & (table["mode"] == "yield (von Mises)")].iloc[0]
    assert yield_row["reserve_factor"] == pytest.approx(280.0 * (1 - NU) / (E * 23e-6), rel=1e-12)
