"""Reading files a caller names (panel, result and designs files): regular
files only, at most a stated size, so that a device, a FIFO or a huge file
is refused at once instead of blocking or filling the memory; documents
nested no deeper than any ruvo document is. Files are data: nothing in
them is evaluated, and no path inside a panel or result is followed."""
from __future__ import annotations

import os
import stat
from typing import Any

MAX_BYTES = 256 * 2 ** 20   # 256 MiB: far above any panel or designs file, or the result of a large grid
MAX_DEPTH = 16              # tables and arrays within each other: a result's W equations are 6 deep


def read_bytes(path: str | os.PathLike[str], max_bytes: int = MAX_BYTES) -> bytes:
    """The contents of the regular file `path`, at most `max_bytes` long;
    ValueError naming the file when it is not a regular file or longer,
    OSError when it cannot be opened."""
    name = os.fsdecode(path)
    if isinstance(max_bytes, bool) or not isinstance(max_bytes, int) or max_bytes < 0:
        raise ValueError(f"max_bytes: {max_bytes!r} must be a whole number of bytes from 0")
    # O_NONBLOCK: a FIFO opens at once instead of waiting for a writer (refused below).
    fd = os.open(path, os.O_RDONLY | getattr(os, "O_NONBLOCK", 0))
    if not stat.S_ISREG(os.fstat(fd).st_mode):
        os.close(fd)
        raise ValueError(f"{name}: not a regular file (a directory, device or FIFO)")
    with os.fdopen(fd, "rb") as f:
        data = f.read(max_bytes + 1)
    if len(data) > max_bytes:
        raise ValueError(f"{name}: longer than max_bytes = {max_bytes} bytes")
    return data


def read_text(path: str | os.PathLike[str], max_bytes: int = MAX_BYTES, encoding: str = "utf-8") -> str:
    """The text of the regular file `path` (as `read_bytes` reads it);
    ValueError naming the file when it is not text in `encoding`."""
    try:
        return read_bytes(path, max_bytes).decode(encoding)
    except UnicodeDecodeError as e:
        raise ValueError(f"{os.fsdecode(path)}: not UTF-8 text ({e.reason} at byte {e.start})") from None


def check_depth(document: Any, name: str, max_depth: int = MAX_DEPTH) -> None:
    """ValueError naming `name` when tables and arrays nest deeper than `max_depth`."""
    level = [document]
    for depth in range(max_depth + 1):
        level = [v for item in level if isinstance(item, (dict, list))
                 for v in (item.values() if isinstance(item, dict) else item)]
        if not level:
            return
    raise ValueError(f"{name}: tables and arrays nested more than {max_depth} deep; no ruvo document is")
