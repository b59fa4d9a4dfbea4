"""Renders traced files back to bitmaps of exactly the input's pixel size: Ghostscript for EPS,
rsvg-convert for SVG. Both render anti-aliased and the gray is cut at half: a pixel is ink when
the outline covers about half of it or more. Ghostscript's fill adjustment is turned off, since
it paints every pixel an outline touches (even anti-aliased, it fattened a disc of 11710 pixels
to 11810): it would fatten a perfect trace along every edge."""

import os
import re
import subprocess
import tempfile

import numpy as np
from PIL import Image

import bitmaps

Image.MAX_IMAGE_PIXELS = None  # pages of 10000 x 10000 pixels are expected here


def _run(command):
    result = subprocess.run(command, capture_output=True, text=True, errors="replace")
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (command[0], result.stderr.strip()[-400:]))


def crop_bottom_left(page, width, height):
    """PostScript pages grow from the bottom left: a page rounded up to whole points holds the
    art in its bottom-left width x height pixels."""
    rows, cols = page.shape
    if rows < height or cols < width:
        raise ValueError("rendered page %dx%d is smaller than %dx%d" % (cols, rows, width, height))
    return page[rows - height:, :width]


def render_eps(path, width, height, points_per_pixel, work_dir=None):
    """Ink mask of an EPS whose art puts one input pixel on points_per_pixel points."""
    with tempfile.TemporaryDirectory(dir=work_dir) as tmp:
        out = os.path.join(tmp, "page.pgm")
        dpi = 72.0 / points_per_pixel
        # UseFastColor: full black ink (0 0 0 1 CMYK) renders black, not through a profile.
        _run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", "-dUseFastColor",
              "-sDEVICE=pgmraw", "-dGraphicsAlphaBits=4", "-r%.6f" % dpi,
              "-sOutputFile=" + out, "-c", "0 0 .setfilladjust2", "-f", path])
        return crop_bottom_left(bitmaps.read_netpbm(out), width, height)


def svg_view_box(path):
    """The root element's viewBox (x, y, width, height) in user units, read from the head of
    the file."""
    with open(path, "rb") as f:
        head = f.read(4096).decode("utf-8", "replace")
    match = re.search(r"<svg\b[^>]*?\bviewBox\s*=\s*\"([^\"]*)\"", head, re.S)
    if not match:
        raise ValueError("%s has no viewBox" % path)
    values = [float(v) for v in re.split(r"[\s,]+", match.group(1).strip())]
    if len(values) != 4 or values[2] <= 0 or values[3] <= 0:
        raise ValueError("%s: bad viewBox %r" % (path, match.group(1)))
    return values


def render_svg(path, width, height, work_dir=None):
    """Ink mask of an SVG whose view box counts input pixels from the top left: rendered at one
    user unit per pixel, then cut to the input's size."""
    _, _, box_w, box_h = svg_view_box(path)
    render_w, render_h = round(box_w), round(box_h)
    if abs(render_w - box_w) > 1e-3 or abs(render_h - box_h) > 1e-3:
        raise ValueError("%s: view box %gx%g is not whole pixels" % (path, box_w, box_h))
    with tempfile.TemporaryDirectory(dir=work_dir) as tmp:
        out = os.path.join(tmp, "page.png")
        _run(["rsvg-convert", "-b", "white", "-w", str(render_w), "-h", str(render_h),
              "-o", out, path])
        with Image.open(out) as image:
            gray = np.asarray(image.convert("L"))
    if gray.shape[0] < height or gray.shape[1] < width:
        raise ValueError("%s: view box %gx%g is smaller than %dx%d" %
                         (path, box_w, box_h, width, height))
    return bitmaps.gray_to_ink(gray[:height, :width])
