"""Design sensitivities: the derivative of the critical load factor (or of
the natural frequencies) with respect to design variables, at the price of
about one analysis.

For an eigenvalue λ of K·φ = λ·B·φ (B the geometric stiffness of the
variable loads for buckling, the mass for vibration) with K, B and φ those
of the full system, W and tangential freedoms,

    dλ/dx = φᵀ·(∂K/∂x − λ·∂B/∂x)·φ / (φᵀ·B·φ).

The engine solves the condensed problem A11*·w = λ·B11·w with
A11* = A11 − A21ᵀ·A22⁻¹·A21; its full mode is φ = (w, x2) with the tangential
part x2 = −A22⁻¹·A21·w, so K·φ = (λ·B11·w, 0) and the formula holds for the
full matrices K = [A11 A21ᵀ; A21 A22] with B nonzero on W only:

    φᵀ·∂K·φ = wᵀ·∂A11·w + 2·x2ᵀ·∂A21·w + x2ᵀ·∂A22·x2.

A11 as the engine assembles it already holds the fixed loads' geometric
stiffness with its sign (A11 = K11 − G(fixed)), so fixed loads that depend on
x enter through ∂A11 and need nothing apart. The matrices enter only as
quadratic forms with the modes: the engine reduces each assembly to the small
matrices Φᵀ·K·Φ, Φᵀ·B·Φ of the computed modes (the matrices never leave it),
and their derivatives come in one of three ways, by what x[i] moves in the
engine's inputs (found by building the panel at steps from x, no engine):

- the stiffeners' EA, ES, EI, GJ, the membrane forces, the laminates and
  the masses, on which K and B are linear (the stiffeners' share of the
  geometric stiffness on EA and the forces each; through the skin's
  membrane compliance A⁻¹ on the laminate, whose rate is −A⁻¹·dA·A⁻¹): the
  engine forms the part of K and B that these inputs' rates along x[i]
  carry, the other inputs as they are, which is ∂K/∂x[i] and ∂B/∂x[i]
  exactly (the skin's share element by element, the stiffeners' assembled
  over their lines' rows); all such variables in the call that solves at
  x. The rates are the inputs' forward differences over a short step
  (1e-6·|x|), taken in double precision (exact where an input is linear
  in x, within about 1e-6 relative otherwise); one build of the panel per
  variable (at x ± h where the build rounds the inputs to single
  precision);
- anything else (radii, lengths, skew): central differences of the
  assemblies at x ± h.

Repeated and nearly repeated eigenvalues: the modes are first refined by a
Rayleigh-Ritz step on the small matrices at x (which also separates a shear
panel's ± pair when the solver returned them mixed); eigenvalues whose
relative gap is below `cluster_gap` form a cluster, and their derivatives are
the eigenvalues of the cluster's projected derivative matrix: one-sided
(for an increase of x) derivatives of the cluster's eigenvalues in ascending
order. Such clusters are reported in the result.
"""
from __future__ import annotations

import dataclasses
import math
from collections.abc import Callable, Sequence
from dataclasses import dataclass
from typing import TYPE_CHECKING, Any

import numpy as np
import scipy.linalg
from numpy.typing import ArrayLike

from . import engine, result_document, table
from .analysis import check_buckling_support, no_positive_below, vibration_options
from .loads import Loads, RunningLoads
from .panel import Panel
from .results import LoadCases

if TYPE_CHECKING:
    from .checks.table import MarginsTable

if TYPE_CHECKING:
    import pandas

CLUSTER_GAP = 1e-4       # relative gap below which eigenvalues count as repeated
RELATIVE_STEP = 1e-3     # default step: this fraction of |x|, or this much where x is 0
# The short forward step of the linear inputs' rates, likewise (double
# precision): 1e-6 made slightly irregular, so that a round number (an EA of
# 1.4e7) stepped is no number single precision holds, as a build's rounding
# would leave.
PROBE_STEP = 1e-6 * (1.0 + 2.0**-20)
EXTRA_MODES = 2          # computed beyond those asked, so that a cluster at the end is whole


def _same(a: object, b: object) -> bool:
    """Equal dataclasses of the same type, arrays compared by value."""
    return type(a) is type(b) and all(
        np.array_equal(x, y) if isinstance(x, np.ndarray) else x == y
        for x, y in ((getattr(a, f.name), getattr(b, f.name)) for f in dataclasses.fields(a)))


@dataclass(frozen=True, eq=False)
class Cluster:
    """Modes (1-based) whose eigenvalues lie within the cluster gap
    ("repeated"), or a ± pair of load factors ("pair"). `derivatives[k, i]`:
    the derivative of the k-th smallest eigenvalue of the cluster for an
    increase of x[i] (load factors; squared circular frequencies)."""
    modes: tuple[int, ...]
    kind: str
    derivatives: np.ndarray

    def __eq__(self, other: object) -> bool:
        return _same(self, other)


@dataclass(frozen=True, eq=False)
class GradientResult:
    """`value`: the critical load factor (the smallest positive) or the
    first natural frequency in Hz; `mode` its mode (1-based); `gradient` its
    derivative with respect to x. `values`, `gradients[k]`: all modes asked
    (load factors in the engine's order, or frequencies in Hz), and when no
    load factor among them is positive, the smallest positive one that the
    engine found beyond them, last. `clusters`:
    repeated eigenvalues and ± pairs among them; a gradient within a
    repeated cluster is the derivative for an increase of each x[i].
    `steps`: the short step of each variable; `assemblies`: the engine's
    whole assemblies beside the analysis (two per variable that moves the
    geometry; the parts along the linear inputs come with the analysis)."""
    quantity: str
    value: float
    mode: int
    gradient: np.ndarray
    values: np.ndarray
    gradients: np.ndarray
    clusters: tuple[Cluster, ...]
    steps: np.ndarray
    assemblies: int

    @property
    def repeated(self) -> bool:
        """Whether the critical eigenvalue belongs to a repeated cluster."""
        return any(c.kind == "repeated" and self.mode in c.modes for c in self.clusters)

    def __eq__(self, other: object) -> bool:
        """The same values, derivatives and clusters (arrays compared by value)."""
        return _same(self, other)

    def to_json(self, **kwargs: Any) -> str:
        """The values, derivatives, clusters and steps with the package and
        schema versions; `ruvo.load` reads it back to an equal result.
        kwargs go to json.dumps (indent=1).

        Returns
        -------
        str

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> build = lambda x: ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=x[0]))
        >>> result = ruvo.gradient(build, [1.0], modes=2)
        >>> ruvo.load(result.to_json()) == result
        True
        """
        return result_document.to_json(result_document.gradient(self), **kwargs)

    def to_frame(self) -> pandas.DataFrame:
        """A pandas DataFrame, one row per mode: its value, whether it is the
        critical one, and its derivative by each variable (`d_x[i]`).

        Returns
        -------
        pandas.DataFrame

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> build = lambda x: ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=x[0]))
        >>> list(ruvo.gradient(build, [1.0], modes=2).to_frame().columns)
        ['mode', 'critical', 'value', 'd_x[0]']
        """
        return table.frame(table.gradient_rows(self))


class GradientLoadCases(LoadCases[GradientResult]):
    """The gradients of one panel under several load cases (`gradient` with
    `load_cases`): `cases[k]` the GradientResult of load case k, `governing`
    the case with the smallest value (critical load factor, or first
    frequency), `governing_index` its index; `value` and `gradient` are the
    governing case's. Indexed and
    iterated as the list of the cases."""

    def _critical(self, case: GradientResult) -> float:
        return case.value

    @property
    def value(self) -> float:
        """The value of the governing case."""
        return self.governing.value

    @property
    def gradient(self) -> np.ndarray:
        """The derivative of the governing case's value with respect to x."""
        return self.governing.gradient


# Engine inputs whose rates the engine takes straight (by the name of the
# rate) and turns into the exact derivatives of K and B: the stiffeners' EA,
# ES, EI, GJ and the two sets of membrane forces (jointly: the stiffeners'
# share of the geometric stiffness is linear in EA and in the forces each),
# the laminate and shear tables (the skin's terms are linear in them, the
# stiffeners' geometric share goes through the skin's compliance), and the
# masses.
_RATES = {"stringers stiffness": "stringers", "frames stiffness": "frames", "variable": "variable",
          "fixed": "fixed", "laminates": "laminates", "shear": "shear", "density": "density",
          "stringers masses": "stringer_masses", "frames masses": "frame_masses"}
_MASSES = {"density", "stringers masses", "frames masses"}
# Inputs of the stringer checks after the solution: no part of the matrices.
_NOT_ASSEMBLED = {"title", "project", "modes", "shift", "crippling", "global_buckling", "stringer_section",
                  "stringer_pitch"}


Build = Callable[[np.ndarray], Panel]
Changes = dict[str, Any]                           # input name: its change (None: not a difference of numbers)
Probe = tuple[dict[str, Any], Changes]             # a step's typed-entry arguments and input changes
RawCluster = tuple[str, np.ndarray, np.ndarray]    # kind, modes (0-based), their derivatives


def _inputs(args: dict[str, Any]) -> dict[str, Any]:
    """The typed entry's arguments that enter the assembly, by name, as
    float arrays (texts and the like as they are); stiffener rows split into
    lines, stiffnesses and masses."""
    values: dict[str, Any] = {}
    for key, value in args.items():
        if key in _NOT_ASSEMBLED:
            continue
        if key in ("stringers", "frames"):
            rows = np.asarray(value, float).reshape(-1, 6)
            values.update({key + " lines": rows[:, 0], key + " stiffness": rows[:, 1:5], key + " masses": rows[:, 5]})
            continue
        # Laminates placed element by element have no rates in the engine: their changes are differenced.
        name = key + " per element" if key in ("laminates", "shear") and "element_laminates" in args else key
        try:
            values[name] = np.asarray(value, float)
        except (TypeError, ValueError):
            values[name] = value
    return values


def _changes(inputs: dict[str, Any], base: dict[str, Any]) -> Changes:
    """{name: change} of the inputs that differ from the base point's (the
    change None where it is no difference of numbers)."""
    changes: Changes = {}
    for key in inputs.keys() | base.keys():
        value, other = inputs.get(key), base.get(key)
        if value is other:   # the same array (a grid the panels share) or text
            continue
        if isinstance(value, np.ndarray) and isinstance(other, np.ndarray) and value.shape == other.shape:
            if value.tobytes() != other.tobytes():   # the quick test; -0.0 against 0.0 is no change
                change = value - other
                if change.any():
                    changes[key] = change
        elif isinstance(value, np.ndarray) or isinstance(other, np.ndarray) or value != other:
            changes[key] = None
    return changes


def _single(values: np.ndarray) -> bool:
    """Whether single precision holds the values exactly (NaN never)."""
    return bool((values.astype(np.float32) == values).all())


def _steps(x: np.ndarray, h: float | ArrayLike | None) -> np.ndarray:
    if h is None:
        return np.where(x != 0.0, RELATIVE_STEP * np.abs(x), RELATIVE_STEP)
    try:
        steps = np.broadcast_to(np.asarray(h, float), x.shape).copy()
    except (TypeError, ValueError):
        raise ValueError(f"gradient: h = {h!r} must be one step or one per variable ({x.size})") from None
    if not (np.isfinite(steps).all() and (steps > 0).all()):
        raise ValueError(f"gradient: the steps h = {h!r} must be positive and finite")
    return steps


def _topology(panel: Panel) -> tuple[Any, ...]:
    return (len(panel.x_lengths), len(panel.y_lengths), panel.stringer_lines, panel.frame_lines, panel.freedoms,
            panel.edges)


def _panel(build: Build, x: np.ndarray, base: Panel | None = None, index: int | None = None) -> Panel:
    panel = build(x.copy())
    if not isinstance(panel, Panel):
        raise TypeError(f"gradient: build(x) must return a ruvo.Panel, got {type(panel).__name__}")
    if base is not None and _topology(panel) != _topology(base):
        raise ValueError(f"gradient: changing x[{index}] by its step changes the mesh or the stiffener lines "
                         f"(lines x, y: {len(base.x_lengths) + 1}, {len(base.y_lengths) + 1} -> "
                         f"{len(panel.x_lengths) + 1}, {len(panel.y_lengths) + 1}; stringer lines "
                         f"{base.stringer_lines} -> {panel.stringer_lines}; frame lines {base.frame_lines} -> "
                         f"{panel.frame_lines}); a derivative needs the same grid on both sides: choose variables "
                         "that keep the grid lines (a stiffener's position within its line's tolerance does not "
                         "move it) or a smaller h")
    return panel


class _Case:
    """One load case: the analysis at x and the arguments of the assemblies."""

    def __init__(self, quantity: str, loads: Loads | None, modes: int, density: float | None,
                 mass_per_area: float | None) -> None:
        self.quantity, self.loads, self.modes = quantity, loads, modes
        self.density, self.mass_per_area = density, mass_per_area

    def panel(self, panel: Panel) -> Panel:
        return panel if self.loads is None else panel.replace(loads=self.loads)

    def options(self, panel: Panel) -> dict[str, Any]:
        """The analysis' options (the skin's mass follows x); the supports are
        checked with the analysis at x, the steps keep them."""
        return {} if self.quantity == "buckling" else vibration_options(panel, self.density, self.mass_per_area)

    def analyse(self, panel: Panel, directions: Sequence[dict[str, Any]]) -> Solution:
        """The solution at x with the forms of its full modes and along the
        `directions`, in one engine call."""
        kind = "buckling" if self.quantity == "buckling" else "vibration"
        if kind == "buckling":
            check_buckling_support(panel)
            loads = panel.loads
            if isinstance(loads, RunningLoads) or loads.pressure or loads.delta_T or loads.fixed_delta_T:
                raise ValueError("gradient: running loads, pressure and temperature give skin forces that follow "
                                 "the panel's stiffnesses, which these rates of change hold fixed; give the skin's "
                                 "forces (result.skin_loads) as the loads")
        largest = int(engine.limits(engine.variant_for(panel)).p_ngrq)
        computed = min(self.modes + EXTRA_MODES, largest)
        _, out, _ = engine.run(panel, kind, computed, entry=dict(forms=True, directions=list(directions)),
                               **self.options(panel))
        forms = out["forms"]
        bound = no_positive_below(out["cases"][0]) if kind == "buckling" else None
        # as many as the freedoms give (a small panel may have fewer), without the appended critical one
        appended = kind == "buckling" and out["cases"][0]["critical"]["outcome"] == "appended"
        found = len(out["eigenvalues"]) - int(appended)
        return Solution(out["eigenvalues"], np.vstack([out["w"], out["tangential"]]), (out["ix"], out["iy"]),
                        forms["stiffness"], forms["load"], forms["stiffness_rates"], forms["load_rates"],
                        found, bound)

    def arguments(self, panel: Panel, dtype: type = np.float32) -> dict[str, Any]:
        """The typed entry's arguments of the assembly (no solution)."""
        kind = "buckling" if self.quantity == "buckling" else "vibration"
        options = self.options(panel)
        options.pop("shift", None)  # a shift only helps the solution
        return engine.arguments(engine.variant_for(panel), panel, kind, 1, dtype=dtype, **options)


@dataclass(frozen=True)
class Solution:
    """The solution at x: eigenvalues, full modes Φ (W rows, then
    tangential), the freedom counts, the forms Φᵀ·K·Φ, Φᵀ·B·Φ and their
    rates along the engine's directions; `computed` the modes the engine
    found (those asked, or all the freedoms give; a critical mode it
    appended beyond them is the last of the eigenvalues),
    `no_positive_below` its bound when none is positive."""
    eigenvalues: np.ndarray
    phi: np.ndarray
    freedoms: tuple[int, int]
    stiffness: np.ndarray
    load: np.ndarray
    stiffness_rates: np.ndarray
    load_rates: np.ndarray
    computed: int = 0
    no_positive_below: float | None = None

    def reported(self, asked: int) -> list[int]:
        """The modes (0-based) a result reports: those asked and the appended critical one."""
        return list(range(min(asked, self.computed))) + list(range(self.computed, len(self.eigenvalues)))


def _groups(values: np.ndarray, gap: float) -> list[list[int]]:
    """Runs of modes (0-based, in the order given) whose eigenvalues lie within
    the relative gap of each other."""
    order, v = np.argsort(values, kind="stable").tolist(), values.tolist()   # Python numbers: a short loop
    groups, current = [], [order[0]]
    for a, b in zip(order[:-1], order[1:]):
        if abs(v[b] - v[a]) <= gap * max(abs(v[a]), abs(v[b])):
            current.append(b)
        else:
            groups.append(current)
            current = [b]
    groups.append(current)
    return groups


def _derivatives(quantity: str, lam: np.ndarray, kp: np.ndarray, bp: np.ndarray, dk: np.ndarray,
                 db: np.ndarray, gap: float) -> tuple[np.ndarray, np.ndarray, list[RawCluster]]:
    """Eigenvalues (Ritz values at x) and their derivatives (modes × variables)
    with the clusters, from the small projected matrices at x (kp, bp) and
    their derivatives (dk, db: variables × modes × modes)."""
    buckling = quantity == "buckling"
    try:
        if buckling:  # K positive definite; B indefinite for shear
            mu, c = scipy.linalg.eigh(bp, kp)
            ritz = 1.0 / mu
            c = c * np.sqrt(np.abs(ritz))          # cᵀ·B·c = ±1
        else:
            ritz, c = scipy.linalg.eigh(kp, bp)  # cᵀ·M·c = 1
    except (np.linalg.LinAlgError, ValueError):
        raise ValueError("gradient: the computed modes are not independent in the full system "
                         "(the stiffness is not positive definite under the fixed loads?)") from None
    # Ritz values in the order of the engine's eigenvalues (nearest first)
    match = np.argmin(np.abs(ritz[None, :] - lam[:, None]), axis=1).tolist()
    if len(set(match)) != len(match):
        match = list(np.argsort(np.abs(ritz) if buckling else ritz))
    ritz, c = ritz[match], c[:, match]
    signs = np.sign(ritz) if buckling else np.ones_like(ritz)
    # a simple eigenvalue's derivative is the quadratic form itself: all modes' at once
    stiffness, load = (np.diagonal(c.T @ d @ c, axis1=1, axis2=2) for d in (dk, db))
    derivatives = signs[:, None] * (stiffness - ritz * load).T
    clusters = []
    for group in _groups(ritz, gap):
        if len(group) == 1:
            continue
        g = np.array(group)
        centre = float(np.mean(ritz[g]))
        cg = c[:, g]
        for i in range(dk.shape[0]):
            d = cg.T @ (dk[i] - centre * db[i]) @ cg
            derivatives[g[np.argsort(ritz[g], kind="stable")], i] = np.sort(signs[g[0]] * np.linalg.eigvalsh(
                0.5 * (d + d.T)))
        clusters.append(("repeated", g, derivatives[np.sort(g)]))
    if buckling:
        for group in _groups(np.abs(ritz), gap):
            if len(group) == 2 and ritz[group[0]] * ritz[group[1]] < 0:
                clusters.append(("pair", np.array(group), derivatives[np.sort(group)]))
    return ritz, derivatives, clusters


class _Probes:
    """The panel built at steps from x, seen through the engine's inputs:
    per variable, the rates of the inputs on which the matrices are linear
    (a direction of the engine's), or the arguments of the assemblies at
    x ± h."""

    def __init__(self, build: Build, x: np.ndarray, base: Panel, case: _Case) -> None:
        self.build, self.x, self.base, self.case = build, x, base, case
        self.inputs = _inputs(case.arguments(case.panel(base), np.float64))
        self.ignored = _MASSES if case.quantity == "buckling" else set()  # no part of K or B then

    def inputs_at(self, i: int, step: float) -> Probe:
        """(arguments, input changes) of build(x + step·e_i), unrounded."""
        args, _, changes = self._probe(i, step)
        return args, changes

    def _probe(self, i: int, step: float) -> tuple[dict[str, Any], dict[str, Any], Changes]:
        """(arguments, inputs, input changes) of build(x + step·e_i)."""
        xs = self.x.copy()
        xs[i] += step
        args = self.case.arguments(self.case.panel(_panel(self.build, xs, self.base, i)), np.float64)
        inputs = _inputs(args)
        changes = _changes(inputs, self.inputs)
        return args, inputs, {key: change for key, change in changes.items() if key not in self.ignored}

    def short_rates(self, i: int) -> dict[str, Any] | None:
        """The rates of the linear inputs from a short forward step of x[i];
        None when it moves other inputs or nothing, or moves only values
        that single precision holds exactly on both sides (a build that
        rounds to single precision, whose steps a short step cannot
        resolve)."""
        short = PROBE_STEP * abs(self.x[i]) if self.x[i] != 0.0 else PROBE_STEP
        _, inputs, changes = self._probe(i, short)
        for key, change in changes.items():
            if isinstance(change, np.ndarray) and key in self.inputs:
                moved = change != 0.0
                if _single(inputs[key][moved]) and _single(self.inputs[key][moved]):
                    return None
        return self.rates(short, changes, {}) if changes else None

    @staticmethod
    def rates(span: float, up: Changes, down: Changes) -> dict[str, Any] | None:
        """The differences of the engine's linear inputs between the two
        probes `span` apart, per unit of x, when x[i] moves those alone; else
        None."""
        changes = up.keys() | down.keys()
        if any(key not in _RATES or up.get(key, 0.0) is None or down.get(key, 0.0) is None for key in changes):
            return None
        return {_RATES[key]: (up.get(key, 0.0) - down.get(key, 0.0)) / span for key in changes}

    def plan(self, steps: np.ndarray, short: bool) -> tuple[list[int], list[dict[str, Any]],
                                                          list[tuple[int, float, Probe, Probe]]]:
        """(variables with a direction, their directions, the differenced
        variables with their steps and probes); variables that move none of
        the engine's inputs are in neither. With `short`, a short forward
        step finds the rates of the variables that move only the linear
        inputs; the others (and those a short step cannot resolve) are
        probed at x ± h."""
        direct: list[int] = []
        directions: list[dict[str, Any]] = []
        differenced: list[tuple[int, float, Probe, Probe]] = []
        for i, h in enumerate(steps):
            rates = self.short_rates(i) if short else None
            if rates is None:
                up, down = self.inputs_at(i, h), self.inputs_at(i, -h)
                if not up[1] and not down[1]:
                    continue  # no change of the matrices
                rates = self.rates(2.0 * h, up[1], down[1])
                if rates is None:
                    differenced.append((i, h, up, down))
                    continue
            direct.append(i)
            directions.append(rates)
        return direct, directions, differenced


def _differenced_forms(i: int, h: float, up: Probe, down: Probe, solution: Solution) -> tuple[np.ndarray, np.ndarray]:
    """Central differences of the forms assembled at x ± h."""
    forms = []
    for args, _ in (up, down):
        ix, iy, k, b, _ = engine.modal_forms(args, solution.phi)
        if (ix, iy) != solution.freedoms:
            raise ValueError(f"gradient: changing x[{i}] by its step changes the engine's numbering of the "
                             "freedoms (edge conditions or freedoms depend on x); a derivative needs the same "
                             "grid and supports on both sides")
        forms.append((k, b))
    (ku, bu), (kd, bd) = forms
    return (ku - kd) / (2.0 * h), (bu - bd) / (2.0 * h)


def _one_case(build: Build, x: np.ndarray, steps: np.ndarray, short: bool, base: Panel, case: _Case,
              gap: float) -> tuple[np.ndarray, np.ndarray, list[RawCluster], int, float | None]:
    direct, directions, differenced = _Probes(build, x, base, case).plan(steps, short)
    solution = case.analyse(case.panel(base), directions)
    m = solution.phi.shape[1]
    dk, db = np.zeros((len(x), m, m)), np.zeros((len(x), m, m))
    dk[direct], db[direct] = solution.stiffness_rates, solution.load_rates
    for i, h, up, down in differenced:
        dk[i], db[i] = _differenced_forms(i, h, up, down, solution)
    _, derivatives, clusters = _derivatives(case.quantity, solution.eigenvalues, solution.stiffness, solution.load,
                                            dk, db, gap)
    rows = solution.reported(case.modes)
    # the appended critical mode is reported next to those asked, the extra modes after it
    appended = len(rows) - min(case.modes, solution.computed)
    numbered = {engine: reported for reported, engine in enumerate(rows)}
    renumbered = [(kind, np.array([numbered.get(int(k), int(k) + appended) for k in g]), d)
                  for kind, g, d in clusters]
    return (solution.eigenvalues[rows], derivatives[rows], renumbered, 2 * len(differenced),
            solution.no_positive_below)


def _result(case: _Case, lam: np.ndarray, derivatives: np.ndarray, clusters: list[RawCluster], steps: np.ndarray,
            assemblies: int, bound: float | None) -> GradientResult:
    reported = len(lam)
    kept = tuple(Cluster(tuple(int(k) + 1 for k in sorted(g)), kind, d)
                 for kind, g, d in clusters if min(g) < reported)
    if case.quantity == "buckling":
        positive = [k for k in range(reported) if lam[k] > 0.0]
        if not positive:
            below = "at any load" if bound is None or math.isinf(bound) else f"below {bound:.6g}"
            raise ValueError(f"gradient: the variable loads do not buckle the panel: no positive load factor "
                             f"{below} (negative ones are for the reversed loads); its derivative is not defined")
        k = min(positive, key=lambda j: lam[j])
        values, gradients = lam.copy(), derivatives
    else:
        if not (lam > 0.0).all():
            raise ValueError("gradient: a natural frequency of the panel is zero (free to move as a rigid "
                             "body); its derivative is not defined")
        values = np.sqrt(lam) / (2.0 * math.pi)
        gradients = derivatives / (8.0 * math.pi ** 2 * values[:, None])
        k = 0
    return GradientResult(quantity=case.quantity, value=float(values[k]), mode=k + 1, gradient=gradients[k].copy(),
                          values=values, gradients=gradients, clusters=kept, steps=steps, assemblies=assemblies)


def gradient(build: Callable[[np.ndarray], Panel], x: ArrayLike, modes: int = 4,
             h: float | ArrayLike | None = None, quantity: str = "buckling", *,
             load_cases: Sequence[Loads] | None = None, density: float | None = None,
             mass_per_area: float | None = None,
             cluster_gap: float = CLUSTER_GAP,
             of: str | None = None) -> GradientResult | GradientLoadCases | MarginsTable:
    """The critical load factor (or first natural frequency) of the panel
    `build(x)` and its derivative with respect to the design variables x.

    Parameters
    ----------
    build : callable
        Maps a numpy vector of design variables to a ruvo.Panel: any quantity
        the panel expresses (laminate, stiffener stiffnesses or sections,
        radii, loads; positions only within the same grid lines).
    x : array of float
        The design point.
    modes : int
        The modes whose eigenvalues and gradients are reported (a few more are
        computed, so that a cluster at the end is whole).
    h : float or array, optional
        The steps of the central differences; by default 1e-3·abs(x) (1e-3
        where x is 0): small enough that the differences' own error (of
        order h²) stays near 1e-6 relative, large enough against the
        engine's single-precision inputs (about 6e-8). By default a
        variable that moves only the stiffeners' stiffnesses, the
        laminates, the loads or the masses takes the forward differences
        of those inputs over 1e-6·abs(x) (in double precision), whose
        derivatives of the matrices the engine assembles exactly: one build
        of the panel instead of two (at x ± h should that short step move
        nothing, or only values single precision holds exactly). A build
        that rounds what it computes (to single precision, to a grid of
        gauges) needs central differences over steps larger than its
        rounding: give `h`, and every variable is probed at x ± h.
    quantity : "buckling" or "frequency"
    load_cases : sequence of ruvo.Loads, optional
        Each replaces the panel's loads in turn; a GradientLoadCases is
        returned, one result per case, with the governing case.
    density, mass_per_area
        The skin's mass, as for `ruvo.vibrate` (frequency only).
    cluster_gap : float
        Relative gap below which eigenvalues are treated as repeated.
    of : "margins", optional
        The derivatives of every reserve factor of the margins table
        instead (buckling): the table at x (factor 1, one row per load case,
        part and mode, as `result.margins()`) with a column "d/dx[i]" per
        variable; the panel-buckling rows exact as above, the others by
        central differences of the checks alone in double precision (the
        panel rebuilt at x ± 1e-5·abs(x), or ± h when given, the analysis at
        x kept). One more analysis per load case.

    Cost per load case: one analysis, which also assembles the parts along
    the stiffener stiffnesses, laminates, loads and masses, with one build
    of the panel per such variable; two assemblies and three builds per
    other variable (radii, lengths); no eigen-solution but the first.

    Returns
    -------
    GradientResult or GradientLoadCases
        The latter with `load_cases`.

    Raises
    ------
    ValueError
        A step that changes the grid (a stiffener moved to another grid line,
        another number of lines), no buckling mode among those computed, or
        arguments out of range.
    AnalysisError
        The engine reported a failure.

    Examples
    --------
    The critical load factor of a plate and its rate with the thickness t
    (λ grows as t³, so dλ/dt = 3λ/t):

    >>> def plate(x):
    ...     skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=x[0])
    ...     return ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0),
    ...                       mesh=ruvo.Mesh(nx=6, ny=2))
    >>> result = ruvo.gradient(plate, [1.0], modes=2)
    >>> round(result.value, 2), round(result.gradient[0] / result.value, 3)
    (25.41, 3.0)
    """
    if quantity not in ("buckling", "frequency"):
        raise ValueError(f"gradient: quantity {quantity!r} is neither 'buckling' nor 'frequency'")
    if of not in (None, "margins") or (of == "margins" and quantity != "buckling"):
        raise ValueError(f"gradient: of={of!r}; 'margins' (with quantity 'buckling') or None")
    if quantity == "buckling" and (density is not None or mass_per_area is not None):
        raise ValueError("gradient: a mass is only used with quantity='frequency'")
    largest = int(engine.limits(engine.VARIANTS[-1]).p_ngrq)
    if isinstance(modes, bool) or not isinstance(modes, (int, np.integer)) or not 1 <= modes <= largest:
        raise ValueError(f"gradient: modes {modes!r} must be a whole number in 1..{largest}")
    x = np.array(x, dtype=float).ravel()
    if not np.isfinite(x).all():
        raise ValueError("gradient: x must be finite numbers")
    steps = _steps(x, h)
    base = _panel(build, x)
    cases: list[Loads | None] = [None] if load_cases is None else list(load_cases)
    if any(c is not None and not isinstance(c, Loads) for c in cases) or not cases:
        raise ValueError("gradient: load_cases must be a non-empty sequence of ruvo.Loads")
    results = []
    buckling = []   # of="margins": the critical load factor's gradient per case, NaN where the loads do not buckle
    for loads in cases:
        case = _Case(quantity, loads, int(modes), density, mass_per_area)
        lam, derivatives, clusters, assemblies, bound = _one_case(build, x, steps, h is None, base, case,
                                                                  cluster_gap)
        if of == "margins" and not (lam > 0.0).any():
            buckling.append(np.full(len(x), np.nan))
            continue
        results.append(_result(case, lam, derivatives, clusters, steps, assemblies, bound))
        buckling.append(results[-1].gradient)
    if of == "margins":
        from .checks import derivatives as margin_derivatives   # pandas (a second to import) only when asked for
        return margin_derivatives.margin_gradients(build, x, None if h is None else steps, int(modes), load_cases,
                                                   buckling)
    return GradientLoadCases(tuple(results)) if load_cases is not None else results[0]
