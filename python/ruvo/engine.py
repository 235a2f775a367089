"""Running one analysis of a Panel through the engine's typed entry.

`_ruvo._analyse` takes the whole analysis as values and returns the outcome
(the failing stage, its code, the engine's message lines) with the results.
It writes files only into the directory it is given, and none without one;
it holds the engine lock for the run, so analyses from several threads
follow each other and each sees only its own model.
"""
from __future__ import annotations

import functools
import math
import os
import stat
import tempfile
from dataclasses import dataclass, fields
from typing import TYPE_CHECKING, Any, Sequence, cast

import numpy as np
from numpy.typing import ArrayLike

import _ruvo

from .conventions import FLAT
from .edges import Edge
from .loads import Loads
from . import membrane
from .load_split import skin_loads
from .stiffeners import Stiffener, StringerShape

if TYPE_CHECKING:   # the panel's module reads its files through sections, which ask this one
    from .panel import Panel

# The size variants the typed entry takes, smallest first: the routine
# surface's four (up to 31 node lines per direction) and its own (49).
VARIANTS: tuple[str, ...] = tuple(_ruvo.conventions.typed_variants)
PROJECT = "analysis"          # the listing is "analysis.out"
_FUNCTIONS = {"WUV": [1, 2, 3, 0, 0], "W": [1, 0, 0, 0, 0], "WUVBG": [1, 2, 3, 4, 5], "WBG": [1, 4, 5, 0, 0]}
_QUIET = ("Analysis started", "Buckling/Vibration analysis finished")


class AnalysisError(RuntimeError):
    """The engine reported a failure: `stage` names the failing routine,
    `code` is its own code, `message` says what failed (in the engineer's
    words where the failure is known, otherwise the engine's message
    lines), `engine_message` holds the engine's lines and `listing` the
    listing (when one was written)."""

    def __init__(self, stage: str, message: str, listing: str = "", code: int = 0, engine_message: str = "") -> None:
        super().__init__(stage, message, listing, code)
        self.stage, self.message, self.listing, self.code = stage, message, listing, code
        self.engine_message = engine_message or message

    def __str__(self) -> str:
        return f"analysis failed in {self.stage} (code {self.code}):\n{self.message}"


def release_memory() -> None:
    """Hand back to the system the memory the engine keeps resident between
    analyses: the coupling storage (A21) that a large analysis wrote, up to
    256 MiB for each engine variant, is kept so that the next analysis does
    not fault it in again, and so are all the matrices of a grid beyond 30
    elements per direction (some 450 MiB after a curved 48 x 48 panel) and
    the largest work array (the copy of the condensed matrix a factor is
    made in, up to 128 MiB). A host that is done analysing, or wants the
    memory for something else, calls this; the next analysis faults in what
    it needs again, and its results are the same.

    Returns
    -------
    None

    Examples
    --------
    >>> ruvo.release_memory()
    """
    _ruvo.release_memory()


@dataclass(frozen=True)
class Limits:
    """The size constants of a variant the package reads: node lines and
    stiffeners per direction, nodes, laminates by element rows, modes
    asked and iterated."""
    p_rtnds: int
    p_stf: int
    p_nodes: int
    p_abdstf: int
    p_ngrq: int
    p_ngit: int


@functools.cache
def limits(suffix: str) -> Limits:
    """The size constants of variant `suffix`."""
    constants = _ruvo._variant_limits(suffix)
    return Limits(**{f.name: int(constants[f.name]) for f in fields(Limits)})


def variant_for(panel: Panel) -> str:
    """The smallest size variant whose grid and stiffener tables hold the
    panel: up to 30 elements per direction one of the routine surface's
    four, up to 48 the typed entry's own."""
    lines = max(len(panel.x_lengths), len(panel.y_lengths)) + 1
    stiffeners = max(len(panel.stringer_beams[0]), len(panel.frames))
    for suffix in VARIANTS:
        c = limits(suffix)
        if lines <= c.p_rtnds and stiffeners <= c.p_stf and \
                (len(panel.x_lengths) + 1) * (len(panel.y_lengths) + 1) <= c.p_nodes:
            return suffix
    largest = limits(VARIANTS[-1])
    raise ValueError(f"Panel: {lines} node lines and {stiffeners} stiffeners per direction exceed every size "
                     f"variant (at most {largest.p_rtnds} lines, {largest.p_stf} stiffeners)")


def _radius(r: float) -> float:
    return float(np.sign(r) * FLAT) if abs(r) >= FLAT else r


def _stiffener_rows(items: Sequence[Stiffener], lines: Sequence[int]) -> np.ndarray:
    return np.array([[line, *s.stiffnesses(), s.mass] for s, line in zip(items, lines)], float).reshape(-1, 6)


def _edge_codes(edge: Edge, across_x: bool, shear: bool) -> list[int]:
    """The engine's codes of an edge; with the shear rotations an edge that
    holds W holds the rotation along it (GAMMA on an x-edge, BETA on a
    y-edge) and one that holds the slope both, unless either is named."""
    codes = edge.codes()
    if not shear or edge.kind != "conditions" or {"BETA", "GAMMA"} & set(edge.held):
        return codes
    held = [c for c in codes[1:] if c]
    if "SLOPE" in edge.held:
        held += [4, 5]
    elif "W" in edge.held:
        held += [5 if across_x else 4]
    return [0] + held + [0] * (6 - len(held))


def _force_factors(panel: Panel, dtype: type) -> np.ndarray:
    """Per node (x-lines outer, y-lines inner), the factors on (Nx, Nxy, Ny)
    of the laminate of the element starting there (the last lines: of the
    last elements), in the engine's 32 bits (or `dtype`). A patch along
    the whole length is a band along x: the strain along it is shared, so
    Nx goes as its axial membrane stiffness A11 - A12²/A22 against the
    skin's, while equilibrium across its edges keeps Nxy and Ny the skin's.
    Otherwise a patch across the whole width is a band along y, Ny going as
    A22 - A12²/A11. A rectangle of cells: 1 (its share is the
    `rectangle_fields`)."""
    def axial(laminate: Any, along: int) -> Any:
        a: np.ndarray = np.array(laminate.A, dtype)
        return a[along, along] - a[0, 1] * a[0, 1] / a[1 - along, 1 - along]
    factors: list[np.ndarray] = [np.ones(3, dtype)]
    for patch, axis in zip(panel.patches, panel.patch_axes):
        factor: np.ndarray = np.ones(3, dtype)
        if axis:
            along = "xy".index(axis)
            factor[2 * along] = axial(patch[4], along) / axial(panel.laminate, along)
        factors.append(factor)
    at_nodes = np.pad(panel.grid.element_patches, ((0, 1), (0, 1)), mode="edge")
    return np.array(factors)[at_nodes.ravel()]


def rectangle_fields(panel: Panel) -> np.ndarray | None:
    """What the rectangles of cells of another membrane stiffness A add to
    the bands' forces, for the skin's Nx = 1, Nxy = 1 and Ny = 1 in turn
    (3 by nx by ny by 3): the panel's plane-stress state with them less
    that with the skin's A in their place (`membrane.unit_fields`). None
    without such a rectangle. Refused where the state cannot be made: on a
    skewed panel, or with the skin's laminate nowhere along two opposite
    edges."""
    skin = np.array(panel.laminate.A, float)
    patches = panel.grid.element_patches
    other = [axis == "" and (patches == k).any() and not membrane.same_stiffness(np.array(p[4].A, float), skin)
             for k, (p, axis) in enumerate(zip(panel.patches, panel.patch_axes), 1)]
    if not any(other):
        return None
    name = panel._patch_names()[other.index(True)]
    if panel.skew_x or panel.skew_y:
        raise ValueError(f"Panel.{name}: a rectangle of cells with a membrane stiffness A other than the skin's "
                         "on a skewed panel under membrane loads: the membrane state is not solved on an oblique "
                         "grid; model it as a band along x or y, or give it the skin's A (its D may differ)")
    A = membrane.element_stiffnesses(panel)
    skin_cells = np.array([membrane.same_stiffness(a, skin) for a in A.reshape(-1, 3, 3)]).reshape(A.shape[:2])
    for edges, cells in (("x = 0 and x = a", skin_cells[[0, -1], :]), ("y = 0 and y = b", skin_cells[:, [0, -1]])):
        if not cells.any():
            raise ValueError(f"Panel.{name}: the skin's laminate lies nowhere along the edges {edges}, whose "
                             "skin carries the loads given; a rectangle's share of them cannot be placed")
    rectangles = np.isin(patches, 1 + np.flatnonzero(other))
    x, y = panel.x_lengths, panel.y_lengths
    with_them = membrane.unit_fields(x, y, A, skin_cells)
    if (skin_cells | rectangles).all():   # without them the skin's A throughout: its forces uniform
        return with_them - np.eye(3)[:, None, None, :]
    without = np.where(rectangles[..., None, None], skin, A)
    return with_them - membrane.unit_fields(x, y, without, skin_cells | rectangles)


def node_forces(panel: Panel, forces: ArrayLike, dtype: type = np.float32,
                rectangles: np.ndarray | None = None) -> np.ndarray:
    """The membrane forces (Nx, Nxy, Ny) of the skin, one row, or one per
    node (x-lines outer, y-lines inner) where regions carry other
    laminates: those of the element starting there (the last lines: of
    the last elements), the bands' by `_force_factors` and what the
    rectangles add, `rectangles` (of `rectangle_fields`) times the skin's
    forces."""
    values: np.ndarray = np.asarray(forces, dtype)
    if len(panel.laminates) == 1:
        return values
    scaled = values * _force_factors(panel, dtype)
    if rectangles is None:
        return scaled
    added = np.einsum("j,j...->...", np.asarray(forces, float), rectangles)
    return scaled + np.pad(added, ((0, 1), (0, 1), (0, 0)), mode="edge").reshape(-1, 3).astype(dtype)


def stringer_pitch(panel: Panel) -> float:
    """The spacing of the stringers: of their grid lines, evenly over the
    span from the first to the last; one stringer: the panel's width (a
    bay of one pitch with the neighbours as its supports)."""
    y = panel.y_nodes[np.array(panel.stringer_lines) - 1]
    return float((y.max() - y.min()) / (len(y) - 1)) if len(y) > 1 else panel.width


_STRINGER_TYPES = {StringerShape.T: int(_ruvo.conventions.t_profile),
                   StringerShape.HAT: int(_ruvo.conventions.omega_profile)}


def stringer_section(data: Any) -> dict[str, Any]:
    """The typed entry's stringer section of a `sections.StringerCheckData`:
    the engineer's words as the engine's keys."""
    section = dict(footth=data.foot_thickness, webth=data.web_thickness, footwidth=data.foot_width,
                   webheight=data.web_height, ddst=list(data.web_bending), chordwidth=data.chord_width,
                   chordth=data.chord_thickness, alpha=data.web_angle, type=_STRINGER_TYPES[data.shape])
    if data.chord_bending is not None:
        section["chord_ddst"] = list(data.chord_bending)
    return section


def _stringer_check_arguments(panel: Panel) -> dict[str, Any]:
    """The stringer section and its checks: for stringers whose shape has
    the checks' data (all of one section: the engine holds one); the
    column load for the T."""
    data = [s.crippling for s in panel.stringers]
    if not data or any(c is None or c != data[0] for c in data):
        return {}
    args = dict(crippling=True, stringer_section=stringer_section(data[0]))
    if data[0].shape is StringerShape.T:
        args.update(global_buckling=True, stringer_pitch=stringer_pitch(panel))
    return args


def arguments(variant: str, panel: Panel, kind: str, modes: int, *, mass_per_area: float = 0.0,
              freedoms: str | None = None, shift: float = 0.0, load_cases: Sequence[Loads] | None = None,
              dtype: type = np.float32) -> dict[str, Any]:
    """The typed entry's keyword arguments for `panel` (buckling: the load
    cases `load_cases`, the panel's loads without them). The laminates and
    forces in the engine's 32 bits, which the entry takes as they are; with
    dtype float64 unrounded, for rates of change (the entry rounds them)."""
    e = panel.edges
    cases = [skin_loads(panel, c, f"load_cases[{k}]") for k, c in enumerate(load_cases)] if load_cases \
        else [skin_loads(panel)]
    loaded = any(c.variable().any() or c.fixed().any() for c in cases)
    rectangles = rectangle_fields(panel) if loaded and len(panel.laminates) > 1 else None
    functions = freedoms or panel.freedoms
    shear = "B" in functions
    args: _ruvo.AnalyseArguments = {
        "variant": variant, "kind": kind, "title": panel.title,
        "project": PROJECT, "modes": int(modes), "x_lengths": panel.x_lengths, "y_lengths": panel.y_lengths,
        "edges": [_edge_codes(e.x0, True, shear), _edge_codes(e.xl, True, shear),
                  _edge_codes(e.y0, False, shear), _edge_codes(e.yl, False, shear)],
        "freedoms": _FUNCTIONS[functions],
        "radii": [_radius(panel.rx), _radius(panel.ry), _radius(panel.rxy)], "skew": [panel.skew_x, panel.skew_y],
        "laminates": [lam.packed(dtype) for lam in panel.laminates],
        "stringers": _stiffener_rows(*panel.stringer_beams),
        "frames": _stiffener_rows(panel.frames, panel.frame_lines),
        "variable": node_forces(panel, cases[0].variable(), dtype, rectangles),
        "fixed": node_forces(panel, cases[0].fixed(), dtype, rectangles),
        "density": float(mass_per_area), "shift": float(shift)}
    if any(lam.shear is not None for lam in panel.laminates):
        args["shear"] = [lam.shear_packed(dtype) for lam in panel.laminates]
    if len(panel.laminates) > 1:
        rows = panel.element_rows
        if rows is not None and len(panel.laminates) <= limits(variant).p_abdstf:
            args["element_rows"] = list(rows)
        else:
            args["element_laminates"] = panel.element_laminates.ravel().tolist()
    if len(cases) > 1:
        args["more_load_cases"] = [(node_forces(panel, c.variable(), dtype, rectangles),
                                    node_forces(panel, c.fixed(), dtype, rectangles)) for c in cases[1:]]
    # Callers add and change keywords by name (the gradient's probes): a plain dict from here on.
    entry = cast(dict[str, Any], args)
    if kind == "buckling":
        entry.update(_stringer_check_arguments(panel))
    return entry


def _read_listing(directory: str) -> str:
    """The listing the run wrote in `directory`: a regular file, read up to
    the size it has now (a name that is not a regular file gives "")."""
    path = os.path.join(directory, PROJECT + ".out")
    try:
        fd = os.open(path, os.O_RDONLY | getattr(os, "O_NOFOLLOW", 0) | getattr(os, "O_NONBLOCK", 0))
    except OSError:
        return ""
    try:
        info = os.fstat(fd)
        if not stat.S_ISREG(info.st_mode):
            return ""
        with os.fdopen(os.dup(fd), "rb") as f:
            return f.read(info.st_size).decode("ascii", "replace")
    finally:
        os.close(fd)


def _message(lines: Sequence[str]) -> str:
    kept = [line.rstrip() for line in lines if line.strip() and line.strip() not in _QUIET]
    return "\n".join(kept) or "the engine stopped without a message"


def _failure(cases: Sequence[Loads], out: _ruvo.AnalyseResult, listing: str) -> AnalysisError:
    """The engine's failure as an AnalysisError, in the engineer's words where it is known: the
    eigen-solution's factorisation of the stiffness (less the fixed loads' geometric stiffness) failing."""
    stage, code, message = out["stage"], int(out["code"]), _message(out["messages"])
    words = message
    if stage in ("INCS3", "VIBS3") and "CHOLESKY" in message:
        words = ("the fixed loads alone buckle the panel: the stiffness is not positive definite"
                 if any(c.carried for c in cases) else
                 "the stiffness is not positive definite: the panel is not held against a rigid-body motion")
    return AnalysisError(stage, words, listing, code, message)


def run(panel: Panel, kind: str, modes: int, *, workdir: str | os.PathLike[str] | None = None, listing: bool = False,
        entry: dict[str, Any] | None = None, **options: Any) -> tuple[str, _ruvo.AnalyseResult, str]:
    """Runs one analysis; returns (variant, the entry's outcome, the listing).

    With `workdir` the engine's files are kept there; with `listing` and no
    `workdir` they go to a private temporary directory that is removed
    again; otherwise no file is made. Raises AnalysisError on failure.
    """
    variant = variant_for(panel)
    args = dict(arguments(variant, panel, kind, modes, **options), **(entry or {}))
    if workdir is not None:
        directory = os.path.abspath(os.fspath(workdir))
        try:
            os.makedirs(directory, exist_ok=True)
        except OSError as e:
            raise AnalysisError("LISTING", f"work directory {directory}: {e.strerror}") from None
        out = _ruvo._analyse(directory=directory, listing=True, **args)
        text = _read_listing(directory)
    elif listing:
        with tempfile.TemporaryDirectory(prefix="ruvo-") as directory:
            out = _ruvo._analyse(directory=directory, listing=True, **args)
            text = _read_listing(directory)
    else:
        out = _ruvo._analyse(**args)
        text = ""
    if out["outcome"] == "no eigenvalues":
        raise AnalysisError(out["stage"], "no eigenvalues came out of the solution", text)
    if out["outcome"] == "failed":
        raise _failure(options.get("load_cases") or [panel.loads], out, text)
    return variant, out, text


def modal_forms(args: dict[str, Any], modes: np.ndarray,
                directions: Sequence[_ruvo.Direction] = ()) -> tuple[int, int, Any, Any, list[tuple[Any, Any]]]:
    """The forms Φᵀ·K·Φ and Φᵀ·B·Φ of the full system assembled from the
    typed entry's arguments `args` (no solution), for the full modes `modes`
    ((ix + iy) × m: W rows, then tangential rows), and their derivatives
    along `directions` (the rates of the linear inputs, the typed entry's
    `directions`): (ix, iy, K form, B form, [(K rate, B rate), ...]).
    Raises AnalysisError on failure."""
    out = _ruvo._analyse(matrices=True, projected=modes, directions=list(directions), **args)
    if out["stage"]:
        raise AnalysisError(out["stage"], _message(out["messages"]), "", int(out["code"]))
    forms = out["forms"]
    return (int(out["ix"]), int(out["iy"]), forms["stiffness"], forms["load"],
            list(zip(forms["stiffness_rates"], forms["load_rates"])))


def rigid_body_shift(panel: Panel, mass_per_area: float) -> float:
    """A spectral shift for a panel free to move as a rigid body: the squared
    circular frequency of the simply supported plate of the same size,
    pi^4 sqrt(D11 D22) / m (1/a^2 + 1/b^2)^2, of the order of the lowest
    elastic eigenvalues."""
    d = np.array(panel.laminate.D)
    stiffness = math.sqrt(max(d[0, 0] * d[1, 1], 0.0))
    return math.pi ** 4 * stiffness / mass_per_area * (panel.length ** -2 + panel.width ** -2) ** 2
