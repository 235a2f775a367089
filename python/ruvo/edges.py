"""Edge conditions of the panel, in words or the engine's codes, and the
checks that they hold the panel against its rigid-body motions.
"""
from __future__ import annotations

import functools
from dataclasses import dataclass
from typing import Any, Callable, Sequence

import numpy as np

from .validation import _set

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
        """An Edge from a word, a list of seven codes, or an Edge.

        Returns
        -------
        Edge

        Examples
        --------
        >>> ruvo.Edge.parse("clamped").held
        ('W', 'U', 'V', 'SLOPE')
        """
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
        > 0 antisymmetry), then up to six condition codes 1..6 (0 for none).

        Returns
        -------
        Edge

        Examples
        --------
        >>> ruvo.Edge.from_codes([0, 1, 6, 0, 0, 0, 0]).held
        ('W', 'SLOPE')
        """
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
        """The engine's edge vector of this edge (see `from_codes`).

        Returns
        -------
        list of int
            Seven codes.

        Examples
        --------
        >>> ruvo.Edge.parse("simply supported").codes()
        [0, 1, 2, 3, 0, 0, 0]
        """
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
        (missing names: simply supported; "all" sets the default).

        Returns
        -------
        Edges

        Examples
        --------
        >>> edges = ruvo.Edges.parse({"all": "clamped", "yl": "free"})
        >>> edges.x0.held, edges.yl.held
        (('W', 'U', 'V', 'SLOPE'), ())
        """
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
    """Whether the edges hold W against the rigid motions w = a + b x + c y.

    Returns
    -------
    bool

    Examples
    --------
    >>> w_supported(ruvo.Edges.parse({"all": "free", "x0": "clamped"}), 300.0, 100.0)
    True
    """
    return free_w_motions(edges, length, width) == 0


def free_w_motions(edges: Edges, length: float, width: float) -> int:
    """How many of the rigid motions w = a + b x + c y the edges leave free:
    3 for a panel with all edges free, 1 for one held along a single edge.

    Returns
    -------
    int
        0 to 3.

    Examples
    --------
    >>> free_w_motions(ruvo.Edges.parse({"all": "free", "x0": "simply supported"}), 300.0, 100.0)
    1
    """
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
    in, only that some edge holds U or V.

    Returns
    -------
    bool

    Examples
    --------
    >>> in_plane_supported(ruvo.Edges.parse({"all": "free", "x0": "simply supported"}), 300.0, 100.0)
    True
    >>> in_plane_supported(ruvo.Edges.parse({"all": "free", "x0": ruvo.Edge(held=("W", "U"))}), 300.0, 100.0)
    False
    """
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
