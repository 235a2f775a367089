"""Ply materials, plies and laminates: the skin's stiffness A, B, D and its
transverse shear stiffness, built from plies by classical lamination theory
in double precision, or given as matrices.

The sums are ordered so that symmetry and balance come out exact, not
merely to rounding: B pairs each ply with its mirror from the outside in
(a symmetric stack gives B exactly zero), and A gathers the plies of +θ and
-θ of one material before adding them (a balanced stack gives A16 and A26
exactly zero). Ply 1 lies at the bottom, the most negative z; z points the
way positive W does.
"""
from __future__ import annotations

import functools
import math
import warnings
from dataclasses import KW_ONLY, dataclass, field
from typing import Iterable, Sequence, cast

import numpy as np
from numpy.typing import ArrayLike

from .conventions import PACKED
from .validation import UnitWarning, _length, _modulus, _number, _set, _warn_units

# Packed order of a symmetric 3 x 3 matrix in the engine: M11, M12, M22, M13, M23, M33.

# The shear correction of a laminate's transverse shear stiffness from its plies'.
SHEAR_CORRECTION = 5.0 / 6.0


@dataclass(frozen=True)
class Material:
    """Orthotropic ply material: moduli along and across the fibres, major
    Poisson ratio, in-plane shear modulus; the transverse shear moduli G13
    (fibre-thickness plane) and G23 for a laminate with transverse shear.

    Allowables, all optional and by keyword (a strength check that needs a
    missing one is skipped with its reason): the strengths along the fibres
    in tension and compression Xt, Xc, across them Yt, Yc, and in shear S;
    the strains to failure eps1t, eps1c, eps2t, eps2c, gamma12 (maximum
    strain); F12, the Tsai-Wu interaction in 1/stress² (by default
    -½·√(F11·F22)); Fcy, the compressive yield stress of a metal (von
    Mises). Strengths and strains are positive magnitudes. The thermal
    expansion coefficients alpha1 along and alpha2 across the fibres, for
    temperature loads (both or neither).
    """
    E1: float
    E2: float
    nu12: float
    G12: float
    G13: float | None = None
    G23: float | None = None
    _: KW_ONLY
    Xt: float | None = None
    Xc: float | None = None
    Yt: float | None = None
    Yc: float | None = None
    S: float | None = None
    eps1t: float | None = None
    eps1c: float | None = None
    eps2t: float | None = None
    eps2c: float | None = None
    gamma12: float | None = None
    F12: float | None = None
    Fcy: float | None = None
    alpha1: float | None = None
    alpha2: float | None = None

    def __post_init__(self) -> None:
        for name in ALLOWABLES:
            if getattr(self, name) is not None:
                _set(self, **{name: _number("Material", name, getattr(self, name), positive=True)})
        if self.F12 is not None:
            _set(self, F12=_number("Material", "F12", self.F12))
            if None not in (self.Xt, self.Xc, self.Yt, self.Yc) and \
                    self.F12 ** 2 >= 1.0 / (self.Xt * self.Xc * self.Yt * self.Yc):  # type: ignore[operator]
                raise ValueError(f"Material.F12: {self.F12:g} opens the Tsai-Wu failure surface (F12² must stay "
                                 "below F11·F22 = 1/(Xt·Xc·Yt·Yc)); a stress in 1/stress², not normalised?")
        for name in ("E1", "E2"):
            _set(self, **{name: _modulus("Material", name, getattr(self, name))})
        _set(self, G12=_number("Material", "G12", self.G12, positive=True))
        for name in ("G13", "G23"):
            if getattr(self, name) is not None:
                _set(self, **{name: _number("Material", name, getattr(self, name), positive=True)})
        _set(self, nu12=_number("Material", "nu12", self.nu12))
        if (self.alpha1 is None) != (self.alpha2 is None):
            raise ValueError("Material.alpha1: give both thermal expansion coefficients alpha1 and alpha2, or neither")
        for name in ("alpha1", "alpha2"):
            if getattr(self, name) is not None:
                _set(self, **{name: _number("Material", name, getattr(self, name))})
        if self.nu12 ** 2 * self.E2 / self.E1 >= 1.0:
            raise ValueError(f"Material.nu12: {self.nu12} makes the ply stiffness singular (nu12² E2/E1 >= 1)")


# The allowables of a Material that are positive magnitudes.
ALLOWABLES = ("Xt", "Xc", "Yt", "Yc", "S", "eps1t", "eps1c", "eps2t", "eps2c", "gamma12", "Fcy")


@dataclass(frozen=True)
class Ply:
    """One ply: thickness and fibre angle in degrees (from x towards y)."""
    thickness: float
    angle: float = 0.0

    def __post_init__(self) -> None:
        _set(self, thickness=_length("Ply", "thickness", self.thickness),
             angle=_number("Ply", "angle", self.angle))
        if 0.0 < abs(self.angle) < 2.0 * math.pi and self.angle != round(self.angle):
            _warn_units(f"Ply.angle: {self.angle} looks like radians; ply angles are in degrees")


def _cos_sin(degrees: float) -> tuple[float, float]:
    """cos and sin of an angle in degrees, exact at multiples of 90 degrees."""
    quarter, rest = divmod(float(degrees), 90.0)
    if rest == 0.0:
        return ((1.0, 0.0), (0.0, 1.0), (-1.0, 0.0), (0.0, -1.0))[int(quarter) % 4]
    r = math.radians(degrees)
    return math.cos(r), math.sin(r)


def ply_stiffness(material: Material, degrees: float) -> np.ndarray:
    """The transformed reduced stiffness Q̄ (3 x 3 over x, y, xy) of a ply
    whose fibres lie `degrees` from x towards y.

    Returns
    -------
    numpy.ndarray
        Q̄, 3 x 3.

    Examples
    --------
    >>> carbon = ruvo.Material(E1=140000.0, E2=10000.0, nu12=0.3, G12=5000.0)
    >>> ply_stiffness(carbon, 90.0)[0].round(1).tolist()   # Q22, Q12, 0 of the ply turned across
    [10064.7, 3019.4, 0.0]
    """
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


def ply_expansion(material: Material, degrees: float) -> np.ndarray:
    """The free thermal strains per degree of a ply whose fibres lie
    `degrees` from x towards y, over x, y and engineering shear xy."""
    a1, a2 = cast(float, material.alpha1), cast(float, material.alpha2)   # checked by the caller
    c, s = _cos_sin(degrees)
    return np.array([a1 * c * c + a2 * s * s, a1 * s * s + a2 * c * c, 2.0 * (a1 - a2) * c * s])


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
    classical coupling (N = A·ε + B·κ, κ = -W,xx ...).

    Returns
    -------
    tuple
        A, B, D (3 x 3 numpy arrays) and the stack's thickness.

    Examples
    --------
    >>> carbon = ruvo.Material(E1=140000.0, E2=10000.0, nu12=0.3, G12=5000.0)
    >>> A, B, D, t = stack_stiffness([0.125] * 4, [0, 90, 90, 0], [carbon] * 4)
    >>> t, bool((B == 0.0).all())
    (0.5, True)
    """
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


def _matrix(name: str, value: ArrayLike) -> tuple[tuple[float, ...], ...]:
    # plain Python on nine numbers: numpy's per-call cost was most of a
    # laminate's construction, which an optimiser repeats thousands of times
    try:
        m = tuple(tuple(float(v) for v in row) for row in value)  # type: ignore[union-attr, arg-type]
    except (TypeError, ValueError):
        m = ()
    if len(m) != 3 or any(len(row) != 3 for row in m):
        raise ValueError(_matrix_fault(name, value))
    if not all(math.isfinite(v) for row in m for v in row):
        raise ValueError(f"Laminate.{name}: entries must be finite")
    # symmetric within |m - mᵀ| <= atol + rtol·|mᵀ| entry by entry, rtol 1e-6
    atol = 1e-12 * max(1.0, max(abs(v) for row in m for v in row))
    if any(abs(m[i][j] - m[j][i]) > atol + 1e-6 * abs(m[j][i]) for i in range(3) for j in range(3)):
        raise ValueError(f"Laminate.{name}: not symmetric")
    return m


def _vector(name: str, value: ArrayLike) -> tuple[float, ...]:
    try:
        v = tuple(float(x) for x in value)  # type: ignore[union-attr, arg-type]
    except (TypeError, ValueError):
        v = ()
    if len(v) != 3 or not all(math.isfinite(x) for x in v):
        raise ValueError(f"Laminate.{name}: three finite numbers (over x, y, xy) are needed, got {value!r}")
    return v


def _matrix_fault(name: str, value: ArrayLike) -> str:
    try:
        shape = np.shape(np.array(value, dtype=float))
    except (TypeError, ValueError):
        return f"Laminate.{name}: not a 3 x 3 matrix of numbers"
    return f"Laminate.{name}: shape {shape}, expected (3, 3)"


@dataclass(frozen=True)
class Laminate:
    """Skin stiffness: membrane A, coupling B and bending D (3 x 3, over x, y
    and engineering shear xy).

    B is the classical coupling (N = A eps + B kappa with kappa = -w,xx ...,
    z pointing the way positive W does); the engine takes its negative.
    Build with `isotropic`, `from_plies` or `from_matrices`. A laminate
    built from plies keeps them (`plies`, bottom first) and their `material`
    for the strength checks; they take no part in comparisons, which go by
    the stiffnesses.
    thermal_forces: the membrane forces per degree of the laminate held at
    zero mid-plane strain and curvature, Σ Q̄·ᾱ·t over the plies (over x,
    y, xy; classical sign, tension positive), or None without expansion
    coefficients.
    """
    A: tuple
    B: tuple
    D: tuple
    thickness: float | None = None
    shear: tuple | None = None
    plies: tuple = field(default=(), init=False, repr=False, compare=False)
    material: Material | None = field(default=None, init=False, repr=False, compare=False)
    thermal_forces: tuple | None = None

    def __post_init__(self) -> None:
        _set(self, A=_matrix("A", self.A), B=_matrix("B", self.B), D=_matrix("D", self.D))
        if self.shear is not None:
            s = np.array(self.shear, dtype=float) if np.shape(self.shear) == (2, 2) else None
            if s is None or not np.isfinite(s).all() or s[0, 1] != s[1, 0] or not np.linalg.eigvalsh(s).min() > 0:
                raise ValueError(f"Laminate.shear: {self.shear!r} is not a symmetric positive definite 2 x 2 "
                                 "transverse shear stiffness (over xz, yz)")
            _set(self, shear=tuple(tuple(float(v) for v in row) for row in s))
        if self.thickness is not None:
            _set(self, thickness=_length("Laminate", "thickness", self.thickness))
        if self.thermal_forces is not None:
            _set(self, thermal_forces=_vector("thermal_forces", self.thermal_forces))
        whole = np.empty((6, 6))   # [A B; B D]
        whole[:3, :3], whole[:3, 3:], whole[3:, :3], whole[3:, 3:] = self.A, self.B, self.B, self.D
        a, d = whole[:3, :3], whole[3:, 3:]
        smallest_a, smallest_d = np.linalg.eigvalsh(np.stack([a, d])).min(axis=1)
        checks = [("A", a, smallest_a), ("D", d, smallest_d)]
        if any(any(row) for row in self.B):   # with B zero, [A B; B D] is definite when A and D are
            checks.append(("B", whole, None))
        for name, m, smallest in checks:
            if smallest is None:
                smallest = np.linalg.eigvalsh(m).min()
            if not smallest > 1e-9 * np.abs(m).max():
                what = "the coupling B makes [A B; B D]" if name == "B" else name
                raise ValueError(f"Laminate.{name}: {what} is not positive definite (smallest eigenvalue "
                                 f"{smallest:.4g}); a laminate stores energy under every strain")

    @classmethod
    def from_matrices(cls, A: ArrayLike, D: ArrayLike, B: ArrayLike | None = None, thickness: float | None = None,
                      shear: ArrayLike | None = None, thermal_forces: ArrayLike | None = None) -> Laminate:
        """`shear`: the transverse shear stiffness (2 x 2 over xz, yz), for
        the freedoms with the shear rotations; `thermal_forces` the
        restrained membrane forces per degree (3 over x, y, xy).

        Returns
        -------
        Laminate

        Examples
        --------
        >>> A = [[1e5, 3e4, 0.0], [3e4, 1e5, 0.0], [0.0, 0.0, 3.5e4]]
        >>> D = [[8e3, 2.4e3, 0.0], [2.4e3, 8e3, 0.0], [0.0, 0.0, 2.8e3]]
        >>> ruvo.Laminate.from_matrices(A, D, thickness=1.0).coupled
        False
        """
        # Arrays here: __post_init__ keeps them as tuples of rows.
        return cls(A, np.zeros((3, 3)) if B is None else B, D, thickness, shear,  # type: ignore[arg-type]
                   thermal_forces)  # type: ignore[arg-type]

    @classmethod
    def from_plies(cls, plies: Iterable[Ply | Sequence[float]], material: Material, *,
                   transverse_shear: bool = False) -> Laminate:
        """Classical lamination theory in double precision; ply 1 at the
        bottom (most negative z). A symmetric stack has B exactly zero, a
        balanced one A16 = A26 = 0 exactly. With `transverse_shear` also the
        transverse shear stiffness from the plies' G13, G23, with the shear
        correction 5/6.

        Returns
        -------
        Laminate

        Examples
        --------
        >>> carbon = ruvo.Material(E1=140000.0, E2=10000.0, nu12=0.3, G12=5000.0)
        >>> quasi = ruvo.Laminate.from_plies([(0.125, a) for a in (0, 45, -45, 90, 90, -45, 45, 0)], carbon)
        >>> quasi.thickness, quasi.B[0][0], quasi.A[0][2]
        (1.0, 0.0, 0.0)
        """
        stack = tuple(p if isinstance(p, Ply) else Ply(*p) for p in plies)
        if not stack:
            raise ValueError("Laminate.plies: at least one ply is needed")
        if not isinstance(material, Material):
            raise ValueError("Laminate.material: a ruvo.Material is needed")
        return _laminate_of_plies(cls, stack, material,  # type: ignore[arg-type]  # a class hashes
                                  bool(transverse_shear))

    @classmethod
    def isotropic(cls, E: float, nu: float, t: float, *, transverse_shear: bool = False,
                  Fcy: float | None = None, alpha: float | None = None) -> Laminate:
        """A single isotropic layer of modulus E, Poisson ratio nu, thickness
        t; with `transverse_shear` its shear stiffness 5/6·G·t. `Fcy`: the
        metal's compressive yield stress, for the von Mises check; `alpha`
        its thermal expansion coefficient.

        Returns
        -------
        Laminate

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> round(skin.D[0][0], 1)   # E t³ / 12 (1 - nu²)
        6410.3
        """
        E = _modulus("Laminate", "E", E)
        nu = _number("Laminate", "nu", nu)
        if not -1.0 < nu < 0.5:
            raise ValueError(f"Laminate.nu: {nu} must lie in (-1, 0.5)")
        # checked as the material and the ply check them, before they key the kept laminates
        t = _length("Ply", "thickness", t)
        Fcy = None if Fcy is None else _number("Material", "Fcy", Fcy, positive=True)
        alpha = None if alpha is None else _number("Material", "alpha1", alpha)
        return _isotropic(cls, E, nu, t, bool(transverse_shear), Fcy, alpha)  # type: ignore[arg-type]  # a class hashes

    @property
    def expansion(self) -> np.ndarray | None:
        """The free thermal strains per degree of the mid-plane held flat,
        A⁻¹ times the thermal forces (over x, y, xy), or None."""
        if self.thermal_forces is None:
            return None
        return np.linalg.solve(np.array(self.A), np.array(self.thermal_forces))

    @property
    def coupled(self) -> bool:
        """Whether the membrane-bending coupling B is more than the rounding
        of 32-bit stiffnesses: compared with √(A·D), the size a coupling can
        have."""
        scale = math.sqrt(np.abs(self.A).max() * np.abs(self.D).max())
        return bool(np.abs(self.B).max() > 1e-5 * scale)

    def packed(self, dtype: type = np.float32) -> np.ndarray:
        """The 18 stiffness values of one engine laminate column: membrane,
        coupling (the engine's sign, -B), bending, each packed M11, M12, M22,
        M13, M23, M33 (the engine's 32 bits; float64 for exact rates).

        Returns
        -------
        numpy.ndarray
            18 values of `dtype`.

        Examples
        --------
        >>> packed = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0).packed()
        >>> packed.dtype, packed[[0, 1, 5, 12]].astype(float).round(1).tolist()   # A11, A12, A33, D11
        (dtype('float32'), [76923.1, 23076.9, 26923.1, 6410.3])
        """
        groups = (np.array(self.A), -np.array(self.B), np.array(self.D))
        return np.array([g[i, j] for g in groups for i, j in PACKED], dtype)

    def shear_packed(self, dtype: type = np.float32) -> np.ndarray:
        """The 21 values of one engine shear set with the rotations BETA,
        GAMMA taken as the transverse shear strains: the curvatures are
        those of W less those of the rotations, so the rotation blocks are
        +B (with membrane), -D (with bending) and D; then the shear
        stiffness packed S11, S12, S22. Zero without a shear stiffness.

        Returns
        -------
        numpy.ndarray
            21 values of `dtype`.

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0, transverse_shear=True)
        >>> skin.shear_packed(np.float64)[18:].round(1).tolist()   # 5/6·G·t, 0, 5/6·G·t
        [22435.9, 0.0, 22435.9]
        """
        if self.shear is None:
            return np.zeros(21, dtype)
        groups = (np.array(self.B), -np.array(self.D), np.array(self.D))
        s = np.array(self.shear)
        return np.array([g[i, j] for g in groups for i, j in PACKED] + [s[0, 0], s[0, 1], s[1, 1]], dtype)


# An optimiser rebuilds its panels with the same plies over and over (a
# gradient's probes, a sweep's designs): the laminates of the last stacks
# built are kept. Keyed on every value the laminate is made of, and itself
# immutable, a kept one is the laminate the stack gives, whichever thread
# built it first (lru_cache is safe between threads).
@functools.lru_cache(maxsize=128)
def _laminate_of_plies(cls: type[Laminate], stack: tuple[Ply, ...], material: Material,
                       transverse_shear: bool) -> Laminate:
    A, B, D, thickness = stack_stiffness([p.thickness for p in stack], [p.angle for p in stack],
                                         [material] * len(stack))
    shear = None
    if transverse_shear:
        if material.G13 is None or material.G23 is None:
            raise ValueError("Laminate.material: transverse shear needs the Material's G13 and G23")
        shear = SHEAR_CORRECTION * sum(_ply_shear(material, p.angle) * p.thickness for p in stack)
    thermal = None
    if material.alpha1 is not None:
        thermal = sum(ply_stiffness(material, p.angle) @ ply_expansion(material, p.angle) * p.thickness
                      for p in stack)
    laminate = cls(A, B, D, thickness, shear, thermal)  # type: ignore[arg-type]
    _set(laminate, plies=stack, material=material)
    return laminate


@functools.lru_cache(maxsize=128)
def _isotropic(cls: type[Laminate], E: float, nu: float, t: float, transverse_shear: bool, Fcy: float | None,
               alpha: float | None) -> Laminate:
    """Laminate.isotropic of checked values, kept as the ply laminates are."""
    with warnings.catch_warnings():  # E warned about by the caller, once
        warnings.simplefilter("ignore", UnitWarning)
        g = E / (2.0 * (1.0 + nu))
        material = Material(E, E, nu, g, g, g, Fcy=Fcy, alpha1=alpha, alpha2=alpha)
    return cls.from_plies([Ply(t, 0.0)], material, transverse_shear=transverse_shear)


def _ply_shear(material: Material, degrees: float) -> np.ndarray:
    """Transverse shear stiffness per unit thickness of a ply, over xz, yz."""
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    g13, g23 = cast(float, material.G13), cast(float, material.G23)   # given when transverse shear is asked
    return np.array([[g13 * c * c + g23 * s * s, (g13 - g23) * c * s],
                     [(g13 - g23) * c * s, g13 * s * s + g23 * c * c]])


