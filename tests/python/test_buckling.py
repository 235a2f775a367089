"""Buckling through callruvo: closed forms, the four variants, the listing, every error path, the scratch file."""
import math
import re

import numpy as np
import pytest

from conftest import SS, isotropic_laminate, plate, read_lines

E, NU, T = 70000.0, 0.3, 1.0
D = E * T ** 3 / (12 * (1 - NU * NU))
PI2_D = math.pi ** 2 * D
CLAMPED = [0, 1, 2, 3, 6, 0, 0]   # W, U and V held along the edge, and the slope across it


def run(ruvo, variant="19", **overrides):
    args = plate(variant=variant, **overrides)
    getattr(ruvo, "prtnds" + variant).callruvo(**args)
    return args


def listing(workdir):
    return read_lines(workdir / "plate   .out")


# ---- physics -----------------------------------------------------------------

# The 100 x 100 isotropic plate of 8 x 8 elements: the edges (SS, CLAMPED or a dict of edge codes) | the
# loads | k = N b²/π²D | the tolerance.
@pytest.mark.parametrize("edges, loads, k, rel", [
    pytest.param(SS, dict(loadvxp=1.0), 4.0, 1e-4, id="uniaxial"),  # k = (m b/a + a/(m b))², m = 1
    pytest.param(SS, dict(loadvxp=1.0, loadvyp=1.0), 2.0, 1e-4, id="biaxial"),  # N (m² + n²) = π²D(m² + n²)²/b², m = n = 1
    pytest.param(CLAMPED, dict(loadvxp=1.0), 10.07, 2e-3, id="clamped"),  # clamped all round, uniaxial (Levy)
    pytest.param(SS, dict(loadvxp=0.0, loadvxyp=1.0), 9.3245, 1e-3, id="shear"),  # pure shear (Stein and Neff; ±λ)
    pytest.param(dict(bndy0=CLAMPED, bndyl=CLAMPED), dict(loadvxp=1.0), 7.69, 3e-3, id="unloaded_edges_clamped"),
    # a fixed tension T across: D(α² + β²)² = λ α² − T β², α = β = π/100, m = n = 1
    pytest.param(SS, dict(loadvxp=1.0, fnyp=-10.0), 4.0 + 10.0 * 100 ** 2 / PI2_D, 1e-4, id="fixed_tension"),
])
def test_isotropic_square_plates_against_their_closed_forms(ruvo, workdir, flags, edges, loads, k, rel):
    args = run(ruvo, **(edges if isinstance(edges, dict) else dict(edges=edges)), **loads)
    assert abs(args["elamp"][0]) * 100.0 ** 2 / PI2_D == pytest.approx(k, rel=rel)
    assert not (workdir / "RCA25").exists()


def test_orthotropic_plate_picks_its_number_of_half_waves(ruvo, workdir, flags):
    lam = isotropic_laminate()
    d11, d22, d12, d66 = 10.0 * D, D, 0.3 * D, 0.35 * D
    lam[[12, 13, 14, 17], :] = np.array([d11, d12, d22, d66], np.float32)[:, None]
    args = run(ruvo, matabdf=lam)
    # SS plate a = b: N = π²/b² · min over m of (D11 m² + 2(D12 + 2 D66) + D22/m²)
    closed = min(d11 * m * m + 2 * (d12 + 2 * d66) + d22 / (m * m) for m in range(1, 6)) * math.pi ** 2 / 100 ** 2
    assert args["elamp"][0] == pytest.approx(closed, rel=1e-3)


def test_every_variant_gives_the_same_plate_in_the_callers_arrays(ruvo, workdir, flags):
    *larger, args = [run(ruvo, variant=v) for v in ("31", "25", "21", "19")]
    for other in larger:
        np.testing.assert_allclose(other["elamp"][:3], args["elamp"][:3], rtol=1e-10)
    elam, mf, displ = args["elamp"], args["membraneforcesp"].reshape(-1, 5), args["displ"].reshape(3, -1)
    assert 0 < elam[0] <= elam[1] <= elam[2]
    first = listing(workdir).index(" COMPUTED EIGENVALUES:") + 2
    assert listing(workdir)[first] == "   1.   LAMBDA=" + "{:>19}{:>19}       0.000000E+00       0.000000E+00".format(
        *["0.%sE+02" % ("%.5e" % elam[0]).replace(".", "")[:6]] * 2)
    np.testing.assert_allclose(mf[:3, 0], elam[:3], rtol=1e-7)       # Nx = λ·1 at the last y-line
    assert not mf[3:].any() and not mf[:, 1:].any()
    assert displ[:, :int(ruvo.man.ix)].any(axis=1).all()   # each mode in the first ix rows of its column


def test_curved_panel_against_the_shallow_shell_result(ruvo, workdir, flags):
    # Navier edges, which the double sine series satisfies: W and the tangential
    # displacement along each edge held, the normal one free.
    x_edge, y_edge = [0, 1, 3, 0, 0, 0, 0], [0, 1, 2, 0, 0, 0, 0]
    radius = 2000.0
    args = run(ruvo, ryp=radius, bndx0=x_edge, bndxl=x_edge, bndy0=y_edge, bndyl=y_edge)
    # Donnell: Nx α² = D(α² + β²)² + E t α⁴ / (R² (α² + β²)²), α = mπ/a, β = π/b
    beta = math.pi / 100

    def nx(m):
        alpha = m * math.pi / 100
        s2 = alpha ** 2 + beta ** 2
        return (D * s2 ** 2 + E * T * alpha ** 4 / (radius ** 2 * s2 ** 2)) / alpha ** 2
    closed = min(nx(m) for m in range(1, 8))
    assert closed > 1.1 * run(ruvo, bndx0=x_edge, bndxl=x_edge, bndy0=y_edge, bndyl=y_edge)["elamp"][0]
    assert args["elamp"][0] == pytest.approx(closed, rel=5e-3)


# ---- listing -----------------------------------------------------------------

def test_listing_of_a_stiffened_panel_with_crippling_and_global_buckling(ruvo, workdir, flags):
    flags.cripan = flags.glban = 1
    (workdir / "fort.8").write_text("&tstringer footth=2.0, webth=2.0, footwidth=20.0, webheight=25.0,\n"
                                    " ddst=46886.0, 14066.0, 46886.0, 0.0, 0.0, 16410.0 /\n")
    n = 12  # 13 y-lines: the one-digit IY field overflows
    lam = isotropic_laminate()
    lam[:6, 1] *= 1.5  # the skin under the foot: scaled forces there
    args = plate(matabdf=lam, n=n, loadvxp=1.0, istx=[7] + [0] * 16, steifxf=np.array([1.4e7, 0, 1.0e9, 1.0e6], np.float32),
                 stypep=1, sfootwdth=20.0, anzelprohalbfoot=1, anzelzwstr=10,
                 elmstf=[1] * 5 + [2, 2] + [1] * 5 + [0] * 6, neigrq=2)
    ruvo.prtnds19.callruvo(**args)
    text = listing(workdir)
    assert text.index("  CRIPPLING FORCE:") < text.index("1 STATISTICS OF INVERSE POWER METHOD:")
    first = text.index(" COMPUTED EIGENVALUES:") + 2
    assert text[first].startswith("     1. EIGENVALUE =")   # laminate-2 rows carry scaled forces: not uniform
    assert any(t.startswith("        IY=*") for t in text)    # the one-digit row number overflows
    assert {"0FORCES IN STIFENERS AT THE    1 . EIGENVALUE", "0" + " " * 10 + "STIFFENERS IN X-DIRECTION",
            " X-EIGENVECTORS DESCRIBING NORMAL DISPLACEMENT W"} <= set(text)
    g = text.index("  GLOBAL BUCKLING LOAD:")
    assert len(text[g + 1]) == 20 and "E+" in text[g + 1]
    assert args["membraneforcesp"][3] != 0.0 and not (workdir / "RCA25").exists()   # the stringer force


# ---- failures ----------------------------------------------------------------

STOPPED = ["    MAIN PROGRAM:   EXECUTION STOPPED.", " " * 16 + "ERROR REPORT FROM SUBROUTINE BUVI"]


def laminate(rows, factor):
    lam = isotropic_laminate()
    lam[rows, :] *= factor
    return lam


REPORTED = " MESSAGE FROM SUBROUTINE BUVI:", " ERROR REPORTED FROM SUBROUTINE "


# Buckling runs that stop: the run's changes | the analysis types | the listing's records before the stop |
# the beginnings of records found before them | whether the routine's report reaches standard output too.
@pytest.mark.parametrize("change, types, tail, before, on_stdout", [
    pytest.param(dict(matabdf=laminate([0, 2], -1.0e5)), {}, [REPORTED[1] + "     INCS3  IER="],
                 [" SUBROUTINE INCS3: CHOLESKY DECOMPOSITION OF MATRIX A22 FAILED. IER="], True, id="a22"),
    pytest.param(dict(matabdf=laminate(slice(12, 18), -1.0)), {}, [REPORTED[1] + "     INCS3  IER="],
                 [" SIMVIT: ERROR IN CHOLESKY DECOMPOSITION. IER=", " SUBROUTINE INCS3: ERROR ENCOUNTERED IN SUBR: SIMVIT"],
                 True, id="condensed"),
    pytest.param(dict(alfaxp=80.0), {}, [" MESSAGE FROM SUBROUTINE TFMSTF:", " DEGENERATE ELEMENT SHAPE", REPORTED[0],
                                         REPORTED[1] + "    TFMSTF  IER=  1"], [], True, id="skew"),
    pytest.param(dict(stypep=1), dict(cripan=1), [" Some Stringer Data missing for crippling analysis", REPORTED[0],
                                                  REPORTED[1] + "    RDDATA  IER=  8"], [], True, id="crippling_data"),
    pytest.param(dict(stypep=3, anzelprohalbfoot=1), dict(cripan=1), [REPORTED[1] + " CRIPPLING  IER="], [], False,
                 id="crippling_type"),
    # so slender the column stress is negative
    pytest.param(dict(framepitch=1.0e7), dict(glban=1), ["  GLOBAL BUCKLING LOAD:", "                 NaN", REPORTED[0],
                                                         REPORTED[1] + "    GLBUCK  IER="], [" COMPUTED EIGENVALUES:"],
                 False, id="global_buckling"),
])
def test_failed_runs_stop_with_their_records_and_no_scratch_file(ruvo, workdir, flags, capfd, change, types, tail,
                                                                 before, on_stdout):
    for name, value in types.items():
        setattr(flags, name, value)
    capfd.readouterr()
    run(ruvo, **change)
    out, text = capfd.readouterr().out.split("\n")[:-1], listing(workdir)
    assert text[-2:] == STOPPED and out[-2:] == STOPPED and "  Buckling/Vibration analysis finished" not in out
    assert text[-2 - len(tail):-2] == tail and (out[-2 - len(tail):-2] == tail) == on_stdout
    assert all(any(line.startswith(b) for line in text[:-2 - len(tail)]) for b in before)
    assert (" COMPUTED EIGENVALUES:" in text) == ("glban" in types) and not (workdir / "RCA25").exists()
    if change.get("stypep") == 1:
        # The run stopped before the key matrix: what would assemble or solve on it is refused.
        for name in ("incs2", "vibs2"):
            with pytest.raises(ruvo.__ruvo_error, match="no key matrix for this model state"):
                getattr(ruvo.prtnds19, name)(0)


# callruvo's refusals on the 8 x 8 plate: the words of the message | the change.
@pytest.mark.parametrize("words, change", [
    pytest.param("anzelzwstr = 0 is below 1", dict(anzelzwstr=0), id="no elements between stringers"),
    pytest.param("anzelzwframes = 0 is below 1", dict(anzelzwframes=0), id="no elements between frames"),
    pytest.param("anzelbelowstr = 0 is below 1", dict(stypep=2, anzelbelowstr=0), id="no elements below a hat stringer"),
    pytest.param("x-subdivisions = 19", dict(anzelzwframes=19), id="x-subdivisions beyond the variant"),
    pytest.param("isty(2) = 14", dict(isty=[3, 14] + [0] * 15), id="frame line beyond the 13 x-lines"),
    pytest.param("istx(1) = 10", dict(istx=[10] + [0] * 16), id="stringer line beyond the y-lines"),
    pytest.param("neigrq = 56", dict(neigrq=56), id="more modes than p_ngit"),
    # 2 (2**31-1) + 2·3 - 2, which wraps to 2 in 32 bits
    pytest.param("x-subdivisions = 4294967298", dict(isty=[3, 4, 5] + [0] * 14, anzelzwframes=2**31 - 1),
                 id="x-subdivisions beyond 32 bits"),
])
def test_callruvo_refusals_write_nothing(ruvo, workdir, flags, words, change):
    args = plate(**change)
    before = float(ruvo.f07inb.ry)
    with pytest.raises(ruvo.__ruvo_error, match=re.escape(words)):
        ruvo.prtnds19.callruvo(**args)
    assert not list(workdir.iterdir()) and float(ruvo.f07inb.ry) == before


def test_callruvo_refuses_grid_lines_kept_from_a_state_out_of_range(ruvo, workdir, flags):
    # Without element rows the panel keeps the y-lines of the model state,
    # which the host may have set beyond the variant (a fuzzing find).
    args = plate(elmstf=[0] * 18)
    ruvo.f07ina.my = 500
    try:
        with pytest.raises(ruvo.__ruvo_error, match="the number of y-lines my = 500 is outside 1..p_rtnds"):
            ruvo.prtnds19.callruvo(**args)
    finally:
        ruvo.f07ina.my = 0
    assert not list(workdir.iterdir())
