"""Faults of the host surface found by fuzzing; those that corrupted memory run in a child interpreter."""
import copy
import textwrap

import numpy as np
import pytest

import _ruvo
from conftest import run_fresh

u = _ruvo.ruvoutils
ERROR = _ruvo.__ruvo_error


def run_child(code):
    return run_fresh("import numpy as np, sys, _ruvo\nu = _ruvo.ruvoutils\n" + textwrap.dedent(code))


def test_written_arrays_share_no_memory_with_other_arguments():
    # The factor overlapping the level vector: chodec's writes used to change
    # lv under it. Now the later argument is a private copy, and the call
    # gives what it gives with separate arrays.
    out = run_child("""
        raw = np.zeros(10)
        lv = raw.view(np.int32)[:4]
        lv[:] = [0, 1, 3, 6]
        raw[2:] = [4.0, 0.5, 1.0, 3.0, 0.2, 0.1, 0.3, 5.0]
        alone = raw.copy()
        u.chodec(alone, 4, lv.copy(), 0)
        u.chodec(raw, 4, lv, 0)
        assert np.array_equal(raw, alone, equal_nan=True)

        # the subspace matrix overlapping its level vector and eigenvectors
        a = np.zeros(16)
        lvtri = a.view(np.int32)[:3]
        lvtri[:] = [0, 1, 3]
        ys = a[4:13].reshape(3, 3, order="F")
        u.jacob2(a, lvtri, 1e-8, ys, 0)
        print("ok")
    """)
    assert out == "ok\n"


def test_level_vectors_beyond_32_bits_are_refused():
    mk = u.mklvbd
    lv = np.full(65536, -1, np.int32)
    mk(lv, 65535, 65535, 0)                      # lv(n) + n = 2**31 - 32767 entries still fit
    assert lv[65534] == 65535 * 65534 // 2
    lv[:] = -1
    mk(lv, 65536, 65536, 0)                      # one more row does not: ier = 1, lv unchanged
    assert (lv == -1).all()
    big = np.full(2**22, -1, np.int32)
    mk(big, 2**22, 1100, 0)                      # a long band past the limit
    assert (big == -1).all()


@pytest.mark.parametrize("obj", [u, u.mklvbd, _ruvo.man], ids=["container", "routine", "shared_block"])
def test_module_objects_cannot_be_made_by_the_host(obj):
    cls = type(obj)
    for make in (lambda: cls.__new__(cls), lambda: cls.__mro__[1].__new__(cls), lambda: object.__new__(cls),
                 lambda: cls(), lambda: copy.copy(obj)):
        with pytest.raises(TypeError):
            make()
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


def test_host_code_cannot_change_arrays_after_they_are_settled():
    # A flush of standard output, and an argument's own conversion, run host
    # code; one that shrinks an array already taken used to leave the routine
    # with the old extents over the new storage.
    out = run_child("""
        lv = np.array([0, 1, 3, 6], np.int32)
        a = np.ones(10)

        class Shrinking:
            def write(self, s):
                return sys.__stdout__.write(s)
            def flush(self):
                a.resize(1, refcheck=False)
        sys.stdout = Shrinking()
        try:
            u.chodec(a, 4, lv, 0)
        except _ruvo.__ruvo_error as e:
            print("refused", "profile" in str(e) or "entries" in str(e), file=sys.__stdout__)
        sys.stdout = sys.__stdout__

        b = np.ones(10)
        class LevelVector:
            def __array__(self, dtype=None):
                b.resize(1, refcheck=False)
                return lv
        try:
            u.chodec(b, 4, LevelVector(), 0)
        except _ruvo.__ruvo_error:
            print("refused")
    """)
    assert out == "refused True\nrefused\n"


@pytest.mark.parametrize("block, member, value", [
    pytest.param("man", "neigrq", 2**40, id="neigrq 2**40"),
    pytest.param("man", "neigrq", 2**32 + 5, id="neigrq 2**32 + 5"),
    pytest.param("man", "neigit", -2**31 - 1, id="neigit below -2**31"),
    pytest.param("man", "neigit", float("nan"), id="neigit nan"),
    pytest.param("man", "neigit", 10**400, id="neigit 10**400"),
    pytest.param("f07ina", "ku", [1, 2, 3, 2**31, 0], id="ku holding 2**31"),
    pytest.param("f07inb", "rx", 1e39, id="rx 1e39"),
    pytest.param("f07inb", "rx", [-3.5e38], id="rx -3.5e38"),
])
def test_members_refuse_values_beyond_32_bits_and_take_the_ends_of_their_range(ruvo, block, member, value):
    b = getattr(ruvo, block)
    before = np.array(getattr(b, member))
    with pytest.raises(ERROR, match=f"cannot assign to member {member}"):
        setattr(b, member, value)
    assert np.array_equal(getattr(b, member), before)
    for end in ((2**31 - 1, -2**31, 7.9) if before.dtype.kind == "i" else (float("inf"), -3.4e38, float("nan"))):
        setattr(b, member, np.full(before.shape, end) if before.ndim else end)
        assert np.array_equal(getattr(b, member), np.full(before.shape, end).astype(before.dtype), equal_nan=True)
    setattr(b, member, before)


