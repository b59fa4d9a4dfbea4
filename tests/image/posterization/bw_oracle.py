"""Black and white conversion computed with numpy, as the oracle of the C++ one.

stdin: one case per line, "raw width height spp photometric lo hi contrast percent noise boost
boostPercent reversed". Each case's bits (one byte 0/1 per pixel, rows top to bottom) are
appended to the file named by argv[1].
"""
import sys

import numpy as np


def pad(a):
    return np.pad(a, ((1, 1), (1, 1), (0, 0)), mode="edge")


def shifts(a):
    """The eight neighbours of every sample, edges repeated."""
    p = pad(a)
    h, w = a.shape[:2]
    return [p[1 + dy:1 + dy + h, 1 + dx:1 + dx + w]
            for dy in (-1, 0, 1) for dx in (-1, 0, 1) if (dy, dx) != (0, 0)]


def convert(a, photometric, lo, hi, contrast, percent, noise, boost, boost_percent, reversed_):
    p = pad(a)
    if noise == 1:  # the pixel, its left neighbour, the same two of the row above
        f = (p[1:-1, 1:-1] + p[1:-1, :-2] + p[:-2, 1:-1] + p[:-2, :-2]) // 4
    elif noise == 2:
        f = sum(shifts(a)) // 8
    else:
        f = a.copy()
    span = hi - lo
    if not contrast:
        d = percent * span // 100
        t = int(np.clip(lo + d if photometric == 0 else hi - d, 0, 255))
        if a.shape[2] == 1:
            v = f[..., 0]
            return v > t if photometric == reversed_ else v <= t
        if a.shape[2] == 4:
            s = (255 - f[..., 3]) * (765 - f[..., 0] - f[..., 1] - f[..., 2]) // 256
        else:
            s = f.sum(axis=2)
        return s >= 3 * t if reversed_ else s < 3 * t
    limit = min(percent * span // 100, 255)
    if boost:
        b = boost_percent * 128 // 100
        k = 128 - b if photometric != 0 else b
        i = np.arange(256)
        curve = np.where(i < k, i // 2, np.where(i < k + 128, 3 * i // 2 - k, i // 2 + 128))
        f = np.clip(curve, 0, 255)[f]
    q = (limit + 1) // 4
    diffs = [n - f for n in shifts(f)]
    up = np.max([np.where(d > 0, d, 0) for d in diffs], axis=0)
    down = np.max([np.where(d < 0, -d, 0) for d in diffs], axis=0)
    brighter = sum((d > q).astype(int) for d in diffs)
    darker = sum(((d < 0) & (-d < q)).astype(int) for d in diffs)
    swing = up + down
    middle = (2 * swing >= limit) & (((darker >= 3) & (darker < 5)) |
                                     ((darker < 3) & (brighter >= 3) & (brighter < 5)))
    return ((swing > limit) | middle).any(axis=2)


def main():
    with open(sys.argv[1], "wb") as out:
        for line in sys.stdin:
            f = line.split()
            if not f:
                continue
            w, h, spp = int(f[1]), int(f[2]), int(f[3])
            a = np.fromfile(f[0], np.uint8).reshape(h, w, spp).astype(np.int64)
            bits = convert(a, *[int(x) for x in f[4:]])
            out.write(bits.astype(np.uint8).tobytes())


main()
