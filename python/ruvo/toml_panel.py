"""Panels described in TOML files (read with the standard library's tomllib)."""
from __future__ import annotations

import tomllib

from .panel import Edges, Laminate, Loads, Material, Mesh, Panel, Ply, Stiffener

EXAMPLE = '''\
title = "Simply supported plate under compression"
length = 100.0            # along x
width = 100.0             # along y
edges = "simply supported"   # or a table: [edges] x0 = "clamped", yl = "free", ...
modes = 3
# ry = 500.0              # radii rx, ry, rxy (omitted: flat)
# skew_x = 10.0           # angles of obliqueness, degrees

[laminate]                # or: material = {E1, E2, nu12, G12} with plies = [[t, angle], ...]
E = 70000.0               # or: A, B, D = 3 x 3 matrices
nu = 0.3
t = 1.0

[loads]                   # per unit length, positive in compression
Nx = 1.0                  # Nx, Ny, Nxy: multiplied by the load factor
# fixed_Ny = -10.0        # fixed_Nx, fixed_Ny, fixed_Nxy: carried as they are

[mesh]                    # nx, ny element counts, or size, or x, y lengths
nx = 8
ny = 8

# [[stringers]]           # along x at a y position (frames: along y at an x position)
# position = 50.0
# EA = 1.4e7
# EI = 1.0e9
# GJ = 1.0e6
'''

_PANEL_KEYS = {"title", "length", "width", "edges", "modes", "rx", "ry", "rxy", "skew_x", "skew_y", "freedoms",
               "laminate", "loads", "mesh", "stringers", "frames"}


def _only(table, allowed, where):
    unknown = set(table) - set(allowed)
    if unknown:
        raise ValueError(f"{where}: unknown keys {sorted(unknown)}")


def laminate_from(table):
    if "E" in table:
        _only(table, {"E", "nu", "t"}, "[laminate]")
        return Laminate.isotropic(table["E"], table.get("nu", 0.3), table["t"])
    if "plies" in table:
        _only(table, {"material", "plies"}, "[laminate]")
        plies = [Ply(**p) if isinstance(p, dict) else Ply(*p) for p in table["plies"]]
        return Laminate.from_plies(plies, Material(**table["material"]))
    if "A" in table:
        _only(table, {"A", "B", "D", "thickness"}, "[laminate]")
        return Laminate.from_matrices(table["A"], table["D"], table.get("B"), table.get("thickness"))
    raise ValueError("[laminate]: give E, nu, t; or material and plies; or A, B, D")


def panel_from_dict(d):
    """A Panel and the options (modes) from a parsed TOML document."""
    _only(d, _PANEL_KEYS, "panel")
    for key in ("length", "width", "laminate", "loads"):
        if key not in d:
            raise ValueError(f"panel: {key} missing")
    try:
        stiffeners = {name: tuple(Stiffener(**s) for s in d.get(name, [])) for name in ("stringers", "frames")}
        panel = Panel(length=d["length"], width=d["width"], laminate=laminate_from(d["laminate"]),
                      loads=Loads(**d["loads"]), edges=Edges.parse(d.get("edges", "simply supported")),
                      mesh=Mesh(**d.get("mesh", {})), **stiffeners,
                      **{k: d[k] for k in ("rx", "ry", "rxy", "skew_x", "skew_y", "freedoms", "title") if k in d})
    except TypeError as e:  # an unknown key of a sub-table
        raise ValueError(f"panel: {e}") from None
    return panel, {"modes": d.get("modes", 5)}


def load(path):
    """(Panel, options) from a TOML file."""
    with open(path, "rb") as f:
        return panel_from_dict(tomllib.load(f))
