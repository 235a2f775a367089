"""The skin bay between hat stringers under axial compression: ruvo, which
takes a hat on its two web lines (each a beam of one web and half the crown)
with its feet as bands of the skin, against a finite strip model in which
every wall of the hats is a plate, joined rigidly to the skin where the webs
stand on it.

The finite strip method (Y. K. Cheung, *Finite Strip Method in Structural
Analysis*, Pergamon, 1976; for buckling under membrane forces, R. J. Plank
and W. H. Wittrick, Int. J. Numer. Meth. Engng 8, 1974, 323-339): the cross
section is cut into flat strips; along the length each strip's displacements
go as one half-wave, u = U(y) cos(kx), v = V(y) sin(kx), w = W(y) sin(kx),
k = pi/l, which is exact for a prismatic plate assembly whose ends hold v and
w; across a strip U, V are linear and W is cubic (Hermite). Strip stiffness:
the laminate's [A B; B D] over the membrane strains and curvatures, about
the strip's own reference plane; the skin under a foot is the skin with the
foot laid on it, about the skin's mid-surface. Geometric stiffness: the
strip's prebuckling Nx (the common axial strain times its axial stiffness
A11 - A12²/A22) on u,x² + v,x² + w,x². Laminates with no 16, 26 terms (the
sine and cosine parts then separate exactly).

Both models: a flat panel `length` long of two hats, simply supported ends
holding W and V, long edges (in the middle of the outer half-bays) holding W
and U; the strips' half-wave l = length/m over m = 1, 2, ..., the lowest
load factor of either model is that of the skin's Nx.

    PYTHONPATH=build/python /usr/bin/python3 bench/hat_bay_strips.py [--nx 30] [--ny 30] [--carbon]
"""
import argparse
import math

import numpy as np
import scipy.linalg

import ruvo
from ruvo import sections

_GAUSS = np.polynomial.legendre.leggauss(4)


class Strip:
    """A flat strip from node i to node j of the cross-section, its laminate's
    [A B; B D] (6 x 6) and its prebuckling force per unit strain."""

    def __init__(self, i, j, nodes, laminate):
        (y1, z1), (y2, z2) = nodes[i], nodes[j]
        self.dofs = [4 * i + d for d in range(4)] + [4 * j + d for d in range(4)]
        self.width = math.hypot(y2 - y1, z2 - z1)
        c, s = (y2 - y1) / self.width, (z2 - z1) / self.width
        node = np.array([[1, 0, 0, 0], [0, c, s, 0], [0, -s, c, 0], [0, 0, 0, 1]], float)
        self.rotation = scipy.linalg.block_diag(node, node)   # global (u, Y, Z, θ) to local (u, v, w, θ)
        whole = np.block([[np.array(laminate.A), np.array(laminate.B)], [np.array(laminate.B), np.array(laminate.D)]])
        self.abd = whole
        a = np.array(laminate.A)
        self.axial = a[0, 0] - a[0, 1] ** 2 / a[1, 1]

    def matrices(self, k):
        """The strip's stiffness and geometric stiffness in global freedoms,
        over one half-wave (the factor l/2 of the length integrals left out)."""
        b = self.width
        stiffness, geometric = np.zeros((8, 8)), np.zeros((8, 8))
        for xi, weight in zip(0.5 * (_GAUSS[0] + 1.0), 0.5 * _GAUSS[1]):
            lin, dlin = np.array([1.0 - xi, xi]), np.array([-1.0, 1.0]) / b
            h = np.array([1 - 3 * xi**2 + 2 * xi**3, b * (xi - 2 * xi**2 + xi**3), 3 * xi**2 - 2 * xi**3,
                          b * (xi**3 - xi**2)])
            dh = np.array([-6 * xi + 6 * xi**2, b * (1 - 4 * xi + 3 * xi**2), 6 * xi - 6 * xi**2,
                           b * (3 * xi**2 - 2 * xi)]) / b
            d2h = np.array([-6 + 12 * xi, b * (-4 + 6 * xi), 6 - 12 * xi, b * (6 * xi - 2)]) / b**2
            u, v, w = np.zeros((3, 8))
            u[[0, 4]], v[[1, 5]], w[[2, 3, 6, 7]] = lin, lin, h
            strains = np.zeros((6, 8))
            strains[0, [0, 4]] = -k * lin                 # εx = u,x
            strains[1, [1, 5]] = dlin                     # εy = v,y
            strains[2, [0, 4]], strains[2, [1, 5]] = dlin, k * lin   # γxy = u,y + v,x
            strains[3, [2, 3, 6, 7]] = k * k * h          # κx = -w,xx
            strains[4, [2, 3, 6, 7]] = -d2h               # κy = -w,yy
            strains[5, [2, 3, 6, 7]] = -2 * k * dh        # κxy = -2 w,xy
            stiffness += weight * b * strains.T @ self.abd @ strains
            geometric += weight * b * k * k * self.axial * (np.outer(u, u) + np.outer(v, v) + np.outer(w, w))
        t = self.rotation
        return t.T @ stiffness @ t, t.T @ geometric @ t


def _laid_on(skin, wall):
    """The skin with `wall` on its front face, about the skin's mid-surface:
    the wall's A at the offset e of its mid-plane adds e·A to B, e²·A to D."""
    a, e = np.array(wall.A), 0.5 * (skin.thickness + wall.thickness)
    return ruvo.Laminate.from_matrices(np.add(skin.A, a), np.add(skin.D, wall.D) + e * e * a, e * a,
                                       skin.thickness + wall.thickness)


def _split(points, pieces):
    """Points from each to the next, cut into `pieces` equal parts."""
    out = [points[0]]
    for a, b in zip(points, points[1:]):
        out += [a + (b - a) * (n + 1) / pieces for n in range(pieces)]
    return out


def strip_model(hat, skin, width, centres, pieces=6):
    """The strips of the panel's cross-section: skin, feet, webs, crowns."""
    foot, _, web, _, crown = hat.walls
    half = 0.5 * crown.length + crown.z * math.tan(math.radians(0.5 * hat.web_angle))
    foot_laminate = _laid_on(skin, foot.laminate)
    stations = sorted({0.0, width} | {c + d for c in centres for d in (-half - foot.length, -half, half,
                                                                       half + foot.length)})
    ys = _split(stations, pieces)
    nodes = [(y, 0.0) for y in ys]
    strips = []
    def under(y):
        return foot_laminate if any(half < abs(y - c) < half + foot.length for c in centres) else skin
    for i in range(len(ys) - 1):
        strips.append(Strip(i, i + 1, nodes, under(0.5 * (ys[i] + ys[i + 1]))))
    for c in centres:
        corners = [(c - half, 0.0), (c - 0.5 * crown.length, crown.z), (c + 0.5 * crown.length, crown.z),
                   (c + half, 0.0)]
        chain = [ys.index(min(ys, key=lambda y: abs(y - corners[0][0])))]
        for (ya, za), (yb, zb), laminate in zip(corners, corners[1:], (web.laminate, crown.laminate, web.laminate)):
            for n in range(pieces):
                f = (n + 1) / pieces
                end = (ya + (yb - ya) * f, za + (zb - za) * f)
                if n == pieces - 1 and zb == 0.0:
                    index = ys.index(min(ys, key=lambda y: abs(y - yb)))
                else:
                    nodes.append(end)
                    index = len(nodes) - 1
                strips.append(Strip(chain[-1], index, nodes, laminate))
                chain.append(index)
    held = [0, 2, 4 * (len(ys) - 1), 4 * (len(ys) - 1) + 2]   # u and w of the long edges' nodes
    return strips, len(nodes), held


def strip_factor(strips, count, held, half_wave):
    """The lowest load factor of one half-wave length."""
    k = math.pi / half_wave
    size = 4 * count
    stiffness, geometric = np.zeros((size, size)), np.zeros((size, size))
    for strip in strips:
        ks, kg = strip.matrices(k)
        stiffness[np.ix_(strip.dofs, strip.dofs)] += ks
        geometric[np.ix_(strip.dofs, strip.dofs)] += kg
    keep = [d for d in range(size) if d not in held]
    largest = scipy.linalg.eigh(geometric[np.ix_(keep, keep)], stiffness[np.ix_(keep, keep)], eigvals_only=True)[-1]
    return 1.0 / largest


def panel(hat, skin, length, width, centres, mesh, footprint=True):
    edges = {"x0": ruvo.Edge("conditions", ("W", "V")), "xl": ruvo.Edge("conditions", ("W", "V")),
             "y0": ruvo.Edge("conditions", ("W", "U")), "yl": ruvo.Edge("conditions", ("W", "U"))}
    return ruvo.Panel(length=length, width=width, laminate=skin, loads=ruvo.Loads(Nx=1.0), edges=edges,
                      stringers=[hat.stiffener(c, side="front", footprint=footprint) for c in centres], mesh=mesh)


def hat_case():
    """Aluminium skin 1.6 mm, hats 150 apart: 25 high, crown 20, webs opening
    by 40 degrees, feet 20, walls 1.6: a footprint of 78 mm, a clear bay of 72."""
    skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.33, t=1.6)
    metal = sections.Isotropic(E=70000.0, nu=0.33)
    hat = sections.Hat(skin=skin, material=metal, height=25.0, crown_width=20.0, crown=1.6, web=1.6,
                       web_angle=40.0, foot_width=20.0, foot=1.6)
    return hat, skin


def orthotropic(t):
    """A carbon laminate of thickness t as its stiffnesses without the 16, 26
    terms: (0/90/±45) in the proportions 50/10/40 of a stringer-heavy skin."""
    a = t * np.array([[76000.0, 17000.0, 0.0], [17000.0, 37000.0, 0.0], [0.0, 0.0, 19500.0]])
    d = t ** 3 / 12.0 * np.array([[52000.0, 24000.0, 0.0], [24000.0, 38000.0, 0.0], [0.0, 0.0, 26500.0]])
    return ruvo.Laminate.from_matrices(a, d, thickness=t)


def carbon_case():
    """The same hats and skin in the carbon laminate, skin 1.5, walls 1.5."""
    skin, wall = orthotropic(1.5), orthotropic(1.5)
    hat = sections.Hat(skin=skin, height=25.0, crown_width=20.0, crown=wall, web=wall, web_angle=40.0,
                       foot_width=20.0, foot=wall)
    return hat, skin


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--nx", type=int, default=30)
    parser.add_argument("--ny", type=int, default=30)
    parser.add_argument("--length", type=float, default=450.0)
    parser.add_argument("--carbon", action="store_true", help="the carbon hats on a carbon skin")
    parser.add_argument("--pieces", type=int, default=10, help="strips per wall and per bay segment")
    args = parser.parse_args()
    hat, skin = carbon_case() if args.carbon else hat_case()
    pitch = 150.0
    width, centres = 2 * pitch, [0.5 * pitch, 1.5 * pitch]
    strips, count, held = strip_model(hat, skin, width, centres, args.pieces)
    skin_axial = skin.A[0][0] - skin.A[0][1] ** 2 / skin.A[1][1]     # the skin's Nx per unit strain
    by_waves = {m: skin_axial * strip_factor(strips, count, held, args.length / m) for m in range(1, 13)}
    m = min(by_waves, key=by_waves.get)
    print(f"strips: {len(strips)} strips; lowest Nx {by_waves[m]:.2f} N/mm at {m} half-waves "
          f"(l = {args.length / m:.1f} mm); " + ", ".join(f"{k}: {v:.1f}" for k, v in by_waves.items()))
    mesh = ruvo.Mesh(nx=args.nx, ny=args.ny)
    for footprint in (True, False):
        p = panel(hat, skin, args.length, width, centres, mesh, footprint)
        factor = ruvo.buckle(p, modes=3).critical_load_factor
        print(f"ruvo, footprint {footprint}: Nx {factor:.2f} N/mm on {len(p.x_lengths)} x {len(p.y_lengths)} "
              f"elements; ratio to the strips {factor / by_waves[m]:.4f}")


if __name__ == "__main__":
    main()
