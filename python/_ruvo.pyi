"""Type stub of the engine module `_ruvo`, made by tools/ruvo_stub.py from the built module (do not edit)."""
import os
from typing import Any, Literal, NotRequired, Required, Sequence, TypedDict

import numpy as np
from numpy.typing import ArrayLike, NDArray

class routine:
    def __call__(self, *args: Any) -> Any: ...

class container: ...

class shared_block: ...


class StringerSection(TypedDict, total=False):
    type: int  # int: 1 the T profile, 2 the omega
    footth: float  # float: the foot's thickness
    webth: float  # float: the web's thickness
    footwidth: float  # float: the foot's width
    webheight: float  # float: the web's height
    ddst: ArrayLike  # (6,) float32: the web's bending stiffness D11, D12, D22, D16, D26, D66
    chordwidth: float  # float: the omega chord's width
    chordth: float  # float: the omega chord's thickness
    alpha: float  # float: the omega web's angle, degrees
    chord_ddst: ArrayLike  # (6,) float32: the omega chord's own bending stiffness (none: the web's)

class Direction(TypedDict, total=False):
    stringers: ArrayLike  # (n, 4) float32: rates of EA, ES, EI, GJ per stringer
    frames: ArrayLike  # (n, 4) float32: rates of EA, ES, EI, GJ per frame
    laminates: ArrayLike  # (n, 18) float32: rates of the packed laminates
    shear: ArrayLike  # (n, 21) float32: rates of the shear sets
    variable: ArrayLike  # (n, 3) float32: rates of the variable Nx, Nxy, Ny
    fixed: ArrayLike  # (n, 3) float32: rates of the fixed Nx, Nxy, Ny
    density: ArrayLike  # (n,) float32: rate of the skin mass per area (one value)
    stringer_masses: ArrayLike  # (n,) float32: rates of the stringer masses
    frame_masses: ArrayLike  # (n,) float32: rates of the frame masses

class AnalyseResult(TypedDict):
    stage: str
    code: int
    outcome: Literal["finished", "failed", "no eigenvalues"]
    messages: list[str]
    ix: int
    iy: int
    eigenvalues: NDArray[np.float64]
    w: NDArray[np.float64]
    forces: NDArray[np.float64]
    cases: list[LoadCase]
    crippling: Crippling
    w_freedoms: NDArray[np.int32]
    matrices: NotRequired[Matrices]
    forms: NotRequired[Forms]
    tangential: NotRequired[NDArray[np.float64]]

class LoadCase(TypedDict):
    eigenvalues: NDArray[np.float64]
    w: NDArray[np.float64]
    forces: NDArray[np.float64]
    critical: Critical
    global_load: float
    global_converged: bool
    global_passes: int
    critical_skin_force: float

class Critical(TypedDict):
    outcome: Literal["modes", "appended", "none below bound", "not converged"]
    mode: int
    bound: float
    products: int

class Crippling(TypedDict):
    force: float
    stress: float
    chord_force: float

class Matrices(TypedDict):
    a11: Profile
    a22: Profile
    b11: Profile
    fixed: Profile
    a21: NDArray[np.float64]

class Profile(TypedDict):
    values: NDArray[np.float64]
    levels: NDArray[np.int32]
    band: int

class Forms(TypedDict):
    stiffness: NDArray[np.float64]
    load: NDArray[np.float64]
    stiffness_rates: NDArray[np.float64]
    load_rates: NDArray[np.float64]

class AnalyseArguments(TypedDict, total=False):
    variant: str  # text: the size variant: 19, 21, 25, 31 or 49
    kind: str  # buckling or vibration: the analysis
    title: str  # text: the listing's title
    project: str  # a file name: names the run's files in the directory
    directory: str | bytes | os.PathLike[str] | os.PathLike[bytes]  # a path: where the run's files go (none: no file at all)
    listing: bool  # bool: write the listing (needs a directory)
    modes: int  # int: the modes asked (neigrq)
    iterate: int  # int: the subspace's vectors (neigit; 0: max(2 modes, modes + 8) within p_ngit)
    itab: int  # int: the listing's tables
    indplt: int  # int: write the mode-shape file (not 0)
    mempri: bool  # bool: list the memory used
    x_lengths: Required[ArrayLike]  # (n,) float32: the x-subdivision lengths (mx - 1)
    y_lengths: Required[ArrayLike]  # (n,) float32: the y-subdivision lengths (my - 1)
    edges: ArrayLike  # (4, 7) whole numbers: the engine's codes of the edges x0, xl, y0, yl
    freedoms: ArrayLike  # (5,) whole numbers: ku: W, U, V, BETA, GAMMA (0..5)
    radii: ArrayLike  # (3,) float32: rx, ry, rxy (1e29: flat)
    skew: ArrayLike  # (2,) float32: the angles of obliqueness alfax, alfay, degrees
    laminates: Required[ArrayLike]  # (n, 18) float32: A, -B, D packed 11, 12, 22, 13, 23, 33 per laminate (by rows: at most p_abdstf)
    shear: ArrayLike  # (n, 21) float32: the transverse-shear and adjustment sets (matsw)
    element_rows: ArrayLike  # (n,) whole numbers: the laminate (1-based) of each element row (none: all 1)
    element_laminates: ArrayLike  # (n,) whole numbers: the laminate (1-based) of each element, element rows fastest (none: by rows)
    stringers: ArrayLike  # (k, 6): line, EA, ES, EI, GJ, mass: the stringers on y-lines
    frames: ArrayLike  # (k, 6): line, EA, ES, EI, GJ, mass: the frames on x-lines
    variable: ArrayLike  # (n, 3) float32: Nx, Nxy, Ny scaled by the load factor: one row, or one per node (each element takes its first node's)
    fixed: ArrayLike  # (n, 3) float32: Nx, Nxy, Ny carried unscaled: likewise
    density: float  # float: the skin mass per unit area (vibration)
    shift: float  # float: vibration: solve K + shift M, less the shift
    more_load_cases: Sequence[tuple[ArrayLike, ArrayLike]]  # [(variable, fixed), ...]: buckling: further cases on the same stiffness
    crippling: bool  # bool: buckling: the stringer walls' crippling
    global_buckling: bool  # bool: buckling: the column buckling (needs the crippling of a T stringer)
    stringer_section: StringerSection  # a dict: the stringer section of the checks
    stringer_pitch: float  # float: the column buckling's pitch
    matrices: bool  # bool: the assembly alone: the matrices, no solution
    tangential: bool  # bool: the tangential parts of the modes too
    projected: ArrayLike  # (ix + iy, m) float64: with matrices: their forms for these full modes
    directions: Sequence[Direction]  # [a dict, ...]: the forms' rates along these
    forms: bool  # bool: the forms of the solution's own full modes
    eigensolver: str  # auto, subspace or lanczos: without a listing: the fastest, or one of the two

def _analyse(
    *,
    variant: str | None = ...,
    kind: str | None = ...,
    title: str | None = ...,
    project: str | None = ...,
    directory: str | bytes | os.PathLike[str] | os.PathLike[bytes] | None = ...,
    listing: bool | None = ...,
    modes: int | None = ...,
    iterate: int | None = ...,
    itab: int | None = ...,
    indplt: int | None = ...,
    mempri: bool | None = ...,
    x_lengths: ArrayLike,
    y_lengths: ArrayLike,
    edges: ArrayLike | None = ...,
    freedoms: ArrayLike | None = ...,
    radii: ArrayLike | None = ...,
    skew: ArrayLike | None = ...,
    laminates: ArrayLike,
    shear: ArrayLike | None = ...,
    element_rows: ArrayLike | None = ...,
    element_laminates: ArrayLike | None = ...,
    stringers: ArrayLike | None = ...,
    frames: ArrayLike | None = ...,
    variable: ArrayLike | None = ...,
    fixed: ArrayLike | None = ...,
    density: float | None = ...,
    shift: float | None = ...,
    more_load_cases: Sequence[tuple[ArrayLike, ArrayLike]] | None = ...,
    crippling: bool | None = ...,
    global_buckling: bool | None = ...,
    stringer_section: StringerSection | None = ...,
    stringer_pitch: float | None = ...,
    matrices: bool | None = ...,
    tangential: bool | None = ...,
    projected: ArrayLike | None = ...,
    directions: Sequence[Direction] | None = ...,
    forms: bool | None = ...,
    eigensolver: str | None = ...,
) -> AnalyseResult: ...

def _results(*args: Any, **kwargs: Any) -> Any: ...

def _typed_declarations(*args: Any, **kwargs: Any) -> Any: ...

def _variant_limits(*args: Any, **kwargs: Any) -> Any: ...

class _antype_shared_block(shared_block):
    buck: NDArray[Any]
    cripan: NDArray[Any]
    glban: NDArray[Any]
    inpb: NDArray[Any]
    strs: NDArray[Any]
    temp: NDArray[Any]
    vibr: NDArray[Any]

antype: _antype_shared_block

class _conventions_container(container):
    flat_radius: float
    variants: tuple[str, ...]
    default_variant: str
    typed_variants: tuple[str, ...]
    t_profile: int
    omega_profile: int
    other_section: int
    laminate_rows: int
    shear_rows: int
    packed_entries: tuple[tuple[int, ...], ...]

conventions: _conventions_container

class _datran_shared_block(shared_block):
    nread: NDArray[Any]
    nstore: NDArray[Any]
    nwrite: NDArray[Any]

datran: _datran_shared_block

class _f01eps_shared_block(shared_block):
    feps: NDArray[Any]
    keps: NDArray[Any]

f01eps: _f01eps_shared_block

class _f01qua_shared_block(shared_block):
    fquad: NDArray[Any]
    ikt: NDArray[Any]
    kquad: NDArray[Any]

f01qua: _f01qua_shared_block

class _f07in1_shared_block(shared_block):
    a1: NDArray[Any]
    a2: NDArray[Any]

f07in1: _f07in1_shared_block

class _f07in2_shared_block(shared_block):
    b1: NDArray[Any]
    b2: NDArray[Any]

f07in2: _f07in2_shared_block

class _f07ina_shared_block(shared_block):
    a: NDArray[Any]
    b: NDArray[Any]
    ibdx: NDArray[Any]
    ibdy: NDArray[Any]
    knfun: NDArray[Any]
    ku: NDArray[Any]
    leit: NDArray[Any]
    mx: NDArray[Any]
    my: NDArray[Any]

f07ina: _f07ina_shared_block

class _f07inb_shared_block(shared_block):
    rx: NDArray[Any]
    rxy: NDArray[Any]
    ry: NDArray[Any]

f07inb: _f07inb_shared_block

class _f07inc_shared_block(shared_block):
    s: NDArray[Any]

f07inc: _f07inc_shared_block

class _f07ind_shared_block(shared_block):
    bndx0: NDArray[Any]
    bndxl: NDArray[Any]
    bndy0: NDArray[Any]
    bndyl: NDArray[Any]
    idesup: NDArray[Any]
    numsup: NDArray[Any]
    seiten: NDArray[Any]

f07ind: _f07ind_shared_block

class _man_shared_block(shared_block):
    itab: NDArray[Any]
    iter: NDArray[Any]
    ix: NDArray[Any]
    iy: NDArray[Any]
    mempri: NDArray[Any]
    neigit: NDArray[Any]
    neigrq: NDArray[Any]
    x2pri: NDArray[Any]

man: _man_shared_block

class _plotin_shared_block(shared_block):
    indplt: NDArray[Any]
    isymx: NDArray[Any]
    isymy: NDArray[Any]
    mdsplt: NDArray[Any]
    nmod: NDArray[Any]
    npx: NDArray[Any]
    npy: NDArray[Any]
    scal: NDArray[Any]

plotin: _plotin_shared_block

class _prtnds19_container(container):
    p_la11: np.int32
    p_la22: np.int32
    p_lb11: np.int32
    p_rtnds: np.int32
    p_ngit: np.int32
    p_ngrq: np.int32
    p_nsup: np.int32
    p_abdstf: np.int32
    p_nodes: np.int32
    p_stf: np.int32
    p_elmts: np.int32
    p_nx: np.int32
    p_ny: np.int32
    p_ibdx: np.int32
    p_ibdy: np.int32
    callruvo: routine
    ruvomain: routine
    initlz: routine
    rddata: routine
    redfkq: routine
    setkey: routine
    iuoriv: routine
    kuorkv: routine
    cmpa11: routine
    cmpa21: routine
    cmpa22: routine
    a11xst: routine
    a11yst: routine
    a21ast: routine
    a22ast: routine
    cmpbmt: routine
    bmatst: routine
    cmpmmt: routine
    mmtst: routine
    f01kbf: routine
    f01ktf: routine
    tczinc: routine
    tfmstf: routine
    tminc: routine
    buvi: routine
    incs2: routine
    incs3: routine
    vibs2: routine
    vibs3: routine
    glbuck: routine
    prtout: routine
    prtvib: routine
    pltmsh: routine
    cntour: routine
    modes: routine

prtnds19: _prtnds19_container

class _prtnds21_container(container):
    p_la11: np.int32
    p_la22: np.int32
    p_lb11: np.int32
    p_rtnds: np.int32
    p_ngit: np.int32
    p_ngrq: np.int32
    p_nsup: np.int32
    p_abdstf: np.int32
    p_nodes: np.int32
    p_stf: np.int32
    p_elmts: np.int32
    p_nx: np.int32
    p_ny: np.int32
    p_ibdx: np.int32
    p_ibdy: np.int32
    callruvo: routine
    ruvomain: routine
    initlz: routine
    rddata: routine
    redfkq: routine
    setkey: routine
    iuoriv: routine
    kuorkv: routine
    cmpa11: routine
    cmpa21: routine
    cmpa22: routine
    a11xst: routine
    a11yst: routine
    a21ast: routine
    a22ast: routine
    cmpbmt: routine
    bmatst: routine
    cmpmmt: routine
    mmtst: routine
    f01kbf: routine
    f01ktf: routine
    tczinc: routine
    tfmstf: routine
    tminc: routine
    buvi: routine
    incs2: routine
    incs3: routine
    vibs2: routine
    vibs3: routine
    glbuck: routine
    prtout: routine
    prtvib: routine
    pltmsh: routine
    cntour: routine
    modes: routine

prtnds21: _prtnds21_container

class _prtnds25_container(container):
    p_la11: np.int32
    p_la22: np.int32
    p_lb11: np.int32
    p_rtnds: np.int32
    p_ngit: np.int32
    p_ngrq: np.int32
    p_nsup: np.int32
    p_abdstf: np.int32
    p_nodes: np.int32
    p_stf: np.int32
    p_elmts: np.int32
    p_nx: np.int32
    p_ny: np.int32
    p_ibdx: np.int32
    p_ibdy: np.int32
    callruvo: routine
    ruvomain: routine
    initlz: routine
    rddata: routine
    redfkq: routine
    setkey: routine
    iuoriv: routine
    kuorkv: routine
    cmpa11: routine
    cmpa21: routine
    cmpa22: routine
    a11xst: routine
    a11yst: routine
    a21ast: routine
    a22ast: routine
    cmpbmt: routine
    bmatst: routine
    cmpmmt: routine
    mmtst: routine
    f01kbf: routine
    f01ktf: routine
    tczinc: routine
    tfmstf: routine
    tminc: routine
    buvi: routine
    incs2: routine
    incs3: routine
    vibs2: routine
    vibs3: routine
    glbuck: routine
    prtout: routine
    prtvib: routine
    pltmsh: routine
    cntour: routine
    modes: routine

prtnds25: _prtnds25_container

class _prtnds31_container(container):
    p_la11: np.int32
    p_la22: np.int32
    p_lb11: np.int32
    p_rtnds: np.int32
    p_ngit: np.int32
    p_ngrq: np.int32
    p_nsup: np.int32
    p_abdstf: np.int32
    p_nodes: np.int32
    p_stf: np.int32
    p_elmts: np.int32
    p_nx: np.int32
    p_ny: np.int32
    p_ibdx: np.int32
    p_ibdy: np.int32
    callruvo: routine
    ruvomain: routine
    initlz: routine
    rddata: routine
    redfkq: routine
    setkey: routine
    iuoriv: routine
    kuorkv: routine
    cmpa11: routine
    cmpa21: routine
    cmpa22: routine
    a11xst: routine
    a11yst: routine
    a21ast: routine
    a22ast: routine
    cmpbmt: routine
    bmatst: routine
    cmpmmt: routine
    mmtst: routine
    f01kbf: routine
    f01ktf: routine
    tczinc: routine
    tfmstf: routine
    tminc: routine
    buvi: routine
    incs2: routine
    incs3: routine
    vibs2: routine
    vibs3: routine
    glbuck: routine
    prtout: routine
    prtvib: routine
    pltmsh: routine
    cntour: routine
    modes: routine

prtnds31: _prtnds31_container

def release_memory(*args: Any, **kwargs: Any) -> Any: ...

class _ruvo19_container(container):
    p_rtnds: np.int32
    p_ngit: np.int32
    p_ngrq: np.int32
    p_nsup: np.int32
    p_abdstf: np.int32
    p_nodes: np.int32
    p_stf: np.int32
    p_elmts: np.int32
    p_nx: np.int32
    p_ny: np.int32
    p_ibdx: np.int32
    p_ibdy: np.int32

ruvo19: _ruvo19_container

class _ruvo21_container(container):
    p_rtnds: np.int32
    p_ngit: np.int32
    p_ngrq: np.int32
    p_nsup: np.int32
    p_abdstf: np.int32
    p_nodes: np.int32
    p_stf: np.int32
    p_elmts: np.int32
    p_nx: np.int32
    p_ny: np.int32
    p_ibdx: np.int32
    p_ibdy: np.int32

ruvo21: _ruvo21_container

class _ruvo25_container(container):
    p_rtnds: np.int32
    p_ngit: np.int32
    p_ngrq: np.int32
    p_nsup: np.int32
    p_abdstf: np.int32
    p_nodes: np.int32
    p_stf: np.int32
    p_elmts: np.int32
    p_nx: np.int32
    p_ny: np.int32
    p_ibdx: np.int32
    p_ibdy: np.int32

ruvo25: _ruvo25_container

class _ruvo31_container(container):
    p_rtnds: np.int32
    p_ngit: np.int32
    p_ngrq: np.int32
    p_nsup: np.int32
    p_abdstf: np.int32
    p_nodes: np.int32
    p_stf: np.int32
    p_elmts: np.int32
    p_nx: np.int32
    p_ny: np.int32
    p_ibdx: np.int32
    p_ibdy: np.int32

ruvo31: _ruvo31_container

class _ruvoutils_container(container):
    cktype: routine
    prtype: routine
    rdtype: routine
    phi: routine
    abdetc: routine
    trnpsi: routine
    eigvpr: routine
    lqfit: routine
    mklvbd: routine
    chodec: routine
    chosol: routine
    probtm: routine
    simvit: routine
    jacob2: routine
    chneig: routine
    cripplingt: routine
    cripplingo: routine

ruvoutils: _ruvoutils_container

class _stringercom_shared_block(shared_block):
    alpha: NDArray[Any]
    chordth: NDArray[Any]
    chordwidth: NDArray[Any]
    ddst: NDArray[Any]
    footth: NDArray[Any]
    footwidth: NDArray[Any]
    webheight: NDArray[Any]
    webth: NDArray[Any]

stringercom: _stringercom_shared_block

class _test_shared_block(shared_block):
    pax: NDArray[Any]

test: _test_shared_block

class _title_shared_block(shared_block):
    tit: NDArray[Any]

title: _title_shared_block
