"""Where a rendering's wrong pixels lie, by the shape of the input around each: in or at a
small hole, on a thin stroke, at a corner, on a straight side (along an axis or a diagonal),
or on a curve. The kinds are tried in that order; each wrong pixel gets the first that fits."""

import numpy as np
from scipy import ndimage

KINDS = ("holes", "thin", "corners", "straight", "curves")

_HOLE_AREA = 64       # pixels: an enclosed background region up to this size is a small hole
_NEAR = 2             # pixels: how far a wrong pixel may lie from the feature it is put to
_WINDOW = 3           # half side of the window that judges corners and straight sides
_CORNER_SHARE = 0.15  # ink share of the window this far from one half: a corner


def _near(mask, reach=_NEAR):
    return ndimage.binary_dilation(mask, np.ones((3, 3), bool), iterations=reach)


def _window_mean(ink, r=_WINDOW):
    return ndimage.uniform_filter(ink.astype(np.float32), size=2 * r + 1, mode="constant")


def _straight(ink, r=_WINDOW):
    """Pixels whose window is a half plane along an axis or a diagonal: the ink changes only
    across rows, only across columns, or only across one of the diagonals."""
    f = ink.astype(np.float32)
    out = np.zeros(ink.shape, bool)
    # The window is constant along a direction when every pixel matches its neighbour there.
    for dy, dx in ((0, 1), (1, 0), (1, 1), (1, -1)):
        shifted = np.zeros_like(f)
        h, w = f.shape
        ys, yd = (slice(dy, h), slice(0, h - dy))
        xs, xd = (slice(dx, w), slice(0, w - dx)) if dx >= 0 else (slice(0, w + dx), slice(-dx, w))
        shifted[yd, xd] = f[ys, xs]
        mismatch = (shifted != f).astype(np.float32)
        out |= ndimage.uniform_filter(mismatch, size=2 * r + 1, mode="constant") == 0
    return out


def classify(source, rendered):
    """Counts of the wrong pixels of `rendered` by kind, and the map of kinds (0 right, else
    1 + the index in KINDS)."""
    ink = np.asarray(source, bool)
    wrong = np.asarray(rendered, bool) != ink
    kinds = np.zeros(ink.shape, np.uint8)
    left = wrong.copy()

    labels, count = ndimage.label(~ink)
    if count:
        sizes = np.bincount(labels.ravel())
        border = np.unique(np.concatenate([labels[0], labels[-1], labels[:, 0], labels[:, -1]]))
        small = (sizes <= _HOLE_AREA)
        small[border] = False
        small[0] = False
        holes = small[labels]
    else:
        holes = np.zeros(ink.shape, bool)
    thin = ink & ~ndimage.binary_opening(ink, np.ones((3, 3), bool))
    share = _window_mean(ink)
    corner = np.abs(share - 0.5) > _CORNER_SHARE
    features = [_near(holes), _near(thin, 1), corner, _straight(ink), np.ones(ink.shape, bool)]
    for index, feature in enumerate(features):
        hit = left & feature
        kinds[hit] = index + 1
        left &= ~hit
    counts = {k: int(np.count_nonzero(kinds == i + 1)) for i, k in enumerate(KINDS)}
    return counts, kinds
