"""The module surface: containers, block views, conversions, error texts, docstrings."""
import os

import numpy as np
import pytest

from conftest import run_fresh

BLOCKS = {
    "antype": {m: ("i4", ()) for m in ("temp", "strs", "buck", "vibr", "inpb", "cripan", "glban")},
    "f07in1": {"a1": ("f4", (63,)), "a2": ("f4", (81,))},
    "f07in2": {"b1": ("f4", (59,)), "b2": ("f4", (85,))},
    "man": {m: ("i4", ()) for m in ("ix", "iy", "iter", "neigit", "itab", "neigrq", "mempri", "x2pri")},
    "title": {"tit": ("S1", (80,))},
    "datran": {m: ("i4", ()) for m in ("nread", "nwrite", "nstore")},
    "test": {"pax": ("f4", (2,))},
    "stringercom": dict({m: ("f4", ()) for m in ("footth", "webth", "footwidth", "webheight",
                                                  "chordwidth", "chordth", "alpha")}, ddst=("f4", (6,))),
    "f07ina": {"ku": ("i4", (5,)), "mx": ("i4", ()), "my": ("i4", ()), "a": ("f4", (30,)), "b": ("f4", (30,)),
               "leit": ("i4", (31, 31)), "ibdx": ("i4", ()), "ibdy": ("i4", ()), "knfun": ("i4", ())},
    "f07inb": {m: ("f4", ()) for m in ("rx", "ry", "rxy")},
    "f07inc": {"s": ("f4", (21,))},
    "f07ind": dict({e: ("i4", (7,)) for e in ("bndy0", "bndx0", "bndyl", "bndxl")},
                   seiten=("i4", ()), idesup=("i4", (4, 250)), numsup=("i4", ())),
    "f01eps": {"feps": ("f4", (11, 3)), "keps": ("i4", (11, 3))},
    "f01qua": {"fquad": ("f4", (340, 900)), "kquad": ("i4", (340, 3, 900)), "ikt": ("i4", (900,))},
    "plotin": dict({m: ("i4", ()) for m in ("indplt", "npx", "npy", "isymx", "isymy", "nmod")},
                   scal=("f4", ()), mdsplt=("i4", (50,))),
}


def test_every_block_member_as_tabled(ruvo):
    for block, members in BLOCKS.items():
        obj = getattr(ruvo, block)
        assert sorted(dir(obj)) == sorted(members), block
        for name, (dtype, shape) in members.items():
            view = getattr(obj, name)
            assert view.dtype == np.dtype(dtype) and view.shape == shape, (block, name)
            assert view.flags.f_contiguous and view.flags.writeable
        assert f"/{block}/" in ruvo.__doc__


def test_module_attributes_and_doc(ruvo):
    assert ruvo.__ruvo_error.__name__ == "error" and str(ruvo.__ruvo_error) == "<class '_ruvo.error'>"
    for name in ("prtnds19", "prtnds21", "prtnds25", "prtnds31", "ruvoutils", "ruvo19", "ruvo31"):
        assert name in ruvo.__doc__
    assert "leit(31,31)" in ruvo.__doc__ and "kquad(340,3,900)" in ruvo.__doc__
    assert "generated" not in ruvo.__doc__.lower() and "pybind" not in ruvo.__doc__.lower()


def test_views_are_live_and_shared(ruvo):
    npx = ruvo.plotin.npx
    assert npx.ndim == 0 and np.shares_memory(npx, ruvo.plotin.npx)
    fourth = int(ruvo.plotin.mdsplt[3])
    ruvo.plotin.mdsplt[:3] = [3, 2, 1]
    assert list(ruvo.plotin.mdsplt[:4]) == [3, 2, 1, fourth]
    ruvo.plotin.mdsplt[:3] = 1
    # Host index [i-1, j-1] is element (i, j): column-major storage.
    leit = ruvo.f07ina.leit
    leit[1, 0] = 42
    assert leit.ravel(order="K")[1] == 42
    leit[1, 0] = 0


def test_assignment_converts_copies_and_refuses_wrong_shapes(ruvo):
    ruvo.plotin.npx = 20.9
    assert ruvo.plotin.npx == 20
    ruvo.plotin.npx = 50
    ruvo.f07ina.a = np.arange(30, dtype=np.float64)
    assert ruvo.f07ina.a.dtype == np.float32 and ruvo.f07ina.a[29] == 29
    with pytest.raises(ruvo.__ruvo_error):
        ruvo.f07ina.a = [1.0, 2.0]
    assert ruvo.f07ina.a[1] == 1 and ruvo.f07ina.a[29] == 29
    with pytest.raises(ruvo.__ruvo_error):
        ruvo.plotin.npx = "many"
    assert ruvo.plotin.npx == 50
    ruvo.f07ina.a = 0
    ruvo.title.tit = "PANEL"
    assert ruvo.title.tit.tobytes() == b"PANEL" + b" " * 75


def test_routines_and_constants_cannot_be_replaced(ruvo):
    routine = ruvo.ruvoutils.mklvbd
    with pytest.raises(AttributeError):
        ruvo.ruvoutils.mklvbd = None
    with pytest.raises(AttributeError):
        ruvo.prtnds31.initlz = None
    with pytest.raises(AttributeError):
        ruvo.ruvo31.p_nx = 1
    with pytest.raises(AttributeError):
        ruvo.prtnds19.p_la11 = 1
    assert ruvo.ruvoutils.mklvbd is routine and ruvo.ruvo31.p_nx == 3844
    ruvo.prtnds31.my_note = "kept"
    assert ruvo.prtnds31.my_note == "kept"


def test_docstrings(ruvo):
    assert ruvo.prtnds31.initlz.__doc__ == "initlz()\n\nWrapper for ``initlz``.\n"
    assert ruvo.ruvoutils.mklvbd.__doc__ == (
        "mklvbd(lv,nn,ibd,ier)\n\nWrapper for ``mklvbd``.\n\n"
        "Parameters\n----------\n"
        "lv : input rank-1 array('i') with bounds (*)\n"
        "nn : input int\nibd : input int\nier : input int\n")
    assert ruvo.ruvoutils.phi.__doc__.split("\n")[0] == "phi(i,z,val,ier)"


@pytest.mark.parametrize("variant, nodes, elements", [("19", 361, 324), ("21", 441, 400), ("25", 625, 576),
                                                      ("31", 961, 900)])
def test_rows_of_every_variant_carry_its_bounds(ruvo, variant, nodes, elements):
    p = getattr(ruvo, "prtnds" + variant)
    for row in ("a21ast(xory,a21,ier)", "rddata(bb,dd,bd,rr,dr,br,ss,ier)", "setkey(ix,iy)", "redfkq()"):
        assert getattr(p, row.split("(")[0]).__doc__.split("\n")[0] == row
    for name, text in (("cmpa21", f"a21 : input rank-2 array('d') with bounds ({16 * nodes},*)"),
                       ("cmpa21", "long_bn : input int"),
                       ("bmatst", f"pmem : input rank-2 array('f') with bounds ({nodes},3)"),
                       ("kuorkv", "xory : input string(len=1)"),
                       ("rddata", f"bb : input rank-2 array('f') with bounds (6,{elements})"),
                       ("prtout", "ss : input rank-2 array('f') with bounds (3,*)")):
        assert text in getattr(p, name).__doc__, name
    for name in ("iuoriv", "cmpa11", "cmpa22", "a11xst", "a11yst", "a22ast", "cmpbmt"):
        assert callable(getattr(p, name))


def test_scalar_argument_errors(ruvo):
    lv = np.zeros(5, np.int32)
    with pytest.raises(ruvo.__ruvo_error, match=r"^_ruvo\.ruvoutils\.mklvbd\(\) 2nd argument \(nn\) can't be converted to int$"):
        ruvo.ruvoutils.mklvbd(lv, "five", 3, 0)
    with pytest.raises(ruvo.__ruvo_error, match=r"4th argument \(ier\) can't be converted to int"):
        ruvo.ruvoutils.mklvbd(lv, 5, 3, 2**40)
    with pytest.raises(TypeError):
        ruvo.ruvoutils.mklvbd(lv, 5, 3)
    with pytest.raises(TypeError):
        ruvo.ruvoutils.mklvbd(lv, 5, 3, 0, bogus=1)
    with pytest.raises(TypeError):
        ruvo.prtnds31.initlz(1)


def test_array_argument_errors_keep_the_conversion_class(ruvo):
    with pytest.raises(ValueError, match=r"^failed in converting 1st argument `lv' of _ruvo\.ruvoutils\.mklvbd"):
        ruvo.ruvoutils.mklvbd(["a", "b"], 2, 2, 0)


def test_mklvbd_level_vectors(ruvo):
    mk = ruvo.ruvoutils.mklvbd
    lv = np.zeros(5, np.int32)
    assert mk(lv, 5, 3, 0) is None
    assert list(lv) == [0, 1, 3, 5, 7]
    lv4 = np.zeros(4, np.int32)
    mk(lv4, 4, 4, 0)
    assert list(lv4) == [0, 1, 3, 6]
    mk(lv, 5, 1, 0)
    assert not lv.any()
    # Refused: order 1, order below the band width, or more than the array holds.
    for nn, ibd in ((1, 1), (3, 4), (6, 2)):
        lv[:] = -1
        mk(lv, nn, ibd, 0)
        assert (lv == -1).all()


def test_in_arrays_pass_in_place_only_when_exact(ruvo):
    mk = ruvo.ruvoutils.mklvbd
    as_float = np.zeros(5)
    mk(as_float, 5, 3, 0)                       # a converted copy: the caller sees nothing
    assert not as_float.any()
    as_list = [9] * 5
    mk(as_list, 5, 3, 0)
    assert as_list == [9] * 5
    strided = np.zeros(10, np.int32)[::2]
    mk(strided, 5, 3, 0)
    assert not strided.any()
    readonly = np.full(5, -1, np.int32)
    readonly.flags.writeable = False
    mk(readonly, 5, 3, 0)
    assert (readonly == -1).all()


def test_import_fails_cleanly_without_numpy(tmp_path):
    (tmp_path / "numpy").mkdir()
    (tmp_path / "numpy" / "__init__.py").write_text("raise ImportError('no numpy here')\n")
    out = run_fresh(
        "try:\n    import _ruvo\nexcept ImportError as e:\n    print(e)\n",
        env={"PYTHONPATH": f"{tmp_path}{os.pathsep}{os.environ.get('PYTHONPATH', '')}"})
    assert out.strip() == "can't initialize module _ruvo (failed to import numpy)"


def test_optional_size_arguments(ruvo):
    u, err = ruvo.ruvoutils, ruvo.__ruvo_error
    a = np.array([4.0, 1.0, 5.0, 1.0, 6.0])        # tridiagonal profile of order 3
    lv = np.array([0, 1, 2], np.int32)
    b = np.asfortranarray(np.eye(3))
    c = u.probtm(a, 2, lv, b, 1)
    assert c.dtype == np.float64 and c.flags.f_contiguous
    assert np.array_equal(c, [[4, 1, 0], [1, 5, 1], [0, 1, 6]])
    assert np.array_equal(u.probtm(a, 2, lv, b, 1, 3, 3), c)
    with pytest.raises(err, match=r"^\(shape\(b, 1\) == m\) failed for 2nd keyword m: probtm:m=2$"):
        u.probtm(a, 2, lv, b, 1, m=2)
    with pytest.raises(err, match=r"^\(shape\(lv, 0\) == n\) failed for 1st keyword n: chodec:n=4$"):
        u.chodec(a, 2, lv, 0, n=4)
    with pytest.raises(err, match=r"^_ruvo\.ruvoutils\.probtm\(\) 2nd keyword \(m\) can't be converted to int$"):
        u.probtm(a, 2, lv, b, 1, m="three")


def test_docstring_with_optional_arguments_and_results(ruvo):
    assert ruvo.ruvoutils.probtm.__doc__ == (
        "c = probtm(a,ibd,lv,b,m1,[n,m])\n\nWrapper for ``probtm``.\n\n"
        "Parameters\n----------\n"
        "a : input rank-1 array('d') with bounds (*)\n"
        "ibd : input int\n"
        "lv : input rank-1 array('i') with bounds (n)\n"
        "b : input rank-2 array('d') with bounds (n,m)\n"
        "m1 : input int\n\n"
        "Other Parameters\n----------------\n"
        "n : input int, optional\n    Default: shape(lv, 0)\n"
        "m : input int, optional\n    Default: shape(b, 1)\n\n"
        "Returns\n-------\n"
        "c : rank-2 array('d') with bounds (n,m)\n")


def test_eigvpr_sizes_default_to_the_array(ruvo, capfd):
    x = np.zeros((4, 2))
    with pytest.raises(ruvo.__ruvo_error, match=r"^\(shape\(x, 0\) == m\) failed for 1st keyword m: eigvpr:m=5$"):
        ruvo.ruvoutils.eigvpr(6, x, m=5)
    with pytest.raises(ruvo.__ruvo_error, match=r"^\(shape\(x, 1\) == neiga\) failed for 2nd keyword neiga: eigvpr:neiga=3$"):
        ruvo.ruvoutils.eigvpr(6, x, 4, 3)
    assert capfd.readouterr().out == ""
    ruvo.ruvoutils.eigvpr(6, x)
    assert capfd.readouterr().out.split("\n")[-6:] == (
        ["0    DOF       EIGENMODE  1     EIGENMODE  2"]
        + [f"      {k}        0.0000000E+00    0.0000000E+00" for k in (1, 2, 3, 4)] + [""])
