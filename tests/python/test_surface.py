"""The module surface: containers, block views, conversions, error texts, docstrings."""
import json
import os

import numpy as np
import pytest

import _ruvo
from conftest import DATA, ruvomain_args, run_fresh

BLOCKS = json.loads((DATA / "blocks.json").read_text())       # block: {member: [dtype, shape]}
DOCS = json.loads((DATA / "docstrings.json").read_text())     # whole docstrings, and lines they hold


def routine(path):
    container, name = path.split(".")
    return getattr(getattr(_ruvo, container), name)


def test_every_block_member_as_tabled(ruvo):
    for block, members in BLOCKS.items():
        obj = getattr(ruvo, block)
        assert sorted(dir(obj)) == sorted(members), block
        for name, (dtype, shape) in members.items():
            view = getattr(obj, name)
            assert view.dtype == np.dtype(dtype) and view.shape == tuple(shape), (block, name)
            assert view.flags.f_contiguous and view.flags.writeable
        assert f"/{block}/" in ruvo.__doc__


def test_module_attributes_and_doc(ruvo):
    assert ruvo.__ruvo_error.__name__ == "error" and str(ruvo.__ruvo_error) == "<class '_ruvo.error'>"
    assert all(name in ruvo.__doc__ for name in ("prtnds19", "prtnds21", "prtnds25", "prtnds31", "ruvoutils", "ruvo31",
                                                 "conventions"))
    assert "leit(31,31)" in ruvo.__doc__ and "kquad(340,3,900)" in ruvo.__doc__
    assert "generated" not in ruvo.__doc__.lower() and "pybind" not in ruvo.__doc__.lower()


def test_views_are_live_assignment_converts_copies_and_refuses_wrong_shapes(ruvo):
    assert ruvo.plotin.npx.ndim == 0 and np.shares_memory(ruvo.plotin.npx, ruvo.plotin.npx)
    leit = ruvo.f07ina.leit
    leit[1, 0] = 42                  # host index [i-1, j-1] is element (i, j): column-major storage
    assert leit.ravel(order="K")[1] == 42 and ruvo.f07ina.leit[1, 0] == 42
    leit[1, 0] = 0
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
    for holder, name in ((ruvo.ruvoutils, "mklvbd"), (ruvo.prtnds31, "initlz"), (ruvo.ruvo31, "p_nx"),
                         (ruvo.prtnds19, "p_la11"), (ruvo.conventions, "flat_radius")):
        with pytest.raises(AttributeError):
            setattr(holder, name, None)
    assert ruvo.ruvoutils.mklvbd is routine and ruvo.ruvo31.p_nx == 3844
    # the conventions the package reads: a packed laminate column is A, -B, D by upper triangles
    c = ruvo.conventions
    assert (c.flat_radius, c.variants, c.default_variant) == (1.0e29, ("19", "21", "25", "31"), "31")
    assert (c.t_profile, c.omega_profile, c.laminate_rows, c.shear_rows) == (1, 2, 18, 21)
    assert c.packed_entries == ((1, 1), (1, 2), (2, 2), (1, 3), (2, 3), (3, 3))
    ruvo.prtnds31.my_note = "kept"
    assert ruvo.prtnds31.my_note == "kept"


@pytest.mark.parametrize("path", DOCS["exact"])
def test_whole_docstrings(path):
    assert routine(path).__doc__ == DOCS["exact"][path]


def test_docstrings_carry_each_variants_rows_and_bounds():
    missing = [(path, line) for path, line in DOCS["lines"] if line not in routine(path).__doc__.split("\n")]
    assert not missing


U, ERROR = _ruvo.ruvoutils, _ruvo.__ruvo_error
LV, A, LV3, B = np.zeros(5, np.int32), np.array([4.0, 1.0, 5.0, 1.0, 6.0]), np.array([0, 1, 2], np.int32), np.eye(3)


def M(**changes):
    """ruvomain of the 31 variant on ruvomain_args with `changes`."""
    return _ruvo.prtnds31.ruvomain(**ruvomain_args(**changes))


# The class of the error (the surface's own, or a conversion's) | the message (a pattern) | the call.
@pytest.mark.parametrize("error, text, call", [
    pytest.param(ERROR, r"^_ruvo\.ruvoutils\.mklvbd\(\) 2nd argument \(nn\) can't be converted to int$",
                 lambda: U.mklvbd(LV, "five", 3, 0), id="mklvbd, nn a string"),
    pytest.param(ERROR, r"4th argument \(ier\) can't be converted to int", lambda: U.mklvbd(LV, 5, 3, 2**40),
                 id="mklvbd, ier beyond 32 bits"),
    pytest.param(TypeError, "^", lambda: U.mklvbd(LV, 5, 3), id="mklvbd, an argument missing"),
    pytest.param(TypeError, "^", lambda: U.mklvbd(LV, 5, 3, 0, bogus=1), id="mklvbd, unknown keyword"),
    pytest.param(TypeError, "^", lambda: _ruvo.prtnds31.initlz(1), id="initlz, an argument too many"),
    pytest.param(ValueError, r"^failed in converting 1st argument `lv' of _ruvo\.ruvoutils",
                 lambda: U.mklvbd(["a", "b"], 2, 2, 0), id="mklvbd, lv of strings"),
    pytest.param(ERROR, r"^\(shape\(b, 1\) == m\) failed for 2nd keyword m: probtm:m=2$",
                 lambda: U.probtm(A, 2, LV3, B, 1, m=2), id="probtm, m against b"),
    pytest.param(ERROR, r"^\(shape\(lv, 0\) == n\) failed for 1st keyword n: chodec:n=4$",
                 lambda: U.chodec(A, 2, LV3, 0, n=4), id="chodec, n against lv"),
    pytest.param(ERROR, r"^_ruvo\.ruvoutils\.probtm\(\) 2nd keyword \(m\) can't be converted to int$",
                 lambda: U.probtm(A, 2, LV3, B, 1, m="three"), id="probtm, m a string"),
    pytest.param(ERROR, r"^\(shape\(x, 0\) == m\) failed for 1st keyword m: eigvpr:m=5$",
                 lambda: U.eigvpr(6, np.zeros((4, 2)), m=5), id="eigvpr, m against x"),
    pytest.param(ERROR, r"^\(shape\(x, 1\) == neiga\) failed for 2nd keyword neiga: eigvpr:neiga=3$",
                 lambda: U.eigvpr(6, np.zeros((4, 2)), 4, 3), id="eigvpr, neiga against x"),
    pytest.param(ERROR, r"^_ruvo\.prtnds31\.ruvomain\(\) 4th argument \(itabp\) can't be converted to int$",
                 lambda: M(itabp="x"), id="ruvomain, itabp a string"),
    pytest.param(ERROR, r"^_ruvo\.prtnds31\.ruvomain\(\) 16th argument \(rxp\) can't be converted to float$",
                 lambda: M(rxp=None), id="ruvomain, rxp None"),
    pytest.param(ERROR, r"^string_from_pyobj failed in converting 2nd argument`titp' of _ruvo\.prtnds31\.ruvomain",
                 lambda: M(titp=3), id="ruvomain, titp a number"),
    pytest.param(ERROR, r"^string_from_pyobj failed in converting 1st argument`proj' of _ruvo\.prtnds31\.ruvomain",
                 lambda: M(proj="pan\u00e9l"), id="ruvomain, proj not ASCII"),
    pytest.param(ERROR, r"^failed in converting 9th argument `kup' of _ruvo\.prtnds31\.ruvomain",
                 lambda: M(kup=[1, 2, 3]), id="ruvomain, kup short"),
    pytest.param(ValueError, r"^failed in converting 10th argument `ap'", lambda: M(ap=["a"] * 30), id="ruvomain, ap of strings"),
    pytest.param(ERROR, r"^failed in converting 11st argument `bp' of _ruvo\.prtnds31\.ruvomain",
                 lambda: M(bp=np.zeros(3)), id="ruvomain, bp short"),
    pytest.param(ERROR, r"^failed in converting 21st argument `elmstfp' of _ruvo\.prtnds31\.ruvomain",
                 lambda: M(elmstfp=np.zeros(3)), id="ruvomain, elmstfp short"),
    pytest.param(ERROR, r"^failed in converting 22nd argument `steifxp' of _ruvo\.prtnds31\.ruvomain",
                 lambda: M(steifxp=np.zeros(3)), id="ruvomain, steifxp short"),
    pytest.param(ERROR, r"^failed in converting 23rd argument `steifyp' of _ruvo\.prtnds31\.ruvomain",
                 lambda: M(steifyp=np.zeros(3)), id="ruvomain, steifyp short"),
])
def test_conversion_errors_name_the_argument_and_run_nothing(workdir, capfd, call, error, text):
    with pytest.raises(error, match=text):
        call()
    assert not list(workdir.iterdir()) and capfd.readouterr().out == ""


# mklvbd into an array of 5 entries (4 for an order of 4): nn | ibd | the levels (None: refused, lv untouched).
@pytest.mark.parametrize("nn, ibd, levels", [
    pytest.param(5, 3, [0, 1, 3, 5, 7], id="band of 3"),
    pytest.param(4, 4, [0, 1, 3, 6], id="full triangle"),
    pytest.param(5, 1, [0] * 5, id="diagonal"),
    pytest.param(1, 1, None, id="order 1"),
    pytest.param(3, 4, None, id="below the band width"),
    pytest.param(6, 2, None, id="beyond the array"),
])
def test_mklvbd_level_vectors(ruvo, nn, ibd, levels):
    lv = np.full(5 if nn != 4 else 4, -1, np.int32)
    assert ruvo.ruvoutils.mklvbd(lv, nn, ibd, 0) is None
    assert lv.tolist() == (levels or [-1] * len(lv))


@pytest.mark.parametrize("lv", [
    pytest.param(np.zeros(5), id="float"),
    pytest.param([9] * 5, id="list"),
    pytest.param(np.zeros(10, np.int32)[::2], id="strided"),
    pytest.param(np.frombuffer(np.full(5, -1, np.int32).tobytes(), np.int32), id="readonly"),
    pytest.param(np.zeros(4 * 5 + 1, np.uint8)[1:].view(np.int32), id="misaligned"),
    pytest.param(_ruvo.f07ina.ku, id="model_state"),  # an argument overlapping the model state
])
def test_in_arrays_pass_in_place_only_when_exact(ruvo, lv):
    """Anything but an aligned, writeable, contiguous int32 array goes in as a converted copy."""
    before = np.array(lv)
    ruvo.ruvoutils.mklvbd(lv, 5, 3, 0)
    assert np.array_equal(lv, before)


def test_import_fails_cleanly_without_numpy(tmp_path):
    (tmp_path / "numpy").mkdir()
    (tmp_path / "numpy" / "__init__.py").write_text("raise ImportError('no numpy here')\n")
    out = run_fresh(
        "try:\n    import _ruvo\nexcept ImportError as e:\n    print(e)\n",
        env={"PYTHONPATH": f"{tmp_path}{os.pathsep}{os.environ.get('PYTHONPATH', '')}"})
    assert out.strip() == "can't initialize module _ruvo (failed to import numpy)"


def test_optional_sizes_default_to_the_arrays(ruvo):
    c = ruvo.ruvoutils.probtm(A, 2, LV3, np.asfortranarray(B), 1)     # a tridiagonal profile of order 3
    assert c.dtype == np.float64 and c.flags.f_contiguous
    assert np.array_equal(c, [[4, 1, 0], [1, 5, 1], [0, 1, 6]])
    assert np.array_equal(ruvo.ruvoutils.probtm(A, 2, LV3, B, 1, 3, 3), c)
