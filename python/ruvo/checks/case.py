"""What the checks read of an analysed load case: a ruvo.BucklingResult
seen through the few members the checks use, so that they need not import
the results they are part of."""
from __future__ import annotations

from typing import Protocol

from ..panel import Panel


class AnalysedCase(Protocol):
    """One analysed load case: its panel (with the case's loads as the
    panel's loads, at load factor 1: fixed part plus variable part), the
    critical load factor and, when the loads do not buckle the panel, why."""

    @property
    def panel(self) -> Panel: ...

    @property
    def critical_load_factor(self) -> float: ...

    @property
    def no_buckling_reason(self) -> str: ...
