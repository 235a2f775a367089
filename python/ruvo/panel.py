"""A panel in the engineer's words: its sides, laminate, stiffeners, edges,
loads, mesh, curvature and skew, checked together when it is built.

Every class of the panel is a frozen dataclass checked when it is built: a
bad value raises ValueError naming the field before any analysis starts.

Axes: x runs along the panel length, y across its width. Stringers run in x
and sit at a y position; frames run in y and sit at an x position. Lengths,
stiffnesses and forces are in any consistent units.
"""
from __future__ import annotations

import dataclasses
import math
import os
import warnings
from dataclasses import dataclass, field
from typing import Any, cast

import numpy as np

from .edges import Edge, Edges, free_w_motions, in_plane_supported, w_supported
from . import toml_panel
from .document import Place, panel_arguments
from .conventions import FLAT
from .files import MAX_BYTES
from .laminates import SHEAR_CORRECTION, Laminate, Material, Ply
from .loads import FLAT_PRESSURE, Loads
from .mesh import MAX_LINES, Grid, Mesh, fitting_size, grid_lines
from .stiffeners import Region, Stiffener
from .validation import LARGEST_LENGTH, SMALLEST_LENGTH, UnitWarning, _length, _number, _set, _warn_units

# The names of the panel's parts stay importable from here for one release;
# import them from ruvo (or their own modules).
__all__ = ["FLAT", "FREEDOM_SETS", "LARGEST_FACE_TO_CORE_RATIO", "LARGEST_LENGTH", "LARGEST_SKEW_DIFFERENCE",
           "MAX_LINES", "SHEAR_CORRECTION", "SMALLEST_LENGTH", "Edge", "Edges", "Grid", "Laminate",
           "Loads", "Material", "Mesh", "Panel", "Ply", "PrecisionWarning", "Region", "Stiffener", "UnitWarning",
           "fitting_size", "free_w_motions", "in_plane_supported", "w_supported"]


# The freedom sets: W, U, V and the transverse shear rotations BETA, GAMMA.
FREEDOM_SETS = ("WUV", "W", "WUVBG", "WBG")

# The element takes grid directions whose angle differs by at most this
# (|cos(skew_x - skew_y)| >= 0.2), in degrees.
LARGEST_SKEW_DIFFERENCE = math.degrees(math.acos(0.2))


class PrecisionWarning(UserWarning):
    """A panel beyond the range in which the engine's 32-bit element data
    was shown to give the load factors and frequencies to 0.5 %."""


# With the shear rotations the faces' bending energy D·|κ(W) - κ(rotations)|²
# is assembled from three parts in 32 bits, whose cancellation carries the
# shear (crimping) limit S. The rounding leaves a spurious face stiffness of
# about 1e-7·D, so the error grows with D/(S·l²): at most 3e-4 up to 30 on
# 2..30 elements, 0.3 % at 50, 0.9 % at 100, 19 % at 1,900 (either sign).
LARGEST_FACE_TO_CORE_RATIO = 30.0


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
    regions: Region parts of the skin with their own laminate (bands along
    x, bands along y, or rectangles of cells); the stiffeners' pad-ups are
    bands too, a stringer's along x, a frame's along y, each with its own
    laminate. Any number of laminates; regions overlapping one another, or
    a region or pad-up reaching past the panel's sides, are refused;
    pad-ups lie over regions, frames' over stringers'. A hat stringer with
    its footprint (sections.Hat.stiffener) stands on its two web lines with
    its feet as bands along x (`stringer_beams` lists what the engine
    takes). Under a band along
    x Nx is that of the skin's strain along x, under a band along y Ny
    that of its strain along y; Nxy, and the other force, are the skin's
    (equilibrium across the band's edges). A rectangle that spans neither
    way draws load as its membrane stiffness asks (`ruvo.membrane`).
    A laminate thicker than half the smaller side warns (UnitWarning): no
    plate, most likely lengths in metres with the thickness in millimetres.
    grid: the Grid its mesh lays out on it (`Mesh.layout`), whose lengths,
    nodes, stiffener lines and element rows the panel also shows.
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
    laminates: tuple = field(init=False, repr=False, compare=False)
    grid: Grid = field(init=False, repr=False, compare=False)

    def __post_init__(self) -> None:
        _set(self, length=_length("Panel", "length", self.length),
             width=_length("Panel", "width", self.width))
        for name, cls in (("laminate", Laminate), ("loads", Loads), ("mesh", Mesh)):
            if not isinstance(getattr(self, name), cls):
                raise ValueError(f"Panel.{name}: a ruvo.{cls.__name__} is needed, got {getattr(self, name)!r}")
        _set(self, edges=Edges.parse(self.edges))
        if self.loads.pressure and all(abs(float(r)) >= FLAT for r in (self.rx, self.ry, self.rxy)):
            raise ValueError(f"Panel.loads.pressure: {FLAT_PRESSURE}")
        for name in ("stringers", "frames"):
            items = tuple(getattr(self, name))
            if any(not isinstance(s, Stiffener) for s in items):
                raise ValueError(f"Panel.{name}: every item must be a ruvo.Stiffener")
            _set(self, **{name: items})
        for k, f in enumerate(self.frames):
            if f.footprint is not None:
                raise ValueError(f"Panel.frames[{k}]: a hat's footprint is taken on stringers only; build the "
                                 "frame with footprint=False (one beam on its position)")
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
        self._check_patches()
        laminates = tuple(dict.fromkeys([self.laminate] + [p[4] for p in self.patches]))
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
        stiffener lines; 0 without the shear rotations.

        Returns
        -------
        float

        Examples
        --------
        >>> core = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0, transverse_shear=True)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=core, freedoms="WUVBG")
        >>> f"{panel.face_to_core_ratio():.3g}"   # a thin plate: far below 30
        '2.86e-05'
        """
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
        patches = [p[:4] for p in self.patches]
        _set(self, grid=self.mesh.layout(self.length, self.width, self.frames, self.stringers, patches))

    @property
    def x_lengths(self) -> np.ndarray:
        """Subdivision lengths along x of the panel's grid."""
        return self.grid.x_lengths

    @property
    def y_lengths(self) -> np.ndarray:
        """Subdivision lengths along y of the panel's grid."""
        return self.grid.y_lengths

    @property
    def frame_lines(self) -> tuple:
        """Grid line numbers (1-based) of the frames."""
        return self.grid.frame_lines

    @property
    def stringer_lines(self) -> tuple:
        """Grid line numbers (1-based) of the stringers."""
        return self.grid.stringer_lines

    @property
    def stringer_beams(self) -> tuple[list[Stiffener], tuple[int, ...]]:
        """The beams along x the engine takes, and their grid lines: each
        stringer on its line, a hat with its footprint as its two web beams
        on the web lines (which its feet put on the grid)."""
        beams = [beam for s in self.stringers for beam in s.beams()]
        if len(beams) == len(self.stringers):
            return beams, self.stringer_lines
        return beams, grid_lines("stringers", beams, self.y_lengths)

    @property
    def element_laminates(self) -> np.ndarray:
        """The laminate (1 the skin's, then in the order of `laminates`) of
        each element, nx by ny (x outer, y from 0 up)."""
        numbers = np.array([1] + [self.laminates.index(p[4]) + 1 for p in self.patches])
        return numbers[self.grid.element_patches]

    @property
    def element_rows(self) -> tuple | None:
        """The laminate of each element row, from y = 0 up, when every row
        holds one laminate along its length (None otherwise)."""
        laminates = self.element_laminates
        return tuple(int(v) for v in laminates[0]) if (laminates == laminates[0]).all() else None

    @property
    def x_nodes(self) -> np.ndarray:
        """x coordinates of the node lines."""
        return self.grid.x_nodes

    @property
    def y_nodes(self) -> np.ndarray:
        """y coordinates of the node lines."""
        return self.grid.y_nodes

    def _patch_names(self) -> list[str]:
        """The fields of the patches of `_patches`, in its order."""
        return [f"regions[{k}]" for k in range(len(self.regions))] + \
               [name for k, s in enumerate(self.stringers)
                for name in [f"stringers[{k}].pad_up"] * (s.pad_up is not None) + [f"stringers[{k}] foot"] *
                len(s.feet())] + \
               [f"frames[{k}].pad_up" for k, s in enumerate(self.frames) if s.pad_up is not None]

    def _check_patches(self) -> None:
        """Refuses a region or pad-up reaching past the panel's sides, and
        regions overlapping one another."""
        patches = self.patches
        for name, (x0, x1, y0, y1, _) in zip(self._patch_names(), patches):
            for axis, low, high, side, size in (("x", x0, x1, "length", self.length), ("y", y0, y1, "width", self.width)):
                if low < -1e-9 * size or high > size * (1 + 1e-9):
                    raise ValueError(f"Panel.{name}: the band {axis} = {low:g}..{high:g} reaches past the panel, "
                                     f"whose {side} is {size:g}")
        for i, a in enumerate(patches[:len(self.regions)]):
            for j, b in enumerate(patches[:i]):
                if a[0] < b[1] and b[0] < a[1] and a[2] < b[3] and b[2] < a[3]:
                    raise ValueError(f"Panel.regions[{i}]: it overlaps regions[{j}] (x = {max(a[0], b[0]):g}.."
                                     f"{min(a[1], b[1]):g}, y = {max(a[2], b[2]):g}..{min(a[3], b[3]):g}); "
                                     "regions may not overlap")

    @property
    def patch_axes(self) -> list[str]:
        """Per patch of `patches`, the direction it runs as a band: "x" over
        the whole length, otherwise "y" over the whole width, "" (a
        rectangle of cells) neither."""
        return ["x" if x0 <= 0.0 and x1 >= self.length else "y" if y0 <= 0.0 and y1 >= self.width else ""
                for x0, x1, y0, y1, _ in self.patches]

    @property
    def patches(self) -> list[tuple[float, float, float, float, Laminate]]:
        """The parts of the skin with their own laminate: (x0, x1, y0, y1,
        laminate) of the regions, then of the stringers' pad-ups, then of
        the frames' (later ones lie over earlier ones); a stringer's feet
        (a hat's footprint) lie over its pad-up."""
        def span(region: Region, axis: str, side: float) -> tuple[float, float]:
            low, high = region.range(axis)
            return (0.0, side) if low is None else (low, high)
        def bands(s: Stiffener) -> list[tuple[float, float, Laminate]]:
            y = cast(float, s.position)   # a pad-up needs the position
            return ([(y - 0.5 * s.pad_width, y + 0.5 * s.pad_width, s.pad_up)] if s.pad_up is not None else []) + \
                s.feet()
        return [(*span(r, "x", self.length), *span(r, "y", self.width), r.laminate)
                for r in self.regions] + \
               [(0.0, self.length, y0, y1, laminate) for s in self.stringers for y0, y1, laminate in bands(s)] + \
               [(f.position - 0.5 * f.pad_width, f.position + 0.5 * f.pad_width, 0.0, self.width, f.pad_up)
                for f in self.frames if f.pad_up is not None]

    def to_toml(self, options: dict[str, Any] | None = None) -> str:
        """The panel's TOML text, materials, laminates and sections written
        once by name (with the analysis `options` modes and load_cases when
        given); `Panel.from_toml` reads it back to an equal panel.

        Returns
        -------
        str

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> print(ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0)).to_toml())
        schema_version = 2
        length = 300.0
        width = 100.0
        laminate = "skin"
        <BLANKLINE>
        [loads]
        Nx = 1.0
        <BLANKLINE>
        [laminates.skin]
        E = 70000.0
        nu = 0.3
        t = 1.0
        """
        return toml_panel.to_toml(self, options)

    @classmethod
    def from_toml(cls, source: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> Panel:
        """The panel of a TOML file, or of the TOML text itself: a str with
        a line break is the text (as `to_toml` returns it), anything else a
        file name (`python3 -m ruvo --help` shows the format). A file must
        be a regular file of at most `max_bytes` (a FIFO, a device or a
        longer file is refused with ValueError).

        Returns
        -------
        Panel

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> ruvo.Panel.from_toml(panel.to_toml()) == panel
        True
        """
        return cls.from_toml_with_options(source, max_bytes)[0]

    @classmethod
    def from_toml_with_options(cls, source: str | os.PathLike[str],
                               max_bytes: int = MAX_BYTES) -> tuple[Panel, dict[str, Any]]:
        """(the panel, the analysis options modes and load_cases) of a TOML
        file or text, as `from_toml` takes it.

        Returns
        -------
        tuple of Panel and dict

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> ruvo.Panel.from_toml_with_options(panel.to_toml({"modes": 3}))[1]
        {'modes': 3}
        """
        return cls.from_document(*toml_panel.parsed(source, max_bytes))

    @classmethod
    def from_document(cls, document: Any, source: str = "") -> tuple[Panel, dict[str, Any]]:
        """(the panel, the analysis options) of a parsed panel document of any
        schema version this package reads; `source` is named in the messages.

        Returns
        -------
        tuple of Panel and dict

        Examples
        --------
        >>> document = {"length": 300.0, "width": 100.0, "laminate": {"E": 70000.0, "t": 1.0}}
        >>> panel, options = ruvo.Panel.from_document(document)
        >>> panel.laminate == ruvo.Laminate.isotropic(70000.0, 0.3, 1.0), options
        (True, {'modes': 5})
        """
        values, options = panel_arguments(document, source)
        return Place(source).build(cls, **values), options

    def replace(self, **changes: Any) -> Panel:
        """A copy with some fields changed (checked again).

        Returns
        -------
        Panel

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> panel.replace(loads=ruvo.Loads(Nxy=1.0)).loads.Nxy
        1.0
        """
        return dataclasses.replace(self, **changes)
