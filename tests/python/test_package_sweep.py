"""ruvo.sweep: processes give the numbers of sequential calls, in order, and
a bad panel is reported without stopping the rest."""
import pytest

import _ruvo
import ruvo
from ruvo import Laminate, Loads, Mesh, Panel

pytestmark = pytest.mark.skipif(not hasattr(_ruvo.prtnds19, "callruvo"),
                                reason="the buckling analysis (callruvo, buvi) is not in this engine yet")
SKIN = Laminate.isotropic(70000.0, 0.3, 1.0)
BAD = 17


def panels():
    """40 plates of growing length; one clamped on a single element, which
    leaves the engine no freedom to solve for."""
    out = [Panel(length=100.0 + 5.0 * k, width=100.0, laminate=SKIN, loads=Loads(Nx=1.0), mesh=Mesh(nx=8, ny=6))
           for k in range(40)]
    out[BAD] = out[BAD].replace(edges="clamped", mesh=Mesh(nx=1, ny=1))
    return out


def test_sweep_on_two_processes_matches_the_sequential_loop(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    items = panels()
    swept = ruvo.sweep(items, processes=2, progress=False, modes=2)
    assert len(swept) == 40 and list(swept.errors) == [BAD]
    assert isinstance(swept.errors[BAD], ruvo.AnalysisError) and swept.errors[BAD].stage == "MKLVBD"
    for k, panel in enumerate(items):
        if k == BAD:
            assert swept.results[k] is None
            continue
        one = ruvo.buckle(panel, modes=2)
        assert swept[k].panel == panel
        assert swept[k].load_factors.tolist() == one.load_factors.tolist()  # the same bits
    assert not list(tmp_path.iterdir())


def test_one_process_runs_here_and_kind_is_checked():
    swept = ruvo.sweep(panels()[:2], processes=1, progress=True, modes=1)
    assert not swept.errors and swept[0].load_factors[0] < swept[1].load_factors[0] * 1.5
    with pytest.raises(ValueError, match="kind"):
        ruvo.sweep([], kind="bend")
