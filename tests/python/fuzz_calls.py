"""Seeded random calls of every routine of `_ruvo`, in this process.

Routines, containers and shared blocks are found in the module, each routine's
arguments read from its docstring. Calls get random argument counts, types,
dtypes, shapes, orders, read-only, misaligned, overlapping and non-contiguous
arrays, huge integers, NaN and infinity, after random shared-block members and
namelist text in fort.8; most are near what the routine expects. Now and then
a valid model is built (callruvo, then ruvomain on another grid), one argument
or member perturbed, and the routines that follow in an analysis are called
with arguments that fit it, first those that have not yet run past their checks.

A fault exits non-zero: an exception other than the surface's refusals, a model
state changed by a refused call, or a write into the guards around an array.
Each call is logged before it is made, so the last line names a crashing call.

    python3 fuzz_calls.py --seed 1 --calls 1000 --log calls.log --counts counts.json
"""
import argparse
import json
import pathlib
import re
import sys
import warnings

import numpy as np

import _ruvo

GUARD = 8                      # guard entries on each side of an in-place array
MODEL_SHARE = 0.15             # chance that a call starts the calls of a valid model
SMALL_SIZES = [0, 1, 2, 2, 3, 3, 4, 5, 6, 7, 8, 12, 20, 33]
VALUES = json.loads(pathlib.Path(__file__).with_name("data").joinpath("fuzz.json").read_text())
WILD_INTS, WILD_FLOATS = VALUES["wild_ints"], [float(x) for x in VALUES["wild_floats"]]
WRONG_DTYPES = [np.int8, np.int16, np.int32, np.int64, np.uint32, np.uint64, np.float16, np.float32, np.float64,
                np.complex128, np.bool_, object, "U3", ">f8", ">i4"]
ERROR = getattr(_ruvo, "__ruvo_error")
# A failed conversion keeps the class of the underlying error (a huge integer
# in an integer array is an OverflowError).
ALLOWED = (ERROR, TypeError, ValueError, OverflowError)
DTYPE = {"i": np.int32, "f": np.float32, "d": np.float64}
FREEDOM_SETS, EDGE_CODES = VALUES["freedom_sets"], VALUES["edge_codes"]
VARIANTS = ["19", "21", "25", "31"]
# What follows a run in an analysis: the buckling solution and the mode-shape
# file, or the vibration solution.
BUCKLING_STEPS = ["incs2", "incs3", "pltmsh", "cntour", "modes"]
VIBRATION_STEPS = ["prtvib", "vibs2", "vibs3"]
NAMELISTS = "\n".join(VALUES["namelists"])      # masses and stringer sections of a valid model
# Fixed parts of a stiffened panel and of a run on it.
PANEL = {k: np.array(v, np.float32) if isinstance(v, list) else v for k, v in VALUES["panel"].items()}
RUN = VALUES["run"]


# ---- discovery ---------------------------------------------------------------

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


def discover(module=_ruvo):
    """[(qualified name, routine, arguments)] of every routine of every container."""
    containers = [(n, getattr(module, n)) for n in sorted(dir(module))]
    return [(f"{cname}.{rname}", r, parse_doc(r.__doc__))
            for cname, c in containers if isinstance(c, module.container)
            for rname, r in sorted(c.__dict__.items()) if isinstance(r, module.routine)]


def shared_blocks(module=_ruvo):
    return [(n, getattr(module, n)) for n in sorted(dir(module)) if isinstance(getattr(module, n), module.shared_block)]


def snapshot(blocks):
    return [(bname, m, np.array(getattr(b, m)).tobytes()) for bname, b in blocks for m in dir(b)]


def band_levels(n, ibd):
    """The level vector of a band of width ibd and order n."""
    rows = np.minimum(np.arange(1, n + 1), ibd)
    lv = np.concatenate(([0], np.cumsum(rows)[:-1])) - np.arange(1, n + 1) + rows if n else np.zeros(0)
    return lv.astype(np.int64)


def laminates(rng):
    """matabdf: an isotropic skin, and a thicker one under the stringer feet."""
    lam = np.zeros((18, 2), np.float32, order="F")
    for k, t in enumerate((1.0 + rng.random(), 2.5)):
        a, d = 72000.0 * t / 0.91, 72000.0 * t ** 3 / (12 * 0.91)
        lam[[0, 1, 2, 5], k] = [a, 0.3 * a, a, 0.35 * a]
        lam[[12, 13, 14, 17], k] = [d, 0.3 * d, d, 0.35 * d]
    return lam


# ---- random values -------------------------------------------------------------

class Fuzz:
    """The random values of one series. A call's wildness is drawn per call, so
    that some calls are wholly well formed and reach the routine, and others
    pile faults up; `guarded` holds the in-place arrays of the current call."""

    def __init__(self, rng):
        self.rng, self.guarded, self.wild, self.band, self.order = rng, [], 0.0, 1, 2
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

    def int_scalar(self):
        return self.wild_scalar() if self.chance(0.15) else self.small_int()

    def float_scalar(self):
        if self.chance(0.8):
            return float(self.pick([1e-8, 1e-12, 0.5, 1.0, 2.0, 1e29, -1.0, self.rng.normal()]))
        return self.pick(WILD_FLOATS) if self.chance(0.7) else self.wild_scalar()

    def text(self, length):
        chars = "ABCXYZabc 0189_./-'&\u00e9" if self.chance(0.1) else "ABCXYZabc 0189_./-"
        return "".join(self.pick(chars) for _ in range(int(self.rng.integers(0, 2 * length + 2))))

    def fill(self, letter, size, name):
        if letter == "i":
            if name.startswith("lv") and self.chance(0.7):     # a band level vector, now and then spoiled
                ibd = min(self.band, size) if 0 < self.band and self.chance(0.8) else int(
                    self.rng.integers(1, max(size, 1) + 1))
                lv = band_levels(size, ibd)
                if size and self.chance(0.2):
                    lv[self.rng.integers(size)] = self.pick([-1, 2**31 - 1, -2**31, int(self.rng.integers(-9, 99))])
                return lv
            choice = self.rng.random()
            if choice < 0.6:
                return self.rng.integers(-1, 8, size) if self.wild else self.rng.integers(0, 4, size)
            if choice < 0.9:
                return self.rng.integers(-2**31, 2**31, size)
            return np.array([self.pick([0, 1, 5, 6, 62, 2**31 - 1, -2**31]) for _ in range(size)])
        values = self.rng.normal(size=size) * self.pick([1.0, 1e-3, 1e6])
        if size and self.chance(0.2):
            values[self.rng.integers(size)] = self.pick(WILD_FLOATS)
        return np.abs(values) + 1.0 if letter == "d" and self.chance(0.3) else values

    def size_of(self, factor, sizes):
        if factor.isdigit() or factor == "":
            return int(factor or 1)
        name, _, minus = factor.partition("-")
        if name in self.consts:
            return self.consts[name] - int(minus or 0)
        return sizes.setdefault(factor, self.small_int() if self.chance(0.95) else self.pick([-1, 50, 65]))

    def shape_of(self, bounds, sizes):
        full = self.order * (self.order + 1) // 2
        return tuple(self.pick(SMALL_SIZES + [40, 100, 400, full, full, full + 5]) if b == "*" else
                     max(int(np.prod([self.size_of(f, sizes) for f in b.split("*")])), 0) for b in bounds)

    def sane_array(self, arg, sizes):
        dtype, shape = DTYPE[arg["letter"]], self.shape_of(arg["bounds"], sizes)
        if np.prod(shape) > 200000:
            shape = (3,) * len(shape)
        values = self.fill(arg["letter"], int(np.prod(shape)), arg["name"])
        order = "C" if self.chance(self.wild) else "F"
        if self.chance(self.wild):
            return self.spoil(np.asarray(values).astype(dtype).reshape(shape, order=order))
        return self.guard(values, dtype, shape, order)

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

    def wild_array(self):
        choice = self.rng.integers(5)
        if choice == 0:
            return self.wild_scalar()
        a = np.asarray(self.rng.normal(size=tuple(self.pick([0, 1, 2, 3, 7, 40])
                                                  for _ in range(self.rng.integers(0, 4)))) * 10)
        return self.spoil(a.astype(self.pick(WRONG_DTYPES[3:])) if choice == 1 else a)

    def value(self, arg, sizes):
        kind, wild = arg["kind"], self.chance(self.wild)
        if kind == "array":
            return self.wild_array() if wild else self.sane_array(arg, sizes)
        if wild:
            return self.wild_scalar()
        if kind == "string":
            return self.text(arg["length"])
        if kind == "float":
            return self.float_scalar()
        if arg["name"] in sizes and self.chance(0.8):
            return sizes[arg["name"]]
        return self.band if arg["name"].startswith("ibd") and self.chance(0.8) else self.small_int()

    def call(self, args, wild=None, consts=None):
        """Positional and keyword values for one call."""
        self.guarded, self.consts = [], consts or {}
        self.wild = self.pick([0.0, 0.0, 0.02, 0.1, 0.3]) if wild is None else wild
        self.order = int(self.rng.integers(2, 40)) if self.chance(0.9) else self.small_int()
        self.band = int(self.rng.integers(1, self.order + 1)) if self.order > 0 else 0
        sizes = {"n": self.order}      # the common name of a matrix order
        required = [a for a in args if not a["optional"]]
        values = [self.value(a, sizes) for a in required]
        arrays = [i for i, v in enumerate(values) if isinstance(v, np.ndarray) and v.ndim]
        if len(arrays) >= 2 and self.chance(0.05):  # one array over another's storage
            i, j = self.rng.choice(arrays, 2, replace=False)
            src, dst = values[i], values[j]
            if src.nbytes >= dst.itemsize and src.flags.c_contiguous and "O" not in (src.dtype.kind, dst.dtype.kind):
                values[j] = np.ndarray((src.nbytes // dst.itemsize,), dst.dtype, buffer=src)
        kwargs, names = {}, [r["name"] for r in required]
        for a in args:
            if a["optional"] and self.chance(0.3):
                arr_name, dim = a.get("default", (None, 0))
                shape = getattr(values[names.index(arr_name)], "shape", ()) if arr_name in names else ()
                kwargs[a["name"]] = shape[dim] if dim < len(shape) and self.chance(0.6) else self.int_scalar()
        if self.chance(0.05):
            values = values[:self.rng.integers(len(values) + 1)]
        if self.chance(0.03):
            values.append(self.wild_scalar())
        if self.chance(0.03):
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

    def disturb(self, blocks):
        """Random values into a few members: whole, or one entry of a live view."""
        for _ in range(self.rng.integers(1, 5)):
            bname, block = self.pick(blocks)
            mname = self.pick(dir(block))
            view = getattr(block, mname)
            if bname == "datran" and self.chance(0.9):
                setattr(block, mname, self.pick([8, 9, 10, 11, 6, 5, 7, 0, -1, 99]))
            elif view.ndim and view.size:
                view.flat[self.rng.integers(view.size)] = np.array(self.member_value(view.flat[0:1])).ravel()[0]
            elif not view.ndim:
                try:
                    setattr(block, mname, self.member_value(view))
                except ERROR:
                    pass

    def perturb_member(self, blocks):
        """One entry of one member perturbed as an argument would be."""
        _, block = self.pick(blocks)
        view = getattr(block, self.pick(dir(block)))
        if view.dtype.kind != "S" and view.size:
            i = int(self.rng.integers(view.size))
            new = self.perturbed(np.array([view.flat[i]], np.float64 if view.dtype.kind == "f" else np.int64))[0]
            if view.dtype.kind == "f" or -2**31 <= new < 2**31:
                view.flat[i] = new

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

    # ---- valid models and the routines that follow them ------------------------

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

    def maybe_perturb(self, kwargs, perturb):
        if perturb:
            name = self.pick(sorted(kwargs))
            kwargs[name] = self.perturbed(kwargs[name])
        return kwargs

    def choices(self, name):
        return {k: float(self.pick(v)) for k, v in VALUES[name].items()}

    def panel(self, consts):
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
        return dict(PANEL, **self.choices("panel_choices"), matabdf=laminates(self.rng), stypep=stype,
                    elamp=np.zeros(55), membraneforcesp=np.zeros(275), neigit=neigrq + 4, neigrq=neigrq,
                    indplt=int(self.chance(0.3)), ku=self.pick(FREEDOM_SETS), istx=(istx + [0] * stf)[:stf],
                    isty=([first + k * per_bay for k in range(frames)] + [0] * stf)[:stf],
                    elmstf=(pattern + [0] * rows)[:rows], anzelzwframes=per_bay, anzelprohalbfoot=half,
                    anzelzwstr=bay, displ=np.zeros(consts["p_nx"] * neigrq),
                    **{e: self.pick(EDGE_CODES[:3]) for e in ("bndy0", "bndyl", "bndx0", "bndxl")})

    def run_arguments(self, consts, buckling):
        """ruvomain's arguments for a grid of a few elements on the model state
        left by a panel; the grid's line counts go to the model state."""
        rows, stf = consts["p_rtnds"] - 1, consts["p_stf"]
        mx, my = (int(self.rng.integers(2, 7)) for _ in range(2))
        _ruvo.f07ina.mx, _ruvo.f07ina.my = mx, my
        lengths = lambda n: np.array([self.pick([20.0, 25.0, 40.0]) if k < n - 1 else 0.0 for k in range(rows)],
                                     np.float32)
        line = lambda count: ([int(self.rng.integers(1, count + 1))] if self.chance(0.4) else []) + [0] * stf
        stiff = np.zeros((4, stf), np.float32, order="F")
        stiff[:, 0] = [1.0e7, 0.0, 1.0e9, 1.0e6]
        return dict(RUN, **self.choices("run_choices"), buckp=int(buckling), neigrqp=int(self.rng.integers(1, 4)),
                    indpltp=int(self.chance(0.4)), kup=self.pick(FREEDOM_SETS), ap=lengths(mx), bp=lengths(my),
                    istxp=line(my)[:stf], istyp=line(mx)[:stf], elmstfp=[1] * rows, steifxp=stiff,
                    steifyp=stiff.copy(order="F"),
                    **{e: self.pick(EDGE_CODES) for e in ("bndx0p", "bndxlp", "bndy0p", "bndylp")})

    def fitting_call(self, args, consts):
        """Values for a routine that follows a run, fitting the model state."""
        self.guarded, self.wild, self.consts = [], 0.0, consts
        # A perturbed order beyond the variant is refused: small arrays do for it.
        ix, iy = int(_ruvo.man.ix), int(_ruvo.man.iy)
        ix = ix if 0 <= ix <= consts["p_nx"] else 1
        iy = iy if 0 <= iy <= consts["p_ny"] else 1
        self.order = self.band = max(ix, 1)
        sizes = {"n": self.order}
        return [self.pick(["X", "Y"]) if a["name"] == "xory" else
                self.fitting_array(a, sizes, ix, iy) if a["kind"] == "array" else
                self.fitting_scalar(a) for a in args if not a["optional"]], {}

    def fitting_scalar(self, arg):
        if arg["kind"] == "float":
            return float(self.pick([0.0, 0.5, 1.0, 2.0, 1e-3]))
        return self.text(arg["length"]) if arg["kind"] == "string" else int(self.rng.integers(0, 6))

    def fitting_array(self, arg, sizes, ix, iy):
        """Profiles hold the full triangle of their order: the band widths of the
        smaller variants lie beyond the host's view of f07ina."""
        name, bounds = arg["name"], list(arg["bounds"])
        order = {"a11": ix, "a22": iy, "bmt": ix, "mmt": ix}.get(name)
        if order is not None and bounds == ["*"]:
            size = order * (order + 1) // 2 if order > 0 else 1
            values = np.zeros(size + int(self.rng.integers(0, 3)))
            return self.guard(values, DTYPE[arg["letter"]], values.shape)
        if name == "lv" and bounds == ["*"]:
            return band_levels(max(ix, 1), max(ix, 1)).astype(np.int32)
        if name == "a21":   # p_ny by ix: too large for random values
            return np.zeros((self.consts["p_ny"], max(ix, 1)), order="F")
        if bounds[-1] == "*":
            bounds[-1] = "p_elmts"
        return self.sane_array(dict(arg, bounds=bounds), sizes)


def episode(fz, routines, idle):
    """The calls of one model: a panel, a run on it, the routines that follow,
    as (name, routine, make); make() gives the values when the call is due.
    The variant is the one with the most routines that have not yet run past
    their checks (`idle`), and those routines follow first."""
    waiting = {v: sum(n.startswith(f"prtnds{v}.") for n in idle) for v in VARIANTS}
    variant = fz.pick([v for v in VARIANTS if waiting[v] == max(waiting.values())])
    container, sizes = f"prtnds{variant}", getattr(_ruvo, "ruvo" + variant)
    consts = {k: int(getattr(sizes, k)) for k in dir(sizes) if k.startswith("p_")}
    consts.update({k: int(getattr(getattr(_ruvo, container), k)) for k in ("p_la11", "p_la22", "p_lb11")})
    vibration = fz.chance(0.3)
    args_of = {n: (r, a) for n, r, a in routines}

    def step(name, make=None):
        routine, args = args_of[name]
        if make is None:
            make = ((lambda: fz.call(args, wild=0.0, consts=consts)) if name.startswith("ruvoutils.")
                    else (lambda: fz.fitting_call(args, consts)))
        return name, routine, make

    perturb = fz.pick([None, None, "callruvo", "ruvomain", "member"])
    _ruvo.antype.buck, _ruvo.antype.glban = 1, int(fz.chance(0.2))
    _ruvo.antype.vibr, _ruvo.antype.cripan = 0, int(fz.chance(0.2))
    with open("fort.8", "w") as f:
        f.write(NAMELISTS)
    yield step(f"{container}.callruvo", lambda: ([], fz.maybe_perturb(fz.panel(consts), perturb == "callruvo")))
    if fz.chance(0.7):
        if vibration:
            _ruvo.antype.vibr, _ruvo.antype.buck = 1, 0
        yield step(f"{container}.ruvomain",
                   lambda: ([], fz.maybe_perturb(fz.run_arguments(consts, not vibration), perturb == "ruvomain")))
    left = [n for n in idle if n.startswith((container + ".", "ruvoutils."))]
    fz.rng.shuffle(left)
    for name in [f"{container}.{s}" for s in (VIBRATION_STEPS if vibration else BUCKLING_STEPS)] + left[:6]:
        if perturb == "member" and fz.chance(0.5):
            fz.perturb_member(shared_blocks())
        yield step(name)


# ---- the driver -----------------------------------------------------------------

def run(seed, calls, log, only=None, idle=()):
    warnings.simplefilter("ignore")
    rng = np.random.default_rng(seed)
    routines = [r for r in discover() if only is None or re.search(only, r[0])]
    blocks = shared_blocks()
    fz = Fuzz(rng)
    counts = {name: {"ran": 0, "refused": 0, "reasons": {}} for name, _, _ in routines}
    fresh = [(getattr(b, m), np.array(getattr(b, m))) for _, b in blocks for m in dir(b)]
    model = iter(())
    for k in range(calls):
        step = next(model, None)
        if step is None and only is None and fz.chance(MODEL_SHARE):
            for view, value in fresh:      # the model state of a fresh module, not that of the random calls
                view[...] = value
            model = episode(fz, routines, [n for n in (idle or counts) if counts[n]["ran"] == 0])
            step = next(model)
        if step is not None:
            name, routine, make = step
            values, kwargs = make()
        else:
            if fz.chance(0.3):
                fz.disturb(blocks)
            if fz.chance(0.1):
                with open("fort.8", "w") as f:
                    f.write(fz.namelist_text())
            name, routine, args = routines[rng.integers(len(routines))]
            values, kwargs = fz.call(args)
        log.write(f"{k} {name} {describe(values)} {describe(kwargs)}\n")
        log.flush()
        before = snapshot(blocks)
        try:
            routine(*values, **kwargs)
            counts[name]["ran"] += 1
        except ALLOWED as e:
            counts[name]["refused"] += 1
            reason = re.sub(r"\d+", "#", str(e).split(":")[-1])[:70]
            counts[name]["reasons"][reason] = counts[name]["reasons"].get(reason, 0) + 1
            if snapshot(blocks) != before:
                raise Fault(f"call {k}: {name} refused the call but changed the model state")
        except Exception as e:
            raise Fault(f"call {k}: {name} raised {type(e).__name__}: {e}") from e
        if not all(np.array_equal(b[:GUARD], g[:GUARD]) and np.array_equal(b[-GUARD:], g[-GUARD:])
                   for b, g in fz.guarded):
            raise Fault(f"call {k}: {name} wrote outside an array")
    return counts


class Fault(Exception):
    pass


def describe(v):
    """A call's value for the log: arrays by shape, type and layout."""
    if isinstance(v, np.ndarray):
        layout = "F" * v.flags.f_contiguous + "C" * v.flags.c_contiguous + "ro" * (not v.flags.writeable)
        return f"array{v.shape}{v.dtype}{layout}{'mis' * (not v.flags.aligned)}"
    if isinstance(v, dict):
        return "{" + ",".join(f"{k}={describe(x)}" for k, x in v.items()) + "}"
    if isinstance(v, (list, tuple)):
        return "[" + ",".join(describe(x) for x in v[:8]) + (",..." if len(v) > 8 else "") + "]"
    return repr(v)[:40]


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--seed", type=int, default=0)
    p.add_argument("--calls", type=int, default=1000)
    p.add_argument("--log", default="fuzz-calls.log")
    p.add_argument("--counts", default="fuzz-counts.json")
    p.add_argument("--only", default=None, help="regular expression selecting routines")
    p.add_argument("--idle", default=None, help="file of the routines that earlier series never ran (one a line)")
    opts = p.parse_args()
    idle = open(opts.idle).read().split() if opts.idle else ()
    with open(opts.log, "w") as log:
        try:
            counts = run(opts.seed, opts.calls, log, opts.only, idle)
        except Fault as f:
            print(f"FUZZ FAULT (seed {opts.seed}): {f}", file=sys.stderr)
            sys.exit(3)
    with open(opts.counts, "w") as f:
        json.dump(counts, f)


if __name__ == "__main__":
    main()
