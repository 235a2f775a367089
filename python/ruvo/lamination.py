"""Classical lamination theory in double precision: A, B, D of a ply stack.

The sums are ordered so that symmetry and balance come out exact, not
merely to rounding: B pairs each ply with its mirror from the outside in
(a symmetric stack gives B exactly zero), and A gathers the plies of +θ and
-θ of one material before adding them (a balanced stack gives A16 and A26
exactly zero). Ply 1 lies at the bottom, the most negative z; z points the
way positive W does.
"""
from __future__ import annotations

import math
from typing import TYPE_CHECKING, Sequence

import numpy as np

if TYPE_CHECKING:
    from .panel import Material


def _cos_sin(degrees: float) -> tuple[float, float]:
    """cos and sin of an angle in degrees, exact at multiples of 90 degrees."""
    quarter, rest = divmod(float(degrees), 90.0)
    if rest == 0.0:
        return ((1.0, 0.0), (0.0, 1.0), (-1.0, 0.0), (0.0, -1.0))[int(quarter) % 4]
    r = math.radians(degrees)
    return math.cos(r), math.sin(r)


def ply_stiffness(material: Material, degrees: float) -> np.ndarray:
    """The transformed reduced stiffness Q̄ (3 x 3 over x, y, xy) of a ply
    whose fibres lie `degrees` from x towards y."""
    e1, e2, nu12, g12 = material.E1, material.E2, material.nu12, material.G12
    d = 1.0 - nu12 * nu12 * e2 / e1
    q11, q22, q12, q66 = e1 / d, e2 / d, nu12 * e2 / d, g12
    c, s = _cos_sin(degrees)
    c2, s2, cs = c * c, s * s, c * s
    q16_part, q26_part = q11 - q12 - 2.0 * q66, q12 - q22 + 2.0 * q66
    b11 = q11 * c2 * c2 + 2.0 * (q12 + 2.0 * q66) * s2 * c2 + q22 * s2 * s2
    b22 = q11 * s2 * s2 + 2.0 * (q12 + 2.0 * q66) * s2 * c2 + q22 * c2 * c2
    b12 = (q11 + q22 - 4.0 * q66) * s2 * c2 + q12 * (s2 * s2 + c2 * c2)
    b66 = (q11 + q22 - 2.0 * q12 - 2.0 * q66) * s2 * c2 + q66 * (s2 * s2 + c2 * c2)
    b16 = q16_part * c2 * cs + q26_part * cs * s2      # odd in s: exactly opposite for -θ
    b26 = q16_part * cs * s2 + q26_part * c2 * cs
    return np.array([[b11, b12, b16], [b12, b22, b26], [b16, b26, b66]])


def _normal_angle(degrees: float) -> float:
    """The angle in (-90, 90]: a ply at θ + 180 is the same ply."""
    a = math.fmod(float(degrees), 180.0)
    if a <= -90.0:
        a += 180.0
    elif a > 90.0:
        a -= 180.0
    return a


def stack_stiffness(thicknesses: Sequence[float], angles: Sequence[float],
                    materials: Sequence[Material]) -> tuple[np.ndarray, np.ndarray, np.ndarray, float]:
    """(A, B, D, thickness) of plies listed from the bottom; B is the
    classical coupling (N = A·ε + B·κ, κ = -W,xx ...)."""
    t = [float(v) for v in thicknesses]
    n = len(t)
    q = [ply_stiffness(m, a) for m, a in zip(materials, angles)]
    below = np.concatenate([[0.0], np.cumsum(t)[:-1]])                 # summed from the bottom
    above = np.concatenate([np.cumsum(t[::-1])[:-1][::-1], [0.0]])      # summed from the top
    z = 0.5 * (below - above)                                          # ply centres about the mid-plane
    B = np.zeros((3, 3))
    for k in range(n // 2):
        B += q[k] * (t[k] * z[k]) + q[n - 1 - k] * (t[n - 1 - k] * z[n - 1 - k])
    if n % 2:
        B += q[n // 2] * (t[n // 2] * z[n // 2])
    D = sum(qk * (tk * (zk * zk + tk * tk / 12.0)) for qk, tk, zk in zip(q, t, z))
    # A: thickness gathered per material and angle, then +θ and -θ added as pairs.
    thickness_of: dict[tuple[Material, float], float] = {}
    for m, a, tk in zip(materials, angles, t):
        key = (m, _normal_angle(a))
        thickness_of[key] = thickness_of.get(key, 0.0) + tk
    A = np.zeros((3, 3))
    for (m, a), tk in thickness_of.items():
        if a < 0.0 and (m, -a) in thickness_of:
            continue                      # added with its partner
        pair = ply_stiffness(m, a) * tk
        if 0.0 < a < 90.0 and (m, -a) in thickness_of:
            pair = pair + ply_stiffness(m, -a) * thickness_of[(m, -a)]
        A += pair
    return A, B, D, float(sum(t))
