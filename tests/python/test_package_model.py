"""Real panels through the package: transverse shear, load cases, regions, crippling, callruvo bit for bit."""
import importlib.util
import math

import numpy as np
import pytest

import _ruvo
import ruvo
from conftest import EXAMPLES, plate as plate_arguments, square
from ruvo import Laminate, Loads, Mesh, Panel, Region, sections

E, NU = 70000.0, 0.3


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
    panel = main_job()
    cases = [Loads(Nx=100.0, Nxy=30.0), Loads(Nx=50.0, Nxy=60.0), Loads(Nxy=40.0, fixed_Nx=20.0),
             Loads(Nx=100.0, Ny=10.0, fixed_Nx=20.0), Loads(Nx=80.0)]
    together = ruvo.buckle(panel, modes=3, load_cases=cases)
    alone = [ruvo.buckle(panel.replace(loads=c), modes=3) for c in cases]
    for a, b in zip(together.cases, alone):
        assert a.load_factors.tolist() == b.load_factors.tolist()
        assert np.array_equal(a.eigenvectors, b.eigenvectors) and np.array_equal(a.membrane_forces, b.membrane_forces)
        assert a.stringer_strength == b.stringer_strength
    assert together.governing == int(np.argmin([b.critical_load_factor for b in alone]))
    assert together.critical_load_factor == min(b.critical_load_factor for b in alone)


def test_main_job_through_the_package_equals_callruvo(tmp_path, monkeypatch, flags):
    """The package's panel (regions from the pad-up, T-section stiffnesses,
    crippling and global buckling), curved and under a fixed tension across,
    against callruvo given the same A, B, D, stiffnesses and stringer section."""
    monkeypatch.chdir(tmp_path)
    panel = main_job().replace(ry=500.0, loads=Loads(Nx=100.0, Nxy=30.0, fixed_Ny=-5.0))
    result = ruvo.buckle(panel, modes=3, workdir=tmp_path / "package")
    stringer, crippling = panel.stringers[0], panel.stringers[0].crippling
    c = crippling.stringercom
    (tmp_path / "fort.8").write_text(
        "&tstringer footth={:.9g}, webth={:.9g}, footwidth={:.9g}, webheight={:.9g}, ddst={} /\n".format(
            *(np.float32(c[k]) for k in ("footth", "webth", "footwidth", "webheight")),
            ", ".join(f"{np.float32(v):.9g}" for v in c["ddst"])))
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
    web_d66, h = crippling.stringercom["ddst"][5], c["webheight"]
    assert strength.crippling_force == pytest.approx(12 * web_d66 / h, rel=1e-5)   # long strip, one edge free
    assert strength.crippling_stress == pytest.approx(strength.crippling_force / (h * c["webth"]), rel=1e-5)
    assert strength.global_load > 0 and strength.chord_crippling_force is None


def test_crippling_of_the_hat_and_shapes_without_data():
    skin = Laminate.isotropic(E, NU, 2.0)
    hat = sections.Hat(skin=skin, material=sections.Isotropic(E, NU), height=20.0, web=1.0, crown=1.0,
                       foot=1.0, crown_width=20.0, foot_width=15.0, web_angle=30.0)
    blade = sections.Blade(skin=skin, material=sections.Isotropic(E, NU), height=20.0, web=2.0)
    strengths = []
    for section in (hat, blade):
        panel = Panel(length=400.0, width=150.0, laminate=skin, loads=Loads(Nx=1.0),
                      stringers=[section.stiffener(75.0)], mesh=Mesh(nx=8, ny=6))
        strengths.append(ruvo.buckle(panel, modes=2).stringer_strength)
    assert strengths[0].crippling_force > 0 and strengths[0].chord_crippling_force > 0
    assert strengths[0].global_load is None and strengths[0].note == ""
    assert strengths[1].crippling_force is None and strengths[1].note == "not available for this shape"
    assert "not available for this shape" in str(strengths[1])


def test_regions_put_lines_at_their_edges_and_raise_the_load_factor():
    skin, thick = Laminate.isotropic(E, NU, 1.0), Laminate.isotropic(E, NU, 2.0)
    panel = Panel(length=200.0, width=100.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(nx=4, ny=4),
                  regions=[Region(30.0, 45.0, thick)])
    assert {30.0, 45.0} <= set(np.round(panel.y_nodes, 9)) and panel.laminates == (skin, thick)
    middles = panel.y_nodes[:-1] + 0.5 * panel.y_lengths
    assert [r == 2 for r in panel.element_rows] == list((middles > 30.0) & (middles < 45.0))
    # a thicker band raises the load factor over the plain skin's
    assert ruvo.buckle(panel, modes=1).critical_load_factor > \
        ruvo.buckle(panel.replace(regions=()), modes=1).critical_load_factor
