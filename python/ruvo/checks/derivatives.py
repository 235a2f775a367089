"""Derivatives of every row of the margins table with respect to design
variables: the panel's buckling factor exactly from the engine's gradient,
the closed-form checks by central differences in double precision of the
checks alone (the panel rebuilt at x ± h, the analysis at x kept).
"""
from __future__ import annotations

import dataclasses
from typing import Callable, Sequence

import numpy as np

from ..analysis import buckle
from ..loads import Loads
from ..panel import Panel
from ..results import BucklingResult
from .table import PANEL_BUCKLING, MarginsTable, margins

# The checks' own step, relative to |x| (1 where x is 0): their closed forms
# are smooth in double precision, so the differences keep about 1e-10.
CHECK_STEP = 1e-5


def margin_gradients(build: Callable[[np.ndarray], Panel], x: np.ndarray, steps: np.ndarray | None, modes: int,
                     load_cases: Sequence[Loads] | None,
                     buckling: Sequence[np.ndarray]) -> MarginsTable:
    """The margins table at x (factor 1) with a column "d/dx[i]" per
    variable: the derivative of each row's reserve factor. `buckling`: the
    gradient of the critical load factor of each load case; `steps`: the
    checks' steps (None: CHECK_STEP·abs(x))."""
    cases = _analysed_cases(build(x.copy()), modes, load_cases)
    table = margins(cases)
    h = np.where(x != 0.0, CHECK_STEP * np.abs(x), CHECK_STEP) if steps is None else steps
    for i in range(len(x)):
        up, down = (_checked(build, x, i, step, cases) for step in (h[i], -h[i]))
        if not (list(up["part"]) == list(table["part"]) == list(down["part"])
                and list(up["mode"]) == list(table["mode"]) == list(down["mode"])):
            raise ValueError(f"gradient: changing x[{i}] by its step changes the rows of the margins table (a part "
                             "or a check appears or goes); a derivative needs the same rows on both sides")
        with np.errstate(invalid="ignore"):   # a row without failure (inf) has no derivative: NaN
            table[f"d/dx[{i}]"] = (up["reserve_factor"].to_numpy() - down["reserve_factor"].to_numpy()) / (2.0 * h[i])
    for k, gradient in enumerate(buckling):
        row = (table["load_case"] == k) & (table["mode"] == PANEL_BUCKLING)
        table.loc[row, [f"d/dx[{i}]" for i in range(len(x))]] = gradient
    return table


def _analysed_cases(panel: Panel, modes: int, load_cases: Sequence[Loads] | None) -> list[BucklingResult]:
    if load_cases is None:
        return [buckle(panel, modes)]
    return list(buckle(panel, modes, load_cases=load_cases).cases)


def _checked(build: Callable[[np.ndarray], Panel], x: np.ndarray, i: int, step: float,
             cases: Sequence[BucklingResult]) -> MarginsTable:
    """The table of the panel built at x + step·e_i over the analyses at x."""
    moved = x.copy()
    moved[i] += step
    panel = build(moved)
    return margins([dataclasses.replace(case, panel=panel.replace(loads=case.panel.loads)) for case in cases])
