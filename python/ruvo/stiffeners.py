"""Stiffeners on the grid lines (stringers along x, frames along y) and
regions, bands of the skin with their own laminate.
"""
from __future__ import annotations

import dataclasses
import enum
from dataclasses import KW_ONLY, dataclass, field
from typing import Any, cast

import numpy as np

from .laminates import Laminate
from .validation import _length, _number, _set


class StringerShape(enum.StrEnum):
    """The stringer profiles whose walls the engine's stringer checks know:
    the T (a foot on the skin, a web standing on it) and the hat (omega:
    two feet, two webs, a chord on top)."""
    T = "T"
    HAT = "hat"


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
    that have them). A stiffener built by a section's `stiffener` keeps the
    section and its side (`section`, `side`), so that a file writes it as
    it was built; a hat's also its `footprint` (its feet and web lines on
    the skin), unless it was built without. alpha: its thermal expansion coefficient along
    its axis, for temperature loads (None: it expands as the skin does).
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
    alpha: float | None = None
    section: object = field(default=None, init=False, repr=False, compare=False)
    side: str = field(default="back", init=False, repr=False, compare=False)
    footprint: Footprint | None = field(default=None, init=False, repr=False)

    def __post_init__(self) -> None:
        if (self.position is None) == (self.line is None):
            raise ValueError("Stiffener.position: give either a position or a line number")
        if self.position is not None:
            _set(self, position=_number("Stiffener", "position", self.position, nonnegative=True))
        if self.line is not None and (not isinstance(self.line, (int, np.integer)) or self.line < 1):
            raise ValueError(f"Stiffener.line: {self.line!r} must be a grid line number from 1")
        _set(self, **{name: _number("Stiffener", name, getattr(self, name), nonnegative=True)
                      for name in ("EA", "EI", "GJ", "mass")}, ES=_number("Stiffener", "ES", self.ES))
        if self.alpha is not None:
            _set(self, alpha=_number("Stiffener", "alpha", self.alpha))
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
        """The stiffnesses in the engine's order.

        Returns
        -------
        list of float
            EA, ES, EI, GJ.

        Examples
        --------
        >>> ruvo.Stiffener(50.0, EA=1.4e6, EI=2.0e7).stiffnesses()
        [1400000.0, 0.0, 20000000.0, 0.0]
        """
        return [self.EA, self.ES, self.EI, self.GJ]

    def beams(self) -> list[Stiffener]:
        """The beams the engine takes for this stringer: itself, or with a
        footprint its two web beams on the web lines.

        Returns
        -------
        list of Stiffener

        Examples
        --------
        >>> ruvo.Stiffener(50.0, EA=1.4e6, EI=2.0e7).beams()[0].position
        50.0
        """
        if self.footprint is None:
            return [self]
        return [dataclasses.replace(self.footprint.beam, position=cast(float, self.position) + offset)
                for offset in (-self.footprint.half_spacing, self.footprint.half_spacing)]

    def feet(self) -> list[tuple[float, float, Laminate]]:
        """The bands (y0, y1, laminate) of the skin under the feet of a
        stringer with a footprint (none without).

        Returns
        -------
        list of tuple

        Examples
        --------
        >>> ruvo.Stiffener(50.0, EA=1.4e6, EI=2.0e7).feet()
        []
        """
        if self.footprint is None:
            return []
        f, y = self.footprint, cast(float, self.position)
        return [(y - f.half_spacing - f.foot_width, y - f.half_spacing, f.foot),
                (y + f.half_spacing, y + f.half_spacing + f.foot_width, f.foot)]


@dataclass(frozen=True)
class Footprint:
    """Where a stringer's walls stand on the skin (a hat's): `beam`, the
    stiffness on each of its two web lines, `half_spacing` from its
    position (the webs' mid-lines carried down to the skin's mid-surface),
    and its feet, `foot_width` wide outward from the web lines, the skin
    there having the laminate `foot` (the skin, or the pad-up, with the
    foot laid on it)."""
    beam: Stiffener
    half_spacing: float
    foot_width: float
    foot: Laminate


@dataclass(frozen=True)
class Region:
    """A part of the skin with its own laminate: the cells from x0 to x1
    and from y0 to y1, `Region(x=(x0, x1), y=(y0, y1), laminate=...)`.
    Either range may be left out: without x a band along the whole length
    (`Region(y0, y1, laminate)` says the same), without y a band across
    the whole width. The mesh puts node lines at its edges; regions may
    not overlap one another (pad-ups lie over them)."""
    y0: float | None = None
    y1: float | None = None
    laminate: Laminate | None = None
    _: KW_ONLY
    x: tuple | None = None
    y: tuple | None = None

    def __post_init__(self) -> None:
        if self.y is not None:
            if self.y0 is not None or self.y1 is not None:
                raise ValueError("Region.y: give the band across as y=(y0, y1) or as y0, y1, not both")
            if not isinstance(self.y, (tuple, list)) or len(self.y) != 2:
                raise ValueError(f"Region.y: {self.y!r} must be (y0, y1)")
            _set(self, y0=self.y[0], y1=self.y[1], y=None)
        if (self.y0 is None) != (self.y1 is None):
            raise ValueError("Region.y1: give both y0 and y1, or neither (the whole width)")
        for name in ("x", "y"):
            low, high = self.range(name)
            if low is None:
                continue
            low = _number("Region", f"{name}0", low, nonnegative=True)
            high = _number("Region", f"{name}1", high)
            if not high > low:
                raise ValueError(f"Region.{name}1: {high} must lie above {name}0 = {low}")
            _set(self, **({"y0": low, "y1": high} if name == "y" else {"x": (low, high)}))
        if not isinstance(self.laminate, Laminate):
            raise ValueError(f"Region.laminate: a ruvo.Laminate is needed, got {self.laminate!r}")

    def range(self, axis: str) -> tuple[Any, Any]:
        """(start, end) along `axis` ("x" or "y"); (None, None) when the region spans the panel that way.

        Returns
        -------
        tuple

        Examples
        --------
        >>> ruvo.Region(10.0, 20.0, ruvo.Laminate.isotropic(70000.0, 0.3, 2.0)).range("x")
        (None, None)
        """
        if axis == "y":
            return self.y0, self.y1
        if self.x is not None and (not isinstance(self.x, (tuple, list)) or len(self.x) != 2):
            raise ValueError(f"Region.x: {self.x!r} must be (x0, x1)")
        return (self.x[0], self.x[1]) if self.x is not None else (None, None)
