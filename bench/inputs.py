"""The benchmark's input pages, made the same way on every run: PostScript pages of our own
rendered by Ghostscript at 300 pixels per inch, and a large page assembled from them. Each page
is written as PBM (for the peer tracer) and as bilevel TIFF through vectorlume's own writer."""

import os
import subprocess
from dataclasses import dataclass

import numpy as np

import bitmaps

PAGES_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pages")
RESOLUTION = 300  # pixels per inch of every input


@dataclass
class InputPage:
    name: str
    width: int       # pixels
    height: int      # pixels
    pbm: str         # path of the PBM file
    tiff: str        # path of the TIFF file
    crop: tuple      # (x, y, width, height) pixels shown on the picture sheet
    repetitions: int


# name, PostScript source, size in pixels, crop of the sheet.
_RENDERED = [
    ("text", "text_page.ps", (2480, 3508), (250, 1480, 400, 240)),       # 7 and 9 point type
    ("drawing", "drawing_page.ps", (2480, 3508), (240, 2230, 400, 240)),  # the fan's apex
    ("silhouette", "silhouette.ps", (2100, 2100), (700, 1730, 400, 240)),  # trunk and grass
    ("logo", "logo.ps", (1800, 1200), (180, 300, 400, 240)),              # the star in its ring
    ("map", "map.ps", (2480, 1750), (380, 300, 400, 240)),                 # labels and the coast
    ("text_sizes", "text_sizes.ps", (2480, 3508), (160, 140, 400, 240)),   # 5 to 7 point type
]
_BIG_SIDE = 10000  # pixels
_MOSAIC_CELL = (2500, 3508)  # pixels: A4 plus a gutter
_PLAN_CELL = (5000, 5000)  # pixels
_PLAN_SCALE = 2  # the plan's pages are drawn at twice the size


def render_postscript(source, width, height, out_path, resolution=RESOLUTION):
    """Renders a one-page PostScript file on a fixed width x height pixel page (no
    anti-aliasing: the page is bilevel as a scanner's line-art mode makes it)."""
    subprocess.run(
        ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pbmraw", "-r%d" % resolution,
         "-g%dx%d" % (width, height), "-dFIXEDMEDIA", "-sOutputFile=" + out_path, source],
        check=True)


def assemble_big_page(tiles, side=_BIG_SIDE, cell=_MOSAIC_CELL):
    """A side x side page tiled with the given pages in turn, row by row, each at the top left
    of its cell; the last row and column are cut at the page edge."""
    page = np.zeros((side, side), dtype=bool)
    index = 0
    for top in range(0, side, cell[1]):
        for left in range(0, side, cell[0]):
            tile = tiles[index % len(tiles)]
            index += 1
            h = min(tile.shape[0], side - top)
            w = min(tile.shape[1], side - left)
            page[top:top + h, left:left + w] = tile[:h, :w]
    return page


def write_tiff(pbm_path, tiff_path, pbm_to_tiff):
    subprocess.run([pbm_to_tiff, pbm_path, tiff_path, str(RESOLUTION)], check=True)


def _rendered_mask(out_dir, name, source, size, resolution):
    pbm = os.path.join(out_dir, name + ".pbm")
    render_postscript(os.path.join(PAGES_DIR, source), size[0], size[1], pbm, resolution)
    return bitmaps.read_netpbm(pbm), pbm


def make_inputs(out_dir, pbm_to_tiff, big_repetitions, repetitions):
    """Renders every page into out_dir and returns them in benchmark order: the rendered pages,
    then two large ones. The mosaic tiles the three pages, over 30000 shapes (more paths than
    one artwork holds); the plan holds the drawing and the silhouette at twice the size."""
    os.makedirs(out_dir, exist_ok=True)
    pages, masks = [], {}
    for name, source, size, crop in _RENDERED:
        masks[name], pbm = _rendered_mask(out_dir, name, source, size, RESOLUTION)
        # Ghostscript's PBM carries a comment line; rewrite it plainly for both tracers.
        bitmaps.write_pbm(pbm, masks[name])
        pages.append(InputPage(name, size[0], size[1], pbm, "", crop, repetitions))

    mosaic = assemble_big_page([masks["text"], masks["drawing"], masks["silhouette"]])
    # The crop shows the lettering of the title block in the drawing of the second tile.
    large = [("big_mosaic", mosaic, (3950, 3060, 400, 240))]
    drawing, _ = _rendered_mask(out_dir, "plan_drawing", "drawing_page.ps",
                                (2480 * _PLAN_SCALE, 3508 * _PLAN_SCALE),
                                RESOLUTION * _PLAN_SCALE)
    tree, _ = _rendered_mask(out_dir, "plan_silhouette", "silhouette.ps",
                             (2100 * _PLAN_SCALE, 2100 * _PLAN_SCALE), RESOLUTION * _PLAN_SCALE)
    lower = drawing[drawing.shape[0] - _PLAN_CELL[1]:]
    plan = assemble_big_page([drawing, tree, lower, tree], cell=_PLAN_CELL)
    # The crop shows the fan's apex in the lower half of the drawing.
    large.append(("big_plan", plan, (490, 7660, 400, 240)))
    for name, mask, crop in large:
        pbm = os.path.join(out_dir, name + ".pbm")
        bitmaps.write_pbm(pbm, mask)
        pages.append(InputPage(name, _BIG_SIDE, _BIG_SIDE, pbm, "", crop, big_repetitions))
    for page in pages:
        page.tiff = page.pbm[:-4] + ".tif"
        write_tiff(page.pbm, page.tiff, pbm_to_tiff)
    return pages
