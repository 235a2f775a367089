"""Draws a mode-shape file (the project name followed by MODES.txt) into one
PNG, with the package's reader (`ruvo.modefile.read_modes`) and drawing
(`ruvo.plot.mode_file`): the contour of the panel and each mode side by side.

    PYTHONPATH=build/python /usr/bin/python3 tools/modes_plot.py panel_01MODES.txt panel_01.png
"""
import sys

from ruvo.plot import mode_file

if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: modes_plot.py MODES-FILE PNG-FILE")
    mode_file(sys.argv[1], sys.argv[2])
