"""The mode-shape routines: lqfit, refusals of host calls outside the plot arrays, plot controls, the file."""
import subprocess
import sys

import numpy as np
import pytest

import _ruvo
import conftest
from ruvo.modefile import read_modes


def test_lqfit_fits_the_corner_plane_in_place(ruvo):
    phi = np.asfortranarray([[0, 0, 1], [1, 0, 1], [0, 1, 1], [1, 1, 1]], dtype=np.float64)
    ak = np.zeros(3)
    ruvo.ruvoutils.lqfit(phi, 3, 4, np.array([0.0, 1.0, 2.0, 3.0]), ak)
    np.testing.assert_allclose(ak, [-1, -2, 0], atol=1e-14)
    np.testing.assert_allclose(phi.T @ phi, np.eye(3), atol=1e-14)  # orthonormalised columns
    with pytest.raises(ruvo.__ruvo_error, match=r"ij = 4 is not within 0..3"):
        ruvo.ruvoutils.lqfit(phi, 4, 4, np.zeros(4), np.zeros(4))
    with pytest.raises(ruvo.__ruvo_error, match=r"ak holds 2 values, fewer than ij = 3"):
        ruvo.ruvoutils.lqfit(phi, 3, 4, np.zeros(4), np.zeros(2))
    with pytest.raises(ruvo.__ruvo_error, match=r"shape\(phi, 0\) == m"):
        ruvo.ruvoutils.lqfit(phi, 3, 4, np.zeros(4), ak, m=5)


@pytest.fixture
def small_grid(ruvo, plot_controls, workdir):
    """A 3 x 2 grid to plot, without symmetry."""
    ruvo.f07ina.mx, ruvo.f07ina.my = 3, 2
    ruvo.f07ina.a = [1.0, 2.0] + [0.0] * 28
    ruvo.f07ina.b = [4.0] + [0.0] * 29
    plot_controls.isymx, plot_controls.isymy = 0, 0
    return ruvo.f07ina


def test_plot_counts_are_mended(ruvo, small_grid, plot_controls):
    plot_controls.npx, plot_controls.npy = 1, -5
    ruvo.prtnds31.pltmsh()
    assert (int(plot_controls.npx), int(plot_controls.npy)) == (2, 2)
    plot_controls.npx, plot_controls.npy = 95, 51
    ruvo.prtnds19.pltmsh()
    assert (int(plot_controls.npx), int(plot_controls.npy)) == (80, 50)


# mx | my | npx | the words (a pattern) | the call.
@pytest.mark.parametrize("mx, my, npx, words, call", [
    pytest.param(40, 2, 50, "MX = 40 is not within 1..31", lambda: _ruvo.prtnds31.pltmsh(), id="pltmsh 31, mx"),
    pytest.param(40, 2, 50, "MX = 40 is not within 1..19", lambda: _ruvo.prtnds19.pltmsh(), id="pltmsh 19, mx"),
    pytest.param(3, -2147483648, 50, "MY = -2147483648 is not within 1..31", lambda: _ruvo.prtnds31.pltmsh(),
                 id="my - 1 would overflow"),
    pytest.param(3, -2147483648, 82, "NPX = 82 is not within 0..80", lambda: _ruvo.prtnds31.cntour(), id="cntour, npx"),
    pytest.param(3, -2147483648, 82, "modes: MY = -2147483648 is not within 1..25", lambda: _ruvo.prtnds25.modes(0),
                 id="modes, my"),
    pytest.param(3, 2, 82, r"modes: LEIT\(1,1\) = 0 is not within 1..625", lambda: _ruvo.prtnds25.modes(0),
                 id="no node numbers"),
])
def test_calls_beyond_the_plot_arrays_are_refused_and_change_nothing(ruvo, small_grid, plot_controls, workdir,
                                                                    mx, my, npx, words, call):
    small_grid.mx, small_grid.my, plot_controls.npx = mx, my, npx
    with pytest.raises(ruvo.__ruvo_error, match=words):
        call()
    assert int(plot_controls.npx) == npx and not (workdir / "fort.26").exists()


# ---- runs with plotting requested ------------------------------------------------


def plate(n=8, length=100.0, **overrides):  # the simply supported square plate with plotting requested
    return conftest.plate(n, indplt=1, framepitch=length, stringerpitch=length, **overrides)


@pytest.fixture
def buckling(flags, plot_controls, workdir):
    """Only buckling requested, plotted unscaled without symmetry."""
    plot_controls.isymx = plot_controls.isymy = 0
    plot_controls.scal = 1.0
    return plot_controls


MODES = "plate   MODES.txt"


# Elements a side | the side's length | plot points in x | in y | the direction that grows from line to line.
# The 32-bit sums of the plot steps of 500/9 end beyond those of the lengths: the last plot line lies on the
# far edge all the same.
@pytest.mark.parametrize("n, length, npx, npy, direction", [
    pytest.param(8, 100.0, 40, 20, "X", id="wide"),
    pytest.param(8, 100.0, 20, 40, "Y", id="tall"),
    pytest.param(9, 500.0, 20, 40, "Y", id="steps of 500/9"),
])
def test_first_mode_of_a_simply_supported_plate(ruvo, buckling, workdir, capfd, n, length, npx, npy, direction):
    buckling.npx, buckling.npy = npx, npy
    ruvo.prtnds19.callruvo(**plate(n, length))
    assert capfd.readouterr().out.endswith("  Buckling/Vibration analysis finished\n")
    text = (workdir / MODES).read_text().split("\n")
    assert text[:3] == ["Next line: Nmbr of grid points in x- and y-direction", f"{npx:4d} {npy:4d}",
                        f"#CONTOUR. {direction} increases from line to line"]
    assert f" MODE  1. {direction} increases from line to line" in text
    contour, modes = read_modes(workdir / MODES)
    assert [m.mode for m in modes] == [1, 2, 3]
    assert np.all(contour.values == 0.0)  # flat
    first = modes[0]
    np.testing.assert_allclose(first.x, np.linspace(0, length, npx + 1), atol=1e-3)
    np.testing.assert_allclose(first.y, np.linspace(0, length, npy + 1), atol=1e-3)
    # The isotropic skin of thickness 1 scales every mode to 1.
    sine = np.outer(np.sin(np.pi * first.x / length), np.sin(np.pi * first.y / length))
    sign = np.sign(first.values[npx // 2, npy // 2])
    np.testing.assert_allclose(sign * first.values, sine, atol=2e-3)


def test_identical_analyses_write_identical_files_at_the_hosts_factor(ruvo, buckling, workdir):
    buckling.npx = buckling.npy = 10
    files = []
    for factor in (None, None, 2.5, None):
        if factor is not None:
            buckling.scal = factor
        ruvo.prtnds19.callruvo(**plate(n=4))
        files.append((workdir / MODES).read_text())
    assert files[0] == files[1] and files[2] == files[3] and files[0] != files[2]
    for text, largest in ((files[0], 1.0), (files[2], 2.5)):
        (workdir / "one.txt").write_text(text)
        _, modes = read_modes(workdir / "one.txt")
        assert [np.abs(m.values).max() for m in modes] == pytest.approx([largest] * 3, abs=1e-4)


def test_mirrored_run_and_its_picture(ruvo, buckling, workdir):
    # Symmetry about x = lx: the plate is half of a plate twice as long.
    buckling.npx, buckling.npy = 40, 20
    ruvo.prtnds19.callruvo(**plate(bndxl=[-1, 0, 0, 0, 0, 0, 0]))
    assert int(buckling.isymx) == -1
    _, modes = read_modes(workdir / MODES)
    first = modes[0].values
    np.testing.assert_array_equal(first[:20], first[:20:-1])
    # The picture is drawn by the command of the README, in its own process.
    subprocess.run([sys.executable, str(conftest.ROOT / "tools" / "modes_plot.py"), MODES, "plate.png"], check=True, cwd=workdir)
    assert (workdir / "plate.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
