"""Designs files for sweeps: a base panel and the parameters to vary, as
lists, ranges or a CSV of design points."""
from __future__ import annotations

import copy
import csv
import dataclasses
import io
import itertools
import math
import os
import re
from pathlib import Path
from typing import Any, cast

import numpy as np

from .document import COLLECTIONS, Place
from .files import MAX_BYTES, read_bytes
from .panel import Panel
from .toml_panel import read_toml

EXAMPLE = '''\
base = "panel.toml"        # the base panel: a panel file (beside this one), or a [base] table;
                           # without it each row of the points is a complete panel
analysis = "buckle"        # or "vibrate" with density = ...
modes = 3
# points = "points.csv"    # or points.xlsx: one row per design, columns named by paths as below

[vary]                     # fields by their paths in the panel file; every combination is a design
width = [500.0, 600.0]
"loads.Nx" = { start = 1.0, stop = 2.0, num = 3 }   # num values from start to stop
"stringers.section.height" = [25.0, 30.0]           # the section every stringer names
"skin.plies[3].angle" = [0.0, 15.0]                 # ply row 3 of the laminate named skin
"skin.plies[4].count" = [2, 3]                      # its number of repeated plies
"sections.T.foot_width" = [30.0, 40.0]              # a section by its name
'''
_KEYS = ["base", "analysis", "modes", "density", "points", "vary"]
MAX_DESIGNS = 100_000   # designs of one file at most: counted before any is made
_ANALYSES = ("buckle", "vibrate")


@dataclasses.dataclass(frozen=True)
class Plan:
    """The designs of a designs file: panels, their parameters, the analysis."""
    panels: list[Panel]
    parameters: list[dict[str, Any]]
    kind: str
    options: dict[str, Any]


def _count(place: Place, name: str, given: Any) -> int:
    """How many values a parameter takes: a list's length, or a range's num."""
    if isinstance(given, list) and given:
        return len(given)
    if isinstance(given, dict):
        place.keys(given, ["start", "stop", "num"], ["start", "stop", "num"])
        num = given["num"]
        if isinstance(num, bool) or not isinstance(num, int) or num < 1:
            raise place.error(f"{name}: num = {num!r} must be a whole number from 1")
        for end in ("start", "stop"):
            if isinstance(given[end], bool) or not isinstance(given[end], (int, float)):
                raise place.error(f"{name}: {end} = {given[end]!r} is not a number")
        return num
    raise place.error(f"{name}: a list of values or {{ start = ..., stop = ..., num = ... }} is needed")


def _values(given: Any) -> list[Any]:
    """A parameter's values (checked by _count); a range of whole numbers
    (a ply count) gives whole numbers."""
    if isinstance(given, list):
        return given
    values = np.linspace(given["start"], given["stop"], given["num"]).tolist()
    whole = all(isinstance(given[end], int) for end in ("start", "stop")) and all(v == round(v) for v in values)
    return [round(v) for v in values] if whole else values


def _cell(text: str) -> int | float | str:
    """A CSV cell: a whole number, a number, or the text."""
    for kind in (int, float):
        try:
            return kind(text)
        except ValueError:
            pass
    return text


def _points(path: Path, place: Place, max_bytes: int) -> list[dict[str, Any]]:
    """The design points of a CSV file or an Excel workbook (.xlsx, its first
    sheet): a header row of paths, then one row per design."""
    try:
        data = read_bytes(path, max_bytes)
    except OSError as e:
        raise place.error(f"points: {path}: {e.strerror}") from None
    except ValueError as e:
        raise place.error(f"points: {e}") from None
    rows = _sheet_rows(data, path, place) if path.suffix.lower() == ".xlsx" else _csv_rows(data, path, place)
    if len(rows) < 2:
        raise place.error(f"points: {path} holds no design points")
    header = rows[0]
    if any(not isinstance(h, str) or not h for h in header) or len(set(header)) != len(header):
        raise place.error(f"points: {path}: the first row names each column once, by its path ({header!r})")
    for number, row in enumerate(rows[1:], 2):
        if len(row) != len(header) or any(v is None or v == "" for v in row):
            raise place.error(f"points: {path} row {number}: not one value for each column of the header")
    return [dict(zip(header, row)) for row in rows[1:]]


def _csv_rows(data: bytes, path: Path, place: Place) -> list[list[Any]]:
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError as e:
        raise place.error(f"points: {path}: not UTF-8 text ({e.reason} at byte {e.start})") from None
    rows = [row for row in csv.reader(io.StringIO(text, newline="")) if row]
    return rows[:1] + [[_cell(v) for v in row] for row in rows[1:]]


def _sheet_rows(data: bytes, path: Path, place: Place) -> list[list[Any]]:
    """The values of the first sheet (no formulas evaluated: their cached values, as the file holds them)."""
    import openpyxl  # type: ignore[import]   # only for workbooks: Debian's python3-openpyxl
    try:
        book = openpyxl.load_workbook(io.BytesIO(data), read_only=True, data_only=True)
    except Exception as e:   # a damaged or foreign file: zip, XML and openpyxl's own errors
        raise place.error(f"points: {path}: not an Excel workbook ({type(e).__name__}: {e})") from None
    try:
        sheet = book.worksheets[0]
        if (sheet.max_row or 0) * (sheet.max_column or 0) > MAX_CELLS:
            raise place.error(f"points: {path}: more than {MAX_CELLS} cells")
        rows = [list(row) for row in sheet.iter_rows(values_only=True) if any(v is not None for v in row)]
    finally:
        book.close()
    return rows


MAX_CELLS = 1_000_000   # cells of a sheet of design points at most, checked before its rows are read


_SEGMENT = re.compile(r"([A-Za-z_][A-Za-z0-9_]*)?((?:\[\d+\])*)")
_PLY_NAMES = {"thickness": 0, "angle": 1, "count": 2}


def _segments(key: str) -> list[str | int]:
    """A path's steps: names, and item numbers (from 1) as ints; `plies[3]`
    and `plies.3` alike."""
    steps: list[str | int] = []
    for part in key.split("."):
        match = _SEGMENT.fullmatch(part)
        if part.isdigit():
            steps.append(int(part))
        elif match and part:
            if match.group(1):
                steps.append(match.group(1))
            steps += [int(n) for n in re.findall(r"\d+", match.group(2))]
        else:
            raise ValueError(f"{key}: {part!r} is neither a name nor an item number such as plies[3]")
    return steps


def _named(document: dict[str, Any], name: str) -> dict[str, Any] | None:
    """The shared object of that name in the document's collections, or None."""
    for collection in COLLECTIONS:
        table = document.get(collection)
        if isinstance(table, dict) and isinstance(table.get(name), dict):
            return cast("dict[str, Any]", table[name])
    return None


def set_value(document: dict[str, Any], key: str, value: Any) -> None:
    """Sets the field at path `key` of a panel document: tables by name,
    array items by number from 1 (`stringers[2]`, or `stringers.2`), every
    item of an array when no number is given; a name of a shared object
    (a material, laminate or section) is followed to the object, so
    `stringers.section.height` sets the height of the stringers' section and
    `skin.plies[3].angle` the angle of the third ply row of the laminate
    named skin. A ply row [thickness, angle, count] takes those three names."""
    def walk(node: Any, steps: list[str | int]) -> None:
        head, rest = steps[0], steps[1:]
        if isinstance(node, str) and _named(document, node) is not None:
            walk(_named(document, node), steps)
        elif isinstance(node, list) and isinstance(head, int):
            if not 1 <= head <= len(node):
                raise ValueError(f"{key}: no item {head}, there are {len(node)}")
            if rest:
                walk(node[head - 1], rest)
            else:
                node[head - 1] = value
        elif isinstance(node, list) and head in _PLY_NAMES and all(isinstance(v, (int, float)) for v in node):
            _set_ply(node, _PLY_NAMES[str(head)])
        elif isinstance(node, list):
            for item in node:
                walk(item, steps)
        elif not isinstance(node, dict) or isinstance(head, int):
            raise ValueError(f"{key}: {node!r} has no {'item' if isinstance(head, int) else 'field'} {head}")
        elif not rest:
            node[head] = value
        elif head not in node and node is document and _named(document, head) is not None:
            walk(_named(document, head), rest)
        else:
            walk(node.setdefault(head, {}), rest)

    def _set_ply(row: list[Any], index: int) -> None:
        if index == 2 and len(row) == 1:
            row.append(0.0)
        if index == 2 and len(row) == 2:
            row.append(1)
        if index >= len(row):
            raise ValueError(f"{key}: the ply {row!r} has no angle")
        row[index] = value
    walk(document, _segments(key))


def load(path: str | os.PathLike[str], max_designs: int = MAX_DESIGNS, max_bytes: int = MAX_BYTES) -> Plan:
    """The Plan of a designs file; ValueError naming the file, the table and
    the key (or the design) at fault. The files read (this one, the base
    panel, the points) are regular files of at most `max_bytes`; more than
    `max_designs` designs are refused, counted before any is made."""
    path = Path(path)
    place = Place(str(path))
    d = place.keys(read_toml(path, max_bytes), _KEYS)
    if "base" not in d and "points" not in d:
        raise place.error("base missing (a panel file or a [base] table; without one, a points sheet of "
                          "complete panels, a column per path)")
    base = d.get("base", {})   # without a base, each row of the points is a whole panel
    if isinstance(base, str):
        base_path = path.parent / base
        if not base_path.is_file():
            raise place.error(f"base: {base_path}: no such file")
        base = read_toml(base_path, max_bytes)
    elif not isinstance(base, dict):
        raise place.error("base: a panel file name or a [base] table is needed")
    kind = d.get("analysis", "buckle")
    if kind not in _ANALYSES:
        raise place.error(f"analysis: {kind!r} must be 'buckle' or 'vibrate'")
    if kind == "vibrate" and "density" not in d:
        raise place.error("density missing (vibrate needs the skin's mass per unit area)")
    vary = d.get("vary", {})
    if not isinstance(vary, dict):
        raise place.error("vary: a [vary] table is needed")
    counts = [_count(place.inner("[vary]"), k, given) for k, given in vary.items()]
    if math.prod(counts) > max_designs:
        raise place.error(f"vary: {math.prod(counts)} designs, more than max_designs = {max_designs}")
    axes = [[{k: v} for v in _values(given)] for k, given in vary.items()]
    if "points" in d:
        if not isinstance(d["points"], str):
            raise place.error("points: a CSV file name is needed")
        axes.insert(0, _points(path.parent / d["points"], place, max_bytes))
        if len(axes[0]) * math.prod(counts) > max_designs:
            raise place.error(f"{len(axes[0]) * math.prod(counts)} designs (points times [vary]), more than "
                              f"max_designs = {max_designs}")
    parameters = [dict(p for part in combination for p in part.items()) for combination in itertools.product(*axes)]
    panels = []
    cases = None
    for index, design in enumerate(parameters):
        document = copy.deepcopy(base)
        named = f"{path}: design {index} ({', '.join(f'{k} = {v!r}' for k, v in design.items())})"
        for key, value in design.items():
            Place(named).build(set_value, document, key, value)
        panel, options = Panel.from_document(document, named)
        panels.append(panel)
        if index and options.get("load_cases") != cases:
            raise place.error(f"design {index}: its load cases differ from the first design's; a sweep runs one "
                              "set of load cases (vary loads.Nx ... or sweep each set)")
        cases = options.get("load_cases")
    modes = d.get("modes", base.get("modes", 5))
    analysis_options = {"modes": modes, **({"density": d["density"]} if kind == "vibrate" else {})}
    if cases is not None:
        if kind == "vibrate":
            raise place.error("base: load cases are for buckling; a vibration sweep takes none")
        analysis_options["load_cases"] = cases
    return Plan(panels, parameters, kind, analysis_options)
