"""The membrane state of regions of another laminate: its field against exact answers, a band along y against
the transposed band along x, a rectangle of another D against an own Ritz solution."""
import numpy as np
import pytest

import ruvo
from ruvo import Laminate, Loads, Mesh, Panel, Region, engine, membrane

E, NU = 70000.0, 0.3
SKIN, PAD = Laminate.isotropic(E, NU, 2.0), Laminate.isotropic(E, NU, 3.0)
ORTHO = Laminate.from_matrices([[9e4, 2e4, 0.0], [2e4, 4e4, 0.0], [0.0, 0.0, 1.5e4]], np.diag([1e4, 5e3, 2e3]))


def fields(regions, laminate=SKIN, nx=12, ny=8):
    """The panel and its plane-stress membrane state for the skin's Nx, Nxy, Ny = 1 in turn."""
    panel = Panel(length=300.0, width=200.0, laminate=laminate, mesh=Mesh(nx=nx, ny=ny), regions=regions)
    A = membrane.element_stiffnesses(panel)
    skin = np.array([membrane.same_stiffness(a, np.array(laminate.A)) for a in A.reshape(-1, 3, 3)])
    return panel, membrane.unit_fields(panel.x_lengths, panel.y_lengths, A, skin.reshape(nx, ny))


@pytest.mark.parametrize("region, cells, along", [(Region(100.0, 160.0, PAD), np.s_[:, 5:8], 0),
                                                  (Region(x=(100.0, 160.0), laminate=PAD), np.s_[5:8, :], 2)])
@pytest.mark.parametrize("loads", [(10.0, 2.0, 0.0), (-4.0, 1.0, 7.0)])
def test_a_band_takes_the_skins_strain_along_it_and_its_forces_across(region, cells, along, loads):
    """Isotropic 2 mm skin, 3 mm bands: along x Nx = t_b/t_s·(Nx − ν·Ny) + ν·Ny (the bands' rule t_b/t_s·Nx
    when Ny = 0), Nxy and Ny the skin's, by hand from the band's strain εx = (Nx − ν·Ny)/(E·t_s); along y the
    same transposed."""
    expected = np.array(loads)
    expected[along] = 1.5 * (loads[along] - NU * loads[2 - along]) + NU * loads[2 - along]
    forces = np.einsum("j,j...->...", loads, fields([region], nx=15, ny=10)[1])
    band = np.zeros(forces.shape[:2], bool)
    band[cells] = True
    assert np.allclose(forces[band], expected, rtol=0, atol=1e-9)
    assert np.allclose(forces[~band], loads, rtol=0, atol=1e-9)


@pytest.mark.parametrize("laminate, pad, drawn", [(SKIN, PAD, (1.05, 1.2)),
                                                  (ORTHO, Laminate.isotropic(E, NU, 1.0), (0.8, 0.97))])
def test_a_rectangle_keeps_every_section_resultant_the_applied_one(laminate, pad, drawn):
    """Σ Nx·Δy across each line x = const is Nx·b, Σ Ny·Δx and Σ Nxy·Δx across each y = const Ny·a, Nxy·a."""
    panel, unit = fields([Region(x=(100.0, 200.0), y=(50.0, 150.0), laminate=pad)], laminate)
    for j, (component, across) in enumerate([(0, 1), (1, 0), (2, 0)]):
        lengths = panel.y_lengths if across else panel.x_lengths[:, None]
        resultant = (unit[j][..., component] * lengths).sum(axis=across)
        assert np.allclose(resultant, 200.0 if across else 300.0, rtol=1e-12)
    assert drawn[0] < unit[0][6, 4, 0] < drawn[1]     # a stiffer rectangle draws Nx, a softer one sheds it


def test_a_rectangle_beside_a_band_keeps_the_forces_in_equilibrium():
    """The bands' rule plus what the rectangle adds, as the engine takes them: Σ Nx·Δy the same on every line."""
    panel = Panel(length=300.0, width=200.0, laminate=SKIN, mesh=Mesh(nx=12, ny=8), loads=Loads(Nx=10.0, Ny=2.0),
                  regions=[Region(x=(100.0, 200.0), y=(50.0, 150.0), laminate=PAD), Region(170.0, 200.0, PAD)])
    forces = engine.arguments(engine.variant_for(panel), panel, "buckling", 1)["variable"].reshape(13, 9, 3)
    resultant = (forces[:-1, :-1, 0] * panel.y_lengths).sum(axis=1)
    assert np.allclose(resultant, resultant[0], rtol=1e-6) and forces[6, 4, 0] > 10.5


@pytest.mark.parametrize("n", [6, 10, 16])
def test_a_band_along_y_is_the_transposed_band_along_x(n):
    """300 × 200 plate, x0 clamped, the others simply supported, a band x = 100..160 of 3 mm on the 2 mm skin
    under Ny, Nxy and Nx, against the transposed plate: the forces step at the band's edges both ways."""
    edges = dict(zip(["x0", "xl", "y0", "yl"], ["clamped"] + ["simply supported"] * 3))
    along_y = Panel(length=300.0, width=200.0, laminate=SKIN, mesh=Mesh(nx=3 * n // 2, ny=n), edges=edges,
                    loads=Loads(Ny=10.0, Nxy=2.0, Nx=3.0), regions=[Region(x=(100.0, 160.0), laminate=PAD)])
    swapped = {"x0": "y0", "xl": "yl", "y0": "x0", "yl": "xl"}
    along_x = Panel(length=200.0, width=300.0, laminate=SKIN, mesh=Mesh(nx=n, ny=3 * n // 2),
                    edges={swapped[k]: v for k, v in edges.items()}, loads=Loads(Nx=10.0, Nxy=2.0, Ny=3.0),
                    regions=[Region(100.0, 160.0, PAD)])
    factor = ruvo.buckle(along_y, modes=2).critical_load_factor
    assert factor == pytest.approx(ruvo.buckle(along_x, modes=2).critical_load_factor, rel=1e-6)


def ritz_rectangle(a, b, rect, d_skin, d_patch, terms=20):
    """Smallest factor of Nx = 1 on a simply supported isotropic-type plate a × b whose D is d_patch on the
    rectangle rect = (x0, x1, y0, y1), d_skin elsewhere: Rayleigh–Ritz on sin(mπx/a)·sin(nπy/b), m, n ≤ terms,
    the integrals over the rectangle by Gauss–Legendre, separable in x and y."""
    g, gw = np.polynomial.legendre.leggauss(64)
    km, kn = np.arange(1, terms + 1) * np.pi / a, np.arange(1, terms + 1) * np.pi / b
    def integrals(k, lo, hi):   # ∫ s·s, ∫ c·c over lo..hi
        t, w = 0.5 * (hi - lo) * (g + 1) + lo, 0.5 * (hi - lo) * gw
        s, c = np.sin(np.outer(k, t)), np.cos(np.outer(k, t))
        return (s * w) @ s.T, (c * w) @ c.T
    def bending(d, x0, x1, y0, y1):   # D·[(w,xx + w,yy)² − 2(1−ν)(w,xx·w,yy − w,xy²)], kron over (m, n)
        (xss, xcc), (yss, ycc) = integrals(km, x0, x1), integrals(kn, y0, y1)
        m2, n2 = np.outer(km, km), np.outer(kn, kn)
        return d * (np.kron(m2 ** 2 * xss, yss) + np.kron(xss, n2 ** 2 * yss)
                    + NU * (np.kron(km[:, None] ** 2 * xss, kn[None, :] ** 2 * yss)
                            + np.kron(km[None, :] ** 2 * xss, kn[:, None] ** 2 * yss))
                    + 2 * (1 - NU) * np.kron(m2 * xcc, n2 * ycc))
    k = bending(d_skin, 0.0, a, 0.0, b) + bending(d_patch - d_skin, *rect)
    geometric = np.kron(np.diag(km ** 2 * a / 2), np.eye(terms) * b / 2)
    scale = 1 / np.sqrt(np.diag(geometric))
    return np.linalg.eigvalsh(scale[:, None] * k * scale[None, :])[0]


def test_a_rectangle_of_another_bending_stiffness_against_a_ritz_solution():
    """300 × 200 simply supported, Nx; a rectangle 100..200 × 50..150 with the skin's A and the D of 3 mm."""
    d = E / (12 * (1 - NU ** 2)) * np.array([[1.0, NU, 0.0], [NU, 1.0, 0.0], [0.0, 0.0, (1 - NU) / 2]])
    patch = Laminate.from_matrices(SKIN.A, 27.0 * d)
    panel = Panel(length=300.0, width=200.0, laminate=SKIN, mesh=Mesh(nx=12, ny=8), loads=Loads(Nx=1.0),
                  edges="simply supported", regions=[Region(x=(100.0, 200.0), y=(50.0, 150.0), laminate=patch)])
    forces = np.asarray(engine.arguments(engine.variant_for(panel), panel, "buckling", 1)["variable"])
    assert (forces == [1.0, 0.0, 0.0]).all()   # the skin's everywhere, exactly
    expected = ritz_rectangle(300.0, 200.0, (100.0, 200.0, 50.0, 150.0), 8.0 * d[0, 0], 27.0 * d[0, 0])
    assert ruvo.buckle(panel, modes=1).critical_load_factor == pytest.approx(expected, rel=0.01)


@pytest.mark.parametrize("change, words", [
    (dict(skew_x=20.0), "regions[0]: a rectangle of cells with a membrane stiffness A other than the skin's"),
    (dict(regions=[Region(x=(100.0, 200.0), y=(50.0, 150.0), laminate=PAD), Region(x=(0.0, 50.0), laminate=PAD),
                   Region(x=(250.0, 300.0), laminate=PAD)]), "the skin's laminate lies nowhere along the edges x = 0"),
])
def test_a_membrane_state_that_cannot_be_made_is_refused(change, words):
    panel = Panel(length=300.0, width=200.0, laminate=SKIN, mesh=Mesh(nx=6, ny=4), loads=Loads(Nx=1.0),
                  regions=[Region(x=(100.0, 200.0), y=(50.0, 150.0), laminate=PAD)]).replace(**change)
    with pytest.raises(ValueError, match=words.replace("[", r"\[").replace("]", r"\]")):
        ruvo.buckle(panel)


@pytest.mark.parametrize("part, uniform", [("region 1", 280.0 * 3.0 / 100.0), ("skin", 280.0 * 2.0 / 100.0)])
def test_the_strength_checks_take_the_load_a_rectangle_draws(part, uniform):
    """Nx = 100 on a 2 mm skin with a 3 mm rectangle, Fcy = 280 both: the rectangle draws load and the skin
    ahead of it feeds it, so both reserve below Fcy·t/Nx of uniform forces (by some per cent)."""
    metal = [Laminate.isotropic(E, NU, t, Fcy=280.0) for t in (2.0, 3.0)]
    panel = Panel(length=300.0, width=200.0, laminate=metal[0], mesh=Mesh(nx=12, ny=8), loads=Loads(Nx=100.0),
                  regions=[Region(x=(100.0, 200.0), y=(50.0, 150.0), laminate=metal[1])])
    table = ruvo.buckle(panel, modes=1).margins()
    assert 0.8 * uniform < table[table["part"] == part]["reserve_factor"].item() < 0.97 * uniform
