"""The module surface: containers, block views, conversions, error texts, docstrings."""
import json
import os

import numpy as np
import pytest

import _ruvo
from conftest import DATA, ruvomain_args, run_fresh, table

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
    assert all(name in ruvo.__doc__ for name in ("prtnds19", "prtnds21", "prtnds25", "prtnds31", "ruvoutils", "ruvo31"))
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
                         (ruvo.prtnds19, "p_la11")):
        with pytest.raises(AttributeError):
            setattr(holder, name, None)
    assert ruvo.ruvoutils.mklvbd is routine and ruvo.ruvo31.p_nx == 3844
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


@pytest.mark.parametrize("error, text, call", table("engine_refusals.txt", "conversions"))
def test_conversion_errors_name_the_argument_and_run_nothing(workdir, capfd, call, error, text):
    with pytest.raises(eval(error), match=text):
        eval(call)
    assert not list(workdir.iterdir()) and capfd.readouterr().out == ""


@pytest.mark.parametrize("nn, ibd, levels", table("surface.txt", "level vectors"))
def test_mklvbd_level_vectors(ruvo, nn, ibd, levels):
    nn, ibd, levels = int(nn), int(ibd), eval(levels)
    lv = np.full(5 if nn != 4 else 4, -1, np.int32)
    assert ruvo.ruvoutils.mklvbd(lv, nn, ibd, 0) is None
    assert lv.tolist() == (levels or [-1] * len(lv))


@pytest.mark.parametrize("lv", table("surface.txt", "copied arrays", named=True))
def test_in_arrays_pass_in_place_only_when_exact(ruvo, lv):
    """Anything but an aligned, writeable, contiguous int32 array goes in as a converted copy."""
    lv = eval(lv)
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
