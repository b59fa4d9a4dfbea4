"""Fidelity of a trace: its rendering compared pixel for pixel with the bitmap it was traced
from. Both masks have the input's size; True is ink."""

from dataclasses import dataclass

import numpy as np


@dataclass
class Fidelity:
    ink_pixels: int        # ink pixels of the input
    differing_pixels: int  # pixels whose ink differs between input and rendering
    missing_ink: int       # input ink the rendering lost
    extra_ink: int         # ink the rendering added
    pixel_error: float     # differing pixels / input ink pixels
    ink_iou: float         # intersection over union of the two inks


def compare(source, rendered):
    source = np.asarray(source, dtype=bool)
    rendered = np.asarray(rendered, dtype=bool)
    if source.shape != rendered.shape:
        raise ValueError("rendering is %s, input %s" % (rendered.shape, source.shape))
    ink = int(np.count_nonzero(source))
    missing = int(np.count_nonzero(source & ~rendered))
    extra = int(np.count_nonzero(rendered & ~source))
    union = int(np.count_nonzero(source | rendered))
    inter = union - missing - extra
    # A blank page has no ink to lose: any ink added is then an unbounded error.
    if ink:
        error = (missing + extra) / ink
    else:
        error = 0.0 if extra == 0 else float("inf")
    iou = inter / union if union else 1.0
    return Fidelity(ink, missing + extra, missing, extra, error, iou)


def error_map(source, ours, theirs):
    """Per pixel: 0 both right, 1 only ours wrong, 2 only theirs wrong, 3 both wrong."""
    source = np.asarray(source, dtype=bool)
    ours_wrong = np.asarray(ours, dtype=bool) != source
    theirs_wrong = np.asarray(theirs, dtype=bool) != source
    return ours_wrong.astype(np.uint8) + 2 * theirs_wrong.astype(np.uint8)
