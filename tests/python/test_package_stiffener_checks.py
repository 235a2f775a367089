"""The stiffeners' checks (local buckling of the walls, crippling, column) against hand computations."""
import math

import pytest

import ruvo
from ruvo import Laminate, Loads, Mesh, Panel, Ply, Material, Stiffener, sections
from ruvo.checks.stiffeners import Bay, column_strain, crippling_stress, stiffener_margins, stiffener_strain, strips

E, NU = 70000.0, 0.3
ALU = sections.Isotropic(E, NU, Fcy=400.0)
SKIN2, SKIN4 = Laminate.isotropic(E, NU, 2.0), Laminate.isotropic(E, NU, 4.0)
# A laminated wall given by its own stiffnesses: D11 20000, D22 8000, D12 6000, D66 7000, 1.5 thick.
WALL = Laminate.from_matrices(A=[[90000.0, 20000.0, 0.0], [20000.0, 50000.0, 0.0], [0.0, 0.0, 25000.0]],
                              D=[[20000.0, 6000.0, 0.0], [6000.0, 8000.0, 0.0], [0.0, 0.0, 7000.0]], thickness=1.5)
METAL_T = sections.T(skin=SKIN2, material=ALU, height=30.0, web=2.0, foot_width=20.0, foot=2.0)
LAMINATED_T = sections.T(skin=SKIN2, height=30.0, web=WALL, foot_width=20.0, foot=WALL, Fcu=500.0)
LAMINATED_HAT = sections.Hat(skin=SKIN2, height=25.0, crown_width=20.0, crown=WALL, web=WALL, web_angle=0.0,
                             foot_width=15.0, foot=WALL, Fcu=500.0)
SHAPES = {
    "blade": sections.Blade(skin=SKIN2, material=ALU, height=20.0, web=2.0),
    "I": sections.I(skin=SKIN2, material=ALU, height=30.0, web=2.0, foot_width=20.0, foot=2.0, flange_width=15.0,
                    flange=1.5),
    "Z": sections.Z(skin=SKIN2, material=ALU, height=30.0, web=2.0, foot_width=20.0, foot=2.0, flange_width=15.0,
                    flange=1.5),
    "hat": sections.Hat(skin=SKIN2, material=ALU, height=25.0, crown_width=20.0, crown=1.5, web=1.5, web_angle=30.0,
                        foot_width=15.0, foot=1.5),
    "metal T": METAL_T, "laminated T": LAMINATED_T, "laminated hat": LAMINATED_HAT,
}


# The wall's buckling force per unit width by hand: one edge free 12·D66/b², both edges simply supported
# 2π²(√(D11·D22) + D12 + 2·D66)/b²; isotropic D = E·t³/(12(1 - ν²)), D66 = G·t³/12, the latter 4π²·D/b².
@pytest.mark.parametrize("shape, wall, one_edge_free, width, force", [
    ("blade", "web", True, 20.0, 12 * 26923.076923 * 8 / 12 / 20.0 ** 2),                  # 538.4615
    ("metal T", "foot", True, 10.0, 2153.846154),                  # two outstands of 10 from the web's mid-plane
    ("I", "web", False, 26.5, 4 * math.pi ** 2 * 51282.051282 / 26.5 ** 2),               # 2882.925
    ("Z", "flange", True, 14.0, 463.598901),                       # 15 less half the 2 mm web, 1.5 thick
    ("laminated T", "web", True, 28.5, 12 * 7000 / 28.5 ** 2),                             # 103.4164
    ("laminated hat", "web", False, 23.5, 2 * math.pi ** 2 * (math.sqrt(20000 * 8000) + 6000 + 14000) / 23.5 ** 2),
])
def test_wall_buckling_of_the_long_strip(shape, wall, one_edge_free, width, force):
    strip = next(s for s in strips(SHAPES[shape]) if s.name == wall)
    assert (strip.one_edge_free, strip.b) == (one_edge_free, pytest.approx(width, rel=1e-12))
    assert strip.buckling_force() == pytest.approx(force, rel=1e-7)


# Crippling stresses by hand, the area-weighted mean of the walls'. Metal walls by the effective width,
# √(σcr·Fcy) at most Fcy (Fcy 400): the T's foot outstands (σcr 1076.9) at 400 over 2·10·2, its 28 web
# (σcr 137.36) at 234.404 over 28·2. Laminated walls (Fcu 500) by the composite curves, one edge free
# 1.63·(b/t)^-0.717, no edge free 11·(b/t)^-1.124: the T's foot b/t 6.667 at 209.129 over 2·10·1.5, web b/t 19
# at 98.694 over 28.5·1.5; the hat's feet b/t 10 at 156.372 over 2·15·1.5, webs b/t 15.667 at 249.580 over
# 2·23.5·1.5, crown b/t 13.333 at 299.179 over 20·1.5.
@pytest.mark.parametrize("shape, stress", [
    ("metal T", (400 * 40 + 234.403615 * 56) / 96),              # 303.402
    ("laminated T", (209.129376 * 30 + 98.694120 * 42.75) / 72.75),  # 144.234
    ("laminated hat", (156.371502 * 45 + 249.579544 * 70.5 + 299.179305 * 30) / 145.5),   # 230.979
])
def test_crippling_stress_of_the_section(shape, stress):
    assert crippling_stress(SHAPES[shape]) == (pytest.approx(stress, rel=1e-7), "")


def blade_panel(frames=(), loads=Loads(Nx=100.0), material=ALU, **changes):
    """Three 25 x 3 blades 100 apart on a 4 mm skin 600 long, 300 wide, its sides 50 from the outer blades."""
    blade = sections.Blade(skin=SKIN4, material=material, height=25.0, web=3.0)
    return Panel(length=600.0, width=300.0, laminate=SKIN4, loads=loads, mesh=Mesh(nx=6, ny=6),
                 stringers=[blade.stiffener(y) for y in (50.0, 150.0, 250.0)],
                 frames=[Stiffener(x, EA=1e7, EI=1e9) for x in frames], **changes)


def margins(panel):
    return {(m.part, m.mode): m for m in stiffener_margins(ruvo.buckle(panel, modes=1))}


# The middle blade by hand, Nx 100 on the 4 mm skin: strain 100/(E·4) = 3.5714e-4. Web σcr 12·G·3²/12/25²
# = 387.692, crippling √(387.692·400) = 393.798 (strain 5.6257e-3). Column: the blade with the whole 100 of
# skin (its buckling strain 5.784e-3 lies above every column strain here), centroid 75·14.5/475 = 2.28947 over
# the skin's mid-surface, I = 533.333 + 400·2.28947² + 3906.25 + 75·12.21053² = 17718.53, ρ² = 37.30217;
# without frames Euler at L = 600: π²ρ²/L² = 1.02266e-3; frames 200 apart, Johnson: Euler's 9.20394e-3,
# 5.6257e-3 - 5.6257e-3²/(4·9.20394e-3) = 4.76605e-3.
# A fixed tension of 200 (strain -7.1429e-4) adds 2 to a factor on Nx 100.
@pytest.mark.parametrize("frames, loads, mode, part, factor", [
    ((), Loads(Nx=100.0), "local buckling", "stringer 2 web", 387.692308 / E / 3.5714286e-4),       # 15.5077
    ((), Loads(Nx=100.0, fixed_Nx=-200.0), "local buckling", "stringer 2 web", 387.692308 / E / 3.5714286e-4 + 2),
    ((), Loads(Nx=100.0), "crippling", "stringer 2", 393.798074 / E / 3.5714286e-4),                # 15.7519
    ((), Loads(Nx=100.0), "column", "stringer 2", 1.02266017e-3 / 3.5714286e-4),                    # 2.86345, Euler
    ((200.0, 400.0), Loads(Nx=100.0), "column", "stringer 2", 4.76604551e-3 / 3.5714286e-4),        # 13.3449, Johnson
])
def test_reserve_factors_of_a_blade_panel(frames, loads, mode, part, factor):
    assert margins(blade_panel(frames, loads))[part, mode].reserve_factor == pytest.approx(factor, rel=1e-7)


# The stringer's share of a bay of the 4 mm skin at the strain 0.01, by hand: a long strip supported on both
# edges buckles at 4π²·D/(b²·E·t), 5.7844e-3 for b = 100 (2.3138e-2 for 50, above 0.01: the whole bay works);
# one edge free at 12·G·t³/12/(b²·E·t), 2.4615e-3 for b = 50; above it von Kármán's b·√(εcr/ε).
@pytest.mark.parametrize("bay, width", [
    (Bay(100.0, "stringer"), 0.5 * 100 * math.sqrt(5.7843835e-3 / 0.01)),   # 38.0276, half of the shared bay
    (Bay(50.0, "mirror"), 0.5 * 100 * math.sqrt(5.7843835e-3 / 0.01)),      # the skin goes on past symmetry
    (Bay(50.0, "supported"), 25.0),                                          # not buckled: half of the whole
    (Bay(50.0, "free"), 50 * math.sqrt(2.4615385e-3 / 0.01)),               # 24.8069, all of it
    (Bay(0.0, "supported"), 0.0),                                            # a stringer on the side
])
def test_effective_width_of_the_skin_bays(bay, width):
    assert bay.effective_width(SKIN4, 0.01) == pytest.approx(width, rel=1e-7)


def test_the_skin_strain_is_the_engines_stiffener_strain():
    """Under Nx, Ny and Nxy on an unbalanced skin (a16, a26 not 0) the strain of the stringers and frames is
    the engine's stiffener force over EA at the first load factor (32-bit)."""
    carbon = Material(140000.0, 10000.0, 0.3, 5000.0)
    skin = Laminate.from_plies([Ply(0.5, a) for a in (0, 30, 30, 0)], carbon)
    section = sections.Blade(skin=skin, material=ALU, height=20.0, web=2.0)
    panel = Panel(length=400.0, width=300.0, laminate=skin, loads=Loads(Nx=10.0, Ny=4.0, Nxy=3.0),
                  stringers=[section.stiffener(150.0)], frames=[section.stiffener(200.0)], mesh=Mesh(nx=6, ny=6))
    result = ruvo.buckle(panel, modes=1)
    factor = result.load_factors[0]
    for column, along_x in ((0, True), (1, False)):
        strain = stiffener_strain(panel, along_x)
        assert strain.fixed == 0.0
        assert factor * strain.variable == pytest.approx(result.stiffener_forces[0, column] / section.EA, rel=2e-6)


def test_column_against_the_engines_estimate_for_the_t():
    """The engine's column load of T stringers is a Johnson column on the web's local buckling stress with von
    Kármán's effective width ts·√(k·π²/(12(1-ν²))·E/σ), over the panel's length, plus the skin between the
    effective widths at the first mode's Nx: given the same cut-off, the column here gives the same load
    (within the engine's convergence test, a change below 1 %, and 32 bits) for a middle stringer, 150 to either
    side."""
    t = sections.T(skin=SKIN2, material=ALU, height=32.0, web=2.0, foot_width=20.0, foot=2.0)
    panel = Panel(length=500.0, width=450.0, laminate=SKIN2, loads=Loads(Nx=10.0), mesh=Mesh(nx=10, ny=12),
                  stringers=[t.stiffener(y) for y in (75.0, 225.0, 375.0)])
    result = ruvo.buckle(panel, modes=1)
    strength = result.stringer_strength
    column = column_strain(t, SKIN2, (Bay(150.0, "stringer"), Bay(150.0, "stringer")), 500.0,
                           strength.web_local_buckling_stress / E)
    assert 0.0 < column.effective_width < 150.0       # the skin has buckled: both rules apply
    skin_force = result.critical_forces[0][0]
    load = 450.0 / 150.0 * (E * column.strain * (t.area + 2.0 * column.effective_width)
                            + (150.0 - column.effective_width) * skin_force)
    assert load == pytest.approx(strength.column_load, rel=2e-3)   # 2.5e-4 apart


NO_SECTION = "given by its stiffnesses alone"


# Rows that are skipped (NaN) or carry a note: the panel | the part and mode | the factor | the note begins with.
@pytest.mark.parametrize("panel, part, mode, factor, note", [
    (blade_panel(material=sections.Isotropic(E, NU)), "stringer 1", "crippling", math.nan,
     "needs Fcy of the section's material for its web"),
    (blade_panel(material=sections.Isotropic(E, NU)), "stringer 1", "column", math.nan,
     "the Johnson cut-off, the crippling stress, needs Fcy"),
    (blade_panel(frames=(300.0,)), "frame 1", "local buckling", math.nan, NO_SECTION),
    (blade_panel(loads=Loads(Ny=10.0)), "stringer 3 web", "local buckling", math.inf,
     "one edge free; the variable loads do not compress it"),       # Ny stretches the stringers (ν)
])
def test_rows_that_are_skipped_or_not_loaded_say_why(panel, part, mode, factor, note):
    row = margins(panel)[part, mode]
    assert row.note.startswith(note)
    assert row.reserve_factor == factor or (math.isnan(factor) and row.skipped)
