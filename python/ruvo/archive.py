"""Reading results back from their JSON (`result.to_json()`): buckling,
vibration, load-case and gradient results, of any schema version this
package reads (1, the released 1.0 format, and 2), to equal results.
Outside files are data: read as JSON only, their sizes checked against
the panel's grid before any array is made."""
from __future__ import annotations

import json
import os
from typing import Any, Union

import numpy as np

from . import engine
from .document import Place, schema_version
from .files import MAX_BYTES, check_depth, read_text
from .gradient import Cluster, GradientResult
from .panel import Panel
from .result_document import FORCES, SCHEMA, STIFFENER_FORCES
from .results import RENAMED_STRENGTH_FIELDS, BucklingResult, LoadCaseResults, StringerStrength, VibrationResult

Result = Union[BucklingResult, VibrationResult, LoadCaseResults, GradientResult]
_MODAL = {"buckling": BucklingResult, "vibration": VibrationResult}
MAX_MODES = int(engine.limits(engine.VARIANTS[-1]).p_ngrq) + 1   # those asked and a positive one beyond


def from_document(doc: Any, source: str = "JSON") -> Result:
    """The result a document describes; ValueError naming what is wrong."""
    if not isinstance(doc, dict) or doc.get("schema") != SCHEMA:
        raise ValueError(f"{source}: not a ruvo result (no \"schema\": \"{SCHEMA}\")")
    if "schema_version" not in doc:
        raise ValueError(f"{source}: schema_version missing")
    schema_version(doc, Place(source))
    analysis = doc.get("analysis")
    if analysis == "load cases":
        return _load_cases(doc, source)
    if analysis == "gradient":
        return _gradient(doc, source)
    if analysis not in _MODAL:
        raise ValueError(f"{source}: analysis {analysis!r} is none of buckling, vibration, load cases, gradient")
    return _modal(doc, source)


def _load_cases(doc: dict[str, Any], source: str) -> LoadCaseResults:
    cases = doc.get("cases")
    if not isinstance(cases, list) or not cases:
        raise ValueError(f"{source}: cases: a non-empty list of buckling results is needed")
    results = []
    for k, case in enumerate(cases):
        result = from_document(case, f"{source} case {k}")
        if not isinstance(result, BucklingResult):
            raise ValueError(f"{source} case {k}: a buckling result is needed, got a {type(result).__name__}")
        results.append(result)
    return LoadCaseResults(tuple(results))


def _gradient(doc: dict[str, Any], source: str) -> GradientResult:
    try:
        values = _numbers(doc["values"], "values")
        modes = len(values)
        gradient = _numbers(doc["gradient"], "gradient")
        clusters = tuple(Cluster(modes=tuple(_whole(m, "clusters: modes") for m in c["modes"]), kind=_text(c["kind"], "clusters: kind"),
                                 derivatives=_numbers(c["derivatives"], "clusters: derivatives"))
                         for c in _list(doc["clusters"], "clusters"))
        return GradientResult(quantity=_text(doc["quantity"], "quantity"), value=_number(doc["value"], "value"),
                              mode=_whole(doc["mode"], "mode"), gradient=gradient, values=values,
                              gradients=_numbers(doc["gradients"], "gradients", (modes, len(gradient))),
                              clusters=clusters, steps=_numbers(doc["steps"], "steps", gradient.shape),
                              assemblies=_whole(doc["assemblies"], "assemblies"))
    except KeyError as e:
        raise ValueError(f"{source}: the field {e.args[0]!r} is missing") from None
    except (TypeError, ValueError) as e:
        raise ValueError(f"{source}: {e}") from None


def _modal(doc: dict[str, Any], source: str) -> BucklingResult | VibrationResult:
    try:
        cls = _MODAL[doc["analysis"]]
        panel, _ = Panel.from_document(doc["panel"], f"{source}: panel")
        modes = doc["modes"]
        if not isinstance(modes, list) or len(modes) > MAX_MODES:
            raise ValueError(f"modes: a list of at most {MAX_MODES} modes is needed (the engine's most)")
        eigenvectors = _numbers([m["eigenvector"] for m in modes], "modes: eigenvectors").T
        freedoms = _equations(doc["w_equations"]["values"], panel)
        _check_vectors(eigenvectors, freedoms, len(modes))
        fields: dict[str, Any] = dict(
            panel=panel, variant=engine.variant_for(panel), eigenvectors=eigenvectors, freedoms=freedoms,
            eigenvalues=_numbers([m["load_factor" if cls is BucklingResult else "eigenvalue"] for m in modes],
                                 "modes: eigenvalues", (len(modes),)),
            listing=_text(doc["listing"], "listing"), stdout=_text(doc["engine_output"], "engine_output"))
        if cls is BucklingResult:
            fields.update(membrane_forces=_numbers([[m["membrane_forces"][n] for n in FORCES] for m in modes],
                                                   "modes: membrane_forces", (len(modes), 3)),
                          stiffener_forces=_numbers([[m["stiffener_forces"][n] for n in STIFFENER_FORCES]
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
    return None if value is None else _number(value, "critical: no_positive_below")


_TEXTS = ("inf", "-inf", "nan")   # how a document writes the floats JSON has no number for


def _is_number(value: Any) -> bool:
    return (isinstance(value, (int, float)) and not isinstance(value, bool)) or value in _TEXTS


def _number(value: Any, what: str) -> float:
    if not _is_number(value):
        raise ValueError(f"{what}: {value!r} is not a number")
    return float(value)


def _whole(value: Any, what: str) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise ValueError(f"{what}: {value!r} is not a whole number")
    return value


def _list(value: Any, what: str) -> list[Any]:
    if not isinstance(value, list):
        raise ValueError(f"{what}: a list is needed, got {type(value).__name__}")
    return value


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
    refused with ValueError).

    Returns
    -------
    BucklingResult, VibrationResult, LoadCaseResults or GradientResult, or a list of them

    Examples
    --------
    >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
    >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
    >>> result = ruvo.buckle(panel, modes=2)
    >>> ruvo.load(result.to_json()) == result
    True
    """
    if isinstance(source, str) and source.lstrip("\ufeff \t\r\n").startswith(("{", "[")):
        text, name = source.lstrip("\ufeff"), "JSON text"
    else:
        name, text = os.fsdecode(source), read_text(source, max_bytes, "utf-8-sig")
    try:
        doc = json.loads(text)
    except json.JSONDecodeError as e:
        raise ValueError(f"{name}: not valid JSON: {e}") from None
    except RecursionError:
        raise ValueError(f"{name}: values nested too deeply") from None
    check_depth(doc, name)
    if isinstance(doc, list):
        return [from_document(d, f"{name} item {k + 1}") for k, d in enumerate(doc)]
    return from_document(doc, name)
