"""Real panels through the package: transverse shear, load cases, regions, crippling, callruvo bit for bit."""
import dataclasses
import importlib.util
import math

import numpy as np
import pytest
from scipy.linalg import solve_triangular
from scipy.sparse.linalg import eigsh

import _ruvo
import ruvo
from conftest import EXAMPLES, SKIN, plate as plate_arguments, square
from ruvo import Laminate, Loads, Mesh, Panel, Region, sections, table

E, NU = 70000.0, 0.3
SKIN2, METAL = Laminate.isotropic(E, NU, 2.0), sections.Isotropic(E, NU)
T_SECTION = sections.T(skin=SKIN2, material=METAL, height=32.0, web=2.0, foot_width=20.0, foot=2.0)


def stringered(section, stringers=1, loads=Loads(Nx=10.0), ry=math.inf):
    """A 500 long panel of the 2 mm skin, simply supported, stringers of `section` 150 apart, the first 75 from
    the edge."""
    return Panel(length=500.0, width=150.0 * stringers, laminate=SKIN2, loads=loads, ry=ry, edges="simply supported",
                 stringers=[section.stiffener(75.0 + 150.0 * k) for k in range(stringers)],
                 mesh=Mesh(nx=10, ny=4 * stringers))


def main_job():
    spec = importlib.util.spec_from_file_location("main_job", EXAMPLES / "main.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module.panel()


def plate(a_over_h, freedoms="WBG"):  # the simply supported square plate, thickness 100/(a/h), shear rotations
    return square(laminate=Laminate.isotropic(E, NU, 100.0 / a_over_h, transverse_shear=True), freedoms=freedoms)


@pytest.mark.parametrize("a_over_h", [5.0, 10.0, 20.0, 1000.0])
def test_thick_plate_against_the_first_order_shear_closed_form(a_over_h):
    """Square plate under Nx, hard simple support: N = 4 π²D/a² / (1 + 2 π²D/(κ G h a²)), κ = 5/6
    (k = 3.7865 at a/h = 10, ν = 0.3); the thin limit is 4 π²D/a²."""
    h = 100.0 / a_over_h
    d, g = E * h ** 3 / (12 * (1 - NU ** 2)), E / (2 * (1 + NU))
    classical = 4 * math.pi ** 2 * d / 100.0 ** 2
    expected = classical / (1 + 2 * math.pi ** 2 * d / (5 / 6 * g * h * 100.0 ** 2))
    # with U, V as well (uncoupled here) the same; without the rotations the thin plate
    for freedoms, load in (("WBG", expected), ("WUVBG", expected), ("W", classical)):
        assert ruvo.buckle(plate(a_over_h, freedoms), modes=2).critical_load_factor == pytest.approx(load, rel=2e-3)


def sandwich(ratio, nx, freedoms="WBG", stringers=()):
    """A 100 x 100 sandwich in cylindrical bending (its edges along x planes of symmetry) with faces of
    D = ratio·S·a² over a core of S = 1000 (ν = 0: D12 = 0, D66 = D/2)."""
    d = ratio * 1000.0 * 100.0 ** 2
    faces = Laminate.from_matrices(np.diag([1e5, 1e5, 5e4]), np.diag([d, d, d / 2]), shear=np.eye(2) * 1000.0)
    return Panel(100.0, 100.0, faces, Loads(Nx=1.0), edges={"all": "symmetry", "x0": "simply supported",
                                                          "xl": "simply supported"},
                 freedoms=freedoms, stringers=stringers, mesh=Mesh(nx=nx, ny=2))


@pytest.mark.parametrize("ratio, nx, freedoms", [(1.0, 8, "WBG"), (19.0, 11, "WUVBG"), (30.0, 22, "WBG"),
                                                 (30.0, 21, "WUVBG")])
def test_a_sandwich_column_reaches_the_first_order_shear_limit_in_the_validated_range(recwarn, ratio, nx, freedoms):
    """N = N_E / (1 + N_E/S), N_E = π²D/a²: tends to S (shear crimping) as D/(S·a²) grows. Within
    D/(S·a²) <= 30 every mesh of 2..30 elements agrees to 1e-4; 22 elements fell 0.9 % below at 100."""
    panel = sandwich(ratio, nx, freedoms)
    n_e = math.pi ** 2 * ratio * 1000.0
    assert ruvo.buckle(panel, modes=2).critical_load_factor == pytest.approx(n_e / (1 + n_e / 1000.0), rel=1e-3)
    assert not [w for w in recwarn if w.category is ruvo.PrecisionWarning]


@pytest.mark.parametrize("ratio, stringers", [(100.0, ()), (1900.0, ()),
                                              (5.0, (ruvo.Stiffener(25.0, EA=1e5, EI=1e6),))])  # a bay of 25
def test_faces_stiffer_than_validated_warn(ratio, stringers):
    with pytest.warns(ruvo.PrecisionWarning, match="^Panel.freedoms"):
        sandwich(ratio, 8, stringers=stringers)


def test_load_cases_in_one_call_equal_separate_calls():
    """Twenty cases on one stiffness (the fixed loads of some change it):
    each case's Lanczos iteration starts from the last case's modes, so its
    factors agree with a separate analysis to the iteration's accuracy."""
    panel = main_job()
    turning = [Loads(Nx=100.0 * math.cos(a), Nxy=100.0 * math.sin(a), Ny=10.0) for a in np.linspace(0.0, 1.5, 15)]
    cases = [Loads(Nx=100.0, Nxy=30.0), Loads(Nx=50.0, Nxy=60.0), Loads(Nxy=40.0, fixed_Nx=20.0),
             Loads(Nx=100.0, Ny=10.0, fixed_Nx=20.0), Loads(Nx=80.0)] + turning
    together = ruvo.buckle(panel, modes=3, load_cases=cases)
    alone = [ruvo.buckle(panel.replace(loads=c), modes=3) for c in cases]
    for a, b in zip(together.cases, alone):
        np.testing.assert_allclose(a.load_factors, b.load_factors, rtol=1e-8, atol=0.0)
        # (a mode with two peaks of equal size takes the sign rounding gives it)
        signs = np.sign(np.sum(a.eigenvectors * b.eigenvectors, axis=0))
        np.testing.assert_allclose(a.eigenvectors * signs, b.eigenvectors, rtol=0.0,
                                   atol=1e-6 * np.abs(b.eigenvectors).max())
        np.testing.assert_allclose(a.membrane_forces, b.membrane_forces, rtol=1e-8, atol=0.0)
        assert a.stringer_strength == b.stringer_strength
    assert together.governing_index == int(np.argmin([b.critical_load_factor for b in alone]))
    assert together.critical_load_factor == pytest.approx(min(b.critical_load_factor for b in alone), rel=1e-8)


def test_main_job_through_the_package_equals_callruvo(tmp_path, monkeypatch, flags):
    """The package's panel (regions from the pad-up, T-section stiffnesses,
    crippling and global buckling), curved and under a fixed tension across,
    against callruvo given the same A, B, D, stiffnesses and stringer section.
    The pad-up keeps its B and D but takes the skin's A: callruvo strains a
    stringer by the skin's compliance whatever laminate lies under it."""
    monkeypatch.chdir(tmp_path)
    panel = main_job().replace(ry=500.0, loads=Loads(Nx=100.0, Nxy=30.0, fixed_Ny=-5.0))
    pad = panel.stringers[0].pad_up
    pad = Laminate(A=panel.laminate.A, B=pad.B, D=pad.D)
    panel = panel.replace(stringers=[dataclasses.replace(panel.stringers[0], pad_up=pad)])
    result = ruvo.buckle(panel, modes=3, workdir=tmp_path / "package")
    stringer, data = panel.stringers[0], panel.stringers[0].crippling
    (tmp_path / "fort.8").write_text(
        "&tstringer footth={:.9g}, webth={:.9g}, footwidth={:.9g}, webheight={:.9g}, ddst={} /\n".format(
            *(np.float32(v) for v in (data.foot_thickness, data.web_thickness, data.foot_width, data.web_height)),
            ", ".join(f"{np.float32(v):.9g}" for v in data.web_bending)))
    consts, stf = _ruvo.ruvo31, int(_ruvo.ruvo31.p_stf)
    flags.cripan = flags.glban = 1
    args = plate_arguments(
        10, "31", filenamep="panel", titp="", ryp=500.0,
        matabdf=np.asfortranarray(np.stack([lam.packed() for lam in panel.laminates], 1)),
        steifxf=np.array(stringer.stiffnesses(), np.float32), steifyf=np.array(panel.frames[0].stiffnesses(), np.float32),
        framepitch=500.0, stringerpitch=160.0, sfootwdth=30.0, loadvxp=100.0, loadvxyp=30.0, fnyp=-5.0, neigit=11,
        istx=[11] + [0] * (stf - 1), isty=[1, 11] + [0] * (stf - 2), anzelprohalbfoot=2, anzelzwstr=16,
        elmstf=[1] * 8 + [2] * 4 + [1] * 8 + [0] * (consts.p_rtnds - 21))
    _ruvo.prtnds31.callruvo(**args)
    elam, forces, displ = args["elamp"], args["membraneforcesp"], args["displ"]
    assert panel.element_rows == tuple([1] * 8 + [2] * 4 + [1] * 8)
    assert result.load_factors.tolist() == elam[:3].tolist()
    assert np.array_equal(result.eigenvectors, displ.reshape(3, consts.p_nx)[:, :len(result.eigenvectors)].T)
    assert np.array_equal(np.hstack([result.membrane_forces, result.stiffener_forces]), forces.reshape(55, 5)[:3])
    checks = [[lines[k + 1:k + 3] for k, line in enumerate(lines) if "CRIPPLING FORCE" in line or "GLOBAL" in line]
              for lines in (result.listing.splitlines(), (tmp_path / "panel   .out").read_text().splitlines())]
    assert checks[0] == checks[1] and len(checks[0]) == 2
    strength = result.stringer_strength
    web_d66, h = data.web_bending[5], data.web_height
    assert strength.web_local_buckling_force == pytest.approx(12 * web_d66 / h, rel=1e-5)   # long strip, one edge free
    assert strength.web_local_buckling_stress == pytest.approx(strength.web_local_buckling_force / (h * data.web_thickness),
                                                               rel=1e-5)
    assert strength.column_load > 0 and strength.chord_local_buckling_force is None


def test_a_blade_has_no_local_buckling_data():
    blade = sections.Blade(skin=SKIN2, material=METAL, height=20.0, web=2.0)
    strength = ruvo.buckle(stringered(blade), modes=2).stringer_strength
    assert strength.web_local_buckling_force is None and strength.note == "not available for this shape"
    assert "not available for this shape" in str(strength)


def test_regions_put_lines_at_their_edges_and_raise_the_load_factor():
    panel = square(length=200.0, mesh=Mesh(nx=4, ny=4), regions=[Region(30.0, 45.0, SKIN2)])
    assert {30.0, 45.0} <= set(np.round(panel.y_nodes, 9)) and panel.laminates == (SKIN, SKIN2)
    middles = panel.y_nodes[:-1] + 0.5 * panel.y_lengths
    assert [r == 2 for r in panel.element_rows] == list((middles > 30.0) & (middles < 45.0))
    # a thicker band raises the load factor over the plain skin's
    assert ruvo.buckle(panel, modes=1).critical_load_factor > \
        ruvo.buckle(panel.replace(regions=()), modes=1).critical_load_factor


def test_laminates_per_element_all_the_same_equal_the_one_laminate_panel_bit_for_bit():
    """The same laminate given five times and placed element by element through the typed path."""
    panel = square(length=200.0, mesh=Mesh(nx=6, ny=5), loads=Loads(Nx=10.0, Nxy=3.0),
                   stringers=[ruvo.Stiffener(50.0, EA=1.4e6, EI=2.0e7)])
    args = ruvo.engine.arguments(ruvo.engine.variant_for(panel), panel, "buckling", 3)
    pattern = (np.arange(30) * 7 % 5 + 1).tolist()
    every = _ruvo._analyse(**dict(args, laminates=args["laminates"] * 5, element_laminates=pattern))
    one = _ruvo._analyse(**args)
    assert every["outcome"] == "finished" and np.array_equal(every["eigenvalues"], one["eigenvalues"])
    assert np.array_equal(every["w"], one["w"])


def test_stiffeners_with_their_own_pad_ups_and_a_rectangle_of_cells():
    """Four laminates: two stringers on different pad-ups, a frame on a third, a rectangle of a fourth;
    the mesh has lines at every edge, the rectangle raises the load factor, the frame's pad-up changes it."""
    pads = [Laminate.isotropic(E, NU, t) for t in (2.5, 3.0, 3.5, 4.0)]
    panel = Panel(length=400.0, width=300.0, laminate=SKIN2, loads=Loads(Nx=10.0, Ny=2.0), mesh=Mesh(nx=12, ny=12),
                  edges="simply supported",
                  stringers=[ruvo.Stiffener(100.0, EA=1e6, EI=1e8, pad_up=pads[0], pad_width=20.0),
                             ruvo.Stiffener(200.0, EA=1e6, EI=1e8, pad_up=pads[1], pad_width=30.0)],
                  frames=[ruvo.Stiffener(200.0, EA=1e6, EI=1e8, pad_up=pads[2], pad_width=20.0)],
                  regions=[Region(x=(20.0, 80.0), y=(20.0, 60.0), laminate=pads[3])])
    assert panel.laminates == (SKIN2, pads[3], *pads[:3])   # the skin, the regions, the pad-ups
    assert {20.0, 80.0, 190.0, 210.0} <= set(np.round(panel.x_nodes, 9))
    assert {20.0, 60.0, 90.0, 110.0, 185.0, 215.0} <= set(np.round(panel.y_nodes, 9))
    assert set(panel.element_laminates.ravel().tolist()) == {1, 2, 3, 4, 5}
    factor = ruvo.buckle(panel, modes=1).critical_load_factor
    assert ruvo.buckle(panel.replace(regions=()), modes=1).critical_load_factor < factor
    assert ruvo.buckle(panel.replace(frames=[ruvo.Stiffener(200.0, EA=1e6, EI=1e8)]), modes=1).critical_load_factor \
        != pytest.approx(factor, rel=1e-4)


@pytest.mark.parametrize("stiffer", [0.5, 2.0, 4.0])
def test_a_stringer_on_a_pad_up_carries_the_strain_of_the_skin(stiffer):
    """A stringer far stiffer than the skin (EA 1e9) buckles as a column on it. Its pad-up, 30 wide, has the
    skin's D and `stiffer` times its A, so it changes only the axial load: the band takes `stiffer` times the
    skin's Nx, the stringer EA times the skin's strain (Nx / Et, as along the band the strain is shared). The
    factor then goes as the inverse of the axial load per unit factor, 1e9/112000 + 300 + (stiffer - 1)·30."""
    skin = Laminate.isotropic(E, 0.33, 1.6)                 # Et = 112000
    def factor(pad):
        panel = Panel(length=400.0, width=300.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(size=15.0),
                      stringers=[ruvo.Stiffener(150.0, EA=1.0e9, EI=2.0e6, GJ=1.0e3, pad_up=pad, pad_width=30.0)])
        return ruvo.buckle(panel, modes=2).critical_load_factor
    scaled = Laminate(A=tuple(tuple(stiffer * v for v in row) for row in skin.A), B=skin.B, D=skin.D)
    load = 1.0e9 / 112000.0 + 300.0
    assert factor(scaled) == pytest.approx(factor(skin) * load / (load + (stiffer - 1.0) * 30.0), rel=2e-4)


# ---- bands of another laminate under shear ---------------------------------------------------------

def ritz_shear_flow(a, b, bands, terms=24):
    """Smallest positive factor of a uniform shear flow Nxy = 1 on a simply supported isotropic plate a × b
    whose thickness steps in bands along x, `bands` (y0, y1, t) covering 0..b: Rayleigh–Ritz on
    sin(mπx/a)·sin(nπy/b), m, n ≤ terms, with D(y) piecewise constant (Gauss–Legendre per band)."""
    g, gw = np.polynomial.legendre.leggauss(96)
    y = np.concatenate([0.5 * (y1 - y0) * (g + 1) + y0 for y0, y1, _ in bands])
    wy = np.concatenate([0.5 * (y1 - y0) * gw for y0, y1, _ in bands])
    d = np.concatenate([np.full(g.size, E * t ** 3 / (12 * (1 - NU ** 2))) for _, _, t in bands])
    x, wx = 0.5 * a * (g + 1), 0.5 * a * gw
    km, kn = np.arange(1, terms + 1) * np.pi / a, np.arange(1, terms + 1) * np.pi / b
    sx, cx, sy, cy = np.sin(np.outer(km, x)), np.cos(np.outer(km, x)), np.sin(np.outer(kn, y)), np.cos(np.outer(kn, y))
    xss, xcc, xcs = (sx * wx) @ sx.T, (cx * wx) @ cx.T, (cx * wx) @ sx.T
    dss, dcc, ysc = (sy * wy * d) @ sy.T, (cy * wy * d) @ cy.T, (sy * wy) @ cy.T
    m2, n2 = np.outer(km, km), np.outer(kn, kn)
    # D·[(w,xx + w,yy)² − 2(1−ν)(w,xx·w,yy − w,xy²)]; kron(X, Y)[(m, n), (k, l)] = X[m, k]·Y[n, l]
    k = (np.kron(m2 ** 2 * xss, dss) + np.kron(xss, n2 ** 2 * dss)
         + NU * (np.kron(km[:, None] ** 2 * xss, kn[None, :] ** 2 * dss)
                 + np.kron(km[None, :] ** 2 * xss, kn[:, None] ** 2 * dss))
         + 2 * (1 - NU) * np.kron(m2 * xcc, n2 * dcc))
    shear = np.kron(km[:, None] * xcs, kn[None, :] * ysc)   # w,x of the first times w,y of the second
    lower = np.linalg.cholesky(k)
    half = solve_triangular(lower, solve_triangular(lower, shear + shear.T, lower=True).T, lower=True)
    return 1.0 / eigsh(0.5 * (half + half.T), k=1, which="LA", return_eigenvectors=False)[0]


@pytest.mark.parametrize("band, thickness, shear_flow_scaled_by_a66", [
    ("region", 3.0, 24.33),    # a stiffer band: the old rule low by 12 %
    ("region", 1.5, None),     # a softer band: the old rule was high, unconservative
    ("pad_up", 3.0, 24.33),
])
def test_a_band_under_shear_carries_the_shear_flow_of_the_skin(band, thickness, shear_flow_scaled_by_a66):
    """500 × 500 × 2 plate, simply supported, a band y = 100..250 of another thickness, Nxy = 1: equilibrium
    across the band's edges keeps Nxy the same in every band; against an own Ritz solution."""
    other = Laminate.isotropic(E, NU, thickness)
    bands = dict(regions=[Region(100.0, 250.0, other)]) if band == "region" else \
        dict(stringers=[ruvo.Stiffener(175.0, pad_up=other, pad_width=150.0)])
    panel = Panel(length=500.0, width=500.0, laminate=SKIN2, loads=Loads(Nxy=1.0), mesh=Mesh(nx=16, ny=16),
                  edges="simply supported", **bands)
    expected = ritz_shear_flow(500.0, 500.0, [(0.0, 100.0, 2.0), (100.0, 250.0, thickness), (250.0, 500.0, 2.0)])
    result = ruvo.buckle(panel, modes=4)
    assert result.critical_load_factor == pytest.approx(expected, rel=0.01)
    assert np.allclose(result.membrane_forces[:, 1], result.load_factors)   # the engine's Nxy at node 1
    if shear_flow_scaled_by_a66:
        assert result.critical_load_factor > 1.1 * shear_flow_scaled_by_a66


# ---- the stringers' checks ----------------------------------------------------------------------------

@pytest.mark.parametrize("crown, chord_force", [(1.2, 21865.0), (1.5, 42705.0), (3.0, 341640.0)])
def test_the_hat_chord_buckles_with_the_crown_own_bending_stiffness(crown, chord_force):
    """A crown 20 wide supported on both edges, 4π²D/b² with D of the crown (not of the 1.2 web); no column
    load but for T stringers."""
    hat = sections.Hat(skin=SKIN2, material=METAL, height=20.0, web=1.2, crown=crown,
                       foot=1.2, crown_width=20.0, foot_width=15.0, web_angle=30.0)
    strength = ruvo.buckle(stringered(hat), modes=1).stringer_strength
    d = E * crown ** 3 / (12 * (1 - NU ** 2))
    assert strength.chord_local_buckling_force == pytest.approx(4 * math.pi ** 2 * d / 20.0, rel=1e-5)
    assert strength.chord_local_buckling_force == pytest.approx(chord_force, rel=1e-4)
    web_d = E * 1.2 ** 3 / (12 * (1 - NU ** 2))   # the webs keep theirs
    web = hat.walls[2].length
    assert strength.web_local_buckling_force == pytest.approx(4 * math.pi ** 2 * web_d / web, rel=1e-5)
    assert strength.column_load is None and strength.note == ""
    assert strength.column_note == "the column load is estimated for T stringers only"


def effective_width_column(length, width, pitch, ry, skin_nx, skin=2.0, foot=(2.0, 20.0), web=(2.0, 30.0)):
    """The column load evaluated on its own: a T of foot (t, b) and web (t, h) on an isotropic skin, with the
    effective skin width w = t·√(k*·E/σ) (k* = kπ²/(12(1−ν²)), k of the curved skin between stringers) at the
    Johnson stress σ = σc − (L/ρ)²·σc²/(4π²E) of the web's local buckling stress σc = G·t²/h², solved for its
    stable point by bisection; P = width/pitch·(σ·(A + t·w) + (pitch − w)·Nx)."""
    (tf, bf), (tw, hw), ts = foot, web, skin
    q = 1 - NU ** 2
    z = pitch / math.sqrt(ts * abs(ry)) * (12 * q) ** 0.25 / math.pi
    k = 4 + z ** 4 / 4 if z <= 2 else 2 * z ** 2
    crippling = E / (2 * (1 + NU)) * tw ** 2 / hw ** 2
    areas, heights = (tf * bf, tw * hw), (ts + tf / 2, ts + tf + hw / 2)
    own = tf ** 3 * bf / 12 + hw ** 3 * tw / 12

    def johnson(sigma):
        w = ts * math.sqrt(k * math.pi ** 2 / (12 * q) * E / sigma)
        a = sum(areas) + ts * w
        c = (ts * w * ts / 2 + sum(ai * zi for ai, zi in zip(areas, heights))) / a
        inertia = own + ts ** 3 * w / 12 + ts * w * (ts / 2 - c) ** 2 + sum(ai * (zi - c) ** 2
                                                                          for ai, zi in zip(areas, heights))
        return crippling - length ** 2 * a / inertia * crippling ** 2 / (4 * math.pi ** 2 * E), w
    low, high = 1e-3 * crippling, crippling
    for _ in range(100):
        middle = 0.5 * (low + high)
        low, high = (middle, high) if johnson(middle)[0] > middle else (low, middle)
    w = johnson(low)[1]
    return width / pitch * (low * (sum(areas) + ts * w) + (pitch - w) * skin_nx)


@pytest.mark.parametrize("stringers, ry", [(4, math.inf), (4, 1000.0), (4, -1000.0), (6, math.inf), (6, 1500.0),
                                           (6, -1500.0)])
def test_the_column_load_of_t_stringers_at_their_spacing(stringers, ry):
    """Stringers 150 apart, the first 75 from the edge, on a 2 mm skin under Nx = 10: the column load at the
    critical mode's Nx, a negative radius as the positive one."""
    result = ruvo.buckle(stringered(T_SECTION, stringers, ry=ry), modes=3)
    strength = result.stringer_strength
    nx = result.critical_load_factor * 10.0
    assert strength.column_load == pytest.approx(effective_width_column(500.0, 150.0 * stringers, 150.0, ry, nx), rel=0.01)
    assert strength.column_converged and strength.column_note == ""


@pytest.mark.parametrize("loads, reason", [
    (Loads(Nxy=20.0), "no axial compression in the critical mode"),
    (Loads(Nx=-10.0), "no computed mode buckles under the applied loads"),
])
def test_a_missing_column_load_says_why(loads, reason):
    result = ruvo.buckle(stringered(T_SECTION, 4, loads), modes=2)
    strength = result.stringer_strength
    assert strength.column_load is None and strength.column_note.startswith(reason)
    assert strength.web_local_buckling_force > 0 and reason in str(strength)
    assert table.buckling_rows(result)[0]["column_note"] == strength.column_note   # sweeps' tables


def test_results_saved_with_the_old_names_load_and_the_old_names_warn():
    result = ruvo.buckle(stringered(T_SECTION), modes=1)
    text = result.to_json()
    for old, new in (("crippling_force", "web_local_buckling_force"), ("crippling_stress", "web_local_buckling_stress"),
                     ("chord_crippling_force", "chord_local_buckling_force"), ("global_load", "column_load"),
                     ("global_converged", "column_converged")):
        assert f'"{new}"' in text
        text = text.replace(f'"{new}"', f'"{old}"')
        with pytest.warns(DeprecationWarning, match=f"StringerStrength.{old} is now .{new}"):
            assert getattr(result.stringer_strength, old) == getattr(result.stringer_strength, new)
    assert ruvo.load(text).stringer_strength == result.stringer_strength
    with pytest.warns(DeprecationWarning, match="now StringerCheckData"):
        assert sections.Crippling is sections.StringerCheckData
    with pytest.warns(DeprecationWarning, match=r"T.crippling is now .check_data"):
        assert T_SECTION.crippling == T_SECTION.check_data
    data = T_SECTION.check_data   # the engine's names of the check data, read for one more release
    with pytest.warns(DeprecationWarning, match="StringerCheckData.stringercom is now foot_thickness"):
        assert data.stringercom == dict(footth=data.foot_thickness, webth=data.web_thickness,
                                        footwidth=data.foot_width, webheight=data.web_height,
                                        ddst=list(data.web_bending), chordwidth=data.chord_width,
                                        chordth=data.chord_thickness, alpha=data.web_angle)
    with pytest.warns(DeprecationWarning, match="stringer_type is now shape"):
        assert data.stringer_type == 1
    with pytest.warns(DeprecationWarning, match="chord_ddst is now chord_bending"):
        assert data.chord_ddst is None


@pytest.mark.parametrize("stage, loads, cases", [
    ("INCS3", Loads(Nx=1.0, fixed_Nx=200.0), None),            # 4π²D/b² ≈ 25 for Nx: 200 is far beyond
    ("INCS3", Loads(Nx=1.0, fixed_Nxy=300.0), None),
    ("INCS3", Loads(Nx=1.0), [Loads(Nx=1.0), Loads(Nx=1.0, fixed_Nx=200.0)]),   # the second case's
    ("VIBS3", Loads(Nx=1.0, fixed_Nx=200.0), None),            # a panel prestressed beyond buckling
])
def test_fixed_loads_beyond_buckling_are_named_in_the_engineer_words(stage, loads, cases):
    panel = square(loads=loads)
    with pytest.raises(ruvo.AnalysisError) as caught:
        if stage == "VIBS3":
            ruvo.vibrate(panel, density=2.7e-9)
        else:
            ruvo.buckle(panel, modes=2, load_cases=cases)
    error = caught.value
    assert (error.stage, error.code) == (stage, 2)
    assert error.message == "the fixed loads alone buckle the panel: the stiffness is not positive definite"
    assert "CHOLESKY" in error.engine_message
