"""ruvo.vibrate on skewed panels against an oblique-plate Ritz solution (and the loads of a skewed panel
read along its grid lines), and a free plate's three rigid-body modes on both eigen-solution paths."""
import math

import numpy as np
import pytest
from numpy.polynomial import legendre

import ruvo
from ruvo import Laminate, Loads, Material, Mesh, Panel, Ply, Stiffener

RHO = 2.7e-9
ALUMINIUM = Laminate.isotropic(70000.0, 0.33, 2.0)
# D16, D26 nonzero: the laminate's axes are the Cartesian x, y whatever the skew
ORTHOTROPIC = Laminate.from_matrices(np.diag([2e5, 1e5, 5e4]), [[9e4, 8e3, 3e3], [8e3, 3e4, 1.5e3],
                                                                  [3e3, 1.5e3, 1.2e4]], thickness=2.0)
CROSS_PLY = Laminate.from_plies([Ply(0.25, a) for a in (0.0, 90.0, 90.0, 0.0)],
                                Material(E1=135000.0, E2=10000.0, G12=5000.0, nu12=0.3))


def oblique_ritz(a, b, skew_x, skew_y, laminate, clamped, stringer=None, loads=None, along_grid=True, n=12):
    """Rayleigh-Ritz on the parallelogram x = ξ·e1 + η·e2, e1 = (cos skew_x, sin skew_x), e2 = (-sin skew_y,
    cos skew_y), 0 <= ξ <= a, 0 <= η <= b: w = Σ c_kl f_k(ξ/a) f_l(η/b), f_k(s) = (s(1-s))^p P_k(2s-1), p = 1
    simply supported (the moments vanish naturally), 2 clamped. The curvatures are the Cartesian second
    derivatives (the Hessian in ξ, η taken through the inverse of [e1 e2]), against the Cartesian D;
    `stringer` (η, EI, mass per length) lies along ξ. The first natural frequency in Hz of the skin's mass
    (density RHO), or with `loads` (Nx, Ny, Nxy) the smallest positive buckling factor, the loads read as
    components along the grid lines (w_ξ, w_η) or on x, y."""
    inv = np.linalg.inv([[math.cos(math.radians(skew_x)), -math.sin(math.radians(skew_y))],
                         [math.sin(math.radians(skew_x)), math.cos(math.radians(skew_y))]])
    p = 2 if clamped else 1

    def f(u, scale):  # rows k: f_k and its first two derivatives at u (as fractions of `scale`)
        bubble = [(u * (1 - u)) ** p, p * (u * (1 - u)) ** (p - 1) * (1 - 2 * u),
                  p * (p - 1) * (u * (1 - u)) ** max(p - 2, 0) * (1 - 2 * u) ** 2 - 2 * p * (u * (1 - u)) ** (p - 1)]
        leg = [np.array([legendre.legval(2 * u - 1, legendre.legder(np.eye(n)[k], d)) * 2 ** d for k in range(n)])
               for d in range(3)]
        return [sum(c * bubble[i] * leg[d - i] for i, c in enumerate([(1,), (1, 1), (1, 2, 1)][d])) / scale ** d
                for d in range(3)]

    t, wq = legendre.leggauss(2 * n + 8)
    fx, fy = f((t + 1) / 2, a), f((t + 1) / 2, b)
    pair = lambda i, j: np.einsum("kq,lr->klqr", fx[i], fy[j]).reshape(n * n, -1)
    w, wxx, wyy, wxy = pair(0, 0), pair(2, 0), pair(0, 2), pair(1, 1)
    hessian = lambda r, c: (inv[0, r] * inv[0, c] * wxx + (inv[0, r] * inv[1, c] + inv[1, r] * inv[0, c]) * wxy
                            + inv[1, r] * inv[1, c] * wyy)
    kappa = [hessian(0, 0), hessian(1, 1), 2 * hessian(0, 1)]
    weight = np.outer(wq, wq).ravel() * a * b / 4 / abs(np.linalg.det(inv))
    D = laminate.D
    K = sum(D[r][c] * (kappa[r] * weight) @ kappa[c].T for r in range(3) for c in range(3))
    if loads:
        wx, wy = pair(1, 0), pair(0, 1)
        if not along_grid:
            wx, wy = inv[0, 0] * wx + inv[1, 0] * wy, inv[0, 1] * wx + inv[1, 1] * wy
        nx, ny, nxy = loads
        G = nx * (wx * weight) @ wx.T + ny * (wy * weight) @ wy.T + nxy * ((wx * weight) @ wy.T + (wy * weight) @ wx.T)
        return 1 / np.linalg.eigvals(np.linalg.solve(K, G)).real.max()
    M = RHO * laminate.thickness * (w * weight) @ w.T
    if stringer:
        eta, EI, mass = stringer
        g = f(np.array([eta / b]), b)[0][:, 0]
        line = lambda d: np.einsum("kq,l->klq", fx[d], g).reshape(n * n, -1)
        K += EI * (line(2) * wq * a / 2) @ line(2).T
        M += mass * (line(0) * wq * a / 2) @ line(0).T
    L = np.linalg.cholesky(M)
    lowest = np.linalg.eigvalsh(np.linalg.solve(L, np.linalg.solve(L, K).T))[0]
    return math.sqrt(lowest) / (2 * math.pi)


# A 500 x 450 panel in 20 x 20 elements. At 45° simply supported both solutions converge slowly from above
# (the obtuse corners' moment singularity): 78.10 Hz here and in the Ritz, both about 1.3 % above the value
# their sequences extrapolate to (about 77.05 Hz).
@pytest.mark.parametrize("edges, skew_x, skew_y, laminate, stringer, listing", [
    ("simply supported", 15.0, 0.0, ALUMINIUM, None, False),
    ("simply supported", 0.0, 30.0, ORTHOTROPIC, None, False),
    ("simply supported", 45.0, 0.0, ALUMINIUM, None, True),
    ("simply supported", 20.0, -10.0, ALUMINIUM, None, True),
    ("simply supported", 15.0, 0.0, ORTHOTROPIC, (225.0, 4e7, 3e-7), False),
    ("clamped", 0.0, 15.0, ALUMINIUM, None, True),
    ("clamped", 30.0, 0.0, ORTHOTROPIC, None, False),
    ("clamped", 45.0, 0.0, ALUMINIUM, None, False),
    ("clamped", 30.0, 0.0, ALUMINIUM, (225.0, 4e7, 3e-7), True),
])
def test_skewed_panels_vibrate_as_the_oblique_plate_ritz(edges, skew_x, skew_y, laminate, stringer, listing):
    stringers = [Stiffener(stringer[0], EI=stringer[1], mass=stringer[2])] if stringer else []
    panel = Panel(500.0, 450.0, laminate, edges=edges, skew_x=skew_x, skew_y=skew_y, stringers=stringers,
                  mesh=Mesh(nx=20, ny=20))
    first = ruvo.vibrate(panel, density=RHO, modes=1, listing=listing).frequencies[0]
    assert first == pytest.approx(oblique_ritz(500.0, 450.0, skew_x, skew_y, laminate, edges == "clamped", stringer),
                                  rel=1e-3)


# The loads of a skewed panel are components along its grid lines: a [0/90]s plate, clamped, 200 x 200.
@pytest.mark.parametrize("loads, skew_x, skew_y", [((1.0, 0.0, 0.0), 30.0, 0.0), ((0.0, 1.0, 0.0), 0.0, 30.0),
                                                   ((0.0, 0.0, 1.0), 30.0, 0.0)])
def test_loads_on_a_skewed_panel_are_components_along_its_grid_lines(loads, skew_x, skew_y):
    panel = Panel(200.0, 200.0, CROSS_PLY, Loads(Nx=loads[0], Ny=loads[1], Nxy=loads[2]), edges="clamped",
                  skew_x=skew_x, skew_y=skew_y, mesh=Mesh(nx=16, ny=16))
    factor = ruvo.buckle(panel, modes=4).critical_load_factor
    assert factor == pytest.approx(oblique_ritz(200.0, 200.0, skew_x, skew_y, CROSS_PLY, True, loads=loads, n=10),
                                   rel=3e-3)
    read_on_x_y = oblique_ritz(200.0, 200.0, skew_x, skew_y, CROSS_PLY, True, loads=loads, along_grid=False, n=10)
    assert abs(read_on_x_y / factor - 1) > 0.04  # the other reading: 16.42, 8.96, 20.63 against 15.69, 10.70, 9.26


# A 300 x 100 aluminium plate: its rigid-body modes are the motions its edges leave free. Free all round, three,
# then the first bending mode of the free-free strip, ω = 4.730² / a² · √(E t³/12 / ρt) (a narrow strip curves
# anticlastically: E, not E/(1-ν²)). Single-vector Lanczos, the default path, lost one or two of the three.
FREE_STRIP = 4.7300 ** 2 / 300.0 ** 2 * math.sqrt(70000.0 * 2.0 ** 2 / 12 / RHO) / (2 * math.pi)   # 116.3 Hz


@pytest.mark.parametrize("edges, rigid, mesh, modes", [
    ("free", 3, Mesh(nx=12, ny=4), 4), ("free", 3, Mesh(nx=30, ny=10), 8), ("free", 3, Mesh(), 5),
    ({"all": "free", "x0": "simply supported"}, 1, Mesh(nx=12, ny=4), 3),
    ({"all": "free", "x0": "clamped"}, 0, Mesh(nx=12, ny=4), 3),
])
@pytest.mark.parametrize("listing", [False, True])
def test_rigid_body_modes_are_the_motions_the_edges_leave_free(edges, rigid, mesh, modes, listing):
    plate = Panel(300.0, 100.0, ALUMINIUM, edges=edges, mesh=mesh)  # no loads: vibration needs none
    result = ruvo.vibrate(plate, density=RHO, modes=modes, listing=listing)
    assert result.rigid_body_modes == rigid and len(result.elastic_frequencies) == modes - rigid
    assert result.frequencies[:rigid] == pytest.approx([0.0] * rigid, abs=1e-3)
    first = result.elastic_frequencies[0]
    assert first == pytest.approx(FREE_STRIP, rel=1e-2) if rigid == 3 else first > 10.0


def test_a_panel_file_without_loads_vibrates_but_does_not_buckle(tmp_path):
    path = tmp_path / "free.toml"
    path.write_text('length = 300.0\nwidth = 100.0\nedges = "free"\n[laminate]\nE = 70000.0\nnu = 0.33\nt = 2.0\n')
    panel = Panel.from_toml(path)
    assert ruvo.vibrate(panel, density=RHO, modes=4).elastic_frequencies[0] == pytest.approx(FREE_STRIP, rel=1e-2)
    with pytest.raises(ValueError, match=r"^Panel\.loads: the variable load"):
        ruvo.buckle(panel.replace(edges="simply supported"))
