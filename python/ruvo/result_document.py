"""Results as archivable JSON documents: the panel's inputs, the units, the
sign convention, the package and schema versions, and every number under a
name. The results' `to_json` writes them and `ruvo.load` reads them back.
It works on the results' fields alone, so the result classes use it at
their own import."""
from __future__ import annotations

import dataclasses
import json
import math
from typing import Any, Sequence

import numpy as np

from . import __version__
from .document import SCHEMA_VERSION, panel_document

SCHEMA = "ruvo result"
UNITS = {
    "system": "any consistent set, the panel's own (for example N, mm, t, s: moduli in MPa, masses in t)",
    "length": "L, the unit of the panel's lengths",
    "membrane_force": "force per unit length, F/L",
    "stiffener_force": "force, F",
    "load_factor": "dimensionless: the multiple of the variable loads",
    "eigenvalue": "buckling: the load factor; vibration: the circular frequency squared, 1/s²",
    "frequency": "Hz",
}
SIGN_CONVENTION = ("membrane forces Nx, Ny positive in compression, Nxy counted with the same sign "
                   "(the opposite of the tension-positive convention); a negative load factor is for the "
                   "reversed variable loads")
FORCES = ("Nx", "Nxy", "Ny")
STIFFENER_FORCES = ("stringer", "frame")
W_EQUATIONS_ABOUT = ("equation number of W and its slopes in each mode's eigenvector "
                     "(0: held; slopes divided by pi/length, pi/width)")


def _named(names: Sequence[str], values: Sequence[Any]) -> dict[str, Any]:
    return dict(zip(names, values))


def header(analysis: str) -> dict[str, Any]:
    """What every result document begins with: schema, versions, analysis, units, signs."""
    return {"schema": SCHEMA, "schema_version": SCHEMA_VERSION, "ruvo_version": __version__,
            "analysis": analysis, "units": UNITS, "sign_convention": SIGN_CONVENTION}


def number(value: float) -> float | str:
    """A float JSON holds: an infinity or nan as its text ("inf", "-inf", "nan")."""
    value = float(value)
    return value if math.isfinite(value) else str(value)


def numbers(values: np.ndarray) -> Any:
    """An array as nested lists, infinities and nan as their texts."""
    array = np.asarray(values, float)
    if np.isfinite(array).all():
        return array.tolist()
    return np.vectorize(number, otypes=[object])(array).tolist()


def _modal(result: Any, analysis: str, record: Any) -> dict[str, Any]:
    """The parts of buckling and vibration alike; `record(k)` the values of mode k + 1 ahead of its shape."""
    return {
        **header(analysis),
        "panel": panel_document(result.panel),
        "grid": {"x": result.x.tolist(), "y": result.y.tolist()},
        "modes": [{"mode": k + 1, **record(k),
                   "w_nodes": {"axes": ["y_line", "x_line"], "values": result.w_nodes[k].tolist()},
                   "eigenvector": result.eigenvectors[:, k].tolist()} for k in range(result.modes)],
        "w_equations": {"axes": ["y_line", "x_line", "y_derivative", "x_derivative"], "about": W_EQUATIONS_ABOUT,
                        "values": result.freedoms.tolist()},
        "listing": result.listing,
        "engine_output": result.stdout,
    }


def buckling(result: Any) -> dict[str, Any]:
    """A BucklingResult as a JSON-ready document."""
    def record(k: int) -> dict[str, Any]:
        return {"load_factor": float(result.eigenvalues[k]),
                "critical_forces": _named(FORCES, result.critical_forces[k].tolist()),
                "membrane_forces": _named(FORCES, result.membrane_forces[k].tolist()),
                "stiffener_forces": _named(STIFFENER_FORCES, result.stiffener_forces[k].tolist())}
    doc = _modal(result, "buckling", record)
    bound, strength = result.no_positive_below, result.stringer_strength
    doc["critical"] = {"buckles": result.buckles, "mode": result.critical_mode,
                       "load_factor": result.critical_load_factor if result.buckles else None,
                       "no_positive_below": None if bound is None else number(bound),
                       "no_buckling_reason": result.no_buckling_reason}
    doc["stringer_strength"] = None if strength is None else dataclasses.asdict(strength)
    doc["margins"] = _margins(result)
    return doc


def _margins(result: Any) -> dict[str, Any]:
    """The margins table at factor 1 (ultimate loads): its conventions and
    rows; a skipped check's reserve factor and margin null, no failure "inf"."""
    table = result.margins()
    rows = [{k: None if isinstance(v, float) and math.isnan(v) else "inf" if v == math.inf else v
             for k, v in row.items()} for row in table.to_dict("records")]
    return {**table.attrs, "rows": rows}


def vibration(result: Any) -> dict[str, Any]:
    """A VibrationResult as a JSON-ready document."""
    return _modal(result, "vibration", lambda k: {"eigenvalue": float(result.eigenvalues[k]),
                                                  "frequency": float(result.frequencies[k])})


def load_cases(result: Any) -> dict[str, Any]:
    """A LoadCaseResults as a JSON-ready document: each case a buckling document."""
    return {**header("load cases"), "governing_index": result.governing_index,
            "cases": [buckling(case) for case in result.cases]}


def gradient(result: Any) -> dict[str, Any]:
    """A GradientResult as a JSON-ready document."""
    return {**header("gradient"), "quantity": result.quantity, "value": number(result.value), "mode": result.mode,
            "gradient": numbers(result.gradient), "values": numbers(result.values),
            "gradients": numbers(result.gradients),
            "clusters": [{"modes": list(c.modes), "kind": c.kind, "derivatives": numbers(c.derivatives)}
                         for c in result.clusters],
            "steps": numbers(result.steps), "assemblies": result.assemblies}


def to_json(document: dict[str, Any], **kwargs: Any) -> str:
    """A document as JSON text; kwargs go to json.dumps (indent=1)."""
    return json.dumps(document, allow_nan=False, **kwargs)
