"""A file of a run that cannot be written stops the analysis; standard error names the file and the reason."""
import os

import pytest

from conftest import RECORDS, prepare_plate, supported

FAULTS = {name: case for name, case in RECORDS["file faults"].items() if name != "_"}


def block(path, on_full_disk):  # a directory in the file's place, or the file on a full disk
    if not on_full_disk:
        path.mkdir()
    elif os.path.exists("/dev/full"):
        path.symlink_to("/dev/full")   # the run starts, and its first listing record fails
    else:
        pytest.skip("no /dev/full to stand for a full disk")


@pytest.mark.parametrize("fault", FAULTS)
def test_listing_fault_ends_as_analysis_failed(ruvo, workdir, buckling_only, capfd, fault):
    (workdir / "plate").mkdir()
    prepare_plate(workdir / "plate")                     # a plate the analysis can solve
    capfd.readouterr()
    blocked, message, lines = FAULTS[fault]
    block(workdir / blocked, "full disk" in fault)
    ruvo.prtnds31.ruvomain(**supported(indpltp=1))
    out, err = capfd.readouterr()
    assert out.split("\n")[:-1] == lines                  # never "finished"
    assert err.split("\n")[:-1] == [message]
    assert not (workdir / "RCA25").is_file()
    # The next run with files it can write is not affected.
    if (workdir / "RCA25").is_dir():
        (workdir / "RCA25").rmdir()
    ruvo.prtnds31.ruvomain(**supported(proj="panel_02"))
    assert capfd.readouterr().out.split("\n")[:-1] == ["  Analysis started", "  Buckling/Vibration analysis finished"]
    assert (workdir / "panel_02.out").read_text().startswith("1\n")
