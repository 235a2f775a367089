"""ruvo.gradient: eigenvalue derivatives against central differences of full
analyses, repeated eigenvalues and ± pairs as clusters, a step that would
move a stiffener refused; the engine's assembled full system holds the
modes it returns, and its forms of the modes and their rates are those of
the matrices."""

import numpy as np
import pytest

import _ruvo
import ruvo
from conftest import dense, full_system
from ruvo import Laminate, Loads, Material, Mesh, Panel, Ply, Region, Stiffener

DENSITY = 2.7e-9
CARBON = Material(E1=135000.0, E2=10000.0, G12=5000.0, nu12=0.3)


def skin(t):
    return Laminate.isotropic(70000.0, 0.3, t)


def plate(x):  # thickness, variable Nx, fixed Ny
    return Panel(length=300.0, width=200.0, laminate=skin(x[0]), loads=Loads(Nx=x[1], Nxy=0.3, fixed_Ny=x[2]),
                 edges="simply supported", mesh=Mesh(nx=6, ny=4))


def laminate(x):  # ply angle
    plies = [Ply(0.25, a) for a in (x[0], -x[0], 0.0, 90.0, 90.0, 0.0, -x[0], x[0])]
    return Panel(length=250.0, width=200.0, laminate=Laminate.from_plies(plies, CARBON),
                 loads=Loads(Nx=1.0, Nxy=0.5), edges="simply supported", mesh=Mesh(nx=5, ny=4))


def stiffened(x):  # a stringer's EA and EI; with fixed Nx, the stringer's mass and the skin's thickness
    fixed_nx, mass, t = (x[2], x[3], x[4]) if len(x) > 2 else (0.0, 0.5e-6, 1.0)
    s = Stiffener(100.0, EA=x[0], ES=2.0e5, EI=x[1], GJ=2.0e5, mass=mass)
    return Panel(length=300.0, width=200.0, laminate=skin(t), loads=Loads(Nx=1.0, fixed_Nx=fixed_nx),
                 edges="simply supported", stringers=[s], mesh=Mesh(nx=6, ny=4))


def thick(x):  # thickness of a plate with transverse shear: the laminate and its shear set move
    return Panel(length=120.0, width=100.0, laminate=Laminate.isotropic(70000.0, 0.3, x[0], transverse_shear=True),
                 loads=Loads(Nx=1.0, Nxy=0.3), edges="simply supported", freedoms="WUVBG", mesh=Mesh(nx=5, ny=4))


def curved(x):  # radius
    return Panel(length=250.0, width=200.0, laminate=skin(1.0), loads=Loads(Nx=1.0), ry=x[0],
                 edges="simply supported", mesh=Mesh(nx=5, ny=4))


def skewed(x):  # the skin's thickness and the skew of x' on a stringer-stiffened panel, y' skewed too
    return Panel(length=300.0, width=200.0, laminate=skin(x[0]), loads=Loads(Nx=1.0, Nxy=0.3), skew_x=x[1],
                 skew_y=-10.0, stringers=[Stiffener(100.0, EI=2.0e7, mass=0.5e-6)], edges="simply supported",
                 mesh=Mesh(nx=6, ny=4))


def band_along_y(x):  # thickness of a band x = 100..160 across the width: laminates placed element by element
    return Panel(length=300.0, width=200.0, laminate=skin(1.0), loads=Loads(Ny=1.0), edges="simply supported",
                 regions=[Region(x=(100.0, 160.0), laminate=skin(x[0]))], mesh=Mesh(nx=6, ny=4))


def analysed(panel, quantity, modes):
    if quantity == "buckling":
        return ruvo.buckle(panel, modes=modes).critical_load_factor
    return float(ruvo.vibrate(panel, density=DENSITY, modes=modes).frequencies[0])


@pytest.mark.parametrize("quantity", ["buckling", "frequency"])
@pytest.mark.parametrize("build, x, assemblies", [(plate, [1.2, 1.0, -0.4], (0, 0)), (laminate, [35.0], (0, 0)),
                                                  (stiffened, [1.4e6, 2.0e7, 3.0, 0.8e-6, 1.1], (0, 0)),
                                                  (thick, [8.0], (0, 0)), (curved, [900.0], (2, 2)),
                                                  (skewed, [1.5, 25.0], (2, 2)), (band_along_y, [1.5], (2, 2))],
                         ids=["thickness-loads", "ply-angle", "stiffener-fixed-load-mass", "shear-thickness",
                              "radius", "skewed", "band-along-y"])
def test_against_central_differences_of_analyses(build, x, assemblies, quantity):
    # Steps of 1e-3·|x|: the differences' own error (of order h², near 1e-6
    # relative) stays well below the tolerance, while the single-precision
    # inputs of the engine (6e-8 relative) shift each analysis by far less
    # than h·dλ/dx. Stiffnesses, laminates, loads and masses cost no
    # assembly of their own (the skin's thickness beside a stringer also
    # moves the stringer's share of the geometric stiffness through the
    # skin's compliance), a radius two.
    x = np.array(x)
    options = dict(density=DENSITY) if quantity == "frequency" else {}
    g = ruvo.gradient(build, x, modes=3, quantity=quantity, **options)
    assert g.assemblies == assemblies[quantity == "frequency"]
    assert g.value == pytest.approx(analysed(build(x), quantity, 3), rel=1e-9)
    for i, h in enumerate(1e-3 * np.abs(x)):
        up, down = x.copy(), x.copy()
        up[i] += h
        down[i] -= h
        fd = (analysed(build(up), quantity, 3) - analysed(build(down), quantity, 3)) / (2 * h)
        # a load does not enter the frequencies, nor a mass the load factors: both sides are zero then
        assert g.gradient[i] == pytest.approx(fd, rel=1e-4, abs=1e-9 * abs(g.value / x[i])), i


def test_builds_that_round_to_single_precision_are_probed_at_full_steps():
    # a short step of a rounded value would be off by up to half its ulp:
    # loads rounded are seen as such, a rounded thickness needs h
    def rounded_loads(x):
        return plate([x[0], *np.asarray(x[1:], np.float32).astype(float)])

    def rounded(x):
        return plate(np.asarray(x, np.float32).astype(float))

    x = np.array([1.2, 1.0, -0.4])
    exact = ruvo.gradient(plate, x, modes=2).gradient
    assert ruvo.gradient(rounded_loads, x, modes=2).gradient == pytest.approx(exact, rel=1e-3)
    assert ruvo.gradient(rounded, x, modes=2, h=1e-3 * np.abs(x)).gradient == pytest.approx(exact, rel=1e-3)


def test_shear_pair_and_square_plate_repeated_modes():
    def shear(x):
        return Panel(length=300.0, width=200.0, laminate=skin(x[0]), loads=Loads(Nxy=1.0),
                     edges="simply supported", mesh=Mesh(nx=6, ny=4))

    g = ruvo.gradient(shear, [1.0], modes=2)
    pairs = [c for c in g.clusters if c.kind == "pair"]
    assert pairs and pairs[0].modes == (1, 2) and not g.repeated
    assert g.values[0] == pytest.approx(-g.values[1], rel=1e-6)
    assert g.gradients[0, 0] == pytest.approx(-g.gradients[1, 0], rel=1e-6)
    assert g.gradient[0] == pytest.approx(3 * g.value, rel=1e-5)  # λ ∝ t³ for an isotropic plate

    # The (1,2) and (2,1) modes of a square plate: a change of its length
    # splits them; each branch's derivative is the central difference across
    # the crossing (the lower one below the square is the upper one above it).
    def rectangle(x):
        return Panel(length=x[0], width=200.0, laminate=skin(1.0), loads=Loads(Nx=1.0),
                     edges="simply supported", mesh=Mesh(nx=6, ny=6))

    g = ruvo.gradient(rectangle, [200.0], modes=3, quantity="frequency", density=DENSITY)
    (cluster,) = [c for c in g.clusters if c.kind == "repeated"]
    assert cluster.modes == (2, 3)
    h = 0.2
    up = ruvo.vibrate(rectangle([200.0 + h]), density=DENSITY, modes=3).eigenvalues
    down = ruvo.vibrate(rectangle([200.0 - h]), density=DENSITY, modes=3).eigenvalues
    branches = [(up[1] - down[2]) / (2 * h), (up[2] - down[1]) / (2 * h)]
    assert cluster.derivatives[:, 0] == pytest.approx(branches, rel=1e-4)


def test_refuses_a_step_that_moves_a_stiffener_and_runs_each_load_case():
    def moved(x):
        return Panel(length=300.0, width=200.0, laminate=skin(1.0), loads=Loads(Nx=1.0),
                     stringers=[Stiffener(x[0], EA=1e6, EI=1e7)], mesh=Mesh(nx=6, ny=4))

    with pytest.raises(ValueError, match="stiffener lines"):
        ruvo.gradient(moved, [100.0], h=30.0)
    cases = [Loads(Nx=1.0), Loads(Nx=0.5, Nxy=1.0)]
    results = ruvo.gradient(stiffened, [1.4e6, 2.0e7], modes=2, load_cases=cases)
    for r, loads in zip(results, cases):
        assert r.value == pytest.approx(ruvo.buckle(stiffened([1.4e6, 2.0e7]).replace(loads=loads),
                                                    modes=2).critical_load_factor, rel=1e-9)
    buckled = ruvo.buckle(stiffened([1.4e6, 2.0e7]), modes=2, load_cases=cases)   # the governing case as buckle's
    assert len(results) == 2 and results.governing_index == buckled.governing_index and results[-1] is results.cases[1]
    assert results.value == results.governing.value == pytest.approx(buckled.critical_load_factor)


@pytest.mark.parametrize("radius", [
    900.0,          # the skin couples W to U and V everywhere
    float("inf"),   # only the eccentric stringer does: the columns of A21 on its line
])
def test_assembled_full_system_holds_the_modes_and_the_fixed_loads(radius):
    panel = curved([radius]).replace(loads=Loads(Nx=1.0, fixed_Ny=-2.0),
                                     stringers=[Stiffener(100.0, EA=1e6, ES=1e5, EI=1e7, GJ=1e5)])
    _, out, _ = ruvo.engine.run(panel, "buckling", 3, entry=dict(tangential=True))
    k, b, _, m = full_system(panel)
    phi = np.vstack([out["w"], out["tangential"]])
    residual = k @ phi - b @ phi * out["eigenvalues"]
    assert np.abs(residual).max() < 1e-6 * np.abs(k @ phi).max()
    *_, unloaded = full_system(panel.replace(loads=Loads(Nx=1.0)))
    np.testing.assert_allclose(dense(m["a11"]) - dense(unloaded["a11"]), -dense(m["fixed"]),
                               atol=1e-9 * np.abs(dense(m["a11"])).max())

    # the engine's forms of the modes are those of the matrices
    args = ruvo.engine.arguments(ruvo.engine.variant_for(panel), panel, "buckling", 1)
    _, _, kp, bp, _ = ruvo.engine.modal_forms(args, phi)
    assert kp == pytest.approx(phi.T @ k @ phi, rel=1e-9, abs=1e-9 * np.abs(kp).max())
    assert bp == pytest.approx(phi.T @ b @ phi, rel=1e-9, abs=1e-9 * np.abs(bp).max())
    with pytest.raises(ValueError, match="rows"):
        _ruvo._analyse(matrices=True, projected=phi[1:], **args)


def test_engine_rates_are_the_derivatives_of_the_forms():
    # Along the stiffener's stiffnesses, both loads and the laminate at once:
    # the stiffener's share of the geometric stiffness is bilinear in EA and
    # the forces, and goes through the skin's compliance, the inverse of its
    # membrane stiffness; central differences of the forms are exact to the
    # second order of the step. The analysis' own forms (forms=True) are
    # those of the assembly at its modes.
    panel = stiffened([1e6, 1e7, -2.0, 0.0, 1.0])
    base = ruvo.engine.arguments(ruvo.engine.variant_for(panel), panel, "buckling", 1)
    laminate = 0.02 * np.array(base["laminates"], float)
    rate = dict(stringers=[[3e5, 1e4, 2e6, 1e4]], variable=[[0.5, 0.2, 0.0]], fixed=[[0.3, 0.0, 1.0]],
                laminates=laminate)
    _, out, _ = ruvo.engine.run(panel, "buckling", 3, entry=dict(forms=True, directions=[rate]))
    phi = np.vstack([out["w"], out["tangential"]])

    def moved(e):
        args = dict(base)
        args["stringers"] = np.array(base["stringers"])
        args["stringers"][0, 1:5] += e * np.array(rate["stringers"][0])
        args.update(variable=base["variable"] + e * np.array(rate["variable"][0]),
                    fixed=base["fixed"] + e * np.array(rate["fixed"][0]),
                    laminates=np.array(base["laminates"], float) + e * laminate)
        return ruvo.engine.modal_forms(args, phi)

    ruvo.engine.modal_forms(base, phi)
    terms = np.array(_ruvo.f01qua.fquad)   # the skin's element terms, as they are again after the rates
    _, _, k0, b0, [(kr, br)] = ruvo.engine.modal_forms(base, phi, [rate])
    np.testing.assert_array_equal(np.array(_ruvo.f01qua.fquad), terms)
    forms = out["forms"]
    for own, assembled in ((forms["stiffness"], k0), (forms["load"], b0), (forms["stiffness_rates"][0], kr),
                           (forms["load_rates"][0], br)):
        np.testing.assert_allclose(own, assembled, rtol=0, atol=1e-12 * np.abs(assembled).max())
    (_, _, ku, bu, _), (_, _, kd, bd, _) = moved(0.05), moved(-0.05)
    np.testing.assert_allclose(kr, (ku - kd) / 0.1, rtol=0, atol=1e-5 * np.abs(kr).max())
    np.testing.assert_allclose(br, (bu - bd) / 0.1, rtol=0, atol=1e-5 * np.abs(br).max())

    # one input at a time, in turn: each direction's forms are its own (nothing an earlier one
    # assembled is left over), and they add up to those of the rates together
    parts = [{key: value} for key, value in rate.items()]
    *_, in_turn = ruvo.engine.modal_forms(base, phi, parts + parts[:1])
    for part, forms in zip(parts + parts[:1], in_turn):
        *_, [alone] = ruvo.engine.modal_forms(base, phi, [part])
        for own, single in zip(forms, alone):
            np.testing.assert_allclose(own, single, rtol=0, atol=1e-12 * np.abs(single).max())
    np.testing.assert_allclose(sum(k for k, _ in in_turn[:-1]), kr, rtol=0, atol=1e-12 * np.abs(kr).max())
    np.testing.assert_allclose(sum(b for _, b in in_turn[:-1]), br, rtol=0, atol=1e-12 * np.abs(br).max())
