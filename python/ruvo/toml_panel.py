"""Panels as documents: the tables of a TOML file (read with the standard
library's tomllib, written with tomli_w), also the inputs of a result's JSON.

A mistake in a file is a ValueError that names the file, the table, the key,
the valid keys and the closest spelling.
"""
from __future__ import annotations

import dataclasses
import difflib
import math
import os
import tomllib
from typing import Any, Callable, Sequence, TypeVar

import numpy as np

from .files import MAX_BYTES, read_bytes
from .edges import Edge, Edges
from .laminates import Laminate, Material, Ply
from .loads import Loads
from .mesh import Mesh
from .panel import Panel
from .stiffeners import Region, Stiffener
from .sections import StringerCheckData

T = TypeVar("T")

EXAMPLE = '''\
title = "Simply supported plate under compression"
length = 100.0            # along x
width = 100.0             # along y
edges = "simply supported"   # or a table: [edges] x0 = "clamped", yl = "free", ...
modes = 3
# ry = 500.0              # radii rx, ry, rxy (omitted: flat)
# skew_x = 10.0           # angles of obliqueness, degrees

[laminate]                # or: material = {E1, E2, nu12, G12} with plies = [[t, angle], ...]
E = 70000.0               # or: A, B, D = 3 x 3 matrices
nu = 0.3
t = 1.0

[loads]                   # per unit length, positive in compression (buckling only)
Nx = 1.0                  # Nx, Ny, Nxy: multiplied by the load factor
# fixed_Ny = -10.0        # fixed_Nx, fixed_Ny, fixed_Nxy: carried as they are

[mesh]                    # nx, ny element counts, or size, or x, y lengths
nx = 8
ny = 8

# [[stringers]]           # along x at a y position (frames: along y at an x position)
# position = 50.0
# EA = 1.4e7
# EI = 1.0e9
# GJ = 1.0e6
'''

OPTIONS = ("modes",)   # analysis options a panel file may carry beside the panel
_TABLES = {"laminate": Laminate, "loads": Loads, "mesh": Mesh, "stringers": Stiffener, "frames": Stiffener}


def _init_fields(cls: type) -> list[str]:
    return [f.name for f in dataclasses.fields(cls) if f.init]


def _required_fields(cls: type) -> list[str]:
    """The fields a table must give: those without a default."""
    return [f.name for f in dataclasses.fields(cls)
            if f.init and f.default is dataclasses.MISSING and f.default_factory is dataclasses.MISSING]


# ---- reading ---------------------------------------------------------------------

class _Place:
    """Where in a document a value sits, for the messages: the file and the table."""

    def __init__(self, source: str, table: str = "") -> None:
        self.source, self.table = source, table

    def inner(self, table: str) -> _Place:
        return _Place(self.source, table)

    def error(self, text: str) -> ValueError:
        where = ": ".join(p for p in (self.source, self.table) if p)
        return ValueError(f"{where}: {text}" if where else text)

    def keys(self, table: Any, valid: Sequence[str], required: Sequence[str] = ()) -> dict[str, Any]:
        """`table` as a dict whose keys are all among `valid` and hold `required`."""
        if not isinstance(table, dict):
            raise self.error(f"a table is needed, got {_kind(table)}")
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
        """make(...), its ValueError prefixed with the place."""
        try:
            return make(*args, **kwargs)
        except ValueError as e:
            raise self.error(str(e)) from None


def _kind(value: Any) -> str:
    kinds: dict[type, str] = {dict: "a table", list: "an array", str: "a string"}
    return kinds.get(type(value), f"the value {value!r}")


def _ply(place: _Place, item: Any) -> Ply:
    if isinstance(item, dict):
        return place.build(Ply, **place.keys(item, ["thickness", "angle"], ["thickness"]))
    if isinstance(item, list) and len(item) in (1, 2):
        return place.build(Ply, *item)
    raise place.error(f"a ply is [thickness, angle] or {{ thickness = ..., angle = ... }}, got {item!r}")


def laminate_from(table: Any, place: _Place | None = None) -> Laminate:
    """A Laminate from one of three forms: E, nu, t; material and plies; A, B, D."""
    place = place or _Place("", "[laminate]")
    if not isinstance(table, dict):
        raise place.error(f"a table is needed, got {_kind(table)}")
    if "E" in table:
        t = place.keys(table, ["E", "nu", "t"], ["t"])
        return place.build(Laminate.isotropic, t["E"], t.get("nu", 0.3), t["t"])
    if "plies" in table or "material" in table:
        t = place.keys(table, ["material", "plies"], ["material", "plies"])
        material = place.inner(place.table + " material")
        m = material.build(Material, **material.keys(t["material"], _init_fields(Material), _required_fields(Material)))
        if not isinstance(t["plies"], list):
            raise place.error(f"plies: an array of plies is needed, got {_kind(t['plies'])}")
        plies = [_ply(place.inner(f"{place.table} ply number {k + 1}"), p) for k, p in enumerate(t["plies"])]
        return place.build(Laminate.from_plies, plies, m)
    if "A" in table:
        t = place.keys(table, _init_fields(Laminate), ["A", "D"])
        return place.build(Laminate, **{"B": np.zeros((3, 3)), **t})
    raise place.error("give E, nu, t; or material and plies; or A, B, D")


def _stiffeners(place: _Place, name: str, items: Any) -> tuple[Stiffener, ...]:
    if not isinstance(items, list):
        raise place.error(f"{name}: an array of tables ([[{name}]]) is needed, got {_kind(items)}")
    fields = _init_fields(Stiffener)
    out = []
    for k, item in enumerate(items):
        where = place.inner(f"[[{name}]] number {k + 1}")
        values = dict(where.keys(item, fields))
        if "crippling" in values:   # written as its table: the section's data for the crippling check
            crippling = where.inner(f"[[{name}]] number {k + 1} crippling")
            values["crippling"] = crippling.build(StringerCheckData, **crippling.keys(values["crippling"],
                                                                              _init_fields(StringerCheckData)))
        if "pad_up" in values:
            values["pad_up"] = laminate_from(values["pad_up"], where.inner(f"[[{name}]] number {k + 1} pad_up"))
        out.append(where.build(Stiffener, **values))
    return tuple(out)


def _regions(place: _Place, items: Any) -> tuple[Region, ...]:
    if not isinstance(items, list):
        raise place.error(f"regions: an array of tables ([[regions]]) is needed, got {_kind(items)}")
    out = []
    for k, item in enumerate(items):
        where = place.inner(f"[[regions]] number {k + 1}")
        values = dict(where.keys(item, _init_fields(Region), ["y0", "y1", "laminate"]))
        values["laminate"] = laminate_from(values["laminate"], where.inner(f"[[regions]] number {k + 1} laminate"))
        out.append(where.build(Region, **values))
    return tuple(out)


def panel_from_dict(d: Any, source: str = "") -> tuple[Panel, dict[str, Any]]:
    """A Panel and the options (modes) from a parsed document; `source`
    (the file) is named in the messages."""
    top = _Place(source)
    top.keys(d, _init_fields(Panel) + list(OPTIONS), ["length", "width", "laminate"])  # vibration needs no loads
    values = {k: v for k, v in d.items() if k not in OPTIONS}
    values["laminate"] = laminate_from(d["laminate"], top.inner("[laminate]"))
    for name in ("loads", "mesh"):
        if name in d:
            where = top.inner(f"[{name}]")
            values[name] = where.build(_TABLES[name], **where.keys(d[name], _init_fields(_TABLES[name])))
    for name in ("stringers", "frames"):
        if name in d:
            values[name] = _stiffeners(top, name, d[name])
    if "regions" in d:
        values["regions"] = _regions(top, d["regions"])
    if "edges" in d:
        values["edges"] = top.inner("edges").build(Edges.parse, d["edges"])
    panel = top.build(Panel, **values)
    return panel, {"modes": d.get("modes", 5)}


def read_toml(path: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> dict[str, Any]:
    """The tables of a TOML file (a regular file of at most `max_bytes`);
    ValueError naming the file."""
    name = os.fsdecode(path)
    try:
        return tomllib.loads(read_bytes(path, max_bytes).decode("utf-8"))
    except tomllib.TOMLDecodeError as e:
        raise ValueError(f"{name}: not valid TOML: {e}") from None
    except RecursionError:
        raise ValueError(f"{name}: values nested too deeply") from None
    except UnicodeDecodeError as e:
        raise ValueError(f"{name}: not UTF-8 text ({e.reason} at byte {e.start})") from None


def load(path: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> tuple[Panel, dict[str, Any]]:
    """(Panel, options) from a TOML file (a regular file of at most `max_bytes`)."""
    return panel_from_dict(read_toml(path, max_bytes), os.fsdecode(path))


def from_toml(path: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> Panel:
    """The Panel of a TOML file (its analysis options, such as modes, are left out)."""
    return load(path, max_bytes)[0]


# ---- writing ---------------------------------------------------------------------

def _plain(value: Any) -> Any:
    """Numbers, strings, lists and tables only (what TOML and JSON hold)."""
    if dataclasses.is_dataclass(value):
        return _changed_fields(value)
    if isinstance(value, (tuple, list, np.ndarray)):
        return [_plain(v) for v in value]
    if isinstance(value, np.generic):
        return value.item()
    return value


def _changed_fields(obj: Any) -> dict[str, Any]:
    """The fields given when `obj` was built: those not at their default."""
    out = {}
    for f in dataclasses.fields(obj):
        value = getattr(obj, f.name)
        if not f.init or (f.default is not dataclasses.MISSING and _equal(value, f.default)):
            continue
        out[f.name] = _plain(value)
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


def panel_document(panel: Panel) -> dict[str, Any]:
    """The panel as the tables of its TOML file: what was given, with the
    laminate as its A, B, D matrices and flat directions left out."""
    document = {}
    for name, value in _changed_fields(panel).items():
        if name in ("rx", "ry", "rxy") and not math.isfinite(value):
            continue
        document[name] = value
    edges = [_edge_value(getattr(panel.edges, n)) for n in ("x0", "xl", "y0", "yl")]
    if any(e != edges[0] for e in edges):
        document["edges"] = dict(zip(("x0", "xl", "y0", "yl"), edges))
    elif edges[0] != "simply supported":
        document["edges"] = edges[0]
    else:
        document.pop("edges", None)
    document["laminate"] = _changed_fields(panel.laminate)
    return document


def _inline(value: Any) -> str:
    """A number or a (nested) array of numbers on one line, as TOML writes them."""
    if isinstance(value, list):
        return "[" + ", ".join(_inline(v) for v in value) + "]"
    return repr(value)   # Python's shortest round-trip form is TOML's too, inf and nan included


def to_toml(panel: Panel) -> str:
    """The panel's TOML text; Panel.from_toml reads it back to an equal panel.
    The laminate comes last, each matrix on one line."""
    import tomli_w
    document = panel_document(panel)
    laminate = document.pop("laminate")
    head = {k: document.pop(k) for k in ("title",) if k in document}
    return (tomli_w.dumps({**head, **document}) + "\n[laminate]\n"
            + "".join(f"{key} = {_inline(value)}\n" for key, value in laminate.items()))
