"""Colour pages side by side with the colour peer: each page traced by vectorlume (--color)
and by the peer, both rendered back with rsvg-convert and compared with the source pixels.

  /usr/bin/python3 bench/color_pages.py VECTORLUME PEER_DIR OUT_DIR

PEER_DIR holds node_modules/@neplex/vectorizer (npm install there, never committed).
Prints a table: PSNR (dB), seconds, paths and segments per tool and page."""
import os
import re
import subprocess
import sys
import time

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

W, H = 640, 480


def photo(rng):
    """Smooth sky and ground, soft blobs, texture and sensor noise."""
    y, x = np.mgrid[0:H, 0:W].astype(float)
    img = np.zeros((H, W, 3))
    img[..., 0] = 90 + 100 * y / H
    img[..., 1] = 140 + 60 * np.sin(x / 90.0)
    img[..., 2] = 220 - 120 * y / H
    for _ in range(14):
        cx, cy, r = rng.uniform(0, W), rng.uniform(0, H), rng.uniform(30, 120)
        col = rng.uniform(0, 255, 3)
        m = np.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (2 * r * r))[..., None]
        img = img * (1 - 0.8 * m) + col * 0.8 * m
    img += 12 * np.sin(x / 7.0 + y / 11.0)[..., None] + rng.normal(0, 6, (H, W, 3))
    return Image.fromarray(np.clip(img, 0, 255).astype(np.uint8))


def logo(rng):
    """Flat colours, anti-aliased: drawn at four times the size and reduced."""
    big = Image.new('RGB', (W * 4, H * 4), (250, 248, 240))
    d = ImageDraw.Draw(big)
    d.ellipse((200, 200, 1400, 1400), fill=(200, 30, 40))
    d.ellipse((500, 500, 1100, 1100), fill=(250, 248, 240))
    d.polygon([(1300, 300), (2400, 900), (1500, 1800)], fill=(20, 90, 180))
    d.rectangle((300, 1500, 2300, 1750), fill=(30, 30, 30))
    d.ellipse((1700, 1000, 2300, 1600), fill=(250, 190, 20))
    return big.resize((W, H), Image.LANCZOS)


def drawing(rng):
    """A scanned colour drawing: ink lines over washes of colour on paper, blurred and noisy."""
    img = Image.new('RGB', (W, H), (245, 238, 220))
    d = ImageDraw.Draw(img)
    for _ in range(12):
        x0, y0 = rng.uniform(0, W - 100), rng.uniform(0, H - 100)
        col = tuple(int(v) for v in rng.uniform(80, 230, 3))
        d.ellipse((x0, y0, x0 + rng.uniform(60, 200), y0 + rng.uniform(60, 200)), fill=col)
    for _ in range(25):
        pts = [(rng.uniform(0, W), rng.uniform(0, H)) for _ in range(3)]
        d.line(pts, fill=(30, 25, 40), width=int(rng.uniform(2, 5)))
    img = img.filter(ImageFilter.GaussianBlur(0.8))
    a = np.asarray(img).astype(float) + rng.normal(0, 4, (H, W, 3))
    return Image.fromarray(np.clip(a, 0, 255).astype(np.uint8))


def palette(rng):
    """The photo reduced to 16 colours (an indexed image)."""
    return photo(np.random.default_rng(7)).quantize(16).convert('RGB')


# Our settings: the finest colour steps, regions down to 8 pixels, room for the paths a photo
# needs. The peer runs with its package's own example settings.
OURS = ['--complexity', '20', '--noise', '8', '--max-paths', '30000']

PAGES = [('photo', photo), ('logo', logo), ('drawing', drawing), ('palette16', palette)]


def render(svg, out_png):
    subprocess.run(['rsvg-convert', '-w', str(W), '-h', str(H), '-b', 'white', svg, '-o', out_png],
                   check=True)
    return np.asarray(Image.open(out_png).convert('RGB')).astype(float)


def psnr(a, b):
    mse = ((a - b) ** 2).mean()
    return 99.0 if mse == 0 else 10 * np.log10(255 * 255 / mse)


def count(svg_text):
    """Paths, and segments: each coordinate pair after M ends one (curves count once)."""
    paths = svg_text.count('<path')
    segs = 0
    for d in re.findall(r' d="([^"]*)"', svg_text):
        for cmd, args in re.findall(r'([MLCQHVZmlcqhvz])([^A-Za-z]*)', d):
            n = len(re.findall(r'-?[0-9.]+(?:e-?[0-9]+)?', args))
            per = {'L': 2, 'l': 2, 'C': 6, 'c': 6, 'Q': 4, 'q': 4, 'H': 1, 'h': 1, 'V': 1, 'v': 1}
            if cmd in per:
                segs += n // per[cmd]
    return paths, segs


def timed(cmd):
    start = time.time()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.time() - start


def main():
    vectorlume, peer_dir, out = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)
    peer_js = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'color_peer.js')
    env_node = dict(os.environ, NODE_PATH=os.path.join(peer_dir, 'node_modules'))
    rows = []
    for name, make in PAGES:
        img = make(np.random.default_rng(1))
        src_png = os.path.join(out, name + '.png')
        src_tif = os.path.join(out, name + '.tif')
        img.save(src_png)
        img.save(src_tif, dpi=(72, 72))
        src = np.asarray(img).astype(float)
        ours = os.path.join(out, name + '.vl.svg')
        t_ours = timed([vectorlume, 'convert', src_tif, '-o', ours, '--color', '--quiet'] + OURS)
        theirs = os.path.join(out, name + '.peer.svg')
        start = time.time()
        subprocess.run(['node', peer_js, src_png, theirs], check=True, env=env_node)
        t_peer = time.time() - start
        p_ours = psnr(src, render(ours, os.path.join(out, name + '.vl.png')))
        p_peer = psnr(src, render(theirs, os.path.join(out, name + '.peer.png')))
        c_ours = count(open(ours).read())
        c_peer = count(open(theirs).read())
        rows.append((name, p_ours, p_peer, t_ours, t_peer, c_ours, c_peer))
    print('%-10s %9s %9s %8s %8s %8s %8s %9s %9s' % ('page', 'PSNR vl', 'PSNR peer', 's vl',
                                                   's peer', 'paths vl', 'paths pr', 'segs vl',
                                                   'segs peer'))
    for name, pv, pp, tv, tp, cv, cp in rows:
        print('%-10s %9.2f %9.2f %8.2f %8.2f %8d %8d %9d %9d' % (name, pv, pp, tv, tp, cv[0], cp[0],
                                                                cv[1], cp[1]))
    print('%-10s %9.2f %9.2f' % ('mean', np.mean([r[1] for r in rows]), np.mean([r[2] for r in rows])))


if __name__ == '__main__':
    main()
