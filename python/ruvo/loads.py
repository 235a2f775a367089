"""The membrane forces on the panel: those the load factor scales and those
carried unscaled.
"""
from __future__ import annotations

from dataclasses import dataclass

import numpy as np

from .validation import _number, _set


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
        """The forces the load factor scales, in the engine's order.

        Returns
        -------
        numpy.ndarray
            Nx, Nxy, Ny.

        Examples
        --------
        >>> ruvo.Loads(Nx=100.0, Nxy=30.0).variable().tolist()
        [100.0, 30.0, 0.0]
        """
        return np.array([self.Nx, self.Nxy, self.Ny])

    def fixed(self) -> np.ndarray:
        """The forces carried unscaled, in the engine's order.

        Returns
        -------
        numpy.ndarray
            fixed_Nx, fixed_Nxy, fixed_Ny.

        Examples
        --------
        >>> ruvo.Loads(Nx=100.0, fixed_Ny=-5.0).fixed().tolist()
        [0.0, 0.0, -5.0]
        """
        return np.array([self.fixed_Nx, self.fixed_Nxy, self.fixed_Ny])

