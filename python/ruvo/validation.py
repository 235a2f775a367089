"""Checks of the values an engineer passes: each returns the value as the
dataclasses keep it, or raises ValueError naming the owner and field, before
any analysis starts; values that are almost always a mistake of units warn.
"""
from __future__ import annotations

import math
import warnings
from typing import Any

import numpy as np

# Lengths whose fourth powers stay within the engine's 32-bit floats.
SMALLEST_LENGTH, LARGEST_LENGTH = 1e-9, 1e9


class UnitWarning(UserWarning):
    """A value that is almost always a mistake of units."""


def _warn_units(message: str) -> None:
    warnings.warn(message, UnitWarning, stacklevel=4)


def _number(owner: str, name: str, value: Any, *, positive: bool = False, nonnegative: bool = False) -> float:
    """`value` as a finite float, or ValueError naming owner.name (a text or
    true/false is no number, though float() would take it)."""
    if type(value) is float and math.isfinite(value) and not (positive and value <= 0) \
            and not (nonnegative and value < 0):
        return value   # the usual case, at the price of one test
    if isinstance(value, (bool, np.bool_, str, bytes)):
        raise ValueError(f"{owner}.{name}: {value!r} is not a number")
    try:
        v = float(value)
    except (TypeError, ValueError):
        raise ValueError(f"{owner}.{name}: {value!r} is not a number") from None
    if not math.isfinite(v):
        raise ValueError(f"{owner}.{name}: {v} is not finite")
    if positive and v <= 0:
        raise ValueError(f"{owner}.{name}: {v} must be positive")
    if nonnegative and v < 0:
        raise ValueError(f"{owner}.{name}: {v} must not be negative")
    return v


def _length(owner: str, name: str, value: Any) -> float:
    """A positive length the engine's 32-bit arithmetic can carry."""
    v = _number(owner, name, value, positive=True)
    if not SMALLEST_LENGTH <= v <= LARGEST_LENGTH:
        raise ValueError(f"{owner}.{name}: {v} lies outside {SMALLEST_LENGTH:g}..{LARGEST_LENGTH:g}, where its "
                         "fourth power stays within the engine's 32-bit floats; choose other length units")
    return v


def _modulus(owner: str, name: str, value: Any) -> float:
    v = _number(owner, name, value, positive=True)
    if v < 1000.0:
        _warn_units(f"{owner}.{name}: {v} is below 1000; a modulus in GPa where MPa (N/mm²) is meant?")
    return v


def _set(obj: object, **values: Any) -> None:
    for k, v in values.items():
        object.__setattr__(obj, k, v)

