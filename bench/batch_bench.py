"""Batch throughput: 200 A4 pages at 300 pixels per inch (the text and drawing pages of
bench/pages in turn) converted to EPS by `vectorlume batch` with -j 1 and -j 2, and by potrace
over the same pages under GNU parallel with -j 1 and -j 2. Prints pages per second and the peak
memory of the largest process (one worker, for vectorlume's -j 2).

    /usr/bin/python3 bench/batch_bench.py VECTORLUME PBM_TO_TIFF [--pages N] [--work DIR]
                                          [--no-potrace]
"""

import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import inputs  # noqa: E402

A4 = (2480, 3508)  # pixels at 300 pixels per inch


def make_pages(work, pbm_to_tiff, count):
    """count pages as TIFF (for vectorlume) and PBM (for potrace), alternating the two sources.
    Copies share the pixels of their source: the work per page is what matters here."""
    sources = []
    for name in ("text_page.ps", "drawing_page.ps"):
        pbm = os.path.join(work, name[:-3] + ".pbm")
        inputs.render_postscript(os.path.join(inputs.PAGES_DIR, name), A4[0], A4[1], pbm)
        tif = pbm[:-4] + ".tif"
        inputs.write_tiff(pbm, tif, pbm_to_tiff)
        sources.append((pbm, tif))
    for folder in ("tif", "pbm"):
        os.makedirs(os.path.join(work, folder), exist_ok=True)
    for i in range(count):
        pbm, tif = sources[i % 2]
        os.link(tif, os.path.join(work, "tif", "p%03d.tif" % i))
        os.link(pbm, os.path.join(work, "pbm", "p%03d.pbm" % i))


def measured(command):
    """Wall seconds, CPU seconds (user and system, all processes) and the peak resident size
    (MiB) of the largest process the command ran, measured in a fresh interpreter so that
    earlier runs do not count."""
    probe = ("import resource, subprocess, sys, time; t = time.monotonic(); "
             "r = subprocess.run(sys.argv[1:]); w = time.monotonic() - t; "
             "u = resource.getrusage(resource.RUSAGE_CHILDREN); "
             "print(r.returncode, w, u.ru_utime + u.ru_stime, u.ru_maxrss)")
    out = subprocess.run([sys.executable, "-c", probe] + command, check=True,
                         stdout=subprocess.PIPE, text=True).stdout.split()
    status, wall, cpu, kib = int(out[0]), float(out[1]), float(out[2]), int(out[3])
    if status != 0:
        raise SystemExit("failed (%d): %s" % (status, " ".join(command)))
    return wall, cpu, kib / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("vectorlume")
    parser.add_argument("pbm_to_tiff")
    parser.add_argument("--pages", type=int, default=200)
    parser.add_argument("--work")
    parser.add_argument("--no-potrace", action="store_true", help="vectorlume runs only")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="vl-batch-bench-")
    home = os.path.join(work, "home")  # no user preferences
    os.makedirs(home, exist_ok=True)
    os.environ.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"))
    try:
        make_pages(work, args.pbm_to_tiff, args.pages)
        tif, pbm = os.path.join(work, "tif"), os.path.join(work, "pbm")
        load = os.getloadavg()[0]
        runs = []
        for jobs in (1, 2):
            out = os.path.join(work, "vl%d" % jobs)
            shutil.rmtree(out, ignore_errors=True)
            runs.append(("vectorlume batch -j %d" % jobs, jobs, measured(
                [args.vectorlume, "batch", tif, "-o", out, "-j", str(jobs), "--replace", "-q"])))
        for jobs in () if args.no_potrace else (1, 2):
            out = os.path.join(work, "po%d" % jobs)
            os.makedirs(out, exist_ok=True)
            runs.append(("potrace, parallel -j %d" % jobs, jobs, measured(
                ["parallel", "--will-cite", "-j", str(jobs), "potrace", "-e", "{}", "-o",
                 os.path.join(out, "{/.}.eps"), ":::"] +
                sorted(os.path.join(pbm, f) for f in os.listdir(pbm)))))
        print("%d A4 pages at 300 pixels/inch, %d cores, load average before: %.1f"
              % (args.pages, os.cpu_count(), load))
        # CPU / wall shows how many cores a run really had: other work on the machine lowers it.
        print("%-28s %8s %8s %8s %9s %14s" % ("run", "wall s", "CPU s", "CPU/wall", "pages/s",
                                             "peak MiB/proc"))
        for name, _, (wall, cpu, mib) in runs:
            print("%-28s %8.2f %8.2f %8.2f %9.2f %14.1f"
                  % (name, wall, cpu, cpu / wall, args.pages / wall, mib))
        vl1, vl2 = runs[0][2][0], runs[1][2][0]
        print("vectorlume -j 2 / -j 1 time: %.2f (target at most 0.60)" % (vl2 / vl1))
        if len(runs) == 4:
            print("vectorlume / potrace time, -j 2: %.2f" % (vl2 / runs[3][2][0]))
        # Every worker writes what one process writes.
        for name in sorted(os.listdir(os.path.join(work, "vl1"))):
            a = open(os.path.join(work, "vl1", name), "rb").read().split(b"\r")
            b = open(os.path.join(work, "vl2", name), "rb").read().split(b"\r")
            strip = [line for line in a if not line.startswith(b"%%CreationDate")]
            if strip != [line for line in b if not line.startswith(b"%%CreationDate")]:
                raise SystemExit("-j 2 wrote other bytes than -j 1 for " + name)
        print("-j 2 output identical to -j 1 (creation dates aside)")
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
