#!/usr/bin/python3
"""Group 4 decoding speed, vectorlume against libtiff on the same files: the A4 pages of the
comparison (text and technical drawing at 300 pixels per inch, rendered by Ghostscript) written
as Group 4 TIFF by the imaging library. Each file is decoded REPS times by vectorlume's reader
(bench/read_tiff: input dispatch and load completion), by libtiff inside the imaging library
(Image.open + load, timed in the process) and by libtiff's tiffcp (to an uncompressed file,
process start included); the medians are printed with the ratios, and the ink pixels each read
is checked against the imaging library's.

    bench/fax_speed.py BUILD_DIR [--reps N]
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

import inputs


def pil_seconds(path, reps):
    times = []
    for _ in range(reps):
        start = time.perf_counter()
        with Image.open(path) as im:
            im.load()
        times.append(time.perf_counter() - start)
    with Image.open(path) as im:
        ink = im.convert("L").histogram()[0]
    return statistics.median(times), ink


def tiffcp_seconds(path, out, reps):
    times = []
    for _ in range(reps):
        start = time.perf_counter()
        subprocess.run(["tiffcp", "-c", "none", path, out], check=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--reps", type=int, default=21)
    args = parser.parse_args()
    reader = os.path.join(args.build_dir, "bench", "read_tiff")
    print("page        pixels      G4 bytes  vectorlume ms  PIL/libtiff ms  tiffcp ms  "
          "vl/PIL  vl/tiffcp")
    with tempfile.TemporaryDirectory() as tmp:
        for name, source, (w, h), _ in inputs._RENDERED[:2]:
            pbm = os.path.join(tmp, name + ".pbm")
            inputs.render_postscript(os.path.join(inputs.PAGES_DIR, source), w, h, pbm)
            g4 = os.path.join(tmp, name + "_g4.tif")
            Image.open(pbm).save(g4, compression="group4", dpi=(300, 300))
            ours = subprocess.run([reader, g4, str(args.reps)], check=True, capture_output=True,
                                  text=True).stdout.split()
            ours_s, ours_ink = float(ours[0]), int(ours[1])
            pil_s, pil_ink = pil_seconds(g4, args.reps)
            cp_s = tiffcp_seconds(g4, os.path.join(tmp, "copy.tif"), args.reps)
            if ours_ink != pil_ink:
                sys.exit(f"{name}: vectorlume read {ours_ink} ink pixels, libtiff {pil_ink}")
            print(f"{name:10s} {w}x{h} {os.path.getsize(g4):9d} {ours_s * 1e3:14.2f} "
                  f"{pil_s * 1e3:15.2f} {cp_s * 1e3:10.2f} {ours_s / pil_s:7.2f} "
                  f"{ours_s / cp_s:10.2f}")


if __name__ == "__main__":
    main()
