"""The stress report page: self-contained, and opened in a real browser
(headless Chromium) whose screenshot is not blank and whose rendered page
holds the margins table and the governing mode."""
import os
import re
import shutil
import subprocess
import sys

import numpy as np
import pytest

from conftest import EXAMPLES, ROOT

CHROMIUM = shutil.which("chromium") or (shutil.which("/usr/bin/chromium"))
needs_chromium = pytest.mark.skipif(CHROMIUM is None, reason="Debian's chromium is not installed (./dev installs "
                                                              "it): the report is not opened in a browser here")


def chromium(page, profile, *arguments):
    """The browser runs without the sanitizer run's preloaded runtime, which
    is there for the engine in this process, not for Chromium (it hangs)."""
    command = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
               f"--user-data-dir={profile}", "--window-size=1000,1400", *arguments, page.as_uri()]
    browser_env = {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "ASAN_OPTIONS", "PYTHONMALLOC")}
    return subprocess.run(command, capture_output=True, text=True, timeout=180, check=True, cwd=profile.parent,
                          env=browser_env)


@pytest.fixture(scope="module")
def report(tmp_path_factory):
    """The report of the guide's fuselage panel under running loads and pressure, by the command line."""
    page = tmp_path_factory.mktemp("report") / "panel.html"
    subprocess.run([sys.executable, "-m", "ruvo", "report", str(EXAMPLES / "fuselage_running_loads.toml"),
                    "--out", str(page), "--factor", "1.5", "--limit", "--knockdown", "0.8"], check=True,
                   capture_output=True, text=True, timeout=600, cwd=ROOT)
    return page


def test_the_page_is_self_contained(report):
    text = report.read_text(encoding="utf-8")
    sources = re.findall(r'(?:src|href)="([^"]*)"', text)
    assert sources and all(s.startswith("data:image/png;base64,") for s in sources)
    assert "break-inside: avoid" in text and "@media print" in text


@needs_chromium
def test_the_page_renders_in_a_browser_with_its_margins_and_governing_mode(report, tmp_path):
    import matplotlib.image
    shot = tmp_path / "report.png"
    chromium(report, tmp_path / "profile", f"--screenshot={shot}")
    pixels = matplotlib.image.imread(shot)[..., :3]
    assert (pixels.min(axis=2) < 0.9).mean() > 0.05 and pixels.std() > 0.1   # text, tables, the panel drawn
    dom = chromium(report, tmp_path / "profile", "--dump-dom").stdout
    margins = dom[dom.index("<h2>Margins</h2>"):dom.index("<h2>Critical modes</h2>")]
    assert "panel buckling" in margins and 'class="governing"' in margins
    assert "knock-down 0.8" in margins and "limit loads" in margins
    assert re.search(r"Load case 0: critical mode \d+, load factor [0-9.]+", dom)
