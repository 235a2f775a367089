"""The element routines as the host calls them: the assemblies, their refusals, every freedom set."""
import numpy as np
import pytest

from conftest import RECORDS, grid_lengths, level_vector, ruvomain_args, supported, write_to
from test_input_routines import element_arrays


@pytest.fixture
def w_panel(ruvo, workdir, buckling_only, listing_file, plot_controls):
    """A 3 x 3 grid of unit elements with W alone, freedoms numbered: 9 nodes, 36 W equations."""
    lengths = grid_lengths(30, 2, 1.0)
    p = ruvo.prtnds31
    ruvo.f07ina.mx, ruvo.f07ina.my = 3, 3
    p.ruvomain(**ruvomain_args(ap=lengths, bp=lengths, kup=[1, 0, 0, 0, 0]))
    write_to(listing_file)
    p.rddata(*element_arrays(), 0)
    p.setkey(0, 0)
    ruvo.man.ix, ruvo.man.iy = 36, 0
    ruvo.f01qua.ikt[:4] = 0
    yield p
    ruvo.man.ix = ruvo.man.iy = 0
    ruvo.f07ina.mx = ruvo.f07ina.my = 0


def test_freedom_tables_are_filled_in_place(ruvo, w_panel):
    iu = np.full((4, 4), -1, np.int32, order="F")
    # W is numbered node by node along x first: node (x-line i, y-line j) has 4(3(j-1) + i-1) + kind.
    w_panel.iuoriv(2, 1, 1, iu, 0)            # y-lines 2-3, x-lines 1-2
    assert iu[:, 0].tolist() == [13, 15, 25, 27] and iu[0, 2] == 17
    kv = np.zeros((2, 4), np.int32, order="F")
    w_panel.kuorkv("Y", 3, 2, 1, kv, 0)      # x-line 3 between y-lines 2 and 3
    assert kv.tolist() == [[21, 23, 33, 35], [22, 24, 34, 36]]


FULL = 36 * 37 // 2      # the entries of a full profile of the 36 W equations


# The equation count ix set beforehand | the words (a pattern) | the call on the panel's routines.
@pytest.mark.parametrize("ix, words, call", [
    pytest.param(36, r"lvtri\(36\) = 630 does not fit a11 of 665 entries", lambda p: p.cmpa11(np.zeros(FULL - 1), 0),
                 id="a11 one short"),
    pytest.param(20, r"LM\(1,1,3\) = 25 is not within 0..20", lambda p: p.cmpa11(np.zeros(FULL), 0),
                 id="fewer equations than the key matrix numbers"),
    pytest.param(1000000, "IX = 1000000 is not within 0..3844", lambda p: p.a11xst(np.zeros(FULL), 0),
                 id="equations beyond the variant"),
    pytest.param(36, "a21 has 35 columns, fewer than ix = 36", lambda p: p.cmpa21(np.zeros((15376, 35), order="F"), 0, 0),
                 id="a21 a column short"),
    pytest.param(36, "lv holds 3 entries, fewer than the order 36",
                 lambda p: p.cmpbmt(np.zeros(FULL), np.zeros(3, np.int32), np.zeros((961, 3), np.float32), 1.0, 0),
                 id="level vector short"),
    pytest.param(36, "function ifun = 6 is not within 1..5", lambda p: p.kuorkv("X", 1, 1, 6, np.zeros((2, 4), np.int32), 0),
                 id="no such freedom function"),
    pytest.param(36, "^", lambda p: p.cmpmmt(np.zeros(FULL, np.float32), level_vector(36, 36)),
                 id="in/out arrays are never copied"),
])
def test_assemblies_refuse_what_they_would_index_outside(ruvo, w_panel, ix, words, call):
    ruvo.man.ix = ix
    with pytest.raises(ruvo.__ruvo_error, match=words):
        call(w_panel)


def test_assemblies_fill_arrays_of_exactly_the_needed_length_in_place(ruvo, w_panel):
    w_panel.cmpa11(np.zeros(FULL), 0)
    lv, mmt = level_vector(36, 36), np.full(FULL, 7.0)
    assert w_panel.cmpmmt(mmt, lv) == 0 and not (mmt == 7.0).any()     # cleared and assembled in place
    assert w_panel.mmtst("Q", mmt) == 1


def test_term_lists_and_node_numbers_from_the_host_are_checked(ruvo, w_panel):
    p, error = w_panel, ruvo.__ruvo_error
    q = ruvo.f01qua
    q.ikt[0], q.kquad[0, 0, 0], q.kquad[0, 1, 0], q.kquad[0, 2, 0] = 1, 139, 120, 11
    with pytest.raises(error, match=r"KQUAD\(1,1,1\) = 139 is no derivative code"):
        p.cmpa11(np.zeros(666), 0)
    q.ikt[0] = 341
    with pytest.raises(error, match=r"IKT\(1\) = 341 is not within 0..340"):
        p.cmpa22(np.zeros(10), 0)
    q.ikt[0] = 0
    saved = int(ruvo.f07ina.leit[2, 2])
    ruvo.f07ina.leit[2, 2] = 962
    with pytest.raises(error, match=r"LEIT\(3,3\) = 962 is not within 1..961"):
        p.iuoriv(1, 1, 1, np.zeros((4, 4), np.int32), 0)
    ruvo.f07ina.leit[2, 2] = saved


def test_routine_failures_stay_in_the_listing(ruvo, w_panel, listing_file):
    ruvo.f07ina.ku[1] = 2                                        # U without V: no stiffeners possible
    w_panel.a21ast("X", np.zeros((15376, 36), order="F"), 0)
    ruvo.f07ina.ku[1] = 0
    w_panel.iuoriv(3, 1, 1, np.zeros((4, 4), np.int32), 0)      # below the last element row
    assert listing_file.read_text().split("\n")[-7:] == RECORDS["routine failures"]


@pytest.mark.parametrize("functions", [[1, 0, 0, 0, 0], [1, 2, 3, 0, 0], [1, 4, 5, 0, 0], [1, 2, 3, 4, 5]])
def test_every_freedom_set_passes_the_guards_of_every_assembly(ruvo, workdir, buckling_only, listing_file,
                                                               plot_controls, functions):
    """After a run with each of the four freedom sets, every assembly called
    from the host runs on the model it left (under W, BETA, GAMMA the key
    matrix keeps the never-numbered marker for U and V, which no assembly
    looks up)."""
    p = ruvo.prtnds31
    p.ruvomain(**supported(kup=functions))
    write_to(listing_file)
    ix, iy = int(ruvo.man.ix), int(ruvo.man.iy)
    assert ix > 0 and (iy > 0) == (len([f for f in functions if f]) > 1)
    lv = np.zeros(ix, np.int32)
    ruvo.ruvoutils.mklvbd(lv, ix, ix, 0)
    a11, a22, bmt = np.zeros(ix * (ix + 1) // 2), np.zeros(max(iy * (iy + 1) // 2, 1)), np.zeros(ix * (ix + 1) // 2)
    a21 = np.zeros((int(ruvo.ruvo31.p_ny), ix), order="F")
    pmem = np.ones((int(ruvo.ruvo31.p_nodes), 3), np.float32, order="F")
    p.cmpa11(a11, 0)
    p.cmpa21(a21, 0, 0)
    p.cmpa22(a22, 0)
    for xory in "XY":
        p.a21ast(xory, a21, 0)
        p.a22ast(xory, a22, 0)
        p.bmatst(xory, bmt, lv, pmem, 1.0, 0)
        p.mmtst(xory, np.zeros(ix * (ix + 1) // 2))
    p.a11xst(a11, 0)
    p.a11yst(a11, 0)
    p.cmpbmt(bmt, lv, pmem, 1.0, 0)
    assert p.cmpmmt(np.zeros(ix * (ix + 1) // 2), lv) == 0
    p.incs2(0)
    p.vibs2(0)
    assert a11.any() and bmt.any() and a22.any() == (2 in functions)  # the plate has no shear stiffness


