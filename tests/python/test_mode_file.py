"""The mode-shape routines from Python: their rows, the refusals of host calls
that would index outside the plot arrays, and the mended plot controls."""
import numpy as np
import pytest


@pytest.fixture
def plot_controls(ruvo):
    """The plot controls and the grid lines as they were; restored afterwards."""
    saved = {name: np.array(getattr(ruvo.plotin, name)) for name in ("scal", "npx", "npy", "isymx", "isymy",
                                                                      "mdsplt", "nmod", "indplt")}
    grid = (int(ruvo.f07ina.mx), int(ruvo.f07ina.my), np.array(ruvo.f07ina.a), np.array(ruvo.f07ina.b))
    yield ruvo.plotin
    for name, value in saved.items():
        setattr(ruvo.plotin, name, value)
    ruvo.f07ina.mx, ruvo.f07ina.my, ruvo.f07ina.a, ruvo.f07ina.b = grid


def test_rows_of_the_mode_file_routines(ruvo):
    for variant in ("19", "21", "25", "31"):
        container = getattr(ruvo, "prtnds" + variant)
        for name in ("pltmsh", "cntour", "modes"):
            assert callable(getattr(container, name))
    assert ruvo.prtnds31.modes.__doc__.startswith("modes(ier)\n\nWrapper for ``modes``.")
    assert ruvo.ruvoutils.lqfit.__doc__.splitlines()[0] == "lqfit(phi,ij,k,epss,ak,[m])"
    assert "phi : input rank-2 array('d') with bounds (m,*)" in ruvo.ruvoutils.lqfit.__doc__


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


def test_plot_counts_below_two_become_two(ruvo, plot_controls):
    ruvo.f07ina.mx, ruvo.f07ina.my = 3, 2
    ruvo.f07ina.a = [1.0, 2.0] + [0.0] * 28
    ruvo.f07ina.b = [4.0] + [0.0] * 29
    plot_controls.npx, plot_controls.npy, plot_controls.isymx, plot_controls.isymy = 1, -5, 0, 0
    ruvo.prtnds31.pltmsh()
    assert (int(plot_controls.npx), int(plot_controls.npy)) == (2, 2)
    plot_controls.npx, plot_controls.npy = 95, 51
    ruvo.prtnds19.pltmsh()
    assert (int(plot_controls.npx), int(plot_controls.npy)) == (80, 50)


def test_host_calls_beyond_the_plot_arrays_are_refused(ruvo, plot_controls, workdir):
    ruvo.f07ina.mx = 40
    with pytest.raises(ruvo.__ruvo_error, match="MX = 40 is not within 0..31"):
        ruvo.prtnds31.pltmsh()
    with pytest.raises(ruvo.__ruvo_error, match="MX = 40 is not within 0..19"):
        ruvo.prtnds19.pltmsh()
    assert int(plot_controls.npx) == 50  # nothing changed
    ruvo.f07ina.mx = 3
    plot_controls.npx = 82
    with pytest.raises(ruvo.__ruvo_error, match="NPX = 82 is not within 0..80"):
        ruvo.prtnds31.cntour()
    with pytest.raises(ruvo.__ruvo_error):
        ruvo.prtnds25.modes(0)
    assert not (workdir / "fort.26").exists()
    assert int(plot_controls.npx) == 82
