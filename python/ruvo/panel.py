"""A panel in the engineer's words: laminate, stiffeners, edges, loads, mesh.

Every class is a frozen dataclass checked when it is built: a bad value
raises ValueError naming the field before any analysis starts.

Axes: x runs along the panel length, y across its width. Stringers run in x
and sit at a y position; frames run in y and sit at an x position. Lengths,
stiffnesses and forces are in any consistent units.
"""
from __future__ import annotations

import math
from dataclasses import dataclass, field

import numpy as np

FLAT = 1.0e29  # the engine's radius of a flat direction

# Packed order of a symmetric 3 x 3 matrix in the engine: M11, M12, M22, M13, M23, M33.
_PACKED = ((0, 0), (0, 1), (1, 1), (0, 2), (1, 2), (2, 2))

# Largest grid of the engine: node lines per direction.
MAX_LINES = 31


def _number(owner, name, value, *, positive=False, nonnegative=False):
    """`value` as a finite float, or ValueError naming owner.name."""
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


def _set(obj, **values):
    for k, v in values.items():
        object.__setattr__(obj, k, v)


# ---- laminates ------------------------------------------------------------------

@dataclass(frozen=True)
class Material:
    """Orthotropic ply material: moduli along and across the fibres, major
    Poisson ratio, in-plane shear modulus."""
    E1: float
    E2: float
    nu12: float
    G12: float

    def __post_init__(self):
        for name in ("E1", "E2", "G12"):
            _set(self, **{name: _number("Material", name, getattr(self, name), positive=True)})
        _set(self, nu12=_number("Material", "nu12", self.nu12))
        if self.nu12 ** 2 * self.E2 / self.E1 >= 1.0:
            raise ValueError(f"Material.nu12: {self.nu12} makes the ply stiffness singular (nu12² E2/E1 >= 1)")


@dataclass(frozen=True)
class Ply:
    """One ply: thickness and fibre angle in degrees (from x towards y)."""
    thickness: float
    angle: float = 0.0

    def __post_init__(self):
        _set(self, thickness=_number("Ply", "thickness", self.thickness, positive=True),
             angle=_number("Ply", "angle", self.angle))


def _matrix(name, value):
    try:
        m = np.array(value, dtype=float)
    except (TypeError, ValueError):
        raise ValueError(f"Laminate.{name}: not a 3 x 3 matrix of numbers") from None
    if m.shape != (3, 3):
        raise ValueError(f"Laminate.{name}: shape {m.shape}, expected (3, 3)")
    if not np.isfinite(m).all():
        raise ValueError(f"Laminate.{name}: entries must be finite")
    if not np.allclose(m, m.T, rtol=1e-6, atol=1e-12 * max(1.0, np.abs(m).max())):
        raise ValueError(f"Laminate.{name}: not symmetric")
    return tuple(tuple(float(v) for v in row) for row in m)


@dataclass(frozen=True)
class Laminate:
    """Skin stiffness: membrane A, coupling B and bending D (3 x 3, over x, y
    and engineering shear xy).

    B is the classical coupling (N = A eps + B kappa with kappa = -w,xx ...);
    the engine takes its negative, which is what laminate theory through
    `abdetc` returns. Build with `isotropic`, `from_plies` or `from_matrices`.
    """
    A: tuple
    B: tuple
    D: tuple
    thickness: float | None = None

    def __post_init__(self):
        _set(self, A=_matrix("A", self.A), B=_matrix("B", self.B), D=_matrix("D", self.D))
        if self.thickness is not None:
            _set(self, thickness=_number("Laminate", "thickness", self.thickness, positive=True))

    @classmethod
    def from_matrices(cls, A, D, B=None, thickness=None):
        return cls(A, np.zeros((3, 3)) if B is None else B, D, thickness)

    @classmethod
    def from_plies(cls, plies, material):
        """Classical lamination theory through the engine's `abdetc`; ply 1 at
        the bottom (most negative z)."""
        import _ruvo
        plies = tuple(p if isinstance(p, Ply) else Ply(*p) for p in plies)
        if not plies:
            raise ValueError("Laminate.plies: at least one ply is needed")
        if not isinstance(material, Material):
            raise ValueError("Laminate.material: a ruvo.Material is needed")
        aal, ddl, adl = (np.zeros((3, 3), np.float32, order="F") for _ in range(3))
        q = np.array([material.E1, material.E2, material.nu12, material.G12], np.float32)
        _ruvo.ruvoutils.abdetc(len(plies), [p.thickness for p in plies], [p.angle for p in plies], q, 0.0,
                               aal, ddl, adl, 0)
        thickness = float(np.sum(np.array([p.thickness for p in plies], np.float32), dtype=np.float32))
        return cls(aal, -adl.astype(float), ddl, thickness)

    @classmethod
    def isotropic(cls, E, nu, t):
        """A single isotropic layer of modulus E, Poisson ratio nu, thickness t."""
        E = _number("Laminate", "E", E, positive=True)
        nu = _number("Laminate", "nu", nu)
        if not -1.0 < nu < 0.5:
            raise ValueError(f"Laminate.nu: {nu} must lie in (-1, 0.5)")
        return cls.from_plies([Ply(t, 0.0)], Material(E, E, nu, E / (2.0 * (1.0 + nu))))

    def packed(self):
        """The 18 stiffness values of one engine laminate column: membrane,
        coupling (the engine's sign, -B), bending, each packed M11, M12, M22,
        M13, M23, M33."""
        groups = (np.array(self.A), -np.array(self.B), np.array(self.D))
        return np.array([g[i, j] for g in groups for i, j in _PACKED], np.float32)


# ---- stiffeners ------------------------------------------------------------------

@dataclass(frozen=True)
class Stiffener:
    """A stringer (runs in x) or a frame (runs in y) on one grid line.

    position: its y (stringer) or x (frame) coordinate, or instead
    line: the number of the grid line (1 = the edge at 0).
    EA axial, ES coupling (axial-bending), EI bending, GJ torsion stiffness;
    mass per unit length (natural frequencies only).
    """
    position: float | None = None
    EA: float = 0.0
    ES: float = 0.0
    EI: float = 0.0
    GJ: float = 0.0
    mass: float = 0.0
    line: int | None = None

    def __post_init__(self):
        if (self.position is None) == (self.line is None):
            raise ValueError("Stiffener.position: give either a position or a line number")
        if self.position is not None:
            _set(self, position=_number("Stiffener", "position", self.position, nonnegative=True))
        if self.line is not None and (not isinstance(self.line, (int, np.integer)) or self.line < 1):
            raise ValueError(f"Stiffener.line: {self.line!r} must be a grid line number from 1")
        for name in ("EA", "EI", "GJ", "mass"):
            _set(self, **{name: _number("Stiffener", name, getattr(self, name), nonnegative=True)})
        _set(self, ES=_number("Stiffener", "ES", self.ES))

    def stiffnesses(self):
        return [self.EA, self.ES, self.EI, self.GJ]


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

    def __post_init__(self):
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
    def parse(cls, value):
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
    def from_codes(cls, codes):
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

    def codes(self):
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

    def __post_init__(self):
        for name in ("x0", "xl", "y0", "yl"):
            try:
                _set(self, **{name: Edge.parse(getattr(self, name))})
            except ValueError as e:
                raise ValueError(f"Edges.{name}: {e}") from None

    @classmethod
    def parse(cls, value):
        """Edges from Edges, one word or Edge for all four, or a mapping by name
        (missing names: simply supported; "all" sets the default)."""
        if isinstance(value, Edges):
            return value
        if isinstance(value, dict):
            unknown = set(value) - {"all", "x0", "xl", "y0", "yl"}
            if unknown:
                raise ValueError(f"Panel.edges: unknown edge names {sorted(unknown)}; use x0, xl, y0, yl, all")
            default = value.get("all", "simply supported")
            return cls(**{n: value.get(n, default) for n in ("x0", "xl", "y0", "yl")})
        return cls(value, value, value, value)


# ---- loads ---------------------------------------------------------------------------

@dataclass(frozen=True)
class Loads:
    """Membrane forces per unit length, uniform over the panel.

    Sign convention: positive Nx and Ny compress the panel; Nxy is counted
    with the same sign (opposite to the classical tension-positive shear
    flow). Nx, Ny, Nxy are multiplied by the load factor; fixed_Nx,
    fixed_Ny, fixed_Nxy are carried unscaled (a negative fixed value is a
    tension that stiffens the panel).
    """
    Nx: float = 0.0
    Ny: float = 0.0
    Nxy: float = 0.0
    fixed_Nx: float = 0.0
    fixed_Ny: float = 0.0
    fixed_Nxy: float = 0.0

    def __post_init__(self):
        for name in ("Nx", "Ny", "Nxy", "fixed_Nx", "fixed_Ny", "fixed_Nxy"):
            _set(self, **{name: _number("Loads", name, getattr(self, name))})
        if self.Nx == self.Ny == self.Nxy == 0.0:
            raise ValueError("Loads.Nx: the variable load (Nx, Ny, Nxy) is zero; nothing to scale")

    def variable(self):
        return np.array([self.Nx, self.Nxy, self.Ny])

    def fixed(self):
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

    def __post_init__(self):
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

    def lengths(self, axis, total, stations):
        """Subdivision lengths along `axis` ("x" or "y") of a side `total`
        long, with lines at the interior `stations`."""
        given = getattr(self, axis)
        if given is not None:
            if not math.isclose(sum(given), total, rel_tol=1e-6):
                raise ValueError(f"Mesh.{axis}: the lengths add up to {sum(given)}, the panel side is {total}")
            return np.array(given)
        cuts = np.unique(np.concatenate([[0.0, total], [s for s in stations if 0.0 < s < total]]))
        bays = np.diff(cuts)
        count = getattr(self, "n" + axis)
        if count is None and self.size is not None:
            per_bay = np.maximum(1, np.ceil(bays / self.size - 1e-9)).astype(int)
        else:
            per_bay = _share(10 if count is None else count, bays)
        return np.repeat(bays / per_bay, per_bay)


def _share(count, bays):
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
    flat panels).
    """
    length: float
    width: float
    laminate: Laminate
    loads: Loads
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
    x_lengths: np.ndarray = field(init=False, repr=False, compare=False)
    y_lengths: np.ndarray = field(init=False, repr=False, compare=False)
    stringer_lines: tuple = field(init=False, repr=False, compare=False)
    frame_lines: tuple = field(init=False, repr=False, compare=False)

    def __post_init__(self):
        _set(self, length=_number("Panel", "length", self.length, positive=True),
             width=_number("Panel", "width", self.width, positive=True))
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
        if self.freedoms not in ("WUV", "W"):
            raise ValueError(f"Panel.freedoms: {self.freedoms!r} must be 'WUV' or 'W'")
        if self.freedoms == "W" and self.curved:
            raise ValueError("Panel.freedoms: a curved panel needs the in-plane freedoms ('WUV')")
        if not isinstance(self.title, str) or not self.title.isascii() or len(self.title) > 80:
            raise ValueError("Panel.title: at most 80 ASCII characters")
        self._lay_out_grid()

    @property
    def curved(self):
        return any(abs(r) < FLAT for r in (self.rx, self.ry, self.rxy))

    def _lay_out_grid(self):
        x_stations = [f.position for f in self.frames if f.position is not None]
        y_stations = [s.position for s in self.stringers if s.position is not None]
        for axis, total, stations in (("x", self.length, x_stations), ("y", self.width, y_stations)):
            for s in stations:
                if s > total * (1 + 1e-9):
                    owner = "frames" if axis == "x" else "stringers"
                    raise ValueError(f"Panel.{owner}: position {s} lies beyond the panel side {total}")
        x = self.mesh.lengths("x", self.length, x_stations)
        y = self.mesh.lengths("y", self.width, y_stations)
        for axis, lengths in (("x", x), ("y", y)):
            if len(lengths) + 1 > MAX_LINES:
                raise ValueError(f"Panel.mesh: {len(lengths) + 1} node lines along {axis}; the largest size "
                                 f"variant takes {MAX_LINES} (p_rtnds)")
        _set(self, x_lengths=x, y_lengths=y,
             frame_lines=self._lines("frames", self.frames, x),
             stringer_lines=self._lines("stringers", self.stringers, y))

    @staticmethod
    def _lines(name, stiffeners, lengths):
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
    def x_nodes(self):
        """x coordinates of the node lines."""
        return np.concatenate([[0.0], np.cumsum(self.x_lengths)])

    @property
    def y_nodes(self):
        return np.concatenate([[0.0], np.cumsum(self.y_lengths)])

    def to_toml(self):
        """The panel's TOML text; `Panel.from_toml` reads it back to an equal panel."""
        from . import toml_panel
        return toml_panel.to_toml(self)

    @classmethod
    def from_toml(cls, path):
        """The panel of a TOML file (`python3 -m ruvo --help` shows the format)."""
        from . import toml_panel
        return toml_panel.from_toml(path)

    def replace(self, **changes):
        """A copy with some fields changed (checked again)."""
        import dataclasses
        return dataclasses.replace(self, **changes)
