"""Knock-down of a curved panel's buckling reserve factor: the linear
buckling load of a perfect shell is an upper bound, which imperfections
lower, often far; the empirical factor brings it down to a design value.

`knockdown` is a number in (0, 1] or the name of the cited method
"NASA SP-8007" (NASA SP-8007, Buckling of Thin-Walled Circular Cylinders,
1968, revised 1965/1968: the lower bound of the test data for axial
compression, γ = 1 - 0.901·(1 - exp(-φ)), φ = √(R/t)/16, with the
equivalent thickness t = √12·(D11·D22/(A11·A22))^(1/4) of a laminate), taken
for the cylinder of the panel's radius: the factor for axial compression,
the lowest of the cylinder's, and so conservative for pressure and shear.
A flat panel is not knocked down (its linear buckling load is no upper
bound); a factor asked for it is noted, not applied.
"""
from __future__ import annotations

import math

import numpy as np

from .conventions import FLAT
from .panel import Panel
from .validation import _number

SP_8007 = "NASA SP-8007"


def sp8007_factor(radius: float, A: np.ndarray, D: np.ndarray) -> float:
    """γ of axial compression of a cylinder of `radius` with membrane and
    bending stiffnesses A and D (over x, y, xy)."""
    thickness = math.sqrt(12.0) * (D[0, 0] * D[1, 1] / (A[0, 0] * A[1, 1])) ** 0.25
    phi = math.sqrt(abs(radius) / thickness) / 16.0
    return 1.0 - 0.901 * (1.0 - math.exp(-phi))


def buckling_knockdown(panel: Panel, value: float | str | None) -> tuple[float, str]:
    """(the factor on the panel's buckling reserve factor, the note saying
    so): 1 and no note without a knock-down."""
    if value is None:
        return 1.0, ""
    radii = [abs(r) for r in (panel.rx, panel.ry) if abs(r) < FLAT]
    if isinstance(value, str):
        if value != SP_8007:
            raise ValueError(f"margins: knockdown {value!r} is neither a number in (0, 1] nor {SP_8007!r}")
        if not radii or abs(panel.rxy) < FLAT:
            raise ValueError(f"margins: knockdown {SP_8007!r} is for a panel curved in one direction (rx or ry)")
        factor = sp8007_factor(radii[0], np.array(panel.laminate.A), np.array(panel.laminate.D))
        return factor, f"knock-down {factor:.3f} ({SP_8007}, R = {radii[0]:g}) on the linear buckling of the curved panel"
    factor = _number("margins", "knockdown", value, positive=True)
    if factor > 1.0:
        raise ValueError(f"margins: knockdown {factor:g} must lie in (0, 1]: it lowers the reserve factor")
    if not panel.curved:
        return 1.0, f"knock-down {factor:g} not applied: the panel is flat"
    return factor, f"knock-down {factor:g} on the linear buckling of the curved panel (an upper bound)"
