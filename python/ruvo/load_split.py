"""The skin's membrane forces of a panel's loads: running loads of the whole
stiffened panel split between the skin and its stiffeners at equal strain,
the membrane forces of pressure on a curved panel, and those of a
temperature change of the panel held in its plane.

The engine loads each stiffener by EA times the skin's membrane strain, so
the split is the one the analysis carries on: the skin's share follows from
the running loads, the stiffener forces from the skin's strain.
"""
from __future__ import annotations

from dataclasses import dataclass
from typing import TYPE_CHECKING

import numpy as np

from .conventions import FLAT
from .loads import FLAT_PRESSURE, Loads, RunningLoads

if TYPE_CHECKING:
    from .panel import Panel

# Relative difference of a stiffener's expansion coefficient from the skin's
# strain along it beyond which its thermal force is not that of the engine.
EXPANSION_TOLERANCE = 1e-3


@dataclass(frozen=True, eq=False)
class LoadSplit:
    """The panel's loads as the analysis carries them: `skin`, the skin
    laminate's membrane forces (Loads; a region's Nx is the skin's strain
    times its own axial stiffness); `stringer_forces` and `frame_forces`,
    one row per stiffener, its axial force (variable, fixed), compression
    positive."""
    skin: Loads
    stringer_forces: np.ndarray
    frame_forces: np.ndarray


def _xyz(forces: np.ndarray) -> np.ndarray:
    """(Nx, Nxy, Ny) as (Nx, Ny, Nxy), or back."""
    return forces[[0, 2, 1]]


def pressure_forces(panel: Panel, loads: Loads, name: str = "Panel.loads") -> np.ndarray:
    """The running membrane forces (Nx, Nxy, Ny) of the pressure, compression
    positive: hoop p·R, with closed ends axial p·R/2."""
    if not loads.pressure:
        return np.zeros(3)
    curved = [abs(r) < FLAT for r in (panel.rx, panel.ry, panel.rxy)]
    if not any(curved):
        raise ValueError(f"{name}.pressure: {FLAT_PRESSURE}")
    if curved[2] or all(curved[:2]):
        raise ValueError(f"{name}.pressure: the membrane forces of pressure on a doubly curved or twisted panel "
                         "depend on the shell around it; give them as fixed forces")
    radius = abs(panel.ry if curved[1] else panel.rx)
    hoop, axial = -loads.pressure * radius, (-0.5 * loads.pressure * radius if loads.closed_ends else 0.0)
    return np.array([axial, 0.0, hoop]) if curved[1] else np.array([hoop, 0.0, axial])


def _axial(A: np.ndarray, along: int = 0) -> float:
    return float(A[along, along] - A[0, 1] ** 2 / A[1 - along, 1 - along])


def _band_shares(panel: Panel, axis: str) -> np.ndarray:
    """Per element row (axis "x") or column ("y"), the axial membrane
    stiffness along `axis` of the band along it over the skin's (1 where
    none runs; rectangles of cells count as the skin: what one draws, the
    skin beside it sheds)."""
    along = "xy".index(axis)
    nodes = panel.y_nodes if axis == "x" else panel.x_nodes
    middles = 0.5 * (nodes[:-1] + nodes[1:])
    shares = np.ones(len(middles))
    for patch, patch_axis in zip(panel.patches, panel.patch_axes):
        if patch_axis == axis:
            low, high = patch[2 - 2 * along:4 - 2 * along]
            shares[(middles > low) & (middles < high)] = _axial(np.array(patch[4].A), along) / \
                _axial(np.array(panel.laminate.A), along)
    return shares


def _split_matrix(panel: Panel) -> np.ndarray:
    """M with running forces = M · skin forces (over x, y, xy): the skin's
    bands at their share of the width (bands along x) or of the length
    (bands along y) by axial stiffness, plus the stringers' EA·εx over the
    width and the frames' EA·εy over the length, ε the skin's strain."""
    skin = np.array(panel.laminate.A)
    across = _band_shares(panel, "y")
    lengths = float(np.dot(across, panel.x_lengths)) / panel.length if "y" in panel.patch_axes else 1.0
    widths = np.diag([float(np.dot(_band_shares(panel, "x"), panel.y_lengths)) / panel.width, lengths, 1.0])
    stiffeners = np.diag([sum(s.EA for s in panel.stringer_beams[0]) / panel.width,   # a hat's feet: in the bands
                          sum(f.EA for f in panel.frames) / panel.length, 0.0])
    return widths + stiffeners @ np.linalg.inv(skin)


def _thermal_forces(panel: Panel, name: str) -> np.ndarray:
    """The skin's restrained membrane forces per degree (Nx, Nxy, Ny),
    compression positive; refuses what the engine cannot carry."""
    if len(panel.laminates) > 1:
        raise ValueError(f"{name}.delta_T: temperature loads on a panel with regions, pad-ups or a hat's feet are "
                         "not taken: their restrained thermal forces differ across the band edges")
    if panel.laminate.thermal_forces is None:
        raise ValueError(f"{name}.delta_T: the skin's laminate has no thermal expansion (Material(alpha1=, "
                         "alpha2=) or Laminate.isotropic(..., alpha=))")
    strain = np.asarray(panel.laminate.expansion)
    for kind, items, k in (("stringers", panel.stringers, 0), ("frames", panel.frames, 1)):
        for i, s in enumerate(items):
            if s.alpha is not None and abs(s.alpha - strain[k]) > EXPANSION_TOLERANCE * abs(strain[k]):
                raise ValueError(f"Panel.{kind}[{i}].alpha: {s.alpha:g} differs from the skin's expansion "
                                 f"{strain[k]:g} along it; the analysis loads a stiffener by EA times the skin's "
                                 "strain, so it cannot carry the thermal force of a stiffener expanding otherwise")
    return _xyz(np.array(panel.laminate.thermal_forces))


def split_loads(panel: Panel, loads: Loads | None = None, name: str = "Panel.loads") -> LoadSplit:
    """The split of `loads` (the panel's by default) on `panel`: the skin's
    forces and the stiffeners' axial forces, variable and fixed."""
    loads = panel.loads if loads is None else loads
    variable, fixed = loads.variable(), loads.fixed()
    matrix = _split_matrix(panel)
    def skin(running: np.ndarray) -> np.ndarray:
        return _xyz(np.linalg.solve(matrix, _xyz(running))) if running.any() else np.zeros(3)
    pressure = pressure_forces(panel, loads, name)
    if isinstance(loads, RunningLoads):
        variable, fixed = skin(variable), skin(fixed + pressure)
    elif pressure.any():
        fixed = fixed + skin(pressure)
    if loads.delta_T or loads.fixed_delta_T:
        thermal = _thermal_forces(panel, name)
        variable, fixed = variable + loads.delta_T * thermal, fixed + loads.fixed_delta_T * thermal
    compliance = np.linalg.inv(np.array(panel.laminate.A))
    strains = np.stack([compliance @ _xyz(variable), compliance @ _xyz(fixed)])
    return LoadSplit(skin=Loads(Nx=variable[0], Nxy=variable[1], Ny=variable[2],
                                fixed_Nx=fixed[0], fixed_Nxy=fixed[1], fixed_Ny=fixed[2]),
                     stringer_forces=np.array([s.EA * strains[:, 0] for s in panel.stringers]).reshape(-1, 2),
                     frame_forces=np.array([f.EA * strains[:, 1] for f in panel.frames]).reshape(-1, 2))


def skin_loads(panel: Panel, loads: Loads | None = None, name: str = "Panel.loads") -> Loads:
    """The skin's membrane forces of `loads` (the panel's by default): the
    loads themselves when they are the skin's forces alone (no split, so an
    optimiser's loop pays nothing for it)."""
    loads = panel.loads if loads is None else loads
    if type(loads) is Loads and not (loads.pressure or loads.delta_T or loads.fixed_delta_T):
        return loads
    return split_loads(panel, loads, name).skin
