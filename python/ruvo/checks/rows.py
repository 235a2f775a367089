"""One row of a panel's margins table: the reserve factor of one part in one
failure mode at the applied loads of one load case, or why it was skipped."""
from __future__ import annotations

import math
from dataclasses import dataclass


@dataclass(frozen=True)
class Margin:
    """`reserve_factor` is the factor on the applied loads at which `part`
    fails in `mode`; NaN when the check was skipped, `note` then says why
    (a note may also qualify a computed factor)."""
    part: str
    mode: str
    reserve_factor: float
    note: str = ""

    @property
    def skipped(self) -> bool:
        return math.isnan(self.reserve_factor)
