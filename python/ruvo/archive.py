"""Results as archivable JSON: the panel's inputs, the units, the sign
convention, the package and schema versions, and every number under a name;
`load` reads it back to an equal result."""
from __future__ import annotations

import dataclasses
import json
import math
import os
from typing import Any, Sequence, Union

import numpy as np

from . import engine
from .files import MAX_BYTES, read_bytes
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
                "stringer_strength": None if strength is None else dataclasses.asdict(strength),
                "margins": _margins(result)}
    return {}


def _margins(result: BucklingResult) -> dict[str, Any]:
    """The margins table at factor 1 (ultimate loads): its conventions and
    rows; a skipped check's reserve factor and margin null, no failure "inf"."""
    table = result.margins()
    rows = [{k: None if isinstance(v, float) and math.isnan(v) else "inf" if v == math.inf else v
             for k, v in row.items()} for row in table.to_dict("records")]
    return {**table.attrs, "rows": rows}


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
    version = doc.get("schema_version")
    if isinstance(version, bool) or version != SCHEMA_VERSION:
        raise ValueError(f"{source}: schema version {doc.get('schema_version')!r}; this ruvo reads "
                         f"version {SCHEMA_VERSION}")
    try:
        cls = _ANALYSES[doc["analysis"]]
        panel, _ = panel_from_dict(doc["panel"], f"{source}: panel")
        modes = doc["modes"]
        if not isinstance(modes, list):
            raise ValueError("modes: a list of modes is needed")
        eigenvectors = _numbers([m["eigenvector"] for m in modes], "modes: eigenvectors").T
        freedoms = _equations(doc["w_equations"]["values"], panel)
        _check_vectors(eigenvectors, freedoms, len(modes))
        fields: dict[str, Any] = dict(
            panel=panel, variant=engine.variant_for(panel), eigenvectors=eigenvectors, freedoms=freedoms,
            eigenvalues=_numbers([m["load_factor" if cls is BucklingResult else "eigenvalue"] for m in modes],
                                 "modes: eigenvalues", (len(modes),)),
            listing=_text(doc["listing"], "listing"), stdout=_text(doc["engine_output"], "engine_output"))
        if cls is BucklingResult:
            fields.update(membrane_forces=_numbers([[m["membrane_forces"][n] for n in _FORCES] for m in modes],
                                                   "modes: membrane_forces", (len(modes), 3)),
                          stiffener_forces=_numbers([[m["stiffener_forces"][n] for n in _STIFFENER_FORCES]
                                                     for m in modes], "modes: stiffener_forces", (len(modes), 2)),
                          stringer_strength=_strength(doc.get("stringer_strength")),
                          no_positive_below=_bound(doc.get("critical", {}).get("no_positive_below")))
    except KeyError as e:
        raise ValueError(f"{source}: the field {e.args[0]!r} is missing") from None
    except (TypeError, ValueError) as e:
        text = str(e)   # the panel's messages name the source already
        raise ValueError(text if text.startswith(f"{source}:") else f"{source}: {text}") from None
    return cls(**fields)


def _bound(value: float | str | None) -> float | None:
    return None if value is None else float(value)


def _is_number(value: Any) -> bool:
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def _numbers(values: list[Any], what: str, shape: tuple[int, ...] | None = None) -> np.ndarray:
    """JSON numbers (not texts, not true or false) as a float array of `shape`
    (None: any rectangular shape)."""
    def check(v: Any) -> None:
        if isinstance(v, list):
            for item in v:
                check(item)
        elif not _is_number(v):
            raise ValueError(f"{what}: {v!r} is not a number")
    check(values)
    try:
        array = np.array(values, float)
    except ValueError:
        raise ValueError(f"{what}: rows of different lengths") from None
    if shape is not None and array.shape != shape:
        raise ValueError(f"{what}: {array.shape} values where {shape} belong")
    return array


def _equations(values: Any, panel: Any) -> np.ndarray:
    """The W equation numbers: whole numbers from 0, one set per node of the panel's grid."""
    grid = (len(panel.y_lengths) + 1, len(panel.x_lengths) + 1, 2, 2)
    numbers = _numbers(values, "w_equations", grid)
    if (numbers < 0).any() or (numbers != np.floor(numbers)).any():
        raise ValueError("w_equations: equation numbers are whole numbers from 0")
    return numbers.astype(np.int64)


def _check_vectors(vectors: np.ndarray, equations: np.ndarray, modes: int) -> None:
    """One eigenvector per mode, as long as the W equations number."""
    length = int(equations.max(initial=0))
    if modes and vectors.shape != (length, modes):
        raise ValueError(f"modes: eigenvectors of {vectors.shape[0] if vectors.ndim == 2 else 'varying'} "
                         f"values for {length} W equations")


def _text(value: Any, what: str) -> str:
    if not isinstance(value, str):
        raise ValueError(f"{what}: a text is needed, got {type(value).__name__}")
    return value


def _strength(fields: dict[str, Any] | None) -> StringerStrength | None:
    """The stringer strength of a document; older ones name the fields as
    RENAMED_STRENGTH_FIELDS's keys."""
    if fields is None:
        return None
    return StringerStrength(**{RENAMED_STRENGTH_FIELDS.get(k, k): v for k, v in fields.items()})


def load(source: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> Result | list[Result]:
    """A result from its JSON (`result.to_json()`): a path, or the JSON text
    itself; a JSON array gives a list of results. A path must name a regular
    file of at most `max_bytes` (a FIFO, a device or a longer file is
    refused with ValueError)."""
    if isinstance(source, str) and source.lstrip("\ufeff \t\r\n").startswith(("{", "[")):
        text, name = source.lstrip("\ufeff"), "JSON text"
    else:
        name = os.fsdecode(source)
        try:
            text = read_bytes(source, max_bytes).decode("utf-8-sig")
        except UnicodeDecodeError as e:
            raise ValueError(f"{name}: not UTF-8 text ({e.reason} at byte {e.start})") from None
    try:
        doc = json.loads(text)
    except json.JSONDecodeError as e:
        raise ValueError(f"{name}: not valid JSON: {e}") from None
    except RecursionError:
        raise ValueError(f"{name}: values nested too deeply") from None
    if isinstance(doc, list):
        return [from_document(d, f"{name} item {k + 1}") for k, d in enumerate(doc)]
    return from_document(doc, name)
