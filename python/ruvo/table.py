"""Results as table rows: one per design (and load case), the design's
varied fields first by their paths in the panel document, then status,
error text and the results that matter in sizing. Works on the results'
fields alone, so the result classes use it at their own import."""
from __future__ import annotations

import json
from typing import TYPE_CHECKING, Any, Sequence

from .document import panel_document

if TYPE_CHECKING:
    import pandas

    from .panel import Panel

# Columns of whole numbers that a failed design leaves empty: nullable integers in a frame.
WHOLE_COLUMNS = ("design", "load_case", "critical_mode", "mode", "governing_case")


def flatten(document: dict[str, Any] | list[Any], prefix: str = "") -> dict[str, Any]:
    """{path: value} of a nested document, paths as a designs file writes
    them (`stringers[2].position`, items numbered from 1); an array of
    values (plies, a matrix, positions) is one value, as JSON text."""
    out = {}
    items = document.items() if isinstance(document, dict) else ((f"[{k}]", v) for k, v in enumerate(document, 1))
    for key, value in items:
        name = f"{prefix}{key}" if key.startswith("[") or not prefix else f"{prefix}.{key}"
        if isinstance(value, dict) or (isinstance(value, list) and value and isinstance(value[0], dict)):
            out.update(flatten(value, name))
        else:
            out[name] = json.dumps(value) if isinstance(value, list) else value
    return out


def varying_inputs(panels: Sequence[Panel]) -> list[dict[str, Any]]:
    """Per panel, the fields of its document that differ between the panels
    (the title always), by their paths."""
    flat = [flatten(panel_document(p)) for p in panels]
    keys = list(dict.fromkeys(k for f in flat for k in f))
    varying = [k for k in keys if k == "title" or len({f.get(k) for f in flat}) > 1]
    return [{k: f.get(k) for k in varying} for f in flat]


def stringer_columns(strength: Any) -> dict[str, Any]:
    """The stringer checks' values and the reason a column load is missing (none without stringers)."""
    if strength is None:
        return {}
    return {name: getattr(strength, name) for name in ("web_local_buckling_force", "web_local_buckling_stress",
                                                       "chord_local_buckling_force", "column_load", "column_note")}


def buckling_rows(result: Any) -> list[dict[str, Any]]:
    """The critical load factor and its mode (numbered from 1), whether it
    buckles and, when not, the bound below which it has no positive load
    factor, with the stringer checks of a panel with stringers."""
    return [{"critical_load_factor": result.critical_load_factor, "critical_mode": result.critical_mode,
             "buckles": result.buckles, "no_positive_below": result.no_positive_below,
             **stringer_columns(result.stringer_strength)}]


def vibration_rows(result: Any) -> list[dict[str, Any]]:
    """The natural frequencies in Hz."""
    return [{f"frequency_{k}": f for k, f in enumerate(result.frequencies.tolist(), 1)}]


def load_case_rows(result: Any) -> list[dict[str, Any]]:
    """One row per load case: the case (numbered from 0, as `cases`), its
    loads, whether it governs and its buckling columns."""
    governing = result.governing_index
    return [{"load_case": k, **{f"loads.{name}": value for name, value in vars(case.panel.loads).items()},
             "governing": k == governing, **case._table_rows()[0]} for k, case in enumerate(result.cases)]


def gradient_rows(result: Any) -> list[dict[str, Any]]:
    """One row per mode: its value and the derivative by each design variable."""
    return [{"mode": k + 1, "critical": k + 1 == result.mode, "value": float(value),
             **{f"d_x[{i}]": float(d) for i, d in enumerate(derivatives)}}
            for k, (value, derivatives) in enumerate(zip(result.values, result.gradients))]


def rows(outcomes: Sequence[Any], panels: Sequence[Panel], parameters: Sequence[dict[str, Any]] | None = None,
         designs: Sequence[int] | None = None) -> list[dict[str, Any]]:
    """Table rows of a sweep's outcomes (results or exceptions) in input
    order: one per design and load case; `designs` their numbers (default
    0, 1, ...)."""
    parameters = parameters if parameters is not None else varying_inputs(panels)
    out = []
    for index, outcome, design in zip(designs if designs is not None else range(len(outcomes)), outcomes, parameters):
        row = {"design": index, **design}
        if isinstance(outcome, BaseException):
            out.append(dict(row, status="failed", error=" ".join(f"{type(outcome).__name__}: {outcome}".split())))
        else:
            out += [dict(row, status="ok", error="", **columns) for columns in outcome._table_rows()]
    return out


def frame(table_rows: Sequence[dict[str, Any]]) -> pandas.DataFrame:
    """A pandas DataFrame of rows; a whole-number column with empty cells
    (a failed design's critical mode) is of nullable integers, not floats."""
    import pandas   # only when a frame is asked for: the package runs without pandas
    result = pandas.DataFrame(list(table_rows))
    for name in WHOLE_COLUMNS:
        if name in result.columns and result[name].isna().any():
            result[name] = result[name].astype("Int64")
    return result
