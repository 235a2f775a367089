"""Designs files for sweeps: a base panel and the parameters to vary, as
lists, ranges or a CSV of design points."""
from __future__ import annotations

import copy
import csv
import dataclasses
import itertools
import os
import tomllib
from pathlib import Path
from typing import TYPE_CHECKING, Any

import numpy as np

from .toml_panel import _Place, panel_from_dict

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
_ANALYSES = ("buckle", "vibrate")


@dataclasses.dataclass(frozen=True)
class Plan:
    """The designs of a designs file: panels, their parameters, the analysis."""
    panels: list[Panel]
    parameters: list[dict[str, Any]]
    kind: str
    options: dict[str, Any]


def _read_toml(path: str | os.PathLike[str], place: _Place) -> dict[str, Any]:
    try:
        with open(path, "rb") as f:
            return tomllib.load(f)
    except tomllib.TOMLDecodeError as e:
        raise place.error(f"not valid TOML: {e}") from None
    except RecursionError:
        raise place.error("values nested too deeply") from None


def _values(place: _Place, name: str, given: Any) -> list[Any]:
    """A parameter's values: a list, or a range {start, stop, num}."""
    if isinstance(given, list) and given:
        return given
    if isinstance(given, dict):
        place.keys(given, ["start", "stop", "num"], ["start", "stop", "num"])
        if not isinstance(given["num"], int) or given["num"] < 1:
            raise place.error(f"{name}: num = {given['num']!r} must be a whole number from 1")
        return np.linspace(given["start"], given["stop"], given["num"]).tolist()
    raise place.error(f"{name}: a list of values or {{ start = ..., stop = ..., num = ... }} is needed")


def _cell(text: str) -> float | str:
    try:
        return float(text)
    except ValueError:
        return text


def _points(path: str | os.PathLike[str], place: _Place) -> list[dict[str, float | str]]:
    try:
        with open(path, newline="") as f:
            rows = list(csv.DictReader(f))
    except OSError as e:
        raise place.error(f"points: {path}: {e.strerror}") from None
    if not rows:
        raise place.error(f"points: {path} holds no design points")
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


def load(path: str | os.PathLike[str]) -> Plan:
    """The Plan of a designs file; ValueError naming the file, the table and
    the key (or the design) at fault."""
    path = Path(path)
    place = _Place(str(path))
    d = place.keys(_read_toml(path, place), _KEYS, ["base"])
    base = d["base"]
    if isinstance(base, str):
        base_path = path.parent / base
        if not base_path.is_file():
            raise place.error(f"base: {base_path}: no such file")
        base = _read_toml(base_path, _Place(str(base_path)))
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
    axes = [[{k: v} for v in _values(place.inner("[vary]"), k, given)] for k, given in vary.items()]
    if "points" in d:
        axes.insert(0, _points(path.parent / d["points"], place))
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
