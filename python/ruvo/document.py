"""A panel as a document in the engineer's terms, the model shared by the
TOML panel files, the designs files and the results' JSON.

A document holds the panel's own values (sides, radii, skew, freedoms,
edges, loads, mesh) and three collections of shared objects referred to by
name: `materials` (ply materials E1, E2, nu12, G12 ... and isotropic wall
materials E, nu ...), `laminates` (plies of a material; E, nu, t; or the
matrices A, B, D) and `sections` (a stiffener's shape by its dimensions and
walls). The skin, the pad-ups, the regions and the stiffeners name them;
wherever a name is taken, an inline table describing the object is taken
too (as files of version 1 wrote them).

Versions: 1, the released 1.0 format (no `schema_version`: laminates as
inline tables, stiffeners by their stiffnesses), is read as it is, every
form of it being a form of version 2; a document of a newer version than
`SCHEMA_VERSION` is refused, naming both.

The reader returns the panel's constructor arguments and its analysis
options; the writer reads the panel's fields. Neither builds a Panel, so
the panel class can use them at its own import.
"""
from __future__ import annotations

import dataclasses
import difflib
import enum
import json
import math
from typing import TYPE_CHECKING, Any, Callable, Sequence, TypeVar, cast

from . import sections
from .edges import Edge, Edges
from .laminates import Laminate, Material, Ply
from .loads import Loads, RunningLoads
from .mesh import MAX_LINES, Mesh
from .sections import Isotropic, StringerCheckData
from .stiffeners import Region, Stiffener

if TYPE_CHECKING:
    from .panel import Panel

T = TypeVar("T")

SCHEMA_VERSION = 2
OPTIONS = ("modes", "load_cases")   # analysis options a panel document may carry beside the panel
COLLECTIONS = ("materials", "laminates", "sections")
SHAPES = {cls.__name__: cls for cls in (sections.Blade, sections.T, sections.L, sections.I, sections.Z, sections.Hat)}
_PLAIN_FIELDS = ("title", "length", "width", "rx", "ry", "rxy", "skew_x", "skew_y", "freedoms")
_PLY_ITEMS = ("thickness", "angle", "count")
_SIDES = ("back", "front")


def _init_fields(cls: type) -> list[str]:
    return [f.name for f in dataclasses.fields(cls) if f.init]


def _required_fields(cls: type) -> list[str]:
    """The fields a table must give: those without a default."""
    return [f.name for f in dataclasses.fields(cls)
            if f.init and f.default is dataclasses.MISSING and f.default_factory is dataclasses.MISSING]


# ---- places in a document, for the messages ----------------------------------------

class Place:
    """Where in a document a value sits, for the messages: the file and the table."""

    def __init__(self, source: str, table: str = "") -> None:
        self.source, self.table = source, table

    def inner(self, table: str) -> Place:
        return Place(self.source, table)

    def error(self, text: str) -> ValueError:
        where = ": ".join(p for p in (self.source, self.table) if p)
        return ValueError(f"{where}: {text}" if where else text)

    def keys(self, table: Any, valid: Sequence[str], required: Sequence[str] = ()) -> dict[str, Any]:
        """`table` as a dict whose keys are all among `valid` and hold `required`."""
        if not isinstance(table, dict):
            raise self.error(f"a table is needed, got {kind_of(table)}")
        for key in table:
            if key not in valid:
                close = difflib.get_close_matches(key, valid, n=1)
                hint = f"; did you mean {close[0]!r}?" if close else ""
                raise self.error(f"unknown key {key!r}{hint} (valid keys: {', '.join(valid)})")
        for key in required:
            if key not in table:
                raise self.error(f"{key} missing")
        return table

    def build(self, make: Callable[..., T], *args: Any, **kwargs: Any) -> T:
        """make(...), its ValueError prefixed with the place; a value of the
        wrong kind deep inside (a table where a number belongs) likewise."""
        try:
            return make(*args, **kwargs)
        except (ValueError, TypeError, OverflowError) as e:
            raise self.error(str(e) if isinstance(e, ValueError) else f"a value of the wrong kind: {e}") from None


def kind_of(value: Any) -> str:
    kinds: dict[type, str] = {dict: "a table", list: "an array", str: "a string"}
    return kinds.get(type(value), f"the value {value!r}")


def schema_version(document: dict[str, Any], place: Place, key: str = "schema_version") -> int:
    """The document's schema version (1 when it names none); a newer one than
    this package reads is refused, naming both."""
    version = document.get(key, 1)
    if isinstance(version, bool) or not isinstance(version, int) or version < 1:
        raise place.error(f"schema version {version!r} is not a whole number from 1 ({key})")
    if version > SCHEMA_VERSION:
        raise place.error(f"schema version {version} is newer than this ruvo reads (versions 1 to "
                          f"{SCHEMA_VERSION}); update ruvo to read it")
    return version


# ---- reading ---------------------------------------------------------------------------

class _Shelf:
    """The document's shared objects, each built once when first named."""

    def __init__(self, document: dict[str, Any], place: Place) -> None:
        self.place = place
        self.tables: dict[str, dict[str, Any]] = {}
        for name in COLLECTIONS:
            table = document.get(name, {})
            if not isinstance(table, dict):
                raise place.error(f"{name}: a table of named objects ([{name}.NAME]) is needed, got {kind_of(table)}")
            for other, known in self.tables.items():
                for shared in set(table) & set(known):
                    raise place.error(f"{name}.{shared}: the name {shared!r} names one of the {other} too; a "
                                      "name refers to one object")
            self.tables[name] = table
        self.made: dict[tuple[str, str], Any] = {}
        self.skin: Laminate | None = None

    def get(self, collection: str, value: Any, where: Place, make: Callable[[Any, Place], T]) -> T:
        """The object `value` names in `collection`, or the one its inline table describes."""
        if not isinstance(value, str):
            return make(value, where)
        if value not in self.tables[collection]:
            known = ", ".join(self.tables[collection]) or "none"
            raise where.error(f"no {collection[:-1]} named {value!r} in [{collection}] (named: {known})")
        key = (collection, value)
        if key not in self.made:
            self.made[key] = make(self.tables[collection][value], self.place.inner(f"[{collection}.{value}]"))
        return self.made[key]

    def material(self, value: Any, where: Place) -> Material | Isotropic:
        return self.get("materials", value, where, _material)

    def laminate(self, value: Any, where: Place) -> Laminate:
        return self.get("laminates", value, where, self._laminate)

    def section(self, value: Any, where: Place) -> sections.Section:
        return self.get("sections", value, where, self._section)

    def _laminate(self, table: Any, place: Place) -> Laminate:
        """A Laminate from one of three forms: E, nu, t; material and plies; A, B, D."""
        if not isinstance(table, dict):
            raise place.error(f"a table is needed, got {kind_of(table)}")
        if "E" in table:
            t = place.keys(table, ["E", "nu", "t", "transverse_shear", "Fcy"], ["E", "t"])
            return place.build(Laminate.isotropic, t["E"], t.get("nu", 0.3), t["t"],
                               transverse_shear=_flag(place, t, "transverse_shear"), Fcy=t.get("Fcy"))
        if "plies" in table or "material" in table:
            t = place.keys(table, ["material", "plies", "transverse_shear"], ["material", "plies"])
            material = self.material(t["material"], place.inner(place.table + " material"))
            if not isinstance(material, Material):
                raise place.error("material: plies need a ply material (E1, E2, nu12, G12), not an isotropic one")
            return place.build(Laminate.from_plies, _plies(place, t["plies"]), material,
                               transverse_shear=_flag(place, t, "transverse_shear"))
        if "A" in table:
            t = place.keys(table, ["A", "B", "D", "thickness", "shear"], ["A", "D"])
            return place.build(Laminate, **{"B": [[0.0] * 3] * 3, **t})
        raise place.error("give E, nu, t; or material and plies; or A, B, D")

    def _section(self, table: Any, place: Place) -> sections.Section:
        """A section from its shape, dimensions and walls (a thickness or a laminate each)."""
        if not isinstance(table, dict):
            raise place.error(f"a table is needed, got {kind_of(table)}")
        shape = table.get("shape")
        if not isinstance(shape, str) or shape not in SHAPES:
            raise place.error(f"shape: {shape!r} is none of {', '.join(SHAPES)}")
        cls = SHAPES[shape]
        required = [name for name in _required_fields(cls) if name != "skin"]   # the panel's skin unless named
        values = dict(place.keys(table, ["shape"] + _init_fields(cls), ["shape"] + required))
        del values["shape"]
        for name, f in ((f.name, f) for f in dataclasses.fields(cls) if f.init and f.name in values):
            if name == "skin":
                values[name] = self.laminate(values[name], place.inner(f"{place.table} skin"))
            elif name == "material":
                values[name] = self.material(values[name], place.inner(f"{place.table} material"))
            elif "Laminate" in str(f.type) and isinstance(values[name], (str, dict)):
                values[name] = self.laminate(values[name], place.inner(f"{place.table} {name}"))
        values.setdefault("skin", self.skin)
        return place.build(cls, **values)


def _flag(place: Place, table: dict[str, Any], key: str) -> bool:
    value = table.get(key, False)
    if not isinstance(value, bool):
        raise place.error(f"{key}: true or false, got {value!r}")
    return value


def _material(table: Any, place: Place) -> Material | Isotropic:
    """A ply material (E1, E2, nu12, G12 ...) or an isotropic wall material (E, nu ...)."""
    cls: type = Material if isinstance(table, dict) and "E1" in table else Isotropic
    return place.build(cls, **place.keys(table, _init_fields(cls), _required_fields(cls)))


def _plies(place: Place, items: Any) -> list[Ply]:
    """Plies from the bottom: [thickness, angle, count] or a table of those
    names (angle 0 and count 1 when left out); a count repeats the ply."""
    if not isinstance(items, list):
        raise place.error(f"plies: an array of plies is needed, got {kind_of(items)}")
    plies: list[Ply] = []
    for k, item in enumerate(items):
        where = place.inner(f"{place.table} ply number {k + 1}")
        if isinstance(item, list) and 1 <= len(item) <= 3:
            item = dict(zip(_PLY_ITEMS, item))
        if not isinstance(item, dict):
            raise where.error(f"a ply is [thickness, angle, count] or {{ thickness = ..., angle = ..., count = ... }},"
                              f" got {item!r}")
        values = dict(where.keys(item, _PLY_ITEMS, ["thickness"]))
        count = values.pop("count", 1)
        if isinstance(count, bool) or not isinstance(count, int) or not 1 <= count <= MAX_PLIES:
            raise where.error(f"count: {count!r} must be a whole number of plies in 1..{MAX_PLIES}")
        plies += [where.build(Ply, **values)] * count
        if len(plies) > MAX_PLIES:
            raise place.error(f"plies: more than {MAX_PLIES} plies")
    return plies


MAX_PLIES = 10_000   # plies of one laminate at most: refused before the stack is made


def _positions(place: Place, values: dict[str, Any]) -> list[dict[str, Any]]:
    """A stiffener table whose position is a list stands for one stiffener per position."""
    position = values.get("position")
    if not isinstance(position, list):
        return [values]
    if not 1 <= len(position) <= MAX_STIFFENERS:
        raise place.error(f"position: {len(position)} positions; give 1 to {MAX_STIFFENERS} (the engine's most)")
    return [dict(values, position=p) for p in position]


MAX_STIFFENERS = MAX_LINES - 2   # stiffeners per direction the engine holds (p_stf): between the edges


def _stiffeners(shelf: _Shelf, place: Place, name: str, items: Any) -> tuple[Stiffener, ...]:
    if not isinstance(items, list):
        raise place.error(f"{name}: an array of tables ([[{name}]]) is needed, got {kind_of(items)}")
    out = []
    for k, item in enumerate(items):
        where = place.inner(f"[[{name}]] number {k + 1}")
        if isinstance(item, dict) and "section" in item:
            table = where.keys(item, ["section", "side", "position", "line", "pad_up", "pad_width", "footprint"],
                               ["section"])
        else:
            table = where.keys(item, _init_fields(Stiffener))
        for values in _positions(where, dict(table)):
            out.append(_stiffener(shelf, where, values))
        if len(out) > MAX_STIFFENERS:
            raise place.error(f"{name}: more than {MAX_STIFFENERS} stiffeners (the engine's most per direction)")
    return tuple(out)


def _stiffener(shelf: _Shelf, where: Place, values: dict[str, Any]) -> Stiffener:
    if "pad_up" in values:
        values["pad_up"] = shelf.laminate(values["pad_up"], where.inner(f"{where.table} pad_up"))
    if "section" in values:
        section = shelf.section(values.pop("section"), where.inner(f"{where.table} section"))
        if values.get("side", "back") not in _SIDES:   # a tuple of texts: no value is hashed
            raise where.error(f"side: {values['side']!r} is neither 'back' nor 'front'")
        if "footprint" in values and (not isinstance(section, sections.Hat) or
                                      not isinstance(values["footprint"], bool)):
            raise where.error(f"footprint: {values['footprint']!r}; a hat's footprint is true or false, and other "
                              "shapes have none")
        return where.build(section.stiffener, values.pop("position", None), **values)
    if "crippling" in values:   # the section's data for the stringer checks, as its table
        inner = where.inner(f"{where.table} crippling")
        table = inner.keys(_release_1_check_data(inner, values["crippling"]), _init_fields(StringerCheckData))
        values["crippling"] = inner.build(StringerCheckData, **table)
    return where.build(Stiffener, **values)


# Release 1.0 wrote the stringer check data in the engine's words: the stringer type (1 the T, 2 the hat),
# the members of its block stringercom and chord_ddst.
_RELEASE_1_SHAPES = {1: "T", 2: "hat"}
_RELEASE_1_NAMES = {"footth": "foot_thickness", "webth": "web_thickness", "footwidth": "foot_width",
                    "webheight": "web_height", "ddst": "web_bending", "chordwidth": "chord_width",
                    "chordth": "chord_thickness", "alpha": "web_angle", "chord_ddst": "chord_bending"}


def _release_1_check_data(place: Place, table: Any) -> Any:
    """Stringer check data of release 1.0's words in today's (other tables as they are)."""
    if not isinstance(table, dict) or "stringer_type" not in table:
        return table
    rest = {k: v for k, v in table.items() if k not in ("stringer_type", "stringercom")}
    engine_words = place.keys(table.get("stringercom", {}), list(_RELEASE_1_NAMES))
    return {"shape": _RELEASE_1_SHAPES.get(table["stringer_type"], table["stringer_type"]),
            **{_RELEASE_1_NAMES.get(k, k): v for k, v in {**engine_words, **rest}.items()}}


def _regions(shelf: _Shelf, place: Place, items: Any) -> tuple[Region, ...]:
    if not isinstance(items, list) or len(items) > MAX_LINES:
        raise place.error(f"regions: an array of at most {MAX_LINES} tables ([[regions]]) is needed, got "
                          f"{kind_of(items) if not isinstance(items, list) else f'{len(items)} tables'}")
    out = []
    for k, item in enumerate(items):
        where = place.inner(f"[[regions]] number {k + 1}")
        values = dict(where.keys(item, _init_fields(Region), ["laminate"]))
        values["laminate"] = shelf.laminate(values["laminate"], where.inner(f"[[regions]] number {k + 1} laminate"))
        out.append(where.build(Region, **values))
    return tuple(out)


def _load_cases(place: Place, items: Any) -> list[Loads]:
    if not isinstance(items, list) or not 1 <= len(items) <= MAX_LOAD_CASES:
        raise place.error(f"load_cases: an array of 1 to {MAX_LOAD_CASES} tables ([[load_cases]]) is needed, got "
                          f"{kind_of(items) if not isinstance(items, list) else f'{len(items)} tables'}")
    cases = []
    for k, item in enumerate(items):
        where = place.inner(f"[[load_cases]] number {k + 1}")
        cases.append(_loads(where, item))
    return cases


def _loads(place: Place, table: Any) -> Loads:
    """The skin's Loads, or with running = true the RunningLoads of the whole
    stiffened panel."""
    values = dict(place.keys(table, _init_fields(Loads) + ["running"]))
    running = values.pop("running", False)
    if not isinstance(running, bool):
        raise place.error(f"running: true (the running loads of skin and stiffeners together) or false, "
                          f"got {running!r}")
    return place.build(RunningLoads if running else Loads, **values)


def _loads_table(loads: Loads) -> dict[str, Any]:
    """The changed fields of loads, with running = true for RunningLoads."""
    table = changed_fields(loads)
    return {"running": True, **table} if isinstance(loads, RunningLoads) else table


MAX_LOAD_CASES = 1000   # load cases of one panel file at most

PANEL_KEYS = ["length", "width", "laminate", "loads", "edges", "stringers", "frames", "mesh", "rx", "ry", "rxy",
              "skew_x", "skew_y", "freedoms", "title", "regions", *COLLECTIONS, *OPTIONS, "schema_version"]


def panel_arguments(document: Any, source: str = "") -> tuple[dict[str, Any], dict[str, Any]]:
    """(the Panel's keyword arguments, the analysis options modes and
    load_cases) of a parsed document of any version up to SCHEMA_VERSION;
    `source` (the file) is named in the messages."""
    top = Place(source)
    if not isinstance(document, dict):
        raise top.error(f"a table is needed, got {kind_of(document)}")
    schema_version(document, top)
    top.keys(document, PANEL_KEYS, ["length", "width", "laminate"])   # vibration needs no loads
    shelf = _Shelf(document, top)
    values: dict[str, Any] = {k: document[k] for k in _PLAIN_FIELDS if k in document}
    for name, value in values.items():
        text = name in ("title", "freedoms")
        if isinstance(value, str) != text or (not text and (isinstance(value, bool) or not isinstance(value, (int, float)))):
            raise top.error(f"{name}: {'a text' if text else 'a number'} is needed, got {kind_of(value)}")
    values["laminate"] = shelf.skin = shelf.laminate(document["laminate"], top.inner("[laminate]"))
    if "loads" in document:
        values["loads"] = _loads(top.inner("[loads]"), document["loads"])
    if "mesh" in document:
        where = top.inner("[mesh]")
        table = where.keys(document["mesh"], _init_fields(Mesh))
        for axis in ("x", "y"):
            if isinstance(table.get(axis), list) and len(table[axis]) > MAX_LINES - 1:
                raise where.error(f"{axis}: {len(table[axis])} lengths; the engine's grid takes "
                                  f"{MAX_LINES - 1} elements per direction at most")
        values["mesh"] = where.build(Mesh, **table)
    for name in ("stringers", "frames"):
        if name in document:
            values[name] = _stiffeners(shelf, top, name, document[name])
    if "regions" in document:
        values["regions"] = _regions(shelf, top, document["regions"])
    if "edges" in document:
        values["edges"] = top.inner("edges").build(Edges.parse, document["edges"])
    options: dict[str, Any] = {"modes": document.get("modes", 5)}
    if "load_cases" in document:
        options["load_cases"] = _load_cases(top, document["load_cases"])
    return values, options


# ---- writing ---------------------------------------------------------------------------

def plain(value: Any) -> Any:
    """Numbers, strings, lists and tables only (what TOML and JSON hold)."""
    if dataclasses.is_dataclass(value) and not isinstance(value, type):
        return changed_fields(value)
    if isinstance(value, enum.Enum):
        return value.value
    if isinstance(value, dict):
        return {k: plain(v) for k, v in value.items()}
    if isinstance(value, (tuple, list)):
        return [plain(v) for v in value]
    if hasattr(value, "tolist"):   # numpy arrays and scalars
        return value.tolist()
    return value


def changed_fields(obj: Any) -> dict[str, Any]:
    """The fields given when `obj` was built: those not at their default."""
    out = {}
    for f in dataclasses.fields(obj):
        value = getattr(obj, f.name)
        if not f.init or (f.default is not dataclasses.MISSING and _equal(value, f.default)):
            continue
        out[f.name] = plain(value)
    return out


def _equal(a: Any, b: Any) -> bool:
    try:
        return bool(a == b)
    except ValueError:   # arrays
        return False


def _edge_value(edge: Edge) -> str | list[int]:
    for word in ("simply supported", "clamped", "free", "symmetry", "antisymmetry"):
        if Edge.parse(word) == edge:
            return word
    return edge.codes()


def _edges(edges: Edges) -> str | list[int] | dict[str, Any] | None:
    """One word for all four edges, a table by edge, or None for simply supported all round."""
    values = [_edge_value(getattr(edges, n)) for n in ("x0", "xl", "y0", "yl")]
    if any(v != values[0] for v in values):
        return dict(zip(("x0", "xl", "y0", "yl"), values))
    return None if values[0] == "simply supported" else values[0]


def _ply_rows(plies: Sequence[Ply]) -> list[list[Any]]:
    """[thickness, angle] per ply, a run of equal plies as [thickness, angle, count]."""
    rows: list[list[Any]] = []
    for ply in plies:
        if rows and rows[-1][:2] == [ply.thickness, ply.angle]:
            if len(rows[-1]) == 2:
                rows[-1].append(1)
            rows[-1][2] += 1
        else:
            rows.append([ply.thickness, ply.angle])
    return rows


def _isotropic(plies: Sequence[Ply], m: Material) -> bool:
    """Whether plies of a material are Laminate.isotropic's: one ply at 0 of a material E, E, nu, E/2(1+nu)."""
    g = m.E1 / (2.0 * (1.0 + m.nu12))
    return (len(plies) == 1 and plies[0].angle == 0.0 and m.E2 == m.E1 and m.G12 == g and m.G13 == g
            and m.G23 == g and changed_fields(m).keys() <= {"E1", "E2", "nu12", "G12", "G13", "G23", "Fcy"})


class _Writer:
    """Gathers the shared objects of a panel under names, each written once."""

    def __init__(self, skin: Laminate) -> None:
        self.skin = skin
        self.collections: dict[str, dict[str, Any]] = {name: {} for name in COLLECTIONS}
        self.names: dict[tuple[str, str], str] = {}

    def _name(self, collection: str, table: dict[str, Any], wanted: str) -> str:
        key = (collection, json.dumps(table, sort_keys=True))
        if key not in self.names:
            taken = self.collections[collection]
            name = wanted if wanted not in taken else next(f"{wanted}_{k}" for k in range(2, len(taken) + 3)
                                                           if f"{wanted}_{k}" not in taken)
            taken[name] = table
            self.names[key] = name
        return self.names[key]

    def material(self, material: Material | Isotropic, wanted: str) -> str:
        return self._name("materials", changed_fields(material), wanted)

    def laminate(self, laminate: Laminate, wanted: str) -> str:
        table: dict[str, Any]
        plies, material = laminate.plies, laminate.material
        if not plies or material is None:
            table = {k: v for k, v in changed_fields(laminate).items() if k != "B" or any(map(any, laminate.B))}
        else:
            if _isotropic(plies, material):
                table = {"E": material.E1, "nu": material.nu12, "t": plies[0].thickness}
                if material.Fcy is not None:
                    table["Fcy"] = material.Fcy
            else:
                table = {"material": self.material(material, "ply_material"), "plies": _ply_rows(plies)}
            if laminate.shear is not None:
                table["transverse_shear"] = True
        return self._name("laminates", table, wanted)

    def section(self, section: sections.Section) -> str:
        table: dict[str, Any] = {"shape": type(section).__name__}
        for f in dataclasses.fields(section):
            value = getattr(section, f.name)
            if not f.init or (f.name == "skin" and value == self.skin) or (
                    f.default is not dataclasses.MISSING and _equal(value, f.default)):
                continue
            if isinstance(value, Laminate):
                table[f.name] = self.laminate(value, f"{table['shape']}_{f.name}")
            elif isinstance(value, Isotropic):
                table[f.name] = self.material(value, "wall_material")
            else:
                table[f.name] = plain(value)
        return self._name("sections", table, table["shape"])

    def stiffener(self, stiffener: Stiffener, role: str) -> dict[str, Any]:
        if stiffener.section is not None:
            row: dict[str, Any] = {"section": self.section(cast(sections.Section, stiffener.section))}
            if stiffener.side != "back":
                row["side"] = stiffener.side
            row.update({k: v for k, v in changed_fields(stiffener).items() if k in ("position", "line", "pad_width")})
            if isinstance(stiffener.section, sections.Hat) and stiffener.footprint is None and \
                    stiffener.position is not None:
                row["footprint"] = False
        else:
            row = {k: v for k, v in changed_fields(stiffener).items() if k != "pad_up"}
        if stiffener.pad_up is not None:
            row["pad_up"] = self.laminate(stiffener.pad_up, f"{role}_pad_up")
        return row


def _grouped(rows: list[dict[str, Any]]) -> list[dict[str, Any]]:
    """Neighbouring stiffeners alike but for their position as one table with a list of positions."""
    out: list[dict[str, Any]] = []
    for row in rows:
        last = out[-1] if out else None
        if (last is not None and "position" in row and "position" in last
                and {k: v for k, v in last.items() if k != "position"} == {k: v for k, v in row.items()
                                                                             if k != "position"}):
            last["position"] = (last["position"] if isinstance(last["position"], list)
                                else [last["position"]]) + [row["position"]]
        else:
            out.append(dict(row))
    return out


def panel_document(panel: Panel, options: dict[str, Any] | None = None) -> dict[str, Any]:
    """The panel as a document of SCHEMA_VERSION, shared objects written
    once in the collections: the panel's own values first, then materials,
    laminates and sections, then the stiffeners and regions (the order of
    a TOML file). `options`: modes and load_cases to carry beside it."""
    writer = _Writer(panel.laminate)
    doc: dict[str, Any] = {"schema_version": SCHEMA_VERSION}
    for name in _PLAIN_FIELDS:
        value = getattr(panel, name)
        field = next(f for f in dataclasses.fields(panel) if f.name == name)
        if not _equal(value, field.default) and not (name in ("rx", "ry", "rxy") and math.isinf(value)):
            doc[name] = value
    edges = _edges(panel.edges)
    if edges is not None:
        doc["edges"] = edges
    doc["laminate"] = writer.laminate(panel.laminate, "skin")
    stiffeners = {role: _grouped([writer.stiffener(s, role) for s in getattr(panel, name)])
                  for name, role in (("stringers", "stringer"), ("frames", "frame"))}
    regions: list[dict[str, Any]] = [{**({"x": list(r.x)} if r.x is not None else {}),
                **({"y0": r.y0, "y1": r.y1} if r.y0 is not None else {}),
                "laminate": writer.laminate(r.laminate, f"region_{k + 1}")} for k, r in enumerate(panel.regions)]
    options = options or {}
    if "modes" in options:
        doc["modes"] = options["modes"]
    for name, table in (("loads", _loads_table(panel.loads)), ("mesh", changed_fields(panel.mesh))):
        if table:
            doc[name] = table
    doc.update((name, table) for name, table in writer.collections.items() if table)
    doc.update((name, stiffeners[role]) for name, role in (("stringers", "stringer"), ("frames", "frame"))
               if stiffeners[role])
    if regions:
        doc["regions"] = regions
    if options.get("load_cases"):
        doc["load_cases"] = [_loads_table(case) for case in options["load_cases"]]
    return doc
