"""Times vectorlume's PNG and JPEG readers against djpeg and pngtopnm on an A4 page at 300
pixels/inch (see bench/decode). The page: a scanned-looking document, text on a slightly
uneven paper tone with a colour photograph and a gradient, as RGB and as gray."""
import argparse
import os
import statistics
import subprocess
import time

import numpy as np
from PIL import Image, ImageDraw

W, H = 2480, 3508  # A4 at 300 pixels/inch


def page():
    rng = np.random.default_rng(7)
    y, x = np.mgrid[0:H, 0:W]
    paper = 235 + 8 * np.sin(x / 300.0) + rng.normal(0, 3, (H, W))
    rgb = np.dstack([paper, paper - 4, paper - 10]).clip(0, 255).astype(np.uint8)
    photo = np.dstack([(x * 255 // W), (y * 255 // H), ((x ^ y) & 255)])[800:1800, 300:2200]
    rgb[800:1800, 300:2200] = photo
    im = Image.fromarray(rgb)
    draw = ImageDraw.Draw(im)
    for line in range(60):
        top = 2000 + line * 24
        if top > H - 200:
            break
        draw.text((250, top), "The quick brown fox jumps over the lazy dog. " * 4, fill=(20, 20, 20))
    return im


def timed(command):
    """Wall and CPU (user + system) milliseconds of one run. On a busy machine the wall time
    mostly measures waiting for a core; the CPU time is what the decoder itself cost."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = (time.perf_counter() - start) * 1000.0
    if status != 0:
        raise SystemExit(f"{command[0]} failed on {command[-1]}")
    return wall, (usage.ru_utime + usage.ru_stime) * 1000.0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--decoder', required=True)
    ap.add_argument('--work', required=True)
    ap.add_argument('--reps', type=int, default=9)
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)
    im = page()
    files = []
    for name, image, options in (('page_rgb.png', im, {}), ('page_gray.png', im.convert('L'), {}),
                                 ('page_rgb.jpg', im, {'quality': 90}),
                                 ('page_gray.jpg', im.convert('L'), {'quality': 90})):
        path = os.path.join(args.work, name)
        image.save(path, **options)
        files.append(path)
    print(f"{'file':<16}{'bytes':>9}  {'vectorlume ms':>19}  {'peer':>8}  {'peer ms':>13}  {'ratio':>11}")
    print(f"{'':<16}{'':>9}  {'wall':>9}{'cpu':>10}  {'':>8}  {'wall':>6}{'cpu':>7}  {'wall':>5}{'cpu':>6}")
    worst = 0.0
    for path in files:
        peer_name, peer = (('djpeg', ['djpeg', '-outfile', '/dev/null', path]) if path.endswith('.jpg')
                           else ('pngtopnm', ['pngtopnm', path]))
        ours, theirs = [], []
        for _ in range(args.reps):  # alternately, so that a busy moment hurts both
            ours.append(timed([args.decoder, path]))
            theirs.append(timed(peer))
        ow, oc = (statistics.median(t[i] for t in ours) for i in (0, 1))
        tw, tc = (statistics.median(t[i] for t in theirs) for i in (0, 1))
        worst = max(worst, oc / tc)
        print(f"{os.path.basename(path):<16}{os.path.getsize(path):>9}  {ow:>9.1f}{oc:>10.1f}  "
              f"{peer_name:>8}  {tw:>6.1f}{tc:>7.1f}  {ow / tw:>5.2f}{oc / tc:>6.2f}")
    print(f"worst CPU-time ratio {worst:.2f} (target <= 1.20)")


if __name__ == '__main__':
    main()
