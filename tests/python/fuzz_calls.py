"""Seeded random calls of every routine of `_ruvo`, in this process.

The routines, their containers and shared blocks are found in the module
itself and each routine's arguments are read from its docstring, so a routine
added later is called without editing this file. Before calls, random values
go into shared-block members and random namelist text into fort.8 of the
working directory. Each call gets random argument counts, types, dtypes,
shapes, orders, read-only, misaligned, overlapping and non-contiguous arrays,
huge and negative integers, NaN and infinity; most are near what the routine
expects, so that the calls reach past the checks into the routines.

Besides, it builds valid models through the routines' own sequence (a panel
through callruvo, then a ruvomain run of another grid, freedom set and
stiffening on it), perturbs one argument or one shared-block member at a
time (extremes, NaN, zero, negative, off by one) and calls the routines that
follow in an analysis with arguments that fit the model, first those of the
variant that have not yet run past their checks.

A fault makes the process exit non-zero (a crash or a sanitizer report ends
it anyway): an exception other than the surface's refusals, a model state
changed by a refused call, or a write into the guard entries around an array.
Each call is written to the log before it is made, so the last line names the
call that crashed.

    python3 fuzz_calls.py --seed 1 --calls 1000 --log calls.log --counts counts.json
"""
import argparse
import json
import re
import sys
import warnings

import numpy as np

import _ruvo

GUARD = 8                      # guard entries on each side of an in-place array
MODEL_SHARE = 0.15             # chance that a call starts the calls of a valid model
SMALL_SIZES = [0, 1, 2, 2, 3, 3, 4, 5, 6, 7, 8, 12, 20, 33]
WILD_INTS = [-1, -2, -2**31, 2**31 - 1, 2**31, -2**31 - 1, 2**32 + 5, 2**40, -2**63, 2**63, 2**64 + 1, 10**30,
             65535, 65536, 65537, 3844, 62, 100000]
WILD_FLOATS = [float("nan"), float("inf"), float("-inf"), 1e300, -1e300, 3.5e38, -3.5e38, 1e-320, 0.0, -0.0,
               1e-30, 1e38]
WRONG_DTYPES = [np.int8, np.int16, np.int32, np.int64, np.uint32, np.uint64, np.float16, np.float32, np.float64,
                np.complex128, np.bool_, object, "U3", ">f8", ">i4"]
NAMELIST_GROUPS = ["title", "antype", "inert", "tstringer", "ostringer", "TITLE", "ANTYPE", "unknown", ""]
NAMELIST_MEMBERS = ["tit", "temp", "strs", "buck", "vibr", "inpb", "cripan", "glban", "dom", "domx", "domy",
                    "footth", "webth", "footwidth", "webheight", "ddst", "chordwidth", "chordth", "alpha", "x"]
ERROR = getattr(_ruvo, "__ruvo_error")
# A failed conversion keeps the class of the underlying error (a huge integer
# in an integer array is an OverflowError).
ALLOWED = (ERROR, TypeError, ValueError, OverflowError)


class Fault(Exception):
    pass


# ---- discovery ---------------------------------------------------------------

ARG_LINE = re.compile(r"^(\w+) : (input |in/output |)(.*?)(, optional)?$")
DEFAULT_LINE = re.compile(r"^\s+Default: shape\((\w+), (\d+)\)$")


def parse_doc(doc):
    """The arguments of a routine as its docstring lists them."""
    args, section = [], None
    for line in doc.split("\n"):
        if line in ("Parameters", "Other Parameters", "Returns"):
            section = line
            continue
        m = ARG_LINE.match(line)
        if m and section != "Returns":
            name, intent, kind, optional = m.groups()
            arg = {"name": name, "inout": intent == "in/output ", "optional": bool(optional)}
            if kind.startswith("rank-"):
                am = re.match(r"rank-(\d+) array\('(\w)'\) with bounds \((.*)\)", kind)
                arg.update(kind="array", letter=am.group(2), bounds=am.group(3).split(","))
            elif kind.startswith("string"):
                arg.update(kind="string", length=int(re.search(r"len=(\d+)", kind).group(1)))
            else:
                arg.update(kind=kind)
            args.append(arg)
        d = DEFAULT_LINE.match(line)
        if d and args:
            args[-1]["default"] = (d.group(1), int(d.group(2)))
    return args


def discover(module=_ruvo):
    """[(qualified name, routine, arguments)] of every routine of every container."""
    routines = []
    for cname in sorted(dir(module)):
        container = getattr(module, cname)
        if not isinstance(container, module.container):
            continue
        for rname in sorted(container.__dict__):
            r = container.__dict__[rname]
            if isinstance(r, module.routine):
                routines.append((f"{cname}.{rname}", r, parse_doc(r.__doc__)))
    return routines


def shared_blocks(module=_ruvo):
    return [(name, getattr(module, name)) for name in sorted(dir(module))
            if isinstance(getattr(module, name), module.shared_block)]


def members(blocks):
    """Copies of every shared-block member, to be put back by restore."""
    return [(getattr(b, m), np.array(getattr(b, m))) for _, b in blocks for m in dir(b)]


def restore(saved):
    for view, value in saved:
        view[...] = value


def snapshot(blocks):
    return [(bname, m, np.array(getattr(b, m)).tobytes()) for bname, b in blocks for m in dir(b)]


# ---- random values -------------------------------------------------------------

class Maker:
    def __init__(self, rng):
        self.rng = rng

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
        n = int(self.rng.integers(0, 2 * length + 2))
        chars = "ABCXYZabc 0189_./-'&\u00e9" if self.chance(0.1) else "ABCXYZabc 0189_./-"
        return "".join(self.pick(chars) for _ in range(n))

    def level_vector(self, n):
        """A band level vector of order n, now and then spoiled."""
        ibd = min(self.band, n) if 0 < self.band and self.chance(0.8) else int(self.rng.integers(1, max(n, 1) + 1))
        lv = band_levels(n, ibd)
        if n and self.chance(0.2):
            lv[self.rng.integers(n)] = self.pick([-1, 2**31 - 1, -2**31, int(self.rng.integers(-9, 99))])
        return lv

    def fill(self, letter, size, name):
        if letter == "i":
            if name.startswith("lv") and self.chance(0.7):
                return self.level_vector(size)
            choice = self.rng.random()
            if choice < 0.6:
                return self.rng.integers(-1, 8, size) if self.wild else self.rng.integers(0, 4, size)
            if choice < 0.9:
                return self.rng.integers(-2**31, 2**31, size)
            return np.array([self.pick([0, 1, 5, 6, 62, 2**31 - 1, -2**31]) for _ in range(size)])
        values = self.rng.normal(size=size) * self.pick([1.0, 1e-3, 1e6])
        if size and self.chance(0.2):
            values[self.rng.integers(size)] = self.pick(WILD_FLOATS)
        if letter == "d" and self.chance(0.3):
            values = np.abs(values) + 1.0
        return values


def band_levels(n, ibd):
    """The level vector of a band of width ibd and order n."""
    rows = np.minimum(np.arange(1, n + 1), ibd)
    lv = np.concatenate(([0], np.cumsum(rows)[:-1])) - np.arange(1, n + 1) + rows if n else np.zeros(0)
    return lv.astype(np.int64)


class Guarded:
    """An array argument passed in place, with guard entries on both sides."""

    def __init__(self, values, dtype, shape, order):
        size = int(np.prod(shape))
        self.buffer = np.full(size + 2 * GUARD, 77, dtype)
        self.buffer[GUARD:GUARD + size] = np.asarray(values).astype(dtype)[:size]
        self.view = self.buffer[GUARD:GUARD + size].reshape(shape, order=order)
        self.guards = self.buffer.copy()

    def intact(self):
        return (np.array_equal(self.buffer[:GUARD], self.guards[:GUARD])
                and np.array_equal(self.buffer[-GUARD:], self.guards[-GUARD:]))


DTYPE = {"i": np.int32, "f": np.float32, "d": np.float64}


class CallMaker(Maker):
    """One call's values. Its wildness is drawn per call, so that some calls
    are wholly well formed and reach the routine, and others pile faults up."""

    def __init__(self, rng):
        super().__init__(rng)
        self.guarded = []
        self.wild = 0.0
        self.band = 1
        self.order = 2
        self.consts = {}           # size constants of the routine's variant, when fitting a model

    def chance_wild(self):
        return self.chance(self.wild)

    def size_of(self, factor, sizes):
        if factor.isdigit():
            return int(factor)
        if factor == "":
            return 1
        name, _, minus = factor.partition("-")
        if name in self.consts:
            return self.consts[name] - int(minus or 0)
        return sizes.setdefault(factor, self.small_int() if self.chance(0.95) else self.pick([-1, 50, 65]))

    def shape_of(self, bounds, sizes):
        shape = []
        for b in bounds:
            if b == "*":
                full = self.order * (self.order + 1) // 2
                shape.append(self.pick(SMALL_SIZES + [40, 100, 400, full, full, full + 5]))
            else:
                n = 1
                for f in b.split("*"):
                    n *= self.size_of(f, sizes)
                shape.append(max(n, 0))
        return tuple(shape)

    def sane_array(self, arg, sizes):
        dtype = DTYPE[arg["letter"]]
        shape = self.shape_of(arg["bounds"], sizes)
        if np.prod(shape) > 200000:
            shape = (3,) * len(shape)
        values = self.fill(arg["letter"], int(np.prod(shape)), arg["name"])
        order = "C" if self.chance_wild() else "F"
        if not self.chance_wild():
            g = Guarded(values, dtype, shape, order)
            self.guarded.append(g)
            return g.view
        a = np.asarray(values).astype(dtype).reshape(shape, order=order)
        return self.spoil(a)

    def spoil(self, a):
        """The same values, in one of the forms the surface must copy or refuse."""
        kind = self.rng.integers(6)
        if kind == 0:
            a = a.copy()
            a.flags.writeable = False
        elif kind == 1 and a.size:
            wide = np.repeat(a.ravel(order="F"), 2)
            a = wide[::2].reshape(a.shape, order="F") if a.ndim else wide[0]
        elif kind == 2:
            raw = np.zeros(a.nbytes + 1, np.uint8)
            a = raw[1:].view(a.dtype).reshape(a.shape, order="F") if a.ndim and a.dtype.kind != "O" else a
        elif kind == 3:
            a = a.tolist()
        elif kind == 4:
            try:
                a = a.astype(self.pick(WRONG_DTYPES))
            except ValueError:
                pass
        return a

    def wild_array(self, arg):
        choice = self.rng.integers(5)
        if choice == 0:
            return self.wild_scalar()
        shape = tuple(self.pick([0, 1, 2, 3, 7, 40]) for _ in range(self.rng.integers(0, 4)))
        a = np.asarray(self.rng.normal(size=shape) * 10)
        return self.spoil(a.astype(self.pick(WRONG_DTYPES[3:])) if choice == 1 else a)

    def value(self, arg, sizes):
        kind = arg["kind"]
        if kind == "array":
            return self.wild_array(arg) if self.chance_wild() else self.sane_array(arg, sizes)
        if kind == "string":
            return self.wild_scalar() if self.chance_wild() else self.text(arg["length"])
        if self.chance_wild():
            return self.wild_scalar()
        if kind == "float":
            return self.float_scalar()
        if arg["name"] in sizes and self.chance(0.8):
            return sizes[arg["name"]]
        if arg["name"].startswith("ibd") and self.chance(0.8):
            return self.band
        return self.small_int()

    def call(self, args, wild=None):
        """Positional and keyword values for one call."""
        self.guarded = []
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
                n = src.nbytes // dst.itemsize
                values[j] = np.ndarray((n,), dst.dtype, buffer=src)
        kwargs = {}
        names = [r["name"] for r in required]
        for a in args:
            if a["optional"] and self.chance(0.3):
                arr_name, dim = a.get("default", (None, 0))
                v = values[names.index(arr_name)] if arr_name in names else None
                shape = v.shape if isinstance(v, np.ndarray) else ()
                kwargs[a["name"]] = shape[dim] if dim < len(shape) and self.chance(0.6) else self.int_scalar()
        if self.chance(0.05):
            values = values[:self.rng.integers(len(values) + 1)]
        if self.chance(0.03):
            values.append(self.wild_scalar())
        if self.chance(0.03):
            kwargs[self.pick(["bogus", "n", args[0]["name"] if args else "x"])] = self.small_int()
        return values, kwargs


# ---- the model state and the input file -------------------------------------

class StateMaker(Maker):
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
            members = dir(block)
            mname = self.pick(members)
            if bname == "datran" and self.chance(0.9):
                setattr(block, mname, self.pick([8, 9, 10, 11, 6, 5, 7, 0, -1, 99]))
                continue
            view = getattr(block, mname)
            if view.ndim and view.size:
                view.flat[self.rng.integers(view.size)] = np.array(self.member_value(view.flat[0:1])).ravel()[0]
            elif not view.ndim:
                try:
                    setattr(block, mname, self.member_value(view))
                except ERROR:
                    pass

    def perturb_one(self, blocks):
        """One entry of one member at an extreme, NaN, zero, negated or off by one."""
        bname, block = self.pick(blocks)
        view = getattr(block, self.pick(dir(block)))
        if view.dtype.kind == "S" or not view.size:
            return
        i = int(self.rng.integers(view.size))
        v = (view.flat[i] if view.ndim else view[()]).item()
        if view.dtype.kind == "f":
            new = self.pick([float("nan"), float("inf"), 0.0, -v, 1e-8 * v, 3e38])
        else:
            new = self.pick([v + 1, v - 1, 0, -v, -1, 2**31 - 1, -2**31])
            if not -2**31 <= new < 2**31:
                return
        if view.ndim:
            view.flat[i] = new
        else:
            view[()] = new

    def namelist_text(self):
        lines = []
        for _ in range(self.rng.integers(0, 6)):
            group = self.pick(NAMELIST_GROUPS)
            items = []
            for _ in range(self.rng.integers(0, 5)):
                name = self.pick(NAMELIST_MEMBERS)
                if self.chance(0.3):
                    name += f"({self.rng.integers(-2, 40)})"
                value = self.pick(["T", ".FALSE.", "1", "-3", "2.5e3", "'text'", "1e99", "3*1.0", "",
                                   "'unterminated", "99999999999", ",", "nan"])
                items.append(f"{name}={value}")
            end = self.pick([" /", " /", "", " &end", "/"])
            lines.append(f"&{group} " + self.pick([", ", "\n ", " "]).join(items) + end)
            if self.chance(0.2):
                lines.append(self.pick(["junk", "", "/", "&", "!comment", "\t"]))
        return "\n".join(lines) + ("\n" if self.chance(0.8) else "")



# ---- valid models and the routines that follow them -------------------------

FREEDOM_SETS = [[1, 0, 0, 0, 0], [1, 2, 3, 0, 0], [1, 4, 5, 0, 0], [1, 2, 3, 4, 5], [3, 1, 2, 0, 0]]
EDGE_CODES = [[0, 1, 0, 0, 0, 0, 0], [0, 1, 6, 0, 0, 0, 0], [0, 1, 2, 3, 0, 0, 0], [0] * 7, [-1] + [0] * 6,
              [1] + [0] * 6]
VARIANTS = ["19", "21", "25", "31"]
# What follows a run in an analysis: the buckling solution and the mode-shape
# file, or the vibration solution.
BUCKLING_STEPS = ["incs2", "incs3", "pltmsh", "cntour", "modes"]
VIBRATION_STEPS = ["prtvib", "vibs2", "vibs3"]
NAMELISTS = ("&inert dom = 2.7e-9, domx = 1e-5, 1e-5, domy = 2e-5 /\n"
             "&tstringer footth = 1.5, webth = 1.2, footwidth = 30.0, webheight = 25.0, "
             "ddst = 1.0, 2.0, 3.0, 4.0, 5.0, 6.0 /\n"
             "&ostringer footth = 1.5, webth = 1.2, footwidth = 20.0, webheight = 25.0, "
             "ddst = 6*1.0, chordwidth = 20.0, chordth = 1.5, alpha = 60.0 /\n")


def laminates(rng):
    """matabdf: an isotropic skin, and a thicker one under the stringer feet."""
    lam = np.zeros((18, 2), np.float32, order="F")
    for k, t in enumerate((1.0 + rng.random(), 2.5)):
        a, d = 72000.0 * t / 0.91, 72000.0 * t ** 3 / (12 * 0.91)
        lam[[0, 1, 2, 5], k] = [a, 0.3 * a, a, 0.35 * a]
        lam[[12, 13, 14, 17], k] = [d, 0.3 * d, d, 0.35 * d]
    return lam


class ModelMaker(Maker):
    """Sound arguments of callruvo and ruvomain for small grids of a variant,
    one of them perturbed now and then, and arguments that fit the model for
    the routines that follow."""

    def __init__(self, rng):
        super().__init__(rng)
        self.calls = CallMaker(rng)

    def perturbed(self, value):
        """value with one entry (or itself) at an extreme, NaN, zero, negated or off by one."""
        if isinstance(value, str):
            return self.pick(["", value.upper() + "\x00", "\u00e9" * 3])
        a = np.array(value)
        flat = a.reshape(-1)
        i = self.rng.integers(flat.size) if flat.size else None
        if i is None:
            return value
        v = flat[i].item()
        if a.dtype.kind == "f":
            flat[i] = self.pick([float("nan"), float("inf"), -float("inf"), 0.0, -v, 1e-8 * v, 1e30, -1e-30])
        else:
            flat[i] = self.pick([v + 1, v - 1, 0, -v, -1, 2**31 - 1, -2**31, 62, 65537])
        return a if a.ndim else a.item()

    def panel(self, consts):
        """callruvo's arguments for a stiffened, curved or skewed panel of a few elements."""
        rows, stf = consts["p_rtnds"] - 1, consts["p_stf"]
        stype = self.pick([1, 1, 2, 3, 0])
        half, bay = int(self.rng.integers(1, 3)), int(self.rng.integers(1, 4))
        pattern = [2] * half + [1] * bay + [2] * half if stype else [1] * rows   # unstiffened: every row
        if stype and self.chance(0.5):
            pattern += [1] * bay + [2] * half
        elmstf = (pattern + [0] * rows)[:rows]
        my = len(pattern) + 1
        istx = [1, my] if stype and self.chance(0.7) else []
        # Frames a bay apart, the first on x-line 1 or 2 (a single one on 2).
        frames, per_bay = int(self.rng.integers(0, 4)) if stype else 0, int(self.rng.integers(2, 5))
        first = 2 if frames == 1 else int(self.rng.integers(1, 3))
        isty = [first + k * per_bay for k in range(frames)]
        neigrq = int(self.rng.integers(1, 4))
        edges = {e: self.pick(EDGE_CODES[:3]) for e in ("bndy0", "bndyl", "bndx0", "bndxl")}
        return dict(filenamep="fz", titp="FUZZ PANEL", rxp=self.pick([1e29, 1e29, 800.0, -1500.0]),
                    ryp=self.pick([1e29, 1e29, 600.0]), rxyp=1e29, matabdf=laminates(self.rng),
                    steifxf=np.array([1.4e7, 0.0, 2.0e9, 1.0e6], np.float32),
                    steifyf=np.array([3.0e7, 0.0, 2.0e10, 5.0e6], np.float32),
                    framepitch=float(self.pick([300.0, 500.0])), stringerpitch=float(self.pick([120.0, 160.0])),
                    stypep=stype, chordwdth=10.0, sfootwdth=30.0, alpha=60.0, height=20.0,
                    loadvxp=100.0, loadvyp=float(self.pick([0.0, 20.0])), loadvxyp=float(self.pick([0.0, 30.0])),
                    fnxp=0.0, fnxyp=0.0, fnyp=float(self.pick([0.0, -5.0])),
                    alfaxp=float(self.pick([0.0, 0.0, 0.3])), alfayp=0.0,
                    elamp=np.zeros(55), membraneforcesp=np.zeros(275), itab=0, neigit=neigrq + 4, neigrq=neigrq,
                    mempri=1, indplt=int(self.chance(0.3)), ku=self.pick(FREEDOM_SETS),
                    istx=(istx + [0] * stf)[:stf], isty=(isty + [0] * stf)[:stf], elmstf=elmstf,
                    anzelzwframes=per_bay, anzelprohalbfoot=half, anzelzwstr=bay,
                    anzelbelowstr=1, displ=np.zeros(consts["p_nx"] * neigrq), **edges)

    def run_arguments(self, consts, buckling):
        """ruvomain's arguments for a grid of a few elements on the model state
        left by a panel; the grid's line counts go to the model state."""
        rows, stf = consts["p_rtnds"] - 1, consts["p_stf"]
        mx, my = (int(self.rng.integers(2, 7)) for _ in range(2))
        _ruvo.f07ina.mx, _ruvo.f07ina.my = mx, my
        lengths = lambda n: np.array([self.pick([20.0, 25.0, 40.0]) if k < n - 1 else 0.0 for k in range(rows)],
                                     np.float32)
        istx = [int(self.rng.integers(1, my + 1))] if self.chance(0.4) else []
        isty = [int(self.rng.integers(1, mx + 1))] if self.chance(0.4) else []
        stiff = np.zeros((4, stf), np.float32, order="F")
        stiff[:, 0] = [1.0e7, 0.0, 1.0e9, 1.0e6]
        edges = {e: self.pick(EDGE_CODES) for e in ("bndx0p", "bndxlp", "bndy0p", "bndylp")}
        return dict(proj="fz_run", titp="FUZZ RUN", buckp=int(buckling), itabp=0, neigitp=6,
                    neigrqp=int(self.rng.integers(1, 4)), memprip=1, indpltp=int(self.chance(0.4)),
                    kup=self.pick(FREEDOM_SETS), ap=lengths(mx), bp=lengths(my),
                    rxp=self.pick([1e29, 900.0]), ryp=self.pick([1e29, 700.0]), rxyp=1e29,
                    istxp=(istx + [0] * stf)[:stf], istyp=(isty + [0] * stf)[:stf], elmstfp=[1] * rows,
                    steifxp=stiff, steifyp=stiff.copy(order="F"), alfaxp=float(self.pick([0.0, 0.2])), alfayp=0.0,
                    **edges)

    def maybe_perturb(self, kwargs, perturb):
        if perturb:
            name = self.pick(sorted(kwargs))
            kwargs[name] = self.perturbed(kwargs[name])
        return kwargs

    def scalar(self, arg):
        """A value in the routine's range, mostly."""
        if arg["kind"] == "float":
            return float(self.pick([0.0, 0.5, 1.0, 2.0, 1e-3]))
        if arg["kind"] == "string":
            return self.calls.text(arg["length"])
        return int(self.rng.integers(0, 6))

    def fitting_call(self, args, consts):
        """Values for a routine that follows a run, fitting the model state."""
        cm = self.calls
        cm.consts = consts
        values, kwargs = [], {}
        cm.guarded, cm.wild = [], 0.0
        # A perturbed order beyond the variant is refused: small arrays do for it.
        ix, iy = int(_ruvo.man.ix), int(_ruvo.man.iy)
        ix = ix if 0 <= ix <= consts["p_nx"] else 1
        iy = iy if 0 <= iy <= consts["p_ny"] else 1
        cm.order = cm.band = max(ix, 1)
        sizes = {"n": cm.order}
        for a in args:
            if a["optional"]:
                continue
            if a["name"] == "xory":
                values.append(self.pick(["X", "Y"]))
            elif a["kind"] == "array":
                values.append(self.fitting_array(a, sizes, ix, iy))
            else:
                values.append(self.scalar(a))
        return values, kwargs

    def fitting_array(self, arg, sizes, ix, iy):
        """Profiles hold the full triangle of their order: the band widths of the
        smaller variants lie beyond the host's view of f07ina."""
        cm = self.calls
        name, bounds = arg["name"], list(arg["bounds"])
        profile = {"a11": ix, "a22": iy, "bmt": ix, "mmt": ix}
        if name in profile and bounds == ["*"]:
            n = profile[name]
            size = n * (n + 1) // 2 if n > 0 else 1
            values = np.zeros(size + int(self.rng.integers(0, 3)))
            g = Guarded(values, DTYPE[arg["letter"]], values.shape, "F")
            cm.guarded.append(g)
            return g.view
        if name == "lv" and bounds == ["*"]:
            return band_levels(max(ix, 1), max(ix, 1)).astype(np.int32)
        if name == "a21":   # p_ny by ix: too large for random values
            shape = (cm.consts["p_ny"], max(ix, 1))
            return np.zeros(shape, order="F")
        if bounds[-1] == "*":
            bounds[-1] = "p_elmts"
        return cm.sane_array(dict(arg, bounds=bounds), sizes)


class Episode:
    """The calls of one model: a panel, a run on it, the routines that follow.
    The variant is the one with the most routines that have not yet run past
    their checks (`idle`), and those routines follow first."""

    def __init__(self, mm, routines, idle):
        self.mm, self.routines = mm, routines
        waiting = {v: sum(n.startswith(f"prtnds{v}.") for n in idle) for v in VARIANTS}
        most = max(waiting.values())
        self.variant = mm.pick([v for v in VARIANTS if waiting[v] == most])
        self.container = f"prtnds{self.variant}"
        self.idle = [n for n in idle if n.startswith((self.container + ".", "ruvoutils."))]
        self.consts = {k: int(getattr(getattr(_ruvo, "ruvo" + self.variant), k))
                       for k in dir(getattr(_ruvo, "ruvo" + self.variant)) if k.startswith("p_")}
        self.consts.update({k: int(getattr(getattr(_ruvo, self.container), k)) for k in ("p_la11", "p_la22", "p_lb11")})
        self.vibration = mm.chance(0.3)

    def calls(self):
        """(name, routine, make) in order; make() gives the values when the call is due."""
        mm = self.mm
        perturb = mm.pick([None, None, "callruvo", "ruvomain", "member"])
        _ruvo.antype.buck, _ruvo.antype.glban = 1, int(mm.chance(0.2))
        _ruvo.antype.vibr, _ruvo.antype.cripan = 0, int(mm.chance(0.2))
        with open("fort.8", "w") as f:
            f.write(NAMELISTS)
        yield self.named("prtnds", "callruvo",
                         lambda: ([], mm.maybe_perturb(mm.panel(self.consts), perturb == "callruvo")))
        if mm.chance(0.7):
            if self.vibration:
                _ruvo.antype.vibr, _ruvo.antype.buck = 1, 0
            run = lambda: mm.run_arguments(self.consts, not self.vibration)
            yield self.named("prtnds", "ruvomain", lambda: ([], mm.maybe_perturb(run(), perturb == "ruvomain")))
        steps = [f"{self.container}.{s}" for s in (VIBRATION_STEPS if self.vibration else BUCKLING_STEPS)]
        waiting = list(self.idle)
        mm.rng.shuffle(waiting)
        for name in steps + waiting[:6]:
            if perturb == "member" and mm.chance(0.5):
                StateMaker(mm.rng).perturb_one(shared_blocks())
            yield self.named(*name.split("."))

    def named(self, container, step, make=None):
        name = f"{self.container}.{step}" if container == "prtnds" else f"{container}.{step}"
        routine, args = next((r, a) for n, r, a in self.routines if n == name)
        if make is None and container == "ruvoutils":
            make = lambda: self.mm.calls.call(args, wild=0.0)
        return name, routine, (make or (lambda: self.mm.fitting_call(args, self.consts)))


# ---- the driver -----------------------------------------------------------------

def run(seed, calls, log, only=None, idle=()):
    warnings.simplefilter("ignore")
    rng = np.random.default_rng(seed)
    routines = [r for r in discover() if only is None or re.search(only, r[0])]
    blocks = shared_blocks()
    cm, sm, mm = CallMaker(rng), StateMaker(rng), ModelMaker(rng)
    counts = {name: {"ran": 0, "refused": 0, "reasons": {}} for name, _, _ in routines}
    episode, fresh = iter(()), members(blocks)
    for k in range(calls):
        step = next(episode, None)
        if step is None and only is None and sm.chance(MODEL_SHARE):
            waiting = [n for n in (idle or counts) if counts[n]["ran"] == 0]
            restore(fresh)     # the model state of a fresh module, not that of the random calls
            episode = Episode(mm, routines, waiting).calls()
            step = next(episode)
        if step is not None:
            name, routine, make = step
            mm.calls.guarded = []
            values, kwargs = make()
            guarded = mm.calls.guarded
        else:
            if sm.chance(0.3):
                sm.disturb(blocks)
            if sm.chance(0.1):
                with open("fort.8", "w") as f:
                    f.write(sm.namelist_text())
            name, routine, args = routines[rng.integers(len(routines))]
            values, kwargs = cm.call(args)
            guarded = cm.guarded
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
        if not all(g.intact() for g in guarded):
            raise Fault(f"call {k}: {name} wrote outside an array")
    return counts


def describe(v):
    if isinstance(v, np.ndarray):
        flags = ("F" if v.flags.f_contiguous else "") + ("C" if v.flags.c_contiguous else "") + \
                ("" if v.flags.writeable else "ro") + ("" if v.flags.aligned else "mis")
        return f"array{v.shape}{v.dtype}{flags}"
    if isinstance(v, (list, tuple)):
        return "[" + ",".join(describe(x) for x in v[:8]) + (",..." if len(v) > 8 else "") + "]"
    if isinstance(v, dict):
        return "{" + ",".join(f"{k}={describe(x)}" for k, x in v.items()) + "}"
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
