"""The analyses: buckling load factors and natural frequencies of a Panel."""
from __future__ import annotations

from pathlib import Path

import numpy as np

import _ruvo

from . import engine
from .engine import AnalysisError
from .panel import Panel
from .results import BucklingResult, VibrationResult


def _check(panel, modes):
    if not isinstance(panel, Panel):
        raise TypeError(f"a ruvo.Panel is needed, got {type(panel).__name__}")
    if isinstance(modes, bool) or not isinstance(modes, (int, np.integer)) or not 1 <= modes <= 50:
        raise ValueError(f"modes: {modes!r} must be a whole number in 1..50")
    return engine.variant_for(panel)


def _call(stage, routine, *args, **kwargs):
    """A routine call whose refusal by the module surface becomes an AnalysisError."""
    try:
        routine(*args, **kwargs)
    except _ruvo.__ruvo_error as e:
        raise AnalysisError(stage, str(e)) from None


def _modal_parts(variant, panel, modes_found):
    """Eigenvalues, W eigenvectors and the node freedom table of the last run."""
    view = engine.results_view(variant)
    ix = int(_ruvo.man.ix)
    eigenvalues = np.array(view["elam"][:modes_found])
    eigenvectors = np.array(view["x"][:ix, :modes_found])
    freedoms = engine.node_freedoms(variant, len(panel.x_lengths) + 1, len(panel.y_lengths) + 1)
    return eigenvalues, eigenvectors, freedoms, view


def buckle(panel: Panel, modes: int = 5, workdir=None) -> BucklingResult:
    """Buckling load factors and modes of `panel` (the smallest `modes`).

    Runs in a private temporary directory unless `workdir` names one (the
    engine's files are then kept there). Raises AnalysisError with the
    engine's message block when the engine reports a failure.
    """
    variant = _check(panel, modes)
    with engine.session(workdir) as run:
        engine.prepare(variant, panel)
        engine.mark(run)
        _call("RUVOMAIN", engine.routines(variant).ruvomain, **engine.ruvomain_arguments(variant, panel, modes))
        listing = engine.read_text(engine.PROJECT + ".out")
        eigenvalues, eigenvectors, freedoms, view = _modal_parts(variant, panel, int(_ruvo.man.neigrq))
        forces = np.array(view["membraneforces"][:len(eigenvalues)])
    fault = engine.failure(listing, run["stdout"])
    if fault is not None:
        raise AnalysisError(*fault, listing)
    if not (np.isfinite(eigenvalues).all() and eigenvalues.any()):
        raise AnalysisError("INCS3", "no eigenvalues came out of the solution", listing)
    return BucklingResult(panel=panel, variant=variant, eigenvalues=eigenvalues, eigenvectors=eigenvectors,
                          freedoms=freedoms, listing=listing, stdout=run["stdout"],
                          membrane_forces=forces[:, :3], stiffener_forces=forces[:, 3:])


def _masses_group(density, panel):
    """The namelist group "inert" of the engine's input file: skin and stiffener masses."""
    def values(items):
        return ", ".join(f"{float(s.mass):.9g}" for s in items) or "0.0"
    return (f"&inert dom = {float(density):.9g}, domx = {values(panel.stringers)}, "
            f"domy = {values(panel.frames)} /\n")


def vibrate(panel: Panel, density: float, modes: int = 5, workdir=None) -> VibrationResult:
    """Natural frequencies (Hz) and modes of `panel` with skin mass `density`
    per unit area (stiffener masses from their `mass` per unit length).

    The engine's sequence: the data input, freedom numbering, level vectors
    and element terms of a run with vibration requested (masses read from
    the namelist group "inert"), then the vibration data echo `prtvib`, the
    assembly `vibs2` and the solution `vibs3`. The membrane forces of the
    panel's loads do not enter. Raises AnalysisError when the engine reports
    a failure.
    """
    variant = _check(panel, modes)
    if not (np.isfinite(density) and density > 0):
        raise ValueError(f"density: {density!r} must be a positive mass per unit area")
    p = engine.routines(variant)
    with engine.session(workdir) as run:
        Path("fort.8").write_text(_masses_group(density, panel))
        engine.prepare(variant, panel, vibration=True)
        engine.mark(run)
        _call("RUVOMAIN", p.ruvomain, **engine.ruvomain_arguments(variant, panel, modes, buckling=False))
        listing = engine.read_text(engine.PROJECT + ".out")
        packed = panel.laminate.packed()
        zeros = np.zeros(6, np.float32)
        _call("PRTVIB", p.prtvib, packed[0:6], packed[12:18], packed[6:12], zeros, zeros, zeros, zeros[:3])
        _call("VIBS2", p.vibs2, 0)
        _call("VIBS3", p.vibs3, int(_ruvo.man.iy), np.zeros((6, 1), np.float32), np.zeros((6, 1), np.float32),
              np.zeros((6, 1), np.float32), 0.0, 0.0, 0.0, 0.0, 0)
        listing += engine.read_text("fort.9")   # the listing unit after the run closed the listing
        eigenvalues, eigenvectors, freedoms, _ = _modal_parts(variant, panel, int(_ruvo.man.neigrq))
    fault = engine.failure(listing, run["stdout"])
    if fault is None:
        stage = next((s for s in ("VIBS2", "VIBS3") if f"SUBROUTINE {s}" in run["stdout"]), None)
        fault = (stage, engine.failure(listing, "")[1]) if stage else None
    if fault is not None:
        raise AnalysisError(*fault, listing)
    return VibrationResult(panel=panel, variant=variant, eigenvalues=eigenvalues, eigenvectors=eigenvectors,
                           freedoms=freedoms, listing=listing, stdout=run["stdout"])
