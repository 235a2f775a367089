"""Running one analysis of a Panel on the engine `_ruvo`.

The engine keeps one model state per process and writes its files into the
working directory; a run here happens in a private temporary directory (or
the one the caller names), with the engine's standard output captured, and
leaves the caller's directory as it was.
"""
from __future__ import annotations

import contextlib
import os
import re
import shutil
import sys
import tempfile
from pathlib import Path

import numpy as np

import _ruvo

from .panel import FLAT, Panel

VARIANTS = ("19", "21", "25", "31")
PROJECT = "analysis"          # the listing is "analysis.out"
PRIMING = "ruvoload"          # the listing of the run that stores laminate and loads
FINISHED = "Buckling/Vibration analysis finished"
STOPPED = "MAIN PROGRAM:   EXECUTION STOPPED."
_FUNCTIONS = {"WUV": [1, 2, 3, 0, 0], "W": [1, 0, 0, 0, 0]}


class AnalysisError(RuntimeError):
    """The engine reported a failure: `stage` names the failing routine,
    `message` holds its message block, `listing` the whole listing."""

    def __init__(self, stage, message, listing=""):
        super().__init__(stage, message, listing)
        self.stage, self.message, self.listing = stage, message, listing

    def __str__(self):
        return f"analysis failed in {self.stage}:\n{self.message}"


def variant_for(panel: Panel) -> str:
    """The smallest size variant whose grid and stiffener tables hold the panel."""
    lines = max(len(panel.x_lengths), len(panel.y_lengths)) + 1
    stiffeners = max(len(panel.stringers), len(panel.frames))
    for suffix in VARIANTS:
        c = getattr(_ruvo, "ruvo" + suffix)
        if lines <= c.p_rtnds and stiffeners <= c.p_stf:
            return suffix
    raise ValueError(f"Panel: {lines} node lines and {stiffeners} stiffeners per direction exceed every size "
                     f"variant (at most {_ruvo.ruvo31.p_rtnds} lines, {_ruvo.ruvo31.p_stf} stiffeners)")


@contextlib.contextmanager
def session(workdir=None):
    """Runs the body in `workdir` (kept) or a temporary directory (removed),
    with file descriptor 1 captured; yields a dict whose "stdout" holds the
    engine's standard output afterwards, from the last `mark` on."""
    keep = workdir is not None
    path = Path(workdir).resolve() if keep else Path(tempfile.mkdtemp(prefix="ruvo-"))
    path.mkdir(parents=True, exist_ok=True)
    here = os.getcwd()
    captured = {"dir": path, "stdout": "", "since": 0}
    sys.stdout.flush()
    saved = os.dup(1)
    with tempfile.TemporaryFile() as out:
        os.dup2(out.fileno(), 1)
        try:
            os.chdir(path)
            yield captured
        finally:
            os.chdir(here)
            os.dup2(saved, 1)
            os.close(saved)
            out.seek(captured["since"])
            captured["stdout"] = out.read().decode("ascii", "replace")
            if not keep:
                shutil.rmtree(path, ignore_errors=True)


def mark(captured):
    """Standard output from here on is the run's own."""
    captured["since"] = os.lseek(1, 0, os.SEEK_CUR)


def routines(variant):
    return getattr(_ruvo, "prtnds" + variant)


def _radius(r):
    return float(np.sign(r) * FLAT) if abs(r) >= FLAT else r


def store_laminate_and_loads(variant, panel):
    """Stores the skin laminate, the membrane forces and the functional
    freedoms in the model state. Only the stiffened-panel entry `callruvo`
    sets them; with vibration requested beside the buckling it sets, the
    analysis stops at the type check, so nothing else runs. With every row of
    the largest grid in use, each node gets the uniform forces."""
    c = getattr(_ruvo, "ruvo" + variant)
    rows, stf = int(c.p_rtnds) - 1, int(c.p_stf)
    laminate = panel.laminate.packed()
    loads = panel.loads
    _ruvo.antype.vibr = 1
    try:
        routines(variant).callruvo(
            PRIMING, "", FLAT, FLAT, FLAT, np.asfortranarray(np.stack([laminate, laminate], axis=1)),
            np.zeros(4, np.float32), np.zeros(4, np.float32), 1.0, 1.0, 1, 0.0, 0.0, 0.0, 0.0,
            loads.Nx, loads.Ny, loads.Nxy, loads.fixed_Nx, loads.fixed_Nxy, loads.fixed_Ny, 0.0, 0.0,
            np.zeros(55), np.zeros(275), 0, 4, 1, 0, 0, _FUNCTIONS[panel.freedoms], [0] * stf, [0] * stf,
            [1] * rows, [0] * 7, [0] * 7, [0] * 7, [0] * 7, rows, 1, rows, 1, np.zeros(int(c.p_nx)))
    finally:
        _ruvo.antype.vibr = 0
    os.remove(PRIMING + ".out")


def ruvomain_arguments(variant, panel, modes, buckling=True):
    c = getattr(_ruvo, "ruvo" + variant)
    rows, stf = int(c.p_rtnds) - 1, int(c.p_stf)

    def padded(values, n, dtype):
        out = np.zeros(n, dtype)
        out[:len(values)] = values
        return out

    def stiffeners(items, lines):
        table = np.zeros((4, stf), np.float32, order="F")
        for k, s in enumerate(items):
            table[:, k] = s.stiffnesses()
        return padded(lines, stf, np.int32), table

    istx, steifx = stiffeners(panel.stringers, panel.stringer_lines)
    isty, steify = stiffeners(panel.frames, panel.frame_lines)
    e = panel.edges
    return dict(proj=PROJECT, titp=panel.title, buckp=int(buckling), itabp=0,
                neigitp=min(max(2 * modes, modes + 8), int(c.p_ngit)), neigrqp=modes, memprip=1, indpltp=0,
                kup=_FUNCTIONS[panel.freedoms], ap=padded(panel.x_lengths, rows, np.float32),
                bp=padded(panel.y_lengths, rows, np.float32), bndx0p=e.x0.codes(), bndxlp=e.xl.codes(),
                bndy0p=e.y0.codes(), bndylp=e.yl.codes(), rxp=_radius(panel.rx), ryp=_radius(panel.ry),
                rxyp=_radius(panel.rxy), istxp=istx, istyp=isty,
                elmstfp=padded([1] * len(panel.y_lengths), rows, np.int32), steifxp=steifx, steifyp=steify,
                alfaxp=panel.skew_x, alfayp=panel.skew_y)


def prepare(variant, panel, *, vibration=False, crippling=False, global_buckling=False):
    """Model state for one run: laminate and loads, grid size, analysis flags."""
    store_laminate_and_loads(variant, panel)
    _ruvo.f07ina.mx = len(panel.x_lengths) + 1
    _ruvo.f07ina.my = len(panel.y_lengths) + 1
    _ruvo.antype.vibr = int(vibration)
    _ruvo.antype.cripan = int(crippling)
    _ruvo.antype.glban = int(global_buckling)


def read_text(name):
    try:
        return Path(name).read_text(encoding="ascii", errors="replace")
    except FileNotFoundError:
        return ""


_MESSAGE_START = re.compile(r"MESSAGE FROM SUBR|^\s*SUBROUTINE [A-Z0-9]+[:\s]|MX\*MY|STOP\.|ERROR", re.I)
_REPORTED = re.compile(r"ERROR REPORTED FROM SUBROUTINE\s+(\w+)")


def failure(listing, stdout, finished_marker=FINISHED):
    """(stage, message) when the run failed, else None. The failing stage is
    the deepest routine the driver names, or the driver itself."""
    text = stdout + "\n" + listing
    if finished_marker in stdout and STOPPED not in text:
        return None
    lines = listing.splitlines()
    start = next((i for i, line in enumerate(lines) if _MESSAGE_START.search(line)), max(0, len(lines) - 12))
    message = "\n".join(line.rstrip() for line in lines[start:] if line.strip())
    if not message:
        message = "\n".join(line.rstrip() for line in stdout.splitlines() if line.strip())
    reported = _REPORTED.findall(text)
    if reported:
        stage = reported[-1]
    else:
        named = re.findall(r"SUBROUTINE\s+(\w+)", text)
        stage = named[-1] if named else "RUVOMAIN"
    return stage.upper(), message or "the engine stopped without a message"


def results_view(variant):
    """Eigenvalues, W eigenvectors and forces per eigenvalue left by the last run."""
    return _ruvo._results(variant)


def node_freedoms(variant, mx, my):
    """W equation numbers per node and kind of derivative, through the
    engine's element freedom lookup: dofs[y-line, x-line, y-kind, x-kind]
    (kinds 0 value, 1 slope), 0 where suppressed."""
    iuoriv = routines(variant).iuoriv
    dofs = np.zeros((my, mx, 2, 2), np.int64)
    iu = np.zeros((4, 4), np.int32, order="F")
    for j in range(1, mx):
        for i in range(1, my):
            iu[:] = 0
            iuoriv(i, j, 1, iu, 0)
            # iu(r, c): r over y (value/slope at y-line i, then i+1), c likewise over x
            dofs[i - 1:i + 1, j - 1:j + 1] = iu.reshape(2, 2, 2, 2).transpose(0, 2, 1, 3)
    return dofs
