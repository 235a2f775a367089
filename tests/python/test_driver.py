"""The analysis driver and the analysis-type routines, end to end through the module."""
import pytest

from conftest import FLAGS, RECORDS, read_lines, ruvomain_args, run_fresh, supported

STARTED, FINISHED = "  Analysis started", "  Buckling/Vibration analysis finished"


def listing(workdir):
    return read_lines(workdir / "panel_01.out")


def test_successful_run_lines(ruvo, workdir, buckling_only, capfd):
    assert ruvo.prtnds31.ruvomain(**supported()) is None
    assert capfd.readouterr().out.split("\n") == [STARTED, FINISHED, ""]
    assert listing(workdir)[:12] == RECORDS["run header"]
    assert not list(workdir.glob("*MODES.txt")) and not (workdir / "RCA25").exists()
    assert (ruvo.datran.nread, ruvo.datran.nwrite) == (8, 9)
    assert ruvo.title.tit.tobytes().decode() == "TEST PANEL" + " " * 70


def test_prtype_lists_the_requested_types_in_order(ruvo, flags, listing_file, capfd):
    for f in FLAGS:
        setattr(flags, f, 1)
    ruvo.ruvoutils.prtype()
    assert listing_file.read_text().split("\n")[8:] == RECORDS["every analysis type"]
    assert capfd.readouterr().out == ""


# kup | ku as left | knfun | whether the run's radii replace those of the model state.
@pytest.mark.parametrize("kup, ku, knfun, radii_taken", [
    pytest.param([0, 5, 0, 1, 4], [1, 4, 5, 0, 0], 3, False, id="three freedoms, radii kept"),
    pytest.param([0, 0, 0, 0, 2], [2, 0, 0, 0, 0], 1, False, id="one freedom, radii kept"),
    pytest.param([5, 4, 3, 2, 1], [1, 2, 3, 4, 5], 5, True, id="all five, radii taken"),
])
def test_freedoms_are_compacted_and_sorted(ruvo, workdir, buckling_only, kup, ku, knfun, radii_taken):
    ruvo.f07inb.rx, ruvo.f07inb.ry, ruvo.f07inb.rxy = 7.0, 8.0, 9.0
    ruvo.prtnds31.ruvomain(**ruvomain_args(kup=kup, rxp=100.0, ryp=200.0, rxyp=300.0))
    assert list(ruvo.f07ina.ku) == ku and ruvo.f07ina.knfun == knfun
    radii = [float(ruvo.f07inb.rx), float(ruvo.f07inb.ry), float(ruvo.f07inb.rxy)]
    assert radii == ([100.0, 200.0, 300.0] if radii_taken else [7.0, 8.0, 9.0])
    ruvo.f07inb.rx = ruvo.f07inb.ry = ruvo.f07inb.rxy = 1.0e29


@pytest.mark.parametrize("proj, name", [("panel7_long", "panel7_l.out"), ("  x", "  x     .out")])
def test_listing_file_names(ruvo, workdir, buckling_only, proj, name):
    ruvo.prtnds31.ruvomain(**ruvomain_args(proj=proj))
    assert [p.name for p in workdir.iterdir()] == [name]


@pytest.mark.parametrize("buck, vibr, message", [
    (0, 0, "STOP. ANALYSIS TYPE MUST BE BUCK OR VIBR"),
    (1, 1, "    BUCKLING AND VIBRATION ANALYSIS HAVE TO BE DONE IN SEPARATE JOBS"),
])
def test_analysis_type_refused_ends_as_analysis_type_unclear(ruvo, workdir, buckling_only, capfd, buck, vibr, message):
    ruvo.antype.vibr = vibr
    ruvo.prtnds31.ruvomain(**ruvomain_args(buckp=buck))
    records = [message] + RECORDS["analysis type refused"]
    assert listing(workdir) == records                     # nothing from prtype
    assert capfd.readouterr().out.split("\n")[:-1] == records  # no "Analysis started", no "finished"
    # The listing stays connected after an error exit; the next run starts it afresh.
    ruvo.antype.vibr = 0
    ruvo.prtnds31.ruvomain(**supported())
    assert listing(workdir)[0] == "1" and not any("STOPPED" in line for line in listing(workdir))


def test_host_write_after_the_run_goes_to_fort_unit(ruvo, workdir, buckling_only):
    ruvo.prtnds31.ruvomain(**supported())
    ruvo.ruvoutils.cktype(0)            # nothing to write: no file
    assert not (workdir / "fort.9").exists()
    ruvo.antype.buck = 0                # the listing was closed: unit 9 now opens fort.9
    ruvo.ruvoutils.cktype(0)
    assert (workdir / "fort.9").read_text() == "STOP. ANALYSIS TYPE MUST BE BUCK OR VIBR\n"


RDTYPE = """
import _ruvo as r
r.datran.nread, r.datran.nwrite = 8, 9
r.antype.temp = r.antype.glban = 1
for _ in range({calls}):
    r.ruvoutils.rdtype(0)
print(r.title.tit.tobytes().decode().rstrip(" \\0"), *(int(getattr(r.antype, f)) for f in
      ("temp", "strs", "buck", "vibr", "inpb", "cripan", "glban")))
"""
RDTYPE_HEADER = [" ", " MESSAGE FROM SUBROUTINE RDTYPE:"]


TWO_RUNS = "&title tit='One' /\n&antype buck=T /\n&title tit='Two' /\n&antype vibr=T /\n"


# rdtype called in a fresh process, temp and glban set beforehand: fort.8 | calls | the message recorded on
# both outputs (None: nothing recorded) | then the title and the analysis flags as left.
@pytest.mark.parametrize("fort8, calls, message, state", [
    pytest.param("junk\n&TITLE tit='Plate A' /\n&antype buck=T, vibr=.FALSE.\n inpb=t /\n", 1, None,
                 "Plate A 1 0 1 0 1 0 1", id="title_then_types"),
    # scanning for the title skips the types, and without a rewind they are not found
    pytest.param("&antype buck=T /\n&title tit='X' /\n", 1, " INPUT ERROR. NAMELIST ANTYPE NOT FOUND", "X 1 0 0 0 0 0 1",
                 id="types_first"),
    pytest.param("&title tit='Only title' /\n", 1, " INPUT ERROR. NAMELIST ANTYPE NOT FOUND", "Only title 1 0 0 0 0 0 1",
                 id="no_types"),
    pytest.param(TWO_RUNS, 2, None, "Two 1 0 1 1 0 0 1", id="two_runs"),  # each call goes on where the unit stands
    pytest.param(TWO_RUNS, 3, " INPUT ERROR WHEN TRYING TO READ TITLE LINE", "Two 1 0 1 1 0 0 1", id="no_title_left"),
    pytest.param(None, 1, " INPUT ERROR WHEN TRYING TO READ TITLE LINE", " 1 0 0 0 0 0 1", id="no_file"),  # the title never stored
    pytest.param("&title tit='T' /\n&antype buck=T, speed=3 /\n", 1, " NAMELIST ANTYPE: UNKNOWN MEMBER SPEED",
                 "T 1 0 0 0 0 0 1", id="unknown_member"),  # the malformed group stores nothing
])
def test_rdtype_groups(tmp_path, fort8, calls, message, state):
    if fort8 is not None:
        (tmp_path / "fort.8").write_text(fort8)
    out = run_fresh(RDTYPE.format(calls=calls), cwd=tmp_path).split("\n")[:-1]
    lst = read_lines(tmp_path / "fort.9") if (tmp_path / "fort.9").exists() else []
    assert lst == ([] if message is None else RDTYPE_HEADER + [message])
    assert out == lst + [state]
