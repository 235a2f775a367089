"""A panel in the engineer's words: laminate, stiffeners, edges, loads, mesh.

Every class is a frozen dataclass checked when it is built: a bad value
raises ValueError naming the field before any analysis starts.

Axes: x runs along the panel length, y across its width. Stringers run in x
and sit at a y position; frames run in y and sit at an x position. Lengths,
stiffnesses and forces are in any consistent units.
"""
from __future__ import annotations

import functools
import math
import os
import warnings
from dataclasses import KW_ONLY, dataclass, field
from typing import Any, Callable, Iterable, Sequence, cast

import numpy as np
from numpy.typing import ArrayLike

import _ruvo

from .files import MAX_BYTES

FLAT = float(_ruvo.conventions.flat_radius)  # the engine's radius of a flat direction

# The freedom sets: W, U, V and the transverse shear rotations BETA, GAMMA.
FREEDOM_SETS = ("WUV", "W", "WUVBG", "WBG")

# Laminates the engine holds (p_abdstf, equal in every size variant).
MAX_LAMINATES = int(_ruvo.ruvo31.p_abdstf)

# Packed order of a symmetric 3 x 3 matrix in the engine (M11, M12, M22, M13,
# M23, M33), as 0-based numpy indices.
_PACKED = tuple((i - 1, j - 1) for i, j in _ruvo.conventions.packed_entries)

# Largest grid of the engine: node lines per direction (of the largest size variant).
MAX_LINES = int(_ruvo.ruvo31.p_rtnds)

# Lengths whose fourth powers stay within the engine's 32-bit floats.
SMALLEST_LENGTH, LARGEST_LENGTH = 1e-9, 1e9

# The element takes grid directions whose angle differs by at most this
# (|cos(skew_x - skew_y)| >= 0.2), in degrees.
LARGEST_SKEW_DIFFERENCE = math.degrees(math.acos(0.2))


class UnitWarning(UserWarning):
    """A value that is almost always a mistake of units."""


def _warn_units(message: str) -> None:
    warnings.warn(message, UnitWarning, stacklevel=4)


class PrecisionWarning(UserWarning):
    """A panel beyond the range in which the engine's 32-bit element data
    was shown to give the load factors and frequencies to 0.5 %."""


# With the shear rotations the faces' bending energy D·|κ(W) - κ(rotations)|²
# is assembled from three parts in 32 bits, whose cancellation carries the
# shear (crimping) limit S. The rounding leaves a spurious face stiffness of
# about 1e-7·D, so the error grows with D/(S·l²): at most 3e-4 up to 30 on
# 2..30 elements, 0.3 % at 50, 0.9 % at 100, 19 % at 1,900 (either sign).
LARGEST_FACE_TO_CORE_RATIO = 30.0


def _number(owner: str, name: str, value: Any, *, positive: bool = False, nonnegative: bool = False) -> float:
    """`value` as a finite float, or ValueError naming owner.name (a text or
    true/false is no number, though float() would take it)."""
    if isinstance(value, (bool, np.bool_, str, bytes)):
        raise ValueError(f"{owner}.{name}: {value!r} is not a number")
    try:
        v = float(value)
    except (TypeError, ValueError):
        raise ValueError(f"{owner}.{name}: {value!r} is not a number") from None
    if not math.isfinite(v):
        raise ValueError(f"{owner}.{name}: {v} is not finite")
    if positive and v <= 0:
        raise ValueError(f"{owner}.{name}: {v} must be positive")
    if nonnegative and v < 0:
        raise ValueError(f"{owner}.{name}: {v} must not be negative")
    return v


def _length(owner: str, name: str, value: Any) -> float:
    """A positive length the engine's 32-bit arithmetic can carry."""
    v = _number(owner, name, value, positive=True)
    if not SMALLEST_LENGTH <= v <= LARGEST_LENGTH:
        raise ValueError(f"{owner}.{name}: {v} lies outside {SMALLEST_LENGTH:g}..{LARGEST_LENGTH:g}, where its "
                         "fourth power stays within the engine's 32-bit floats; choose other length units")
    return v


def _modulus(owner: str, name: str, value: Any) -> float:
    v = _number(owner, name, value, positive=True)
    if v < 1000.0:
        _warn_units(f"{owner}.{name}: {v} is below 1000; a modulus in GPa where MPa (N/mm²) is meant?")
    return v


def _set(obj: object, **values: Any) -> None:
    for k, v in values.items():
        object.__setattr__(obj, k, v)


# ---- laminates ------------------------------------------------------------------

@dataclass(frozen=True)
class Material:
    """Orthotropic ply material: moduli along and across the fibres, major
    Poisson ratio, in-plane shear modulus; the transverse shear moduli G13
    (fibre-thickness plane) and G23 for a laminate with transverse shear."""
    E1: float
    E2: float
    nu12: float
    G12: float
    G13: float | None = None
    G23: float | None = None

    def __post_init__(self) -> None:
        for name in ("E1", "E2"):
            _set(self, **{name: _modulus("Material", name, getattr(self, name))})
        _set(self, G12=_number("Material", "G12", self.G12, positive=True))
        for name in ("G13", "G23"):
            if getattr(self, name) is not None:
                _set(self, **{name: _number("Material", name, getattr(self, name), positive=True)})
        _set(self, nu12=_number("Material", "nu12", self.nu12))
        if self.nu12 ** 2 * self.E2 / self.E1 >= 1.0:
            raise ValueError(f"Material.nu12: {self.nu12} makes the ply stiffness singular (nu12² E2/E1 >= 1)")


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
    Build with `isotropic`, `from_plies` or `from_matrices`.
    """
    A: tuple
    B: tuple
    D: tuple
    thickness: float | None = None
    shear: tuple | None = None

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
                      shear: ArrayLike | None = None) -> Laminate:
        """`shear`: the transverse shear stiffness (2 x 2 over xz, yz), for
        the freedoms with the shear rotations."""
        # Arrays here: __post_init__ keeps them as tuples of rows.
        return cls(A, np.zeros((3, 3)) if B is None else B, D, thickness, shear)  # type: ignore[arg-type]

    @classmethod
    def from_plies(cls, plies: Iterable[Ply | Sequence[float]], material: Material, *,
                   transverse_shear: bool = False) -> Laminate:
        """Classical lamination theory in double precision; ply 1 at the
        bottom (most negative z). A symmetric stack has B exactly zero, a
        balanced one A16 = A26 = 0 exactly. With `transverse_shear` also the
        transverse shear stiffness from the plies' G13, G23, with the shear
        correction 5/6."""
        from .lamination import stack_stiffness
        stack = tuple(p if isinstance(p, Ply) else Ply(*p) for p in plies)
        if not stack:
            raise ValueError("Laminate.plies: at least one ply is needed")
        if not isinstance(material, Material):
            raise ValueError("Laminate.material: a ruvo.Material is needed")
        A, B, D, thickness = stack_stiffness([p.thickness for p in stack], [p.angle for p in stack],
                                             [material] * len(stack))
        shear = None
        if transverse_shear:
            if material.G13 is None or material.G23 is None:
                raise ValueError("Laminate.material: transverse shear needs the Material's G13 and G23")
            shear = SHEAR_CORRECTION * sum(_ply_shear(material, p.angle) * p.thickness for p in stack)
        return cls(A, B, D, thickness, shear)  # type: ignore[arg-type]

    @classmethod
    def isotropic(cls, E: float, nu: float, t: float, *, transverse_shear: bool = False) -> Laminate:
        """A single isotropic layer of modulus E, Poisson ratio nu, thickness
        t; with `transverse_shear` its shear stiffness 5/6·G·t."""
        E = _modulus("Laminate", "E", E)
        nu = _number("Laminate", "nu", nu)
        if not -1.0 < nu < 0.5:
            raise ValueError(f"Laminate.nu: {nu} must lie in (-1, 0.5)")
        with warnings.catch_warnings():  # E warned about above, once
            warnings.simplefilter("ignore", UnitWarning)
            g = E / (2.0 * (1.0 + nu))
            material = Material(E, E, nu, g, g, g)
        return cls.from_plies([Ply(t, 0.0)], material, transverse_shear=transverse_shear)

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
        M13, M23, M33 (the engine's 32 bits; float64 for exact rates)."""
        groups = (np.array(self.A), -np.array(self.B), np.array(self.D))
        return np.array([g[i, j] for g in groups for i, j in _PACKED], dtype)

    def shear_packed(self, dtype: type = np.float32) -> np.ndarray:
        """The 21 values of one engine shear set with the rotations BETA,
        GAMMA taken as the transverse shear strains: the curvatures are
        those of W less those of the rotations, so the rotation blocks are
        +B (with membrane), -D (with bending) and D; then the shear
        stiffness packed S11, S12, S22. Zero without a shear stiffness."""
        if self.shear is None:
            return np.zeros(int(_ruvo.conventions.shear_rows), dtype)
        groups = (np.array(self.B), -np.array(self.D), np.array(self.D))
        s = np.array(self.shear)
        return np.array([g[i, j] for g in groups for i, j in _PACKED] + [s[0, 0], s[0, 1], s[1, 1]], dtype)


SHEAR_CORRECTION = 5.0 / 6.0


def _ply_shear(material: Material, degrees: float) -> np.ndarray:
    """Transverse shear stiffness per unit thickness of a ply, over xz, yz."""
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    g13, g23 = cast(float, material.G13), cast(float, material.G23)   # given when transverse shear is asked
    return np.array([[g13 * c * c + g23 * s * s, (g13 - g23) * c * s],
                     [(g13 - g23) * c * s, g13 * s * s + g23 * c * c]])


# ---- stiffeners ------------------------------------------------------------------

@dataclass(frozen=True)
class Stiffener:
    """A stringer (runs in x) or a frame (runs in y) on one grid line.

    position: its y (stringer) or x (frame) coordinate (the one positional
    argument), or instead line: the number of the grid line (1 = the edge at 0).
    Keyword-only: EA axial, ES coupling (axial-bending), EI bending, GJ
    torsion stiffness (EA·EI >= ES²: the section stores energy under every
    strain); mass per unit length (natural frequencies only). A stringer
    may have a pad-up: the laminate `pad_up` under its foot, `pad_width`
    wide and centred on it. `crippling`: the data of the engine's stringer
    checks (local buckling of the walls, column load) of its cross-section,
    a `sections.StringerCheckData` (`ruvo.sections` sets it for the shapes
    that have them).
    """
    position: float | None = None
    _: KW_ONLY
    EA: float = 0.0
    ES: float = 0.0
    EI: float = 0.0
    GJ: float = 0.0
    mass: float = 0.0
    line: int | None = None
    pad_up: Laminate | None = None
    pad_width: float = 0.0
    crippling: object = None

    def __post_init__(self) -> None:
        if (self.position is None) == (self.line is None):
            raise ValueError("Stiffener.position: give either a position or a line number")
        if self.position is not None:
            _set(self, position=_number("Stiffener", "position", self.position, nonnegative=True))
        if self.line is not None and (not isinstance(self.line, (int, np.integer)) or self.line < 1):
            raise ValueError(f"Stiffener.line: {self.line!r} must be a grid line number from 1")
        for name in ("EA", "EI", "GJ", "mass"):
            _set(self, **{name: _number("Stiffener", name, getattr(self, name), nonnegative=True)})
        _set(self, ES=_number("Stiffener", "ES", self.ES))
        if self.ES != 0.0 and not self.EA * self.EI > self.ES ** 2:
            raise ValueError(f"Stiffener.ES: ES² = {self.ES ** 2:.6g} is not below EA·EI = {self.EA * self.EI:.6g}; "
                             "[EA ES; ES EI] must be positive definite (EI given as ES?)")
        if self.pad_up is not None:
            if not isinstance(self.pad_up, Laminate):
                raise ValueError(f"Stiffener.pad_up: a ruvo.Laminate is needed, got {self.pad_up!r}")
            _set(self, pad_width=_length("Stiffener", "pad_width", self.pad_width))
            if self.position is None:
                raise ValueError("Stiffener.pad_up: a pad-up needs the stiffener's position, not a line number")

    def stiffnesses(self) -> list[float]:
        return [self.EA, self.ES, self.EI, self.GJ]


@dataclass(frozen=True)
class Region:
    """A band of the skin from y0 to y1 (across the width, along the whole
    length) with its own laminate. The engine holds one laminate per element
    row, so regions are bands in y; the mesh puts node lines at their edges."""
    y0: float
    y1: float
    laminate: Laminate

    def __post_init__(self) -> None:
        _set(self, y0=_number("Region", "y0", self.y0, nonnegative=True), y1=_number("Region", "y1", self.y1))
        if not self.y1 > self.y0:
            raise ValueError(f"Region.y1: {self.y1} must lie above y0 = {self.y0}")
        if not isinstance(self.laminate, Laminate):
            raise ValueError(f"Region.laminate: a ruvo.Laminate is needed, got {self.laminate!r}")


# ---- edges -------------------------------------------------------------------------

_HELD = {"W": 1, "U": 2, "V": 3, "BETA": 4, "GAMMA": 5, "SLOPE": 6}
_WORDS = {
    "simply supported": ("W", "U", "V"),
    "clamped": ("W", "U", "V", "SLOPE"),
    "free": (),
}


@dataclass(frozen=True)
class Edge:
    """Conditions of one edge: `kind` "conditions" with the `held` freedoms
    (W, U, V, BETA, GAMMA and SLOPE, the slope of W across the edge), or a
    "symmetry" / "antisymmetry" plane.

    Words: simply supported (W, U, V held), clamped (also the slope), free,
    symmetry, antisymmetry; `Edge.from_codes` takes the engine's seven codes.
    """
    kind: str = "conditions"
    held: tuple = ()

    def __post_init__(self) -> None:
        if self.kind not in ("conditions", "symmetry", "antisymmetry"):
            raise ValueError(f"Edge.kind: {self.kind!r} is not conditions, symmetry or antisymmetry")
        held = tuple(str(h).upper() for h in self.held)
        unknown = [h for h in held if h not in _HELD]
        if unknown:
            raise ValueError(f"Edge.held: {unknown} not among {list(_HELD)}")
        if len(set(held)) != len(held):
            raise ValueError(f"Edge.held: {list(held)} repeats a freedom")
        if held and self.kind != "conditions":
            raise ValueError("Edge.held: a symmetry plane holds no freedoms of its own")
        _set(self, held=held)

    @classmethod
    def parse(cls, value: str | Sequence[int] | Edge) -> Edge:
        """An Edge from a word, a list of seven codes, or an Edge."""
        if isinstance(value, Edge):
            return value
        if isinstance(value, str):
            word = " ".join(value.lower().replace("_", " ").replace("-", " ").split())
            word = {"ss": "simply supported", "simple": "simply supported"}.get(word, word)
            if word in _WORDS:
                return cls("conditions", _WORDS[word])
            if word in ("symmetry", "antisymmetry"):
                return cls(word)
            raise ValueError(f"Edge: unknown word {value!r}; use simply supported, clamped, free, "
                             "symmetry, antisymmetry or seven codes")
        return cls.from_codes(value)

    @classmethod
    def from_codes(cls, codes: Sequence[int]) -> Edge:
        """The engine's edge vector: mode (0 conditions, < 0 symmetry,
        > 0 antisymmetry), then up to six condition codes 1..6 (0 for none)."""
        try:
            codes = [int(c) for c in codes]
        except (TypeError, ValueError):
            raise ValueError(f"Edge: {codes!r} is neither a word nor seven integer codes") from None
        if len(codes) != 7:
            raise ValueError(f"Edge: {len(codes)} codes given, expected 7")
        if codes[0] < 0:
            return cls("symmetry")
        if codes[0] > 0:
            return cls("antisymmetry")
        if any(not 0 <= c <= 6 for c in codes[1:]):
            raise ValueError(f"Edge: condition codes {codes[1:]} must lie in 0..6")
        names = {v: k for k, v in _HELD.items()}
        return cls("conditions", tuple(dict.fromkeys(names[c] for c in codes[1:] if c)))

    def codes(self) -> list[int]:
        if self.kind == "symmetry":
            return [-1, 0, 0, 0, 0, 0, 0]
        if self.kind == "antisymmetry":
            return [1, 0, 0, 0, 0, 0, 0]
        held = [_HELD[h] for h in self.held]
        return [0] + held + [0] * (6 - len(held))


@dataclass(frozen=True)
class Edges:
    """The four edges: x0 (x = 0), xl (x = length), y0 (y = 0), yl (y = width)."""
    x0: Edge = Edge.parse("simply supported")
    xl: Edge = Edge.parse("simply supported")
    y0: Edge = Edge.parse("simply supported")
    yl: Edge = Edge.parse("simply supported")

    def __post_init__(self) -> None:
        for name in ("x0", "xl", "y0", "yl"):
            try:
                _set(self, **{name: Edge.parse(getattr(self, name))})
            except ValueError as e:
                raise ValueError(f"Edges.{name}: {e}") from None

    @classmethod
    def parse(cls, value: Any) -> Edges:
        """Edges from Edges, one word or Edge for all four, or a mapping by name
        (missing names: simply supported; "all" sets the default)."""
        if isinstance(value, Edges):
            return value
        if isinstance(value, str):
            return _edges_of_word(value)
        if isinstance(value, dict):
            unknown = set(value) - {"all", "x0", "xl", "y0", "yl"}
            if unknown:
                raise ValueError(f"Panel.edges: unknown edge names {sorted(unknown)}; use x0, xl, y0, yl, all")
            default = value.get("all", "simply supported")
            return cls(**{n: value.get(n, default) for n in ("x0", "xl", "y0", "yl")})
        return cls(value, value, value, value)


@functools.lru_cache(maxsize=64)
def _edges_of_word(word: str) -> Edges:
    """The four edges of one word, made once per word (they are immutable)."""
    edge = Edge.parse(word)
    return Edges(edge, edge, edge, edge)


def _held(edge: Edge, across_x: bool) -> set[str]:
    """Freedoms an edge holds; a symmetry plane holds the slope and the
    in-plane motion normal to it, an antisymmetry plane W and the in-plane
    motion along it. `across_x`: the edge lies on x = const."""
    if edge.kind == "symmetry":
        return {"SLOPE", "U" if across_x else "V"}
    if edge.kind == "antisymmetry":
        return {"W", "V" if across_x else "U"}
    return set(edge.held)


def _free_motions(edges: Edges, length: float, width: float,
                  rows_of: Callable[[set[str], bool, float], list[list[float]]]) -> int:
    """How many of three rigid-body motions the conditions of the four edges
    leave free (their amplitudes the columns of the rows `rows_of` gives)."""
    rows = []
    for name, across_x, at in (("x0", True, 0.0), ("xl", True, length), ("y0", False, 0.0), ("yl", False, width)):
        rows += rows_of(_held(getattr(edges, name), across_x), across_x, at)
    return 3 - (int(np.linalg.matrix_rank(np.array(rows, float), tol=1e-9)) if rows else 0)


def _restrains_all(edges: Edges, length: float, width: float,
                   rows_of: Callable[[set[str], bool, float], list[list[float]]]) -> bool:
    """Whether the conditions of the four edges leave no rigid-body motion."""
    return _free_motions(edges, length, width, rows_of) == 0


def w_supported(edges: Edges, length: float, width: float) -> bool:
    """Whether the edges hold W against the rigid motions w = a + b x + c y."""
    return free_w_motions(edges, length, width) == 0


def free_w_motions(edges: Edges, length: float, width: float) -> int:
    """How many of the rigid motions w = a + b x + c y the edges leave free:
    3 for a panel with all edges free, 1 for one held along a single edge."""
    def rows(held: set[str], across_x: bool, at: float) -> list[list[float]]:
        out: list[list[float]] = []
        if "W" in held:  # w = 0 along the edge
            out += [[1.0, at / length, 0.0], [0.0, 0.0, 1.0]] if across_x else [[1.0, 0.0, at / width], [0.0, 1.0, 0.0]]
        if "SLOPE" in held:  # the slope across the edge is 0
            out += [[0.0, 1.0, 0.0]] if across_x else [[0.0, 0.0, 1.0]]
        return out
    return _free_motions(edges, length, width, rows)


def in_plane_supported(edges: Edges, length: float, width: float, curved: bool = False) -> bool:
    """Whether the edges of a flat panel hold U, V against the rigid motions
    u = a - t y, v = b + t x. Of a curved panel, whose rigid motions mix W
    in, only that some edge holds U or V."""
    if curved:
        return any(_held(getattr(edges, n), n[0] == "x") & {"U", "V"} for n in ("x0", "xl", "y0", "yl"))
    def rows(held: set[str], across_x: bool, at: float) -> list[list[float]]:
        out: list[list[float]] = []
        if "U" in held:
            out += [[1.0, 0.0, 0.0], [0.0, 0.0, 1.0]] if across_x else [[1.0, 0.0, -at / width]]
        if "V" in held:
            out += [[0.0, 1.0, at / length]] if across_x else [[0.0, 1.0, 0.0], [0.0, 0.0, 1.0]]
        return out
    return _restrains_all(edges, length, width, rows)


# ---- loads ---------------------------------------------------------------------------

@dataclass(frozen=True, kw_only=True)
class Loads:
    """Membrane forces per unit length, uniform over the panel, by keyword.

    Sign convention: positive Nx and Ny compress the panel; Nxy is counted
    with the same sign (opposite to the classical tension-positive shear
    flow). Nx, Ny, Nxy are multiplied by the load factor; fixed_Nx,
    fixed_Ny, fixed_Nxy are carried unscaled (a negative fixed value is a
    tension that stiffens the panel). On a skewed panel they are the
    components along the grid lines (docs/conventions.rst). `Loads()`, no
    load at all, serves natural frequencies; a buckling analysis needs a
    variable load.
    """
    Nx: float = 0.0
    Ny: float = 0.0
    Nxy: float = 0.0
    fixed_Nx: float = 0.0
    fixed_Ny: float = 0.0
    fixed_Nxy: float = 0.0

    def __post_init__(self) -> None:
        for name in ("Nx", "Ny", "Nxy", "fixed_Nx", "fixed_Ny", "fixed_Nxy"):
            _set(self, **{name: _number("Loads", name, getattr(self, name))})

    def variable(self) -> np.ndarray:
        return np.array([self.Nx, self.Nxy, self.Ny])

    def fixed(self) -> np.ndarray:
        return np.array([self.fixed_Nx, self.fixed_Nxy, self.fixed_Ny])


# ---- mesh ------------------------------------------------------------------------------

@dataclass(frozen=True)
class Mesh:
    """Element subdivision per direction: element counts (nx, ny), a target
    element size, or the subdivision lengths themselves (x, y). Lines are
    always placed at the stiffeners; counts are shared out over the bays
    between them. Without any choice, 10 elements per direction."""
    nx: int | None = None
    ny: int | None = None
    size: float | None = None
    x: tuple | None = None
    y: tuple | None = None

    def __post_init__(self) -> None:
        for name in ("nx", "ny"):
            n = getattr(self, name)
            if n is not None and (not isinstance(n, (int, np.integer)) or not 1 <= n <= MAX_LINES - 1):
                raise ValueError(f"Mesh.{name}: {n!r} must be a whole number of elements in 1..{MAX_LINES - 1}")
        if self.size is not None:
            _set(self, size=_number("Mesh", "size", self.size, positive=True))
        for name in ("x", "y"):
            lengths = getattr(self, name)
            if lengths is not None:
                lengths = tuple(_number("Mesh", name, v, positive=True) for v in lengths)
                if not lengths:
                    raise ValueError(f"Mesh.{name}: no subdivision lengths")
                _set(self, **{name: lengths})

    def lengths(self, axis: str, total: float, stations: Sequence[float]) -> np.ndarray:
        """Subdivision lengths along `axis` ("x" or "y") of a side `total`
        long, with lines at the interior `stations`. A mesh with more
        elements than the largest size variant takes is refused before any
        array of that size is made."""
        given = getattr(self, axis)
        if given is not None:
            if not math.isclose(sum(given), total, rel_tol=1e-6):
                raise ValueError(f"Mesh.{axis}: the lengths add up to {sum(given)}, the panel side is {total}")
            return np.array(given)
        cuts = np.unique(np.concatenate([[0.0, total], [s for s in stations if 0.0 < s < total]]))
        bays = np.diff(cuts)
        count = getattr(self, "n" + axis)
        if count is None and self.size is not None:
            with np.errstate(over="ignore"):
                wanted = np.maximum(1.0, np.ceil(bays / self.size - 1e-9))
            if not wanted.sum() <= MAX_LINES - 1:
                raise ValueError(f"Mesh.size: {self.size:g} gives {wanted.sum():.6g} elements along {axis}; the "
                                 f"largest size variant takes {MAX_LINES - 1} (p_rtnds {MAX_LINES}); "
                                 f"Mesh(size={fitting_size(total, len(bays)):.6g}) fits")
            per_bay = wanted.astype(int)
        else:
            per_bay = _share(10 if count is None else count, bays)
        return np.repeat(bays / per_bay, per_bay)


def fitting_size(total: float, bays: int) -> float:
    """An element size that puts at most MAX_LINES - 1 elements on a side
    `total` long cut into `bays` bays (each bay rounds up by one at most)."""
    room = MAX_LINES - 1 - bays
    return total / room * (1 + 1e-6) if room > 0 else total


def _share(count: int, bays: np.ndarray) -> np.ndarray:
    """`count` elements over the bays in proportion to their lengths, at least
    one each (largest remainders first)."""
    exact = count * bays / bays.sum()
    n = np.maximum(1, np.floor(exact + 1e-9)).astype(int)
    for i in np.argsort(-(exact - np.floor(exact + 1e-9))):
        if n.sum() >= count:
            break
        n[i] += 1
    return n


# ---- the panel ---------------------------------------------------------------------------

@dataclass(frozen=True)
class Panel:
    """A rectangular skin panel, `length` along x by `width` along y.

    edges: Edges, one word for all four, or a mapping (see Edges.parse).
    rx, ry, rxy: radii of curvature in x, in y and of twist (inf: flat).
    skew_x, skew_y: angles of obliqueness of the grid directions, degrees.
    freedoms: "WUV" (normal and in-plane displacements) or "W" (normal only,
    flat panels; stiffeners keep their bending and torsion, their stretching
    drops, and an offset stiffener, ES not 0, is refused); "WUVBG" and "WBG" add the transverse shear rotations BETA,
    GAMMA (laminates with a shear stiffness). With them an edge that holds W
    also holds the rotation along it (hard simple support) and one that
    holds the slope both rotations, unless BETA or GAMMA is named. Their
    results hold to 0.5 % up to D/(S·l²) = 30 (`face_to_core_ratio`); faces
    stiffer against their core give a PrecisionWarning (docs/conventions.rst).
    regions: Region bands of the skin with their own laminate; stringers'
    pad-ups are bands too. The engine holds at most two laminates (the skin's
    and one other) and one per element row; a band reaching past the sides
    y = 0, width is refused. Under a band's laminate Nx is that of the
    skin's strain along x, Nxy and Ny are the skin's (equilibrium across
    the band's edges).
    A laminate thicker than half the smaller side warns (UnitWarning): no
    plate, most likely lengths in metres with the thickness in millimetres.
    """
    length: float
    width: float
    laminate: Laminate
    loads: Loads = Loads()
    edges: Edges = Edges()
    stringers: tuple = ()
    frames: tuple = ()
    mesh: Mesh = Mesh()
    rx: float = math.inf
    ry: float = math.inf
    rxy: float = math.inf
    skew_x: float = 0.0
    skew_y: float = 0.0
    freedoms: str = "WUV"
    title: str = ""
    regions: tuple = ()
    x_lengths: np.ndarray = field(init=False, repr=False, compare=False)
    y_lengths: np.ndarray = field(init=False, repr=False, compare=False)
    stringer_lines: tuple = field(init=False, repr=False, compare=False)
    frame_lines: tuple = field(init=False, repr=False, compare=False)
    laminates: tuple = field(init=False, repr=False, compare=False)
    element_rows: tuple = field(init=False, repr=False, compare=False)

    def __post_init__(self) -> None:
        _set(self, length=_length("Panel", "length", self.length),
             width=_length("Panel", "width", self.width))
        for name, cls in (("laminate", Laminate), ("loads", Loads), ("mesh", Mesh)):
            if not isinstance(getattr(self, name), cls):
                raise ValueError(f"Panel.{name}: a ruvo.{cls.__name__} is needed, got {getattr(self, name)!r}")
        _set(self, edges=Edges.parse(self.edges))
        for name in ("stringers", "frames"):
            items = tuple(getattr(self, name))
            if any(not isinstance(s, Stiffener) for s in items):
                raise ValueError(f"Panel.{name}: every item must be a ruvo.Stiffener")
            _set(self, **{name: items})
        for name in ("rx", "ry", "rxy"):
            r = float(getattr(self, name))
            if math.isnan(r) or r == 0.0:
                raise ValueError(f"Panel.{name}: {r} is not a radius (use inf for flat)")
            _set(self, **{name: r})
        for name in ("skew_x", "skew_y"):
            a = _number("Panel", name, getattr(self, name))
            if not -90.0 < a < 90.0:
                raise ValueError(f"Panel.{name}: {a} degrees must lie in (-90, 90)")
            _set(self, **{name: a})
        if abs(self.skew_x - self.skew_y) > LARGEST_SKEW_DIFFERENCE:
            raise ValueError(f"Panel.skew_x: the grid directions differ by skew_x - skew_y = "
                             f"{self.skew_x - self.skew_y:g} degrees; the element takes at most "
                             f"{LARGEST_SKEW_DIFFERENCE:.2f} (|cos| >= 0.2), beyond that its shape degenerates")
        for name, side in (("rx", self.length), ("ry", self.width)):
            r = getattr(self, name)
            if abs(r) < side:
                _warn_units(f"Panel.{name}: the radius {r:g} is smaller than the side {side:g} it curves; "
                            "a diameter, or another unit than the panel's?")
        if self.freedoms not in FREEDOM_SETS:
            raise ValueError(f"Panel.freedoms: {self.freedoms!r} must be one of {', '.join(FREEDOM_SETS)}")
        if "U" not in self.freedoms and self.curved:
            raise ValueError("Panel.freedoms: a curved panel needs the in-plane freedoms ('WUV' or 'WUVBG')")
        regions = tuple(self.regions)
        if any(not isinstance(r, Region) for r in regions):
            raise ValueError("Panel.regions: every item must be a ruvo.Region")
        _set(self, regions=regions)
        if any(f.pad_up is not None for f in self.frames):
            raise ValueError("Panel.frames: a frame cannot have a pad-up; the engine holds one laminate per "
                             "element row (bands in y), not per column")
        self._check_bands()
        laminates = tuple(dict.fromkeys([self.laminate] + [b[2] for b in self._bands()]))
        if len(laminates) > MAX_LAMINATES:
            raise ValueError(self._laminate_count_fault(laminates))
        if "U" not in self.freedoms and any(s.ES != 0.0 for s in self.stringers + self.frames):
            raise ValueError(f"Panel.freedoms: {self.freedoms!r} without U and V keeps the stiffeners' bending "
                             "but drops their coupling ES (an eccentric stiffener would come out too stiff); "
                             "use 'WUV'")
        for lam in laminates:
            if lam.thickness is not None and lam.thickness > 0.5 * min(self.length, self.width):
                _warn_units(f"Panel.laminate: a thickness of {lam.thickness:g} is more than half the smaller "
                            f"panel side {min(self.length, self.width):g}, no plate; the sides in other units "
                            "than the thickness (metres and millimetres)?")
            if "U" not in self.freedoms and lam.coupled:
                raise ValueError(f"Panel.freedoms: {self.freedoms!r} without U and V drops the coupling B of this "
                                 "unsymmetric laminate (the load factor would come out too high); use 'WUV'")
            if "B" in self.freedoms and lam.shear is None:
                raise ValueError(f"Panel.freedoms: {self.freedoms!r} carries the transverse shear rotations; every "
                                 "laminate needs its shear stiffness (transverse_shear=True or shear=...)")
        _set(self, laminates=laminates)
        if "B" in self.freedoms:
            self._check_face_to_core_ratio()
        if not isinstance(self.title, str) or not self.title.isascii() or len(self.title) > 80:
            raise ValueError("Panel.title: at most 80 ASCII characters")
        self._lay_out_grid()

    @property
    def curved(self) -> bool:
        return any(abs(r) < FLAT for r in (self.rx, self.ry, self.rxy))

    def face_to_core_ratio(self) -> float:
        """D/(S·l²) of the panel with the shear rotations: the largest bending
        stiffness D11, D22 of its laminates over the smallest transverse
        shear stiffness S (the least eigenvalue of the 2 x 2 shear matrix)
        and the square of l, the shortest bay between the edges and the
        stiffener lines; 0 without the shear rotations."""
        if "B" not in self.freedoms:
            return 0.0
        bays = []
        for total, stiffeners in ((self.length, self.frames), (self.width, self.stringers)):
            stations = sorted({0.0, total, *(s.position for s in stiffeners if s.position is not None)})
            bays += [b - a for a, b in zip(stations, stations[1:]) if b > a]
        bay = min(bays)
        return max(max(lam.D[0][0], lam.D[1][1]) / (float(np.linalg.eigvalsh(lam.shear)[0]) * bay * bay)
                   for lam in self.laminates)

    def _check_face_to_core_ratio(self) -> None:
        ratio = self.face_to_core_ratio()
        if ratio > LARGEST_FACE_TO_CORE_RATIO:
            warnings.warn(f"Panel.freedoms: with the shear rotations, D/(S·l²) = {ratio:.3g} is above "
                          f"{LARGEST_FACE_TO_CORE_RATIO:g}, the range in which the results were shown to hold to "
                          "0.5 % (faces stiff against their core: the engine's 32-bit element data can put the "
                          "load factors and frequencies off by percent, either way)",
                          PrecisionWarning, stacklevel=4)

    def _lay_out_grid(self) -> None:
        x_stations = [f.position for f in self.frames if f.position is not None]
        bands = self._bands()
        y_stations = [s.position for s in self.stringers if s.position is not None] + \
                     [min(max(y, 0.0), self.width) for y0, y1, _ in bands for y in (y0, y1)]
        for axis, total, stations in (("x", self.length, x_stations), ("y", self.width, y_stations)):
            for s in stations:
                if s > total * (1 + 1e-9):
                    owner = "frames" if axis == "x" else "stringers"
                    raise ValueError(f"Panel.{owner}: position {s} lies beyond the panel side {total}")
        x = self.mesh.lengths("x", self.length, x_stations)
        y = self.mesh.lengths("y", self.width, y_stations)
        for axis, lengths, total, stations in (("x", x, self.length, x_stations), ("y", y, self.width, y_stations)):
            if len(lengths) + 1 > MAX_LINES:
                bays = len([s for s in stations if 0.0 < s < total]) + 1
                raise ValueError(f"Panel.mesh: {len(lengths) + 1} node lines along {axis}; the largest size "
                                 f"variant takes {MAX_LINES} (p_rtnds); Mesh(size={fitting_size(total, bays):.6g}) "
                                 "fits")
            if not ((lengths >= SMALLEST_LENGTH) & (lengths <= LARGEST_LENGTH)).all():
                for k, v in enumerate(lengths):
                    _length("Panel.mesh", f"{axis}[{k}]", v)
        _set(self, x_lengths=x, y_lengths=y,
             frame_lines=self._lines("frames", self.frames, x),
             stringer_lines=self._lines("stringers", self.stringers, y))
        middles = np.concatenate([[0.0], np.cumsum(y)])[:-1] + 0.5 * y
        rows = np.ones(len(y), int)
        for y0, y1, lam in bands:  # later bands (pad-ups last) over earlier ones
            rows[(middles > y0) & (middles < y1)] = self.laminates.index(lam) + 1
        _set(self, element_rows=tuple(int(r) for r in rows))

    def _band_names(self) -> list[str]:
        """The fields of the bands of `_bands`, in its order."""
        return [f"regions[{k}]" for k in range(len(self.regions))] + \
               [f"stringers[{k}].pad_up" for k, s in enumerate(self.stringers) if s.pad_up is not None]

    def _check_bands(self) -> None:
        """Refuses a region or pad-up reaching past the panel's sides y = 0, width."""
        tolerance = 1e-9 * self.width
        for name, (y0, y1, _) in zip(self._band_names(), self._bands()):
            if y0 < -tolerance or y1 > self.width + tolerance:
                raise ValueError(f"Panel.{name}: the band y = {y0:g}..{y1:g} reaches past the panel, whose "
                                 f"width is {self.width:g}")

    def _laminate_count_fault(self, laminates: Sequence[Laminate]) -> str:
        """The refusal of more laminates than the engine holds, naming those the panel holds."""
        owners = {id(self.laminate): ["the skin"]}
        for name, (_, _, lam) in zip(self._band_names(), self._bands()):
            owners.setdefault(id(next(m for m in laminates if m == lam)), []).append(name)
        held = "; ".join(f"{k + 1}: " + ", ".join(owners[id(m)]) for k, m in enumerate(laminates))
        field = "regions" if self.regions else "stringers"
        others = MAX_LAMINATES - 1
        count = ("no", "one", "two", "three")[others] if others < 4 else str(others)
        return (f"Panel.{field}: the panel holds {len(laminates)} different laminates ({held}); the engine "
                f"takes the skin's and {count} other{'s' if others > 1 else ''} at most, shared by every "
                "region and pad-up")

    def _bands(self) -> list[tuple[float, float, Laminate]]:
        """(y0, y1, laminate) of the regions, then of the pad-ups."""
        return [(r.y0, r.y1, r.laminate) for r in self.regions] + \
               [(s.position - 0.5 * s.pad_width, s.position + 0.5 * s.pad_width, s.pad_up)
                for s in self.stringers if s.pad_up is not None]

    @staticmethod
    def _lines(name: str, stiffeners: Sequence[Stiffener], lengths: ArrayLike) -> tuple[int, ...]:
        """Grid line numbers (1-based) of the stiffeners."""
        nodes = np.concatenate([[0.0], np.cumsum(lengths)])
        lines = []
        for k, s in enumerate(stiffeners):
            if s.line is not None:
                if s.line > len(nodes):
                    raise ValueError(f"Panel.{name}[{k}]: line {s.line} beyond the {len(nodes)} grid lines")
                lines.append(int(s.line))
                continue
            i = int(np.argmin(np.abs(nodes - s.position)))
            if abs(nodes[i] - s.position) > 1e-6 * nodes[-1]:
                raise ValueError(f"Panel.{name}[{k}]: position {s.position} is not on a grid line of the mesh")
            lines.append(i + 1)
        if len(set(lines)) != len(lines):
            raise ValueError(f"Panel.{name}: two stiffeners on one grid line ({sorted(lines)})")
        return tuple(lines)

    @property
    def x_nodes(self) -> np.ndarray:
        """x coordinates of the node lines."""
        return np.concatenate([[0.0], np.cumsum(self.x_lengths)])

    @property
    def y_nodes(self) -> np.ndarray:
        return np.concatenate([[0.0], np.cumsum(self.y_lengths)])

    def to_toml(self) -> str:
        """The panel's TOML text; `Panel.from_toml` reads it back to an equal panel."""
        from . import toml_panel
        return toml_panel.to_toml(self)

    @classmethod
    def from_toml(cls, path: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> Panel:
        """The panel of a TOML file (`python3 -m ruvo --help` shows the
        format): a regular file of at most `max_bytes` (a FIFO, a device or
        a longer file is refused with ValueError)."""
        from . import toml_panel
        return toml_panel.from_toml(path, max_bytes)

    def replace(self, **changes: Any) -> Panel:
        """A copy with some fields changed (checked again)."""
        import dataclasses
        return dataclasses.replace(self, **changes)
