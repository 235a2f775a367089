"""A stress report of an analysed panel as one self-contained HTML page: the
panel in true geometry, its laminates and stiffeners, the load cases and
their split, the margins table with the governing rows marked, the critical
mode of every load case, and the versions. Pictures are inline PNG data, so
the page needs no network and no other file; printed from a browser, page
breaks fall between tables and figures, not through them.
"""
from __future__ import annotations

import base64
import hashlib
import html
import io
import math
import os
from pathlib import Path
from typing import TYPE_CHECKING, Any, Iterable, Sequence

import numpy as np

from . import plot
from .edges import edge_words
from .version import __version__
from .load_split import split_loads
from .loads import RunningLoads

if TYPE_CHECKING:
    import pandas
    from .panel import Panel
    from .results import BucklingResult

STYLE = """
body { font-family: sans-serif; margin: 2em; color: #222; max-width: 60em; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; border-bottom: 1px solid #999; margin-top: 1.6em; }
table { border-collapse: collapse; margin: 0.6em 0; font-size: 0.85em; }
th, td { border: 1px solid #bbb; padding: 0.2em 0.5em; text-align: right; }
th { background: #eee; } td.text { text-align: left; }
tr.governing td { background: #fde0dc; font-weight: bold; }
figure { margin: 0.6em 0; } figure img { max-width: 100%; } figcaption { font-size: 0.85em; color: #555; }
p.note { font-size: 0.85em; color: #555; }
@media print {
  body { margin: 0; max-width: none; }
  table, figure, tr { page-break-inside: avoid; break-inside: avoid; }
  h2 { page-break-after: avoid; break-after: avoid; }
  section.modes { page-break-before: always; break-before: page; }
}
"""

BAND = "#9ecae1"   # regions and pad-ups on the skin


def _png(fig: Any) -> str:
    """The figure as an inline PNG image; the figure is closed."""
    buffer = io.BytesIO()
    fig.savefig(buffer, format="png", dpi=90)
    plot._pyplot().close(fig)
    return "data:image/png;base64," + base64.b64encode(buffer.getvalue()).decode("ascii")


def _figure_html(source: str, caption: str) -> str:
    return f'<figure><img src="{source}" alt="{html.escape(caption)}"><figcaption>{html.escape(caption)}</figcaption></figure>'


def _cell(value: Any) -> str:
    if isinstance(value, (bool, np.bool_)):
        return "<td>yes</td>" if value else "<td></td>"
    if isinstance(value, (int, np.integer)):
        return f"<td>{int(value)}</td>"
    if isinstance(value, (float, np.floating)):
        return "<td>–</td>" if math.isnan(value) else f"<td>{float(value):.5g}</td>"
    return f'<td class="text">{html.escape(str(value))}</td>'


def _table(head: Sequence[str], rows: Iterable[Sequence[Any]], marked: Sequence[bool] = ()) -> str:
    marks = list(marked)
    governing = ' class="governing"'
    body = "".join(f"<tr{governing if k < len(marks) and marks[k] else ''}>"
                   + "".join(_cell(v) for v in row) + "</tr>" for k, row in enumerate(rows))
    return ("<table><thead><tr>" + "".join(f"<th>{html.escape(h)}</th>" for h in head)
            + f"</tr></thead><tbody>{body}</tbody></table>")


def panel_picture(panel: Panel, units: str = "mm") -> str:
    """The panel in its true geometry (skewed as its grid, curved ones
    developed): the skin, its regions and pad-ups shaded, stringers and
    frames; an inline PNG."""
    plt = plot._pyplot()
    width, height = plot._extent(panel)
    fig, ax = plt.subplots(figsize=(7.0, max(2.0, min(7.0, 7.0 * height / width))), layout="constrained")
    outline = plot.to_plane(panel, np.array([0, panel.length, panel.length, 0]), np.array([0, 0, panel.width, panel.width]))
    ax.fill(*outline, color="0.93", edgecolor="0.3", linewidth=0.8, label="skin")
    for k, (x0, x1, y0, y1, _) in enumerate(panel.patches):
        ax.fill(*plot.to_plane(panel, np.array([x0, x1, x1, x0]), np.array([y0, y0, y1, y1])),
                color=BAND, label="region or pad-up" if k == 0 else None)
    for k, line in enumerate(panel.stringer_lines):
        y = panel.y_nodes[line - 1]
        ax.plot(*plot.to_plane(panel, np.array([0.0, panel.length]), np.array([y, y])), **plot.STRINGER,
                label="stringer" if k == 0 else None)
    for k, line in enumerate(panel.frame_lines):
        x = panel.x_nodes[line - 1]
        ax.plot(*plot.to_plane(panel, np.array([x, x]), np.array([0.0, panel.width])), **plot.FRAME,
                label="frame" if k == 0 else None)
    ax.set_aspect("equal")
    along = "along the surface " if panel.curved else ""
    ax.set_xlabel(f"x {along}({units})")
    ax.set_ylabel(f"y {along}({units})")
    ax.legend(loc="upper left", bbox_to_anchor=(1.0, 1.0), fontsize="small", frameon=False)
    ax.set_title(plot._note(panel) or "plan view", fontsize="medium")
    return _png(fig)


def _geometry(panel: Panel) -> str:
    edges = edge_words(panel.edges)
    rows = [("length, width", f"{panel.length:g} × {panel.width:g}"),
            ("radii rx, ry, rxy", ", ".join("flat" if math.isinf(r) or abs(r) >= 1e29 else f"{r:g}"
                                             for r in (panel.rx, panel.ry, panel.rxy))),
            ("skew x, y (degrees)", f"{panel.skew_x:g}, {panel.skew_y:g}"), ("edges", edges),
            ("freedoms", panel.freedoms),
            ("elements (x × y)", f"{len(panel.x_lengths)} × {len(panel.y_lengths)}")]
    return _table(["panel", ""], rows)


def _laminate_owners(panel: Panel) -> list[str]:
    owners = {0: ["skin"]}
    for name, patch in zip(panel._patch_names(), panel.patches):
        owners.setdefault(panel.laminates.index(patch[4]), []).append(name)
    return [", ".join(owners.get(k, [])) for k in range(len(panel.laminates))]


def _laminates(panel: Panel) -> str:
    rows = []
    for owner, lam in zip(_laminate_owners(panel), panel.laminates):
        a, d = np.array(lam.A), np.array(lam.D)
        thermal = "–" if lam.thermal_forces is None else ", ".join(f"{v:.4g}" for v in lam.thermal_forces)
        rows.append((owner, lam.thickness if lam.thickness is not None else math.nan, a[0, 0], a[1, 1], a[2, 2],
                     d[0, 0], d[1, 1], d[2, 2], "yes" if lam.coupled else "no", thermal))
    return _table(["laminate of", "t", "A11", "A22", "A66", "D11", "D22", "D66", "coupled (B)",
                   "thermal forces per degree"], rows)


MATERIAL_FIELDS = ("E1", "E2", "nu12", "G12", "alpha1", "alpha2", "Xt", "Xc", "Yt", "Yc", "S", "Fcy")


def _materials(panel: Panel) -> str:
    """The ply materials and stacks of the laminates built from plies."""
    rows = []
    for owner, lam in zip(_laminate_owners(panel), panel.laminates):
        if lam.material is None:
            continue
        stack = "/".join(f"{p.angle:g}" for p in lam.plies)
        values = [getattr(lam.material, name) for name in MATERIAL_FIELDS]
        rows.append((owner, stack, *(math.nan if v is None else v for v in values)))
    if not rows:
        return "<p>No laminate built from plies: the stiffness matrices above are as given.</p>"
    return _table(["laminate of", "plies (degrees, from the bottom)", *MATERIAL_FIELDS], rows)


def _stiffeners(panel: Panel) -> str:
    rows = []
    for kind, items, lines, nodes in (("stringer", panel.stringers, panel.stringer_lines, panel.y_nodes),
                                      ("frame", panel.frames, panel.frame_lines, panel.x_nodes)):
        for k, (s, line) in enumerate(zip(items, lines)):
            shape = getattr(s.crippling, "shape", None)
            section = getattr(s, "section", None)
            rows.append((f"{kind} {k + 1}", nodes[line - 1], "–" if section is None else type(section).__name__,
                         s.EA, s.ES, s.EI, s.GJ, math.nan if s.alpha is None else s.alpha,
                         "–" if shape is None else str(shape)))
    if not rows:
        return "<p>No stiffeners.</p>"
    return _table(["stiffener", "at", "section", "EA", "ES", "EI", "GJ", "alpha", "walls checked as"], rows)


def _load_cases(cases: Sequence[BucklingResult]) -> str:
    rows, split_rows = [], []
    for k, case in enumerate(cases):
        loads = case.panel.loads
        kind = "running loads" if isinstance(loads, RunningLoads) else "skin loads"
        rows.append((k, kind, loads.Nx, loads.Ny, loads.Nxy, loads.fixed_Nx, loads.fixed_Ny, loads.fixed_Nxy,
                     loads.pressure, "yes" if loads.closed_ends else "no", loads.delta_T, loads.fixed_delta_T))
        split = split_loads(case.panel)
        skin = split.skin
        stringer = split.stringer_forces[:, 0].max() if len(split.stringer_forces) else math.nan
        frame = split.frame_forces[:, 0].max() if len(split.frame_forces) else math.nan
        split_rows.append((k, skin.Nx, skin.Ny, skin.Nxy, skin.fixed_Nx, skin.fixed_Ny, skin.fixed_Nxy,
                           stringer, frame))
    return (_table(["case", "given as", "Nx", "Ny", "Nxy", "fixed Nx", "fixed Ny", "fixed Nxy", "pressure",
                    "closed ends", "ΔT", "fixed ΔT"], rows)
            + "<p class=\"note\">The skin's share (pressure and temperature resolved) and the largest variable "
              "stiffener force at load factor 1 (compression positive):</p>"
            + _table(["case", "skin Nx", "skin Ny", "skin Nxy", "fixed Nx", "fixed Ny", "fixed Nxy",
                      "stringer force", "frame force"], split_rows))


def _margins(table: pandas.DataFrame) -> str:
    ordered = table.sort_values("reserve_factor", na_position="last")
    head = ["load case", "part", "mode", "reserve factor", "margin", "governing", "note"]
    rows = [(r.load_case, r.part, r.mode, r.reserve_factor, r.margin, "◀ governing" if r.governing else "", r.note)
            for r in ordered.itertuples()]
    return _table(head, rows, [bool(g) for g in ordered["governing"]])


def _modes(cases: Sequence[BucklingResult]) -> str:
    plt = plot._pyplot()
    parts = []
    for k, case in enumerate(cases):
        mode = case.critical_mode
        if mode is None:
            parts.append(f"<p>Load case {k}: no critical mode ({html.escape(case.no_buckling_reason)}).</p>")
            continue
        width, height = plot._extent(case.panel)
        fig, ax = plt.subplots(figsize=(7.0, max(2.2, min(7.0, 6.0 * height / width))), layout="constrained")
        case.plot(mode, ax=ax, points=61)
        parts.append(_figure_html(_png(fig), f"Load case {k}: critical mode {mode}, load factor "
                                             f"{case.critical_load_factor:.5g}"))
    return "".join(parts)


def fingerprint(panel: Panel) -> str:
    """The first 12 hex digits of the SHA-256 of the panel's description
    (every field, its loads too): the version of the inputs."""
    return hashlib.sha256(repr(panel).encode("utf-8")).hexdigest()[:12]


def page(cases: Sequence[BucklingResult], margins: pandas.DataFrame, source: str = "") -> str:
    """The report's HTML text."""
    panel = cases[0].panel
    title = panel.title or "Panel"
    inputs = "".join(f"case {k}: {fingerprint(c.panel)}; " for k, c in enumerate(cases)).rstrip("; ")
    versions = _table(["of", "version"], [("ruvo", __version__), ("input file", source or "–"),
                                 ("inputs (SHA-256 of each case's panel)", inputs)])
    return f"""<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>{html.escape(title)} – stress report</title>
<style>{STYLE}</style></head><body>
<h1>{html.escape(title)} – stress report</h1>
<section class="panel"><h2>Panel</h2>{_figure_html(panel_picture(panel), "The panel in its true geometry")}
{_geometry(panel)}</section>
<section class="laminates"><h2>Materials, laminates and stiffeners</h2>{_materials(panel)}{_laminates(panel)}
{_stiffeners(panel)}</section>
<section class="loads"><h2>Load cases</h2>{_load_cases(cases)}</section>
<section class="margins"><h2>Margins</h2><p class="note">{html.escape(margins.attrs.get("header", ""))}</p>{_margins(margins)}</section>
<section class="modes"><h2>Critical modes</h2>{_modes(cases)}</section>
<section class="versions"><h2>Versions</h2>{versions}</section>
</body></html>
"""


def write(path: str | os.PathLike[str], cases: Sequence[BucklingResult], margins: pandas.DataFrame,
          source: str = "") -> Path:
    """Writes the report page of the analysed load cases to `path`."""
    target = Path(path)
    target.write_text(page(cases, margins, source), encoding="utf-8")
    return target
