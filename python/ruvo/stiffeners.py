"""Stiffeners on the grid lines (stringers along x, frames along y) and
regions, bands of the skin with their own laminate.
"""
from __future__ import annotations

import enum
from dataclasses import KW_ONLY, dataclass

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
