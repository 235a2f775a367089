"""Pictures of mode shapes in the panel's true geometry (matplotlib; without a
display it draws through Agg).

A skewed panel is drawn as the parallelogram of its grid lines: the grid
direction x' lies at skew_x from x (towards y), y' at skew_y from y (towards
-x), so that a grid point at lengths (x', y') along them sits at
x = x'·cos(skew_x) - y'·sin(skew_y), y = x'·sin(skew_x) + y'·cos(skew_y). A
curved panel is drawn developed: lengths along the surface, and the figure
says so. W is shown divided by its largest magnitude, on a colour scale
centred on zero; stringers and frames are drawn in different lines, named
in a legend.
"""
from __future__ import annotations

import math
import os
import textwrap
from typing import TYPE_CHECKING, Any, Iterable

import numpy as np

from .modefile import read_modes

if TYPE_CHECKING:
    from .panel import Panel
    from .results import ModalResult as Result

STRINGER = dict(color="black", linewidth=2.2, linestyle="-")
FRAME = dict(color="darkorange", linewidth=2.2, linestyle="--")
LEVELS = np.linspace(-1.0, 1.0, 21)  # the same on every mode: white is W = 0


def _pyplot() -> Any:
    import matplotlib
    if not os.environ.get("DISPLAY") and not os.environ.get("MPLBACKEND"):
        matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    return plt


def to_plane(panel: Panel, x: np.ndarray, y: np.ndarray) -> tuple[np.ndarray, np.ndarray]:
    """Grid coordinates (lengths along the grid lines) to the plane of the picture."""
    ax, ay = math.radians(panel.skew_x), math.radians(panel.skew_y)
    return x * math.cos(ax) - y * math.sin(ay), x * math.sin(ax) + y * math.cos(ay)


def _extent(panel: Panel) -> tuple[float, float]:
    """Width and height of the picture of the panel."""
    corners = to_plane(panel, np.array([0.0, panel.length, panel.length, 0.0]),
                       np.array([0.0, 0.0, panel.width, panel.width]))
    return np.ptp(corners[0]), np.ptp(corners[1])


def _note(panel: Panel) -> str:
    """What the picture shows of the panel's geometry, for the figure's title."""
    notes = []
    if panel.curved:
        notes.append("curved, drawn developed (lengths along the surface)")
    if panel.skew_x or panel.skew_y:
        notes.append(f"skewed: x' at {panel.skew_x:g}°, y' at {panel.skew_y:g}°")
    return "; ".join(notes)


def _draw_mode(ax: Any, result: Result, mode: int, points: int, units: str) -> Any:
    panel = result.panel
    gx, gy = np.meshgrid(np.linspace(0.0, panel.length, points), np.linspace(0.0, panel.width, points))
    w = result.w(gx, gy, mode)
    px, py = to_plane(panel, gx, gy)
    filled = ax.contourf(px, py, w / (np.abs(w).max() or 1.0), levels=LEVELS, cmap="RdBu_r", vmin=-1.0, vmax=1.0)
    edge_x, edge_y = to_plane(panel, np.array([0, panel.length, panel.length, 0, 0]),
                              np.array([0, 0, panel.width, panel.width, 0]))
    ax.plot(edge_x, edge_y, color="0.3", linewidth=0.8)
    for k, line in enumerate(panel.stringer_lines):
        y = panel.y_nodes[line - 1]
        ax.plot(*to_plane(panel, np.array([0.0, panel.length]), np.array([y, y])), **STRINGER,
                label="stringer" if k == 0 else None)
    for k, line in enumerate(panel.frame_lines):
        x = panel.x_nodes[line - 1]
        ax.plot(*to_plane(panel, np.array([x, x]), np.array([0.0, panel.width])), **FRAME,
                label="frame" if k == 0 else None)
    ax.set_aspect("equal")
    along = "along the surface " if panel.curved else ""
    ax.set_xlabel(f"x {along}({units})")
    ax.set_ylabel(f"y {along}({units})")
    ax.set_title(result._label(mode), fontsize="medium")
    return filled


def _finish(fig: Any, axes: list[Any], filled: Any, result: Result, file: str | os.PathLike[str] | None) -> None:
    """Shared colour bar, legend and title; the layout engine keeps every
    text inside the figure."""
    panel = result.panel
    fig.colorbar(filled, ax=axes, label="W / max |W|", ticks=np.linspace(-1.0, 1.0, 5), shrink=0.9)
    handles, labels = axes[0].get_legend_handles_labels()
    if handles:
        axes[-1].legend(handles, labels, loc="upper left", bbox_to_anchor=(1.0, -0.08), fontsize="small",
                        frameon=False, handlelength=3.0)
    title = "\n".join(filter(None, [panel.title, _note(panel)]))
    if title:
        fig.suptitle(textwrap.fill(title, 70) if "\n" not in title else title, fontsize="medium")
    if file is not None:
        fig.savefig(file, dpi=100)


def _figure(panel: Panel, count: int, columns: int | None) -> tuple[Any, list[Any]]:
    plt = _pyplot()
    width, height = _extent(panel)
    columns = columns or (count if count <= 3 else 3 if width <= 1.5 * height else 2)
    rows = math.ceil(count / columns)
    cell = 4.2 if columns > 1 else 6.5
    # Axes about 0.7 of their cell wide (labels, colour bar), plus room for titles and labels.
    fig, axes = plt.subplots(rows, columns, squeeze=False, layout="constrained",
                             figsize=(cell * columns + 1.2, rows * (0.7 * cell * height / width + 1.0) + 0.9))
    for extra in axes.flat[count:]:
        extra.remove()
    return fig, list(axes.flat[:count])


def mode(result: Result, mode: int = 1, ax: Any = None, file: str | os.PathLike[str] | None = None, points: int = 81,
         units: str = "mm") -> Any:
    """Filled contour of W of one mode over the panel in its true geometry,
    stiffeners on top; returns the axes (and writes `file` when given)."""
    if ax is None:
        fig, axes = _figure(result.panel, 1, 1)
        ax = axes[0]
        _finish(fig, axes, _draw_mode(ax, result, mode, points, units), result, file)
        return ax
    filled = _draw_mode(ax, result, mode, points, units)
    ax.figure.colorbar(filled, ax=ax, label="W / max |W|", ticks=np.linspace(-1.0, 1.0, 5))
    if ax.get_legend_handles_labels()[0]:
        ax.legend(loc="best", fontsize="small")
    if file is not None:
        ax.figure.savefig(file, dpi=100)
    return ax


def modes(result: Result, modes: Iterable[int] | None = None, file: str | os.PathLike[str] | None = None,
          points: int = 61, units: str = "mm", columns: int | None = None) -> Any:
    """Several modes (all computed by default) in one figure on one colour
    scale; returns the figure (and writes `file` when given)."""
    chosen = list(range(1, result.modes + 1)) if modes is None else [int(m) for m in modes]
    fig, axes = _figure(result.panel, len(chosen), columns)
    filled = None
    for ax, m in zip(axes, chosen):
        filled = _draw_mode(ax, result, m, points, units)
    _finish(fig, axes, filled, result, file)
    return fig


def mode_file(path: str | os.PathLike[str], png: str | os.PathLike[str], units: str = "mm") -> None:
    """The contour and every mode of a mode-shape file, side by side, on the
    file's own grid (it holds no skew): the modes on a colour scale centred
    on zero."""
    plt = _pyplot()
    contour, blocks = read_modes(path)
    pictures = [("contour: height above the corner plane", contour)] + [(f"mode {b.mode}", b) for b in blocks]
    fig, axes = plt.subplots(1, len(pictures), figsize=(4.2 * len(pictures), 3.8), squeeze=False,
                             layout="constrained")
    for ax, (title, block) in zip(axes[0], pictures):
        values = block.values.T
        if block.mode:
            peak = np.nanmax(np.abs(values)) or 1.0
            filled = ax.contourf(block.x, block.y, values / peak, levels=LEVELS, cmap="RdBu_r")
            fig.colorbar(filled, ax=ax, shrink=0.8, label="W / max |W|", ticks=np.linspace(-1.0, 1.0, 5))
        else:
            filled = ax.contourf(block.x, block.y, values, levels=20, cmap="viridis")
            fig.colorbar(filled, ax=ax, shrink=0.8, label=f"height ({units})")
        ax.set_title(title, fontsize="medium")
        ax.set_aspect("equal")
        ax.set_xlabel(f"x ({units})")
        ax.set_ylabel(f"y ({units})")
    fig.savefig(png, dpi=72)
    plt.close(fig)
