"""Data input, key matrix and listing routines called one after another after `ruvomain`."""
import numpy as np
import pytest

from conftest import RECORDS, grid_lengths, read_lines, ruvomain_args, write_to


def element_arrays(columns=900):
    return [np.zeros((6, columns), np.float32, order="F") for _ in range(6)] + \
           [np.zeros((3, columns), np.float32, order="F")]


@pytest.fixture
def panel(ruvo, workdir, buckling_only, listing_file, plot_controls):
    """A 3 x 4 grid after `ruvomain`, W, U, V carried, W held with its slope on y = 0;
    later listing records go to the test's own unit."""
    ruvo.f07ina.mx, ruvo.f07ina.my = 3, 4
    lengths = grid_lengths(30, 3, 2.0)
    ruvo.prtnds31.ruvomain(**ruvomain_args(ap=lengths, bp=lengths, bndy0p=[0, 1, 6, 0, 0, 0, 0]))
    ruvo.f07ina.leit[:] = 0  # as ruvomain's reset left them, before the analysis numbered the nodes
    write_to(listing_file)
    yield listing_file
    ruvo.f07ina.mx = ruvo.f07ina.my = 0
    ruvo.f07ind.bndy0 = [0] * 7
    ruvo.f07ind.seiten = 0


def test_road_of_an_analysis_from_data_to_key_matrix(ruvo, panel):
    p = ruvo.prtnds31
    arrays = element_arrays()
    assert p.rddata(*arrays, 0) is None
    assert ruvo.f07ina.leit[:4, :3].tolist() == [[1, 5, 9], [2, 6, 10], [3, 7, 11], [4, 8, 12]]
    assert ruvo.f07ind.seiten == 1 and ruvo.f07ind.numsup == 0
    p.prtout(*arrays)
    p.setkey(0, 0)
    text = read_lines(panel)
    assert " NUMBER OF SUBDIVISION LINES:   IN X-DIRECTION    3" in text
    assert "        Y = 0   !     0     -     -     *     *         0" in text
    # y = 0 holds 3 nodes without W: 9 W nodes, 12 nodes with U and V.
    key = text.index(" KEY MATRIX")
    assert text[key + 1].endswith("FOR THE DISPLACEMENT W :   36")
    assert text[key + 2].endswith("BETA,GAMMA :   96")
    assert text[key + 6] == "   1     1        0    0    0    0       1    2    3    4       5    6    7    8"
    # Element of y-lines 2, 3 and x-lines 1, 2: W 1..20 (nodes 2, 6, 3, 7), U, V 25..64.
    assert (ruvo.f07ina.ibdx, ruvo.f07ina.ibdy) == (20, 40)
    assert text[-2:] == ["0  BANDWIDTHS IBDX= 20    IBDY= 40", "1"]


def test_rddata_rejection_reaches_both_outputs_and_the_process_lives_on(ruvo, panel, capfd):
    ruvo.f07ina.mx = 32
    capfd.readouterr()
    ruvo.prtnds31.rddata(*element_arrays(), 0)
    ruvo.f07ina.mx = 3
    expected = [" MESSAGE FROM SUBROUTINE RDDATA:", " MX =         32  IS NOT WITHIN     1 TO    31"]
    assert capfd.readouterr().out.split("\n")[:-1] == expected
    assert read_lines(panel) == expected
    assert int(ruvo.f07ina.leit[0, 0]) == 0
    ruvo.prtnds31.rddata(*element_arrays(), 0)      # the next call works
    assert int(ruvo.f07ina.leit[0, 0]) == 1


def test_setkey_and_prtout_refuse_a_grid_without_node_numbers(ruvo, panel):
    # ruvomain's reset cleared leit and rddata has not run.
    ruvo.prtnds31.setkey(0, 0)
    ruvo.prtnds31.prtout(*element_arrays())
    assert read_lines(panel) == RECORDS["grid without node numbers"]
