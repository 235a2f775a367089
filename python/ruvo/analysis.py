"""The analyses: buckling load factors and natural frequencies of a Panel.

Both run through the engine's typed entry, one call per analysis: no files
unless asked (`workdir`, `listing`), nothing printed, and safe to call from
several threads (the engine runs one analysis at a time).
"""
from __future__ import annotations

import math
import os
import warnings
from typing import Any, Iterable, overload

import numpy as np

import _ruvo

from . import engine
from .engine import AnalysisError
from .panel import Edge, Loads, Panel, UnitWarning, in_plane_supported, w_supported
from .results import BucklingResult, LoadCaseResults, StringerStrength, VibrationResult


# Densities of engineering materials, t/mm³ (foams above the lower bound,
# tungsten below the upper one); a density outside is warned of.
DENSITY_RANGE = (1e-11, 5e-8)


def _check(panel: Panel, modes: int) -> None:
    if not isinstance(panel, Panel):
        raise TypeError(f"a ruvo.Panel is needed, got {type(panel).__name__}")
    largest = int(engine.limits(engine.VARIANTS[-1]).p_ngrq)
    if isinstance(modes, bool) or not isinstance(modes, (int, np.integer)) or not 1 <= modes <= largest:
        raise ValueError(f"modes: {modes!r} must be a whole number in 1..{largest}")


def _uncoupled(panel: Panel) -> bool:
    """Whether W is uncoupled from the in-plane freedoms: a flat panel, a
    laminate without coupling B, stiffeners without coupling ES."""
    return (not panel.curved and not any(np.any(np.array(lam.B)) for lam in panel.laminates)
            and all(s.ES == 0.0 for s in panel.stringers + panel.frames))


@overload
def buckle(panel: Panel, modes: int = ..., workdir: str | os.PathLike[str] | None = ..., *, listing: bool = ...,
           load_cases: None = ...) -> BucklingResult: ...


@overload
def buckle(panel: Panel, modes: int = ..., workdir: str | os.PathLike[str] | None = ..., *, listing: bool = ...,
           load_cases: Iterable[Loads]) -> LoadCaseResults: ...


def buckle(panel: Panel, modes: int = 5, workdir: str | os.PathLike[str] | None = None, *, listing: bool = False,
           load_cases: Iterable[Loads] | None = None) -> BucklingResult | LoadCaseResults:
    """Buckling load factors and modes of `panel` (the `modes` smallest in
    magnitude, in the engine's order): a BucklingResult; with `load_cases`
    (a list of Loads, in place of the panel's) a LoadCaseResults with one
    BucklingResult per case. The stiffness is assembled, condensed and
    factorised once for all cases (again only for a case whose fixed loads
    differ from the case before); only the geometric stiffness and the
    eigensolution are per case, so the results equal separate calls.

    Sign convention: compression positive (the opposite of the common
    tension-positive convention); a negative load factor is for the reversed
    variable loads. `critical_load_factor` of the result is the smallest
    positive one.

    Parameters
    ----------
    workdir : path, optional
        The engine's files (listing "analysis.out") are written and kept there.
    listing : bool
        Keep the listing text in `result.listing` (written in a private
        temporary directory that is removed again) when no `workdir` is given.

    Raises
    ------
    ValueError
        The panel is not held against rigid-body motion, its loads (or a load
        case) have no variable part, or `modes` is out of range.
    AnalysisError
        The engine reported a failure (stage, code and its message lines).
    """
    _check(panel, modes)
    cases = None
    if load_cases is None:
        check_buckling_support(panel)
    else:
        cases = tuple(load_cases)
        if not cases or any(not isinstance(c, Loads) for c in cases):
            raise ValueError("load_cases: a non-empty list of ruvo.Loads is needed")
        for k, case in enumerate(cases):
            check_buckling_support(panel.replace(loads=case), f"load_cases[{k}]")
    variant, out, text = engine.run(panel, "buckling", modes, workdir=workdir, listing=listing, load_cases=cases)
    if cases is None:
        return _buckling_result(panel, variant, out, out["cases"][0], text)
    return LoadCaseResults(tuple(_buckling_result(panel.replace(loads=c), variant, out, case, text)
                                 for c, case in zip(cases, out["cases"])))


def check_buckling_support(panel: Panel, loads_name: str = "Panel.loads") -> None:
    """Refuses a panel that a buckling analysis cannot hold against
    rigid-body motion, or whose loads (`loads_name`) have nothing to scale."""
    if not panel.loads.variable().any():
        raise ValueError(f"{loads_name}: the variable load (Nx, Ny, Nxy) is zero; a buckling analysis has "
                         "nothing to scale (fixed loads alone: give them as the variable load)")
    if not w_supported(panel.edges, panel.length, panel.width):
        raise ValueError(f"Panel.edges: {_edge_words(panel)} leave the panel free to move as a rigid body "
                         "normal to its surface; a buckling analysis needs W held on two edges or one edge clamped")
    if "U" in panel.freedoms and not in_plane_supported(panel.edges, panel.length, panel.width, panel.curved):
        raise ValueError(f"Panel.edges: {_edge_words(panel)} leave the panel free to move in its plane; "
                         "hold U and V on the edges (for example 'simply supported') or use freedoms='W'")


def _value(v: float) -> float | None:
    return None if math.isnan(v) else float(v)


def _column_load(panel: Panel, case: dict[str, Any]) -> tuple[float | None, str]:
    """The column load of the stringers in load case `case`, or None with the reason."""
    data = panel.stringers[0].crippling
    if data is None or data.stringer_type != _ruvo.conventions.t_profile:
        return None, "the column load is estimated for T stringers only"
    skin = case["critical_skin_force"]
    if math.isnan(skin):
        return None, "no computed mode buckles under the applied loads (no positive load factor)"
    if not skin > 0.0:
        return None, f"no axial compression in the critical mode (the skin's Nx is {skin:.6g})"
    load = _value(case["global_load"])
    if load is None:
        return None, (f"no column stress after {case['global_passes']} passes: the stringer with its effective "
                      f"skin is too slender for the length {panel.length:g} (beyond the Johnson parabola)")
    if not case["global_converged"]:
        return None, f"the effective skin width did not converge after {case['global_passes']} passes"
    return load, ""


def _strength(panel: Panel, out: dict[str, Any], case: dict[str, Any]) -> StringerStrength | None:
    """The stringers' local buckling and column loads, or None without stringers."""
    if not panel.stringers:
        return None
    local = out["crippling"]
    web = _value(local["force"])
    if web is None:
        return StringerStrength()
    column, why = _column_load(panel, case)
    return StringerStrength(web_local_buckling_force=web, web_local_buckling_stress=_value(local["stress"]),
                            chord_local_buckling_force=_value(local["chord_force"]), column_load=column,
                            column_converged=bool(case["global_converged"]), note="", column_note=why)


def no_positive_below(case: dict[str, Any], text: str = "") -> float | None:
    """The engine's bound below which a load case has no positive load
    factor (None when it has one); AnalysisError when the search beyond the
    modes asked did not settle."""
    critical = case["critical"]
    if critical["outcome"] == "not converged":
        modes = len(case["eigenvalues"])
        raise AnalysisError("INCS3", f"none of the {modes} load factors computed is positive, and the search for "
                            f"the smallest positive one did not converge after {critical['products']} Lanczos "
                            "steps; ask for more modes", text)
    return float(critical["bound"]) if critical["outcome"] == "none below bound" else None


def _buckling_result(panel: Panel, variant: str, out: dict[str, Any], case: dict[str, Any],
                     text: str) -> BucklingResult:
    forces = case["forces"]
    return BucklingResult(panel=panel, variant=variant, eigenvalues=case["eigenvalues"], eigenvectors=case["w"],
                          freedoms=out["w_freedoms"].astype(np.int64), listing=text, stdout="\n".join(out["messages"]),
                          membrane_forces=forces[:, :3], stiffener_forces=forces[:, 3:],
                          stringer_strength=_strength(panel, out, case),
                          no_positive_below=no_positive_below(case, text))


def _edge_words(panel: Panel) -> str:
    def word(edge: Edge) -> str:
        if edge.kind != "conditions":
            return edge.kind
        return "+".join(edge.held) + " held" if edge.held else "free"
    return "the edges (" + ", ".join(f"{n} {word(getattr(panel.edges, n))}" for n in ("x0", "xl", "y0", "yl")) + ")"


def _mass_per_area(panel: Panel, density: float | None, mass_per_area: float | None) -> float:
    if (density is None) == (mass_per_area is None):
        raise ValueError("vibrate: give either density (mass per unit volume, with the laminate's thickness) "
                         "or mass_per_area")
    value: Any   # as given (anything a caller passes), then as a float
    if mass_per_area is not None:
        value, name = mass_per_area, "mass_per_area"
    else:
        value, name = density, "density"
    try:
        value = float(value)
    except (TypeError, ValueError):
        raise ValueError(f"{name}: {value!r} is not a number") from None
    if not (math.isfinite(value) and value > 0):
        raise ValueError(f"{name}: {value!r} must be positive and finite")
    if mass_per_area is not None:
        return _engine_mass(value, name)
    if not DENSITY_RANGE[0] <= value <= DENSITY_RANGE[1]:
        warnings.warn(f"density: {value:g} lies outside {DENSITY_RANGE[0]:g}..{DENSITY_RANGE[1]:g} t/mm³, the "
                      "range of engineering materials (aluminium 2.7e-9, steel 7.85e-9 t/mm³); is it in "
                      "kg/mm³, kg/m³ or g/cm³?", UnitWarning, stacklevel=3)
    if panel.laminate.thickness is None:
        raise ValueError("density: the laminate has no thickness (built from matrices); give mass_per_area "
                         "or Laminate.from_matrices(..., thickness=...)")
    mass = value * panel.laminate.thickness
    if not (math.isfinite(mass) and mass > 0):
        raise ValueError(f"density: {value} times the thickness {panel.laminate.thickness} is no mass per area")
    return _engine_mass(mass, "density")


def _engine_mass(mass: float, name: str) -> float:
    """The mass per area as the engine's 32-bit float: refused where it
    rounds to zero or infinity."""
    engine_mass = float(np.float32(mass)) if abs(mass) < 3.4e38 else math.inf
    if not (math.isfinite(engine_mass) and engine_mass > 0):
        raise ValueError(f"{name}: a mass per area of {mass:g} is beyond the engine's 32-bit floats "
                         "(about 1e-38..3e38); choose other units")
    return mass


def vibration_options(panel: Panel, density: float | None, mass_per_area: float | None) -> dict[str, Any]:
    """The engine's options of a vibration analysis of `panel`: the skin's
    mass per area, W alone for a panel free in its plane whose freedoms are
    uncoupled, a spectral shift for one free to move normal to its surface."""
    mass = _mass_per_area(panel, density, mass_per_area)
    freedoms, shift = None, 0.0
    if "U" in panel.freedoms and not in_plane_supported(panel.edges, panel.length, panel.width, panel.curved):
        if not _uncoupled(panel):
            raise ValueError(f"Panel.edges: {_edge_words(panel)} leave the panel free to move in its plane, "
                             "and its in-plane and normal freedoms are coupled (curvature, B or ES); hold U and "
                             "V on an edge")
        freedoms = panel.freedoms.replace("UV", "")  # exact when nothing couples W to U, V
    if not w_supported(panel.edges, panel.length, panel.width):
        shift = engine.rigid_body_shift(panel, mass)
    return dict(mass_per_area=mass, freedoms=freedoms, shift=shift)


def vibrate(panel: Panel, density: float | None = None, modes: int = 5,
            workdir: str | os.PathLike[str] | None = None, *,
            mass_per_area: float | None = None, listing: bool = False) -> VibrationResult:
    """Natural frequencies (Hz) and modes of `panel`.

    Parameters
    ----------
    density : float
        Mass per unit volume of the skin (t/mm³ with N and mm): times the
        laminate's thickness, the skin's mass per unit area. A UnitWarning
        outside 1e-11..5e-8 t/mm³ (aluminium is 2.7e-9).
    mass_per_area : float
        Instead of `density`: the skin's mass per unit area.
    workdir, listing
        As for `buckle`.

    Stiffener masses are their `mass` per unit length. The membrane forces
    of the panel's loads do not enter (a panel needs none). A panel free to
    move as a rigid body (all edges free, say) is solved with a spectral
    shift: its rigid-body modes come out near 0 Hz, then the elastic ones;
    `result.rigid_body_modes` counts them and `result.elastic_frequencies`
    leaves them out.

    Raises
    ------
    ValueError
        A mass that is not positive, or `modes` out of range.
    AnalysisError
        The engine reported a failure.
    """
    _check(panel, modes)
    options = vibration_options(panel, density, mass_per_area)
    variant, out, text = engine.run(panel, "vibration", modes, workdir=workdir, listing=listing, **options)
    return VibrationResult(panel=panel, variant=variant, eigenvalues=out["eigenvalues"], eigenvectors=out["w"],
                           freedoms=out["w_freedoms"].astype(np.int64), listing=text, stdout="\n".join(out["messages"]))
