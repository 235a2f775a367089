"""The loads on the panel: membrane forces the load factor scales and those
carried unscaled, given as the skin's (Loads) or as the running loads of the
whole stiffened panel (RunningLoads), with the load effects of pressure and
of a temperature change.
"""
from __future__ import annotations

from dataclasses import dataclass

import numpy as np

from .validation import _number, _set

FLAT_PRESSURE = ("pressure on a flat panel is a lateral load that bends it, a problem this linear buckling "
                 "analysis does not solve; pressure gives membrane forces on a curved panel only (rx or ry)")

_FORCES = ("Nx", "Ny", "Nxy", "fixed_Nx", "fixed_Ny", "fixed_Nxy")
_EFFECTS = ("pressure", "delta_T", "fixed_delta_T")


@dataclass(frozen=True, kw_only=True)
class Loads:
    """Membrane forces of the skin per unit length, uniform over the panel, by keyword.

    Sign convention: positive Nx and Ny compress the panel; Nxy is counted
    with the same sign (opposite to the classical tension-positive shear
    flow). Nx, Ny, Nxy are multiplied by the load factor; fixed_Nx,
    fixed_Ny, fixed_Nxy are carried unscaled (a negative fixed value is a
    tension that stiffens the panel). On a skewed panel they are the
    components along the grid lines (docs/conventions.rst). `Loads()`, no
    load at all, serves natural frequencies; a buckling analysis needs a
    variable load.

    pressure: the pressure on a curved panel, positive pushing the skin away
    from its centre of curvature (the internal pressure of a fuselage): the
    membrane forces of a cylinder, hoop p·R and, with `closed_ends`, axial
    p·R/2, tension for positive p; fixed loads of the whole stiffened panel,
    split between skin and stiffeners like RunningLoads. A flat panel with
    pressure is refused.
    delta_T (scaled by the load factor: its critical factor with delta_T=1
    is the buckling temperature rise) and fixed_delta_T (unscaled): a
    temperature change of the panel held in its plane; each laminate then
    carries the membrane forces of its restrained thermal expansion
    (`Laminate.thermal_forces`), the stiffeners EA times the skin's
    restrained strain.
    """
    Nx: float = 0.0
    Ny: float = 0.0
    Nxy: float = 0.0
    fixed_Nx: float = 0.0
    fixed_Ny: float = 0.0
    fixed_Nxy: float = 0.0
    pressure: float = 0.0
    closed_ends: bool = False
    delta_T: float = 0.0
    fixed_delta_T: float = 0.0

    def __post_init__(self) -> None:
        owner = type(self).__name__
        _set(self, **{name: _number(owner, name, getattr(self, name)) for name in _FORCES + _EFFECTS})
        if not isinstance(self.closed_ends, (bool, np.bool_)):
            raise ValueError(f"{owner}.closed_ends: {self.closed_ends!r} is not true or false")
        _set(self, closed_ends=bool(self.closed_ends))

    def variable(self) -> np.ndarray:
        """The forces the load factor scales, as given, in the engine's order.

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
        """The forces carried unscaled, as given, in the engine's order.

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

    @property
    def scaled(self) -> bool:
        """Whether anything is scaled by the load factor (forces or delta_T)."""
        return bool(self.variable().any() or self.delta_T)

    @property
    def carried(self) -> bool:
        """Whether anything is carried unscaled (forces, pressure, fixed_delta_T)."""
        return bool(self.fixed().any() or self.pressure or self.fixed_delta_T)


@dataclass(frozen=True, kw_only=True)
class RunningLoads(Loads):
    """Running loads: the membrane forces per unit width of the whole
    stiffened panel, skin and stiffeners together, as a global model gives
    them; accepted wherever Loads is. The analysis splits them at equal
    strain: the skin (and its regions) and the stiffeners take the skin's
    membrane strain, the stringers EA·εx, the frames EA·εy, so that the
    skin's forces and the stiffener forces add up to the running loads over
    the panel's width (Nx) and length (Ny); shear stays in the skin
    (docs/loads.rst). `result.skin_loads` shows the skin's share,
    `result.load_split` the stiffeners' forces.
    """
