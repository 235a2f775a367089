"""Stiffener cross-sections built from their walls: `Blade`, `T`, `L` (angle),
`Z`, `I` and `Hat` (omega), each wall an isotropic material or a laminate.

Reference axis and signs. Every property is taken about the skin's
mid-surface, the reference surface of the panel's plate elements. A section
stands on the skin's surface, half the skin thickness from the mid-surface;
heights e are measured from the mid-surface, positive away from the skin into
the stiffener. EA is the axial stiffness, ES = Σ EA_i·e_i the coupling of the
offset, EI = Σ (EI_i + EA_i·e_i²) the bending stiffness about the mid-surface
(not about the section's own centroid), GJ the torsion stiffness, mass the
mass per unit length; `offset` = ES/EA is the height of the stiffness-weighted
centroid.

Positive W of the engine points away from the side a stiffener stands on
by default (the "back" of the skin, where the bottom ply of a laminate lies):
such a stiffener has ES = +EA·offset. On a curved panel with a positive radius
the centre of curvature lies on the side W points to, so the back is the
convex (outer) side; a stiffener on the concave side, facing the centre, is
`side="front"` and has ES = -EA·offset. A negative radius turns both round.

Only bending about the axis parallel to the skin is represented: the engine's
stiffener bends with the skin, so the lateral bending of L and Z sections and
their product of inertia do not enter.

A wall is a `Laminate` (its x along the stiffener) or a thickness of the
section's `material`. Per unit width a wall carries 1/α11 axially, bends
through its thickness with 1/δ11, shears with 1/α66 and twists with 4/δ66,
α and δ the membrane and bending parts of the inverse of its whole A-B-D
matrix: narrow walls are free to contract and to curl. The coupling of an
unsymmetric wall about its own mid-plane is not taken (warned).

The engine loads a stiffener at the skin's strain: its axial force is
EA·(a11·Nx + a12·Ny + a16·Nxy), a the skin's membrane compliance, so the
load factor scales the skin's forces and the stiffeners carry their share
on top.
"""
from __future__ import annotations

import math
import warnings
from dataclasses import dataclass, field
from typing import Any, ClassVar, Iterator, cast

import numpy as np

from . import engine
from .conventions import PACKED
from .laminates import Laminate
from .stiffeners import Footprint, Stiffener, StringerShape
from .validation import _length, _number, _set

_SIDES = {"back": 1.0, "front": -1.0}


@dataclass(frozen=True)
class Isotropic:
    """An isotropic wall material: modulus E and Poisson ratio nu, and its
    allowables where the checks use them, each optional and positive when
    given: compressive yield strength Fcy (the metal walls' crippling
    cut-off, and their von Mises check: the walls' laminates carry it),
    tensile ultimate strength Ftu and compressive ultimate strength Fcu.
    A check that needs a missing allowable is skipped and says so. alpha:
    its thermal expansion coefficient, for temperature loads."""
    E: float
    nu: float
    Fcy: float | None = None
    Ftu: float | None = None
    Fcu: float | None = None
    alpha: float | None = None

    def __post_init__(self) -> None:
        _set(self, E=_number("Isotropic", "E", self.E, positive=True), nu=_number("Isotropic", "nu", self.nu))
        if self.alpha is not None:
            _set(self, alpha=_number("Isotropic", "alpha", self.alpha))
        if not -1.0 < self.nu < 0.5:
            raise ValueError(f"Isotropic.nu: {self.nu} must lie in (-1, 0.5)")
        for name in ("Fcy", "Ftu", "Fcu"):
            if getattr(self, name) is not None:
                _set(self, **{name: _number("Isotropic", name, getattr(self, name), positive=True)})


@dataclass(frozen=True)
class Wall:
    """A flat wall of a section: mid-line `length` b, height `z` of its centre
    above the skin's mid-surface, `slope` of its mid-line to the skin in
    degrees (0 lying on it, 90 standing), its laminate."""
    length: float
    z: float
    slope: float
    laminate: Laminate

    @property
    def thickness(self) -> float:
        return _thickness(self.laminate)

    def _compliance(self) -> np.ndarray:
        lam = self.laminate
        abd = np.block([[np.array(lam.A), np.array(lam.B)], [np.array(lam.B), np.array(lam.D)]])
        return np.linalg.inv(abd)

    @property
    def axial(self) -> float:
        """Axial stiffness per unit width, 1/α11."""
        return 1.0 / self._compliance()[0, 0]

    @property
    def bending(self) -> float:
        """Bending stiffness through the thickness per unit width, 1/δ11."""
        return 1.0 / self._compliance()[3, 3]

    @property
    def shear(self) -> float:
        """Membrane shear stiffness per unit width (G·t), 1/α66."""
        return 1.0 / self._compliance()[2, 2]

    @property
    def torsion(self) -> float:
        """Saint-Venant torsion stiffness per unit width (G·t³/3), 4/δ66."""
        return 4.0 / self._compliance()[5, 5]

    def own_bending(self) -> float:
        """EI of the wall about the horizontal axis through its centre: in its
        plane as it stands up, through its thickness as it lies down.

        Returns
        -------
        float

        Examples
        --------
        >>> web = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=2.0)
        >>> round(Wall(length=30.0, z=16.0, slope=90.0, laminate=web).own_bending())   # E·t·h³/12
        315000000
        """
        s, c = math.sin(math.radians(self.slope)), math.cos(math.radians(self.slope))
        return self.length * (self.axial * self.length ** 2 * s * s / 12.0 + self.bending * c * c)


@dataclass(frozen=True, kw_only=True)
class StringerCheckData:
    """What the engine's stringer checks (the walls' local buckling, the
    column load) take of a stringer's section: its `shape`, the thickness
    of the foot and of the web, the foot's width, the web's height and the
    web laminate's bending stiffnesses `web_bending` packed D11, D12, D22,
    D16, D26, D66; of a hat also the chord's width and thickness, the angle
    `web_angle` in degrees between its webs, and the chord's bending
    stiffnesses `chord_bending`, packed alike.

    The names of the engine's data (`stringer_type`, `stringercom`,
    `chord_ddst`) are still readable, with a DeprecationWarning."""
    shape: StringerShape
    foot_thickness: float
    web_thickness: float
    foot_width: float
    web_height: float
    web_bending: tuple[float, ...]
    chord_width: float = 0.0
    chord_thickness: float = 0.0
    web_angle: float = 0.0
    chord_bending: tuple[float, ...] | None = None

    def __post_init__(self) -> None:
        try:
            _set(self, shape=StringerShape(self.shape))
        except ValueError:
            raise ValueError(f"StringerCheckData.shape: {self.shape!r} is none of "
                             f"{', '.join(repr(s.value) for s in StringerShape)}") from None
        for name in ("foot_thickness", "web_thickness", "foot_width", "web_height", "chord_width", "chord_thickness",
                     "web_angle"):
            _set(self, **{name: _number("StringerCheckData", name, getattr(self, name), nonnegative=True)})
        _set(self, web_bending=_packed("web_bending", self.web_bending))
        if self.chord_bending is not None:
            _set(self, chord_bending=_packed("chord_bending", self.chord_bending))

    @property
    def stringer_type(self) -> int:
        """Deprecated: the engine's number of the `shape`."""
        _warn_renamed("stringer_type", "shape")
        return int(engine.stringer_section(self)["type"])

    @property
    def stringercom(self) -> dict[str, Any]:
        """Deprecated: the fields in the engine's names."""
        _warn_renamed("stringercom", "foot_thickness, web_thickness, foot_width, web_height, web_bending, "
                      "chord_width, chord_thickness, web_angle")
        return {k: v for k, v in engine.stringer_section(self).items() if k not in ("type", "chord_ddst")}

    @property
    def chord_ddst(self) -> tuple[float, ...] | None:
        """Deprecated name of `chord_bending`."""
        _warn_renamed("chord_ddst", "chord_bending")
        return self.chord_bending


def _warn_renamed(old: str, new: str) -> None:
    warnings.warn(f"StringerCheckData.{old} is now {new}; the old name goes in the next version",
                  DeprecationWarning, stacklevel=3)


def _packed(name: str, values: Any) -> tuple[float, ...]:
    """Six bending stiffnesses packed D11, D12, D22, D16, D26, D66."""
    try:
        packed = tuple(_number("StringerCheckData", name, v) for v in values)
    except TypeError:
        packed = ()
    if len(packed) != 6:
        raise ValueError(f"StringerCheckData.{name}: {values!r} is not six bending stiffnesses "
                         "(D11, D12, D22, D16, D26, D66)")
    return packed


def __getattr__(name: str) -> Any:
    if name == "Crippling":
        warnings.warn("ruvo.sections.Crippling is now StringerCheckData (the data of the walls' local "
                      "buckling and the column load); the old name goes in the next version",
                      DeprecationWarning, stacklevel=2)
        return StringerCheckData
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


@dataclass(frozen=True, kw_only=True)
class Section:
    """Common part of the shapes: the skin the section stands on, the
    material of walls given as thicknesses, the density of the walls, and
    `Fcu`, the compression strength of the walls given as laminates (the
    stress at which such a wall fails in compression without buckling,
    the composite crippling's cut-off; optional, positive when given)."""
    skin: Laminate
    material: Isotropic | None = None
    density: float = 0.0
    Fcu: float | None = None
    walls: tuple[Wall, ...] = field(init=False, repr=False, compare=False)
    # The names of `walls` in their order: the fields they are made of.
    wall_names: ClassVar[tuple[str, ...]] = ()

    def __post_init__(self) -> None:
        name = type(self).__name__
        if not isinstance(self.skin, Laminate):
            raise ValueError(f"{name}.skin: a ruvo.Laminate is needed, got {self.skin!r}")
        if self.skin.thickness is None:
            raise ValueError(f"{name}.skin: the laminate's thickness is unknown (give Laminate(thickness=...))")
        if self.material is not None and not isinstance(self.material, Isotropic):
            raise ValueError(f"{name}.material: a ruvo.sections.Isotropic is needed, got {self.material!r}")
        _set(self, density=_number(name, "density", self.density, nonnegative=True))
        if self.Fcu is not None:
            _set(self, Fcu=_number(name, "Fcu", self.Fcu, positive=True))
        _set(self, walls=tuple(self._walls()))

    # ---- helpers of the shapes --------------------------------------------------

    def _walls(self) -> Iterator[Wall]:
        """The walls of the shape, each shape its own."""
        raise NotImplementedError

    def _length(self, attribute: str) -> float:
        return _length(type(self).__name__, attribute, getattr(self, attribute))

    def _laminate(self, attribute: str) -> Laminate:
        """The laminate of wall `attribute`: given, or a thickness of `material`."""
        name, value = type(self).__name__, getattr(self, attribute)
        if isinstance(value, Laminate):
            if value.thickness is None:
                raise ValueError(f"{name}.{attribute}: the laminate's thickness is unknown")
            if value.coupled:
                warnings.warn(f"{name}.{attribute}: the wall laminate is unsymmetric; its own coupling B is "
                              "not taken", UserWarning, stacklevel=4)
            return value
        if self.material is None:
            raise ValueError(f"{name}.{attribute}: a thickness needs the section's material "
                             "(or give a ruvo.Laminate)")
        t = _length(name, attribute, value)
        return Laminate.isotropic(self.material.E, self.material.nu, t, Fcy=self.material.Fcy,
                                  alpha=self.material.alpha)

    def _above(self, name: str, height: float, thickness: float) -> float:
        if height <= 0.0:
            raise ValueError(f"{type(self).__name__}.{name}: leaves no web above the walls of {thickness}")
        return height

    @property
    def _surface(self) -> float:
        """Height of the skin's surface above its mid-surface."""
        return 0.5 * cast(float, self.skin.thickness)   # checked when the section is built

    # ---- properties -----------------------------------------------------------------

    @property
    def EA(self) -> float:
        return sum(w.axial * w.length for w in self.walls)

    @property
    def ES(self) -> float:
        """Coupling of the offset, Σ EA_i·e_i (a stiffener on the back)."""
        return sum(w.axial * w.length * w.z for w in self.walls)

    @property
    def EI(self) -> float:
        """Bending stiffness about the skin's mid-surface."""
        return sum(w.own_bending() + w.axial * w.length * w.z ** 2 for w in self.walls)

    @property
    def offset(self) -> float:
        """Height of the stiffness-weighted centroid above the skin's mid-surface."""
        return self.ES / self.EA

    @property
    def EI_centroid(self) -> float:
        """Bending stiffness about the section's own (stiffness-weighted) centroid."""
        return self.EI - self.EA * self.offset ** 2

    @property
    def area(self) -> float:
        return sum(w.length * w.thickness for w in self.walls)

    @property
    def centroid(self) -> float:
        """Height of the area centroid above the skin's mid-surface."""
        return sum(w.length * w.thickness * w.z for w in self.walls) / self.area

    @property
    def GJ(self) -> float:
        """Open thin walls: Σ b·(4/δ66), G·b·t³/3 for an isotropic wall."""
        return sum(w.torsion * w.length for w in self.walls)

    @property
    def alpha(self) -> float | None:
        """The thermal expansion coefficient along the section, its walls'
        axial expansion weighted by their axial stiffness; None unless every
        wall has one."""
        expansions = [w.laminate.expansion for w in self.walls]
        if any(e is None for e in expansions):
            return None
        return sum(w.axial * w.length * e[0] for w, e in zip(self.walls, expansions)) / self.EA  # type: ignore[index]

    @property
    def mass(self) -> float:
        """Mass per unit length."""
        return self.density * self.area

    @property
    def check_data(self) -> StringerCheckData | None:
        """The data of the engine's stringer checks, or None: the engine has
        routines for the T and the omega (Hat) profile only."""
        return None

    @property
    def crippling(self) -> StringerCheckData | None:
        """Deprecated name of `check_data` (these are local buckling data, not crippling)."""
        warnings.warn(f"{type(self).__name__}.crippling is now .check_data; the old name goes in the next "
                      "version", DeprecationWarning, stacklevel=2)
        return self.check_data

    def stiffener(self, position: float | None = None, *, line: int | None = None, side: str = "back",
                  pad_up: Laminate | None = None, pad_width: float = 0.0) -> Stiffener:
        """The `Stiffener` of this section at `position` (or grid `line`), on
        the `side` "back" (the default: positive W points away from it) or
        "front", with its stringer check data and an optional pad-up
        laminate `pad_up` under it, `pad_width` wide.

        Returns
        -------
        Stiffener

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=2.0)
        >>> metal = ruvo.sections.Isotropic(E=70000.0, nu=0.3)
        >>> blade = ruvo.sections.Blade(skin=skin, material=metal, height=20.0, web=2.0)
        >>> stringer = blade.stiffener(50.0)
        >>> stringer.EA, round(stringer.ES / stringer.EA, 3)   # E·A, and the web's centre 1 + 10 above the mid-surface
        (2800000.0, 11.0)
        """
        if side not in _SIDES:
            raise ValueError(f"{type(self).__name__}.stiffener: side {side!r} is neither 'back' nor 'front'")
        stiffener = Stiffener(position, EA=self.EA, ES=_SIDES[side] * self.ES, EI=self.EI, GJ=self.GJ,
                              mass=self.mass, line=line, crippling=self.check_data, pad_up=pad_up,
                              pad_width=pad_width,
                              alpha=self.alpha)
        _set(stiffener, section=self, side=side)
        return stiffener

    def _beam(self, shares: tuple[tuple[Wall, float], ...], side: str, mass: float) -> Stiffener:
        """A beam of the walls at their shares (a wall's width times its
        share), about the skin's mid-surface on `side`, of mass `mass`."""
        ea = sum(w.axial * w.length * k for w, k in shares)
        es = sum(w.axial * w.length * w.z * k for w, k in shares)
        ei = sum((w.own_bending() + w.axial * w.length * w.z ** 2) * k for w, k in shares)
        gj = sum(w.torsion * w.length * k for w, k in shares)
        return Stiffener(0.0, EA=ea, ES=_SIDES[side] * es, EI=ei, GJ=gj, mass=mass, alpha=self.alpha)


def _thickness(laminate: Laminate) -> float:
    """The thickness of a wall's laminate, which always has one (checked in `_laminate`)."""
    return cast(float, laminate.thickness)


def _laid_on(base: Laminate, wall: Laminate, side: float) -> Laminate:
    """The laminate of `base` with `wall` laid on its surface on `side`
    (+1 the front, toward positive W; -1 the back), about the base's
    mid-surface: A and D add, the wall's offset e adds side·e·A to B and
    e²·A to D (the wall's own coupling not taken, as in its section)."""
    a = np.array(wall.A)
    e = side * 0.5 * (_thickness(base) + _thickness(wall))
    shear = None if base.shear is None or wall.shear is None else np.add(base.shear, wall.shear)
    thermal = (None if base.thermal_forces is None or wall.thermal_forces is None
               else np.add(base.thermal_forces, wall.thermal_forces))
    return Laminate.from_matrices(np.add(base.A, a), np.add(base.D, wall.D) + e * e * a, np.add(base.B, e * a),
                                  _thickness(base) + _thickness(wall), shear, thermal)


def _packed_bending(laminate: Laminate) -> tuple[float, ...]:
    d = np.array(laminate.D)
    return tuple(float(d[i, j]) for i, j in PACKED)


@dataclass(frozen=True, kw_only=True)
class Blade(Section):
    """A flat bar standing on the skin: `height` over the skin's surface, wall `web`."""
    height: float
    web: Laminate | float
    wall_names = ("web",)

    def _walls(self) -> Iterator[Wall]:
        h = self._length("height")
        yield Wall(h, self._surface + 0.5 * h, 90.0, self._laminate("web"))


@dataclass(frozen=True, kw_only=True)
class T(Section):
    """A foot lying on the skin (`foot_width`, wall `foot`) with a web standing
    on its middle up to `height` over the skin's surface (wall `web`)."""
    height: float
    web: Laminate | float
    foot_width: float
    foot: Laminate | float
    wall_names = ("foot", "web")

    def _walls(self) -> Iterator[Wall]:
        foot, web = self._laminate("foot"), self._laminate("web")
        web_height = self._above("height", self._length("height") - _thickness(foot), _thickness(foot))
        if self._length("foot_width") < _thickness(web):
            raise ValueError(f"{type(self).__name__}.foot_width: {self.foot_width} is narrower than the web "
                             f"({_thickness(web)} thick) standing on it")
        yield Wall(self._length("foot_width"), self._surface + 0.5 * _thickness(foot), 0.0, foot)
        yield Wall(web_height, self._surface + _thickness(foot) + 0.5 * web_height, 90.0, web)

    @property
    def check_data(self) -> StringerCheckData | None:
        foot, web = self.walls
        return StringerCheckData(shape=StringerShape.T, foot_thickness=foot.thickness, web_thickness=web.thickness,
                                 foot_width=foot.length, web_height=web.length,
                                 web_bending=_packed_bending(web.laminate))


@dataclass(frozen=True, kw_only=True)
class L(T):
    """An angle: a foot lying on the skin with the web standing at one of its
    ends. About the axis parallel to the skin it is the T of the same walls."""

    @property
    def check_data(self) -> StringerCheckData | None:
        return None


@dataclass(frozen=True, kw_only=True)
class I(Section):  # noqa: E742 (the shape's name)
    """A T with a top flange (`flange_width`, wall `flange`) whose upper
    surface lies at `height` over the skin's surface."""
    height: float
    web: Laminate | float
    foot_width: float
    foot: Laminate | float
    flange_width: float
    flange: Laminate | float
    wall_names = ("foot", "web", "flange")

    def _walls(self) -> Iterator[Wall]:
        foot, flange = self._laminate("foot"), self._laminate("flange")
        h = self._length("height")
        web_height = self._above("height", h - _thickness(foot) - _thickness(flange),
                                 _thickness(foot) + _thickness(flange))
        yield Wall(self._length("foot_width"), self._surface + 0.5 * _thickness(foot), 0.0, foot)
        yield Wall(web_height, self._surface + _thickness(foot) + 0.5 * web_height, 90.0, self._laminate("web"))
        yield Wall(self._length("flange_width"), self._surface + h - 0.5 * _thickness(flange), 0.0, flange)


@dataclass(frozen=True, kw_only=True)
class Z(I):
    """A foot on the skin and a top flange pointing the other way from the
    web. About the axis parallel to the skin it is the I of the same walls."""


@dataclass(frozen=True, kw_only=True)
class Hat(Section):
    """An omega: two feet on the skin (`foot_width` each, wall `foot`), two
    webs (wall `web`) opening by `web_angle` degrees between them (0:
    parallel webs), a crown (`crown_width` along its mid-line, wall `crown`)
    whose upper surface lies at `height` over the skin's surface.

    GJ: the closed cell of crown, webs and skin by the Bredt formula
    4·A²/∮ds/(G·t) (the cell closed by the skin's mid-surface, the webs'
    mid-lines carried down to it), plus the open feet.
    """
    height: float
    crown_width: float
    crown: Laminate | float
    web: Laminate | float
    web_angle: float
    foot_width: float
    foot: Laminate | float
    wall_names = ("foot", "foot", "web", "web", "crown")

    def _half_angle(self) -> float:
        angle = _number("Hat", "web_angle", self.web_angle)
        if not 0.0 <= angle < 180.0:
            raise ValueError(f"Hat.web_angle: {angle} degrees must lie in [0, 180)")
        return math.radians(0.5 * angle)

    def _walls(self) -> Iterator[Wall]:
        foot, crown = self._laminate("foot"), self._laminate("crown")
        z_foot = self._surface + 0.5 * _thickness(foot)
        z_crown = self._surface + self._length("height") - 0.5 * _thickness(crown)
        rise = self._above("height", z_crown - z_foot, 0.5 * (_thickness(foot) + _thickness(crown)))
        half = self._half_angle()
        web = Wall(rise / math.cos(half), 0.5 * (z_foot + z_crown), 90.0 - math.degrees(half), self._laminate("web"))
        feet = Wall(self._length("foot_width"), z_foot, 0.0, foot)
        yield from (feet, feet, web, web, Wall(self._length("crown_width"), z_crown, 0.0, crown))

    @property
    def GJ(self) -> float:
        foot, _, web, _, crown = self.walls
        half = self._half_angle()
        skin_shear = 1.0 / np.linalg.inv(np.array(self.skin.A))[2, 2]
        depth = crown.z
        bottom = crown.length + 2.0 * depth * math.tan(half)
        enclosed = 0.5 * (crown.length + bottom) * depth
        path = crown.length / crown.shear + 2.0 * depth / math.cos(half) / web.shear + bottom / skin_shear
        return 4.0 * enclosed ** 2 / path + 2.0 * foot.torsion * foot.length

    def stiffener(self, position: float | None = None, *, line: int | None = None, side: str = "back",
                  pad_up: Laminate | None = None, pad_width: float = 0.0,
                  footprint: bool | None = None) -> Stiffener:
        """The `Stiffener` of this hat, as `Section.stiffener` builds it; with
        its `footprint` the engine takes the hat on its web lines, each a
        beam of one web and half the crown, and its feet as bands of the
        skin (the skin, or the pad-up, with the foot laid on it, about the
        skin's mid-surface); without, the whole section as one beam on its
        line. `footprint` None (the default): with it at a `position`,
        without it on a grid `line` (which places no feet).

        Returns
        -------
        Stiffener

        Examples
        --------
        >>> alu = ruvo.sections.Isotropic(70000.0, 0.33)
        >>> hat = ruvo.sections.Hat(skin=ruvo.Laminate.isotropic(70000.0, 0.33, 2.0), material=alu, height=20.0,
        ...                         crown_width=20.0, crown=2.0, web=2.0, web_angle=0.0, foot_width=15.0, foot=2.0)
        >>> [(y0, y1) for y0, y1, _ in hat.stiffener(100.0).feet()]    # webs 20 apart, feet outward
        [(75.0, 90.0), (110.0, 125.0)]
        """
        stiffener = super().stiffener(position, line=line, side=side, pad_up=pad_up, pad_width=pad_width)
        if footprint is None:
            footprint = position is not None
        if not footprint:
            return stiffener
        if position is None:
            raise ValueError("Hat.stiffener: the hat's footprint (its web lines and feet) needs its position, not "
                             "a line number; or footprint=False")
        foot, _, web, _, crown = self.walls
        half_spacing = 0.5 * crown.length + crown.z * math.tan(self._half_angle())
        reach = half_spacing + foot.length
        if pad_up is not None and 0.5 * stiffener.pad_width < reach * (1 - 1e-9):
            raise ValueError(f"Hat.stiffener: the pad-up, {stiffener.pad_width:g} wide, is narrower than the hat's "
                             f"footprint ({2.0 * reach:g} from foot edge to foot edge): widen it, or "
                             "footprint=False")
        base = self.skin if pad_up is None else pad_up
        if base.thickness is None:
            raise ValueError("Hat.stiffener: the pad-up's thickness is unknown (give Laminate(thickness=...)); the "
                             "feet are laid on it. Or footprint=False")
        beam = self._beam(((web, 1.0), (crown, 0.5)), side, 0.5 * self.mass)
        _set(stiffener, footprint=Footprint(beam, half_spacing, foot.length,
                                            _laid_on(base, foot.laminate, _SIDES[side])))
        return stiffener

    @property
    def check_data(self) -> StringerCheckData | None:
        foot, _, web, _, crown = self.walls
        return StringerCheckData(shape=StringerShape.HAT, foot_thickness=foot.thickness, web_thickness=web.thickness,
                                 foot_width=foot.length, web_height=crown.z - foot.z,
                                 web_bending=_packed_bending(web.laminate), chord_width=crown.length,
                                 chord_thickness=crown.thickness, web_angle=float(self.web_angle),
                                 chord_bending=_packed_bending(crown.laminate))


__all__ = ["Blade", "Hat", "I", "Isotropic", "L", "Section", "StringerCheckData", "StringerShape", "T", "Wall", "Z"]
