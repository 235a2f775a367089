"""The package's Lanczos solution against the routines' subspace iteration on the same condensed pair."""
import numpy as np
import pytest

import _ruvo

from conftest import run_fresh
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener, analysis, engine

SKIN = Laminate.isotropic(70000.0, 0.33, 1.6)


def panel(**changes):
    args = dict(length=500.0, width=450.0, laminate=SKIN, loads=Loads(Nx=1.0), mesh=Mesh(size=50.0))
    args.update(changes)
    return Panel(**args)


STRINGERS = [Stiffener(y, EA=1.4e7, EI=2.0e8, GJ=1.0e6) for y in (150.0, 300.0)]
# Condensed pairs both eigensolvers solve: the panel | the analysis | the modes | the run's options.
CASES = {
    "plate": (panel(), "buckling", 5, {}),
    "plate, W alone": (panel(freedoms="W"), "buckling", 3, {}),
    "curved": (panel(stringers=STRINGERS, ry=900.0, loads=Loads(Nx=1.0, Ny=0.5)), "buckling", 6, {}),
    "shear, +/- pairs": (panel(length=400.0, width=400.0, mesh=Mesh(nx=10, ny=10), loads=Loads(Nxy=1.0)), "buckling", 4, {}),
    "vibration, shifted": (panel(edges="free"), "vibration", 6,
                           analysis.vibration_options(panel(edges="free"), 2.7e-9, None)),
}


def solve(case, eigensolver):
    p, kind, modes, options = CASES[case]
    return engine.run(p, kind, modes, entry={"eigensolver": eigensolver}, **options)[1]


@pytest.mark.parametrize("case", CASES)
def test_lanczos_agrees_with_the_subspace_iteration(case):
    sub, lan = solve(case, "subspace"), solve(case, "lanczos")
    # Order by value: the two members of a +/- pair may come in either order.
    s, l = np.argsort(sub["eigenvalues"], kind="stable"), np.argsort(lan["eigenvalues"], kind="stable")
    es, el = sub["eigenvalues"][s], lan["eigenvalues"][l]
    scale = np.abs(es).max()
    np.testing.assert_allclose(el, es, rtol=1e-10, atol=1e-10 * scale)  # rigid-body modes near 0
    np.testing.assert_allclose(lan["forces"][l], sub["forces"][s], rtol=1e-6, atol=1e-6 * np.abs(sub["forces"]).max())
    np.testing.assert_array_equal(lan["w_freedoms"], sub["w_freedoms"])
    for k in range(len(es)):
        if np.sort(np.abs(es - es[k]))[1] < 1e-6 * scale:
            continue  # a repeated eigenvalue: any basis of its modes
        ws, wl = sub["w"][:, s[k]], lan["w"][:, l[k]]
        # both normalised to w'Aw = 1; the Lanczos sign puts the largest entry positive
        assert wl[np.argmax(np.abs(wl))] > 0
        np.testing.assert_allclose(wl * np.sign(ws @ wl), ws, atol=1e-6 * np.abs(ws).max())


def test_a_panel_free_to_move_fails_as_in_the_subspace_iteration():
    free = panel(edges="free")
    outs = [engine.arguments("19", free, "buckling", 3) for _ in range(2)]
    sub, lan = (_ruvo._analyse(eigensolver=e, **a) for e, a in zip(("subspace", "lanczos"), outs))
    assert sub["stage"] == "INCS3"
    assert (lan["stage"], lan["code"], lan["messages"]) == (sub["stage"], sub["code"], sub["messages"])


REPEAT = """
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener, engine
p = Panel(length=500.0, width=450.0, laminate=Laminate.isotropic(70000.0, 0.33, 1.6), loads=Loads(Nx=1.0, Nxy=0.3),
          mesh=Mesh(size=50.0), ry=900.0, stringers=[Stiffener(150.0, EA=1.4e7, EI=2.0e8, GJ=1.0e6)])
def once(modes):
    out = engine.run(p, "buckling", modes, entry={"eigensolver": "lanczos"})[1]
    return out["eigenvalues"].tobytes().hex() + out["w"].tobytes().hex()
"""


def test_lanczos_results_repeat_bit_for_bit_within_and_across_processes():
    # another analysis between two equal ones, and the same in a new process
    within = run_fresh(REPEAT + "print(once(5)); once(3); print(once(5))").split()
    assert within[0] == within[1]
    assert run_fresh(REPEAT + "print(once(5))").split() == within[:1]


CURVED = panel(stringers=STRINGERS, ry=900.0, mesh=Mesh(nx=16, ny=12))


def assert_same_modes(full, condensed):
    """Eigenvalues to rounding and modes up to their signs, by other arithmetic."""
    assert not np.array_equal(full["w"], condensed["w"])
    np.testing.assert_allclose(full["eigenvalues"], condensed["eigenvalues"], rtol=1e-10)
    for wf, wc in zip(full["w"].T, condensed["w"].T):
        np.testing.assert_allclose(wf * np.sign(wf @ wc), wc, atol=1e-8 * np.abs(wc).max())


@pytest.mark.parametrize("cases", [
    # a tension case between two compressions: no positive load factor, shown on the condensed pair
    [Loads(Nx=1.0), Loads(Nx=-1.0), Loads(Nx=1.0, Nxy=0.5)],
    # shear with tension: the modes hold no positive factor, the search beyond them appends one;
    # the next case solves the pair of all the freedoms again
    [Loads(Nxy=1.0, Nx=-0.6), Loads(Nxy=1.0)],
])
def test_the_pair_of_all_the_freedoms_gives_the_condensed_pairs_results(cases):
    # A curved panel, whose condensed pair fills: the package solves the pair of all the freedoms
    # instead, unless the tangential parts are read (then it condenses, as the routines do).
    runs = [engine.run(CURVED.replace(loads=cases[0]), "buckling", 3, load_cases=cases, entry=entry)[1]["cases"]
            for entry in ({}, {"tangential": True})]
    for full, condensed in zip(*runs):
        assert_same_modes(full, condensed)
        assert full["critical"]["outcome"] == condensed["critical"]["outcome"]
        assert full["critical"]["mode"] == condensed["critical"]["mode"]


def test_the_vibration_of_a_curved_panel_on_the_pair_of_all_the_freedoms():
    options = analysis.vibration_options(CURVED, 2.7e-9, None)
    full, condensed = (engine.run(CURVED, "vibration", 6, entry=entry, **options)[1]
                       for entry in ({}, {"tangential": True}))
    assert_same_modes(full, condensed)
