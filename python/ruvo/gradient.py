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
x enter through ∂A11 and need nothing apart. The derivatives of the matrices
are central differences of the engine's assemblies at x ± h (no eigen-solution
there); since they enter only as quadratic forms with the modes, each
assembly is reduced to the small matrices Φᵀ·K·Φ, Φᵀ·B·Φ of the computed
modes at once.

Repeated and nearly repeated eigenvalues: the modes are first refined by a
Rayleigh-Ritz step on the small matrices at x (which also separates a shear
panel's ± pair when the solver returned them mixed); eigenvalues whose
relative gap is below `cluster_gap` form a cluster, and their derivatives are
the eigenvalues of the cluster's projected derivative matrix: one-sided
(for an increase of x) derivatives of the cluster's eigenvalues in ascending
order. Such clusters are reported in the result.
"""
from __future__ import annotations

import math
from dataclasses import dataclass

import numpy as np
import scipy.linalg

from . import engine
from .analysis import check_buckling_support, vibration_options
from .panel import Loads, Panel

CLUSTER_GAP = 1e-4       # relative gap below which eigenvalues count as repeated
RELATIVE_STEP = 1e-3     # default step: this fraction of |x|, or this much where x is 0
LINEAR_STEP = 0.1        # forward step where the matrices are linear in x: this fraction of |x| (or this much)
AFFINE_TOLERANCE = 1e-3  # relative departure of the input changes from proportion still taken as linear
EXTRA_MODES = 2          # computed beyond those asked, so that a cluster at the end is whole


@dataclass(frozen=True)
class Cluster:
    """Modes (1-based) whose eigenvalues lie within the cluster gap
    ("repeated"), or a ± pair of load factors ("pair"). `derivatives[k, i]`:
    the derivative of the k-th smallest eigenvalue of the cluster for an
    increase of x[i] (load factors; squared circular frequencies)."""
    modes: tuple
    kind: str
    derivatives: np.ndarray


@dataclass(frozen=True)
class GradientResult:
    """`value`: the critical load factor (the smallest positive) or the
    first natural frequency in Hz; `mode` its mode (1-based); `gradient` its
    derivative with respect to x. `values`, `gradients[k]`: all modes asked
    (load factors in the engine's order, or frequencies in Hz). `clusters`:
    repeated eigenvalues and ± pairs among them; a gradient within a
    repeated cluster is the derivative for an increase of each x[i]."""
    quantity: str
    value: float
    mode: int
    gradient: np.ndarray
    values: np.ndarray
    gradients: np.ndarray
    clusters: tuple
    steps: np.ndarray
    assemblies: int

    @property
    def repeated(self):
        """Whether the critical eigenvalue belongs to a repeated cluster."""
        return any(c.kind == "repeated" and self.mode in c.modes for c in self.clusters)


# Engine inputs on which the assembled K and B depend linearly while the
# others stay: the stiffeners' EA, ES, EI, GJ; the variable loads; the fixed
# loads; the masses. A variable that moves the inputs of one group only, in
# proportion to its step, has exact forward differences of the matrices.
_LINEAR_GROUPS = {"stringers stiffness": "stiffness", "frames stiffness": "stiffness", "variable": "variable",
                  "fixed": "fixed", "density": "mass", "stringers masses": "mass", "frames masses": "mass"}
# Inputs of the stringer checks after the solution: no part of the matrices.
_NOT_ASSEMBLED = {"title", "project", "modes", "shift", "crippling", "global_buckling", "stringer_section",
                  "stringer_pitch"}


def _inputs(args):
    """The typed entry's arguments that enter the assembly, by name, as
    float arrays (texts and the like as they are); stiffener rows split into
    lines, stiffnesses and masses."""
    values = {}
    for key, value in args.items():
        if key in _NOT_ASSEMBLED:
            continue
        if key in ("stringers", "frames"):
            rows = np.asarray(value, float).reshape(-1, 6)
            values.update({key + " lines": rows[:, 0], key + " stiffness": rows[:, 1:5], key + " masses": rows[:, 5]})
            continue
        try:
            values[key] = np.asarray(value, float)
        except (TypeError, ValueError):
            values[key] = value
    return values


def _changes(inputs, base):
    """{name: change} of the inputs that differ from the base point's."""
    changes = {}
    for key, value in inputs.items():
        other = base[key]
        if isinstance(value, np.ndarray) and isinstance(other, np.ndarray) and value.shape == other.shape:
            if not np.array_equal(value, other):
                changes[key] = value - other
        elif not (isinstance(value, np.ndarray) or isinstance(other, np.ndarray)) and value == other:
            continue
        else:
            changes[key] = None  # not comparable: never linear
    return changes


def _linear_group(changes):
    groups = {_LINEAR_GROUPS.get(key) for key in changes}
    return groups.pop() if len(groups) == 1 and None not in groups else None


def _proportional(long, short, ratio):
    """Whether the input changes `long` are `ratio` times `short` (both of
    the same inputs) within the rounding of the engine's 32-bit inputs."""
    if long.keys() != short.keys():
        return False
    for key, change in long.items():
        if change is None or short[key] is None:
            return False
        scale = np.max(np.abs(change))
        if np.max(np.abs(change - ratio * short[key])) > AFFINE_TOLERANCE * scale:
            return False
    return True


def _steps(x, h):
    if h is None:
        return np.where(x != 0.0, RELATIVE_STEP * np.abs(x), RELATIVE_STEP)
    steps = np.broadcast_to(np.asarray(h, float), x.shape).copy()
    if not (np.isfinite(steps).all() and (steps > 0).all()):
        raise ValueError(f"gradient: the steps h = {h!r} must be positive and finite")
    return steps


def _topology(panel):
    return (len(panel.x_lengths), len(panel.y_lengths), panel.stringer_lines, panel.frame_lines, panel.freedoms,
            panel.edges)


def _panel(build, x, base=None, index=None):
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
    """One load case: the analysis at x, the assemblies at x and x ± h."""

    def __init__(self, quantity, loads, modes, density, mass_per_area):
        self.quantity, self.loads, self.modes = quantity, loads, modes
        self.density, self.mass_per_area = density, mass_per_area

    def panel(self, panel):
        return panel if self.loads is None else panel.replace(loads=self.loads)

    def options(self, panel):
        if self.quantity == "buckling":
            check_buckling_support(panel)
            return {}
        return vibration_options(panel, self.density, self.mass_per_area)

    def analyse(self, panel):
        kind = "buckling" if self.quantity == "buckling" else "vibration"
        largest = int(engine.limits(engine.variant_for(panel)).p_ngrq)
        computed = min(self.modes + EXTRA_MODES, largest)
        _, out, _ = engine.run(panel, kind, computed, entry=dict(tangential=True), **self.options(panel))
        return out["eigenvalues"], out["w"], out["tangential"]

    def arguments(self, panel):
        """The typed entry's arguments of the assembly (no solution)."""
        kind = "buckling" if self.quantity == "buckling" else "vibration"
        options = self.options(panel)
        options.pop("shift", None)  # a shift only helps the solution
        return engine.arguments(engine.variant_for(panel), panel, kind, 1, **options)


def _groups(values, gap):
    """Runs of modes (0-based, in the order given) whose eigenvalues lie within
    the relative gap of each other."""
    order = np.argsort(values, kind="stable")
    groups, current = [], [order[0]]
    for a, b in zip(order[:-1], order[1:]):
        if abs(values[b] - values[a]) <= gap * max(abs(values[a]), abs(values[b])):
            current.append(b)
        else:
            groups.append(current)
            current = [b]
    groups.append(current)
    return groups


def _derivatives(quantity, lam, kp, bp, dk, db, gap):
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
    match = [int(np.argmin(np.abs(ritz - v))) for v in lam]
    if len(set(match)) != len(match):
        match = list(np.argsort(np.abs(ritz) if buckling else ritz))
    ritz, c = ritz[match], c[:, match]
    signs = np.sign(ritz) if buckling else np.ones_like(ritz)
    derivatives = np.zeros((len(lam), dk.shape[0]))
    clusters = []
    for group in _groups(ritz, gap):
        g = np.array(group)
        centre = float(np.mean(ritz[g]))
        cg = c[:, g]
        for i in range(dk.shape[0]):
            d = cg.T @ (dk[i] - centre * db[i]) @ cg
            derivatives[g[np.argsort(ritz[g], kind="stable")], i] = np.sort(signs[g[0]] * np.linalg.eigvalsh(
                0.5 * (d + d.T)))
        if len(g) > 1:
            clusters.append(("repeated", g, derivatives[np.sort(g)]))
    if buckling:
        for group in _groups(np.abs(ritz), gap):
            if len(group) == 2 and ritz[group[0]] * ritz[group[1]] < 0:
                clusters.append(("pair", np.array(group), derivatives[np.sort(group)]))
    return ritz, derivatives, clusters


class _Probes:
    """The assemblies at x and at steps from it, seen through the modes."""

    def __init__(self, build, x, base, case, phi):
        self.build, self.x, self.base, self.case, self.phi = build, x, base, case, phi
        args = case.arguments(case.panel(base))
        self.ix, self.iy, self.k, self.b = engine.modal_forms(args, phi)
        self.inputs = _inputs(args)
        self.assemblies = 1

    def inputs_at(self, i, step):
        """(arguments, input changes) of build(x + step·e_i)."""
        xs = self.x.copy()
        xs[i] += step
        args = self.case.arguments(self.case.panel(_panel(self.build, xs, self.base, i)))
        return args, _changes(_inputs(args), self.inputs)

    def forms(self, i, args):
        ix, iy, k, b = engine.modal_forms(args, self.phi)
        self.assemblies += 1
        if (ix, iy) != (self.ix, self.iy):
            raise ValueError(f"gradient: changing x[{i}] by its step changes the engine's numbering of the "
                             "freedoms (edge conditions or freedoms depend on x); a derivative needs the same "
                             "grid and supports on both sides")
        return k, b

    def linear_step(self, i, h, up, down):
        """A long forward step and its arguments when x[i] moves one linear
        group of inputs in proportion (checked at -h, h and the long step);
        None otherwise."""
        if _linear_group(up[1]) is None or not _proportional(down[1], up[1], -1.0):
            return None
        long = LINEAR_STEP * abs(self.x[i]) if self.x[i] != 0.0 else LINEAR_STEP
        if long <= h:
            return h, up[0]
        try:
            far = self.inputs_at(i, long)
        except ValueError:
            return None
        return (long, far[0]) if _proportional(far[1], up[1], long / h) else None

    def derivative(self, i, h):
        """(∂(Φᵀ·K·Φ)/∂x[i], ∂(Φᵀ·B·Φ)/∂x[i], the step taken): a forward
        difference where the matrices are linear in x[i], central otherwise."""
        up, down = self.inputs_at(i, h), self.inputs_at(i, -h)
        forward = self.linear_step(i, h, up, down)
        if forward is not None:
            step, args = forward
            k, b = self.forms(i, args)
            return (k - self.k) / step, (b - self.b) / step, step
        (ku, bu), (kd, bd) = self.forms(i, up[0]), self.forms(i, down[0])
        return (ku - kd) / (2.0 * h), (bu - bd) / (2.0 * h), h


def _one_case(build, x, steps, base, case, gap):
    lam, w, x2 = case.analyse(case.panel(base))
    probes = _Probes(build, x, base, case, np.vstack([w, x2]))
    n, m = len(x), len(lam)
    dk, db = np.zeros((n, m, m)), np.zeros((n, m, m))
    taken = steps.copy()
    for i in range(n):
        dk[i], db[i], taken[i] = probes.derivative(i, steps[i])
    _, derivatives, clusters = _derivatives(case.quantity, lam, probes.k, probes.b, dk, db, gap)
    return lam[:case.modes], derivatives[:case.modes], clusters, taken, probes.assemblies


def _result(case, lam, derivatives, clusters, steps, assemblies):
    asked = case.modes
    kept = tuple(Cluster(tuple(int(k) + 1 for k in sorted(g)), kind, d)
                 for kind, g, d in clusters if min(g) < asked)
    if case.quantity == "buckling":
        positive = [k for k in range(asked) if lam[k] > 0.0]
        if not positive:
            raise ValueError(f"gradient: none of the {asked} load factors computed is positive: the variable "
                             "loads do not buckle the panel within these modes (ask for more modes, or "
                             "reverse the loads)")
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


def gradient(build, x, modes: int = 4, h=None, quantity: str = "buckling", *, load_cases=None,
             density=None, mass_per_area=None, cluster_gap: float = CLUSTER_GAP):
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
        The steps of the central differences of the assembled matrices; by
        default 1e-3·|x| (1e-3 where x is 0): small enough that the
        differences' own error (of order h²) stays near 1e-6 relative, large
        enough against the engine's single-precision inputs (about 6e-8).
    quantity : "buckling" or "frequency"
    load_cases : sequence of ruvo.Loads, optional
        Each replaces the panel's loads in turn; a list of results is returned,
        one per case.
    density, mass_per_area
        The skin's mass, as for `ruvo.vibrate` (frequency only).
    cluster_gap : float
        Relative gap below which eigenvalues are treated as repeated.

    Cost: one analysis and 1 + 2·len(x) assemblies (no eigen-solution) per
    load case.

    Raises
    ------
    ValueError
        A step that changes the grid (a stiffener moved to another grid line,
        another number of lines), no buckling mode among those computed, or
        arguments out of range.
    AnalysisError
        The engine reported a failure.
    """
    if quantity not in ("buckling", "frequency"):
        raise ValueError(f"gradient: quantity {quantity!r} is neither 'buckling' nor 'frequency'")
    if quantity == "buckling" and (density is not None or mass_per_area is not None):
        raise ValueError("gradient: a mass is only used with quantity='frequency'")
    if isinstance(modes, bool) or not isinstance(modes, (int, np.integer)) or modes < 1:
        raise ValueError(f"gradient: modes {modes!r} must be a whole number from 1")
    x = np.array(x, dtype=float).ravel()
    if not np.isfinite(x).all():
        raise ValueError("gradient: x must be finite numbers")
    steps = _steps(x, h)
    base = _panel(build, x)
    cases = [None] if load_cases is None else list(load_cases)
    if any(c is not None and not isinstance(c, Loads) for c in cases) or not cases:
        raise ValueError("gradient: load_cases must be a non-empty sequence of ruvo.Loads")
    results = []
    for loads in cases:
        case = _Case(quantity, loads, int(modes), density, mass_per_area)
        lam, derivatives, clusters, taken, assemblies = _one_case(build, x, steps, base, case, cluster_gap)
        results.append(_result(case, lam, derivatives, clusters, taken, assemblies))
    return results if load_cases is not None else results[0]
