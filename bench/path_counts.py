"""Paths and segments of a traced file, counted from what the file draws: the path data of an
SVG, and for PostScript the path that each painting operator receives while Ghostscript runs
the file (so compressed or macro-heavy EPS counts the same as plain text).

A path is one closed or open outline (a subpath: each moveto). A segment is one straight line
or one curve; a closing line counts as a line when it has length."""

import re
import subprocess
import xml.etree.ElementTree as ElementTree
from dataclasses import dataclass


@dataclass
class Counts:
    paths: int = 0
    lines: int = 0
    curves: int = 0

    @property
    def segments(self):
        return self.lines + self.curves

    def add(self, other):
        self.paths += other.paths
        self.lines += other.lines
        self.curves += other.curves


# Numbers each SVG path command takes per segment.
_ARITY = {"m": 2, "l": 2, "h": 1, "v": 1, "c": 6, "s": 4, "q": 4, "t": 2, "a": 7, "z": 0}
_TOKEN = re.compile(r"([MmLlHhVvCcSsQqTtAaZz])|([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)")
_CLOSE_TOLERANCE = 1e-6  # user units: a shorter closing line is no segment


def count_path_data(d):
    """Counts of one SVG `d` attribute, following the grammar: repeated argument groups after
    one command letter are further segments of that command (after a moveto, lines)."""
    counts = Counts()
    numbers, command = [], None
    x = y = start_x = start_y = 0.0

    def close():
        nonlocal x, y
        if abs(x - start_x) > _CLOSE_TOLERANCE or abs(y - start_y) > _CLOSE_TOLERANCE:
            counts.lines += 1
        x, y = start_x, start_y

    def flush():
        # Applies the numbers gathered for the current command, one segment per group.
        nonlocal x, y, start_x, start_y, command
        if command is None:
            if numbers:
                raise ValueError("path data starts with numbers")
            return
        lower = command.lower()
        arity = _ARITY[lower]
        if lower == "z":
            if numbers:
                raise ValueError("numbers after closepath")
            return
        if not numbers or len(numbers) % arity:
            raise ValueError("command %s with %d numbers" % (command, len(numbers)))
        relative = command.islower()
        for i in range(0, len(numbers), arity):
            group = numbers[i:i + arity]
            if lower == "h":
                x = group[0] + (x if relative else 0)
            elif lower == "v":
                y = group[0] + (y if relative else 0)
            else:
                nx, ny = group[-2], group[-1]
                if relative:
                    nx, ny = nx + x, ny + y
                x, y = nx, ny
            if lower == "m" and i == 0:
                counts.paths += 1
                start_x, start_y = x, y
            elif lower in "mlhv":
                counts.lines += 1
            else:
                counts.curves += 1
        numbers.clear()

    for match in _TOKEN.finditer(d):
        letter, number = match.groups()
        if letter:
            flush()
            if command is None and letter not in "Mm":
                raise ValueError("path data must start with a moveto")
            command = letter
            if letter in "Zz":
                close()
        else:
            numbers.append(float(number))
    flush()
    return counts


def count_svg(path):
    counts = Counts()
    for _, element in ElementTree.iterparse(path, events=("end",)):
        if element.tag.rsplit("}", 1)[-1] == "path":
            counts.add(count_path_data(element.get("d", "")))
        element.clear()
    return counts


# Run before the EPS: every painting operator first reports the current path, as one line
# "%%VLPATH moves lines curves", then paints. The names are redefined in userdict, so prologs
# that bind their procedures keep calling these; the tally keeps its variables in a dictionary
# of its own, since the file's dictionaries may be read-only. Closing lines count when they
# have length (device space, 1e-3 units).
_EPS_PRELUDE = r"""
/vlDict 12 dict def
/vlTally { vlDict begin
  /vlM 0 def /vlL 0 def /vlC 0 def
  { /vlY exch def /vlX exch def /vlSY vlY def /vlSX vlX def /vlM vlM 1 add def }
  { /vlY exch def /vlX exch def /vlL vlL 1 add def }
  { /vlY exch def /vlX exch def pop pop pop pop /vlC vlC 1 add def }
  { vlX vlSX sub abs 1e-3 gt vlY vlSY sub abs 1e-3 gt or { /vlL vlL 1 add def } if
    /vlX vlSX def /vlY vlSY def }
  pathforall
  (%%VLPATH ) print vlM =only ( ) print vlL =only ( ) print vlC =only (\n) print
end } bind def
/fill { vlTally systemdict /fill get exec } def
/eofill { vlTally systemdict /eofill get exec } def
/stroke { vlTally systemdict /stroke get exec } def
"""


def parse_eps_tally(output):
    counts = Counts()
    for line in output.splitlines():
        if line.startswith("%%VLPATH "):
            moves, lines, curves = (int(v) for v in line.split()[1:4])
            counts.add(Counts(moves, lines, curves))
    return counts


def count_eps(path, gs="gs"):
    """Runs the file in Ghostscript without drawing and counts every painted path."""
    result = subprocess.run(
        [gs, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=nullpage",
         "-dEPSCrop", "-c", _EPS_PRELUDE, "-f", path],
        capture_output=True, text=True, errors="replace")
    if result.returncode != 0:
        raise RuntimeError("Ghostscript failed on %s: %s" % (path, result.stderr.strip()[-400:]))
    return parse_eps_tally(result.stdout)
