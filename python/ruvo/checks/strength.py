"""Strength of the laminates at the applied loads: the first-ply failure of
every laminate of the panel by maximum strain and by Tsai-Wu, metals by von
Mises, each as the reserve factor on the loads.

The strains are those of the pre-buckling membrane state the analysis
assumes: the panel's forces uniform, the skin strained by them through its
membrane compliance, ε = A⁻¹·N (no curvature, also of an unsymmetric
laminate); the skin's forces those of its share of running loads, with
pressure and temperature (a temperature change of the restrained panel
strains it by minus its free expansion); a region or pad-up takes the skin's strain along x with the
skin's Ny and Nxy; where a rectangle of cells draws or sheds load, each
part adds element by element what it adds, the worst element giving the
row; a stiffener's walls the skin's strain along the
stiffener, free to contract across. Forces and strains here are tension
positive (the panel's loads are compression positive and are turned round).

The reserve factor multiplies the variable loads and keeps the fixed ones,
as the buckling load factor does: failure at fixed + RF·variable.
"""
from __future__ import annotations

import math
from typing import Iterator

import numpy as np

from ..engine import rectangle_fields
from ..laminates import Laminate, Material
from ..loads import Loads
from ..load_split import skin_loads
from ..panel import Panel
from ..stiffeners import Stiffener
from ..sections import Section
from .case import AnalysedCase
from .rows import Margin

TSAI_WU = "first-ply failure (Tsai-Wu)"
MAXIMUM_STRAIN = "first-ply failure (maximum strain)"
VON_MISES = "yield (von Mises)"
PLY_MODES = (MAXIMUM_STRAIN, TSAI_WU)

# von Mises of a plane stress (σx, σy, τxy) as the quadratic form σᵀ·P·σ.
_VON_MISES_FORM = np.array([[1.0, -0.5, 0.0], [-0.5, 1.0, 0.0], [0.0, 0.0, 3.0]])

# A strain pair: the membrane strains (εx, εy, γxy) of the fixed and of the variable loads.
Strains = tuple[np.ndarray, np.ndarray]


def strength_margins(result: AnalysedCase) -> list[Margin]:
    """The strength rows of every laminate of the analysed panel: the skin,
    its regions, the stringers' pad-ups and the walls of the stiffeners
    built from a section (stringers, then frames)."""
    panel = result.panel
    parts = list(_laminates(panel))
    if panel.skew_x or panel.skew_y:
        note = ("skewed panel: its loads are components along the oblique grid lines, the strength checks "
                "take them along orthogonal axes; not computed")
        return [Margin(part, mode, math.nan, note) for part, laminate, _ in parts for mode in modes_of(laminate)]
    if panel.loads.delta_T or panel.loads.fixed_delta_T:
        note = ("temperature load on a laminate whose plies expand differently: their residual thermal stresses "
                "are not in the laminate's strain; not computed")
        return [row if not _expands_by_ply(laminate) else Margin(part, row.mode, math.nan, note)
                for part, laminate, cells in parts for row in _part_margins(part, laminate, cells)]
    return [row for part, laminate, cells in parts for row in _part_margins(part, laminate, cells)]


def _part_margins(part: str, laminate: Laminate, cells: list[Strains]) -> list[Margin]:
    """The rows of one laminate at its most strained cell, mode by mode
    (one cell but for a rectangle that draws or sheds load)."""
    per_cell = [laminate_margins(part, laminate, strains) for strains in cells]
    return [min(rows, key=lambda row: math.inf if row.skipped else row.reserve_factor) for rows in zip(*per_cell)]


def _laminates(panel: Panel) -> Iterator[tuple[str, Laminate, list[Strains]]]:
    """(part name, laminate, strains of each of its cells) of the skin, the
    regions (numbered from 1 in the panel's order), the pad-ups (by their
    stringer's number) and the stiffeners' walls ("stringer 2 web", "frame
    1 foot"): one strain pair per part, or, where rectangles of cells draw
    or shed load, one per element of the part."""
    fixed, variable = applied_forces(skin_loads(panel))
    skin = (membrane_strain(panel.laminate, fixed), membrane_strain(panel.laminate, variable))
    added = _rectangles_added(panel, fixed, variable)
    def cells(patch: int, laminate: Laminate, strains: Strains) -> list[Strains]:
        where = panel.grid.element_patches == patch
        if added is None or not where.any():
            return [strains]
        return [(strains[0] + membrane_strain(laminate, f), strains[1] + membrane_strain(laminate, v))
                for f, v in zip(*added[:, where])]
    yield "skin", panel.laminate, cells(0, panel.laminate, skin)
    # A hat's feet (None): the skin and the foot wall, each checked on its own.
    names = [f"region {k}" for k in range(1, len(panel.regions) + 1)] + \
        [name for k, s in enumerate(panel.stringers, 1)
         for name in [f"pad-up {k}"] * (s.pad_up is not None) + [None] * len(s.feet())] + \
        [f"frame pad-up {k}" for k, s in enumerate(panel.frames, 1) if s.pad_up is not None]
    for k, (name, patch, axis) in enumerate(zip(names, panel.patches, panel.patch_axes), 1):
        if name is not None:
            yield name, patch[4], cells(k, patch[4], band_strains(patch[4], skin, fixed, variable, axis))
    for kind, along, stiffeners in (("stringer", 0, panel.stringers), ("frame", 1, panel.frames)):
        for k, stiffener in enumerate(stiffeners, 1):
            for wall, laminate in named_walls(stiffener).items():
                yield f"{kind} {k} {wall}", laminate, [wall_strains(laminate, skin[0][along], skin[1][along])]


def _rectangles_added(panel: Panel, fixed: np.ndarray, variable: np.ndarray) -> np.ndarray | None:
    """What rectangles of cells of another membrane stiffness add to the
    membrane forces (Nx, Ny, Nxy) of every element, fixed and variable
    (2 by nx by ny by 3; `engine.rectangle_fields`); None without them."""
    if panel.skew_x or panel.skew_y or not (fixed.any() or variable.any()):
        return None
    fields = rectangle_fields(panel)
    if fields is None:
        return None
    order = [0, 2, 1]   # (Nx, Ny, Nxy) against the fields' (Nx, Nxy, Ny)
    return np.array([np.einsum("j,j...->...", forces[order], fields)[..., order] for forces in (fixed, variable)])


def _expands_by_ply(laminate: Laminate) -> bool:
    """Whether the plies of `laminate` expand differently from one another
    (an orthotropic material at more than one angle)."""
    m = laminate.material
    return (m is not None and m.alpha1 != m.alpha2 and
            len({p.angle % 180.0 for p in laminate.plies}) > 1)


def named_walls(stiffener: Stiffener) -> dict[str, Laminate]:
    """The laminates of a stiffener's distinct walls by name (web, foot,
    flange, crown); none for a stiffener given by its stiffnesses alone."""
    section = stiffener.section   # set by Section.stiffener
    if not isinstance(section, Section):
        return {}
    return dict(zip(section.wall_names, (wall.laminate for wall in section.walls)))


def applied_forces(loads: Loads) -> tuple[np.ndarray, np.ndarray]:
    """The fixed and the variable membrane forces (Nx, Ny, Nxy), tension positive."""
    return (-np.array([loads.fixed_Nx, loads.fixed_Ny, loads.fixed_Nxy]),
            -np.array([loads.Nx, loads.Ny, loads.Nxy]))


def membrane_strain(laminate: Laminate, forces: np.ndarray) -> np.ndarray:
    """(εx, εy, γxy) of the membrane forces (Nx, Ny, Nxy): A⁻¹·N."""
    return np.linalg.solve(np.array(laminate.A), forces)


def band_strains(laminate: Laminate, skin: Strains, fixed: np.ndarray, variable: np.ndarray,
                 axis: str = "x") -> Strains:
    """The strains of a part of the skin (region or pad-up): of a band along
    x the skin's εx, and the εy, γxy that carry the skin's Ny and Nxy in the
    band's laminate; of a band along y likewise with the skin's εy; of a
    rectangle of cells (`axis` "") those that carry all the skin's forces."""
    a = np.array(laminate.A)
    shared = [] if not axis else ["xy".index(axis)]
    free = [i for i in range(3) if i not in shared]
    def one(skin_strain: np.ndarray, forces: np.ndarray) -> np.ndarray:
        strain = np.array(skin_strain, float)
        taken = a[np.ix_(free, shared)] @ strain[shared]
        strain[free] = np.linalg.solve(a[np.ix_(free, free)], forces[free] - taken)
        return strain
    return one(skin[0], fixed), one(skin[1], variable)


def wall_strains(laminate: Laminate, fixed: float, variable: float) -> Strains:
    """The strains of a stiffener wall strained along the stiffener by the
    fixed and the variable loads and free of force across it: α[:, 0]/α11
    times the strain, α the membrane part of the inverse of its A-B-D."""
    abd = np.block([[np.array(laminate.A), np.array(laminate.B)], [np.array(laminate.B), np.array(laminate.D)]])
    alpha = np.linalg.inv(abd)[:3, 0]
    shape = alpha / alpha[0]
    return shape * fixed, shape * variable


def is_metal(material: Material) -> bool:
    """An isotropic material (E1 = E2, G12 = E/(2(1 + nu))), as Laminate.isotropic builds it."""
    return material.E1 == material.E2 and math.isclose(material.G12, material.E1 / (2.0 * (1.0 + material.nu12)),
                                                       rel_tol=1e-12)


def modes_of(laminate: Laminate) -> tuple[str, ...]:
    """The failure modes checked on a laminate: von Mises for a metal, first-ply failure otherwise."""
    return (VON_MISES,) if laminate.material is not None and is_metal(laminate.material) else PLY_MODES


def laminate_margins(part: str, laminate: Laminate, strains: Strains) -> list[Margin]:
    """The rows of one laminate at the membrane strains (fixed, variable)."""
    material = laminate.material
    if material is None:
        return [Margin(part, mode, math.nan, "laminate given by its stiffness matrices: no plies, no material "
                                             "allowables") for mode in PLY_MODES]
    if is_metal(material):
        return [von_mises_margin(part, material, strains)]
    return [maximum_strain_margin(part, laminate, strains), tsai_wu_margin(part, laminate, strains)]


def ply_strains(laminate: Laminate, strain: np.ndarray) -> np.ndarray:
    """(ε1, ε2, γ12) of each ply (rows, bottom first) in its material axes
    under the membrane strain (εx, εy, γxy)."""
    return np.array([_to_material_axes(ply.angle) @ strain for ply in laminate.plies])


def ply_stresses(laminate: Laminate, strain: np.ndarray) -> np.ndarray:
    """(σ1, σ2, τ12) of each ply (rows, bottom first) under the membrane strain."""
    return ply_strains(laminate, strain) @ _reduced_stiffness(laminate.material).T   # type: ignore[arg-type]


def _to_material_axes(degrees: float) -> np.ndarray:
    """The engineering strain transformation from (x, y) to a ply's fibre axes."""
    r = math.radians(degrees)
    c, s = math.cos(r), math.sin(r)
    return np.array([[c * c, s * s, c * s], [s * s, c * c, -c * s], [-2.0 * c * s, 2.0 * c * s, c * c - s * s]])


def _reduced_stiffness(material: Material) -> np.ndarray:
    """The plane-stress stiffness Q of a ply in its fibre axes."""
    d = 1.0 - material.nu12 ** 2 * material.E2 / material.E1
    q12 = material.nu12 * material.E2 / d
    return np.array([[material.E1 / d, q12, 0.0], [q12, material.E2 / d, 0.0], [0.0, 0.0, material.G12]])


def _missing(material: Material, names: tuple[str, ...]) -> list[str]:
    return [n for n in names if getattr(material, n) is None]


def maximum_strain_margin(part: str, laminate: Laminate, strains: Strains) -> Margin:
    """Maximum strain: every ply's ε1, ε2, γ12 within the material's strains
    to failure; the factor at which the first reaches its limit."""
    material = laminate.material
    assert material is not None
    names = ("eps1t", "eps1c", "eps2t", "eps2c", "gamma12")
    missing = _missing(material, names)
    if missing:
        return Margin(part, MAXIMUM_STRAIN, math.nan, f"the material has no {', '.join(missing)}")
    tension = np.array([material.eps1t, material.eps2t, material.gamma12], float)
    compression = np.array([material.eps1c, material.eps2c, material.gamma12], float)
    fixed, variable = ply_strains(laminate, strains[0]), ply_strains(laminate, strains[1])
    factors = np.array([[_linear_factor(f, v, t, c) for f, v, t, c in zip(fp, vp, tension, compression)]
                        for fp, vp in zip(fixed, variable)])
    ply, component = np.unravel_index(int(np.argmin(factors)), factors.shape)
    return _ply_margin(part, MAXIMUM_STRAIN, laminate, float(factors[ply, component]), int(ply),
                       ("ε1", "ε2", "γ12")[int(component)])


def _linear_factor(fixed: float, variable: float, tension: float, compression: float) -> float:
    """The factor on the variable part at which fixed + factor·variable
    reaches +tension or -compression; 0 when the fixed part is already
    beyond, inf when the variable part is zero."""
    if fixed >= tension or fixed <= -compression:
        return 0.0
    if variable > 0.0:
        return (tension - fixed) / variable
    if variable < 0.0:
        return (-compression - fixed) / variable
    return math.inf


def tsai_wu_margin(part: str, laminate: Laminate, strains: Strains) -> Margin:
    """Tsai-Wu: F1·σ1 + F2·σ2 + F11·σ1² + F22·σ2² + F66·τ12² + 2·F12·σ1·σ2 = 1,
    with F1 = 1/Xt - 1/Xc, F11 = 1/(Xt·Xc), F2, F22 alike with Y, F66 = 1/S²;
    the factor is the positive root of the quadratic in it, the smallest over the plies."""
    material = laminate.material
    assert material is not None
    missing = _missing(material, ("Xt", "Xc", "Yt", "Yc", "S"))
    if missing:
        return Margin(part, TSAI_WU, math.nan, f"the material has no {', '.join(missing)}")
    linear, quadratic = tsai_wu_coefficients(material)
    fixed, variable = ply_stresses(laminate, strains[0]), ply_stresses(laminate, strains[1])
    factors = [quadratic_factor(quadratic, linear, f, v) for f, v in zip(fixed, variable)]
    ply = int(np.argmin(factors))
    return _ply_margin(part, TSAI_WU, laminate, factors[ply], ply)


def tsai_wu_coefficients(material: Material) -> tuple[np.ndarray, np.ndarray]:
    """(F1, F2, 0) and the 3 x 3 matrix of F11, F22, F66 and F12 (by default -½·√(F11·F22))."""
    xt, xc, yt, yc, s = (float(getattr(material, n)) for n in ("Xt", "Xc", "Yt", "Yc", "S"))
    f11, f22 = 1.0 / (xt * xc), 1.0 / (yt * yc)
    f12 = -0.5 * math.sqrt(f11 * f22) if material.F12 is None else material.F12
    return (np.array([1.0 / xt - 1.0 / xc, 1.0 / yt - 1.0 / yc, 0.0]),
            np.array([[f11, f12, 0.0], [f12, f22, 0.0], [0.0, 0.0, 1.0 / (s * s)]]))


def von_mises_margin(part: str, material: Material, strains: Strains) -> Margin:
    """von Mises of the plane stress against Fcy: the factor at which
    σx² - σx·σy + σy² + 3·τxy² reaches Fcy²."""
    if material.Fcy is None:
        return Margin(part, VON_MISES, math.nan, "the metal has no Fcy (Laminate.isotropic(..., Fcy=...))")
    q = _reduced_stiffness(material)
    return Margin(part, VON_MISES, quadratic_factor(_VON_MISES_FORM / material.Fcy ** 2, np.zeros(3),
                                                    q @ strains[0], q @ strains[1]))


def quadratic_factor(quadratic: np.ndarray, linear: np.ndarray, fixed: np.ndarray, variable: np.ndarray) -> float:
    """The smallest factor λ >= 0 at which the failure index
    σᵀ·F·σ + f·σ of σ = fixed + λ·variable reaches 1 (F `quadratic`, f
    `linear`): the smallest positive root of a·λ² + b·λ + c = 0; 0 when the
    fixed stress fails alone, inf when no λ reaches it."""
    c = float(fixed @ quadratic @ fixed + linear @ fixed) - 1.0
    if c >= 0.0:
        return 0.0
    a = float(variable @ quadratic @ variable)
    b = float(linear @ variable + 2.0 * fixed @ quadratic @ variable)
    if a == 0.0:
        return -c / b if b > 0.0 else math.inf
    disc = b * b - 4.0 * a * c
    if disc < 0.0:
        return math.inf
    q = -0.5 * (b + math.copysign(math.sqrt(disc), b))   # the roots q/a and c/q, without cancellation
    roots = [r for r in (q / a, c / q if q != 0.0 else math.inf) if r > 0.0]
    return min(roots, default=math.inf)


def _ply_margin(part: str, mode: str, laminate: Laminate, factor: float, ply: int, component: str = "") -> Margin:
    """The row of a first-ply failure, its note naming the ply that governs
    (numbered from the bottom) and the strain, when some ply fails at all."""
    if math.isinf(factor):
        return Margin(part, mode, factor, "the variable loads strain no ply towards failure")
    angle = laminate.plies[ply].angle
    return Margin(part, mode, factor, f"ply {ply + 1} ({angle:g}°){' ' + component if component else ''}")
