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
from pathlib import Path
from typing import TYPE_CHECKING, Any

import numpy as np

from .files import MAX_BYTES, read_bytes
from .toml_panel import _Place, panel_from_dict, read_toml

if TYPE_CHECKING:
    from .panel import Panel

EXAMPLE = '''\
base = "panel.toml"        # the base panel: a panel file (beside this one), or a [base] table
analysis = "buckle"        # or "vibrate" with density = ...
modes = 3
# points = "points.csv"    # design points: one row per design, columns named like the keys below

[vary]                     # keys of the panel file, dotted into its tables; every combination is a design
width = [500.0, 600.0]
"loads.Nx" = { start = 1.0, stop = 2.0, num = 3 }   # num values from start to stop
"stringers.EI" = [1.0e9, 2.0e9]                     # every stringer ("stringers.2.EI": the second only)
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


def _count(place: _Place, name: str, given: Any) -> int:
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
    """A parameter's values (checked by _count)."""
    if isinstance(given, list):
        return given
    return np.linspace(given["start"], given["stop"], given["num"]).tolist()


def _cell(text: str) -> float | str:
    try:
        return float(text)
    except ValueError:
        return text


def _points(path: str | os.PathLike[str], place: _Place, max_bytes: int) -> list[dict[str, float | str]]:
    try:
        text = read_bytes(path, max_bytes).decode("utf-8")
    except OSError as e:
        raise place.error(f"points: {path}: {e.strerror}") from None
    except (ValueError, UnicodeDecodeError) as e:
        raise place.error(f"points: {e}") from None
    rows = list(csv.DictReader(io.StringIO(text, newline="")))
    if not rows:
        raise place.error(f"points: {path} holds no design points")
    for number, row in enumerate(rows, 2):   # DictReader: surplus values under None, missing ones None
        if None in row or None in row.values():
            raise place.error(f"points: {path} row {number}: not one value for each column of the header")
    return [{k: _cell(v) for k, v in row.items()} for row in rows]


def set_value(document: dict[str, Any], key: str, value: Any) -> None:
    """Sets a dotted key of a panel document: tables by name, array items by
    number from 1, every item of an array when no number is given."""
    def walk(node: Any, parts: list[str]) -> None:
        head, rest = parts[0], parts[1:]
        if isinstance(node, list):
            if head.isdigit():
                if not 1 <= int(head) <= len(node):
                    raise ValueError(f"{key}: item {head} of {len(node)}")
                walk(node[int(head) - 1], rest)
            else:
                for item in node:
                    walk(item, parts)
        elif not isinstance(node, dict):
            raise ValueError(f"{key}: {node!r} is not a table")
        elif not rest:
            node[head] = value
        else:
            walk(node.setdefault(head, {}), rest)
    walk(document, key.split("."))


def load(path: str | os.PathLike[str], max_designs: int = MAX_DESIGNS, max_bytes: int = MAX_BYTES) -> Plan:
    """The Plan of a designs file; ValueError naming the file, the table and
    the key (or the design) at fault. The files read (this one, the base
    panel, the points) are regular files of at most `max_bytes`; more than
    `max_designs` designs are refused, counted before any is made."""
    path = Path(path)
    place = _Place(str(path))
    d = place.keys(read_toml(path, max_bytes), _KEYS, ["base"])
    base = d["base"]
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
    for index, design in enumerate(parameters):
        document = copy.deepcopy(base)
        named = f"{path}: design {index} ({', '.join(f'{k} = {v!r}' for k, v in design.items())})"
        for key, value in design.items():
            _Place(named).build(set_value, document, key, value)
        panels.append(panel_from_dict(document, named)[0])
    modes = d.get("modes", base.get("modes", 5))
    analysis_options = {"modes": modes, **({"density": d["density"]} if kind == "vibrate" else {})}
    return Plan(panels, parameters, kind, analysis_options)
