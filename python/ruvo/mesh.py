"""The mesh the engineer chooses, and the grid it lays out on a panel: node
lines at the stiffeners and at the edges of the skin's bands, element counts
shared out over the bays between them.
"""
from __future__ import annotations

import functools
import math
from dataclasses import dataclass
from typing import NamedTuple, Sequence

import numpy as np
from numpy.typing import ArrayLike

import _ruvo

from .stiffeners import Stiffener
from .validation import LARGEST_LENGTH, SMALLEST_LENGTH, _length, _number, _set

# Largest grid of the engine: node lines per direction (of the largest size
# variant the typed entry takes).
MAX_LINES = int(_ruvo._variant_limits(_ruvo.conventions.typed_variants[-1])["p_rtnds"])


@dataclass(frozen=True, eq=False)
class Grid:
    """The grid a mesh lays out on a panel: the subdivision lengths along x
    and y, the grid lines (1 = the edge at 0) of the frames and of the
    stringers, and the patch of the skin over each element (nx by ny,
    x outer: 0 the skin itself, k the k-th patch of the layout)."""
    x_lengths: np.ndarray
    y_lengths: np.ndarray
    frame_lines: tuple
    stringer_lines: tuple
    element_patches: np.ndarray

    @property
    def x_nodes(self) -> np.ndarray:
        """x coordinates of the node lines."""
        return np.concatenate([[0.0], np.cumsum(self.x_lengths)])

    @property
    def y_nodes(self) -> np.ndarray:
        """y coordinates of the node lines."""
        return np.concatenate([[0.0], np.cumsum(self.y_lengths)])


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
        array of that size is made.

        Returns
        -------
        numpy.ndarray
            The lengths, from 0 up.

        Examples
        --------
        >>> ruvo.Mesh(nx=4).lengths("x", 300.0, [100.0]).round(2).tolist()   # one element on 0..100, three on 100..300
        [100.0, 66.67, 66.67, 66.67]
        """
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


    def layout(self, length: float, width: float, frames: Sequence[Stiffener] = (),
               stringers: Sequence[Stiffener] = (), patches: Sequence[tuple[float, float, float, float]] = ()) -> Grid:
        """The grid on a panel `length` by `width` with these frames and
        stringers and patches of the skin (x0, x1, y0, y1; later patches
        over earlier ones), with node lines at the patches' edges. A
        stiffener off the grid, or a grid larger than the engine takes, is
        refused with ValueError naming the panel's field. Layouts of the same
        values give the same grid, whose arrays are read-only (panels built
        alike share it).

        Returns
        -------
        Grid

        Examples
        --------
        >>> stringer = ruvo.Stiffener(25.0, EA=1.4e6, EI=2.0e7)
        >>> grid = ruvo.Mesh(nx=6, ny=4).layout(300.0, 100.0, stringers=[stringer])
        >>> grid.y_nodes.tolist(), grid.stringer_lines
        ([0.0, 25.0, 50.0, 75.0, 100.0], (2,))
        """
        return _laid_out(self, length, width, tuple(_Place(f.position, f.line) for f in frames),
                         tuple(_Place(s.position, s.line) for s in stringers),
                         tuple(tuple(float(v) for v in p[:4]) for p in patches))


class _Place(NamedTuple):
    """What a grid takes of a stiffener: its position or its line."""
    position: float | None
    line: int | None


# A panel rebuilt with other stiffnesses or loads (a gradient's probes, a
# sweep's designs) keeps its grid: the grids of the last layouts are kept,
# keyed on all they are made of. Their arrays are read-only, as panels
# share them; lru_cache is safe between threads.
@functools.lru_cache(maxsize=64)
def _laid_out(mesh: Mesh, length: float, width: float, frames: tuple[_Place, ...], stringers: tuple[_Place, ...],
              patches: tuple[tuple[float, ...], ...]) -> Grid:
    x_stations = [f.position for f in frames if f.position is not None] + \
                 [min(max(x, 0.0), length) for x0, x1, _, _ in patches for x in (x0, x1)]
    y_stations = [s.position for s in stringers if s.position is not None] + \
                 [min(max(y, 0.0), width) for _, _, y0, y1 in patches for y in (y0, y1)]
    for axis, total, stations in (("x", length, x_stations), ("y", width, y_stations)):
        for s in stations:
            if s > total * (1 + 1e-9):
                owner = "frames" if axis == "x" else "stringers"
                raise ValueError(f"Panel.{owner}: position {s} lies beyond the panel side {total}")
    x = mesh.lengths("x", length, x_stations)
    y = mesh.lengths("y", width, y_stations)
    for axis, lengths, total, stations in (("x", x, length, x_stations), ("y", y, width, y_stations)):
        if len(lengths) + 1 > MAX_LINES:
            bays = len([s for s in stations if 0.0 < s < total]) + 1
            raise ValueError(f"Panel.mesh: {len(lengths) + 1} node lines along {axis}; the largest size "
                             f"variant takes {MAX_LINES} (p_rtnds); Mesh(size={fitting_size(total, bays):.6g}) "
                             "fits")
        if not ((lengths >= SMALLEST_LENGTH) & (lengths <= LARGEST_LENGTH)).all():
            for k, v in enumerate(lengths):
                _length("Panel.mesh", f"{axis}[{k}]", v)
    x_middles = np.concatenate([[0.0], np.cumsum(x)])[:-1] + 0.5 * x
    y_middles = np.concatenate([[0.0], np.cumsum(y)])[:-1] + 0.5 * y
    covering = np.zeros((len(x), len(y)), int)
    for k, (x0, x1, y0, y1) in enumerate(patches):
        covering[np.outer((x_middles > x0) & (x_middles < x1), (y_middles > y0) & (y_middles < y1))] = k + 1
    for array in (x, y, covering):
        array.flags.writeable = False
    return Grid(x, y, grid_lines("frames", frames, x), grid_lines("stringers", stringers, y), covering)


def grid_lines(name: str, stiffeners: Sequence[Stiffener | _Place], lengths: ArrayLike) -> tuple[int, ...]:
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


def fitting_size(total: float, bays: int) -> float:
    """An element size that puts at most MAX_LINES - 1 elements on a side
    `total` long cut into `bays` bays (each bay rounds up by one at most).

    Returns
    -------
    float

    Examples
    --------
    >>> ruvo.Mesh(size=fitting_size(3000.0, 2)).lengths("x", 3000.0, [1000.0]).size < MAX_LINES
    True
    """
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
