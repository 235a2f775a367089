"""Sweep results as table rows: one per design (and load case), the design's
parameters first, then status, error text and the results that matter in
sizing."""
from __future__ import annotations

from typing import TYPE_CHECKING, Any, Sequence

from .results import BucklingResult, LoadCaseResults, StringerStrength, VibrationResult
from .toml_panel import panel_document

if TYPE_CHECKING:
    from .panel import Panel


def flatten(document: dict[str, Any] | list[Any], prefix: str = "") -> dict[str, Any]:
    """{dotted key: value} of a nested document; array items numbered from 1."""
    items = document.items() if isinstance(document, dict) else enumerate(document, 1)
    out = {}
    for key, value in items:
        name = f"{prefix}{key}"
        if isinstance(value, (dict, list)):
            out.update(flatten(value, name + "."))
        else:
            out[name] = value
    return out


def varying_inputs(panels: Sequence[Panel]) -> list[dict[str, Any]]:
    """Per panel, the inputs that differ between the panels (the title always)."""
    flat = [flatten(panel_document(p)) for p in panels]
    keys = list(dict.fromkeys(k for f in flat for k in f))
    varying = [k for k in keys if k == "title" or len({f.get(k) for f in flat}) > 1]
    return [{k: f.get(k) for k in varying} for f in flat]


def stringer_columns(strength: StringerStrength | None) -> dict[str, Any]:
    """The stringer checks' values and the reason a column load is missing (none without stringers)."""
    if strength is None:
        return {}
    return {name: getattr(strength, name) for name in ("web_local_buckling_force", "web_local_buckling_stress",
                                                       "chord_local_buckling_force", "column_load", "column_note")}


def result_rows(result: BucklingResult | VibrationResult | LoadCaseResults) -> list[dict[str, Any]]:
    """The columns of one analysis, one mapping per load case (a single one
    for a result without load cases): the critical load factor and its mode
    (numbered from 1), whether it buckles and, when not, the bound below
    which it has no positive load factor, with the stringer checks of a
    panel with stringers, or the natural frequencies in Hz; with load cases
    the case (numbered from 0, as `cases`) and whether it governs."""
    if isinstance(result, BucklingResult):
        return [{"critical_load_factor": result.critical_load_factor,
                 "critical_mode": result.critical_mode, "buckles": result.buckles,
                 "no_positive_below": result.no_positive_below, **stringer_columns(result.stringer_strength)}]
    if isinstance(result, LoadCaseResults):
        return [{"load_case": k, "governing": k == result.governing, **result_rows(case)[0]}
                for k, case in enumerate(result.cases)]
    if isinstance(result, VibrationResult):
        return [{f"frequency_{k}": f for k, f in enumerate(result.frequencies.tolist(), 1)}]
    raise TypeError(f"no table columns for {type(result).__name__}")


def rows(outcomes: Sequence[Any], panels: Sequence[Panel],
         parameters: Sequence[dict[str, Any]] | None = None) -> list[dict[str, Any]]:
    """Table rows of a sweep's outcomes (results or exceptions) in input
    order: one per design and load case."""
    parameters = parameters if parameters is not None else varying_inputs(panels)
    out = []
    for index, (outcome, design) in enumerate(zip(outcomes, parameters)):
        row = {"design": index, **design}
        if isinstance(outcome, BaseException):
            out.append(dict(row, status="failed", error=" ".join(f"{type(outcome).__name__}: {outcome}".split())))
        else:
            out += [dict(row, status="ok", error="", **columns) for columns in result_rows(outcome)]
    return out
