"""Panels as TOML files: the document model of `document` read with the
standard library's tomllib and written as a drawing reads, shared
materials, laminates and sections once, each array on one line.

A mistake in a file is a ValueError that names the file, the table, the key,
the valid keys and the closest spelling.
"""
from __future__ import annotations

import json
import math
import os
import re
import tomllib
from typing import TYPE_CHECKING, Any

from .document import panel_document
from .files import MAX_BYTES, check_depth, read_text

if TYPE_CHECKING:
    from .panel import Panel

EXAMPLE = '''\
schema_version = 2
title = "Stiffened plate under compression"
length = 600.0            # along x
width = 400.0             # along y
edges = "simply supported"   # or a table: { x0 = "clamped", yl = "free", all = ... }
laminate = "skin"         # a name in [laminates]
modes = 3
# ry = 1500.0             # radii rx, ry, rxy (omitted: flat); skew_x, skew_y in degrees

[loads]                   # per unit length, positive in compression (buckling only)
Nx = 1.0                  # Nx, Ny, Nxy: multiplied by the load factor
# fixed_Ny = -10.0        # fixed_Nx, fixed_Ny, fixed_Nxy: carried as they are
# running = true          # the running loads of skin and stiffeners together
# ([[load_cases]] tables of the same keys instead: buckling under each case)

[mesh]                    # nx, ny element counts, or size, or x, y lengths
size = 25.0

[materials.IM7]           # a ply material; an isotropic wall material is E, nu
E1 = 161000.0
E2 = 11380.0
nu12 = 0.32
G12 = 5170.0

[laminates.skin]          # plies from the bottom: [thickness, angle, count]; or E, nu, t; or A, B, D
material = "IM7"
plies = [[0.125, 45.0], [0.125, -45.0], [0.125, 0.0, 2], [0.125, -45.0], [0.125, 45.0]]

[sections.T]              # Blade, T, L, I, Z or Hat by its dimensions; walls a thickness or a laminate
shape = "T"
material = { E = 70000.0, nu = 0.33 }
height = 30.0
web = 2.0
foot_width = 30.0
foot = 2.0

[[stringers]]             # along x at y positions (frames: along y at x positions)
section = "T"             # or EA, ES, EI, GJ, mass
position = [100.0, 200.0, 300.0]
# side = "front"          # on the skin's front (positive W) side; pad_up = "a laminate", pad_width;
# footprint = false       # a hat as one beam, without its feet and web lines
'''



def read_toml_text(text: str, name: str) -> dict[str, Any]:
    """The tables of a TOML text; ValueError naming `name` (the file)."""
    try:
        document = tomllib.loads(text)
    except tomllib.TOMLDecodeError as e:
        raise ValueError(f"{name}: not valid TOML: {e}") from None
    except RecursionError:
        raise ValueError(f"{name}: values nested too deeply") from None
    check_depth(document, name)
    return document


def read_toml(path: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> dict[str, Any]:
    """The tables of a TOML file (a regular file of at most `max_bytes`);
    ValueError naming the file."""
    return read_toml_text(read_text(path, max_bytes), os.fsdecode(path))


def parsed(source: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> tuple[dict[str, Any], str]:
    """(the document, its name for the messages) of a TOML file, or of the
    TOML text itself: a str with a line break (no file name has one). A
    file is a regular file of at most `max_bytes`."""
    if isinstance(source, str) and "\n" in source:
        if len(source) > max_bytes:
            raise ValueError(f"TOML text: longer than max_bytes = {max_bytes} bytes")
        return read_toml_text(source, "TOML text"), "TOML text"
    return read_toml(source, max_bytes), os.fsdecode(source)


# ---- writing ---------------------------------------------------------------------

_BARE_KEY = re.compile(r"[A-Za-z0-9_-]+")


def _key(name: str) -> str:
    return name if _BARE_KEY.fullmatch(name) else json.dumps(name)


def _value(value: Any) -> str:
    """A value on one line: arrays and tables inline."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, str):
        return json.dumps(value)   # a TOML basic string: JSON's escapes are TOML's
    if isinstance(value, float):
        return repr(value) if math.isfinite(value) else ("inf" if value > 0 else "-inf" if value < 0 else "nan")
    if isinstance(value, int):
        return str(value)
    if isinstance(value, list):
        return "[" + ", ".join(_value(v) for v in value) + "]"
    if isinstance(value, dict):
        return "{ " + ", ".join(f"{_key(k)} = {_value(v)}" for k, v in value.items()) + " }"
    raise TypeError(f"no TOML value for {value!r}")


def _table(header: str, table: dict[str, Any]) -> str:
    return f"\n{header}\n" + "".join(f"{_key(k)} = {_value(v)}\n" for k, v in table.items())


def document_text(document: dict[str, Any]) -> str:
    """A panel document as TOML: its values, then a table per table, the
    collections' members as [materials.NAME] ..., the stiffeners and regions
    as arrays of tables."""
    lines = "".join(f"{_key(k)} = {_value(v)}\n" for k, v in document.items()
                    if not isinstance(v, dict) and not (isinstance(v, list) and v and isinstance(v[0], dict)))
    for name, value in document.items():
        if isinstance(value, dict) and name in ("materials", "laminates", "sections"):
            lines += "".join(_table(f"[{name}.{_key(k)}]", v) for k, v in value.items())
        elif isinstance(value, dict):
            lines += _table(f"[{name}]", value)
        elif isinstance(value, list) and value and isinstance(value[0], dict):
            lines += "".join(_table(f"[[{name}]]", item) for item in value)
    return lines


def to_toml(panel: Panel, options: dict[str, Any] | None = None) -> str:
    """The panel's TOML text (with the analysis `options` modes and
    load_cases when given); Panel.from_toml reads it back to an equal panel."""
    return document_text(panel_document(panel, options))
