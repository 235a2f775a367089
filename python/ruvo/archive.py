"""Results as archivable JSON: the panel's inputs, the units, the sign
convention, the package and schema versions, and every number under a name;
`load` reads it back to an equal result."""
from __future__ import annotations

import dataclasses
import json
import math
import os
from typing import Any, Sequence, Union
from pathlib import Path

import numpy as np

from . import engine
from .results import RENAMED_STRENGTH_FIELDS, BucklingResult, StringerStrength, VibrationResult
from .toml_panel import panel_document, panel_from_dict

Result = Union[BucklingResult, VibrationResult]
SCHEMA = "ruvo result"
SCHEMA_VERSION = 1
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
_FORCES = ("Nx", "Nxy", "Ny")
_STIFFENER_FORCES = ("stringer", "frame")
_ANALYSES: dict[str, type[Result]] = {"buckling": BucklingResult, "vibration": VibrationResult}


def _named(names: Sequence[str], values: Sequence[Any]) -> dict[str, Any]:
    return dict(zip(names, values))


def _mode_record(result: Result, k: int) -> dict[str, Any]:
    record: dict[str, Any] = {"mode": k + 1}
    if isinstance(result, BucklingResult):
        record.update(load_factor=float(result.eigenvalues[k]),
                      critical_forces=_named(_FORCES, result.critical_forces[k].tolist()),
                      membrane_forces=_named(_FORCES, result.membrane_forces[k].tolist()),
                      stiffener_forces=_named(_STIFFENER_FORCES, result.stiffener_forces[k].tolist()))
    else:
        record.update(eigenvalue=float(result.eigenvalues[k]), frequency=float(result.frequencies[k]))
    record["w_nodes"] = {"axes": ["y_line", "x_line"], "values": result.w_nodes[k].tolist()}
    record["eigenvector"] = result.eigenvectors[:, k].tolist()
    return record


def _summary(result: Result) -> dict[str, Any]:
    if isinstance(result, BucklingResult):
        strength = result.stringer_strength
        bound = result.no_positive_below
        return {"critical": {"buckles": result.buckles, "mode": result.critical_mode,
                             "load_factor": result.critical_load_factor if result.buckles else None,
                             "no_positive_below": None if bound is None else str(bound) if math.isinf(bound) else bound,
                             "no_buckling_reason": result.no_buckling_reason},
                "stringer_strength": None if strength is None else dataclasses.asdict(strength)}
    return {}


def document(result: Result) -> dict[str, Any]:
    """The result as a JSON-ready document."""
    from . import __version__
    analysis = next(name for name, cls in _ANALYSES.items() if isinstance(result, cls))
    return {
        "schema": SCHEMA, "schema_version": SCHEMA_VERSION, "ruvo_version": __version__,
        "analysis": analysis, "units": UNITS, "sign_convention": SIGN_CONVENTION,
        "panel": panel_document(result.panel),
        **_summary(result),
        "grid": {"x": result.x.tolist(), "y": result.y.tolist()},
        "modes": [_mode_record(result, k) for k in range(result.modes)],
        "w_equations": {"axes": ["y_line", "x_line", "y_derivative", "x_derivative"],
                        "about": "equation number of W and its slopes in each mode's eigenvector "
                                 "(0: held; slopes divided by pi/length, pi/width)",
                        "values": result.freedoms.tolist()},
        "listing": result.listing,
        "engine_output": result.stdout,
    }


def to_json(result: Result, **kwargs: Any) -> str:
    return json.dumps(document(result), allow_nan=False, **kwargs)


def from_document(doc: Any, source: str = "JSON") -> Result:
    """The result a document describes; ValueError naming what is wrong."""
    if not isinstance(doc, dict) or doc.get("schema") != SCHEMA:
        raise ValueError(f"{source}: not a ruvo result (no \"schema\": \"{SCHEMA}\")")
    if doc.get("schema_version") != SCHEMA_VERSION:
        raise ValueError(f"{source}: schema version {doc.get('schema_version')!r}; this ruvo reads "
                         f"version {SCHEMA_VERSION}")
    try:
        cls = _ANALYSES[doc["analysis"]]
        panel, _ = panel_from_dict(doc["panel"], f"{source}: panel")
        modes = doc["modes"]
        fields = dict(panel=panel, variant=engine.variant_for(panel),
                      eigenvalues=np.array([m["load_factor" if cls is BucklingResult else "eigenvalue"]
                                            for m in modes], float),
                      eigenvectors=np.array([m["eigenvector"] for m in modes], float).T,
                      freedoms=np.array(doc["w_equations"]["values"], np.int64),
                      listing=doc["listing"], stdout=doc["engine_output"])
        if cls is BucklingResult:
            fields.update(membrane_forces=np.array([[m["membrane_forces"][n] for n in _FORCES] for m in modes]),
                          stiffener_forces=np.array([[m["stiffener_forces"][n] for n in _STIFFENER_FORCES]
                                                     for m in modes]),
                          stringer_strength=_strength(doc.get("stringer_strength")),
                          no_positive_below=_bound(doc.get("critical", {}).get("no_positive_below")))
    except KeyError as e:
        raise ValueError(f"{source}: the field {e.args[0]!r} is missing") from None
    except (TypeError, ValueError) as e:
        raise ValueError(f"{source}: {e}") from None
    return cls(**fields)


def _bound(value: float | str | None) -> float | None:
    return None if value is None else float(value)


def _strength(fields: dict[str, Any] | None) -> StringerStrength | None:
    """The stringer strength of a document; older ones name the fields as
    RENAMED_STRENGTH_FIELDS's keys."""
    if fields is None:
        return None
    return StringerStrength(**{RENAMED_STRENGTH_FIELDS.get(k, k): v for k, v in fields.items()})


def load(source: str | os.PathLike[str]) -> Result | list[Result]:
    """A result from its JSON (`result.to_json()`): a path, or the JSON text
    itself; a JSON array gives a list of results."""
    if isinstance(source, str) and source.lstrip().startswith(("{", "[")):
        text, name = source, "JSON text"
    else:
        text, name = Path(source).read_text(encoding="utf-8"), str(source)
    try:
        doc = json.loads(text)
    except json.JSONDecodeError as e:
        raise ValueError(f"{name}: not valid JSON: {e}") from None
    except RecursionError:
        raise ValueError(f"{name}: values nested too deeply") from None
    if isinstance(doc, list):
        return [from_document(d, f"{name} item {k + 1}") for k, d in enumerate(doc)]
    return from_document(doc, name)
