"""Natural frequencies through vibs2 and vibs3 after a buckling run: the closed form, repeats, the listings."""
import math
import re

import numpy as np
from pytest import approx

from conftest import isotropic_laminate, read_lines
from test_buckling import D, run

DENSITY = 1.0e-6  # mass per unit area left by the reset of every analysis


def frequencies(listing):
    """(eigenvalue, Hz) of each EIGENVALUE record of the vibration listing."""
    pattern = re.compile(r"^         EIGENVALUE +(\d+): *(\S+) = *(\S+) HZ$")
    return [(float(m[2].replace("D", "E")), float(m[3].replace("D", "E")))
            for m in map(pattern.match, listing.split("\n")) if m]


def vibrate(ruvo):  # the vibration solution on the model of the last run
    ruvo.prtnds19.vibs2(0)
    ruvo.prtnds19.vibs3(7200, *[np.zeros((6, 1), np.float32, order="F")] * 3, 0.0, 0.0, 0.0, 0.0, 0)


def solve(ruvo, workdir):
    vibrate(ruvo)
    return frequencies((workdir / "fort.9").read_text())


def test_simply_supported_plate_against_its_closed_form(ruvo, workdir, flags):
    run(ruvo)                       # a 100 x 100 plate of 8 x 8 elements, prepared and buckled
    (workdir / "fort.9").unlink(missing_ok=True)
    first = solve(ruvo, workdir)
    assert len(first) == 3
    # f(m, n) = (π/2) (m²/a² + n²/b²) √(D/ρ); the modes (1,2) and (2,1) are a pair.
    f = lambda m, n: math.pi / 2 * (m * m + n * n) / 100.0 ** 2 * math.sqrt(D / DENSITY)
    assert first[0][1] == approx(f(1, 1), rel=1e-4)
    assert first[1][1] == approx(f(1, 2), rel=2e-3) and first[2][1] == approx(f(2, 1), rel=2e-3)
    for lam, hz in first:
        assert hz == approx(math.sqrt(lam) / (2 * math.pi), rel=1e-5)   # both printed to six digits
    # The same model solved again gives the same frequencies: the density is
    # not rescaled by the solution.
    assert solve(ruvo, workdir)[3:] == first


def test_tangential_modes_in_both_listings(ruvo, workdir, flags):
    """With x2pri and itab the buckling listing shows the tangential modes and the updated matrix; the
    vibration's modes follow without the tangential ones."""
    ruvo.man.x2pri = 1
    try:
        run(ruvo, n=2, itab=1, neigit=4, neigrq=1)
        solve(ruvo, workdir)
    finally:
        ruvo.man.x2pri = 0
    text = read_lines(workdir / "plate   .out")
    assert " " * 35 + "UPDATED MATRIX A11" in text
    x2 = text.index(" X2-EIGENVECTORS DESCRIBING TANGENTIAL DISPLACEMENTS")
    assert text[x2 + 1:x2 + 3] == [" AND TRANSVERSE SHEAR STRAINS", "0 EIGENMODE  1"]
    assert all(len(line) == 101 for line in text[x2 + 3:x2 + 3 + int(ruvo.man.iy) // 5])
    text = read_lines(workdir / "fort.9")
    assert {"0 EIGENMODE  1", "1X-EIGENVECTORS DESCRIBING NORMAL DISPLACEMENT W"} <= set(text)
    assert " X2-EIGENVECTORS DESCRIBING TANGENTIAL DISPLACEMENTS" not in text


def test_failures_report_on_both_outputs(ruvo, workdir, flags, capfd):
    for rows, words in (([0, 2], " SUBROUTINE VIBS3: CHOLESKY DECOMPOSITION OF MATRIX A22 FAILED. IER="),
                        (slice(12, 18), " SUBROUTINE VIBS3: ERROR ENCOUNTERED IN SUBR. SIMVIT")):
        lam = isotropic_laminate()
        lam[rows, :] *= -1.0e3 if isinstance(rows, list) else -1.0
        run(ruvo, matabdf=lam)                      # the buckling run fails the same way
        capfd.readouterr()
        vibrate(ruvo)
        out = capfd.readouterr().out.split("\n")
        assert any(line.startswith(words) for line in out)
        # An analysis that ended in an error exit leaves its listing connected.
        assert any(line.startswith(words) for line in (workdir / "plate   .out").read_text().split("\n"))
