"""The analyses: buckling load factors and natural frequencies of a Panel."""
from __future__ import annotations

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


def vibrate(panel: Panel, density: float, modes: int = 5, workdir=None) -> VibrationResult:
    """Natural frequencies (Hz) and modes of `panel` with skin mass `density`
    per unit area (stiffener masses from their `mass` per unit length)."""
    variant = _check(panel, modes)
    missing = [name for name in ("vibs2", "vibs3") if not hasattr(engine.routines(variant), name)]
    needed = (f"the engine's vibration solution ({', '.join(missing)})" if missing
              else "its driver here (masses through the namelist group inert, then prtvib, vibs2, vibs3)")
    raise NotImplementedError(f"ruvo.vibrate is not available yet: it needs {needed}")
