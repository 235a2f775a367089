"""Results of an analysis as objects: eigenvalues, mode shapes on the node
grid and anywhere on the panel, forces, the listing, a plot."""
from __future__ import annotations

import dataclasses
import math
from dataclasses import dataclass, field
import os
import warnings
from pathlib import Path
from collections.abc import Sequence
from typing import TYPE_CHECKING, Any, Iterable, TypeVar, overload

import numpy as np
from numpy.typing import ArrayLike

from . import plot, result_document, table
from .edges import free_w_motions
from .loads import Loads
from .load_split import LoadSplit, split_loads
from .panel import Panel

if TYPE_CHECKING:
    import pandas


def hermite(z: ArrayLike) -> np.ndarray:
    """The four cubic Hermite functions on [0, 1] at z (last axis): value and
    slope per unit z at the start, value and slope at the end.

    Returns
    -------
    numpy.ndarray
        The four functions along a new last axis.

    Examples
    --------
    >>> hermite([0.0, 0.5]).tolist()
    [[1.0, 0.0, 0.0, 0.0], [0.5, 0.125, 0.5, -0.125]]
    """
    z = np.asarray(z, float)
    return np.stack([1 - 3 * z ** 2 + 2 * z ** 3, z - 2 * z ** 2 + z ** 3, 3 * z ** 2 - 2 * z ** 3, z ** 3 - z ** 2],
                    axis=-1)


@dataclass(frozen=True, eq=False)
class ModalResult:
    """Eigenvalues and W mode shapes common to buckling and vibration.

    eigenvectors[:, k] are the engine's W freedoms of mode k+1 (slopes stored
    divided by the global scales pi/length, pi/width); w_nodes[k] is W of mode
    k+1 on the node grid, indexed [y-line, x-line]; x, y the node coordinates.
    """
    panel: Panel
    variant: str
    eigenvalues: np.ndarray
    eigenvectors: np.ndarray
    freedoms: np.ndarray = field(repr=False)
    listing: str = field(repr=False)
    stdout: str = field(repr=False)

    @property
    def x(self) -> np.ndarray:
        return self.panel.x_nodes

    @property
    def y(self) -> np.ndarray:
        return self.panel.y_nodes

    @property
    def modes(self) -> int:
        return len(self.eigenvalues)

    def _vector(self, mode: int) -> np.ndarray:
        if mode is None:
            raise ValueError(self._no_mode())
        if isinstance(mode, bool) or not isinstance(mode, (int, np.integer)) or not 1 <= mode <= self.modes:
            raise ValueError(f"mode {mode!r} not among the {self.modes} modes computed (1..{self.modes})")
        return np.concatenate([[0.0], self.eigenvectors[:, mode - 1]])  # equation 0: a suppressed freedom

    @property
    def w_nodes(self) -> np.ndarray:
        return np.stack([self._vector(m)[self.freedoms[:, :, 0, 0]] for m in range(1, self.modes + 1)])

    def w(self, x: ArrayLike, y: ArrayLike, mode: int = 1) -> np.ndarray:
        """W of `mode` at points (x, y) of the panel (grid coordinates, so
        along the grid lines of a skewed panel), through the element's
        Hermite functions; x and y broadcast.

        Returns
        -------
        numpy.ndarray
            W of the mode's eigenvector (its scale is the engine's), of the
            broadcast shape of x and y.

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> result = ruvo.buckle(panel, modes=2)
        >>> result.w([0.0, 300.0], 50.0).tolist()   # on the simply supported edges
        [0.0, 0.0]
        """
        vector = self._vector(mode)
        x, y = np.broadcast_arrays(np.asarray(x, float), np.asarray(y, float))
        a, b = self.panel.x_lengths, self.panel.y_lengths
        xs, ys = self.x, self.y
        tol = 1e-9 * max(xs[-1], ys[-1])
        if (x < -tol).any() or (x > xs[-1] + tol).any() or (y < -tol).any() or (y > ys[-1] + tol).any():
            raise ValueError("w: point outside the panel")
        k = np.clip(np.searchsorted(xs, x, side="right") - 1, 0, len(a) - 1)
        l = np.clip(np.searchsorted(ys, y, side="right") - 1, 0, len(b) - 1)
        hx, hy = hermite(np.clip((x - xs[k]) / a[k], 0, 1)), hermite(np.clip((y - ys[l]) / b[l], 0, 1))
        # slope freedoms carry the global scales: x-slope / (pi/lx), y-slope / (pi/ly)
        sx, sy = math.pi / xs[-1] * a[k], math.pi / ys[-1] * b[l]
        total = np.zeros(x.shape)
        for dy in (0, 1):
            for ky in (0, 1):
                for dx in (0, 1):
                    for kx in (0, 1):
                        eq = self.freedoms[l + dy, k + dx, ky, kx]
                        scale = (sy if ky else 1.0) * (sx if kx else 1.0)
                        total += vector[eq] * scale * hy[..., 2 * dy + ky] * hx[..., 2 * dx + kx]
        return total

    def save_listing(self, path: str | os.PathLike[str]) -> None:
        """Writes the engine's listing (kept with `listing=True` or a `workdir`) to `path`.

        Returns
        -------
        None

        Examples
        --------
        >>> import pathlib, tempfile
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> result = ruvo.buckle(panel, modes=2, listing=True)
        >>> path = pathlib.Path(tempfile.mkdtemp()) / "analysis.out"
        >>> result.save_listing(path)
        >>> path.read_text() == result.listing
        True
        """
        Path(path).write_text(self.listing)

    def plot(self, mode: int = 1, ax: Any = None, file: str | os.PathLike[str] | None = None, points: int = 81,
             units: str = "mm") -> Any:
        """Filled contour of W of `mode` in the panel's true geometry with the
        stringers and frames drawn on it; returns the axes (and writes `file`
        when given).

        Returns
        -------
        matplotlib.axes.Axes

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> result = ruvo.buckle(panel, modes=2)
        >>> result.plot(1).get_title()
        'mode 1, load factor 25.3133'
        """
        return plot.mode(self, mode, ax=ax, file=file, points=points, units=units)

    def plot_modes(self, modes: Iterable[int] | None = None, file: str | os.PathLike[str] | None = None,
                   points: int = 61, units: str = "mm", columns: int | None = None) -> Any:
        """Several modes (all by default) in one figure on one colour scale
        centred on zero; returns the figure (and writes `file` when given).

        Returns
        -------
        matplotlib.figure.Figure

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> result = ruvo.buckle(panel, modes=2)
        >>> figure = result.plot_modes()   # the two modes and their colour bar
        >>> len(figure.axes)
        3
        """
        return plot.modes(self, modes, file=file, points=points, units=units, columns=columns)

    def _label(self, mode: int) -> str:
        return f"mode {mode}"

    def _no_mode(self) -> str:
        return f"mode: None is no mode; give a mode number 1..{self.modes}"

    def __eq__(self, other: object) -> bool:
        """The same panel, analysis and numbers (arrays compared by value)."""
        if type(other) is not type(self):
            return NotImplemented
        return all(np.array_equal(getattr(self, f.name), getattr(other, f.name))
                   if isinstance(getattr(self, f.name), np.ndarray) else getattr(self, f.name) == getattr(other, f.name)
                   for f in dataclasses.fields(self))

    def to_json(self, **kwargs: Any) -> str:
        """The result with its inputs, units, sign convention, the package
        version and a schema version, every field labelled; `ruvo.load`
        reads it back to an equal result. kwargs go to json.dumps (indent=1).

        Returns
        -------
        str

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> result = ruvo.buckle(panel, modes=2)
        >>> ruvo.load(result.to_json()) == result
        True
        """
        return result_document.to_json(self._document(), **kwargs)

    def _document(self) -> dict[str, Any]:
        """The result as a JSON-ready document (see `to_json`)."""
        raise NotImplementedError

    def _table_rows(self) -> list[dict[str, Any]]:
        """The result's columns of a sweep's table (one mapping)."""
        raise NotImplementedError


NOT_AVAILABLE = "not available for this shape"

# The old names of StringerStrength's fields, read from older files and
# kept as deprecated properties for one version.
RENAMED_STRENGTH_FIELDS = {"crippling_force": "web_local_buckling_force",
                           "crippling_stress": "web_local_buckling_stress",
                           "chord_crippling_force": "chord_local_buckling_force",
                           "global_load": "column_load", "global_converged": "column_converged"}


def _deprecated_field(old: str, new: str) -> property:
    def get(self: Any) -> Any:
        warnings.warn(f"StringerStrength.{old} is now .{new}; the old name goes in the next version",
                      DeprecationWarning, stacklevel=2)
        return getattr(self, new)
    return property(get, doc=f"Deprecated name of `{new}`.")


@dataclass(frozen=True)
class StringerStrength:
    """The stringers' checks from the engine's routines (all stringers of
    one section). Local buckling, the initial buckling of a wall as a long
    strip (not crippling, the post-buckling strength): the web of a T
    simply supported at the foot and free at the top (12·D66/b²), force
    and stress (`web_local_buckling_force`, `web_local_buckling_stress`);
    the web and the chord of a hat each supported on both long edges, each
    with its own bending stiffness (`web_local_buckling_force`,
    `chord_local_buckling_force`). `column_load`: the T stringer with its
    effective skin width as a Johnson column at the web's local buckling
    stress, plus the skin between the effective widths at the critical
    mode's Nx, over the panel width at the stringers' spacing; the column's
    length is the panel's, frames inside it not counted (`margins()` checks
    the column between frames). Values the
    shape has no routine for are None and `note` says so; a missing column
    load has its reason in `column_note` (no positive load factor among the
    computed modes, no axial compression in the critical mode, an
    effective width that did not settle: `column_converged` False)."""
    web_local_buckling_force: float | None = None
    web_local_buckling_stress: float | None = None
    chord_local_buckling_force: float | None = None
    column_load: float | None = None
    column_converged: bool = True
    note: str = NOT_AVAILABLE
    column_note: str = ""

    crippling_force = _deprecated_field("crippling_force", "web_local_buckling_force")
    crippling_stress = _deprecated_field("crippling_stress", "web_local_buckling_stress")
    chord_crippling_force = _deprecated_field("chord_crippling_force", "chord_local_buckling_force")
    global_load = _deprecated_field("global_load", "column_load")
    global_converged = _deprecated_field("global_converged", "column_converged")

    def __str__(self) -> str:
        def text(v: float | None, why: str = NOT_AVAILABLE) -> str:
            return (why or NOT_AVAILABLE) if v is None else f"{v:.6g}"
        return (f"web local buckling force {text(self.web_local_buckling_force)}, "
                f"web local buckling stress {text(self.web_local_buckling_stress)}, "
                f"chord local buckling force {text(self.chord_local_buckling_force)}, "
                f"column load {text(self.column_load, self.column_note)}")


@dataclass(frozen=True, eq=False)
class BucklingResult(ModalResult):
    """Buckling load factors (the multiple of the variable loads at which
    the panel buckles) and their modes.

    Sign convention: membrane forces are positive in compression (the
    opposite of the common tension-positive convention). A negative load
    factor means buckling under the reversed variable loads.

    load_factors: the modes asked in the engine's order (smallest magnitude
    first, either sign); when none of them is positive, the engine finds
    the smallest positive one beyond them and appends it as the last mode;
    positive_load_factors: the positive ones, ascending;
    critical_load_factor: the smallest positive load factor, critical_mode
    its mode number (from 1) and buckles whether there is one. Without one
    (buckles False) the analysis has shown that no positive load factor
    lies below `no_positive_below` (inf: none at all, as under tension
    everywhere; otherwise a million times the smallest magnitude computed),
    no_buckling_reason says so in
    words, critical_load_factor is inf and critical_mode None.
    critical_forces[k] = load_factors[k] * variable + fixed of the skin's
    forces (`skin_loads`), as (Nx, Nxy, Ny);
    membrane_forces[k] the engine's (Nx, Nxy, Ny) at one node at that load;
    stiffener_forces[k] the force in an x- and a y-stiffener (0 without).
    """
    membrane_forces: np.ndarray = None
    stiffener_forces: np.ndarray = None
    stringer_strength: StringerStrength | None = None
    no_positive_below: float | None = None

    @property
    def load_factors(self) -> np.ndarray:
        return self.eigenvalues

    @property
    def positive_load_factors(self) -> np.ndarray:
        return np.sort(self.eigenvalues[self.eigenvalues > 0])

    @property
    def critical_mode(self) -> int | None:
        """Mode number (from 1) of the smallest positive load factor; None
        when no mode buckles under the applied loads."""
        positive = np.flatnonzero(self.eigenvalues > 0)
        return int(positive[np.argmin(self.eigenvalues[positive])]) + 1 if positive.size else None

    @property
    def critical_load_factor(self) -> float:
        """The smallest positive load factor; inf when the panel does not
        buckle below `no_positive_below`."""
        mode = self.critical_mode
        return math.inf if mode is None else float(self.eigenvalues[mode - 1])

    @property
    def buckles(self) -> bool:
        return self.critical_mode is not None

    @property
    def no_buckling_reason(self) -> str:
        """Why the panel does not buckle ("" when it does)."""
        if self.buckles:
            return ""
        if self.no_positive_below is None or math.isinf(self.no_positive_below):
            return ("no positive load factor at any load: the variable loads stiffen the panel everywhere (their "
                    "geometric stiffness is negative definite), or every load factor of the model is computed and "
                    "all are negative (they buckle it under the reversed loads only)")
        return (f"no positive load factor below {self.no_positive_below:.6g}: the variable loads do not buckle "
                "the panel (negative factors are for the reversed loads)")

    def _no_mode(self) -> str:
        return (f"mode: None; the panel has no critical mode to draw ({self.no_buckling_reason}); "
                f"give a mode number 1..{self.modes}")

    @property
    def load_split(self) -> LoadSplit:
        """The panel's loads as analysed: the skin's forces and the
        stiffeners' axial forces, variable and fixed parts."""
        return split_loads(self.panel)

    @property
    def skin_loads(self) -> Loads:
        """The skin's membrane forces of the panel's loads (running loads,
        pressure and temperature resolved), variable and fixed parts."""
        return self.load_split.skin

    @property
    def critical_forces(self) -> np.ndarray:
        loads = self.skin_loads
        return self.eigenvalues[:, None] * loads.variable() + loads.fixed()

    def _label(self, mode: int) -> str:
        return f"mode {mode}, load factor {self.eigenvalues[mode - 1]:.6g}"

    def _document(self) -> dict[str, Any]:
        return result_document.buckling(self)

    def _table_rows(self) -> list[dict[str, Any]]:
        return table.buckling_rows(self)

    def margins(self, factor: float = 1.0, loads: str = "ultimate", knockdown: float | str | None = None) -> Any:
        """The margins table of this load case (numbered 0): a pandas
        DataFrame, one row per part and failure mode, columns load_case,
        part, mode, reserve_factor, margin (reserve factor / `factor` - 1),
        governing (the smallest of the case) and note (why a check was
        skipped); `loads` says whether the panel's loads are "ultimate" or
        "limit", `.attrs` holds both and the `header` stating them;
        `.governing()` gives the row with the smallest reserve factor.
        `knockdown` multiplies a curved panel's buckling reserve factor: a
        number in (0, 1] or "NASA SP-8007" (docs/loads.rst).

        Returns
        -------
        MarginsTable (a pandas DataFrame)

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0, Fcy=250.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=10.0))
        >>> table = ruvo.buckle(panel, modes=2).margins()
        >>> table[["part", "mode"]].values.tolist()
        [['panel', 'panel buckling'], ['skin', 'yield (von Mises)']]
        >>> round(float(table.governing()["reserve_factor"]), 3)
        2.531
        """
        # pandas (a second to import) only when a table is asked for
        from .checks import table
        return table.margins([self], factor, loads, knockdown)

    def report(self, path: str | os.PathLike[str], factor: float = 1.0, loads: str = "ultimate",
               knockdown: float | str | None = None, source: str = "") -> Path:
        """Writes the stress report of this load case to `path`: one
        self-contained HTML page with the panel, its laminates and
        stiffeners, the load case, the margins table (`margins` with
        `factor`, `loads`, `knockdown`), the critical mode and the versions;
        `source` names the input file (docs/loads.rst).

        Returns
        -------
        pathlib.Path
            The page written.

        Examples
        --------
        >>> import tempfile, pathlib
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0, Fcy=250.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=10.0))
        >>> with tempfile.TemporaryDirectory() as d:
        ...     page = ruvo.buckle(panel, modes=2).report(pathlib.Path(d) / "panel.html")
        ...     "panel buckling" in page.read_text()
        True
        """
        from . import report   # matplotlib and pandas only when a report is asked for
        return report.write(path, [self], self.margins(factor, loads, knockdown), source)

    def table(self) -> str:
        """The load factor and the critical forces of each mode, a line a mode.

        Returns
        -------
        str

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> print(ruvo.buckle(panel, modes=2).table())
        mode      load factor               Nx              Nxy               Ny
           1         25.31...
        """
        head = f"{'mode':>4} {'load factor':>16} {'Nx':>16} {'Nxy':>16} {'Ny':>16}"
        rows = [f"{k + 1:>4} {lam:>16.8g} {f[0]:>16.8g} {f[1]:>16.8g} {f[2]:>16.8g}"
                for k, (lam, f) in enumerate(zip(self.eigenvalues, self.critical_forces))]
        return "\n".join([head] + rows)


CaseResult = TypeVar("CaseResult")


@dataclass(frozen=True, eq=False)
class LoadCases(Sequence[CaseResult]):
    """The results of one panel under several load cases, one per case in
    the order given: `cases[k]` that of load case k, `governing` the case
    whose critical value is smallest and `governing_index` its index.
    Indexed, sliced and iterated as the sequence of the cases."""
    cases: tuple[CaseResult, ...]

    def _critical(self, case: CaseResult) -> float:
        """The value of a case by which the cases are compared."""
        raise NotImplementedError

    @property
    def governing_index(self) -> int:
        """The index of the case whose critical value is smallest."""
        return int(np.argmin([self._critical(c) for c in self.cases]))

    @property
    def governing(self) -> CaseResult:
        """The case whose critical value is smallest."""
        return self.cases[self.governing_index]

    def __len__(self) -> int:
        return len(self.cases)

    @overload
    def __getitem__(self, k: int) -> CaseResult: ...

    @overload
    def __getitem__(self, k: slice) -> tuple[CaseResult, ...]: ...

    def __getitem__(self, k: int | slice) -> CaseResult | tuple[CaseResult, ...]:
        return self.cases[k]

    def __eq__(self, other: object) -> bool:
        """The same cases, each equal."""
        if type(other) is not type(self):
            return NotImplemented
        return self.cases == other.cases   # type: ignore[attr-defined]


class LoadCaseResults(LoadCases["BucklingResult"]):
    """Buckling of one panel under several load cases, analysed in one call:
    `cases[k]` the BucklingResult of load case k, `governing` the case with
    the smallest critical load factor, `governing_index` its index."""

    def _critical(self, case: BucklingResult) -> float:
        return case.critical_load_factor

    @property
    def critical_load_factor(self) -> float:
        """The critical load factor of the governing case."""
        return self.governing.critical_load_factor

    def to_json(self, **kwargs: Any) -> str:
        """Every case's result as `BucklingResult.to_json` writes it, with the
        governing case's index; `ruvo.load` reads it back to equal results.
        kwargs go to json.dumps (indent=1).

        Returns
        -------
        str

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> cases = ruvo.buckle(panel, modes=2, load_cases=[ruvo.Loads(Nx=1.0), ruvo.Loads(Nxy=1.0)])
        >>> ruvo.load(cases.to_json()) == cases
        True
        """
        return result_document.to_json(result_document.load_cases(self), **kwargs)

    def _table_rows(self) -> list[dict[str, Any]]:
        return table.load_case_rows(self)

    def to_frame(self) -> pandas.DataFrame:
        """A pandas DataFrame, one row per load case: the case (from 0), its
        loads, whether it governs, its critical load factor and mode.

        Returns
        -------
        pandas.DataFrame

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> cases = ruvo.buckle(panel, modes=2, load_cases=[ruvo.Loads(Nx=1.0), ruvo.Loads(Nx=2.0)])
        >>> cases.to_frame()[["load_case", "governing"]].values.tolist()
        [[0, False], [1, True]]
        """
        return table.frame(self._table_rows())

    def margins(self, factor: float = 1.0, loads: str = "ultimate", knockdown: float | str | None = None) -> Any:
        """The margins table of all load cases (numbered from 0, as
        `cases`), as `BucklingResult.margins`; `governing` marks the
        smallest reserve factor of each case, `.governing()` gives the
        smallest over all.

        Returns
        -------
        MarginsTable (a pandas DataFrame)

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0, Fcy=250.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=10.0))
        >>> cases = ruvo.buckle(panel, modes=2, load_cases=[ruvo.Loads(Nx=10.0), ruvo.Loads(Nx=20.0)])
        >>> cases.margins().governing()[["load_case", "mode"]].tolist()
        [1, 'panel buckling']
        """
        from .checks import table   # pandas only when a table is asked for
        return table.margins(self.cases, factor, loads, knockdown)

    def report(self, path: str | os.PathLike[str], factor: float = 1.0, loads: str = "ultimate",
               knockdown: float | str | None = None, source: str = "") -> Path:
        """Writes the stress report of all load cases to `path`, as
        `BucklingResult.report`, with a critical mode per load case.

        Returns
        -------
        pathlib.Path
            The page written.

        Examples
        --------
        >>> import tempfile, pathlib
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, ry=1000.0)
        >>> cases = ruvo.buckle(panel, modes=2, load_cases=[ruvo.Loads(Nx=10.0), ruvo.Loads(Nxy=10.0)])
        >>> with tempfile.TemporaryDirectory() as d:
        ...     page = cases.report(pathlib.Path(d) / "panel.html", knockdown=0.8)
        ...     "Load case 1: critical mode" in page.read_text()
        True
        """
        from . import report   # matplotlib and pandas only when a report is asked for
        return report.write(path, list(self.cases), self.margins(factor, loads, knockdown), source)


@dataclass(frozen=True, eq=False)
class VibrationResult(ModalResult):
    """Natural frequencies: eigenvalues (circular frequency squared) and
    frequencies in Hz, with their modes.

    A panel whose edges leave it free to move as a rigid body normal to its
    surface has rigid-body modes first, of frequency 0 (all edges free: three,
    the translation and the two rotations w = a + b·x + c·y);
    `elastic_frequencies` leaves them out."""

    @property
    def frequencies(self) -> np.ndarray:
        """Hz; the rigid-body modes of a free panel, whose eigenvalues are
        zero up to rounding (either sign), give 0."""
        return np.sqrt(np.maximum(self.eigenvalues, 0.0)) / (2.0 * math.pi)

    @property
    def rigid_body_modes(self) -> int:
        """How many of the first modes are rigid-body modes: the number of the
        motions w = a + b·x + c·y that the edges leave free (3 with all edges
        free, 1 with W held along a single edge, 0 when W is supported)."""
        return free_w_motions(self.panel.edges, self.panel.length, self.panel.width)

    @property
    def elastic_frequencies(self) -> np.ndarray:
        """Hz: `frequencies` without the first `rigid_body_modes` (ask for
        `rigid_body_modes` more modes to keep as many elastic ones)."""
        return self.frequencies[self.rigid_body_modes:]

    def _label(self, mode: int) -> str:
        return f"mode {mode}, {self.frequencies[mode - 1]:.6g} Hz"

    def _document(self) -> dict[str, Any]:
        return result_document.vibration(self)

    def _table_rows(self) -> list[dict[str, Any]]:
        return table.vibration_rows(self)

    def table(self) -> str:
        """The eigenvalue and the frequency of each mode, a line a mode.

        Returns
        -------
        str

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0))
        >>> print(ruvo.vibrate(panel, density=2.7e-9, modes=2).table())
        mode       eigenvalue   frequency (Hz)
           1 ...        268.9...
        """
        head = f"{'mode':>4} {'eigenvalue':>16} {'frequency (Hz)':>16}"
        rows = [f"{k + 1:>4} {lam:>16.8g} {f:>16.8g}"
                for k, (lam, f) in enumerate(zip(self.eigenvalues, self.frequencies))]
        return "\n".join([head] + rows)
