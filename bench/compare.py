"""Side-by-side benchmark of vectorlume and the peer tracer (potrace) on the generated pages:
each tool converts each page to EPS and SVG several times, alternating, with wall time and peak
resident memory measured per run; the last outputs are counted and rendered back for fidelity.
vectorlume runs in both fit modes: the default fit, and "vectorlume-close" (--fit close).
Writes results.tsv, ratios.tsv and one picture sheet per page and mode under the results
folder and prints the tables.

  compare.py --vectorlume BIN --pbm-to-tiff BIN --work DIR --results DIR [--reps N]
             [--big-reps N] [--only NAME,...]"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree
from dataclasses import dataclass, field

import bitmaps
import fidelity
import inputs
import path_counts
import render
import sheets

FORMATS = ("eps", "svg")


@dataclass
class Tool:
    name: str
    command: object           # (page, format, output path) -> argument list
    eps_points_per_pixel: object  # (page, EPS path) -> points per input pixel of its art


def bounding_box_points_per_pixel(eps_path, page):
    """Points per pixel of an EPS whose bounding box is exactly the page: its height in points
    over the page's rows (the high-resolution box when there is one)."""
    with open(eps_path, "rb") as f:
        head = f.read(8192).decode("latin-1")
    for key in ("%%HiResBoundingBox:", "%%BoundingBox:"):
        match = re.search(re.escape(key) + r"\s*(\S+)\s+(\S+)\s+(\S+)\s+(\S+)", head)
        if match:
            lly, ury = float(match.group(2)), float(match.group(4))
            return (ury - lly) / page.height
    raise ValueError("%s has no bounding box" % eps_path)


def vectorlume_tool(binary, fit="default"):
    # The art puts one pixel on 72/resolution points; its page is rounded up to whole points,
    # so the box is not exact and the scale comes from the input's resolution.
    name = "vectorlume" if fit == "default" else "vectorlume-" + fit
    options = [] if fit == "default" else ["--fit", fit]
    return Tool(name,
                lambda page, fmt, out: [binary, "convert", page.tiff, "-o", out] + options,
                lambda page, eps: 72.0 / inputs.RESOLUTION)


def potrace_tool():
    # Default settings; PBM carries no resolution, so its page is the image at 72 dpi.
    return Tool("potrace",
                lambda page, fmt, out: ["potrace", "-e" if fmt == "eps" else "-s", page.pbm,
                                        "-o", out],
                lambda page, eps: bounding_box_points_per_pixel(eps, page))


@dataclass
class Run:
    wall_s: float
    cpu_s: float  # user + system, to 10 ms: steadier than wall time on a busy machine
    peak_kb: int
    messages: str = ""  # what the tool said on stderr, in one line


def _report_value(time_report, label):
    match = re.search(re.escape(label) + r":\s*([0-9.]+)", time_report)
    if not match:
        raise ValueError("no %r in the report of /usr/bin/time -v" % label)
    return match.group(1)


def parse_time_report(time_report):
    """(cpu seconds, peak resident kB) from the report of /usr/bin/time -v."""
    cpu = float(_report_value(time_report, "User time (seconds)")) + float(
        _report_value(time_report, "System time (seconds)"))
    return cpu, int(_report_value(time_report, "Maximum resident set size (kbytes)"))


def measure(command, output):
    """One run under /usr/bin/time -v: wall time by the clock around it, processor time and
    peak resident memory from its report. A run that fails or leaves no output raises with the
    tool's last words."""
    if os.path.exists(output):
        os.remove(output)
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-v"] + command, capture_output=True, text=True,
                            errors="replace")
    wall = time.perf_counter() - start
    # The tool's own words come before the report; the report may open with the exit status.
    said = result.stderr.split("\tCommand being timed:")[0]
    said = re.sub(r"Command (exited with non-zero status|terminated by signal) \d+\s*$", "", said)
    words = " ".join(said.split())
    if result.returncode != 0 or not os.path.exists(output):
        raise RuntimeError("%s exited %d: %s" % (os.path.basename(command[0]), result.returncode,
                                                 words[-300:] or "no message"))
    cpu, peak = parse_time_report(result.stderr)
    return Run(wall, cpu, peak, words)


@dataclass
class Result:
    page: inputs.InputPage
    tool: str
    fmt: str
    runs: list = field(default_factory=list)
    failure: str = ""
    output_bytes: int = 0
    counts: path_counts.Counts = None
    fid: fidelity.Fidelity = None
    mask: object = None  # the rendering, kept for the sheet

    @property
    def time_s(self):
        return statistics.median(r.wall_s for r in self.runs) if self.runs else float("nan")

    @property
    def cpu_s(self):
        return statistics.median(r.cpu_s for r in self.runs) if self.runs else float("nan")

    @property
    def peak_mb(self):
        return statistics.median(r.peak_kb for r in self.runs) / 1024 if self.runs else float("nan")


def output_path(work, page, tool, fmt):
    return os.path.join(work, "%s.%s.%s" % (page.name, tool.name, fmt))


def benchmark_page(page, tools, work, log):
    """Runs every tool in both formats page.repetitions times, the tools' order flipping each
    round so neither always runs on a warm cache, then evaluates the outputs."""
    results = {(t.name, f): Result(page, t.name, f) for t in tools for f in FORMATS}
    for round_index in range(page.repetitions):
        order = tools if round_index % 2 == 0 else list(reversed(tools))
        for fmt in FORMATS:
            for tool in order:
                result = results[(tool.name, fmt)]
                if result.failure:
                    continue
                out = output_path(work, page, tool, fmt)
                try:
                    result.runs.append(measure(tool.command(page, fmt, out), out))
                except RuntimeError as error:
                    result.failure = str(error)
                    log("  %s %s failed: %s" % (tool.name, fmt, result.failure))
    source = bitmaps.read_netpbm(page.pbm)
    for tool in tools:
        for fmt in FORMATS:
            result = results[(tool.name, fmt)]
            if result.failure:
                continue
            out = output_path(work, page, tool, fmt)
            result.output_bytes = os.path.getsize(out)
            try:
                if fmt == "eps":
                    result.counts = path_counts.count_eps(out)
                    result.mask = render.render_eps(out, page.width, page.height,
                                                    tool.eps_points_per_pixel(page, out), work)
                else:
                    result.counts = path_counts.count_svg(out)
                    result.mask = render.render_svg(out, page.width, page.height, work)
                result.fid = fidelity.compare(source, result.mask)
            except (RuntimeError, ValueError, ElementTree.ParseError) as error:
                result.failure = "evaluation: %s" % error
                log("  %s %s: %s" % (tool.name, fmt, result.failure))
    return source, results


RESULT_COLUMNS = ["input", "width_px", "height_px", "tool", "format", "runs", "time_median_s",
                  "time_min_s", "cpu_median_s", "peak_rss_mb", "output_bytes", "paths", "segments",
                  "curves", "lines", "ink_pixels", "differing_pixels", "pixel_error", "ink_iou",
                  "messages", "failure"]
RATIO_COLUMNS = ["input", "tool", "format", "time", "cpu", "memory", "segments", "pixel_error"]


def result_row(r):
    ok = not r.failure
    c, f = r.counts, r.fid
    return [r.page.name, r.page.width, r.page.height, r.tool, r.fmt, len(r.runs),
            "%.4f" % r.time_s if ok else "", "%.4f" % min(x.wall_s for x in r.runs) if ok else "",
            "%.2f" % r.cpu_s if ok else "", "%.1f" % r.peak_mb if ok else "",
            r.output_bytes if ok else "",
            c.paths if ok else "", c.segments if ok else "", c.curves if ok else "",
            c.lines if ok else "", f.ink_pixels if ok else "", f.differing_pixels if ok else "",
            "%.5f" % f.pixel_error if ok else "", "%.5f" % f.ink_iou if ok else "",
            r.runs[-1].messages if r.runs else "", r.failure]


def ratio(ours, theirs):
    if theirs == 0:
        return float("inf") if ours else 1.0
    return ours / theirs


def ratio_row(ours, theirs):
    """ours/theirs for wall time, processor time, memory, segments and pixel error; empty when
    either failed."""
    if ours.failure or theirs.failure:
        return [ours.page.name, ours.tool, ours.fmt] + [""] * (len(RATIO_COLUMNS) - 3)
    return [ours.page.name, ours.tool, ours.fmt,
            "%.3f" % ratio(ours.time_s, theirs.time_s),
            "%.3f" % ratio(ours.cpu_s, theirs.cpu_s),
            "%.3f" % ratio(ours.peak_mb, theirs.peak_mb),
            "%.3f" % ratio(ours.counts.segments, theirs.counts.segments),
            "%.3f" % ratio(ours.fid.pixel_error, theirs.fid.pixel_error)]


def write_tsv(path, columns, rows):
    with open(path, "w") as f:
        f.write("\t".join(columns) + "\n")
        for row in rows:
            f.write("\t".join(str(v) for v in row) + "\n")


def format_table(columns, rows):
    cells = [columns] + [[str(v) for v in row] for row in rows]
    widths = [max(len(row[i]) for row in cells) for i in range(len(columns))]
    return "\n".join("  ".join(v.ljust(w) for v, w in zip(row, widths)).rstrip() for row in cells)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--vectorlume", required=True)
    parser.add_argument("--pbm-to-tiff", required=True)
    parser.add_argument("--work", required=True, help="inputs and outputs (large files)")
    parser.add_argument("--results", required=True, help="TSV tables and sheets")
    parser.add_argument("--reps", type=int, default=5, help="runs per tool, format and page")
    parser.add_argument("--big-reps", type=int, default=3, help="runs on the large page")
    parser.add_argument("--only", default="", help="comma-separated page names")
    parser.add_argument("--fits", default="default,close",
                        help="vectorlume's fit modes, comma-separated, the default fit first")
    args = parser.parse_args(argv)

    def log(text):
        print(text, flush=True)

    os.makedirs(args.results, exist_ok=True)
    pages = inputs.make_inputs(os.path.join(args.work, "inputs"), args.pbm_to_tiff,
                               args.big_reps, args.reps)
    if args.only:
        wanted = set(args.only.split(","))
        pages = [p for p in pages if p.name in wanted]
    outputs = os.path.join(args.work, "outputs")
    shutil.rmtree(outputs, ignore_errors=True)
    os.makedirs(outputs)
    ours = [vectorlume_tool(args.vectorlume, fit) for fit in args.fits.split(",")]
    peer = potrace_tool()
    result_rows, ratio_rows, mode_rows = [], [], []
    for page in pages:
        log("%s: %dx%d pixels, %d runs per tool and format" %
            (page.name, page.width, page.height, page.repetitions))
        source, results = benchmark_page(page, ours + [peer], outputs, log)
        for tool in ours + [peer]:
            for fmt in FORMATS:
                result_rows.append(result_row(results[(tool.name, fmt)]))
        for tool in ours:
            for fmt in FORMATS:
                ratio_rows.append(ratio_row(results[(tool.name, fmt)], results[(peer.name, fmt)]))
                if tool is not ours[0]:  # each further mode against the default fit
                    mode_rows.append(ratio_row(results[(tool.name, fmt)],
                                               results[(ours[0].name, fmt)]))
            # The SVG's coordinates are exact; the sheet shows where the differences lie.
            a, b = results[(tool.name, "svg")], results[(peer.name, "svg")]
            if a.mask is not None and b.mask is not None:
                sheet = os.path.join(args.results, "sheet-%s-%s.png" % (page.name, tool.name))
                sheets.make_sheet(sheet, source, a.mask, b.mask, page.crop, tool.name, peer.name,
                                  "%s, SVG rendered at %d ppi, crop %s, enlarged %dx" %
                                  (page.name, inputs.RESOLUTION, page.crop, sheets.SCALE))
        for r in results.values():
            r.mask = None  # a large page's renderings are 100 MB each
    write_tsv(os.path.join(args.results, "results.tsv"), RESULT_COLUMNS, result_rows)
    write_tsv(os.path.join(args.results, "ratios.tsv"), RATIO_COLUMNS, ratio_rows)
    shown = [RESULT_COLUMNS.index(c) for c in
             ("input", "tool", "format", "time_median_s", "cpu_median_s", "peak_rss_mb",
              "output_bytes", "paths", "segments", "pixel_error", "ink_iou")]
    log("\nPer tool (time: median wall seconds; cpu: median user+system seconds; memory: peak "
        "resident MB; error: differing pixels / input ink)")
    log(format_table([RESULT_COLUMNS[i] for i in shown],
                     [[row[i] for i in shown] for row in result_rows]))
    log("\nRatios vectorlume/potrace (below 1: vectorlume is faster, smaller, more exact)")
    log(format_table(RATIO_COLUMNS, ratio_rows))
    if mode_rows:
        write_tsv(os.path.join(args.results, "modes.tsv"), RATIO_COLUMNS, mode_rows)
        log("\nRatios of each fit mode to the default fit")
        log(format_table(RATIO_COLUMNS, mode_rows))
    said = RESULT_COLUMNS.index("messages")
    for row in result_rows:
        if row[said] and not row[-1]:
            log("NOTE %s %s %s said: %s" % (row[0], row[3], row[4], row[said]))
    failures = [row for row in result_rows if row[-1]]
    for row in failures:
        log("FAILED %s %s %s: %s" % (row[0], row[3], row[4], row[-1]))
    log("\nTables: %s/results.tsv, ratios.tsv, modes.tsv; sheets: %s/sheet-*.png" %
        (args.results, args.results))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
