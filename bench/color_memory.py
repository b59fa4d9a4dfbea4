"""Peak memory of a colour conversion of a large image (10000 x 10000 by default): the
image is made once, converted with --color, and the peak resident set size and time are
printed, from /usr/bin/time -v. Pictures: photo (a smooth photo-like picture with blobs and
sensor noise), noise (a random colour per pixel: an area for nearly every pixel, the worst case
for the area records) and flat (a few large areas of flat colour).

  /usr/bin/python3 bench/color_memory.py VECTORLUME WORK_DIR [SIDE [photo|noise|flat]]"""
import os
import re
import subprocess
import sys

import numpy as np
from PIL import Image, ImageDraw


def picture(side, path):
    rng = np.random.default_rng(5)
    small = 1000
    y, x = np.mgrid[0:small, 0:small].astype(float)
    img = np.zeros((small, small, 3))
    img[..., 0] = 90 + 100 * y / small
    img[..., 1] = 140 + 60 * np.sin(x / 90.0)
    img[..., 2] = 220 - 120 * y / small
    for _ in range(60):
        cx, cy, r = rng.uniform(0, small), rng.uniform(0, small), rng.uniform(20, 120)
        col = rng.uniform(0, 255, 3)
        m = np.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (2 * r * r))[..., None]
        img = img * (1 - 0.8 * m) + col * 0.8 * m
    base = Image.fromarray(np.clip(img, 0, 255).astype(np.uint8)).resize((side, side),
                                                                          Image.BICUBIC)
    big = np.asarray(base).astype(np.int16)
    for band in range(0, side, 1000):  # sensor noise, a band at a time
        rows = big[band:band + 1000]
        rows += rng.integers(-6, 7, rows.shape, dtype=np.int16)
    Image.fromarray(np.clip(big, 0, 255).astype(np.uint8)).save(path, compress_level=1)


def noise(side, path):
    rng = np.random.default_rng(5)
    img = np.empty((side, side, 3), np.uint8)
    for band in range(0, side, 1000):
        img[band:band + 1000] = rng.integers(0, 256, img[band:band + 1000].shape, dtype=np.uint8)
    Image.fromarray(img).save(path, compress_level=1)


def flat(side, path):
    img = Image.new('RGB', (side, side), (240, 235, 220))
    d = ImageDraw.Draw(img)
    d.ellipse((side // 10, side // 10, side // 2, side // 2), fill=(200, 30, 40))
    d.rectangle((side // 2, side // 3, side - side // 8, side - side // 5), fill=(20, 90, 180))
    d.polygon([(side // 5, side - side // 10), (side // 2, side // 2), (side * 3 // 4,
                                                                       side - side // 20)],
              fill=(250, 190, 20))
    img.save(path, compress_level=1)


PICTURES = {'photo': picture, 'noise': noise, 'flat': flat}


def main():
    vectorlume, work = sys.argv[1], sys.argv[2]
    side = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
    kind = sys.argv[4] if len(sys.argv) > 4 else 'photo'
    os.makedirs(work, exist_ok=True)
    name = 'big%d' % side if kind == 'photo' else '%s%d' % (kind, side)
    src = os.path.join(work, name + '.png')
    if not os.path.exists(src):
        PICTURES[kind](side, src)
    out = os.path.join(work, name + '.svg')
    r = subprocess.run(['/usr/bin/time', '-v', vectorlume, 'convert', src, '-o', out, '--color',
                        '--quiet'], capture_output=True, text=True)
    rss = re.search(r'Maximum resident set size \(kbytes\): (\d+)', r.stderr)
    wall = re.search(r'Elapsed \(wall clock\) time.*: (\S+)', r.stderr)
    cpu = sum(float(m) for m in re.findall(r'(?:User|System) time \(seconds\): (\S+)', r.stderr))
    peak = int(rss.group(1)) * 1024 if rss else 0
    print('%s %d x %d: exit %d, peak RSS %.0f MB (%.1f bytes/pixel), wall %s, cpu %.1f s, '
          'art %.0f MB' % (kind, side, side, r.returncode, peak / 1e6, peak / side / side,
                           wall.group(1) if wall else '?', cpu,
                           os.path.getsize(out) / 1e6 if os.path.exists(out) else 0))


if __name__ == '__main__':
    main()
