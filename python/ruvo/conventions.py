"""Conventions the package shares with the engine, read from the engine's
own container of them once."""
from __future__ import annotations

import _ruvo

FLAT = float(_ruvo.conventions.flat_radius)  # the engine's radius of a flat direction
# Packed order of a symmetric 3 x 3 matrix in the engine (M11, M12, M22, M13,
# M23, M33), as 0-based numpy indices.
PACKED = tuple((i - 1, j - 1) for i, j in _ruvo.conventions.packed_entries)
