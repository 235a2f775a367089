"""The margins table of analysed load cases: one row per load case, part
and failure mode, with the reserve factor, the margin at a factor of safety
and the governing row of each case.

A reserve factor multiplies the variable loads of a case (its fixed loads
kept) up to failure in that mode, as the buckling load factor does; the
margin is reserve factor / factor - 1, the factor the one between the loads
given and those to be carried (1 when the loads are ultimate, 1.5 say on
limit loads).
"""
from __future__ import annotations

from typing import Any, Callable, Sequence

import pandas

from ..validation import _number
from .case import AnalysedCase
from .rows import Margin
from .strength import strength_margins

PANEL_BUCKLING = "panel buckling"
COLUMNS = ["load_case", "part", "mode", "reserve_factor", "margin", "governing", "note"]
LOAD_KINDS = ("ultimate", "limit")


def panel_buckling_margins(result: AnalysedCase) -> list[Margin]:
    """The critical load factor as the panel's buckling row; inf, with the
    reason in the note, when the loads do not buckle it below the search bound."""
    return [Margin("panel", PANEL_BUCKLING, result.critical_load_factor, result.no_buckling_reason)]


# Every check of a load case, in the table's order.
CHECKS: tuple[Callable[[AnalysedCase], list[Margin]], ...] = (panel_buckling_margins, strength_margins)


class MarginsTable(pandas.DataFrame):
    """A pandas DataFrame of margins (columns `COLUMNS`); `.attrs` holds the
    factor, whether the loads are limit or ultimate, and the convention."""

    @property
    def _constructor(self) -> Callable[..., MarginsTable]:
        return MarginsTable

    def governing(self) -> pandas.Series:
        """The row with the smallest reserve factor over all load cases
        (skipped checks left out); ValueError when none was computed."""
        computed = self["reserve_factor"].dropna()
        if computed.empty:
            raise ValueError("margins: no reserve factor was computed (every check skipped; see the notes)")
        return self.loc[computed.idxmin()]


def margins(cases: Sequence[AnalysedCase], factor: float = 1.0, loads: str = "ultimate") -> MarginsTable:
    """The margins table of the analysed load cases `cases` (numbered from 0)."""
    factor = _number("margins", "factor", factor, positive=True)   # 1 on ultimate loads, 1.5 say on limit loads
    if loads not in LOAD_KINDS:
        raise ValueError(f"margins: loads {loads!r} must be 'ultimate' or 'limit' (what the panel's loads are)")
    rows = [_row(k, margin, factor) for k, case in enumerate(cases) for check in CHECKS for margin in check(case)]
    table = MarginsTable(rows, columns=COLUMNS)
    table["governing"] = False
    computed = table.dropna(subset=["reserve_factor"])
    if not computed.empty:
        table.loc[computed.groupby("load_case")["reserve_factor"].idxmin().to_numpy(), "governing"] = True
    table.attrs.update(factor=factor, loads=loads,
                       convention="reserve factor: the multiple of the variable loads (fixed loads kept) at which "
                                  "the part fails in the mode; margin = reserve factor / factor - 1")
    return table


def _row(case: int, margin: Margin, factor: float) -> dict[str, Any]:
    return dict(load_case=case, part=margin.part, mode=margin.mode, reserve_factor=margin.reserve_factor,
                margin=margin.reserve_factor / factor - 1.0, governing=False, note=margin.note)
