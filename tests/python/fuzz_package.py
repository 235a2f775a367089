"""Seeded random calls of the typed entry `_ruvo._analyse` and random panels through the package, in this
process.

Typed calls start from a valid analysis (grid, edges, freedom set, stiffeners, load cases, vibration, tangential
parts, forms, modes up to beyond the freedoms) and spoil a few keywords: wrong types, shapes and dtypes,
non-finite and huge values, fractions for whole numbers, sequences of every kind (lists, tuples, generators,
arrays, 0-d arrays, sequences that make their items on access), paths in the project. Package panels carry
sections, regions, pad-ups and load cases; each result goes through JSON and the panel through TOML and back,
a damaged copy of the JSON is read, and the stiffener checks run on each buckling result. A fault exits non-zero: an exception other than a refusal, a refusal
whose text names no input, a refused typed call that changed the model state, a result whose arrays disagree
in size, a round trip that changes a number, or a stiffener check skipped without its reason or below zero. Each call is logged before it is made.

    python3 fuzz_package.py --seed 1 --typed 1000 --panels 50 --log calls.log
"""
import argparse
import dataclasses
import json
import math
import warnings

import numpy as np

import _ruvo
import fuzz_calls
import ruvo
from conftest import MadeOnAccess
from ruvo import Laminate, Loads, Mesh, Panel, Region, Stiffener, sections
from ruvo.checks.stiffeners import stiffener_margins

SETS = {"WUV": [1, 2, 3, 0, 0], "W": [1, 0, 0, 0, 0], "WUVBG": [1, 2, 3, 4, 5], "WBG": [1, 4, 5, 0, 0]}
SKIN = Laminate.isotropic(70000.0, 0.3, 1.0, transverse_shear=True)
WILD = [math.nan, math.inf, -math.inf, 1e300, -1e300, 1e-300, 0.0, -1.0, 2**31, -2**31 - 1, 1.5, True, "3", b"x",
        None, object(), [], [[]], {}, np.array(1.0), np.zeros((0, 3)), np.ones((2, 2, 2))]


COUNTS = dict.fromkeys(["typed ran", "typed refused", "panels analysed", "panels refused"], 0)


class Fuzz(fuzz_calls.Fuzz):
    def typed_args(self):
        """A valid typed analysis."""
        nx, ny = (int(n) for n in self.rng.integers(1, 6, 2))
        functions = self.pick(list(SETS))
        kind = "vibration" if self.chance(0.3) else "buckling"
        edge = [0, 1, 2, 3, 0, 0, 0] if "U" in functions else [0, 1, 0, 0, 0, 0, 0]
        args = dict(variant=self.pick(["19", "21", "25", "31"]), kind=kind, modes=int(self.rng.integers(1, 30)),
                    x_lengths=list(self.rng.uniform(5.0, 30.0, nx)), y_lengths=list(self.rng.uniform(5.0, 30.0, ny)),
                    laminates=[SKIN.packed()], shear=[SKIN.shear_packed()], edges=[edge] * 4,
                    freedoms=SETS[functions], variable=[float(self.rng.uniform(-1, 2)), 0.0, 1.0])
        for name, lines in (("stringers", ny + 1), ("frames", nx + 1)):
            if self.chance(0.4):
                args[name] = [[int(self.rng.integers(1, lines + 1)), 1e6, 0.0, 1e7, 1e5, 1e-7]]
        if kind == "vibration":
            args["density"] = 2.7e-9
        elif self.chance(0.3):
            args["more_load_cases"] = [([1.0, 0.0, 0.0], [0.0, 0.0, float(f)]) for f in self.rng.uniform(-1e4, 1e5, 2)]
        if self.chance(0.2):
            args["tangential"] = True
        elif self.chance(0.1) and "more_load_cases" not in args:
            args["forms"] = True
        if self.chance(0.2):
            args["eigensolver"] = self.pick(["auto", "subspace", "lanczos"])
        return args

    def spoil(self, args):
        """One keyword changed to a wild value, a sequence of another kind or a damaged copy."""
        name = self.pick(sorted(args) + ["more_load_cases", "directions", "project", "directory", "radii", "skew",
                                         "element_rows", "stringer_section", "colour"])
        value = args.get(name, [([1.0, 0, 0], [0, 0, 0])])
        how = self.rng.integers(6)
        if how == 0:
            args[name] = self.pick(WILD)
        elif how == 1 and isinstance(value, list):
            args[name] = self.pick([tuple, MadeOnAccess, lambda v: (x for x in v), np.array])(value) \
                if name != "more_load_cases" or self.chance(0.5) else MadeOnAccess(value)
        elif how == 2:
            args[name] = np.asarray(np.array(value, dtype=object).tolist() if isinstance(value, list) else 0.0,
                                    dtype=float) * self.pick([math.nan, math.inf, 1.5, -1.0, 1e30]) \
                if _numeric(value) else self.pick(WILD)
        elif how == 3:
            args[name] = self.pick(["../x", "a/b", "/tmp/x", "x\0y", "ok", ""]) if name == "project" else \
                np.zeros(int(self.rng.integers(0, 40)))
        elif how == 4:
            args.pop(name, None)
        else:
            args["modes"] = self.pick([1, 50, 55, 10**9, 0, -1])
        return name


def _numeric(value):
    try:
        np.asarray(value, float)
        return True
    except (TypeError, ValueError):
        return False


def sizes_fault(out):
    """A result array whose size disagrees with the others, or ''."""
    n, ix, iy = len(out["eigenvalues"]), out["ix"], out["iy"]
    if out["w"].shape != (ix if n else out["w"].shape[0], n) or out["forces"].shape != (n, 5):
        return f"w {out['w'].shape}, forces {out['forces'].shape} for {n} modes of {ix} W equations"
    for c in out["cases"]:
        m = len(c["eigenvalues"])
        if c["w"].shape != (ix, m) or c["forces"].shape != (m, 5):
            return f"a case's w {c['w'].shape} for {m} modes of {ix} W equations"
    if "tangential" in out and out["tangential"].shape != (iy, n):
        return f"tangential {out['tangential'].shape} for {n} modes of {iy} equations"
    return ""


def typed_call(fz, k, log):
    args = fz.typed_args()
    spoiled = [fz.spoil(args) for _ in range(int(fz.rng.integers(0, 3)))]
    log.write(f"{k} _analyse spoiled {spoiled}: {fuzz_calls.describe(args)}\n")
    log.flush()
    before = _ruvo.f07ina.mx.copy(), _ruvo.man.ix.copy()
    try:
        out = _ruvo._analyse(**args)
    except (TypeError, ValueError, OverflowError) as e:
        if not str(e).startswith("_analyse: ") or len(str(e)) < 16:
            return f"a refusal that names no input: {type(e).__name__}: {e}"
        if (_ruvo.f07ina.mx, _ruvo.man.ix) != before and "projected has" not in str(e):
            return f"refused ({e}) but changed the model state"
        COUNTS["typed refused"] += 1
        return ""
    COUNTS["typed ran"] += 1
    return sizes_fault(out)


def random_panel(fz):
    """A panel of small grid with random sections, regions, pad-ups and stiffeners."""
    length, width = (float(v) for v in fz.rng.uniform(100.0, 600.0, 2))
    alu = sections.Isotropic(70000.0, 0.3, Fcy=300.0)
    stringers = []
    for position in np.sort(fz.rng.uniform(0.1, 0.9, int(fz.rng.integers(0, 3)))) * width:
        shape = fz.pick([
            lambda: sections.Blade(skin=SKIN, material=alu, height=float(fz.rng.uniform(5, 40)), web=1.5),
            lambda: sections.T(skin=SKIN, material=alu, height=float(fz.rng.uniform(10, 40)), web=1.5,
                               foot_width=float(fz.rng.uniform(5, 30)), foot=1.5),
            lambda: sections.Hat(skin=SKIN, material=alu, height=20.0, crown_width=15.0, crown=1.0, web=1.0,
                                 web_angle=float(fz.rng.uniform(0, 60)), foot_width=10.0, foot=1.0),
        ])()
        pad = dict(pad_up=Laminate.isotropic(70000.0, 0.3, 2.0, transverse_shear=True),
                   pad_width=float(fz.rng.uniform(1, 40))) if fz.chance(0.3) else {}
        stringers.append(shape.stiffener(float(position), **pad))
    regions = [Region(0.0, 0.2 * width, Laminate.isotropic(70000.0, 0.3, 1.5, transverse_shear=True))] \
        if fz.chance(0.2) and not any(s.pad_up for s in stringers) else []
    frames = [Stiffener(0.5 * length, EA=1e6, EI=float(fz.rng.uniform(1e6, 1e8)), GJ=1e5, mass=1e-7)] \
        if fz.chance(0.3) else []
    loads = Loads(Nx=float(fz.rng.uniform(-1, 2)), Nxy=float(fz.rng.uniform(-1, 1)), fixed_Ny=float(fz.rng.uniform(-5, 5)))
    edges = fz.pick(["simply supported", "clamped", {"all": "simply supported", "yl": "free"}, "free"])
    return Panel(length=length, width=width, laminate=SKIN, loads=loads, edges=edges, stringers=stringers,
                 frames=frames, regions=regions, mesh=Mesh(nx=int(fz.rng.integers(2, 7)), ny=int(fz.rng.integers(2, 7))),
                 freedoms=fz.pick(["WUV", "WUV", "WUVBG"]))


def damaged(fz, text):
    """The JSON text with one number, key or bracket changed."""
    doc = json.loads(text)
    target = fz.pick(["schema_version", "modes", "w_equations", "panel", "grid"])
    if target == "modes" and doc["modes"]:
        mode = doc["modes"][0]
        key = fz.pick(sorted(mode))
        mode[key] = fz.pick([True, "12", None, [], -1, 1e308, {"a": 1}])
    elif target == "w_equations":
        doc["w_equations"]["values"] = fz.pick([[], [[-1]], "x", [[[[1.5]]]]])
    else:
        doc[target] = fz.pick([True, None, "x", 2, [], {}])
    return json.dumps(doc)


def panel_call(fz, k, log, tmp):
    try:
        panel = random_panel(fz)
    except ValueError as e:   # a random section that does not fit its panel: refused naming the field
        return "" if ": " in str(e) else f"a refusal that names no field: {e}"
    if fz.chance(0.2):
        path = f"{tmp}/panel.toml"
        with open(path, "w") as f:
            f.write(panel.to_toml())
        if Panel.from_toml(path) != panel:
            return "a panel changed through TOML"
        text = bytearray(panel.to_toml().encode())
        at = int(fz.rng.integers(len(text)))
        text[at:at + 1] = fz.pick([b"", b"=", b"[", b'"', b"\xff", b"1e999", b"\n[[stringers]]\n"])
        with open(path, "wb") as f:
            f.write(bytes(text))
        try:
            Panel.from_toml(path)
        except ValueError:
            pass
    kind = "buckle" if fz.chance(0.7) else "vibrate"
    log.write(f"{k} {kind} {panel!r}\n")
    log.flush()
    try:
        if kind == "buckle":
            cases = [panel.loads, dataclasses.replace(panel.loads, fixed_Ny=float(fz.rng.uniform(-1e3, 1e5)))] \
                if fz.chance(0.3) else None
            result = ruvo.buckle(panel, modes=int(fz.rng.integers(1, 8)), load_cases=cases)
        else:
            result = ruvo.vibrate(panel, density=2.7e-9, modes=int(fz.rng.integers(1, 8)))
    except (ValueError, ruvo.AnalysisError) as e:
        COUNTS["panels refused"] += 1
        return "" if ": " in str(e) else f"a refusal that names no field: {e}"
    COUNTS["panels analysed"] += 1
    for r in getattr(result, "cases", (result,)):
        if ruvo.load(r.to_json()) != r:
            return "a result changed through JSON"
        if kind == "buckle":
            for row in stiffener_margins(r):
                if (row.skipped and not row.note) or row.reserve_factor < 0.0:
                    return f"a stiffener check without its reason or below zero: {row}"
        try:
            ruvo.load(damaged(fz, r.to_json()))
        except ValueError as e:
            if not str(e).startswith("JSON text: "):
                return f"a damaged result refused without its source: {e}"
    return ""


def run(seed, typed, panels, log, tmp):
    warnings.simplefilter("ignore")
    fz = Fuzz(np.random.default_rng(seed))
    for k in range(typed + panels):
        fault = typed_call(fz, k, log) if k < typed else panel_call(fz, k, log, tmp)
        if fault:
            raise SystemExit(f"FUZZ FAULT (seed {seed}): call {k}: {fault}")


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    for option, default in (("seed", 0), ("typed", 1000), ("panels", 50), ("log", "fuzz-package.log"), ("tmp", ".")):
        p.add_argument("--" + option, default=default, type=type(default))
    opts = p.parse_args()
    with open(opts.log, "w") as log:
        run(opts.seed, opts.typed, opts.panels, log, opts.tmp)
    print(json.dumps(COUNTS))


if __name__ == "__main__":
    main()
