"""Pictures of mode shapes (matplotlib; without a display it draws through Agg)."""
from __future__ import annotations

import os

import numpy as np


def _pyplot():
    import matplotlib
    if not os.environ.get("DISPLAY") and not os.environ.get("MPLBACKEND"):
        matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    return plt


def mode(result, mode=1, ax=None, file=None, points=81):
    """Filled contour of W of one mode over the panel, stiffener lines on
    top: stringers along x at their y, frames along y at their x."""
    plt = _pyplot()
    panel = result.panel
    x = np.linspace(0.0, panel.length, points)
    y = np.linspace(0.0, panel.width, points)
    gx, gy = np.meshgrid(x, y)
    w = result.w(gx, gy, mode)
    peak = np.abs(w).max() or 1.0
    if ax is None:
        width = 7.0
        _, ax = plt.subplots(figsize=(width, max(2.5, width * panel.width / panel.length)), layout="constrained")
    filled = ax.contourf(gx, gy, w / peak, levels=np.linspace(-1, 1, 21), cmap="RdBu_r")
    ax.figure.colorbar(filled, ax=ax, label="W / max |W|")
    for line in panel.stringer_lines:
        ax.axhline(panel.y_nodes[line - 1], color="k", linewidth=2.0)
    for line in panel.frame_lines:
        ax.axvline(panel.x_nodes[line - 1], color="k", linewidth=2.0)
    ax.set_aspect("equal")
    ax.set_xlabel("x")
    ax.set_ylabel("y")
    title = f"{panel.title}: " if panel.title else ""
    ax.set_title(title + result._label(mode))
    if file is not None:
        ax.figure.savefig(file, dpi=100)
    return ax


def modes(result, numbers, file=None, points=81):
    """Several modes side by side in one picture; returns the figure."""
    plt = _pyplot()
    panel = result.panel
    width = 7.0
    figure, axes = plt.subplots(len(numbers), 1, squeeze=False, layout="constrained",
                                figsize=(width, len(numbers) * max(2.5, width * panel.width / panel.length)))
    for number, ax in zip(numbers, axes[:, 0]):
        mode(result, number, ax=ax, points=points)
    if file is not None:
        figure.savefig(file, dpi=100)
    return figure
