"""Conventions the package shares with the engine."""
from __future__ import annotations

FLAT = 1.0e29  # the engine's radius of a flat direction
