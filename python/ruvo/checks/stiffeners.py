"""The stiffeners' checks at the applied loads: local buckling of every wall,
crippling of each stiffener, column buckling of each stringer with its
effective skin between frames, as reserve factors (docs/checks_stiffeners.rst).

Every check compares a critical compressive strain with the stiffener's
strain at the applied loads. The engine loads a stiffener at the skin's
strain along it, a·N with a the skin's membrane compliance and N the skin's
membrane forces, so a stiffener's walls share its force by their axial
stiffness. As the panel's load factor does, the reserve factor multiplies
the variable part of the loads, the fixed part carried as it is.
"""
from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Iterator, cast

import numpy as np

from ..edges import Edge
from ..laminates import Laminate
from ..panel import Panel
from ..stiffeners import Stiffener
from ..sections import Blade, Hat, I, L, Section, Wall, Z
from .case import AnalysedCase
from .rows import Margin

LOCAL, CRIPPLING, COLUMN = "local buckling", "crippling", "column"

# Composite crippling curves of one-edge-free and no-edge-free laminated
# walls: Fcc/Fcu = coefficient·(b/t)^-exponent, at most 1.
COMPOSITE_CRIPPLING = {True: (1.63, 0.717), False: (11.0, 1.124)}

# The bisection of the column strain stops at this relative width.
_COLUMN_TOLERANCE = 1e-13


@dataclass(frozen=True)
class Strip:
    """A wall, or each of a wall's equal outstands, as a long plate strip
    compressed along the stiffener: `name` (web, flange, foot, crown), the
    width `b` between its long edges, whether one long edge is free
    (`one_edge_free`, the other simply supported on the wall or skin it
    stands on) or both are simply supported, its laminate, how many equal
    strips the section has (`count`) and whether the wall is a thickness of
    the section's metal (`metal`) or a laminate given as such."""
    name: str
    b: float
    one_edge_free: bool
    laminate: Laminate
    count: int = 1
    metal: bool = False

    @property
    def t(self) -> float:
        return cast(float, self.laminate.thickness)   # a section's walls always have one

    @property
    def axial(self) -> float:
        """Axial stiffness per unit width, free to contract across (1/α11)."""
        return Wall(self.b, 0.0, 0.0, self.laminate).axial

    def buckling_force(self) -> float:
        """The long strip's buckling force per unit width from its own D:
        12·D66/b² with one edge free (the limit of a long strip, the D11
        term π²·D11/a² of its length a dropped), 2π²(√(D11·D22) + D12 +
        2·D66)/b² with both edges simply supported."""
        d = self.laminate.D
        if self.one_edge_free:
            return 12.0 * d[2][2] / self.b ** 2
        return 2.0 * math.pi ** 2 * (math.sqrt(d[0][0] * d[1][1]) + d[0][1] + 2.0 * d[2][2]) / self.b ** 2

    def buckling_strain(self) -> float:
        return self.buckling_force() / self.axial

    def crippling_stress(self, section: Section) -> float | None:
        """The wall's crippling stress, None without its allowable: a metal
        wall by the effective width, √(σcr·Fcy) at most Fcy; a laminated
        one by the composite curves on b/t, at most Fcu."""
        if self.metal:
            fcy = section.material.Fcy if section.material is not None else None
            if fcy is None:
                return None
            return min(fcy, math.sqrt(self.buckling_force() / self.t * fcy))
        if section.Fcu is None:
            return None
        coefficient, exponent = COMPOSITE_CRIPPLING[self.one_edge_free]
        return section.Fcu * min(1.0, coefficient * (self.b / self.t) ** -exponent)


def strips(section: Section) -> list[Strip]:
    """The section's walls as strips, one per distinct wall: a web or crown
    as long as the section makes it (a web between the faces of the walls
    it joins), an outstand measured from the mid-plane of its web."""
    walls = section.walls

    def strip(name: str, wall: Wall, b: float, free: bool, count: int = 1) -> Strip:
        return Strip(name, b, free, wall.laminate, count, not isinstance(getattr(section, name), Laminate))

    if isinstance(section, Hat):
        foot, _, web, _, crown = walls
        return [strip("foot", foot, foot.length, True, 2), strip("web", web, web.length, False, 2),
                strip("crown", crown, crown.length, False)]
    if isinstance(section, Blade):
        return [strip("web", walls[0], walls[0].length, True)]
    foot, web = walls[0], walls[1]
    both = not isinstance(section, (L, Z))   # outstands on both sides of the web: T and I

    def outstands(name: str, wall: Wall) -> list[Strip]:
        """Half the wall on each side of a centred web, the wall less half
        the web's thickness where the web stands at its end (none where
        the wall is no wider than that)."""
        width = 0.5 * wall.length if both else wall.length - 0.5 * web.thickness
        return [strip(name, wall, width, True, 2 if both else 1)] if width > 0.0 else []

    if isinstance(section, I):   # and Z
        return outstands("foot", foot) + [strip("web", web, web.length, False)] + outstands("flange", walls[2])
    return outstands("foot", foot) + [strip("web", web, web.length, True)]


@dataclass(frozen=True)
class Strain:
    """A stiffener's compressive strain at the applied loads: its `fixed`
    part and its `variable` part (at load factor 1)."""
    fixed: float
    variable: float

    def reserve_factor(self, critical: float) -> tuple[float, str]:
        """The factor on the variable loads at which the strain reaches
        `critical`, and a note where it is no plain ratio."""
        if self.fixed >= critical:
            return 0.0, "fails under the fixed loads alone"
        if self.variable <= 0.0:
            return math.inf, "the variable loads do not compress it"
        return (critical - self.fixed) / self.variable, ""


def stiffener_strain(panel: Panel, along_x: bool) -> Strain:
    """The compressive strain of the skin along x (stringers) or y (frames),
    that of the stiffeners there, from the skin's membrane compliance."""
    a = np.linalg.inv(np.array(panel.laminate.A))[0 if along_x else 1]
    def strain(forces: np.ndarray) -> float:   # (Nx, Nxy, Ny), compression positive
        return float(a[0] * forces[0] + a[1] * forces[2] + a[2] * forces[1])
    return Strain(strain(panel.loads.fixed()), strain(panel.loads.variable()))


def crippling_stress(section: Section) -> tuple[float | None, str]:
    """The section's crippling stress, the area-weighted mean of its walls',
    or None with the walls whose allowable is missing."""
    parts = strips(section)
    stresses = [s.crippling_stress(section) for s in parts]
    known = [f for f in stresses if f is not None]
    if len(known) < len(parts):
        missing = [s for s, f in zip(parts, stresses) if f is None]
        need = "Fcy of the section's material" if any(s.metal for s in missing) \
            else "the section's Fcu (its laminates' compression strength)"
        return None, f"needs {need} for its {', '.join(sorted({s.name for s in missing}))}"
    areas = [s.count * s.b * s.t for s in parts]
    return sum(f * a for f, a in zip(known, areas)) / sum(areas), ""


def mean_modulus(section: Section) -> float:
    """EA over the area: the stiffener's mean stress per unit strain."""
    return section.EA / section.area


@dataclass(frozen=True)
class Column:
    """A stringer's column buckling: its compressive `strain` and the
    `effective_width` of skin it carries then."""
    strain: float
    effective_width: float


@dataclass(frozen=True)
class Bay:
    """The skin on one side of a stringer: `width` to the next stringer or
    to the panel's side, and how its far edge holds it: "stringer" (shared
    with the next stringer: half of it is this stringer's), "supported"
    (a side holding W: half of it), "free" (a free side: all of it),
    "mirror" (a symmetry plane: the skin goes on, half of twice the width)."""
    width: float
    far_edge: str

    def effective_width(self, skin: Laminate, strain: float) -> float:
        """The width of the bay's skin the stringer carries at `strain`: von
        Kármán's b·√(εcr/ε) of the bay as a long strip (the whole bay below
        its buckling strain εcr), the stringer's share of it."""
        width = 2.0 * self.width if self.far_edge == "mirror" else self.width
        if width <= 0.0:   # a stringer on the panel's side
            return 0.0
        share = 1.0 if self.far_edge == "free" else 0.5
        critical = Strip("skin", width, self.far_edge == "free", skin).buckling_strain()
        return share * width * min(1.0, math.sqrt(critical / strain))


def column_strain(section: Section, skin: Laminate, bays: tuple[Bay, ...], length: float,
                  cutoff: float) -> Column:
    """The strain at which the stringer with its effective skin buckles as
    a pin-ended column of `length`: Euler's π²·EI/(EA·L²) about the centroid
    of stringer and skin, below half the cut-off strain `cutoff`, above it
    the Johnson parabola εcc - εcc²/(4·εEuler). The effective width
    depends on the strain; the strain is found by bisection (the column
    strain falls from above the cut-off's start to below it)."""
    def column(strain: float) -> tuple[float, float]:
        width = sum(b.effective_width(skin, strain) for b in bays)
        walls = section.walls + ((Wall(width, 0.0, 0.0, skin),) if width > 0.0 else ())
        ea = sum(w.axial * w.length for w in walls)
        es = sum(w.axial * w.length * w.z for w in walls)
        ei = sum(w.own_bending() + w.axial * w.length * w.z ** 2 for w in walls) - es * es / ea
        euler = math.pi ** 2 * ei / (ea * length ** 2)
        return (euler if euler <= 0.5 * cutoff else cutoff - cutoff ** 2 / (4.0 * euler)), width
    low, high = 0.0, cutoff
    for _ in range(200):
        middle = 0.5 * (low + high)
        if column(middle)[0] > middle:
            low = middle
        else:
            high = middle
        if high - low <= _COLUMN_TOLERANCE * high:
            break
    strain, width = column(high)
    return Column(strain, width)


def _bays(panel: Panel, k: int) -> tuple[Bay, ...]:
    """The skin bays on both sides of stringer k (from 0)."""
    y = panel.y_nodes[np.array(panel.stringer_lines) - 1]
    here, others = y[k], np.delete(y, k)
    below, above = others[others < here], others[others > here]
    return (Bay(here - below.max(), "stringer") if below.size else Bay(here, _side(panel.edges.y0)),
            Bay(above.min() - here, "stringer") if above.size else Bay(panel.width - here, _side(panel.edges.yl)))


def _side(edge: Edge) -> str:
    if edge.kind == "symmetry":
        return "mirror"
    return "supported" if edge.kind == "antisymmetry" or "W" in edge.held else "free"


def column_length(panel: Panel) -> float:
    """The largest pitch of the frames, the panel's edges counted as frames
    (the panel's length without frames)."""
    stations = np.unique(np.concatenate([[0.0, panel.length], panel.x_nodes[np.array(panel.frame_lines, int) - 1]]))
    return float(np.diff(stations).max())


def _wall_margins(owner: str, section: Section, strain: Strain) -> Iterator[Margin]:
    for strip in strips(section):
        edges = "one edge free" if strip.one_edge_free else "both edges simply supported"
        factor, note = strain.reserve_factor(strip.buckling_strain())
        yield Margin(f"{owner} {strip.name}", LOCAL, factor, "; ".join(filter(None, (edges, note))))


def _crippling_margin(owner: str, section: Section, strain: Strain) -> Margin:
    stress, why = crippling_stress(section)
    if stress is None:
        return Margin(owner, CRIPPLING, math.nan, why)
    return Margin(owner, CRIPPLING, *strain.reserve_factor(stress / mean_modulus(section)))


def _column_margin(panel: Panel, k: int, section: Section, strain: Strain) -> Margin:
    owner = f"stringer {k + 1}"
    stress, why = crippling_stress(section)
    if stress is None:
        return Margin(owner, COLUMN, math.nan, f"the Johnson cut-off, the crippling stress, {why}")
    column = column_strain(section, panel.laminate, _bays(panel, k), column_length(panel),
                           stress / mean_modulus(section))
    return Margin(owner, COLUMN, *strain.reserve_factor(column.strain))


def _no_section(owner: str, modes: tuple[str, ...]) -> list[Margin]:
    why = "given by its stiffnesses alone; the check needs its walls (build it with ruvo.sections)"
    return [Margin(owner, mode, math.nan, why) for mode in modes]


def _stiffener_margins(panel: Panel, owner: str, stiffener: Stiffener, strain: Strain,
                       column: int | None) -> list[Margin]:
    modes = (LOCAL, CRIPPLING) + ((COLUMN,) if column is not None else ())
    section = stiffener.section
    if not isinstance(section, Section):
        return _no_section(owner, modes)
    rows = list(_wall_margins(owner, section, strain)) + [_crippling_margin(owner, section, strain)]
    if column is not None:
        rows.append(_column_margin(panel, column, section, strain))
    return rows


def stiffener_margins(result: AnalysedCase) -> list[Margin]:
    """The stiffeners' margins in one analysed load case: per stringer and
    frame (numbered from 1 as given) the local buckling of each wall and
    the crippling, per stringer the column buckling between frames.

    Returns
    -------
    list of Margin
        One row per stiffener and wall ("stringer 2 web", local buckling)
        and per stiffener ("stringer 2", crippling, column); NaN with the
        reason in `note` where a check cannot be made.

    Examples
    --------
    >>> import ruvo
    >>> skin = ruvo.Laminate.isotropic(70000.0, 0.3, 2.0)
    >>> blade = ruvo.sections.Blade(skin=skin, material=ruvo.sections.Isotropic(70000.0, 0.3, Fcy=400.0),
    ...                             height=20.0, web=2.0)
    >>> panel = ruvo.Panel(length=300.0, width=200.0, laminate=skin, loads=ruvo.Loads(Nx=50.0),
    ...                    stringers=[blade.stiffener(100.0)], mesh=ruvo.Mesh(nx=4, ny=4))
    >>> web = stiffener_margins(ruvo.buckle(panel, modes=1))[0]
    >>> web.part, web.mode, round(web.reserve_factor, 3)
    ('stringer 1 web', 'local buckling', 10.769)
    """
    panel = result.panel
    rows: list[Margin] = []
    for along_x, name, stiffeners in ((True, "stringer", panel.stringers), (False, "frame", panel.frames)):
        strain = stiffener_strain(panel, along_x)
        for k, stiffener in enumerate(stiffeners):
            rows += _stiffener_margins(panel, f"{name} {k + 1}", stiffener, strain, k if along_x else None)
    return rows


__all__ = ["stiffener_margins"]
