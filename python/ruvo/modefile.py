"""The mode-shape file (the project name followed by MODES.txt) read into
numpy arrays: the contour of the panel and each mode on the plot grid.

The file holds the counts of plot intervals, then blocks of one heading, a
header record (0.0 and the coordinates across the lines) and one record per
line (its coordinate and the values along it); the heading names the
coordinate that increases from line to line.
"""
import os
import re
from dataclasses import dataclass

import numpy as np

_HEADING = re.compile(r"^(?:#CONTOUR\.|\s*MODE\s*(\d+)\.)\s*([XY]) increases from line to line")


@dataclass
class Block:
    """One block of the file: values[i, j] is the value at (x[i], y[j])."""
    mode: int  # the mode number, 0 for the contour
    x: np.ndarray
    y: np.ndarray
    values: np.ndarray


def _numbers(line: str) -> list[float]:
    # A value too large for its field is written as asterisks.
    return [float("nan") if "*" in word else float(word) for word in line.split()]


def read_modes(path: str | os.PathLike[str]) -> tuple[Block, list[Block]]:
    """The contour block and the list of mode blocks of a mode-shape file."""
    with open(path) as f:
        lines = f.read().splitlines()
    npx, npy = (int(v) for v in lines[1].split())
    blocks, at = [], 2
    while at < len(lines):
        heading = _HEADING.match(lines[at])
        if heading is None:
            raise ValueError(f"{path}:{at + 1}: not a block heading: {lines[at]!r}")
        over_x = heading.group(2) == "X"
        count = (npx if over_x else npy) + 1
        across = np.array(_numbers(lines[at + 1])[1:])
        rows = np.array([_numbers(line) for line in lines[at + 2:at + 2 + count]])
        if rows.shape != (count, across.size + 1):
            raise ValueError(f"{path}:{at + 1}: block of {rows.shape} values, expected {(count, across.size + 1)}")
        along, values = rows[:, 0], rows[:, 1:]
        x, y = (along, across) if over_x else (across, along)
        blocks.append(Block(int(heading.group(1) or 0), x, y, values if over_x else values.T))
        at += 2 + count
    if not blocks or blocks[0].mode != 0:
        raise ValueError(f"{path}: no contour block first")
    return blocks[0], blocks[1:]
