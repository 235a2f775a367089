"""A listing that cannot be written stops the analysis; standard error names the file and the reason."""
import os

import pytest

from conftest import prepare_plate, supported

EXIT_C = ["    MAIN PROGRAM:   EXECUTION STOPPED.", " " * 16 + "ERROR REPORT FROM SUBROUTINE BUVI"]


def listing_blocked_by_directory(workdir):
    (workdir / "panel_01.out").mkdir()
    return 'ruvo: unit 9 ("panel_01.out"): cannot open: Is a directory', EXIT_C


def listing_on_full_disk(workdir):
    if not os.path.exists("/dev/full"):
        pytest.skip("no /dev/full to stand for a full disk")
    (workdir / "panel_01.out").symlink_to("/dev/full")
    # The run starts, and its first listing record fails.
    return 'ruvo: unit 9 ("panel_01.out"): write failed: No space left on device', ["  Analysis started"] + EXIT_C


def mode_file_blocked_by_directory(workdir):
    (workdir / "panel_01MODES.txt").mkdir()
    return ('ruvo: unit 26 ("panel_01MODES.txt"): cannot open: Is a directory',
            ["  Analysis started", " " * 16 + "ERROR WHEN COMPUTING/PRINTING MODE SHAPES"])


def scratch_file_blocked_by_directory(workdir):
    (workdir / "RCA25").mkdir()
    return ('ruvo: unit 25 ("RCA25"): cannot open: Is a directory',
            ["  Analysis started", "", " SUBROUTINE INCS3: SCRATCH FILE RCA25 NOT WRITTEN OR NOT READ BACK",
             " MESSAGE FROM SUBROUTINE BUVI:", " ERROR REPORTED FROM SUBROUTINE      INCS3  IER="] + EXIT_C)


@pytest.mark.parametrize("fault", [listing_blocked_by_directory, listing_on_full_disk, mode_file_blocked_by_directory,
                                   scratch_file_blocked_by_directory])
def test_listing_fault_ends_in_exit_c(ruvo, workdir, buckling_only, capfd, fault):
    (workdir / "plate").mkdir()
    prepare_plate(workdir / "plate")                     # a plate the analysis can solve
    capfd.readouterr()
    message, lines = fault(workdir)
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
