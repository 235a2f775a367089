"""Seeded random calls of every routine of `_ruvo`, in this process.

One generator makes every call from the arguments a routine's row declares (read from its docstring):
random counts, types, dtypes, shapes, orders, read-only, misaligned, overlapping and strided arrays, huge
integers, NaN and infinity, after random shared-block members and namelist text in fort.8. Now and then
a valid model is built (callruvo, then ruvomain on another grid), one argument or member perturbed, and
the routines that follow are called fitting it, first those not yet run past their checks. A fault exits
non-zero: an exception other than the surface's refusals, a model state changed by a refused call, or a
write into the guards around an array. Each call is logged before it is made.

    python3 fuzz_calls.py --seed 1 --calls 1000 --log calls.log --counts counts.json
"""
import argparse
import json
import pathlib
import re
import warnings

import numpy as np

import _ruvo
from conftest import isotropic_laminate, level_vector, plate, ruvomain_args

GUARD = 8                      # guard entries on each side of an in-place array
MODEL_SHARE = 0.15             # chance that a call starts the calls of a valid model
VALUES = json.loads(pathlib.Path(__file__).with_name("data").joinpath("fuzz.json").read_text())
WILD_INTS, WILD_FLOATS = VALUES["wild_ints"], [float(x) for x in VALUES["wild_floats"]]
# What follows a run in an analysis: the buckling solution and the mode-shape file, or the vibration solution.
SMALL_SIZES, WRONG_DTYPES, STEPS = VALUES["small_sizes"], VALUES["wrong_dtypes"], VALUES["steps"]
ERROR = _ruvo.__ruvo_error
# A failed conversion keeps the class of the underlying error (a huge integer in an integer array: OverflowError).
ALLOWED = (ERROR, TypeError, ValueError, OverflowError)
DTYPE = {"i": np.int32, "f": np.float32, "d": np.float64}
PANEL = {k: np.array(v, np.float32) if isinstance(v, list) else v for k, v in VALUES["panel"].items()}
ARG_LINE = re.compile(r"^(\w+) : (input |in/output |)(.*?)(, optional)?$")
ARRAY_KIND = re.compile(r"rank-(\d+) array\('(\w)'\) with bounds \((.*)\)")
DEFAULT_LINE = re.compile(r"^\s+Default: shape\((\w+), (\d+)\)$")


def parse_doc(doc):
    """The arguments of a routine as its docstring lists them."""
    args, section = [], None
    for line in doc.split("\n"):
        if line in ("Parameters", "Other Parameters", "Returns"):
            section = line
        elif (m := ARG_LINE.match(line)) and section != "Returns":
            name, intent, kind, optional = m.groups()
            arg = dict(name=name, inout=intent == "in/output ", optional=bool(optional), kind=kind)
            if am := ARRAY_KIND.match(kind):
                arg.update(kind="array", letter=am.group(2), bounds=am.group(3).split(","))
            elif kind.startswith("string"):
                arg.update(kind="string", length=int(re.search(r"len=(\d+)", kind).group(1)))
            args.append(arg)
        elif (d := DEFAULT_LINE.match(line)) and args:
            args[-1]["default"] = (d.group(1), int(d.group(2)))
    return args


def members(module, kind):
    return [(n, getattr(module, n)) for n in sorted(dir(module)) if isinstance(getattr(module, n), kind)]


def discover(module=_ruvo):
    """[(qualified name, routine, arguments)] of every routine of every container."""
    return [(f"{cname}.{rname}", r, parse_doc(r.__doc__)) for cname, c in members(module, module.container)
            for rname, r in members(c, module.routine)]


def snapshot(blocks):
    return [(bname, m, np.array(getattr(b, m)).tobytes()) for bname, b in blocks for m in dir(b)]


class Fuzz:
    """The random values of one series. A call's wildness is drawn per call, so that some calls are
    wholly well formed and reach the routine, and others pile faults up; `fit` calls fit the model
    state of a run; `guarded` holds the in-place arrays of the current call."""

    def __init__(self, rng):
        self.rng, self.guarded, self.wild, self.band, self.order, self.fit = rng, [], 0.0, 1, 2, False
        self.consts = {}           # size constants of the routine's variant, when fitting a model

    def chance(self, p):
        return self.rng.random() < p

    def pick(self, seq):
        return seq[self.rng.integers(len(seq))]

    def small_int(self):
        return int(self.pick(SMALL_SIZES)) if self.chance(0.9) else int(self.rng.integers(-5, 200))

    def wild_scalar(self):
        return self.pick([self.pick(WILD_INTS), self.pick(WILD_FLOATS), "seven", b"x", None, [1, 2], 1 + 2j,
                          np.int64(2**40), np.float32(1.5), np.array([3]), True, object()])

    def text(self, length):
        chars = "ABCXYZabc 0189_./-'&\u00e9" if self.chance(0.1) else "ABCXYZabc 0189_./-"
        return "".join(self.pick(chars) for _ in range(int(self.rng.integers(0, 2 * length + 2))))

    def fill(self, letter, size, name):
        if letter == "i":
            if name.startswith("lv") and (self.fit or self.chance(0.7)):   # a band level vector, now and then spoiled
                fits = self.fit or 0 < self.band and self.chance(0.8)
                lv = level_vector(size, min(self.band, size) if fits else int(self.rng.integers(1, max(size, 1) + 1)))
                if size and not self.fit and self.chance(0.2):
                    lv[self.rng.integers(size)] = self.pick([-1, 2**31 - 1, -2**31, int(self.rng.integers(-9, 99))])
                return lv
            choice = self.rng.random()
            if choice < 0.6:
                return self.rng.integers(-1, 8, size) if self.wild else self.rng.integers(0, 4, size)
            return self.rng.integers(-2**31, 2**31, size) if choice < 0.9 else np.array(
                [self.pick([0, 1, 5, 6, 62, 2**31 - 1, -2**31]) for _ in range(size)])
        if self.fit and letter == "d":     # the profiles and a21 of a model: too large for random values
            return np.zeros(size)
        values = self.rng.normal(size=size) * self.pick([1.0, 1e-3, 1e6])
        if size and self.chance(0.2):
            values[self.rng.integers(size)] = self.pick(WILD_FLOATS)
        return np.abs(values) + 1.0 if letter == "d" and self.chance(0.3) else values

    def extent(self, bound, name, sizes):
        """The extent of a declared bound: '*' (the array's own), or a product of numbers, size constants
        (less a number) and names; a fitting profile holds the full triangle of its order."""
        if bound == "*":
            order = self.iy if name.endswith("22") else self.order
            if self.fit:
                return order if name.startswith("lv") else max(order * (order + 1) // 2, 1) + int(
                    self.rng.integers(0, 3))
            return self.pick(SMALL_SIZES + [40, 100, 400] + [order * (order + 1) // 2 + k for k in (0, 0, 5)])
        total = 1
        for factor in bound.split("*"):
            const, _, minus = factor.partition("-")
            if factor.isdigit() or factor == "":
                total *= int(factor or 1)
            elif const in self.consts:
                total *= self.consts[const] - int(minus or 0)
            else:
                total *= sizes.setdefault(factor, self.small_int() if self.chance(0.95) else self.pick([-1, 50, 65]))
        return max(total, 0)

    def sane_array(self, arg, sizes):
        bounds = list(arg["bounds"])
        if self.fit and len(bounds) > 1 and bounds[-1] == "*":   # element columns, or the ix columns of a21
            bounds[-1] = "ix" if bounds[0] == "p_ny" else "p_elmts"
        shape = tuple(self.extent(b, arg["name"], sizes) for b in bounds)
        if np.prod(shape) > 200000:
            shape = (3,) * len(shape) if not self.fit else shape
        values = self.fill(arg["letter"], int(np.prod(shape)), arg["name"])
        order = "C" if self.chance(self.wild) else "F"
        if self.chance(self.wild):
            return self.spoil(np.asarray(values).astype(DTYPE[arg["letter"]]).reshape(shape, order=order))
        return self.guard(values, DTYPE[arg["letter"]], shape, order)

    def guard(self, values, dtype, shape, order="F"):
        """An array argument passed in place, with GUARD entries on both sides."""
        size = int(np.prod(shape))
        buffer = np.full(size + 2 * GUARD, 77, dtype)
        buffer[GUARD:GUARD + size] = np.asarray(values).astype(dtype)[:size]
        self.guarded.append((buffer, buffer.copy()))
        return buffer[GUARD:GUARD + size].reshape(shape, order=order)

    def spoil(self, a):
        """The same values, in one of the forms the surface must copy or refuse."""
        kind = self.rng.integers(6)
        if kind == 0:
            a = a.copy()
            a.flags.writeable = False
        elif kind == 1 and a.size:                     # every other entry of a wider array
            wide = np.repeat(a.ravel(order="F"), 2)
            a = wide[::2].reshape(a.shape, order="F") if a.ndim else wide[0]
        elif kind == 2 and a.ndim and a.dtype.kind != "O":   # misaligned
            a = np.zeros(a.nbytes + 1, np.uint8)[1:].view(a.dtype).reshape(a.shape, order="F")
        elif kind == 3:
            a = a.tolist()
        elif kind == 4:
            try:
                a = a.astype(self.pick(WRONG_DTYPES))
            except ValueError:
                pass
        return a

    def value(self, arg, sizes):
        kind, name = arg["kind"], arg["name"]
        if self.chance(self.wild):
            if kind != "array" or self.chance(0.2):
                return self.wild_scalar()
            shape = tuple(self.pick([0, 1, 2, 3, 7, 40]) for _ in range(self.rng.integers(0, 4)))
            a = np.asarray(self.rng.normal(size=shape) * 10)
            return self.spoil(a.astype(self.pick(WRONG_DTYPES[3:])) if self.chance(0.25) else a)
        if kind == "array":
            return self.sane_array(arg, sizes)
        if kind == "string":
            return self.pick(["X", "Y"]) if self.fit and name == "xory" else self.text(arg["length"])
        if self.fit:
            return float(self.pick([0.0, 0.5, 1.0, 2.0, 1e-3])) if kind == "float" else int(self.rng.integers(0, 6))
        if kind == "float":
            if self.chance(0.8):
                return float(self.pick([1e-8, 1e-12, 0.5, 1.0, 2.0, 1e29, -1.0, self.rng.normal()]))
            return self.pick(WILD_FLOATS) if self.chance(0.7) else self.wild_scalar()
        if name in sizes and self.chance(0.8):
            return sizes[name]
        return self.band if name.startswith("ibd") and self.chance(0.8) else self.small_int()

    def call(self, args, wild=None, consts=None, fit=False):
        """Positional and keyword values for one call; `fit`: values fitting the model state of a run,
        whose orders beyond the variant (a perturbed run) are refused: small arrays do for them."""
        self.guarded, self.consts, self.fit = [], consts or {}, fit
        self.wild = 0.0 if fit else self.pick([0.0, 0.0, 0.02, 0.1, 0.3]) if wild is None else wild
        if fit:
            ix, iy = int(_ruvo.man.ix), int(_ruvo.man.iy)
            self.order = self.band = max(ix if 0 <= ix <= self.consts["p_nx"] else 1, 1)
            self.iy = iy if 0 <= iy <= self.consts["p_ny"] else 1
            self.consts["ix"] = self.order
        else:
            self.order = int(self.rng.integers(2, 40)) if self.chance(0.9) else self.small_int()
            self.band, self.iy = int(self.rng.integers(1, self.order + 1)) if self.order > 0 else 0, self.order
        sizes = {"n": self.order}      # the common name of a matrix order
        required = [a for a in args if not a["optional"]]
        values = [self.value(a, sizes) for a in required]
        arrays = [i for i, v in enumerate(values) if isinstance(v, np.ndarray) and v.ndim]
        if len(arrays) >= 2 and not fit and self.chance(0.05):  # one array over another's storage
            i, j = self.rng.choice(arrays, 2, replace=False)
            src, dst = values[i], values[j]
            if src.nbytes >= dst.itemsize and src.flags.c_contiguous and "O" not in (src.dtype.kind, dst.dtype.kind):
                values[j] = np.ndarray((src.nbytes // dst.itemsize,), dst.dtype, buffer=src)
        kwargs, names = {}, [r["name"] for r in required]
        for a in args:
            if a["optional"] and not fit and self.chance(0.3):
                arr_name, dim = a.get("default", (None, 0))
                shape = getattr(values[names.index(arr_name)], "shape", ()) if arr_name in names else ()
                kwargs[a["name"]] = shape[dim] if dim < len(shape) and self.chance(0.6) else (
                    self.wild_scalar() if self.chance(0.15) else self.small_int())
        if not fit and self.chance(0.05):
            values = values[:self.rng.integers(len(values) + 1)]
        if not fit and self.chance(0.03):
            values.append(self.wild_scalar())
        if not fit and self.chance(0.03):
            kwargs[self.pick(["bogus", "n", args[0]["name"] if args else "x"])] = self.small_int()
        return values, kwargs

    # ---- the model state and the input file ------------------------------------

    def member_value(self, current):
        if current.dtype.kind == "S":
            return b"".join(self.pick([b"A", b" ", b"\x00", b"\xff", b"/"]) for _ in range(current.size))
        if current.dtype.kind == "f":
            return self.pick(WILD_FLOATS) if self.chance(0.3) else float(self.rng.normal() * 100)
        return (self.pick([-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 62, 3844, 2**31 - 1, -2**31])
                if self.chance(0.8) else int(self.rng.integers(-100, 5000)))

    def disturb(self, blocks, perturb=False):
        """Random values into a few members, whole or one entry of a live view; `perturb`: one entry
        of one member perturbed as an argument would be."""
        for _ in range(1 if perturb else self.rng.integers(1, 5)):
            bname, block = self.pick(blocks)
            mname = self.pick(dir(block))
            view = getattr(block, mname)
            if perturb:
                if view.dtype.kind != "S" and view.size:
                    i = int(self.rng.integers(view.size))
                    new = self.perturbed(np.array([view.flat[i]], "f8" if view.dtype.kind == "f" else "i8"))[0]
                    if view.dtype.kind == "f" or -2**31 <= new < 2**31:
                        view.flat[i] = new
            elif bname == "datran" and self.chance(0.9):
                setattr(block, mname, self.pick([8, 9, 10, 11, 6, 5, 7, 0, -1, 99]))
            elif view.ndim and view.size:
                view.flat[self.rng.integers(view.size)] = np.array(self.member_value(view.flat[0:1])).ravel()[0]
            elif not view.ndim:
                try:
                    setattr(block, mname, self.member_value(view))
                except ERROR:
                    pass

    def namelist_text(self):
        lines = []
        for _ in range(self.rng.integers(0, 6)):
            items = [self.pick(VALUES["namelist_members"]) + (f"({self.rng.integers(-2, 40)})" if self.chance(0.3)
                                                              else "") + "=" + self.pick(VALUES["namelist_values"])
                     for _ in range(self.rng.integers(0, 5))]
            lines.append("&" + self.pick(VALUES["namelist_groups"]) + " " + self.pick([", ", "\n ", " "]).join(items)
                         + self.pick([" /", " /", "", " &end", "/"]))
            if self.chance(0.2):
                lines.append(self.pick(["junk", "", "/", "&", "!comment", "\t"]))
        return "\n".join(lines) + ("\n" if self.chance(0.8) else "")

    # ---- valid models ------------------------------------------------------------

    def perturbed(self, value):
        """value with one entry (or itself) at an extreme, NaN, zero, negated or off by one."""
        if isinstance(value, str):
            return self.pick(["", value.upper() + "\x00", "\u00e9" * 3])
        a = np.array(value)
        flat = a.reshape(-1)
        if not flat.size:
            return value
        i = self.rng.integers(flat.size)
        v = flat[i].item()
        flat[i] = (self.pick([float("nan"), float("inf"), -float("inf"), 0.0, -v, 1e-8 * v, 1e30, -1e-30])
                   if a.dtype.kind == "f" else self.pick([v + 1, v - 1, 0, -v, -1, 2**31 - 1, -2**31, 62, 65537]))
        return a if a.ndim else a.item()

    def perturb(self, kwargs, perturb):
        """Keyword arguments of callruvo or ruvomain, one perturbed."""
        if perturb:
            name = self.pick(sorted(kwargs))
            kwargs[name] = self.perturbed(kwargs[name])
        return [], kwargs

    def choices(self, name):
        return {k: float(self.pick(v)) for k, v in VALUES[name].items()}

    def panel(self, variant, consts, perturb):
        """callruvo's arguments for a stiffened, curved or skewed panel of a few elements."""
        rows, stf = consts["p_rtnds"] - 1, consts["p_stf"]
        stype = self.pick([1, 1, 2, 3, 0])
        half, bay = int(self.rng.integers(1, 3)), int(self.rng.integers(1, 4))
        pattern = [2] * half + [1] * bay + [2] * half if stype else [1] * rows   # unstiffened: every row
        if stype and self.chance(0.5):
            pattern += [1] * bay + [2] * half
        istx = [1, len(pattern) + 1] if stype and self.chance(0.7) else []
        # Frames a bay apart, the first on x-line 1 or 2 (a single one on 2).
        frames, per_bay = int(self.rng.integers(0, 4)) if stype else 0, int(self.rng.integers(2, 5))
        first = 2 if frames == 1 else int(self.rng.integers(1, 3))
        neigrq = int(self.rng.integers(1, 4))
        # matabdf: an isotropic skin, and a thicker one under the stringer feet
        skins = [isotropic_laminate(72000.0, 0.3, t)[:, 0] for t in (1.0 + self.rng.random(), 2.5)]
        return self.perturb(plate(
            1, variant, **PANEL, **self.choices("panel_choices"), matabdf=np.asfortranarray(np.stack(skins, 1)),
            stypep=stype, neigit=neigrq + 4, neigrq=neigrq, indplt=int(self.chance(0.3)),
            ku=self.pick(VALUES["freedom_sets"]), istx=(istx + [0] * stf)[:stf],
            isty=([first + k * per_bay for k in range(frames)] + [0] * stf)[:stf], elmstf=(pattern + [0] * rows)[:rows],
            anzelzwframes=per_bay, anzelprohalbfoot=half, anzelzwstr=bay,
            **{e: self.pick(VALUES["edge_codes"][:3]) for e in ("bndy0", "bndyl", "bndx0", "bndxl")}), perturb)

    def run_arguments(self, variant, consts, buckling, perturb):
        """ruvomain's arguments for a grid of a few elements on the model state left by a panel;
        the grid's line counts go to the model state."""
        rows, stf = consts["p_rtnds"] - 1, consts["p_stf"]
        mx, my = (int(self.rng.integers(2, 7)) for _ in range(2))
        _ruvo.f07ina.mx, _ruvo.f07ina.my = mx, my
        lengths = lambda n: np.array([self.pick([20.0, 25.0, 40.0]) if k < n - 1 else 0.0 for k in range(rows)],
                                     np.float32)
        line = lambda count: ([int(self.rng.integers(1, count + 1))] if self.chance(0.4) else []) + [0] * stf
        stiff = np.zeros((4, stf), np.float32, order="F")
        stiff[:, 0] = [1.0e7, 0.0, 1.0e9, 1.0e6]
        return self.perturb(ruvomain_args(
            variant, **VALUES["run"], **self.choices("run_choices"), buckp=int(buckling),
            neigrqp=int(self.rng.integers(1, 4)), indpltp=int(self.chance(0.4)), kup=self.pick(VALUES["freedom_sets"]),
            ap=lengths(mx), bp=lengths(my), istxp=line(my)[:stf], istyp=line(mx)[:stf], steifxp=stiff,
            steifyp=stiff.copy("F"), **{e: self.pick(VALUES["edge_codes"]) for e in ("bndx0p", "bndxlp", "bndy0p",
                                                                                        "bndylp")}), perturb)


def episode(fz, routines, idle):
    """The calls of one model: a panel, a run on it, the routines that follow, as (name, routine,
    make); make() gives the values when the call is due. The variant is the one with the most
    routines not yet run past their checks (`idle`), and those routines follow first."""
    waiting = {v: sum(n.startswith(f"prtnds{v}.") for n in idle) for v in ("19", "21", "25", "31")}
    variant = fz.pick([v for v in waiting if waiting[v] == max(waiting.values())])
    container, sizes = f"prtnds{variant}", getattr(_ruvo, "ruvo" + variant)
    consts = {k: int(getattr(sizes, k)) for k in dir(sizes) if k.startswith("p_")}
    vibration = fz.chance(0.3)
    args_of = {n: (r, a) for n, r, a in routines}

    def step(name, make=None):
        routine, args = args_of[name]
        return name, routine, make or (lambda: fz.call(args, 0.0, dict(consts), not name.startswith("ruvoutils.")))

    perturb = fz.pick([None, None, "callruvo", "ruvomain", "member"])
    _ruvo.antype.buck, _ruvo.antype.glban = 1, int(fz.chance(0.2))
    _ruvo.antype.vibr, _ruvo.antype.cripan = 0, int(fz.chance(0.2))
    pathlib.Path("fort.8").write_text("\n".join(VALUES["namelists"]))  # masses and stringer sections
    yield step(f"{container}.callruvo", lambda: fz.panel(variant, consts, perturb == "callruvo"))
    if fz.chance(0.7):
        if vibration:
            _ruvo.antype.vibr, _ruvo.antype.buck = 1, 0
        yield step(f"{container}.ruvomain",
                   lambda: fz.run_arguments(variant, consts, not vibration, perturb == "ruvomain"))
    left = [n for n in idle if n.startswith((container + ".", "ruvoutils."))]
    fz.rng.shuffle(left)
    for name in [f"{container}.{s}" for s in STEPS["vibration" if vibration else "buckling"]] + left[:6]:
        if perturb == "member" and fz.chance(0.5):
            fz.disturb(members(_ruvo, _ruvo.shared_block), perturb=True)
        yield step(name)


def run(seed, calls, log, idle=()):
    warnings.simplefilter("ignore")
    routines = discover()
    blocks = members(_ruvo, _ruvo.shared_block)
    fz = Fuzz(np.random.default_rng(seed))
    counts = {name: {"ran": 0, "refused": 0} for name, _, _ in routines}
    fresh = [(getattr(b, m), np.array(getattr(b, m))) for _, b in blocks for m in dir(b)]
    model = iter(())
    for k in range(calls):
        step = next(model, None)
        if step is None and fz.chance(MODEL_SHARE):
            for view, value in fresh:      # the model state of a fresh module, not that of the random calls
                view[...] = value
            model = episode(fz, routines, [n for n in (idle or counts) if counts[n]["ran"] == 0])
            step = next(model)
        if step is None:
            if fz.chance(0.3):
                fz.disturb(blocks)
            if fz.chance(0.1):
                pathlib.Path("fort.8").write_text(fz.namelist_text())
            name, routine, args = fz.pick(routines)
            step = name, routine, lambda: fz.call(args)
        name, routine, make = step
        values, kwargs = make()
        log.write(f"{k} {name} {describe(values)} {describe(kwargs)}\n")
        log.flush()
        before = snapshot(blocks)
        try:
            routine(*values, **kwargs)
            counts[name]["ran"] += 1
        except ALLOWED:
            counts[name]["refused"] += 1
            if snapshot(blocks) != before:
                raise SystemExit(f"FUZZ FAULT (seed {seed}): call {k}: {name} refused but changed the model state")
        except Exception as e:
            raise SystemExit(f"FUZZ FAULT (seed {seed}): call {k}: {name} raised {type(e).__name__}: {e}") from e
        if not all(np.array_equal(b[:GUARD], g[:GUARD]) and np.array_equal(b[-GUARD:], g[-GUARD:])
                   for b, g in fz.guarded):
            raise SystemExit(f"FUZZ FAULT (seed {seed}): call {k}: {name} wrote outside an array")
    return counts


def describe(v):
    """A call's value for the log: arrays by shape, type and layout (Fortran, C, writeable, aligned)."""
    if isinstance(v, np.ndarray):
        return f"array{v.shape}{v.dtype}" + "".join(k * bool(v.flags[k]) for k in "FCWA")
    if isinstance(v, dict):
        return "{" + ",".join(f"{k}={describe(x)}" for k, x in v.items()) + "}"
    return "[" + ",".join(map(describe, v[:8])) + "]" if isinstance(v, (list, tuple)) else repr(v)[:40]


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    # idle: a file naming the routines that earlier series never ran past their checks, one a line
    for option, default in (("seed", 0), ("calls", 1000), ("log", "fuzz-calls.log"), ("counts", "fuzz-counts.json"),
                            ("idle", "")):
        p.add_argument("--" + option, default=default, type=type(default))
    opts = p.parse_args()
    idle = open(opts.idle).read().split() if opts.idle else ()
    with open(opts.log, "w") as log:      # a fault exits with its message on standard error
        counts = run(opts.seed, opts.calls, log, idle)
    pathlib.Path(opts.counts).write_text(json.dumps(counts))


if __name__ == "__main__":
    main()
