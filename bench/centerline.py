"""Centre-line benchmark: vectorlume traces the A4 technical drawing at 300 pixels per inch by
centre lines, potrace traces the same page by outlines (it has no centre lines); both write SVG.
Prints the median wall time and the peak memory of each, and their ratio, then converts a
10000 x 10000 page (the drawing tiled) by centre lines and prints its time and peak memory, the
check that a page of 100 million pixels converts in bounded memory.

Usage: /usr/bin/python3 bench/centerline.py VECTORLUME PBM_TO_TIFF [--reps N] [--out DIR]"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bitmaps  # noqa: E402
import inputs  # noqa: E402


def measure(command):
    """Wall seconds and peak resident kilobytes of one run (GNU time)."""
    result = subprocess.run(["/usr/bin/time", "-f", "%e %M"] + command, check=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    wall, peak = result.stderr.strip().splitlines()[-1].split()
    return float(wall), int(peak)


def median_run(command, reps):
    runs = [measure(command) for _ in range(reps)]
    return statistics.median(r[0] for r in runs), max(r[1] for r in runs)


def paths_in(svg):
    with open(svg, encoding="utf-8") as f:
        return f.read().count("<path")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("vectorlume")
    parser.add_argument("pbm_to_tiff")
    parser.add_argument("--reps", type=int, default=5)
    parser.add_argument("--out", default=None)
    args = parser.parse_args()
    out = args.out or tempfile.mkdtemp(prefix="vl-centerline-bench-")
    os.makedirs(out, exist_ok=True)

    pbm = os.path.join(out, "drawing.pbm")
    inputs.render_postscript(os.path.join(inputs.PAGES_DIR, "drawing_page.ps"), 2480, 3508, pbm)
    page = bitmaps.read_netpbm(pbm)
    bitmaps.write_pbm(pbm, page)
    tif = os.path.join(out, "drawing.tif")
    inputs.write_tiff(pbm, tif, args.pbm_to_tiff)

    ours_svg, peer_svg = os.path.join(out, "drawing_centerline.svg"), os.path.join(out, "drawing_potrace.svg")
    ours = median_run([args.vectorlume, "convert", tif, "-o", ours_svg, "--method", "centerline",
                       "--quiet"], args.reps)
    peer = median_run(["potrace", "-s", "-o", peer_svg, pbm], args.reps)
    print("page\ttool\twall_s\tpeak_kb\tpaths")
    print("drawing_a4\tvectorlume centerline\t%.3f\t%d\t%d" % (ours[0], ours[1], paths_in(ours_svg)))
    print("drawing_a4\tpotrace outline\t%.3f\t%d\t%d" % (peer[0], peer[1], paths_in(peer_svg)))
    print("ratio vectorlume/potrace: time %.2f, memory %.2f" % (ours[0] / peer[0], ours[1] / peer[1]))

    big = np.zeros((10000, 10000), dtype=bool)
    for top in range(0, 10000, page.shape[0]):
        for left in range(0, 10000, page.shape[1]):
            h, w = min(page.shape[0], 10000 - top), min(page.shape[1], 10000 - left)
            big[top:top + h, left:left + w] = page[:h, :w]
    big_pbm, big_tif = os.path.join(out, "big.pbm"), os.path.join(out, "big.tif")
    bitmaps.write_pbm(big_pbm, big)
    inputs.write_tiff(big_pbm, big_tif, args.pbm_to_tiff)
    big_svg = os.path.join(out, "big_centerline.svg")
    wall, peak = measure([args.vectorlume, "convert", big_tif, "-o", big_svg, "--method",
                          "centerline", "--quiet"])
    print("big_10000\tvectorlume centerline\t%.3f\t%d\t%d" % (wall, peak, paths_in(big_svg)))


if __name__ == "__main__":
    main()
